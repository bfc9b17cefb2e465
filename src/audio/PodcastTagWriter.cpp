#include "audio/PodcastTagWriter.h"

#include <QFile>

#include <taglib/attachedpictureframe.h>
#include <taglib/chapterframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/textidentificationframe.h>

#include <algorithm>
#include <cmath>

namespace {

TagLib::String text(const QString& s)
{
    return TagLib::String(s.toUtf8().constData(), TagLib::String::UTF8);
}

TagLib::ByteVector bytes(const QByteArray& b)
{
    return TagLib::ByteVector(b.constData(), unsigned(b.size()));
}

} // namespace

QString PodcastTagWriter::pictureType(const QByteArray& picture)
{
    if (picture.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("image/jpeg");
    if (picture.startsWith("\x89PNG\r\n\x1A\n"))
        return QStringLiteral("image/png");
    return {};
}

AudioStatus PodcastTagWriter::write(const QString& mp3Path, const PodcastTags& tags, double durationSeconds)
{
    if (!tags.cover.isEmpty() && pictureType(tags.cover).isEmpty())
        return AudioStatus::failure(QStringLiteral("the cover art is neither a JPEG nor a PNG picture"));
    TagLib::MPEG::File file(QFile::encodeName(mp3Path).constData(), false);
    if (!file.isValid())
        return AudioStatus::failure(QStringLiteral("\"%1\" is not an MP3 file TagLib can read").arg(mp3Path));
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    // ID3v2.3 has no UTF-8: text goes as UTF-16 there.
    const TagLib::String::Type encoding = tags.id3Version == 4 ? TagLib::String::UTF8 : TagLib::String::UTF16;
    const auto setText = [&](const char* id, const QString& value) {
        tag->removeFrames(id);
        if (value.isEmpty())
            return;
        auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, encoding);
        frame->setText(text(value));
        tag->addFrame(frame);
    };
    const AudioTags& f = tags.fields;
    setText("TIT2", f.title);
    setText("TPE1", f.artist);
    setText("TALB", f.album);
    setText("TCON", tags.genre);
    setText("TRCK", f.trackNumber > 0 ? QString::number(f.trackNumber) : QString());
    tag->removeFrames("TYER");
    tag->removeFrames("TDRC");
    if (f.year > 0)
        tag->setYear(unsigned(f.year)); // TDRC, which TagLib writes as TYER in ID3v2.3
    tag->removeFrames("COMM");
    if (!f.comment.isEmpty()) {
        auto* comment = new TagLib::ID3v2::CommentsFrame(encoding);
        comment->setLanguage("eng");
        comment->setText(text(f.comment));
        tag->addFrame(comment);
    }

    tag->removeFrames("APIC");
    if (!tags.cover.isEmpty()) {
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setTextEncoding(encoding);
        picture->setMimeType(text(pictureType(tags.cover)));
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setDescription(text(QStringLiteral("Cover")));
        picture->setPicture(bytes(tags.cover));
        tag->addFrame(picture);
    }

    tag->removeFrames("CHAP");
    tag->removeFrames("CTOC");
    if (!tags.chapters.empty()) {
        TagLib::ByteVectorList children;
        const unsigned endMs = unsigned(std::llround(std::max(0.0, durationSeconds) * 1000.0));
        for (size_t i = 0; i < tags.chapters.size(); ++i) {
            const TagLib::ByteVector id = bytes("chp" + QByteArray::number(qulonglong(i)));
            const unsigned start = std::min(endMs, unsigned(std::llround(tags.chapters[i].seconds * 1000.0)));
            const unsigned end = i + 1 < tags.chapters.size()
                                     ? std::min(endMs, unsigned(std::llround(tags.chapters[i + 1].seconds * 1000.0)))
                                     : endMs;
            auto* title = new TagLib::ID3v2::TextIdentificationFrame("TIT2", encoding);
            title->setText(text(tags.chapters[i].title));
            // Offsets unknown (all ones): players go by the times.
            auto* chapter = new TagLib::ID3v2::ChapterFrame(id, start, std::max(start, end), 0xFFFFFFFFu, 0xFFFFFFFFu);
            chapter->addEmbeddedFrame(title);
            tag->addFrame(chapter);
            children.append(id);
        }
        auto* toc = new TagLib::ID3v2::TableOfContentsFrame(bytes("toc"), children);
        toc->setIsTopLevel(true);
        toc->setIsOrdered(true);
        tag->addFrame(toc);
    }
    const bool saved = file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers,
                                 tags.id3Version == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3,
                                 TagLib::File::DoNotDuplicate);
    return saved ? AudioStatus::success()
                 : AudioStatus::failure(QStringLiteral("cannot write the tags of \"%1\"").arg(mp3Path));
}

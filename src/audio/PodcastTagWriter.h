#pragma once

#include "audio/AudioTypes.h"
#include "audio/ChapterMarks.h"

#include <QByteArray>

#include <vector>

// What a published episode's MP3 carries in its ID3v2 tag.
struct PodcastTags {
    AudioTags fields;                      // title, artist, album, year, track, comment
    QString genre = QStringLiteral("Podcast");
    QByteArray cover;                      // JPEG or PNG bytes; empty: no picture
    std::vector<ChapterMark> chapters;     // sorted by time
    int id3Version = 3;                    // 3: ID3v2.3, what most players read; 4: ID3v2.4
};

// Writes the ID3v2 tag of an MP3 file through TagLib: the text fields, the genre, the cover as
// an attached front-cover picture (APIC) and the chapters as CHAP frames under one top-level,
// ordered table of contents (CTOC). Other tags (ID3v1, APE) are removed.
class PodcastTagWriter {
public:
    static AudioStatus write(const QString& mp3Path, const PodcastTags& tags, double durationSeconds);
    // "image/jpeg" or "image/png" from the picture's first bytes; empty for anything else.
    static QString pictureType(const QByteArray& picture);
};

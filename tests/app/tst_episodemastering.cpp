// The episode editor's chapter marks, loudness and export for publishing below its window, on a
// real session: marks at the cursor with their titles asked through the prompts, the chapters
// file beside a saved take, and the published MP3 that the enclosure then follows.

#include "SessionHarness.h"

#include "../audio/SignalUtil.h"
#include "app/EpisodeForm.h"
#include "app/TrackDevices.h"
#include "audio/AudioEditor.h"
#include "feed/DirectoryValues.h"
#include "support/MediaTools.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

// One podcast with one episode whose enclosure is local, a stereo tone in the track.
struct Fixture {
    SessionHarness h;
    NullTrackDevices devices;
    std::unique_ptr<EpisodeForm> form;

    Fixture()
    {
        h.startWithLocalEpisode();
        form = std::make_unique<EpisodeForm>(*h.session, devices);
        form->load(0);
        const QString take = h.path("take.wav");
        AudioEditor tone;
        signal::load(tone, 44100, 2, signal::sine(44100, 2, 6.0, 300, 0.05));
        tone.SaveTrack(take);
        h.prompts.queueFile(take);
        form->run("m_open");
    }
    AudioEditor& editor() { return form->editor(); }
    void at(double seconds) { editor().setCursor(qint64(seconds * 44100)); }
    QStringList titles()
    {
        QStringList t;
        for (const ChapterMark& m : editor().chapterMarks())
            t << QStringLiteral("%1 %2").arg(chaptermarks::formatTime(m.seconds), m.title);
        return t;
    }
};

} // namespace

class TestEpisodeMastering : public QObject {
    Q_OBJECT
private slots:
    void chapterMarksAtTheCursor()
    {
        Fixture f;
        QVERIFY(f.form->commandEnabled("m_chapter_add"));
        f.at(3);
        f.form->run("m_chapter_add");
        f.at(0);
        f.form->run("m_chapter_add");
        QCOMPARE(f.titles(), QStringList({"00:00:00 Chapter 2", "00:00:03 Chapter 1"}));
        QVERIFY(f.form->nameChapterMark("Intro"));
        QVERIFY(f.form->trackModified());

        f.at(2.5); // nearest is the one at 3 s
        QCOMPARE(f.form->chapterMarkAtCursor(), 1);
        QVERIFY(f.form->nameChapterMark("Interview"));
        f.form->run("m_chapter_move");
        QCOMPARE(f.titles(), QStringList({"00:00:00 Intro", "00:00:02.500 Interview"}));
        f.at(0.2);
        f.form->run("m_chapter_remove");
        QCOMPARE(f.titles(), QStringList({"00:00:02.500 Interview"}));

        // Saved takes keep their marks in the chapters file beside them; opening brings them back.
        const QString saved = f.h.path("edited.wav");
        f.h.prompts.queueFile(saved, 1);
        f.form->run("m_save");
        QVERIFY(QFile::exists(f.h.path("edited.chapters.json")));
        f.h.prompts.queueFile(f.h.path("take.wav"));
        f.form->run("m_open");
        QVERIFY(f.editor().chapterMarks().empty());
        f.h.prompts.queueFile(saved);
        f.form->run("m_open");
        QCOMPARE(f.titles(), QStringList({"00:00:02.500 Interview"}));
    }

    void chapterCommandsWithoutMarksSaySo()
    {
        Fixture f;
        f.form->run("m_chapter_remove");
        QCOMPARE(f.h.prompts.messageTexts(), QStringList({"The track has no chapter marks."}));
        QVERIFY(!f.form->nameChapterMark("Intro"));
        QVERIFY(!f.form->trackModified());
    }

    void loudnessFailureIsShown()
    {
        Fixture f;
        f.editor().NewTrack(44100, 2);
        signal::load(f.editor(), 44100, 2, signal::sine(44100, 2, 3.0, 300, 0.0));
        QVERIFY(!f.form->normalizeLoudness(-16, -1).ok());
        QCOMPARE(f.h.prompts.messageTexts(),
                 QStringList({"\"Loudness\" could not be applied:\r\nthe audio is silent: it has no loudness to measure"}));
    }

    void exportMakesTheEnclosureFollowThePublishedFile()
    {
        Fixture f;
        f.editor().addChapterMark(0, "Intro");
        f.editor().addChapterMark(4, "Outro");
        const QString cover = f.h.path("cover.png");
        int code = -1;
        QVERIFY(mediatools::run("convert", {"-size", "64x64", "xc:orange", cover}, &code) && code == 0);
        f.h.session->document().episodes[0].itunesImage = QUrl::fromLocalFile(cover).toString();
        PublishOptions options = f.form->publishingDefaults();
        QCOMPARE(options.tags.chapters.size(), size_t(2));
        QVERIFY(!options.tags.cover.isEmpty());
        QCOMPARE(options.tags.fields.title, QString("Episode 1"));

        const QString out = f.h.path("published"); // the extension is added
        f.h.prompts.queueFile(out);
        PublishingExport::Result result;
        QVERIFY(f.form->exportForPublishing(options, &result));
        QVERIFY2(result.status.ok(), qPrintable(result.status.message));
        QCOMPARE(f.form->fields.file, out + ".mp3");
        QCOMPARE(f.form->fields.url, QString("published.mp3"));
        QCOMPARE(f.form->fields.type, QString("audio/mpeg"));
        QCOMPARE(f.form->fields.length, QString::number(QFileInfo(out + ".mp3").size()));
        QCOMPARE(f.h.session->document().episodes[0].itunesDuration, dirvalues::formatItunesDuration(6.0));
        const mediatools::Loudness ref = mediatools::ffmpegLoudness(out + ".mp3");
        QVERIFY(ref.ok);
        QVERIFY2(std::fabs(ref.integrated - options.targetLufs) <= 0.5, qPrintable(QString::number(ref.integrated)));
        const QJsonArray chapters =
            QJsonDocument::fromJson(testutil::readFile(f.h.path("published.chapters.json"))).object()["chapters"].toArray();
        QCOMPARE(chapters.size(), 2);
        QCOMPARE(chapters[1].toObject()["title"].toString(), QString("Outro"));
    }
};

QTEST_GUILESS_MAIN(TestEpisodeMastering)
#include "tst_episodemastering.moc"

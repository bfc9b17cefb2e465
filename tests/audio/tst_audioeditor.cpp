#include "SignalUtil.h"
#include "audio/AudioEditor.h"
#include "audio/AudioFileReader.h"
#include "audio/TrackCommands.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <set>

// Edits, the undo history, the clipboard and the sample storage of the track editor.
class TestAudioEditor : public QObject {
    Q_OBJECT

private slots:
    void newTrackIsEmptyStereo44100()
    {
        AudioEditor e;
        e.NewTrack();
        QCOMPARE(e.sampleRate(), 44100);
        QCOMPARE(e.channels(), 2);
        QCOMPARE(e.frames(), 0);
        QVERIFY(!e.canUndo());
        QCOMPARE(e.UndoDepth(), 1000);
    }

    void cutPasteUndoRedoRestoreExactSamples()
    {
        AudioEditor e;
        const auto in = signal::noise(8000, 2, 1.0, 0.8);
        signal::load(e, 8000, 2, in);
        e.setSelection(1000, 2000);
        QVERIFY(trackcommands::run(e, "m_cut").ok());
        QCOMPARE(e.frames(), 6000);
        const auto afterCut = signal::all(e);
        QCOMPARE(afterCut[2 * 1000], in[2 * 3000]);
        e.setCursor(6000);
        QVERIFY(e.Paste());
        QCOMPARE(e.frames(), 8000);
        const auto afterPaste = signal::all(e);
        for (qint64 i = 0; i < 2000 * 2; ++i)
            QCOMPARE(afterPaste[size_t(6000 * 2 + i)], in[size_t(1000 * 2 + i)]);
        QVERIFY(e.Undo());
        QCOMPARE(signal::all(e), afterCut);
        QVERIFY(e.Undo());
        QCOMPARE(signal::all(e), in);
        QVERIFY(e.Undo()); // the load itself was a step: back to the empty new track
        QCOMPARE(e.frames(), 0);
        QVERIFY(!e.Undo());
        QVERIFY(e.Redo());
        QVERIFY(e.Redo());
        QVERIFY(e.Redo());
        QCOMPARE(signal::all(e), afterPaste);
        QVERIFY(!e.Redo());
    }

    void pasteReplacesTheSelection()
    {
        AudioEditor e;
        const auto in = signal::noise(8000, 1, 0.5, 0.5);
        signal::load(e, 8000, 1, in);
        e.setSelection(0, 100);
        QVERIFY(e.Copy());
        e.setSelection(1000, 500);
        QVERIFY(e.Paste());
        QCOMPARE(e.frames(), 4000 - 500 + 100);
        QCOMPARE(signal::range(e, 1000, 100), std::vector<float>(in.begin(), in.begin() + 100));
        QCOMPARE(e.selectionStart(), 1000);
        QCOMPARE(e.selectionLength(), 100);
    }

    void pasteAdaptsTheClipboardToTheTracksChannels()
    {
        AudioEditor e;
        signal::load(e, 8000, 1, std::vector<float>(100, 0.6f));
        e.selectAll();
        QVERIFY(e.Copy());
        e.NewTrack(8000, 2);
        QVERIFY(e.Paste());
        QCOMPARE(signal::all(e), std::vector<float>(200, 0.6f)); // mono on both sides
        std::vector<float> stereo(200);
        for (size_t i = 0; i < stereo.size(); ++i)
            stereo[i] = i % 2 ? 0.2f : 0.6f;
        signal::load(e, 8000, 2, stereo);
        e.selectAll();
        QVERIFY(e.Copy());
        e.NewTrack(8000, 1);
        QVERIFY(e.Paste());
        const auto mono = signal::all(e);
        QCOMPARE(mono.size(), size_t(100));
        QVERIFY(std::fabs(mono[50] - 0.4f) < 1e-6); // the average of left and right
    }

    void copyNeedsASelectionAndChangesNothing()
    {
        AudioEditor e;
        signal::load(e, 8000, 1, signal::noise(8000, 1, 0.1, 0.5));
        QVERIFY(!e.Copy());
        const int steps = e.undoCount();
        e.setSelection(10, 10);
        QVERIFY(e.Copy());
        QCOMPARE(e.undoCount(), steps);
        QCOMPARE(e.clipboard().frames(), 10);
    }

    void everyEffectIsOneUndoStepAndRedoesExactly()
    {
        for (const QString& command : trackcommands::effectCommands()) {
            AudioEditor e;
            std::vector<float> in = signal::sine(8000, 2, 1.5, 220, 0.5);
            in.insert(in.begin() + 4000, 2 * 12000, 0.0f); // a long pause for the silence remover
            signal::load(e, 8000, 2, in);
            const int before = e.undoCount();
            QVERIFY2(trackcommands::run(e, command).ok(), qPrintable(command));
            QCOMPARE(e.undoCount(), before + 1);
            const auto applied = signal::all(e);
            QVERIFY2(applied != in, qPrintable(command));
            QVERIFY(e.Undo());
            QVERIFY2(signal::all(e) == in, qPrintable(command));
            QVERIFY(e.Redo());
            QVERIFY2(signal::all(e) == applied, qPrintable(command));
        }
    }

    void aRecordingIsOneUndoStep()
    {
        AudioEditor e;
        const auto in = signal::noise(8000, 2, 0.5, 0.5);
        signal::load(e, 8000, 2, in);
        const int steps = e.undoCount();
        QVERIFY(e.startRecording(1000));
        QVERIFY(!e.startRecording(0));
        const auto take = signal::sine(8000, 2, 10.0, 300, 0.3); // more than one block
        for (size_t pos = 0; pos < take.size(); pos += 2 * 1000)
            QVERIFY(e.recordFrames(take.data() + pos, 1000).ok());
        // What arrived shows while it runs, the last partial block included.
        QCOMPARE(e.frames(), 4000 + 80000);
        QCOMPARE(signal::range(e, 1000, 80000), take);
        QCOMPARE(e.undoCount(), steps);
        QVERIFY(e.finishRecording().ok());
        QCOMPARE(e.undoCount(), steps + 1);
        QCOMPARE(e.frames(), 4000 + 80000);
        QCOMPARE(signal::range(e, 1000, 80000), take);
        QCOMPARE(signal::range(e, 0, 1000), std::vector<float>(in.begin(), in.begin() + 2000));
        QVERIFY(e.Undo());
        QCOMPARE(signal::all(e), in);
        QCOMPARE(e.recordFrames(take.data(), 1).code, AudioStatus::Failed);
    }

    void commandsWithNothingToWorkOnChangeNothing()
    {
        AudioEditor e;
        signal::load(e, 8000, 1, std::vector<float>(100, 0.5f));
        const int steps = e.undoCount();
        QCOMPARE(trackcommands::run(e, "m_paste").code, AudioStatus::Failed);
        QCOMPARE(trackcommands::run(e, "m_mix").code, AudioStatus::Failed);
        QCOMPARE(trackcommands::run(e, "m_cut").code, AudioStatus::Failed);
        QCOMPARE(trackcommands::run(e, "m_redo").code, AudioStatus::Failed);
        QCOMPARE(trackcommands::run(e, "m_zoom_in").code, AudioStatus::Unsupported);
        QCOMPARE(e.undoCount(), steps);
        QCOMPARE(signal::all(e), std::vector<float>(100, 0.5f));
    }

    void undoDepthLimitsTheHistory()
    {
        AudioEditor e;
        signal::load(e, 8000, 1, std::vector<float>(100, 0.5f));
        e.setUndoDepth(3);
        for (int i = 0; i < 5; ++i)
            QVERIFY(e.amplify(200.0f).ok()); // 1, 2, 4, 8, 16, 32 × 0.5
        QCOMPARE(e.undoCount(), 3);
        QVERIFY(e.Undo() && e.Undo() && e.Undo());
        QVERIFY(!e.Undo());
        QCOMPARE(signal::all(e)[0], 2.0f); // after the second edit
        e.setUndoDepth(0);
        QVERIFY(e.amplify(50.0f).ok());
        QVERIFY(!e.canUndo());
        QVERIFY(!e.canRedo());
    }

    void clipboardAndHistoryShareBlocks()
    {
        AudioEditor e;
        signal::load(e, 44100, 2, signal::noise(44100, 2, 6.0, 0.5)); // several blocks
        const auto trackBlocks = e.samples().blocks();
        QVERIFY(trackBlocks.size() >= 4);
        e.selectAll();
        QVERIFY(e.Copy());
        QCOMPARE(e.clipboard().blocks(), trackBlocks); // no sample copied

        // A change of level makes no block at all; a filter on one second makes new blocks for
        // that second only.
        const std::set<const SampleBlock*> old(trackBlocks.begin(), trackBlocks.end());
        e.setSelection(44100, 44100);
        QVERIFY(e.amplify(50.0f).ok());
        for (const SampleBlock* b : e.samples().blocks())
            QVERIFY(old.count(b));
        QVERIFY(e.lowPass(1000.0f, 70.0f).ok());
        const auto after = e.samples().blocks();
        int shared = 0;
        for (const SampleBlock* b : after)
            shared += old.count(b) ? 1 : 0;
        QVERIFY(shared >= int(trackBlocks.size()) - 2);
        QVERIFY(shared < int(after.size()));
        QVERIFY(e.Undo());
        // The clipboard still holds the original samples.
        std::vector<float> clip(size_t(e.clipboard().frames()) * 2);
        QVERIFY(e.clipboard().read(0, e.clipboard().frames(), clip.data()));
        QVERIFY(e.Undo());
        QCOMPARE(signal::all(e), clip);
    }

    void mixPasteBlendsAtTheCursorAndExtends()
    {
        AudioEditor e;
        signal::load(e, 8000, 1, std::vector<float>(1000, 0.4f));
        e.setSelection(0, 400);
        QVERIFY(e.Copy());
        e.clearSelection();
        e.setCursor(800);
        QVERIFY(trackcommands::run(e, "m_mix").ok());
        const auto out = signal::all(e);
        QCOMPARE(e.frames(), 1200);
        QCOMPARE(out[799], 0.4f);
        QVERIFY(std::fabs(out[800] - 0.4f) < 1e-6);  // 50 % of each
        QVERIFY(std::fabs(out[1100] - 0.2f) < 1e-6); // past the end: the clipboard alone at 50 %
        e.NewTrack();
        QVERIFY(e.MixPaste(50.0f, 50.0f).ok());      // the clipboard survives a new track
    }

    void mixFromFileAddsAResampledFile()
    {
        QTemporaryDir dir;
        const QString wav = dir.filePath("tone.wav");
        QProcess ff;
        ff.start("ffmpeg", {"-nostdin", "-v", "error", "-f", "lavfi", "-i", "sine=frequency=500:duration=1",
                            "-ar", "22050", "-ac", "1", wav});
        QVERIFY(ff.waitForFinished(30000) && ff.exitCode() == 0);
        AudioEditor e;
        signal::load(e, 44100, 2, std::vector<float>(2 * 44100 * 2, 0.0f));
        e.setCursor(44100 / 2);
        QVERIFY(trackcommands::run(e, "m_cut").code != AudioStatus::Ok); // nothing selected
        QVERIFY(e.MixFromFile(100, wav, -100).ok());
        QCOMPARE(e.frames(), 2 * 44100);
        const auto out = signal::all(e);
        QCOMPARE(signal::peak(std::vector<float>(out.begin(), out.begin() + 44100)), 0.0);
        const double f = signal::frequency(out, 2, 44100, 44100, 44100 / 2);
        QVERIFY(std::fabs(f - 500.0) < 1.0);
        // ffmpeg's sine source has an amplitude of 1/8.
        const double level = signal::rms(out, 2, 1, 44100, 22050);
        QVERIFY2(std::fabs(level - 0.125 / std::sqrt(2.0)) < 0.005, qPrintable(QString::number(level)));
        QVERIFY(e.MixFromFile(100, dir.filePath("missing.wav"), -100).code == AudioStatus::Failed);
    }

    void largeTrackSpillsToDiskAndCleansUp()
    {
        QTemporaryDir temp;
        AudioEditor e;
        e.setTempFolder(temp.path());
        e.setMemoryBudget(512 * 1024);
        const auto in = signal::noise(44100, 2, 4.0, 0.5); // about 1.4 MB of floats
        signal::load(e, 44100, 2, in);
        const QString spill = e.store().spillFolder();
        QVERIFY(!spill.isEmpty());
        QVERIFY(spill.startsWith(temp.path()));
        QVERIFY(QDir(spill).entryList({"*.f32"}, QDir::Files).size() >= 2);
        QVERIFY(e.store().memoryInUse() <= 512 * 1024);

        e.setSelection(44100, 44100 * 2);
        QVERIFY(e.fade(50.0f, 50.0f).ok()); // computed anew: new blocks, spilled too
        QVERIFY(QDir(spill).entryList({"*.f32"}, QDir::Files).size() >= 4);
        const QString wav = temp.filePath("out.wav");
        QVERIFY(e.SaveTrack(wav).ok());
        BlockStore plain;
        const auto back = AudioFileReader::read(wav, plain, {});
        QVERIFY(back.status.ok());
        QCOMPARE(back.samples.frames(), e.frames());
        std::vector<float> saved(size_t(back.samples.frames()) * 2);
        QVERIFY(back.samples.read(0, back.samples.frames(), saved.data()));
        for (size_t i = 0; i < saved.size(); i += 997) {
            const double expected = (i >= 2 * 44100 && i < 2 * 3 * 44100) ? in[i] * 0.5 : in[i];
            QVERIFY(std::fabs(saved[i] - expected) < 1.0 / 32768 + 1e-6);
        }
        QVERIFY(e.Undo());
        QCOMPARE(signal::all(e), in);

        e.CloseTrack();
        QVERIFY(!QDir(spill).exists());
        QCOMPARE(QDir(temp.path()).entryList({"velmora-audio-*"}, QDir::Dirs).size(), 0);
    }

    void leftoversOfACrashAreRemovedButLiveFoldersKept()
    {
        QTemporaryDir temp;
        QDir(temp.path()).mkpath("velmora-audio-dead01");
        QVERIFY(QFile(temp.filePath("velmora-audio-dead01/block-1.f32")).open(QIODevice::WriteOnly));
        QDir(temp.path()).mkpath("velmora-audio-live01");
        QLockFile live(temp.filePath("velmora-audio-live01/in-use.lock"));
        QVERIFY(live.tryLock(0));
        QDir(temp.path()).mkpath("keep-me");

        AudioEditor e;
        e.setTempFolder(temp.path());
        QVERIFY(!QDir(temp.filePath("velmora-audio-dead01")).exists());
        QVERIFY(QDir(temp.filePath("velmora-audio-live01")).exists());
        QVERIFY(QDir(temp.filePath("keep-me")).exists());
    }

    void theFolderOfACrashedRunIsRemoved()
    {
        // A lock file as a run leaves it when it dies: made by QLockFile, naming a process that
        // has ended since.
        QTemporaryDir temp;
        const QString folder = temp.filePath("velmora-audio-crash1");
        QVERIFY(QDir().mkpath(folder));
        const QString lockPath = folder + "/in-use.lock";
        QByteArray contents;
        {
            QLockFile lock(lockPath);
            QVERIFY(lock.tryLock(0));
            contents = testutil::readFile(lockPath);
        }
        QProcess child;
        child.start("true", {});
        QVERIFY(child.waitForStarted());
        const QByteArray deadPid = QByteArray::number(child.processId());
        QVERIFY(child.waitForFinished());
        contents = deadPid + contents.mid(contents.indexOf('\n'));
        QVERIFY(testutil::writeFile(lockPath, contents));
        QVERIFY(testutil::writeFile(folder + "/block-7.f32", QByteArray(4096, 0)));

        QCOMPARE(BlockStore::removeLeftovers(temp.path()), 1);
        QVERIFY(!QDir(folder).exists());
    }

    void progressIsReportedAndCancelLeavesTheTrack()
    {
        AudioEditor e;
        const auto in = signal::noise(44100, 2, 3.0, 0.5);
        signal::load(e, 44100, 2, in);
        QSignalSpy levels(&e, &AudioEditor::level);
        int calls = 0;
        e.setProgressHandler([&](qint64 done, qint64 total) {
            ++calls;
            return done < total / 2;
        });
        const int steps = e.undoCount();
        QCOMPARE(e.fade(0.0f, 100.0f).code, AudioStatus::Cancelled);
        QVERIFY(calls >= 2);
        QVERIFY(!levels.isEmpty());
        QCOMPARE(e.undoCount(), steps);
        QCOMPARE(signal::all(e), in);

        e.setProgressHandler({});
        levels.clear();
        QVERIFY(e.fade(0.0f, 100.0f).ok());
        QCOMPARE(levels.last().at(0).toInt(), 100);
    }
};

QTEST_GUILESS_MAIN(TestAudioEditor)
#include "tst_audioeditor.moc"

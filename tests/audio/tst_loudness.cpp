#include "SignalUtil.h"
#include "audio/AudioEditor.h"
#include "audio/LoudnessMeter.h"
#include "audio/TruePeakLimiter.h"
#include "support/MediaTools.h"

#include <QTemporaryDir>
#include <QtTest>

#include <set>

// Loudness measurement against ffmpeg's ebur128 filter, loudness normalisation with the
// true-peak limiter, and the limiter on its own, on programme material made by ffmpeg.
class TestLoudness : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    struct Material {
        QString exprs;
        int rate;
        double seconds;
    };

    static Material material(const QString& name)
    {
        const QString syllable = QStringLiteral("pow(sin(PI*mod(t*3.7,1)),2)*gt(sin(2*PI*t/4.3)+0.3,0)");
        const QString bursts = QStringLiteral("0.25*(random(0)*2-1)*") + syllable;
        const QString clap = QStringLiteral("0.06*sin(2*PI*180*t)*%1+0.95*(random(1)*2-1)*exp(-mod(t,3)*60)").arg(syllable);
        if (name == QLatin1String("sine stereo 48k"))
            return {QStringLiteral("0.3*sin(2*PI*1000*t)|0.3*sin(2*PI*1000*t)"), 48000, 8};
        if (name == QLatin1String("speech-like bursts mono 44.1k"))
            return {bursts, 44100, 20};
        if (name == QLatin1String("claps stereo 44.1k"))
            return {clap + QLatin1Char('|') + QStringLiteral("0.8*(%1)").arg(clap), 44100, 20};
        if (name == QLatin1String("claps mono 48k"))
            return {clap, 48000, 15};
        // A quarter of the rate at 45 degrees: every sample 3 dB below the peak between them.
        return {QStringLiteral("0.9*sin(2*PI*12000*t+PI/4)"), 48000, 6};
    }

    QString make(const QString& name)
    {
        const QString path = m_dir.filePath(QString(name).replace(QLatin1Char(' '), QLatin1Char('_')) + ".wav");
        if (!QFile::exists(path)) {
            const Material m = material(name);
            if (!mediatools::generate(path, m.exprs, m.rate, m.seconds, {"-c:a", "pcm_s16le"}))
                return {};
        }
        return path;
    }

    static std::set<const SampleBlock*> blockSet(const AudioEditor& e)
    {
        const auto b = e.samples().blocks();
        return {b.begin(), b.end()};
    }

private slots:
    void measurementAgreesWithFfmpeg_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* n : {"sine stereo 48k", "speech-like bursts mono 44.1k", "claps stereo 44.1k", "claps mono 48k",
                              "inter-sample peaks mono 48k"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }

    void measurementAgreesWithFfmpeg()
    {
        QFETCH(QString, name);
        const QString path = make(name);
        QVERIFY2(!path.isEmpty(), "ffmpeg could not make the material");
        AudioEditor editor;
        QVERIFY(editor.OpenTrack(path).ok());
        const LoudnessReport ours = editor.measureLoudness();
        const mediatools::Loudness ref = mediatools::ffmpegLoudness(path);
        QVERIFY2(ref.ok, qPrintable(ref.error));
        QVERIFY2(ours.measurable(), qPrintable(ours.problem()));
        QVERIFY2(std::fabs(ours.integrated - ref.integrated) <= 0.1,
                 qPrintable(QString("integrated %1, ffmpeg %2").arg(ours.integrated).arg(ref.integrated)));
        QVERIFY2(std::fabs(ours.truePeak - ref.truePeak) <= 0.2,
                 qPrintable(QString("true peak %1, ffmpeg %2").arg(ours.truePeak).arg(ref.truePeak)));
        QVERIFY(ours.samplePeak <= ours.truePeak);
    }

    void loudnessRangeOfTwoLevels()
    {
        // 10 s at one level and 10 s 10 dB lower: a range of about 10 LU.
        std::vector<float> loud = signal::noise(48000, 2, 10, 0.5), quiet = signal::noise(48000, 2, 10, 0.158, 7);
        loud.insert(loud.end(), quiet.begin(), quiet.end());
        AudioEditor editor;
        signal::load(editor, 48000, 2, loud);
        const LoudnessReport r = editor.measureLoudness();
        QVERIFY2(std::fabs(r.range - 10.0) < 1.0, qPrintable(QString::number(r.range)));
    }

    void masteringMeetsTargetAndCeiling_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("target");
        QTest::addColumn<double>("ceiling");
        QTest::addColumn<bool>("limits"); // whether the gain alone would pass the ceiling
        QTest::newRow("sine to -16, gain only") << "sine stereo 48k" << -16.0 << -1.0 << false;
        QTest::newRow("bursts to -19 mono, gain only") << "speech-like bursts mono 44.1k" << -19.0 << -1.0 << false;
        QTest::newRow("claps to -16") << "claps stereo 44.1k" << -16.0 << -1.0 << true;
        QTest::newRow("claps to -23 EBU, ceiling -2") << "claps mono 48k" << -23.0 << -2.0 << true;
        QTest::newRow("inter-sample peaks to -1.2") << "inter-sample peaks mono 48k" << -1.2 << -1.0 << true;
    }

    void masteringMeetsTargetAndCeiling()
    {
        QFETCH(QString, name);
        QFETCH(double, target);
        QFETCH(double, ceiling);
        QFETCH(bool, limits);
        const QString path = make(name);
        QVERIFY(!path.isEmpty());
        AudioEditor editor;
        QVERIFY(editor.OpenTrack(path).ok());
        const auto original = blockSet(editor);
        LoudnessReport before;
        LoudnessNormalizer::Result result;
        const AudioStatus s = editor.normalizeLoudness(target, ceiling, &before, &result);
        QVERIFY2(s.ok(), qPrintable(s.message));
        QCOMPARE(editor.undoCount(), 1);
        const QString seen = QString("before %1 LUFS %2 dBTP, gain %3, after %4 LUFS %5 dBTP, limited %6")
                                 .arg(before.integrated).arg(before.truePeak).arg(result.gainDb)
                                 .arg(result.after.integrated).arg(result.after.truePeak).arg(result.limitedFrames);
        QVERIFY2((result.limitedFrames > 0) == limits, qPrintable(seen));
        if (!limits) { // the gain is a view: not one new block
            for (const SampleBlock* b : blockSet(editor))
                QVERIFY(original.count(b));
        }
        QVERIFY2(std::fabs(result.after.integrated - target) <= 0.5, qPrintable(seen));
        QVERIFY2(result.after.truePeak <= ceiling, qPrintable(seen));

        const QString out = m_dir.filePath("mastered.wav");
        QVERIFY(editor.SaveTrack(out).ok());
        const mediatools::Loudness ref = mediatools::ffmpegLoudness(out);
        QVERIFY2(ref.ok, qPrintable(ref.error));
        QVERIFY2(std::fabs(ref.integrated - target) <= 0.5, qPrintable(QString::number(ref.integrated)));
        QVERIFY2(ref.truePeak <= ceiling, qPrintable(QString::number(ref.truePeak)));
    }

    void masteringIsOneUndoStep()
    {
        AudioEditor editor;
        QVERIFY(editor.OpenTrack(make("claps stereo 44.1k")).ok());
        const SampleSequence original = editor.samples();
        editor.setSelection(44100, 5 * 44100);
        QVERIFY(editor.normalizeLoudness(-16.0, -1.0).ok());
        // Outside the selection the track is untouched.
        QVERIFY(editor.samples().slice(0, 44100).sameViews(original.slice(0, 44100)));
        QCOMPARE(editor.frames(), original.frames());
        QVERIFY(editor.Undo());
        QVERIFY(editor.samples().sameViews(original));
        QVERIFY(!editor.canUndo());
    }

    void unmeasurableAudioIsRefused_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("amplitude");
        QTest::addColumn<QString>("message");
        QTest::newRow("silent") << 5.0 << 0.0 << "the audio is silent: it has no loudness to measure";
        QTest::newRow("too short") << 0.2 << 0.5 << "the audio is too short to measure its loudness";
    }

    void unmeasurableAudioIsRefused()
    {
        QFETCH(double, seconds);
        QFETCH(double, amplitude);
        QFETCH(QString, message);
        AudioEditor editor;
        signal::load(editor, 44100, 2, signal::sine(44100, 2, seconds, 440, amplitude));
        const int steps = editor.undoCount();
        const AudioStatus s = editor.normalizeLoudness(-16.0, -1.0);
        QCOMPARE(s.code, AudioStatus::Failed);
        QVERIFY2(s.message.startsWith(message), qPrintable(s.message));
        QCOMPARE(editor.undoCount(), steps);
    }

    void cancelLeavesTheTrack()
    {
        AudioEditor editor;
        QVERIFY(editor.OpenTrack(make("claps stereo 44.1k")).ok());
        const SampleSequence original = editor.samples();
        int calls = 0;
        editor.setProgressHandler([&](qint64, qint64) { return ++calls < 5; });
        QCOMPARE(editor.normalizeLoudness(-16.0, -1.0).code, AudioStatus::Cancelled);
        QVERIFY(editor.samples().sameViews(original));
        QVERIFY(!editor.canUndo());
    }

    void limiterKeepsTimingAndCeiling_data()
    {
        QTest::addColumn<double>("amplitude");
        QTest::addColumn<double>("hz");
        QTest::addColumn<int>("chunk");
        QTest::newRow("quiet passes unchanged") << 0.3 << 440.0 << 1000;
        QTest::newRow("loud low tone") << 1.5 << 100.0 << 4096;
        QTest::newRow("loud quarter-rate tone, tiny chunks") << 1.2 << 11025.0 << 7;
    }

    void limiterKeepsTimingAndCeiling()
    {
        QFETCH(double, amplitude);
        QFETCH(double, hz);
        QFETCH(int, chunk);
        const int rate = 44100;
        const std::vector<float> in = signal::sine(rate, 2, 2.0, hz, amplitude);
        TruePeakLimiter limiter(2, rate, -1.0);
        std::vector<float> out;
        for (size_t pos = 0; pos < in.size(); pos += size_t(chunk) * 2)
            limiter.push(in.data() + pos, qint64(std::min(size_t(chunk) * 2, in.size() - pos)) / 2, &out);
        limiter.finish(&out);
        QCOMPARE(out.size(), in.size());
        LoudnessMeter meter(2, rate, LoudnessMeter::TruePeak);
        meter.add(out.data(), qint64(out.size()) / 2);
        QVERIFY2(meter.report().truePeak <= -1.0 + 0.05, qPrintable(QString::number(meter.report().truePeak)));
        if (amplitude < 0.5)
            QVERIFY(out == in);
        else // limited, not silenced: the middle of the tone sits just below the ceiling
            QVERIFY(signal::peak(std::vector<float>(out.begin() + rate, out.end() - rate)) > 0.8);
    }
};

QTEST_GUILESS_MAIN(TestLoudness)
#include "tst_loudness.moc"

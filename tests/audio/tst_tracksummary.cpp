#include "SignalUtil.h"
#include "audio/AudioEditor.h"
#include "audio/SpectralAnalysis.h"
#include "audio/TrackCommands.h"
#include "audio/TrackSummary.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

// The min/max summaries behind the waveform view and the spectra behind the spectral view.
class TestTrackSummary : public QObject {
    Q_OBJECT

    // Min/max and the sum of squares of every channel computed from the samples themselves.
    static std::vector<MinMax> bruteForce(const AudioEditor& e, qint64 start, qint64 count, std::vector<double>& squares)
    {
        std::vector<MinMax> out(size_t(e.channels()));
        squares.assign(size_t(e.channels()), 0.0);
        const auto data = signal::range(e, start, count);
        for (size_t i = 0; i < data.size(); ++i) {
            out[i % size_t(e.channels())].add(data[i]);
            squares[i % size_t(e.channels())] += double(data[i]) * double(data[i]);
        }
        return out;
    }

    // Random spans of every size, from a few frames to the whole track, plus block-aligned ones.
    static void compareSpans(const AudioEditor& e, quint32 seed)
    {
        QRandomGenerator rng(seed);
        TrackSummary summary(e.samples());
        std::vector<MinMax> got(size_t(e.channels()));
        std::vector<double> gotSquares(size_t(e.channels())), wantSquares;
        const qint64 n = e.frames();
        std::vector<std::pair<qint64, qint64>> spans = {{0, n}, {0, 1}, {n - 1, 1}, {65536, 65536}, {256, 4096}};
        for (int i = 0; i < 150; ++i) {
            const qint64 len = 1 + rng.bounded(qint64(1) << rng.bounded(1, 19)) % n;
            spans.emplace_back(rng.bounded(n - len + 1), len);
        }
        for (auto [start, len] : spans) {
            if (start < 0 || start + len > n)
                continue;
            QVERIFY(summary.levels(start, len, got.data(), gotSquares.data()));
            const auto want = bruteForce(e, start, len, wantSquares);
            for (int c = 0; c < e.channels(); ++c) {
                if (!(got[size_t(c)] == want[size_t(c)]))
                    QFAIL(qPrintable(QStringLiteral("span %1+%2 channel %3: %4..%5, expected %6..%7")
                                         .arg(start).arg(len).arg(c).arg(got[size_t(c)].min).arg(got[size_t(c)].max)
                                         .arg(want[size_t(c)].min).arg(want[size_t(c)].max)));
                // The summaries keep their sums as floats: equal to a few parts in a million.
                const double g = gotSquares[size_t(c)], w = wantSquares[size_t(c)];
                if (std::fabs(g - w) > 1e-5 * w + 1e-9)
                    QFAIL(qPrintable(QStringLiteral("span %1+%2 channel %3: squares %4, expected %5")
                                         .arg(start).arg(len).arg(c).arg(g).arg(w)));
            }
        }
    }

private slots:
    void summaryEqualsSamplesAfterEdits_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("spill");
        QTest::newRow("loaded") << QStringList{} << false;
        QTest::newRow("loaded, spilled to files") << QStringList{} << true;
        QTest::newRow("insert in the middle") << QStringList{"insert"} << false;
        QTest::newRow("cut") << QStringList{"select", "m_cut"} << false;
        QTest::newRow("cut and paste, spilled") << QStringList{"select", "m_cut", "cursor", "m_paste"} << true;
        QTest::newRow("amplify (a gain view)") << QStringList{"select", "m_amp_plus"} << false;
        QTest::newRow("invert (min and max swap)") << QStringList{"select", "m_invert"} << false;
        QTest::newRow("fade (new blocks)") << QStringList{"select", "m_fade_plus"} << false;
        QTest::newRow("silence inserted") << QStringList{"cursor", "m_silence_insert"} << false;
        QTest::newRow("undo") << QStringList{"select", "m_cut", "m_undo"} << false;
        QTest::newRow("undo and redo") << QStringList{"select", "m_invert", "m_undo", "m_redo"} << false;
        QTest::newRow("mix paste") << QStringList{"select", "m_copy", "cursor", "m_mix"} << false;
    }

    void summaryEqualsSamplesAfterEdits()
    {
        QFETCH(QStringList, steps);
        QFETCH(bool, spill);
        QTemporaryDir tmp;
        AudioEditor e;
        e.setTempFolder(tmp.path());
        if (spill)
            e.setMemoryBudget(0);
        // Noise with a louder stretch, so minima and maxima sit at different places per channel.
        auto in = signal::noise(44100, 2, 6.0, 0.5);
        for (size_t i = 50000 * 2; i < 60000 * 2; i += 3)
            in[i] *= 1.8f;
        signal::load(e, 44100, 2, in);
        QRandomGenerator rng(7);
        for (const QString& step : steps) {
            if (step == "insert") {
                const auto extra = signal::sine(44100, 2, 0.3, 440, 0.9);
                QVERIFY(e.insertSamples(70001, extra.data(), qint64(extra.size()) / 2).ok());
            } else if (step == "select") {
                e.setSelection(12345, 100000 + rng.bounded(50000));
            } else if (step == "cursor") {
                e.clearSelection();
                e.setCursor(200003);
            } else {
                QVERIFY2(trackcommands::run(e, step).ok(), qPrintable(step));
            }
        }
        compareSpans(e, 42);
    }

    void wholeTrackReadsFewSamples()
    {
        // Summaries serve whole blocks and buckets: only the buckets cut by the span's ends are read.
        AudioEditor e;
        signal::load(e, 44100, 2, signal::noise(44100, 2, 10.0, 0.5));
        QVERIFY(trackcommands::run(e, "m_amp_plus").ok());
        TrackSummary summary(e.samples());
        MinMax m[2];
        QVERIFY(summary.minMax(0, e.frames(), m));
        QCOMPARE(summary.framesRead(), 0);
        QVERIFY(summary.minMax(1000, e.frames() - 2000, m));
        QVERIFY(summary.framesRead() <= 2 * BlockSummary::kFineFrames);
    }

    void columnsCoverTheTrack()
    {
        AudioEditor e;
        auto in = signal::noise(8000, 1, 2.0, 0.5);
        in[12345] = 0.99f;
        signal::load(e, 8000, 1, in);
        TrackSummary summary(e.samples());
        std::vector<MinMax> cols;
        std::vector<float> rms;
        QVERIFY(summary.columns(0, 100.0, 170, cols, &rms));
        QCOMPARE(cols[123].max, 0.99f); // frame 12345 lies in column 123
        QVERIFY(!cols[159].empty());
        QVERIFY(cols[160].empty()); // past the end
        QCOMPARE(rms[160], 0.0f);
        const double want = signal::rms(in, 1, 0, 4000, 100); // column 40
        QVERIFY2(std::fabs(rms[40] - want) < 1e-5, qPrintable(QString("%1 %2").arg(rms[40]).arg(want)));
    }

    void spectrumPeaksAtTheSine_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<double>("hz");
        QTest::newRow("1 kHz at 44.1 kHz") << 44100 << 1000.0;
        QTest::newRow("220 Hz at 44.1 kHz") << 44100 << 220.0;
        QTest::newRow("5 kHz at 22.05 kHz") << 22050 << 5000.0;
        QTest::newRow("3 kHz at 8 kHz") << 8000 << 3000.0;
    }

    void spectrumPeaksAtTheSine()
    {
        QFETCH(int, rate);
        QFETCH(double, hz);
        AudioEditor e;
        signal::load(e, rate, 2, signal::sine(rate, 2, 1.0, hz, 0.5));
        SpectralAnalysis a;
        const float* levels = a.column(e.samples(), 3, 1000.0); // centred on frame 3500
        QVERIFY(levels);
        for (int c = 0; c < 2; ++c) {
            const float* ch = levels + size_t(c) * size_t(a.bins());
            const int peak = int(std::max_element(ch, ch + a.bins()) - ch);
            QCOMPARE(peak, int(std::lround(hz * a.size() / rate)));
            QVERIFY2(std::fabs(ch[peak] - (-6.0f)) < 1.5f, qPrintable(QString::number(ch[peak]))); // half scale
        }
    }

    // Sixteen columns a frame: a screen of 128 frames needs two spectra, not 2048.
    void deepZoomColumnsShareSpectra()
    {
        AudioEditor e;
        signal::load(e, 44100, 2, signal::noise(44100, 2, 1.0, 0.5));
        SpectralAnalysis a;
        a.setTrack(e.samples(), 1.0 / 16);
        a.prepare(0, 2048);
        for (int k = 0; k < 2048; ++k)
            QVERIFY(a.column(k));
        QCOMPARE(a.computations(), 2);
        // Column 0 shows the spectrum centred on frame 32, as a zoom of 64 frames a column does.
        const float* deep = a.column(0);
        const std::vector<float> deepLevels(deep, deep + 2 * a.bins());
        SpectralAnalysis b;
        const float* wide = b.column(e.samples(), 0, 64.0);
        QVERIFY(std::equal(deepLevels.begin(), deepLevels.end(), wide));
    }

    void spectrumIsComputedOnceUntilTheTrackChanges()
    {
        AudioEditor e;
        signal::load(e, 44100, 2, signal::noise(44100, 2, 2.0, 0.5));
        SpectralAnalysis a;
        for (int k = 0; k < 50; ++k)
            QVERIFY(a.column(e.samples(), k, 512.0));
        QCOMPARE(a.computations(), 50);
        for (int k = 0; k < 50; ++k)
            a.column(e.samples(), k, 512.0);
        e.setSelection(100, 200); // not a change of samples
        a.column(e.samples(), 3, 512.0);
        QCOMPARE(a.computations(), 50);
        QVERIFY(trackcommands::run(e, "m_amp_minus").ok());
        a.column(e.samples(), 3, 512.0);
        QCOMPARE(a.computations(), 51);
        QVERIFY(e.Undo());
        a.column(e.samples(), 3, 512.0);
        QCOMPARE(a.computations(), 52);
        a.column(e.samples(), 3, 256.0); // another zoom
        QCOMPARE(a.computations(), 53);
    }
};

QTEST_GUILESS_MAIN(TestTrackSummary)
#include "tst_tracksummary.moc"

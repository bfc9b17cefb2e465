#include "SignalUtil.h"
#include "audio/AudioEditor.h"
#include "audio/TrackCommands.h"

#include <QtTest>

#include <cmath>

// Every effect of the track editor measured on generated signals.
class TestAudioEffects : public QObject {
    Q_OBJECT

private:
    // Gain of a command (or effect) for a sine of hz on a mono track: output RMS / input RMS,
    // measured after the filter has settled.
    static double gainAt(const QString& command, int rate, double hz)
    {
        AudioEditor e;
        signal::load(e, rate, 1, signal::sine(rate, 1, 1.0, hz, 0.5));
        const AudioStatus s = trackcommands::run(e, command);
        if (!s.ok())
            return -1;
        const auto out = signal::all(e);
        const qint64 from = rate / 2, n = rate / 2 - 10;
        return signal::rms(out, 1, 0, from, n) / (0.5 / std::sqrt(2.0));
    }

private slots:
    void amplifyScalesRms_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<double>("factor");
        QTest::newRow("plus") << "m_amp_plus" << 1.2;
        QTest::newRow("minus") << "m_amp_minus" << 0.8;
    }
    void amplifyScalesRms()
    {
        QFETCH(QString, command);
        QFETCH(double, factor);
        AudioEditor e;
        const auto in = signal::sine(44100, 2, 1.0, 440, 0.5);
        signal::load(e, 44100, 2, in);
        QVERIFY(trackcommands::run(e, command).ok());
        const auto out = signal::all(e);
        QCOMPARE(out.size(), in.size());
        QVERIFY(std::fabs(signal::rms(out, 2, 1, 0, 44100) / signal::rms(in, 2, 1, 0, 44100) - factor) < 1e-4);
    }

    void effectTouchesOnlyTheSelection()
    {
        AudioEditor e;
        const auto in = signal::sine(8000, 1, 1.0, 200, 0.5);
        signal::load(e, 8000, 1, in);
        e.setSelection(2000, 4000);
        QVERIFY(e.amplify(200.0f).ok());
        const auto out = signal::all(e);
        for (qint64 i = 0; i < 8000; ++i) {
            const double expected = (i >= 2000 && i < 6000) ? 2.0 * in[size_t(i)] : in[size_t(i)];
            QVERIFY2(std::fabs(out[size_t(i)] - expected) < 1e-6, qPrintable(QString::number(i)));
        }
    }

    void fadeFollowsALinearEnvelope()
    {
        AudioEditor e;
        const std::vector<float> dc(1001, 0.5f);
        signal::load(e, 8000, 1, dc);
        QVERIFY(trackcommands::run(e, "m_fade_plus").ok());
        auto out = signal::all(e);
        QCOMPARE(out[0], 0.0f);
        QVERIFY(std::fabs(out[500] - 0.25f) < 1e-5);
        QVERIFY(std::fabs(out[1000] - 0.5f) < 1e-5);
        QVERIFY(std::fabs(out[250] - 0.125f) < 1e-5);
        QVERIFY(e.Undo());
        QVERIFY(trackcommands::run(e, "m_fade_minus").ok());
        out = signal::all(e);
        QVERIFY(std::fabs(out[0] - 0.5f) < 1e-6);
        QVERIFY(std::fabs(out[750] - 0.125f) < 1e-5);
        QCOMPARE(out[1000], 0.0f);
    }

    void normalizeSetsThePeakAndKeepsTheBalance()
    {
        AudioEditor e;
        auto in = signal::sine(22050, 2, 0.5, 300, 0.3);
        for (size_t i = 1; i < in.size(); i += 2)
            in[i] *= 0.5f; // right channel at half the left
        signal::load(e, 22050, 2, in);
        QVERIFY(trackcommands::run(e, "m_norm").ok());
        const auto out = signal::all(e);
        QVERIFY(std::fabs(signal::peak(out) - 0.9) < 1e-5);
        const double ratio = signal::rms(out, 2, 1, 0, 11025) / signal::rms(out, 2, 0, 0, 11025);
        QVERIFY(std::fabs(ratio - 0.5) < 1e-4);
        // Each channel on its own: both reach the target.
        QVERIFY(e.Undo());
        QVERIFY(e.normalize(50.0f, false).ok());
        const auto sep = signal::all(e);
        double l = 0, r = 0;
        for (size_t i = 0; i < sep.size(); i += 2) {
            l = std::max(l, double(std::fabs(sep[i])));
            r = std::max(r, double(std::fabs(sep[i + 1])));
        }
        QVERIFY(std::fabs(l - 0.5) < 1e-5 && std::fabs(r - 0.5) < 1e-5);
    }

    void normalizeOfSilenceChangesNothing()
    {
        AudioEditor e;
        signal::load(e, 8000, 1, std::vector<float>(800, 0.0f));
        QVERIFY(e.normalize(90.0f, true).ok());
        QCOMPARE(signal::peak(signal::all(e)), 0.0);
    }

    void invertNegatesEverySample()
    {
        AudioEditor e;
        const auto in = signal::noise(16000, 2, 0.2, 0.7);
        signal::load(e, 16000, 2, in);
        QVERIFY(trackcommands::run(e, "m_invert").ok());
        const auto out = signal::all(e);
        for (size_t i = 0; i < in.size(); ++i)
            QCOMPARE(out[i], -in[i]);
    }

    void delayGivesDecayingEchoes()
    {
        AudioEditor e;
        std::vector<float> impulse(44100, 0.0f);
        impulse[0] = 1.0f;
        signal::load(e, 44100, 1, impulse);
        QVERIFY(trackcommands::run(e, "m_delay").ok());
        const auto out = signal::all(e);
        const size_t d = 5292; // 120 ms at 44.1 kHz
        QVERIFY(std::fabs(out[0] - 0.85f) < 1e-6);
        QVERIFY(std::fabs(out[d] - 0.10f) < 1e-6);
        QVERIFY(std::fabs(out[2 * d] - 0.01f) < 1e-6);
        QCOMPARE(out[d / 2], 0.0f);
        QCOMPARE(out.size(), impulse.size()); // the echo does not lengthen the track
    }

    void flangerMixesASweptDelay()
    {
        AudioEditor e;
        std::vector<float> impulse(8000, 0.0f);
        impulse[0] = 1.0f;
        signal::load(e, 8000, 1, impulse);
        QVERIFY(trackcommands::run(e, "m_flanger").ok());
        const auto out = signal::all(e);
        QVERIFY(std::fabs(out[0] - 0.5f) < 1e-6);
        // At the start the sweep sits at 7.5 ms of its 5..10 ms range: 60 frames at 8 kHz.
        double echo = 0, elsewhere = 0;
        for (int i = 1; i < 200; ++i)
            (std::abs(i - 60) <= 2 ? echo : elsewhere) += std::fabs(out[size_t(i)]);
        QVERIFY2(std::fabs(echo - 0.5) < 0.02, qPrintable(QString::number(echo)));
        // The feedback (30 %) brings a second, weaker echo one delay later.
        double second = 0;
        for (int i = 115; i < 125; ++i)
            second += std::fabs(out[size_t(i)]);
        QVERIFY2(std::fabs(second - 0.15) < 0.02, qPrintable(QString::number(second)));
    }

    void vibratoSwingsThePitchBy25Cents()
    {
        AudioEditor e;
        const int rate = 44100;
        signal::load(e, rate, 1, signal::sine(rate, 1, 1.0, 1000, 0.5));
        QVERIFY(trackcommands::run(e, "m_vibrato").ok());
        const auto out = signal::all(e);
        double lo = 1e9, hi = 0;
        for (qint64 start = 2000; start + 441 < rate; start += 441) { // 10 ms windows
            const double f = signal::frequency(out, 1, rate, start, 441);
            lo = std::min(lo, f);
            hi = std::max(hi, f);
        }
        const double swing = 1000.0 * (std::pow(2.0, 25.0 / 1200.0) - 1.0); // 14.5 Hz
        QVERIFY2(std::fabs(hi - 1000.0 - swing) < 3.0, qPrintable(QString::number(hi)));
        QVERIFY2(std::fabs(1000.0 - lo - swing) < 3.0, qPrintable(QString::number(lo)));
    }

    void stretchChangesTheLengthAndKeepsThePitch_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<double>("factor");
        QTest::newRow("plus") << "m_stretch_plus" << 1.2;
        QTest::newRow("minus") << "m_stretch_minus" << 0.8;
    }
    void stretchChangesTheLengthAndKeepsThePitch()
    {
        QFETCH(QString, command);
        QFETCH(double, factor);
        AudioEditor e;
        const int rate = 22050;
        signal::load(e, rate, 2, signal::sine(rate, 2, 2.0, 440, 0.5));
        QVERIFY(trackcommands::run(e, command).ok());
        QVERIFY2(std::fabs(double(e.frames()) / (2.0 * rate) - factor) < 0.01, qPrintable(QString::number(e.frames())));
        const auto out = signal::all(e);
        const double f = signal::frequency(out, 2, rate, e.frames() / 4, e.frames() / 2);
        QVERIFY2(std::fabs(f - 440.0) < 5.0, qPrintable(QString::number(f)));
    }

    void insertSilenceAddsHalfASecondAtTheCursor()
    {
        AudioEditor e;
        const auto in = signal::sine(16000, 1, 1.0, 500, 0.5);
        signal::load(e, 16000, 1, in);
        e.setCursor(4000);
        QVERIFY(trackcommands::run(e, "m_silence_insert").ok());
        QCOMPARE(e.frames(), 24000);
        const auto out = signal::all(e);
        QCOMPARE(signal::peak(std::vector<float>(out.begin() + 4000, out.begin() + 12000)), 0.0);
        QCOMPARE(out[12000 + 100], in[4000 + 100]);
        QCOMPARE(out[3999], in[3999]);
    }

    void removeSilenceShortensLongPausesOnly()
    {
        const int rate = 8000;
        std::vector<float> in;
        const auto tone = signal::sine(rate, 1, 1.0, 300, 0.5);
        const auto append = [&](const std::vector<float>& part) { in.insert(in.end(), part.begin(), part.end()); };
        append(tone);
        append(signal::noise(rate, 1, 3.0, 0.005)); // -46 dBFS: counts as silence
        append(tone);
        append(std::vector<float>(rate / 2, 0.0f)); // shorter than a second: kept
        append(tone);
        AudioEditor e;
        signal::load(e, rate, 1, in);
        QVERIFY(trackcommands::run(e, "m_silence_remove").ok());
        const double seconds = double(e.frames()) / rate;
        QVERIFY2(std::fabs(seconds - 3.8) < 0.03, qPrintable(QString::number(seconds)));
        const auto out = signal::all(e);
        QCOMPARE(out[size_t(rate / 2)], in[size_t(rate / 2)]);
        QCOMPARE(out.back(), in.back());
    }

    void commandFrequenciesFollowTheRate()
    {
        QCOMPARE(trackcommands::commandFrequency("m_band_pass", 44100), 220.5f);
        QCOMPARE(trackcommands::commandFrequency("m_low_pass", 44100), 441.0f);
        QCOMPARE(trackcommands::commandFrequency("m_high_pass", 44100), 882.0f);
        QCOMPARE(trackcommands::commandFrequency("m_low_shelf", 44100), 110.25f);
        QCOMPARE(trackcommands::commandFrequency("m_high_shelf", 44100), 882.0f);
        QCOMPARE(trackcommands::commandFrequency("m_band_pass", 22050), 110.25f);
    }

    void filtersHaveTheirResponse_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("rate");
        QTest::addColumn<double>("hz");
        QTest::addColumn<double>("gain");
        QTest::addColumn<double>("tolerance");
        // Band pass at R/200 with Q 1: unity at the centre, about 1/10 a decade away.
        QTest::newRow("band pass centre") << "m_band_pass" << 44100 << 220.5 << 1.0 << 0.02;
        QTest::newRow("band pass 22 kHz track") << "m_band_pass" << 22050 << 110.25 << 1.0 << 0.02;
        QTest::newRow("band pass decade up") << "m_band_pass" << 44100 << 2205.0 << 0.1 << 0.01;
        // Low pass at R/100, Q 0.5: half at the corner, 1/100 a decade above.
        QTest::newRow("low pass pass band") << "m_low_pass" << 44100 << 40.0 << 1.0 << 0.03;
        QTest::newRow("low pass corner") << "m_low_pass" << 44100 << 441.0 << 0.5 << 0.02;
        QTest::newRow("low pass decade up") << "m_low_pass" << 44100 << 4410.0 << 0.0099 << 0.002;
        // High pass at R/50, Q 1: unity at the corner, 1/100 a decade below.
        QTest::newRow("high pass corner") << "m_high_pass" << 44100 << 882.0 << 1.0 << 0.02;
        QTest::newRow("high pass decade down") << "m_high_pass" << 44100 << 88.2 << 0.0101 << 0.002;
        QTest::newRow("high pass pass band") << "m_high_pass" << 44100 << 10000.0 << 1.0 << 0.02;
        // Shelves of -10 dB: the full cut far inside, half of it (in dB) at the corner.
        QTest::newRow("low shelf inside") << "m_low_shelf" << 44100 << 20.0 << 0.33 << 0.03;
        QTest::newRow("low shelf corner") << "m_low_shelf" << 44100 << 110.25 << 0.562 << 0.02;
        QTest::newRow("low shelf outside") << "m_low_shelf" << 44100 << 5000.0 << 1.0 << 0.02;
        QTest::newRow("high shelf inside") << "m_high_shelf" << 44100 << 15000.0 << 0.33 << 0.03;
        QTest::newRow("high shelf corner") << "m_high_shelf" << 44100 << 882.0 << 0.562 << 0.02;
        QTest::newRow("high shelf outside") << "m_high_shelf" << 44100 << 50.0 << 1.0 << 0.02;
    }
    void filtersHaveTheirResponse()
    {
        QFETCH(QString, command);
        QFETCH(int, rate);
        QFETCH(double, hz);
        QFETCH(double, gain);
        QFETCH(double, tolerance);
        const double measured = gainAt(command, rate, hz);
        QVERIFY2(std::fabs(measured - gain) < tolerance, qPrintable(QString::number(measured)));
    }

    void effectsOnAnEmptyTrackFail()
    {
        AudioEditor e;
        e.NewTrack();
        QCOMPARE(e.amplify(120.0f).code, AudioStatus::Failed);
        QCOMPARE(e.undoCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestAudioEffects)
#include "tst_audioeffects.moc"

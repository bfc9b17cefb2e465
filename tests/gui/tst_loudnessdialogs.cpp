// The "Loudness" and "Export for publishing" dialogs on a real episode form: their texts read
// back, Apply and the options they hand on. With VELMORA_SCREENSHOTS set to a folder, each dialog
// is saved there as a picture (for the manual).

#include "../app/SessionHarness.h"
#include "../audio/SignalUtil.h"
#include "app/EpisodeForm.h"
#include "app/TrackDevices.h"
#include "gui/LoudnessDialog.h"
#include "gui/PublishDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

struct Fixture {
    SessionHarness h;
    NullTrackDevices devices;
    std::unique_ptr<EpisodeForm> form;

    Fixture()
    {
        h.startWithLocalEpisode();
        form = std::make_unique<EpisodeForm>(*h.session, devices);
        form->load(0);
        // Quiet speech-like bursts with a loud click: the gain needs the limiter.
        std::vector<float> bursts = signal::noise(44100, 2, 8.0, 0.05);
        for (size_t i = 0; i < 400; ++i)
            bursts[44100 * 2 * 4 + i] = 0.9f;
        signal::load(form->editor(), 44100, 2, bursts);
    }
};

void shoot(QWidget& w, const char* name)
{
    const QByteArray folder = qgetenv("VELMORA_SCREENSHOTS");
    if (!folder.isEmpty())
        w.grab().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + QLatin1String(name));
}

} // namespace

class TestLoudnessDialogs : public QObject {
    Q_OBJECT
private slots:
    void loudnessDialogShowsBeforeAndAfter()
    {
        Fixture f;
        const LoudnessReport measured = f.form->measureLoudness();
        LoudnessDialog dialog(*f.form, measured);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QString("Loudness"));
        QCOMPARE(dialog.findChild<QLabel*>("before")->text(), LoudnessDialog::describe(measured));
        QVERIFY(dialog.findChild<QLabel*>("before")->text().endsWith(" dBTP"));
        QCOMPARE(dialog.findChild<QComboBox*>("targetPreset")->currentText(), QString("-16 LUFS (podcast, stereo)"));
        QVERIFY(!dialog.findChild<QDoubleSpinBox*>("targetCustom")->isEnabled());
        dialog.findChild<QPushButton*>("apply")->click();
        const QString after = dialog.findChild<QLabel*>("after")->text();
        QVERIFY2(after.startsWith("-16.0 LUFS integrated"), qPrintable(after));
        QVERIFY(after.contains(" s limited)"));
        QCOMPARE(f.form->editor().undoCount(), 2); // the load, then the loudness
        QVERIFY(f.form->trackModified());
        shoot(dialog, "loudness-dialog.png");
    }

    void loudnessDialogRefusesSilence()
    {
        Fixture f;
        signal::load(f.form->editor(), 44100, 2, signal::sine(44100, 2, 3.0, 300, 0.0));
        LoudnessDialog dialog(*f.form, f.form->measureLoudness());
        QCOMPARE(dialog.findChild<QLabel*>("before")->text(), QString("the audio is silent: it has no loudness to measure"));
        QVERIFY(!dialog.findChild<QPushButton*>("apply")->isEnabled());
    }

    void publishDialogHandsOnItsOptions()
    {
        Fixture f;
        PublishOptions defaults = f.form->publishingDefaults();
        defaults.tags.chapters = {{0, "Intro"}, {4, "Outro"}};
        PublishDialog dialog(defaults);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QString("Export for publishing"));
        QCOMPARE(dialog.findChild<QLabel*>("chapters")->text(), QString("2, also written as a chapters file beside the MP3"));
        auto* preset = dialog.findChild<QComboBox*>("targetPreset");
        preset->setCurrentIndex(preset->count() - 1); // Custom
        auto* custom = dialog.findChild<QDoubleSpinBox*>("targetCustom");
        QVERIFY(custom->isEnabled());
        custom->setValue(-18.5);
        dialog.findChild<QCheckBox*>("vbr")->setChecked(true);
        dialog.findChild<QCheckBox*>("mono")->setChecked(true);
        dialog.findChild<QComboBox*>("id3Version")->setCurrentIndex(1);
        shoot(dialog, "publish-dialog.png");
        const PublishOptions o = dialog.options();
        QCOMPARE(o.targetLufs, -18.5);
        QCOMPARE(o.ceilingDbtp, -1.0);
        QCOMPARE(o.encoder.mp3VbrQuality, 4);
        QCOMPARE(o.encoder.maxChannels, 1);
        QCOMPARE(o.tags.id3Version, 4);
        QCOMPARE(o.tags.fields.title, QString("Episode 1"));
        QCOMPARE(o.tags.chapters.size(), size_t(2));
    }
};

QTEST_MAIN(TestLoudnessDialogs)
#include "tst_loudnessdialogs.moc"

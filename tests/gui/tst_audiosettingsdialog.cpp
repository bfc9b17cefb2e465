#include "audio/RecordingDevice.h"
#include "gui/AudioSettingsDialog.h"
#include "store/IniFile.h"
#include "store/Settings.h"
#include "support/FakeAudioSystem.h"
#include "support/FakePrompts.h"
#include "support/TestUtil.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

template <typename T>
T* child(QWidget& d, const char* name)
{
    T* w = d.findChild<T*>(QLatin1String(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

const char kStored[] = "[Options]\r\nRecDevice=1\r\nRecLine=0\r\npVolMic=40000\r\nBufPar1=800\r\nBufPar2=8\r\n"
                       "BufPar3=25\r\nTempDir=/var/tmp/velmora\r\nUndoRedo=20\r\nDefTrack=4\r\nDefTitle=Pilot\r\n"
                       "DefArtist=Ann Lee\r\nDefAlbum=Season 1\r\nDefYear=2024\r\nDefComment=Made at home\r\n";

} // namespace

// The dialog's fields read settings.ini and write it back under the same keys.
class TestAudioSettingsDialog : public QObject {
    Q_OBJECT

    FakeAudioSystem m_audio;

private slots:
    void initTestCase()
    {
        m_audio.devices = {{"usb", "USB Microphone", 1, false}, {"card", "Built-in Audio", 2, true}};
    }

    void fieldsRoundTripThroughTheSettingsFile()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("settings.ini");
        QVERIFY(testutil::writeFile(ini, kStored));
        Settings settings;
        QVERIFY(settings.load(ini));
        RecordingDevice device(m_audio);
        FakePrompts prompts;
        AudioSettingsDialog dialog(device, settings, prompts);
        QCOMPARE(dialog.windowTitle(), QString("Audio settings"));
        auto* tabs = child<QTabWidget>(dialog, "TabStrip1");
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), QString("Devices"));
        QCOMPARE(tabs->tabText(1), QString("Buffers and folders"));
        QCOMPARE(tabs->tabText(2), QString("Tags"));

        auto* deviceList = child<QComboBox>(dialog, "Device");
        auto* lineList = child<QComboBox>(dialog, "Line");
        QCOMPARE(deviceList->currentText(), QString("Built-in Audio"));
        QCOMPARE(lineList->count(), 3);
        QCOMPARE(lineList->currentText(), QString("Mono"));
        QCOMPARE(child<QSlider>(dialog, "Level")->value(), 40000);
        const QStringList texts = {"800", "8", "25", "/var/tmp/velmora", "20", "4",
                                   "Pilot", "Ann Lee", "Season 1", "2024", "Made at home"};
        const char* names[] = {"BufPar1", "BufPar2", "BufPar3", "TempDir", "UndoRedo", "DefTrack",
                               "DefTitle", "DefArtist", "DefAlbum", "DefYear", "DefComment"};
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(child<QLineEdit>(dialog, names[i])->text(), texts[i]);

        // Another device: its lines replace the list; the folder comes from the chooser.
        deviceList->setCurrentIndex(1);
        emit deviceList->activated(1);
        QCOMPARE(lineList->count(), 2);
        QCOMPARE(lineList->currentIndex(), 0);
        child<QSlider>(dialog, "Level")->setValue(12345);
        prompts.queueFile("/srv/scratch");
        child<QPushButton>(dialog, "Browse")->click();
        child<QLineEdit>(dialog, "BufPar1")->setText("1200");
        child<QLineEdit>(dialog, "DefYear")->setText("next year");
        child<QPushButton>(dialog, "OK")->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(settings.save(ini));

        IniFile file;
        QCOMPARE(file.load(ini), IniFile::LoadResult::Loaded);
        const QList<std::pair<const char*, const char*>> expected = {
            {"RecDevice", "0"}, {"RecLine", "-1"}, {"pVolMic", "12345"}, {"BufPar1", "1200"}, {"BufPar2", "8"},
            {"BufPar3", "25"}, {"TempDir", "/srv/scratch"}, {"UndoRedo", "20"}, {"DefTrack", "4"},
            {"DefTitle", "Pilot"}, {"DefArtist", "Ann Lee"}, {"DefAlbum", "Season 1"},
            {"DefYear", "next year"}, {"DefComment", "Made at home"}};
        for (const auto& [key, value] : expected)
            QCOMPARE(file.value("Options", key), QString(value));
    }

    void cancelChangesNothing()
    {
        Settings settings;
        settings.setDefaults("/home/u", QSize(15000, 12000));
        const Settings before = settings;
        RecordingDevice device(m_audio);
        FakePrompts prompts;
        AudioSettingsDialog dialog(device, settings, prompts);
        bool applied = false;
        dialog.onApplied = [&] { applied = true; };
        auto* deviceList = child<QComboBox>(dialog, "Device");
        deviceList->setCurrentIndex(2);
        emit deviceList->activated(2);
        child<QSlider>(dialog, "Level")->setValue(3);
        child<QLineEdit>(dialog, "DefTitle")->setText("Changed");
        child<QPushButton>(dialog, "Cancel")->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!applied);
        QVERIFY(settings == before);
        QCOMPARE(device.device(), -1);
        QCOMPARE(device.level(), RecordingDevice::kMaxLevel);
    }
};

QTEST_MAIN(TestAudioSettingsDialog)
#include "tst_audiosettingsdialog.moc"

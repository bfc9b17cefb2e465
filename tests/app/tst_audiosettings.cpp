#include "app/AudioSettingsForm.h"
#include "app/RecordingDefaults.h"
#include "audio/AudioTypes.h"
#include "audio/RecordingDevice.h"
#include "store/Settings.h"
#include "support/FakeAudioSystem.h"
#include "support/FakePrompts.h"

#include <QtTest>

namespace {

FakeAudioSystem twoDevices()
{
    FakeAudioSystem audio;
    audio.devices = {{"usb", "USB Microphone", 1, false}, {"card", "Built-in Audio", 2, true}};
    return audio;
}

} // namespace

class TestAudioSettings : public QObject {
    Q_OBJECT
private slots:
    void devicesAndLinesWithTheirDefaults()
    {
        FakeAudioSystem audio = twoDevices();
        RecordingDevice device(audio);
        AudioSettingsForm form(device);
        Settings s;
        s.setDefaults("/home/u", QSize(15000, 12000));
        form.fill(s);
        // -1 is the first row, "Default", in both lists; the default device is the built-in one.
        QCOMPARE(form.deviceRows(), (QStringList{"Default", "USB Microphone", "Built-in Audio"}));
        QCOMPARE(form.deviceRow(), 0);
        QCOMPARE(form.lineRows(), (QStringList{"Default", "Mono", "Stereo"}));
        QCOMPARE(device.channels(), 2);
        form.chooseDevice(1);
        QCOMPARE(form.lineRows(), (QStringList{"Default", "Mono"}));
        QCOMPARE(device.channels(), 1);
        // Each line keeps its own level.
        form.chooseLine(1);
        form.setLevel(1000);
        form.chooseLine(0);
        QCOMPARE(form.level(), RecordingDevice::kMaxLevel);
        form.chooseLine(1);
        QCOMPARE(form.level(), 1000);
        form.store(s);
        QCOMPARE(s.recDevice, 0);
        QCOMPARE(s.recLine, 0);
        QCOMPARE(s.pVolMic, 1000);
    }

    void cancelPutsTheDeviceBack()
    {
        FakeAudioSystem audio = twoDevices();
        RecordingDevice device(audio);
        AudioSettingsForm form(device);
        Settings s;
        s.setDefaults("/home/u", QSize(15000, 12000));
        s.recDevice = 1;
        s.recLine = 0;
        s.pVolMic = 30000;
        form.fill(s);
        QCOMPARE(form.deviceRow(), 2);
        QCOMPARE(form.lineRow(), 1);
        QCOMPARE(form.level(), 30000);
        form.chooseDevice(0);
        form.setLevel(5);
        form.cancel();
        QCOMPARE(device.device(), 1);
        QCOMPARE(device.line(), 0);
        QCOMPARE(device.level(), 30000);
    }

    void aStoredDeviceThatIsGoneFallsBackToTheDefault()
    {
        FakeAudioSystem audio = twoDevices();
        RecordingDevice device(audio);
        device.selectDevice(5);
        QCOMPARE(device.device(), -1);
        device.selectDevice(0);
        device.selectLine(1); // the USB microphone has no stereo line
        QCOMPARE(device.line(), -1);
        FakeAudioSystem none;
        RecordingDevice nothing(none);
        QVERIFY(nothing.deviceNames().isEmpty());
        QVERIFY(nothing.lineNames().isEmpty());
    }

    void numbersThatAreNotNumbersKeepTheStoredValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint32>("stored");
        QTest::newRow("a number") << "750" << 750;
        QTest::newRow("blanks around it") << " 250 " << 250;
        QTest::newRow("a fraction is rounded") << "99.6" << 100;
        QTest::newRow("words") << "lots" << 500;
        QTest::newRow("empty") << "" << 500;
        QTest::newRow("too large") << "99999999999" << 500;
    }

    void numbersThatAreNotNumbersKeepTheStoredValues()
    {
        QFETCH(QString, text);
        QFETCH(qint32, stored);
        FakeAudioSystem audio;
        RecordingDevice device(audio);
        AudioSettingsForm form(device);
        Settings s;
        s.setDefaults("/home/u", QSize(15000, 12000));
        form.fill(s);
        form.bufPar1 = text;
        form.store(s);
        QCOMPARE(s.bufPar1, stored);
    }

    void browseReplacesTheTemporaryFolder()
    {
        FakeAudioSystem audio;
        RecordingDevice device(audio);
        AudioSettingsForm form(device);
        Settings s;
        s.setDefaults("/home/u", QSize(15000, 12000));
        form.fill(s);
        FakePrompts prompts;
        prompts.queueCancelledFile();
        QVERIFY(!form.browseTempDir(prompts));
        QCOMPARE(form.tempDir, QString("/home/u/Temp/"));
        prompts.queueFile("/mnt/fast");
        QVERIFY(form.browseTempDir(prompts));
        QCOMPARE(prompts.fileDialogs.last().initialPath, QString("/home/u/Temp/"));
        form.store(s);
        QCOMPARE(s.tempDir, QString("/mnt/fast"));
    }

    void defaultTagsOfANewRecording_data()
    {
        QTest::addColumn<QString>("track");
        QTest::addColumn<QString>("year");
        QTest::addColumn<int>("trackNumber");
        QTest::addColumn<int>("yearTag");
        QTest::newRow("numbers") << "7" << "2024" << 7 << 2024;
        QTest::newRow("a year that is not a number leaves the year") << "7" << "soon" << 7 << 1999;
        QTest::newRow("a track past 16 bits leaves the track") << "40000" << "2024" << 3 << 2024;
        QTest::newRow("empty texts leave both") << "" << "" << 3 << 1999;
        QTest::newRow("a fraction is no track number") << "7.5" << "2024" << 3 << 2024;
        QTest::newRow("blanks around the numbers are read") << " 12 " << " 2025" << 12 << 2025;
    }

    void defaultTagsOfANewRecording()
    {
        QFETCH(QString, track);
        QFETCH(QString, year);
        QFETCH(int, trackNumber);
        QFETCH(int, yearTag);
        Settings s;
        s.defTrack = track;
        s.defYear = year;
        s.defTitle = "Pilot";
        s.defArtist = "Ann";
        s.defAlbum = "Season 1";
        s.defComment = "Made here";
        AudioTags tags;
        tags.year = 1999;
        tags.trackNumber = 3;
        recordingdefaults::applyDefaultTags(tags, s);
        QCOMPARE(tags.title, QString("Pilot"));
        QCOMPARE(tags.artist, QString("Ann"));
        QCOMPARE(tags.album, QString("Season 1"));
        QCOMPARE(tags.comment, QString("Made here"));
        QCOMPARE(int(tags.trackNumber), trackNumber);
        QCOMPARE(int(tags.year), yearTag);
    }

    void firstStartTakesTheSystemsRecordingDevice()
    {
        FakeAudioSystem audio = twoDevices();
        Settings s;
        s.setDefaults("/home/u", QSize(15000, 12000));
        recordingdefaults::takeFromSystem(s, audio);
        QCOMPARE(s.recDevice, 1);
        QCOMPARE(s.recLine, 1); // its stereo line
        QCOMPARE(s.pVolMic, RecordingDevice::kMaxLevel);
        FakeAudioSystem none;
        recordingdefaults::takeFromSystem(s, none);
        QCOMPARE(s.recDevice, -1);
        QCOMPARE(s.recLine, -1);
    }
};

QTEST_GUILESS_MAIN(TestAudioSettings)
#include "tst_audiosettings.moc"

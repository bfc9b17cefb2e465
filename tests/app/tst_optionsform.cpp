#include "app/OptionsForm.h"
#include "store/Settings.h"
#include "support/FakePrompts.h"

#include <QtTest>

namespace {

// First-start settings with a template and non-default general options, as a user has them.
Settings usersSettings()
{
    Settings s;
    s.setDefaults(QStringLiteral("/home/u/velmora"), QSize(1920 * 15, 1080 * 15));
    s.templates = QStringLiteral("/home/u/feeds/template.rss");
    s.useTemplate = true;
    s.saveLog = true;
    s.findThat = QStringLiteral("interview");
    s.recDevice = 3;
    return s;
}

Settings acceptedUnchanged(const Settings& before)
{
    OptionsForm form;
    form.fill(before);
    Settings after = before;
    form.store(after);
    return after;
}

} // namespace

class TestOptionsForm : public QObject {
    Q_OBJECT
private slots:
    void listsAreOfferedHighestFirst()
    {
        QCOMPARE(OptionsForm::encoderNames(), (QStringList{"WAV", "MP3", "OGG"}));
        QCOMPARE(OptionsForm::sampleRates(), (QStringList{"48000", "44100", "32000", "24000", "22050",
                                                          "16000", "12000", "11025", "8000"}));
        QCOMPARE(OptionsForm::bitrates(), (QStringList{"320", "256", "224", "192", "160", "128", "112",
                                                       "96", "80", "64", "56", "48", "32", "16", "8"}));
        // The first-start level is the slider's top, so it opens at full level.
        Settings s;
        s.setDefaults(QStringLiteral("/p"), QSize(15000, 12000));
        QCOMPARE(s.pVolMic, OptionsForm::kVolMicMaximum);
    }

    void acceptingUnchangedKeepsEveryListedValue()
    {
        Settings s = usersSettings();
        QCOMPARE(acceptedUnchanged(s), s);
        for (qint16 channels : {0, 1}) {
            s.pMonoStereo = channels;
            QCOMPARE(acceptedUnchanged(s), s);
        }
        for (const QString& rate : OptionsForm::sampleRates()) {
            s.encoderSamples = rate.toInt();
            QCOMPARE(acceptedUnchanged(s).encoderSamples, rate.toInt());
        }
        for (const QString& rate : OptionsForm::bitrates()) {
            s.encoderBitrate = rate.toInt();
            QCOMPARE(acceptedUnchanged(s).encoderBitrate, rate.toInt());
        }
        for (qint32 encoder = 0; encoder < 3; ++encoder) {
            s.encoder = encoder;
            QCOMPARE(acceptedUnchanged(s).encoder, encoder);
        }
    }

    void unlistedRatesOpenUnselectedAndStoreZero()
    {
        Settings s = usersSettings();
        s.encoderBitrate = 100;
        s.encoderSamples = 44101;
        OptionsForm form;
        form.fill(s);
        QCOMPARE(form.bitrateIndex, -1);
        QCOMPARE(form.samplesIndex, -1);
        form.store(s);
        QCOMPARE(s.encoderBitrate, 0);
        QCOMPARE(s.encoderSamples, 0);
        // A missing key reads as 0, which no list entry matches either.
        s.encoderBitrate = 0;
        form.fill(s);
        QCOMPARE(form.bitrateIndex, -1);
    }

    void chosenValuesAreStored()
    {
        Settings s = usersSettings();
        const Settings before = s;
        OptionsForm form;
        form.fill(s);
        form.templates = QStringLiteral("/other.xml");
        form.volMic = 1200;
        form.encoderIndex = 2;
        form.samplesIndex = 8;
        form.bitrateIndex = 0;
        form.stereo = false;
        form.store(s);
        QCOMPARE(s.templates, QString("/other.xml"));
        QCOMPARE(s.pVolMic, 1200);
        QCOMPARE(s.encoder, 2);
        QCOMPARE(s.encoderSamples, 8000);
        QCOMPARE(s.encoderBitrate, 320);
        QCOMPARE(s.pMonoStereo, qint16(0));
        QCOMPARE(s.findThat, before.findThat); // not shown, left alone

        form.stereo = true;
        form.store(s);
        QCOMPARE(s.pMonoStereo, qint16(1));
    }

    void eachBoxStoresItsOwnFlag()
    {
        // Each box cleared alone changes its own flag and no other.
        using Flag = bool Settings::*;
        using Box = bool OptionsForm::*;
        const QList<QPair<Box, Flag>> pairs = {{&OptionsForm::autoSave, &Settings::autoSave},
                                               {&OptionsForm::createBackup, &Settings::createBackup},
                                               {&OptionsForm::savePassword, &Settings::savePassword},
                                               {&OptionsForm::saveLog, &Settings::saveLog},
                                               {&OptionsForm::useTemplate, &Settings::useTemplate}};
        for (const auto& [box, flag] : pairs) {
            Settings s = usersSettings();
            for (const auto& [unused, other] : pairs)
                QVERIFY(s.*other);
            OptionsForm form;
            form.fill(s);
            form.*box = false;
            form.store(s);
            for (const auto& [unused, other] : pairs)
                QCOMPARE(s.*other, other != flag);
        }
    }

    void oddStoredValuesComeBackUsable()
    {
        Settings s = usersSettings();
        // Any non-zero value shows stereo; stereo is written as the 1 the recorder reads.
        s.pMonoStereo = -1;
        OptionsForm form;
        form.fill(s);
        QVERIFY(form.stereo);
        QCOMPARE(acceptedUnchanged(s).pMonoStereo, qint16(1));

        // A level beyond the slider's range opens at its nearest end.
        s.pVolMic = 70000;
        form.fill(s);
        QCOMPARE(form.volMic, 65535);
        s.pVolMic = -5;
        form.fill(s);
        QCOMPARE(form.volMic, 0);

        // An encoder the list does not offer shows nothing and is not replaced.
        for (qint32 encoder : {3, -1}) {
            s.encoder = encoder;
            form.fill(s);
            QCOMPARE(form.encoderIndex, -1);
            QCOMPARE(acceptedUnchanged(s).encoder, encoder);
        }
    }

    void browsingAsksForARssOrXmlFile()
    {
        FakePrompts prompts;
        OptionsForm form;
        form.templates = QStringLiteral("/home/u/old.rss");
        prompts.queueFile(QStringLiteral("/home/u/new template.xml"));
        QVERIFY(form.browseTemplate(prompts));
        QCOMPARE(form.templates, QString("/home/u/new template.xml"));
        QCOMPARE(prompts.fileDialogs.size(), 1);
        const FakePrompts::FileDialogCall& call = prompts.fileDialogs.first();
        QVERIFY(!call.save);
        QCOMPARE(call.title, QString("Open Template"));
        QCOMPARE(call.filters.size(), 2);
        QCOMPARE(call.filters[0].label, QString("RSS or XML file"));
        QCOMPARE(call.filters[0].patterns, QString("*.rss;*.xml"));
        QCOMPARE(call.filters[1].label, QString("All files"));
        QCOMPARE(call.filters[1].patterns, QString("*.*"));
        QCOMPARE(call.initialPath, QString("/home/u/old.rss"));

        // Cancelling the file dialog keeps the path.
        prompts.queueCancelledFile();
        QVERIFY(!form.browseTemplate(prompts));
        QCOMPARE(form.templates, QString("/home/u/new template.xml"));
    }
};

QTEST_GUILESS_MAIN(TestOptionsForm)
#include "tst_optionsform.moc"

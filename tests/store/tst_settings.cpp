#include "store/IniFile.h"
#include "store/LanguageTable.h"
#include "store/Settings.h"
#include "support/TestUtil.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// A 1920 × 1080 pixel screen, 15 twips to the pixel.
const QSize kScreen(28800, 16200);

QStringList lines(const QByteArray& data)
{
    QStringList out = QString::fromUtf8(data).split("\r\n");
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

Settings unusualSettings()
{
    Settings s;
    s.findThat = "needle = \"haystack\"";
    s.findReplaceThat = QString::fromUtf8("naïve ; not a comment");
    s.showAdv = true;
    s.lastProject = 12;
    s.lastProjectName = "My Show";
    s.lastExportFN = "/home/u/export page.html";
    s.eForm1 = {-120, 30000, 9915, 7515, 2};
    s.form4 = {1, 2, 3, 4, 1};
    s.form5 = {-32768, 32767, 0, 5, 0};
    s.lt = 3;
    s.openIn = 255;
    s.autoSave = false;
    s.createBackup = false;
    s.saveLog = true;
    s.savePassword = false;
    s.templates = "/t/template.rss";
    s.useTemplate = true;
    s.mfWidth = 10990.5;
    s.mfHeight = 8730.25;
    s.mfLeft = -15;
    s.mfTop = 0.125;
    s.mfPos = 2;
    s.interfaceLanguage = "Russian";
    for (int i = 0; i < 10; ++i)
        s.searchHistory[i] = QString("search %1").arg(i * 7);
    s.searchHistory[4].clear();
    s.pMonoStereo = 2;
    s.pVolMic = 123456;
    s.encoderBitrate = 320;
    s.encoderSamples = 48000;
    s.encoder = 0;
    s.recDevice = 3;
    s.recLine = -1;
    s.bufPar1 = 1000;
    s.bufPar2 = -4;
    s.bufPar3 = 7;
    s.tempDir = "/var/tmp/velmora/";
    s.undoRedo = 2147483647;
    s.defTrack = "07";
    s.defTitle = "A title";
    s.defArtist = "An artist";
    s.defAlbum = "An album";
    s.defYear = "2026";
    s.defComment = QString(400, QChar('c')); // longer than the old 254-character buffer
    return s;
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void freshFileHasEveryKeyInOrderWithTheFirstStartValues()
    {
        QTemporaryDir dir;
        Settings s;
        s.setDefaults("/home/u/.velmora", kScreen);
        QVERIFY(s.save(dir.filePath("settings.ini")));
        const QStringList expected{
            "[Main]", "FindThat=", "FindReplaceThat=", "ShowAdv=False", "LastProject=0",
            "LastProjectName=Untitled", "LastExportFN=/home/u/.velmora/Untitled.html",
            "EForm1X=9443", "EForm1Y=4343", "EForm1W=9915", "EForm1H=7515", "EForm1Pos=0",
            "Form4X=9443", "Form4Y=4343", "Form4W=9915", "Form4H=7515", "Form4Pos=0",
            "Form5X=9443", "Form5Y=4343", "Form5W=9915", "Form5H=7515", "Form5Pos=0",
            "LT=0", "OpenIn=0", "AutoSave=True", "CreateBackup=True", "SaveLog=False",
            "SavePassword=True", "Templates=", "UseTemplate=False", "MFWidth=10990",
            "MFHeight=8730", "MFLeft=8905", "MFTop=3735", "MFPos=0",
            "[Options]", "22=", "s0=", "s1=", "s2=", "s3=", "s4=", "s5=", "s6=", "s7=", "s8=",
            "s9=", "pMonoStereo=1", "pVolMic=65535", "EncoderBitrate=64",
            "EncoderSamples=44100", "Encoder=1", "RecDevice=-1", "RecLine=-1", "BufPar1=500",
            "BufPar2=4", "BufPar3=50", "TempDir=/home/u/.velmora/Temp/", "UndoRedo=1000",
            "DefTrack=0", "DefTitle=Untitled", "DefArtist=", "DefAlbum=", "DefYear=2008",
            "DefComment=Created with Velmora (https://velmora.example/)"};
        QCOMPARE(lines(testutil::readFile(dir.filePath("settings.ini"))), expected);
    }

    void oddScreenSizesUseIntegerHalves()
    {
        Settings s;
        s.setDefaults("/h", QSize(15001, 11999));
        QCOMPARE(s.eForm1.x, qint16(7500 - 4957));
        QCOMPARE(s.form5.y, qint16(5999 - 3757));
    }

    void whatOneRunWritesTheNextReadsBackIdentically()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("settings.ini");
        const Settings written = unusualSettings();
        QVERIFY(written.save(path));
        Settings read;
        QVERIFY(read.load(path));
        QCOMPARE(read.findThat, written.findThat);
        QCOMPARE(read.defComment.size(), 400);
        QCOMPARE(read.mfTop, 0.125);
        QVERIFY(read == written);

        // Saving again over the same file changes nothing.
        const QByteArray first = testutil::readFile(path);
        QVERIFY(read.save(path));
        QCOMPARE(testutil::readFile(path), first);
    }

    void handWrittenFileWithOddSpacingCaseAndMissingKeys()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("settings.ini");
        QVERIFY(testutil::writeFile(path, "[main]\n"
                                          "autosave = false\n"
                                          "  ShowAdv=TRUE\n"
                                          "LASTPROJECT = 3.6 projects\n"
                                          "OpenIn=-5\n"
                                          "MFWidth= 12345.5\n"
                                          "SavePassword=1\n"
                                          "[OPTIONS]\n"
                                          "s3 = third entry \n"
                                          "pVolMic=abc\n"));
        Settings s;
        s.setDefaults("/h", kScreen);
        QVERIFY(s.load(path));
        QCOMPARE(s.autoSave, false);
        QCOMPARE(s.showAdv, true);
        QCOMPARE(s.lastProject, qint16(4));
        QCOMPARE(s.openIn, quint8(0));
        QCOMPARE(s.mfWidth, 12345.5);
        QCOMPARE(s.savePassword, true);
        QCOMPARE(s.searchHistory[3], QString("third entry"));
        QCOMPARE(s.pVolMic, 0);
        // Keys the file lacks read as empty texts, false and 0, not as the first-start values.
        QCOMPARE(s.createBackup, false);
        QCOMPARE(s.lastProjectName, QString());
        QCOMPARE(s.encoderSamples, 0);
        QCOMPARE(s.recDevice, 0);
        QCOMPARE(s.defYear, QString());
    }

    void missingFileKeepsTheDefaults()
    {
        QTemporaryDir dir;
        Settings s;
        s.setDefaults("/h", kScreen);
        const Settings defaults = s;
        QVERIFY(!s.load(dir.filePath("settings.ini")));
        QVERIFY(s == defaults);
    }

    void savingKeepsForeignLinesAndEditsInPlace()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("settings.ini");
        QVERIFY(testutil::writeFile(path, "; written by hand\r\n"
                                          "[Plugins]\r\n"
                                          "Enabled=yes\r\n"
                                          "\r\n"
                                          "[Main]\r\n"
                                          "MyOwnKey=keep me\r\n"
                                          "autosave=false\r\n"
                                          "\r\n"));
        Settings s;
        QVERIFY(s.load(path));
        s.autoSave = true;
        QVERIFY(s.save(path));
        const QStringList out = lines(testutil::readFile(path));
        QCOMPARE(out.mid(0, 7), (QStringList{"; written by hand", "[Plugins]", "Enabled=yes", "",
                                             "[Main]", "MyOwnKey=keep me", "AutoSave=True"}));
        QCOMPARE(out.count("AutoSave=True"), 1);
        QVERIFY(!out.contains("autosave=false"));
        // The keys the file lacked follow in order, before the blank line that ended the section.
        QCOMPARE(out.at(7), QString("FindThat="));
        const int blank = out.indexOf(QString(), 4);
        QCOMPARE(out.at(blank - 1), QString("MFPos=0"));
        QCOMPARE(out.at(blank + 1), QString("[Options]"));
        QCOMPARE(out.last(), QString("DefComment="));
    }

    void languageFileLinesAndCodes()
    {
        LanguageTable t;
        t.parse("<!-- comment: xx -->\r\n"
                "English: en\r\n"
                "Português (Brasil) :  pt-br  \r\n"
                "fr\r\n"
                "Time: 10:30: de-at\r\n"
                "Nothing after the colon:   \r\n"
                "\r\n"
                "  <!-- not at the start: a line\r\n");
        const QList<LanguageTable::Entry> expected{
            {"English: en", "en"},
            {QString::fromUtf8("Português (Brasil) :  pt-br  "), "pt-br"},
            {"fr", "fr"},
            {"Time: 10:30: de-at", "de-at"},
            {"  <!-- not at the start: a line", "a line"}};
        QCOMPARE(t.entries(), expected);
    }

    void findLanguage()
    {
        LanguageTable t;
        t.parse("German: de\nEnglish: en\nEnglish (US): en-us\nEnglish again: en\n");
        QCOMPARE(t.find("en"), 1); // the first match
        QCOMPARE(t.find("en-us"), 2);
        QCOMPARE(t.find("EN"), 0);  // letter case counts: no match gives 0
        QCOMPARE(t.find("xx"), 0);
        QCOMPARE(t.find(""), -1);
    }

    void languageFileMissingOrBundled()
    {
        LanguageTable t;
        t.parse("English: en\n");
        QVERIFY(!t.load(QDir::temp().filePath("no-such-dir-velmora/languages.txt")));
        QCOMPARE(t.count(), 0);

        // The bundled list offers English and Russian, which new podcasts default to.
        QVERIFY(t.load(VELMORA_SOURCE_DIR "/resources/languages.txt"));
        QVERIFY(t.count() > 20);
        QCOMPARE(t.entries().at(t.find("en")).code, QString("en"));
        QCOMPARE(t.entries().at(t.find("ru")).code, QString("ru"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"

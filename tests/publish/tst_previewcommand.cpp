#include "support/TestUtil.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// "velmora-cli preview" driven as a user would, on a home folder with the bundled themes.
namespace {

const QString kSample = QStringLiteral(VELMORA_TEST_DATA "/publish/sample-podcast.rss");
const QString kBundled = QStringLiteral(VELMORA_SOURCE_DIR "/resources/Themes");

struct Run {
    int code = -1;
    QByteArray out;
    QString err;
};

Run cli(const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    env.remove(QStringLiteral("VELMORA_HOME"));
    p.setProcessEnvironment(env);
    p.start(testutil::builtProgram(QStringLiteral("src/cli/velmora-cli")),
            QStringList{QStringLiteral("preview")} + args);
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            QString::fromUtf8(p.readAllStandardError())};
}

// A home folder holding a copy of the bundled themes.
QString makeHome(const QTemporaryDir& dir)
{
    const QString home = dir.filePath(QStringLiteral("my home"));
    QDir().mkpath(home + QStringLiteral("/Themes"));
    QProcess cp;
    cp.start(QStringLiteral("cp"), {QStringLiteral("-R"), kBundled + QStringLiteral("/."),
                                    home + QStringLiteral("/Themes")});
    cp.waitForFinished();
    return home;
}

} // namespace

class TestPreviewCommand : public QObject {
    Q_OBJECT
private slots:
    void listPrintsTheThemesAsJson()
    {
        QTemporaryDir dir;
        const QString home = makeHome(dir);
        const Run run = cli({"--list", "--home", home});
        QCOMPARE(run.code, 0);
        QJsonParseError error;
        const QJsonArray list = QJsonDocument::fromJson(run.out, &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QVERIFY(list.size() >= 3);
        QString previous;
        for (int i = 0; i < list.size(); ++i) {
            const QJsonObject o = list[i].toObject();
            QCOMPARE(o.value("index").toInt(-1), i);
            QVERIFY(!o.value("name").toString().isEmpty());
            const QString base = o.value("base").toString();
            QVERIFY(QFile::exists(home + "/Themes/" + base + ".html"));
            QVERIFY(previous.compare(base, Qt::CaseInsensitive) < 0);
            previous = base;
        }
        // The keys come in the documented order.
        QVERIFY(run.out.indexOf("\"index\"") < run.out.indexOf("\"name\""));
        QVERIFY(run.out.indexOf("\"name\"") < run.out.indexOf("\"base\""));
    }

    // A home the desktop program never started on gets the program's files on first use.
    void aFreshHomeGetsTheBundledFilesOnce()
    {
        QTemporaryDir dir;
        const QString home = dir.filePath("new home");
        Run run = cli({kSample, "--home", home});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.err, QString("velmora-cli: installed languages.txt, Themes/, manual/ in \"%1\" "
                                  "(first use of this home folder)\n").arg(home));
        QCOMPARE(QString::fromUtf8(run.out).trimmed(), home + "/pr-feed-01.tmp");
        QVERIFY(testutil::readFile(home + "/pr-feed-01.tmp").contains("daylight/daylight.css"));
        QCOMPARE(testutil::readFile(home + "/Themes/ledger.html"), testutil::readFile(kBundled + "/ledger.html"));
        QVERIFY(QFile::exists(home + "/languages.txt"));
        QVERIFY(QFile::exists(home + "/manual/index.htm"));

        run = cli({"--list", "--home", home});
        QCOMPARE(run.code, 0);
        QCOMPARE(run.err, QString());
        QCOMPARE(QJsonDocument::fromJson(run.out).array().size(), 3);
    }

    void homeThatCannotTakeTheFilesIsAnError()
    {
        QTemporaryDir dir;
        testutil::LockedFolder locked(dir.path());
        if (!locked.isLocked())
            QSKIP("this file system cannot refuse new files to this user");
        for (const QStringList& args : {QStringList{"--list"}, QStringList{kSample}}) {
            const Run run = cli(args + QStringList{"--home", dir.path()});
            QCOMPARE(run.code, 1);
            QVERIFY2(run.err.startsWith("velmora-cli: cannot install the program's files in"), qPrintable(run.err));
            QCOMPARE(run.err.count('\n'), 1);
            QVERIFY(run.out.isEmpty());
        }
        QVERIFY(!QFile::exists(dir.filePath("pr-feed-01.tmp")));
    }

    void rendersTheRememberedThemeIntoTheHomeFolder()
    {
        QTemporaryDir dir;
        const QString home = makeHome(dir);
        QVERIFY(testutil::writeFile(home + "/settings.ini", "[Main]\r\nLT=2\r\n"));
        Run run = cli({kSample, "--home", home});
        QCOMPARE(run.code, 0);
        const QString page = home + "/pr-feed-01.tmp";
        QCOMPARE(QString::fromUtf8(run.out).trimmed(), page);
        QByteArray html = testutil::readFile(page);
        QVERIFY(html.contains("midnight/midnight.css")); // the third theme by base name
        QVERIFY(html.contains("my%20home/Themes/"));
        QVERIFY(html.contains("Hand Planes, Sharp Irons &amp; Patience"));
        QVERIFY(html.contains("Repair Caf\xC3\xA9s: Fixing Toasters &lt;and&gt; Communities"));
        QVERIFY(html.contains("<strong>Jonas Berg</strong>"));
        QVERIFY(html.contains(">12/1/26<"));
        QVERIFY(html.endsWith("</html>\r\n\r\n"));

        // A remembered theme past the end of the list falls back to the first.
        QVERIFY(testutil::writeFile(home + "/settings.ini", "[Main]\r\nLT=40\r\n"));
        run = cli({kSample, "--home", home});
        QCOMPARE(run.code, 0);
        html = testutil::readFile(page);
        QVERIFY(html.contains("daylight/daylight.css"));
    }

    void themeByIndexOrNameAndAnOutputFile()
    {
        QTemporaryDir dir;
        const QString home = makeHome(dir);
        const QString out = dir.filePath("out page.html");
        Run run = cli({kSample, "--home", home, "--theme", "1", "--out", out});
        QCOMPARE(run.code, 0);
        QVERIFY(testutil::readFile(out).contains("ledger/ledger.css"));
        QVERIFY(!QFile::exists(home + "/pr-feed-01.tmp"));

        run = cli({kSample, "--home", home, "--theme", "MIDNIGHT", "--out", out,
                   "--image", VELMORA_TEST_DATA "/publish/cover.png"});
        QCOMPARE(run.code, 0);
        const QByteArray html = testutil::readFile(out);
        QVERIFY(html.contains("midnight/midnight.css"));
        QVERIFY(html.contains("/publish/cover.png\""));
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no feed") << QStringList{};
        QTest::newRow("unknown theme") << QStringList{kSample, "--theme", "Neon"};
        QTest::newRow("index past the end") << QStringList{kSample, "--theme", "3"};
        QTest::newRow("negative index") << QStringList{kSample, "--theme", "-1"};
        QTest::newRow("value missing") << QStringList{kSample, "--out"};
        QTest::newRow("option as value") << QStringList{kSample, "--out", "--theme"};
        QTest::newRow("unknown option") << QStringList{kSample, "--colour"};
        QTest::newRow("two feeds") << QStringList{kSample, kSample};
        QTest::newRow("list with feed") << QStringList{"--list", kSample};
        QTest::newRow("missing image") << QStringList{kSample, "--image", "/no/such/cover.png"};
        QTest::newRow("folder as image") << QStringList{kSample, "--image", VELMORA_TEST_DATA "/publish"};
        QTest::newRow("not xml") << QStringList{VELMORA_TEST_DATA "/publish/cover.png"};
        QTest::newRow("xml but no feed") << QStringList{VELMORA_SOURCE_DIR "/resources/icons/velmora.svg"};
    }

    void badArguments()
    {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        const QString home = makeHome(dir);
        const Run run = cli(args + QStringList{"--home", home});
        QCOMPARE(run.code, 2);
        QVERIFY(run.err.startsWith("velmora-cli: "));
        QVERIFY(!QFile::exists(home + "/pr-feed-01.tmp"));
    }

    void failures()
    {
        QTemporaryDir dir;
        const QString home = makeHome(dir);
        Run run = cli({dir.filePath("missing.rss"), "--home", home});
        QCOMPARE(run.code, 1);
        run = cli({kSample, "--home", home, "--out", dir.filePath("no/such/dir/page.html")});
        QCOMPARE(run.code, 1);
        QVERIFY(run.err.contains("page.html"));
        QVERIFY(QDir(home + "/Themes").removeRecursively());
        QVERIFY(QDir().mkpath(home + "/Themes"));
        run = cli({kSample, "--home", home});
        QCOMPARE(run.code, 1);
        QVERIFY(run.err.contains("no theme"));
    }

    void atomFeedsArePreviewedToo()
    {
        QTemporaryDir dir;
        const QString home = makeHome(dir);
        const Run run = cli({VELMORA_TEST_DATA "/feed/atom.xml", "--home", home, "--theme", "Ledger"});
        QCOMPARE(run.code, 0);
        const QByteArray html = testutil::readFile(home + "/pr-feed-01.tmp");
        QVERIFY(html.contains("<li class=\"row\" id=\"row-0\">"));
    }

    void help()
    {
        const Run run = cli({"--help"});
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.contains("--theme N|NAME"));
        QVERIFY(run.out.contains("--list"));
    }
};

QTEST_GUILESS_MAIN(TestPreviewCommand)
#include "tst_previewcommand.moc"

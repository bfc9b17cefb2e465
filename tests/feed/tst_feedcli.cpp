#include "feed/CharsetTable.h"
#include "feed/FeedJson.h"
#include "feed/FeedWriter.h"
#include "support/TestUtil.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

Run cli(const QStringList& args)
{
    return run(testutil::builtProgram(QStringLiteral("src/cli/velmora-cli")), args);
}

QString fixture(const char* name)
{
    return QStringLiteral(VELMORA_TEST_DATA "/feed/") + QLatin1String(name);
}

FeedDocument sample()
{
    FeedDocument d;
    d.channel.title = QString::fromUtf8("Café Ω “Show”");
    d.channel.description = QStringLiteral("Two\r\nlines & <tags>");
    d.channel.skipDays[2] = true;
    d.channel.skipHours[13] = true;
    d.channel.styleSheetHref = QStringLiteral("s.css");
    d.channel.styleSheetType = 1;
    d.channel.styleSheetMedia = 2;
    Episode e;
    e.title = QString::fromUtf8("Folge 1 — ü 😀");
    e.guid = QStringLiteral("G1");
    e.guidIsPermaLink = true;
    e.enclosureUrl = QStringLiteral("https://example.org/1.mp3");
    e.enclosureLength = QStringLiteral("10");
    e.enclosureType = QStringLiteral("audio/mpeg");
    e.enclosureFile = QStringLiteral("/local/1.mp3");
    d.episodes = {e, Episode()};
    return d;
}

} // namespace

class TestFeedCli : public QObject {
    Q_OBJECT
private slots:
    void writeMakesTheWritersBytes()
    {
        QTemporaryDir dir;
        const QString json = dir.filePath(QStringLiteral("doc.json"));
        const QString out = dir.filePath(QStringLiteral("out.rss"));
        QVERIFY(testutil::writeFile(json, feedjson::toJson(sample())));
        Run r = cli({QStringLiteral("feed"), QStringLiteral("write"), QStringLiteral("--from"), json,
                     QStringLiteral("--out"), out});
        QVERIFY2(r.code == 0, r.err.constData());
        QCOMPARE(testutil::readFile(out), buildFeedBytes(sample(), 53));
        r = cli({QStringLiteral("feed"), QStringLiteral("write"), QStringLiteral("--from"), json,
                 QStringLiteral("--out"), out, QStringLiteral("--encoding"), QStringLiteral("shift_JIS")});
        QCOMPARE(r.code, 0);
        QCOMPARE(testutil::readFile(out), buildFeedBytes(sample(), 33));
        r = cli({QStringLiteral("feed"), QStringLiteral("write"), QStringLiteral("--encoding"), QStringLiteral("48"),
                 QStringLiteral("--from"), json, QStringLiteral("--out"), out});
        QCOMPARE(r.code, 0);
        QCOMPARE(testutil::readFile(out), buildFeedBytes(sample(), 48));
    }

    void showWriteShowIsStable()
    {
        QTemporaryDir dir;
        const QString json = dir.filePath(QStringLiteral("doc.json"));
        const QString feed = dir.filePath(QStringLiteral("feed.rss"));
        Run shown = cli({QStringLiteral("feed"), QStringLiteral("show"), fixture("realworld.rss")});
        QVERIFY2(shown.code == 0, shown.err.constData());
        QVERIFY(shown.out.contains("\"encodingIndex\": 49,\n  \"feedType\": 1\n}"));
        QVERIFY(testutil::writeFile(json, shown.out));
        Run w = cli({QStringLiteral("feed"), QStringLiteral("write"), QStringLiteral("--from"), json,
                     QStringLiteral("--out"), feed, QStringLiteral("--encoding"), QStringLiteral("UTF-8")});
        QVERIFY2(w.code == 0, w.err.constData());
        Run again = cli({QStringLiteral("feed"), QStringLiteral("show"), feed});
        QCOMPARE(again.code, 0);
        // The image's local file travels in the JSON form but never in the feed.
        QByteArray expected = shown.out;
        expected.replace("\"imageFile\": \"/tmp/logo.png\"", "\"imageFile\": \"\"");
        QCOMPARE(again.out, expected);
        // Keys in the order of the field tables.
        const QList<QByteArray> keys{"\"title\"", "\"link\"", "\"description\"", "\"language\"",
                                     "\"copyright\"", "\"managingEditor\"", "\"webMaster\"", "\"pubDate\"",
                                     "\"category\"", "\"categoryDomain\"", "\"docs\"", "\"ttl\"", "\"skipDays\"",
                                     "\"skipHours\"", "\"imageUrl\"", "\"imageTitle\"", "\"imageLink\"",
                                     "\"imageDescription\"", "\"imageFile\"", "\"styleSheetHref\"",
                                     "\"styleSheetType\"", "\"styleSheetMedia\"", "\"episodes\""};
        qsizetype at = 0;
        for (const QByteArray& k : keys) {
            const qsizetype next = again.out.indexOf(k, at);
            QVERIFY2(next > at, k.constData());
            at = next;
        }
    }

    void badInputIsRefused_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("extra");
        QTest::newRow("unknown field") << QByteArray("{\"channel\":{\"titel\":\"x\"}}") << QStringList();
        QTest::newRow("wrong type") << QByteArray("{\"channel\":{\"title\":5}}") << QStringList();
        QTest::newRow("short skipDays") << QByteArray("{\"channel\":{\"skipDays\":[true]}}") << QStringList();
        QTest::newRow("skipHours of numbers") << QByteArray("{\"channel\":{\"skipHours\":[1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1]}}") << QStringList();
        QTest::newRow("episode flag as text") << QByteArray("{\"episodes\":[{\"guidIsPermaLink\":\"true\"}]}") << QStringList();
        QTest::newRow("unknown episode field") << QByteArray("{\"episodes\":[{\"id\":\"1\"}]}") << QStringList();
        QTest::newRow("media out of range") << QByteArray("{\"channel\":{\"styleSheetMedia\":6}}") << QStringList();
        QTest::newRow("not JSON") << QByteArray("{") << QStringList();
        QTest::newRow("bad encoding index") << QByteArray("{}") << QStringList{QStringLiteral("--encoding"), QStringLiteral("54")};
        QTest::newRow("bad encoding name") << QByteArray("{}") << QStringList{QStringLiteral("--encoding"), QStringLiteral("latin1")};
        QTest::newRow("unknown option") << QByteArray("{}") << QStringList{QStringLiteral("--backup")};
    }
    void badInputIsRefused()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, extra);
        QTemporaryDir dir;
        const QString doc = dir.filePath(QStringLiteral("doc.json"));
        const QString out = dir.filePath(QStringLiteral("out.rss"));
        QVERIFY(testutil::writeFile(doc, json));
        const Run r = cli(QStringList{QStringLiteral("feed"), QStringLiteral("write"), QStringLiteral("--from"), doc,
                                      QStringLiteral("--out"), out} + extra);
        QCOMPARE(r.code, 2);
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY(!QFile::exists(out));
    }

    void showReportsUnreadableFiles()
    {
        QTemporaryDir dir;
        const QString noMarkup = dir.filePath(QStringLiteral("plain.txt"));
        const QString broken = dir.filePath(QStringLiteral("broken.rss"));
        QVERIFY(testutil::writeFile(noMarkup, "just text"));
        QVERIFY(testutil::writeFile(broken, "<rss><channel></rss>"));
        Run r = cli({QStringLiteral("feed"), QStringLiteral("show"), dir.filePath(QStringLiteral("missing.rss"))});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains("cannot read"));
        r = cli({QStringLiteral("feed"), QStringLiteral("show"), noMarkup});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains("no markup"));
        r = cli({QStringLiteral("feed"), QStringLiteral("show"), broken});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains("not well-formed XML"));
        QVERIFY(r.out.isEmpty());
        r = cli({QStringLiteral("feed"), QStringLiteral("show")});
        QCOMPARE(r.code, 2);
        for (const char* sub : {"write", "show", "rewrite"}) {
            r = cli({QStringLiteral("feed"), QLatin1String(sub), QStringLiteral("--help")});
            QCOMPARE(r.code, 0);
            QVERIFY(r.out.startsWith("Usage: velmora-cli feed " + QByteArray(sub)));
        }
    }

    void rewriteInPlaceAndConvert()
    {
        QTemporaryDir dir;
        const QString feed = dir.filePath(QStringLiteral("old.xml"));
        QVERIFY(QFile::copy(fixture("latin1.rss"), feed));
        Run r = cli({QStringLiteral("feed"), QStringLiteral("rewrite"), feed, feed});
        QVERIFY2(r.code == 0, r.err.constData());
        const QByteArray rewritten = testutil::readFile(feed);
        QVERIFY(rewritten.startsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<rss version=\"2.0\">"));
        QVERIFY(rewritten.contains("<title>Caf\xE9</title>"));

        const QString atomOut = dir.filePath(QStringLiteral("atom.rss"));
        r = cli({QStringLiteral("feed"), QStringLiteral("rewrite"), fixture("atom.xml"), atomOut,
                 QStringLiteral("--encoding"), QStringLiteral("windows-1251")});
        QVERIFY2(r.code == 0, r.err.constData());
        const QByteArray atom = testutil::readFile(atomOut);
        QVERIFY(atom.startsWith("<?xml version=\"1.0\" encoding=\"Windows-1251\"?>"));
        QVERIFY(atom.contains("\t<item>\r\n\t<title>Atom episode</title>\r\n\t<description>Short summary</description>\r\n"
                              "\t<pubDate>1 Dec 2026 09:00:00 GMT</pubDate>\r\n\t<link>https://atom.example/1</link>\r\n"
                              "\t<enclosure url=\"https://atom.example/1.mp3\" length=\"999\" type=\"audio/mpeg\"/>\r\n"
                              "\t<guid isPermaLink=\"false\">urn:uuid:1225c695-cfb8-4ebb-aaaa-80da344efa6a</guid>\r\n\t</item>"));

        const QString rdfOut = dir.filePath(QStringLiteral("rdf.rss"));
        r = cli({QStringLiteral("feed"), QStringLiteral("rewrite"), fixture("rdf.xml"), rdfOut});
        QCOMPARE(r.code, 0);
        const QByteArray rdf = testutil::readFile(rdfOut);
        QVERIFY(rdf.contains("<title>RDF Show</title>"));
        QVERIFY(rdf.contains("<item>\r\n\t<title>RDF item</title>\r\n\t<description>First RDF item</description>\r\n"
                             "\t<pubDate>3 Dec 2026 21:57:19 GMT</pubDate>"));

        const QString html = dir.filePath(QStringLiteral("page.html"));
        QVERIFY(testutil::writeFile(html, "<html><body>x</body></html>"));
        r = cli({QStringLiteral("feed"), QStringLiteral("rewrite"), html, dir.filePath(QStringLiteral("x.rss"))});
        QCOMPARE(r.code, 1);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x.rss"))));
    }

    // libxml2 reads what the writer wrote, with the same meaning, in the encodings it knows.
    void xmllintAgrees_data()
    {
        QTest::addColumn<int>("encoding");
        // (libxml2 does not read UTF-32, entry 47.)
        for (int index : {11, 12, 16, 20, 22, 23, 31, 32, 33, 34, 45, 48, 49, 51, 52, 53})
            QTest::newRow(charsets::table()[index].charsetName) << index;
    }
    void xmllintAgrees()
    {
        QFETCH(int, encoding);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("feed.rss"));
        QVERIFY(testutil::writeFile(path, buildFeedBytes(sample(), encoding)));
        const Run title = run(QStringLiteral("xmllint"), {QStringLiteral("--xpath"),
                                                          QStringLiteral("string(//item[1]/title)"), path});
        QVERIFY2(title.code == 0, title.err.constData());
        QCOMPARE(QString::fromUtf8(title.out).trimmed(), sample().episodes[0].title);
        const Run css = run(QStringLiteral("xmllint"), {QStringLiteral("--xpath"),
                                                        QStringLiteral("string(//channel/description)"), path});
        QCOMPARE(QString::fromUtf8(css.out), QStringLiteral("Two\nlines & <tags>\n"));
    }
};

QTEST_GUILESS_MAIN(TestFeedCli)
#include "tst_feedcli.moc"

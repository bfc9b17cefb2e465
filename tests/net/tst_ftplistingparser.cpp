// Directory listings of the shapes real servers send, and odd input.
#include "net/FtpListingParser.h"

#include <QtTest>

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(7, 30));

CFtpFile only(const QString& listing, const QDateTime& now = kNow)
{
    const auto result = FtpListingParser::parse(listing, now);
    if (!result || result->files.Count() != 1)
        return {};
    return *result->files.Item(0);
}

} // namespace

class TestFtpListingParser : public QObject {
    Q_OBJECT
private slots:
    void unixDirectoryWithTime();
    void symbolicLinkWithYear();
    void windowsDirectory();
    void windowsFileWithSpacesInName();
    void totalLineIsSkipped();
    void serverShapes_data();
    void serverShapes();
    void recentDateNeverInFuture();
    void monthNameInsideFileNameIsNotTheDate();
    void largeSizes();
    void unreadableLinesAreSkipped();
    void listingWithNoReadableLineFails();
    void oddInputNeverCrashes_data();
    void oddInputNeverCrashes();
    void duplicateNamesKeepFirst();
    void collectionByIndexAndKey();
};

void TestFtpListingParser::unixDirectoryWithTime()
{
    const CFtpFile f = only(QStringLiteral("drwxr-xr-x 2 user group 4096 Jan 12 13:45 docs\r\n"));
    QCOMPARE(f.FileName, QStringLiteral("docs"));
    QVERIFY(f.IsDirectory);
    QCOMPARE(f.FileSize, qint64(4096));
    QCOMPARE(f.Owner, QStringLiteral("user"));
    QCOMPARE(f.Group, QStringLiteral("group"));
    QCOMPARE(f.Permissions, QStringLiteral("drwxr-xr-x"));
    QCOMPARE(f.LastWriteTime, QDateTime(QDate(2026, 1, 12), QTime(13, 45)));
}

void TestFtpListingParser::symbolicLinkWithYear()
{
    const CFtpFile f = only(QStringLiteral("lrwxrwxrwx 1 user group 11 Jan  2  2003 www -> public_html\r\n"));
    QCOMPARE(f.FileName, QStringLiteral("www"));
    QCOMPARE(f.FilePath, QStringLiteral("public_html"));
    QVERIFY(!f.IsDirectory);
    QCOMPARE(f.LastWriteTime, QDateTime(QDate(2003, 1, 2), QTime(0, 0)));
    // An arrow in the name of a plain file is part of the name.
    const CFtpFile plain = only(QStringLiteral("-rw-r--r-- 1 user group 5 Jan  2  2003 a -> b\r\n"));
    QCOMPARE(plain.FileName, QStringLiteral("a -> b"));
    QCOMPARE(plain.FilePath, QString());
}

void TestFtpListingParser::windowsDirectory()
{
    const CFtpFile f = only(QStringLiteral("01-15-03  10:30AM       <DIR>          images\r\n"));
    QCOMPARE(f.FileName, QStringLiteral("images"));
    QVERIFY(f.IsDirectory);
    QCOMPARE(f.LastWriteTime, QDateTime(QDate(2003, 1, 15), QTime(10, 30)));
}

void TestFtpListingParser::windowsFileWithSpacesInName()
{
    const CFtpFile f = only(QStringLiteral("11-02-25  12:05PM             1048576 Episode 12 final.mp3"));
    QCOMPARE(f.FileName, QStringLiteral("Episode 12 final.mp3"));
    QVERIFY(!f.IsDirectory);
    QCOMPARE(f.FileSize, qint64(1048576));
    QCOMPARE(f.LastWriteTime, QDateTime(QDate(2025, 11, 2), QTime(12, 5)));
    QCOMPARE(only(QStringLiteral("11-02-25  12:05AM  3 a")).LastWriteTime.time(), QTime(0, 5));
    // IIS in its four-digit-year, 24-hour form.
    QCOMPARE(only(QStringLiteral("11-02-2025  23:59       <DIR>          logs")).LastWriteTime,
             QDateTime(QDate(2025, 11, 2), QTime(23, 59)));
}

void TestFtpListingParser::totalLineIsSkipped()
{
    const auto result = FtpListingParser::parse(
        QStringLiteral("total 8\r\n-rw-r--r-- 1 user group 10 Jan 12 13:45 a.txt\r\n"), kNow);
    QVERIFY(result);
    QCOMPARE(result->files.Count(), 1);
    QCOMPARE(result->skippedLines, 0);
    // An empty folder on many servers: only the total line.
    const auto empty = FtpListingParser::parse(QStringLiteral("total 0\r\n"), kNow);
    QVERIFY(empty);
    QCOMPARE(empty->files.Count(), 0);
    QVERIFY(FtpListingParser::parse(QString(), kNow));
}

void TestFtpListingParser::serverShapes_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("owner");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QDateTime>("date");
    QTest::addRow("vsftpd") << "-rw-r--r--    1 1000     1000       123456 Mar 05 09:15 show.mp3"
                            << "show.mp3" << qint64(123456) << "1000" << "1000"
                            << QDateTime(QDate(2026, 3, 5), QTime(9, 15));
    QTest::addRow("ProFTPD") << "-rw-r--r--   1 ftp      ftp          4096 Jan 12  2025 notes.txt"
                             << "notes.txt" << qint64(4096) << "ftp" << "ftp"
                             << QDateTime(QDate(2025, 1, 12), QTime(0, 0));
    QTest::addRow("Pure-FTPd") << "-rw-r--r--    1 1001       1001              5 Feb 28 11:00 p.txt"
                               << "p.txt" << qint64(5) << "1001" << "1001"
                               << QDateTime(QDate(2026, 2, 28), QTime(11, 0));
    QTest::addRow("pyftpdlib") << "-rw-r--r--   1 podcaster podcaster   77 Dec 06 07:28 feed.rss"
                               << "feed.rss" << qint64(77) << "podcaster" << "podcaster"
                               << QDateTime(QDate(2026, 12, 6), QTime(7, 28));
    QTest::addRow("name with spaces") << "-rw-r--r-- 1 u g 9 Jul  4  2024 my  two  spaces.mp3"
                                      << "my  two  spaces.mp3" << qint64(9) << "u" << "g"
                                      << QDateTime(QDate(2024, 7, 4), QTime(0, 0));
    QTest::addRow("no group column") << "-rw-r--r-- 1 owner 77 Jan 12 2025 nogroup.txt"
                                     << "nogroup.txt" << qint64(77) << "owner" << ""
                                     << QDateTime(QDate(2025, 1, 12), QTime(0, 0));
    QTest::addRow("upper-case month") << "-rw-r--r-- 1 u g 1 OCT 31 23:59 halloween.mp3"
                                      << "halloween.mp3" << qint64(1) << "u" << "g"
                                      << QDateTime(QDate(2026, 10, 31), QTime(23, 59));
}

void TestFtpListingParser::serverShapes()
{
    QFETCH(QString, line);
    QFETCH(QString, name);
    QFETCH(qint64, size);
    QFETCH(QString, owner);
    QFETCH(QString, group);
    QFETCH(QDateTime, date);
    const CFtpFile f = only(line);
    QCOMPARE(f.FileName, name);
    QCOMPARE(f.FileSize, size);
    QCOMPARE(f.Owner, owner);
    QCOMPARE(f.Group, group);
    QCOMPARE(f.LastWriteTime, date);
}

void TestFtpListingParser::recentDateNeverInFuture()
{
    // Early January: a December entry with a time is from last December.
    const QDateTime newYear(QDate(2026, 1, 5), QTime(8, 0));
    QCOMPARE(only(QStringLiteral("-rw-r--r-- 1 u g 1 Dec 30 10:00 a"), newYear).LastWriteTime,
             QDateTime(QDate(2025, 12, 30), QTime(10, 0)));
    QCOMPARE(only(QStringLiteral("-rw-r--r-- 1 u g 1 Jan  4 10:00 a"), newYear).LastWriteTime,
             QDateTime(QDate(2026, 1, 4), QTime(10, 0)));
}

void TestFtpListingParser::monthNameInsideFileNameIsNotTheDate()
{
    const CFtpFile f = only(QStringLiteral("-rw-r--r-- 1 u g 10 Feb  3 10:00 Jan 25 2024 recap.mp3"));
    QCOMPARE(f.FileName, QStringLiteral("Jan 25 2024 recap.mp3"));
    QCOMPARE(f.LastWriteTime, QDateTime(QDate(2026, 2, 3), QTime(10, 0)));
}

void TestFtpListingParser::largeSizes()
{
    QCOMPARE(only(QStringLiteral("-rw-r--r-- 1 u g 5000000000 Jan 12  2025 video.mp4")).FileSize,
             Q_INT64_C(5000000000));
    QCOMPARE(only(QStringLiteral("01-15-03  10:30AM          4294967296 big.mov")).FileSize,
             Q_INT64_C(4294967296));
}

void TestFtpListingParser::unreadableLinesAreSkipped()
{
    const auto result = FtpListingParser::parse(QStringLiteral(
        "Welcome to the archive\r\n"
        "-rw-r--r-- 1 u g 10 Jan 12 13:45 a.mp3\r\n"
        "?????????? ? ? ? ? ? broken\r\n"
        "\r\n"
        "drwxr-xr-x 2 u g 4096 Jan 12 13:45 b\r\n"), kNow);
    QVERIFY(result);
    QCOMPARE(result->files.Count(), 2);
    QCOMPARE(result->files.Item(0)->FileName, QStringLiteral("a.mp3"));
    QCOMPARE(result->files.Item(1)->FileName, QStringLiteral("b"));
    QCOMPARE(result->skippedLines, 2);
}

void TestFtpListingParser::listingWithNoReadableLineFails()
{
    QVERIFY(!FtpListingParser::parse(QStringLiteral("550 nothing\r\nno listing here\r\n"), kNow));
    QVERIFY(!FtpListingParser::parse(QStringLiteral("-rw-r--r-- 1 u g xx Jan 12 13:45 badsize"), kNow));
}

void TestFtpListingParser::oddInputNeverCrashes_data()
{
    QTest::addColumn<QString>("line");
    QTest::addRow("truncated time") << "drwxr-xr-x 2 user group 4096 Jan 12 13:4";
    QTest::addRow("date at end") << "drwxr-xr-x 2 user group 4096 Jan 12 13:45";
    QTest::addRow("date at end, blank") << "drwxr-xr-x 2 user group 4096 Jan 12 13:45 ";
    QTest::addRow("month first") << " jan 12 13:45 x";
    QTest::addRow("bad day") << "-rw-r--r-- 1 u g 1 Feb 31 10:00 x";
    QTest::addRow("bad hour") << "-rw-r--r-- 1 u g 1 Feb 3 99:00 x";
    QTest::addRow("windows bad month") << "13-40-03  10:30AM       <DIR>          x";
    QTest::addRow("windows 13 PM") << "01-15-03  13:30PM       <DIR>          x";
    QTest::addRow("negative size") << "-rw-r--r-- 1 u g -5 Jan 12 13:45 x";
    QTest::addRow("year out of range") << "-rw-r--r-- 1 u g 5 Feb 28  500000000 x";
    QTest::addRow("one letter") << "d";
    QTest::addRow("blanks") << "           ";
    QTest::addRow("NUL") << QString(QChar(0)) + QStringLiteral(" jan 1 1 jan 1");
}

void TestFtpListingParser::oddInputNeverCrashes()
{
    QFETCH(QString, line);
    QVERIFY(!FtpListingParser::parseLine(line, kNow));
}

void TestFtpListingParser::duplicateNamesKeepFirst()
{
    const auto result = FtpListingParser::parse(QStringLiteral(
        "-rw-r--r-- 1 u g 1 Jan 12 13:45 same\n-rw-r--r-- 1 u g 2 Jan 12 13:45 same\n"), kNow);
    QVERIFY(result);
    QCOMPARE(result->files.Count(), 1);
    QCOMPARE(result->files.Item(QStringLiteral("same"))->FileSize, qint64(1));
}

void TestFtpListingParser::collectionByIndexAndKey()
{
    CFtpFiles files;
    CFtpFile a;
    a.FileName = QStringLiteral("a");
    CFtpFile b;
    b.FileName = QStringLiteral("b");
    CFtpFile c;
    c.FileName = QStringLiteral("c");
    QVERIFY(files.Add(a, a.FileName));
    QVERIFY(files.Add(b, b.FileName));
    QVERIFY(files.Add(c, c.FileName));
    QVERIFY(!files.Add(a, a.FileName));
    QVERIFY(files.Remove(QStringLiteral("b")));
    QCOMPARE(files.Count(), 2);
    QCOMPARE(files.Item(1)->FileName, QStringLiteral("c"));
    QCOMPARE(files.Item(QStringLiteral("c")), files.Item(1));
    QVERIFY(!files.Item(QStringLiteral("b")));
    QVERIFY(!files.Item(2));
    QVERIFY(files.Remove(0));
    QStringList order;
    for (const CFtpFile& f : files)
        order.append(f.FileName);
    QCOMPARE(order, QStringList{QStringLiteral("c")});
}

QTEST_GUILESS_MAIN(TestFtpListingParser)
#include "tst_ftplistingparser.moc"

#include "feed/FeedDateTime.h"

#include <QLocale>
#include <QtTest>

#include <ctime>

namespace {

void setZone(const char* tz)
{
    qputenv("TZ", tz);
    tzset();
}

FeedDateTime dt(int d, int mo, int y, int h, int mi, int s)
{
    return {static_cast<std::int16_t>(d), static_cast<std::int16_t>(mo), static_cast<std::int16_t>(y),
            static_cast<std::int16_t>(h), static_cast<std::int16_t>(mi), static_cast<std::int16_t>(s)};
}

} // namespace

Q_DECLARE_METATYPE(FeedDateTime)

class TestFeedDates : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setZone("UTC"); }

    void formatsLocalTimeAsGmt_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<FeedDateTime>("local");
        QTest::addColumn<QString>("text");
        // Two hours east in winter (no summer time in December).
        QTest::newRow("east") << QByteArray("EET-2") << dt(3, 12, 2026, 23, 57, 19)
                              << "3 Dec 2026 21:57:19 GMT";
        QTest::newRow("new year back into the old year")
            << QByteArray("CET-1") << dt(1, 1, 2027, 0, 30, 0) << "31 Dec 2026 23:30:00 GMT";
        QTest::newRow("west, into the next day")
            << QByteArray("EST5") << dt(31, 12, 2026, 21, 15, 5) << "1 Jan 2027 02:15:05 GMT";
        // India is 5:30 east: half an hour, not fifty minutes.
        QTest::newRow("half-hour zone") << QByteArray("IST-5:30") << dt(1, 3, 2024, 5, 0, 0)
                                        << "29 Feb 2024 23:30:00 GMT";
        QTest::newRow("half-hour west") << QByteArray("NST3:30") << dt(28, 2, 2023, 22, 45, 0)
                                        << "1 Mar 2023 02:15:00 GMT";
        QTest::newRow("quarter-hour zone") << QByteArray("NPT-5:45") << dt(10, 6, 2026, 6, 0, 0)
                                           << "10 Jun 2026 00:15:00 GMT";
        // The offset is the one in force at the date converted, not today's.
        QTest::newRow("summer time")
            << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << dt(15, 7, 2026, 12, 0, 0)
            << "15 Jul 2026 10:00:00 GMT";
        QTest::newRow("winter time")
            << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << dt(15, 1, 2026, 12, 0, 0)
            << "15 Jan 2026 11:00:00 GMT";
        QTest::newRow("minute reaching sixty") << QByteArray("UTC") << dt(5, 5, 2026, 10, 60, 0)
                                               << "5 May 2026 11:00:00 GMT";
    }
    void formatsLocalTimeAsGmt()
    {
        QFETCH(QByteArray, zone);
        QFETCH(FeedDateTime, local);
        QFETCH(QString, text);
        setZone(zone.constData());
        QCOMPARE(formatFeedDate(local), text);
    }

    void parsesToLocalTime_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("text");
        QTest::addColumn<FeedDateTime>("local");
        QTest::newRow("leap day rolls into March")
            << QByteArray("CET-1") << "29 Feb 2024 23:30:00 GMT" << dt(1, 3, 2024, 0, 30, 0);
        QTest::newRow("day of week dropped") << QByteArray("EET-2")
                                             << "Thu, 03 Dec 2026 21:57:19 GMT" << dt(3, 12, 2026, 23, 57, 19);
        QTest::newRow("lower-case month") << QByteArray("EET-2") << "3 dec 2026 21:57:19 GMT"
                                          << dt(3, 12, 2026, 23, 57, 19);
        QTest::newRow("west into the previous year")
            << QByteArray("PST8") << "1 Jan 2027 03:00:00 GMT" << dt(31, 12, 2026, 19, 0, 0);
        QTest::newRow("half-hour zone") << QByteArray("IST-5:30") << "31 Dec 2026 18:45:00 GMT"
                                        << dt(1, 1, 2027, 0, 15, 0);
        QTest::newRow("no zone is taken as local") << QByteArray("EET-2") << "5 May 2026 10:11:12"
                                                    << dt(5, 5, 2026, 10, 11, 12);
        QTest::newRow("unknown zone changes nothing") << QByteArray("EET-2") << "5 May 2026 10:11:12 EST"
                                                      << dt(5, 5, 2026, 10, 11, 12);
        // A numeric zone names the writer's offset; the result is this machine's local time.
        QTest::newRow("numeric zone east") << QByteArray("UTC") << "Tue, 10 Mar 2026 01:30:00 +0200"
                                           << dt(9, 3, 2026, 23, 30, 0);
        QTest::newRow("numeric zone west") << QByteArray("CET-1") << "10 Mar 2026 20:00:00 -0530"
                                           << dt(11, 3, 2026, 2, 30, 0);
        QTest::newRow("summer date in a summer-time zone")
            << QByteArray("CET-1CEST,M3.5.0,M10.5.0/3") << "15 Jul 2026 10:00:00 GMT"
            << dt(15, 7, 2026, 12, 0, 0);
        QTest::newRow("two-digit year") << QByteArray("UTC") << "1 Jan 26 00:00:00 GMT"
                                        << dt(1, 1, 2026, 0, 0, 0);
        QTest::newRow("old two-digit year") << QByteArray("UTC") << "1 Jan 99 00:00:00 GMT"
                                            << dt(1, 1, 1999, 0, 0, 0);
        QTest::newRow("unknown month leaves the day") << QByteArray("UTC") << "31 Foo 2026 23:00:00"
                                                      << dt(31, 0, 2026, 23, 0, 0);
        QTest::newRow("empty") << QByteArray("UTC") << "" << dt(0, 0, 0, 0, 0, 0);
        // A day far beyond its month is carried (quickly) into later months and years.
        QTest::newRow("huge day") << QByteArray("UTC") << "999999999 Jan 2000 00:00:00"
                                  << dt(16, 9, 2089, 0, 0, 0);
        QTest::newRow("two blanks shift the tokens") << QByteArray("UTC") << "3  Dec 2026"
                                                     << dt(3, 0, 0, 20, 6, 0);
    }
    void parsesToLocalTime()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, text);
        QFETCH(FeedDateTime, local);
        setZone(zone.constData());
        const FeedDateTime got = parseFeedDate(text);
        QCOMPARE(QList<int>({got.day, got.month, got.year, got.hour, got.minute, got.second}),
                 QList<int>({local.day, local.month, local.year, local.hour, local.minute, local.second}));
    }

    void formatAndParseAreInverse()
    {
        for (const char* zone : {"UTC", "EET-2", "IST-5:30", "NST3:30", "AEST-10AEDT,M10.1.0,M4.1.0/3"}) {
            setZone(zone);
            for (int month = 1; month <= 12; ++month) {
                const FeedDateTime local = dt(28, month, 2025, 13, 7, 9);
                QCOMPARE(parseFeedDate(formatFeedDate(local)), local);
            }
        }
    }

    void normalizeCarriesEveryField()
    {
        QCOMPARE(normalizeFeedDateTime(dt(31, 12, 2026, 23, 60, 0)), dt(1, 1, 2027, 0, 0, 0));
        QCOMPARE(normalizeFeedDateTime(dt(1, 1, 2027, 0, -1, 0)), dt(31, 12, 2026, 23, 59, 0));
        QCOMPARE(normalizeFeedDateTime(dt(1, 3, 2023, -1, 0, 0)), dt(28, 2, 2023, 23, 0, 0));
        QCOMPARE(normalizeFeedDateTime(dt(1, 3, 2000, -1, 0, 0)), dt(29, 2, 2000, 23, 0, 0));
        QCOMPARE(normalizeFeedDateTime(dt(30, 2, 2024, 0, 0, 0)), dt(1, 3, 2024, 0, 0, 0));
        QCOMPARE(normalizeFeedDateTime(dt(0, 1, 2024, 0, 0, 0)), dt(31, 12, 2023, 0, 0, 0));
        // Hostile values end quickly and stay within the record.
        const FeedDateTime wild = normalizeFeedDateTime(dt(32767, 12, 32767, 32767, 32767, 0));
        QVERIFY(wild.month >= 1 && wild.month <= 12);
        QVERIFY(wild.hour >= 0 && wild.hour <= 23);
    }

    void daysInMonthFollowsTheGregorianCalendar()
    {
        QCOMPARE(daysInMonth(2, 2024), 29);
        QCOMPARE(daysInMonth(2, 1900), 28);
        QCOMPARE(daysInMonth(2, 2000), 29);
        QCOMPARE(daysInMonth(2, 2023), 28);
        QCOMPARE(daysInMonth(4, 2023), 30);
        QCOMPARE(daysInMonth(12, 2023), 31);
        QCOMPARE(daysInMonth(0, 2023), 0);
        QCOMPARE(daysInMonth(13, 2023), 0);
    }

    void displaysDateAndTime()
    {
        setZone("UTC");
        QLocale::setDefault(QLocale::c());
        QCOMPARE(displayDate(QStringLiteral("3 Foo 2026 21:57:19 GMT")), QStringLiteral("[Unknown date]"));
        QCOMPARE(displayDate(QString()), QStringLiteral("[Unknown date]"));
        const QString date = displayDate(QStringLiteral("Thu, 03 Dec 2026 21:57:19 GMT"));
        QCOMPARE(date, QLocale::system().toString(QDate(2026, 12, 3), QLocale::ShortFormat));
        const QString time = displayTime(QStringLiteral("Thu, 03 Dec 2026 21:57:19 GMT"));
        QVERIFY2(time.contains(QLatin1String("57:19")), qPrintable(time));
        QVERIFY2(!time.contains(QLatin1String("UTC")) && !time.contains(QLatin1String("GMT")),
                 qPrintable(time));
        QVERIFY2(!time.endsWith(QLatin1Char(' ')), qPrintable(time));
    }

    void currentTimeIsLocal()
    {
        setZone("EET-2");
        const FeedDateTime now = currentFeedDateTime();
        const QDateTime utc = QDateTime::currentDateTimeUtc();
        QCOMPARE(int(now.hour), (utc.time().hour() + 2) % 24);
        QVERIFY(now.year >= 2024);
    }
};

QTEST_GUILESS_MAIN(TestFeedDates)
#include "tst_feeddates.moc"

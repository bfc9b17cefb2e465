#include "feed/CharsetTable.h"
#include "feed/FeedEncoding.h"
#include "feed/FeedReader.h"
#include "feed/FeedWriter.h"
#include "feed/TextCodec.h"
#include "support/TestUtil.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

// Characters from every script the table covers; each entry holds at least one natively.
const QString kSamples = QString::fromUtf8("é Ж Ω ع ٣ א ก 中 日本 한 Ş Ա ő");
// Characters some converters map one way only (they would read back as others).
const QString kOneWay = QString::fromUtf8("— ¥ ‾ ¢ ₩ 〜 −");

QString withReferencesResolved(QString text)
{
    static const QRegularExpression ref(QStringLiteral("&#([0-9]+);"));
    QRegularExpressionMatch m;
    while ((m = ref.match(text)).hasMatch()) {
        const char32_t cp = m.captured(1).toUInt();
        text.replace(m.capturedStart(), m.capturedLength(), QString::fromUcs4(&cp, 1));
    }
    return text;
}

QString feedText(int index, const QString& body)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>\r\n<rss><title>%2</title></rss>")
        .arg(charsets::charsetName(index), body);
}

} // namespace

class TestCharsets : public QObject {
    Q_OBJECT
private slots:
    void tableHasFiftyFourEntriesWithWindows1252Last()
    {
        QCOMPARE(int(charsets::table().size()), 54);
        QCOMPARE(QString::fromLatin1(charsets::table()[53].displayName),
                 QStringLiteral("Western (Windows-1252)"));
        QCOMPARE(charsets::charsetName(53), QStringLiteral("Windows-1252"));
        QCOMPARE(charsets::charsetName(3), QStringLiteral("armscii-8"));
        QCOMPARE(charsets::charsetName(15), QStringLiteral("ISO-2922-CN"));
        QCOMPARE(charsets::charsetName(99), QStringLiteral("Windows-1252"));
        QCOMPARE(charsets::indexOfCharset(QStringLiteral("shift_jis")), 33);
        QCOMPARE(charsets::indexOfCharset(QStringLiteral("latin1")), -1);
    }

    // Every entry writes its own text and reads it back: natively where it can, as numeric
    // references where it cannot, never as "?".
    void everyEntryRoundTrips_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < charsets::kCount; ++i)
            QTest::newRow(charsets::table()[i].displayName) << i;
    }
    void everyEntryRoundTrips()
    {
        QFETCH(int, index);
        const QString text = feedText(index, kSamples + QLatin1Char(' ') + kOneWay + QStringLiteral(" ~{+-\\ & end"));
        const QByteArray bytes = encodeFeedText(text, index);
        QVERIFY2(!bytes.isEmpty(), "no converter for this entry");
        QCOMPARE(declaredCharsetName(bytes).toLower(),
                 index == 47 ? QStringLiteral("utf-32le")
                 : index == 48 ? QStringLiteral("utf-16le")
                               : charsets::charsetName(index).toLower());
        const QString decoded = decodeFeedText(bytes);
        QCOMPARE(withReferencesResolved(decoded), text);
        QVERIFY2(!decoded.contains(QLatin1Char('?') + QStringLiteral("</title>")), "default character used");
        int native = 0;
        for (const QString& s : kSamples.split(QLatin1Char(' ')))
            native += decoded.contains(s) ? 1 : 0;
        QVERIFY2(native >= 1, qPrintable(decoded));
        QCOMPARE(detectDeclaredEncoding(decoded), index == 12 ? 12 : charsets::indexOfCharset(charsets::charsetName(index)));
    }

    void unrepresentableCharactersBecomeReferences()
    {
        const QString text = QString::fromUtf8("<?xml version=\"1.0\"?>\r\n<?xml-stylesheet href=\"Ω.xsl\"?>\r\n<a t=\"Ω\">Ω😀é</a>");
        const QByteArray bytes = encodeFeedText(text, 53);
        QCOMPARE(bytes, QByteArray("<?xml version=\"1.0\"?>\r\n<?xml-stylesheet href=\"?.xsl\"?>\r\n"
                                   "<a t=\"&#937;\">&#937;&#128512;\xE9</a>"));
    }

    void encodingKeepsOnlyTheMarkup()
    {
        QCOMPARE(encodeFeedText(QStringLiteral("junk <a/> tail\r\n"), 49), QByteArray("<a/>"));
        QCOMPARE(encodeFeedText(QStringLiteral("no markup"), 49), QByteArray());
        // UTF-16 is written little-endian with a byte-order mark, and the trimming does not
        // split its two-byte units.
        const QByteArray utf16 = encodeFeedText(QStringLiteral("<a>x</a>\r\n"), 48);
        QCOMPARE(utf16, QByteArray("\xFF\xFE<\0a\0>\0x\0<\0/\0a\0>\0", 18));
        QCOMPARE(decodeFeedText(utf16), QStringLiteral("<a>x</a>"));
        const QByteArray utf32 = encodeFeedText(QStringLiteral("<a/>"), 47);
        QCOMPARE(utf32.size(), 4 + 4 * 4);
        QVERIFY(utf32.startsWith(QByteArray("\xFF\xFE\0\0", 4)));
    }

    void declaredCharsetRules_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("charset");
        QTest::newRow("no declaration") << QByteArray("<rss/>") << "utf-8";
        QTest::newRow("declaration without encoding") << QByteArray("<?xml version=\"1.0\"?><rss/>") << "utf-8";
        QTest::newRow("upper case") << QByteArray("<?XML VERSION=\"1.0\" ENCODING=\"KOI8-R\"?>") << "KOI8-R";
        QTest::newRow("unquoted to the blank") << QByteArray("<?xml encoding=windows-1251 ?>") << "windows-1251";
        QTest::newRow("unquoted to ?>") << QByteArray("<?xml encoding=windows-1251?>") << "windows-1251";
        QTest::newRow("single quotes before a double-quoted standalone")
            << QByteArray("<?xml version='1.0' encoding='iso-8859-1' standalone=\"yes\"?>") << "iso-8859-1";
        QTest::newRow("only the first tag counts") << QByteArray("<rss><?xml encoding=\"koi8-r\"?>") << "utf-8";
        QTest::newRow("text before the first tag") << QByteArray("xx <?xml encoding=\" big5 \"?>") << "big5";
        QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBF<?xml encoding=\"koi8-r\"?>") << "utf-8";
        QTest::newRow("utf-16 big-endian mark") << QByteArray("\xFE\xFF\0<", 4) << "utf-16be";
        QTest::newRow("utf-16 without a mark") << QByteArray("<\0?\0x\0", 6) << "utf-16le";
    }
    void declaredCharsetRules()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, charset);
        QCOMPARE(declaredCharsetName(bytes), charset);
    }

    void decodingHandlesBadInput()
    {
        // KOI8-R in any letter case.
        QCOMPARE(decodeFeedText("<?xml version=\"1.0\" encoding=\"koi8-R\"?><a>\xF0\xD2\xC9</a>"),
                 QString::fromUtf8("<?xml version=\"1.0\" encoding=\"koi8-R\"?><a>При</a>"));
        // Invalid bytes become replacement characters; decoding goes on after them.
        QCOMPARE(decodeFeedText("<?xml encoding=\"Shift_JIS\"?><a>\x82\xA0\x82</a>"),
                 QString::fromUtf8("<?xml encoding=\"Shift_JIS\"?><a>あ\uFFFD</a>"));
        QCOMPARE(decodeFeedText("<a>\xC3(</a>"), QString::fromUtf8("<a>\uFFFD(</a>"));
        // A charset no converter knows gives the empty text.
        QCOMPARE(decodeFeedText("<?xml encoding=\"x-no-such\"?><a/>"), QString());
        QCOMPARE(decodeFeedText("<?xml encoding=\"../../etc/x\"?><a/>"), QString());
        QVERIFY(!textcodec::isSupported(QStringLiteral("UTF-8//IGNORE")));
        QCOMPARE(decodeFeedText(QByteArray()), QString());
        // A one-byte file that claims UTF-16 is read as UTF-8 rather than as garbage.
        QCOMPARE(decodeFeedText("<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\xC3\xA9</a>"),
                 QString::fromUtf8("<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>é</a>"));
        QCOMPARE(decodeFeedText("\xEF\xBB\xBF"), QString());
    }

    void openPodcastReadsFileText()
    {
        QCOMPARE(feedTextFromBytes("\xEF\xBB\xBFjunk<rss/>\r\n").text, QStringLiteral("<rss/>"));
        QCOMPARE(feedTextFromBytes("no markup").status, FeedFileText::Status::NoMarkup);
        QCOMPARE(feedTextFromBytes("").status, FeedFileText::Status::NoMarkup);
        // Invalid bytes are told apart from a replacement character the file really holds.
        QVERIFY(!feedTextFromBytes("<?xml version=\"1.0\" encoding=\"utf-8\"?><t>\xff</t>").lossless);
        QVERIFY(feedTextFromBytes("<t>\xEF\xBF\xBD</t>").lossless);
        QVERIFY(feedTextFromBytes("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><t>\xff</t>").lossless);
        QCOMPARE(feedTextFromBytes("\xEF\xBB\xBF").status, FeedFileText::Status::NoMarkup);
        QCOMPARE(feedTextFromBytes("\xFF\xFE").status, FeedFileText::Status::NoMarkup);
        const FeedFileText unknown = feedTextFromBytes("<?xml encoding=\"x-none\"?><rss/>");
        QCOMPARE(unknown.status, FeedFileText::Status::Ok);
        QVERIFY(unknown.text.isEmpty());
        QCOMPARE(readFeedFile(QStringLiteral("/nonexistent/feed.rss")).status,
                 FeedFileText::Status::CannotRead);
    }

    void detectsDeclaredEncodingByTheOpenRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::newRow("single quotes") << "<?xml version='1.0' encoding='iso-8859-1'?>" << 51;
        QTest::newRow("no declaration") << "<rss/>" << 53;
        QTest::newRow("unknown name") << "<?xml encoding=\"latin1\"?>" << 53;
        QTest::newRow("any case") << "<?xml ENCODING = \"utf-8\" ?>" << 49;
        QTest::newRow("no question mark") << "<x encoding=\"koi8-u\">" << 25;
        QTest::newRow("standalone after it") << "<?xml encoding=\"GB2312\" standalone=\"yes\"?>" << 12;
        QTest::newRow("no equals sign") << "<?xml encoding?>" << 53;
    }
    void detectsDeclaredEncodingByTheOpenRule()
    {
        QFETCH(QString, text);
        QFETCH(int, index);
        QCOMPARE(detectDeclaredEncoding(text), index);
        QCOMPARE(detectDeclaredEncodingUtf8(text.toUtf8()), index);
    }

    // The writer encodes its UTF-8 text without a detour through UTF-16 where it can; every
    // entry gives the bytes the UTF-16 encoder gives.
    void utf8EncoderMatchesTheUtf16One_data() { everyEntryRoundTrips_data(); }
    void utf8EncoderMatchesTheUtf16One()
    {
        QFETCH(int, index);
        const QString text = kSamples + kOneWay + QString::fromUtf8("😀 %~\\ end");
        const auto reference = [](char32_t cp, qsizetype) { return QStringLiteral("&#%1;").arg(quint32(cp)); };
        const QString charset = charsets::charsetName(index);
        QCOMPARE(textcodec::encodeUtf8(text.toUtf8(), charset, reference),
                 textcodec::encode(text, charset, reference));
    }

    // The reader's UTF-8 route yields what decoding to UTF-16 yields, for every byte of the
    // one-byte tables and for malformed UTF-8.
    void utf8DecoderMatchesTheUtf16One_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("charset");
        QTest::addColumn<bool>("wellFormedUtf8");
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        for (const char* name : {"windows-1252", "iso-8859-7", "koi8-r", "ibm864", "tis-620"})
            QTest::newRow(name) << all << QString::fromLatin1(name) << false;
        QTest::newRow("overlong") << QByteArray("a\xC0\xAFb") << "utf-8" << false;
        QTest::newRow("surrogate") << QByteArray("a\xED\xA0\x80b") << "utf-8" << false;
        QTest::newRow("past U+10FFFF") << QByteArray("a\xF4\x90\x80\x80") << "utf-8" << false;
        QTest::newRow("truncated") << QByteArray("a\xE2\x82") << "utf-8" << false;
        QTest::newRow("second mark") << QByteArray("\xEF\xBB\xBF<a/>") << "utf-8" << true;
        QTest::newRow("well-formed") << QString::fromUtf8("<a>é 中 😀 \U0010FFFF</a>").toUtf8() << "utf-8" << true;
        QTest::newRow("multibyte") << QByteArray("<a>\x82\xA0\x82</a>") << "shift_jis" << false;
    }
    void utf8DecoderMatchesTheUtf16One()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, charset);
        QFETCH(bool, wellFormedUtf8);
        const auto utf8 = textcodec::decodeToUtf8(bytes, charset);
        QVERIFY(utf8);
        QCOMPARE(QString::fromUtf8(*utf8), *textcodec::decode(bytes, charset));
        QCOMPARE(textcodec::isValidUtf8(bytes), wellFormedUtf8);
    }

    // Files written before the UTF-8 writer and reader, in each family of encodings: reading
    // the source and writing it in that encoding gives the file, and so does rewriting the file.
    void knownFeedsKeepTheirBytes_data()
    {
        QTest::addColumn<QString>("charset");
        for (const char* name : {"UTF-8", "Windows-1252", "ISO-8859-5", "ISO-8859-7", "KOI8-R",
                                 "Shift_JIS", "EUC-KR", "UTF-16"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void knownFeedsKeepTheirBytes()
    {
        QFETCH(QString, charset);
        const QString folder = QStringLiteral(VELMORA_TEST_DATA "/feed/bytes/");
        const QByteArray known = testutil::readFile(folder + charset + QStringLiteral(".rss"));
        QVERIFY(!known.isEmpty());
        const int index = charsets::indexOfCharset(charset);
        const auto read = [](const QString& path) {
            FeedDocument d;
            FeedFileUtf8 file = readFeedFileUtf8(path);
            const int declared = detectDeclaredEncodingUtf8(file.utf8);
            readFeedUtf8(std::move(file.utf8), d);
            return std::make_pair(d, declared);
        };
        QCOMPARE(buildFeedBytes(read(folder + QStringLiteral("source.rss")).first, index), known);
        const auto [again, declared] = read(folder + charset + QStringLiteral(".rss"));
        QCOMPARE(declared, index);
        QCOMPARE(buildFeedBytes(again, declared), known);
        // The UTF-16 entry points give the same.
        FeedDocument viaText;
        QVERIFY(readFeed(readFeedFile(folder + charset + QStringLiteral(".rss")).text, viaText));
        QCOMPARE(encodeFeedText(buildFeedText(viaText, index), index), known);
    }

    void replacesTypographicEntities()
    {
        QCOMPARE(replaceEntities(QString::fromUtf8("© ® ™ € „ “ « » § ”")),
                 QStringLiteral("&copy; &reg; &trade; &euro; &bdquo; &ldquo; &laquo; &raquo; &sect; ") + QString::fromUtf8("”"));
        QCOMPARE(replaceEntities(QString::fromUtf8("€€")), QStringLiteral("&euro;&euro;"));
    }
};

QTEST_GUILESS_MAIN(TestCharsets)
#include "tst_charsets.moc"

#include "feed/TextCodec.h"

#include <QHash>
#include <QMutex>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <vector>

namespace textcodec {
namespace {

enum class Special { None, Utf7, Hz, Utf16, Utf32, Utf8 };

struct Converter {
    QByteArray iconvName;
    Special special = Special::None;
    // Characters the converter maps one way only (CP932 writes "—" as the code that reads back
    // as "―"); they are handed to the fallback so that text never changes on a round trip.
    std::vector<char32_t> oneWay;
};

// Stateless one-byte charsets convert through a table built from iconv once: much faster than
// iconv for large feeds, and exact in both directions by construction.
bool isSingleByte(const QByteArray& iconvName)
{
    static const QList<QByteArray> names = {
        "IBM864", "IBM852", "IBM855", "IBM857", "IBM862", "IBM866", "ARMSCII-8", "ISO-IR-111",
        "KOI8-R", "KOI8-U", "TIS-620", "WINDOWS-874", "WINDOWS-1250", "WINDOWS-1251",
        "WINDOWS-1252", "WINDOWS-1253", "WINDOWS-1254", "WINDOWS-1256", "WINDOWS-1257"};
    return names.contains(iconvName)
        || (iconvName.startsWith("ISO-8859-") && iconvName.size() <= 11);
}

struct ByteTable {
    std::array<char16_t, 256> toUnicode{};
    std::vector<qint16> fromUnicode = std::vector<qint16>(65536, -1);
    // toUnicode as UTF-8: up to three bytes per entry, and their count.
    std::array<std::array<char, 3>, 256> toUtf8{};
    std::array<quint8, 256> utf8Length{};
};

// Names that iconv spells differently, or that need our own handling.
std::optional<Converter> converterFor(const QString& charsetName)
{
    const QString name = charsetName.trimmed().toLower();
    if (name.isEmpty() || name.size() > 40)
        return std::nullopt;
    // Only plain charset names reach iconv: no paths, no "//IGNORE"-style suffixes.
    for (QChar c : name) {
        const bool ok = (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-')
            || c == QLatin1Char('_') || c == QLatin1Char('.') || c == QLatin1Char(':');
        if (!ok)
            return std::nullopt;
    }
    static const QHash<QString, Converter> aliases = {
        {QStringLiteral("utf-8"), {"UTF-8", Special::Utf8, {}}},
        {QStringLiteral("utf8"), {"UTF-8", Special::Utf8, {}}},
        {QStringLiteral("utf-16"), {"UTF-16LE", Special::Utf16, {}}},
        {QStringLiteral("utf-32"), {"UTF-32LE", Special::Utf32, {}}},
        {QStringLiteral("utf-7"), {"UTF-7", Special::Utf7, {}}},
        {QStringLiteral("hz-gb-2312"), {"GB2312", Special::Hz, {}}},
        {QStringLiteral("x-gbk"), {"GBK", Special::None, {}}},
        {QStringLiteral("x-euc-tw"), {"EUC-TW", Special::None, {}}},
        {QStringLiteral("x-johab"), {"JOHAB", Special::None, {}}},
        {QStringLiteral("x-windows-949"), {"CP949", Special::None, {}}},
        {QStringLiteral("iso-2922-cn"), {"ISO-2022-CN", Special::None, {}}},
        // As Windows reads it: 0x5C is the backslash and 0x7E the tilde, not yen and overline.
        {QStringLiteral("shift_jis"),
         {"CP932", Special::None,
          {0x00A2, 0x00A3, 0x00A5, 0x00AC, 0x2014, 0x2016, 0x203E, 0x2212, 0x301C}}},
        {QStringLiteral("euc-jp"), {"EUC-JP", Special::None, {0x00A5, 0x203E}}},
        {QStringLiteral("euc-kr"), {"EUC-KR", Special::None, {0x20A9}}},
    };
    const auto it = aliases.constFind(name);
    if (it != aliases.constEnd())
        return *it;
    return Converter{name.toUpper().toLatin1(), Special::None, {}};
}

class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t handle() const { return m_cd; }

private:
    iconv_t m_cd;
};

bool iconvKnows(const QByteArray& name)
{
    static QMutex mutex;
    static QHash<QByteArray, bool> known;
    const QMutexLocker lock(&mutex);
    const auto it = known.constFind(name);
    if (it != known.constEnd())
        return *it;
    const bool ok = Iconv(name.constData(), "UTF-16LE").valid()
        && Iconv("UTF-16LE", name.constData()).valid();
    known.insert(name, ok);
    return ok;
}

char32_t codePointAt(QStringView text, qsizetype i, int* units);

std::shared_ptr<const ByteTable> byteTable(const QByteArray& name)
{
    static QMutex mutex;
    static QHash<QByteArray, std::shared_ptr<const ByteTable>> tables;
    const QMutexLocker lock(&mutex);
    if (const auto it = tables.constFind(name); it != tables.constEnd())
        return *it;
    auto table = std::make_shared<ByteTable>();
    Iconv cd("UTF-16LE", name.constData());
    for (int b = 0; b < 256; ++b) {
        iconv(cd.handle(), nullptr, nullptr, nullptr, nullptr);
        char in = static_cast<char>(b);
        char16_t out[4];
        char* src = &in;
        size_t left = 1;
        char* dst = reinterpret_cast<char*>(out);
        size_t room = sizeof out;
        const bool ok = iconv(cd.handle(), &src, &left, &dst, &room) != static_cast<size_t>(-1)
            && iconv(cd.handle(), nullptr, nullptr, &dst, &room) != static_cast<size_t>(-1);
        const size_t units = (sizeof out - room) / 2;
        if (ok && units == 1) {
            table->toUnicode[b] = out[0];
            if (table->fromUnicode[out[0]] < 0)
                table->fromUnicode[out[0]] = static_cast<qint16>(b);
        } else {
            table->toUnicode[b] = 0xFFFD;
        }
        const char16_t u = table->toUnicode[b];
        auto& seq = table->toUtf8[b];
        if (u < 0x80) {
            seq[0] = static_cast<char>(u);
            table->utf8Length[b] = 1;
        } else if (u < 0x800) {
            seq = {static_cast<char>(0xC0 | (u >> 6)), static_cast<char>(0x80 | (u & 0x3F)), 0};
            table->utf8Length[b] = 2;
        } else {
            seq = {static_cast<char>(0xE0 | (u >> 12)), static_cast<char>(0x80 | ((u >> 6) & 0x3F)),
                   static_cast<char>(0x80 | (u & 0x3F))};
            table->utf8Length[b] = 3;
        }
    }
    tables.insert(name, table);
    return table;
}

QByteArray tableEncode(const ByteTable& table, QStringView text, const Fallback& fallback)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char* dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qint16 b = table.fromUnicode[text[i].unicode()];
        if (b >= 0) {
            *dst++ = static_cast<char>(b);
            continue;
        }
        int units = 1;
        const char32_t cp = codePointAt(text, i, &units);
        const QString replacement = fallback ? fallback(cp, i) : QStringLiteral("?");
        const qsizetype used = dst - out.data();
        out.resize(out.size() + replacement.size());
        dst = out.data() + used;
        for (QChar r : replacement)
            if (const qint16 rb = table.fromUnicode[r.unicode()]; rb >= 0)
                *dst++ = static_cast<char>(rb);
        i += units - 1;
    }
    out.resize(dst - out.data());
    return out;
}

QString tableDecode(const ByteTable& table, QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    for (const char b : bytes)
        *dst++ = table.toUnicode[static_cast<uchar>(b)];
    return out;
}

QByteArray tableDecodeUtf8(const ByteTable& table, QByteArrayView bytes)
{
    qsizetype size = 0;
    for (const char b : bytes)
        size += table.utf8Length[static_cast<uchar>(b)];
    QByteArray out(size, Qt::Uninitialized);
    char* dst = out.data();
    for (const char b : bytes) {
        const uchar u = static_cast<uchar>(b);
        const auto& seq = table.toUtf8[u];
        switch (table.utf8Length[u]) {
        case 3: *dst++ = seq[0]; *dst++ = seq[1]; *dst++ = seq[2]; break;
        case 2: *dst++ = seq[0]; *dst++ = seq[1]; break;
        default: *dst++ = seq[0];
        }
    }
    return out;
}

// The code point at `i` of UTF-8 text and its length in bytes; a byte that starts no valid
// sequence is U+FFFD of length 1.
char32_t utf8At(QByteArrayView s, qsizetype i, int* length)
{
    const auto b = [&s](qsizetype k) { return static_cast<uchar>(s[k]); };
    const uchar lead = b(i);
    *length = 1;
    if (lead < 0x80)
        return lead;
    int n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (n == 0 || i + n > s.size())
        return 0xFFFD;
    char32_t cp = lead & (0x7F >> n);
    for (int k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80)
            return 0xFFFD;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    *length = n;
    return cp;
}

QByteArray tableEncodeUtf8(const ByteTable& table, QByteArrayView utf8, const Fallback& fallback)
{
    // Every character takes at least one byte of the input and gives one: only fallback
    // texts can make the output longer.
    QByteArray out(utf8.size(), Qt::Uninitialized);
    char* dst = out.data();
    char* end = dst + out.size();
    for (qsizetype i = 0; i < utf8.size();) {
        const uchar lead = static_cast<uchar>(utf8[i]);
        int length = 1;
        const char32_t cp = lead < 0x80 ? lead : utf8At(utf8, i, &length);
        const qint16 b = cp < 0x10000 ? table.fromUnicode[cp] : -1;
        if (b >= 0) {
            *dst++ = static_cast<char>(b);
            i += length;
            continue;
        }
        const QString replacement = fallback ? fallback(cp, i) : QStringLiteral("?");
        i += length;
        const qsizetype room = end - dst, left = utf8.size() - i;
        if (room - replacement.size() < left) {
            const qsizetype used = dst - out.data();
            out.resize(used + replacement.size() + left + 64);
            dst = out.data() + used;
            end = out.data() + out.size();
        }
        for (QChar r : replacement)
            if (const qint16 rb = table.fromUnicode[r.unicode()]; rb >= 0)
                *dst++ = static_cast<char>(rb);
    }
    out.resize(dst - out.data());
    return out;
}

// Offsets into a UTF-16 text mapped to offsets into its UTF-8 form, for offsets that mostly
// grow (as an encoder's fallback receives them).
class Utf16ToUtf8Offsets {
public:
    explicit Utf16ToUtf8Offsets(QByteArrayView utf8) : m_utf8(utf8) {}
    qsizetype operator()(qsizetype unit)
    {
        if (unit < m_unit)
            m_unit = m_byte = 0;
        while (m_unit < unit && m_byte < m_utf8.size()) {
            int length = 1;
            const char32_t cp = utf8At(m_utf8, m_byte, &length);
            m_byte += length;
            m_unit += cp >= 0x10000 ? 2 : 1;
        }
        return m_byte;
    }

private:
    QByteArrayView m_utf8;
    qsizetype m_unit = 0, m_byte = 0;
};

char32_t codePointAt(QStringView text, qsizetype i, int* units)
{
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(c, text[i + 1]);
    }
    *units = 1;
    return c.unicode();
}

// Runs iconv over UTF-16 input, appending to `out`; unconvertible characters go through the
// fallback, whose ASCII text is converted by the same descriptor (so shift states stay right).
void iconvEncode(iconv_t cd, QStringView text, const Fallback& fallback,
                 const std::vector<char32_t>& oneWay, QByteArray& out)
{
    // Position (in bytes of the input) of the next character that must go to the fallback.
    auto nextOneWay = [&](size_t fromByte) -> size_t {
        if (oneWay.empty())
            return static_cast<size_t>(text.size()) * 2;
        for (qsizetype i = static_cast<qsizetype>(fromByte / 2); i < text.size(); ++i)
            if (std::find(oneWay.begin(), oneWay.end(), text[i].unicode()) != oneWay.end())
                return static_cast<size_t>(i) * 2;
        return static_cast<size_t>(text.size()) * 2;
    };
    const char* base = reinterpret_cast<const char*>(text.utf16());
    size_t total = static_cast<size_t>(text.size()) * 2;
    size_t done = 0;
    qsizetype used = out.size();
    out.resize(used + static_cast<qsizetype>(total) + 64);
    auto grow = [&](char*& dst, size_t& room) {
        used = dst - out.data();
        out.resize(out.size() * 2 + 64);
        dst = out.data() + used;
        room = static_cast<size_t>(out.size() - used);
    };
    char* dst = out.data() + used;
    size_t room = static_cast<size_t>(out.size() - used);
    size_t limit = nextOneWay(0);
    while (done < total) {
        if (done < limit) {
            char* src = const_cast<char*>(base + done);
            size_t left = limit - done;
            const size_t r = iconv(cd, &src, &left, &dst, &room);
            done = limit - left;
            if (r == static_cast<size_t>(-1) && errno == E2BIG) {
                grow(dst, room);
                continue;
            }
            if (r != static_cast<size_t>(-1))
                continue; // the segment is done: next comes a one-way character, or the end
        } else {
            limit = nextOneWay(done + 2); // `done` sits on a one-way character
        }
        // A character the target lacks (EILSEQ), a lone surrogate, or a one-way character.
        int units = 1;
        const qsizetype offset = static_cast<qsizetype>(done / 2);
        const char32_t cp = codePointAt(text, offset, &units);
        const QString replacement = fallback ? fallback(cp, offset) : QStringLiteral("?");
        done += static_cast<size_t>(units) * 2;
        char* rsrc = const_cast<char*>(reinterpret_cast<const char*>(replacement.utf16()));
        size_t rleft = static_cast<size_t>(replacement.size()) * 2;
        while (rleft > 0) {
            if (iconv(cd, &rsrc, &rleft, &dst, &room) != static_cast<size_t>(-1))
                break;
            if (errno == E2BIG)
                grow(dst, room);
            else
                break; // the target cannot even hold ASCII here: leave the character out
        }
    }
    // Return to the initial shift state (ISO-2022 forms).
    while (iconv(cd, nullptr, nullptr, &dst, &room) == static_cast<size_t>(-1) && errno == E2BIG)
        grow(dst, room);
    out.resize(dst - out.data());
}

std::optional<QString> iconvDecode(const QByteArray& name, QByteArrayView bytes)
{
    Iconv cd("UTF-16LE", name.constData());
    if (!cd.valid())
        return std::nullopt;
    QString out;
    out.resize(bytes.size() + 16);
    char* dst = reinterpret_cast<char*>(out.data());
    size_t room = static_cast<size_t>(out.size()) * 2;
    char* src = const_cast<char*>(bytes.data());
    size_t left = static_cast<size_t>(bytes.size());
    auto grow = [&]() {
        const qsizetype usedUnits = (dst - reinterpret_cast<char*>(out.data())) / 2;
        out.resize(out.size() * 2 + 16);
        dst = reinterpret_cast<char*>(out.data()) + usedUnits * 2;
        room = static_cast<size_t>(out.size() - usedUnits) * 2;
    };
    const char16_t replacement = 0xFFFD;
    while (left > 0) {
        if (iconv(cd.handle(), &src, &left, &dst, &room) != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            grow();
            continue;
        }
        // An invalid or truncated sequence: one replacement character, then go on.
        if (room < 2)
            grow();
        std::memcpy(dst, &replacement, 2);
        dst += 2;
        room -= 2;
        ++src;
        --left;
        iconv(cd.handle(), nullptr, nullptr, nullptr, nullptr);
    }
    // Converters that combine characters may still hold the last one.
    while (iconv(cd.handle(), nullptr, nullptr, &dst, &room) == static_cast<size_t>(-1) && errno == E2BIG)
        grow();
    out.resize((dst - reinterpret_cast<char*>(out.data())) / 2);
    return out;
}

// UTF-7 with every printable ASCII character but "+", "\" and "~" written directly, so that
// "<", ">", "=" and quotation marks stay readable for the declaration search.
QByteArray encodeUtf7(QStringView text)
{
    static const char b64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    QByteArray out;
    out.reserve(text.size() + 16);
    qsizetype i = 0;
    while (i < text.size()) {
        const char16_t c = text[i].unicode();
        const bool direct = (c >= 0x20 && c < 0x7F && c != '+' && c != '\\' && c != '~')
            || c == '\t' || c == '\r' || c == '\n';
        if (direct) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c == '+') {
            out += "+-";
            ++i;
            continue;
        }
        out += '+';
        quint32 bits = 0;
        int nbits = 0;
        while (i < text.size()) {
            const char16_t u = text[i].unicode();
            const bool d = (u >= 0x20 && u < 0x7F && u != '\\' && u != '~') || u == '\t'
                || u == '\r' || u == '\n';
            if (d)
                break;
            bits = (bits << 16) | u;
            nbits += 16;
            while (nbits >= 6) {
                nbits -= 6;
                out += b64[(bits >> nbits) & 0x3F];
            }
            ++i;
        }
        if (nbits > 0)
            out += b64[(bits << (6 - nbits)) & 0x3F];
        out += '-';
    }
    return out;
}

// GB2312 (EUC-CN) bytes to HZ: two-byte characters inside "~{" ... "~}" with the high bits
// cleared, "~" doubled outside.
QByteArray eucToHz(const QByteArray& euc)
{
    QByteArray out;
    out.reserve(euc.size() + 16);
    bool gb = false;
    for (qsizetype i = 0; i < euc.size(); ++i) {
        const auto b = static_cast<unsigned char>(euc[i]);
        if (b >= 0xA1 && i + 1 < euc.size()) {
            if (!gb) {
                out += "~{";
                gb = true;
            }
            out += static_cast<char>(b & 0x7F);
            out += static_cast<char>(static_cast<unsigned char>(euc[++i]) & 0x7F);
            continue;
        }
        if (gb) {
            out += "~}";
            gb = false;
        }
        if (b == '~')
            out += "~~";
        else
            out += static_cast<char>(b);
    }
    if (gb)
        out += "~}";
    return out;
}

QByteArray hzToEuc(QByteArrayView hz)
{
    QByteArray out;
    out.reserve(hz.size());
    bool gb = false;
    for (qsizetype i = 0; i < hz.size(); ++i) {
        const auto b = static_cast<unsigned char>(hz[i]);
        if (b == '~' && i + 1 < hz.size()) {
            const char next = hz[i + 1];
            if (next == '{' || next == '}' || next == '~' || next == '\n') {
                if (next == '{')
                    gb = true;
                else if (next == '}')
                    gb = false;
                else if (next == '~')
                    out += '~';
                ++i;
                continue;
            }
        }
        if (gb && b >= 0x21 && b <= 0x7E && i + 1 < hz.size()) {
            out += static_cast<char>(b | 0x80);
            out += static_cast<char>(static_cast<unsigned char>(hz[++i]) | 0x80);
            continue;
        }
        out += static_cast<char>(b);
    }
    return out;
}

} // namespace

bool isSupported(const QString& charsetName)
{
    const auto conv = converterFor(charsetName);
    if (!conv)
        return false;
    if (conv->special == Special::Utf8)
        return true;
    return iconvKnows(conv->iconvName);
}

std::optional<QByteArray> encode(QStringView text, const QString& charsetName,
                                 const Fallback& fallback)
{
    const auto conv = converterFor(charsetName);
    if (!conv)
        return std::nullopt;
    if (conv->special == Special::Utf8)
        return text.toUtf8();
    if (conv->special == Special::Utf7)
        return encodeUtf7(text);
    if (!iconvKnows(conv->iconvName))
        return std::nullopt;
    if (conv->special == Special::None && isSingleByte(conv->iconvName))
        return tableEncode(*byteTable(conv->iconvName), text, fallback);
    Iconv cd(conv->iconvName.constData(), "UTF-16LE");
    if (!cd.valid())
        return std::nullopt;
    QByteArray out;
    if (conv->special == Special::Utf16)
        out = QByteArray("\xFF\xFE", 2);
    else if (conv->special == Special::Utf32)
        out = QByteArray("\xFF\xFE\x00\x00", 4);
    iconvEncode(cd.handle(), text, fallback, conv->oneWay, out);
    if (conv->special == Special::Hz)
        return eucToHz(out);
    return out;
}

std::optional<QByteArray> encodeUtf8(QByteArrayView utf8, const QString& charsetName,
                                     const Fallback& fallback)
{
    const auto conv = converterFor(charsetName);
    if (!conv)
        return std::nullopt;
    if (conv->special == Special::Utf8)
        return utf8.toByteArray();
    if (conv->special == Special::None && isSingleByte(conv->iconvName)) {
        if (!iconvKnows(conv->iconvName))
            return std::nullopt;
        return tableEncodeUtf8(*byteTable(conv->iconvName), utf8, fallback);
    }
    Utf16ToUtf8Offsets offsets(utf8);
    Fallback mapped;
    if (fallback)
        mapped = [&](char32_t cp, qsizetype unit) { return fallback(cp, offsets(unit)); };
    return encode(QString::fromUtf8(utf8), charsetName, mapped);
}

std::optional<QByteArray> decodeToUtf8(QByteArrayView bytes, const QString& charsetName)
{
    const auto conv = converterFor(charsetName);
    if (!conv)
        return std::nullopt;
    // A leading byte-order mark is left to the UTF-16 route, which decides what becomes of it.
    if (conv->special == Special::Utf8 && isValidUtf8(bytes) && !bytes.startsWith("\xEF\xBB\xBF"))
        return bytes.toByteArray();
    if (conv->special == Special::None && isSingleByte(conv->iconvName)) {
        if (!iconvKnows(conv->iconvName))
            return std::nullopt;
        return tableDecodeUtf8(*byteTable(conv->iconvName), bytes);
    }
    const std::optional<QString> text = decode(bytes, charsetName);
    if (!text)
        return std::nullopt;
    return text->toUtf8();
}

bool isUtf8(const QString& charsetName)
{
    const auto conv = converterFor(charsetName);
    return conv && conv->special == Special::Utf8;
}

bool isValidUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        // Eight ASCII bytes at a time: the bulk of any feed.
        if (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                p += 8;
                continue;
            }
        }
        const uchar lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int n;
        uchar lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF)
            n = 2;
        else if (lead >= 0xE0 && lead <= 0xEF) {
            n = 3;
            if (lead == 0xE0)
                lo = 0xA0; // no overlong forms
            else if (lead == 0xED)
                hi = 0x9F; // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            n = 4;
            if (lead == 0xF0)
                lo = 0x90;
            else if (lead == 0xF4)
                hi = 0x8F; // nothing past U+10FFFF
        } else
            return false;
        if (end - p < n || p[1] < lo || p[1] > hi)
            return false;
        for (int k = 2; k < n; ++k)
            if ((p[k] & 0xC0) != 0x80)
                return false;
        p += n;
    }
    return true;
}

std::optional<QString> decode(QByteArrayView bytes, const QString& charsetName)
{
    const auto conv = converterFor(charsetName);
    if (!conv)
        return std::nullopt;
    if (conv->special == Special::Utf8)
        return QString::fromUtf8(bytes);
    if (!iconvKnows(conv->iconvName))
        return std::nullopt;
    if (conv->special == Special::Hz)
        return iconvDecode(conv->iconvName, hzToEuc(bytes));
    if (conv->special == Special::None && isSingleByte(conv->iconvName))
        return tableDecode(*byteTable(conv->iconvName), bytes);
    return iconvDecode(conv->iconvName, bytes);
}

} // namespace textcodec

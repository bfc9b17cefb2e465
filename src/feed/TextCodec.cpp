#include "feed/TextCodec.h"

#include <QHash>
#include <QMutex>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
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
        {QStringLiteral("utf-8"), {"UTF-8", Special::Utf8}},
        {QStringLiteral("utf8"), {"UTF-8", Special::Utf8}},
        {QStringLiteral("utf-16"), {"UTF-16LE", Special::Utf16}},
        {QStringLiteral("utf-32"), {"UTF-32LE", Special::Utf32}},
        {QStringLiteral("utf-7"), {"UTF-7", Special::Utf7}},
        {QStringLiteral("hz-gb-2312"), {"GB2312", Special::Hz}},
        {QStringLiteral("x-gbk"), {"GBK", Special::None}},
        {QStringLiteral("x-euc-tw"), {"EUC-TW", Special::None}},
        {QStringLiteral("x-johab"), {"JOHAB", Special::None}},
        {QStringLiteral("x-windows-949"), {"CP949", Special::None}},
        {QStringLiteral("iso-2922-cn"), {"ISO-2022-CN", Special::None}},
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
    return Converter{name.toUpper().toLatin1(), Special::None};
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
    return iconvDecode(conv->iconvName, bytes);
}

} // namespace textcodec

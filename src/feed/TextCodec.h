#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

// Conversion between Unicode text and bytes by charset name, on the C library's iconv with an
// alias table for the names feeds use that iconv spells differently. UTF-16 and UTF-32 are
// written little-endian with a byte-order mark; UTF-7 keeps markup characters direct so that
// the XML declaration stays readable; HZ-GB-2312 is built on GB2312.
namespace textcodec {

// Text for a character the target cannot represent; `offset` is its position in the input.
// The result must be plain ASCII.
using Fallback = std::function<QString(char32_t codePoint, qsizetype offset)>;

// Whether a converter exists for the charset name (any letter case).
bool isSupported(const QString& charsetName);

// Encodes the text; characters the charset lacks are replaced by `fallback` (by "?" when none
// is given). std::nullopt when no converter exists for the name.
std::optional<QByteArray> encode(QStringView text, const QString& charsetName,
                                 const Fallback& fallback = {});

// Decodes the bytes; invalid sequences become U+FFFD. std::nullopt when no converter exists.
std::optional<QString> decode(QByteArrayView bytes, const QString& charsetName);

// The same two conversions for UTF-8 text, which is what the feed reader parses and the writer
// builds: UTF-8 is taken as it is and one-byte charsets convert through their table, so large
// feeds never pass through UTF-16; other charsets still do. encodeUtf8 gives `fallback` byte
// offsets into `utf8`; decodeToUtf8 yields what decode would, as UTF-8.
std::optional<QByteArray> encodeUtf8(QByteArrayView utf8, const QString& charsetName,
                                     const Fallback& fallback = {});
std::optional<QByteArray> decodeToUtf8(QByteArrayView bytes, const QString& charsetName);

// Whether the name is one of UTF-8's.
bool isUtf8(const QString& charsetName);

// Well-formed UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool isValidUtf8(QByteArrayView bytes);

} // namespace textcodec

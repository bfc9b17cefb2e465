#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Feed text and the bytes of feed files. These are the functions the session, the download
// flow and the upload call; the charset table is in CharsetTable.h.

// The feed text in the encoding of the CharsetTable entry, from its first "<" to its last ">".
// Characters the encoding lacks become numeric character references ("&#937;"); inside a CDATA
// section the section is closed around the reference; only inside processing instructions,
// where references mean nothing, they become "?". Empty when no converter supports
// the encoding.
QByteArray encodeFeedText(const QString& text, int encodingIndex);
// The same for the text in UTF-8, as the writer builds it.
QByteArray encodeFeedUtf8(QByteArrayView text, int encodingIndex);

// The charset name the bytes declare: a byte-order mark wins, then the XML declaration in the
// first tag; "utf-8" when there is none. Only the first tag is looked at.
QString declaredCharsetName(QByteArrayView bytes);

// Decodes feed bytes by their declared charset (see above; a byte-order mark is dropped).
// Invalid bytes become U+FFFD. Empty when no converter supports the declared charset.
QString decodeFeedText(QByteArrayView bytes);

// The CharsetTable index that a decoded feed text declares, by the open-podcast rule: the value
// after the first "encoding" and its "=", up to the next "?" (else ">"), trimmed and without
// quotation marks, compared with the table's names in any letter case. 53 when none matches.
int detectDeclaredEncoding(const QString& text);
int detectDeclaredEncodingUtf8(QByteArrayView text);

// Typographic characters of a channel description replaced by HTML entity references
// ("©" → "&copy;", "€" → "&euro;" ...).
QString replaceEntities(const QString& text);

// The text of a feed file as opening a podcast reads it: decoded by its declared encoding and
// cut to the part from the first "<" to the last ">".
struct FeedFileText {
    enum class Status {
        Ok,        // `text` holds the markup (empty when the charset has no converter)
        CannotRead, // the file is missing or unreadable
        NoMarkup,   // the file holds no "<" ... ">"
    };
    Status status = Status::Ok;
    QString text;
    bool lossless = true; // false when bytes invalid for the declared charset were replaced
};
FeedFileText feedTextFromBytes(QByteArrayView bytes);
FeedFileText readFeedFile(const QString& path);

// The same with the markup in UTF-8, which the reader parses: UTF-8 files are taken as read
// and one-byte charsets convert straight to UTF-8. The file is read with one system call.
struct FeedFileUtf8 {
    FeedFileText::Status status = FeedFileText::Status::Ok;
    QByteArray utf8;
    bool lossless = true;
};
FeedFileUtf8 feedUtf8FromBytes(QByteArray bytes);
FeedFileUtf8 readFeedFileUtf8(const QString& path);

// `text` from its first "<" to its last ">" inclusive; empty when either is missing.
QString markupPart(const QString& text);

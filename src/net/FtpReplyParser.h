#pragma once

#include <QByteArray>
#include <QString>

// One complete reply taken off the front of the control connection's buffer.
struct FtpReply {
    int code = 0;             // 0: no complete reply in the buffer yet
    QByteArray block;         // the reply's bytes as received, line ends included
    QString multiLineText;    // text after "nnn-" of every continuation line, lines joined by CR LF
};

// Splits the control connection's byte stream into replies. A reply ends with a complete line
// "nnn text" (or "nnn"); a multi-line reply that starts "nnn-" ends only at the line with the same
// code followed by a blank, so a partial reply is never taken for a whole one.
namespace FtpReplyParser {

// Removes the first complete reply from buffer and returns it; returns code 0 and leaves the
// buffer as it is when the reply is not complete yet. Lines before the first one that starts
// with a code are dropped with the reply that follows them.
FtpReply take(QByteArray& buffer);

// Server text: UTF-8 when the bytes are valid UTF-8, else one character per byte.
QString decode(const QByteArray& bytes);

} // namespace FtpReplyParser

#include "net/FtpReplyParser.h"

#include <QStringDecoder>

#include <cctype>

namespace FtpReplyParser {

namespace {

// Reply codes run from 100 to 599; anything else at the start of a line is text.
bool startsWithCode(const QByteArray& line)
{
    return line.size() >= 3 && line[0] >= '1' && line[0] <= '5'
        && std::isdigit(static_cast<unsigned char>(line[0]))
        && std::isdigit(static_cast<unsigned char>(line[1]))
        && std::isdigit(static_cast<unsigned char>(line[2]));
}

// "nnn text" or a bare "nnn".
bool isFinalLine(const QByteArray& line)
{
    return startsWithCode(line) && (line.size() == 3 || line[3] == ' ');
}

} // namespace

QString decode(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

FtpReply take(QByteArray& buffer)
{
    FtpReply reply;
    QByteArray openCode; // set once a "nnn-" line opened a multi-line reply
    QByteArray text;
    qsizetype pos = 0;
    while (pos < buffer.size()) {
        const qsizetype lf = buffer.indexOf('\n', pos);
        if (lf < 0)
            break; // the rest of the line has not arrived yet
        QByteArray line = buffer.mid(pos, lf - pos);
        if (line.endsWith('\r'))
            line.chop(1);
        pos = lf + 1;
        if (startsWithCode(line) && line.size() > 3 && line[3] == '-') {
            if (openCode.isEmpty())
                openCode = line.left(3);
            text += line.mid(4) + "\r\n";
            continue;
        }
        if (!isFinalLine(line))
            continue;
        if (!openCode.isEmpty() && line.left(3) != openCode)
            continue; // a numbered line inside a multi-line reply
        reply.code = line.left(3).toInt();
        reply.block = buffer.left(pos);
        if (text.size() > 2) {
            text.chop(2);
            reply.multiLineText = decode(text);
        }
        buffer.remove(0, pos);
        return reply;
    }
    return FtpReply{};
}

} // namespace FtpReplyParser

#include "http/HttpResponse.h"

namespace http {

namespace {

const QByteArray kCrLf = QByteArrayLiteral("\r\n");

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

SplitResponse splitResponse(const QByteArray& buffer)
{
    SplitResponse result;
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        result.header = buffer;
        return result;
    }
    result.complete = true;
    result.header = buffer.left(end + 2);
    result.body = buffer.mid(end + 4);
    return result;
}

QByteArray headerValue(const QByteArray& header, const QByteArray& name)
{
    // Each header line starts after a CR LF, so the status line can never match.
    qsizetype lineStart = header.indexOf(kCrLf);
    while (lineStart >= 0) {
        lineStart += 2;
        const qsizetype lineEnd = header.indexOf(kCrLf, lineStart);
        const qsizetype end = lineEnd < 0 ? header.size() : lineEnd;
        const QByteArray line = header.mid(lineStart, end - lineStart);
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
        if (lineEnd < 0)
            break;
        lineStart = lineEnd;
    }
    return {};
}

int statusCode(const QByteArray& header)
{
    const qsizetype blank = header.indexOf(' ');
    if (blank < 0 || header.size() < blank + 4)
        return 0;
    const QByteArray digits = header.mid(blank + 1, 3);
    for (char c : digits) {
        if (c < '0' || c > '9')
            return 0;
    }
    return digits.toInt();
}

QByteArray authenticationScheme(const QByteArray& header, const QByteArray& headerName)
{
    const QByteArray value = headerValue(header, headerName);
    const qsizetype blank = value.indexOf(' ');
    return blank < 0 ? value : value.left(blank);
}

ChunkedResult decodeChunked(const QByteArray& body)
{
    ChunkedResult result;
    qsizetype pos = 0;
    while (pos < body.size()) {
        const qsizetype lineEnd = body.indexOf(kCrLf, pos);
        if (lineEnd < 0)
            break;
        // The size is read up to the first character that is not a hex digit (extensions).
        quint64 size = 0;
        bool anyDigit = false;
        bool overflow = false;
        for (qsizetype i = pos; i < lineEnd; ++i) {
            const int d = hexDigit(body.at(i));
            if (d < 0)
                break;
            anyDigit = true;
            if (size > (quint64(1) << 56)) {
                overflow = true;
                break;
            }
            size = size * 16 + static_cast<quint64>(d);
        }
        if (!anyDigit || overflow)
            break;
        if (size == 0) {
            result.complete = true;
            break;
        }
        const qsizetype dataStart = lineEnd + 2;
        const qsizetype available = body.size() - dataStart;
        if (static_cast<quint64>(available) < size) {
            result.body.append(body.constData() + dataStart, available);
            break;
        }
        result.body.append(body.constData() + dataStart, static_cast<qsizetype>(size));
        pos = dataStart + static_cast<qsizetype>(size);
        if (body.mid(pos, 2) == kCrLf)
            pos += 2;
        else
            break; // the chunk's data is not followed by its line end
    }
    return result;
}

} // namespace http

#include "store/ServerProtocols.h"

#include <QRegularExpression>

namespace server_protocols {

namespace {

// A prefix "name://" at the start of the field, after blanks.
const QRegularExpression& prefixPattern()
{
    static const QRegularExpression prefix(QStringLiteral("^\\s*([A-Za-z][A-Za-z0-9+.-]*)://"));
    return prefix;
}

int fromScheme(const QString& name)
{
    for (int p = 0; p < Count; ++p) {
        if (name.compare(scheme(p), Qt::CaseInsensitive) == 0)
            return p;
    }
    return -1;
}

} // namespace

QString scheme(int protocol)
{
    switch (protocol) {
    case Ftpes: return QStringLiteral("ftpes");
    case Ftps: return QStringLiteral("ftps");
    case Sftp: return QStringLiteral("sftp");
    default: return QStringLiteral("ftp");
    }
}

QString label(int protocol)
{
    switch (protocol) {
    case Ftpes: return QStringLiteral("FTPS (explicit TLS)");
    case Ftps: return QStringLiteral("FTPS (implicit TLS)");
    case Sftp: return QStringLiteral("SFTP (SSH)");
    default: return QStringLiteral("FTP");
    }
}

int protocolOf(const QString& field)
{
    const QRegularExpressionMatch match = prefixPattern().match(field);
    const int protocol = match.hasMatch() ? fromScheme(match.captured(1)) : Ftp;
    return protocol < 0 ? Ftp : protocol;
}

QString withProtocol(const QString& field, int protocol)
{
    const QRegularExpressionMatch match = prefixPattern().match(field);
    const QString rest = match.hasMatch() ? field.mid(match.capturedLength()) : field.trimmed();
    if (protocol == Ftp && !match.hasMatch())
        return field;
    return scheme(protocol) + QStringLiteral("://") + rest;
}

QString storedServer(const QString& field)
{
    const int protocol = protocolOf(field);
    if (protocol == Ftp)
        return field;
    return field.mid(prefixPattern().match(field).capturedLength());
}

QString storedProtocol(const QString& field)
{
    const int protocol = protocolOf(field);
    return protocol == Ftp ? QString() : scheme(protocol);
}

QString fieldFrom(const QString& storedServer, const QString& storedProtocol)
{
    const int protocol = fromScheme(storedProtocol.trimmed());
    if (protocol <= Ftp || prefixPattern().match(storedServer).hasMatch())
        return storedServer;
    return scheme(protocol) + QStringLiteral("://") + storedServer.trimmed();
}

} // namespace server_protocols

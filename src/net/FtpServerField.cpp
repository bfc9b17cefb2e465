#include "net/FtpServerField.h"

#include <QRegularExpression>

QString FtpServerField::address(const QString& field)
{
    static const QRegularExpression prefix(QStringLiteral("^ftp:/*"), QRegularExpression::CaseInsensitiveOption);
    QString server = field.trimmed();
    server.remove(prefix);
    return server;
}

FtpServerField FtpServerField::parse(const QString& field)
{
    static const QRegularExpression otherScheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*)://"));
    // A bracketed IPv6 literal or a name without colons, then an optional port; an unbracketed
    // IPv6 literal ("::1") has no port.
    static const QRegularExpression withPort(QStringLiteral("^(?:\\[([^\\]]+)\\]|([^:\\[\\]]+)):(\\d+)$"));
    static const QRegularExpression bracketed(QStringLiteral("^\\[([^\\]]+)\\]$"));
    FtpServerField result;
    QString server = address(field);
    result.host = server;
    if (const QRegularExpressionMatch scheme = otherScheme.match(server); scheme.hasMatch()) {
        const QString name = scheme.captured(1).toLower();
        if (name == QLatin1String("ftpes")) {
            result.security = 1;
        } else if (name == QLatin1String("ftps")) {
            result.security = 2;
            result.port = 990;
        } else if (name == QLatin1String("sftp")) {
            result.sftp = true;
            result.port = 22;
        } else {
            result.error = QStringLiteral("unknown protocol \"%1://\": the server must be host, host:port or "
                                          "ftp://, ftpes://, ftps:// or sftp://host[:port]").arg(scheme.captured(1));
            return result;
        }
        server = server.mid(scheme.capturedLength());
    }
    // "ftp://host/" as pasted from a browser.
    while (server.endsWith(QLatin1Char('/')))
        server.chop(1);
    if (const qsizetype at = server.lastIndexOf(QLatin1Char('@')); at >= 0 && !server.contains(QLatin1Char('/'))) {
        result.user = server.left(at);
        server = server.mid(at + 1);
        // A password is kept out of the address, which shows in logs and status texts.
        if (const qsizetype colon = result.user.indexOf(QLatin1Char(':')); colon >= 0) {
            result.error = QStringLiteral("the server address holds a password: put it in the password field");
            result.user.truncate(colon);
            result.host = server;
            return result;
        }
    }
    if (server.contains(QLatin1Char('/'))) {
        result.error = QStringLiteral("\"%1\" holds a folder: give the server only, the folders are separate settings")
                           .arg(server);
        return result;
    }
    if (const QRegularExpressionMatch match = withPort.match(server); match.hasMatch()) {
        bool ok = false;
        const int port = match.captured(3).toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            result.error = QStringLiteral("the port %1 is not a number from 1 to 65535").arg(match.captured(3));
            return result;
        }
        result.host = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
        result.port = port;
        result.portGiven = true;
    } else if (const QRegularExpressionMatch ipv6 = bracketed.match(server); ipv6.hasMatch()) {
        result.host = ipv6.captured(1);
    } else {
        result.host = server;
    }
    // A colon left in the host is only right in an IPv6 literal, which has at least two.
    if (result.host.isEmpty() || result.host.count(QLatin1Char(':')) == 1) {
        result.error = QStringLiteral("\"%1\" names no host: give host, host:port or ftp://host[:port]").arg(server);
        result.host = address(field);
    }
    return result;
}

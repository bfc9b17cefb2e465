#include "publish/FtpServerField.h"

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
    static const QRegularExpression withPort(QStringLiteral("^([^:]+):(\\d{1,5})$"));
    FtpServerField result;
    result.host = address(field);
    const QRegularExpressionMatch match = withPort.match(result.host);
    if (match.hasMatch()) {
        const int port = match.captured(2).toInt();
        if (port >= 1 && port <= 65535) {
            result.host = match.captured(1);
            result.port = port;
        }
    }
    return result;
}

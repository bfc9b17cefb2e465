#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real vsftpd (FTPS) or sshd (SFTP) on 127.0.0.1, started by tests/data/net/secure_server.py
// with a fresh certificate or host key; stops when this object goes.
class SecureTestServer {
public:
    ~SecureTestServer();

    // kind: "vsftpd" or "sshd"; options: "--implicit" ... On failure the error says why (the
    // caller skips: the server needs root and a mount namespace).
    bool start(const QString& kind, const QStringList& options, QString* error);
    int port() const { return m_info.value(QStringLiteral("port")).toInt(); }
    QString home() const { return m_info.value(QStringLiteral("home")).toString(); }
    QString user() const { return m_info.value(QStringLiteral("user")).toString(); }
    QString password() const { return m_info.value(QStringLiteral("password")).toString(); }
    QString fingerprint() const { return m_info.value(QStringLiteral("fingerprint")).toString(); }

private:
    QTemporaryDir m_state;
    QProcess m_process;
    QJsonObject m_info;
};

#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real FTP server (pyftpdlib) on 127.0.0.1 with a free port and a fresh temporary home.
class FtpTestServer {
public:
    FtpTestServer();
    ~FtpTestServer();

    bool start(QString* error);
    int port() const { return m_port; }
    QString home() const { return m_home.path(); }
    QString path(const QString& relative) const { return m_home.filePath(relative); }

private:
    QTemporaryDir m_home;
    QProcess m_process;
    int m_port = 0;
};

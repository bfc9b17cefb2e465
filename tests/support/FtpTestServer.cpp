#include "support/FtpTestServer.h"

FtpTestServer::FtpTestServer() = default;

FtpTestServer::~FtpTestServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool FtpTestServer::start(QString* error)
{
    // Debian's python3 sees the packaged pyftpdlib; another python3 on PATH may not.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral(VELMORA_TEST_DATA "/net/ftpserver.py"), m_home.path()});
    if (!m_process.waitForStarted(10000)) {
        *error = QStringLiteral("cannot start python3: ") + m_process.errorString();
        return false;
    }
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(15000)) {
            *error = QStringLiteral("the FTP server did not report its port");
            return false;
        }
    }
    m_port = m_process.readLine().trimmed().toInt();
    if (m_port <= 0) {
        *error = QStringLiteral("the FTP server reported no port");
        return false;
    }
    return true;
}

#include "support/SecureTestServer.h"

#include <QJsonDocument>

SecureTestServer::~SecureTestServer()
{
    stop();
}

void SecureTestServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // Closing its input stops the server; a kill is the fallback.
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool SecureTestServer::start(const QString& kind, const QStringList& options, QString* error)
{
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    QStringList{QStringLiteral(VELMORA_TEST_DATA "/net/secure_server.py"), kind, m_state.path()} + options);
    if (!m_process.waitForStarted(10000)) {
        *error = QStringLiteral("cannot start python3: ") + m_process.errorString();
        return false;
    }
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(30000)) {
            *error = QStringLiteral("%1 did not start: %2").arg(kind, QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed());
            return false;
        }
    }
    m_info = QJsonDocument::fromJson(m_process.readLine()).object();
    if (port() <= 0) {
        *error = kind + QStringLiteral(" reported no port");
        return false;
    }
    return true;
}

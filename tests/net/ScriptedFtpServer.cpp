#include "ScriptedFtpServer.h"

#include <QTimer>

ScriptedFtpServer::ScriptedFtpServer()
{
    m_control.listen(QHostAddress::LocalHost);
    connect(&m_control, &QTcpServer::newConnection, this, [this] {
        m_client = m_control.nextPendingConnection();
        ++connections;
        connect(m_client, &QTcpSocket::readyRead, this, &ScriptedFtpServer::readCommands);
        if (!greeting.isEmpty())
            send(greeting);
    });
    connect(&m_dataListener, &QTcpServer::newConnection, this, [this] {
        m_dataClient = m_dataListener.nextPendingConnection();
        connect(m_dataClient, &QTcpSocket::readyRead, this, [this] {
            if (m_dataClient)
                m_dataReceived += m_dataClient->readAll();
        });
        emit dataClientConnected();
    });
}

void ScriptedFtpServer::send(const QByteArray& bytes)
{
    if (m_client) {
        m_client->write(bytes);
        m_client->flush();
    }
}

void ScriptedFtpServer::sendLater(const QByteArray& bytes, int ms)
{
    QTimer::singleShot(ms, this, [this, bytes] { send(bytes); });
}

void ScriptedFtpServer::dropControl()
{
    if (m_client)
        m_client->disconnectFromHost();
}

int ScriptedFtpServer::openDataListener()
{
    if (!m_dataListener.isListening())
        m_dataListener.listen(QHostAddress::LocalHost);
    return m_dataListener.serverPort();
}

void ScriptedFtpServer::sendData(const QByteArray& bytes)
{
    if (m_dataClient) {
        m_dataClient->write(bytes);
        m_dataClient->flush();
    }
}

void ScriptedFtpServer::closeData()
{
    if (m_dataClient)
        m_dataClient->disconnectFromHost();
}

QByteArray ScriptedFtpServer::pasvReply(const QByteArray& address)
{
    const int port = openDataListener();
    QByteArray numbers = address;
    numbers.replace('.', ',');
    return "227 Entering Passive Mode (" + numbers + ',' + QByteArray::number(port / 256) + ','
        + QByteArray::number(port % 256) + ").\r\n";
}

void ScriptedFtpServer::readCommands()
{
    if (!m_client)
        return;
    m_pending += m_client->readAll();
    qsizetype lf;
    while ((lf = m_pending.indexOf("\r\n")) >= 0) {
        const QByteArray line = m_pending.left(lf);
        m_pending.remove(0, lf + 2);
        commands.append(line);
        const qsizetype blank = line.indexOf(' ');
        const QByteArray verb = (blank < 0 ? line : line.left(blank)).toUpper();
        const QByteArray argument = blank < 0 ? QByteArray() : line.mid(blank + 1);
        if (handler && handler(verb, argument))
            continue;
        if (verb == "USER")
            send("331 Password please.\r\n");
        else if (verb == "PASS")
            send("230 Logged in.\r\n");
        else if (verb == "PWD")
            send("257 \"/\" is the current directory.\r\n");
        else if (verb == "TYPE")
            send("200 Type set.\r\n");
        else
            send("502 Command not implemented.\r\n");
    }
}

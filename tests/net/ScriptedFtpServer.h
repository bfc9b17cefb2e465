#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

// An FTP server in the test process that answers what each test tells it to, for replies real
// servers rarely send: split and multi-line replies, silence, foreign PASV addresses, 421, drops.
// Unless a handler takes a command, it logs in (USER 331, PASS 230), answers PWD with "/",
// TYPE with 200 and anything else with 502.
class ScriptedFtpServer : public QObject {
    Q_OBJECT
public:
    ScriptedFtpServer();

    int port() const { return m_control.serverPort(); }
    // Sent as soon as a client connects; empty: the server stays silent.
    QByteArray greeting = "220 Scripted server ready\r\n";
    // Gets each command (verb upper-cased, argument); returns true when it answered itself.
    std::function<bool(const QByteArray& verb, const QByteArray& argument)> handler;

    void send(const QByteArray& bytes);
    void sendLater(const QByteArray& bytes, int ms);
    void dropControl();

    // The data side of PASV: a listener on 127.0.0.1; its port goes into the 227 reply.
    int openDataListener();
    void sendData(const QByteArray& bytes);
    void closeData();
    QByteArray dataReceived() const { return m_dataReceived; }
    bool dataConnected() const { return m_dataClient != nullptr; }
    // The client closed (or dropped) the data connection.
    bool dataPeerClosed() const
    {
        return m_dataClient && m_dataClient->state() == QAbstractSocket::UnconnectedState;
    }
    // "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)." naming address with the listener's port.
    QByteArray pasvReply(const QByteArray& address);

    QList<QByteArray> commands; // every command line received, without CR LF
    int connections = 0;

signals:
    void dataClientConnected();

private:
    void readCommands();

    QTcpServer m_control;
    QTcpServer m_dataListener;
    QPointer<QTcpSocket> m_client;
    QPointer<QTcpSocket> m_dataClient;
    QByteArray m_pending;
    QByteArray m_dataReceived;
};

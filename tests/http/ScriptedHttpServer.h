#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>

#include <functional>

// An HTTP server on 127.0.0.1 that answers each request with a scripted response and records
// every request it received.
class ScriptedHttpServer : public QObject {
    Q_OBJECT
public:
    // Given the request (header block), returns the bytes to send; an empty answer with
    // `silent` set keeps the connection open without a word.
    using Responder = std::function<QByteArray(const QByteArray& request)>;

    explicit ScriptedHttpServer(QObject* parent = nullptr);
    bool listen();
    quint16 port() const { return m_server.serverPort(); }

    Responder responder;
    bool silent = false;
    int chunkSize = 0; // send the answer in pieces of this size (0: at once)
    QList<QByteArray> requests;

private:
    QTcpServer m_server;
};

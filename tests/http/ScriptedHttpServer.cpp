#include "ScriptedHttpServer.h"

#include <QTcpSocket>
#include <QTimer>

ScriptedHttpServer::ScriptedHttpServer(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            auto* received = new QByteArray;
            connect(socket, &QObject::destroyed, this, [received] { delete received; });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, received] {
                *received += socket->readAll();
                if (!received->contains("\r\n\r\n"))
                    return;
                requests.append(*received);
                if (silent)
                    return;
                const QByteArray answer = responder ? responder(*received) : QByteArray();
                received->clear();
                if (chunkSize <= 0) {
                    socket->write(answer);
                } else {
                    for (qsizetype i = 0; i < answer.size(); i += chunkSize) {
                        socket->write(answer.mid(i, chunkSize));
                        socket->flush();
                        socket->waitForBytesWritten(100);
                    }
                }
                socket->disconnectFromHost();
            });
        }
    });
}

bool ScriptedHttpServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

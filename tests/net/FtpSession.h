#pragma once

#include "net/CFtpClient.h"
#include "net/SftpClient.h"
#include "net/FtpWaiter.h"

#include <QStringList>

#include <functional>

// A client wired for tests: records the protocol log, the states and the progress reports, and
// runs one operation to its completion event.
template <class Client>
struct BasicFtpSession {
    explicit BasicFtpSession(int port, bool passive = true, const QString& user = QStringLiteral("user"),
                        const QString& password = QStringLiteral("secret"))
    {
        client.setFtpServer(QStringLiteral("127.0.0.1"));
        client.setRemotePort(port);
        client.setPassiveMode(passive);
        client.setUserName(user);
        client.setPassword(password);
        QObject::connect(&client, &Client::SessionProtocolMessage, &client,
                         [this](const QString& message, int type) {
                             log.append(QString::number(type) + QLatin1Char(' ') + message);
                         });
        QObject::connect(&client, &Client::OnStateChange, &client, [this](int state) { states.append(state); });
        QObject::connect(&client, &Client::OnDataTransferProgress, &client,
                         [this](qint64 bytes) { progress.append(bytes); });
    }

    // Starts an operation and waits for its completion event; -2 when it did not start, -1 when
    // no event came in time.
    int run(const std::function<bool(Client&)>& start, int timeoutMs = 30000)
    {
        progress.clear();
        if (!start(client))
            return -2;
        return waiter.wait(timeoutMs);
    }
    int connect() { return run([](Client& c) { return c.Connect(); }); }
    // Commands sent, in order ("TYPE I", "PASV" ...).
    QStringList commands() const
    {
        QStringList sent;
        for (const QString& line : log) {
            if (line.startsWith(QLatin1String("0 ")))
                sent.append(line.mid(2));
        }
        return sent;
    }

    Client client;
    FtpWaiter waiter{client};
    QStringList log;
    QList<int> states;
    QList<qint64> progress;
};

using FtpSession = BasicFtpSession<CFtpClient>;
using SftpSession = BasicFtpSession<SftpClient>;

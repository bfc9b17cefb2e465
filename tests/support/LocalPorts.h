#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

// Ports on 127.0.0.1 for the servers tests start (the test links Qt Network).
namespace testutil {

// A port nobody listens on right now.
inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Waits up to about 30 s until a server listens on the port.
inline bool waitForPort(quint16 port)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(200))
            return true;
        QTest::qWait(100);
    }
    return false;
}

} // namespace testutil

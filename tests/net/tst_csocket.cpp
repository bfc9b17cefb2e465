// CSocket over loopback: states, events and their order, buffers, errors.
#include "net/CSocket.h"
#include "net/MSocketSupport.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Records every event of a socket as one line, in order.
struct EventLog {
    explicit EventLog(CSocket& socket)
    {
        QObject::connect(&socket, &CSocket::OnClose, &socket, [this, &socket] {
            lines.append(QStringLiteral("close %1").arg(socket.State()));
        });
        QObject::connect(&socket, &CSocket::OnConnect, &socket, [this, &socket] {
            lines.append(QStringLiteral("connect %1").arg(socket.State()));
        });
        QObject::connect(&socket, &CSocket::OnConnectionRequest, &socket,
                         [this](qintptr id) { requests.append(id); lines.append(QStringLiteral("request")); });
        QObject::connect(&socket, &CSocket::OnDataArrival, &socket,
                         [this](qint64 total) { lines.append(QStringLiteral("data %1").arg(total)); });
        QObject::connect(&socket, &CSocket::OnError, &socket,
                         [this](int number, const QString& description) {
                             lines.append(QStringLiteral("error %1 %2").arg(number).arg(description));
                         });
        QObject::connect(&socket, &CSocket::OnSendComplete, &socket, [this] { lines.append(QStringLiteral("complete")); });
        QObject::connect(&socket, &CSocket::OnSendProgress, &socket, [this](qint64 sent, qint64 remaining) {
            lines.append(QStringLiteral("progress %1 %2").arg(sent).arg(remaining));
        });
    }
    QStringList lines;
    QList<qintptr> requests;
};

struct Peer {
    Peer() { server.listen(QHostAddress::LocalHost); }
    QTcpSocket* accept()
    {
        if (!server.hasPendingConnections() && !server.waitForNewConnection(5000))
            return nullptr;
        return server.nextPendingConnection();
    }
    QTcpServer server;
};

} // namespace

class TestCSocket : public QObject {
    Q_OBJECT
private slots:
    void connectWithoutHostDoesNothing();
    void connectToDottedAddress();
    void connectByNameResolvesFirst();
    void unresolvableNameFails();
    void refusedConnectionFails();
    void sendTextReportsProgressThenCompletion();
    void sendTypedValues();
    void getAndPeekData();
    void typedGetData();
    void dataWithPeerCloseComesFirst();
    void closeSocketWaitsForPeer();
    void protocolFixedWhileSocketExists();
    void listenAndAccept();
    void unacceptedRequestIsClosed();
    void udpRoundTrip();
    void errorTexts();
};

void TestCSocket::connectWithoutHostDoesNothing()
{
    CSocket socket;
    EventLog log(socket);
    socket.Connect();
    QCOMPARE(socket.State(), 0);
    QCOMPARE(socket.SocketHandle(), qintptr(-1));
    QTest::qWait(50);
    QVERIFY(log.lines.isEmpty());
}

void TestCSocket::connectToDottedAddress()
{
    Peer peer;
    CSocket socket;
    EventLog log(socket);
    socket.Connect(QStringLiteral("127.0.0.1"), peer.server.serverPort());
    QCOMPARE(socket.State(), 6);
    QTRY_COMPARE(socket.State(), 7);
    QCOMPARE(log.lines, QStringList{QStringLiteral("connect 7")});
    QCOMPARE(socket.RemoteHostIP(), QStringLiteral("127.0.0.1"));
    QCOMPARE(socket.RemotePort(), int(peer.server.serverPort()));
    QCOMPARE(socket.LocalIP(), QStringLiteral("127.0.0.1"));
    QVERIFY(socket.LocalPort() > 0);
    QVERIFY(socket.SocketHandle() >= 0);
    QVERIFY(socket.ReceiveBlockSize() > 0);
    QVERIFY(socket.SendBlockSize() > 0);
    QTcpSocket* other = peer.accept();
    QVERIFY(other);
    QCOMPARE(int(other->peerPort()), socket.LocalPort());
}

void TestCSocket::connectByNameResolvesFirst()
{
    Peer peer;
    CSocket socket;
    EventLog log(socket);
    socket.Connect(QStringLiteral("localhost"), peer.server.serverPort());
    QCOMPARE(socket.State(), 4);
    QTRY_COMPARE(socket.State(), 7);
    QCOMPARE(socket.RemoteHostIP(), QStringLiteral("127.0.0.1"));
    QCOMPARE(log.lines, QStringList{QStringLiteral("connect 7")});
}

void TestCSocket::unresolvableNameFails()
{
    CSocket socket;
    EventLog log(socket);
    socket.Connect(QStringLiteral("no such host"), 21);
    QTRY_COMPARE(socket.State(), 9);
    QCOMPARE(log.lines, QStringList{QStringLiteral("error 11001 Host not found.")});
}

void TestCSocket::refusedConnectionFails()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    CSocket socket;
    EventLog log(socket);
    socket.Connect(QStringLiteral("127.0.0.1"), port);
    QTRY_COMPARE(socket.State(), 9);
    QCOMPARE(log.lines, QStringList{QStringLiteral("error 10061 Connection refused.")});
    QCOMPARE(socket.SocketHandle(), qintptr(-1));
}

void TestCSocket::sendTextReportsProgressThenCompletion()
{
    Peer peer;
    CSocket socket;
    EventLog log(socket);
    socket.Connect(QStringLiteral("127.0.0.1"), peer.server.serverPort());
    QTRY_COMPARE(socket.State(), 7);
    QTcpSocket* other = peer.accept();
    QVERIFY(other);
    log.lines.clear();
    socket.SendData(QStringLiteral("AB"));
    // Progress is raised before SendData returns, completion through the event loop.
    QCOMPARE(log.lines, QStringList{QStringLiteral("progress 2 0")});
    QTRY_COMPARE(log.lines, (QStringList{QStringLiteral("progress 2 0"), QStringLiteral("complete")}));
    QTRY_COMPARE(other->bytesAvailable(), qint64(2));
    QCOMPARE(other->readAll(), QByteArray("\x41\x42"));

    // A large block: every byte arrives, and completion comes once, after the last progress.
    log.lines.clear();
    const QByteArray big(8 * 1024 * 1024, 'z');
    socket.SendData(big);
    QByteArray received;
    QTRY_VERIFY_WITH_TIMEOUT((received += other->readAll()).size() == big.size(), 20000);
    QTRY_COMPARE(log.lines.last(), QStringLiteral("complete"));
    QCOMPARE(log.lines.count(QStringLiteral("complete")), 1);
    qint64 total = 0;
    for (const QString& line : log.lines) {
        if (line.startsWith(QLatin1String("progress")))
            total += line.split(QLatin1Char(' ')).at(1).toLongLong();
    }
    QCOMPARE(total, qint64(big.size()));
}

void TestCSocket::sendTypedValues()
{
    Peer peer;
    CSocket socket;
    socket.Connect(QStringLiteral("127.0.0.1"), peer.server.serverPort());
    QTRY_COMPARE(socket.State(), 7);
    QTcpSocket* other = peer.accept();
    QVERIFY(other);
    socket.SendData(qint32(0x01020304));
    socket.SendData(QVariant::fromValue<qint16>(0x0506));
    socket.SendData(true);
    socket.SendData(QVariant::fromValue<uchar>(7));
    socket.SendData(QByteArray("\x00\xff", 2));
    QTRY_COMPARE(other->bytesAvailable(), qint64(4 + 2 + 2 + 1 + 2));
    QCOMPARE(other->readAll(), QByteArray("\x04\x03\x02\x01\x06\x05\xff\xff\x07\x00\xff", 11));
}

void TestCSocket::getAndPeekData()
{
    Peer peer;
    CSocket socket;
    EventLog log(socket);
    socket.Connect(QStringLiteral("127.0.0.1"), peer.server.serverPort());
    QTRY_COMPARE(socket.State(), 7);
    QTcpSocket* other = peer.accept();
    other->write("hello world");
    QTRY_COMPARE(socket.BytesReceived(), qint64(11));
    QCOMPARE(log.lines.last(), QStringLiteral("data 11"));
    QVariant value;
    QVERIFY(socket.PeekData(value, CSocket::DataType::Text, 5));
    QCOMPARE(value.toString(), QStringLiteral("hello"));
    QCOMPARE(socket.BytesReceived(), qint64(11));
    QVERIFY(socket.GetData(value, CSocket::DataType::Text, 6));
    QCOMPARE(value.toString(), QStringLiteral("hello "));
    QCOMPARE(socket.BytesReceived(), qint64(5));
    QVERIFY(socket.GetData(value, CSocket::DataType::ByteArray, 100));
    QCOMPARE(value.toByteArray(), QByteArray("world"));
    QCOMPARE(socket.BytesReceived(), qint64(0));
    QVERIFY(!socket.GetData(value));
    QVERIFY(!value.isValid());
}

void TestCSocket::typedGetData()
{
    Peer peer;
    CSocket socket;
    socket.Connect(QStringLiteral("127.0.0.1"), peer.server.serverPort());
    QTRY_COMPARE(socket.State(), 7);
    QTcpSocket* other = peer.accept();
    other->write(QByteArray("\x04\x03\x02\x01\x06\x05\x09", 7));
    QTRY_COMPARE(socket.BytesReceived(), qint64(7));
    QVariant value;
    QVERIFY(socket.GetData(value, CSocket::DataType::Int32));
    QCOMPARE(value.toInt(), 0x01020304);
    QVERIFY(socket.GetData(value, CSocket::DataType::Int16));
    QCOMPARE(value.toInt(), 0x0506);
    QVERIFY(socket.GetData(value, CSocket::DataType::Byte));
    QCOMPARE(value.toInt(), 9);
    QCOMPARE(socket.BytesReceived(), qint64(0));
}

void TestCSocket::dataWithPeerCloseComesFirst()
{
    Peer peer;
    CSocket socket;
    EventLog log(socket);
    socket.Connect(QStringLiteral("127.0.0.1"), peer.server.serverPort());
    QTRY_COMPARE(socket.State(), 7);
    QTcpSocket* other = peer.accept();
    other->write("bye");
    other->disconnectFromHost();
    QTRY_COMPARE(socket.State(), 0);
    QCOMPARE(log.lines.last(), QStringLiteral("close 0"));
    QCOMPARE(log.lines.at(log.lines.size() - 2), QStringLiteral("data 3"));
    QVariant value;
    QVERIFY(socket.GetData(value));
    QCOMPARE(value.toString(), QStringLiteral("bye"));
}

void TestCSocket::closeSocketWaitsForPeer()
{
    // A plain system socket as the peer: it reads the end of the stream without closing.
    const int listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    QCOMPARE(::bind(listenFd, reinterpret_cast<sockaddr*>(&address), length), 0);
    QCOMPARE(::listen(listenFd, 1), 0);
    QCOMPARE(::getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &length), 0);

    CSocket socket;
    EventLog log(socket);
    socket.Connect(QStringLiteral("127.0.0.1"), ntohs(address.sin_port));
    QTRY_COMPARE(socket.State(), 7);
    const int peerFd = ::accept(listenFd, nullptr, nullptr);
    QVERIFY(peerFd >= 0);
    socket.SendData(QStringLiteral("last words"));
    socket.CloseSocket();
    QCOMPARE(socket.State(), 8);

    QByteArray received;
    char chunk[64];
    for (;;) {
        QTest::qWait(10);
        const ssize_t n = ::recv(peerFd, chunk, sizeof(chunk), MSG_DONTWAIT);
        if (n == 0)
            break; // the end of the stream
        if (n > 0)
            received.append(chunk, n);
    }
    QCOMPARE(received, QByteArray("last words"));
    QTest::qWait(100);
    QCOMPARE(socket.State(), 8);
    QVERIFY(log.lines.isEmpty() || !log.lines.last().startsWith(QLatin1String("close")));
    ::close(peerFd);
    ::close(listenFd);
    QTRY_COMPARE(socket.State(), 0);
    QCOMPARE(log.lines.last(), QStringLiteral("close 0"));
    // A second close of a closed socket is harmless.
    socket.CloseSocket();
    QCOMPARE(socket.State(), 0);
}

void TestCSocket::protocolFixedWhileSocketExists()
{
    Peer peer;
    CSocket socket;
    socket.setProtocol(CSocket::sckUDPProtocol);
    QCOMPARE(socket.Protocol(), 1);
    socket.setProtocol(CSocket::sckTCPProtocol);
    socket.Connect(QStringLiteral("127.0.0.1"), peer.server.serverPort());
    socket.setProtocol(CSocket::sckUDPProtocol);
    QCOMPARE(socket.Protocol(), 0);
    QTRY_COMPARE(socket.State(), 7);
}

void TestCSocket::listenAndAccept()
{
    CSocket listener;
    EventLog listenLog(listener);
    CSocket accepted;
    EventLog acceptedLog(accepted);
    QObject::connect(&listener, &CSocket::OnConnectionRequest, &listener,
                     [&](qintptr id) { accepted.Accept(id); });
    QVERIFY(listener.Bind(0, QStringLiteral("127.0.0.1")));
    QVERIFY(listener.Listen());
    QCOMPARE(listener.State(), 2);
    QVERIFY(listener.LocalPort() > 0);

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, listener.LocalPort());
    QTRY_COMPARE(accepted.State(), 7);
    QCOMPARE(listenLog.requests.size(), 1);
    QCOMPARE(accepted.RemotePort(), int(client.localPort()));
    QCOMPARE(accepted.RemoteHost(), QStringLiteral("127.0.0.1"));
    QCOMPARE(accepted.LocalPort(), listener.LocalPort());
    client.write("hi");
    QTRY_COMPARE(accepted.BytesReceived(), qint64(2));
    accepted.SendData(QStringLiteral("yo"));
    QTRY_COMPARE(client.bytesAvailable(), qint64(2));

    // A second listener on the same port fails with the address in use.
    CSocket second;
    second.setLocalPort(listener.LocalPort());
    QVERIFY(!second.Listen());
    QCOMPARE(second.State(), 9);
    QCOMPARE(MSocketSupport::lastError().number, 10048);
}

void TestCSocket::unacceptedRequestIsClosed()
{
    CSocket listener;
    EventLog log(listener);
    QVERIFY(listener.Listen());
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, listener.LocalPort());
    QTRY_COMPARE(log.requests.size(), 1);
    QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
}

void TestCSocket::udpRoundTrip()
{
    CSocket a;
    a.setProtocol(CSocket::sckUDPProtocol);
    EventLog log(a);
    QVERIFY(a.Bind(0, QStringLiteral("127.0.0.1")));
    QVERIFY(a.LocalPort() > 0);
    QCOMPARE(a.ReceiveBlockSize(), MSocketSupport::kMaxDatagramSize);

    CSocket b;
    b.setProtocol(CSocket::sckUDPProtocol);
    EventLog bLog(b);
    QVERIFY(b.Bind(0, QStringLiteral("127.0.0.1")));
    b.setRemoteHost(QStringLiteral("127.0.0.1"));
    b.setRemotePort(a.LocalPort());
    b.SendData(QStringLiteral("ping"));
    QCOMPARE(bLog.lines.first(), QStringLiteral("progress 4 0"));
    QTRY_COMPARE(a.BytesReceived(), qint64(4));
    QCOMPARE(a.RemotePort(), b.LocalPort());
    QCOMPARE(a.RemoteHostIP(), QStringLiteral("127.0.0.1"));
    QTRY_VERIFY(bLog.lines.contains(QStringLiteral("complete")));

    CSocket c;
    c.setProtocol(CSocket::sckUDPProtocol);
    c.setRemoteHost(QStringLiteral("192.168.1.255"));
    QVERIFY(c.Broadcast());
    c.setRemoteHost(QStringLiteral("192.168.1.1"));
    QVERIFY(!c.Broadcast());
}

void TestCSocket::errorTexts()
{
    QCOMPARE(MSocketSupport::GetErrorDescription(10061), QStringLiteral("Connection refused."));
    QCOMPARE(MSocketSupport::GetErrorDescription(10004), QStringLiteral("Interrupted function call."));
    QCOMPARE(MSocketSupport::GetErrorDescription(11004),
             QStringLiteral("Valid name, no data record of requested type."));
    QCOMPARE(MSocketSupport::GetErrorDescription(10059), QStringLiteral("Unknown error."));
    QCOMPARE(MSocketSupport::GetErrorDescription(0), QStringLiteral("Unknown error."));
    QCOMPARE(MSocketSupport::errorNumberFor(QAbstractSocket::HostNotFoundError), 11001);
    QCOMPARE(MSocketSupport::errorNumberFor(QAbstractSocket::ConnectionRefusedError), 10061);
    QCOMPARE(MSocketSupport::errorNumberFor(QAbstractSocket::SocketTimeoutError), 10060);
    QCOMPARE(MSocketSupport::errorNumberFor(QAbstractSocket::AddressInUseError), 10048);
}

QTEST_GUILESS_MAIN(TestCSocket)
#include "tst_csocket.moc"

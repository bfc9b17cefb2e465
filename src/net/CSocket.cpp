#include "net/CSocket.h"

#include "net/MSocketSupport.h"

#include <QDateTime>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QPointer>
#include <QSet>
#include <QTcpServer>
#include <QCryptographicHash>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>
#include <QUdpSocket>

#include <cstring>
#include <functional>

#include <sys/socket.h>
#include <unistd.h>

// Hands every incoming connection out as a bare descriptor, so that any CSocket can take it over
// with Accept, as the owner of the listening socket decides.
class CSocketListener : public QTcpServer {
public:
    explicit CSocketListener(std::function<void(qintptr)> onIncoming, QObject* parent)
        : QTcpServer(parent), m_onIncoming(std::move(onIncoming))
    {
    }

protected:
    void incomingConnection(qintptr descriptor) override { m_onIncoming(descriptor); }

private:
    std::function<void(qintptr)> m_onIncoming;
};

namespace {

// Connections announced but not yet taken over; whatever no handler accepts is closed.
QSet<qintptr>& unacceptedRequests()
{
    static QSet<qintptr> requests;
    return requests;
}

bool isDottedAddress(const QString& host)
{
    QHostAddress address;
    return address.setAddress(host) && address.protocol() == QAbstractSocket::IPv4Protocol;
}

// Dates travel as the number of days since 30 December 1899 (fraction = time of day).
double toOleDate(const QDateTime& value)
{
    const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0), value.timeSpec());
    return static_cast<double>(epoch.msecsTo(value)) / 86400000.0;
}

QDateTime fromOleDate(double days)
{
    const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    return epoch.addMSecs(static_cast<qint64>(days * 86400000.0));
}

template <typename T>
QByteArray rawBytes(T value)
{
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof(T));
}

template <typename T>
T fromRaw(const QByteArray& bytes)
{
    T value{};
    std::memcpy(&value, bytes.constData(), std::min<size_t>(sizeof(T), bytes.size()));
    return value;
}

QByteArray bytesOf(const QVariant& data)
{
    switch (data.typeId()) {
    case QMetaType::QByteArray: return data.toByteArray();
    case QMetaType::QString: return data.toString().toLatin1();
    case QMetaType::Short: return rawBytes<qint16>(static_cast<qint16>(data.toInt()));
    case QMetaType::Int: return rawBytes<qint32>(data.toInt());
    case QMetaType::Float: return rawBytes<float>(data.toFloat());
    case QMetaType::Double: return rawBytes<double>(data.toDouble());
    case QMetaType::LongLong: return rawBytes<qint64>(data.toLongLong());
    case QMetaType::QDateTime: return rawBytes<double>(toOleDate(data.toDateTime()));
    case QMetaType::Bool: return rawBytes<qint16>(data.toBool() ? -1 : 0);
    case QMetaType::UChar: return rawBytes<quint8>(static_cast<quint8>(data.toUInt()));
    default: return {};
    }
}

qint64 sizeOf(CSocket::DataType type)
{
    switch (type) {
    case CSocket::DataType::Int16:
    case CSocket::DataType::Boolean: return 2;
    case CSocket::DataType::Int32:
    case CSocket::DataType::Single: return 4;
    case CSocket::DataType::Double:
    case CSocket::DataType::Currency:
    case CSocket::DataType::Date: return 8;
    case CSocket::DataType::Byte: return 1;
    default: return 0;
    }
}

QVariant valueOf(const QByteArray& bytes, CSocket::DataType type)
{
    switch (type) {
    case CSocket::DataType::ByteArray: return bytes;
    case CSocket::DataType::Int16: return QVariant::fromValue(fromRaw<qint16>(bytes));
    case CSocket::DataType::Int32: return fromRaw<qint32>(bytes);
    case CSocket::DataType::Single: return fromRaw<float>(bytes);
    case CSocket::DataType::Double: return fromRaw<double>(bytes);
    case CSocket::DataType::Currency: return QVariant::fromValue(fromRaw<qint64>(bytes));
    case CSocket::DataType::Date: return fromOleDate(fromRaw<double>(bytes));
    case CSocket::DataType::Boolean: return fromRaw<qint16>(bytes) != 0;
    case CSocket::DataType::Byte: return QVariant::fromValue(fromRaw<quint8>(bytes));
    case CSocket::DataType::Text: break;
    }
    return QString::fromLatin1(bytes);
}

} // namespace

CSocket::CSocket(QObject* parent) : QObject(parent) {}

CSocket::~CSocket()
{
    if (m_pendingLookup != 0)
        QHostInfo::abortHostLookup(m_pendingLookup);
    dropSockets();
}

bool CSocket::hasSocket() const
{
    return m_tcp != nullptr || m_udp != nullptr || m_listener != nullptr;
}

qintptr CSocket::SocketHandle() const
{
    if (m_tcp && m_tcp->socketDescriptor() != -1)
        return m_tcp->socketDescriptor();
    if (m_listener && m_listener->isListening())
        return m_listener->socketDescriptor();
    if (m_udp && m_udp->socketDescriptor() != -1)
        return m_udp->socketDescriptor();
    return -1;
}

void CSocket::setRemoteHost(const QString& host)
{
    m_remoteHost = host;
    if (!isDottedAddress(host))
        return;
    m_remoteHostIP = host;
    if (m_protocol == sckUDPProtocol && ensureUdp())
        m_broadcast = host.endsWith(QLatin1String(".255"));
}

void CSocket::setProtocol(int protocol)
{
    if (!hasSocket())
        m_protocol = protocol == sckUDPProtocol ? sckUDPProtocol : sckTCPProtocol;
}

namespace {

QString normalFingerprint(const QString& text)
{
    QString hex;
    for (const QChar c : text) {
        if (c.isLetterOrNumber())
            hex += c.toUpper();
    }
    return hex;
}

QString fingerprintOf(const QSslSocket& socket)
{
    if (socket.peerCertificate().isNull())
        return {};
    const QByteArray hex = socket.peerCertificate().digest(QCryptographicHash::Sha256).toHex().toUpper();
    QStringList pairs;
    for (qsizetype i = 0; i < hex.size(); i += 2)
        pairs << QString::fromLatin1(hex.mid(i, 2));
    return pairs.join(QLatin1Char(':'));
}

QString certificateTextOf(const QSslSocket& socket)
{
    const QSslCertificate cert = socket.peerCertificate();
    if (cert.isNull())
        return QStringLiteral("The server sent no certificate.");
    return QStringLiteral("SHA-256 fingerprint %1, subject \"%2\", valid from %3 to %4.")
        .arg(fingerprintOf(socket), cert.subjectDisplayName(),
             cert.effectiveDate().toString(Qt::ISODate), cert.expiryDate().toString(Qt::ISODate));
}

} // namespace

void CSocket::createTcp()
{
    m_tcp = new QSslSocket(this);
    m_ticketSeen = m_closeAfterTicket = false;
    m_tlsFailure.clear();
    m_peerFingerprint.clear();
    m_peerCertificateText.clear();
    connect(m_tcp, &QTcpSocket::connected, this, [this] {
        fillEndpoints();
        readBlockSizes();
        setState(sckConnected);
        emit OnConnect();
    }, Qt::DirectConnection);
    connect(m_tcp, &QTcpSocket::readyRead, this, &CSocket::tcpReadyRead, Qt::DirectConnection);
    connect(m_tcp, &QTcpSocket::bytesWritten, this, &CSocket::tcpBytesWritten, Qt::DirectConnection);
    connect(m_tcp, &QTcpSocket::disconnected, this, &CSocket::tcpDisconnected, Qt::DirectConnection);
    connect(m_tcp, &QTcpSocket::errorOccurred, this, &CSocket::tcpError, Qt::DirectConnection);
    connect(m_tcp, &QSslSocket::newSessionTicketReceived, this, [this] {
        m_ticketSeen = true;
        // Not from inside the TLS layer's read: the close re-enters it.
        if (m_closeAfterTicket)
            QMetaObject::invokeMethod(m_tcp, [this] { closeTls(); }, Qt::QueuedConnection);
    }, Qt::DirectConnection);
    connect(m_tcp, &QSslSocket::encrypted, this, [this] {
        m_peerFingerprint = fingerprintOf(*m_tcp);
        m_peerCertificateText = certificateTextOf(*m_tcp);
        emit OnEncrypted();
    }, Qt::DirectConnection);
}

void CSocket::StartTls(const QString& peerName, const QString& trustedSha256, const QByteArray& sessionTicket)
{
    if (!m_tcp)
        return;
    QSslConfiguration config = m_tcp->sslConfiguration();
    // Session persistence is off by default; without it there is no ticket to resume.
    config.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    if (!sessionTicket.isEmpty())
        config.setSessionTicket(sessionTicket);
    m_tcp->setSslConfiguration(config);
    m_tcp->setPeerVerifyName(peerName);
    const QString trusted = normalFingerprint(trustedSha256);
    disconnect(m_tcp, &QSslSocket::sslErrors, this, nullptr);
    connect(m_tcp, &QSslSocket::sslErrors, this, [this, trusted](const QList<QSslError>& errors) {
        m_peerFingerprint = fingerprintOf(*m_tcp);
        m_peerCertificateText = certificateTextOf(*m_tcp);
        if (!trusted.isEmpty() && normalFingerprint(m_peerFingerprint) == trusted) {
            m_tcp->ignoreSslErrors();
            return;
        }
        QStringList reasons;
        for (const QSslError& e : errors)
            reasons << e.errorString();
        m_tlsFailure = QStringLiteral("The server's certificate is not trusted (%1). %2")
                           .arg(reasons.join(QStringLiteral("; ")), m_peerCertificateText);
    }, Qt::DirectConnection);
    m_tcp->startClientEncryption();
}

bool CSocket::IsEncrypted() const
{
    return m_tcp && m_tcp->isEncrypted();
}

QByteArray CSocket::SessionTicket() const
{
    return m_tcp ? m_tcp->sslConfiguration().sessionTicket() : QByteArray();
}

bool CSocket::ensureUdp()
{
    if (m_udp)
        return true;
    m_udp = new QUdpSocket(this);
    connect(m_udp, &QUdpSocket::readyRead, this, &CSocket::udpReadyRead, Qt::DirectConnection);
    m_receiveBlockSize = m_sendBlockSize = MSocketSupport::kMaxDatagramSize;
    return true;
}

void CSocket::readBlockSizes()
{
    if (!m_tcp)
        return;
    m_receiveBlockSize = m_tcp->socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt();
    m_sendBlockSize = m_tcp->socketOption(QAbstractSocket::SendBufferSizeSocketOption).toInt();
}

void CSocket::fillEndpoints()
{
    m_localPort = m_tcp->localPort();
    m_localIP = m_tcp->localAddress().toString();
    // No reverse look-up of our own address: it can stall on a slow name server (and the
    // program's exit with it) for a name nothing uses.
    m_localHostName = m_localIP;
    m_remoteHostIP = m_tcp->peerAddress().toString();
    m_remotePort = m_tcp->peerPort();
}

void CSocket::Connect(const QString& remoteHost, int remotePort)
{
    if (!remoteHost.isEmpty())
        setRemoteHost(remoteHost);
    if (remotePort >= 0)
        m_remotePort = remotePort;
    if (m_remoteHost.isEmpty() || m_protocol != sckTCPProtocol)
        return;
    if (!m_tcp)
        createTcp();
    if (isDottedAddress(m_remoteHost)) {
        m_remoteHostIP = m_remoteHost;
        connectToAddress();
        return;
    }
    setState(sckResolvingHost);
    m_resolutionPurpose = 0;
    m_pendingLookup = QHostInfo::lookupHost(m_remoteHost, this, &CSocket::hostResolved);
}

void CSocket::connectToAddress()
{
    setState(sckConnecting);
    m_tcp->connectToHost(QHostAddress(m_remoteHostIP), static_cast<quint16>(m_remotePort));
}

void CSocket::hostResolved(const QHostInfo& info)
{
    if (info.lookupId() != m_pendingLookup)
        return;
    m_pendingLookup = 0;
    QString address;
    for (const QHostAddress& a : info.addresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            address = a.toString();
            break;
        }
    }
    if (info.error() != QHostInfo::NoError || address.isEmpty()) {
        setState(sckError);
        raiseError(MSocketSupport::kHostNotFound);
        return;
    }
    setState(sckHostResolved);
    m_remoteHost = info.hostName();
    m_remoteHostIP = address;
    if (m_resolutionPurpose == 1) {
        sendUdpBuffer();
    } else if (m_tcp) {
        connectToAddress();
    }
}

void CSocket::raiseError(int number, const QString& source)
{
    emit OnError(number, MSocketSupport::GetErrorDescription(number), 0, source, QString(), 0, false);
}

void CSocket::dropSockets()
{
    if (m_tcp) {
        m_tcp->disconnect(this);
        m_tcp->abort();
        m_tcp->deleteLater();
        m_tcp = nullptr;
    }
    if (m_listener) {
        m_listener->close();
        m_listener->deleteLater();
        m_listener = nullptr;
    }
    if (m_udp) {
        m_udp->disconnect(this);
        m_udp->abort();
        m_udp->deleteLater();
        m_udp = nullptr;
    }
    m_shutdownAfterFlush = false;
    m_sendPending = false;
}

void CSocket::CloseSocket()
{
    if (m_state == sckConnected && m_tcp) {
        // Half-close: the peer sees the end of our data and its own close completes ours.
        setState(sckClosing);
        if (m_tcp->isEncrypted()) {
            // A TLS 1.3 server sends its session tickets after the handshake; closing before they
            // arrive makes the system answer them with a reset, which can destroy the last bytes
            // of an upload on the server's side. So the close waits for them (a second at most).
            if (m_tcp->sessionProtocol() == QSsl::TlsV1_3 && !m_ticketSeen) {
                m_closeAfterTicket = true;
                QTimer::singleShot(1000, m_tcp, [this] { closeTls(); });
                return;
            }
            closeTls();
            return;
        }
        m_tcp->flush();
        if (m_tcp->bytesToWrite() > 0)
            m_shutdownAfterFlush = true;
        else
            ::shutdown(static_cast<int>(m_tcp->socketDescriptor()), SHUT_WR);
        return;
    }
    Abort();
}

void CSocket::closeTls()
{
    if (!m_closeAfterTicket && m_state == sckClosing && m_tcp && m_tcp->state() == QAbstractSocket::ClosingState)
        return; // closed already
    m_closeAfterTicket = false;
    // close_notify goes out once the socket's buffer is written.
    if (m_tcp && m_state == sckClosing)
        m_tcp->disconnectFromHost();
}

void CSocket::Abort()
{
    if (m_pendingLookup != 0) {
        QHostInfo::abortHostLookup(m_pendingLookup);
        m_pendingLookup = 0;
    }
    dropSockets();
    m_bound = false;
    m_broadcast = false;
    setState(sckClosed);
}

bool CSocket::Bind(int localPort, const QString& localIP)
{
    if (localPort > 0)
        m_localPort = localPort;
    if (!localIP.isEmpty())
        m_localIP = localIP;
    const QHostAddress address = m_localIP.isEmpty() ? QHostAddress(QHostAddress::AnyIPv4)
                                                      : QHostAddress(m_localIP);
    if (address.isNull()) {
        MSocketSupport::setLastError(MSocketSupport::kAddressNotAvailable, QStringLiteral("CSocket.Bind"));
        return false;
    }
    if (m_protocol == sckUDPProtocol) {
        ensureUdp();
        if (!m_udp->bind(address, static_cast<quint16>(m_localPort))) {
            MSocketSupport::setLastError(MSocketSupport::errorNumberFor(m_udp->error()),
                                         QStringLiteral("CSocket.Bind"));
            return false;
        }
        m_localPort = m_udp->localPort();
        m_bound = true;
        return true;
    }
    // A TCP socket is bound when it starts listening; the address is checked here.
    m_bound = true;
    return true;
}

bool CSocket::Listen()
{
    if (!m_bound && !Bind())
        return false;
    if (!m_listener) {
        QPointer<CSocket> self(this);
        m_listener = new CSocketListener([self](qintptr descriptor) {
            unacceptedRequests().insert(descriptor);
            if (self)
                emit self->OnConnectionRequest(descriptor);
            if (unacceptedRequests().remove(descriptor))
                ::close(static_cast<int>(descriptor));
        }, this);
        m_listener->setListenBacklogSize(5);
    }
    const QHostAddress address = m_localIP.isEmpty() ? QHostAddress(QHostAddress::AnyIPv4)
                                                      : QHostAddress(m_localIP);
    if (!m_listener->listen(address, static_cast<quint16>(m_localPort))) {
        MSocketSupport::setLastError(MSocketSupport::errorNumberFor(m_listener->serverError()),
                                     QStringLiteral("CSocket.Listen"));
        m_listener->deleteLater();
        m_listener = nullptr;
        m_bound = false;
        setState(sckError);
        return false;
    }
    m_localPort = m_listener->serverPort();
    setState(sckListening);
    return true;
}

void CSocket::Accept(qintptr requestID)
{
    unacceptedRequests().remove(requestID);
    dropSockets();
    createTcp();
    if (!m_tcp->setSocketDescriptor(requestID)) {
        MSocketSupport::setLastError(MSocketSupport::errorNumberFor(m_tcp->error()),
                                     QStringLiteral("CSocket.Accept"));
        dropSockets();
        return;
    }
    m_protocol = sckTCPProtocol;
    fillEndpoints();
    m_localHostName = m_localIP;
    m_remoteHost = m_remoteHostIP;
    readBlockSizes();
    setState(sckConnected);
}

void CSocket::SendData(const QVariant& data)
{
    const QByteArray bytes = bytesOf(data);
    if (m_protocol == sckUDPProtocol) {
        ensureUdp();
        m_udpSendBuffer = bytes;
        m_sendPending = true;
        if (!m_remoteHostIP.isEmpty()) {
            sendUdpBuffer();
        } else if (!m_remoteHost.isEmpty()) {
            m_resolutionPurpose = 1;
            m_pendingLookup = QHostInfo::lookupHost(m_remoteHost, this, &CSocket::hostResolved);
        }
        return;
    }
    if (!m_tcp)
        return;
    m_sendPending = true;
    m_tcp->write(bytes);
    // Hands the bytes to the system at once when it takes them; bytesWritten reports progress
    // from inside this call, and completion follows through the event loop.
    m_tcp->flush();
}

void CSocket::sendUdpBuffer()
{
    if (!m_udp)
        return;
    const qint64 sent = m_udp->writeDatagram(m_udpSendBuffer, QHostAddress(m_remoteHostIP),
                                             static_cast<quint16>(m_remotePort));
    if (sent < 0) {
        raiseError(MSocketSupport::errorNumberFor(m_udp->error()));
        return;
    }
    m_udpSendBuffer.clear();
    emit OnSendProgress(sent, 0);
    postSendComplete();
}

void CSocket::tcpReadyRead()
{
    if (!m_tcp)
        return;
    const QByteArray bytes = m_tcp->readAll();
    if (bytes.isEmpty())
        return;
    m_receiveBuffer += bytes;
    emit OnDataArrival(m_receiveBuffer.size());
}

void CSocket::tcpBytesWritten(qint64 written)
{
    if (!m_tcp)
        return;
    const qint64 remaining = m_tcp->bytesToWrite();
    emit OnSendProgress(written, remaining);
    if (remaining > 0 || !m_tcp)
        return;
    if (m_shutdownAfterFlush) {
        m_shutdownAfterFlush = false;
        ::shutdown(static_cast<int>(m_tcp->socketDescriptor()), SHUT_WR);
    }
    if (m_sendPending)
        postSendComplete();
}

void CSocket::postSendComplete()
{
    if (m_sendCompletePosted || m_deliveringSendComplete)
        return;
    m_sendCompletePosted = true;
    QMetaObject::invokeMethod(this, &CSocket::deliverSendComplete, Qt::QueuedConnection);
}

void CSocket::deliverSendComplete()
{
    m_sendCompletePosted = false;
    QPointer<CSocket> self(this);
    // A handler that sends again from OnSendComplete usually has its data taken at once; a few
    // such rounds run here before the event loop gets its turn, which keeps a stream of small
    // blocks from paying one trip through the event loop each.
    constexpr int kRoundsPerTurn = 16;
    m_deliveringSendComplete = true;
    for (int round = 0; round < kRoundsPerTurn; ++round) {
        if (!m_sendPending || (m_tcp && m_tcp->bytesToWrite() > 0))
            break;
        m_sendPending = false;
        emit OnSendComplete();
        if (!self)
            return;
    }
    m_deliveringSendComplete = false;
    const bool stillDue = m_sendPending && !(m_tcp && m_tcp->bytesToWrite() > 0);
    if (stillDue)
        postSendComplete();
}

void CSocket::tcpDisconnected()
{
    QPointer<CSocket> self(this);
    // Whatever came with the close is delivered first.
    if (m_tcp && m_tcp->bytesAvailable() > 0)
        tcpReadyRead();
    if (!self)
        return;
    dropSockets();
    m_bound = false;
    setState(sckClosed);
    emit OnClose();
}

void CSocket::tcpError()
{
    if (!m_tcp)
        return;
    const QAbstractSocket::SocketError error = m_tcp->error();
    // The peer's close (orderly or not) is reported by disconnected, as a close. A TLS peer's
    // close_notify is the end too: some servers wait for us to close before they do.
    if (error == QAbstractSocket::RemoteHostClosedError) {
        if (m_tcp->isEncrypted())
            tcpDisconnected();
        return;
    }
    if (error == QAbstractSocket::SslHandshakeFailedError || error == QAbstractSocket::SslInternalError
        || error == QAbstractSocket::SslInvalidUserDataError) {
        const QString text = m_tlsFailure.isEmpty()
            ? QStringLiteral("The TLS handshake failed: %1").arg(m_tcp->errorString()) : m_tlsFailure;
        setState(sckError);
        dropSockets();
        emit OnError(MSocketSupport::kTlsFailure, text, 0, QString(), QString(), 0, false);
        return;
    }
    setState(sckError);
    dropSockets();
    raiseError(MSocketSupport::errorNumberFor(error));
}

void CSocket::udpReadyRead()
{
    bool any = false;
    while (m_udp && m_udp->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_udp->receiveDatagram();
        m_receiveBuffer += datagram.data();
        m_remotePort = datagram.senderPort();
        m_remoteHostIP = QHostAddress(datagram.senderAddress().toIPv4Address()).toString();
        m_remoteHost = m_remoteHostIP;
        any = true;
    }
    if (any)
        emit OnDataArrival(m_receiveBuffer.size());
}

bool CSocket::takeBytes(QVariant& data, DataType type, qint64 maxLength, bool remove)
{
    data = QVariant();
    if (m_receiveBuffer.isEmpty())
        return false;
    qint64 length = m_receiveBuffer.size();
    if (maxLength > 0 && maxLength <= length)
        length = maxLength;
    const qint64 fixed = sizeOf(type);
    if (fixed > 0)
        length = std::min(fixed, qint64(m_receiveBuffer.size()));
    const QByteArray bytes = m_receiveBuffer.left(length);
    if (remove)
        m_receiveBuffer.remove(0, length);
    data = valueOf(bytes, type);
    return true;
}

bool CSocket::GetData(QVariant& data, DataType type, qint64 maxLength)
{
    return takeBytes(data, type, maxLength, true);
}

bool CSocket::PeekData(QVariant& data, DataType type, qint64 maxLength)
{
    return takeBytes(data, type, maxLength, false);
}

#pragma once

#include <QByteArray>
#include <QHostInfo>
#include <QObject>
#include <QString>
#include <QVariant>

class QSslSocket;
class QUdpSocket;
class CSocketListener;

// An event-driven, non-blocking TCP or UDP socket for the GUI thread. Operations return at once;
// readiness arrives as the signals below, emitted synchronously (connect them directly). A
// handler may call any operation of this or another socket, but must not delete the object it
// was called from (use deleteLater).
class CSocket : public QObject {
    Q_OBJECT
public:
    enum StateValue {
        sckClosed = 0,
        sckListening = 2,
        sckResolvingHost = 4,
        sckHostResolved = 5,
        sckConnecting = 6,
        sckConnected = 7,
        sckClosing = 8,
        sckError = 9,
    };
    enum ProtocolValue { sckTCPProtocol = 0, sckUDPProtocol = 1 };
    // How GetData/PeekData hand out the bytes; SendData reads the type from the value itself.
    enum class DataType { Text, ByteArray, Int16, Int32, Single, Double, Currency, Date, Boolean, Byte };

    explicit CSocket(QObject* parent = nullptr);
    ~CSocket() override;

    // Connects to RemoteHost:RemotePort; a non-empty host and a port >= 0 replace the stored ones.
    void Connect(const QString& remoteHost = {}, int remotePort = -1);
    // Graceful close of a connected socket (state 8 until the peer closes), immediate otherwise.
    void CloseSocket();
    // Immediate close in any state, without OnClose: both directions are dropped.
    void Abort();
    bool Bind(int localPort = 0, const QString& localIP = {});
    bool Listen();
    // Takes over a connection announced by OnConnectionRequest.
    void Accept(qintptr requestID);
    // Text goes out one byte per character (Latin-1); numbers in the machine's byte order.
    void SendData(const QVariant& data);
    // Takes (GetData) or copies (PeekData) the first maxLength bytes, or the whole buffer when
    // maxLength is not in 1..BytesReceived. Returns false (and leaves data empty) when the
    // receive buffer is empty.
    bool GetData(QVariant& data, DataType type = DataType::Text, qint64 maxLength = -1);
    bool PeekData(QVariant& data, DataType type = DataType::Text, qint64 maxLength = -1);

    // TLS as a client over the connected TCP socket (FTPS). The certificate must verify against
    // the system's trust store for peerName, or have the SHA-256 fingerprint trustedSha256 (hex,
    // colons and case ignored). A non-empty sessionTicket resumes that TLS session (FTPS data
    // connections resume the control connection's). OnEncrypted follows the handshake; a
    // failure arrives as OnError with kTlsFailure and a text naming the certificate.
    void StartTls(const QString& peerName, const QString& trustedSha256 = {}, const QByteArray& sessionTicket = {});
    bool IsEncrypted() const;
    QByteArray SessionTicket() const;
    // The peer's certificate as "SHA-256 fingerprint AB:CD:..., subject ..., valid from ... to
    // ...", and its fingerprint; kept after a refused handshake closed the socket.
    QString PeerCertificateText() const { return m_peerCertificateText; }
    QString PeerFingerprint() const { return m_peerFingerprint; }

    int State() const { return m_state; }
    qintptr SocketHandle() const;
    QString RemoteHostIP() const { return m_remoteHostIP; }
    QString LocalIP() const { return m_localIP; }
    QString LocalHostName() const { return m_localHostName; }
    qint64 BytesReceived() const { return m_receiveBuffer.size(); }
    int RemotePort() const { return m_remotePort; }
    void setRemotePort(int port) { m_remotePort = port; }
    QString RemoteHost() const { return m_remoteHost; }
    void setRemoteHost(const QString& host);
    int LocalPort() const { return m_localPort; }
    void setLocalPort(int port) { m_localPort = port; }
    int Protocol() const { return m_protocol; }
    // Ignored while the object has a socket.
    void setProtocol(int protocol);
    int ReceiveBlockSize() const { return m_receiveBlockSize; }
    int SendBlockSize() const { return m_sendBlockSize; }
    bool Broadcast() const { return m_broadcast; }

signals:
    void OnClose();
    void OnEncrypted();
    void OnConnect();
    void OnConnectionRequest(qintptr requestID);
    void OnDataArrival(qint64 bytesTotal);
    void OnError(int Number, const QString& Description, int Scode, const QString& Source,
                 const QString& HelpFile, int HelpContext, bool CancelDisplay);
    void OnSendComplete();
    void OnSendProgress(qint64 bytesSent, qint64 bytesRemaining);

private:
    bool hasSocket() const;
    void setState(int state) { m_state = state; }
    void createTcp();
    bool ensureUdp();
    void connectToAddress();
    void hostResolved(const QHostInfo& info);
    void raiseError(int number, const QString& source = {});
    void dropSockets();
    void closeTls();
    void readBlockSizes();
    void fillEndpoints();
    void sendUdpBuffer();
    void tcpReadyRead();
    void tcpBytesWritten(qint64 written);
    void tcpDisconnected();
    void tcpError();
    void udpReadyRead();
    void postSendComplete();
    void deliverSendComplete();
    bool takeBytes(QVariant& data, DataType type, qint64 maxLength, bool remove);

    QSslSocket* m_tcp = nullptr;
    QString m_tlsFailure;
    bool m_ticketSeen = false;
    bool m_closeAfterTicket = false;
    QString m_peerFingerprint;
    QString m_peerCertificateText;
    QUdpSocket* m_udp = nullptr;
    CSocketListener* m_listener = nullptr;
    int m_state = sckClosed;
    int m_protocol = sckTCPProtocol;
    QString m_remoteHost;
    QString m_remoteHostIP;
    int m_remotePort = 0;
    int m_localPort = 0;
    QString m_localIP;
    QString m_localHostName;
    QByteArray m_receiveBuffer;
    QByteArray m_udpSendBuffer;
    int m_receiveBlockSize = 0;
    int m_sendBlockSize = 0;
    int m_pendingLookup = 0;
    int m_resolutionPurpose = 0; // 0: connect when resolved, 1: send the buffered datagram
    bool m_bound = false;
    bool m_sendPending = false;
    bool m_sendCompletePosted = false;
    bool m_deliveringSendComplete = false;
    bool m_shutdownAfterFlush = false;
    bool m_broadcast = false;
};

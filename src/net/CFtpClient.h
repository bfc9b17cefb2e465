#pragma once

#include "net/CFtpError.h"
#include "net/CFtpFiles.h"
#include "net/CSocket.h"
#include "net/CTimeout.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QFileDevice;

// An asynchronous FTP client for the GUI thread. Set the connection properties, call one
// operation at a time and learn its outcome from its completion event (0 done, 1 failed with
// LastFtpError, 2 time-out: raised every TimeOut seconds while the server stays silent, 3
// cancelled). Progress, protocol traffic and state changes arrive as further events. Every
// event is emitted synchronously; handlers may start the next operation.
class CFtpClient : public QObject {
    Q_OBJECT
public:
    enum Operation {
        opNone = 0,
        opConnect = 1,
        opGetCurrentDirectory = 2,
        opSetCurrentDirectory = 3,
        opCreateDirectory = 4,
        opRemoveDirectory = 5,
        opRenameFile = 6,
        opDeleteFile = 7,
        opDownloadFile = 8,
        opUploadFile = 9,
        opEnumFiles = 10,
        opQuitSession = 11,
    };
    // How the connections are protected: clear text, TLS after "AUTH TLS" (explicit FTPS) or
    // TLS from the first byte (implicit FTPS, port 990 as a rule). Never falls back to clear text.
    enum Security { secNone = 0, secExplicitTls = 1, secImplicitTls = 2 };
    enum Result { ftpDone = 0, ftpFailed = 1, ftpTimeOut = 2, ftpCancelled = 3 };
    enum SessionState {
        stReady = 0,
        stNotConnected = 1,
        stConnecting = 2,
        stConnected = 3,
        stLoggingIn = 4,
        stLoggedIn = 5,
        stChangingDirectory = 6,
        stDeleting = 7,
        stRemovingDirectory = 8,
        stCreatingDirectory = 9,
        stRenaming = 10,
        stOpeningDataConnection = 11,
        stReadingDirectory = 13,
        stDownloading = 15,
        stUploading = 17,
        stQuitting = 19,
    };

    explicit CFtpClient(QObject* parent = nullptr);
    ~CFtpClient() override;

    // Operations: each returns true when it started; false when another operation is current,
    // a name is empty or FtpServer is empty (Connect).
    bool Connect();
    bool GetCurrentDirectory();
    bool SetCurrentDirectory(const QString& path);
    bool CreateDirectory(const QString& name);
    bool RemoveDirectory(const QString& name);
    bool RenameFile(const QString& oldName, const QString& newName);
    bool DeleteFile(const QString& name);
    // Without overwrite an existing local file is resumed (REST); with it, the download goes to
    // a temporary file that replaces the local one only when the transfer succeeded.
    bool DownloadFile(const QString& remoteFile, const QString& localFile, bool overwrite);
    // Sends the local file from startOffset (REST startOffset first when above 0).
    bool UploadFile(const QString& localFile, const QString& remoteFile, qint64 startOffset = 0);
    bool EnumFiles();
    bool QuitSession();
    void CancelAsyncMethod();

    QString FtpServer() const { return m_server; }
    void setFtpServer(const QString& server) { m_server = server; }
    QString UserName() const { return m_userName; }
    void setUserName(const QString& name) { m_userName = name; }
    QString Password() const { return m_password; }
    void setPassword(const QString& password) { m_password = password; }
    int RemotePort() const { return m_remotePort; }
    void setRemotePort(int port); // kept only in 1..65535
    int Security() const { return m_security; }
    void setSecurity(int security) { m_security = security; }
    // The SHA-256 fingerprint (hex) of a certificate trusted although the system's store does not.
    QString TrustedFingerprint() const { return m_trustedFingerprint; }
    void setTrustedFingerprint(const QString& sha256) { m_trustedFingerprint = sha256; }
    // The control connection's certificate, after a TLS connection or its refusal.
    QString PeerCertificateText() const { return m_peerCertificateText; }
    QString PeerFingerprint() const { return m_peerFingerprint; }
    bool PassiveMode() const { return m_passive; }
    void setPassiveMode(bool passive) { m_passive = passive; }
    int TransferMode() const { return m_transferMode; }
    void setTransferMode(int mode) { m_transferMode = mode; }
    int SendBufferLenght() const { return m_sendBufferLength; }
    void setSendBufferLenght(int length); // kept only in 512..8192
    int TimeOut() const { return m_watchdog.TimeOutValue(); }
    void setTimeOut(int seconds) { m_watchdog.setTimeOutValue(seconds); }
    // Milliseconds per TimeOut unit (1000); tests shorten it.
    void setTimeUnitMs(int ms) { m_watchdog.setTimeUnitMs(ms); }

    int FtpSessionState() const { return m_state; }
    QString LastServerResponse() const { return m_lastServerResponse; }
    const CFtpError& LastFtpError() const { return m_lastError; }
    // Returns the text of the last multi-line reply and clears it.
    QString FtpServerMessage();
    QString CurrentDirectory() const { return m_currentDirectory; }
    const CFtpFiles& CurrentDirectoryFiles() const { return m_files; }
    QString CurrentDirectoryListing() const { return m_listing; }
    bool Busy() const { return m_state != stReady && m_state != stNotConnected; }
    bool DataTransferInProgress() const;
    int CurrentOperation() const { return m_operation; }

    // The process-wide counter of local ports for active-mode data connections: the first port
    // is drawn from 20000..40001, every later one is the previous + 1, back to 20000 past 65535.
    static int nextActivePort();
    static void setLastActivePort(int port);

signals:
    void OnConnect(int result);
    void OnCreateDirectory(int result);
    void OnDeleteFile(int result);
    void OnGetCurrentDirectory(int result);
    void OnSetCurrentDirectory(int result);
    void OnRemoveDirectory(int result);
    void OnRenameFile(int result);
    void OnDownloadFile(int result);
    void OnUploadFile(int result);
    void OnEnumFiles(int result);
    void OnDataTransferProgress(qint64 bytes);
    void SessionProtocolMessage(const QString& message, int messageType);
    void OnStateChange(int state);
    void OnQuitSession(int result);
    // After every completion event above, with the operation it belongs to.
    void OperationCompleted(int operation, int result);

private:
    enum class Verb { None, User, Pass, Pwd, Cwd, Mkd, Rmd, Dele, Rnfr, Rnto, Type, Pasv, Port, Rest, Retr, Stor, List, Quit,
                      Auth, Pbsz, Prot };

    // Session machinery.
    void setSessionState(int state);
    bool beginOperation(int operation);
    void endOperation();
    void raiseCompletion(int operation, int result);
    void fail(int number, const QString& description, const QString& source);
    void failReply(int code, const QString& description = {});
    void closeControl();
    void sendCommand(Verb verb, const QString& argument = {});
    int stateForVerb(Verb verb) const;

    // Control connection.
    void controlConnected();
    void controlDataArrival();
    void controlClosed();
    void controlError(int number, const QString& description);
    void watchdogTick();

    // One handler per reply situation.
    void handleReply(int code, const QByteArray& block);
    void onGreeting(int code);
    void onUserReply(int code);
    void onPassReply(int code);
    void onPwdReply(int code, const QByteArray& block);
    void onSimpleCommandReply(int code);
    void onRnfrReply(int code);
    void onRntoReply(int code);
    void onQuitReply(int code);
    void onTypeReply(int code);
    void onPasvReply(int code, const QByteArray& block);
    void onPortReply(int code);
    void onRestReply(int code);
    void onRetrReply(int code);
    void onStorReply(int code);
    void onListReply(int code);
    void loggedIn();
    // FTPS.
    void controlEncrypted();
    void onAuthReply(int code);
    void onPbszReply(int code);
    void onProtReply(int code);
    void startDataTls();
    bool takeDirectory(const QByteArray& block);

    // Data connection and local file.
    void openActiveDataConnection();
    void dataConnected();
    void dataConnectionRequest(qintptr requestID);
    void dataArrival();
    void dataSendComplete();
    void dataClosed();
    void dataError(int number, const QString& description, const QString& source);
    void startTransferCommand();
    bool prepareDownloadFile();
    bool prepareUploadFile();
    void startUploadStream();
    void sendNextBlock();
    void finishTransferIfDone();
    void closeLocalFile(bool keep);
    void abortDataConnection();
    void failLocalFile(const QString& path, const QString& reason);

    CSocket m_control;
    CSocket m_data;
    CTimeout m_watchdog;
    CFtpError m_lastError;

    QString m_server;
    int m_security = secNone;
    QString m_trustedFingerprint;
    QString m_peerCertificateText;
    QString m_peerFingerprint;
    bool m_dataProtected = false; // PROT P accepted in this session
    QString m_userName;
    QString m_password;
    int m_remotePort = 21;
    bool m_passive = false;
    int m_transferMode = 1;
    int m_sendBufferLength = 1460;

    int m_state = stNotConnected;
    int m_operation = opNone;
    Verb m_lastVerb = Verb::None;
    QByteArray m_replyBuffer;
    quint64 m_session = 0; // changes with every Connect, so stale replies are dropped
    QString m_lastServerResponse;
    QString m_serverMessage;
    QString m_currentDirectory;
    QString m_newName;
    CFtpFiles m_files;
    QString m_listing;

    // The transfer in progress.
    QString m_remoteFile;
    QString m_localFile;
    bool m_overwrite = false;
    bool m_localFileCreated = false; // the download made LOCAL: an empty one goes on failure
    qint64 m_startOffset = 0;
    qint64 m_bytesTransferred = 0;
    qint64 m_uploadPosition = 0;
    qint64 m_localLength = 0;
    int m_blockLength = 0;
    bool m_restSent = false;
    bool m_uploadHandedOver = false;
    bool m_uploadStarted = false;
    bool m_dataClosed = false;
    bool m_finalReplyOk = false;
    QByteArray m_listingBuffer;
    std::unique_ptr<QFileDevice> m_file;
};

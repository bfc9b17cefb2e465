#pragma once

#include "net/CFtpError.h"
#include "net/CFtpFiles.h"
#include "net/CTimeout.h"

#include <QObject>
#include <QString>

#include <memory>

struct FtpServerField;

// What the upload window, the folder browser and the command line need of a file server,
// whatever the protocol: FTP and FTPS (CFtpClient) or SFTP (SftpClient). Set the connection
// properties, call one operation at a time and learn its outcome from its completion event
// (0 done, 1 failed with LastFtpError, 2 time-out: raised every TimeOut seconds while the
// server stays silent, 3 cancelled). Every event is emitted on the GUI thread, synchronously
// from the client's own handlers; handlers may start the next operation.
class FileTransferClient : public QObject {
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
    enum class Protocol { Ftp, Sftp };

    explicit FileTransferClient(QObject* parent = nullptr);
    ~FileTransferClient() override;

    // A new client for the protocol; protocolOf tells which one a server field names.
    static std::unique_ptr<FileTransferClient> create(Protocol protocol);
    static Protocol protocolOf(const FtpServerField& endpoint);
    virtual Protocol protocol() const = 0;
    // Host and port from the field (and, for FTP, its security).
    virtual void applyEndpoint(const FtpServerField& endpoint);

    // Operations: each returns true when it started; false when another operation is current,
    // a name is empty or FtpServer is empty (Connect).
    virtual bool Connect() = 0;
    virtual bool GetCurrentDirectory() = 0;
    virtual bool SetCurrentDirectory(const QString& path) = 0;
    virtual bool CreateDirectory(const QString& name) = 0;
    virtual bool RemoveDirectory(const QString& name) = 0;
    // Over SFTP an existing newName is replaced in one step, as FTP servers do with RNTO.
    virtual bool RenameFile(const QString& oldName, const QString& newName) = 0;
    virtual bool DeleteFile(const QString& name) = 0;
    // Without overwrite an existing local file is resumed; with it, the download goes to a
    // temporary file that replaces the local one only when the transfer succeeded.
    virtual bool DownloadFile(const QString& remoteFile, const QString& localFile, bool overwrite) = 0;
    // Sends the local file from startOffset (the remote file is kept up to there).
    virtual bool UploadFile(const QString& localFile, const QString& remoteFile, qint64 startOffset = 0) = 0;
    virtual bool EnumFiles() = 0;
    virtual bool QuitSession() = 0;
    virtual void CancelAsyncMethod() = 0;

    // FTP only: how data connections are opened and the transfer type; other protocols ignore them.
    virtual void setPassiveMode(bool) {}
    virtual void setTransferMode(int) {}

    QString FtpServer() const { return m_server; }
    void setFtpServer(const QString& server) { m_server = server; }
    QString UserName() const { return m_userName; }
    void setUserName(const QString& name) { m_userName = name; }
    QString Password() const { return m_password; }
    void setPassword(const QString& password) { m_password = password; }
    int RemotePort() const { return m_remotePort; }
    void setRemotePort(int port); // kept only in 1..65535
    // The server's identity the user has accepted although nothing on this computer vouches for
    // it: a certificate's SHA-256 fingerprint in hex (FTPS) or a host key's "SHA256:..." (SFTP).
    QString TrustedFingerprint() const { return m_trustedFingerprint; }
    void setTrustedFingerprint(const QString& fingerprint) { m_trustedFingerprint = fingerprint; }
    // The server's identity as seen by the last Connect, also after its refusal.
    QString PeerFingerprint() const { return m_peerFingerprint; }
    // The last Connect failed only because nothing on this computer vouches for the server's
    // identity: with TrustedFingerprint set to PeerFingerprint, the next Connect goes on (and
    // over SFTP adds the host key to known_hosts).
    virtual bool PeerNeedsTrust() const { return false; }
    int TimeOut() const { return m_watchdog.TimeOutValue(); }
    void setTimeOut(int seconds) { m_watchdog.setTimeOutValue(seconds); }
    // Milliseconds per TimeOut unit (1000); tests shorten it.
    void setTimeUnitMs(int ms) { m_watchdog.setTimeUnitMs(ms); }

    int FtpSessionState() const { return m_state; }
    // FTP: the last block read from the control connection; SFTP: the server's last status text.
    QString LastServerResponse() const { return m_lastServerResponse; }
    const CFtpError& LastFtpError() const { return m_lastError; }
    QString CurrentDirectory() const { return m_currentDirectory; }
    const CFtpFiles& CurrentDirectoryFiles() const { return m_files; }
    bool Busy() const { return m_state != stReady && m_state != stNotConnected; }
    bool DataTransferInProgress() const;
    int CurrentOperation() const { return m_operation; }

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

protected:
    // Emits the completion event of `operation`, then OperationCompleted.
    void raiseCompletion(int operation, int result);

    CTimeout m_watchdog;
    CFtpError m_lastError;
    QString m_server;
    QString m_userName;
    QString m_password;
    int m_remotePort = 21;
    QString m_trustedFingerprint;
    QString m_peerFingerprint;
    int m_state = stNotConnected;
    int m_operation = opNone;
    QString m_lastServerResponse;
    QString m_currentDirectory;
    CFtpFiles m_files;
};

#pragma once

#include "net/CSocket.h"
#include "net/FileTransferClient.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QFileDevice;

// An asynchronous FTP client for the GUI thread, with explicit and implicit TLS (FTPS). The
// operations, events and results are those of FileTransferClient.
class CFtpClient : public FileTransferClient {
    Q_OBJECT
public:
    // How the connections are protected: clear text, TLS after "AUTH TLS" (explicit FTPS) or
    // TLS from the first byte (implicit FTPS, port 990 as a rule). Never falls back to clear text.
    enum Security { secNone = 0, secExplicitTls = 1, secImplicitTls = 2 };
    explicit CFtpClient(QObject* parent = nullptr);
    ~CFtpClient() override;

    Protocol protocol() const override { return Protocol::Ftp; }
    void applyEndpoint(const FtpServerField& endpoint) override;
    bool PeerNeedsTrust() const override;

    bool Connect() override;
    bool GetCurrentDirectory() override;
    bool SetCurrentDirectory(const QString& path) override;
    bool CreateDirectory(const QString& name) override;
    bool RemoveDirectory(const QString& name) override;
    bool RenameFile(const QString& oldName, const QString& newName) override;
    bool DeleteFile(const QString& name) override;
    bool DownloadFile(const QString& remoteFile, const QString& localFile, bool overwrite) override;
    bool UploadFile(const QString& localFile, const QString& remoteFile, qint64 startOffset = 0) override;
    bool EnumFiles() override;
    bool QuitSession() override;
    void CancelAsyncMethod() override;

    int Security() const { return m_security; }
    void setSecurity(int security) { m_security = security; }
    // The control connection's certificate, after a TLS connection or its refusal.
    QString PeerCertificateText() const { return m_peerCertificateText; }
    bool PassiveMode() const { return m_passive; }
    void setPassiveMode(bool passive) override { m_passive = passive; }
    int TransferMode() const { return m_transferMode; }
    void setTransferMode(int mode) override { m_transferMode = mode; }
    int SendBufferLenght() const { return m_sendBufferLength; }
    void setSendBufferLenght(int length); // kept only in 512..8192

    // Returns the text of the last multi-line reply and clears it.
    QString FtpServerMessage();
    QString CurrentDirectoryListing() const { return m_listing; }

    // The process-wide counter of local ports for active-mode data connections: the first port
    // is drawn from 20000..40001, every later one is the previous + 1, back to 20000 past 65535.
    static int nextActivePort();
    static void setLastActivePort(int port);

private:
    enum class Verb { None, User, Pass, Pwd, Cwd, Mkd, Rmd, Dele, Rnfr, Rnto, Type, Pasv, Port, Rest, Retr, Stor, List, Quit,
                      Auth, Pbsz, Prot };

    // Session machinery.
    void setSessionState(int state);
    bool beginOperation(int operation);
    void endOperation();
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

    int m_security = secNone;
    QString m_peerCertificateText;
    bool m_dataProtected = false; // PROT P accepted in this session
    bool m_passive = false;
    int m_transferMode = 1;
    int m_sendBufferLength = 1460;

    Verb m_lastVerb = Verb::None;
    QByteArray m_replyBuffer;
    quint64 m_session = 0; // changes with every Connect, so stale replies are dropped
    QString m_serverMessage;
    QString m_newName;
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

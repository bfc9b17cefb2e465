#pragma once

#include "net/FileTransferClient.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class SftpConnection;
struct SftpOutcome;

// An SFTP client with the operations and events of FileTransferClient. libssh's calls block,
// so they run one after another on a worker thread of this client; their outcomes come back as
// events on the thread that owns the client, which therefore never waits for the network.
//
// Host keys are checked against known_hosts: an unknown one fails Connect with
// SftpConnection::kHostKeyUnknown and its fingerprint in PeerFingerprint (PeerNeedsTrust);
// once TrustedFingerprint names it, the next Connect adds it to known_hosts and goes on. A
// changed key always fails (kHostKeyChanged). Logins try the SSH agent and the keys in the ssh
// folder, then the password.
class SftpClient : public FileTransferClient {
    Q_OBJECT
public:
    explicit SftpClient(QObject* parent = nullptr);
    ~SftpClient() override;

    Protocol protocol() const override { return Protocol::Sftp; }
    bool PeerNeedsTrust() const override;

    // The folder with the user's keys and ssh configuration: ~/.ssh unless set.
    QString SshDirectory() const { return m_sshDirectory; }
    void setSshDirectory(const QString& path) { m_sshDirectory = path; }
    // The known-hosts file: known_hosts in the ssh folder unless set.
    QString KnownHostsFile() const { return m_knownHostsFile; }
    void setKnownHostsFile(const QString& path) { m_knownHostsFile = path; }

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

private:
    struct Worker;
    struct Reply;
    struct JobContext;
    using Job = std::function<void(JobContext& context)>;

    // Starts `operation`: logs `command`, moves to `state` and hands `job` to the worker.
    bool start(int operation, int state, const QString& command, Job job);
    void finish(quint64 ticket, const Reply& reply);
    void setSessionState(int state);
    void watchdogTick();
    // An absolute remote path for a name relative to the current folder.
    QString remotePath(const QString& name) const;

    std::shared_ptr<Worker> m_worker;
    std::shared_ptr<std::atomic<bool>> m_cancel; // the current job's
    QString m_sshDirectory;
    QString m_knownHostsFile;
    quint64 m_ticket = 0; // the operation whose outcome is awaited; older ones are dropped
    quint64 m_finishedTicket = 0; // the newest operation whose job has ended
    bool m_connected = false;
};

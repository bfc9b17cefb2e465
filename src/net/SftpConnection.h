#pragma once

#include "net/CFtpFiles.h"

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>

struct ssh_session_struct;
struct sftp_session_struct;

// What one blocking SFTP step came to: number 0 when it was done, otherwise a CFtpError number
// (see SftpConnection) with a description a user can act on.
struct SftpOutcome {
    SftpOutcome() = default;
    SftpOutcome(int failure, QString text, QString server = {}, bool lost = false)
        : number(failure), description(std::move(text)), serverText(std::move(server)), sessionLost(lost)
    {
    }
    int number = 0;
    QString description;
    QString serverText; // the server's status text, when it answered with one
    bool sessionLost = false;
    bool ok() const { return number == 0; }
};

// Where and how to log in.
struct SftpLogin {
    QString host;
    int port = 22;
    QString user; // empty: libssh's default, the local user
    QString password;
    QString sshDirectory;   // the user's keys (and config); empty: ~/.ssh
    QString knownHostsFile; // empty: known_hosts in sshDirectory
    // A host key the user has accepted ("SHA256:..."): when the server shows it and
    // known_hosts does not know the server, it is added there and the login goes on.
    QString trustedFingerprint;
    int timeoutSeconds = 60;
};

// One SSH session with its SFTP channel, driven through libssh's blocking calls. Every method
// but interrupt() runs on one thread (the client's worker); interrupt() may be called from any
// thread to end a call that waits for the network.
class SftpConnection {
public:
    // Error numbers beside the Windows Sockets ones (connection failures) and 75 (local file).
    static constexpr int kSshFailure = 18000;
    static constexpr int kHostKeyUnknown = 18001;
    static constexpr int kHostKeyChanged = 18002;
    static constexpr int kAuthenticationFailed = 18003;
    static constexpr int kFileAccessError = 75;
    static constexpr int kCancelled = 18004;
    // 17000 + the SFTP status code of a server's refusal (2 no such file, 3 permission denied ...).
    static constexpr int kServerStatus = 17000;

    using Log = std::function<void(const QString& message, int type)>;
    using Progress = std::function<void(qint64 position)>;
    using Step = std::function<void(int state)>;

    SftpConnection();
    ~SftpConnection();
    SftpConnection(const SftpConnection&) = delete;
    SftpConnection& operator=(const SftpConnection&) = delete;

    // Connects, checks the host key, logs in and opens the SFTP channel. `step` hears the
    // session states on the way (connected, logging in).
    SftpOutcome open(const SftpLogin& login, const Log& log, const Step& step);
    void close();
    bool isOpen() const { return m_sftp != nullptr; }
    // The host key's "SHA256:..." as seen by the last open, also after a refusal.
    QString peerFingerprint() const { return m_fingerprint; }

    SftpOutcome realPath(const QString& path, QString* resolved);
    SftpOutcome directory(const QString& path, QString* resolved); // realPath of a folder only
    SftpOutcome makeDirectory(const QString& path);
    SftpOutcome removeDirectory(const QString& path);
    SftpOutcome removeFile(const QString& path);
    // Replaces an existing `to` in one step where the server can (OpenSSH's posix-rename).
    SftpOutcome rename(const QString& from, const QString& to);
    SftpOutcome list(const QString& path, CFtpFiles* files);
    SftpOutcome upload(const QString& localFile, const QString& remoteFile, qint64 startOffset,
                       const Progress& progress, const std::atomic<bool>& cancel);
    SftpOutcome download(const QString& remoteFile, const QString& localFile, bool overwrite,
                         const Progress& progress, const std::atomic<bool>& cancel);

    // Thread-safe: shuts the socket down, so a blocking call returns at once with an error.
    void interrupt();

private:
    SftpOutcome connectSocket(const SftpLogin& login);
    SftpOutcome checkHostKey(const SftpLogin& login, const Log& log);
    SftpOutcome authenticate(const SftpLogin& login, const Log& log);
    SftpOutcome sshError(const QString& what);
    SftpOutcome sftpError(const QString& what);
    SftpOutcome posixRename(const QString& from, const QString& to, bool* unsupported);

    ssh_session_struct* m_ssh = nullptr;
    sftp_session_struct* m_sftp = nullptr;
    QString m_fingerprint;
    std::mutex m_socketMutex;
    int m_socket = -1;
    std::atomic<bool> m_interrupted{false};
};

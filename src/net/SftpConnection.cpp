#include "net/SftpConnection.h"

#include "net/MSocketSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <libssh/libssh.h>
#include <libssh/sftp.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

// One SFTP packet carries at most 256 KiB with OpenSSH; a block this size leaves room for the
// header and keeps round trips few.
constexpr qint64 kBlock = 128 * 1024;

QByteArray pathBytes(const QString& path)
{
    return path.toUtf8();
}

int socketErrorNumber(int error)
{
    switch (error) {
    case ECONNREFUSED: return MSocketSupport::kConnectionRefused;
    case ETIMEDOUT: return MSocketSupport::kTimedOut;
    case EHOSTUNREACH: return MSocketSupport::kHostUnreachable;
    case ENETUNREACH: return MSocketSupport::kNetworkUnreachable;
    case ECONNRESET: return MSocketSupport::kConnectionReset;
    case EADDRNOTAVAIL: return MSocketSupport::kAddressNotAvailable;
    default: return MSocketSupport::kSystemCallFailure;
    }
}

SftpOutcome socketFailure(int number)
{
    return SftpOutcome{number, MSocketSupport::GetErrorDescription(number), {}, true};
}

QString statusText(int status)
{
    switch (status) {
    case SSH_FX_EOF: return QStringLiteral("End of file.");
    case SSH_FX_NO_SUCH_FILE: return QStringLiteral("No such file or folder.");
    case SSH_FX_PERMISSION_DENIED: return QStringLiteral("Permission denied.");
    case SSH_FX_FAILURE: return QStringLiteral("The server could not do it.");
    case SSH_FX_BAD_MESSAGE: return QStringLiteral("The server did not understand the request.");
    case SSH_FX_OP_UNSUPPORTED: return QStringLiteral("The server does not support this operation.");
    case SSH_FX_FILE_ALREADY_EXISTS: return QStringLiteral("The file already exists.");
    default: return QStringLiteral("The server refused (SFTP status %1).").arg(status);
    }
}

// "-rw-r--r--" from a mode, as Unix listings show it.
QString permissionText(const sftp_attributes attributes)
{
    QString text(10, QLatin1Char('-'));
    switch (attributes->type) {
    case SSH_FILEXFER_TYPE_DIRECTORY: text[0] = QLatin1Char('d'); break;
    case SSH_FILEXFER_TYPE_SYMLINK: text[0] = QLatin1Char('l'); break;
    default: break;
    }
    static const char letters[] = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit) {
        if (attributes->permissions & (0400u >> bit))
            text[bit + 1] = QLatin1Char(letters[bit]);
    }
    return text;
}

void putUint32(QByteArray& packet, quint32 value)
{
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    packet.append(bytes, 4);
}

void putString(QByteArray& packet, const QByteArray& text)
{
    putUint32(packet, quint32(text.size()));
    packet.append(text);
}

quint32 takeUint32(const QByteArray& packet, qsizetype at)
{
    if (at + 4 > packet.size())
        return 0;
    const auto* b = reinterpret_cast<const unsigned char*>(packet.constData() + at);
    return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
}

bool readExactly(ssh_channel channel, char* data, int length)
{
    while (length > 0) {
        const int got = ssh_channel_read(channel, data, uint32_t(length), 0);
        if (got <= 0)
            return false;
        data += got;
        length -= got;
    }
    return true;
}

struct SftpFileCloser {
    void operator()(sftp_file_struct* file) const { sftp_close(file); }
};
using SftpFilePtr = std::unique_ptr<sftp_file_struct, SftpFileCloser>;

void initialiseLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { ssh_init(); });
}

} // namespace

SftpConnection::SftpConnection()
{
    initialiseLibrary();
}

SftpConnection::~SftpConnection()
{
    close();
}

void SftpConnection::interrupt()
{
    m_interrupted = true;
    std::lock_guard<std::mutex> lock(m_socketMutex);
    if (m_socket >= 0)
        ::shutdown(m_socket, SHUT_RDWR);
}

void SftpConnection::close()
{
    if (m_sftp) {
        sftp_free(m_sftp);
        m_sftp = nullptr;
    }
    if (m_ssh) {
        if (ssh_is_connected(m_ssh))
            ssh_disconnect(m_ssh);
        ssh_free(m_ssh);
        m_ssh = nullptr;
    }
    // libssh leaves a socket it was given open.
    std::lock_guard<std::mutex> lock(m_socketMutex);
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
}

SftpOutcome SftpConnection::sshError(const QString& what)
{
    SftpOutcome outcome{kSshFailure, what + QStringLiteral(": ") + QString::fromUtf8(ssh_get_error(m_ssh))};
    if (m_ssh && !ssh_is_connected(m_ssh)) {
        outcome.number = MSocketSupport::kConnectionReset;
        outcome.description = MSocketSupport::GetErrorDescription(MSocketSupport::kConnectionReset) + QStringLiteral(" (")
                              + what + QStringLiteral(": ") + QString::fromUtf8(ssh_get_error(m_ssh)) + QLatin1Char(')');
        outcome.sessionLost = true;
    }
    return outcome;
}

// A refusal carries the server's status; a lost session the transport's error.
SftpOutcome SftpConnection::sftpError(const QString& what)
{
    if (m_interrupted)
        return SftpOutcome{kCancelled, QStringLiteral("Cancelled."), {}, true};
    const int status = m_sftp ? sftp_get_error(m_sftp) : SSH_FX_CONNECTION_LOST;
    if (status == SSH_FX_OK || status == SSH_FX_CONNECTION_LOST || status == SSH_FX_NO_CONNECTION
        || !ssh_is_connected(m_ssh))
        return sshError(what);
    const QString text = statusText(status);
    return SftpOutcome{kServerStatus + status, what + QStringLiteral(": ") + text, text};
}

SftpOutcome SftpConnection::connectSocket(const SftpLogin& login)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_family = AF_UNSPEC;
    addrinfo* found = nullptr;
    const QByteArray host = login.host.toUtf8();
    const QByteArray port = QByteArray::number(login.port);
    if (getaddrinfo(host.constData(), port.constData(), &hints, &found) != 0 || !found)
        return socketFailure(MSocketSupport::kHostNotFound);
    std::unique_ptr<addrinfo, void (*)(addrinfo*)> addresses(found, freeaddrinfo);
    int lastError = ECONNREFUSED;
    for (addrinfo* a = found; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        // Polled in short slices so that a cancel does not wait for the whole time-out.
        int rc = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS) {
            const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + qint64(login.timeoutSeconds) * 1000;
            rc = -1;
            errno = ETIMEDOUT;
            while (!m_interrupted && QDateTime::currentMSecsSinceEpoch() < deadline) {
                pollfd p{fd, POLLOUT, 0};
                if (::poll(&p, 1, 200) > 0) {
                    int error = 0;
                    socklen_t length = sizeof error;
                    getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
                    rc = error == 0 ? 0 : -1;
                    errno = error;
                    break;
                }
            }
        }
        if (rc == 0) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            std::lock_guard<std::mutex> lock(m_socketMutex);
            m_socket = fd;
            return {};
        }
        lastError = errno;
        ::close(fd);
        if (m_interrupted)
            return SftpOutcome{kCancelled, QStringLiteral("Cancelled."), {}, true};
    }
    return socketFailure(socketErrorNumber(lastError));
}

SftpOutcome SftpConnection::open(const SftpLogin& login, const Log& log, const Step& step)
{
    close();
    m_interrupted = false;
    m_fingerprint.clear();
    if (SftpOutcome connected = connectSocket(login); !connected.ok())
        return connected;

    m_ssh = ssh_new();
    if (!m_ssh)
        return SftpOutcome{kSshFailure, QStringLiteral("libssh could not make a session")};
    // The socket is ours: libssh uses it, interrupt() may shut it down, close() closes it.
    int socket = -1;
    {
        std::lock_guard<std::mutex> lock(m_socketMutex);
        socket = m_socket;
    }
    const QByteArray host = login.host.toUtf8();
    const QByteArray sshDirectory = QFile::encodeName(login.sshDirectory.isEmpty()
                                                           ? QDir::homePath() + QStringLiteral("/.ssh")
                                                           : login.sshDirectory);
    const QByteArray knownHosts = QFile::encodeName(login.knownHostsFile.isEmpty()
                                                        ? QString::fromLocal8Bit(sshDirectory) + QStringLiteral("/known_hosts")
                                                        : login.knownHostsFile);
    const unsigned int port = unsigned(login.port);
    const long timeout = login.timeoutSeconds;
    ssh_options_set(m_ssh, SSH_OPTIONS_SSH_DIR, sshDirectory.constData());
    ssh_options_set(m_ssh, SSH_OPTIONS_HOST, host.constData());
    // The user's ssh configuration first (host aliases, identity files), then the settings of
    // this server field, which win.
    ssh_options_parse_config(m_ssh, nullptr);
    ssh_options_set(m_ssh, SSH_OPTIONS_PORT, &port);
    ssh_options_set(m_ssh, SSH_OPTIONS_FD, &socket);
    ssh_options_set(m_ssh, SSH_OPTIONS_KNOWNHOSTS, knownHosts.constData());
    ssh_options_set(m_ssh, SSH_OPTIONS_TIMEOUT, &timeout);
    if (!login.user.isEmpty()) {
        const QByteArray user = login.user.toUtf8();
        ssh_options_set(m_ssh, SSH_OPTIONS_USER, user.constData());
    }
    if (ssh_connect(m_ssh) != SSH_OK) {
        SftpOutcome outcome = sshError(QStringLiteral("The SSH handshake failed"));
        outcome.number = m_interrupted ? kCancelled : MSocketSupport::kConnectionReset;
        outcome.sessionLost = true;
        close();
        return outcome;
    }
    step(3); // connected
    if (const char* banner = ssh_get_serverbanner(m_ssh))
        log(QString::fromUtf8(banner), 1);
    if (SftpOutcome checked = checkHostKey(login, log); !checked.ok()) {
        close();
        return checked;
    }
    step(4); // logging in
    if (SftpOutcome authenticated = authenticate(login, log); !authenticated.ok()) {
        close();
        return authenticated;
    }
    m_sftp = sftp_new(m_ssh);
    if (!m_sftp || sftp_init(m_sftp) != SSH_OK) {
        SftpOutcome outcome = m_sftp ? SftpOutcome{kSshFailure, QStringLiteral("The server offers no SFTP: SFTP status %1")
                                                                   .arg(sftp_get_error(m_sftp))}
                                     : sshError(QStringLiteral("The SFTP channel could not be opened"));
        outcome.sessionLost = true;
        close();
        return outcome;
    }
    return {};
}

SftpOutcome SftpConnection::checkHostKey(const SftpLogin& login, const Log& log)
{
    ssh_key key = nullptr;
    if (ssh_get_server_publickey(m_ssh, &key) != SSH_OK)
        return sshError(QStringLiteral("The server showed no host key"));
    unsigned char* hash = nullptr;
    size_t hashLength = 0;
    const int hashed = ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &hashLength);
    ssh_key_free(key);
    if (hashed != 0)
        return sshError(QStringLiteral("The host key could not be read"));
    char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, hashLength);
    ssh_clean_pubkey_hash(&hash);
    m_fingerprint = QString::fromLatin1(text);
    ssh_string_free_char(text);

    const QString knownHosts = login.knownHostsFile.isEmpty()
        ? (login.sshDirectory.isEmpty() ? QDir::homePath() + QStringLiteral("/.ssh") : login.sshDirectory)
              + QStringLiteral("/known_hosts")
        : login.knownHostsFile;
    const QString where = login.port == 22 ? login.host : QStringLiteral("[%1]:%2").arg(login.host).arg(login.port);
    switch (ssh_session_is_known_server(m_ssh)) {
    case SSH_KNOWN_HOSTS_OK:
        log(QStringLiteral("Host key %1 is known (%2)").arg(m_fingerprint, knownHosts), 1);
        return {};
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER:
        return SftpOutcome{kHostKeyChanged,
                           QStringLiteral("WARNING: the host key of %1 has changed: the server now shows %2, which is "
                                          "not the key recorded in %3. Someone may be intercepting the connection, or "
                                          "the server was set up again. Nothing was sent. If you know the change is "
                                          "right, remove the old key (ssh-keygen -R \"%1\" -f %3) and connect again.")
                               .arg(where, m_fingerprint, QDir::toNativeSeparators(knownHosts)),
                           {}, true};
    case SSH_KNOWN_HOSTS_UNKNOWN:
    case SSH_KNOWN_HOSTS_NOT_FOUND: {
        QString trusted = login.trustedFingerprint.trimmed();
        if (!trusted.isEmpty() && !trusted.startsWith(QLatin1String("SHA256:")))
            trusted.prepend(QStringLiteral("SHA256:"));
        while (trusted.endsWith(QLatin1Char('=')))
            trusted.chop(1);
        if (trusted != m_fingerprint) {
            return SftpOutcome{kHostKeyUnknown,
                               QStringLiteral("The host key of %1 is not in %2. Its fingerprint is %3.")
                                   .arg(where, QDir::toNativeSeparators(knownHosts), m_fingerprint),
                               {}, true};
        }
        QDir().mkpath(QFileInfo(knownHosts).absolutePath());
        if (ssh_session_update_known_hosts(m_ssh) != SSH_OK)
            return sshError(QStringLiteral("The host key could not be added to %1").arg(knownHosts));
        log(QStringLiteral("Host key %1 added to %2").arg(m_fingerprint, knownHosts), 1);
        return {};
    }
    default:
        return sshError(QStringLiteral("%1 could not be read").arg(knownHosts));
    }
}

SftpOutcome SftpConnection::authenticate(const SftpLogin& login, const Log& log)
{
    int rc = ssh_userauth_none(m_ssh, nullptr);
    if (rc == SSH_AUTH_SUCCESS)
        return {};
    if (rc == SSH_AUTH_ERROR)
        return sshError(QStringLiteral("The login failed"));
    const int methods = ssh_userauth_list(m_ssh, nullptr);
    QStringList tried;
    // Keys before the password, as ssh does: the agent's, then those in the ssh folder.
    if (methods & SSH_AUTH_METHOD_PUBLICKEY) {
        tried << QStringLiteral("the SSH agent and the keys in %1")
                     .arg(login.sshDirectory.isEmpty() ? QStringLiteral("~/.ssh") : login.sshDirectory);
        rc = ssh_userauth_publickey_auto(m_ssh, nullptr, nullptr);
        if (rc == SSH_AUTH_SUCCESS) {
            log(QStringLiteral("Logged in with a key"), 1);
            return {};
        }
        if (rc == SSH_AUTH_ERROR)
            return sshError(QStringLiteral("The key login failed"));
    }
    const QByteArray password = login.password.toUtf8();
    if (!password.isEmpty() && (methods & SSH_AUTH_METHOD_PASSWORD)) {
        tried << QStringLiteral("the password");
        rc = ssh_userauth_password(m_ssh, nullptr, password.constData());
        if (rc == SSH_AUTH_SUCCESS) {
            log(QStringLiteral("Logged in with the password"), 1);
            return {};
        }
        if (rc == SSH_AUTH_ERROR)
            return sshError(QStringLiteral("The password login failed"));
    } else if (!password.isEmpty() && (methods & SSH_AUTH_METHOD_INTERACTIVE)) {
        // Servers that ask through PAM: every hidden prompt gets the password.
        tried << QStringLiteral("the password (keyboard-interactive)");
        rc = ssh_userauth_kbdint(m_ssh, nullptr, nullptr);
        for (int round = 0; rc == SSH_AUTH_INFO && round < 4; ++round) {
            const int prompts = ssh_userauth_kbdint_getnprompts(m_ssh);
            for (int i = 0; i < prompts; ++i) {
                char echo = 0;
                ssh_userauth_kbdint_getprompt(m_ssh, unsigned(i), &echo);
                ssh_userauth_kbdint_setanswer(m_ssh, unsigned(i), echo ? "" : password.constData());
            }
            rc = ssh_userauth_kbdint(m_ssh, nullptr, nullptr);
        }
        if (rc == SSH_AUTH_SUCCESS) {
            log(QStringLiteral("Logged in with the password"), 1);
            return {};
        }
    }
    const QString user = login.user.isEmpty() ? QStringLiteral("the local user name") : login.user;
    return SftpOutcome{kAuthenticationFailed,
                       tried.isEmpty()
                           ? QStringLiteral("The server accepts no login this program offers for %1.").arg(user)
                           : QStringLiteral("The server did not accept the login of %1: tried %2.")
                                 .arg(user, tried.join(QStringLiteral(", then "))),
                       {}, true};
}

// ---- files and folders -------------------------------------------------------------------

SftpOutcome SftpConnection::realPath(const QString& path, QString* resolved)
{
    if (!m_sftp)
        return socketFailure(MSocketSupport::kNotConnected);
    char* real = sftp_canonicalize_path(m_sftp, pathBytes(path.isEmpty() ? QStringLiteral(".") : path).constData());
    if (!real)
        return sftpError(path);
    *resolved = QString::fromUtf8(real);
    ssh_string_free_char(real);
    return {};
}

SftpOutcome SftpConnection::directory(const QString& path, QString* resolved)
{
    if (SftpOutcome found = realPath(path, resolved); !found.ok())
        return found;
    sftp_attributes attributes = sftp_stat(m_sftp, pathBytes(*resolved).constData());
    if (!attributes)
        return sftpError(path);
    const bool isDirectory = attributes->type == SSH_FILEXFER_TYPE_DIRECTORY;
    sftp_attributes_free(attributes);
    if (!isDirectory)
        return SftpOutcome{kServerStatus + SSH_FX_NO_SUCH_FILE, path + QStringLiteral(": not a folder."),
                           QStringLiteral("Not a folder.")};
    return {};
}

SftpOutcome SftpConnection::makeDirectory(const QString& path)
{
    if (!m_sftp)
        return socketFailure(MSocketSupport::kNotConnected);
    return sftp_mkdir(m_sftp, pathBytes(path).constData(), 0755) == 0 ? SftpOutcome{} : sftpError(path);
}

SftpOutcome SftpConnection::removeDirectory(const QString& path)
{
    if (!m_sftp)
        return socketFailure(MSocketSupport::kNotConnected);
    return sftp_rmdir(m_sftp, pathBytes(path).constData()) == 0 ? SftpOutcome{} : sftpError(path);
}

SftpOutcome SftpConnection::removeFile(const QString& path)
{
    if (!m_sftp)
        return socketFailure(MSocketSupport::kNotConnected);
    return sftp_unlink(m_sftp, pathBytes(path).constData()) == 0 ? SftpOutcome{} : sftpError(path);
}

// OpenSSH's "posix-rename@openssh.com" replaces the target as rename(2) does; libssh 0.10 has
// no call for it, so the request goes over the SFTP channel directly. It is only sent between
// libssh's own requests, which all have their answers by then.
SftpOutcome SftpConnection::posixRename(const QString& from, const QString& to, bool* unsupported)
{
    *unsupported = sftp_extension_supported(m_sftp, "posix-rename@openssh.com", "1") == 0;
    if (*unsupported)
        return {};
    const quint32 id = ++m_sftp->id_counter;
    QByteArray body;
    body.append(char(SSH_FXP_EXTENDED));
    putUint32(body, id);
    putString(body, "posix-rename@openssh.com");
    putString(body, pathBytes(from));
    putString(body, pathBytes(to));
    QByteArray packet;
    putUint32(packet, quint32(body.size()));
    packet += body;
    if (ssh_channel_write(m_sftp->channel, packet.constData(), uint32_t(packet.size())) != packet.size())
        return sshError(QStringLiteral("rename %1").arg(from));
    char header[4];
    if (!readExactly(m_sftp->channel, header, 4))
        return sshError(QStringLiteral("rename %1").arg(from));
    const quint32 length = takeUint32(QByteArray(header, 4), 0);
    if (length < 9 || length > 64 * 1024)
        return SftpOutcome{kSshFailure, QStringLiteral("rename %1: the server's answer is unreadable").arg(from), {}, true};
    QByteArray reply(qsizetype(length), Qt::Uninitialized);
    if (!readExactly(m_sftp->channel, reply.data(), int(length)))
        return sshError(QStringLiteral("rename %1").arg(from));
    if (quint8(reply[0]) != SSH_FXP_STATUS || takeUint32(reply, 1) != id)
        return SftpOutcome{kSshFailure, QStringLiteral("rename %1: the server's answer is unreadable").arg(from), {}, true};
    const int status = int(takeUint32(reply, 5));
    if (status == SSH_FX_OK)
        return {};
    const QString text = statusText(status);
    return SftpOutcome{kServerStatus + status, QStringLiteral("rename %1: %2").arg(from, text), text};
}

SftpOutcome SftpConnection::rename(const QString& from, const QString& to)
{
    if (!m_sftp)
        return socketFailure(MSocketSupport::kNotConnected);
    bool unsupported = false;
    SftpOutcome outcome = posixRename(from, to, &unsupported);
    if (!unsupported)
        return outcome;
    if (sftp_rename(m_sftp, pathBytes(from).constData(), pathBytes(to).constData()) == 0)
        return {};
    // Servers without an atomic replace refuse an existing target: it goes first.
    sftp_attributes target = sftp_stat(m_sftp, pathBytes(to).constData());
    if (!target)
        return sftpError(QStringLiteral("rename %1").arg(from));
    sftp_attributes_free(target);
    if (sftp_unlink(m_sftp, pathBytes(to).constData()) != 0
        || sftp_rename(m_sftp, pathBytes(from).constData(), pathBytes(to).constData()) != 0)
        return sftpError(QStringLiteral("rename %1").arg(from));
    return {};
}

SftpOutcome SftpConnection::list(const QString& path, CFtpFiles* files)
{
    files->clear();
    if (!m_sftp)
        return socketFailure(MSocketSupport::kNotConnected);
    const QByteArray folder = pathBytes(path.isEmpty() ? QStringLiteral(".") : path);
    sftp_dir dir = sftp_opendir(m_sftp, folder.constData());
    if (!dir)
        return sftpError(path);
    while (sftp_attributes entry = sftp_readdir(m_sftp, dir)) {
        const QString name = QString::fromUtf8(entry->name);
        if (name != QLatin1String(".") && name != QLatin1String("..")) {
            CFtpFile file;
            file.FileName = name;
            file.IsDirectory = entry->type == SSH_FILEXFER_TYPE_DIRECTORY;
            file.FileSize = qint64(entry->size);
            if (entry->flags & SSH_FILEXFER_ATTR_ACMODTIME)
                file.LastWriteTime = QDateTime::fromSecsSinceEpoch(qint64(entry->mtime));
            file.Permissions = permissionText(entry);
            file.Owner = entry->owner ? QString::fromUtf8(entry->owner) : QString::number(entry->uid);
            file.Group = entry->group ? QString::fromUtf8(entry->group) : QString::number(entry->gid);
            if (entry->type == SSH_FILEXFER_TYPE_SYMLINK) {
                const QByteArray full = folder + '/' + entry->name;
                if (char* target = sftp_readlink(m_sftp, full.constData())) {
                    file.FilePath = QString::fromUtf8(target);
                    ssh_string_free_char(target);
                }
                // A link to a folder is browsed like one.
                if (sftp_attributes linked = sftp_stat(m_sftp, full.constData())) {
                    file.IsDirectory = linked->type == SSH_FILEXFER_TYPE_DIRECTORY;
                    sftp_attributes_free(linked);
                }
            }
            files->Add(file, name);
        }
        sftp_attributes_free(entry);
    }
    const bool complete = sftp_dir_eof(dir);
    sftp_closedir(dir);
    return complete ? SftpOutcome{} : sftpError(path);
}

SftpOutcome SftpConnection::upload(const QString& localFile, const QString& remoteFile, qint64 startOffset,
                                   const Progress& progress, const std::atomic<bool>& cancel)
{
    if (!m_sftp)
        return socketFailure(MSocketSupport::kNotConnected);
    QFile local(localFile);
    if (!local.open(QIODevice::ReadOnly))
        return SftpOutcome{kFileAccessError, QStringLiteral("Path/File access error: %1: %2").arg(localFile, local.errorString())};
    if (startOffset < 0 || startOffset > local.size() || !local.seek(startOffset))
        return SftpOutcome{kFileAccessError, QStringLiteral("Path/File access error: %1: no byte %2 to resume from")
                                                 .arg(localFile).arg(startOffset)};
    const int mode = O_WRONLY | O_CREAT | (startOffset == 0 ? O_TRUNC : 0);
    SftpFilePtr remote(sftp_open(m_sftp, pathBytes(remoteFile).constData(), mode, 0644));
    if (!remote)
        return sftpError(remoteFile);
    if (startOffset > 0) {
        // The remote file is kept up to the offset and nothing of it after.
        sftp_attributes_struct size{};
        size.flags = SSH_FILEXFER_ATTR_SIZE;
        size.size = quint64(startOffset);
        if (sftp_setstat(m_sftp, pathBytes(remoteFile).constData(), &size) != 0 || sftp_seek64(remote.get(), quint64(startOffset)) != 0)
            return sftpError(remoteFile);
    }
    QByteArray block(kBlock, Qt::Uninitialized);
    qint64 position = startOffset;
    progress(position);
    while (!cancel) {
        const qint64 got = local.read(block.data(), kBlock);
        if (got < 0)
            return SftpOutcome{kFileAccessError, QStringLiteral("Path/File access error: %1: %2").arg(localFile, local.errorString())};
        if (got == 0)
            break;
        for (qint64 sent = 0; sent < got;) {
            const ssize_t written = sftp_write(remote.get(), block.constData() + sent, size_t(got - sent));
            if (written <= 0)
                return sftpError(remoteFile);
            sent += written;
        }
        position += got;
        progress(position);
    }
    if (cancel)
        return SftpOutcome{kCancelled, QStringLiteral("Cancelled.")};
    // The close is where some servers report a full disk.
    if (sftp_close(remote.release()) != SSH_OK)
        return sftpError(remoteFile);
    return {};
}

SftpOutcome SftpConnection::download(const QString& remoteFile, const QString& localFile, bool overwrite,
                                     const Progress& progress, const std::atomic<bool>& cancel)
{
    if (!m_sftp)
        return socketFailure(MSocketSupport::kNotConnected);
    const QFileInfo info(localFile);
    const bool created = !info.exists();
    const qint64 resume = !created && !overwrite ? info.size() : 0;
    SftpFilePtr remote(sftp_open(m_sftp, pathBytes(remoteFile).constData(), O_RDONLY, 0));
    if (!remote)
        return sftpError(remoteFile);
    // A replaced file changes only once the whole new one is there.
    std::unique_ptr<QFileDevice> file;
    if (overwrite && !created)
        file = std::make_unique<QSaveFile>(localFile);
    else
        file = std::make_unique<QFile>(localFile);
    const auto localFailure = [&] {
        SftpOutcome failure{kFileAccessError, QStringLiteral("Path/File access error: %1: %2").arg(localFile, file->errorString())};
        if (auto* saveFile = dynamic_cast<QSaveFile*>(file.get()))
            saveFile->cancelWriting();
        return failure;
    };
    if (!file->open(dynamic_cast<QSaveFile*>(file.get()) ? QIODevice::WriteOnly : QIODevice::WriteOnly | QIODevice::Append))
        return localFailure();
    const auto discard = [&] {
        if (auto* saveFile = dynamic_cast<QSaveFile*>(file.get())) {
            saveFile->cancelWriting();
        } else {
            file->close();
            if (created && QFileInfo(localFile).size() == 0)
                QFile::remove(localFile);
        }
    };
    if (resume > 0 && sftp_seek64(remote.get(), quint64(resume)) != 0) {
        discard();
        return sftpError(remoteFile);
    }
    QByteArray block(kBlock, Qt::Uninitialized);
    qint64 position = resume;
    while (!cancel) {
        const ssize_t got = sftp_read(remote.get(), block.data(), size_t(kBlock));
        if (got < 0) {
            SftpOutcome failure = sftpError(remoteFile);
            discard();
            return failure;
        }
        if (got == 0)
            break;
        if (file->write(block.constData(), got) != got) {
            SftpOutcome failure = localFailure();
            discard();
            return failure;
        }
        position += got;
        progress(position);
    }
    if (cancel) {
        discard();
        return SftpOutcome{kCancelled, QStringLiteral("Cancelled.")};
    }
    if (auto* saveFile = dynamic_cast<QSaveFile*>(file.get())) {
        if (!saveFile->commit())
            return localFailure();
    } else if (!file->flush()) {
        return localFailure();
    }
    return {};
}

#include "net/SftpClient.h"

#include "net/MSocketSupport.h"
#include "net/SftpConnection.h"

#include <QDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

namespace {

const QString kSource = QStringLiteral("SftpClient");

// How long a cancelled transfer may take to notice; past it the session is cut.
constexpr int kCancelGraceMs = 2000;

} // namespace

// What a job hands back to the owner's thread.
struct SftpClient::Reply {
    SftpOutcome outcome;
    QString path;
    CFtpFiles files;
    QString fingerprint;
    bool connected = false;
};

// What a job runs with on the worker thread: the connection, its reply, its cancel flag and
// the ways to report back while it runs (dropped once the operation is no longer current).
struct SftpClient::JobContext {
    SftpConnection& connection;
    Reply& reply;
    const std::atomic<bool>& cancel;
    std::function<void(qint64 position)> progress;
    std::function<void(const QString& message, int type)> log;
    std::function<void(int state)> step;
};

// The worker thread and what it shares with the owner. The owner pointer is cleared (under the
// mutex) before the client goes, so no event is posted to a deleted object.
struct SftpClient::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> jobs;
    bool stop = false;
    SftpClient* owner = nullptr;
    SftpConnection connection;
    std::thread thread;
    std::promise<void> finished;

    // Runs `event` on the owner's thread, with the owner.
    void post(std::function<void(SftpClient&)> event)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (owner)
            QMetaObject::invokeMethod(owner, [o = owner, e = std::move(event)] { e(*o); }, Qt::QueuedConnection);
    }

    static void run(const std::shared_ptr<Worker>& self)
    {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock<std::mutex> lock(self->mutex);
                self->wake.wait(lock, [&] { return self->stop || !self->jobs.empty(); });
                if (self->stop)
                    break;
                job = std::move(self->jobs.front());
                self->jobs.pop_front();
            }
            job();
        }
        self->connection.close();
        self->finished.set_value();
    }
};

SftpClient::SftpClient(QObject* parent) : FileTransferClient(parent), m_worker(std::make_shared<Worker>())
{
    m_remotePort = 22;
    m_sshDirectory = QDir::homePath() + QStringLiteral("/.ssh");
    m_worker->owner = this;
    m_worker->thread = std::thread(&Worker::run, m_worker);
    connect(&m_watchdog, &CTimeout::TimeOut, this, &SftpClient::watchdogTick, Qt::DirectConnection);
}

SftpClient::~SftpClient()
{
    m_watchdog.StopTimer();
    std::future<void> finished = m_worker->finished.get_future();
    {
        std::lock_guard<std::mutex> lock(m_worker->mutex);
        m_worker->owner = nullptr;
        m_worker->stop = true;
        m_worker->jobs.clear();
    }
    m_worker->connection.interrupt();
    m_worker->wake.notify_all();
    // A worker stuck in a call past the interrupt is left to end on its own.
    if (finished.wait_for(std::chrono::seconds(2)) == std::future_status::ready)
        m_worker->thread.join();
    else
        m_worker->thread.detach();
}

bool SftpClient::PeerNeedsTrust() const
{
    return m_lastError.Number == SftpConnection::kHostKeyUnknown && !m_peerFingerprint.isEmpty();
}

QString SftpClient::remotePath(const QString& name) const
{
    if (name.startsWith(QLatin1Char('/')) || m_currentDirectory.isEmpty())
        return name;
    return m_currentDirectory + (m_currentDirectory.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) + name;
}

void SftpClient::setSessionState(int state)
{
    m_state = state;
    emit OnStateChange(state);
}

// ---- the operation machinery ---------------------------------------------------------------

bool SftpClient::start(int operation, int state, const QString& command, Job job)
{
    if (m_operation != opNone)
        return false;
    m_lastError.clear();
    m_operation = operation;
    const quint64 ticket = ++m_ticket;
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_watchdog.StartTimer();
    setSessionState(state);
    if (!command.isEmpty())
        emit SessionProtocolMessage(command, 0);
    std::weak_ptr<Worker> weak = m_worker;
    auto run = [weak, ticket, cancel = m_cancel, job = std::move(job)] {
        const std::shared_ptr<Worker> worker = weak.lock();
        if (!worker)
            return;
        Reply reply;
        if (*cancel) {
            reply.outcome = SftpOutcome{SftpConnection::kCancelled, QStringLiteral("Cancelled.")};
        } else {
            qint64 lastShown = -1;
            qint64 lastPosition = -1;
            const auto showProgress = [&](qint64 position) {
                lastShown = position;
                worker->post([ticket, position](SftpClient& owner) {
                    if (ticket == owner.m_ticket && owner.m_operation != opNone) {
                        owner.m_watchdog.Reset();
                        emit owner.OnDataTransferProgress(position);
                    }
                });
            };
            JobContext context{
                worker->connection, reply, *cancel,
                [&](qint64 position) {
                    // One event per 256 KiB at most (and the last one); the window needs no more.
                    lastPosition = position;
                    if (lastShown < 0 || position - lastShown >= 256 * 1024)
                        showProgress(position);
                },
                [&](const QString& message, int type) {
                    worker->post([ticket, message, type](SftpClient& owner) {
                        if (ticket == owner.m_ticket)
                            emit owner.SessionProtocolMessage(message, type);
                    });
                },
                [&](int state) {
                    worker->post([ticket, state](SftpClient& owner) {
                        if (ticket == owner.m_ticket && owner.m_operation != opNone) {
                            owner.m_watchdog.Reset();
                            owner.setSessionState(state);
                        }
                    });
                }};
            job(context);
            if (lastPosition > lastShown)
                showProgress(lastPosition);
        }
        // A session that broke is not offered to the next operation.
        if (reply.outcome.sessionLost)
            worker->connection.close();
        reply.connected = worker->connection.isOpen();
        reply.fingerprint = worker->connection.peerFingerprint();
        worker->post([ticket, reply = std::move(reply)](SftpClient& owner) { owner.finish(ticket, reply); });
    };
    {
        std::lock_guard<std::mutex> lock(m_worker->mutex);
        m_worker->jobs.push_back(std::move(run));
    }
    m_worker->wake.notify_one();
    return true;
}

void SftpClient::finish(quint64 ticket, const Reply& reply)
{
    m_finishedTicket = std::max(m_finishedTicket, ticket);
    if (ticket != m_ticket || m_operation == opNone) {
        // A cancelled operation ended; a session it lost is gone for the next one too.
        if (!reply.connected && m_connected && m_operation == opNone) {
            m_connected = false;
            setSessionState(stNotConnected);
        }
        return;
    }
    const int operation = m_operation;
    m_watchdog.StopTimer();
    m_operation = opNone;
    m_connected = reply.connected;
    if (operation == opConnect)
        m_peerFingerprint = reply.fingerprint;
    const SftpOutcome& outcome = reply.outcome;
    if (outcome.ok()) {
        switch (operation) {
        case opConnect:
        case opGetCurrentDirectory:
        case opSetCurrentDirectory: m_currentDirectory = reply.path; break;
        case opEnumFiles: m_files = reply.files; break;
        default: break;
        }
        m_lastServerResponse = operation == opGetCurrentDirectory || operation == opConnect ? reply.path : QStringLiteral("OK");
        if (operation == opConnect)
            setSessionState(stLoggedIn);
        emit SessionProtocolMessage(m_lastServerResponse, 1);
    } else {
        m_lastServerResponse = outcome.serverText.isEmpty() ? outcome.description : outcome.serverText;
        m_lastError.set(outcome.number, outcome.description, kSource);
        emit SessionProtocolMessage(outcome.description, 2);
    }
    setSessionState(m_connected ? stReady : stNotConnected);
    raiseCompletion(operation, outcome.ok() ? ftpDone : ftpFailed);
}

void SftpClient::watchdogTick()
{
    if (m_operation != opNone)
        raiseCompletion(m_operation, ftpTimeOut);
}

void SftpClient::CancelAsyncMethod()
{
    const int operation = m_operation;
    if (operation == opNone)
        return;
    m_watchdog.StopTimer();
    m_operation = opNone;
    *m_cancel = true;
    if (operation == opConnect || operation == opQuitSession) {
        // A half-done login leaves nothing to go on with.
        m_worker->connection.interrupt();
        m_connected = false;
        setSessionState(stNotConnected);
    } else {
        setSessionState(stReady);
        // A transfer stops at its next block; one stuck on a silent server costs the session.
        const quint64 cancelled = m_ticket;
        QTimer::singleShot(kCancelGraceMs, this, [this, cancelled] {
            if (m_finishedTicket < cancelled)
                m_worker->connection.interrupt();
        });
    }
    if (operation != opQuitSession)
        raiseCompletion(operation, ftpCancelled);
}

// ---- operations ----------------------------------------------------------------------------

bool SftpClient::Connect()
{
    if (m_server.isEmpty())
        return false;
    if (m_operation != opNone)
        CancelAsyncMethod();
    m_peerFingerprint.clear();
    m_connected = false;
    const SftpLogin login{m_server, m_remotePort, m_userName, m_password, m_sshDirectory, m_knownHostsFile,
                          m_trustedFingerprint, TimeOut()};
    return start(opConnect, stConnecting, {}, [login](JobContext& c) {
        c.reply.outcome = c.connection.open(login, c.log, c.step);
        if (c.reply.outcome.ok())
            c.reply.outcome = c.connection.realPath(QStringLiteral("."), &c.reply.path);
        if (!c.reply.outcome.ok())
            c.connection.close();
    });
}

bool SftpClient::GetCurrentDirectory()
{
    const QString path = m_currentDirectory;
    return start(opGetCurrentDirectory, stReadingDirectory, QStringLiteral("pwd"), [path](JobContext& c) {
        c.reply.outcome = c.connection.directory(path, &c.reply.path);
    });
}

bool SftpClient::SetCurrentDirectory(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString target = remotePath(path);
    return start(opSetCurrentDirectory, stChangingDirectory, QStringLiteral("cd ") + path, [target](JobContext& c) {
        c.reply.outcome = c.connection.directory(target, &c.reply.path);
    });
}

bool SftpClient::CreateDirectory(const QString& name)
{
    if (name.isEmpty())
        return false;
    const QString target = remotePath(name);
    return start(opCreateDirectory, stCreatingDirectory, QStringLiteral("mkdir ") + name,
                 [target](JobContext& c) { c.reply.outcome = c.connection.makeDirectory(target); });
}

bool SftpClient::RemoveDirectory(const QString& name)
{
    if (name.isEmpty())
        return false;
    const QString target = remotePath(name);
    return start(opRemoveDirectory, stRemovingDirectory, QStringLiteral("rmdir ") + name,
                 [target](JobContext& c) { c.reply.outcome = c.connection.removeDirectory(target); });
}

bool SftpClient::RenameFile(const QString& oldName, const QString& newName)
{
    if (oldName.isEmpty() || newName.isEmpty())
        return false;
    const QString from = remotePath(oldName);
    const QString to = remotePath(newName);
    return start(opRenameFile, stRenaming, QStringLiteral("rename %1 %2").arg(oldName, newName),
                 [from, to](JobContext& c) { c.reply.outcome = c.connection.rename(from, to); });
}

bool SftpClient::DeleteFile(const QString& name)
{
    if (name.isEmpty())
        return false;
    const QString target = remotePath(name);
    return start(opDeleteFile, stDeleting, QStringLiteral("rm ") + name,
                 [target](JobContext& c) { c.reply.outcome = c.connection.removeFile(target); });
}

bool SftpClient::DownloadFile(const QString& remoteFile, const QString& localFile, bool overwrite)
{
    if (remoteFile.isEmpty() || localFile.isEmpty())
        return false;
    const QString source = remotePath(remoteFile);
    return start(opDownloadFile, stDownloading, QStringLiteral("get %1 %2").arg(remoteFile, localFile),
                 [source, localFile, overwrite](JobContext& c) {
                     c.reply.outcome = c.connection.download(source, localFile, overwrite, c.progress, c.cancel);
                 });
}

bool SftpClient::UploadFile(const QString& localFile, const QString& remoteFile, qint64 startOffset)
{
    if (localFile.isEmpty() || remoteFile.isEmpty())
        return false;
    const QString target = remotePath(remoteFile);
    QString command = QStringLiteral("put %1 %2").arg(localFile, remoteFile);
    if (startOffset > 0)
        command += QStringLiteral(" from byte %1").arg(startOffset);
    return start(opUploadFile, stUploading, command, [localFile, target, startOffset](JobContext& c) {
        c.reply.outcome = c.connection.upload(localFile, target, startOffset, c.progress, c.cancel);
    });
}

bool SftpClient::EnumFiles()
{
    const QString folder = m_currentDirectory;
    return start(opEnumFiles, stReadingDirectory, QStringLiteral("ls ") + folder, [folder](JobContext& c) {
        c.reply.outcome = c.connection.list(folder, &c.reply.files);
    });
}

bool SftpClient::QuitSession()
{
    return start(opQuitSession, stQuitting, QStringLiteral("bye"), [](JobContext& c) { c.connection.close(); });
}

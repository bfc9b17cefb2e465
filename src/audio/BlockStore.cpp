#include "audio/BlockStore.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fcntl.h>
#include <unistd.h>

const char* const BlockStore::kFolderPrefix = "velmora-audio-";

namespace {
const char kLockName[] = "in-use.lock";
}

// Shared by the store and every block it made, so blocks can outlive the store object and the
// spill folder goes only when the last of them is gone.
class BlockStoreState {
public:
    std::atomic<qint64> memoryInUse{0};
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<QLockFile> lock;
    qint64 counter = 0;

    ~BlockStoreState()
    {
        if (lock)
            lock->unlock();
        // QTemporaryDir removes the folder with any file left in it.
    }
};

SampleBlock::SampleBlock(std::shared_ptr<BlockStoreState> store, int channels, std::vector<float> data,
                         QString file, qint64 frames, BlockSummary summary)
    : m_store(std::move(store)), m_channels(channels), m_data(std::move(data)), m_file(std::move(file)),
      m_frames(frames), m_summary(std::move(summary)), m_peak(m_summary.peak())
{
    if (m_file.isEmpty())
        m_store->memoryInUse += qint64(m_data.size() * sizeof(float));
}

SampleBlock::~SampleBlock()
{
    if (m_file.isEmpty())
        m_store->memoryInUse -= qint64(m_data.size() * sizeof(float));
    else
        QFile::remove(m_file);
}

bool SampleBlock::read(qint64 offset, qint64 count, float* out) const
{
    if (offset < 0 || count < 0 || offset + count > m_frames)
        return false;
    const size_t n = size_t(count) * size_t(m_channels);
    if (m_file.isEmpty()) {
        std::copy_n(m_data.data() + size_t(offset) * size_t(m_channels), n, out);
        return true;
    }
    const int fd = ::open(QFile::encodeName(m_file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const size_t bytes = n * sizeof(float);
    size_t done = 0;
    const off_t base = off_t(offset) * m_channels * off_t(sizeof(float));
    while (done < bytes) {
        const ssize_t r = ::pread(fd, reinterpret_cast<char*>(out) + done, bytes - done, base + off_t(done));
        if (r <= 0)
            break;
        done += size_t(r);
    }
    ::close(fd);
    return done == bytes;
}

BlockStore::BlockStore() : m_state(std::make_shared<BlockStoreState>()) {}

BlockStore::~BlockStore() = default;

void BlockStore::setTempFolder(const QString& folder)
{
    if (folder == m_tempFolder)
        return;
    m_tempFolder = folder;
    release();
}

QString BlockStore::tempFolder() const
{
    return m_tempFolder.isEmpty() ? QDir::tempPath() : m_tempFolder;
}

void BlockStore::setMemoryBudget(qint64 bytes) { m_budget = std::max<qint64>(0, bytes); }
qint64 BlockStore::memoryBudget() const { return m_budget; }
qint64 BlockStore::memoryInUse() const { return m_state->memoryInUse; }

QString BlockStore::spillFolder() const
{
    return m_state->folder ? m_state->folder->path() : QString();
}

void BlockStore::release()
{
    auto fresh = std::make_shared<BlockStoreState>();
    // Memory already counted stays with the old state's blocks; the budget applies to new blocks
    // together with the ones still alive.
    fresh->memoryInUse = 0;
    m_state = fresh;
}

SampleBlockPtr BlockStore::makeTransientBlock(int channels, std::vector<float> data)
{
    const qint64 frames = channels > 0 ? qint64(data.size()) / channels : 0;
    BlockSummary summary(data.data(), frames, channels);
    return std::make_shared<SampleBlock>(m_state, channels, std::move(data), QString(), frames, std::move(summary));
}

SampleBlockPtr BlockStore::makeBlock(int channels, std::vector<float> data, QString* error)
{
    const qint64 frames = channels > 0 ? qint64(data.size()) / channels : 0;
    BlockSummary summary(data.data(), frames, channels);
    const qint64 bytes = qint64(data.size() * sizeof(float));
    if (m_state->memoryInUse + bytes <= m_budget)
        return std::make_shared<SampleBlock>(m_state, channels, std::move(data), QString(), frames, std::move(summary));

    if (!m_state->folder) {
        const QString base = tempFolder();
        if (!QDir().mkpath(base)) {
            if (error)
                *error = QStringLiteral("cannot create the temporary folder \"%1\"").arg(base);
            return nullptr;
        }
        removeLeftovers(base);
        auto dir = std::make_unique<QTemporaryDir>(base + QLatin1Char('/') + QLatin1String(kFolderPrefix)
                                                   + QStringLiteral("XXXXXX"));
        if (!dir->isValid()) {
            if (error)
                *error = QStringLiteral("cannot create a folder in \"%1\": %2").arg(base, dir->errorString());
            return nullptr;
        }
        auto lock = std::make_unique<QLockFile>(dir->filePath(QLatin1String(kLockName)));
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0)) {
            if (error)
                *error = QStringLiteral("cannot lock the temporary folder \"%1\"").arg(dir->path());
            return nullptr;
        }
        m_state->folder = std::move(dir);
        m_state->lock = std::move(lock);
    }
    const QString name = m_state->folder->filePath(QStringLiteral("block-%1.f32").arg(++m_state->counter));
    QFile f(name);
    const qint64 written = f.open(QIODevice::WriteOnly)
                               ? f.write(reinterpret_cast<const char*>(data.data()), bytes)
                               : -1;
    if (written != bytes || !f.flush()) {
        if (error)
            *error = QStringLiteral("cannot write the temporary file \"%1\": %2").arg(name, f.errorString());
        f.close();
        QFile::remove(name);
        return nullptr;
    }
    f.close();
    return std::make_shared<SampleBlock>(m_state, channels, std::vector<float>(), name, frames, std::move(summary));
}

int BlockStore::removeLeftovers(const QString& folder)
{
    int removed = 0;
    const QDir dir(folder);
    const QStringList names = dir.entryList({QLatin1String(kFolderPrefix) + QLatin1Char('*')},
                                            QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        QDir sub(dir.filePath(name));
        const QString lockPath = sub.filePath(QLatin1String(kLockName));
        if (QFile::exists(lockPath)) {
            QLockFile lock(lockPath);
            lock.setStaleLockTime(0); // only a dead owner makes the lock stale, not its age
            if (!lock.tryLock(0))
                continue; // a live run owns it
            lock.unlock();
        }
        if (sub.removeRecursively())
            ++removed;
    }
    return removed;
}

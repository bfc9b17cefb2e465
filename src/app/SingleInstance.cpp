#include "app/SingleInstance.h"

#include <QLockFile>

SingleInstance::SingleInstance(QString lockPath) : m_lockPath(std::move(lockPath)) {}

SingleInstance::~SingleInstance()
{
    release();
}

bool SingleInstance::tryAcquire()
{
    if (isHeld())
        return true;
    auto lock = std::make_unique<QLockFile>(m_lockPath);
    // Only a dead owner makes a lock stale; a program that runs for days keeps its lock.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    m_lock = std::move(lock);
    return true;
}

bool SingleInstance::isHeld() const
{
    return m_lock && m_lock->isLocked();
}

void SingleInstance::release()
{
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
}

bool SingleInstance::isHeldByAnother(const QString& lockPath)
{
    QLockFile probe(lockPath);
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return false;
    }
    return probe.error() == QLockFile::LockFailedError;
}

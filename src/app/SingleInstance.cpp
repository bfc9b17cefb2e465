#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QLockFile>

#include <cerrno>
#include <csignal>

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
    // Only looks: taking the lock, even for a moment, could make a program that starts at the
    // same time refuse to run.
    QLockFile probe(lockPath);
    qint64 pid = 0;
    QString host;
    QString application;
    if (!probe.getLockInfo(&pid, &host, &application) || pid <= 0)
        return false;
    if (pid == QCoreApplication::applicationPid())
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

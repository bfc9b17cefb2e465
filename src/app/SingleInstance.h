#pragma once

#include <QString>

#include <memory>

class QLockFile;

// One running desktop program per home folder: a lock file in the home folder, taken before any
// other file there is read or written. A lock left by a crashed run (its process is gone) does
// not block the next start.
class SingleInstance {
public:
    explicit SingleInstance(QString lockPath);
    ~SingleInstance();

    // True when this process now holds the lock.
    bool tryAcquire();
    bool isHeld() const;
    void release();

    // True while some other live process holds the lock at lockPath (does not take it).
    static bool isHeldByAnother(const QString& lockPath);

private:
    QString m_lockPath;
    std::unique_ptr<QLockFile> m_lock;
};

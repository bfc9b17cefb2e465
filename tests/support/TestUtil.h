#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace testutil {

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& data);
// Every file below a folder (relative path → content hash and modification time), to prove
// that an operation touched nothing.
QMap<QString, QByteArray> snapshotTree(const QString& root);
// Path of a program built in this tree, e.g. "src/gui/velmora".
QString builtProgram(const QString& relativePath);

// What a program run to its end left: exit code (-1 when it crashed or ran over a minute) and
// its outputs.
struct ProcessRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};
ProcessRun runProcess(const QString& program, const QStringList& args);

} // namespace testutil

namespace testutil {

// Makes a folder refuse new files for as long as it lives, even for root (through the
// immutable attribute, where the file system has one). isLocked() tells whether it worked.
class LockedFolder {
public:
    explicit LockedFolder(QString path);
    ~LockedFolder();
    bool isLocked() const { return m_locked; }

private:
    QString m_path;
    bool m_immutable = false;
    bool m_locked = false;
};

} // namespace testutil

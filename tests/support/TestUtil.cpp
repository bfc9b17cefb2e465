#include "support/TestUtil.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace testutil {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(data) == data.size();
}

QMap<QString, QByteArray> snapshotTree(const QString& root)
{
    QMap<QString, QByteArray> result;
    QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        QByteArray stamp = QByteArray::number(info.lastModified().toMSecsSinceEpoch());
        if (info.isFile())
            stamp += ' ' + QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha1).toHex();
        result.insert(path.mid(root.size()), stamp);
    }
    return result;
}

QString builtProgram(const QString& relativePath)
{
    return QStringLiteral(VELMORA_BINARY_DIR) + QLatin1Char('/') + relativePath;
}

} // namespace testutil

#include <QProcess>

#include <unistd.h>

namespace testutil {

LockedFolder::LockedFolder(QString path) : m_path(std::move(path))
{
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ExeOwner);
    if (::geteuid() == 0)
        m_immutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), m_path}) == 0;
    QFile probe(m_path + QStringLiteral("/.probe"));
    m_locked = !probe.open(QIODevice::WriteOnly);
    if (!m_locked)
        probe.remove();
}

LockedFolder::~LockedFolder()
{
    if (m_immutable)
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace testutil

namespace testutil {

ProcessRun runProcess(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace testutil

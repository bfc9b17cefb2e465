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

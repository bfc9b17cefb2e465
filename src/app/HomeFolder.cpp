#include "app/HomeFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kBundledRoot = QStringLiteral(":/bundled");

bool copyBundledFile(const QString& from, const QString& to, QStringList* errors)
{
    QDir().mkpath(QFileInfo(to).absolutePath());
    QFile::remove(to + QStringLiteral(".part"));
    QFile in(from);
    QFile out(to + QStringLiteral(".part"));
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        if (errors)
            errors->append(QStringLiteral("%1: %2").arg(to, out.errorString()));
        return false;
    }
    const QByteArray data = in.readAll();
    const bool written = out.write(data) == data.size() && out.flush();
    out.close();
    // Resource files are read-only; the copies are the user's to edit.
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                       | QFileDevice::ReadOther);
    if (!written || !QFile::rename(out.fileName(), to)) {
        QFile::remove(out.fileName());
        if (errors)
            errors->append(QStringLiteral("%1: cannot write").arg(to));
        return false;
    }
    return true;
}

} // namespace

HomeFolder::HomeFolder(QString path) : m_path(QDir::cleanPath(std::move(path))) {}

HomeFolder HomeFolder::resolve()
{
    const QString env = qEnvironmentVariable("VELMORA_HOME").trimmed();
    if (!env.isEmpty())
        return HomeFolder(QDir(env).absolutePath());
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.velmora");
    return HomeFolder(data);
}

QString HomeFolder::filePath(const QString& name) const
{
    return m_path + QLatin1Char('/') + name;
}

bool HomeFolder::ensureExists(QString* error) const
{
    if (QDir().mkpath(m_path))
        return true;
    if (error)
        *error = QStringLiteral("Cannot create the folder \"%1\".").arg(m_path);
    return false;
}

int HomeFolder::installBundledResources(QStringList* errors) const
{
    int copied = 0;
    const QString languages = languagesPath();
    if (!QFileInfo::exists(languages)
        && copyBundledFile(kBundledRoot + QStringLiteral("/languages.txt"), languages, errors))
        ++copied;

    // The theme tree is copied only when the folder is missing as a whole: a theme the user
    // deleted on purpose stays deleted.
    if (!QFileInfo::exists(themesPath())) {
        const QString root = kBundledRoot + QStringLiteral("/Themes");
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            const QString relative = from.mid(root.size() + 1);
            if (copyBundledFile(from, themesPath() + QLatin1Char('/') + relative, errors))
                ++copied;
        }
    }
    // The help pages belong to the program, not the user: they follow the program's version.
    const QString manualRoot = kBundledRoot + QStringLiteral("/manual");
    QDirIterator manual(manualRoot, QDir::Files);
    while (manual.hasNext()) {
        const QString from = manual.next();
        const QString to = manualPath() + QLatin1Char('/') + from.mid(manualRoot.size() + 1);
        QFile bundled(from);
        QFile installed(to);
        if (installed.open(QIODevice::ReadOnly) && bundled.open(QIODevice::ReadOnly)
            && installed.readAll() == bundled.readAll())
            continue;
        installed.close();
        QFile::remove(to);
        if (copyBundledFile(from, to, errors))
            ++copied;
    }
    return copied;
}

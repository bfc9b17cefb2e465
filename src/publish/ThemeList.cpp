#include "publish/ThemeList.h"

#include "common/Prompts.h"
#include "store/IniFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

// "Dark.inf" → "Dark": the description's name without its last four characters.
constexpr int kDescriptionSuffixLength = 4;

} // namespace

QString ThemeList::stylesNotFoundText()
{
    return QStringLiteral("Styles not found. Reinstall program and retry attempt.");
}

ThemeList::LoadResult ThemeList::load(const QString& themesFolder)
{
    m_folder = QDir::cleanPath(themesFolder);
    m_entries.clear();
    const QDir dir(m_folder);
    if (themesFolder.isEmpty() || !dir.exists())
        return LoadResult::FolderMissing;

    // Name filters ignore case unless told otherwise, as the description files' original
    // platform did: "Dark.INF" is a theme too.
    const QFileInfoList files =
        dir.entryInfoList({QStringLiteral("*inf")}, QDir::Files | QDir::Readable, QDir::NoSort);
    for (const QFileInfo& file : files) {
        IniFile ini;
        if (ini.load(file.filePath()) != IniFile::LoadResult::Loaded)
            continue;
        const QString name = ini.value(QStringLiteral("Theme"), QStringLiteral("Name"));
        if (name.isEmpty())
            continue;
        m_entries.append({name, file.fileName().chopped(kDescriptionSuffixLength)});
    }
    std::sort(m_entries.begin(), m_entries.end(), [](const ThemeEntry& a, const ThemeEntry& b) {
        const int folded = a.base.compare(b.base, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.base < b.base;
    });
    return LoadResult::Loaded;
}

bool ThemeList::loadOrTell(const QString& themesFolder, Prompts& prompts)
{
    if (load(themesFolder) == LoadResult::Loaded)
        return true;
    prompts.message(stylesNotFoundText(), MessageIcon::Critical);
    return false;
}

int ThemeList::rememberedIndex(int remembered) const
{
    if (m_entries.isEmpty())
        return -1;
    return remembered >= 0 && remembered < count() ? remembered : 0;
}

int ThemeList::find(const QString& text) const
{
    for (int i = 0; i < count(); ++i)
        if (m_entries[i].base.compare(text, Qt::CaseInsensitive) == 0)
            return i;
    for (int i = 0; i < count(); ++i)
        if (m_entries[i].name.compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString ThemeList::templatePath(int index) const
{
    return m_folder + QLatin1Char('/') + m_entries.at(index).base + QStringLiteral(".html");
}

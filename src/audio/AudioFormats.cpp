#include "audio/AudioFormats.h"

#include <QFileInfo>

namespace audioformats {

const std::vector<FilterEntry>& openFilters()
{
    static const std::vector<FilterEntry> list = {
        {"MPEG Files (*.mp3;*.mp2;*.mpeg)", "*.mp3;*.mp2;*.mpeg"},
        {"Wav Files (*.wav)", "*.wav"},
        {"OggVorbis Files (*.ogg)", "*.ogg"},
        {"AVI Files (*.avi)", "*.avi"},
        {"G.72x Files (*.g721;*.g723;*.g726)", "*.g721;*.g723;*.g726"},
        {"VOX Files (*.vox)", "*.vox"},
        {"RAW Files (*.raw; *.pcm)", "*.raw;*.pcm"},
        {"WMA Files (*.wma)", "*.wma"},
        {"CD Audio (*.cda)", "*.cda"},
    };
    return list;
}

const std::vector<FilterEntry>& saveFilters()
{
    static const std::vector<FilterEntry> list = {
        {"MP3 Files (*.mp3)", "*.mp3"},
        {"Wav Files (*.wav)", "*.wav"},
        {"MP2 Files (*.mp2)", "*.mp2"},
        {"OggVorbis Files (*.ogg)", "*.ogg"},
        {"G.72x Files (*.g721;*.g723;*.g726)", "*.g721;*.g723;*.g726"},
        {"VOX Files (*.vox)", "*.vox"},
        {"RAW Files (*.raw; *.pcm)", "*.raw;*.pcm"},
        {"WMA Files (*.wma)", "*.wma"},
    };
    return list;
}

QStringList dialogFilters(const std::vector<FilterEntry>& list)
{
    QStringList out;
    for (const FilterEntry& e : list) {
        // Qt's dialogs take the patterns in parentheses separated by blanks.
        QString patterns = QString::fromLatin1(e.patterns);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString description = QString::fromLatin1(e.description);
        description = description.left(description.indexOf(QLatin1String(" ("))).trimmed();
        out << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return out;
}

QString savedFileName(const QString& chosen, int filterIndex)
{
    static const char* const added[] = {".mp3", ".wav", ".mp2", ".ogg", nullptr, nullptr, ".raw", ".wma"};
    if (filterIndex < 1 || filterIndex > 8 || !added[filterIndex - 1])
        return chosen;
    const QString ext = QString::fromLatin1(added[filterIndex - 1]);
    if (chosen.toUpper().contains(ext.toUpper()))
        return chosen;
    return chosen + ext;
}

QString extensionOf(const QString& path)
{
    return QFileInfo(path).suffix().toLower();
}

bool canSave(const QString& path)
{
    static const QStringList saveable = {QStringLiteral("mp3"), QStringLiteral("wav"), QStringLiteral("mp2"),
                                         QStringLiteral("ogg"), QStringLiteral("g721"), QStringLiteral("g723"),
                                         QStringLiteral("g726"), QStringLiteral("vox"), QStringLiteral("raw"),
                                         QStringLiteral("pcm"), QStringLiteral("wma")};
    return saveable.contains(extensionOf(path));
}

} // namespace audioformats

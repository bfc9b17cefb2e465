#include "publish/ThemeRenderer.h"

#include "feed/FeedDateTime.h"
#include "feed/FeedDocument.h"
#include "publish/ThemeList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

namespace {

// The shown date depends only on the parsed day, month and year, the shown time only on hour,
// minute and second; a long feed repeats them often (same release hour), and formatting in the
// user's locale costs far more than parsing.
class DateTexts {
public:
    QString date(const QString& feedDate, const FeedDateTime& v)
    {
        const qint64 key = (qint64(v.year) << 32) | (qint64(quint16(v.month)) << 16) | quint16(v.day);
        auto it = m_dates.constFind(key);
        if (it == m_dates.cend())
            it = m_dates.insert(key, ThemeRenderer::htmlEscape(displayDate(feedDate)));
        return *it;
    }
    QString time(const QString& feedDate, const FeedDateTime& v)
    {
        const qint64 key = (qint64(quint16(v.hour)) << 32) | (qint64(quint16(v.minute)) << 16)
                           | quint16(v.second);
        auto it = m_times.constFind(key);
        if (it == m_times.cend())
            it = m_times.insert(key, ThemeRenderer::htmlEscape(displayTime(feedDate)));
        return *it;
    }

private:
    QHash<qint64, QString> m_dates;
    QHash<qint64, QString> m_times;
};

} // namespace

QString ThemeRenderer::htmlEscape(const QString& text)
{
    const auto special = [](QChar c) {
        const char16_t u = c.unicode();
        return u == '&' || u == '<' || u == '>' || u == '"' || u == '\'';
    };
    // Most values need nothing: hand back the shared text without copying it.
    qsizetype i = 0;
    while (i < text.size() && !special(text.at(i)))
        ++i;
    if (i == text.size())
        return text;

    QString out;
    out.reserve(text.size() + 16);
    qsizetype plainFrom = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!special(c))
            continue;
        out += QStringView(text).mid(plainFrom, i - plainFrom);
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        default: out += QLatin1String("&#39;"); break;
        }
        plainFrom = i + 1;
    }
    out += QStringView(text).mid(plainFrom);
    return out;
}

QString ThemeRenderer::fileUrl(const QString& path, bool folder)
{
    if (path.isEmpty())
        return {};
    QString absolute = QFileInfo(path).absoluteFilePath();
    if (folder && !absolute.endsWith(QLatin1Char('/')))
        absolute += QLatin1Char('/');
    return QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded);
}

ThemePageValues ThemeRenderer::pageValues(const Channel& channel, const QList<Episode>& episodes,
                                          const QString& themeFolder)
{
    ThemePageValues v;
    v.feedTitle = htmlEscape(channel.title);
    v.subtitle = v.feedTitle;
    v.feedLink = htmlEscape(channel.link);
    v.feedDescription = channel.description;
    v.numOfItems = QString::number(episodes.size());
    v.author = htmlEscape(channel.managingEditor);
    DateTexts dates;
    const FeedDateTime channelDate = parseFeedDate(channel.pubDate);
    v.feedPubDate = dates.date(channel.pubDate, channelDate);
    v.feedPubTime = dates.time(channel.pubDate, channelDate);
    v.themePath = htmlEscape(fileUrl(themeFolder, true));
    v.hasImage = !channel.imageFile.isEmpty();
    v.imageSrc = htmlEscape(fileUrl(channel.imageFile));
    v.items.reserve(episodes.size());
    for (const Episode& e : episodes) {
        ThemeItemValues item;
        item.title = htmlEscape(e.title);
        item.description = e.description;
        item.link = htmlEscape(e.link);
        const FeedDateTime date = parseFeedDate(e.pubDate);
        item.pubDate = dates.date(e.pubDate, date);
        item.pubTime = dates.time(e.pubDate, date);
        item.enclosure = htmlEscape(e.enclosureUrl);
        v.items.append(std::move(item));
    }
    return v;
}

QString ThemeRenderer::renderText(const QString& templateText, const Channel& channel,
                                  const QList<Episode>& episodes, const QString& themeFolder)
{
    return ThemeTemplate(templateText).fill(pageValues(channel, episodes, themeFolder));
}

ThemeRenderResult ThemeRenderer::render(const ThemeList& themes, int index,
                                        const Channel& channel, const QList<Episode>& episodes,
                                        const QString& outputPath)
{
    ThemeRenderResult result;
    if (index < 0 || index >= themes.count()) {
        result.error = QStringLiteral("There is no theme number %1.").arg(index);
        return result;
    }
    const QString templatePath = themes.templatePath(index);
    QFile in(templatePath);
    if (!in.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("The theme template \"%1\" cannot be read: %2")
                           .arg(QDir::toNativeSeparators(templatePath), in.errorString());
        return result;
    }
    const QString templateText = ThemeTemplate::fromFileContents(in.readAll());
    const QString page = renderText(templateText, channel, episodes, themes.folder());

    // The page is a scratch file made again on every render: the old one goes first, and a
    // page that cannot be written completely is not left behind. No flush to the disk: waiting
    // for it would cost more than making the page.
    QByteArray bytes = page.toUtf8();
    bytes += "\r\n";
    QFile::remove(outputPath);
    QFile out(outputPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush()) {
        result.error = QStringLiteral("The preview page \"%1\" cannot be written: %2")
                           .arg(QDir::toNativeSeparators(outputPath), out.errorString());
        out.close();
        if (out.exists())
            out.remove();
        return result;
    }
    result.ok = true;
    result.pagePath = outputPath;
    return result;
}

ThemeRenderResult ThemeRenderer::render(const ThemeList& themes, int index,
                                        const FeedDocument& document, const QString& outputPath)
{
    return render(themes, index, document.channel, document.episodes, outputPath);
}

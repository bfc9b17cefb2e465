#include "feed/FeedDocument.h"

#include "feed/FeedDateTime.h"

#include <QUuid>

#include <algorithm>

void FeedDocument::clear(EnclosureStateSeam* states)
{
    Channel fresh;
    fresh.imageFile = channel.imageFile;
    fresh.styleSheetHref = channel.styleSheetHref;
    fresh.styleSheetType = channel.styleSheetType;
    fresh.styleSheetMedia = channel.styleSheetMedia;
    channel = fresh;
    episodes.clear();
    untitled = false;
    if (states)
        states->clearEnclosureStates();
}

void FeedDocument::applyNewPodcastDefaults(const QString& interfaceLanguage)
{
    episodes.clear();
    currentEpisode = 0;
    untitled = true;
    documentName = QStringLiteral("Untitled");
    channel.pubDate = formatFeedDate(currentFeedDateTime());
    channel.language = interfaceLanguage.compare(QLatin1String("Russian"), Qt::CaseInsensitive) == 0
        ? QStringLiteral("ru")
        : QStringLiteral("en");
}

int FeedDocument::addNewEpisode(EnclosureStateSeam* states)
{
    Episode e;
    e.title = QStringLiteral("[Untitled]");
    e.pubDate = formatFeedDate(currentFeedDateTime());
    e.guid = newGuid();
    e.enclosureLength = QStringLiteral("0");
    e.guidIsPermaLink = false;
    episodes.append(e);
    const int position = static_cast<int>(episodes.size()) - 1;
    if (states)
        states->insertEnclosureState(position, true);
    currentEpisode = position;
    return position;
}

QString FeedDocument::documentNameForPath(const QString& path)
{
    if (path == QLatin1String("Untitled"))
        return path;
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

QString FeedDocument::newGuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

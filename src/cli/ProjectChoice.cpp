#include "cli/ProjectChoice.h"

#include "feed/FeedEncoding.h"
#include "feed/FeedImport.h"
#include "feed/FeedReader.h"
#include "store/ProjectList.h"

#include <QStringList>

namespace project_choice {

QString selectorTitle(const ProjectEntry& entry)
{
    const QString title = entry.path == QLatin1String("Untitled") ? QString() : feedTitleOfFile(entry.path);
    return title.isEmpty() ? FeedDocument::documentNameForPath(entry.path) : title;
}

QString unopenableReason(const QString& feed)
{
    const FeedFileText file = readFeedFile(feed);
    if (file.status == FeedFileText::Status::CannotRead)
        return QStringLiteral("cannot read \"%1\"").arg(feed);
    if (file.status == FeedFileText::Status::NoMarkup)
        return QStringLiteral("\"%1\" is not a feed file").arg(feed);
    FeedDocument document;
    const FeedType type = importFeed(file.text, document);
    if (document.loadFailed)
        return QStringLiteral("\"%1\" is not well-formed XML").arg(feed);
    if (type == FeedType::Atom || type == FeedType::Rdf)
        return QStringLiteral("\"%1\" is an Atom or RSS 1.0 feed; \"velmora-cli feed rewrite\" makes an RSS 2.0 "
                              "copy that can be added").arg(feed);
    return {};
}

int find(const ProjectList& list, const QString& word, QString* error)
{
    bool isNumber = false;
    const int number = word.toInt(&isNumber);
    if (isNumber) {
        if (number >= 0 && number < list.count())
            return number;
        *error = list.count() == 0 ? QStringLiteral("the project list is empty")
                                   : QStringLiteral("there is no project %1: the list holds projects 0 to %2")
                                         .arg(word).arg(list.count() - 1);
        return -1;
    }
    QList<int> folded;
    for (int i = 0; i < list.count(); ++i) {
        const ProjectEntry& entry = list[i];
        const QString title = selectorTitle(entry);
        if (title == word)
            return i;
        if (title.compare(word, Qt::CaseInsensitive) == 0)
            folded.append(i);
    }
    if (folded.size() == 1)
        return folded.first();
    *error = folded.isEmpty()
                 ? QStringLiteral("no project is titled \"%1\" (see velmora-cli project list)").arg(word)
                 : QStringLiteral("%1 projects are titled \"%2\" in other letter cases: give the number instead")
                       .arg(folded.size()).arg(word);
    return -1;
}

} // namespace project_choice

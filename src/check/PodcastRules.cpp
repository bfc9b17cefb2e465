#include "check/CheckContext.h"

#include "feed/DirectoryValues.h"

#include <QUuid>

namespace checkrules {
namespace {

constexpr FeedNs kPodcast = FeedNs::Podcast;

QLatin1String L(const char* s)
{
    return QLatin1String(s);
}

// The transcript formats the namespace lists.
const char* const kTranscriptTypes[] = {"text/plain", "text/html", "text/vtt", "application/json",
                                        "application/x-subrip", "application/srt"};
constexpr char kChaptersType[] = "application/json+chapters";

// The feed's own address, which podcast:guid is made from: atom:link rel="self".
QString selfUrl(const CheckContext& c)
{
    for (const int e : c.tree.childrenNamed(c.channel, FeedNs::Atom, L("link")))
        if (c.tree.attribute(e, L("rel")) == L("self"))
            return c.tree.attribute(e, L("href")).trimmed();
    return {};
}

void checkGuid(CheckContext& c)
{
    const int e = c.tree.child(c.channel, kPodcast, L("guid"));
    if (e < 0)
        return;
    const QString guid = c.tree.text(e);
    if (!dirvalues::checkUuid(guid).isEmpty() || guid.isEmpty()) {
        c.add("p20-guid", e, 0, QStringLiteral("podcast:guid \"%1\" is not a UUID").arg(guid));
        return;
    }
    if (QUuid::fromString(guid).version() != QUuid::Sha1) {
        c.add("p20-guid", e, 0, QStringLiteral("podcast:guid \"%1\" is not a version 5 UUID").arg(guid));
        return;
    }
    const QString url = selfUrl(c);
    if (url.isEmpty())
        return;
    const QString expected = dirvalues::podcastGuidForFeedUrl(url);
    if (guid.compare(expected, Qt::CaseInsensitive) != 0)
        c.add("p20-guid-feed-url", e, 0,
              QStringLiteral("podcast:guid is not the one made from the feed's URL %1 (%2); apps that make it "
                             "themselves will not find the show").arg(url, expected));
}

void checkLocked(CheckContext& c)
{
    const int e = c.tree.child(c.channel, kPodcast, L("locked"));
    if (e < 0)
        return;
    const QString value = c.tree.text(e);
    if (value != L("yes") && value != L("no"))
        c.add("p20-locked", e, 0, QStringLiteral("podcast:locked \"%1\" is not yes or no").arg(value));
    const QString owner = c.tree.attribute(e, L("owner")).trimmed();
    if (owner.isEmpty())
        c.add("p20-locked", e, 0, QStringLiteral("podcast:locked has no owner (the e-mail address that may move the feed)"));
    else if (const QString why = dirvalues::checkEmail(owner); !why.isEmpty())
        c.add("p20-locked", e, 0, QStringLiteral("podcast:locked owner \"%1\": %2").arg(owner, why));
}

void checkItem(CheckContext& c, int item, int number)
{
    const ElementTree& t = c.tree;
    for (const int e : t.childrenNamed(item, kPodcast, L("transcript"))) {
        const QString type = t.attribute(e, L("type")).trimmed();
        bool known = false;
        for (const char* k : kTranscriptTypes)
            known = known || type == L(k);
        if (t.attribute(e, L("url")).trimmed().isEmpty())
            c.add("p20-transcript", e, number, QStringLiteral("podcast:transcript has no url"));
        else if (!known)
            c.add("p20-transcript", e, number,
                  QStringLiteral("podcast:transcript type \"%1\" is none of text/vtt, application/x-subrip, "
                                 "application/json, text/html, text/plain").arg(type));
    }
    if (const int e = t.child(item, kPodcast, L("chapters")); e >= 0) {
        const QString type = t.attribute(e, L("type")).trimmed();
        if (t.attribute(e, L("url")).trimmed().isEmpty())
            c.add("p20-chapters", e, number, QStringLiteral("podcast:chapters has no url"));
        else if (type != L(kChaptersType))
            c.add("p20-chapters", e, number,
                  QStringLiteral("podcast:chapters type \"%1\" is not %2").arg(type, L(kChaptersType)));
    }
    if (const int e = t.child(item, kPodcast, L("season")); e >= 0)
        if (const QString why = dirvalues::checkWholeNumber(t.text(e)); !why.isEmpty() || t.text(e).isEmpty())
            c.add("p20-number", e, number, QStringLiteral("podcast:season \"%1\": a whole number is needed").arg(t.text(e)));
    if (const int e = t.child(item, kPodcast, L("episode")); e >= 0)
        if (const QString why = dirvalues::checkNumber(t.text(e)); !why.isEmpty() || t.text(e).isEmpty())
            c.add("p20-number", e, number, QStringLiteral("podcast:episode \"%1\": a number is needed").arg(t.text(e)));
}

} // namespace

void runPodcast(CheckContext& c)
{
    if (c.channel < 0)
        return;
    checkGuid(c);
    checkLocked(c);
    for (qsizetype i = 0; i < c.items.size(); ++i)
        checkItem(c, c.items[i], static_cast<int>(i) + 1);
}

} // namespace checkrules

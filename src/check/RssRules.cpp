#include "check/CheckContext.h"

#include "feed/DirectoryValues.h"

#include <QHash>

namespace checkrules {
namespace {

constexpr FeedNs kRss = FeedNs::None;
constexpr int kImageMaxWidth = 144;
constexpr int kImageMaxHeight = 400;

QLatin1String L(const char* s)
{
    return QLatin1String(s);
}

bool isWholeNumber(const QString& s)
{
    if (s.isEmpty() || s.size() > 18)
        return false;
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

bool isMimeType(const QString& s)
{
    const qsizetype slash = s.indexOf(QLatin1Char('/'));
    return slash > 0 && slash < s.size() - 1 && !s.contains(QLatin1Char(' '));
}

void findChannel(CheckContext& c)
{
    const ElementTree& t = c.tree;
    const int root = t.root();
    if (root < 0)
        return;
    const ElementTree::Element& r = t.at(root);
    if (r.ns != kRss || r.local != L("rss"))
        c.add("rss-root", root, 0, QStringLiteral("the root element is <%1>, not <rss>").arg(r.name));
    else if (const QString version = t.attribute(root, L("version")); version != L("2.0"))
        c.add("rss-root", root, 0,
              version.isEmpty() ? QStringLiteral("<rss> has no version=\"2.0\"")
                                : QStringLiteral("<rss> has version \"%1\", not 2.0").arg(version));
    const QList<int> channels = t.childrenNamed(root, kRss, L("channel"));
    if (channels.isEmpty()) {
        c.add("rss-channel-count", root, 0, QStringLiteral("there is no <channel> in <%1>").arg(r.name));
        return;
    }
    for (qsizetype i = 1; i < channels.size(); ++i)
        c.add("rss-channel-count", channels[i], 0, QStringLiteral("a feed has one <channel>; this is another"));
    c.channel = channels.first();
    c.items = t.childrenNamed(c.channel, kRss, L("item"));
}

void checkDate(CheckContext& c, int element, int item)
{
    if (element < 0)
        return;
    const QString text = c.tree.text(element);
    if (const QString why = checkRfc822Date(text); !why.isEmpty())
        c.add("rss-date", element, item,
              QStringLiteral("%1 \"%2\" is not an RFC 822 date: %3").arg(c.tree.at(element).name, text, why));
}

void checkChannel(CheckContext& c)
{
    const ElementTree& t = c.tree;
    for (const char* name : {"title", "link", "description"}) {
        const int e = t.child(c.channel, kRss, L(name));
        if (e < 0)
            c.addMissing("rss-channel-required", c.channel, 0, L(name), QStringLiteral("the channel has no <%1>").arg(L(name)));
        else if (t.text(e).isEmpty())
            c.add("rss-channel-required", e, 0, QStringLiteral("the channel's <%1> is empty").arg(L(name)));
    }
    checkDate(c, t.child(c.channel, kRss, L("pubDate")), 0);
    checkDate(c, t.child(c.channel, kRss, L("lastBuildDate")), 0);
    if (const int ttl = t.child(c.channel, kRss, L("ttl")); ttl >= 0 && !isWholeNumber(t.text(ttl)))
        c.add("rss-ttl", ttl, 0, QStringLiteral("ttl \"%1\" is not a whole number of minutes").arg(t.text(ttl)));

    const int image = t.child(c.channel, kRss, L("image"));
    if (image < 0)
        return;
    for (const char* name : {"url", "title", "link"})
        if (const int e = t.child(image, kRss, L(name)); e < 0)
            c.addMissing("rss-image-required", image, 0, L(name), QStringLiteral("the channel image has no <%1>").arg(L(name)));
        else if (t.text(e).isEmpty())
            c.add("rss-image-required", e, 0, QStringLiteral("the channel image's <%1> is empty").arg(L(name)));
    if (const int url = t.child(image, kRss, L("url")); url >= 0 && !t.text(url).isEmpty())
        c.addLink(CheckLink::ChannelImage, url, 0, t.text(url));
    const std::pair<const char*, int> sizes[] = {{"width", kImageMaxWidth}, {"height", kImageMaxHeight}};
    for (const auto& [name, limit] : sizes) {
        const int e = t.child(image, kRss, L(name));
        if (e < 0)
            continue;
        const QString value = t.text(e);
        if (!isWholeNumber(value) || value.toLongLong() > limit || value.toLongLong() == 0)
            c.add("rss-image-size", e, 0,
                  QStringLiteral("the channel image's %1 \"%2\" is not a number from 1 to %3")
                      .arg(L(name), value).arg(limit));
    }
}

void checkEnclosure(CheckContext& c, int e, int item)
{
    const ElementTree& t = c.tree;
    bool present = false;
    const QString url = t.attribute(e, L("url"), &present).trimmed();
    if (url.isEmpty())
        c.add("rss-enclosure-url", e, item, QStringLiteral("the enclosure has no url"));
    else if (const QString why = dirvalues::checkWebUrl(url); !why.isEmpty())
        c.add("rss-enclosure-url", e, item, QStringLiteral("the enclosure's url \"%1\" is %2").arg(url, why));
    else
        c.addLink(CheckLink::Enclosure, e, item, url);

    const QString length = t.attribute(e, L("length"), &present).trimmed();
    if (!present)
        c.add("rss-enclosure-length", e, item, QStringLiteral("the enclosure has no length"));
    else if (!isWholeNumber(length))
        c.add("rss-enclosure-length", e, item,
              QStringLiteral("the enclosure's length \"%1\" is not a number of bytes").arg(length));
    else if (length.toLongLong() == 0)
        c.add("rss-enclosure-length-zero", e, item,
              QStringLiteral("the enclosure's length is 0; give the file's size in bytes"));

    const QString type = t.attribute(e, L("type")).trimmed();
    if (type.isEmpty())
        c.add("rss-enclosure-type", e, item, QStringLiteral("the enclosure has no type"));
    else if (!isMimeType(type))
        c.add("rss-enclosure-type", e, item, QStringLiteral("the enclosure's type \"%1\" is not a MIME type").arg(type));
}

void checkItems(CheckContext& c)
{
    const ElementTree& t = c.tree;
    QHash<QString, int> guids; // guid text → first item number
    for (qsizetype i = 0; i < c.items.size(); ++i) {
        const int item = c.items[i];
        const int number = static_cast<int>(i) + 1;
        const int title = t.child(item, kRss, L("title"));
        const int description = t.child(item, kRss, L("description"));
        if ((title < 0 || t.text(title).isEmpty()) && (description < 0 || t.text(description).isEmpty()))
            c.add("rss-item-title", item, number, QStringLiteral("item %1 has neither a title nor a description").arg(number));
        checkDate(c, t.child(item, kRss, L("pubDate")), number);
        for (const int e : t.childrenNamed(item, kRss, L("enclosure")))
            checkEnclosure(c, e, number);

        const int guid = t.child(item, kRss, L("guid"));
        if (guid < 0)
            continue;
        const QString value = t.text(guid);
        if (const auto it = guids.constFind(value); it != guids.constEnd() && !value.isEmpty())
            c.add("rss-guid-unique", guid, number,
                  QStringLiteral("item %1 has the same guid as item %2 (\"%3\")").arg(number).arg(*it).arg(value));
        else
            guids.insert(value, number);
        if (t.attribute(guid, L("isPermaLink")).trimmed() == L("true") && !dirvalues::checkWebUrl(value).isEmpty())
            c.add("rss-guid-permalink", guid, number,
                  QStringLiteral("the guid \"%1\" is marked isPermaLink=\"true\" but is not a web address").arg(value));
    }
}

} // namespace

void runRss(CheckContext& c)
{
    findChannel(c);
    if (c.channel < 0)
        return;
    checkChannel(c);
    checkItems(c);
}

} // namespace checkrules

#include "check/CheckContext.h"

#include "feed/AppleCategories.h"
#include "feed/DirectoryValues.h"
#include "image/CoverArt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace checkrules {
namespace {

constexpr FeedNs kRss = FeedNs::None;
constexpr FeedNs kItunes = FeedNs::Itunes;

QLatin1String L(const char* s)
{
    return QLatin1String(s);
}

// The types Apple Podcasts takes for episode files.
const char* const kAppleTypes[] = {"audio/mpeg", "audio/x-m4a", "audio/mp4", "video/mp4",
                                   "video/quicktime", "video/x-m4v", "application/pdf"};

bool appleType(const QString& type)
{
    for (const char* t : kAppleTypes)
        if (type.compare(L(t), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The links of a feed that still use http://, reported once with their count.
struct PlainLinks {
    int first = -1;
    int firstItem = 0;
    int count = 0;
    void note(const QString& url, int element, int item)
    {
        if (!url.startsWith(L("http://"), Qt::CaseInsensitive))
            return;
        if (count++ == 0) {
            first = element;
            firstItem = item;
        }
    }
};

// A cover beside the feed, for checking its pixels before it is published: a file: address,
// or a file of the same name in the feed's folder.
QString localCover(const CheckContext& c, const QString& href)
{
    const QUrl url(href);
    if (url.isLocalFile())
        return url.toLocalFile();
    if (c.options.baseFolder.isEmpty())
        return {};
    const QString name = QFileInfo(url.path()).fileName();
    if (name.isEmpty())
        return {};
    const QString path = QDir(c.options.baseFolder).filePath(name);
    return QFileInfo(path).isFile() ? path : QString();
}

void checkImage(CheckContext& c, int image, int item, PlainLinks& plain)
{
    const QString href = c.tree.attribute(image, L("href")).trimmed();
    if (const QString local = localCover(c, href); !local.isEmpty()) {
        QFile file(local);
        const QString problems = file.open(QIODevice::ReadOnly) ? coverPictureProblems(file.readAll())
                                                                 : QStringLiteral("it cannot be read");
        if (!problems.isEmpty())
            c.add("apple-image-picture", image, item,
                  QStringLiteral("the cover %1: %2").arg(QDir::toNativeSeparators(local), problems));
        if (QUrl(href).isLocalFile())
            return;
    }
    if (const QString why = dirvalues::checkImageUrl(href); !why.isEmpty() || href.isEmpty()) {
        c.add("apple-image-url", image, item,
              href.isEmpty() ? QStringLiteral("itunes:image has no href")
                             : QStringLiteral("itunes:image \"%1\": %2").arg(href, why));
        return;
    }
    c.addLink(CheckLink::CoverImage, image, item, href);
    plain.note(href, image, item);
}

void checkCategories(CheckContext& c)
{
    const ElementTree& t = c.tree;
    const QList<int> categories = t.childrenNamed(c.channel, kItunes, L("category"));
    if (categories.isEmpty())
        c.addMissing("apple-category-missing", c.channel, 0, QStringLiteral("itunes:category"),
                     QStringLiteral("the channel has no itunes:category"));
    for (const int e : categories) {
        const QString text = t.attribute(e, L("text"));
        if (!applecategories::find(text)) {
            c.add("apple-category", e, 0, QStringLiteral("\"%1\" is not in Apple's category list").arg(text));
            continue;
        }
        for (const int sub : t.childrenNamed(e, kItunes, L("category")))
            if (const QString name = t.attribute(sub, L("text")); !applecategories::isSubcategory(text, name))
                c.add("apple-subcategory", sub, 0,
                      QStringLiteral("\"%1\" is not a subcategory of \"%2\"").arg(name, text));
    }
}

void checkValue(CheckContext& c, const char* rule, int e, int item, const QString& why)
{
    if (e >= 0 && !why.isEmpty())
        c.add(rule, e, item, QStringLiteral("%1 \"%2\": %3").arg(c.tree.at(e).name, c.tree.text(e), why));
}

void checkChannel(CheckContext& c, PlainLinks& plain)
{
    const ElementTree& t = c.tree;
    const int image = t.child(c.channel, kItunes, L("image"));
    if (image < 0)
        c.addMissing("apple-image-missing", c.channel, 0, QStringLiteral("itunes:image"),
                     QStringLiteral("the channel has no itunes:image (the cover art)"));
    else
        checkImage(c, image, 0, plain);
    checkCategories(c);

    const int explicitTag = t.child(c.channel, kItunes, L("explicit"));
    if (explicitTag < 0)
        c.addMissing("apple-explicit", c.channel, 0, QStringLiteral("itunes:explicit"),
                     QStringLiteral("the channel has no itunes:explicit (true or false)"));
    else
        checkValue(c, "apple-explicit", explicitTag, 0,
                   t.text(explicitTag).isEmpty() ? QStringLiteral("true or false is needed")
                                                 : dirvalues::checkTrueFalse(t.text(explicitTag)));
    if (const int author = t.child(c.channel, kItunes, L("author")); author < 0)
        c.addMissing("apple-author", c.channel, 0, QStringLiteral("itunes:author"), QStringLiteral("the channel has no itunes:author"));
    else if (t.text(author).isEmpty())
        c.add("apple-author", author, 0, QStringLiteral("the channel's itunes:author is empty"));

    const int owner = t.child(c.channel, kItunes, L("owner"));
    const int email = owner < 0 ? -1 : t.child(owner, kItunes, L("email"));
    if (email < 0 || t.text(email).isEmpty())
        c.addMissing("apple-owner-missing", owner < 0 ? c.channel : owner, 0,
                     QString::fromLatin1(owner < 0 ? "itunes:owner" : "itunes:email"),
              QStringLiteral("the channel has no itunes:owner with itunes:email: Apple writes there to confirm the show"));
    else
        checkValue(c, "apple-owner-email", email, 0, dirvalues::checkEmail(t.text(email)));

    if (const int language = t.child(c.channel, kRss, L("language")); language < 0)
        c.addMissing("apple-language", c.channel, 0, QStringLiteral("language"), QStringLiteral("the channel has no language"));
    else if (t.text(language).isEmpty())
        c.add("apple-language", language, 0, QStringLiteral("the channel's language is empty"));
    if (const int type = t.child(c.channel, kItunes, L("type")); type >= 0)
        checkValue(c, "apple-type", type, 0,
                   dirvalues::checkOneOf(t.text(type), {QStringLiteral("episodic"), QStringLiteral("serial")}));
}

void checkItem(CheckContext& c, int item, int number, PlainLinks& plain)
{
    const ElementTree& t = c.tree;
    for (const int e : t.childrenNamed(item, kRss, L("enclosure"))) {
        const QString type = t.attribute(e, L("type")).trimmed();
        if (!type.isEmpty() && !appleType(type))
            c.add("apple-enclosure-type", e, number,
                  QStringLiteral("Apple Podcasts does not take enclosures of type \"%1\" (audio/mpeg, audio/x-m4a, "
                                 "video/mp4 ...)").arg(type));
        plain.note(t.attribute(e, L("url")).trimmed(), e, number);
    }
    const auto text = [&](const char* name) {
        const int e = t.child(item, kItunes, L(name));
        return std::pair{e, e < 0 ? QString() : t.text(e)};
    };
    const auto [duration, durationText] = text("duration");
    checkValue(c, "apple-duration", duration, number,
               durationText.isEmpty() && duration >= 0 ? QStringLiteral("it is empty") : dirvalues::checkDuration(durationText));
    for (const char* name : {"episode", "season"}) {
        const auto [e, value] = text(name);
        checkValue(c, "apple-number", e, number, dirvalues::checkWholeNumber(value));
    }
    const auto [episodeType, typeText] = text("episodeType");
    checkValue(c, "apple-type", episodeType, number,
               dirvalues::checkOneOf(typeText, {QStringLiteral("full"), QStringLiteral("trailer"), QStringLiteral("bonus")}));
    const auto [explicitTag, explicitText] = text("explicit");
    checkValue(c, "apple-explicit", explicitTag, number, dirvalues::checkTrueFalse(explicitText));
    if (const int image = t.child(item, kItunes, L("image")); image >= 0)
        checkImage(c, image, number, plain);
}

} // namespace

QString coverPictureProblems(const QByteArray& bytes)
{
    const CoverCheck check = CoverArt::Check(bytes);
    return check.problems.join(QLatin1Char(' '));
}

void runApple(CheckContext& c)
{
    if (c.channel < 0)
        return;
    PlainLinks plain;
    checkChannel(c, plain);
    for (qsizetype i = 0; i < c.items.size(); ++i)
        checkItem(c, c.items[i], static_cast<int>(i) + 1, plain);
    if (plain.count > 0)
        c.add("apple-https", plain.first, plain.firstItem,
              plain.count == 1 ? QStringLiteral("this link uses http://; https:// is advised")
                               : QStringLiteral("%1 links use http:// (this is the first); https:// is advised")
                                     .arg(plain.count));
}

} // namespace checkrules

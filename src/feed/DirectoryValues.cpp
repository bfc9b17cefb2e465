#include "feed/DirectoryValues.h"

#include "feed/AppleCategories.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUuid>

#include <cmath>

namespace dirvalues {
namespace {

// The podcast namespace's own namespace UUID for podcast:guid.
const QUuid kPodcastNamespace(QStringLiteral("ead4c236-bf58-58c6-a2c6-a6b28d128cb6"));

bool digitsOnly(const QString& s)
{
    if (s.isEmpty())
        return false;
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

QString podcastGuidForFeedUrl(const QString& feedUrl)
{
    QString s = feedUrl.trimmed();
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    s.remove(scheme);
    while (s.endsWith(QLatin1Char('/')))
        s.chop(1);
    if (s.isEmpty())
        return {};
    return QUuid::createUuidV5(kPodcastNamespace, s).toString(QUuid::WithoutBraces);
}

void setFeedUrl(Channel& channel, const QString& url)
{
    const bool first = channel.atomSelfLink.isEmpty();
    channel.atomSelfLink = url;
    if (first && channel.podcastGuid.isEmpty() && !url.isEmpty() && checkWebUrl(url).isEmpty())
        channel.podcastGuid = podcastGuidForFeedUrl(url);
}

QString generatePodcastGuid(Channel& channel)
{
    if (channel.atomSelfLink.isEmpty())
        return QStringLiteral("the podcast GUID is made from the feed URL: set the feed URL first");
    if (const QString reason = checkWebUrl(channel.atomSelfLink); !reason.isEmpty())
        return QStringLiteral("feed URL: %1").arg(reason);
    channel.podcastGuid = podcastGuidForFeedUrl(channel.atomSelfLink);
    return {};
}

QString formatItunesDuration(double seconds)
{
    if (!(seconds >= 0) || !std::isfinite(seconds))
        return {};
    const qint64 total = static_cast<qint64>(std::llround(seconds));
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600, 2, 10, QLatin1Char('0'))
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

qint64 parseItunesDuration(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() > 3)
        return -1;
    qint64 total = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& p = parts[i];
        if (!digitsOnly(p) || p.size() > 12 || (i > 0 && (p.size() != 2 || p.toInt() > 59)))
            return -1;
        total = total * 60 + p.toLongLong();
    }
    return total;
}

QString checkEmail(const QString& text)
{
    if (text.isEmpty())
        return {};
    static const QRegularExpression email(QStringLiteral("^[^@\\s<>\"]+@[^@\\s<>\"]+\\.[^@\\s<>\".]+$"));
    if (!email.match(text).hasMatch())
        return QStringLiteral("not an e-mail address (name@example.org)");
    return {};
}

QString checkWholeNumber(const QString& text)
{
    if (text.isEmpty() || (digitsOnly(text) && text.size() <= 9))
        return {};
    return QStringLiteral("a whole number is needed (1, 2, 3 ...)");
}

QString checkNumber(const QString& text)
{
    if (text.isEmpty())
        return {};
    static const QRegularExpression number(QStringLiteral("^[0-9]{1,9}(\\.[0-9]+)?$"));
    if (!number.match(text).hasMatch())
        return QStringLiteral("a number is needed (1 or 1.5)");
    return {};
}

QString checkWebUrl(const QString& text)
{
    if (text.isEmpty())
        return {};
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        || url.host().isEmpty() || text.trimmed() != text)
        return QStringLiteral("not a web address (https://...)");
    return {};
}

QString checkImageUrl(const QString& text)
{
    if (const QString reason = checkWebUrl(text); !reason.isEmpty())
        return reason;
    const QString path = QUrl(text).path().toLower();
    if (!text.isEmpty() && !path.endsWith(QLatin1String(".jpg")) && !path.endsWith(QLatin1String(".jpeg"))
        && !path.endsWith(QLatin1String(".png")))
        return QStringLiteral("Apple needs a .jpg or .png picture");
    return {};
}

QString checkDuration(const QString& text)
{
    if (text.isEmpty() || parseItunesDuration(text) >= 0)
        return {};
    return QStringLiteral("seconds, MM:SS or HH:MM:SS is needed");
}

QString checkTrueFalse(const QString& text)
{
    return checkOneOf(text, {QStringLiteral("true"), QStringLiteral("false")});
}

QString checkOneOf(const QString& text, const QStringList& allowed)
{
    if (text.isEmpty() || allowed.contains(text))
        return {};
    return QStringLiteral("one of %1 is needed").arg(allowed.join(QLatin1String(", ")));
}

QString checkUuid(const QString& text)
{
    static const QRegularExpression uuid(
        QStringLiteral("^[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}$"));
    if (text.isEmpty() || uuid.match(text).hasMatch())
        return {};
    return QStringLiteral("not a UUID (8-4-4-4-12 hexadecimal digits)");
}

QString checkCategory(const QString& category, const QString& subcategory)
{
    if (category.isEmpty())
        return subcategory.isEmpty() ? QString() : QStringLiteral("a subcategory needs its category");
    const applecategories::Category* c = applecategories::find(category);
    if (!c)
        return QStringLiteral("\"%1\" is not in Apple's category list").arg(category);
    if (!subcategory.isEmpty() && !c->subcategories.contains(subcategory))
        return QStringLiteral("\"%1\" is not a subcategory of \"%2\"").arg(subcategory, category);
    return {};
}

} // namespace dirvalues

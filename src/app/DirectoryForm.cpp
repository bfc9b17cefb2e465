#include "app/DirectoryForm.h"

#include "feed/DirectoryCatalog.h"
#include "feed/DirectoryValues.h"

namespace {

QString needed(const QString& text)
{
    return text.trimmed().isEmpty() ? QStringLiteral("needed when the row is used") : QString();
}

const DirectoryColumn kFundingColumns[] = {
    {"url", "Web address", dirvalues::checkWebUrl}, {"text", "Text", nullptr}};
const DirectoryColumn kPersonColumns[] = {
    {"name", "Name", needed}, {"role", "Role", nullptr}, {"group", "Group", nullptr},
    {"img", "Picture URL", dirvalues::checkWebUrl}, {"href", "Web page", dirvalues::checkWebUrl}};
const DirectoryColumn kTranscriptColumns[] = {
    {"url", "Web address", [](const QString& t) { return t.isEmpty() ? needed(t) : dirvalues::checkWebUrl(t); }},
    {"type", "Type", needed}, {"language", "Language", nullptr}, {"rel", "Rel", nullptr}};
const DirectoryColumn kSoundbiteColumns[] = {
    {"startTime", "Start (seconds)", [](const QString& t) { return t.isEmpty() ? needed(t) : dirvalues::checkNumber(t); }},
    {"duration", "Length (seconds)", [](const QString& t) { return t.isEmpty() ? needed(t) : dirvalues::checkNumber(t); }},
    {"title", "Title", nullptr}};

const DirectoryListInfo kChannelLists[] = {
    {"podcastFunding", "Funding:", kFundingColumns},
    {"podcastPersons", "People:", kPersonColumns},
};
const DirectoryListInfo kEpisodeLists[] = {
    {"podcastTranscripts", "Transcripts:", kTranscriptColumns},
    {"podcastSoundbites", "Soundbites:", kSoundbiteColumns},
    {"podcastPersons", "People:", kPersonColumns},
};

// Rows of texts from a list of entries and back, one column per member.
template <class Item, QString Item::*... Cols>
struct Rows {
    static QList<QStringList> get(const QList<Item>& list)
    {
        QList<QStringList> out;
        for (const Item& it : list)
            out << QStringList{it.*Cols...};
        return out;
    }
    static QList<Item> set(const QList<QStringList>& rows)
    {
        QList<Item> out;
        for (const QStringList& row : rows) {
            if (row.join(QString()).trimmed().isEmpty())
                continue;
            Item it;
            qsizetype i = 0;
            ((it.*Cols = row.value(i++)), ...);
            out << it;
        }
        return out;
    }
};

using Funding = Rows<PodcastFunding, &PodcastFunding::url, &PodcastFunding::text>;
using Persons = Rows<PodcastPerson, &PodcastPerson::name, &PodcastPerson::role, &PodcastPerson::group,
                     &PodcastPerson::img, &PodcastPerson::href>;
using Transcripts = Rows<PodcastTranscript, &PodcastTranscript::url, &PodcastTranscript::type,
                         &PodcastTranscript::language, &PodcastTranscript::rel>;
using Soundbites = Rows<PodcastSoundbite, &PodcastSoundbite::startTime, &PodcastSoundbite::duration,
                        &PodcastSoundbite::title>;

// The catalog and the lists of each record type.
template <class R>
struct Tables;

template <>
struct Tables<Channel> {
    static auto fields() { return dircatalog::channelFields(); }
    static std::span<const DirectoryListInfo> lists() { return kChannelLists; }
    static QList<QStringList> rows(const Channel& c, const QString& key)
    {
        if (key == QLatin1String("podcastFunding"))
            return Funding::get(c.podcastFunding);
        return key == QLatin1String("podcastPersons") ? Persons::get(c.podcastPersons) : QList<QStringList>();
    }
    static void setRows(Channel& c, const QString& key, const QList<QStringList>& rows)
    {
        if (key == QLatin1String("podcastFunding"))
            c.podcastFunding = Funding::set(rows);
        else if (key == QLatin1String("podcastPersons"))
            c.podcastPersons = Persons::set(rows);
    }
    static void copyLists(const Channel& from, Channel& to)
    {
        to.podcastFunding = from.podcastFunding;
        to.podcastPersons = from.podcastPersons;
        to.itunesCategories.clear();
        for (const ItunesCategory& c : from.itunesCategories)
            if (!c.text.isEmpty() || !c.subcategories.isEmpty())
                to.itunesCategories << c;
    }
};

template <>
struct Tables<Episode> {
    static auto fields() { return dircatalog::episodeFields(); }
    static std::span<const DirectoryListInfo> lists() { return kEpisodeLists; }
    static QList<QStringList> rows(const Episode& e, const QString& key)
    {
        if (key == QLatin1String("podcastTranscripts"))
            return Transcripts::get(e.podcastTranscripts);
        if (key == QLatin1String("podcastSoundbites"))
            return Soundbites::get(e.podcastSoundbites);
        return key == QLatin1String("podcastPersons") ? Persons::get(e.podcastPersons) : QList<QStringList>();
    }
    static void setRows(Episode& e, const QString& key, const QList<QStringList>& rows)
    {
        if (key == QLatin1String("podcastTranscripts"))
            e.podcastTranscripts = Transcripts::set(rows);
        else if (key == QLatin1String("podcastSoundbites"))
            e.podcastSoundbites = Soundbites::set(rows);
        else if (key == QLatin1String("podcastPersons"))
            e.podcastPersons = Persons::set(rows);
    }
    static void copyLists(const Episode& from, Episode& to)
    {
        to.podcastTranscripts = from.podcastTranscripts;
        to.podcastSoundbites = from.podcastSoundbites;
        to.podcastPersons = from.podcastPersons;
    }
};

template <class R>
auto findField(const QString& key)
{
    for (const auto& f : Tables<R>::fields())
        if (key == QLatin1String(f.key))
            return &f;
    return static_cast<decltype(&Tables<R>::fields()[0])>(nullptr);
}

} // namespace

QString DirectoryForm::rowsReason(const QString& key) const
{
    for (const DirectoryListInfo& list : lists()) {
        if (key != QLatin1String(list.key))
            continue;
        const QList<QStringList> all = rows(key);
        for (qsizetype r = 0; r < all.size(); ++r)
            for (size_t c = 0; c < list.columns.size(); ++c)
                if (list.columns[c].check)
                    if (const QString why = list.columns[c].check(all[r].value(qsizetype(c))); !why.isEmpty())
                        return QStringLiteral("row %1, %2: %3").arg(r + 1).arg(QLatin1String(list.columns[c].label), why);
    }
    return {};
}

QStringList DirectoryForm::problems() const
{
    QStringList out;
    for (const DirectoryTextInfo& f : textFields())
        if (const QString why = reason(f.key); !why.isEmpty())
            out << f.label + QLatin1Char(' ') + why;
    for (const DirectoryListInfo& list : lists())
        if (const QString why = rowsReason(QLatin1String(list.key)); !why.isEmpty())
            out << QLatin1String(list.label) + QLatin1Char(' ') + why;
    return out;
}

template <class R>
void DirectoryFormOf<R>::copyFields(const R& from, R& to)
{
    for (const auto& f : Tables<R>::fields())
        to.*f.member = from.*f.member;
    Tables<R>::copyLists(from, to);
}

template <class R>
QList<DirectoryTextInfo> DirectoryFormOf<R>::textFields() const
{
    QList<DirectoryTextInfo> out;
    for (const auto& f : Tables<R>::fields())
        out << DirectoryTextInfo{QLatin1String(f.key), QLatin1String(f.label), f.choiceList(),
                                 QLatin1String(f.key) == QLatin1String("contentEncoded")};
    return out;
}

template <class R>
QString DirectoryFormOf<R>::text(const QString& key) const
{
    const auto* f = findField<R>(key);
    return f ? m_values.*f->member : QString();
}

template <class R>
void DirectoryFormOf<R>::setText(const QString& key, const QString& value)
{
    if (const auto* f = findField<R>(key))
        m_values.*f->member = value;
}

template <class R>
QString DirectoryFormOf<R>::reason(const QString& key) const
{
    const auto* f = findField<R>(key);
    return f ? f->reason(m_values.*f->member) : QString();
}

template <class R>
std::span<const DirectoryListInfo> DirectoryFormOf<R>::lists() const
{
    return Tables<R>::lists();
}

template <class R>
QList<QStringList> DirectoryFormOf<R>::rows(const QString& key) const
{
    return Tables<R>::rows(m_values, key);
}

template <class R>
void DirectoryFormOf<R>::setRows(const QString& key, const QList<QStringList>& rows)
{
    Tables<R>::setRows(m_values, key, rows);
}

template class DirectoryFormOf<Channel>;
template class DirectoryFormOf<Episode>;

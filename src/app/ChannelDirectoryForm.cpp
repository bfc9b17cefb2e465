#include "app/ChannelDirectoryForm.h"

#include "common/Prompts.h"
#include "feed/AppleCategories.h"
#include "feed/DirectoryValues.h"

namespace {

const QString kGuid = QStringLiteral("podcastGuid");
const QString kFeedUrl = QStringLiteral("atomSelfLink");

} // namespace

void ChannelDirectoryForm::load(const Channel& channel)
{
    DirectoryFormOf<Channel>::load(channel);
    m_feedUrlWasEmpty = channel.atomSelfLink.isEmpty();
    m_madeGuid.clear();
    m_guidMessage.clear();
}

QString ChannelDirectoryForm::reason(const QString& key) const
{
    if (key == kGuid && !m_guidMessage.isEmpty())
        return m_guidMessage;
    return DirectoryFormOf<Channel>::reason(key);
}

void ChannelDirectoryForm::setText(const QString& key, const QString& value)
{
    if (key == kGuid || key == kFeedUrl)
        m_guidMessage.clear();
    DirectoryFormOf<Channel>::setText(key, value);
}

ItunesCategory* ChannelDirectoryForm::slot(int index)
{
    if (index < 0 || index >= kCategorySlots)
        return nullptr;
    while (m_values.itunesCategories.size() <= index)
        m_values.itunesCategories.append(ItunesCategory{});
    return &m_values.itunesCategories[index];
}

const ItunesCategory* ChannelDirectoryForm::slot(int index) const
{
    if (index < 0 || index >= kCategorySlots || index >= m_values.itunesCategories.size())
        return nullptr;
    return &m_values.itunesCategories[index];
}

QStringList ChannelDirectoryForm::categoryChoices(int index) const
{
    QStringList out{QString()};
    for (const applecategories::Category& c : applecategories::all())
        out << QString::fromUtf8(c.name);
    if (const QString own = category(index); !out.contains(own))
        out << own;
    return out;
}

QStringList ChannelDirectoryForm::subcategoryChoices(int index) const
{
    QStringList out{QString()};
    if (const applecategories::Category* c = applecategories::find(category(index)))
        out << c->subcategories;
    if (const QString own = subcategory(index); !out.contains(own))
        out << own;
    return out;
}

QString ChannelDirectoryForm::category(int index) const
{
    const ItunesCategory* c = slot(index);
    return c ? c->text : QString();
}

QString ChannelDirectoryForm::subcategory(int index) const
{
    const ItunesCategory* c = slot(index);
    return c && !c->subcategories.isEmpty() ? c->subcategories.first() : QString();
}

void ChannelDirectoryForm::setCategory(int index, const QString& name)
{
    ItunesCategory* c = slot(index);
    if (!c || c->text == name)
        return;
    c->text = name;
    if (!c->subcategories.isEmpty() && !applecategories::isSubcategory(name, c->subcategories.first()))
        c->subcategories.removeFirst();
}

void ChannelDirectoryForm::setSubcategory(int index, const QString& name)
{
    ItunesCategory* c = slot(index);
    if (!c)
        return;
    // Further subcategories of the feed stay behind the one the list edits.
    if (c->subcategories.isEmpty())
        c->subcategories.append(name);
    else
        c->subcategories.first() = name;
    if (c->subcategories.first().isEmpty())
        c->subcategories.removeFirst();
}

QString ChannelDirectoryForm::categoryReason(int index) const
{
    return dirvalues::checkCategory(category(index), subcategory(index));
}

void ChannelDirectoryForm::feedUrlFinished()
{
    const QString& url = m_values.atomSelfLink;
    if (!m_feedUrlWasEmpty || url.isEmpty() || !dirvalues::checkWebUrl(url).isEmpty())
        return;
    if (!m_values.podcastGuid.isEmpty() && m_values.podcastGuid != m_madeGuid)
        return;
    m_values.podcastGuid = m_madeGuid = dirvalues::podcastGuidForFeedUrl(url);
    m_guidMessage.clear();
}

bool ChannelDirectoryForm::generateGuid(Prompts& prompts)
{
    Channel trial = m_values;
    m_guidMessage = dirvalues::generatePodcastGuid(trial);
    if (!m_guidMessage.isEmpty() || trial.podcastGuid == m_values.podcastGuid)
        return false;
    if (!m_values.podcastGuid.isEmpty()
        && !prompts.askYesNo(QStringLiteral("Directories know the podcast by its GUID %1; with a new GUID "
                                            "they take it for another podcast.\r\nReplace it with %2?")
                                 .arg(m_values.podcastGuid, trial.podcastGuid)))
        return false;
    m_values.podcastGuid = trial.podcastGuid;
    return true;
}

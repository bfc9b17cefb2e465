// The episode commands of the main window. Each works on the feed document, keeps the current
// podcast's enclosure states beside their episodes, refills the list and refreshes the
// command state.
#include "app/Session.h"

#include "common/Prompts.h"

void Session::ensureEnclosureSlots()
{
    ProjectEntry* entry = currentEntry();
    if (!entry)
        return;
    // States and episodes share positions; a project list written by an older run may hold
    // fewer states than the feed has items.
    const int episodes = static_cast<int>(m_doc.episodes.size());
    if (entry->enclosures.count() < episodes)
        entry->enclosures.resize(episodes);
}

void Session::newEpisode()
{
    if (noPodcast() || busy())
        return;
    ensureEnclosureSlots();
    const int position = static_cast<int>(m_doc.episodes.size());
    m_doc.addNewEpisode();
    if (ProjectEntry* entry = currentEntry()) {
        EnclosureState state;
        state.isLocal = true;
        entry->enclosures.insert(qMin(position, entry->enclosures.count()), state);
    }
    refillEpisodeList(position + 1);
    refreshCommandState();
    if (openEpisodeEditor)
        openEpisodeEditor(position);
}

void Session::cloneEpisode()
{
    const int s = m_view->selectedEpisodeRow();
    if (s < 1 || s > m_doc.episodes.size() || busy())
        return;
    ensureEnclosureSlots();
    Episode copy = m_doc.episodes.at(s - 1);
    // Two items with one guid are one episode to podcast apps: the copy gets its own.
    copy.guid = FeedDocument::newGuid();
    m_doc.episodes.insert(s, copy);
    if (ProjectEntry* entry = currentEntry()) {
        EnclosureState state = entry->enclosures.at(s - 1);
        state.text3 = copy.guid;
        entry->enclosures.insert(s, state);
    }
    refillEpisodeList(s);
    refreshCommandState();
}

void Session::copyEpisode()
{
    const int s = m_view->selectedEpisodeRow();
    if (s < 1 || s > m_doc.episodes.size())
        return;
    ensureEnclosureSlots();
    m_clipboard = m_doc.episodes.at(s - 1);
    const ProjectEntry* entry = currentEntry();
    m_clipboardState = entry ? std::optional<EnclosureState>(entry->enclosures.at(s - 1))
                             : std::nullopt;
    refreshCommandState();
}

void Session::cutEpisode()
{
    const int s = m_view->selectedEpisodeRow();
    if (s < 1 || s > m_doc.episodes.size() || busy())
        return;
    copyEpisode();
    removeEpisode();
}

void Session::pasteEpisode()
{
    if (noPodcast() || busy())
        return;
    const int s = m_view->selectedEpisodeRow();
    if (s < 1 || s > m_doc.episodes.size())
        return;
    ensureEnclosureSlots();
    m_doc.episodes.insert(s - 1, m_clipboard.value_or(Episode{}));
    if (ProjectEntry* entry = currentEntry())
        entry->enclosures.insert(s - 1, m_clipboardState.value_or(EnclosureState{}));
    refillEpisodeList(s);
    refreshCommandState();
}

void Session::removeEpisode()
{
    const int s = m_view->selectedEpisodeRow();
    if (s < 1 || s > m_doc.episodes.size() || busy())
        return;
    ensureEnclosureSlots();
    m_doc.episodes.removeAt(s - 1);
    if (ProjectEntry* entry = currentEntry())
        entry->enclosures.removeAt(s - 1);
    const int remaining = static_cast<int>(m_doc.episodes.size());
    refillEpisodeList(remaining == 0 ? 0 : qMin(s, remaining));
    refreshCommandState();
}

void Session::moveEpisodeUp()
{
    const int s = m_view->selectedEpisodeRow();
    if (s < 2 || s > m_doc.episodes.size() || busy())
        return;
    ensureEnclosureSlots();
    m_doc.episodes.swapItemsAt(s - 1, s - 2);
    if (ProjectEntry* entry = currentEntry())
        entry->enclosures.swap(s - 1, s - 2);
    refillEpisodeList(s - 1);
    m_doc.currentEpisode = s - 2;
    refreshCommandState();
}

void Session::moveEpisodeDown()
{
    const int s = m_view->selectedEpisodeRow();
    if (s < 1 || s >= m_doc.episodes.size() || busy())
        return;
    ensureEnclosureSlots();
    m_doc.episodes.swapItemsAt(s - 1, s);
    if (ProjectEntry* entry = currentEntry())
        entry->enclosures.swap(s - 1, s);
    refillEpisodeList(s + 1);
    m_doc.currentEpisode = s;
    refreshCommandState();
}

void Session::search()
{
    if (noPodcast())
        return;
    const QString text = m_view->searchText();
    QStringList history = m_view->searchHistory();
    if (history.isEmpty() || text != history.first()) {
        history.prepend(text);
        while (history.size() > 10)
            history.removeLast();
        m_view->setSearchHistory(history);
    }
    const QString term = text.trimmed().toLower();
    if (term.isEmpty())
        return;
    m_view->focusEpisodeList();
    const int rows = static_cast<int>(m_doc.episodes.size());
    if (rows == 0)
        return;
    int start = qMax(1, m_view->selectedEpisodeRow());
    if (m_previousMatch != 0 && start == m_previousMatch)
        start = m_previousMatch >= rows ? 1 : m_previousMatch + 1;
    // Every row is looked at once, from the start row round to the one before it.
    for (int i = 0; i < rows; ++i) {
        const int row = (start - 1 + i) % rows + 1;
        const Episode& e = m_doc.episodes.at(row - 1);
        if (e.title.contains(term, Qt::CaseInsensitive) || e.link.contains(term, Qt::CaseInsensitive)
            || e.description.contains(term, Qt::CaseInsensitive)) {
            m_view->selectEpisodeRow(row);
            m_previousMatch = row;
            return;
        }
    }
}

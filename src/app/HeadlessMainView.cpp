#include "app/HeadlessMainView.h"

#include "app/Session.h"

void HeadlessMainView::setProjectLines(const QStringList& lines)
{
    projectLines = lines;
    projectSelection = -1;
}

void HeadlessMainView::selectProjectLine(int index)
{
    if (index == projectSelection)
        return;
    projectSelection = index;
    if (session)
        session->projectSelectionChanged();
}

void HeadlessMainView::refillEpisodes(const QList<EpisodeRow>& rows, int selectRow)
{
    episodes = rows;
    episodeRow = (selectRow >= 1 && selectRow <= rows.size()) ? selectRow : 0;
}

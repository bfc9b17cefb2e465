// Chapter marks of the track editor.
#include "audio/AudioEditor.h"

#include <algorithm>
#include <cmath>

void AudioEditor::setChapterMarks(std::vector<ChapterMark> marks)
{
    if (marks.empty() && m_marks.empty())
        return;
    chaptermarks::sort(&marks);
    m_marks = std::move(marks);
    emit chapterMarksChanged();
}

namespace {
// Puts a mark in its place, after the marks at the same time, and returns its index.
int insertSorted(std::vector<ChapterMark>& marks, const ChapterMark& mark)
{
    const auto at = std::upper_bound(marks.begin(), marks.end(), mark,
                                     [](const ChapterMark& a, const ChapterMark& b) { return a.seconds < b.seconds; });
    const int index = int(at - marks.begin());
    marks.insert(at, mark);
    return index;
}
} // namespace

int AudioEditor::addChapterMark(double seconds, const QString& title)
{
    if (!m_open)
        return -1;
    const int index = insertSorted(m_marks, {std::clamp(seconds, 0.0, this->seconds()), title});
    emit chapterMarksChanged();
    return index;
}

int AudioEditor::renameChapterMark(int index, const QString& title)
{
    if (index < 0 || index >= int(m_marks.size()))
        return -1;
    m_marks[size_t(index)].title = title;
    emit chapterMarksChanged();
    return index;
}

int AudioEditor::moveChapterMark(int index, double seconds)
{
    if (index < 0 || index >= int(m_marks.size()))
        return -1;
    const QString title = m_marks[size_t(index)].title;
    m_marks.erase(m_marks.begin() + index);
    const int moved = insertSorted(m_marks, {std::clamp(seconds, 0.0, this->seconds()), title});
    emit chapterMarksChanged();
    return moved;
}

bool AudioEditor::removeChapterMark(int index)
{
    if (index < 0 || index >= int(m_marks.size()))
        return false;
    m_marks.erase(m_marks.begin() + index);
    emit chapterMarksChanged();
    return true;
}

int AudioEditor::nearestChapterMark(double seconds) const
{
    int best = -1;
    for (int i = 0; i < int(m_marks.size()); ++i) {
        if (best < 0 || std::fabs(m_marks[size_t(i)].seconds - seconds) < std::fabs(m_marks[size_t(best)].seconds - seconds))
            best = i;
    }
    return best;
}

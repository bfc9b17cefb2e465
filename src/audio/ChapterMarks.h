#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// A chapter mark of an episode: where a chapter starts and its title.
struct ChapterMark {
    double seconds = 0.0;
    QString title;

    bool operator==(const ChapterMark&) const = default;
};

namespace chaptermarks {

// "HH:MM:SS Title" (also "MM:SS", "SS" and a fraction of a second: "01:02:03.5 Title").
bool parse(const QString& text, ChapterMark* mark, QString* error);
// "HH:MM:SS" (with ".mmm" when the mark does not fall on a whole second).
QString formatTime(double seconds);
// Sorted by time; marks at the same time keep their order.
void sort(std::vector<ChapterMark>* marks);

// The Podcasting 2.0 chapters file: {"version": "1.2.0", "chapters": [{"startTime": 0,
// "title": "Intro"}, ...]}.
QByteArray toJson(const std::vector<ChapterMark>& marks);
bool fromJson(const QByteArray& json, std::vector<ChapterMark>* marks, QString* error);
// The chapters file written beside an audio file: "episode.mp3" gives "episode.chapters.json".
QString jsonPathFor(const QString& audioPath);
inline constexpr char kJsonType[] = "application/json+chapters";

} // namespace chaptermarks

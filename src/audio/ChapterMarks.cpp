#include "audio/ChapterMarks.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace chaptermarks {

bool parse(const QString& text, ChapterMark* mark, QString* error)
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*(?:(?:(\\d+):)?(\\d{1,2}):)?(\\d{1,2}(?:\\.\\d+)?)(?:\\s+(.*\\S))?\\s*$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) {
        *error = QStringLiteral("\"%1\" is not a chapter: write \"HH:MM:SS Title\"").arg(text);
        return false;
    }
    const int minutes = m.captured(2).toInt();
    const double seconds = m.captured(3).toDouble();
    if ((!m.captured(2).isEmpty() && seconds >= 60) || (!m.captured(1).isEmpty() && minutes >= 60)) {
        *error = QStringLiteral("\"%1\" is not a time: minutes and seconds run to 59").arg(text);
        return false;
    }
    mark->seconds = m.captured(1).toInt() * 3600.0 + minutes * 60.0 + seconds;
    mark->title = m.captured(4);
    return true;
}

QString formatTime(double seconds)
{
    const qint64 ms = qint64(std::llround(std::max(0.0, seconds) * 1000.0));
    QString text = QStringLiteral("%1:%2:%3")
                       .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
                       .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                       .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'));
    if (ms % 1000)
        text += QStringLiteral(".%1").arg(ms % 1000, 3, 10, QLatin1Char('0'));
    return text;
}

void sort(std::vector<ChapterMark>* marks)
{
    std::stable_sort(marks->begin(), marks->end(),
                     [](const ChapterMark& a, const ChapterMark& b) { return a.seconds < b.seconds; });
}

QByteArray toJson(const std::vector<ChapterMark>& marks)
{
    QJsonArray chapters;
    for (const ChapterMark& m : marks) {
        // Whole milliseconds: players read the number, people read the file.
        const double start = std::round(m.seconds * 1000.0) / 1000.0;
        chapters.append(QJsonObject{{QStringLiteral("startTime"), start}, {QStringLiteral("title"), m.title}});
    }
    const QJsonObject root{{QStringLiteral("version"), QStringLiteral("1.2.0")},
                           {QStringLiteral("chapters"), chapters}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool fromJson(const QByteArray& json, std::vector<ChapterMark>* marks, QString* error)
{
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (!doc.isObject() || !doc.object().value(QStringLiteral("chapters")).isArray()) {
        *error = parseError.error != QJsonParseError::NoError
                     ? QStringLiteral("the chapters file is not JSON: %1").arg(parseError.errorString())
                     : QStringLiteral("the chapters file has no \"chapters\" list");
        return false;
    }
    marks->clear();
    for (const QJsonValue& v : doc.object().value(QStringLiteral("chapters")).toArray()) {
        const QJsonObject o = v.toObject();
        if (!o.value(QStringLiteral("startTime")).isDouble() || o.value(QStringLiteral("startTime")).toDouble() < 0) {
            *error = QStringLiteral("a chapter of the chapters file has no start time");
            return false;
        }
        marks->push_back({o.value(QStringLiteral("startTime")).toDouble(), o.value(QStringLiteral("title")).toString()});
    }
    sort(marks);
    return true;
}

QString jsonPathFor(const QString& audioPath)
{
    const QFileInfo info(audioPath);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".chapters.json");
}

} // namespace chaptermarks

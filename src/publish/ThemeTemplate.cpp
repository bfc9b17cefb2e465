#include "publish/ThemeTemplate.h"

#include <QStringView>

#include <array>
#include <utility>

namespace {

using Field = ThemeTemplate::Field;
using Piece = ThemeTemplate::Piece;
using Pieces = QList<Piece>;

struct Name {
    Field field;
    QLatin1StringView text; // without the percent signs
};

constexpr std::array<Name, 23> kNames{{
    {Field::FeedTitle, QLatin1StringView("FeedTitle")},
    {Field::ITunesSubtitle, QLatin1StringView("iTunesSubtitle")},
    {Field::FeedLink, QLatin1StringView("FeedLink")},
    {Field::FeedDescription, QLatin1StringView("FeedDescription")},
    {Field::NumOfItems, QLatin1StringView("NumOfItems")},
    {Field::Author, QLatin1StringView("Author")},
    {Field::FeedPubDate, QLatin1StringView("FeedPubDate")},
    {Field::FeedPubTime, QLatin1StringView("FeedPubTime")},
    {Field::ThemePath, QLatin1StringView("ThemePath")},
    {Field::ImageSrc, QLatin1StringView("ImageSrc")},
    {Field::ItemTitle, QLatin1StringView("ItemTitle")},
    {Field::ItemNumber, QLatin1StringView("ItemNumber")},
    {Field::ItemDescription, QLatin1StringView("ItemDescription")},
    {Field::ItemLink, QLatin1StringView("ItemLink")},
    {Field::ItemPubDate, QLatin1StringView("ItemPubDate")},
    {Field::ItemPubTime, QLatin1StringView("ItemPubTime")},
    {Field::ItemEnclosure, QLatin1StringView("ItemEnclosure")},
    {Field::BeginImageRecord, QLatin1StringView("BeginImageRecord")},
    {Field::EndImageRecord, QLatin1StringView("EndImageRecord")},
    {Field::BeginItemsRecord, QLatin1StringView("BeginItemsRecord")},
    {Field::EndItemsRecord, QLatin1StringView("EndItemsRecord")},
    {Field::BeginEnclosure, QLatin1StringView("BeginEnclosure")},
    {Field::EndEnclosure, QLatin1StringView("EndEnclosure")},
}};

void appendLiteral(Pieces& pieces, QString text)
{
    if (text.isEmpty())
        return;
    if (!pieces.isEmpty() && pieces.last().field == Field::None)
        pieces.last().text += text;
    else
        pieces.append({Field::None, std::move(text)});
}

qsizetype indexOf(const Pieces& pieces, Field field, qsizetype from = 0)
{
    for (qsizetype i = from; i < pieces.size(); ++i)
        if (pieces[i].field == field)
            return i;
    return -1;
}

// Every piece of the given fields becomes literal text.
template <typename Lookup>
void replaceFields(Pieces& pieces, Lookup&& valueOf)
{
    for (Piece& piece : pieces) {
        if (piece.field == Field::None)
            continue;
        if (const QString* value = valueOf(piece.field)) {
            piece.field = Field::None;
            piece.text = *value;
        }
    }
}

Pieces slice(const Pieces& pieces, qsizetype from, qsizetype to)
{
    return pieces.mid(from, to - from);
}

const QString* channelValue(const ThemePageValues& v, Field field)
{
    switch (field) {
    case Field::FeedTitle: return &v.feedTitle;
    case Field::ITunesSubtitle: return &v.subtitle;
    case Field::FeedLink: return &v.feedLink;
    case Field::FeedDescription: return &v.feedDescription;
    case Field::NumOfItems: return &v.numOfItems;
    case Field::Author: return &v.author;
    case Field::FeedPubDate: return &v.feedPubDate;
    case Field::FeedPubTime: return &v.feedPubTime;
    case Field::ThemePath: return &v.themePath;
    default: return nullptr;
    }
}

const QString* itemValue(const ThemeItemValues& item, const QString& number, Field field)
{
    switch (field) {
    case Field::ItemTitle: return &item.title;
    case Field::ItemNumber: return &number;
    case Field::ItemDescription: return &item.description;
    case Field::ItemLink: return &item.link;
    case Field::ItemPubDate: return &item.pubDate;
    case Field::ItemPubTime: return &item.pubTime;
    default: return nullptr;
    }
}

void fillImageRecord(Pieces& pieces, const ThemePageValues& values)
{
    const qsizetype begin = indexOf(pieces, Field::BeginImageRecord);
    const qsizetype end = begin < 0 ? -1 : indexOf(pieces, Field::EndImageRecord, begin + 1);
    const bool complete = begin >= 0 && end >= 0;
    const auto imageSrc = [&](Field f) { return f == Field::ImageSrc ? &values.imageSrc : nullptr; };

    if (values.hasImage && indexOf(pieces, Field::ImageSrc) >= 0) {
        if (!complete) {
            replaceFields(pieces, imageSrc);
            return;
        }
        Pieces body = slice(pieces, begin + 1, end);
        replaceFields(body, imageSrc);
        pieces = slice(pieces, 0, begin) + body + slice(pieces, end + 1, pieces.size());
    } else if (complete) {
        pieces.remove(begin, end - begin + 1);
    } else {
        replaceFields(pieces, imageSrc);
    }
}

// One items-record copy: item placeholders filled; the enclosure record (when the copy has a
// complete one, between `encBegin` and `encEnd`) kept with its URL or dropped.
void appendItem(QString& out, const Pieces& body, qsizetype encBegin, qsizetype encEnd,
                const ThemeItemValues& item, int number)
{
    const QString numberText = QString::number(number);
    const bool complete = encBegin >= 0 && encEnd >= 0;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const Piece& piece = body[i];
        if (complete && i >= encBegin && i <= encEnd) {
            if (item.enclosure.isEmpty()) {
                i = encEnd;
                continue;
            }
            if (i == encBegin || i == encEnd)
                continue;
            if (piece.field == Field::ItemEnclosure) {
                out += item.enclosure;
                continue;
            }
        }
        const QString* value = itemValue(item, numberText, piece.field);
        out += value ? *value : piece.text;
    }
}

} // namespace

ThemeTemplate::ThemeTemplate(const QString& text)
{
    qsizetype literalStart = 0;
    qsizetype pos = text.indexOf(QLatin1Char('%'));
    while (pos >= 0) {
        const Name* match = nullptr;
        for (const Name& name : kNames) {
            const qsizetype close = pos + 1 + name.text.size();
            if (close < text.size() && text.at(close) == QLatin1Char('%')
                && QStringView(text).mid(pos + 1, name.text.size()).compare(name.text, Qt::CaseInsensitive) == 0) {
                match = &name;
                break;
            }
        }
        if (!match) {
            pos = text.indexOf(QLatin1Char('%'), pos + 1);
            continue;
        }
        appendLiteral(m_pieces, text.mid(literalStart, pos - literalStart));
        const qsizetype length = match->text.size() + 2;
        m_pieces.append({match->field, text.mid(pos, length)});
        literalStart = pos + length;
        pos = text.indexOf(QLatin1Char('%'), literalStart);
    }
    appendLiteral(m_pieces, text.mid(literalStart));
}

QString ThemeTemplate::fromFileContents(const QByteArray& contents)
{
    QByteArray bytes = contents;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QString text = QString::fromUtf8(bytes);
    QString out;
    out.reserve(text.size() + text.size() / 16 + 2);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        qsizetype lineEnd = end;
        if (lineEnd > start && text.at(lineEnd - 1) == QLatin1Char('\r'))
            --lineEnd;
        out += QStringView(text).mid(start, lineEnd - start);
        out += QLatin1String("\r\n");
        start = end + 1;
    }
    return out;
}

QString ThemeTemplate::fill(const ThemePageValues& values) const
{
    Pieces pieces = m_pieces;
    replaceFields(pieces, [&](Field f) { return channelValue(values, f); });
    fillImageRecord(pieces, values);

    const qsizetype begin = indexOf(pieces, Field::BeginItemsRecord);
    const qsizetype end = begin < 0 ? -1 : indexOf(pieces, Field::EndItemsRecord, begin + 1);

    QString out;
    const auto appendRange = [&](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i)
            out += pieces[i].text;
    };
    if (begin < 0 || end < 0) {
        appendRange(0, pieces.size());
        return out;
    }
    appendRange(0, begin);
    const Pieces body = slice(pieces, begin + 1, end);
    // One allocation for the whole page instead of doublings of a text of megabytes.
    qsizetype perItem = 0;
    for (const Piece& piece : body)
        perItem += piece.field == Field::None ? piece.text.size() : 32;
    out.reserve(out.size() + perItem * values.items.size() + 4096);
    const qsizetype encBegin = indexOf(body, Field::BeginEnclosure);
    const qsizetype encEnd = encBegin < 0 ? -1 : indexOf(body, Field::EndEnclosure, encBegin + 1);
    for (int i = 0; i < values.items.size(); ++i)
        appendItem(out, body, encBegin, encEnd, values.items[i], i);
    appendRange(end + 1, pieces.size());
    return out;
}

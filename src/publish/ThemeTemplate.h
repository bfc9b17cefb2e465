#pragma once

#include <QList>
#include <QString>

// The values a theme page is filled with, ready to be put into HTML as they are (text fields
// already escaped, addresses already made into URLs).
struct ThemeItemValues {
    QString title;
    QString number;
    QString description;
    QString link;
    QString pubDate;
    QString pubTime;
    QString enclosure; // empty: the episode has no enclosure
};

struct ThemePageValues {
    QString feedTitle;
    QString subtitle;
    QString feedLink;
    QString feedDescription;
    QString numOfItems;
    QString author;
    QString feedPubDate;
    QString feedPubTime;
    QString themePath;
    QString imageSrc;
    bool hasImage = false; // the channel names an image file
    QList<ThemeItemValues> items;
};

// A theme template cut into literal text and %...% placeholders (letters compared without
// regard to case). Filling works on the pieces, so a value is inserted once and never searched
// for placeholders again: a title such as "%EndItemsRecord%" cannot reshape the page.
class ThemeTemplate {
public:
    enum class Field {
        FeedTitle, ITunesSubtitle, FeedLink, FeedDescription, NumOfItems, Author, FeedPubDate,
        FeedPubTime, ThemePath, ImageSrc, ItemTitle, ItemNumber, ItemDescription, ItemLink,
        ItemPubDate, ItemPubTime, ItemEnclosure, BeginImageRecord, EndImageRecord,
        BeginItemsRecord, EndItemsRecord, BeginEnclosure, EndEnclosure, None
    };

    struct Piece {
        Field field = Field::None; // None: literal text
        QString text;              // the literal, or the placeholder as the template spells it
    };

    explicit ThemeTemplate(const QString& text);

    // Template file contents → template text: every line ends in CR LF, whatever the file used.
    static QString fromFileContents(const QByteArray& contents);

    // The page: channel placeholders everywhere, then the image record, then the first items
    // record once per item with its enclosure record. Placeholders a step does not reach stay
    // as the template wrote them.
    QString fill(const ThemePageValues& values) const;

    const QList<Piece>& pieces() const { return m_pieces; }

private:
    QList<Piece> m_pieces;
};

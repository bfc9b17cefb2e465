#pragma once

#include "feed/Channel.h"
#include "feed/Episode.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <span>

// One column of a list field (the people of a show, an episode's transcripts).
struct DirectoryColumn {
    const char* key;   // the entry's JSON key: "img"
    const char* label; // column caption: "Picture URL"
    QString (*check)(const QString&); // nullptr: any text
};

// A field that holds several entries, edited as a table of rows.
struct DirectoryListInfo {
    const char* key;   // "podcastPersons"
    const char* label; // "People:"
    std::span<const DirectoryColumn> columns;
};

// A text field as a window offers it.
struct DirectoryTextInfo {
    QString key;         // JSON key, also the editor's object name
    QString label;       // "Owner e-mail:"
    QStringList choices; // offered in a list (the empty entry first); any text may still be typed
    bool multiLine = false;
};

// The podcast-directory fields of a channel or an episode as a window edits them: the text
// fields of the catalog and the lists as rows of texts. What is typed is kept as typed; the
// reasons say what is wrong with it, for the window to show beside the field.
class DirectoryForm {
public:
    virtual ~DirectoryForm() = default;

    virtual QList<DirectoryTextInfo> textFields() const = 0;
    virtual QString text(const QString& key) const = 0;
    virtual void setText(const QString& key, const QString& value) = 0;
    // Why the field's value is wrong; empty when it is fine.
    virtual QString reason(const QString& key) const = 0;

    virtual std::span<const DirectoryListInfo> lists() const = 0;
    virtual QList<QStringList> rows(const QString& key) const = 0;
    // Rows with nothing typed in them are dropped; the others are kept as typed.
    virtual void setRows(const QString& key, const QList<QStringList>& rows) = 0;
    // The first wrong cell: "row 2, Picture URL: not a web address"; empty when all are fine.
    QString rowsReason(const QString& key) const;
    // Every reason of the form, "Label reason" a line: what a window shows before it is left.
    QStringList problems() const;
};

// The form over the directory members of a record (Channel or Episode).
template <class R>
class DirectoryFormOf : public DirectoryForm {
public:
    // The record whose directory members the form shows; the others are carried along.
    void load(const R& record) { m_values = record; }
    const R& values() const { return m_values; }
    // Copies the directory members (the catalog's text fields and the lists) from one record
    // into another; the other members of `to` stay.
    static void copyFields(const R& from, R& to);

    QList<DirectoryTextInfo> textFields() const override;
    QString text(const QString& key) const override;
    void setText(const QString& key, const QString& value) override;
    QString reason(const QString& key) const override;
    std::span<const DirectoryListInfo> lists() const override;
    QList<QStringList> rows(const QString& key) const override;
    void setRows(const QString& key, const QList<QStringList>& rows) override;

protected:
    R m_values;
};

extern template class DirectoryFormOf<Channel>;
extern template class DirectoryFormOf<Episode>;

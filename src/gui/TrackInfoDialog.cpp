#include "gui/TrackInfoDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

TrackInfoDialog::TrackInfoDialog(const TrackInfoFields& f, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Edit file info"));
    auto* form = new QFormLayout;
    const auto add = [&](const char* name, const QString& label, const QString& text) {
        auto* edit = new QLineEdit(text, this);
        edit->setObjectName(QLatin1String(name));
        form->addRow(label, edit);
        return edit;
    };
    m_file = add("file", QStringLiteral("File:"), f.file);
    m_file->setReadOnly(true);
    m_track = add("track", QStringLiteral("Track #:"), f.track);
    m_title = add("title", QStringLiteral("Title:"), f.title);
    m_artist = add("artist", QStringLiteral("Artist:"), f.artist);
    m_album = add("album", QStringLiteral("Album:"), f.album);
    m_year = add("year", QStringLiteral("Year:"), f.year);
    m_comment = add("comment", QStringLiteral("Comment:"), f.comment);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(420, sizeHint().height());
}

TrackInfoFields TrackInfoDialog::fields() const
{
    return TrackInfoFields{m_file->text(),  m_track->text(), m_title->text(),  m_artist->text(),
                           m_album->text(), m_year->text(),  m_comment->text()};
}

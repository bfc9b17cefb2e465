#pragma once

#include "app/EpisodeForm.h"

#include <QDialog>

class QLineEdit;

// "Edit file info": the track's tag fields and the file they belong to.
class TrackInfoDialog : public QDialog {
    Q_OBJECT
public:
    TrackInfoDialog(const TrackInfoFields& fields, QWidget* parent = nullptr);
    TrackInfoFields fields() const;

private:
    QLineEdit* m_file;
    QLineEdit* m_track;
    QLineEdit* m_title;
    QLineEdit* m_artist;
    QLineEdit* m_album;
    QLineEdit* m_year;
    QLineEdit* m_comment;
};

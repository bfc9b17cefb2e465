#pragma once

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
struct Episode;

// A small editor for an episode's title and description.
class EpisodeQuickEditor : public QDialog {
    Q_OBJECT
public:
    EpisodeQuickEditor(Episode& episode, QWidget* parent = nullptr);

    void accept() override;

private:
    Episode& m_episode;
    QLineEdit* m_title;
    QPlainTextEdit* m_description;
};

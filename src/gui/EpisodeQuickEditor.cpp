#include "gui/EpisodeQuickEditor.h"

#include "feed/Episode.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>

EpisodeQuickEditor::EpisodeQuickEditor(Episode& episode, QWidget* parent)
    : QDialog(parent), m_episode(episode)
{
    setWindowTitle(QStringLiteral("Episode"));
    resize(560, 360);
    auto* form = new QFormLayout(this);
    m_title = new QLineEdit(episode.title, this);
    m_description = new QPlainTextEdit(episode.description, this);
    form->addRow(QStringLiteral("Title:"), m_title);
    form->addRow(QStringLiteral("Description:"), m_description);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

void EpisodeQuickEditor::accept()
{
    m_episode.title = m_title->text();
    QString description = m_description->toPlainText();
    description.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    m_episode.description = description;
    QDialog::accept();
}

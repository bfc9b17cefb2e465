#include "gui/DownloadDialog.h"

#include "app/FeedDownload.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

DownloadDialog::DownloadDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Download podcast feed"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("URL:"), this);
    layout->addWidget(label);
    m_text = new QLineEdit(QStringLiteral("http://"), this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setMinimumWidth(360);
    m_text->installEventFilter(this);
    label->setBuddy(m_text);
    layout->addWidget(m_text);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &DownloadDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &DownloadDialog::reject);
    m_text->setFocus();
}

QString DownloadDialog::url() const
{
    return m_text->text();
}

void DownloadDialog::accept()
{
    if (!FeedDownload::isAcceptable(m_text->text()))
        return;
    QDialog::accept();
}

bool DownloadDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Entering the field selects its whole text. A mouse click that gave the focus would place
    // the cursor afterwards, so the selection is made once that click is handled.
    if (watched == m_text && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, m_text, &QLineEdit::selectAll);
    return QDialog::eventFilter(watched, event);
}

#include "gui/FtpFolderDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

FtpFolderDialog::FtpFolderDialog(const FtpLogin& login, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("FTP folders"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("Folders"));
    layout->addWidget(m_list, 1);
    m_path = new QLabel(this);
    m_path->setObjectName(QStringLiteral("Path"));
    m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_path);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Status"));
    m_status->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(m_status);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { m_browser.clickRow(m_list->row(item)); });
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { m_browser.activateRow(m_list->row(item)); });
    connect(&m_browser, &FtpFolderBrowser::rowsChanged, this, &FtpFolderDialog::showRows);
    connect(&m_browser, &FtpFolderBrowser::statusChanged, m_status, &QLabel::setText);
    connect(&m_browser, &FtpFolderBrowser::chosenPathChanged, m_path, &QLabel::setText);
    resize(380, 420);
    m_browser.open(login);
}

FtpFolderDialog::~FtpFolderDialog() = default;

void FtpFolderDialog::showRows()
{
    m_list->clear();
    for (const FtpFolderBrowser::Row& row : m_browser.rows()) {
        auto* item = new QListWidgetItem(row.text, m_list);
        item->setData(Qt::UserRole, row.isParent() ? QVariant(QStringLiteral("GoToParent")) : QVariant(row.tag));
        item->setIcon(style()->standardIcon(row.isParent() ? QStyle::SP_FileDialogToParent : QStyle::SP_DirIcon));
    }
}

void FtpFolderDialog::done(int result)
{
    m_browser.close();
    QDialog::done(result);
}

#include "gui/UploadDialog.h"

#include "app/AppShell.h"
#include "app/PodcastCheck.h"
#include "app/Session.h"
#include "app/UploadWorkflow.h"
#include "common/Prompts.h"
#include "gui/CheckDialog.h"
#include "gui/FtpFolderDialog.h"
#include "store/ServerProtocols.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// One upload choice: its check box, the "FTP path:" field with its browse button and the
// "Filename:" field (or none).
QGroupBox* choiceBox(QWidget* parent, QCheckBox* box, QLineEdit* folder, QPushButton* browse, QLineEdit* name)
{
    auto* group = new QGroupBox(parent);
    auto* grid = new QGridLayout(group);
    grid->addWidget(box, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("FTP path:"), group), 1, 0);
    grid->addWidget(folder, 1, 1);
    grid->addWidget(browse, 1, 2);
    if (name) {
        grid->addWidget(new QLabel(QStringLiteral("Filename:"), group), 2, 0);
        grid->addWidget(name, 2, 1, 1, 2);
    }
    return group;
}

} // namespace

UploadDialog::UploadDialog(Session& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_workflow(new UploadWorkflow(session, this))
{
    setWindowTitle(QStringLiteral("Publish podcast"));
    auto* layout = new QVBoxLayout(this);

    auto* connection = new QGroupBox(this);
    auto* form = new QFormLayout(connection);
    m_server = addLineEdit(QStringLiteral("FTPServer"));
    m_user = addLineEdit(QStringLiteral("FTPUsername"));
    m_password = addLineEdit(QStringLiteral("FTPPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_passive = new QCheckBox(QStringLiteral("Passive mode (xDSL connection)"), this);
    m_passive->setObjectName(QStringLiteral("FTPMode"));
    // The protocol list writes its prefix into the server field; a prefix typed there selects it.
    m_protocol = new QComboBox(this);
    m_protocol->setObjectName(QStringLiteral("FTPProtocol"));
    for (int p = 0; p < server_protocols::Count; ++p)
        m_protocol->addItem(server_protocols::label(p), server_protocols::scheme(p));
    connect(m_protocol, &QComboBox::activated, this, [this](int protocol) {
        m_server->setText(server_protocols::withProtocol(m_server->text(), protocol));
    });
    connect(m_server, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_protocol->setCurrentIndex(server_protocols::protocolOf(text));
    });
    auto* serverRow = new QHBoxLayout;
    serverRow->addWidget(m_server, 1);
    serverRow->addWidget(m_protocol);
    form->addRow(QStringLiteral("FTP server:"), serverRow);
    form->addRow(QStringLiteral("Username:"), m_user);
    form->addRow(QStringLiteral("Password:"), m_password);
    form->addRow(QString(), m_passive);
    layout->addWidget(connection);

    m_uploadFeed = new QCheckBox(QStringLiteral("Upload feed file (XML):"), this);
    m_uploadFeed->setObjectName(QStringLiteral("UploadFeed"));
    m_feedFolder = addLineEdit(QStringLiteral("FTPPath"));
    m_feedName = addLineEdit(QStringLiteral("FTPFilename"));
    m_uploadImage = new QCheckBox(QStringLiteral("Upload feed image:"), this);
    m_uploadImage->setObjectName(QStringLiteral("UploadImage"));
    m_imageFolder = addLineEdit(QStringLiteral("FTPPath2"));
    m_imageName = addLineEdit(QStringLiteral("FTPFilename2"));
    auto* files = new QHBoxLayout;
    files->addWidget(choiceBox(this, m_uploadFeed, m_feedFolder, addBrowseButton(1, m_feedFolder), m_feedName));
    files->addWidget(choiceBox(this, m_uploadImage, m_imageFolder, addBrowseButton(2, m_imageFolder), m_imageName));
    layout->addLayout(files);

    m_uploadEpisodes = new QCheckBox(QStringLiteral("Upload episodes:"), this);
    m_uploadEpisodes->setObjectName(QStringLiteral("UploadEnclosure"));
    m_episodesFolder = addLineEdit(QStringLiteral("FTPPath3"));
    auto* episodesBox = choiceBox(this, m_uploadEpisodes, m_episodesFolder, addBrowseButton(3, m_episodesFolder), nullptr);
    m_episodes = new QTreeWidget(episodesBox);
    m_episodes->setObjectName(QStringLiteral("Episodes"));
    m_episodes->setHeaderLabels({QStringLiteral("Filename"), QStringLiteral("Title")});
    m_episodes->setRootIsDecorated(false);
    m_episodes->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_episodes->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    m_episodes->setColumnWidth(0, 200);
    m_episodes->setMinimumHeight(110);
    static_cast<QGridLayout*>(episodesBox->layout())->addWidget(m_episodes, 2, 0, 1, 3);
    layout->addWidget(episodesBox, 1);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Status"));
    m_status->setFrameShape(QFrame::StyledPanel);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);

    auto* buttons = new QHBoxLayout;
    m_publish = new QPushButton(QStringLiteral("Publish"), this);
    m_publish->setObjectName(QStringLiteral("Publish"));
    m_publish->setDefault(true);
    auto* viewLogButton = new QPushButton(QStringLiteral("View log"), this);
    viewLogButton->setObjectName(QStringLiteral("ViewLog"));
    auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("Close"));
    auto* help = new QPushButton(QStringLiteral("Help"), this);
    help->setObjectName(QStringLiteral("Help"));
    buttons->addWidget(m_publish);
    buttons->addWidget(viewLogButton);
    m_checkPublished = new QPushButton(QStringLiteral("Check the published feed"), this);
    m_checkPublished->setObjectName(QStringLiteral("CheckPublished"));
    m_checkPublished->setEnabled(false);
    buttons->addWidget(m_checkPublished);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    buttons->addWidget(help);
    layout->addLayout(buttons);

    connect(m_publish, &QPushButton::clicked, this, &UploadDialog::publishOrStop);
    connect(viewLogButton, &QPushButton::clicked, this, &UploadDialog::viewLog);
    connect(m_checkPublished, &QPushButton::clicked, this, &UploadDialog::checkPublished);
    connect(closeButton, &QPushButton::clicked, this, &UploadDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] {
        const QString page = m_session.shell().home().filePath(QStringLiteral("manual/uploading_feed.htm"));
        m_session.prompts().openUrl(QUrl::fromLocalFile(page).toString());
    });
    for (QCheckBox* box : {m_uploadFeed, m_uploadImage, m_uploadEpisodes})
        connect(box, &QCheckBox::toggled, this, &UploadDialog::updateEnabled);

    connect(m_workflow, &UploadWorkflow::statusChanged, m_status, &QLabel::setText);
    connect(m_workflow, &UploadWorkflow::progressChanged, m_progress, &QProgressBar::setValue);
    connect(m_workflow, &UploadWorkflow::runningChanged, this, [this](bool running) {
        m_publish->setText(running ? QStringLiteral("Stop") : QStringLiteral("Publish"));
        // Offered once a publish has ended: the feed on the server is what listeners get.
        m_checkPublished->setEnabled(!running && !m_check->isRunning());
    });
    connect(m_workflow, &UploadWorkflow::logChanged, this, [this](const QString& log) {
        if (m_logWindow && m_logWindow->isVisible())
            m_logText->setPlainText(log);
    });

    m_check = new PodcastCheck(m_session, this);
    connect(m_check, &PodcastCheck::progress, this, [this](const QString& text, int, int) {
        if (m_checkWindow)
            m_checkWindow->setStatus(text);
    });
    connect(m_check, &PodcastCheck::finished, this, [this](const Findings& findings, const QString& error) {
        m_checkPublished->setEnabled(!m_workflow->running());
        if (!m_checkWindow)
            return;
        if (error.isEmpty())
            m_checkWindow->setFindings(findings, m_check->publishedUrl());
        else
            m_checkWindow->setStatus(error);
    });

    m_workflow->load();
    showFields();
    resize(620, 560);
}

UploadDialog::~UploadDialog() = default;

QPushButton* UploadDialog::addBrowseButton(int field, QLineEdit* folder)
{
    auto* button = new QPushButton(QStringLiteral("..."), this);
    button->setObjectName(QStringLiteral("Browse%1").arg(field));
    button->setMaximumWidth(32);
    m_browseButtons[field - 1] = button;
    connect(button, &QPushButton::clicked, this, [this, folder] {
        const ProjectEntry* entry = m_session.currentEntry();
        FtpFolderDialog browser({m_server->text(), m_user->text(), m_password->text(), m_passive->isChecked(),
                                 entry ? entry->ftpTrust : QString()},
                                this);
        if (browser.exec() == QDialog::Accepted && !browser.chosenPath().isEmpty())
            folder->setText(browser.chosenPath());
    });
    return button;
}

QLineEdit* UploadDialog::addLineEdit(const QString& name)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->installEventFilter(this);
    return edit;
}

void UploadDialog::showFields()
{
    const UploadFields& f = m_workflow->fields;
    m_server->setText(f.server);
    m_user->setText(f.userName);
    m_password->setText(f.password);
    m_passive->setChecked(f.passive);
    m_uploadFeed->setChecked(f.uploadFeed);
    m_feedFolder->setText(f.feedFolder);
    m_feedName->setText(f.feedFileName);
    m_uploadImage->setChecked(f.uploadImage);
    m_imageFolder->setText(f.imageFolder);
    m_imageName->setText(f.imageFileName);
    m_uploadEpisodes->setChecked(f.uploadEpisodes);
    m_episodesFolder->setText(f.episodesFolder);
    m_episodes->clear();
    for (const UploadEpisode& episode : std::as_const(m_workflow->episodes)) {
        auto* item = new QTreeWidgetItem(m_episodes, {episode.fileName, episode.title});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, episode.ticked ? Qt::Checked : Qt::Unchecked);
        item->setData(0, Qt::UserRole, episode.index);
    }
    m_status->setText(m_workflow->status());
    m_progress->setValue(m_workflow->progress());
    updateEnabled();
}

void UploadDialog::takeFields()
{
    UploadFields& f = m_workflow->fields;
    f.server = m_server->text();
    f.userName = m_user->text();
    f.password = m_password->text();
    f.passive = m_passive->isChecked();
    f.uploadFeed = m_uploadFeed->isChecked();
    f.feedFolder = m_feedFolder->text();
    f.feedFileName = m_feedName->text();
    f.uploadImage = m_uploadImage->isChecked();
    f.imageFolder = m_imageFolder->text();
    f.imageFileName = m_imageName->text();
    f.uploadEpisodes = m_uploadEpisodes->isChecked();
    f.episodesFolder = m_episodesFolder->text();
    for (int row = 0; row < m_episodes->topLevelItemCount() && row < m_workflow->episodes.size(); ++row)
        m_workflow->episodes[row].ticked = m_episodes->topLevelItem(row)->checkState(0) == Qt::Checked;
}

void UploadDialog::updateEnabled()
{
    m_feedFolder->setEnabled(m_uploadFeed->isChecked());
    m_browseButtons[0]->setEnabled(m_uploadFeed->isChecked());
    m_browseButtons[1]->setEnabled(m_uploadImage->isChecked());
    m_browseButtons[2]->setEnabled(m_uploadEpisodes->isChecked());
    m_feedName->setEnabled(m_uploadFeed->isChecked());
    m_imageFolder->setEnabled(m_uploadImage->isChecked());
    m_imageName->setEnabled(m_uploadImage->isChecked());
    m_episodesFolder->setEnabled(m_uploadEpisodes->isChecked());
    m_episodes->setEnabled(m_uploadEpisodes->isChecked());
}

void UploadDialog::publishOrStop()
{
    if (m_workflow->running()) {
        m_workflow->cancel();
        return;
    }
    takeFields();
    m_workflow->publish();
}

void UploadDialog::viewLog()
{
    if (!m_logWindow) {
        m_logWindow = new QDialog(this);
        m_logWindow->setObjectName(QStringLiteral("LogWindow"));
        m_logWindow->setWindowTitle(QStringLiteral("Log"));
        auto* layout = new QVBoxLayout(m_logWindow);
        m_logText = new QPlainTextEdit(m_logWindow);
        m_logText->setReadOnly(true);
        m_logText->setLineWrapMode(QPlainTextEdit::NoWrap);
        m_logText->installEventFilter(this);
        layout->addWidget(m_logText);
        auto* close = new QPushButton(QStringLiteral("Close"), m_logWindow);
        connect(close, &QPushButton::clicked, m_logWindow, &QDialog::close);
        auto* row = new QHBoxLayout;
        row->addStretch();
        row->addWidget(close);
        layout->addLayout(row);
        m_logWindow->resize(560, 360);
    }
    m_logText->setPlainText(m_workflow->log());
    m_logWindow->show();
    m_logWindow->raise();
}

void UploadDialog::done(int result)
{
    // Whatever closes the window (the Close button, the close box, Escape) stores the fields.
    takeFields();
    m_workflow->close();
    QDialog::done(result);
}

bool UploadDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Entering a text box selects its whole text, once a click that gave the focus is handled.
    if (event->type() == QEvent::FocusIn) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched))
            QTimer::singleShot(0, edit, &QLineEdit::selectAll);
        else if (auto* text = qobject_cast<QPlainTextEdit*>(watched))
            QTimer::singleShot(0, text, &QPlainTextEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

void UploadDialog::checkPublished()
{
    QString why;
    if (!m_check->checkPublished(&why)) {
        m_session.prompts().message(why, MessageIcon::Exclamation);
        return;
    }
    m_checkPublished->setEnabled(false);
    if (!m_checkWindow) {
        m_checkWindow = new CheckDialog(this);
        m_checkWindow->setAttribute(Qt::WA_DeleteOnClose);
        m_checkWindow->setWindowTitle(QStringLiteral("Check the published feed"));
        m_checkWindow->onActivated = [this](const Finding& f) {
            if (onFinding)
                onFinding(f);
        };
        // Closing the list ends a check still running (m_check goes before the list when the
        // window closes, and the connection with it).
        connect(m_checkWindow, &QObject::destroyed, m_check, [this] {
            m_check->cancel();
            m_checkPublished->setEnabled(!m_workflow->running());
        });
    }
    m_checkWindow->setFindings({}, m_check->publishedUrl());
    m_checkWindow->setStatus(QStringLiteral("Downloading %1...").arg(m_check->publishedUrl()));
    m_checkWindow->show();
    m_checkWindow->raise();
}

CheckDialog* UploadDialog::checkWindow() const
{
    return m_checkWindow;
}

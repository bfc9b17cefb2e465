#pragma once

#include "check/Finding.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class CheckDialog;
class PodcastCheck;
class Session;
class UploadWorkflow;

// "Publish podcast": shows the current podcast's FTP settings and publishes it. The work itself
// is UploadWorkflow's; this window copies its fields to and from the widgets and shows status,
// progress and log.
class UploadDialog : public QDialog {
    Q_OBJECT
public:
    explicit UploadDialog(Session& session, QWidget* parent = nullptr);
    ~UploadDialog() override;

    UploadWorkflow& workflow() { return *m_workflow; }
    // The log window, once "View log" opened it.
    QDialog* logWindow() const { return m_logWindow; }

    void done(int result) override;

    // A double click in the findings of "Check the published feed".
    std::function<void(const Finding&)> onFinding;
    QPushButton* checkPublishedButton() const { return m_checkPublished; }
    CheckDialog* checkWindow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showFields();
    void takeFields();
    void updateEnabled();
    void publishOrStop();
    void viewLog();
    void checkPublished();
    QLineEdit* addLineEdit(const QString& name);
    QPushButton* addBrowseButton(int field, QLineEdit* folder);

    Session& m_session;
    UploadWorkflow* m_workflow = nullptr;
    QLineEdit* m_server = nullptr;
    QComboBox* m_protocol = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_passive = nullptr;
    QCheckBox* m_uploadFeed = nullptr;
    QLineEdit* m_feedFolder = nullptr;
    QLineEdit* m_feedName = nullptr;
    QCheckBox* m_uploadImage = nullptr;
    QLineEdit* m_imageFolder = nullptr;
    QLineEdit* m_imageName = nullptr;
    QCheckBox* m_uploadEpisodes = nullptr;
    QLineEdit* m_episodesFolder = nullptr;
    QTreeWidget* m_episodes = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_publish = nullptr;
    QPushButton* m_browseButtons[3] = {};
    QPushButton* m_checkPublished = nullptr;
    PodcastCheck* m_check = nullptr;
    QPointer<CheckDialog> m_checkWindow;
    QDialog* m_logWindow = nullptr;
    QPlainTextEdit* m_logText = nullptr;
};

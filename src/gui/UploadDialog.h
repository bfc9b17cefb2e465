#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showFields();
    void takeFields();
    void updateEnabled();
    void publishOrStop();
    void viewLog();
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
    QDialog* m_logWindow = nullptr;
    QPlainTextEdit* m_logText = nullptr;
};

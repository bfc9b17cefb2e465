#pragma once

#include "publish/FtpFolderBrowser.h"

#include <QDialog>

class QLabel;
class QListWidget;

// The FTP folder browser's window: the folders of the current server directory, a double click
// moves into one (or up), and OK hands the shown path to the folder field that opened it.
class FtpFolderDialog : public QDialog {
    Q_OBJECT
public:
    FtpFolderDialog(const FtpLogin& login, QWidget* parent = nullptr);
    ~FtpFolderDialog() override;

    FtpFolderBrowser& browser() { return m_browser; }
    QString chosenPath() const { return m_browser.chosenPath(); }

    void done(int result) override;

private:
    void showRows();

    FtpFolderBrowser m_browser;
    QListWidget* m_list = nullptr;
    QLabel* m_path = nullptr;
    QLabel* m_status = nullptr;
};

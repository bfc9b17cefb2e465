#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class FileTransferClient;

// The login the folder browser uses: the upload window's current fields.
struct FtpLogin {
    QString server; // as typed: "ftp://host", "host:port" ...
    QString userName;
    QString password;
    bool passive = false;
    // The certificate fingerprint the project trusts ("FTPTrust").
    QString trustedFingerprint;
};

// Picks a folder on the FTP server: logs in, lists the folders of the current directory and
// moves down into one or up to the parent, each step following the client's completion events.
class FtpFolderBrowser : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimeOutSeconds = 60;
    struct Row {
        QString text;
        int tag = -1; // index in the client's listing; -1 for the parent row
        bool isParent() const { return tag < 0; }
    };

    explicit FtpFolderBrowser(QObject* parent = nullptr);
    ~FtpFolderBrowser() override;

    static QString parentRowText() { return QStringLiteral("Go to parent directory"); }

    void open(const FtpLogin& login);
    // Ends the session with QUIT (nothing when not connected).
    void close();

    // A single click: a folder row shows its path.
    void clickRow(int row);
    // A double click: into the folder, or up for the parent row. Ignored while busy.
    void activateRow(int row);

    const QList<Row>& rows() const { return m_rows; }
    QString status() const { return m_status; }
    QString chosenPath() const { return m_chosenPath; }
    QString currentDirectory() const;
    FileTransferClient& client() { return *m_client; }

    // The directory above `directory`: cut before its last "/", "/" when that is the first.
    static QString parentOf(const QString& directory);
    // `name` inside `directory`.
    static QString pathIn(const QString& directory, const QString& name);

signals:
    void rowsChanged();
    void statusChanged(const QString& text);
    void chosenPathChanged(const QString& path);

private:
    void makeClient(int protocol);
    void setStatus(const QString& text);
    bool stopIfTimedOut(int result);
    QString failureText() const;
    void onConnect(int result);
    void onEnumFiles(int result);
    void onSetCurrentDirectory(int result);
    void onGetCurrentDirectory(int result);

    std::unique_ptr<FileTransferClient> m_client;
    QList<Row> m_rows;
    QString m_status;
    QString m_chosenPath;
};

#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class FileTransferClient;
struct FtpServerField;
class Session;

// What the upload window shows and edits: the connection and the three upload choices.
struct UploadFields {
    QString server;
    QString userName;
    QString password;
    bool passive = false;
    bool uploadFeed = false;
    QString feedFolder;
    QString feedFileName;
    bool uploadImage = false;
    QString imageFolder;
    QString imageFileName;
    bool uploadEpisodes = false;
    QString episodesFolder;
    bool operator==(const UploadFields&) const = default;
};

// One file of a publish, in the order it is sent.
struct PublishFile {
    enum class Kind { Episode, Image, Feed };
    Kind kind = Kind::Episode;
    QString localFile;  // the file sent; for the feed, the podcast's feed file it is built from
    QString remoteFile; // where it ends up on the server
    bool replacedWhole = false; // sent under a temporary name and renamed over the old one
};

// One row of the episode list: a local media file of the podcast.
struct UploadEpisode {
    int index = 0;    // position of the enclosure state in the project entry
    QString fileName; // the remote name: the local file's name
    QString title;
    bool ticked = false;
};

// The upload window's behaviour without widgets: it fills the fields from the current project,
// publishes feed, channel image (with the cover art beside it) and ticked episode files over
// one FTP session, keeps the
// protocol log and stores the fields back. Every step follows a completion event of the FTP
// client, so nothing waits and the program stays responsive.
class UploadWorkflow : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimeOutSeconds = 60;

    explicit UploadWorkflow(Session& session, QObject* parent = nullptr);
    ~UploadWorkflow() override;

    // Opening the window: fields and episode list from the current project entry.
    void load();
    // Closing the window: the connection is dropped and the fields, the password (only while
    // "SavePassword" is on) and the ticks go back into the project entry.
    void close();

    UploadFields fields;
    QList<UploadEpisode> episodes;

    // "Publish". Does nothing while a session runs.
    void publish();
    // Stops the running session: the current transfer is abandoned and the connection dropped.
    void cancel();
    bool running() const { return m_step != Step::Idle; }

    // The files "Publish" would send now, in order: ticked episodes, the image, the feed.
    QList<PublishFile> plannedFiles() const;
    // After a publish: whether it connected and tried every file, and the remote names of the
    // chosen files that are not on the server as sent (failed, held back or never tried).
    bool lastPublishReachedEnd() const { return m_reachedEnd; }
    const QStringList& notArrived() const { return m_missing; }

    QString status() const { return m_status; }
    int progress() const { return m_progress; }
    const QString& log() const { return m_log; }
    // The client of the last publish (FTP until one over another protocol).
    FileTransferClient& client() { return *m_client; }

    // The server field without a leading "FTP:" (any letter case) and the slashes after it.
    static QString serverAddress(const QString& field);
    // The name a feed or image is sent under before it is renamed into place.
    static QString temporaryName(const QString& remoteFile);
    // The part of a local path after its last "\" or "/".
    static QString fileNamePart(const QString& path);
    // "Cannot upload file." and what went wrong: the server's answer when it refused.
    static QString uploadFailureText(const QString& serverResponse);

    // The session's work files in the home folder.
    QString channelWorkFile() const;
    QString imageWorkFile() const;
    // The log file: the feed path with ".log" appended.
    QString logFilePath() const;

signals:
    void statusChanged(const QString& text);
    void progressChanged(int percent);
    void logChanged(const QString& log);
    void logAppended(const QString& text);
    // A file starts on its way: its final remote name and its size.
    void fileStarted(const QString& remoteFile, qint64 bytes);
    void runningChanged(bool running);

private:
    enum class Step { Idle, Connecting, Uploading, Quitting };
    struct Job {
        QString localFile;
        QString remoteFile;
        bool workFile = false; // deleted after its upload
        // Where the file goes once whole: it is sent as remoteFile and renamed over this one, so
        // the server holds either the old file or the new one, never a part.
        QString finalFile;
        bool afterAllMedia = false; // the feed: not sent when an episode's file did not arrive
    };

    void makeClient(int protocol);
    void dropClient();
    void setStatus(const QString& text);
    void setProgress(int percent);
    void appendLog(const QString& text);
    void setStep(Step step);

    void onConnect(int result);
    void onUploadFile(int result);
    void onRenameFile(int result);
    bool askToTrust();
    void jobFailed(const QString& text);
    void onQuitSession(int result);
    void onStateChange(int state);
    void onProgress(qint64 bytes);

    void prepareJobs();
    void prepareCoverJob();
    void startNextJob();
    void finishJob();
    void quit();
    void endLog(const QString& heading);
    void connectionLost(const QString& reason);
    QString clientFailure() const;
    void markCurrentMissing();

    Session& m_session;
    std::unique_ptr<FileTransferClient> m_client;
    Step m_step = Step::Idle;
    bool m_cancelling = false;
    bool m_connectCalled = false;
    QList<Job> m_jobs;
    Job m_current;
    QStringList m_missing; // remote names of the files that did not arrive
    bool m_reachedEnd = false;
    qint64 m_fileLength = 0;
    QString m_status;
    int m_progress = 0;
    QString m_log;
};

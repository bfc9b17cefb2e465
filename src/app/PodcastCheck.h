#pragma once

#include "check/FeedChecker.h"

#include <QObject>
#include <QString>

#include <memory>

class HttpClient;
class OnlineChecker;
class Session;

// Where a finding takes the user in the main window: the episode's row (1-based, 0 for none)
// and the channel field named by its element ("title", "link" ...; empty for none).
struct CheckJump {
    int episodeRow = 0;
    QString channelField;
};

// "Check feed..." and "Check the published feed", below the windows. The first checks the open
// podcast as it would be saved now; the second downloads the feed from the podcast's feed URL
// and asks the server about every file it links to.
class PodcastCheck : public QObject {
    Q_OBJECT
public:
    explicit PodcastCheck(Session& session, QObject* parent = nullptr);
    ~PodcastCheck() override;

    // The window's fields are taken into the document first; nothing is written.
    CheckResult checkOpenPodcast();

    // Starts the check of the published feed and returns at once; finished() follows. Returns
    // false, with the reason, when the podcast has no feed URL.
    bool checkPublished(QString* whyNot);
    void cancel();
    bool isRunning() const { return m_running; }
    const QString& publishedUrl() const { return m_url; }

    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

    static CheckJump jumpFor(const Finding& finding);

signals:
    void progress(const QString& text, int done, int total);
    // error is empty when the feed was downloaded and checked.
    void finished(const Findings& findings, const QString& error);

private:
    void onDownloaded(bool ok);
    void finish(const Findings& findings, const QString& error);

    Session& m_session;
    std::unique_ptr<HttpClient> m_client;
    std::unique_ptr<OnlineChecker> m_online;
    Findings m_offline;
    QString m_url;
    int m_timeoutMs = 30000;
    bool m_running = false;
};

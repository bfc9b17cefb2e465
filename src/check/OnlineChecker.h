#pragma once

#include "check/FeedChecker.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class HttpClient;

// The online part of the feed check: asks the server for every file a feed links to, a few at
// a time, and turns what it answers into findings. Enclosures and the channel image get a
// one-byte range request; covers are downloaded, so that their pixels can be checked too.
class OnlineChecker : public QObject {
    Q_OBJECT
public:
    static constexpr int kConcurrency = 4;
    static constexpr qint64 kMaxCoverBytes = 16 * 1024 * 1024;

    explicit OnlineChecker(QObject* parent = nullptr);
    ~OnlineChecker() override;

    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    // Starts the requests and returns at once; finished() follows, also for an empty list.
    void start(const QList<CheckLink>& links);
    // Runs events until every request has ended; the findings.
    Findings run(const QList<CheckLink>& links);
    // Ends the running requests; links not asked for yet get no finding.
    void cancel();
    bool isRunning() const { return m_running; }
    const Findings& findings() const { return m_findings; }

signals:
    void progress(int done, int total);
    void finished();

private:
    struct Job;
    void startNext();
    void onJobFinished(Job* job);
    void judge(const Job& job);
    void add(const char* rule, const CheckLink& at, const QString& message);

    std::vector<std::unique_ptr<Job>> m_jobs;
    qsizetype m_next = 0;
    int m_done = 0;
    int m_active = 0;
    int m_timeoutMs = 30000;
    quint64 m_generation = 0;
    bool m_running = false;
    Findings m_findings;
};

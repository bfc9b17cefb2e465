#include "check/OnlineChecker.h"

#include "check/CheckContext.h"
#include "common/Prompts.h"
#include "http/HttpClient.h"
#include "http/HttpResponse.h"

#include <QEventLoop>
#include <QSet>
#include <QTimer>

namespace {

// The checker shows no status texts and runs its own event loop.
class SilentPrompts : public UnattendedPrompts {
public:
    void setStatusText(const QString&) override {}
    void processEvents() override {}
};

// "bytes 0-0/12345" → 12345; -1 when the total is not given.
qint64 rangeTotal(const QByteArray& contentRange)
{
    const qsizetype slash = contentRange.lastIndexOf('/');
    bool ok = false;
    const qint64 total = slash < 0 ? -1 : contentRange.mid(slash + 1).trimmed().toLongLong(&ok);
    return ok ? total : -1;
}

QString mediaType(const QByteArray& contentType)
{
    const qsizetype semicolon = contentType.indexOf(';');
    return QString::fromLatin1(semicolon < 0 ? contentType : contentType.left(semicolon)).trimmed().toLower();
}

} // namespace

struct OnlineChecker::Job {
    CheckLink link;
    SilentPrompts prompts;
    std::unique_ptr<HttpClient> client;
};

OnlineChecker::OnlineChecker(QObject* parent) : QObject(parent) {}

OnlineChecker::~OnlineChecker()
{
    cancel();
}

void OnlineChecker::start(const QList<CheckLink>& links)
{
    cancel();
    m_jobs.clear();
    m_findings.clear();
    m_next = 0;
    m_done = 0;
    m_active = 0;
    // A cover named by every item is asked for once.
    QSet<QString> seen;
    for (const CheckLink& link : links) {
        const QString key = QString::number(link.kind) + QLatin1Char(' ') + link.length + QLatin1Char(' ')
                            + link.type + QLatin1Char(' ') + link.url;
        if (seen.contains(key))
            continue;
        seen.insert(key);
        auto job = std::make_unique<Job>();
        job->link = link;
        m_jobs.push_back(std::move(job));
    }
    m_running = true;
    emit progress(0, static_cast<int>(m_jobs.size()));
    if (m_jobs.empty()) {
        m_running = false;
        QTimer::singleShot(0, this, &OnlineChecker::finished);
        return;
    }
    while (m_active < kConcurrency && m_next < static_cast<qsizetype>(m_jobs.size()))
        startNext();
}

void OnlineChecker::startNext()
{
    Job* job = m_jobs[static_cast<size_t>(m_next++)].get();
    ++m_active;
    job->client = std::make_unique<HttpClient>(job->prompts);
    job->client->setTimeout(m_timeoutMs);
    // Queued, so that a request that fails at once does not start the next one inside this one.
    const quint64 generation = m_generation;
    connect(job->client.get(), &HttpClient::finished, this, [this, job, generation] {
        if (generation == m_generation)
            onJobFinished(job);
    }, Qt::QueuedConnection);
    if (job->link.kind == CheckLink::CoverImage) {
        job->client->setMaxBodySize(kMaxCoverBytes);
        job->client->downloadFile(job->link.url);
    } else {
        job->client->probeFile(job->link.url);
    }
}

void OnlineChecker::onJobFinished(Job* job)
{
    if (!job->client)
        return;
    judge(*job);
    job->client.release()->deleteLater();
    --m_active;
    ++m_done;
    emit progress(m_done, static_cast<int>(m_jobs.size()));
    if (m_next < static_cast<qsizetype>(m_jobs.size())) {
        startNext();
        return;
    }
    if (m_active == 0) {
        m_running = false;
        FeedChecker::sortFindings(m_findings);
        emit finished();
    }
}

void OnlineChecker::judge(const Job& job)
{
    const HttpClient& c = *job.client;
    const CheckLink& link = job.link;
    if (!c.succeeded()) {
        add("online-status", link,
            c.status() >= 400 ? QStringLiteral("%1 answers %2").arg(link.url).arg(c.status())
                              : QStringLiteral("%1 cannot be fetched: %2").arg(link.url, c.errorText()));
        return;
    }
    if (c.currentUrl() != link.url)
        add("online-redirect", link, QStringLiteral("%1 redirects to %2").arg(link.url, c.currentUrl()));
    if (link.kind == CheckLink::CoverImage) {
        if (const QString problems = checkrules::coverPictureProblems(c.result()); !problems.isEmpty())
            add("apple-image-picture", link, QStringLiteral("the cover at %1: %2").arg(c.currentUrl(), problems));
        return;
    }
    if (link.kind != CheckLink::Enclosure)
        return;
    const QByteArray& header = c.responseHeader();
    qint64 size = -1;
    if (c.status() == 206) {
        size = rangeTotal(http::headerValue(header, "Content-Range"));
    } else {
        add("online-range", link,
            QStringLiteral("%1 does not honour byte ranges (it answered %2 to a request for one byte)")
                .arg(c.currentUrl()).arg(c.status()));
        bool ok = false;
        size = http::headerValue(header, "Content-Length").trimmed().toLongLong(&ok);
        if (!ok)
            size = -1;
    }
    bool lengthOk = false;
    const qint64 length = link.length.toLongLong(&lengthOk);
    if (size >= 0 && lengthOk && size != length)
        add("online-length", link,
            QStringLiteral("the server's file has %1 bytes; the enclosure's length says %2").arg(size).arg(length));
    const QString type = mediaType(http::headerValue(header, "Content-Type"));
    if (!type.isEmpty() && !link.type.isEmpty() && type != link.type.toLower())
        add("online-type", link,
            QStringLiteral("the server sends the file as \"%1\"; the enclosure's type says \"%2\"").arg(type, link.type));
}

void OnlineChecker::add(const char* rule, const CheckLink& at, const QString& message)
{
    const checkrules::Rule* r = checkrules::find(QLatin1String(rule));
    m_findings.append({QLatin1String(rule), r ? r->severity : Severity::Error, message, at.line, at.column,
                       at.item, at.element});
}

Findings OnlineChecker::run(const QList<CheckLink>& links)
{
    QEventLoop loop;
    const auto connection = connect(this, &OnlineChecker::finished, &loop, &QEventLoop::quit);
    start(links);
    if (m_running || !m_jobs.empty())
        loop.exec();
    disconnect(connection);
    return m_findings;
}

void OnlineChecker::cancel()
{
    if (!m_running)
        return;
    m_running = false;
    ++m_generation; // answers still queued belong to jobs that are gone
    for (auto& job : m_jobs)
        if (job->client)
            job->client->abort();
    m_jobs.clear();
}

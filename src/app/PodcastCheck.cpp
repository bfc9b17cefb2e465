#include "app/PodcastCheck.h"

#include "app/Session.h"
#include "check/OnlineChecker.h"
#include "feed/FeedWriter.h"
#include "http/HttpClient.h"
#include "store/ProjectList.h"

#include <QFileInfo>

namespace {

// The channel fields the main window has a field for, by element name.
const char* const kWindowFields[] = {"title", "link", "description", "copyright", "managingEditor",
                                     "webMaster", "pubDate", "language"};

} // namespace

PodcastCheck::PodcastCheck(Session& session, QObject* parent) : QObject(parent), m_session(session) {}

PodcastCheck::~PodcastCheck()
{
    cancel();
}

CheckResult PodcastCheck::checkOpenPodcast()
{
    m_session.storeWindowFields();
    const ProjectEntry* entry = m_session.currentEntry();
    const int encoding = entry ? entry->encodingIndex : ProjectList::kDefaultEncodingIndex;
    CheckOptions options;
    if (entry && !entry->path.isEmpty())
        options.baseFolder = QFileInfo(entry->path).absolutePath();
    return FeedChecker::check(buildFeedBytes(m_session.document(), encoding), options);
}

bool PodcastCheck::checkPublished(QString* whyNot)
{
    cancel();
    m_url = m_session.document().channel.atomSelfLink.trimmed();
    if (m_url.isEmpty()) {
        if (whyNot)
            *whyNot = QStringLiteral("The podcast has no feed URL. Enter the address the feed is published at "
                                     "(Directories tab, \"Feed URL\") to check the published feed.");
        return false;
    }
    m_running = true;
    m_offline.clear();
    m_client = std::make_unique<HttpClient>(m_session.prompts());
    m_client->setTimeout(m_timeoutMs);
    connect(m_client.get(), &HttpClient::finished, this, &PodcastCheck::onDownloaded, Qt::QueuedConnection);
    emit progress(QStringLiteral("Downloading %1...").arg(m_url), 0, 0);
    m_client->downloadFile(m_url);
    return true;
}

void PodcastCheck::onDownloaded(bool ok)
{
    if (!m_running || !m_client)
        return;
    if (!ok) {
        finish({}, QStringLiteral("Cannot download %1: %2").arg(m_url, m_client->errorText()));
        return;
    }
    CheckOptions options;
    options.groups = checkrules::kAllGroups;
    const CheckResult result = FeedChecker::check(m_client->result(), options);
    m_offline = result.findings;
    m_online = std::make_unique<OnlineChecker>();
    m_online->setTimeout(m_timeoutMs);
    connect(m_online.get(), &OnlineChecker::progress, this, [this](int done, int total) {
        emit progress(QStringLiteral("Checking the linked files: %1 of %2").arg(done).arg(total), done, total);
    });
    connect(m_online.get(), &OnlineChecker::finished, this, [this] {
        Findings all = m_offline + m_online->findings();
        FeedChecker::sortFindings(all);
        finish(all, QString());
    });
    m_online->start(result.links);
}

void PodcastCheck::finish(const Findings& findings, const QString& error)
{
    m_running = false;
    emit finished(findings, error);
}

void PodcastCheck::cancel()
{
    if (!m_running)
        return;
    m_running = false;
    if (m_online)
        m_online->cancel();
    if (m_client)
        m_client->abort();
}

CheckJump PodcastCheck::jumpFor(const Finding& finding)
{
    CheckJump jump;
    if (finding.item > 0) {
        jump.episodeRow = finding.item;
        return jump;
    }
    for (const char* name : kWindowFields)
        if (finding.element == QLatin1String(name))
            jump.channelField = finding.element;
    return jump;
}

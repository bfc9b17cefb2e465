#include "app/FeedDownload.h"

#include "app/Session.h"
#include "common/Prompts.h"
#include "http/HttpClient.h"
#include "store/ProjectList.h"

namespace {

const QString kDownloading = QStringLiteral("Downloading podcast feed...");
const QString kError = QStringLiteral("Error.");
const QString kDone = QStringLiteral("Done.");

// Keeps the session busy for as long as it lives.
class BusyScope {
public:
    explicit BusyScope(Session& session) : m_session(session) { m_session.setBusy(true); }
    ~BusyScope() { m_session.setBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    Session& m_session;
};

} // namespace

FeedDownload::FeedDownload(Session& session)
    : m_session(session), m_client(std::make_unique<HttpClient>(session.prompts()))
{
}

FeedDownload::~FeedDownload() = default;

bool FeedDownload::isAcceptable(const QString& fieldText)
{
    return !fieldText.trimmed().isEmpty();
}

bool FeedDownload::accept(const QString& fieldText)
{
    if (!isAcceptable(fieldText) || m_session.busy())
        return false;
    if (!m_session.startUntitledPodcast())
        return false;
    const bool imported = downloadFeed(fieldText);
    m_session.refreshCommandState();
    m_client->clearResult();
    return imported;
}

bool FeedDownload::downloadFeed(const QString& url)
{
    Prompts& prompts = m_session.prompts();
    ProjectEntry* entry = m_session.currentEntry();
    if (!entry)
        return false;
    BusyScope busy(m_session);
    m_client->clearResult();
    prompts.setStatusText(kDownloading);
    m_client->downloadFile(url);
    const bool downloaded = m_client->waitForFinished();
    prompts.processEvents();
    if (!downloaded) {
        if (!m_client->authenticationMessage().isEmpty())
            prompts.message(m_client->authenticationMessage().trimmed(), MessageIcon::Exclamation);
        prompts.setStatusText(m_client->failureStatusText());
        return false;
    }

    const DownloadedFeed feed = importDownloadedFeed(m_client->result(), m_session.document(), &prompts);
    switch (feed.outcome) {
    case DownloadedFeed::Outcome::Imported:
        break;
    case DownloadedFeed::Outcome::NoMarkup:
        return fail();
    case DownloadedFeed::Outcome::Undecodable:
    case DownloadedFeed::Outcome::NotAFeed:
        reportUnreadableFeed(url, prompts);
        return fail();
    }

    // The entry may have moved while events ran; the current one is the podcast being filled.
    m_session.showImportedPodcast(feed.encodingIndex);
    prompts.setStatusText(kDone);
    return true;
}

bool FeedDownload::fail()
{
    m_client->clearResult();
    m_session.prompts().setStatusText(kError);
    return false;
}

#pragma once

#include "app/DownloadedFeed.h"

#include <QByteArray>
#include <QString>

#include <memory>

class HttpClient;
class Prompts;
class Session;

// The feed download of the main window: a new untitled podcast filled from a published feed.
class FeedDownload {
public:
    explicit FeedDownload(Session& session);
    ~FeedDownload();

    // The address field's text is worth a download: not blanks alone.
    static bool isAcceptable(const QString& fieldText);

    // The dialog's accept, once the dialog is hidden: the open podcast is saved quietly, a new
    // untitled podcast becomes current and the feed is downloaded into it. Blanks alone do
    // nothing; a failed save stops before anything changes. True when the feed was imported.
    bool accept(const QString& fieldText);

    // Downloads `url` (as typed) into the open podcast and shows it. The session is busy
    // meanwhile; events keep running. True when the feed was imported ("Done.").
    bool downloadFeed(const QString& url);

    HttpClient& client() { return *m_client; }

private:
    bool fail();

    Session& m_session;
    std::unique_ptr<HttpClient> m_client;
};

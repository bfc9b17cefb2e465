#pragma once

#include "feed/CharsetTable.h"
#include "feed/FeedDocument.h"
#include "feed/FeedReader.h"

#include <QByteArray>
#include <QString>

#include <memory>

class HttpClient;
class Prompts;
class Session;

// What a downloaded body turned out to be.
struct DownloadedFeed {
    enum class Outcome {
        Imported,    // the document holds the feed
        NoMarkup,    // nothing between a "<" and a ">" (or only a document type)
        Undecodable, // the declared charset has no converter
        NotAFeed,    // not well-formed XML, or XML of another kind
    };
    Outcome outcome = Outcome::NoMarkup;
    FeedType type = FeedType::NotXml;
    int encodingIndex = charsets::kDefaultIndex; // the charset table index the feed declares
};

// Turns the bytes of a downloaded feed into the document, as the download does: decoded once by
// the declared encoding, cut to its markup, the document type removed, then RSS read and Atom
// or RDF imported. The document changes only when the outcome is Imported; the channel fields
// the feed lacks keep what the document held.
DownloadedFeed importDownloadedFeed(const QByteArray& body, FeedDocument& document,
                                    Prompts* events = nullptr);

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

#include "app/DownloadedFeed.h"

#include "feed/FeedEncoding.h"
#include "feed/FeedImport.h"

// Apart from FeedDownload, so that velmora-cli's download links no session (and no Qt Gui).
DownloadedFeed importDownloadedFeed(const QByteArray& body, FeedDocument& document, Prompts* events)
{
    DownloadedFeed result;
    // The bytes are decoded once, by the charset they declare; the markup is cut from the text.
    const FeedFileText file = feedTextFromBytes(body);
    if (file.status != FeedFileText::Status::Ok)
        return result;
    if (file.text.isEmpty()) {
        result.outcome = DownloadedFeed::Outcome::Undecodable;
        return result;
    }
    const QString text = stripDocumentType(file.text).trimmed();
    if (text.isEmpty())
        return result;
    // Read into a copy: text that turns out not to be a feed leaves the document as it was.
    FeedDocument imported = document;
    result.type = importFeed(text, imported, events);
    if (result.type == FeedType::NotXml) {
        result.outcome = DownloadedFeed::Outcome::NotAFeed;
        return result;
    }
    document = std::move(imported);
    result.encodingIndex = detectDeclaredEncoding(text);
    result.outcome = DownloadedFeed::Outcome::Imported;
    return result;
}

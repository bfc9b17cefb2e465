#pragma once

#include "feed/FeedDocument.h"
#include "feed/FeedReader.h"

#include <QString>

class Prompts;

// Reads RSS, Atom (1.0 and 0.3) and RSS 1.0 (RDF) text into the document. RSS goes through
// readFeed; an Atom feed's title, alternate link, subtitle, updated date and xml:lang become
// the channel's, each entry an episode (title, alternate link, summary or else content, id as
// guid, published or else updated as pubDate in GMT, the enclosure link; itunes: and podcast:
// elements of the feed and its entries fill the directory fields); an RDF file keeps
// the channel fields readFeed finds (with dc:language and dc:date) and gains its items as
// episodes. XHTML text keeps its markup. Returns the type found
// (NotXml for text that is not well-formed or not a feed; document.loadFailed tells which).
FeedType importFeed(const QString& text, FeedDocument& document, Prompts* events = nullptr);
// The same for the text in UTF-8 (FeedFileUtf8).
FeedType importFeedUtf8(QByteArray text, FeedDocument& document, Prompts* events = nullptr);

// An ISO 8601 date-time ("2026-12-01T10:00:00+01:00") as RFC 822 text in GMT; empty when the
// text is not such a date.
QString isoDateToFeedDate(const QString& iso);

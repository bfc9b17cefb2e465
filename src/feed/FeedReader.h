#pragma once

#include "feed/FeedDocument.h"

#include <QString>

class FeedXml;
class Prompts;

// What Detect feed type finds.
enum class FeedType { NotXml = 0, Rss = 1, Atom = 2, Rdf = 3 };

// Reads feed text into the document without clearing it first (callers clear it). Channel
// fields found replace the document's; each item of the first channel is appended as an
// episode. Returns false, with document.loadFailed set, when the text is not well-formed XML.
// `events`, when given, lets pending events run now and then between channel children; `type`,
// when given, receives what detectFeedType would say, from the same parse. No entity is
// expanded beyond XML's own and character references; undeclared HTML named references
// (&nbsp; ...) become their characters.
bool readFeed(const QString& text, FeedDocument& document, Prompts* events = nullptr,
              FeedType* type = nullptr);
// The same for the text in UTF-8 (FeedFileUtf8), without a detour through UTF-16.
bool readFeedUtf8(QByteArray text, FeedDocument& document, Prompts* events = nullptr,
                  FeedType* type = nullptr);
// The same, leaving the parsed text in `xml` for a second look (the feed layer's importers).
bool readFeedXml(FeedXml& xml, QByteArray text, FeedDocument& document, Prompts* events,
                 FeedType* type);

// 0 not XML, 1 RSS (root rss), 2 Atom 1.0 or 0.3 (root feed in the Atom namespace), 3 RDF.
FeedType detectFeedType(const QString& text);

// The text without its document type declaration (with an internal subset when "[<" follows).
QString stripDocumentType(const QString& text);

// Asks whether to validate a feed that cannot be loaded; on Yes opens the validator's page
// for the address.
void reportUnreadableFeed(const QString& address, Prompts& prompts);

// The channel title of an RSS feed file, for the project list; empty when the file is
// missing, not well-formed, not RSS or has no title.
QString feedTitleOfFile(const QString& path);

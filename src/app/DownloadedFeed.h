#pragma once

#include "feed/CharsetTable.h"
#include "feed/FeedDocument.h"
#include "feed/FeedReader.h"

#include <QByteArray>

class Prompts;

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

#pragma once

#include "feed/FeedDocument.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

class Prompts;

// The channel image's pixel size for the feed's image block. The caller passes the picture it
// has loaded (the save writes the feed before the picture); without one the size is read from
// the header of `imageFile`. When neither is known, width and height are left out.
using ImageSizeHint = std::optional<QSize>;

// The document as RSS 2.0 text in the program's own layout, declaring the charset of the
// CharsetTable entry. The text ends with the CR LF after the rss end tag; encoding drops it.
QString buildFeedText(const FeedDocument& document, int encodingIndex,
                      ImageSizeHint imageSize = std::nullopt);

// buildFeedText in UTF-8, which is how the writer builds it.
QByteArray buildFeedUtf8(const FeedDocument& document, int encodingIndex,
                         ImageSizeHint imageSize = std::nullopt);

// buildFeedText encoded for a file or an upload; empty when the encoding has no converter.
QByteArray buildFeedBytes(const FeedDocument& document, int encodingIndex,
                          ImageSizeHint imageSize = std::nullopt);

struct FeedWriteResult {
    bool ok = false;
    bool encodingFailed = false; // the user has been told through Prompts
    QString error;               // why the file could not be written
};

// Writes the feed file atomically: an old file stays untouched unless the new one is complete.
// When the encoding yields nothing, the "XML Error" message is shown and nothing is written.
FeedWriteResult writeFeedFile(const QString& path, const FeedDocument& document,
                              int encodingIndex, Prompts& prompts,
                              ImageSizeHint imageSize = std::nullopt);

// The file-writing half of writeFeedFile, for bytes encoded elsewhere: empty bytes (a failed
// encoding) show the "XML Error" message and leave the file untouched.
FeedWriteResult writeEncodedFeed(const QString& path, const QByteArray& bytes, Prompts& prompts);

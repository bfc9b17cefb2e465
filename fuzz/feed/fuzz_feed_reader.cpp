// Feed files as opening a podcast and the download read them: decoding, document type
// stripping, kind detection, reading and the Atom/RDF import must survive any bytes, and
// whatever was read must write a feed that reads back.
#include "feed/CharsetTable.h"
#include "feed/FeedEncoding.h"
#include "feed/FeedImport.h"
#include "feed/FeedReader.h"
#include "feed/FeedWriter.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const FeedFileText file = feedTextFromBytes(bytes);
    const QString text = stripDocumentType(file.text).trimmed();
    (void)detectFeedType(text);
    (void)detectDeclaredEncoding(text);
    FeedDocument document;
    importFeed(file.text, document);
    if (document.loadFailed)
        return 0;
    const int encoding = size > 0 ? data[0] % charsets::kCount : 49;
    const QByteArray written = buildFeedBytes(document, encoding);
    FeedDocument back;
    if (written.isEmpty() || !readFeed(feedTextFromBytes(written).text, back))
        std::abort();
    if (back.episodes.size() != document.episodes.size())
        std::abort();
    return 0;
}

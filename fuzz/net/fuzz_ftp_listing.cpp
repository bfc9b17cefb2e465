// Feeds arbitrary text to the directory listing parser.
#include "net/FtpListingParser.h"
#include "net/FtpReplyParser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    static const QDateTime now(QDate(2026, 12, 6), QTime(7, 30));
    const auto result = FtpListingParser::parse(FtpReplyParser::decode(bytes), now);
    if (!result)
        return 0;
    if (result->files.Count() != result->readLines)
        std::abort();
    for (const CFtpFile& file : result->files) {
        if (file.FileName.isEmpty() || file.FileSize < 0 || !file.LastWriteTime.isValid())
            std::abort();
    }
    return 0;
}

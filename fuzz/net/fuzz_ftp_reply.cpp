// Feeds arbitrary bytes to the FTP reply parser, in reads of varying size, as the control
// connection would.
#include "net/FtpReplyParser.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte decides how the rest is cut into reads.
    const size_t step = 1 + data[0] % 64;
    QByteArray buffer;
    for (size_t pos = 1; pos < size; pos += step) {
        const size_t n = std::min(step, size - pos);
        buffer.append(reinterpret_cast<const char*>(data + pos), static_cast<qsizetype>(n));
        for (;;) {
            const QByteArray before = buffer;
            const FtpReply reply = FtpReplyParser::take(buffer);
            if (reply.code == 0) {
                if (buffer != before)
                    std::abort(); // an incomplete reply must stay untouched
                break;
            }
            if (reply.code < 100 || reply.code > 599 || !before.startsWith(reply.block)
                || before.size() != reply.block.size() + buffer.size())
                std::abort();
        }
    }
    FtpReplyParser::decode(buffer);
    return 0;
}

// Feeds arbitrary bytes through the response handling: header split, header values, status
// code, authentication scheme and chunked decoding.
#include "http/HttpResponse.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray buffer(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const http::SplitResponse response = http::splitResponse(buffer);
    (void)http::statusCode(response.header);
    (void)http::headerValue(response.header, "Location");
    (void)http::authenticationScheme(response.header, "WWW-Authenticate");
    const http::ChunkedResult chunked = http::decodeChunked(response.body);
    if (chunked.body.size() > response.body.size())
        __builtin_trap(); // decoding can only shrink the body
    return 0;
}

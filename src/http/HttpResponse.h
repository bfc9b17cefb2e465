#pragma once

#include <QByteArray>

// The pure parts of reading an HTTP/1.1 response held in one buffer: splitting the header block
// from the body, header values, the status code and the chunked transfer coding.
namespace http {

struct SplitResponse {
    bool complete = false; // the buffer held the blank line that ends the header block
    QByteArray header;     // up to and including the CR LF of the last header line
    QByteArray body;       // everything after the blank line
};

// Splits at the first CR LF CR LF. Without one, `complete` is false and everything is header.
SplitResponse splitResponse(const QByteArray& buffer);

// The value of the first header line named `name` (letter case ignored), without the blanks
// around it; empty when the header is missing. The status line is never taken for a header.
QByteArray headerValue(const QByteArray& header, const QByteArray& name);

// The three characters after the first blank of the status line as a number, else 0.
int statusCode(const QByteArray& header);

// The authentication scheme of a challenge header: its value up to the first blank.
QByteArray authenticationScheme(const QByteArray& header, const QByteArray& headerName);

struct ChunkedResult {
    QByteArray body;
    bool complete = false; // the terminating zero-size chunk was found
};

// Decodes the chunked transfer coding (chunk extensions ignored, no trailers). A chunk that runs
// past the data or a missing final chunk ends the decoding with what was there.
ChunkedResult decodeChunked(const QByteArray& body);

} // namespace http

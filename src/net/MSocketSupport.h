#pragma once

#include <QAbstractSocket>
#include <QString>

// Process-wide socket helpers: the Windows Sockets error numbers the program reports (kept so that
// logs and messages read the same on every platform), the mapping of Qt's socket errors onto
// them, and the calling thread's last error for failures that raise no event.
namespace MSocketSupport {

inline constexpr int kInterrupted = 10004;
inline constexpr int kAccessDenied = 10013;
inline constexpr int kInvalidArgument = 10022;
inline constexpr int kTooManyFiles = 10024;
inline constexpr int kWouldBlock = 10035;
inline constexpr int kMessageTooLong = 10040;
inline constexpr int kNotSupported = 10045;
inline constexpr int kAddressInUse = 10048;
inline constexpr int kAddressNotAvailable = 10049;
inline constexpr int kNetworkDown = 10050;
inline constexpr int kNetworkUnreachable = 10051;
inline constexpr int kConnectionAborted = 10053;
inline constexpr int kConnectionReset = 10054;
inline constexpr int kNoBufferSpace = 10055;
inline constexpr int kNotConnected = 10057;
inline constexpr int kTimedOut = 10060;
inline constexpr int kConnectionRefused = 10061;
inline constexpr int kHostUnreachable = 10065;
inline constexpr int kSystemCallFailure = 10107;
inline constexpr int kHostNotFound = 11001;
// A TLS handshake that failed or a certificate that is not trusted; the text says which.
inline constexpr int kTlsFailure = 12000;

// Largest UDP payload over IPv4.
inline constexpr int kMaxDatagramSize = 65507;

// The fixed text of an error number; "Unknown error." for numbers outside the table.
QString GetErrorDescription(int number);

// The error number that stands for a Qt socket error.
int errorNumberFor(QAbstractSocket::SocketError error);

struct LastError {
    int number = 0;
    QString description;
    QString source;
};

// Failures without an event (registration, resolution start) are recorded here.
void setLastError(int number, const QString& source);
LastError lastError();

} // namespace MSocketSupport

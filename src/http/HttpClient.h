#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class Prompts;
class QSslSocket;
class QTimer;

// A small HTTP/1.1 GET client for fetching one feed at a time. It sends a fixed request
// ("Connection: close"), reads until the server closes, undoes the chunked coding, follows
// redirects and reports its progress as status texts. The body is handed over as bytes: the
// caller decodes it once, by the encoding the feed declares.
class HttpClient : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultTimeoutMs = 30000;
    static constexpr int kWatchIntervalMs = 150;
    static constexpr int kMaxRedirects = 10;
    static constexpr qint64 kDefaultMaxBody = 64 * 1024 * 1024;
    // State number of the TCP control when its socket failed.
    static constexpr int kSocketErrorState = 9;

    explicit HttpClient(Prompts& prompts, QObject* parent = nullptr);
    ~HttpClient() override;

    // Starts a download and returns at once; a running one is closed first. "http://" and
    // "https://" are recognised in any letter case; an address without a scheme is http.
    void downloadFile(const QString& url);
    // Asks for the first byte only ("Range: bytes=0-0") and ends as soon as the header block
    // has arrived, so that a linked file can be checked without downloading it: status(),
    // responseHeader() and currentUrl() then tell what the server said. Redirects are followed;
    // an answer of 400 or more is a failure, as for downloads.
    void probeFile(const QString& url);
    // Runs events until the download has finished; true when it succeeded.
    bool waitForFinished();
    // Ends a running download as failed, without a status text.
    void abort();

    bool downloadFinished() const { return m_finished; }
    bool succeeded() const { return m_succeeded; }
    // The body of a successful download, empty otherwise.
    const QByteArray& result() const { return m_result; }
    void clearResult() { m_result.clear(); }
    // Status code of the last response (0 before any).
    int status() const { return m_status; }
    // Why the last download failed, for a status text or a message; empty after success.
    const QString& errorText() const { return m_errorText; }
    // The status text a failure shows: the certificate problem when there was one, else "Error.".
    QString failureStatusText() const;
    // For 401 and 407 answers: what the user must know (no credentials are ever sent).
    const QString& authenticationMessage() const { return m_authMessage; }
    // The header block of the last answer (status line included), empty before one.
    const QByteArray& responseHeader() const { return m_header; }
    // The exact request text sent on the last connection.
    const QByteArray& lastRequest() const { return m_request; }
    // The address of the last connection (after redirects).
    const QString& currentUrl() const { return m_url; }

    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    void setMaxBodySize(qint64 bytes) { m_maxBody = bytes; }

signals:
    void finished(bool succeeded);

private:
    void start(const QString& url);
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void handleResponse(const QByteArray& header, QByteArray body);
    void onSocketError();
    void onWatchTick();
    void onTimeout();
    void fail(const QString& why, bool showStatus = true);
    void finish(bool ok, const QString& statusText);
    void closeSocket();

    Prompts& m_prompts;
    QSslSocket* m_socket = nullptr;
    QTimer* m_watch = nullptr;   // socket watch
    QTimer* m_timeout = nullptr; // download time-out
    QString m_url;
    QByteArray m_host;  // as sent in the Host header (with an explicit port)
    QByteArray m_path;
    QByteArray m_request;
    QByteArray m_buffer;
    QByteArray m_header;
    QByteArray m_result;
    QString m_errorText;
    QString m_authMessage;
    int m_status = 0;
    int m_redirects = 0;
    int m_timeoutMs = kDefaultTimeoutMs;
    qint64 m_maxBody = kDefaultMaxBody;
    bool m_probe = false;
    bool m_finished = true;
    bool m_succeeded = false;
    bool m_socketFailed = false;
    quint64 m_generation = 0; // tells a stale socket's events from the current one's
};

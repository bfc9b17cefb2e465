#include "http/HttpClient.h"

#include "common/Prompts.h"
#include "http/HttpResponse.h"

#include <QEventLoop>
#include <QSslError>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>

namespace {

const QString kConnecting = QStringLiteral("Connecting to server...");
const QString kCompleted = QStringLiteral("Transfer completed.");
const QString kError = QStringLiteral("Error.");

struct Target {
    bool valid = false;
    bool secure = false;
    QString host;       // for the connection: no brackets, no port
    quint16 port = 80;
    QByteArray hostHeader;
    QByteArray path;
    QString error;
};

Target parseUrl(const QString& url)
{
    Target t;
    QString rest = url;
    if (rest.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)) {
        rest = rest.mid(7);
    } else if (rest.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
        rest = rest.mid(8);
        t.secure = true;
        t.port = 443;
    } else if (rest.contains(QLatin1String("://"))) {
        t.error = QStringLiteral("Only http:// and https:// addresses can be downloaded.");
        return t;
    }
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        t.error = QStringLiteral("The address has no path after the host name.");
        return t;
    }
    QString authority = rest.left(slash);
    QString path = rest.mid(slash);
    // A fragment is never sent; blanks would break the request line.
    const qsizetype hash = path.indexOf(QLatin1Char('#'));
    if (hash >= 0)
        path.truncate(hash);
    path.replace(QLatin1Char(' '), QLatin1String("%20"));
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0)
        authority = authority.mid(at + 1);

    QString host = authority;
    QString portText;
    if (authority.startsWith(QLatin1Char('['))) {
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        if (close < 0) {
            t.error = QStringLiteral("The host name is not valid.");
            return t;
        }
        host = authority.mid(1, close - 1);
        const QString after = authority.mid(close + 1);
        if (after.startsWith(QLatin1Char(':')))
            portText = after.mid(1);
        else if (!after.isEmpty()) {
            t.error = QStringLiteral("The host name is not valid.");
            return t;
        }
    } else {
        const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            host = authority.left(colon);
            portText = authority.mid(colon + 1);
        }
    }
    if (!portText.isEmpty()) {
        bool ok = false;
        const uint port = portText.toUInt(&ok);
        if (!ok || port == 0 || port > 65535) {
            t.error = QStringLiteral("The port number \"%1\" is not valid.").arg(portText);
            return t;
        }
        t.port = static_cast<quint16>(port);
    }
    if (host.isEmpty()) {
        t.error = QStringLiteral("The address has no host name.");
        return t;
    }
    t.host = host;
    t.hostHeader = authority.toUtf8();
    t.path = path.toUtf8();
    t.valid = true;
    return t;
}

QString authenticationText(int status, const QByteArray& scheme)
{
    const bool basic = scheme.compare("Basic", Qt::CaseInsensitive) == 0;
    if (status == 401) {
        return basic ? QStringLiteral("You must provide user name and password to retrieve the "
                                      "resource by that URL.")
                     : QStringLiteral("\r\nThis resource requires a Digital Authentication Scheme "
                                      "for the user authorization.");
    }
    return basic ? QStringLiteral("You must provide user name and password for the proxy "
                                  "authorization.")
                 : QStringLiteral("\r\nThe proxy server requires the user authorization using a "
                                  "Digital Authentication Scheme.");
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

HttpClient::HttpClient(Prompts& prompts, QObject* parent)
    : QObject(parent), m_prompts(prompts), m_watch(new QTimer(this)), m_timeout(new QTimer(this))
{
    m_watch->setInterval(kWatchIntervalMs);
    connect(m_watch, &QTimer::timeout, this, &HttpClient::onWatchTick);
    connect(m_timeout, &QTimer::timeout, this, &HttpClient::onTimeout);
}

HttpClient::~HttpClient()
{
    closeSocket();
}

void HttpClient::downloadFile(const QString& url)
{
    m_probe = false;
    m_redirects = 0;
    m_result.clear();
    m_authMessage.clear();
    start(url);
}

void HttpClient::probeFile(const QString& url)
{
    m_probe = true;
    m_redirects = 0;
    m_result.clear();
    m_authMessage.clear();
    start(url);
}

void HttpClient::start(const QString& url)
{
    m_watch->start();
    m_url = url;
    m_buffer.clear();
    m_header.clear();
    m_request.clear();
    m_errorText.clear();
    m_status = 0;
    m_finished = false;
    m_succeeded = false;
    m_socketFailed = false;

    const Target target = parseUrl(url);
    if (!target.valid) {
        closeSocket();
        fail(target.error);
        return;
    }
    m_host = target.hostHeader;
    m_path = target.path;

    m_prompts.setStatusText(QString());
    closeSocket();
    // Events run here; a new download or an abort started meanwhile takes over.
    const quint64 before = m_generation;
    m_prompts.processEvents();
    if (m_finished || m_generation != before)
        return;

    const quint64 generation = ++m_generation;
    m_socket = new QSslSocket(this);
    auto current = [this, generation] { return generation == m_generation; };
    connect(m_socket, &QSslSocket::connected, this, [this, current] {
        if (current())
            onConnected();
    });
    connect(m_socket, &QSslSocket::encrypted, this, [this, current] {
        if (current())
            onConnected();
    });
    connect(m_socket, &QSslSocket::readyRead, this, [this, current] {
        if (current())
            onReadyRead();
    });
    connect(m_socket, &QSslSocket::disconnected, this, [this, current] {
        if (current())
            onDisconnected();
    });
    connect(m_socket, &QSslSocket::errorOccurred, this, [this, current] {
        if (current())
            onSocketError();
    });
    connect(m_socket, &QSslSocket::sslErrors, this, [this, current](const QList<QSslError>& errors) {
        if (current() && !errors.isEmpty())
            m_errorText = QStringLiteral("Error: the server's certificate was refused (%1).")
                              .arg(errors.constFirst().errorString());
    });

    m_prompts.setStatusText(kConnecting);
    if (m_finished || generation != m_generation)
        return;
    if (target.secure)
        m_socket->connectToHostEncrypted(target.host, target.port);
    else
        m_socket->connectToHost(target.host, target.port);
    m_timeout->start(m_timeoutMs);
}

void HttpClient::onConnected()
{
    // With TLS the request goes out once the handshake is done, not at the TCP connect.
    if (m_socket->isEncrypted() != (m_socket->mode() == QSslSocket::SslClientMode))
        return;
    if (!m_request.isEmpty())
        return;
    m_request = "GET " + m_path + " HTTP/1.1\r\n"
                + "Host: " + m_host + "\r\n"
                + (m_probe ? QByteArray("Range: bytes=0-0\r\n") : QByteArray())
                + "Connection: close\r\n"
                + "Accept: */*\r\n"
                + "\r\n";
    m_socket->write(m_request);
}

void HttpClient::onReadyRead()
{
    m_buffer += m_socket->readAll();
    if (m_buffer.size() > m_maxBody) {
        m_errorText = QStringLiteral("The download is larger than %1 MB.").arg(m_maxBody >> 20);
        closeSocket();
        fail(m_errorText);
        return;
    }
    if (m_probe) {
        const http::SplitResponse response = http::splitResponse(m_buffer);
        if (response.complete) {
            // The rest of the file is not wanted: the connection ends here.
            m_buffer.clear();
            m_timeout->stop();
            closeSocket();
            handleResponse(response.header, response.body);
        }
    }
}

void HttpClient::onDisconnected()
{
    m_timeout->stop();
    if (m_finished)
        return;
    if (m_socket)
        m_buffer += m_socket->readAll();
    if (m_buffer.size() > m_maxBody) {
        fail(QStringLiteral("The download is larger than %1 MB.").arg(m_maxBody >> 20));
        return;
    }
    const http::SplitResponse response = http::splitResponse(m_buffer);
    m_buffer.clear();
    if (!response.complete) {
        fail(QStringLiteral("The server closed the connection without an answer."));
        return;
    }
    handleResponse(response.header, response.body);
}

void HttpClient::handleResponse(const QByteArray& header, QByteArray body)
{
    m_header = header;
    m_status = http::statusCode(header);

    if (isRedirect(m_status)) {
        const QByteArray location = http::headerValue(header, "Location");
        if (location.isEmpty()) {
            fail(QStringLiteral("The server redirected without an address."));
            return;
        }
        if (++m_redirects > kMaxRedirects) {
            fail(QStringLiteral("Too many redirects."));
            return;
        }
        const QUrl next = QUrl(m_url).resolved(QUrl::fromEncoded(location));
        const QString nextUrl = next.isValid() && !next.scheme().isEmpty()
                                    ? next.toString(QUrl::FullyEncoded)
                                    : QString::fromUtf8(location);
        closeSocket();
        start(nextUrl);
        return;
    }

    if (http::headerValue(header, "Transfer-Encoding").compare("chunked", Qt::CaseInsensitive) == 0)
        body = http::decodeChunked(body).body;

    if (m_status == 401 || m_status == 407) {
        m_authMessage = authenticationText(
            m_status, http::authenticationScheme(header, m_status == 401 ? "WWW-Authenticate"
                                                                         : "Proxy-Authenticate"));
    }
    if (m_status >= 400 || m_status == 0) {
        fail(m_status == 0 ? QStringLiteral("The server's answer is not HTTP.")
                           : QStringLiteral("The server answered %1.").arg(m_status));
        return;
    }
    m_result = body;
    closeSocket();
    finish(true, kCompleted);
}

void HttpClient::onSocketError()
{
    // A peer that closes is not a failure: the closed event follows and reads the answer.
    if (m_socket->error() == QAbstractSocket::RemoteHostClosedError)
        return;
    m_socketFailed = true;
    m_timeout->stop();
    if (m_finished)
        return;
    if (m_errorText.isEmpty())
        m_errorText = m_socket->errorString();
    closeSocket();
    fail(m_errorText);
}

void HttpClient::onWatchTick()
{
    if (m_socketFailed && !m_finished) {
        closeSocket();
        fail(m_errorText, false);
    }
    if (m_finished)
        m_watch->stop();
}

void HttpClient::onTimeout()
{
    if (m_finished) {
        m_timeout->stop();
        return;
    }
    closeSocket();
    fail(QStringLiteral("The server did not finish within %1 seconds.").arg(m_timeoutMs / 1000.0),
         false);
    m_prompts.processEvents();
}

void HttpClient::abort()
{
    if (m_finished)
        return;
    m_timeout->stop();
    closeSocket();
    fail(QStringLiteral("The download was cancelled."), false);
}

void HttpClient::fail(const QString& why, bool showStatus)
{
    m_result.clear();
    if (!why.isEmpty())
        m_errorText = why;
    finish(false, showStatus ? failureStatusText() : QString());
}

QString HttpClient::failureStatusText() const
{
    // A certificate problem says so in the status bar; everything else shows "Error.".
    return m_errorText.startsWith(QLatin1String("Error: ")) ? m_errorText : kError;
}

void HttpClient::finish(bool ok, const QString& statusText)
{
    m_finished = true;
    m_succeeded = ok;
    m_timeout->stop();
    m_watch->stop();
    if (ok)
        m_errorText.clear();
    emit finished(ok);
    if (!statusText.isEmpty())
        m_prompts.setStatusText(statusText);
}

void HttpClient::closeSocket()
{
    if (!m_socket)
        return;
    ++m_generation; // events still queued for this socket are ignored
    QSslSocket* socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

bool HttpClient::waitForFinished()
{
    if (!m_finished) {
        QEventLoop loop;
        const auto connection = connect(this, &HttpClient::finished, &loop, &QEventLoop::quit);
        if (!m_finished)
            loop.exec();
        disconnect(connection);
    }
    return m_succeeded;
}

#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

class QWebEngineUrlRequestJob;

// Serves the rendered preview page to the web view under its own URL scheme. Loaded through a
// file URL the page would be shown as source text (its name does not end in .html); served
// here it is HTML, and as a local page it may still load the theme's files by file URL.
class PreviewSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    static const char* schemeName() { return "velmora-preview"; }
    // Makes the scheme known to the web engine; must run before the application object exists.
    static void registerScheme();
    // The address of the page.
    static QUrl pageUrl();

    struct Reply {
        bool found = false;
        QByteArray contentType;
        QByteArray body;
    };

    // pagePath: the page file written by the theme renderer; read again on every request, so a
    // new rendering shows on the next load.
    explicit PreviewSchemeHandler(QString pagePath, QObject* parent = nullptr);

    // What a request for `url` gets: the page for its address, nothing for any other.
    Reply replyFor(const QUrl& url, const QByteArray& method) const;

    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    QString m_pagePath;
};

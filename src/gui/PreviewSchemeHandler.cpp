#include "gui/PreviewSchemeHandler.h"

#include <QBuffer>
#include <QFile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

#include <utility>

namespace {

const char* const kPageName = "pr-feed-01";

} // namespace

void PreviewSchemeHandler::registerScheme()
{
    if (QWebEngineUrlScheme::schemeByName(schemeName()).name() == schemeName())
        return;
    QWebEngineUrlScheme scheme(schemeName());
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // Local, so that the page may load the theme's style sheets and pictures by file URL.
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QUrl PreviewSchemeHandler::pageUrl()
{
    QUrl url;
    url.setScheme(QString::fromLatin1(schemeName()));
    url.setPath(QString::fromLatin1(kPageName));
    return url;
}

PreviewSchemeHandler::PreviewSchemeHandler(QString pagePath, QObject* parent)
    : QWebEngineUrlSchemeHandler(parent), m_pagePath(std::move(pagePath))
{
}

PreviewSchemeHandler::Reply PreviewSchemeHandler::replyFor(const QUrl& url,
                                                           const QByteArray& method) const
{
    Reply reply;
    if (method != "GET" || url.scheme() != QLatin1String(schemeName())
        || url.path() != QLatin1String(kPageName))
        return reply;
    QFile file(m_pagePath);
    if (!file.open(QIODevice::ReadOnly))
        return reply;
    reply.found = true;
    // The renderer writes UTF-8 whatever the template declares.
    reply.contentType = QByteArrayLiteral("text/html;charset=utf-8");
    reply.body = file.readAll();
    return reply;
}

void PreviewSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    const Reply reply = replyFor(job->requestUrl(), job->requestMethod());
    if (!reply.found) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The job owns the buffer and closes it when the reply has been read.
    auto* buffer = new QBuffer(job);
    buffer->setData(reply.body);
    buffer->open(QIODevice::ReadOnly);
    job->reply(reply.contentType, buffer);
}

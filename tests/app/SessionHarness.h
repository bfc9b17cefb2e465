#pragma once

#include "FakeMainView.h"
#include "app/AppShell.h"
#include "app/ChannelImageSeam.h"
#include "app/Session.h"
#include "support/FakePrompts.h"
#include "support/TestUtil.h"

#include <QTemporaryDir>

#include <memory>

// A session on a temporary home folder, with a fake window and scripted prompts.
struct SessionHarness {
    QTemporaryDir dir;
    FakePrompts prompts;
    std::unique_ptr<AppShell> shell;
    ReadOnlyChannelImage image;
    std::unique_ptr<Session> session;
    FakeMainView view;

    QString path(const QString& name) const { return dir.filePath(name); }

    // Starts as the program does: settings, project list, then the last podcast.
    void start()
    {
        shell = std::make_unique<AppShell>(HomeFolder(dir.path()), prompts);
        shell->installResources();
        shell->loadSettings(QSize(1920 * 15, 1080 * 15));
        shell->loadProjectList();
        session = std::make_unique<Session>(*shell, image);
        view.session = session.get();
        session->setView(&view);
        session->startUp();
    }

    // Starts on one podcast "Alpha" of one episode whose enclosure is a local file (the state the
    // episode editor's track commands need).
    void startWithLocalEpisode()
    {
        const QString feed = writeFeed("a.rss", "Alpha", 1);
        testutil::writeFile(path("project.ini"), "[Main]\r\nTotal=1\r\n[Project_0]\r\nPath=" + feed.toUtf8()
                                                     + "\r\nTotalEnclosures=1\r\n[Project_0_E_0]\r\n7=True\r\n");
        start();
    }

    static QByteArray rss(const QString& title, int items = 0, const QByteArray& declaration =
                                                                   "<?xml version=\"1.0\"?>")
    {
        QByteArray text = declaration + "\r\n<rss version=\"2.0\"><channel><title>" + title.toUtf8()
                          + "</title><link>http://example.com/</link><description>About "
                          + title.toUtf8() + "</description>";
        for (int i = 0; i < items; ++i)
            text += "<item><title>Episode " + QByteArray::number(i + 1) + "</title><guid>g"
                    + QByteArray::number(i + 1) + "</guid></item>";
        return text + "</channel></rss>";
    }

    QString writeFeed(const QString& name, const QString& title, int items = 0)
    {
        const QString p = path(name);
        testutil::writeFile(p, rss(title, items));
        return p;
    }
};

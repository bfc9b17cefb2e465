#include "store/IniFile.h"
#include "store/ProjectList.h"
#include "support/TestUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList lines(const QByteArray& data)
{
    QStringList out = QString::fromUtf8(data).split("\r\n");
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

EnclosureState state(int i, bool selected)
{
    EnclosureState s;
    s.localFile = QString("/media/ep%1.mp3").arg(i);
    s.text2 = QString("https://example.org/ep%1.mp3").arg(i);
    s.text3 = QString("guid-%1").arg(i);
    s.text4 = QString("Episode %1").arg(i);
    s.text5 = QString::number(i);
    s.selectedForUpload = selected;
    s.isLocal = true;
    return s;
}

// Three podcasts: a new one, an added feed with two episodes, one with odd texts.
ProjectList sampleList()
{
    ProjectList list;
    list.newProject();
    ProjectEntry& a = list[0];
    a.name = "First";
    a.ftpServer = "ftp.example.org";
    a.ftpUsername = "me";
    a.ftpPassword = "s3cret=;[x]";
    a.ftpMode = 1;
    a.uploadFeed = true;
    a.coverPath = "/shows/cover-3000.jpg";

    list.addFeedFile("/shows/Second.rss");
    ProjectEntry& b = list[1];
    b.imagePath = "/shows/cover.gif";
    b.uploadImage = true;
    b.uploadEnclosure = true;
    b.enclosures.append(state(0, true));
    b.enclosures.append(state(1, false));

    list.addFeedFile(QString::fromUtf8("/shows/Ünïcode show.rss"));
    list[2].ftpFilename2 = "image.gif";
    list[2].name = QString(300, QChar('n'));
    return list;
}

} // namespace

class TestProjectList : public QObject {
    Q_OBJECT
private slots:
    void spareSlotThroughNewAddAndRemove()
    {
        ProjectList list;
        QCOMPARE(list.count(), 0);
        QCOMPARE(list.entries().slotCount(), 1);
        QCOMPARE(list.entries().spare(), ProjectEntry());

        QCOMPARE(list.newProject(), 0);
        QCOMPARE(list.addFeedFile("/a.rss"), 1);
        QCOMPARE(list.addFeedFile("/b.rss"), 2);
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.entries().slotCount(), 4);
        QCOMPARE(list.current(), 2);
        QCOMPARE(list.entries().spare(), ProjectEntry()); // always a fresh spare

        list.removeProject(1);
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.entries().slotCount(), 3);
        QCOMPARE(list[1].path, QString("/b.rss")); // later entries move up
        QCOMPARE(list.current(), 0);
        QCOMPARE(list.entries().spare(), ProjectEntry());

        list.removeProject(7); // past the end: nothing happens
        list.removeProject(-1);
        QCOMPARE(list.count(), 2);

        list.removeProject(0);
        list.removeProject(0);
        QCOMPARE(list.count(), 0);
        QCOMPARE(list.entries().slotCount(), 1);
        QCOMPARE(list.current(), 0);
        int seen = 0;
        for (const ProjectEntry& e : list.entries()) {
            Q_UNUSED(e);
            ++seen;
        }
        QCOMPARE(seen, 0); // iteration skips the spare
    }

    void newProjectValues()
    {
        ProjectList list;
        list.addFeedFile("/x.rss");
        QCOMPARE(list.newProject(), 1);
        QCOMPARE(list.current(), 1);
        const ProjectEntry& e = list[1];
        QCOMPARE(e.path, QString("Untitled"));
        QCOMPARE(e.encodingIndex, qint16(53));
        QCOMPARE(e.ftpFilename, QString("feed.xml"));
        QCOMPARE(e.ftpPath, QString("mainwebsite_html"));
        QCOMPARE(e.ftpPath2, QString("mainwebsite_html"));
        QCOMPARE(e.ftpPath3, QString("mainwebsite_html"));
        QVERIFY(e.ftpServer.isEmpty() && e.ftpUsername.isEmpty() && e.ftpPassword.isEmpty());
        QVERIFY(e.ftpFilename2.isEmpty());
        QCOMPARE(e.ftpMode, quint8(0));
        QVERIFY(e.autoDate);
        QVERIFY(!e.uploadFeed && !e.uploadImage && !e.uploadEnclosure && !e.image);
        QCOMPARE(e.enclosures.count(), 0);
    }

    void addFeedFileComparesPathsAsTheFileSystemDoes()
    {
        ProjectList list;
        QCOMPARE(list.addFeedFile("/shows/Show.rss"), 0);
        list.newProject();
        QCOMPARE(list.addFeedFile("/shows/Show.rss"), 0);
        QCOMPARE(list.current(), 0);
        QCOMPARE(list.count(), 2);
        const ProjectEntry& added = list[0];
        QVERIFY(added.ftpFilename.isEmpty() && !added.autoDate); // not a new podcast's values
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
        QCOMPARE(list.addFeedFile("/SHOWS/show.RSS"), 0);
        QCOMPARE(list.count(), 2);
#else
        // Two different files on Linux: treating them as one would open the wrong feed.
        QCOMPARE(list.addFeedFile("/shows/show.rss"), 2);
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.find("/shows/Show.rss"), 0);
        QCOMPARE(list.find("/shows/show.rss"), 2);
#endif
    }

    void threePodcastsWriteTheirSectionsInOrder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("project.ini");
        QVERIFY(sampleList().save(path, true));
        const QStringList out = lines(testutil::readFile(path));
        QStringList sections;
        for (const QString& l : out) {
            if (l.startsWith('['))
                sections.append(l);
        }
        QCOMPARE(sections, (QStringList{"[Main]", "[Project_0]", "[Project_1]", "[Project_1_E_0]",
                                        "[Project_1_E_1]", "[Project_2]"}));
        QCOMPARE(out.at(1), QString("Total=3"));
        const int p1 = out.indexOf("[Project_1]");
        QCOMPARE(out.mid(p1 + 1, 18),
                 (QStringList{"Name=", "Image=False", "Path=/shows/Second.rss",
                              "ImagePath=/shows/cover.gif", "FTPServer=", "FTPUsername=",
                              "FTPPassword=", "FTPMode=0", "FTPPath=", "FTPPath2=", "FTPPath3=",
                              "FTPFilename=", "FTPFilename2=", "UploadFeed=False",
                              "UploadImage=True", "UploadEnclosure=True", "AutoDate=False",
                              "TotalEnclosures=2"}));
        const int e0 = out.indexOf("[Project_1_E_0]");
        QCOMPARE(out.mid(e0 + 1, 7),
                 (QStringList{"1=/media/ep0.mp3", "2=https://example.org/ep0.mp3", "3=guid-0",
                              "4=Episode 0", "5=0", "6=True", "7=True"}));
        QCOMPARE(out.at(out.indexOf("[Project_0]") + 8), QString("FTPMode=1"));
        // Only a project with cover art has the key; other projects' sections stay as they were.
        QVERIFY(out.contains("CoverPath=/shows/cover-3000.jpg"));
        QCOMPARE(out.filter("CoverPath=").size(), 1);
    }

    void writtenListReadsBackIdentically()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("project.ini");
        ProjectList written = sampleList();
        QVERIFY(written.save(path, true));
        ProjectList read;
        QVERIFY(read.load(path, true));
        QCOMPARE(read.count(), 3);
        // The encoding is not stored: it comes from the feed each time a podcast is opened.
        for (int i = 0; i < written.count(); ++i)
            written[i].encodingIndex = 0;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(read[i], written[i]);
        QCOMPARE(read[1].enclosures.slotCount(), 3);
        QCOMPARE(read[2].name.size(), 300);
    }

    void passwordOnlyWhileSavePasswordIsOn()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("project.ini");
        QVERIFY(sampleList().save(path, false));
        QVERIFY(!testutil::readFile(path).contains("FTPPassword"));
        QVERIFY(!testutil::readFile(path).contains("s3cret"));

        QVERIFY(sampleList().save(path, true));
        QVERIFY(testutil::readFile(path).contains("FTPPassword=s3cret=;[x]"));
        ProjectList list;
        list.load(path, false); // a stored password is not read while the setting is off
        QCOMPARE(list[0].ftpPassword, QString());
        list.load(path, true);
        QCOMPARE(list[0].ftpPassword, QString("s3cret=;[x]"));
    }

    void fileIsReplacedWholeAndReadableByItsOwnerOnly()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("project.ini");
        QVERIFY(testutil::writeFile(path, "[Stale]\nold=1\n[Main]\nTotal=9\n"));
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                        | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        ProjectList list;
        list.addFeedFile("/a.rss");
        QVERIFY(list.save(path, true));
        const QByteArray data = testutil::readFile(path);
        QVERIFY(!data.contains("Stale"));
        QVERIFY(data.startsWith("[Main]\r\nTotal=1\r\n"));
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup
                                                | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                                | QFileDevice::WriteOther | QFileDevice::ExeOther;
        QCOMPARE(QFile::permissions(path) & others, QFileDevice::Permissions());
    }

    void handWrittenFileWithMissingKeys()
    {
        const IniFile ini = IniFile::fromBytes("[main]\n"
                                               "total = 2\n"
                                               "[PROJECT_0]\n"
                                               "path = /p/one.rss\n"
                                               "image = 2\n"
                                               "ftpmode = 1\n"
                                               "uploadfeed = TRUE\n"
                                               "autodate = -1\n"
                                               "TotalEnclosures = 1\n"
                                               "[project_0_e_0]\n"
                                               "1 = /m/a.mp3\n"
                                               "6 = true\n");
        ProjectList list;
        list.readFrom(ini, true);
        QCOMPARE(list.count(), 2);
        QCOMPARE(list[0].path, QString("/p/one.rss"));
        QVERIFY(list[0].image);
        QCOMPARE(list[0].ftpMode, quint8(1));
        QVERIFY(list[0].uploadFeed);
        QVERIFY(list[0].autoDate);
        QVERIFY(!list[0].uploadImage);
        QCOMPARE(list[0].enclosures.count(), 1);
        QCOMPARE(list[0].enclosures[0].localFile, QString("/m/a.mp3"));
        QVERIFY(list[0].enclosures[0].selectedForUpload);
        QVERIFY(!list[0].enclosures[0].isLocal);
        QCOMPARE(list[1], ProjectEntry()); // no section: every field empty
    }

    void missingFileGivesEmptyList()
    {
        QTemporaryDir dir;
        ProjectList list;
        list.addFeedFile("/a.rss");
        QVERIFY(!list.load(dir.filePath("project.ini"), true));
        QCOMPARE(list.count(), 0);
        QCOMPARE(list.entries().slotCount(), 1);
    }

    void damagedCountsDoNotExhaustMemory()
    {
        const IniFile ini = IniFile::fromBytes("[Main]\nTotal=2000000000\n[Project_0]\n"
                                               "TotalEnclosures=2000000000\n[Project_1]\n"
                                               "TotalEnclosures=-5\n");
        ProjectList list;
        list.readFrom(ini, true);
        QVERIFY(list.count() >= 2);
        QVERIFY(list.count() < 1000);
        QVERIFY(list[0].enclosures.count() < 1000);
        QCOMPARE(list[1].enclosures.count(), 0);
    }

    void enclosureStatesAreReloadedFromTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("project.ini");
        ProjectList list = sampleList();
        QVERIFY(list.save(path, true));
        list[1].enclosures.clear();
        list[1].enclosures.append(state(9, false));
        QVERIFY(list.loadEnclosureStates(path, 1));
        QCOMPARE(list[1].enclosures.count(), 2);
        QCOMPARE(list[1].enclosures[1], state(1, false));
        QVERIFY(!list.loadEnclosureStates(path, 3)); // no such project
    }
};

QTEST_GUILESS_MAIN(TestProjectList)
#include "tst_projectlist.moc"

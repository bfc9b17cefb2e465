#include "store/IniFile.h"
#include "store/IniValue.h"
#include "support/TestUtil.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestIniFile : public QObject {
    Q_OBJECT
private slots:
    void readsOddSpacingCaseAndLineEnds()
    {
        const QByteArray data = "\xEF\xBB\xBF; a comment\r\n"
                                "\r\n"
                                "  [ Main ]  \r\n"
                                "FindThat   =   some words  \r\n"
                                "\tShowAdv=\ttrue\r\n"
                                "empty=\r\n"
                                "no equals sign here\r\n"
                                "[options]\n" // a file edited on Linux may mix line ends
                                "S0=first\n"
                                "s0=second\n";
        const IniFile ini = IniFile::fromBytes(data);
        QCOMPARE(ini.value("main", "findthat"), QString("some words"));
        QCOMPARE(ini.value("MAIN", "SHOWADV"), QString("true"));
        QVERIFY(ini.contains("Main", "empty"));
        QCOMPARE(ini.value("Main", "empty"), QString());
        QVERIFY(!ini.contains("Main", "no equals sign here"));
        // The first of two equal keys wins.
        QCOMPARE(ini.value("Options", "s0"), QString("first"));
        QCOMPARE(ini.value("Options", "missing"), QString());
        QCOMPARE(ini.value("Missing", "s0"), QString());
        QVERIFY(ini.usesCrLf());
        // Unchanged lines keep their bytes; line ends follow the file's first one.
        QByteArray expected = data;
        expected.replace("[options]\n", "[options]\r\n").replace("first\n", "first\r\n");
        expected.replace("second\n", "second\r\n");
        QCOMPARE(ini.toBytes(), expected);
    }

    void keysBeforeAnySectionAndCommentsAreNotKeys()
    {
        const IniFile ini = IniFile::fromBytes("stray=1\n[A]\n;x=2\n#y=3\nz=4\n");
        QVERIFY(!ini.contains("", "stray"));
        QVERIFY(!ini.contains("A", ";x"));
        QVERIFY(!ini.contains("A", "x"));
        QCOMPARE(ini.value("A", "z"), QString("4"));
        QVERIFY(!ini.usesCrLf());
    }

    void firstOfTwoEqualSectionsWinsAndWritesGoThere()
    {
        IniFile ini = IniFile::fromBytes("[A]\nk=1\n[B]\n[a]\nk=2\nonly=3\n");
        QCOMPARE(ini.value("A", "k"), QString("1"));
        QVERIFY(!ini.contains("A", "only"));
        ini.setValue("a", "new", "x");
        QCOMPARE(ini.toBytes(), QByteArray("[A]\nk=1\nnew=x\n[B]\n[a]\nk=2\nonly=3\n"));
    }

    void writingReplacesInPlaceAppendsToSectionOrAddsSectionAtEnd()
    {
        IniFile ini = IniFile::fromBytes("; keep me\r\n[Main]\r\nFindThat = old\r\nforeign=kept\r\n"
                                         "\r\n[Other]\r\nx=1\r\n");
        ini.setValue("MAIN", "findthat", "new");      // replaced where it stands
        ini.setValue("Main", "ShowAdv", "True");      // appended to its section, before the blank
        ini.setValue("Options", "s0", "hello");       // a new section at the end
        ini.setValue("options", "s1", "world");
        QCOMPARE(ini.toBytes(), QByteArray("; keep me\r\n[Main]\r\nfindthat=new\r\nforeign=kept\r\n"
                                           "ShowAdv=True\r\n\r\n[Other]\r\nx=1\r\n"
                                           "[Options]\r\ns0=hello\r\ns1=world\r\n"));
        QCOMPARE(ini.value("main", "showadv"), QString("True"));
    }

    void valuesNeverInjectLinesAndAreNotCut()
    {
        IniFile ini;
        ini.setValue("Main", "FindThat", "a\r\n[Evil]\nTotal=99\rb");
        const QString longValue(1000, QChar('x'));
        ini.setValue("Main", "Long", longValue);
        const IniFile back = IniFile::fromBytes(ini.toBytes());
        QVERIFY(!back.hasSection("Evil"));
        QCOMPARE(back.value("Main", "FindThat"), QString("a [Evil] Total=99 b"));
        QCOMPARE(back.value("Main", "Long"), longValue);
        QCOMPARE(back.sectionCount(), ini.sectionCount());
    }

    void nonAsciiTextRoundTrips()
    {
        IniFile ini;
        ini.setValue("Main", "LastProjectName", QString::fromUtf8("Пётр's Café — 播客"));
        QTemporaryDir dir;
        QVERIFY(ini.save(dir.filePath("x.ini")));
        IniFile back;
        QCOMPARE(back.load(dir.filePath("x.ini")), IniFile::LoadResult::Loaded);
        QCOMPARE(back.value("main", "lastprojectname"), QString::fromUtf8("Пётр's Café — 播客"));

        // A value that starts with a byte-order mark keeps it (found by fuzzing).
        const QString marked = QString(2, QChar(0xFEFF)) + QString("; not a comment");
        ini.setValue("Main", "Marked", marked);
        QCOMPARE(IniFile::fromBytes(ini.toBytes()).value("Main", "Marked"), marked);
    }

    void missingAndUnreadableFilesAreNotErrors()
    {
        QTemporaryDir dir;
        IniFile ini = IniFile::fromBytes("[A]\nk=1\n");
        QCOMPARE(ini.load(dir.filePath("none.ini")), IniFile::LoadResult::Missing);
        QCOMPARE(ini.value("A", "k"), QString()); // the old content is gone
        // A folder where the file should be cannot be read, whatever the user's rights.
        QVERIFY(QDir(dir.path()).mkdir("folder.ini"));
        QString error;
        QCOMPARE(ini.load(dir.filePath("folder.ini"), &error), IniFile::LoadResult::Unreadable);
        QVERIFY(!error.isEmpty());
    }

    void saveIsAtomicAndSetsPermissions()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("p.ini");
        QVERIFY(testutil::writeFile(path, "[Old]\nk=v\n"));
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                        | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        IniFile ini;
        ini.setValue("New", "k", "v");
        QVERIFY(ini.save(path, nullptr, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup
                                                | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                                | QFileDevice::WriteOther | QFileDevice::ExeOther;
        QCOMPARE(QFile::permissions(path) & others, QFileDevice::Permissions());
        QVERIFY(QFile::permissions(path) & QFileDevice::ReadOwner);
        QCOMPARE(testutil::readFile(path), QByteArray("[New]\r\nk=v\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"p.ini"}); // no leftovers

        // A folder that cannot take the file: the save fails and says why.
        QString error;
        QVERIFY(!ini.save(dir.filePath("no/such/folder/p.ini"), &error));
        QVERIFY(!error.isEmpty());
    }

    void readsWhatPythonConfigparserWrites()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("py.ini");
        QProcess py;
        py.start("/usr/bin/python3", {"-c",
                                      "import configparser,sys\n"
                                      "c=configparser.ConfigParser()\n"
                                      "c.optionxform=str\n"
                                      "c['Main']={'FindThat':'two words','AutoSave':'false'}\n"
                                      "c['Project_0']={'Path':'/x/Show.rss'}\n"
                                      "c.write(open(sys.argv[1],'w'))\n",
                                      path});
        QVERIFY(py.waitForFinished(20000));
        QCOMPARE(py.exitCode(), 0);
        IniFile ini;
        QCOMPARE(ini.load(path), IniFile::LoadResult::Loaded);
        QCOMPARE(ini.value("Main", "FindThat"), QString("two words"));
        QCOMPARE(ini_value::toFlag(ini.value("Main", "AutoSave")), false);
        QCOMPARE(ini.value("project_0", "path"), QString("/x/Show.rss"));

        // And configparser reads what the engine writes back.
        ini.setValue("Main", "Added", "yes");
        QVERIFY(ini.save(path));
        py.start("/usr/bin/python3", {"-c",
                                      "import configparser,sys\n"
                                      "c=configparser.ConfigParser()\n"
                                      "c.read(sys.argv[1])\n"
                                      "print(c['Main']['added'], c['Main']['findthat'])\n",
                                      path});
        QVERIFY(py.waitForFinished(20000));
        QCOMPARE(py.readAllStandardOutput().trimmed(), QByteArray("yes two words"));
    }

    void numberConversions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::addColumn<int>("rounded");
        QTest::newRow("plain") << "42" << 42.0 << 42;
        QTest::newRow("blanks and sign") << "  -17" << -17.0 << -17;
        QTest::newRow("trailing text") << "12abc" << 12.0 << 12;
        QTest::newRow("fraction") << "2.6px" << 2.6 << 3;
        QTest::newRow("half to even down") << "2.5" << 2.5 << 2;
        QTest::newRow("half to even up") << "3.5" << 3.5 << 4;
        QTest::newRow("exponent") << "1.5e3" << 1500.0 << 1500;
        QTest::newRow("bare e is not an exponent") << "7e" << 7.0 << 7;
        QTest::newRow("leading dot") << ".75" << 0.75 << 1;
        QTest::newRow("no number") << "abc" << 0.0 << 0;
        QTest::newRow("empty") << "" << 0.0 << 0;
        QTest::newRow("sign only") << "-" << 0.0 << 0;
    }
    void numberConversions()
    {
        QFETCH(QString, text);
        QFETCH(double, number);
        QFETCH(int, rounded);
        QCOMPARE(ini_value::leadingNumber(text), number);
        QCOMPARE(ini_value::toInt<qint32>(text), rounded);
    }

    void integersAreClampedNotWrapped()
    {
        QCOMPARE(ini_value::toInt<qint16>("40000"), qint16(32767));
        QCOMPARE(ini_value::toInt<qint16>("-40000"), qint16(-32768));
        QCOMPARE(ini_value::toInt<quint8>("256"), quint8(255));
        QCOMPARE(ini_value::toInt<quint8>("-1"), quint8(0));
        QCOMPARE(ini_value::toInt<qint32>("1e300"), qint32(2147483647));
    }

    void flags_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("flag");
        QTest::newRow("True") << "True" << true;
        QTest::newRow("lower false") << "false" << false;
        QTest::newRow("upper TRUE") << "TRUE" << true;
        QTest::newRow("minus one") << "-1" << true;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("other word") << "yes" << false;
    }
    void flags()
    {
        QFETCH(QString, text);
        QFETCH(bool, flag);
        QCOMPARE(ini_value::toFlag(text), flag);
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"

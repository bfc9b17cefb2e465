#include "ImageMagick.h"
#include "image/ImageHeader.h"
#include "support/TestUtil.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestImageCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    struct Run {
        int code = -1;
        QString out;
        QString err;
    };

    Run cli(const QStringList& args)
    {
        QProcess process;
        process.start(testutil::builtProgram("src/cli/velmora-cli"), QStringList{"image"} + args);
        process.waitForFinished(60000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()).trimmed(),
                QString::fromUtf8(process.readAllStandardError()).trimmed()};
    }

    QString make(const QString& name, const QStringList& args)
    {
        const QString file = m_dir.filePath(name);
        return magick::convert(QStringList(args) << file) == 0 ? file : QString();
    }

private slots:
    void initTestCase()
    {
        if (!magick::available())
            QSKIP("ImageMagick is not installed");
    }

    void info()
    {
        const QString gif = make("anim.gif", {"-size", "30x20", "xc:red", "-fill", "blue", "-draw",
                                              "rectangle 5,5,20,15", "-transparent", "red",
                                              "-size", "30x20", "xc:green"});
        Run r = cli({"info", gif});
        QCOMPARE(r.code, 0);
        QVERIFY(QRegularExpression(R"(^\{"type": 1, "width": 30, "height": 20, "transparentIndex": \d+, "frames": 2, "cover": )")
                    .match(r.out).hasMatch());

        r = cli({"info", make("a.jpg", {"-size", "145x9", "xc:red"})});
        QVERIFY2(r.out.startsWith(QStringLiteral(R"({"type": 2, "width": 145, "height": 9, "transparentIndex": null, "frames": 1, "cover": {"accepted": false, )")),
                 qPrintable(r.out));

        const QString text = m_dir.filePath("x.txt");
        QVERIFY(testutil::writeFile(text, "hello"));
        r = cli({"info", text});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.endsWith("Unknown image format."));
        QVERIFY(r.out.isEmpty());

        QCOMPARE(cli({"info"}).code, 2);
        QCOMPARE(cli({"info", m_dir.filePath("missing.gif")}).code, 1);
        QCOMPARE(cli({"--help"}).code, 0);
        QCOMPARE(cli({"convert", "--help"}).code, 0);
    }

    // info says whether directories take the picture as cover art, and why not.
    void coverInfo_data()
    {
        QTest::addColumn<QStringList>("picture");
        QTest::addColumn<QString>("accepted");
        QTest::addColumn<QString>("reason");
        QTest::newRow("3000 square JPEG") << QStringList{"-size", "3000x3000", "xc:teal", "c1.jpg"} << "true" << "";
        QTest::newRow("1200 square JPEG") << QStringList{"-size", "1200x1200", "xc:teal", "c2.jpg"} << "false"
                                          << "1400 to 3000 pixels on each side";
        QTest::newRow("CMYK JPEG") << QStringList{"-size", "1400x1400", "xc:teal", "-colorspace", "CMYK", "c3.jpg"}
                                   << "false" << "directories want RGB";
        QTest::newRow("wide PNG") << QStringList{"-size", "2000x1400", "xc:teal", "c4.png"} << "false" << "not square";
    }

    void coverInfo()
    {
        QFETCH(QStringList, picture);
        QFETCH(QString, accepted);
        QFETCH(QString, reason);
        const QString file = make(picture.takeLast(), picture);
        const Run r = cli({"info", file});
        QCOMPARE(r.code, 0);
        const QJsonObject cover = QJsonDocument::fromJson(r.out.toUtf8()).object().value("cover").toObject();
        QCOMPARE(cover.value("accepted").toBool(), accepted == "true");
        const QJsonArray problems = cover.value("problems").toArray();
        QCOMPARE(problems.isEmpty(), reason.isEmpty());
        if (!reason.isEmpty())
            QVERIFY2(problems.first().toString().contains(reason), qPrintable(r.out));
    }

    // cover makes a picture that directories take, read back by ImageMagick.
    void cover_data()
    {
        QTest::addColumn<QStringList>("picture");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("identified");
        QTest::newRow("photo cropped in the middle and kept at 3000")
            << QStringList{"-size", "4000x3000", "gradient:red-blue", "p1.jpg"} << QStringList{} << "o1.jpg"
            << "JPEG 3000 3000 sRGB None";
        QTest::newRow("small square enlarged to 1400") << QStringList{"-size", "1200x1200", "xc:teal", "p2.png"}
                                                       << QStringList{} << "o2.png" << "PNG 1400 1400 sRGB None";
        QTest::newRow("size asked for") << QStringList{"-size", "3000x3000", "xc:teal", "p3.jpg"}
                                        << QStringList{"--size", "2048"} << "o3.jpeg" << "JPEG 2048 2048 sRGB None";
        QTest::newRow("CMYK made RGB") << QStringList{"-size", "1400x1400", "xc:teal", "-colorspace", "CMYK", "p4.jpg"}
                                       << QStringList{} << "o4.jpg" << "JPEG 1400 1400 sRGB None";
        QTest::newRow("progressive made baseline when cropped")
            << QStringList{"-size", "1500x1400", "xc:teal", "-interlace", "JPEG", "p5.jpg"} << QStringList{}
            << "o5.jpg" << "JPEG 1400 1400 sRGB None";
    }

    void cover()
    {
        QFETCH(QStringList, picture);
        QFETCH(QStringList, options);
        QFETCH(QString, out);
        QFETCH(QString, identified);
        const QString in = make(picture.takeLast(), picture);
        const QString target = m_dir.filePath(out);
        const Run r = cli(QStringList{"cover", in, target} + options);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.out.endsWith(R"("copied": false})"), qPrintable(r.out));
        QCOMPARE(magick::identify("%m %w %h %[colorspace] %[interlace]", target), identified);
    }

    // A cover that already fits is the same file afterwards, byte for byte.
    void coverCopiedUnchanged()
    {
        const QString in = make("fits.jpg", {"-size", "3000x3000", "plasma:", "-quality", "70"});
        const QString out = m_dir.filePath("fits-out.jpg");
        const Run r = cli({"cover", in, out});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral(R"({"width": 3000, "height": 3000, "type": 2, "copied": true})"));
        QCOMPARE(testutil::readFile(out), testutil::readFile(in));
    }

    // --crop takes the square the user chose: the left half of a red|blue picture is red.
    void coverCrop()
    {
        const QString in = make("halves.png", {"-size", "1500x1500", "xc:red", "-size", "1500x1500", "xc:blue",
                                               "+append"});
        const QString out = m_dir.filePath("left.png");
        QCOMPARE(cli({"cover", in, out, "--crop", "0,0,1500", "--size", "1400"}).code, 0);
        const QImage left = magick::decode(out);
        QCOMPARE(left.size(), QSize(1400, 1400));
        QCOMPARE(left.pixelColor(1399, 700), QColor(Qt::red));
        QCOMPARE(cli({"cover", in, out, "--crop", "1500,0,1500"}).code, 0);
        QCOMPARE(magick::decode(out).pixelColor(0, 0), QColor(Qt::blue));
    }

    void coverErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("size not offered") << QStringList{"--size", "1000"} << 2 << "3000, 2048 or 1400";
        QTest::newRow("crop not a square") << QStringList{"--crop", "1,2"} << 2 << "X,Y,SIZE";
        QTest::newRow("crop outside") << QStringList{"--crop", "100,0,1500"} << 1 << "does not lie within";
        QTest::newRow("unknown option") << QStringList{"--fit"} << 2 << "unknown option";
    }

    void coverErrors()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        const QString in = make("err.png", {"-size", "1500x1500", "xc:red"});
        const QString out = m_dir.filePath("err-out.jpg");
        const Run r = cli(QStringList{"cover", in, out} + args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(out));
    }

    void coverNeedsJpegOrPng()
    {
        const QString in = make("g.png", {"-size", "1500x1500", "xc:red"});
        QCOMPARE(cli({"cover", in, m_dir.filePath("g.gif")}).code, 2);
        const Run r = cli({"cover", m_dir.filePath("none.png"), m_dir.filePath("n.png")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains("Cannot open the image file"));
    }

    void convert()
    {
        const QString in = make("wide.png", {"-size", "300x100", "gradient:red-blue"});
        const QString fitted = m_dir.filePath("fitted.jpg");
        QCOMPARE(cli({"convert", in, fitted, "--fit"}).code, 0);
        QCOMPARE(magick::identify("%m %w %h", fitted), QStringLiteral("JPEG 144 48"));

        // Without --fit the picture keeps its size; the name is used exactly as given.
        const QString asGif = m_dir.filePath("named.bin");
        QCOMPARE(cli({"convert", in, asGif, "--format", "gif"}).code, 0);
        QCOMPARE(magick::identify("%m %w %h", asGif), QStringLiteral("GIF 300 100"));
        QVERIFY(!QFileInfo::exists(asGif + ".gif"));

        // Never enlarged.
        const QString small = make("small.bmp", {"-size", "20x10", "xc:navy"});
        const QString out = m_dir.filePath("small-out.BMP");
        QCOMPARE(cli({"convert", small, out, "--fit"}).code, 0);
        QCOMPARE(ImageHeader::fromFile(out).type, int(ImageHeader::Bmp));
        QCOMPARE(magick::identify("%w %h", out), QStringLiteral("20 10"));
    }

    void convertErrors()
    {
        const QString in = make("in.gif", {"-size", "10x10", "xc:red"});
        Run r = cli({"convert", in, m_dir.filePath("out.png")});
        QCOMPARE(r.code, 2);
        QVERIFY(!QFileInfo::exists(m_dir.filePath("out.png")));
        QCOMPARE(cli({"convert", in, m_dir.filePath("out.gif"), "--format", "png"}).code, 2);
        QCOMPARE(cli({"convert", in}).code, 2);
        QCOMPARE(cli({"convert", in, m_dir.filePath("o.gif"), "--bogus"}).code, 2);

        r = cli({"convert", m_dir.filePath("gone.gif"), m_dir.filePath("o.gif")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains("Cannot open the image file"));
        QVERIFY(!QFileInfo::exists(m_dir.filePath("o.gif")));

        r = cli({"convert", in, m_dir.filePath("nowhere/o.jpg")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains("Failed to save to JPG. Please check file attributes."));
    }
};

QTEST_GUILESS_MAIN(TestImageCli)
#include "tst_imagecli.moc"

#include "ImageMagick.h"
#include "image/ImageHeader.h"
#include "support/TestUtil.h"

#include <QFileInfo>
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
        QVERIFY(QRegularExpression(R"(^\{"type": 1, "width": 30, "height": 20, "transparentIndex": \d+, "frames": 2\}$)")
                    .match(r.out).hasMatch());

        r = cli({"info", make("a.jpg", {"-size", "145x9", "xc:red"})});
        QCOMPARE(r.out, QStringLiteral(R"({"type": 2, "width": 145, "height": 9, "transparentIndex": null, "frames": 1})"));

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

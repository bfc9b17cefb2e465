// Cover art: what directories accept, and making a cover from pictures ImageMagick makes the way
// other programs would, read back by ImageMagick.

#include "image/CoverArt.h"
#include "image/CoverCropFrame.h"
#include "image/ImageHeader.h"
#include "ImageMagick.h"
#include "support/TestUtil.h"

#include <QTemporaryDir>
#include <QtTest>

class TestCoverArt : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    // A gradient picture of `size` written by ImageMagick, with extra `convert` options.
    QString make(const QString& name, const QString& size, const QStringList& options = {})
    {
        const QString path = m_dir.filePath(name);
        QStringList args{"-size", size, "gradient:red-blue"};
        args << options << path;
        return magick::convert(args) == 0 ? path : QString();
    }

private slots:
    void initTestCase()
    {
        if (!magick::available())
            QSKIP("ImageMagick's convert is not installed");
    }

    void directoriesRules_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("problem");
        QTest::newRow("square RGB JPEG at the smallest size") << "a.jpg" << "1400x1400" << QStringList{} << true << "";
        QTest::newRow("square PNG at the largest size") << "b.png" << "3000x3000" << QStringList{} << true << "";
        QTest::newRow("too small") << "c.jpg" << "1200x1200" << QStringList{} << false << "1400 to 3000";
        QTest::newRow("too large") << "d.jpg" << "3200x3200" << QStringList{} << false << "1400 to 3000";
        QTest::newRow("not square") << "e.jpg" << "1600x1400" << QStringList{} << false << "not square";
        QTest::newRow("grey") << "f.jpg" << "1400x1400" << QStringList{"-colorspace", "Gray"} << false << "RGB";
        QTest::newRow("CMYK") << "g.jpg" << "1400x1400" << QStringList{"-colorspace", "CMYK"} << false << "RGB";
        QTest::newRow("a GIF") << "h.gif" << "1400x1400" << QStringList{} << false << "JPEG or PNG";
    }

    void directoriesRules()
    {
        QFETCH(QString, name);
        QFETCH(QString, size);
        QFETCH(QStringList, options);
        QFETCH(bool, accepted);
        QFETCH(QString, problem);
        const QString path = make(name, size, options);
        QVERIFY(!path.isEmpty());
        const CoverCheck check = CoverArt::CheckFile(path);
        QCOMPARE(check.accepted(), accepted);
        if (!accepted)
            QVERIFY2(check.problems.join('\n').contains(problem), qPrintable(check.problems.join('\n')));
    }

    void progressiveJpegIsAcceptedWithAdvice()
    {
        const QString path = make("p.jpg", "1400x1400", {"-interlace", "JPEG"});
        const CoverCheck check = CoverArt::CheckFile(path);
        QVERIFY(check.accepted());
        QVERIFY(check.advice.join('\n').contains("progressive"));
    }

    void aCoverThatFitsIsCopiedByteForByte()
    {
        const QString in = make("fits.jpg", "2048x2048");
        const QString out = m_dir.filePath("fits-out.jpg");
        const CoverArt::Result r = CoverArt::Make(in, out, ImageHeader::Jpeg);
        QVERIFY2(r.ok, qPrintable(r.error));
        QVERIFY(r.copied);
        QCOMPARE(testutil::readFile(out), testutil::readFile(in));
    }

    void makeSquare_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("crop"); // empty: the centred square
        QTest::addColumn<int>("target");   // 0: the default size
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("expected");
        QTest::newRow("wide picture, centred square, default size") << "4000x3000" << "" << 0 << int(ImageHeader::Jpeg) << 3000;
        QTest::newRow("crop scaled to 1400 as PNG") << "3000x2000" << "100,0,2000" << 1400 << int(ImageHeader::Png) << 1400;
        QTest::newRow("small picture enlarged to the smallest size") << "900x1000" << "" << 0 << int(ImageHeader::Jpeg) << 1400;
    }

    void makeSquare()
    {
        QFETCH(QString, size);
        QFETCH(QString, crop);
        QFETCH(int, target);
        QFETCH(int, format);
        QFETCH(int, expected);
        const QString in = make("src-" + size + ".png", size);
        const QString out = m_dir.filePath(format == ImageHeader::Png ? "made.png" : "made.jpg");
        std::optional<QRect> square;
        if (!crop.isEmpty()) {
            const QStringList n = crop.split(',');
            square = QRect(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[2].toInt());
        }
        const CoverArt::Result r = CoverArt::Make(in, out, format, square,
                                                  target ? std::optional<int>(target) : std::nullopt);
        QVERIFY2(r.ok, qPrintable(r.error));
        QVERIFY(!r.copied);
        QCOMPARE(magick::identify("%w %h", out), QString("%1 %1").arg(expected));
        const CoverCheck check = CoverArt::CheckFile(out);
        QVERIFY2(check.accepted(), qPrintable(check.problems.join('\n')));
        QVERIFY(!check.header.progressive);
    }

    void aSquareOutsideThePictureIsRefused()
    {
        const QString in = make("small.png", "1500x1500");
        const CoverArt::Result r = CoverArt::Make(in, m_dir.filePath("x.jpg"), ImageHeader::Jpeg,
                                                  QRect(200, 0, 1400, 1400));
        QVERIFY(!r.ok);
        QVERIFY(r.error.contains("does not lie within"));
        QVERIFY(!QFile::exists(m_dir.filePath("x.jpg")));
    }

    void feedImageFitsInto144()
    {
        const QImage cover = CoverArt::DecodeRgb(testutil::readFile(make("cov.png", "3000x3000")));
        QCOMPARE(CoverArt::FeedImage(cover).size(), QSize(144, 144));
        const QImage tiny(100, 60, QImage::Format_RGB32);
        QCOMPARE(CoverArt::FeedImage(tiny).size(), QSize(100, 60));
    }

    // The frame of "Make square..." stays on the picture however it is moved or sized.
    void cropFrameStaysOnThePicture_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QPoint>("moveBy");
        QTest::addColumn<int>("side");
        QTest::addColumn<QRect>("square");
        QTest::newRow("starts centred") << QSize(4000, 3000) << QPoint() << 0 << QRect(500, 0, 3000, 3000);
        QTest::newRow("moved right as far as it goes") << QSize(4000, 3000) << QPoint(900, 50) << 0
                                                       << QRect(1000, 0, 3000, 3000);
        QTest::newRow("moved left past the edge") << QSize(4000, 3000) << QPoint(-800, 0) << 0
                                                  << QRect(0, 0, 3000, 3000);
        QTest::newRow("smaller around its centre") << QSize(4000, 3000) << QPoint() << 2000
                                                   << QRect(1000, 500, 2000, 2000);
        QTest::newRow("smaller, then down to the edge") << QSize(4000, 3000) << QPoint(0, 5000) << 1400
                                                        << QRect(1300, 1600, 1400, 1400);
        QTest::newRow("never larger than the picture") << QSize(1200, 1600) << QPoint() << 5000
                                                       << QRect(0, 200, 1200, 1200);
    }

    void cropFrameStaysOnThePicture()
    {
        QFETCH(QSize, picture);
        QFETCH(QPoint, moveBy);
        QFETCH(int, side);
        CoverCropFrame frame(picture);
        if (side > 0)
            frame.setSide(side);
        frame.moveBy(moveBy);
        QTEST(frame.square(), "square");
    }
};

QTEST_GUILESS_MAIN(TestCoverArt)
#include "tst_coverart.moc"

#include "ImageMagick.h"
#include "image/CoverArt.h"
#include "support/TestUtil.h"

#include <QTemporaryDir>
#include <QtTest>

class TestCoverArt : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString make(const QString& name, const QStringList& args)
    {
        const QString file = m_dir.filePath(name);
        if (magick::convert(QStringList(args) << file) != 0)
            return {};
        return file;
    }

private slots:
    void initTestCase()
    {
        if (!magick::available())
            QSKIP("ImageMagick is not installed");
    }

    void rules_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("problem"); // empty: accepted
        QTest::addColumn<QString>("advice");
        QTest::newRow("3000 jpeg") << "ok.jpg" << QStringList{"-size", "3000x3000", "xc:teal"} << "" << "";
        QTest::newRow("1400 png") << "ok.png" << QStringList{"-size", "1400x1400", "xc:teal"} << "" << "";
        QTest::newRow("1200 refused") << "small.jpg" << QStringList{"-size", "1200x1200", "xc:teal"}
                                      << "It is 1200 x 1200 pixels; directories want 1400 to 3000 pixels on each side." << "";
        QTest::newRow("3001 refused") << "big.jpg" << QStringList{"-size", "3001x3001", "xc:teal"}
                                      << "It is 3001 x 3001 pixels; directories want 1400 to 3000 pixels on each side." << "";
        QTest::newRow("not square") << "wide.jpg" << QStringList{"-size", "2000x1800", "xc:teal"}
                                    << "It is not square (2000 x 1800 pixels)." << "";
        QTest::newRow("cmyk") << "cmyk.jpg" << QStringList{"-size", "1400x1400", "xc:teal", "-colorspace", "CMYK"}
                              << "Its colours are CMYK; directories want RGB." << "";
        QTest::newRow("grey") << "grey.jpg" << QStringList{"-size", "1400x1400", "gradient:", "-colorspace", "Gray"}
                              << "Its colours are greyscale; directories want RGB." << "";
        QTest::newRow("gif") << "a.gif" << QStringList{"-size", "1400x1400", "xc:teal"}
                             << "It is a GIF file; directories take JPEG or PNG." << "";
        QTest::newRow("progressive") << "p.jpg" << QStringList{"-size", "1400x1400", "xc:teal", "-interlace", "JPEG"}
                                     << "" << "It is a progressive JPEG; some apps show only baseline JPEG files.";
        QTest::newRow("heavy") << "noise.png" << QStringList{"-seed", "3", "-size", "1400x1400", "xc:", "+noise", "Random"}
                               << "" << "under 512 KB is advised";
    }
    void rules()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, args);
        QFETCH(QString, problem);
        QFETCH(QString, advice);
        const CoverCheck check = CoverArt::CheckFile(make(name, args));
        QCOMPARE(check.accepted(), problem.isEmpty());
        if (!problem.isEmpty())
            QVERIFY2(check.problems.contains(problem), qPrintable(check.problems.join('|')));
        if (advice.isEmpty())
            QVERIFY2(check.advice.isEmpty(), qPrintable(check.advice.join('|')));
        else
            QVERIFY2(check.advice.join('|').contains(advice), qPrintable(check.advice.join('|')));
    }

    void summaryAndUnreadable()
    {
        const CoverCheck ok = CoverArt::CheckFile(make("s.jpg", {"-size", "1400x1400", "xc:teal"}));
        QVERIFY(ok.summary().startsWith(QStringLiteral("1400 x 1400 pixels, JPEG, RGB, ")));
        const CoverCheck none = CoverArt::CheckFile(m_dir.filePath("none.jpg"));
        QVERIFY(!none.accepted());
        QCOMPARE(none.summary(), QStringLiteral("Cannot open the image file \"%1\".").arg(m_dir.filePath("none.jpg")));
    }

    void fittingCoverIsCopiedByteForByte()
    {
        const QString in = make("fits.jpg", {"-seed", "1", "-size", "3000x3000", "plasma:"});
        const QString out = m_dir.filePath("copy.jpg");
        const CoverArt::Result made = CoverArt::Make(in, out, ImageHeader::Jpeg);
        QVERIFY2(made.ok, qPrintable(made.error));
        QVERIFY(made.copied);
        QCOMPARE(testutil::readFile(out), testutil::readFile(in));

        // Asking for another size or format does encode.
        const CoverArt::Result smaller = CoverArt::Make(in, m_dir.filePath("s.jpg"), ImageHeader::Jpeg, {}, 1400);
        QVERIFY(smaller.ok && !smaller.copied);
        QCOMPARE(magick::identify("%wx%h", m_dir.filePath("s.jpg")), QStringLiteral("1400x1400"));
        const CoverArt::Result png = CoverArt::Make(in, m_dir.filePath("p.png"), ImageHeader::Png);
        QVERIFY(png.ok && !png.copied);
        QCOMPARE(magick::identify("%m %wx%h", m_dir.filePath("p.png")), QStringLiteral("PNG 3000x3000"));
    }

    void photoIsCroppedAndScaled()
    {
        // Left third red, middle blue, right third green: the centred square is all blue.
        const QString in = make("photo.jpg", {"-size", "500x3000", "xc:red", "-size", "3000x3000", "xc:blue",
                                              "-size", "500x3000", "xc:lime", "+append"});
        const QString out = m_dir.filePath("cover.jpg");
        const CoverArt::Result made = CoverArt::Make(in, out, ImageHeader::Jpeg);
        QVERIFY2(made.ok, qPrintable(made.error));
        QCOMPARE(made.size, QSize(3000, 3000));
        QCOMPARE(magick::identify("%m %wx%h %[colorspace] %[interlace] %Q", out),
                 QStringLiteral("JPEG 3000x3000 sRGB None 90"));
        const QImage back = magick::decode(out);
        QVERIFY(qBlue(back.pixel(5, 1500)) > 240 && qRed(back.pixel(5, 1500)) < 16);
        QVERIFY(qBlue(back.pixel(2994, 1500)) > 240);
        QVERIFY(CoverArt::CheckFile(out).accepted());

        // A chosen square, scaled down.
        const QString left = m_dir.filePath("left.png");
        const CoverArt::Result chosen = CoverArt::Make(in, left, ImageHeader::Png, QRect(0, 0, 2000, 2000), 1400);
        QVERIFY2(chosen.ok, qPrintable(chosen.error));
        const QImage leftBack = magick::decode(left);
        QCOMPARE(leftBack.size(), QSize(1400, 1400));
        QVERIFY(qRed(leftBack.pixel(10, 700)) > 240);
        QVERIFY(qBlue(leftBack.pixel(1390, 700)) > 240);
    }

    void cmykJpegBecomesRgb()
    {
        const QString in = make("print.jpg", {"-size", "2000x2000", "xc:rgb(200,30,30)", "-colorspace", "CMYK"});
        QCOMPARE(magick::identify("%[colorspace]", in), QStringLiteral("CMYK"));
        const QString out = m_dir.filePath("print-rgb.jpg");
        const CoverArt::Result made = CoverArt::Make(in, out, ImageHeader::Jpeg);
        QVERIFY2(made.ok, qPrintable(made.error));
        QVERIFY(!made.copied);
        QCOMPARE(made.size, QSize(1400, 1400)); // 2048 would enlarge it
        QCOMPARE(magick::identify("%[colorspace]", out), QStringLiteral("sRGB"));
        const QRgb pixel = magick::decode(out).pixel(1000, 1000);
        QVERIFY2(qAbs(qRed(pixel) - 200) < 20 && qGreen(pixel) < 60 && qBlue(pixel) < 60,
                 qPrintable(QString::number(pixel, 16)));
    }

    void badRequests_data()
    {
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("error");
        QTest::newRow("outside") << QRect(500, 0, 1600, 1600) << 1400
                                 << "The square 500,0,1600 does not lie within the picture (2000 x 1600 pixels).";
        QTest::newRow("not square") << QRect(0, 0, 1000, 900) << 1400
                                    << "The square 0,0,1000 does not lie within the picture (2000 x 1600 pixels).";
        QTest::newRow("size") << QRect(0, 0, 1000, 1000) << 0 << "Cannot make a cover of 0 pixels.";
    }
    void badRequests()
    {
        QFETCH(QRect, crop);
        QFETCH(int, size);
        QImage picture(2000, 1600, QImage::Format_RGB32);
        picture.fill(Qt::gray);
        const QString out = m_dir.filePath("never.jpg");
        const CoverArt::Result made = CoverArt::Make(picture, out, ImageHeader::Jpeg, crop, size);
        QVERIFY(!made.ok);
        QTEST(made.error, "error");
        QVERIFY(!QFileInfo::exists(out));
    }

    void sizesAndFeedImage_data()
    {
        QTest::addColumn<int>("crop");
        QTest::addColumn<int>("size");
        QTest::newRow("4000") << 4000 << 3000;
        QTest::newRow("3000") << 3000 << 3000;
        QTest::newRow("2999") << 2999 << 2048;
        QTest::newRow("1500") << 1500 << 1400;
        QTest::newRow("800 is enlarged") << 800 << 1400;
    }
    void sizesAndFeedImage()
    {
        QFETCH(int, crop);
        QTEST(CoverArt::DefaultSize(crop), "size");
        QImage cover(crop, crop / 2, QImage::Format_RGB32);
        cover.fill(Qt::darkCyan);
        const QImage feed = CoverArt::FeedImage(cover);
        QCOMPARE(feed.width(), 144);
        QVERIFY(qAbs(feed.height() - 72) <= 1);
        QCOMPARE(feed.pixel(70, 30), QColor(Qt::darkCyan).rgb());
    }
};

QTEST_MAIN(TestCoverArt)
#include "tst_coverart.moc"

#include "ImageMagick.h"
#include "image/cDIBSection.h"
#include "image/cDib.h"
#include "image/cTile.h"
#include "support/FakePrompts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

class TestBitmaps : public QObject {
    Q_OBJECT
private slots:
    void scanLineRule()
    {
        cDib dib;
        QVERIFY(dib.Create(1, 3, 24));
        QCOMPARE(dib.BytesPerScanLine(), 4);
        QCOMPARE(dib.Size(), 12);
        QVERIFY(dib.Create(13, 2, 8));
        QCOMPARE(dib.BytesPerScanLine(), 16);
        QVERIFY(dib.Create(33, 1, 1));
        QCOMPARE(dib.BytesPerScanLine(), 8);
        QVERIFY(dib.Create(3, 1, 4));
        QCOMPARE(dib.BytesPerScanLine(), 4);
        QVERIFY(!dib.Create(0, 5, 8));
        QVERIFY(!dib.Create(5, 5, 16));
        QVERIFY(!dib.Create(100000, 100000, 32)); // refused, not attempted
        cDIBSection section;
        QVERIFY(section.Create(5, 2));
        QCOMPARE(section.BytesPerScanLine(), 16);
    }

    void bestFit_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("wide") << QSize(300, 100) << false << QRect(0, 176, 144, 48);
        QTest::newRow("tall") << QSize(100, 1000) << false << QRect(52, 0, 40, 400);
        QTest::newRow("fits") << QSize(100, 50) << false << QRect(22, 175, 100, 50);
        QTest::newRow("fits, stretched") << QSize(100, 50) << true << QRect(0, 164, 144, 72);
        // 144 / 290 * 145 = 72 exactly; 144 / 580 * 145 = 36 exactly.
        QTest::newRow("halves") << QSize(290, 145) << false << QRect(0, 164, 144, 72);
        // 400 / 1600 * 250 = 62.5: the even neighbour 62.
        QTest::newRow("half to even") << QSize(250, 1600) << false << QRect(41, 0, 62, 400);
    }

    void bestFit()
    {
        QFETCH(QSize, image);
        QFETCH(bool, stretch);
        QFETCH(QRect, expected);
        cDib dib;
        QVERIFY(dib.Create(image.width(), image.height(), 8));
        int left = -1, top = -1, w = -1, h = -1;
        dib.GetBestFitInfo(144, 400, left, top, w, h, stretch);
        QCOMPARE(QRect(left, top, w, h), expected);
    }

    void layoutIsBgrTopDown()
    {
        QImage picture(3, 2, QImage::Format_RGB32);
        picture.fill(qRgb(1, 2, 3));
        picture.setPixel(2, 1, qRgb(10, 20, 30));
        cDIBSection section;
        QVERIFY(section.CreateFromPicture(picture));
        const uchar* last = section.DIBSectionBitsPtr() + section.BytesPerScanLine() + 6;
        QCOMPARE(int(last[0]), 30);
        QCOMPARE(int(last[1]), 20);
        QCOMPARE(int(last[2]), 10);
        QCOMPARE(section.Image().pixel(2, 1), qRgb(10, 20, 30));
        cDib dib;
        QVERIFY(dib.CreateFromStdPicture(picture, 32));
        QCOMPARE(int(dib.ScanLine(1)[8]), 30);
        QCOMPARE(dib.Image().pixel(2, 1), qRgb(10, 20, 30));
    }

    void resample()
    {
        QImage picture(4, 3, QImage::Format_RGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                picture.setPixel(x, y, qRgb(x * 60, y * 100, 7));
        cDIBSection section;
        QVERIFY(section.CreateFromPicture(picture));
        const cDIBSection same = section.Resample(3, 4);
        QCOMPARE(same.Image(), section.Image());

        // Doubling the width: x = 1 samples halfway between columns 0 and 1.
        const cDIBSection wide = section.Resample(3, 8);
        QCOMPARE(wide.Width(), 8);
        QCOMPARE(wide.Height(), 3);
        QCOMPARE(qRed(wide.Image().pixel(1, 0)), 30);
        QCOMPARE(qRed(wide.Image().pixel(2, 0)), 60);
        // The last columns read past the right edge: they repeat the last column.
        QCOMPARE(qRed(wide.Image().pixel(7, 0)), 180);
        QCOMPARE(qGreen(wide.Image().pixel(3, 2)), 200);
        QCOMPARE(qBlue(wide.Image().pixel(5, 1)), 7);

        // 15 halfway to 0 is 7.5: rounded to the even 8; 5 halfway to 0 is 2.5: 2.
        QImage two(2, 1, QImage::Format_RGB32);
        two.setPixel(0, 0, qRgb(15, 5, 0));
        two.setPixel(1, 0, qRgb(0, 0, 0));
        QVERIFY(section.CreateFromPicture(two));
        const QRgb mid = section.Resample(1, 4).Image().pixel(1, 0);
        QCOMPARE(qRed(mid), 8);
        QCOMPARE(qGreen(mid), 2);

        // Shrinking a 2000-wide bitmap reads no byte outside it (checked under the sanitizer).
        cDIBSection big;
        QVERIFY(big.Create(2000, 3));
        big.RandomiseBits(3);
        QCOMPARE(big.Resample(1, 144).Width(), 144);
    }

    void palettesInAndOut()
    {
        cDib dib;
        QVERIFY(dib.Create(2, 2, 4));
        const QByteArray two = QByteArray::fromHex("01020300" "0a0b0c00");
        dib.SetPalette(two);
        QCOMPARE(dib.GetPalette().size(), 64);
        QCOMPARE(dib.GetPalette().left(8), two);
        QCOMPARE(dib.PaletteColor(1), qRgb(0x0c, 0x0b, 0x0a));
        dib.SetPalette(QByteArray(2000, '\x7f')); // more than the table holds: 16 entries
        QCOMPARE(dib.GetPalette(), QByteArray(64, '\x7f'));
        dib.lpBits()[0] = 0x12;
        QCOMPARE(dib.Image().pixelIndex(0, 0), 1);
        QCOMPARE(dib.Image().pixelIndex(1, 0), 2);
        cDib copy;
        QVERIFY(dib.CloneTo(copy));
        QCOMPARE(copy.GetPalette(), dib.GetPalette());
        dib.Cls(qRgb(0x7f, 0x7f, 0x7f));
        QCOMPARE(int(copy.lpBits()[0]), 0x12); // the copy is its own

        cDib truecolour;
        QVERIFY(truecolour.Create(2, 2, 24));
        truecolour.SetPalette(two);
        QVERIFY(truecolour.GetPalette().isEmpty());
    }

    void readsBitmapFilesOfImageMagick()
    {
        if (!magick::available())
            QSKIP("ImageMagick is not installed");
        QTemporaryDir dir;
        const QString eight = dir.filePath("eight.bmp");
        QCOMPARE(magick::convert({"-size", "13x5", "gradient:red-blue", "-colors", "7", "-type", "Palette", "BMP3:" + eight}), 0);
        cDib dib;
        QVERIFY(dib.CreateFromBitmapFile(eight));
        QCOMPARE(dib.BPP(), 8);
        QCOMPARE(dib.BytesPerScanLine(), 16);
        const QImage theirs = magick::decode(eight);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x)
                QCOMPARE(dib.PaletteColor(dib.ScanLine(y)[x]) & 0xffffff, theirs.pixel(x, y) & 0xffffff);

        const QString mono = dir.filePath("mono.bmp");
        QCOMPARE(magick::convert({"-size", "19x3", "pattern:checkerboard", "-monochrome", "BMP3:" + mono}), 0);
        QVERIFY(dib.CreateFromBitmapFile(mono));
        QCOMPARE(dib.BPP(), 1);
        const QImage checker = magick::decode(mono);
        const QImage ours = dib.Image();
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 19; ++x)
                QCOMPARE(ours.pixel(x, y) & 0xffffff, checker.pixel(x, y) & 0xffffff);

        const QString rgb = dir.filePath("rgb.bmp");
        QCOMPARE(magick::convert({"-size", "7x3", "gradient:red-blue", "-type", "TrueColor", "BMP3:" + rgb}), 0);
        QVERIFY(dib.CreateFromBitmapFile(rgb));
        QCOMPARE(dib.BPP(), 24);
        QCOMPARE(dib.Image().pixel(6, 2) & 0xffffff, magick::decode(rgb).pixel(6, 2) & 0xffffff);
        QVERIFY(!dib.CreateFromBitmapFile(dir.filePath("missing.bmp")));
    }

    void clipboardAndTiles()
    {
        FakePrompts prompts;
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(qRgb(9, 99, 199));
        cDIBSection section;
        QVERIFY(section.CreateFromPicture(picture));
        section.CopyToClipboard(prompts, true);
        QCOMPARE(prompts.messageTexts(),
                 QStringList{"I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!"});
        const QImage pasted = QGuiApplication::clipboard()->image();
        QCOMPARE(pasted.size(), QSize(4, 4));
        QCOMPARE(pasted.pixel(3, 3) & 0xffffff, qRgb(9, 99, 199) & 0xffffff);

        QImage pattern(2, 2, QImage::Format_RGB32);
        pattern.fill(Qt::white);
        pattern.setPixel(0, 0, qRgb(255, 0, 0));
        cTile tile;
        tile.SetPatternFromStdPicture(pattern);
        QImage canvas(6, 6, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        tile.Tile(painter, 1, 1, 4, 4, true);
        painter.end();
        QCOMPARE(canvas.pixel(0, 0), qRgb(0, 0, 0));       // outside the area
        QCOMPARE(canvas.pixel(1, 1), qRgb(255, 0, 0));     // pattern starts at the area
        QCOMPARE(canvas.pixel(3, 3), qRgb(255, 0, 0));
        QCOMPARE(canvas.pixel(2, 1), qRgb(255, 255, 255));
        tile.DestroyPattern();
        QVERIFY(!tile.HasPattern());
    }
};

QTEST_MAIN(TestBitmaps)
#include "tst_bitmaps.moc"

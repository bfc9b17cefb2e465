#include "ImageMagick.h"
#include "image/cGif.h"
#include "image/cPal8bpp.h"
#include "image/mDither8bpp.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Compares our frame (its colours, see-through where transparent) with ImageMagick's.
void compareFrame(const cGif& gif, int frame, const QImage& theirs)
{
    const QImage ours = gif.FrameImage(frame);
    QCOMPARE(ours.size(), theirs.size());
    for (int y = 0; y < ours.height(); ++y) {
        for (int x = 0; x < ours.width(); ++x) {
            const QRgb a = ours.pixel(x, y);
            const QRgb b = theirs.pixel(x, y);
            if (qAlpha(b) == 0) {
                QVERIFY2(qAlpha(a) == 0, qPrintable(QStringLiteral("(%1,%2) should be see-through").arg(x).arg(y)));
                continue;
            }
            if ((a & 0xffffff) != (b & 0xffffff) || qAlpha(a) != 255)
                QFAIL(qPrintable(QStringLiteral("frame %1 pixel (%2,%3): %4 vs %5")
                                     .arg(frame).arg(x).arg(y).arg(a, 8, 16).arg(b, 8, 16)));
        }
    }
}

// A photo-like picture: smooth gradients with a little noise.
QImage photo(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(5);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int n = int(rng.bounded(17)) - 8;
            image.setPixel(x, y, qRgb(qBound(0, x * 255 / w + n, 255), qBound(0, y * 255 / h - n, 255),
                                      qBound(0, (x + y) * 127 / (w + h) + 64 + n, 255)));
        }
    return image;
}

QByteArray smallGif()
{
    cDib dib;
    dib.Create(6, 5, 8);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            dib.ScanLine(y)[x] = uchar((x + y) & 3);
    cGif gif;
    gif.SetScreenSize(6, 5);
    gif.FrameInsert(0, dib);
    gif.SetLocalPalette(0, QByteArray::fromHex("0000ff00" "00ff0000" "ff000000" "ffffff00"));
    return gif.SaveToBytes();
}

} // namespace

class TestGifContainer : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        if (!magick::available())
            QSKIP("ImageMagick is not installed");
        QVERIFY(m_dir.isValid());
    }

    void readsImageMagickFiles_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("frames");
        const QString seed = QStringLiteral("-seed");
        QTest::newRow("interlaced") << QStringList{seed, "3", "-size", "61x37", "plasma:fractal", "-colors", "200", "-interlace", "GIF"} << 1;
        QTest::newRow("interlaced, 4 rows") << QStringList{seed, "3", "-size", "21x4", "plasma:fractal", "-interlace", "GIF"} << 1;
        QTest::newRow("interlaced, 3 rows") << QStringList{seed, "3", "-size", "9x3", "plasma:fractal", "-interlace", "GIF"} << 1;
        QTest::newRow("transparent") << QStringList{"-size", "30x20", "xc:red", "-fill", "blue", "-draw", "rectangle 5,5,20,15", "-transparent", "red"} << 1;
        QTest::newRow("frames, local tables") << QStringList{"-delay", "25", "-size", "20x10", "xc:red", "xc:green", "gradient:yellow-blue"} << 3;
        for (int bits = 1; bits <= 8; ++bits)
            QTest::newRow(qPrintable(QStringLiteral("%1-bit table").arg(bits)))
                << QStringList{seed, "9", "-size", "40x30", "plasma:fractal", "+dither", "-colors", QString::number(1 << bits)} << 1;
    }

    void readsImageMagickFiles()
    {
        QFETCH(QStringList, args);
        QFETCH(int, frames);
        const QString file = path(QStringLiteral("ref-%1.gif").arg(QTest::currentDataTag()).replace(' ', '_').replace(',', '_'));
        QCOMPARE(magick::convert(args << file), 0);
        cGif gif;
        QVERIFY(gif.LoadFromFile(file));
        QCOMPARE(gif.FramesCount(), frames);
        for (int f = 0; f < frames; ++f)
            compareFrame(gif, f, magick::decode(file, f));
    }

    void keepsWhatTheFileSays()
    {
        const QString file = path("anim.gif");
        QCOMPARE(magick::convert({"-delay", "25", "-loop", "3", "-size", "20x10", "xc:red", "xc:green", "gradient:yellow-blue", file}), 0);
        cGif gif;
        QVERIFY(gif.LoadFromFile(file));
        QCOMPARE(gif.ScreenWidth(), 20);
        QCOMPARE(gif.ScreenHeight(), 10);
        QCOMPARE(gif.AnimationLoops(), 2); // ImageMagick stores "-loop 3" as 2 repeats
        QCOMPARE(gif.FrameDelay(1), 25);
        QVERIFY(gif.LocalPaletteUsed(2));
        QVERIFY(gif.LocalPaletteEntries(2) >= 2);

        const QString loopsForever = path("forever.gif");
        QCOMPARE(magick::convert({"-loop", "0", "-size", "4x4", "xc:red", "xc:blue", loopsForever}), 0);
        QVERIFY(gif.LoadFromFile(loopsForever));
        QCOMPARE(gif.AnimationLoops(), 0);
        QCOMPARE(gif.FramesCount(), 2);

        const QString old = path("old.gif");
        QCOMPARE(magick::convert({"-size", "16x8", "gradient:red-blue", "GIF87:" + old}), 0);
        QVERIFY(gif.LoadFromFile(old));
        QCOMPARE(gif.FramesCount(), 1);
        QCOMPARE(gif.FrameDelay(0), 0);
        QVERIFY(!gif.FrameUseTransparentColor(0));
        compareFrame(gif, 0, magick::decode(old));

        const QString clear = path("clear.gif");
        QCOMPARE(magick::convert({"-size", "30x20", "xc:red", "-fill", "blue", "-draw", "rectangle 5,5,20,15", "-transparent", "red", clear}), 0);
        QVERIFY(gif.LoadFromFile(clear));
        QVERIFY(gif.FrameUseTransparentColor(0));
        const int t = gif.FrameTransparentColorIndex(0);
        QCOMPARE(int(gif.FrameDIBXOR(0).ScanLine(0)[0]), t);
        QVERIFY(gif.FrameDIBXOR(0).ScanLine(10)[10] != t);
        // The mask: 1 where see-through, 0 where opaque.
        QVERIFY(gif.FrameDIBAND(0).ScanLine(0)[0] & 0x80);
        QVERIFY(!(gif.FrameDIBAND(0).ScanLine(10)[1] & (0x80 >> 2)));
    }

    void imageMagickReadsOurFiles()
    {
        cDib first;
        QVERIFY(first.Create(23, 9, 8));
        cDib second;
        QVERIFY(second.Create(23, 9, 8));
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 23; ++x) {
                first.ScanLine(y)[x] = uchar((x * 3 + y) % 4);
                second.ScanLine(y)[x] = uchar((x + y * 5) % 16);
            }
        cGif gif;
        gif.SetScreenSize(23, 9);
        gif.SetAnimationLoops(5);
        QCOMPARE(gif.FrameInsert(0, first), 0);
        gif.SetLocalPalette(0, QByteArray::fromHex("00000000" "ff000000" "00ff0000" "0000ff00"));
        QCOMPARE(gif.LocalPaletteEntries(0), 4);
        QCOMPARE(gif.FrameInsert(1, second), 1);
        QByteArray sixteen;
        for (int i = 0; i < 16; ++i)
            sixteen += QByteArray::fromHex(QByteArray::number(i * 16 + 15, 16).rightJustified(2, '0') + "4080" + "00");
        gif.SetLocalPalette(1, sixteen);
        gif.SetFrameInterlaced(1, true);
        gif.SetFrameTransparency(1, true, 3);
        gif.SetFrameDelay(1, 40);
        gif.FrameCommentAdd(0, QStringLiteral("made by a test"));
        gif.TrailingCommentAdd(QStringLiteral("the end"));
        const QString file = path("ours.gif");
        QVERIFY(gif.Save(file));

        compareFrame(gif, 0, magick::decode(file, 0));
        compareFrame(gif, 1, magick::decode(file, 1));
        QCOMPARE(magick::identify("%T ", file), QStringLiteral("0 40"));

        cGif back;
        QVERIFY(back.LoadFromFile(file));
        QCOMPARE(back.FramesCount(), 2);
        QCOMPARE(back.AnimationLoops(), 5);
        QCOMPARE(back.LocalPaletteEntries(0), 4);
        QCOMPARE(back.LocalPaletteEntries(1), 16);
        QVERIFY(back.FrameInterlaced(1));
        QCOMPARE(back.FrameTransparentColorIndex(1), 3);
        QCOMPARE(back.FrameComment(0, 0), QStringLiteral("made by a test"));
        QCOMPARE(back.TrailingComment(0), QStringLiteral("the end"));
        QCOMPARE(back.SaveToBytes(), gif.SaveToBytes());
    }

    void roundTripsEveryPaletteAndDitherMode_data()
    {
        QTest::addColumn<int>("paletteMode");
        QTest::addColumn<int>("ditherMode");
        for (int p = 0; p < 2; ++p)
            for (int d = 0; d < 3; ++d)
                QTest::newRow(qPrintable(QStringLiteral("palette %1, dither %2").arg(p).arg(d))) << p << d;
    }

    void roundTripsEveryPaletteAndDitherMode()
    {
        QFETCH(int, paletteMode);
        QFETCH(int, ditherMode);
        cDib source;
        QVERIFY(source.CreateFromStdPicture(photo(90, 70), 32));
        cDib indexed;
        QVERIFY(indexed.Create(90, 70, 8));
        cPal8bpp palette;
        QVERIFY(mDither8bpp::Convert(source, indexed, palette, paletteMode, ditherMode));
        cGif gif;
        gif.SetScreenSize(90, 70);
        gif.SetGlobalPalette(indexed.GetPalette());
        QCOMPARE(gif.FrameInsert(0, indexed, true), 0);
        const QString file = path(QStringLiteral("mode-%1-%2.gif").arg(paletteMode).arg(ditherMode));
        QVERIFY(gif.Save(file));

        cGif back;
        QVERIFY(back.LoadFromFile(file));
        for (int y = 0; y < 70; ++y)
            QCOMPARE(QByteArray((const char*)back.FrameDIBXOR(0).ScanLine(y), 90),
                     QByteArray((const char*)indexed.ScanLine(y), 90));
        for (int i = 0; i < palette.Entries(); ++i)
            QCOMPARE(back.GlobalPaletteColor(i), palette.Color(i));
        compareFrame(back, 0, magick::decode(file));
    }

    void damagedFilesFailOrStopCleanly()
    {
        const QByteArray good = smallGif();
        cGif gif;
        QVERIFY(gif.LoadFromStream(good));
        QCOMPARE(gif.FramesCount(), 1);

        QByteArray wrong = good;
        wrong[4] = '8';
        QVERIFY(!gif.LoadFromStream(wrong));
        QCOMPARE(gif.FramesCount(), 0);
        QCOMPARE(gif.ScreenWidth(), 0);

        // Every truncation either fails or keeps what was read.
        for (int n = 0; n < good.size(); ++n) {
            cGif part;
            if (part.LoadFromStream(good.left(n)) && part.FramesCount() == 1)
                QCOMPARE(part.FrameDIBXOR(0).Width(), 6);
        }

        // The image descriptor follows the graphic control extension: "GIF89a" + 7 + table 0
        // (the frame has a local table) + 8 bytes of extension.
        const int descriptor = good.indexOf(char(0x2c));
        QVERIFY(descriptor > 0);
        QByteArray wide = good;
        wide[descriptor + 5] = char(7); // width 7 on a screen of 6
        QVERIFY(!gif.LoadFromStream(wide));
        QByteArray moved = good;
        moved[descriptor + 1] = char(1); // left 1: the frame leaves the screen
        QVERIFY(!gif.LoadFromStream(moved));
        QByteArray empty = good;
        empty[descriptor + 7] = char(0); // height 0
        QVERIFY(!gif.LoadFromStream(empty));
        QCOMPARE(gif.FramesCount(), 0);

        // A code past the table: the frame keeps the pixels before it.
        QByteArray corrupt = good.left(descriptor + 10 + 12); // descriptor and the 4-entry table
        corrupt.append(char(2));                              // minimum code size 2
        corrupt.append(QByteArray::fromHex("02" "c4" "01" "00" "3b")); // clear(4), 0, code 7 > next free 6
        QVERIFY(gif.LoadFromStream(corrupt));
        QCOMPARE(gif.FramesCount(), 1);
        QCOMPARE(int(gif.FrameDIBXOR(0).ScanLine(4)[5]), 0);
    }

    void regressionCorpusLoadsOrFailsCleanly()
    {
        // The fuzzer's seeds and every input that once broke the reader.
        const QDir corpus(QStringLiteral(VELMORA_TEST_DATA "/fuzz/fuzz_gif"));
        const QStringList files = corpus.entryList(QDir::Files);
        QVERIFY(files.size() >= 5);
        int loaded = 0;
        for (const QString& name : files) {
            QFile file(corpus.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            cGif gif;
            if (gif.LoadFromStream(file.readAll())) {
                ++loaded;
                cGif again;
                QVERIFY2(again.LoadFromStream(gif.SaveToBytes()), qPrintable(name));
                QCOMPARE(again.FramesCount(), gif.FramesCount());
            }
        }
        QVERIFY(loaded >= 5);
    }

    void frameOperations()
    {
        cGif gif;
        QVERIFY(gif.LoadFromStream(smallGif()));
        QCOMPARE(gif.FrameClone(0), 1);
        gif.SetFrameDelay(1, 7);
        gif.FrameMoveUp(1);
        QCOMPARE(gif.FrameDelay(0), 7);
        gif.FrameMoveDown(0);
        QCOMPARE(gif.FrameDelay(1), 7);
        gif.FrameRemove(0);
        QCOMPARE(gif.FramesCount(), 1);
        QCOMPARE(gif.FrameDelay(0), 7);

        QImage canvas(8, 8, QImage::Format_ARGB32);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        gif.FrameDraw(painter, 0, 1, 2);
        painter.end();
        QCOMPARE(canvas.pixel(0, 0), qRgb(0, 0, 0));
        QCOMPARE(canvas.pixel(1, 2), gif.lpFramePaletteColor(0, gif.FrameDIBXOR(0).ScanLine(0)[0]));
    }
};

QTEST_MAIN(TestGifContainer)
#include "tst_gifcontainer.moc"

#include "ImageMagick.h"
#include "image/cDib.h"
#include "image/cGif.h"
#include "image/mGIFLZWDec.h"
#include "image/mGIFLZWEnc.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

cDib makeImage(int w, int h, quint32 seed, int colours)
{
    cDib dib;
    dib.Create(w, h, 8);
    QRandomGenerator rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            dib.ScanLine(y)[x] = uchar(rng.bounded(colours));
    for (int i = 0; i < 256; ++i)
        dib.SetPaletteColor(i, qRgb(i, 255 - i, (i * 7) & 0xff));
    return dib;
}

QByteArray encode(const cDib& dib, int minCodeSize, bool interlaced)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    mGIFLZWEnc::Encode(buffer, dib, minCodeSize + 1, interlaced);
    return out;
}

// The sub-blocks' lengths, and their data joined.
QList<int> blockLengths(const QByteArray& blocks, QByteArray* data = nullptr)
{
    QList<int> lengths;
    for (qsizetype at = 0; at < blocks.size();) {
        const int n = uchar(blocks[at]);
        lengths << n;
        if (data)
            data->append(blocks.mid(at + 1, n));
        at += 1 + n;
    }
    return lengths;
}

bool samePixels(const cDib& a, const cDib& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (memcmp(a.ScanLine(y), b.ScanLine(y), size_t(a.Width())) != 0)
            return false;
    return true;
}

} // namespace

class TestGifLzw : public QObject {
    Q_OBJECT
private slots:
    void onePixelIsClearPixelEndInNineBits()
    {
        cDib dib;
        QVERIFY(dib.Create(1, 1, 8));
        dib.ScanLine(0)[0] = 5;
        // 256, 5 and 257 packed from the least significant bit: 0x4040B00.
        QCOMPARE(encode(dib, 8, false), QByteArray::fromHex("04000b0404"));
    }

    void fewerThanFiveRowsAreNeverInterlaced()
    {
        const cDib four = makeImage(7, 4, 1, 16);
        QCOMPARE(encode(four, 4, true), encode(four, 4, false));
        const cDib five = makeImage(7, 5, 1, 16);
        QVERIFY(encode(five, 4, true) != encode(five, 4, false));
    }

    void roundTripsInBothRowOrders_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("colours");
        QTest::addColumn<int>("codeSize");
        QTest::addColumn<bool>("interlaced");
        QTest::newRow("2 colours") << 33 << 17 << 2 << 2 << false;
        QTest::newRow("16 colours interlaced") << 40 << 23 << 16 << 4 << true;
        QTest::newRow("256 colours noise, past 4096 codes") << 200 << 120 << 256 << 8 << false;
        QTest::newRow("256 colours interlaced") << 97 << 61 << 256 << 8 << true;
        QTest::newRow("flat, long runs") << 300 << 300 << 1 << 8 << false;
    }

    void roundTripsInBothRowOrders()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, colours);
        QFETCH(int, codeSize);
        QFETCH(bool, interlaced);
        const cDib source = makeImage(width, height, 42, colours);
        QByteArray data;
        blockLengths(encode(source, codeSize, interlaced), &data);
        cDib decoded;
        QVERIFY(decoded.Create(width, height, 8));
        QCOMPARE(mGIFLZWDec::Decode(decoded, interlaced, codeSize, data),
                 mGIFLZWDec::DecodeResult::Complete);
        QVERIFY(samePixels(source, decoded));
    }

    void tableClearsAtFourThousandNinetySix()
    {
        // Noise of 256 colours fills the table quickly. Follow the codes as a decoder counts
        // table entries: every clear after the first must come exactly when the table is full,
        // and the codes after it are 9 bits wide again (else the reading would go astray).
        const cDib source = makeImage(150, 150, 7, 256);
        QByteArray data;
        blockLengths(encode(source, 8, false), &data);
        int width = 9, next = 258, bits = 0, clears = 0, codes = 0;
        bool started = false, havePrevious = false, sawEnd = false;
        quint32 acc = 0;
        qsizetype at = 0;
        for (;;) {
            while (bits < width && at < data.size()) {
                acc |= quint32(uchar(data[at++])) << bits;
                bits += 8;
            }
            if (bits < width)
                break;
            const int code = int(acc & ((1u << width) - 1));
            acc >>= width;
            bits -= width;
            if (code == 257) {
                sawEnd = true;
                break;
            }
            if (code == 256) {
                if (started) {
                    QCOMPARE(next, 4096);
                    ++clears;
                }
                started = true;
                width = 9;
                next = 258;
                havePrevious = false;
                continue;
            }
            QVERIFY(code < qMax(next, 256) + 1);
            ++codes;
            if (havePrevious && next < 4096) {
                ++next;
                if (next > (1 << width) - 1 && width < 12)
                    ++width;
            }
            havePrevious = true;
        }
        QVERIFY(sawEnd);
        QVERIFY2(clears >= 2, "22500 noise pixels must overflow the 4096-entry table");
        QVERIFY(codes > 10000);
    }

    void fullBlocksHold254Bytes()
    {
        bool saw254 = false, saw255 = false;
        for (quint32 seed = 1; seed < 40 && !(saw254 && saw255); ++seed) {
            for (int n = 120; n < 260; ++n) {
                const cDib dib = makeImage(n, 1, seed, 256);
                const QByteArray blocks = encode(dib, 8, false);
                QByteArray data;
                const QList<int> lengths = blockLengths(blocks, &data);
                for (int i = 0; i + 1 < lengths.size(); ++i)
                    QCOMPARE(lengths[i], 254);
                QVERIFY(lengths.last() >= 1 && lengths.last() <= 254);
                if (data.size() == 254) {
                    saw254 = true;
                    QCOMPARE(lengths, QList<int>{254});
                }
                if (data.size() == 255) {
                    saw255 = true;
                    QCOMPARE(lengths, (QList<int>{254, 1}));
                }
            }
        }
        QVERIFY(saw254 && saw255);
    }

    void onlyEightBitImagesAreCoded()
    {
        cDib dib;
        QVERIFY(dib.Create(4, 4, 24));
        QVERIFY(encode(dib, 8, false).isEmpty());
        QCOMPARE(mGIFLZWDec::Decode(dib, false, 8, QByteArray::fromHex("04000b0404")),
                 mGIFLZWDec::DecodeResult::NotApplicable);
    }

    void decoderStopsCleanlyOnDamagedData()
    {
        cDib dib;
        QVERIFY(dib.Create(4, 4, 8));
        // Clear, pixel 1, then code 300 while the next free code is 258.
        QByteArray data(8, 0);
        quint64 acc = 256 | (quint64(1) << 9) | (quint64(300) << 18);
        for (int i = 0; i < 4; ++i)
            data[i] = char((acc >> (8 * i)) & 0xff);
        dib.Cls(qRgb(0, 0, 0));
        std::memset(dib.lpBits(), 9, size_t(dib.Size()));
        QCOMPARE(mGIFLZWDec::Decode(dib, false, 8, data.left(4)), mGIFLZWDec::DecodeResult::Corrupt);
        QCOMPARE(int(dib.ScanLine(0)[0]), 1);
        QCOMPARE(int(dib.ScanLine(0)[1]), 9); // the rest is left as it was
        QCOMPARE(int(dib.ScanLine(3)[3]), 9);

        // The data ends after the first pixel: the rest stays.
        std::memset(dib.lpBits(), 9, size_t(dib.Size()));
        QCOMPARE(mGIFLZWDec::Decode(dib, false, 8, data.left(3)), mGIFLZWDec::DecodeResult::Truncated);
        QCOMPARE(int(dib.ScanLine(0)[0]), 1);
        QCOMPARE(int(dib.ScanLine(1)[0]), 9);

        // A code size no GIF can have.
        QCOMPARE(mGIFLZWDec::Decode(dib, false, 12, data), mGIFLZWDec::DecodeResult::NotApplicable);
    }

    void imageMagickReadsOurCodes()
    {
        if (!magick::available())
            QSKIP("ImageMagick is not installed");
        QTemporaryDir dir;
        const cDib source = makeImage(150, 150, 3, 256); // overflows the table several times
        cGif gif;
        gif.SetScreenSize(150, 150);
        QCOMPARE(gif.FrameInsert(0, source), 0);
        const QString path = dir.filePath("noise.gif");
        QVERIFY(gif.Save(path));
        const QImage theirs = magick::decode(path);
        QCOMPARE(theirs.size(), QSize(150, 150));
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 150; ++x)
                QCOMPARE(theirs.pixel(x, y) & 0xffffff, source.PaletteColor(source.ScanLine(y)[x]) & 0xffffff);
    }
};

QTEST_GUILESS_MAIN(TestGifLzw)
#include "tst_giflzw.moc"

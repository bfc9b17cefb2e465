#include "image/cDib.h"
#include "image/cPal8bpp.h"
#include "image/mDither8bpp.h"

#include <QSet>
#include <QtTest>

namespace {

cDib flat(int w, int h, QRgb colour)
{
    cDib dib;
    dib.Create(w, h, 32);
    dib.Cls(colour);
    return dib;
}

} // namespace

class TestPalettes : public QObject {
    Q_OBJECT
private slots:
    void fixedPalettes()
    {
        cPal8bpp pal;
        pal.CreateGreyScale(1);
        QCOMPARE(pal.Entries(), 16);
        QCOMPARE(pal.Color(1), qRgb(17, 17, 17));
        QCOMPARE(pal.Color(15), qRgb(255, 255, 255));
        QVERIFY(pal.IsGreyScale());
        pal.CreateGreyScale(0);
        QCOMPARE(pal.Entries(), 2);
        QCOMPARE(pal.Color(1), qRgb(255, 255, 255));

        pal.CreateEGA();
        QCOMPARE(pal.Entries(), 16);
        QCOMPARE(pal.Color(1), qRgb(128, 0, 0));
        QCOMPARE(pal.Color(7), qRgb(192, 192, 192));
        QCOMPARE(pal.Color(8), qRgb(128, 128, 128));
        QCOMPARE(pal.Color(12), qRgb(0, 0, 255));
        QVERIFY(!pal.IsGreyScale());

        const QList<QList<int>> levels = {{0, 255}, {0, 128, 255}, {0, 85, 170, 255},
                                          {0, 64, 128, 192, 255}, {0, 51, 102, 153, 204, 255}};
        for (int type = 0; type < 5; ++type) {
            pal.CreateHalftone(type);
            const QList<int>& l = levels[type];
            const int n = int(l.size());
            QCOMPARE(pal.Entries(), n * n * n);
            // Red fastest, then green, then blue.
            QCOMPARE(pal.Color(1), qRgb(l[1], 0, 0));
            QCOMPARE(pal.Color(n), qRgb(0, l[1], 0));
            QCOMPARE(pal.Color(n * n), qRgb(0, 0, l[1]));
            QCOMPARE(pal.Color(n * n * n - 1), qRgb(255, 255, 255));
        }

        pal.CreateWebsafe();
        QCOMPARE(pal.Entries(), 256);
        QCOMPARE(pal.Color(7), qRgb(192, 192, 192));
        QCOMPARE(pal.Color(248), qRgb(128, 128, 128));
        QCOMPARE(pal.Color(255), qRgb(255, 255, 255));
        QCOMPARE(pal.Color(217), qRgb(8, 8, 8));
        QCOMPARE(pal.Color(247), qRgb(248, 248, 248));
        QSet<QRgb> cube;
        for (int i = 8; i < 216; ++i) {
            const QRgb c = pal.Color(i);
            QVERIFY(qRed(c) % 51 == 0 && qGreen(c) % 51 == 0 && qBlue(c) % 51 == 0);
            cube.insert(c);
        }
        QCOMPARE(cube.size(), 208); // the cube without the standard colours, each once
        QVERIFY(!cube.contains(qRgb(255, 0, 0)) && !cube.contains(qRgb(0, 0, 0)));
    }

    void tables()
    {
        QCOMPARE(mDither8bpp::SixLevel(-51), 0);
        QCOMPARE(mDither8bpp::SixLevel(25), 0);
        QCOMPARE(mDither8bpp::SixLevel(26), 1);
        QCOMPARE(mDither8bpp::SixLevel(127), 2);
        QCOMPARE(mDither8bpp::SixLevel(128), 3);
        QCOMPARE(mDither8bpp::SixLevel(280), 5);
        QCOMPARE(mDither8bpp::SixteenLevel(-8), 0);
        QCOMPARE(mDither8bpp::SixteenLevel(8), 0);
        QCOMPARE(mDither8bpp::SixteenLevel(9), 1);
        QCOMPARE(mDither8bpp::SixteenLevel(262), 15);
        QCOMPARE(mDither8bpp::OrderedMatrix(1, 0), 9);
        QCOMPARE(mDither8bpp::OrderedMatrix(0, 3), 16);
        QCOMPARE(mDither8bpp::OrderedMatrix51(1, 0), 29);
        QCOMPARE(mDither8bpp::OrderedMatrix51(2, 2), 6);
        // Shares are rounded with halves to the even neighbour.
        QCOMPARE(mDither8bpp::ErrorShare(8, 7), 4);   // 3.5
        QCOMPARE(mDither8bpp::ErrorShare(8, 5), 2);   // 2.5
        QCOMPARE(mDither8bpp::ErrorShare(-8, 5), -2); // -2.5
        QCOMPARE(mDither8bpp::ErrorShare(24, 5), 8);  // 7.5
        QCOMPARE(mDither8bpp::ErrorShare(255, 1), 16);
        QCOMPARE(mDither8bpp::ErrorShare(-255, 3), -48);
    }

    void whiteIsCubeEntry215InEveryMode()
    {
        for (int mode = 0; mode < 3; ++mode) {
            cDib source = flat(9, 7, qRgb(255, 255, 255));
            cDib target;
            target.Create(9, 7, 8);
            cPal8bpp pal;
            QVERIFY(mDither8bpp::Convert(source, target, pal, mDither8bpp::PaletteHalftone, mode));
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 9; ++x)
                    QCOMPARE(int(target.ScanLine(y)[x]), 215);
            QCOMPARE(target.PaletteColor(215), qRgb(255, 255, 255));
        }
    }

    void orderedGreyIsARegularPattern()
    {
        cDib source = flat(12, 8, qRgb(128, 128, 128));
        cDib target;
        target.Create(12, 8, 8);
        cPal8bpp pal;
        QVERIFY(mDither8bpp::Convert(source, target, pal, mDither8bpp::PaletteHalftone,
                                     mDither8bpp::DitherOrdered));
        const int dark = 2 + 6 * 2 + 36 * 2;  // 102, 102, 102
        const int light = 3 + 6 * 3 + 36 * 3; // 153, 153, 153
        // Light where the threshold of M x 51 / 16 is 26 or less.
        const int expected[4][4] = {{1, 0, 1, 0}, {0, 1, 0, 1}, {1, 0, 1, 0}, {0, 1, 0, 1}};
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 12; ++x)
                QCOMPARE(int(target.ScanLine(y)[x]), expected[y % 4][x % 4] ? light : dark);
        QCOMPARE(pal.Color(dark), qRgb(102, 102, 102));
    }

    void errorDiffusion()
    {
        // Totals of 3 or less are left alone: no change in the source, nothing spread.
        cDib near = flat(4, 4, qRgb(52, 50, 51));
        cDib target;
        target.Create(4, 4, 8);
        cPal8bpp pal;
        QVERIFY(mDither8bpp::Convert(near, target, pal, 0, mDither8bpp::DitherErrorDiffusion));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                QCOMPARE(near.Image().pixel(x, y) & 0xffffff, qRgb(52, 50, 51) & 0xffffff);
                QCOMPARE(int(target.ScanLine(y)[x]), 1 + 6 + 36);
            }

        // A colour between the levels comes out right on average, in both palette modes.
        for (int mode = 0; mode < 2; ++mode) {
            cDib source = flat(40, 40, qRgb(128, 90, 200));
            cDib out;
            out.Create(40, 40, 8);
            QVERIFY(mDither8bpp::Convert(source, out, pal, mode, mDither8bpp::DitherErrorDiffusion));
            double r = 0, g = 0, b = 0;
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 40; ++x) {
                    const QRgb c = out.PaletteColor(out.ScanLine(y)[x]);
                    r += qRed(c);
                    g += qGreen(c);
                    b += qBlue(c);
                }
            QVERIFY2(qAbs(r / 1600 - 128) < 3 && qAbs(g / 1600 - 90) < 3 && qAbs(b / 1600 - 200) < 3,
                     qPrintable(QStringLiteral("mode %1: %2 %3 %4").arg(mode).arg(r / 1600).arg(g / 1600).arg(b / 1600)));
        }
    }

    void optimalPaletteOfFewColoursIsExactlyThem()
    {
        const QList<QRgb> colours = {qRgb(10, 10, 10), qRgb(11, 10, 10), qRgb(200, 30, 90),
                                     qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(17, 34, 51)};
        cDib image;
        image.Create(30, 20, 32);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x) {
                const QRgb c = colours[(x * 7 + y * 3) % colours.size()];
                uchar* p = image.ScanLine(y) + x * 4;
                p[0] = uchar(qBlue(c));
                p[1] = uchar(qGreen(c));
                p[2] = uchar(qRed(c));
            }
        cPal8bpp pal;
        QVERIFY(pal.CreateOptimal(image, 256, 8, 1.0, 1.0, 1.0));
        QCOMPARE(pal.Entries(), int(colours.size()));
        QSet<QRgb> got;
        for (int i = 0; i < pal.Entries(); ++i)
            got.insert(pal.Color(i));
        QCOMPARE(got, QSet<QRgb>(colours.begin(), colours.end()));
        QCOMPARE(pal.ClosestColor(199, 31, 92), qRgb(200, 30, 90));
    }

    void optimalPaletteReducesToTheColourCount()
    {
        cDib image;
        image.Create(64, 64, 32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                uchar* p = image.ScanLine(y) + x * 4;
                p[0] = uchar(x * 4);
                p[1] = uchar(y * 4);
                p[2] = uchar((x ^ y) * 4);
            }
        cPal8bpp pal;
        QVERIFY(pal.CreateOptimal(image, 16, 8, 1.0, 1.0, 1.0));
        QVERIFY(pal.Entries() <= 16 && pal.Entries() >= 8);
        // Averages of the merged colours stay inside the image's colour range.
        for (int i = 0; i < pal.Entries(); ++i)
            QVERIFY(qRed(pal.Color(i)) <= 252 && qGreen(pal.Color(i)) <= 252);

        // The optimal mode maps multiples of 17 exactly when they are few.
        cDib few;
        few.Create(16, 16, 32);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                uchar* p = few.ScanLine(y) + x * 4;
                p[0] = uchar(x < 8 ? 34 : 221);
                p[1] = uchar(y < 8 ? 17 : 170);
                p[2] = 85;
            }
        cDib out;
        out.Create(16, 16, 8);
        QVERIFY(mDither8bpp::Convert(few, out, pal, mDither8bpp::PaletteOptimal, mDither8bpp::DitherNone));
        QCOMPARE(out.PaletteColor(out.ScanLine(0)[0]), qRgb(85, 17, 34));
        QCOMPARE(out.PaletteColor(out.ScanLine(15)[15]), qRgb(85, 170, 221));
    }

    void settingsStartAtCubeWithoutDither()
    {
        QCOMPARE(mDither8bpp::PaletteModeSetting(), 0);
        QCOMPARE(mDither8bpp::DitherModeSetting(), 0);
        cDib source = flat(2, 2, qRgb(100, 100, 100));
        cDib wrongDepth;
        wrongDepth.Create(2, 2, 24);
        cPal8bpp pal;
        QVERIFY(!mDither8bpp::Convert(source, wrongDepth, pal));
    }
};

QTEST_GUILESS_MAIN(TestPalettes)
#include "tst_palettes.moc"

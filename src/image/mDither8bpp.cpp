#include "image/mDither8bpp.h"

#include "image/cDIBSection.h"
#include "image/cDib.h"
#include "image/cPal8bpp.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace mDither8bpp {
namespace {

int g_paletteMode = PaletteHalftone;
int g_ditherMode = DitherNone;

struct Tables {
    std::array<uchar, 332> six{};     // -51 .. 280
    std::array<uchar, 271> sixteen{}; // -8 .. 262
    std::array<uchar, 216> cube{};
    std::array<std::array<int, 511>, 4> shares{}; // 7, 5, 3, 1 sixteenths of -255 .. 255
};

constexpr int kMatrix[4][4] = {{1, 9, 3, 11}, {13, 5, 15, 7}, {4, 12, 2, 10}, {16, 8, 14, 6}};
constexpr int kMatrix51[4][4] = {{3, 29, 10, 35}, {41, 16, 48, 22}, {13, 38, 6, 32}, {51, 26, 45, 19}};
constexpr int kShareWeights[4] = {7, 5, 3, 1};

Tables g_tables;
std::once_flag g_built;

int shareSlot(int sixteenths)
{
    switch (sixteenths) {
    case 7: return 0;
    case 5: return 1;
    case 3: return 2;
    default: return 3;
    }
}

inline int six(int v)
{
    return g_tables.six[v + 51];
}

inline int sixteen(int v)
{
    return g_tables.sixteen[v + 8];
}

// Fills the target's indices; `indexOf(r, g, b, x, y)` gives one pixel's index.
template <typename IndexOf>
void mapPixels(cDib& source, cDib& target, IndexOf indexOf)
{
    const int w = source.Width();
    for (int y = 0; y < source.Height(); ++y) {
        const uchar* s = source.ScanLine(y);
        uchar* t = target.ScanLine(y);
        for (int x = 0; x < w; ++x, s += 4)
            t[x] = uchar(indexOf(s[2], s[1], s[0], x, y));
    }
}

void spread(uchar* p, const int error[3], int slot)
{
    // p is B,G,R; error is r, g, b.
    for (int c = 0; c < 3; ++c) {
        const int v = p[2 - c] + g_tables.shares[slot][error[c] + 255];
        p[2 - c] = uchar(qBound(0, v, 255));
    }
}

template <typename IndexOf>
void diffuse(cDib& source, cDib& target, const cPal8bpp& palette, IndexOf indexOf)
{
    const int w = source.Width();
    const int h = source.Height();
    for (int y = 0; y < h; ++y) {
        uchar* row = source.ScanLine(y);
        uchar* below = y + 1 < h ? source.ScanLine(y + 1) : nullptr;
        uchar* t = target.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            uchar* s = row + x * 4;
            const int index = indexOf(s[2], s[1], s[0]);
            t[x] = uchar(index);
            const int error[3] = {s[2] - palette.rgbR(index), s[1] - palette.rgbG(index),
                                  s[0] - palette.rgbB(index)};
            if (std::abs(error[0]) + std::abs(error[1]) + std::abs(error[2]) <= 3)
                continue;
            s[2] = uchar(palette.rgbR(index));
            s[1] = uchar(palette.rgbG(index));
            s[0] = uchar(palette.rgbB(index));
            if (x + 1 < w)
                spread(row + (x + 1) * 4, error, 0);
            if (below) {
                spread(below + x * 4, error, 1);
                if (x + 1 < w)
                    spread(below + (x + 1) * 4, error, 3);
                if (x > 0)
                    spread(below + (x - 1) * 4, error, 2);
            }
        }
    }
}

} // namespace

int PaletteModeSetting() { return g_paletteMode; }
int DitherModeSetting() { return g_ditherMode; }
void SetPaletteMode(int mode) { g_paletteMode = qBound(0, mode, 1); }
void SetDitherMode(int mode) { g_ditherMode = qBound(0, mode, 2); }

void BuildTables()
{
    std::call_once(g_built, [] {
        for (int v = -51; v <= 280; ++v)
            g_tables.six[v + 51] = uchar(qBound(0, int(std::lround(v / 51.0)), 5));
        for (int v = -8; v <= 262; ++v)
            g_tables.sixteen[v + 8] = uchar(qBound(0, int(std::lround(v / 17.0)), 15));
        cPal8bpp cube;
        cube.CreateHalftone(4);
        for (int b = 0; b < 6; ++b)
            for (int g = 0; g < 6; ++g)
                for (int r = 0; r < 6; ++r)
                    g_tables.cube[r + 6 * g + 36 * b] =
                        uchar(cube.ClosestIndex(qMin(255, r * 51), qMin(255, g * 51), qMin(255, b * 51)));
        for (int k = 0; k < 4; ++k)
            for (int e = -255; e <= 255; ++e)
                g_tables.shares[k][e + 255] = int(std::nearbyint(e * kShareWeights[k] / 16.0));
    });
}

int SixLevel(int value)
{
    BuildTables();
    return six(qBound(-51, value, 280));
}

int SixteenLevel(int value)
{
    BuildTables();
    return sixteen(qBound(-8, value, 262));
}

int OrderedMatrix(int x, int y) { return kMatrix[y & 3][x & 3]; }
int OrderedMatrix51(int x, int y) { return kMatrix51[y & 3][x & 3]; }

int ErrorShare(int error, int sixteenths)
{
    BuildTables();
    return g_tables.shares[shareSlot(sixteenths)][qBound(-255, error, 255) + 255];
}

bool Convert(cDib& source, cDib& target, cPal8bpp& palette)
{
    return Convert(source, target, palette, g_paletteMode, g_ditherMode);
}

bool Convert(cDib& source, cDib& target, cPal8bpp& palette, int paletteMode, int ditherMode)
{
    if (source.BPP() != 32 || target.BPP() != 8 || !source.IsValid()
        || source.Width() != target.Width() || source.Height() != target.Height())
        return false;
    BuildTables();

    std::vector<uchar> inverse;
    if (paletteMode == PaletteOptimal) {
        // The palette comes from a 150 x 150 copy: enough for the colours, cheap for big images.
        cDIBSection full;
        full.CreateFromPicture(source.Image());
        const cDIBSection small = full.Resample(150, 150);
        cDib sample;
        sample.CreateFromStdPicture(small.Image(), 32);
        palette.CreateOptimal(sample, 256, 8, 1.0, 1.0, 1.0);
        inverse.resize(16 * 16 * 16);
        for (int b = 0; b < 16; ++b)
            for (int g = 0; g < 16; ++g)
                for (int r = 0; r < 16; ++r)
                    inverse[r + 16 * g + 256 * b] = uchar(palette.ClosestIndex(17 * r, 17 * g, 17 * b));
    } else {
        palette.CreateHalftone(4);
    }
    target.SetPalette(palette.GetPalette());

    const auto& cube = g_tables.cube;
    if (paletteMode == PaletteOptimal) {
        const auto nearest = [&](int r, int g, int b) {
            return inverse[sixteen(r) + 16 * sixteen(g) + 256 * sixteen(b)];
        };
        if (ditherMode == DitherOrdered) {
            mapPixels(source, target, [&](int r, int g, int b, int x, int y) {
                const int t = kMatrix[y & 3][x & 3];
                return inverse[sixteen(r + 8 - t) + 16 * sixteen(g + 8 - t) + 256 * sixteen(b + 8 - t)];
            });
        } else if (ditherMode == DitherErrorDiffusion) {
            diffuse(source, target, palette, nearest);
        } else {
            mapPixels(source, target, [&](int r, int g, int b, int, int) { return nearest(r, g, b); });
        }
        return true;
    }

    const auto nearest = [&](int r, int g, int b) { return cube[six(r) + 6 * six(g) + 36 * six(b)]; };
    if (ditherMode == DitherOrdered) {
        mapPixels(source, target, [&](int r, int g, int b, int x, int y) {
            const int t = kMatrix51[y & 3][x & 3];
            return cube[six(r + 26 - t) + 6 * six(g + 26 - t) + 36 * six(b + 26 - t)];
        });
    } else if (ditherMode == DitherErrorDiffusion) {
        diffuse(source, target, palette, nearest);
    } else {
        mapPixels(source, target, [&](int r, int g, int b, int, int) { return nearest(r, g, b); });
    }
    return true;
}

} // namespace mDither8bpp

#pragma once

class cDib;
class cPal8bpp;

// Maps every pixel of a 32-bit image to a palette index of an 8-bit image: nearest level,
// ordered dithering or Floyd-Steinberg error diffusion, with the 216-colour halftone cube or an
// optimal palette. All per-pixel work is table look-ups.
namespace mDither8bpp {

enum PaletteMode { PaletteHalftone = 0, PaletteOptimal = 1 };
enum DitherMode { DitherNone = 0, DitherOrdered = 1, DitherErrorDiffusion = 2 };

// The module's settings; both start at 0 (halftone cube, no dithering).
int PaletteModeSetting();
int DitherModeSetting();
void SetPaletteMode(int mode);
void SetDitherMode(int mode);

// Builds the tables once; later calls do nothing.
void BuildTables();

// The tables, for callers that need a level or a share directly.
int SixLevel(int value);     // value -51 .. 280
int SixteenLevel(int value); // value -8 .. 262
int OrderedMatrix(int x, int y);     // 1 .. 16
int OrderedMatrix51(int x, int y);   // M x 51 / 16 rounded
int ErrorShare(int error, int sixteenths); // error -255 .. 255; sixteenths 7, 5, 3 or 1

// Converts source (32 bits per pixel) into target (8 bits, same size), choosing the palette
// into `palette` and the target's colour table. Error diffusion writes the diffused colours back
// into the source. Returns false when the images do not fit that description.
bool Convert(cDib& source, cDib& target, cPal8bpp& palette);
bool Convert(cDib& source, cDib& target, cPal8bpp& palette, int paletteMode, int ditherMode);

} // namespace mDither8bpp

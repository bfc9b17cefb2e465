#pragma once

#include <QByteArray>
#include <QString>

// What a file's first bytes say about the image in it.
struct ImageHeader {
    enum Type { Unknown = 0, Gif = 1, Jpeg = 2, Png = 3, Bmp = 4 };
    // How the pixels are stored (JPEG: by the frame's components, CMYK covering YCCK).
    enum Colour { ColourUnknown, ColourRgb, ColourGrey, ColourCmyk, ColourIndexed };

    int type = Unknown;
    int width = 0;  // pixels; for a GIF the logical screen's
    int height = 0; // 0 when the header does not hold the size
    int colour = ColourUnknown;
    bool alpha = false;       // PNG with an alpha channel
    bool progressive = false; // JPEG with a progressive frame

    static ImageHeader fromBytes(const QByteArray& bytes);
    static ImageHeader fromFile(const QString& path); // Unknown when the file cannot be read
};

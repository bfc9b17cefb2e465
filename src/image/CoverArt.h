#pragma once

#include "image/ImageHeader.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class Prompts;

// What podcast directories (Apple Podcasts and the apps that follow its rules) say about a
// picture offered as cover art.
struct CoverCheck {
    ImageHeader header;
    qint64 bytes = 0;
    QStringList problems; // why the directories refuse it; empty when they accept it
    QStringList advice;   // accepted, but better otherwise
    bool accepted() const { return header.type != ImageHeader::Unknown && problems.isEmpty(); }
    // "3000 x 3000 pixels, JPEG, RGB, 812 KB"
    QString summary() const;
    // One line for the user: "Accepted by Apple Podcasts and the apps." or "Not accepted: "
    // with the reasons, followed by the advice.
    QString verdict() const;
};

// The square cover art of a podcast (itunes:image): its rules, and making a picture that
// meets them by cropping a square and scaling it.
class CoverArt {
public:
    static constexpr int kMinSize = 1400;
    static constexpr int kMaxSize = 3000;
    static constexpr qint64 kAdvisedBytes = 512 * 1024;
    static constexpr std::array<int, 3> kSizes{3000, 2048, 1400}; // offered by "Make square..."
    static constexpr int kFeedImageSize = 144; // the feed image made from the cover

    static CoverCheck Check(const QByteArray& bytes);
    // A file that cannot be read gives a check with the reason and type Unknown.
    static CoverCheck CheckFile(const QString& path);

    // The largest square in the middle of a picture.
    static QRect CentredSquare(const QSize& picture);
    // The size a crop of `cropSize` pixels is scaled to when none is chosen: the largest
    // offered size it does not have to be enlarged for, the smallest when it is below all.
    static int DefaultSize(int cropSize);

    // Pixels as the cover is made from: orientation applied, converted to sRGB (CMYK JPEG files
    // to RGB), see-through areas on white. Null when the bytes cannot be decoded.
    static QImage DecodeRgb(const QByteArray& bytes);

    struct Result {
        bool ok = false;
        bool copied = false; // the file already fitted and was copied byte for byte
        QSize size;
        int type = ImageHeader::Unknown;
        QString error;
    };
    // Makes OUT (JPEG at quality 90, or PNG, as `format` says: ImageHeader::Jpeg or Png) from
    // IN: the `crop` square (the centred square when none) scaled to `size` (DefaultSize when
    // none). A picture that already meets the rules, with no crop or other size asked for and
    // in the asked format, is copied unchanged.
    static Result Make(const QString& in, const QString& out, int format,
                       std::optional<QRect> crop = std::nullopt, std::optional<int> size = std::nullopt);
    // The same for pixels already decoded (the editor window has them).
    static Result Make(const QImage& picture, const QString& out, int format, const QRect& crop,
                       int size);

    // The feed image made from a cover: scaled to fit 144 x 144, never enlarged.
    static QImage FeedImage(const QImage& cover);
    // Format from a file name's extension: Jpeg for .jpg/.jpeg, Png for .png, else Unknown.
    static int FormatOfName(const QString& path);
};

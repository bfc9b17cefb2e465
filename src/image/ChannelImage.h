#pragma once

#include "common/Prompts.h"
#include "image/ImageHeader.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

// The channel image fields of the feed that loading and removing the picture touch.
struct ChannelImageFields {
    QString title;
    QString description;
    QString link;
    QString url;
    QString file; // the local picture file
};

// The transparent colour a GIF picture had when it was loaded.
struct GifTransparency {
    bool used = false;
    QRgb colour = 0;
};

// The channel's picture as the session and the "Edit picture" window handle it: loading and
// checking an image file against the feed image limits, saving it as JPEG, GIF or BMP and the
// open and save dialogs' data side. No widgets: questions and messages go through Prompts. A
// value: the editor works on a copy and hands it back.
class ChannelImage {
public:
    static constexpr int kMaxWidth = 144;  // the largest feed image
    static constexpr int kMaxHeight = 400;
    // Save dialog filters, in their order.
    enum SaveFilter { SaveJpeg = 0, SaveGif = 1, SaveBmp = 2 };

    // Why the last LoadShowPicture showed nothing from its file.
    enum class LoadFailure {
        None,
        CannotOpen,   // reported: "Cannot open the image file ..."
        Unknown,      // reported: "Unknown image format."
        NotFeedFormat // a picture of a kind feeds do not carry (TIFF, PPM ...); not reported
    };

    explicit ChannelImage(Prompts& prompts);

    // Reads, checks, optionally fits and shows an image file. GIF, JPEG, PNG and BMP load; a
    // file that cannot be read or decoded is reported and everything (fields included) is
    // kept; an unrecognised format empties the picture and the title, description, link and
    // URL fields. Returns whether a picture is shown from the file. When the picture was
    // fitted and `beforeFitting` is given, it receives the state of the picture at its own size.
    bool LoadShowPicture(const QString& path, ChannelImageFields& fields,
                         ChannelImage* beforeFitting = nullptr);

    // Writes a picture as BMP, GIF or JPEG (ImageHeader types); other formats write nothing
    // and return false. GIF output uses the palette and dither settings of mDither8bpp.
    static bool MySaveImage(Prompts& prompts, const QImage& picture, const QString& path,
                            int format, const GifTransparency& transparency = {});
    // The shown picture, with the loaded GIF's transparency.
    bool MySaveImage(const QString& path, int format);

    // Empties the shown picture (and what was noted about the file it came from).
    void ClearPrjImage();

    // The save flow: writes the shown picture to imageFile in the format it was opened in
    // (PNG too), unless that file already holds it unchanged. Returns false only when writing
    // failed.
    bool SaveToImageFile(const QString& imageFile);
    // Where the picture is to be kept: the file that holds it unchanged, else imageFile while
    // that does not exist, else a new name beside it ("photo-144x108.jpg"), so that the user's
    // own file is never overwritten by a resized copy.
    QString FileForPicture(const QString& imageFile) const;
    // "<folder>/<base>-<width>x<height>.<suffix>" beside `file`, numbered on when taken.
    static QString NewFileBeside(const QString& file, const QSize& size, const QString& suffix);
    // Writes the picture for the upload: an unchanged picture is copied byte for byte from its
    // file, a changed one is written in the format it was opened in.
    bool WriteForUpload(const QString& path);

    // "Open..." of the editor: asks for a file, sets fields.file and fields.url (the file-name
    // part) and loads it. Returns false when cancelled or not loaded.
    bool Open(ChannelImageFields& fields);
    // "Save as...": asks for a name, adds the filter's extension and writes the picture.
    bool SaveAs();
    // "Remove": clears the picture and empties every channel image field.
    void Remove(ChannelImageFields& fields);

    static QList<FileFilter> OpenFilters();
    static QList<FileFilter> SaveFilters();
    // The save dialog's name rule: the filter's extension is added unless the upper-cased name
    // already contains it anywhere.
    static QString NameWithExtension(const QString& name, int saveFilter);
    static int FormatOfSaveFilter(int saveFilter);
    // The picture fitted into maxWidth x maxHeight keeping its aspect ratio; never enlarged.
    static QImage FitInto(const QImage& picture, int maxWidth, int maxHeight);

    // An edited picture replaces the shown one; it is written in `format` (an ImageHeader type;
    // Unknown keeps the current one).
    void SetPicture(const QImage& picture, int format = ImageHeader::Unknown);

    const QImage& Picture() const { return m_picture; }
    bool HasPicture() const { return !m_picture.isNull(); }
    QSize PictureBoxSize() const { return m_boxSize; }
    const ImageHeader& HeaderInfo() const { return m_header; }
    int CurrentImageType() const { return m_currentType; }
    int TransparentIndex() const { return m_transparentIndex; }
    GifTransparency Transparency() const { return m_transparency; }
    bool AutoResizeWanted() const { return m_autoResize; }
    LoadFailure LastLoadFailure() const { return m_failure; }
    // True when the shown picture is not exactly what its file holds.
    bool IsModified() const { return m_sourceFile.isEmpty(); }

private:
    void show(const QImage& picture, const QString& sourceFile);
    void reportCannotOpen(const QString& path);

    Prompts* m_prompts;
    QImage m_picture;
    QSize m_boxSize;
    ImageHeader m_header;
    bool m_autoResize = false;
    LoadFailure m_failure = LoadFailure::None;
    int m_currentType = ImageHeader::Unknown;
    int m_transparentIndex = 0;
    GifTransparency m_transparency;
    QString m_sourceFile; // the file that holds the shown picture unchanged; empty once edited
};

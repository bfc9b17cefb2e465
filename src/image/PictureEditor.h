#pragma once

#include "image/ChannelImage.h"
#include "image/CoverArt.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

// The podcast's cover art as the editor keeps it: the local file and the address the feed's
// itunes:image gives.
struct CoverArtFields {
    QString file;
    QString url;
    bool operator==(const CoverArtFields&) const = default;
};

// The "Edit picture" window without widgets: it works on a copy of the channel image and its
// fields, keeps the history of up to ten earlier pictures (filled by every open, fit and
// remove), and hands the result back on OK. The window keeps `fields` and `cover` equal to
// its text boxes before and after each command.
class PictureEditor {
public:
    static constexpr int kLastUndoPosition = 10;

    struct CommandState {
        bool remove = false;
        bool upload = false;
        bool undo = false;
        bool redo = false;
        bool coverSquare = false; // "Make square..."
        bool coverToFeed = false; // "Use cover for the feed image"
        bool coverRemove = false;
        bool operator==(const CommandState&) const = default;
    };

    PictureEditor(Prompts& prompts, const ChannelImage& image, const ChannelImageFields& fields,
                  const CoverArtFields& cover = {});

    ChannelImageFields fields;
    CoverArtFields cover;
    const ChannelImage& image() const { return m_image; }

    // "Open...": the open dialog, then the picture with the size question. Nothing changes
    // when it is cancelled or the file cannot be shown (the user is told why).
    bool Open();
    bool OpenPath(const QString& path);
    // "Save as...".
    bool SaveAs();
    // "Remove": no picture, every channel image field empty.
    void Remove();
    bool Undo();
    bool Redo();
    int UndoPosition() const { return m_position; }
    int HistoryCount() const { return int(m_history.size()); }
    // Size of the picture box: the shown picture's own size.
    QSize PictureBoxSize() const { return m_image.PictureBoxSize(); }
    // The enabling timer's view of the commands.
    CommandState commandState() const;

    // The buttons beside "Link:" and "Image URL:" open their address in the browser.
    void OpenLink();
    void OpenImageUrl();

    // OK: the picture to hand back. fields.file becomes the file the picture is kept in (a
    // changed picture goes to a new file beside the user's own, see ChannelImage::FileForPicture).
    ChannelImage Accept();

    // Cover art: "Open..." of the cover, its check, "Make square..." and the feed image made
    // from it.
    bool OpenCover();
    bool OpenCoverPath(const QString& path);
    const CoverCheck& coverCheck() const { return m_coverCheck; }
    const QImage& coverPicture() const { return m_coverPicture; }
    // Crops and scales the cover and asks where to keep the result (JPEG or PNG).
    bool MakeSquare(const QRect& crop, int size);
    // The cover scaled to fit 144 x 144 becomes the feed picture, kept beside the cover file.
    bool UseCoverForFeedImage();
    void RemoveCover();

    static QList<FileFilter> CoverOpenFilters();
    static QList<FileFilter> CoverSaveFilters(); // JPEG, PNG
    // ".jpg" unless the upper-cased name holds ".JPG" or ".JPEG"; ".png" unless it holds ".PNG".
    static QString CoverNameWithExtension(const QString& name, int saveFilter);
    // The address of a file next to the one `imageUrl` names, when that is a web address;
    // else the file name alone.
    static QString AddressBeside(const QString& imageUrl, const QString& fileName);

private:
    struct Entry {
        ChannelImage image;
        ChannelImageFields fields;
    };

    void record();
    void restore(int from, int to);
    void loadCover(const QString& path);

    Prompts* m_prompts;
    ChannelImage m_image;
    QList<Entry> m_history;
    int m_position = 0;
    CoverCheck m_coverCheck;
    QImage m_coverPicture;
};

#pragma once

#include "feed/Channel.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

class ChannelImage;

// The channel image as the session uses it: shown in the main window, its size written into the
// feed, saved beside the feed by the save flow.
class ChannelImageSeam {
public:
    virtual ~ChannelImageSeam() = default;

    // Loads the picture to show. False when it cannot be read (the user has been told; the
    // channel image fields stay) or is of no known format (the image block's title,
    // description, link and address are emptied).
    virtual bool loadShowPicture(const QString& path, Channel& channel) = 0;
    // Forgets the picture.
    virtual void clearPrjImage() = 0;
    // Writes the picture to `path` in the format it was opened in. A picture that was not
    // changed since it was loaded from that path is not written again.
    virtual bool mySaveImage(const QString& path, QString* error) = 0;
    // Pixel size of the loaded picture, when there is one.
    virtual std::optional<QSize> pictureSize() const = 0;
    // What the main window shows.
    virtual QImage picture() const = 0;
    // Writes the picture as it is to be published (the upload's work file). False when there is
    // no picture or it could not be written (the user has been told).
    virtual bool writeForUpload(const QString& path) = 0;
    // The picture the "Edit picture" window edits; nullptr where pictures are only shown.
    virtual ChannelImage* editableImage() { return nullptr; }
};

// Remembers the picture without ever writing it: for callers without an image editor.
class ReadOnlyChannelImage : public ChannelImageSeam {
public:
    bool loadShowPicture(const QString& path, Channel& channel) override;
    void clearPrjImage() override;
    bool mySaveImage(const QString& path, QString* error) override;
    std::optional<QSize> pictureSize() const override;
    QImage picture() const override;
    bool writeForUpload(const QString& path) override; // a copy of the loaded file

private:
    QImage m_picture;
    QString m_source;
};

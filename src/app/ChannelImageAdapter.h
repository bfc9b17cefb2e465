#pragma once

#include "app/ChannelImageSeam.h"
#include "image/ChannelImage.h"

// The session's channel image on the image library: JPEG, GIF, BMP and PNG pictures checked
// against the feed image limits, saved back in the format they were opened in.
class ChannelImageAdapter : public ChannelImageSeam {
public:
    explicit ChannelImageAdapter(Prompts& prompts) : m_image(prompts) {}

    bool loadShowPicture(const QString& path, Channel& channel) override;
    void clearPrjImage() override;
    bool mySaveImage(const QString& path, QString* error) override;
    std::optional<QSize> pictureSize() const override;
    QImage picture() const override;
    bool writeForUpload(const QString& path) override;
    ChannelImage* editableImage() override { return &m_image; }

    ChannelImage& image() { return m_image; }

private:
    ChannelImage m_image;
};

#include "app/ChannelImageAdapter.h"

bool ChannelImageAdapter::loadShowPicture(const QString& path, Channel& channel)
{
    ChannelImageFields fields{channel.imageTitle, channel.imageDescription, channel.imageLink,
                              channel.imageUrl, channel.imageFile};
    const bool shown = m_image.LoadShowPicture(path, fields);
    channel.imageTitle = fields.title;
    channel.imageDescription = fields.description;
    channel.imageLink = fields.link;
    channel.imageUrl = fields.url;
    // A picture fitted on loading is kept in a file of its own, never over the user's.
    channel.imageFile = shown ? m_image.FileForPicture(fields.file) : fields.file;
    return shown;
}

void ChannelImageAdapter::clearPrjImage()
{
    m_image.ClearPrjImage();
}

bool ChannelImageAdapter::mySaveImage(const QString& path, QString* error)
{
    if (m_image.SaveToImageFile(path))
        return true;
    // The image library has told the user why.
    if (error)
        error->clear();
    return false;
}

std::optional<QSize> ChannelImageAdapter::pictureSize() const
{
    if (!m_image.HasPicture())
        return std::nullopt;
    return m_image.Picture().size();
}

QImage ChannelImageAdapter::picture() const
{
    return m_image.Picture();
}

bool ChannelImageAdapter::writeForUpload(const QString& path)
{
    return m_image.WriteForUpload(path);
}

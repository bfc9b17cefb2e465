#include "app/ChannelImageSeam.h"

#include <QImageReader>

bool ReadOnlyChannelImage::loadShowPicture(const QString& path, Channel&)
{
    QImageReader reader(path);
    m_picture = reader.read();
    return !m_picture.isNull();
}

void ReadOnlyChannelImage::clearPrjImage()
{
    m_picture = QImage();
}

bool ReadOnlyChannelImage::mySaveImage(const QString&, QString*)
{
    return true;
}

std::optional<QSize> ReadOnlyChannelImage::pictureSize() const
{
    if (m_picture.isNull())
        return std::nullopt;
    return m_picture.size();
}

QImage ReadOnlyChannelImage::picture() const
{
    return m_picture;
}

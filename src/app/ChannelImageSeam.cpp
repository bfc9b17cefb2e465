#include "app/ChannelImageSeam.h"

#include <QFile>
#include <QImageReader>

bool ReadOnlyChannelImage::loadShowPicture(const QString& path, Channel&)
{
    QImageReader reader(path);
    m_picture = reader.read();
    m_source = m_picture.isNull() ? QString() : path;
    return !m_picture.isNull();
}

void ReadOnlyChannelImage::clearPrjImage()
{
    m_picture = QImage();
    m_source.clear();
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

bool ReadOnlyChannelImage::writeForUpload(const QString& path)
{
    if (m_source.isEmpty())
        return false;
    QFile::remove(path);
    return QFile::copy(m_source, path);
}

#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

// ImageMagick as the reference for image files: it makes the files other programs would give
// the user and reads back the files we write.
namespace magick {

bool available();
// Runs `convert` with the arguments; returns its exit code (-1 when it did not run).
int convert(const QStringList& args, QByteArray* output = nullptr);
// Runs `identify -format FORMAT FILE`.
QString identify(const QString& format, const QString& path);
// One frame of a file decoded by ImageMagick, as ARGB32 (see-through pixels have alpha 0).
QImage decode(const QString& path, int frame = 0);

} // namespace magick

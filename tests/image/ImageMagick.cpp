#include "ImageMagick.h"

#include <QProcess>
#include <QStandardPaths>

namespace magick {

bool available()
{
    return !QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty();
}

int convert(const QStringList& args, QByteArray* output)
{
    QProcess process;
    process.start(QStringLiteral("convert"), args);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitCode();
}

QString identify(const QString& format, const QString& path)
{
    QProcess process;
    process.start(QStringLiteral("identify"), {QStringLiteral("-format"), format, path});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QImage decode(const QString& path, int frame)
{
    const QString source = QStringLiteral("%1[%2]").arg(path).arg(frame);
    QByteArray size;
    QProcess probe;
    probe.start(QStringLiteral("identify"), {QStringLiteral("-format"), QStringLiteral("%w %h"), source});
    probe.waitForFinished(60000);
    const QStringList wh = QString::fromUtf8(probe.readAllStandardOutput()).split(QLatin1Char(' '));
    if (wh.size() != 2)
        return {};
    const int w = wh[0].toInt();
    const int h = wh[1].toInt();
    QByteArray raw;
    if (convert({source, QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("rgba:-")}, &raw) != 0
        || raw.size() != qsizetype(w) * h * 4)
        return {};
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const auto* p = reinterpret_cast<const uchar*>(raw.constData()) + qsizetype(y) * w * 4;
        for (int x = 0; x < w; ++x, p += 4)
            line[x] = qRgba(p[0], p[1], p[2], p[3]);
    }
    return image;
}

} // namespace magick

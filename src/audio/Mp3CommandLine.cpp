#include "audio/Mp3CommandLine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString Mp3CommandLine::text() const
{
    QStringList parts;
    parts << (program.contains(QLatin1Char(' ')) ? QLatin1Char('"') + program + QLatin1Char('"') : program);
    for (int i = 0; i < arguments.size(); ++i) {
        const bool last = i == arguments.size() - 1;
        parts << (last ? QLatin1Char('"') + arguments[i] + QLatin1Char('"') : arguments[i]);
    }
    return parts.join(QLatin1Char(' '));
}

Mp3CommandLine Mp3CommandLine::make(const QString& homeFolder, bool stereo, int bitrateKbps, int sampleRate,
                                    const QLocale& locale)
{
    Mp3CommandLine line;
    QString programFolder = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    line.program = findEncoder(programFolder);
    if (line.program.isEmpty())
        line.program = QStringLiteral("lame");
    // The shortest decimal form of the rate in kHz: 44100 → 44.1, 48000 → 48, 22050 → 22.05.
    QString khz = QString::number(sampleRate / 1000.0, 'g', 10);
    khz.replace(QLatin1Char('.'), locale.decimalPoint());
    line.outputFile = QDir(homeFolder).filePath(QStringLiteral("Temp/currenttrack.mp3"));
    line.arguments << QStringLiteral("-h") << (stereo ? QStringLiteral("-ms") : QStringLiteral("-mm"))
                   << QStringLiteral("-b%1").arg(bitrateKbps) << QStringLiteral("-s") + khz << QStringLiteral("-")
                   << line.outputFile;
    return line;
}

QString Mp3CommandLine::findEncoder(const QString& programFolder)
{
    if (!programFolder.isEmpty()) {
        const QFileInfo beside(QDir(programFolder).filePath(QStringLiteral("lame")));
        if (beside.isFile() && beside.isExecutable())
            return beside.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(QStringLiteral("lame"));
}

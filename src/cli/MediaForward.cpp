#include "cli/CliRegistry.h"
#include "cli/MediaCommands.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

// velmora-cli's side of the media commands: find the helper and replace this process with it.
namespace {

QString helperPath()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QString name = QLatin1String(media_commands::kHelperName);
    // Beside velmora-cli in the build tree; in the library-executables folder once installed.
    for (const QString& candidate : {dir + QLatin1Char('/') + name,
                                     dir + QLatin1String("/" VELMORA_HELPER_RELATIVE "/") + name}) {
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    return {};
}

int forward(const char* command, const QStringList& args)
{
    const QString path = helperPath();
    if (path.isEmpty())
        return cliError(cli_exit::kFailed,
                        QStringLiteral("%1 is not installed beside velmora-cli; reinstall the program")
                            .arg(QLatin1String(media_commands::kHelperName)));
    std::vector<QByteArray> words{QFile::encodeName(path), QByteArray(command)};
    for (const QString& a : args)
        words.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    std::fflush(stderr);
    ::execv(argv[0], argv.data());
    return cliError(cli_exit::kFailed,
                    QStringLiteral("cannot start %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
}

int runAudio(const QStringList& args)
{
    return forward("audio", args);
}

int runImage(const QStringList& args)
{
    return forward("image", args);
}

const CliRegistrar audio("audio", media_commands::kAudioSummary, runAudio);
const CliRegistrar image("image", media_commands::kImageSummary, runImage);

} // namespace

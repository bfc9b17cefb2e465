#include "cli/CliRegistry.h"
#include "cli/HelperCommands.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

// velmora-cli's side of the helper commands: find the helper and replace this process with it.
namespace {

QString helperPath(const QString& name)
{
    const QString dir = QCoreApplication::applicationDirPath();
    // Beside velmora-cli in the build tree; in the library-executables folder once installed.
    for (const QString& candidate : {dir + QLatin1Char('/') + name,
                                     dir + QLatin1String("/" VELMORA_HELPER_RELATIVE "/") + name}) {
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    return {};
}

int runAudio(const QStringList& args)
{
    return runInHelper(cli_helpers::kMedia, "audio", args);
}

int runImage(const QStringList& args)
{
    return runInHelper(cli_helpers::kMedia, "image", args);
}

int runFtp(const QStringList& args)
{
    return runInHelper(cli_helpers::kNet, "ftp", args);
}

int runPublish(const QStringList& args)
{
    return runInHelper(cli_helpers::kPublish, "publish", args);
}

const CliRegistrar audio("audio", cli_helpers::kAudioSummary, runAudio);
const CliRegistrar image("image", cli_helpers::kImageSummary, runImage);
const CliRegistrar ftp("ftp", cli_helpers::kFtpSummary, runFtp);
const CliRegistrar publish("publish", cli_helpers::kPublishSummary, runPublish);

} // namespace

int runInHelper(const char* helper, const char* command, const QStringList& args)
{
    const QString name = QLatin1String(helper);
    const QString path = helperPath(name);
    if (path.isEmpty())
        return cliError(cli_exit::kFailed,
                        QStringLiteral("%1 is not installed beside velmora-cli; reinstall the program").arg(name));
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

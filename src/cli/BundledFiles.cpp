#include "cli/BundledFiles.h"

#include "app/HomeFolder.h"
#include "cli/CliRegistry.h"

#include <QDir>
#include <QFileInfo>

bool installMissingBundledFiles(const HomeFolder& home)
{
    QStringList missing;
    if (!QFileInfo::exists(home.languagesPath()))
        missing << QStringLiteral("languages.txt");
    if (!QFileInfo::exists(home.themesPath()))
        missing << QStringLiteral("Themes/");
    if (!QFileInfo::exists(home.manualPath()))
        missing << QStringLiteral("manual/");
    if (missing.isEmpty())
        return true;
    QString error;
    if (!home.ensureExists(&error)) {
        cliError(cli_exit::kFailed, error);
        return false;
    }
    QStringList errors;
    home.installBundledResources(&errors);
    if (!errors.isEmpty()) {
        cliError(cli_exit::kFailed, QStringLiteral("cannot install the program's files in \"%1\": %2")
                                        .arg(QDir::toNativeSeparators(home.path()),
                                             errors.join(QStringLiteral("; "))));
        return false;
    }
    std::fprintf(stderr, "velmora-cli: installed %s in \"%s\" (first use of this home folder)\n",
                 qPrintable(missing.join(QStringLiteral(", "))),
                 qPrintable(QDir::toNativeSeparators(home.path())));
    return true;
}

#include "app/HomeFolder.h"
#include "cli/CliRegistry.h"

// "velmora-cli home": where the program keeps its files, and installing the bundled ones.
namespace {

int runHome(const QStringList& args)
{
    if (args.contains(QLatin1String("--help"))) {
        cliPrint(QStringLiteral(
            "Usage: velmora-cli home [--install]\n\n"
            "Prints the home folder ($VELMORA_HOME, else the per-user data folder).\n"
            "--install copies the bundled languages.txt and Themes/ there when missing."));
        return cli_exit::kDone;
    }
    for (const QString& a : args) {
        if (a != QLatin1String("--install"))
            return cliError(cli_exit::kBadArguments, QStringLiteral("unknown option \"%1\"").arg(a));
    }
    const HomeFolder home = HomeFolder::resolve();
    if (args.contains(QLatin1String("--install"))) {
        QString error;
        if (!home.ensureExists(&error))
            return cliError(cli_exit::kFailed, error);
        QStringList errors;
        home.installBundledResources(&errors);
        if (!errors.isEmpty())
            return cliError(cli_exit::kFailed, errors.join(QStringLiteral("; ")));
    }
    cliPrint(home.path());
    return cli_exit::kDone;
}

const CliRegistrar registrar("home", "print the home folder; --install copies bundled files", runHome);

} // namespace

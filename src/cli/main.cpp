#include "cli/CliRegistry.h"
#include "common/HeapTuning.h"
#include "common/ProductInfo.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

void printHelp()
{
    auto commands = CliRegistry::commands();
    std::sort(commands.begin(), commands.end(),
              [](const CliCommand& a, const CliCommand& b) { return qstrcmp(a.name, b.name) < 0; });
    std::printf("Usage: velmora-cli COMMAND [ARGS...]\n\n"
                "Headless automation for Velmora podcasts: feeds, projects, images, audio,\n"
                "theme previews and FTP publishing.\n\nCommands:\n");
    for (const CliCommand& c : commands)
        std::printf("  %-10s %s\n", c.name, c.summary);
    std::printf("\n  --help     this text (COMMAND --help: help for one command)\n"
                "  --version  the program's version\n\n"
                "Exit codes: 0 done, 1 the operation failed, 2 bad arguments or input.\n");
}

} // namespace

// velmora-cli opens velmora-cli-core.so and calls this (CliFrontEnd.cpp); the helper programs
// call it from main.
extern "C" __attribute__((visibility("default"))) int velmora_cli_main(int argc, char* argv[])
{
    // Feed commands on large feeds spend more on page faults than on their work.
    heaptuning::preferLargePages(std::size_t(256) << 20);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmora"));
    QCoreApplication::setApplicationVersion(QLatin1String(product::kVersionString));

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        printHelp();
        return cli_exit::kBadArguments;
    }
    const QString first = args.takeFirst();
    if (first == QLatin1String("--help") || first == QLatin1String("-h")
        || first == QLatin1String("help")) {
        printHelp();
        return cli_exit::kDone;
    }
    if (first == QLatin1String("--version")) {
        std::printf("%s\n", qPrintable(product::versionLine()));
        return cli_exit::kDone;
    }
    for (const CliCommand& c : CliRegistry::commands()) {
        if (first == QLatin1String(c.name))
            return c.run(args);
    }
    return cliError(cli_exit::kBadArguments,
                    QStringLiteral("unknown command \"%1\" (see velmora-cli --help)").arg(first));
}

int main(int argc, char* argv[])
{
    return velmora_cli_main(argc, argv);
}

#include "cli/CliRegistry.h"

#include <unistd.h>

std::vector<CliCommand>& CliRegistry::commands()
{
    static std::vector<CliCommand> all;
    return all;
}

CliRegistrar::CliRegistrar(const char* name, const char* summary, CliHandler run)
{
    CliRegistry::commands().push_back({name, summary, run});
}

int cliError(int code, const QString& text)
{
    std::fprintf(stderr, "velmora-cli: %s\n", text.toUtf8().constData());
    return code;
}

void cliPrint(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

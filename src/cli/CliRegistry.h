#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>
#include <vector>

// Exit codes of every command.
namespace cli_exit {
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kBadArguments = 2;
} // namespace cli_exit

using CliHandler = int (*)(const QStringList& args);

struct CliCommand {
    const char* name;    // first word after the program name: "feed", "ftp", "image"
    const char* summary; // one line for --help
    CliHandler run;      // receives the words after the name
};

class CliRegistry {
public:
    static std::vector<CliCommand>& commands();
};

// A file-scope object of this type registers a command before main runs.
struct CliRegistrar {
    CliRegistrar(const char* name, const char* summary, CliHandler run);
};

// One-line error on stderr: "velmora-cli: <text>".
int cliError(int code, const QString& text);
void cliPrint(const QString& text); // UTF-8 on stdout, with a line end
bool stderrIsTerminal();

#include "cli/FeedCheckCommand.h"

#include "check/CheckReport.h"
#include "check/FeedChecker.h"
#include "cli/CliRegistry.h"

#include <QFile>
#include <QFileInfo>

namespace feedcheckcli {
namespace {

const char kCheckHelp[] =
    "Usage: velmora-cli feed check FILE|URL [--online] [--json] [--rules LIST] [--timeout SECONDS]\n\n"
    "Checks a feed against the XML, RSS 2.0, Apple Podcasts and Podcasting 2.0 rules and prints\n"
    "one finding a line (FILE:LINE:COLUMN: SEVERITY: MESSAGE [RULE]), then the counts.\n"
    "  --json           print {\"findings\": [...], \"errors\": N, \"warnings\": N, \"advice\": N}\n"
    "  --rules LIST     families to check, comma-separated: rss, apple, p20 (default all;\n"
    "                   the XML rules always run)\n"
    "  --online         also ask the server for every enclosure and picture: status, size, type,\n"
    "                   byte ranges, redirects (four at a time)\n"
    "  --timeout S      seconds each request may take (default 30)\n"
    "A URL (http:// or https://) is downloaded first. The rules are listed in docs/check.md.\n"
    "Exit codes: 0 no errors, 1 errors found or the download failed, 2 bad arguments or a file\n"
    "that cannot be read.";

} // namespace

bool Arguments::isUrl() const
{
    return target.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || target.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

int parse(const QStringList& args, Arguments& out)
{
    out = {};
    out.groups = checkrules::kAllGroups & ~checkrules::Online;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            cliPrint(QLatin1String(kCheckHelp));
            return cli_exit::kDone;
        }
        if (a == QLatin1String("--online")) {
            out.online = true;
        } else if (a == QLatin1String("--json")) {
            out.json = true;
        } else if (a == QLatin1String("--rules") || a == QLatin1String("--timeout")) {
            if (i + 1 >= args.size())
                return cliError(cli_exit::kBadArguments, QStringLiteral("%1 needs a value").arg(a));
            const QString value = args[++i];
            if (a == QLatin1String("--rules")) {
                QString unknown;
                out.groups = checkrules::parseGroups(value, &unknown);
                if (out.groups == 0)
                    return cliError(cli_exit::kBadArguments,
                                    QStringLiteral("unknown rule family \"%1\" (rss, apple, p20)").arg(unknown));
                continue;
            }
            bool ok = false;
            const double seconds = value.toDouble(&ok);
            if (!ok || seconds <= 0 || seconds > 3600)
                return cliError(cli_exit::kBadArguments,
                                QStringLiteral("--timeout needs a number of seconds, not \"%1\"").arg(value));
            out.timeoutMs = static_cast<int>(seconds * 1000);
        } else if (a.startsWith(QLatin1String("--"))) {
            return cliError(cli_exit::kBadArguments, QStringLiteral("unknown option \"%1\"").arg(a));
        } else if (out.target.isEmpty()) {
            out.target = a;
        } else {
            return cliError(cli_exit::kBadArguments, QStringLiteral("unexpected argument \"%1\"").arg(a));
        }
    }
    if (out.target.isEmpty())
        return cliError(cli_exit::kBadArguments, QStringLiteral("feed check needs FILE or URL"));
    if (out.online)
        out.groups |= checkrules::Online;
    return -1;
}

int report(const Findings& findings, const QString& name, bool json)
{
    if (json) {
        const QByteArray out = checkreport::json(findings);
        std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    } else {
        const QByteArray out = checkreport::text(findings, name).toUtf8();
        std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout);
    }
    for (const Finding& f : findings)
        if (f.severity == Severity::Error)
            return cli_exit::kFailed;
    return cli_exit::kDone;
}

int checkFile(const Arguments& a, CheckResult& result)
{
    QFile file(a.target);
    if (QFileInfo(a.target).isDir() || !file.open(QIODevice::ReadOnly))
        return cliError(cli_exit::kBadArguments, QStringLiteral("cannot read %1").arg(a.target));
    CheckOptions options;
    options.groups = a.groups;
    options.baseFolder = QFileInfo(a.target).absolutePath();
    result = FeedChecker::check(file.readAll(), options);
    return -1;
}

} // namespace feedcheckcli

#include "cli/CliRegistry.h"
#include "cli/FeedCheckCommand.h"
#include "cli/FeedCliFiles.h"
#include "cli/HelperCommands.h"
#include "common/Prompts.h"
#include "feed/CharsetTable.h"
#include "feed/FeedEncoding.h"
#include "feed/FeedImport.h"
#include "feed/FeedJson.h"
#include "feed/FeedReader.h"
#include "feed/FeedWriter.h"

#include <QFile>

// "velmora-cli feed": write a feed from its JSON form, show a feed as JSON, rewrite a feed in
// the program's own RSS 2.0 form. "download" runs in velmora-cli-net (FeedDownloadCommand.cpp),
// "set" in velmora-cli-media (FeedSetCommand.cpp: it reads audio lengths).
namespace {

using feedcli::loadFeed;
using feedcli::parseEncoding;
using feedcli::writeOut;

const char kFeedHelp[] =
    "Usage: velmora-cli feed SUBCOMMAND ...\n\n"
    "  write --from DOC.json --out FILE [--encoding E]   write a feed from its JSON form\n"
    "  show FILE                                          print a feed as JSON\n"
    "  rewrite IN OUT [--encoding E]                      rewrite a feed in Velmora's RSS 2.0 form\n"
    "  set FILE [OPTION VALUE]... [--item N ...]          change directory fields of a feed file\n"
    "  download URL --out FILE [--timeout SECONDS]        download a published feed into FILE\n"
    "  check FILE|URL [--online] [--json] [--rules LIST]  check a feed for RSS, Apple and\n"
    "                                                     Podcasting 2.0 rules\n\n"
    "E is an encoding index (0..53) or a charset name from the table (any letter case).\n"
    "SUBCOMMAND --help explains one subcommand.";

const char kWriteHelp[] =
    "Usage: velmora-cli feed write --from DOC.json --out FILE [--encoding E]\n\n"
    "Writes the document described by DOC.json as an RSS 2.0 feed file, atomically and without\n"
    "a backup. DOC.json is {\"channel\": {...every channel field...}, \"episodes\": [{...}]} as\n"
    "printed by \"feed show\" (whose encodingIndex and feedType keys are ignored); missing fields\n"
    "are empty. E is an encoding index (0..53) or a charset name from the table; default 53\n"
    "(Windows-1252). Exit codes: 0 written, 1 the file could not be written, 2 bad arguments.";

const char kShowHelp[] =
    "Usage: velmora-cli feed show FILE\n\n"
    "Reads FILE as opening a podcast does (the markup decoded by its declared encoding) and\n"
    "prints the document as JSON with \"encodingIndex\" (the declared encoding's table index)\n"
    "and \"feedType\" (1 RSS, 2 Atom, 3 RDF, 0 other XML).\n"
    "Exit codes: 0 done, 1 the file could not be read or parsed, 2 bad arguments.";

const char kRewriteHelp[] =
    "Usage: velmora-cli feed rewrite IN OUT [--encoding E]\n\n"
    "Reads IN as opening a podcast does and writes OUT (which may be IN) in Velmora's own RSS\n"
    "2.0 form, in IN's declared encoding unless E is given. Atom and RSS 1.0 (RDF) feeds are\n"
    "converted. Exit codes: 0 done, 1 the file could not be read, parsed or written, 2 bad\n"
    "arguments.";

bool wantsHelp(const QStringList& args)
{
    return args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"));
}

struct ParsedArgs {
    QStringList positional;
    QString from, out;
    int encoding = -2; // -2 not given
    QString error;
};

ParsedArgs parseArgs(const QStringList& args, bool allowFromOut)
{
    ParsedArgs p;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool takesValue = a == QLatin1String("--encoding")
            || (allowFromOut && (a == QLatin1String("--from") || a == QLatin1String("--out")));
        if (takesValue) {
            if (i + 1 >= args.size()) {
                p.error = QStringLiteral("%1 needs a value").arg(a);
                return p;
            }
            const QString value = args[++i];
            if (a == QLatin1String("--from"))
                p.from = value;
            else if (a == QLatin1String("--out"))
                p.out = value;
            else if ((p.encoding = parseEncoding(value)) < 0) {
                p.error = QStringLiteral("unknown encoding \"%1\" (an index 0..53 or a charset name)").arg(value);
                return p;
            }
        } else if (a.startsWith(QLatin1String("--"))) {
            p.error = QStringLiteral("unknown option \"%1\"").arg(a);
            return p;
        } else {
            p.positional << a;
        }
    }
    return p;
}

int runWrite(const QStringList& args)
{
    if (wantsHelp(args)) {
        cliPrint(QLatin1String(kWriteHelp));
        return cli_exit::kDone;
    }
    const ParsedArgs p = parseArgs(args, true);
    if (!p.error.isEmpty())
        return cliError(cli_exit::kBadArguments, p.error);
    if (!p.positional.isEmpty())
        return cliError(cli_exit::kBadArguments, QStringLiteral("unexpected argument \"%1\"").arg(p.positional.first()));
    if (p.from.isEmpty() || p.out.isEmpty())
        return cliError(cli_exit::kBadArguments, QStringLiteral("feed write needs --from DOC.json and --out FILE"));
    QFile json(p.from);
    if (!json.open(QIODevice::ReadOnly))
        return cliError(cli_exit::kBadArguments, QStringLiteral("cannot read %1").arg(p.from));
    FeedDocument document;
    QString error;
    if (!feedjson::fromJson(json.readAll(), document, &error))
        return cliError(cli_exit::kBadArguments, QStringLiteral("%1: %2").arg(p.from, error));
    return writeOut(p.out, document, p.encoding >= 0 ? p.encoding : charsets::kDefaultIndex);
}

int runShow(const QStringList& args)
{
    if (wantsHelp(args)) {
        cliPrint(QLatin1String(kShowHelp));
        return cli_exit::kDone;
    }
    const ParsedArgs p = parseArgs(args, false);
    if (!p.error.isEmpty() || p.encoding != -2)
        return cliError(cli_exit::kBadArguments, p.error.isEmpty() ? QStringLiteral("feed show takes no --encoding") : p.error);
    if (p.positional.size() != 1)
        return cliError(cli_exit::kBadArguments, QStringLiteral("feed show needs exactly one FILE"));
    FeedDocument document;
    FeedType type = FeedType::NotXml;
    int encoding = charsets::kDefaultIndex;
    int exitCode = cli_exit::kDone;
    if (!loadFeed(p.positional.first(), document, type, encoding, exitCode))
        return exitCode;
    const QByteArray json = feedjson::toJson(
        document, {{QStringLiteral("encodingIndex"), encoding}, {QStringLiteral("feedType"), int(type)}});
    std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
    std::fputc('\n', stdout);
    return cli_exit::kDone;
}

int runRewrite(const QStringList& args)
{
    if (wantsHelp(args)) {
        cliPrint(QLatin1String(kRewriteHelp));
        return cli_exit::kDone;
    }
    const ParsedArgs p = parseArgs(args, false);
    if (!p.error.isEmpty())
        return cliError(cli_exit::kBadArguments, p.error);
    if (p.positional.size() != 2)
        return cliError(cli_exit::kBadArguments, QStringLiteral("feed rewrite needs IN and OUT"));
    FeedDocument document;
    FeedType type = FeedType::NotXml;
    int encoding = charsets::kDefaultIndex;
    int exitCode = cli_exit::kDone;
    if (!loadFeed(p.positional[0], document, type, encoding, exitCode))
        return exitCode;
    if (type == FeedType::NotXml)
        return cliError(cli_exit::kFailed, QStringLiteral("%1 is XML but not an RSS, Atom or RDF feed").arg(p.positional[0]));
    return writeOut(p.positional[1], document, p.encoding >= 0 ? p.encoding : encoding);
}

// A file is checked here; a URL to download or --online goes to velmora-cli-net.
int runCheck(const QStringList& args)
{
    feedcheckcli::Arguments a;
    if (const int code = feedcheckcli::parse(args, a); code >= 0)
        return code;
    if (a.online || a.isUrl())
        return runInHelper(cli_helpers::kNet, "feed", QStringList{QStringLiteral("check")} + args);
    CheckResult result;
    if (const int code = feedcheckcli::checkFile(a, result); code >= 0)
        return code;
    return feedcheckcli::report(result.findings, a.target, a.json);
}

int runFeed(const QStringList& args)
{
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        cliPrint(QLatin1String(kFeedHelp));
        return args.isEmpty() ? cli_exit::kBadArguments : cli_exit::kDone;
    }
    const QString sub = args.first();
    const QStringList rest = args.mid(1);
    if (sub == QLatin1String("write"))
        return runWrite(rest);
    if (sub == QLatin1String("show"))
        return runShow(rest);
    if (sub == QLatin1String("rewrite"))
        return runRewrite(rest);
    if (sub == QLatin1String("set"))
        return runInHelper(cli_helpers::kMedia, "feed", args);
    if (sub == QLatin1String("download"))
        return runInHelper(cli_helpers::kNet, "feed", args);
    if (sub == QLatin1String("check"))
        return runCheck(rest);
    return cliError(cli_exit::kBadArguments,
                    QStringLiteral("unknown feed subcommand \"%1\" (write, show, rewrite, set, download, check)").arg(sub));
}

const CliRegistrar registrar("feed", "write, show, rewrite, set, download and check podcast feeds", runFeed);

} // namespace

#include "app/FeedDownload.h"
#include "cli/CliRegistry.h"
#include "cli/FeedCheckCommand.h"
#include "common/Prompts.h"
#include "feed/FeedWriter.h"
#include "http/HttpClient.h"

namespace {

const char kDownloadHelp[] =
    "Usage: velmora-cli feed download URL --out FILE [--timeout SECONDS]\n\n"
    "Downloads the feed at URL (http:// or https://) as the program's download does: the body\n"
    "is decoded by the encoding it declares, RSS is read and Atom or RSS 1.0 (RDF) converted.\n"
    "FILE gets the feed in Velmora's own RSS 2.0 form, in the feed's declared encoding\n"
    "(Windows-1252 when it declares none the table knows). The download gives up after\n"
    "SECONDS (default 30).\n"
    "Exit codes: 0 done, 1 the download failed, was not a feed or FILE could not be written,\n"
    "2 bad arguments.";

int runFeedDownload(const QStringList& args)
{
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        cliPrint(QLatin1String(kDownloadHelp));
        return cli_exit::kDone;
    }
    QString url, out;
    int timeoutMs = HttpClient::kDefaultTimeoutMs;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--out") || a == QLatin1String("--timeout")) {
            if (i + 1 >= args.size())
                return cliError(cli_exit::kBadArguments, QStringLiteral("%1 needs a value").arg(a));
            const QString value = args[++i];
            if (a == QLatin1String("--out")) {
                out = value;
                continue;
            }
            bool ok = false;
            const double seconds = value.toDouble(&ok);
            if (!ok || seconds <= 0 || seconds > 86400)
                return cliError(cli_exit::kBadArguments,
                                QStringLiteral("--timeout needs a number of seconds, not \"%1\"").arg(value));
            timeoutMs = static_cast<int>(seconds * 1000);
        } else if (a.startsWith(QLatin1String("--"))) {
            return cliError(cli_exit::kBadArguments, QStringLiteral("unknown option \"%1\"").arg(a));
        } else if (url.isEmpty()) {
            url = a;
        } else {
            return cliError(cli_exit::kBadArguments, QStringLiteral("unexpected argument \"%1\"").arg(a));
        }
    }
    if (url.isEmpty() || out.isEmpty())
        return cliError(cli_exit::kBadArguments, QStringLiteral("feed download needs URL and --out FILE"));

    UnattendedPrompts prompts;
    HttpClient client(prompts);
    client.setTimeout(timeoutMs);
    client.downloadFile(url);
    if (!client.waitForFinished()) {
        QString why = client.errorText();
        if (!client.authenticationMessage().isEmpty())
            why += QLatin1Char(' ') + client.authenticationMessage().trimmed();
        return cliError(cli_exit::kFailed, QStringLiteral("cannot download %1: %2").arg(url, why));
    }

    // The document starts as a new podcast's does, so that a feed without a date or language
    // gets the same ones the program would give it.
    FeedDocument document;
    document.applyNewPodcastDefaults(QString());
    const DownloadedFeed feed = importDownloadedFeed(client.result(), document, &prompts);
    client.clearResult();
    switch (feed.outcome) {
    case DownloadedFeed::Outcome::Imported:
        break;
    case DownloadedFeed::Outcome::NoMarkup:
        return cliError(cli_exit::kFailed, QStringLiteral("%1 sent no markup").arg(url));
    case DownloadedFeed::Outcome::Undecodable:
        return cliError(cli_exit::kFailed, QStringLiteral("%1 declares an encoding no converter knows").arg(url));
    case DownloadedFeed::Outcome::NotAFeed:
        return cliError(cli_exit::kFailed, QStringLiteral("%1 is not an RSS, Atom or RDF feed").arg(url));
    }
    const FeedWriteResult written = writeFeedFile(out, document, feed.encodingIndex, prompts);
    if (!written.ok) {
        const QString why = written.encodingFailed && !prompts.messages.isEmpty()
                                ? prompts.messages.last().text.simplified()
                                : written.error;
        return cliError(cli_exit::kFailed, QStringLiteral("cannot write %1: %2").arg(out, why));
    }
    return cli_exit::kDone;
}

// velmora-cli hands "feed download ..." and "feed check" with a URL or --online to this helper, which knows no other feed subcommand.
int runFeed(const QStringList& args)
{
    if (!args.isEmpty() && args.first() == QLatin1String("download"))
        return runFeedDownload(args.mid(1));
    if (!args.isEmpty() && args.first() == QLatin1String("check"))
        return runFeedCheckOnline(args.mid(1));
    return cliError(cli_exit::kBadArguments, QStringLiteral("see velmora-cli feed --help"));
}

const CliRegistrar registrar("feed", "download and check podcast feeds", runFeed);

} // namespace

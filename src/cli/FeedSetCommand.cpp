#include "audio/AudioDecoder.h"
#include "cli/CliRegistry.h"
#include "cli/FeedCliFiles.h"
#include "feed/DirectoryCatalog.h"
#include "feed/DirectoryValues.h"

// "velmora-cli feed set": changes directory fields of a feed file in place. Every option is
// checked before anything is written, so a refused value leaves the file as it was.
namespace {

const char kSetHelp[] =
    "Usage: velmora-cli feed set FILE [--encoding E] [OPTION VALUE]... [--item N [OPTION VALUE]...]...\n\n"
    "Reads FILE as opening a podcast does, changes the fields the options name and writes FILE\n"
    "back in its declared encoding (or E). Options before the first --item change the channel,\n"
    "those after --item N change item N (0 is the first item in the file). An empty VALUE clears\n"
    "the field. Values are checked as the windows check them; a wrong one is refused with the\n"
    "reason and nothing is written.\n\n"
    "Channel:\n"
    "  --feed-url URL                  atom:link rel=\"self\"; the first URL set also makes podcast:guid\n"
    "  --generate-guid                 podcast:guid made anew from the feed URL\n"
    "%1\n"
    "Item:\n"
    "  --duration-from AUDIO           itunes:duration from the length of the audio file AUDIO\n"
    "%2\n"
    "docs/feed.md says which element each option writes. Exit codes: 0 written, 1 the file or\n"
    "the audio could not be read or the feed not written, 2 bad arguments or a refused value.";

template <class Table>
QString optionList(const Table& fields)
{
    QString out;
    for (const auto& f : fields) {
        QString line = QStringLiteral("  --%1 VALUE").arg(dircatalog::optionName(f.key)).leftJustified(34);
        line += QString::fromUtf8(f.label).chopped(1);
        if (f.choices)
            line += QStringLiteral(" (%1)").arg(f.choiceList().join(QLatin1String(", ")));
        out += line + QLatin1Char('\n');
    }
    return out;
}

template <class Table>
auto findOption(const Table& fields, const QString& option) -> decltype(&fields[0])
{
    for (const auto& f : fields)
        if (option == QLatin1String("--") + dircatalog::optionName(f.key))
            return &f;
    return nullptr;
}

// The parsed command line and where the options apply.
struct SetRun {
    FeedDocument document;
    int encoding = -1;
    int item = -1; // -1: the channel
    QStringList report; // what was filled in by the program, printed after writing
};

int refuse(const QString& option, const QString& value, const QString& reason)
{
    return cliError(cli_exit::kBadArguments, QStringLiteral("%1 \"%2\": %3").arg(option, value, reason));
}

// Applies one option with its value; the exit code on failure, -1 when it was applied.
int applyOption(SetRun& run, const QString& option, const QString& value)
{
    Channel& channel = run.document.channel;
    if (run.item < 0) {
        if (option == QLatin1String("--feed-url") || option == QLatin1String("--atom-self-link")) {
            if (const QString reason = dirvalues::checkWebUrl(value); !reason.isEmpty())
                return refuse(option, value, reason);
            const QString guid = channel.podcastGuid;
            dirvalues::setFeedUrl(channel, value);
            if (channel.podcastGuid != guid)
                run.report << QStringLiteral("podcastGuid %1").arg(channel.podcastGuid);
            return -1;
        }
        const auto* field = findOption(dircatalog::channelFields(), option);
        if (!field)
            return cliError(cli_exit::kBadArguments, QStringLiteral("unknown channel option \"%1\"").arg(option));
        if (const QString reason = field->reason(value); !reason.isEmpty())
            return refuse(option, value, reason);
        channel.*field->member = value;
        return -1;
    }
    Episode& episode = run.document.episodes[run.item];
    if (option == QLatin1String("--duration-from")) {
        AudioStatus status;
        const double seconds = AudioDecoder::fileDuration(value, &status);
        if (seconds < 0)
            return cliError(cli_exit::kFailed, status.ok() ? QStringLiteral("%1: the length is unknown").arg(value)
                                                           : status.message);
        episode.itunesDuration = dirvalues::formatItunesDuration(seconds);
        run.report << QStringLiteral("item %1 itunesDuration %2").arg(run.item).arg(episode.itunesDuration);
        return -1;
    }
    const auto* field = findOption(dircatalog::episodeFields(), option);
    if (!field)
        return cliError(cli_exit::kBadArguments, QStringLiteral("unknown item option \"%1\"").arg(option));
    if (const QString reason = field->reason(value); !reason.isEmpty())
        return refuse(option, value, reason);
    episode.*field->member = value;
    return -1;
}

int runFeedSet(const QStringList& args)
{
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        cliPrint(QString::fromLatin1(kSetHelp)
                     .arg(optionList(dircatalog::channelFields()), optionList(dircatalog::episodeFields())));
        return cli_exit::kDone;
    }
    if (args.isEmpty() || args.first().startsWith(QLatin1String("--")))
        return cliError(cli_exit::kBadArguments, QStringLiteral("feed set needs FILE first"));
    const QString path = args.first();
    SetRun run;
    FeedType type = FeedType::NotXml;
    int declared = 0;
    int exitCode = cli_exit::kDone;
    if (!feedcli::loadFeed(path, run.document, type, declared, exitCode))
        return exitCode;
    if (type == FeedType::NotXml)
        return cliError(cli_exit::kFailed, QStringLiteral("%1 is XML but not an RSS, Atom or RDF feed").arg(path));
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& option = args[i];
        if (!option.startsWith(QLatin1String("--")))
            return cliError(cli_exit::kBadArguments, QStringLiteral("unexpected argument \"%1\"").arg(option));
        if (option == QLatin1String("--generate-guid")) {
            if (run.item >= 0)
                return cliError(cli_exit::kBadArguments, QStringLiteral("--generate-guid belongs to the channel, before --item"));
            if (const QString reason = dirvalues::generatePodcastGuid(run.document.channel); !reason.isEmpty())
                return cliError(cli_exit::kBadArguments, QStringLiteral("--generate-guid: %1").arg(reason));
            run.report << QStringLiteral("podcastGuid %1").arg(run.document.channel.podcastGuid);
            continue;
        }
        if (i + 1 >= args.size())
            return cliError(cli_exit::kBadArguments, QStringLiteral("%1 needs a value").arg(option));
        const QString value = args[++i];
        if (option == QLatin1String("--encoding")) {
            if ((run.encoding = feedcli::parseEncoding(value)) < 0)
                return cliError(cli_exit::kBadArguments,
                                QStringLiteral("unknown encoding \"%1\" (an index 0..53 or a charset name)").arg(value));
        } else if (option == QLatin1String("--item")) {
            bool number = false;
            run.item = value.toInt(&number);
            const auto count = run.document.episodes.size();
            if (!number || run.item < 0 || run.item >= count)
                return cliError(cli_exit::kBadArguments,
                                count ? QStringLiteral("--item %1: the feed has items 0 to %2").arg(value).arg(count - 1)
                                      : QStringLiteral("--item %1: the feed has no items").arg(value));
        } else if (const int failed = applyOption(run, option, value); failed >= 0) {
            return failed;
        }
    }
    if (const int written = feedcli::writeOut(path, run.document, run.encoding >= 0 ? run.encoding : declared);
        written != cli_exit::kDone)
        return written;
    for (const QString& line : run.report)
        cliPrint(line);
    return cli_exit::kDone;
}

// velmora-cli hands "feed set ..." to this helper, which knows no other feed subcommand.
int runFeed(const QStringList& args)
{
    if (!args.isEmpty() && args.first() == QLatin1String("set"))
        return runFeedSet(args.mid(1));
    return cliError(cli_exit::kBadArguments, QStringLiteral("see velmora-cli feed --help"));
}

const CliRegistrar registrar("feed", "set directory fields of podcast feeds", runFeed);

} // namespace

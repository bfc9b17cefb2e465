#include "check/FeedChecker.h"
#include "check/OnlineChecker.h"
#include "cli/CliRegistry.h"
#include "cli/FeedCheckCommand.h"
#include "common/Prompts.h"
#include "http/HttpClient.h"

#include <unistd.h>

// velmora-cli-net's side of "feed check": a URL is downloaded first, and --online asks the
// server about every linked file, with progress on stderr.
int runFeedCheckOnline(const QStringList& args)
{
    feedcheckcli::Arguments a;
    if (const int code = feedcheckcli::parse(args, a); code >= 0)
        return code;
    CheckResult result;
    if (a.isUrl()) {
        UnattendedPrompts prompts;
        HttpClient client(prompts);
        client.setTimeout(a.timeoutMs);
        client.downloadFile(a.target);
        if (!client.waitForFinished())
            return cliError(cli_exit::kFailed, QStringLiteral("cannot download %1: %2").arg(a.target, client.errorText()));
        CheckOptions options;
        options.groups = a.groups;
        result = FeedChecker::check(client.result(), options);
    } else if (const int code = feedcheckcli::checkFile(a, result); code >= 0) {
        return code;
    }
    if (a.online) {
        OnlineChecker online;
        online.setTimeout(a.timeoutMs);
        const bool terminal = ::isatty(STDERR_FILENO) == 1;
        QObject::connect(&online, &OnlineChecker::progress, [terminal](int done, int total) {
            if (terminal)
                std::fprintf(stderr, "\rchecking links: %d of %d", done, total);
            if (terminal && done == total)
                std::fputc('\n', stderr);
        });
        result.findings += online.run(result.links);
        FeedChecker::sortFindings(result.findings);
    }
    return feedcheckcli::report(result.findings, a.target, a.json);
}

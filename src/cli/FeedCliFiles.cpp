#include "cli/FeedCliFiles.h"

#include "cli/CliRegistry.h"
#include "common/Prompts.h"
#include "feed/CharsetTable.h"
#include "feed/FeedEncoding.h"
#include "feed/FeedReader.h"
#include "feed/FeedWriter.h"

#include <QFile>

namespace feedcli {

int parseEncoding(const QString& value)
{
    bool isNumber = false;
    const int index = value.toInt(&isNumber);
    if (isNumber)
        return index >= 0 && index < charsets::kCount ? index : -1;
    return charsets::indexOfCharset(value);
}

int writeOut(const QString& path, const FeedDocument& document, int encoding)
{
    UnattendedPrompts prompts;
    const FeedWriteResult result = writeFeedFile(path, document, encoding, prompts);
    if (!result.ok)
        return cliError(cli_exit::kFailed, QStringLiteral("cannot write %1: %2").arg(path, result.error));
    return cli_exit::kDone;
}

bool loadFeed(const QString& path, FeedDocument& document, FeedType& type, int& encoding, int& exitCode)
{
    FeedFileUtf8 file = readFeedFileUtf8(path);
    if (file.status == FeedFileText::Status::CannotRead) {
        exitCode = cliError(cli_exit::kFailed, QStringLiteral("cannot read %1").arg(path));
        return false;
    }
    if (file.status == FeedFileText::Status::NoMarkup) {
        exitCode = cliError(cli_exit::kFailed, QStringLiteral("no markup in %1").arg(path));
        return false;
    }
    if (file.utf8.isEmpty()) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        exitCode = cliError(cli_exit::kFailed, QStringLiteral("cannot decode %1: no converter for \"%2\"")
                                                   .arg(path, declaredCharsetName(f.read(4096))));
        return false;
    }
    encoding = detectDeclaredEncodingUtf8(file.utf8);
    UnattendedPrompts events;
    type = importFeedUtf8(std::move(file.utf8), document, &events);
    if (document.loadFailed) {
        exitCode = cliError(cli_exit::kFailed, QStringLiteral("not well-formed XML: %1").arg(path));
        return false;
    }
    return true;
}

} // namespace feedcli

#include "cli/ConsolePrompts.h"

#include "cli/CliRegistry.h"

#include <QStringList>

MessageAnswer ConsolePrompts::message(const MessageRequest& request)
{
    const MessageAnswer answer = UnattendedPrompts::message(request);
    QString text = request.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (request.buttons != MessageButtons::Ok) {
        lines.append(answer == MessageAnswer::No ? QStringLiteral("(not asked on the command line: No)")
                                                 : QStringLiteral("(not asked on the command line: Cancel)"));
    }
    cliError(0, lines.join(QStringLiteral("\n             ")));
    return answer;
}

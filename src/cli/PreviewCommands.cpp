#include "app/HomeFolder.h"
#include "cli/BundledFiles.h"
#include "cli/CliRegistry.h"
#include "common/Prompts.h"
#include "feed/FeedDocument.h"
#include "feed/FeedEncoding.h"
#include "feed/FeedImport.h"
#include "publish/ThemeList.h"
#include "publish/ThemeRenderer.h"
#include "store/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

// "velmora-cli preview": render a feed through a theme, as the preview window does.
namespace {

const char kUsage[] =
    "Usage: velmora-cli preview FEED [--theme N|NAME] [--out FILE] [--image FILE] [--home DIR]\n"
    "       velmora-cli preview --list [--home DIR]\n\n"
    "Renders the feed file FEED (RSS, Atom or RSS 1.0) with a theme of the home folder's Themes/\n"
    "into an HTML page and prints the page's path. A home folder without the program's files\n"
    "(Themes/, languages.txt, manual/) gets them first, as at the desktop program's first start,\n"
    "and a line on stderr says so.\n\n"
    "--theme N|NAME  the theme: its index in the list (from 0) or its name or base name (any\n"
    "                letter case); default the remembered theme (\"LT\" in settings.ini), the\n"
    "                first theme when that is past the end of the list\n"
    "--out FILE      the page (default: \"pr-feed-01.tmp\" in the home folder)\n"
    "--image FILE    the channel image to show (default: the one the feed names, if any)\n"
    "--home DIR      the home folder (default: $VELMORA_HOME, else the per-user data folder)\n"
    "--list          prints the themes as JSON: [{\"index\", \"name\", \"base\"}], sorted by base name\n\n"
    "Exit codes: 0 done, 1 the operation failed (no Themes/ folder, unreadable feed, page not\n"
    "written), 2 bad arguments or input.";

struct PreviewArgs {
    QString feed;
    QString theme;
    QString out;
    QString image;
    QString home;
    bool list = false;
    bool help = false;
    QString error;
};

PreviewArgs parseArgs(const QStringList& args)
{
    PreviewArgs p;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString* target = nullptr;
        if (a == QLatin1String("--theme"))
            target = &p.theme;
        else if (a == QLatin1String("--out"))
            target = &p.out;
        else if (a == QLatin1String("--image"))
            target = &p.image;
        else if (a == QLatin1String("--home"))
            target = &p.home;
        if (target) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty() || args[i + 1].startsWith(QLatin1String("--"))) {
                p.error = QStringLiteral("%1 needs a value").arg(a);
                return p;
            }
            *target = args[++i];
        } else if (a == QLatin1String("--list")) {
            p.list = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            p.help = true;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            p.error = QStringLiteral("unknown option \"%1\"").arg(a);
            return p;
        } else if (p.feed.isEmpty()) {
            p.feed = a;
        } else {
            p.error = QStringLiteral("preview takes one FEED, not also \"%1\"").arg(a);
            return p;
        }
    }
    if (p.help)
        return p;
    if (p.list && (!p.feed.isEmpty() || !p.theme.isEmpty() || !p.out.isEmpty() || !p.image.isEmpty()))
        p.error = QStringLiteral("--list takes no FEED, --theme, --out or --image");
    else if (!p.list && p.feed.isEmpty())
        p.error = QStringLiteral("preview needs a FEED file (or --list)");
    return p;
}

QString jsonString(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

int printList(const ThemeList& themes)
{
    QStringList rows;
    for (int i = 0; i < themes.count(); ++i)
        rows << QStringLiteral("  {\"index\": %1, \"name\": %2, \"base\": %3}")
                    .arg(i)
                    .arg(jsonString(themes.at(i).name), jsonString(themes.at(i).base));
    cliPrint(rows.isEmpty() ? QStringLiteral("[]")
                            : QStringLiteral("[\n%1\n]").arg(rows.join(QStringLiteral(",\n"))));
    return cli_exit::kDone;
}

// The index of the theme the arguments ask for, or -1 after reporting the error.
int chooseTheme(const ThemeList& themes, const QString& wanted, const HomeFolder& home, int& exitCode)
{
    if (themes.isEmpty()) {
        exitCode = cliError(cli_exit::kFailed, QStringLiteral("there is no theme in %1")
                                                   .arg(QDir::toNativeSeparators(themes.folder())));
        return -1;
    }
    if (wanted.isEmpty()) {
        Settings settings;
        settings.load(home.settingsPath()); // a missing file leaves LT 0
        return themes.rememberedIndex(settings.lt);
    }
    bool isNumber = false;
    const int number = wanted.toInt(&isNumber);
    const int index = isNumber ? (number >= 0 && number < themes.count() ? number : -1)
                               : themes.find(wanted);
    if (index < 0)
        exitCode = cliError(cli_exit::kBadArguments,
                            QStringLiteral("no theme \"%1\" (velmora-cli preview --list shows them)")
                                .arg(wanted));
    return index;
}

bool loadFeed(const QString& path, FeedDocument& document, int& exitCode)
{
    const FeedFileText file = readFeedFile(path);
    if (file.status == FeedFileText::Status::CannotRead) {
        exitCode = cliError(cli_exit::kFailed, QStringLiteral("cannot read %1").arg(path));
        return false;
    }
    if (file.status == FeedFileText::Status::NoMarkup || file.text.isEmpty()) {
        exitCode = cliError(cli_exit::kBadArguments, QStringLiteral("no readable feed in %1").arg(path));
        return false;
    }
    UnattendedPrompts events;
    const FeedType type = importFeed(file.text, document, &events);
    if (document.loadFailed) {
        exitCode = cliError(cli_exit::kBadArguments, QStringLiteral("not well-formed XML: %1").arg(path));
        return false;
    }
    if (type == FeedType::NotXml) {
        exitCode = cliError(cli_exit::kBadArguments, QStringLiteral("not a feed: %1").arg(path));
        return false;
    }
    return true;
}

int runPreview(const QStringList& args)
{
    const PreviewArgs p = parseArgs(args);
    if (p.help) {
        cliPrint(QLatin1String(kUsage));
        return cli_exit::kDone;
    }
    if (!p.error.isEmpty())
        return cliError(cli_exit::kBadArguments, p.error);
    // A mistyped picture would otherwise only show as a broken image in the page.
    if (!p.image.isEmpty() && !QFileInfo(p.image).isFile())
        return cliError(cli_exit::kBadArguments, QStringLiteral("no image file %1").arg(p.image));

    const HomeFolder home = p.home.isEmpty() ? HomeFolder::resolve()
                                             : HomeFolder(QDir(p.home).absolutePath());
    if (!installMissingBundledFiles(home))
        return cli_exit::kFailed;
    ThemeList themes;
    if (themes.load(home.themesPath()) == ThemeList::LoadResult::FolderMissing)
        return cliError(cli_exit::kFailed, ThemeList::stylesNotFoundText());
    if (p.list)
        return printList(themes);

    int exitCode = cli_exit::kDone;
    const int index = chooseTheme(themes, p.theme, home, exitCode);
    if (index < 0)
        return exitCode;
    FeedDocument document;
    if (!loadFeed(p.feed, document, exitCode))
        return exitCode;
    if (!p.image.isEmpty())
        document.channel.imageFile = p.image;

    const QString out = p.out.isEmpty() ? home.previewScratchPath() : p.out;
    const ThemeRenderResult result = ThemeRenderer::render(themes, index, document, out);
    if (!result.ok)
        return cliError(cli_exit::kFailed, result.error);
    cliPrint(QDir::toNativeSeparators(result.pagePath));
    return cli_exit::kDone;
}

const CliRegistrar registrar("preview", "render a feed through a theme into an HTML page; --list the themes",
                             runPreview);

} // namespace

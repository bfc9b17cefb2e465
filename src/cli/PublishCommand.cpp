#include "app/AppShell.h"
#include "app/ChannelImageAdapter.h"
#include "app/HeadlessMainView.h"
#include "app/Session.h"
#include "app/UploadWorkflow.h"
#include "cli/CliRegistry.h"
#include "cli/ConsolePrompts.h"
#include "cli/HelperCommands.h"
#include "cli/PasswordOption.h"
#include "cli/ProjectChoice.h"
#include "net/FileTransferClient.h"
#include "net/FtpServerField.h"
#include "net/MSocketSupport.h"
#include "store/IniFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>
#include <optional>

// "velmora-cli publish": the desktop program's "Publish" for a podcast of the project list, with
// the upload settings saved for it, headless. The publish itself is the upload window's
// (UploadWorkflow), so both send the same files in the same order and hold the feed back alike.
namespace {

const char kUsage[] =
    "Usage: velmora-cli publish [--project N|TITLE] [--home DIR] [--password-env VAR]\n"
    "                           [--trust SHA256] [--dry-run]\n\n"
    "Publishes a podcast with the upload settings saved for it, as \"Publish\" in the upload\n"
    "window does: the ticked episode files first, then the channel image, then the feed. The\n"
    "image and the feed are sent as NAME.uploading and renamed over the old ones, so the server\n"
    "always holds a whole feed, the old one or the new one; the feed is not sent at all when a\n"
    "file it names did not arrive. The server may be ftp://, ftpes:// (explicit TLS) or ftps://\n"
    "(implicit TLS), as in the upload window.\n\n"
    "  --project N|TITLE  the podcast: its number in \"project list\" (from 0) or its title\n"
    "                     (default: the podcast the desktop program opens)\n"
    "  --home DIR         the home folder (default: $VELMORA_HOME, else the per-user data folder)\n"
    "  --password-env VAR the password from the environment variable VAR (default: the saved\n"
    "                     one, kept only while \"SavePassword\" is on)\n"
    "  --trust SHA256     accept the server's certificate with this SHA-256 fingerprint although\n"
    "                     this computer does not trust it (for this run; nothing is stored)\n"
    "  --dry-run          list the files that would be sent, in order, and connect to nothing\n\n"
    "The protocol log goes to stdout (the password masked), a line per file and the errors to\n"
    "stderr. Nothing of the project or its feed file is changed.\n\n"
    "Exit codes: 0 every chosen file arrived, 1 the publish failed or a file did not arrive,\n"
    "2 bad arguments or input.";

struct PublishArguments {
    QString project;
    QString home;
    std::optional<QString> password;
    QString trust;
    bool dryRun = false;
};

bool isFingerprint(const QString& text)
{
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{64}$"));
    static const QRegularExpression sshKey(QStringLiteral("^SHA256:[A-Za-z0-9+/]{43}=?$"));
    return hex.match(QString(text).remove(QLatin1Char(':'))).hasMatch() || sshKey.match(text).hasMatch();
}

std::optional<QString> parseArguments(const QStringList& args, PublishArguments* out)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        if (a == QLatin1String("--dry-run")) {
            out->dryRun = true;
        } else if (a == QLatin1String("--project")) {
            const auto v = value();
            if (!v || v->isEmpty())
                return QStringLiteral("--project needs a number or a title");
            out->project = *v;
        } else if (a == QLatin1String("--home")) {
            const auto v = value();
            if (!v || v->isEmpty())
                return QStringLiteral("--home needs a folder");
            out->home = *v;
        } else if (a == QLatin1String("--password-env")) {
            QString password;
            if (const QString error = password_option::fromEnvironment(value(), &password); !error.isEmpty())
                return error;
            out->password = password;
        } else if (a == QLatin1String("--trust")) {
            const auto v = value();
            if (!v || !isFingerprint(*v))
                return QStringLiteral("--trust needs a SHA-256 fingerprint (64 hex digits, colons allowed, "
                                      "or an SSH key's SHA256:...)");
            out->trust = *v;
        } else {
            return QStringLiteral("unknown argument \"%1\" (see velmora-cli publish --help)").arg(a);
        }
    }
    return std::nullopt;
}

void printTo(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

// The protocol log as the window keeps it (CR LF lines), with the password masked.
QString maskedLog(const QString& text)
{
    QStringList lines = text.split(QStringLiteral("\r\n"));
    for (QString& line : lines) {
        if (line.startsWith(QLatin1String("PASS "), Qt::CaseInsensitive))
            line = QStringLiteral("PASS ********");
    }
    return lines.join(QLatin1Char('\n'));
}

QString sizeText(qint64 bytes)
{
    return bytes < 0 ? QStringLiteral("missing") : QStringLiteral("%1 bytes").arg(bytes);
}

// What the session is publishing: the podcast opened from the project list with nobody looking.
class Publisher {
public:
    explicit Publisher(const HomeFolder& home)
        : m_shell(home, m_prompts), m_image(m_prompts)
    {
    }

    // Opens the podcast; false with the exit code in *code when it cannot be published.
    bool open(const PublishArguments& args, int* code)
    {
        m_shell.loadSettings(QSize(1920 * 15, 1080 * 15));
        IniFile probe;
        QString error;
        if (probe.load(m_shell.home().projectListPath(), &error) == IniFile::LoadResult::Unreadable)
            return fail(code, cli_exit::kFailed, QStringLiteral("cannot read \"%1\": %2")
                                                     .arg(m_shell.home().projectListPath(), error));
        // The list as the program reads it at start; the choice only lives in this process.
        m_shell.loadProjectList();
        ProjectList& list = m_shell.projects();
        int index = list.current();
        if (!args.project.isEmpty()) {
            index = project_choice::find(list, args.project, &error);
            if (index < 0)
                return fail(code, cli_exit::kBadArguments, error);
        }
        if (index < 0 || index >= list.count() || list.count() == 0)
            return fail(code, cli_exit::kBadArguments,
                        QStringLiteral("the project list of \"%1\" is empty").arg(m_shell.home().path()));
        const QString feed = list[index].path;
        if (feed == QLatin1String("Untitled") || !QFileInfo(feed).isAbsolute())
            return fail(code, cli_exit::kBadArguments,
                        QStringLiteral("project %1 was never saved, so it has no feed to publish").arg(index));
        // Checked first: the program drops a podcast whose feed it cannot read from the list.
        const QString unopenable = project_choice::unopenableReason(feed);
        if (!unopenable.isEmpty())
            return fail(code, cli_exit::kFailed, unopenable);

        m_shell.settings().lastProject = index;
        list.setCurrent(index);
        m_session = std::make_unique<Session>(m_shell, m_image);
        m_view.session = m_session.get();
        m_session->setView(&m_view);
        m_session->startUp();
        if (m_session->documentSource() != feed || m_shell.projects().current() != index)
            return fail(code, cli_exit::kFailed, QStringLiteral("cannot open \"%1\"").arg(feed));

        m_workflow = std::make_unique<UploadWorkflow>(*m_session);
        m_workflow->load();
        if (args.password)
            m_workflow->fields.password = *args.password;
        if (!args.trust.isEmpty())
            m_session->currentEntry()->ftpTrust = args.trust;
        const FtpServerField server = FtpServerField::parse(m_workflow->fields.server);
        if (UploadWorkflow::serverAddress(m_workflow->fields.server).isEmpty())
            return fail(code, cli_exit::kBadArguments,
                        QStringLiteral("project %1 has no server to publish to: set it in the upload window").arg(index));
        if (!server.error.isEmpty())
            return fail(code, cli_exit::kBadArguments, QStringLiteral("the project's server: ") + server.error);
        if (m_workflow->plannedFiles().isEmpty())
            return fail(code, cli_exit::kBadArguments,
                        QStringLiteral("project %1 publishes nothing: the feed, the image and the episodes are "
                                       "all switched off in its upload settings").arg(index));
        return true;
    }

    int dryRun()
    {
        const UploadFields& f = m_workflow->fields;
        cliPrint(QStringLiteral("server: %1, user \"%2\", %3 mode")
                     .arg(f.server, f.userName, f.passive ? QStringLiteral("passive") : QStringLiteral("active")));
        bool allThere = true;
        int n = 0;
        for (const PublishFile& file : m_workflow->plannedFiles()) {
            const QFileInfo local(file.localFile);
            const qint64 size = local.isFile() && local.isReadable() ? local.size() : -1;
            allThere = allThere && size >= 0;
            const QString what = file.kind == PublishFile::Kind::Feed    ? QStringLiteral("feed")
                                 : file.kind == PublishFile::Kind::Image ? QStringLiteral("image")
                                                                         : QStringLiteral("episode");
            cliPrint(QStringLiteral("%1. %2 %3 <- %4 (%5)%6")
                         .arg(++n)
                         .arg(what, file.remoteFile, QDir::toNativeSeparators(file.localFile),
                              file.kind == PublishFile::Kind::Feed && size >= 0 ? QStringLiteral("built from it")
                                                                               : sizeText(size),
                              file.replacedWhole ? QStringLiteral(", sent as %1, then renamed")
                                                       .arg(UploadWorkflow::temporaryName(file.remoteFile))
                                                 : QString()));
        }
        if (!allThere)
            return cliError(cli_exit::kFailed, QStringLiteral("a file to publish is missing: the feed would be held back"));
        return cli_exit::kDone;
    }

    int publish()
    {
        UploadWorkflow& w = *m_workflow;
        QObject::connect(&w, &UploadWorkflow::logAppended, &w,
                         [](const QString& text) { printTo(stdout, maskedLog(text)); });
        QObject::connect(&w, &UploadWorkflow::fileStarted, &w, [this](const QString& remote, qint64 bytes) {
            endFile();
            m_file = remote;
            m_fileBytes = bytes;
        });
        QObject::connect(&w, &UploadWorkflow::progressChanged, &w, [this](int percent) { showProgress(percent); });
        QEventLoop loop;
        QObject::connect(&w, &UploadWorkflow::runningChanged, &loop, [&loop](bool running) {
            if (!running)
                loop.quit();
        });
        w.publish();
        if (w.running())
            loop.exec();
        endFile();
        printTo(stdout, QStringLiteral("\n"));
        return outcome();
    }

private:
    static bool fail(int* code, int value, const QString& text)
    {
        *code = cliError(value, text);
        return false;
    }

    void showProgress(int percent)
    {
        if (m_file.isEmpty() || !stderrIsTerminal())
            return;
        if (m_progressClock.isValid() && m_progressClock.elapsed() < 100 && percent < 100)
            return;
        m_progressClock.start();
        printTo(stderr, QStringLiteral("\r%1: %2% of %3").arg(m_file).arg(percent).arg(sizeText(m_fileBytes)));
        m_progressShown = true;
    }

    // The file's line, once the next file starts or the publish ends (a file that did not
    // arrive is among notArrived by then); it replaces the progress line on a terminal.
    void endFile()
    {
        if (m_file.isEmpty())
            return;
        const bool arrived = !m_workflow->notArrived().contains(m_file);
        printTo(stderr, QStringLiteral("%1%2: %3\n")
                            .arg(m_progressShown ? QStringLiteral("\r") : QString(), m_file,
                                 arrived ? QStringLiteral("sent, %1").arg(sizeText(m_fileBytes))
                                         : QStringLiteral("did not arrive")));
        m_file.clear();
        m_progressShown = false;
    }

    int outcome()
    {
        const UploadWorkflow& w = *m_workflow;
        FileTransferClient& client = m_workflow->client();
        if (!w.lastPublishReachedEnd()) {
            const QString fingerprint = client.PeerFingerprint();
            if (client.LastFtpError().Number == MSocketSupport::kTlsFailure && !fingerprint.isEmpty())
                cliError(0, QStringLiteral("to trust this server's certificate, run again with --trust %1").arg(fingerprint));
            QString text = QStringLiteral("the publish did not reach its end");
            if (!w.notArrived().isEmpty())
                text += QStringLiteral("; these files did not arrive: ") + w.notArrived().join(QStringLiteral(", "));
            return cliError(cli_exit::kFailed, text + QStringLiteral("; the feed on the server stays as it was"));
        }
        if (!w.notArrived().isEmpty())
            return cliError(cli_exit::kFailed,
                            QStringLiteral("these files did not arrive: ") + w.notArrived().join(QStringLiteral(", ")));
        return cli_exit::kDone;
    }

    ConsolePrompts m_prompts;
    AppShell m_shell;
    ChannelImageAdapter m_image;
    HeadlessMainView m_view;
    std::unique_ptr<Session> m_session;
    std::unique_ptr<UploadWorkflow> m_workflow;
    QString m_file;
    qint64 m_fileBytes = 0;
    bool m_progressShown = false;
    QElapsedTimer m_progressClock;
};

int runPublish(const QStringList& args)
{
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        cliPrint(QLatin1String(kUsage));
        return cli_exit::kDone;
    }
    PublishArguments parsed;
    if (const auto error = parseArguments(args, &parsed))
        return cliError(cli_exit::kBadArguments, *error);
    const HomeFolder home = parsed.home.isEmpty() ? HomeFolder::resolve() : HomeFolder(QDir(parsed.home).absolutePath());
    Publisher publisher(home);
    int code = cli_exit::kDone;
    if (!publisher.open(parsed, &code))
        return code;
    return parsed.dryRun ? publisher.dryRun() : publisher.publish();
}

const CliRegistrar registrar("publish", cli_helpers::kPublishSummary, runPublish);

} // namespace

#include "cli/CliRegistry.h"
#include "cli/HelperCommands.h"
#include "cli/PasswordOption.h"
#include "net/CFtpClient.h"
#include "net/FileTransferClient.h"
#include "net/FtpServerField.h"
#include "net/FtpWaiter.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <optional>

// "velmora-cli ftp": one FTP or SFTP operation from the command line, so podcasters can script
// uploads.
namespace {

const char kUsage[] =
    "Usage: velmora-cli ftp [--passive|--active] [--user U] [--password-env VAR] [--port N]\n"
    "                       [--timeout SECONDS] [--log] HOST COMMAND ARGS\n\n"
    "Connects to HOST, runs one command, quits. HOST is a host name or address, optionally\n"
    "with a port and an ftp:// prefix, as in the upload window: ftp.example.com,\n"
    "ftp://ftp.example.com, ftp.example.com:2121, ftp://[::1]:2121. ftpes://HOST talks TLS after\n"
    "\"AUTH TLS\" (explicit FTPS), ftps://HOST from the first byte (implicit FTPS, port 990).\n"
    "sftp://[USER@]HOST uses SFTP over SSH (port 22): the SSH agent and the keys in ~/.ssh are\n"
    "tried before the password, and the host key must be in ~/.ssh/known_hosts or given with\n"
    "--trust, which adds it there.\n\n"
    "Commands:\n"
    "  ls [DIR]                     list DIR (or the start folder) as JSON\n"
    "  put LOCAL REMOTE [--offset N] upload LOCAL; with --offset, resume from byte N\n"
    "  get REMOTE LOCAL [--overwrite] download; an existing LOCAL is resumed unless --overwrite\n"
    "  mkdir DIR | rmdir DIR | rm FILE | mv OLD NEW | pwd\n\n"
    "Options:\n"
    "  --passive / --active  how data connections are opened (passive by default)\n"
    "  --user U              user name (anonymous when not given)\n"
    "  --password-env VAR    take the password from the environment variable VAR\n"
    "  --port N              control port, 1..65535 (over a port in HOST; 21 by default)\n"
    "  --trust SHA256        accept the server's certificate with this SHA-256 fingerprint\n"
    "                        although the system does not trust it (FTPS), or an SFTP\n"
    "                        server's host key not yet in known_hosts (SHA256:...)\n"
    "  --timeout SECONDS     give up when the server stays silent this long (60)\n"
    "  --log                 print the protocol log on stderr (the password masked)\n\n"
    "Exit codes: 0 done, 1 the operation failed (the FTP error on stderr), 2 bad arguments.";

struct FtpArguments {
    bool passive = true;
    bool log = false;
    bool overwrite = false;
    QString user;
    QString password;
    std::optional<int> port;
    int timeout = 60;
    qint64 offset = 0;
    FtpServerField endpoint;
    QString trust;
    QString command;
    QStringList operands;
};

struct CommandShape {
    const char* name;
    int minOperands;
    int maxOperands;
};

const CommandShape kCommands[] = {
    {"ls", 0, 1}, {"put", 2, 2}, {"get", 2, 2}, {"mkdir", 1, 1},
    {"rmdir", 1, 1}, {"rm", 1, 1}, {"mv", 2, 2}, {"pwd", 0, 0},
};

bool parseNumber(const QString& text, qint64 low, qint64 high, qint64* value)
{
    bool ok = false;
    *value = text.toLongLong(&ok);
    return ok && *value >= low && *value <= high;
}

// Returns an error text, or nothing when the arguments make one valid command.
std::optional<QString> parseArguments(const QStringList& args, FtpArguments* out)
{
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        qint64 number = 0;
        if (a == QLatin1String("--passive")) {
            out->passive = true;
        } else if (a == QLatin1String("--active")) {
            out->passive = false;
        } else if (a == QLatin1String("--log")) {
            out->log = true;
        } else if (a == QLatin1String("--overwrite")) {
            out->overwrite = true;
        } else if (a == QLatin1String("--user")) {
            const auto v = value();
            if (!v)
                return QStringLiteral("--user needs a name");
            out->user = *v;
        } else if (a == QLatin1String("--password-env")) {
            if (const QString error = password_option::fromEnvironment(value(), &out->password); !error.isEmpty())
                return error;
        } else if (a == QLatin1String("--port")) {
            const auto v = value();
            if (!v || !parseNumber(*v, 1, 65535, &number))
                return QStringLiteral("--port needs a number from 1 to 65535");
            out->port = static_cast<int>(number);
        } else if (a == QLatin1String("--trust")) {
            const auto v = value();
            if (!v || (QString(*v).remove(QLatin1Char(':')).size() != 64 && !v->startsWith(QLatin1String("SHA256:"))))
                return QStringLiteral("--trust needs a SHA-256 fingerprint (64 hex digits, colons allowed, "
                                      "or an SSH host key's SHA256:...)");
            out->trust = *v;
        } else if (a == QLatin1String("--timeout")) {
            const auto v = value();
            if (!v || !parseNumber(*v, 1, 32767, &number))
                return QStringLiteral("--timeout needs a number of seconds from 1 to 32767");
            out->timeout = static_cast<int>(number);
        } else if (a == QLatin1String("--offset")) {
            const auto v = value();
            if (!v || !parseNumber(*v, 0, std::numeric_limits<qint64>::max(), &number))
                return QStringLiteral("--offset needs a byte position");
            out->offset = number;
        } else if (a.startsWith(QLatin1String("--"))) {
            return QStringLiteral("unknown option \"%1\"").arg(a);
        } else {
            positional.append(a);
        }
    }
    if (positional.size() < 2)
        return QStringLiteral("HOST and COMMAND are needed (see velmora-cli ftp --help)");
    const FtpServerField server = FtpServerField::parse(positional.takeFirst());
    if (!server.error.isEmpty())
        return server.error;
    out->endpoint = server;
    if (!out->port)
        out->port = server.port;
    out->command = positional.takeFirst();
    out->operands = positional;
    for (const CommandShape& shape : kCommands) {
        if (out->command != QLatin1String(shape.name))
            continue;
        if (out->operands.size() < shape.minOperands || out->operands.size() > shape.maxOperands)
            return QStringLiteral("wrong number of arguments for \"%1\" (see velmora-cli ftp --help)").arg(out->command);
        if (out->offset > 0 && out->command != QLatin1String("put"))
            return QStringLiteral("--offset belongs to put");
        if (out->overwrite && out->command != QLatin1String("get"))
            return QStringLiteral("--overwrite belongs to get");
        return std::nullopt;
    }
    return QStringLiteral("unknown FTP command \"%1\" (see velmora-cli ftp --help)").arg(out->command);
}

void printErr(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

// The protocol log line as printed: commands after "> ", replies after "< ", the password hidden.
QString logLine(const QString& message, int type)
{
    if (type == 0) {
        if (message.startsWith(QLatin1String("PASS ")))
            return QStringLiteral("> PASS ********\n");
        return QStringLiteral("> ") + message + QLatin1Char('\n');
    }
    QString text;
    for (const QString& line : message.split(QStringLiteral("\r\n")))
        text += QStringLiteral("< ") + line + QLatin1Char('\n');
    return text;
}

class FtpRun {
public:
    explicit FtpRun(const FtpArguments& args)
        : m_args(args),
          m_client(FileTransferClient::create(FileTransferClient::protocolOf(args.endpoint))),
          m_waiter(*m_client)
    {
        m_client->applyEndpoint(args.endpoint);
        m_client->setRemotePort(*args.port);
        m_client->setTrustedFingerprint(args.trust);
        m_client->setPassiveMode(args.passive);
        if (!args.user.isEmpty() || args.endpoint.user.isEmpty())
            m_client->setUserName(args.user);
        m_client->setPassword(args.password);
        m_client->setTimeOut(args.timeout);
        // The largest block the client takes: fewer round trips through the event loop per
        // megabyte of a long episode.
        if (auto* ftp = qobject_cast<CFtpClient*>(m_client.get()))
            ftp->setSendBufferLenght(8192);
        if (args.log) {
            QObject::connect(m_client.get(), &FileTransferClient::SessionProtocolMessage, m_client.get(),
                             [](const QString& message, int type) { printErr(logLine(message, type)); });
        }
        if (stderrIsTerminal()) {
            QObject::connect(m_client.get(), &FileTransferClient::OnDataTransferProgress, m_client.get(),
                             [this](qint64 bytes) { showProgress(bytes); });
        }
    }

    int run()
    {
        if (!perform([](FileTransferClient& c) { return c.Connect(); }))
            return cli_exit::kFailed;
        const bool ok = command();
        endProgress();
        if (m_client->FtpSessionState() != FileTransferClient::stNotConnected)
            perform([](FileTransferClient& c) { return c.QuitSession(); }, false);
        return ok ? cli_exit::kDone : cli_exit::kFailed;
    }

private:
    bool command()
    {
        const QString& cmd = m_args.command;
        const QStringList& op = m_args.operands;
        if (cmd == QLatin1String("ls"))
            return list();
        if (cmd == QLatin1String("pwd")) {
            if (!perform([](FileTransferClient& c) { return c.GetCurrentDirectory(); }))
                return false;
            cliPrint(m_client->CurrentDirectory());
            return true;
        }
        if (cmd == QLatin1String("put")) {
            m_total = QFileInfo(op[0]).size();
            return perform([&](FileTransferClient& c) { return c.UploadFile(op[0], op[1], m_args.offset); });
        }
        if (cmd == QLatin1String("get"))
            return perform([&](FileTransferClient& c) { return c.DownloadFile(op[0], op[1], m_args.overwrite); });
        if (cmd == QLatin1String("mkdir"))
            return perform([&](FileTransferClient& c) { return c.CreateDirectory(op[0]); });
        if (cmd == QLatin1String("rmdir"))
            return perform([&](FileTransferClient& c) { return c.RemoveDirectory(op[0]); });
        if (cmd == QLatin1String("rm"))
            return perform([&](FileTransferClient& c) { return c.DeleteFile(op[0]); });
        if (cmd == QLatin1String("mv"))
            return perform([&](FileTransferClient& c) { return c.RenameFile(op[0], op[1]); });
        return false;
    }

    bool list()
    {
        if (!m_args.operands.isEmpty()) {
            const QString dir = m_args.operands.first();
            if (!perform([&](FileTransferClient& c) { return c.SetCurrentDirectory(dir); })
                || !perform([](FileTransferClient& c) { return c.GetCurrentDirectory(); }))
                return false;
        }
        if (!perform([](FileTransferClient& c) { return c.EnumFiles(); }))
            return false;
        QJsonArray files;
        for (const CFtpFile& f : m_client->CurrentDirectoryFiles()) {
            files.append(QJsonObject{
                {QStringLiteral("name"), f.FileName},
                {QStringLiteral("isDirectory"), f.IsDirectory},
                {QStringLiteral("size"), f.FileSize},
                {QStringLiteral("lastWriteTime"),
                 f.LastWriteTime.isValid() ? QJsonValue(f.LastWriteTime.toString(Qt::ISODate)) : QJsonValue()},
                {QStringLiteral("path"), f.FilePath},
                {QStringLiteral("permissions"), f.Permissions},
                {QStringLiteral("owner"), f.Owner},
                {QStringLiteral("group"), f.Group},
            });
        }
        const QJsonObject root{{QStringLiteral("directory"), m_client->CurrentDirectory()},
                               {QStringLiteral("files"), files}};
        cliPrint(QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented)).trimmed());
        return true;
    }

    // Runs one operation to its end. A time-out cancels it. Failures are reported on stderr.
    bool perform(const std::function<bool(FileTransferClient&)>& start, bool report = true)
    {
        if (!start(*m_client)) {
            if (report)
                cliError(cli_exit::kFailed, QStringLiteral("the operation could not start"));
            return false;
        }
        const int result = m_waiter.wait();
        if (result == FileTransferClient::ftpTimeOut) {
            m_client->CancelAsyncMethod();
            m_waiter.wait(0);
            endProgress();
            if (report)
                cliError(cli_exit::kFailed, QStringLiteral("time-out: the server did not answer within %1 s; "
                                                           "the operation was cancelled").arg(m_args.timeout));
            return false;
        }
        if (result == FileTransferClient::ftpDone)
            return true;
        endProgress();
        if (report)
            reportError();
        return false;
    }

    void reportError()
    {
        const CFtpError& error = m_client->LastFtpError();
        // Replies outside the table of standard texts (554, 535 ...) carry no description.
        const QString protocol = m_client->protocol() == FileTransferClient::Protocol::Sftp ? QStringLiteral("SFTP")
                                                                                              : QStringLiteral("FTP");
        QString text = error.Description.isEmpty()
            ? QStringLiteral("%1 error %2").arg(protocol).arg(error.Number)
            : QStringLiteral("%1 error %2: %3").arg(protocol).arg(error.Number).arg(error.Description);
        const QString reply = m_client->LastServerResponse().trimmed();
        if (error.Number > 16000 && error.Number < 17000 && !reply.isEmpty())
            text += QStringLiteral(" (server: %1)").arg(reply);
        // Nobody is asked on the command line: the way to trust is said instead.
        if (m_client->PeerNeedsTrust())
            text += QStringLiteral(" (to trust this server, run again with --trust %1)").arg(m_client->PeerFingerprint());
        cliError(cli_exit::kFailed, text);
    }

    void showProgress(qint64 bytes)
    {
        if (m_progressClock.isValid() && m_progressClock.elapsed() < 100 && bytes < m_total)
            return;
        m_progressClock.start();
        QString line = QStringLiteral("\r%1 bytes").arg(bytes);
        if (m_total > 0)
            line += QStringLiteral(" of %1 (%2%)").arg(m_total).arg(bytes * 100 / m_total);
        printErr(line);
        m_progressShown = true;
    }

    void endProgress()
    {
        if (m_progressShown)
            printErr(QStringLiteral("\n"));
        m_progressShown = false;
    }

    const FtpArguments& m_args;
    std::unique_ptr<FileTransferClient> m_client;
    FtpWaiter m_waiter;
    qint64 m_total = 0;
    QElapsedTimer m_progressClock;
    bool m_progressShown = false;
};

int runFtp(const QStringList& args)
{
    if (args.contains(QLatin1String("--help"))) {
        cliPrint(QString::fromLatin1(kUsage));
        return cli_exit::kDone;
    }
    FtpArguments parsed;
    if (const auto error = parseArguments(args, &parsed))
        return cliError(cli_exit::kBadArguments, *error);
    FtpRun run(parsed);
    return run.run();
}

const CliRegistrar registrar("ftp", cli_helpers::kFtpSummary, runFtp);

} // namespace

#include "app/HomeFolder.h"
#include "app/SingleInstance.h"
#include "cli/CliRegistry.h"
#include "cli/ProjectChoice.h"
#include "store/IniFile.h"
#include "store/ProjectList.h"
#include "store/ServerProtocols.h"
#include "store/Settings.h"

#include <QDir>
#include <QFileInfo>

// "velmora-cli project": the project list of a home folder.
namespace {

const char kUsage[] =
    "Usage: velmora-cli project list [--home DIR]\n"
    "       velmora-cli project show [N|TITLE] [--home DIR]\n"
    "       velmora-cli project add FEED [--home DIR]\n\n"
    "list  prints the project list as JSON (passwords only while \"SavePassword\" is on).\n"
    "      \"name\" is the entry's Name key as project.ini holds it: neither the desktop\n"
    "      program nor \"add\" ever sets it, so it is empty for their entries. \"title\" is\n"
    "      what the program's podcast selector shows: the feed file's channel title, read\n"
    "      from the file each time, or the file name when that title is empty.\n"
    "show  prints one project as JSON: N is its number in the list (from 0), TITLE its title;\n"
    "      without either, the project the desktop program opens. \"ftpServer\" is the upload\n"
    "      window's server field, \"ftpProtocol\" the protocol it names (ftp, ftpes, ftps,\n"
    "      sftp) and \"ftpTrust\" the server certificate's fingerprint the project trusts.\n"
    "add   adds an existing feed file to the list, or makes its entry current when the list\n"
    "      already holds it, and saves the list. Refused while the desktop program runs on\n"
    "      the home folder, since it rewrites the list when it closes. FEED must be an RSS\n"
    "      file the program can open: a file that is not well-formed XML, or an Atom or RSS\n"
    "      1.0 feed (convert it with \"feed rewrite\" first), is refused with exit code 2.\n\n"
    "--home DIR  the home folder (default: $VELMORA_HOME, else the per-user data folder)\n\n"
    "Exit codes: 0 done, 1 the operation failed, 2 bad arguments or input.";

QString jsonString(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString jsonBool(bool b)
{
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

// Members of one JSON object, kept in the order they are added.
class JsonObject {
public:
    explicit JsonObject(int indent) : m_indent(indent) {}
    void add(const char* name, const QString& json) { m_members.append({QLatin1String(name), json}); }
    void text(const char* name, const QString& value) { add(name, jsonString(value)); }
    QString toString() const
    {
        const QString inner(m_indent + 2, QLatin1Char(' '));
        QStringList lines;
        for (const auto& [name, json] : m_members)
            lines.append(inner + jsonString(name) + QStringLiteral(": ") + json);
        return QStringLiteral("{\n") + lines.join(QStringLiteral(",\n")) + QLatin1Char('\n')
               + QString(m_indent, QLatin1Char(' ')) + QLatin1Char('}');
    }

private:
    int m_indent;
    QList<std::pair<QString, QString>> m_members;
};

QString jsonArray(const QStringList& items, int indent)
{
    if (items.isEmpty())
        return QStringLiteral("[]");
    const QString inner(indent + 2, QLatin1Char(' '));
    return QStringLiteral("[\n") + inner + items.join(QStringLiteral(",\n") + inner)
           + QLatin1Char('\n') + QString(indent, QLatin1Char(' ')) + QLatin1Char(']');
}

QString projectJson(const ProjectEntry& e, int indent)
{
    JsonObject o(indent);
    o.text("name", e.name);
    o.text("title", project_choice::selectorTitle(e));
    o.add("image", jsonBool(e.image));
    o.text("imagePath", e.imagePath);
    o.text("path", e.path);
    o.text("ftpServer", e.ftpServer);
    o.text("ftpUsername", e.ftpUsername);
    o.text("ftpPassword", e.ftpPassword);
    o.text("ftpProtocol", server_protocols::scheme(server_protocols::protocolOf(e.ftpServer)));
    o.text("ftpTrust", e.ftpTrust);
    o.add("ftpMode", QString::number(e.ftpMode));
    o.text("ftpPath", e.ftpPath);
    o.text("ftpPath2", e.ftpPath2);
    o.text("ftpPath3", e.ftpPath3);
    o.text("ftpFilename", e.ftpFilename);
    o.text("ftpFilename2", e.ftpFilename2);
    o.add("uploadFeed", jsonBool(e.uploadFeed));
    o.add("uploadImage", jsonBool(e.uploadImage));
    o.add("uploadEnclosure", jsonBool(e.uploadEnclosure));
    o.add("autoDate", jsonBool(e.autoDate));
    QStringList states;
    for (const EnclosureState& s : e.enclosures) {
        JsonObject so(indent + 4);
        so.text("localFile", s.localFile);
        so.text("text2", s.text2);
        so.text("text3", s.text3);
        so.text("text4", s.text4);
        so.text("text5", s.text5);
        so.add("selectedForUpload", jsonBool(s.selectedForUpload));
        so.add("isLocal", jsonBool(s.isLocal));
        states.append(so.toString());
    }
    o.add("enclosures", jsonArray(states, indent + 2));
    return o.toString();
}

// "SavePassword" of the home's settings; a home without settings.ini has the first-start value.
bool savePasswordSetting(const HomeFolder& home)
{
    Settings settings;
    if (!settings.load(home.settingsPath()))
        settings.setDefaults(home.path(), QSize());
    return settings.savePassword;
}

// The home's project list as the program reads it; false when project.ini cannot be read.
bool readList(const HomeFolder& home, ProjectList* list, int* code)
{
    IniFile ini;
    QString error;
    if (ini.load(home.projectListPath(), &error) == IniFile::LoadResult::Unreadable) {
        *code = cliError(cli_exit::kFailed, QStringLiteral("cannot read \"%1\": %2").arg(home.projectListPath(), error));
        return false;
    }
    list->readFrom(ini, savePasswordSetting(home));
    return true;
}

// "LastProject" of the home's settings: the project the desktop program opens (0 past the end).
int lastProject(const HomeFolder& home, int count)
{
    Settings settings;
    if (!settings.load(home.settingsPath()))
        return 0;
    return settings.lastProject >= 0 && settings.lastProject < count ? settings.lastProject : 0;
}

int runShow(const HomeFolder& home, const QStringList& which)
{
    ProjectList list;
    int code = cli_exit::kDone;
    if (!readList(home, &list, &code))
        return code;
    QString error;
    const int index = which.isEmpty() ? lastProject(home, list.count()) : project_choice::find(list, which.first(), &error);
    if (index < 0 || index >= list.count())
        return cliError(cli_exit::kBadArguments, error.isEmpty() ? QStringLiteral("the project list is empty") : error);
    cliPrint(projectJson(list[index], 0));
    return cli_exit::kDone;
}

int runList(const HomeFolder& home)
{
    ProjectList list;
    int code = cli_exit::kDone;
    if (!readList(home, &list, &code))
        return code;
    QStringList projects;
    for (const ProjectEntry& e : list.entries())
        projects.append(projectJson(e, 4));
    JsonObject root(0);
    root.add("projects", jsonArray(projects, 2));
    cliPrint(root.toString());
    return cli_exit::kDone;
}

int runAdd(const HomeFolder& home, const QString& feed)
{
    const QFileInfo info(feed);
    if (!info.isFile())
        return cliError(cli_exit::kFailed, QStringLiteral("no such feed file \"%1\"").arg(feed));
    const QString unopenable = project_choice::unopenableReason(feed);
    if (!unopenable.isEmpty())
        return cliError(cli_exit::kBadArguments, unopenable);
    const QString path = QDir::cleanPath(info.absoluteFilePath());

    // Holding the lock while the list is rewritten also keeps the desktop program from
    // starting on the half-done change.
    QString error;
    if (!home.ensureExists(&error))
        return cliError(cli_exit::kFailed, error);
    SingleInstance lock(home.lockPath());
    if (!lock.tryAcquire())
        return cliError(cli_exit::kFailed,
                        QStringLiteral("Velmora is running on \"%1\"; close it before changing its "
                                       "project list").arg(home.path()));

    IniFile ini;
    if (ini.load(home.projectListPath(), &error) == IniFile::LoadResult::Unreadable)
        return cliError(cli_exit::kFailed,
                        QStringLiteral("cannot read \"%1\": %2").arg(home.projectListPath(), error));
    const bool savePasswords = savePasswordSetting(home);
    ProjectList list;
    list.readFrom(ini, savePasswords);
    const int before = list.count();
    const int position = list.addFeedFile(path);
    if (!list.save(home.projectListPath(), savePasswords, &error))
        return cliError(cli_exit::kFailed,
                        QStringLiteral("cannot write \"%1\": %2").arg(home.projectListPath(), error));

    // The program opens the saved "LastProject" at its next start. A home without settings
    // keeps its first start (and the defaults it brings); a new list starts at entry 0 anyway.
    if (QFileInfo::exists(home.settingsPath())) {
        IniFile settings;
        if (settings.load(home.settingsPath()) == IniFile::LoadResult::Loaded) {
            settings.setValue(QStringLiteral("Main"), QStringLiteral("LastProject"),
                              QString::number(position));
            settings.save(home.settingsPath(), &error);
        }
    }
    cliPrint(list.count() > before
                 ? QStringLiteral("added \"%1\" as project %2").arg(path).arg(position)
                 : QStringLiteral("\"%1\" is already project %2; made current").arg(path).arg(position));
    return cli_exit::kDone;
}

int runProject(const QStringList& args)
{
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        cliPrint(QLatin1String(kUsage));
        return cli_exit::kDone;
    }
    QString homePath;
    QStringList words;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--home")) {
            if (i + 1 >= args.size())
                return cliError(cli_exit::kBadArguments, QStringLiteral("--home needs a folder"));
            homePath = args[++i];
        } else if (a.startsWith(QLatin1String("--home="))) {
            homePath = a.mid(7);
        } else if (a.startsWith(QLatin1String("--"))) {
            return cliError(cli_exit::kBadArguments, QStringLiteral("unknown option \"%1\"").arg(a));
        } else {
            words.append(a);
        }
    }
    if (homePath.isEmpty() && args.contains(QLatin1String("--home")))
        return cliError(cli_exit::kBadArguments, QStringLiteral("--home needs a folder"));
    const HomeFolder home = homePath.isEmpty() ? HomeFolder::resolve()
                                               : HomeFolder(QDir(homePath).absolutePath());

    if (words.size() == 1 && words[0] == QLatin1String("list"))
        return runList(home);
    if (!words.isEmpty() && words.size() <= 2 && words[0] == QLatin1String("show"))
        return runShow(home, words.mid(1));
    if (words.size() == 2 && words[0] == QLatin1String("add"))
        return runAdd(home, words[1]);
    return cliError(cli_exit::kBadArguments,
                    QStringLiteral("expected \"project list\", \"project show [N|TITLE]\" or \"project add FEED\" "
                                   "(see velmora-cli project --help)"));
}

const CliRegistrar registrar("project", "list the podcasts of the project list, add a feed file",
                             runProject);

} // namespace

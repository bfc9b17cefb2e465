#include "store/ProjectList.h"

#include "store/IniFile.h"
#include "store/IniValue.h"
#include "store/ServerProtocols.h"

#include <QtGlobal>

namespace {

const QString kMain = QStringLiteral("Main");

// File names differ by letter case only where the file system says so.
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

QString projectSection(int n)
{
    return QStringLiteral("Project_") + QString::number(n);
}

QString enclosureSection(int n, int j)
{
    return projectSection(n) + QStringLiteral("_E_") + QString::number(j);
}

// A count read from the file, kept to what the file can describe: a real entry has a section,
// so a count far beyond the number of sections comes from a damaged file and must not make
// us allocate without bound. The slack keeps short hand-written files working.
constexpr int kCountSlack = 100;

int boundedCount(const QString& text, int limit)
{
    return qBound(0, ini_value::toInt<int>(text), limit + kCountSlack);
}

} // namespace

void ProjectList::setCurrent(int position)
{
    m_current = (position >= 0 && position < count()) ? position : 0;
}

void ProjectList::clear()
{
    m_entries.clear();
    m_current = 0;
}

bool ProjectList::load(const QString& path, bool readPasswords)
{
    IniFile ini;
    const bool loaded = ini.load(path) == IniFile::LoadResult::Loaded;
    readFrom(ini, readPasswords);
    return loaded;
}

void ProjectList::readFrom(const IniFile& ini, bool readPasswords)
{
    clear();
    const int total = boundedCount(ini.value(kMain, QStringLiteral("Total")), ini.sectionCount());
    m_entries.resize(total);
    int enclosureBudget = ini.sectionCount() + kCountSlack;
    for (int n = 0; n < total; ++n) {
        const QString s = projectSection(n);
        ProjectEntry& e = m_entries[n];
        const auto text = [&](const QString& key) { return ini.value(s, key); };
        const auto flag = [&](const QString& key) { return ini_value::toFlag(text(key)); };
        e.name = text(QStringLiteral("Name"));
        e.image = ini_value::leadingNumber(text(QStringLiteral("Image"))) != 0.0;
        e.imagePath = text(QStringLiteral("ImagePath"));
        e.path = text(QStringLiteral("Path"));
        e.ftpServer = server_protocols::fieldFrom(text(QStringLiteral("FTPServer")), text(QStringLiteral("FTPProtocol")));
        e.ftpUsername = text(QStringLiteral("FTPUsername"));
        if (readPasswords)
            e.ftpPassword = text(QStringLiteral("FTPPassword"));
        e.ftpMode = ini_value::toInt<quint8>(text(QStringLiteral("FTPMode")));
        e.ftpPath = text(QStringLiteral("FTPPath"));
        e.ftpPath2 = text(QStringLiteral("FTPPath2"));
        e.ftpPath3 = text(QStringLiteral("FTPPath3"));
        e.ftpFilename = text(QStringLiteral("FTPFilename"));
        e.ftpFilename2 = text(QStringLiteral("FTPFilename2"));
        e.ftpTrust = text(QStringLiteral("FTPTrust"));
        e.coverPath = text(QStringLiteral("CoverPath"));
        e.uploadFeed = flag(QStringLiteral("UploadFeed"));
        e.uploadImage = flag(QStringLiteral("UploadImage"));
        e.uploadEnclosure = flag(QStringLiteral("UploadEnclosure"));
        e.autoDate = flag(QStringLiteral("AutoDate"));
        readEnclosureStates(ini, n);
        enclosureBudget -= e.enclosures.count();
        if (enclosureBudget < 0) { // a damaged file: keep what fits
            e.enclosures.resize(e.enclosures.count() + enclosureBudget);
            enclosureBudget = 0;
        }
    }
}

bool ProjectList::loadEnclosureStates(const QString& path, int position)
{
    if (position < 0 || position >= count())
        return false;
    IniFile ini;
    const bool loaded = ini.load(path) == IniFile::LoadResult::Loaded;
    readEnclosureStates(ini, position);
    return loaded;
}

void ProjectList::readEnclosureStates(const IniFile& ini, int position)
{
    if (position < 0 || position >= count())
        return;
    SlotList<EnclosureState>& states = m_entries[position].enclosures;
    const int total = boundedCount(ini.value(projectSection(position), QStringLiteral("TotalEnclosures")),
                                   ini.sectionCount());
    states.resize(total);
    for (int j = 0; j < total; ++j) {
        const QString s = enclosureSection(position, j);
        EnclosureState& st = states[j];
        st.localFile = ini.value(s, QStringLiteral("1"));
        st.text2 = ini.value(s, QStringLiteral("2"));
        st.text3 = ini.value(s, QStringLiteral("3"));
        st.text4 = ini.value(s, QStringLiteral("4"));
        st.text5 = ini.value(s, QStringLiteral("5"));
        st.selectedForUpload = ini_value::toFlag(ini.value(s, QStringLiteral("6")));
        st.isLocal = ini_value::toFlag(ini.value(s, QStringLiteral("7")));
    }
}

IniFile ProjectList::toIni(bool savePasswords) const
{
    using ini_value::fromFlag;
    IniFile ini;
    ini.setValue(kMain, QStringLiteral("Total"), QString::number(count()));
    for (int n = 0; n < count(); ++n) {
        const ProjectEntry& e = m_entries[n];
        const QString s = projectSection(n);
        const auto put = [&](const QString& key, const QString& value) { ini.setValue(s, key, value); };
        put(QStringLiteral("Name"), e.name);
        put(QStringLiteral("Image"), fromFlag(e.image));
        put(QStringLiteral("Path"), e.path);
        put(QStringLiteral("ImagePath"), e.imagePath);
        put(QStringLiteral("FTPServer"), server_protocols::storedServer(e.ftpServer));
        put(QStringLiteral("FTPUsername"), e.ftpUsername);
        if (savePasswords)
            put(QStringLiteral("FTPPassword"), e.ftpPassword);
        put(QStringLiteral("FTPMode"), QString::number(e.ftpMode));
        put(QStringLiteral("FTPPath"), e.ftpPath);
        put(QStringLiteral("FTPPath2"), e.ftpPath2);
        put(QStringLiteral("FTPPath3"), e.ftpPath3);
        put(QStringLiteral("FTPFilename"), e.ftpFilename);
        put(QStringLiteral("FTPFilename2"), e.ftpFilename2);
        // Files of projects that stay with FTP and never trusted a certificate keep their form.
        if (const QString protocol = server_protocols::storedProtocol(e.ftpServer); !protocol.isEmpty())
            put(QStringLiteral("FTPProtocol"), protocol);
        if (!e.ftpTrust.isEmpty())
            put(QStringLiteral("FTPTrust"), e.ftpTrust);
        if (!e.coverPath.isEmpty())
            put(QStringLiteral("CoverPath"), e.coverPath);
        put(QStringLiteral("UploadFeed"), fromFlag(e.uploadFeed));
        put(QStringLiteral("UploadImage"), fromFlag(e.uploadImage));
        put(QStringLiteral("UploadEnclosure"), fromFlag(e.uploadEnclosure));
        put(QStringLiteral("AutoDate"), fromFlag(e.autoDate));
        put(QStringLiteral("TotalEnclosures"), QString::number(e.enclosures.count()));
        for (int j = 0; j < e.enclosures.count(); ++j) {
            const EnclosureState& st = e.enclosures[j];
            const QString es = enclosureSection(n, j);
            ini.setValue(es, QStringLiteral("1"), st.localFile);
            ini.setValue(es, QStringLiteral("2"), st.text2);
            ini.setValue(es, QStringLiteral("3"), st.text3);
            ini.setValue(es, QStringLiteral("4"), st.text4);
            ini.setValue(es, QStringLiteral("5"), st.text5);
            ini.setValue(es, QStringLiteral("6"), fromFlag(st.selectedForUpload));
            ini.setValue(es, QStringLiteral("7"), fromFlag(st.isLocal));
        }
    }
    return ini;
}

bool ProjectList::save(const QString& path, bool savePasswords, QString* error) const
{
    // A fresh document replaces the old file as a whole, so nothing of it survives.
    return toIni(savePasswords).save(path, error, kFilePermissions);
}

int ProjectList::newProject()
{
    ProjectEntry& e = m_entries.spare();
    e = ProjectEntry();
    e.path = QStringLiteral("Untitled");
    e.encodingIndex = kDefaultEncodingIndex;
    e.ftpFilename = QStringLiteral("feed.xml");
    e.ftpPath = e.ftpPath2 = e.ftpPath3 = QStringLiteral("mainwebsite_html");
    e.autoDate = true;
    m_current = m_entries.commitSpare();
    return m_current;
}

int ProjectList::find(const QString& path) const
{
    for (int i = 0; i < count(); ++i) {
        if (m_entries[i].path.compare(path, kPathCase) == 0)
            return i;
    }
    return -1;
}

int ProjectList::addFeedFile(const QString& path)
{
    const int existing = find(path);
    if (existing >= 0) {
        m_current = existing;
        return existing;
    }
    ProjectEntry e;
    e.path = path;
    m_current = m_entries.append(e);
    return m_current;
}

void ProjectList::removeProject(int position)
{
    m_entries.removeAt(position);
    m_current = 0;
}

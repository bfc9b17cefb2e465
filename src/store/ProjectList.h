#pragma once

#include "store/SlotList.h"

#include <QFileDevice>
#include <QString>

class IniFile;

// Upload state of one episode's media file; same position as the episode in the feed.
struct EnclosureState {
    QString localFile;
    QString text2; // the episode's enclosure address
    QString text3; // its guid
    QString text4; // its title
    QString text5; // its position, in decimal
    bool selectedForUpload = false;
    bool isLocal = false;
    bool operator==(const EnclosureState&) const = default;
};

// One podcast of the project list: its feed file and what the feed does not hold.
struct ProjectEntry {
    QString name;
    bool image = false;
    QString imagePath;
    QString path;
    qint16 encodingIndex = 0;
    QString ftpServer;
    QString ftpUsername;
    QString ftpPassword;
    quint8 ftpMode = 0;
    QString ftpPath;
    QString ftpPath2;
    QString ftpPath3;
    QString ftpFilename;
    QString ftpFilename2;
    // SHA-256 of an FTPS certificate the user chose to trust ("FTPTrust"; empty: none).
    QString ftpTrust;
    // Local file of the cover art ("CoverPath"; empty: none), published beside the feed image.
    QString coverPath;
    bool uploadFeed = false;
    bool uploadImage = false;
    bool uploadEnclosure = false;
    bool autoDate = false;
    SlotList<EnclosureState> enclosures;
    bool operator==(const ProjectEntry&) const = default;
};

// The podcasts the program knows, stored in project.ini, with one current entry.
class ProjectList {
public:
    // Encoding of a new podcast: "Western (Windows-1252)".
    static constexpr qint16 kDefaultEncodingIndex = 53;
    // project.ini may hold passwords.
    static constexpr QFileDevice::Permissions kFilePermissions =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner;

    const SlotList<ProjectEntry>& entries() const { return m_entries; }
    SlotList<ProjectEntry>& entries() { return m_entries; }
    int count() const { return m_entries.count(); }
    ProjectEntry& operator[](int i) { return m_entries[i]; }
    const ProjectEntry& operator[](int i) const { return m_entries[i]; }

    int current() const { return m_current; }
    void setCurrent(int position);

    // Replaces the list with the file's projects (passwords only with readPasswords). A
    // missing or unreadable file gives an empty list and false.
    bool load(const QString& path, bool readPasswords);
    void readFrom(const IniFile& ini, bool readPasswords);

    // Re-reads one project's enclosure states from the file.
    bool loadEnclosureStates(const QString& path, int position);
    void readEnclosureStates(const IniFile& ini, int position);

    // Writes a new file in place of the old one, readable by its owner only; passwords only
    // with savePasswords.
    bool save(const QString& path, bool savePasswords, QString* error = nullptr) const;
    IniFile toIni(bool savePasswords) const;

    // Appends a project for a new podcast and makes it current; returns its position.
    int newProject();
    // Makes the entry with this feed path current, appending one when there is none; paths
    // are compared as the file system compares file names. Returns the position.
    int addFeedFile(const QString& path);
    // Position of the entry with this feed path, -1 when there is none.
    int find(const QString& path) const;
    // Removes the entry; the first one becomes current.
    void removeProject(int position);

    void clear();

private:
    SlotList<ProjectEntry> m_entries;
    int m_current = 0;
};

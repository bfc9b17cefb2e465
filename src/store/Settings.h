#pragma once

#include <QSize>
#include <QString>

#include <array>

class IniFile;

// Position, size (twips) and state (0 normal, 1 minimized, 2 maximized) of a window.
struct WindowPlacement {
    qint16 x = 0;
    qint16 y = 0;
    qint16 w = 0;
    qint16 h = 0;
    qint16 pos = 0;
    bool operator==(const WindowPlacement&) const = default;
};

// The program-wide settings, stored in settings.ini. Members hold what a missing key reads as
// (empty, false, 0); setDefaults() gives the values of a first start.
struct Settings {
    // Section "Main".
    QString findThat;
    QString findReplaceThat;
    bool showAdv = false;
    qint16 lastProject = 0;
    QString lastProjectName;
    QString lastExportFN;
    WindowPlacement eForm1; // episode editor
    WindowPlacement form4;  // recording window
    WindowPlacement form5;  // theme window
    qint16 lt = 0;
    quint8 openIn = 0;
    bool autoSave = false;
    bool createBackup = false;
    bool saveLog = false;
    bool savePassword = false;
    QString templates;
    bool useTemplate = false;
    double mfWidth = 0; // main window, twips
    double mfHeight = 0;
    double mfLeft = 0;
    double mfTop = 0;
    qint16 mfPos = 0;

    // Section "Options".
    QString interfaceLanguage; // key "22"
    std::array<QString, 10> searchHistory; // keys "s0" to "s9"
    qint16 pMonoStereo = 0;
    qint32 pVolMic = 0;
    qint32 encoderBitrate = 0;
    qint32 encoderSamples = 0;
    qint32 encoder = 0;
    qint32 recDevice = 0;
    qint32 recLine = 0;
    qint32 bufPar1 = 0;
    qint32 bufPar2 = 0;
    qint32 bufPar3 = 0;
    QString tempDir;
    qint32 undoRedo = 0;
    QString defTrack;
    QString defTitle;
    QString defArtist;
    QString defAlbum;
    QString defYear;
    QString defComment;

    // First-start values. Windows are centred on a screen of screenTwips; the program's
    // folder gives the export file name and the temporary folder.
    void setDefaults(const QString& programFolder, const QSize& screenTwips);

    // Reads every key in order. A missing or unreadable file changes nothing and returns
    // false; in a file that exists, a missing key reads as empty, false or 0.
    bool load(const QString& path);
    void readFrom(const IniFile& ini);

    // Writes every key into the existing file (other lines are kept) and saves it atomically.
    bool save(const QString& path, QString* error = nullptr) const;
    void writeTo(IniFile& ini) const;

    bool operator==(const Settings&) const = default;
};

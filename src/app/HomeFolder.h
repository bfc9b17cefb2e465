#pragma once

#include <QString>

// The folder that holds everything the program keeps beside itself: settings.ini, project.ini,
// languages.txt, Themes/, Temp/, the preview scratch file and the upload work files.
class HomeFolder {
public:
    explicit HomeFolder(QString path);

    // $VELMORA_HOME when set and not blank, otherwise the per-user data folder.
    static HomeFolder resolve();

    const QString& path() const { return m_path; }
    QString filePath(const QString& name) const;

    QString settingsPath() const { return filePath(QStringLiteral("settings.ini")); }
    QString projectListPath() const { return filePath(QStringLiteral("project.ini")); }
    QString languagesPath() const { return filePath(QStringLiteral("languages.txt")); }
    QString themesPath() const { return filePath(QStringLiteral("Themes")); }
    QString tempPath() const { return filePath(QStringLiteral("Temp")); }
    QString previewScratchPath() const { return filePath(QStringLiteral("pr-feed-01.tmp")); }
    QString manualPath() const { return filePath(QStringLiteral("manual")); }
    QString lockPath() const { return filePath(QStringLiteral("velmora.lock")); }

    // Creates the folder itself; false when that is impossible.
    bool ensureExists(QString* error = nullptr) const;

    // Copies languages.txt and the Themes/ tree from the bundled resources when they are
    // missing (existing ones are never touched) and brings the help pages in manual/ up to
    // the program's version. Returns the number of files copied; error
    // texts of files that could not be copied go to *errors.
    int installBundledResources(QStringList* errors = nullptr) const;

private:
    QString m_path;
};

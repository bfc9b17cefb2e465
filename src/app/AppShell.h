#pragma once

#include "app/HomeFolder.h"
#include "app/SingleInstance.h"
#include "store/LanguageTable.h"
#include "store/ProjectList.h"
#include "store/Settings.h"

#include <QSize>
#include <QString>

class AudioSystem;
class Prompts;

// The program's start procedure and exit path, the parts of them that do not need a window.
// The desktop program calls these in order; the pieces later grow around them (settings, the
// project list, the open podcast).
class AppShell {
public:
    AppShell(HomeFolder home, Prompts& prompts);
    ~AppShell();

    const HomeFolder& home() const { return m_home; }
    Prompts& prompts() { return m_prompts; }

    // Single-instance test. On refusal shows "You can only have one instance of Velmora
    // running at one time." and returns false; no file has been touched then. The home folder
    // itself is created first, since the lock lives in it.
    bool acquireSingleInstance();

    // Copies the bundled resources that are missing from the home folder (after the lock).
    void installResources();

    // Audio library check and output initialisation of the main window's creation steps:
    // a wrong version is warned about, a failed initialisation reported with its error code;
    // start-up goes on either way. Returns true when the output device is ready.
    bool startAudio(AudioSystem& audio);

    // Start steps up to the settings read: the project list holds only its spare entry, the
    // language file is read, the settings presence test sets firstRun() (and the first-start
    // defaults for a screen of screenTwips), then the settings file is read. The main window
    // is created after this, from settings().
    void loadSettings(const QSize& screenTwips);
    // Start step after the main window exists: the project list is read, passwords only while
    // "SavePassword" is on; the current entry is the saved "LastProject" (0 when past the end).
    void loadProjectList();

    bool firstRun() const { return m_firstRun; }
    Settings& settings() { return m_settings; }
    const Settings& settings() const { return m_settings; }
    ProjectList& projects() { return m_projects; }
    const ProjectList& projects() const { return m_projects; }
    const LanguageTable& languages() const { return m_languages; }

    // Writes the project list; failures are reported. Called after every change of the list.
    bool saveProjectList();

    // "text", a blank line and "error code: N".
    void showBassError(const QString& text, const AudioSystem& audio);

    // When set, the exit path asks nothing: a session is ending (SIGTERM, SIGINT, logout).
    void setUnattendedExit(bool unattended) { m_unattendedExit = unattended; }
    bool unattendedExit() const { return m_unattendedExit; }

    // The main window's unload steps that follow the save flow: the preview scratch file goes,
    // the project list and then the settings are written back (only when they were read at
    // start), the lock is released. A file that cannot be written is reported.
    void unload();

private:
    HomeFolder m_home;
    Prompts& m_prompts;
    SingleInstance m_instance;
    bool m_unattendedExit = false;
    bool m_firstRun = false;
    bool m_settingsLoaded = false;
    bool m_projectsLoaded = false;
    Settings m_settings;
    ProjectList m_projects;
    LanguageTable m_languages;
};

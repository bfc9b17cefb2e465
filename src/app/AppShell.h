#pragma once

#include "app/HomeFolder.h"
#include "app/SingleInstance.h"

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

    // "text", a blank line and "error code: N".
    void showBassError(const QString& text, const AudioSystem& audio);

    // When set, the exit path asks nothing: a session is ending (SIGTERM, SIGINT, logout).
    void setUnattendedExit(bool unattended) { m_unattendedExit = unattended; }
    bool unattendedExit() const { return m_unattendedExit; }

    // The main window's unload steps that follow the save flow: the preview scratch file goes,
    // state is written back, the lock is released.
    void unload();

private:
    HomeFolder m_home;
    Prompts& m_prompts;
    SingleInstance m_instance;
    bool m_unattendedExit = false;
};

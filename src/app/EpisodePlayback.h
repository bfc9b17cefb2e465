#pragma once

#include <QtGlobal>

class FileStreams;
class Session;

// Episode > Play and Stop of the main window: the selected episode's local media file plays to
// its end; a second Play starts another stream beside the first, and Stop stops the latest one.
// An episode without a playable local file plays nothing, silently, as does a system without
// sound.
class EpisodePlayback {
public:
    EpisodePlayback(Session& session, FileStreams& streams) : m_session(session), m_streams(streams) {}

    void play();
    void stop();
    // The stream Play started last; 0 when none was created.
    quint32 handle() const { return m_handle; }

private:
    Session& m_session;
    FileStreams& m_streams;
    quint32 m_handle = 0;
};

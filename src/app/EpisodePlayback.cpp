#include "app/EpisodePlayback.h"

#include "app/Session.h"
#include "audio/FileStreams.h"

void EpisodePlayback::play()
{
    if (m_session.noPodcast() || !m_session.view())
        return;
    const int position = m_session.view()->selectedEpisodeRow() - 1;
    const ProjectEntry* entry = m_session.currentEntry();
    if (position < 0 || !entry || position >= entry->enclosures.count())
        return;
    m_handle = m_streams.StreamCreateFile(entry->enclosures.at(position).localFile);
    if (m_handle)
        m_streams.ChannelPlay(m_handle, false);
}

void EpisodePlayback::stop()
{
    m_streams.ChannelStop(m_handle);
}

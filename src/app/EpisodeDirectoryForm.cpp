#include "app/EpisodeDirectoryForm.h"

#include "feed/DirectoryValues.h"

void EpisodeDirectoryForm::load(const Episode& episode)
{
    DirectoryFormOf<Episode>::load(episode);
    m_audioDuration.clear();
    m_filled.clear();
}

QString EpisodeDirectoryForm::reason(const QString& key) const
{
    QString why = DirectoryFormOf<Episode>::reason(key);
    if (why.isEmpty() && key == QLatin1String("itunesDuration") && !m_audioDuration.isEmpty()
        && dirvalues::parseItunesDuration(m_values.itunesDuration)
               != dirvalues::parseItunesDuration(m_audioDuration))
        why = QStringLiteral("the audio lasts %1").arg(m_audioDuration);
    return why;
}

void EpisodeDirectoryForm::setAudioLength(double seconds)
{
    m_audioDuration = dirvalues::formatItunesDuration(seconds);
    if (m_audioDuration.isEmpty())
        return;
    if (m_values.itunesDuration.isEmpty() || m_values.itunesDuration == m_filled)
        m_values.itunesDuration = m_filled = m_audioDuration;
}

bool EpisodeDirectoryForm::fillDurationFromAudio()
{
    if (m_audioDuration.isEmpty())
        return false;
    m_values.itunesDuration = m_filled = m_audioDuration;
    return true;
}

#include "audio/TrackPlayer.h"

#include "audio/AudioEditor.h"

#include <algorithm>
#include <vector>

TrackPlayer::TrackPlayer(AudioSystem& audio, AudioEditor& editor, QObject* parent)
    : QObject(parent), m_audio(audio), m_editor(editor)
{
    connect(&m_tick, &QTimer::timeout, this, &TrackPlayer::tick);
}

TrackPlayer::~TrackPlayer() = default;

bool TrackPlayer::Play()
{
    if (m_stream) {
        if (m_paused) {
            m_stream->resume();
            m_paused = false;
        }
        return true;
    }
    if (!m_editor.hasTrack() || m_editor.frames() == 0)
        return false;
    if (m_editor.hasSelection()) {
        m_start = m_editor.selectionStart();
        m_end = m_start + m_editor.selectionLength();
    } else {
        m_start = m_editor.cursor() < m_editor.frames() ? m_editor.cursor() : 0;
        m_end = m_editor.frames();
    }
    AudioStreamSpec spec;
    spec.sampleRate = m_editor.sampleRate();
    spec.channels = m_editor.channels();
    spec.buffering = m_buffering;
    m_stream = m_audio.openOutput(spec);
    if (!m_stream)
        return false;
    m_samples = m_editor.samples();
    m_rate = spec.sampleRate;
    m_fed = m_start;
    m_paused = false;
    if (!m_stream->start([this](float* out, qint64 n) { return feed(out, n); })) {
        m_stream.reset();
        m_samples = SampleSequence(m_samples.channels());
        return false;
    }
    m_tick.start(m_buffering.tickMs);
    return true;
}

void TrackPlayer::Pause()
{
    if (m_stream && !m_paused) {
        m_stream->pause();
        m_paused = true;
    }
}

void TrackPlayer::Stop()
{
    if (!m_stream)
        return;
    m_tick.stop();
    m_stream->stop();
    m_stream.reset();
    m_samples = SampleSequence(m_samples.channels());
    m_paused = false;
    m_editor.reportLevels(0, 0);
    m_editor.reportPosition(m_editor.cursor());
    emit stopped();
}

qint64 TrackPlayer::position() const
{
    return m_stream ? std::min(m_end, m_start + m_stream->playedFrames()) : m_editor.cursor();
}

qint64 TrackPlayer::feed(float* out, qint64 frames)
{
    const qint64 n = std::clamp<qint64>(m_end - m_fed, 0, frames);
    if (n > 0 && !m_samples.read(m_fed, n, out))
        return 0; // a spill file that cannot be read back ends the play-back
    audiosamples::scale(out, size_t(n) * size_t(m_samples.channels()), m_audio.volume() / 100.0f);
    m_fed += n;
    return n;
}

void TrackPlayer::tick()
{
    if (!m_stream)
        return;
    if (m_stream->isFinished()) {
        m_editor.reportPosition(m_end);
        Stop();
        return;
    }
    const qint64 at = position();
    m_editor.reportPosition(at);
    // The level of what is heard now, not of what was handed to the device last.
    const qint64 n = std::min<qint64>(qint64(m_buffering.tickMs) * m_rate / 1000, m_end - at);
    int left = 0, right = 0;
    if (n > 0 && !m_paused) {
        std::vector<float> window(size_t(n) * size_t(m_samples.channels()));
        if (m_samples.read(at, n, window.data())) {
            audiosamples::scale(window.data(), window.size(), m_audio.volume() / 100.0f);
            audiosamples::peakLevels(window.data(), n, m_samples.channels(), &left, &right);
        }
    }
    m_editor.reportLevels(left, right);
}

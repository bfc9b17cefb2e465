#include "audio/TrackRecorder.h"

#include "audio/AudioEditor.h"
#include "audio/RecordingDevice.h"

TrackRecorder::TrackRecorder(AudioSystem& audio, AudioEditor& editor, RecordingDevice& device, QObject* parent)
    : QObject(parent), m_audio(audio), m_editor(editor), m_device(device)
{
    connect(&m_tick, &QTimer::timeout, this, &TrackRecorder::tick);
}

TrackRecorder::~TrackRecorder()
{
    if (m_stream)
        Stop();
}

bool TrackRecorder::Record()
{
    if (m_stream || !m_editor.hasTrack() || m_editor.isRecording())
        return false;
    AudioStreamSpec spec;
    spec.sampleRate = m_editor.sampleRate();
    spec.channels = m_device.channels();
    spec.buffering = m_device.buffering();
    m_stream = m_audio.openInput(m_device.systemDevice(), spec);
    if (!m_stream)
        return false;
    m_stream->setLevel(m_device.gain());
    if (!m_stream->start()) {
        m_stream.reset();
        return false;
    }
    m_editor.startRecording(m_editor.cursor());
    m_status = AudioStatus::success();
    m_droppedMs = 0;
    m_lost = false;
    m_tick.start(spec.buffering.tickMs);
    return true;
}

void TrackRecorder::collect()
{
    const std::vector<float> frames = audiosamples::adaptChannels(m_stream->take(), m_stream->channels(), m_editor.channels());
    const qint64 count = qint64(frames.size()) / m_editor.channels();
    int left = 0, right = 0;
    if (count > 0) {
        audiosamples::peakLevels(frames.data(), count, m_editor.channels(), &left, &right);
        const AudioStatus s = m_editor.recordFrames(frames.data(), count);
        if (!s.ok() && m_status.ok())
            m_status = s;
        m_editor.reportLevels(left, right);
    }
    m_droppedMs = m_stream->droppedFrames() * 1000 / std::max(1, m_editor.sampleRate());
}

void TrackRecorder::tick()
{
    if (!m_stream)
        return;
    collect();
    if (m_stream->isLost() || !m_status.ok()) {
        m_lost = m_stream->isLost();
        m_status = Stop();
        emit ended();
    }
}

AudioStatus TrackRecorder::Stop()
{
    if (!m_stream)
        return AudioStatus::success();
    m_tick.stop();
    m_stream->stop();
    collect();
    m_stream.reset();
    const AudioStatus finished = m_editor.finishRecording();
    m_editor.reportLevels(0, 0);
    return m_status.ok() ? finished : m_status;
}

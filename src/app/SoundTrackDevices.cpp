#include "app/SoundTrackDevices.h"

#include "audio/AudioEditor.h"
#include "audio/TrackPlayer.h"
#include "audio/TrackRecorder.h"
#include "common/Prompts.h"
#include "store/Settings.h"

SoundTrackDevices::SoundTrackDevices(AudioSystem& audio, Settings& settings, Prompts& prompts, QObject* parent)
    : QObject(parent), m_audio(audio), m_settings(settings), m_prompts(prompts), m_device(audio)
{
    setBuffers(settings.bufPar1, settings.bufPar2, settings.bufPar3);
}

SoundTrackDevices::~SoundTrackDevices()
{
    attach(nullptr);
}

QString SoundTrackDevices::overrunText(qint64 lostMs)
{
    return QStringLiteral("The computer was too busy to take all of the recording: %1 ms of sound were lost.\r\n"
                          "A larger total buffer in \"Audio settings\" can prevent this.")
        .arg(lostMs);
}

QString SoundTrackDevices::deviceLostText(double seconds)
{
    return QStringLiteral("The recording device went away. The %1 seconds recorded until then are in the track.")
        .arg(seconds, 0, 'f', 1);
}

QString SoundTrackDevices::notStoredText(const QString& reason)
{
    return QStringLiteral("The recording could not be stored completely:\r\n%1").arg(reason);
}

void SoundTrackDevices::attach(AudioEditor* editor)
{
    if (editor == m_editor)
        return;
    stop();
    m_player.reset();
    m_recorder.reset();
    m_editor = editor;
    if (!editor)
        return;
    m_player = std::make_unique<TrackPlayer>(m_audio, *editor);
    m_player->setBuffering(m_device.buffering());
    connect(m_player.get(), &TrackPlayer::stopped, this, &SoundTrackDevices::stateChanged);
    m_recorder = std::make_unique<TrackRecorder>(m_audio, *editor, m_device);
    connect(m_recorder.get(), &TrackRecorder::ended, this, &SoundTrackDevices::recordingEnded);
    useStoredDevice();
}

void SoundTrackDevices::useStoredDevice()
{
    // The system's devices may have changed since the last recording.
    m_device.refresh();
    m_device.selectDevice(m_settings.recDevice);
    m_device.selectLine(m_settings.recLine);
    m_device.setLevel(m_settings.pVolMic);
}

void SoundTrackDevices::setBuffers(int totalMs, int count, int tickMs)
{
    const AudioBuffering buffering = AudioBuffering{totalMs, count, tickMs}.sane();
    m_device.setBuffering(buffering);
    if (m_player)
        m_player->setBuffering(buffering);
}

bool SoundTrackDevices::play()
{
    // The track cannot be heard while it grows.
    if (!m_player || m_recording)
        return false;
    return m_player->Play();
}

void SoundTrackDevices::pause()
{
    if (m_player)
        m_player->Pause();
}

bool SoundTrackDevices::isPlaying() const
{
    return m_player && m_player->isPlaying();
}

void SoundTrackDevices::stop()
{
    if (m_player)
        m_player->Stop();
    if (!m_recording)
        return;
    m_recording = false;
    // A recording that ended by itself has been told about already.
    const bool running = m_recorder->isRecording();
    const AudioStatus status = m_recorder->Stop();
    if (running)
        tell(status, m_recorder->droppedMs());
}

bool SoundTrackDevices::startRecording()
{
    if (!m_recorder || m_recording)
        return false;
    if (m_player)
        m_player->Stop();
    useStoredDevice();
    if (!m_recorder->Record())
        return false;
    m_recording = true;
    return true;
}

void SoundTrackDevices::recordingEnded()
{
    // The recorder has already put what it got into the track as one undo step.
    if (m_recorder->deviceLost())
        m_prompts.message(deviceLostText(double(m_editor->recordedFrames()) / m_editor->sampleRate()),
                          MessageIcon::Exclamation);
    tell(m_recorder->endStatus(), m_recorder->droppedMs());
    emit stateChanged();
}

void SoundTrackDevices::tell(const AudioStatus& status, qint64 droppedMs)
{
    if (!status.ok())
        m_prompts.message(notStoredText(status.message), MessageIcon::Exclamation);
    if (droppedMs > 0)
        m_prompts.message(overrunText(droppedMs), MessageIcon::Exclamation);
}

void SoundTrackDevices::showSettings()
{
    if (!settingsDialog)
        return;
    if (!settingsDialog(m_device, m_settings))
        return;
    setBuffers(m_settings.bufPar1, m_settings.bufPar2, m_settings.bufPar3);
    if (m_editor) {
        if (m_settings.undoRedo > 0)
            m_editor->setUndoDepth(m_settings.undoRedo);
        if (!m_settings.tempDir.isEmpty())
            m_editor->setTempFolder(m_settings.tempDir);
    }
}

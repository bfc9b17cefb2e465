#include "app/RecorderPanelLogic.h"

#include "audio/AudioSystem.h"
#include "audio/PanelRecorder.h"
#include "audio/RecordingDevice.h"
#include "common/Prompts.h"
#include "store/Settings.h"

#include <algorithm>

bool RecorderPanelLogic::record()
{
    PanelRecorder::Options options;
    options.stereo = m_settings.pMonoStereo == 1;
    options.bitrateKbps = m_settings.encoderBitrate > 0 ? m_settings.encoderBitrate : 64;
    options.sampleRate = m_settings.encoderSamples > 0 ? m_settings.encoderSamples : 44100;
    options.device = m_settings.recDevice;
    options.gain = float(std::clamp(m_settings.pVolMic, 0, RecordingDevice::kMaxLevel)) / RecordingDevice::kMaxLevel;
    options.buffering = AudioBuffering{m_settings.bufPar1, m_settings.bufPar2, m_settings.bufPar3}.sane();
    switch (m_recorder.Record(options)) {
    case PanelRecorder::Start::Recording:
        m_status = QStringLiteral("Recording...");
        return true;
    case PanelRecorder::Start::EncoderMissing:
        m_status = encoderMissingText();
        if (!m_toldEncoderMissing) {
            m_toldEncoderMissing = true;
            m_prompts.message(encoderMissingText(), MessageIcon::Exclamation);
        }
        return false;
    case PanelRecorder::Start::EncoderFailed:
        m_status = QStringLiteral("The MP3 encoder lame could not be started.");
        return false;
    case PanelRecorder::Start::NoDevice:
        break;
    }
    m_status.clear();
    return false;
}

void RecorderPanelLogic::stop()
{
    m_recorder.Stop();
    if (m_status == QLatin1String("Recording..."))
        m_status.clear();
}

bool RecorderPanelLogic::play()
{
    return m_recorder.Play();
}

void RecorderPanelLogic::encoded(bool ok)
{
    m_status = ok ? QString() : QStringLiteral("The MP3 encoder lame did not finish the file.");
}

int RecorderPanelLogic::volume() const { return m_audio.volume(); }

void RecorderPanelLogic::setVolume(int percent) { m_audio.setVolume(percent); }

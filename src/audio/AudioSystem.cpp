#include "audio/AudioSystem.h"

#include <algorithm>
#include <cmath>

AudioBuffering AudioBuffering::sane() const
{
    AudioBuffering b;
    b.totalMs = std::clamp(totalMs, 20, 10000);
    b.buffers = std::clamp(buffers, 1, 64);
    b.tickMs = std::clamp(tickMs, 5, 1000);
    return b;
}

int AudioBuffering::pieceMs() const
{
    const AudioBuffering b = sane();
    return std::max(5, b.totalMs / b.buffers);
}

AudioOutputStream::~AudioOutputStream() = default;
AudioInputStream::~AudioInputStream() = default;
AudioSystem::~AudioSystem() = default;

std::unique_ptr<AudioOutputStream> AudioSystem::openOutput(const AudioStreamSpec&) { return nullptr; }

std::unique_ptr<AudioInputStream> AudioSystem::openInput(int, const AudioStreamSpec&) { return nullptr; }

int AudioSystem::defaultInputDevice() const
{
    const QList<AudioDeviceInfo> devices = inputDevices();
    for (int i = 0; i < devices.size(); ++i) {
        if (devices[i].isDefault)
            return i;
    }
    return devices.isEmpty() ? -1 : 0;
}

void AudioSystem::setVolume(int percent) { m_volume = std::clamp(percent, 0, 100); }

namespace audiosamples {

void peakLevels(const float* in, qint64 frames, int channels, int* left, int* right)
{
    float l = 0.0f, r = 0.0f;
    for (qint64 i = 0; i < frames && channels > 0; ++i) {
        const float* f = in + size_t(i) * size_t(channels);
        l = std::max(l, std::fabs(f[0]));
        r = std::max(r, std::fabs(f[channels > 1 ? 1 : 0]));
    }
    *left = int(std::lround(std::min(l, 1.0f) * 100.0f));
    *right = int(std::lround(std::min(r, 1.0f) * 100.0f));
}

std::vector<float> adaptChannels(const std::vector<float>& in, int from, int to)
{
    if (from == to || from <= 0 || to <= 0)
        return in;
    const size_t frames = in.size() / size_t(from);
    std::vector<float> out(frames * size_t(to), 0.0f);
    for (size_t i = 0; i < frames; ++i) {
        const float* f = &in[i * size_t(from)];
        float average = 0.0f;
        for (int c = 0; c < from; ++c)
            average += f[c] / float(from);
        for (int c = 0; c < to; ++c)
            out[i * size_t(to) + size_t(c)] = (from > 1 && to > 1 && c < from) ? f[c] : average;
    }
    return out;
}

void scale(float* samples, size_t count, float factor)
{
    if (factor == 1.0f)
        return;
    for (size_t i = 0; i < count; ++i)
        samples[i] *= factor;
}

} // namespace audiosamples

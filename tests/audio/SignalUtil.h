#pragma once

#include "audio/AudioEditor.h"

#include <cmath>
#include <numbers>
#include <vector>

// Generated test signals and measurements on a track's samples.
namespace signal {

inline std::vector<float> sine(int rate, int channels, double seconds, double hz, double amplitude)
{
    const qint64 n = qint64(seconds * rate);
    std::vector<float> out(size_t(n) * size_t(channels));
    for (qint64 i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c)
            out[size_t(i) * size_t(channels) + size_t(c)] =
                float(amplitude * std::sin(2.0 * std::numbers::pi * hz * double(i) / rate));
    return out;
}

// Deterministic white noise in [-amplitude, amplitude].
inline std::vector<float> noise(int rate, int channels, double seconds, double amplitude, quint32 seed = 1)
{
    const qint64 n = qint64(seconds * rate) * channels;
    std::vector<float> out(static_cast<size_t>(n));
    for (auto& v : out) {
        seed = seed * 1664525u + 1013904223u;
        v = float(amplitude * (double(seed >> 8) / double(1 << 24) * 2.0 - 1.0));
    }
    return out;
}

inline void load(AudioEditor& editor, int rate, int channels, const std::vector<float>& samples)
{
    editor.NewTrack(rate, channels);
    editor.insertSamples(0, samples.data(), qint64(samples.size()) / channels);
    editor.clearSelection();
    editor.setCursor(0);
}

inline std::vector<float> all(const AudioEditor& editor)
{
    std::vector<float> out(size_t(editor.frames()) * size_t(editor.channels()));
    editor.samples().read(0, editor.frames(), out.data());
    return out;
}

inline std::vector<float> range(const AudioEditor& editor, qint64 start, qint64 count)
{
    std::vector<float> out(size_t(count) * size_t(editor.channels()));
    if (!editor.samples().read(start, count, out.data()))
        out.clear();
    return out;
}

// RMS of one channel over frames [start, start + count).
inline double rms(const std::vector<float>& data, int channels, int channel, qint64 start, qint64 count)
{
    double sum = 0;
    for (qint64 i = start; i < start + count; ++i) {
        const double v = data[size_t(i) * size_t(channels) + size_t(channel)];
        sum += v * v;
    }
    return count > 0 ? std::sqrt(sum / double(count)) : 0.0;
}

inline double peak(const std::vector<float>& data)
{
    double p = 0;
    for (float v : data)
        p = std::max(p, double(std::fabs(v)));
    return p;
}

// Frequency of channel 0 from its rising zero crossings (interpolated) over a span.
inline double frequency(const std::vector<float>& data, int channels, int rate, qint64 start, qint64 count)
{
    double first = -1, last = -1;
    int crossings = 0;
    for (qint64 i = start + 1; i < start + count; ++i) {
        const double a = data[size_t(i - 1) * size_t(channels)], b = data[size_t(i) * size_t(channels)];
        if (a < 0 && b >= 0) {
            const double t = double(i - 1) + a / (a - b);
            if (first < 0)
                first = t;
            last = t;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * rate / (last - first) : 0.0;
}

} // namespace signal

namespace signal {

// The strongest frequency of channel 0 over a span, searched from `from` to `to` Hz in `step`s.
inline double dominantFrequency(const std::vector<float>& data, int channels, int rate, qint64 start, qint64 count,
                                double from = 50, double to = 5000, double step = 5)
{
    double best = 0, bestPower = -1;
    for (double hz = from; hz <= to; hz += step) {
        // Goertzel: the power of one frequency.
        const double w = 2.0 * std::cos(2.0 * std::numbers::pi * hz / rate);
        double s1 = 0, s2 = 0;
        for (qint64 i = start; i < start + count; ++i) {
            const double s = data[size_t(i) * size_t(channels)] + w * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        const double power = s1 * s1 + s2 * s2 - w * s1 * s2;
        if (power > bestPower) {
            bestPower = power;
            best = hz;
        }
    }
    return best;
}

} // namespace signal

#include "audio/TruePeakLimiter.h"

#include <algorithm>
#include <cmath>

namespace {
// Levels this close to 1 count as 1, so the release ends instead of creeping forever.
constexpr double kUnity = 0.99999;
} // namespace

TruePeakLimiter::TruePeakLimiter(int channels, int sampleRate, double ceilingDb, double lookaheadMs,
                                 double releaseMs)
    : m_channels(std::max(1, channels)),
      m_lookahead(std::max<qint64>(1, qint64(std::llround(lookaheadMs * sampleRate / 1000.0)))),
      m_prefix(m_lookahead),
      m_ceiling(std::pow(10.0, ceilingDb / 20.0)),
      m_release(1.0 - std::exp(-1000.0 / (std::max(1.0, releaseMs) * sampleRate))),
      m_detector(m_channels, sampleRate),
      m_ring(size_t(m_lookahead), 1.0),
      m_ringSum(double(m_lookahead))
{
    m_x.assign(size_t(m_prefix) * size_t(m_channels), 0.0f);
    bool changed = false;
    for (qint64 k = 0; k < m_prefix; ++k)
        step(k, 0.0f, &changed, nullptr);
}

void TruePeakLimiter::step(qint64 k, float peak, bool* changed, std::vector<float>* out)
{
    const float required = peak > m_ceiling ? float(m_ceiling / peak) : 1.0f;
    while (!m_minima.empty() && m_minima.back().second >= required)
        m_minima.pop_back();
    m_minima.emplace_back(k, required);
    m_next = k + 1;
    if (k - m_lookahead + 1 >= 0)
        emitFrame(k - m_lookahead + 1, changed, out);
}

void TruePeakLimiter::emitFrame(qint64 t, bool* changed, std::vector<float>* out)
{
    // Lowest required level over the look-ahead window [t, t + lookahead).
    while (m_minima.front().first < t)
        m_minima.pop_front();
    const double window = m_minima.front().second;
    // Release towards 1, never above what the window needs.
    m_held = std::min(window, m_held + (1.0 - m_held) * m_release);
    if (m_held > kUnity && window >= 1.0)
        m_held = 1.0;
    // The ramp: the average of the last lookahead levels. Each of them is at most the level a
    // peak inside its window needs, so the average is too, and the gain reaches it in time.
    double& slot = m_ring[m_ringPos];
    if (slot < 1.0)
        --m_belowOne;
    m_ringSum += m_held - slot;
    slot = m_held;
    if (slot < 1.0)
        ++m_belowOne;
    m_ringPos = (m_ringPos + 1) % m_ring.size();
    if (m_belowOne == 0)
        m_ringSum = double(m_lookahead); // exact again: no drift once the limiting is over
    const double gain = m_belowOne == 0 ? 1.0 : std::min(1.0, m_ringSum / double(m_lookahead));

    if (t < m_prefix || t - m_prefix >= m_inputFrames)
        return; // the silence around the input
    const float* x = &m_x[size_t(t - m_base) * size_t(m_channels)];
    if (gain < 1.0) {
        *changed = true;
        ++m_limitedFrames;
        m_lowest = std::min(m_lowest, gain);
        for (int c = 0; c < m_channels; ++c)
            out->push_back(float(x[c] * gain));
    } else {
        out->insert(out->end(), x, x + m_channels);
    }
    // Frames before t are no longer needed.
    const qint64 drop = t - m_base;
    if (drop > 65536) {
        m_x.erase(m_x.begin(), m_x.begin() + drop * m_channels);
        m_base += drop;
    }
}

bool TruePeakLimiter::push(const float* in, qint64 frames, std::vector<float>* out)
{
    bool changed = false;
    out->reserve(out->size() + size_t(frames) * size_t(m_channels));
    m_x.insert(m_x.end(), in, in + frames * m_channels);
    m_inputFrames += frames;
    m_peaks.clear();
    m_detector.push(in, frames, &m_peaks);
    for (float peak : m_peaks)
        step(m_next, peak, &changed, out);
    return changed;
}

bool TruePeakLimiter::finish(std::vector<float>* out)
{
    bool changed = false;
    m_peaks.clear();
    m_detector.finish(&m_peaks);
    for (float peak : m_peaks)
        step(m_next, peak, &changed, out);
    // Silence after the input lets the last frames through the look-ahead.
    for (qint64 i = 0; i < m_lookahead; ++i)
        step(m_next, 0.0f, &changed, out);
    return changed;
}

#include "audio/SpectralAnalysis.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/tx.h>
}

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
// Columns kept: a few screens of stereo columns at 1024 points are about 30 MB.
constexpr size_t kCacheColumns = 8192;
} // namespace

SpectralAnalysis::SpectralAnalysis(int size) : m_size(std::clamp(size, 64, 16384))
{
    float scale = 1.0f;
    if (av_tx_init(&m_tx, &m_fn, AV_TX_FLOAT_RDFT, 0, m_size, &scale, AV_TX_UNALIGNED) < 0) {
        m_tx = nullptr;
        m_fn = nullptr;
    }
    m_window.resize(size_t(m_size));
    for (int i = 0; i < m_size; ++i)
        m_window[size_t(i)] = float(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / m_size));
    m_in.resize(size_t(m_size) + 2);
    m_out.resize(size_t(m_size) + 2); // size / 2 + 1 complex values
}

SpectralAnalysis::~SpectralAnalysis()
{
    av_tx_uninit(&m_tx);
}

void SpectralAnalysis::clear()
{
    m_cache.clear();
    m_seen = SampleSequence();
}

void SpectralAnalysis::setTrack(const SampleSequence& samples, double step)
{
    if (!samples.sameViews(m_seen) || step != m_step) {
        m_cache.clear();
        m_seen = samples;
        m_step = step;
    }
}

const float* SpectralAnalysis::column(qint64 k)
{
    if (!m_fn)
        return nullptr;
    auto it = m_cache.find(k);
    if (it != m_cache.end())
        return it->second.data();
    if (m_cache.size() >= kCacheColumns)
        m_cache.clear();
    std::vector<float> levels;
    compute(k, levels);
    if (levels.empty())
        return nullptr;
    return m_cache.emplace(k, std::move(levels)).first->second.data();
}

void SpectralAnalysis::compute(qint64 k, std::vector<float>& out)
{
    const SampleSequence& samples = m_seen;
    const double step = m_step;
    const int ch = samples.channels();
    const qint64 centre = qint64(std::floor((double(k) + 0.5) * step));
    const qint64 start = centre - m_size / 2;
    // Frames outside the track count as silence.
    const qint64 from = std::clamp<qint64>(start, 0, samples.frames());
    const qint64 to = std::clamp<qint64>(start + m_size, 0, samples.frames());
    m_frames.assign(size_t(m_size) * size_t(ch), 0.0f);
    if (to > from && !samples.read(from, to - from, &m_frames[size_t(from - start) * size_t(ch)]))
        return;
    ++m_computations;
    const int bins = this->bins();
    out.resize(size_t(bins) * size_t(ch));
    // A full-scale sine through the Hann window peaks at size / 4.
    const float norm = 4.0f / float(m_size);
    for (int c = 0; c < ch; ++c) {
        for (int i = 0; i < m_size; ++i)
            m_in[size_t(i)] = m_frames[size_t(i) * size_t(ch) + size_t(c)] * m_window[size_t(i)];
        m_fn(m_tx, m_out.data(), m_in.data(), sizeof(float));
        float* levels = &out[size_t(c) * size_t(bins)];
        for (int b = 0; b < bins; ++b) {
            const float re = m_out[size_t(2 * b)], im = m_out[size_t(2 * b + 1)];
            const float power = (re * re + im * im) * norm * norm;
            levels[b] = power > 1e-12f ? std::max(kFloorDb, 10.0f * std::log10(power)) : kFloorDb;
        }
    }
}

#include "audio/SpectralAnalysis.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/tx.h>
}

#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>

namespace {
// Columns kept: a few screens of stereo columns at 1024 points are about 30 MB.
constexpr size_t kCacheColumns = 8192;
} // namespace

SpectralAnalysis::SpectralAnalysis(int size) : m_size(std::clamp(size, 64, 16384))
{
    m_window.resize(size_t(m_size));
    for (int i = 0; i < m_size; ++i)
        m_window[size_t(i)] = float(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / m_size));
    initTransform(m_main);
}

SpectralAnalysis::~SpectralAnalysis()
{
    av_tx_uninit(&m_main.tx);
    av_tx_uninit(&m_helper.tx);
}

bool SpectralAnalysis::initTransform(Transform& t) const
{
    if (t.fn)
        return true;
    float scale = 1.0f;
    if (av_tx_init(&t.tx, &t.fn, AV_TX_FLOAT_RDFT, 0, m_size, &scale, AV_TX_UNALIGNED) < 0) {
        t.tx = nullptr;
        t.fn = nullptr;
        return false;
    }
    t.in.resize(size_t(m_size) + 2);
    t.out.resize(size_t(m_size) + 2); // size / 2 + 1 complex values
    return true;
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
    if (!m_main.fn)
        return nullptr;
    auto it = m_cache.find(k);
    if (it != m_cache.end())
        return it->second.data();
    if (m_cache.size() >= kCacheColumns)
        m_cache.clear();
    std::vector<float> levels;
    if (!compute(m_main, k, levels))
        return nullptr;
    return m_cache.emplace(k, std::move(levels)).first->second.data();
}

void SpectralAnalysis::prepare(qint64 first, int count)
{
    if (!m_main.fn)
        return;
    std::vector<qint64> missing;
    for (qint64 k = first; k < first + count; ++k) {
        if (double(k) * m_step < double(m_seen.frames()) && !m_cache.count(k))
            missing.push_back(k);
    }
    if (missing.size() < 16 || !initTransform(m_helper))
        return; // column() computes a few on the spot
    if (m_cache.size() + missing.size() > kCacheColumns)
        m_cache.clear();
    std::vector<std::vector<float>> results(missing.size());
    const size_t half = missing.size() / 2;
    std::thread helper([&] {
        for (size_t i = half; i < missing.size(); ++i)
            compute(m_helper, missing[i], results[i]);
    });
    for (size_t i = 0; i < half; ++i)
        compute(m_main, missing[i], results[i]);
    helper.join();
    for (size_t i = 0; i < missing.size(); ++i) {
        if (!results[i].empty())
            m_cache.emplace(missing[i], std::move(results[i]));
    }
}

bool SpectralAnalysis::compute(Transform& t, qint64 k, std::vector<float>& out) const
{
    const SampleSequence& samples = m_seen;
    const int ch = samples.channels();
    const qint64 centre = qint64(std::floor((double(k) + 0.5) * m_step));
    const qint64 start = centre - m_size / 2;
    // Frames outside the track count as silence.
    const qint64 from = std::clamp<qint64>(start, 0, samples.frames());
    const qint64 to = std::clamp<qint64>(start + m_size, 0, samples.frames());
    t.frames.assign(size_t(m_size) * size_t(ch), 0.0f);
    if (to > from && !samples.read(from, to - from, &t.frames[size_t(from - start) * size_t(ch)]))
        return false;
    ++m_computations;
    const int bins = this->bins();
    out.resize(size_t(bins) * size_t(ch));
    // A full-scale sine through the Hann window peaks at size / 4.
    const float norm = 4.0f / float(m_size);
    for (int c = 0; c < ch; ++c) {
        for (int i = 0; i < m_size; ++i)
            t.in[size_t(i)] = t.frames[size_t(i) * size_t(ch) + size_t(c)] * m_window[size_t(i)];
        t.fn(t.tx, t.out.data(), t.in.data(), sizeof(float));
        float* levels = &out[size_t(c) * size_t(bins)];
        for (int b = 0; b < bins; ++b) {
            const float re = t.out[size_t(2 * b)], im = t.out[size_t(2 * b + 1)];
            const float power = (re * re + im * im) * norm * norm;
            levels[b] = power > 1e-12f ? std::max(kFloorDb, 10.0f * std::log10(power)) : kFloorDb;
        }
    }
    return true;
}

#include "audio/SpectralAnalysis.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/tx.h>
}

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <thread>

namespace {

// Spectra kept: a few screens of stereo columns at 1024 points are about 30 MB.
constexpr size_t kCacheSpectra = 8192;

// 10 log10(power) to within 0.001 dB, from the float's exponent and a short series for its
// mantissa: std::log10 on every bin took most of the time of a new screen.
float decibels(float power)
{
    const auto bits = std::bit_cast<std::uint32_t>(power);
    const int exponent = int((bits >> 23) & 0xff) - 127;
    const float m = std::bit_cast<float>((bits & 0x7fffffu) | 0x3f800000u); // in [1, 2)
    const float t = (m - 1.0f) / (m + 1.0f), t2 = t * t;
    const float log2 = float(exponent) + t * (2.8853901f + t2 * (0.96179669f + t2 * 0.57707801f));
    return 3.0103000f * log2;
}

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
    freeTransform(m_main);
    freeTransform(m_helper);
}

bool SpectralAnalysis::initTransform(Transform& t) const
{
    if (t.fn)
        return true;
    t.in = static_cast<float*>(av_malloc(sizeof(float) * size_t(m_size + 2)));
    t.out = static_cast<float*>(av_malloc(sizeof(float) * size_t(m_size + 2))); // size / 2 + 1 complex values
    float scale = 1.0f;
    if (!t.in || !t.out || av_tx_init(&t.tx, &t.fn, AV_TX_FLOAT_RDFT, 0, m_size, &scale, 0) < 0) {
        freeTransform(t);
        return false;
    }
    return true;
}

void SpectralAnalysis::freeTransform(Transform& t)
{
    av_tx_uninit(&t.tx);
    av_freep(&t.in);
    av_freep(&t.out);
    t.fn = nullptr;
}

void SpectralAnalysis::clear()
{
    m_cache.clear();
    m_slotsUsed = 0;
    m_seen = SampleSequence();
}

void SpectralAnalysis::setTrack(const SampleSequence& samples, double step)
{
    if (!samples.sameViews(m_seen) || step != m_step) {
        m_cache.clear();
        m_slotsUsed = 0;
        if (!m_slots.empty() && m_slots.front().size() != size_t(bins()) * size_t(std::max(1, samples.channels())))
            m_slots.clear();
        m_seen = samples;
        m_step = step;
    }
}

qint64 SpectralAnalysis::spectrumOf(qint64 k) const
{
    if (m_step >= hop())
        return k;
    return qint64(std::floor((double(k) + 0.5) * m_step / hop()));
}

qint64 SpectralAnalysis::centreOf(qint64 spectrum) const
{
    const double spacing = std::max(m_step, double(hop()));
    return qint64(std::floor((double(spectrum) + 0.5) * spacing));
}

float* SpectralAnalysis::takeSlot()
{
    if (m_slotsUsed == m_slots.size())
        m_slots.emplace_back(size_t(bins()) * size_t(std::max(1, m_seen.channels())));
    return m_slots[m_slotsUsed++].data();
}

const float* SpectralAnalysis::column(qint64 k)
{
    if (!m_main.fn)
        return nullptr;
    const qint64 spectrum = spectrumOf(k);
    if (const auto it = m_cache.find(spectrum); it != m_cache.end())
        return it->second;
    if (m_cache.size() >= kCacheSpectra) {
        m_cache.clear();
        m_slotsUsed = 0;
    }
    float* levels = takeSlot();
    if (!compute(m_main, spectrum, levels)) {
        --m_slotsUsed;
        return nullptr;
    }
    m_cache.emplace(spectrum, levels);
    return levels;
}

void SpectralAnalysis::prepare(qint64 first, int count)
{
    if (!m_main.fn || count <= 0)
        return;
    std::vector<qint64> missing;
    for (qint64 s = spectrumOf(first), last = spectrumOf(first + count - 1); s <= last; ++s) {
        if (centreOf(s) < m_seen.frames() && !m_cache.count(s))
            missing.push_back(s);
    }
    if (missing.size() < 16 || !initTransform(m_helper))
        return; // column() computes a few on the spot
    if (m_cache.size() + missing.size() > kCacheSpectra) {
        m_cache.clear();
        m_slotsUsed = 0;
    }
    std::vector<float*> places(missing.size());
    for (float*& slot : places)
        slot = takeSlot();
    std::vector<char> ok(missing.size(), 0);
    const size_t half = missing.size() / 2;
    std::thread helper([&] {
        for (size_t i = half; i < missing.size(); ++i)
            ok[i] = compute(m_helper, missing[i], places[i]);
    });
    for (size_t i = 0; i < half; ++i)
        ok[i] = compute(m_main, missing[i], places[i]);
    helper.join();
    for (size_t i = 0; i < missing.size(); ++i) {
        if (ok[i])
            m_cache.emplace(missing[i], places[i]);
    }
}

bool SpectralAnalysis::compute(Transform& t, qint64 spectrum, float* out) const
{
    const SampleSequence& samples = m_seen;
    const int ch = samples.channels();
    const qint64 start = centreOf(spectrum) - m_size / 2;
    // Frames outside the track count as silence.
    const qint64 from = std::clamp<qint64>(start, 0, samples.frames());
    const qint64 to = std::clamp<qint64>(start + m_size, 0, samples.frames());
    const size_t total = size_t(m_size) * size_t(ch);
    if (t.frames.size() != total || from != start || to != start + m_size)
        t.frames.assign(total, 0.0f);
    if (to > from && !samples.read(from, to - from, &t.frames[size_t(from - start) * size_t(ch)]))
        return false;
    ++m_computations;
    const int bins = this->bins();
    // A full-scale sine through the Hann window peaks at size / 4.
    const float norm = 4.0f / float(m_size);
    const float norm2 = norm * norm;
    for (int c = 0; c < ch; ++c) {
        const float* frames = t.frames.data() + c;
        for (int i = 0; i < m_size; ++i)
            t.in[i] = frames[size_t(i) * size_t(ch)] * m_window[size_t(i)];
        t.fn(t.tx, t.out, t.in, sizeof(float));
        float* levels = out + size_t(c) * size_t(bins);
        for (int b = 0; b < bins; ++b) {
            const float re = t.out[2 * b], im = t.out[2 * b + 1];
            const float power = (re * re + im * im) * norm2;
            levels[b] = power > 1e-12f ? std::max(kFloorDb, decibels(power)) : kFloorDb;
        }
    }
    return true;
}

#include "audio/TruePeakDetector.h"

#include "audio/FfmpegUtil.h"

extern "C" {
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>

TruePeakDetector::TruePeakDetector(int channels, int sampleRate)
    : m_channels(std::max(1, channels)), m_rate(std::max(1, sampleRate))
{
    AVChannelLayout layout = ffmpegutil::layoutFor(m_channels);
    // At 192 kHz and above the samples are the waveform: nothing to put between them.
    if (m_rate < kRate) {
        if (swr_alloc_set_opts2(&m_swr, &layout, AV_SAMPLE_FMT_FLT, kRate, &layout, AV_SAMPLE_FMT_FLT, m_rate, 0,
                                nullptr) < 0
            || swr_init(m_swr) < 0) {
            swr_free(&m_swr);
            return;
        }
    }
    m_valid = true;
}

TruePeakDetector::~TruePeakDetector()
{
    swr_free(&m_swr);
}

void TruePeakDetector::collect(int outFrames)
{
    // Oversampled point j lies at j / 192000 s: between frame floor(j * rate / 192000) and the next.
    for (int j = 0; j < outFrames; ++j, ++m_outCount) {
        const qint64 frame = m_outCount * m_rate / kRate;
        float v = 0;
        for (int c = 0; c < m_channels; ++c)
            v = std::max(v, std::fabs(m_out[size_t(j) * size_t(m_channels) + size_t(c)]));
        const qint64 at = frame - m_first;
        if (at >= 0 && at < qint64(m_pending.size()))
            m_pending[size_t(at)] = std::max(m_pending[size_t(at)], v);
        m_peak = std::max(m_peak, v);
    }
}

void TruePeakDetector::release(qint64 upTo, std::vector<float>* framePeaks)
{
    const qint64 n = std::clamp<qint64>(upTo - m_first, 0, qint64(m_pending.size()));
    if (framePeaks)
        framePeaks->insert(framePeaks->end(), m_pending.begin(), m_pending.begin() + n);
    m_pending.erase(m_pending.begin(), m_pending.begin() + n);
    m_first += n;
}

void TruePeakDetector::push(const float* interleaved, qint64 frames, std::vector<float>* framePeaks)
{
    if (!m_valid || frames <= 0)
        return;
    // The samples themselves count, wherever the oversampled points fall.
    for (qint64 i = 0; i < frames; ++i) {
        float v = 0;
        for (int c = 0; c < m_channels; ++c)
            v = std::max(v, std::fabs(interleaved[size_t(i) * size_t(m_channels) + size_t(c)]));
        m_pending.push_back(v);
        m_peak = std::max(m_peak, v);
    }
    m_frames += frames;
    if (!m_swr) {
        release(m_frames, framePeaks);
        return;
    }
    const int room = swr_get_out_samples(m_swr, int(frames)) + 64;
    m_out.resize(size_t(room) * size_t(m_channels));
    uint8_t* out = reinterpret_cast<uint8_t*>(m_out.data());
    const uint8_t* in = reinterpret_cast<const uint8_t*>(interleaved);
    const int got = swr_convert(m_swr, &out, room, &in, int(frames));
    if (got > 0)
        collect(got);
    // A frame is complete once a point past it has come out.
    release(m_outCount * m_rate / kRate, framePeaks);
}

void TruePeakDetector::finish(std::vector<float>* framePeaks)
{
    if (m_valid && m_swr) {
        for (;;) {
            const int room = 4096;
            m_out.resize(size_t(room) * size_t(m_channels));
            uint8_t* out = reinterpret_cast<uint8_t*>(m_out.data());
            const int got = swr_convert(m_swr, &out, room, nullptr, 0);
            if (got <= 0)
                break;
            collect(got);
        }
    }
    release(m_frames, framePeaks);
}

#include "audio/LoudnessMeter.h"

#include "audio/TruePeakDetector.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {
constexpr qint64 kChunkFrames = 32768;
constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();
} // namespace

double linearToDb(double linear)
{
    return linear > 0.0 ? 20.0 * std::log10(linear) : kMinusInfinity;
}

double dbToLinear(double db)
{
    return std::pow(10.0, db / 20.0);
}

QString LoudnessReport::problem() const
{
    if (!status.ok())
        return status.message;
    if (seconds < LoudnessMeter::kShortestSeconds)
        return QStringLiteral("the audio is too short to measure its loudness (%1 s; it takes at least %2 s)")
            .arg(seconds, 0, 'f', 2)
            .arg(LoudnessMeter::kShortestSeconds);
    if (!std::isfinite(integrated))
        return QStringLiteral("the audio is silent: it has no loudness to measure");
    return {};
}

struct LoudnessMeter::Private {
    ebur128_state* state = nullptr;
    int channels = 0;
    int rate = 0;
    int measures = 0;
    qint64 frames = 0;
    bool failed = false;
    // The true peak as ffmpeg finds it (libebur128's own interpolation reads noise up to 1 dB lower).
    std::unique_ptr<TruePeakDetector> truePeak;
};

LoudnessMeter::LoudnessMeter(int channels, int sampleRate, int measures) : m_d(std::make_unique<Private>())
{
    m_d->channels = channels;
    m_d->rate = sampleRate;
    m_d->measures = measures;
    int mode = 0;
    if (measures & Integrated)
        mode |= EBUR128_MODE_I;
    if (measures & Range)
        mode |= EBUR128_MODE_LRA;
    if (measures & (TruePeak | SamplePeak))
        mode |= EBUR128_MODE_SAMPLE_PEAK;
    if (channels > 0 && sampleRate > 0)
        m_d->state = ebur128_init(unsigned(channels), (unsigned long)sampleRate, mode | EBUR128_MODE_M);
    if (measures & TruePeak)
        m_d->truePeak = std::make_unique<TruePeakDetector>(channels, sampleRate);
    m_d->failed = !m_d->state || (m_d->truePeak && !m_d->truePeak->valid());
}

LoudnessMeter::~LoudnessMeter()
{
    if (m_d->state)
        ebur128_destroy(&m_d->state);
}

bool LoudnessMeter::add(const float* interleaved, qint64 frames)
{
    if (m_d->failed)
        return false;
    if (frames > 0 && ebur128_add_frames_float(m_d->state, interleaved, size_t(frames)) != EBUR128_SUCCESS)
        m_d->failed = true;
    if (m_d->truePeak)
        m_d->truePeak->push(interleaved, frames);
    m_d->frames += frames;
    return !m_d->failed;
}

LoudnessReport LoudnessMeter::report() const
{
    LoudnessReport r;
    r.seconds = m_d->rate > 0 ? double(m_d->frames) / m_d->rate : 0.0;
    if (m_d->failed) {
        r.status = AudioStatus::failure(QStringLiteral("the loudness meter does not take %1 channels at %2 Hz")
                                            .arg(m_d->channels)
                                            .arg(m_d->rate));
        return r;
    }
    ebur128_state* st = m_d->state;
    r.integrated = kMinusInfinity;
    if ((m_d->measures & Integrated) && ebur128_loudness_global(st, &r.integrated) != EBUR128_SUCCESS)
        r.integrated = kMinusInfinity;
    if ((m_d->measures & Range) && ebur128_loudness_range(st, &r.range) != EBUR128_SUCCESS)
        r.range = 0.0;
    double truePeak = 0.0, samplePeak = 0.0;
    for (int c = 0; c < m_d->channels; ++c) {
        double v = 0.0;
        if ((m_d->measures & (SamplePeak | TruePeak)) && ebur128_sample_peak(st, unsigned(c), &v) == EBUR128_SUCCESS)
            samplePeak = std::max(samplePeak, v);
    }
    if (m_d->truePeak) {
        // What the resampler still holds back belongs to the peak too: the report ends the meter.
        TruePeakDetector& d = *m_d->truePeak;
        d.finish();
        truePeak = d.peak();
    }
    // The true peak is never below the sample peak, whatever the interpolation makes of it.
    r.truePeak = linearToDb(std::max(truePeak, samplePeak));
    r.samplePeak = linearToDb(samplePeak);
    return r;
}

LoudnessReport LoudnessMeter::measure(const SampleSequence& samples, qint64 start, qint64 count, int sampleRate,
                                      const ProgressFunction& progress, int measures)
{
    LoudnessMeter meter(samples.channels(), sampleRate, measures);
    std::vector<float> buffer;
    for (qint64 pos = 0; pos < count; pos += kChunkFrames) {
        const qint64 n = std::min(kChunkFrames, count - pos);
        buffer.resize(size_t(n) * size_t(samples.channels()));
        LoudnessReport r;
        if (!samples.read(start + pos, n, buffer.data())) {
            r.status = AudioStatus::failure(QStringLiteral("cannot read samples back from the temporary folder"));
            return r;
        }
        if (!meter.add(buffer.data(), n))
            return meter.report();
        if (progress && !progress(pos + n, count)) {
            r.status = AudioStatus::cancelled();
            return r;
        }
    }
    return meter.report();
}

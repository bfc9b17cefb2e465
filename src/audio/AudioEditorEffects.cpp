// The effects of the track editor: each works on the selection, or on the whole track when
// nothing is selected, and makes one undo step.
#include "audio/AudioEditor.h"

#include "audio/SampleProcessor.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>

namespace {
constexpr qint64 kChunkFrames = 32768;
const QString kReadFailure = QStringLiteral("cannot read samples back from the temporary folder");

LfoShape shapeOf(int waveform)
{
    return waveform == 1 ? LfoShape::Triangle : LfoShape::Sine;
}
} // namespace

AudioStatus AudioEditor::applyGain(float factor)
{
    qint64 start = 0, length = 0;
    effectRange(&start, &length);
    if (length == 0)
        return AudioStatus::failure(QStringLiteral("the track is empty"));
    SampleSequence next = m_samples;
    next.replace(start, length, m_samples.slice(start, length).scaled(factor));
    commit(next, m_selStart, m_selLength);
    reportProgress(length, length);
    return AudioStatus::success();
}

AudioStatus AudioEditor::amplify(float percent)
{
    return applyGain(percent / 100.0f);
}

AudioStatus AudioEditor::fade(float fromPercent, float toPercent)
{
    qint64 start = 0, length = 0;
    effectRange(&start, &length);
    auto p = processors::fade(channels(), length, fromPercent, toPercent);
    return applyProcessor(*p);
}

AudioStatus AudioEditor::normalize(float peakPercent, bool sameGainForAllChannels)
{
    qint64 start = 0, length = 0;
    effectRange(&start, &length);
    if (length == 0)
        return AudioStatus::failure(QStringLiteral("the track is empty"));
    const double target = std::clamp(peakPercent, 0.0f, 100.0f) / 100.0;
    std::vector<double> gains(size_t(channels()), 1.0);
    if (sameGainForAllChannels) {
        const float peak = m_samples.peak(start, length);
        if (peak < 0)
            return AudioStatus::failure(kReadFailure);
        return applyGain(peak > 0 ? float(target / peak) : 1.0f);
    } else {
        std::vector<float> peaks(size_t(channels()), 0.0f), buffer;
        for (qint64 pos = 0; pos < length; pos += kChunkFrames) {
            const qint64 n = std::min(kChunkFrames, length - pos);
            buffer.resize(size_t(n) * size_t(channels()));
            if (!m_samples.read(start + pos, n, buffer.data()))
                return AudioStatus::failure(kReadFailure);
            for (size_t i = 0; i < buffer.size(); ++i)
                peaks[i % size_t(channels())] = std::max(peaks[i % size_t(channels())], std::fabs(buffer[i]));
        }
        for (size_t c = 0; c < gains.size(); ++c)
            gains[c] = peaks[c] > 0 ? target / peaks[c] : 1.0;
    }
    auto p = processors::channelGains(channels(), gains.data());
    return applyProcessor(*p);
}

AudioStatus AudioEditor::invert()
{
    return applyGain(-1.0f);
}

AudioStatus AudioEditor::flanger(float mixPercent, float feedbackPercent, float maxDelayMs, float depthPercent,
                                 float periodSeconds, int waveform)
{
    auto p = processors::flanger(channels(), m_rate, mixPercent, feedbackPercent, maxDelayMs, depthPercent,
                                 periodSeconds, shapeOf(waveform));
    return applyProcessor(*p);
}

AudioStatus AudioEditor::delay(float delayMs, float dryPercent, float echoPercent)
{
    auto p = processors::echo(channels(), m_rate, delayMs, dryPercent, echoPercent);
    return applyProcessor(*p);
}

AudioStatus AudioEditor::vibrato(float depthCents, float rateHz, int waveform)
{
    auto p = processors::vibrato(channels(), m_rate, depthCents, rateHz, shapeOf(waveform));
    return applyProcessor(*p);
}

AudioStatus AudioEditor::bandPass(float centreHz, float qPercent)
{
    auto p = processors::biquad(channels(), m_rate, BiquadShape::BandPass, centreHz, qPercent / 100.0);
    return applyProcessor(*p);
}

AudioStatus AudioEditor::lowPass(float cutoffHz, float qPercent)
{
    auto p = processors::biquad(channels(), m_rate, BiquadShape::LowPass, cutoffHz, qPercent / 100.0);
    return applyProcessor(*p);
}

AudioStatus AudioEditor::highPass(float cutoffHz, float qPercent)
{
    auto p = processors::biquad(channels(), m_rate, BiquadShape::HighPass, cutoffHz, qPercent / 100.0);
    return applyProcessor(*p);
}

AudioStatus AudioEditor::lowShelf(float cornerHz, float gainDb, float slopePercent)
{
    auto p = processors::biquad(channels(), m_rate, BiquadShape::LowShelf, cornerHz, slopePercent / 100.0, gainDb);
    return applyProcessor(*p);
}

AudioStatus AudioEditor::highShelf(float cornerHz, float gainDb, float slopePercent)
{
    auto p = processors::biquad(channels(), m_rate, BiquadShape::HighShelf, cornerHz, slopePercent / 100.0, gainDb);
    return applyProcessor(*p);
}

AudioStatus AudioEditor::insertSilence(qint32 milliseconds)
{
    if (!m_open)
        return AudioStatus::failure(QStringLiteral("no track"));
    const qint64 count = qint64(std::max(0, milliseconds)) * m_rate / 1000;
    SequenceBuilder builder(m_store, channels());
    builder.appendSilence(count);
    const SampleSequence silence = builder.finish();
    if (builder.failed())
        return AudioStatus::failure(builder.error());
    const qint64 at = hasSelection() ? m_selStart : m_cursor;
    SampleSequence next = m_samples;
    next.insert(at, silence);
    commit(next, at, count);
    return AudioStatus::success();
}

AudioStatus AudioEditor::removeSilence(float thresholdDb, float minimumSeconds, float keepPercent)
{
    qint64 start = 0, length = 0;
    effectRange(&start, &length);
    if (length == 0)
        return AudioStatus::failure(QStringLiteral("the track is empty"));
    // Quiet means every sample of a 10 ms window stays below the threshold (dB below full scale).
    const double threshold = std::pow(10.0, -std::fabs(thresholdDb) / 20.0);
    const qint64 window = std::max<qint64>(1, m_rate / 100);
    const qint64 minimum = qint64(std::llround(std::max(0.0f, minimumSeconds) * m_rate));
    const double keep = std::clamp(keepPercent, 0.0f, 100.0f) / 100.0;

    std::vector<std::pair<qint64, qint64>> pauses; // start, length within the range
    std::vector<float> buffer;
    qint64 quietStart = -1;
    for (qint64 pos = 0; pos < length; pos += window) {
        const qint64 n = std::min(window, length - pos);
        buffer.resize(size_t(n) * size_t(channels()));
        if (!m_samples.read(start + pos, n, buffer.data()))
            return AudioStatus::failure(kReadFailure);
        const bool quiet = std::all_of(buffer.begin(), buffer.end(), [&](float v) { return std::fabs(v) < threshold; });
        if (quiet && quietStart < 0)
            quietStart = pos;
        if (!quiet && quietStart >= 0) {
            if (pos - quietStart >= minimum)
                pauses.emplace_back(quietStart, pos - quietStart);
            quietStart = -1;
        }
        if ((pos / window) % 256 == 0 && !reportProgress(pos, length))
            return AudioStatus::cancelled();
    }
    if (quietStart >= 0 && length - quietStart >= minimum)
        pauses.emplace_back(quietStart, length - quietStart);
    if (pauses.empty())
        return AudioStatus::success(); // nothing to shorten: no undo step

    // Rebuild the range from views of the kept parts: no sample is copied.
    SampleSequence kept(channels());
    qint64 pos = 0;
    for (const auto& [at, len] : pauses) {
        kept.insert(kept.frames(), m_samples.slice(start + pos, at - pos));
        const qint64 keepLen = qint64(std::llround(double(len) * keep));
        kept.insert(kept.frames(), m_samples.slice(start + at, keepLen));
        pos = at + len;
    }
    kept.insert(kept.frames(), m_samples.slice(start + pos, length - pos));
    SampleSequence next = m_samples;
    next.replace(start, length, kept);
    commit(next, start, hasSelection() ? kept.frames() : 0);
    return AudioStatus::success();
}

AudioStatus AudioEditor::stretch(float durationPercent)
{
    qint64 start = 0, length = 0;
    effectRange(&start, &length);
    if (length == 0)
        return AudioStatus::failure(QStringLiteral("the track is empty"));
    if (durationPercent <= 0.0f)
        return AudioStatus::failure(QStringLiteral("the stretch must be above 0 %"));
    const int ch = channels();
    RubberBand::RubberBandStretcher stretcher(size_t(m_rate), size_t(ch),
                                              RubberBand::RubberBandStretcher::OptionProcessOffline
                                                  | RubberBand::RubberBandStretcher::OptionThreadingNever,
                                              durationPercent / 100.0, 1.0);
    stretcher.setExpectedInputDuration(size_t(length));
    stretcher.setMaxProcessSize(size_t(kChunkFrames));
    std::vector<float> interleaved;
    std::vector<std::vector<float>> planes(static_cast<size_t>(ch));
    std::vector<float*> pointers(static_cast<size_t>(ch));
    const auto readPlanar = [&](qint64 pos, qint64 n) {
        interleaved.resize(size_t(n) * size_t(ch));
        if (!m_samples.read(start + pos, n, interleaved.data()))
            return false;
        for (int c = 0; c < ch; ++c) {
            planes[size_t(c)].resize(size_t(n));
            for (qint64 i = 0; i < n; ++i)
                planes[size_t(c)][size_t(i)] = interleaved[size_t(i) * size_t(ch) + size_t(c)];
            pointers[size_t(c)] = planes[size_t(c)].data();
        }
        return true;
    };
    // The offline stretcher studies the whole range first, then processes it.
    for (qint64 pos = 0; pos < length; pos += kChunkFrames) {
        const qint64 n = std::min(kChunkFrames, length - pos);
        if (!readPlanar(pos, n))
            return AudioStatus::failure(kReadFailure);
        stretcher.study(pointers.data(), size_t(n), pos + n >= length);
        if (!reportProgress(pos + n, 3 * length))
            return AudioStatus::cancelled();
    }
    SequenceBuilder builder(m_store, ch);
    std::vector<std::vector<float>> out(static_cast<size_t>(ch));
    std::vector<float*> outPointers(static_cast<size_t>(ch));
    const auto retrieve = [&]() {
        int avail;
        while ((avail = stretcher.available()) > 0) {
            for (int c = 0; c < ch; ++c) {
                out[size_t(c)].resize(size_t(avail));
                outPointers[size_t(c)] = out[size_t(c)].data();
            }
            const size_t got = stretcher.retrieve(outPointers.data(), size_t(avail));
            interleaved.resize(got * size_t(ch));
            for (size_t i = 0; i < got; ++i)
                for (int c = 0; c < ch; ++c)
                    interleaved[i * size_t(ch) + size_t(c)] = out[size_t(c)][i];
            if (!builder.append(interleaved.data(), qint64(got)))
                return false;
        }
        return true;
    };
    for (qint64 pos = 0; pos < length; pos += kChunkFrames) {
        const qint64 n = std::min(kChunkFrames, length - pos);
        if (!readPlanar(pos, n))
            return AudioStatus::failure(kReadFailure);
        stretcher.process(pointers.data(), size_t(n), pos + n >= length);
        if (!retrieve())
            return AudioStatus::failure(builder.error());
        if (!reportProgress(length + 2 * (pos + n), 3 * length))
            return AudioStatus::cancelled();
    }
    if (!retrieve())
        return AudioStatus::failure(builder.error());
    const SampleSequence stretched = builder.finish();
    if (builder.failed())
        return AudioStatus::failure(builder.error());
    SampleSequence next = m_samples;
    next.replace(start, length, stretched);
    commit(next, start, hasSelection() ? stretched.frames() : 0);
    return AudioStatus::success();
}

LoudnessReport AudioEditor::measureLoudness()
{
    qint64 start = 0, length = 0;
    effectRange(&start, &length);
    return LoudnessMeter::measure(m_samples, start, length, m_rate,
                                  [this](qint64 d, qint64 t) { return reportProgress(d, t); });
}

AudioStatus AudioEditor::normalizeLoudness(double targetLufs, double ceilingDbtp, LoudnessReport* before,
                                           LoudnessNormalizer::Result* result)
{
    qint64 start = 0, length = 0;
    effectRange(&start, &length);
    if (length == 0)
        return AudioStatus::failure(QStringLiteral("the track is empty"));
    // The measurement is the first third of the work, the gain and the limiter the rest.
    const LoudnessReport measured = LoudnessMeter::measure(
        m_samples, start, length, m_rate, [this](qint64 d, qint64 t) { return reportProgress(d, 3 * t); });
    if (before)
        *before = measured;
    if (!measured.status.ok())
        return measured.status;
    const SampleSequence range = m_samples.slice(start, length);
    LoudnessNormalizer::Result r = LoudnessNormalizer::run(
        range, m_rate, m_store, measured, targetLufs, ceilingDbtp,
        [this](qint64 d, qint64 t) { return reportProgress(t / 2 + d, 3 * t / 2); });
    if (r.status.ok()) {
        SampleSequence next = m_samples;
        next.replace(start, length, r.samples);
        commit(next, m_selStart, m_selLength);
    }
    const AudioStatus status = r.status;
    if (result)
        *result = std::move(r);
    return status;
}

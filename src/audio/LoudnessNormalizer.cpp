#include "audio/LoudnessNormalizer.h"

#include "audio/TruePeakLimiter.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace loudnesspresets {

const std::vector<LoudnessPreset>& all()
{
    static const std::vector<LoudnessPreset> presets{
        {QStringLiteral("-16 LUFS (podcast, stereo)"), -16.0},
        {QStringLiteral("-19 LUFS (podcast, mono)"), -19.0},
        {QStringLiteral("-14 LUFS (music streaming)"), -14.0},
        {QStringLiteral("-23 LUFS (EBU R128 broadcast)"), -23.0},
    };
    return presets;
}

double forChannels(int channels)
{
    return channels == 1 ? -19.0 : -16.0;
}

} // namespace loudnesspresets

namespace {

constexpr qint64 kChunkFrames = 16384;
// Limiting takes loudness away; beyond this the gain is corrected and the limiter rerun, at most
// kMaxPasses times in all (material with loud claps over quiet speech needs a few).
constexpr double kCorrectAboveLu = 0.15;
constexpr int kMaxPasses = 4;

struct Pass {
    AudioStatus status;
    SampleSequence samples;
    LoudnessReport after;
    qint64 limitedFrames = 0;
    double lowestGain = 1.0;
};

// One run of gain and limiter over the whole sequence, measuring what comes out.
Pass limitPass(const SampleSequence& in, int rate, BlockStore& store, double gainDb, double limitDb,
               const std::function<bool(qint64)>& progress)
{
    const int ch = in.channels();
    const SampleSequence gained = in.scaled(float(dbToLinear(gainDb)));
    TruePeakLimiter limiter(ch, rate, limitDb);
    LoudnessMeter meter(ch, rate);
    Pass pass;
    pass.samples = SampleSequence(ch);
    std::unique_ptr<SequenceBuilder> run; // the stretch the limiter is turning down
    std::vector<float> buffer, out;
    qint64 outPos = 0;

    const auto place = [&](bool changed) -> bool {
        const qint64 got = qint64(out.size()) / ch;
        if (got == 0)
            return true;
        meter.add(out.data(), got);
        if (changed) {
            if (!run)
                run = std::make_unique<SequenceBuilder>(store, ch);
            if (!run->append(out.data(), got)) {
                pass.status = AudioStatus::failure(run->error());
                return false;
            }
        } else {
            if (run) {
                pass.samples.insert(pass.samples.frames(), run->finish());
                run.reset();
            }
            // Untouched output is exactly the gained input: keep the view.
            pass.samples.insert(pass.samples.frames(), gained.slice(outPos, got));
        }
        outPos += got;
        out.clear();
        return true;
    };

    for (qint64 pos = 0; pos < in.frames(); pos += kChunkFrames) {
        const qint64 n = std::min(kChunkFrames, in.frames() - pos);
        buffer.resize(size_t(n) * size_t(ch));
        if (!gained.read(pos, n, buffer.data())) {
            pass.status = AudioStatus::failure(QStringLiteral("cannot read samples back from the temporary folder"));
            return pass;
        }
        if (!place(limiter.push(buffer.data(), n, &out)))
            return pass;
        if (!progress(pos + n)) {
            pass.status = AudioStatus::cancelled();
            return pass;
        }
    }
    if (!place(limiter.finish(&out)))
        return pass;
    if (run) {
        pass.samples.insert(pass.samples.frames(), run->finish());
        if (run->failed()) {
            pass.status = AudioStatus::failure(run->error());
            return pass;
        }
    }
    pass.after = meter.report();
    pass.limitedFrames = limiter.limitedFrames();
    pass.lowestGain = limiter.lowestGain();
    return pass;
}

} // namespace

LoudnessNormalizer::Result LoudnessNormalizer::run(const SampleSequence& samples, int sampleRate, BlockStore& store,
                                                   const LoudnessReport& before, double targetLufs,
                                                   double ceilingDbtp, const ProgressFunction& progress,
                                                   double headroomDb)
{
    Result result;
    if (!before.measurable()) {
        result.status = AudioStatus::failure(before.problem());
        return result;
    }
    const qint64 total = kMaxPasses * samples.frames();
    const auto report = [&](qint64 done) { return !progress || progress(done, total); };
    result.gainDb = targetLufs - before.integrated;
    const double limit = ceilingDbtp - std::max(0.0, headroomDb);

    if (before.truePeak + result.gainDb <= limit) {
        // The gain alone meets the ceiling: a view of the same blocks, and the loudness moves with it.
        result.samples = samples.scaled(float(dbToLinear(result.gainDb)));
        result.after = before;
        result.after.integrated += result.gainDb;
        result.after.truePeak += result.gainDb;
        result.after.samplePeak += result.gainDb;
        report(total);
        return result;
    }

    // The loudness after limiting rises with the gain, but slower than the gain once the limiter
    // works hard: the first correction assumes it follows, later ones use the slope seen so far.
    Pass pass;
    double lastGain = 0, lastLoudness = 0;
    for (int i = 0; i < kMaxPasses; ++i) {
        pass = limitPass(samples, sampleRate, store, result.gainDb, limit,
                         [&](qint64 d) { return report(i * samples.frames() + d); });
        if (!pass.status.ok() || !pass.after.measurable())
            break;
        const double error = targetLufs - pass.after.integrated;
        if (std::fabs(error) <= kCorrectAboveLu || i + 1 == kMaxPasses)
            break;
        double slope = 1.0;
        if (i > 0 && std::fabs(result.gainDb - lastGain) > 1e-6)
            slope = std::clamp((pass.after.integrated - lastLoudness) / (result.gainDb - lastGain), 0.1, 1.0);
        lastGain = result.gainDb;
        lastLoudness = pass.after.integrated;
        result.gainDb += error / slope;
    }
    report(total);
    result.status = pass.status;
    result.samples = pass.samples;
    result.after = pass.after;
    result.limitedFrames = pass.limitedFrames;
    result.deepestLimitDb = linearToDb(pass.lowestGain);
    return result;
}

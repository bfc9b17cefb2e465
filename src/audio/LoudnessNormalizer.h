#pragma once

#include "audio/LoudnessMeter.h"

#include <QString>

#include <vector>

// Targets offered for the integrated loudness, in the order the dialogs list them.
struct LoudnessPreset {
    QString name;
    double lufs;
};

namespace loudnesspresets {
const std::vector<LoudnessPreset>& all();
// What podcast directories ask for: -16 LUFS for stereo, -19 LUFS for mono.
double forChannels(int channels);
inline constexpr double kDefaultCeiling = -1.0; // dBTP
} // namespace loudnesspresets

// Brings audio to a target integrated loudness with one gain, then keeps its true peak at or
// below a ceiling with TruePeakLimiter. The gain is a new view of the same blocks; only the
// stretches the limiter turns down get new blocks. When limiting lowered the loudness by more
// than a little, the gain is corrected and the limiter runs again on the original.
class LoudnessNormalizer {
public:
    // The limiter aims this far below the ceiling, so interpolation differences between meters
    // and the rounding of the samples keep the result under it.
    static constexpr double kHeadroomDb = 0.1;

    struct Result {
        AudioStatus status;
        SampleSequence samples;
        double gainDb = 0.0;
        qint64 limitedFrames = 0;
        double deepestLimitDb = 0.0; // the largest turn-down of the limiter, in dB (<= 0)
        LoudnessReport after;
    };

    // `before` is the measurement of `samples` (LoudnessMeter::Everything). The limiter aims
    // headroomDb below the ceiling; more when a lossy encoder follows, whose peaks overshoot.
    static Result run(const SampleSequence& samples, int sampleRate, BlockStore& store,
                      const LoudnessReport& before, double targetLufs, double ceilingDbtp,
                      const ProgressFunction& progress = {}, double headroomDb = kHeadroomDb);
};

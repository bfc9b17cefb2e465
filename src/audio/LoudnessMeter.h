#pragma once

#include "audio/AudioTypes.h"
#include "audio/SampleSequence.h"

#include <memory>

// Loudness of a stretch of audio after EBU R128 / ITU-R BS.1770: the gated integrated loudness
// (LUFS), the loudness range (LU), the true peak found by oversampling to 192 kHz (dBTP) and the plain
// sample peak (dBFS). Levels that do not exist (silence) are minus infinity.
struct LoudnessReport {
    AudioStatus status;
    double integrated = 0.0;
    double range = 0.0;
    double truePeak = 0.0;
    double samplePeak = 0.0;
    double seconds = 0.0;

    // Why this audio has no loudness to work with (too short, silent); empty when it has one.
    QString problem() const;
    bool measurable() const { return status.ok() && problem().isEmpty(); }
};

// Feeds interleaved float frames to libebur128 piece by piece, so a track is measured block by
// block without being copied.
class LoudnessMeter {
public:
    enum Measure { Integrated = 1, Range = 2, TruePeak = 4, SamplePeak = 8, Everything = 15 };
    // The gating blocks last 400 ms: anything shorter has no integrated loudness.
    static constexpr double kShortestSeconds = 0.4;

    LoudnessMeter(int channels, int sampleRate, int measures = Everything);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    bool add(const float* interleaved, qint64 frames);
    // Call once all audio is in: the true peak takes what the oversampling still holds back.
    LoudnessReport report() const;

    // Measures frames [start, start + count) of a sequence, reading it a chunk at a time.
    static LoudnessReport measure(const SampleSequence& samples, qint64 start, qint64 count, int sampleRate,
                                  const ProgressFunction& progress = {}, int measures = Everything);

private:
    struct Private;
    std::unique_ptr<Private> m_d;
};

// Decibels of a linear level; minus infinity for 0.
double linearToDb(double linear);
double dbToLinear(double db);

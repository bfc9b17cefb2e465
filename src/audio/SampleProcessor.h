#pragma once

#include <QtGlobal>

#include <memory>

// Filter shapes of the track's equaliser commands (standard second-order sections).
enum class BiquadShape { LowPass, HighPass, BandPass, LowShelf, HighShelf };

// Waveform of the modulating oscillator of flanger and vibrato: 0 sine, 1 triangle.
enum class LfoShape { Sine = 0, Triangle = 1 };

// Processes interleaved float frames in place, one chunk after another, keeping state between
// chunks so a long range can be streamed through it.
class SampleProcessor {
public:
    virtual ~SampleProcessor();
    virtual void process(float* data, qint64 frames) = 0;
};

namespace processors {

std::unique_ptr<SampleProcessor> gain(int channels, double factor);
// A linear gain ramp over totalFrames frames, from fromPercent to toPercent of the input.
std::unique_ptr<SampleProcessor> fade(int channels, qint64 totalFrames, double fromPercent, double toPercent);
// Per-channel gains (normalising channels separately).
std::unique_ptr<SampleProcessor> channelGains(int channels, const double* factors);
// RBJ cookbook biquad; quality is Q for pass filters and the shelf slope S for shelves.
std::unique_ptr<SampleProcessor> biquad(int channels, int sampleRate, BiquadShape shape, double frequency,
                                        double quality, double gainDb = 0.0);
// Flanger: mix and feedback in percent, maxDelayMs the longest delay, depthPercent how much of it
// the sweep covers, periodSeconds the sweep's period.
std::unique_ptr<SampleProcessor> flanger(int channels, int sampleRate, double mixPercent, double feedbackPercent,
                                         double maxDelayMs, double depthPercent, double periodSeconds,
                                         LfoShape shape);
// Echo: delayMs between repeats, dryPercent level of the original, echoPercent level of the first
// echo and the ratio of each further repeat to the one before.
std::unique_ptr<SampleProcessor> echo(int channels, int sampleRate, double delayMs, double dryPercent,
                                      double echoPercent);
// Vibrato: pitch swings by depthCents either way, rateHz times a second.
std::unique_ptr<SampleProcessor> vibrato(int channels, int sampleRate, double depthCents, double rateHz,
                                         LfoShape shape);

} // namespace processors

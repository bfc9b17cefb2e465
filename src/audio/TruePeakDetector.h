#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

struct SwrContext;

// The true peak of audio: the highest level of the waveform between the samples, found by
// oversampling to 192 kHz (four times at 48 kHz) with FFmpeg's resampler, the way ffmpeg's own
// loudness meter finds it, so both agree. Gives the overall peak, and on request the peak of
// every frame (the frame's samples and the points oversampling puts between it and the next).
class TruePeakDetector {
public:
    static constexpr int kRate = 192000;

    TruePeakDetector(int channels, int sampleRate);
    ~TruePeakDetector();
    TruePeakDetector(const TruePeakDetector&) = delete;
    TruePeakDetector& operator=(const TruePeakDetector&) = delete;

    bool valid() const { return m_valid; }
    // Appends to *framePeaks (when given) the peaks of the frames that are complete.
    void push(const float* interleaved, qint64 frames, std::vector<float>* framePeaks = nullptr);
    // The peaks of the frames still held back.
    void finish(std::vector<float>* framePeaks = nullptr);
    // Linear, over all channels and everything so far.
    float peak() const { return m_peak; }

private:
    void collect(int outFrames);
    void release(qint64 upTo, std::vector<float>* framePeaks);

    int m_channels;
    int m_rate;
    bool m_valid = false;
    SwrContext* m_swr = nullptr;
    std::vector<float> m_out;
    std::vector<float> m_pending; // peaks of frames m_first ... , still open
    qint64 m_first = 0;
    qint64 m_frames = 0;          // frames pushed
    qint64 m_outCount = 0;        // oversampled points received
    float m_peak = 0.0f;
};

#pragma once

#include "audio/TruePeakDetector.h"

#include <QtGlobal>

#include <deque>
#include <vector>

// A look-ahead limiter that keeps the true peak (the peak between samples, TruePeakDetector) at
// or below a ceiling. All channels share one gain, so the stereo image stays. The gain falls
// along a ramp as long as the look-ahead before a peak and recovers with a smooth release, which
// keeps speech from pumping. The caller gets exactly as many frames out as it put in, delayed,
// once finish() ran.
class TruePeakLimiter {
public:
    TruePeakLimiter(int channels, int sampleRate, double ceilingDb, double lookaheadMs = 5.0,
                    double releaseMs = 200.0);

    // Appends the processed frames that are ready to out; true when any of them was turned down.
    bool push(const float* in, qint64 frames, std::vector<float>* out);
    // Flushes the frames still held back.
    bool finish(std::vector<float>* out);

    // Frames whose gain was below 1, and the lowest gain (as a factor) so far.
    qint64 limitedFrames() const { return m_limitedFrames; }
    double lowestGain() const { return m_lowest; }

private:
    // Takes the level frame k (internal index) may reach: 1, or less where its peak passes the
    // ceiling; then emits the frame whose look-ahead window is complete.
    void step(qint64 k, float peak, bool* changed, std::vector<float>* out);
    void emitFrame(qint64 t, bool* changed, std::vector<float>* out);

    int m_channels;
    qint64 m_lookahead;
    qint64 m_prefix;             // silent frames before the input, so an early peak has its ramp
    double m_ceiling;
    double m_release;
    TruePeakDetector m_detector;
    std::vector<float> m_peaks;
    std::vector<float> m_x;      // interleaved input from internal index m_base on
    qint64 m_base = 0;
    qint64 m_next = 0;           // internal index of the next frame to step
    qint64 m_inputFrames = 0;
    std::deque<std::pair<qint64, float>> m_minima; // rising required levels with their index
    double m_held = 1.0;         // the release stage
    std::vector<double> m_ring;  // the last m_lookahead released levels, for the ramp
    size_t m_ringPos = 0;
    double m_ringSum = 0;
    qint64 m_belowOne = 0;       // ring entries below 1
    qint64 m_limitedFrames = 0;
    double m_lowest = 1.0;
};

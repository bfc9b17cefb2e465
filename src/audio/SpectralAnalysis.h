#pragma once

#include "audio/SampleSequence.h"

#include <QtGlobal>

#include <atomic>
#include <unordered_map>
#include <vector>

struct AVTXContext;

// Spectra of a track for the spectral view, one per screen column and only for the columns asked
// for. Column k of a zoom of `step` frames per column is the Hann-windowed FFT (libavutil's av_tx)
// of size() frames centred on frame floor((k + 0.5) * step); where columns lie closer than
// hop() frames (the deep zooms), neighbours share the spectrum centred on the nearest point of a
// grid of hop() frames, so a screen of a few hundred frames needs a few spectra, not a thousand.
// Results are kept until the track's samples or the zoom change; a change of the track is seen by
// comparing the sequence's views, so no signal is needed.
class SpectralAnalysis {
public:
    static constexpr int kDefaultSize = 1024;
    // Levels are in dB relative to a full-scale sine, never below this.
    static constexpr float kFloorDb = -120.0f;

    explicit SpectralAnalysis(int size = kDefaultSize);
    ~SpectralAnalysis();
    SpectralAnalysis(const SpectralAnalysis&) = delete;
    SpectralAnalysis& operator=(const SpectralAnalysis&) = delete;

    int size() const { return m_size; }
    // Bin b covers the frequency b * rate / size(); bins 0 .. size() / 2 - 1 are given.
    int bins() const { return m_size / 2; }
    // The closest two spectra get: a sixteenth of the transform, which the eye cannot tell apart.
    int hop() const { return m_size / 16; }

    // Sets the track and the zoom that column() works on; the cache is kept when both are the
    // same as before (compared once here, not for every column).
    void setTrack(const SampleSequence& samples, double step);
    // Levels of column k: bins() values for each channel in turn. Null when the samples cannot be
    // read. The pointer stays valid until the next call.
    const float* column(qint64 k);
    // Computes the spectra of columns [first, first + count) that are not cached yet, on two
    // threads, so that a repaint of a new screen costs half the time.
    void prepare(qint64 first, int count);
    const float* column(const SampleSequence& samples, qint64 k, double step)
    {
        setTrack(samples, step);
        return column(k);
    }
    // Spectra computed (one read and one transform per channel each) since the analysis was made.
    qint64 computations() const { return m_computations; }
    void clear();

private:
    // One transform with its buffers (aligned, so av_tx takes its vector code): one for each
    // thread that computes spectra.
    struct Transform {
        AVTXContext* tx = nullptr;
        void (*fn)(AVTXContext*, void*, void*, ptrdiff_t) = nullptr;
        float* in = nullptr;
        float* out = nullptr;
        std::vector<float> frames;
    };
    bool initTransform(Transform& t) const;
    static void freeTransform(Transform& t);
    // The spectrum that column k shows, and the frame it is centred on.
    qint64 spectrumOf(qint64 k) const;
    qint64 centreOf(qint64 spectrum) const;
    // A cache place for one spectrum's levels; the places are reused after the cache is emptied.
    float* takeSlot();
    // False when the samples cannot be read.
    bool compute(Transform& t, qint64 spectrum, float* out) const;

    int m_size;
    Transform m_main, m_helper;
    std::vector<float> m_window;
    SampleSequence m_seen;
    double m_step = 0;
    std::unordered_map<qint64, const float*> m_cache;
    std::vector<std::vector<float>> m_slots;
    size_t m_slotsUsed = 0;
    mutable std::atomic<qint64> m_computations{0};
};

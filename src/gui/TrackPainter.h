#pragma once

#include "audio/BlockSummary.h"
#include "audio/SampleSequence.h"
#include "audio/SpectralAnalysis.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <array>
#include <vector>

class QPainter;

// What one repaint of the track shows: where the parts go, the zoom and the marks.
struct TrackScene {
    QRect ruler, lanes, readout;
    double step = 1.0; // frames per pixel column
    qint64 firstColumn = 0;
    int mode = 0; // 0 waveform, 1 spectral
    int rate = 44100;
    int channels = 2;
    qint64 cursor = 0, selStart = 0, selLength = 0, position = 0;
    bool focused = false;
};

// Draws the track view from the engine's summaries and spectra, keeping the columns of the last
// repaint so that moving the cursor or the selection redraws without asking the engine again.
class TrackPainter {
public:
    TrackPainter();

    void paint(QPainter& p, const SampleSequence& samples, const TrackScene& scene);
    void drop();
    const SpectralAnalysis& spectrum() const { return m_spectrum; }

    // "1:02:03.5" style text of a time, with the given number of decimals.
    static QString formatTime(double seconds, int decimals, bool withHours);

private:
    void paintRuler(QPainter& p, const TrackScene& s, qint64 frames);
    void paintWaveform(QPainter& p, const SampleSequence& samples, const TrackScene& s);
    void paintSamples(QPainter& p, const SampleSequence& samples, const TrackScene& s);
    void paintSpectral(QPainter& p, const SampleSequence& samples, const TrackScene& s);
    void paintMarks(QPainter& p, const TrackScene& s, qint64 frames);
    void paintReadout(QPainter& p, const TrackScene& s, qint64 frames);
    QRect laneRect(const TrackScene& s, int channel, int channels) const;
    // x of a frame in widget coordinates (may lie outside the lanes).
    double xOf(const TrackScene& s, qint64 frame) const;
    const std::vector<MinMax>* columns(const SampleSequence& samples, const TrackScene& s, int n);

    SampleSequence m_seen;
    double m_seenStep = 0;
    qint64 m_seenFirst = -1;
    int m_seenCount = 0;
    std::vector<MinMax> m_columns;
    std::vector<float> m_rms; // beside m_columns, one level per column and channel
    SpectralAnalysis m_spectrum;
    QImage m_image;
    std::array<unsigned, 256> m_palette{};
};

#pragma once

#include "audio/BlockSummary.h"
#include "audio/SampleSequence.h"

#include <vector>

// Min/max of a track's samples over any range, put together from the summaries of its blocks: whole
// blocks, then coarse and fine buckets, and samples only at a range's ends where they fall inside a
// fine bucket. An edit or an undo step shares the blocks, and so the summaries, of what it keeps.
// Meant to live for one query or one repaint: it keeps a reading position and the last fine bucket
// it read, and the sequence must not change meanwhile.
class TrackSummary {
public:
    explicit TrackSummary(const SampleSequence& samples);

    // Exact min/max of each channel over frames [start, start + count) into perChannel; false on a
    // read failure or a range outside the track.
    bool minMax(qint64 start, qint64 count, MinMax* perChannel) { return levels(start, count, perChannel, nullptr); }
    // The same, and also the sum of the squared samples of each channel into squares (when given).
    bool levels(qint64 start, qint64 count, MinMax* perChannel, double* squares);
    // Column i covers frames [floor(first + i * step), floor(first + (i + 1) * step)), at least the
    // one frame where it starts; out gets n * channels ranges, column by column, and rms (when
    // given) the RMS level of each. Columns past the track's end are empty with an RMS of 0.
    // False on a read failure.
    bool columns(double first, double step, int n, std::vector<MinMax>& out, std::vector<float>* rms = nullptr);
    // Frames read from blocks so far (each read is at most one fine bucket).
    qint64 framesRead() const { return m_framesRead; }

private:
    void seek(qint64 frame);
    bool blockRange(const SampleBlock& block, qint64 s, qint64 e, MinMax* out, double* squares);

    const SampleSequence& m_samples;
    size_t m_ref = 0;
    qint64 m_refStart = 0;
    const SampleBlock* m_rawBlock = nullptr;
    qint64 m_rawBucket = -1;
    std::vector<float> m_raw;
    std::vector<MinMax> m_part;
    std::vector<double> m_partSquares;
    qint64 m_framesRead = 0;
};

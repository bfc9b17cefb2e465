#pragma once

#include <QtGlobal>

#include <limits>
#include <vector>

// Smallest and largest sample value of a run of frames, for one channel.
struct MinMax {
    // An empty range has min above max, so adding to it needs no test.
    float min = std::numeric_limits<float>::infinity();
    float max = -std::numeric_limits<float>::infinity();

    bool empty() const { return min > max; }
    void add(float v)
    {
        min = v < min ? v : min;
        max = v > max ? v : max;
    }
    void add(const MinMax& o)
    {
        min = o.min < min ? o.min : min;
        max = o.max > max ? o.max : max;
    }
    // The range of the same samples multiplied by gain: a negative gain swaps the ends.
    MinMax scaled(float gain) const
    {
        if (empty() || gain == 1.0f)
            return *this;
        return gain >= 0 ? MinMax{min * gain, max * gain} : MinMax{max * gain, min * gain};
    }
    bool operator==(const MinMax&) const = default;
};

// Min/max and the sum of squares (for the RMS level) of a block's samples per channel at three
// levels: fine buckets of 256 frames, coarse buckets of 4096 frames (16 fine ones) and the whole
// block. Made once with the block, so drawing a track reads summaries, and samples only where a
// range starts or ends inside a fine bucket.
class BlockSummary {
public:
    static constexpr qint64 kFineFrames = 256;
    static constexpr qint64 kCoarseFrames = 4096;

    BlockSummary() = default;
    BlockSummary(const float* interleaved, qint64 frames, int channels);

    int channels() const { return m_channels; }
    qint64 frames() const { return m_frames; }
    MinMax whole(int channel) const { return m_whole[size_t(channel)]; }
    // Buckets count from the block's first frame; the last one of each level may be partial.
    MinMax fine(qint64 bucket, int channel) const { return m_fine[size_t(bucket * m_channels + channel)]; }
    MinMax coarse(qint64 bucket, int channel) const { return m_coarse[size_t(bucket * m_channels + channel)]; }
    float wholeSquares(int channel) const { return m_wholeSquares[size_t(channel)]; }
    float fineSquares(qint64 bucket, int channel) const { return m_fineSquares[size_t(bucket * m_channels + channel)]; }
    float coarseSquares(qint64 bucket, int channel) const
    {
        return m_coarseSquares[size_t(bucket * m_channels + channel)];
    }
    // Largest absolute value over all channels.
    float peak() const;
    // Memory the summary holds, for the store's accounting.
    qint64 bytes() const;

private:
    int m_channels = 0;
    qint64 m_frames = 0;
    std::vector<MinMax> m_fine, m_coarse, m_whole;
    std::vector<float> m_fineSquares, m_coarseSquares, m_wholeSquares;
};

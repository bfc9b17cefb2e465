#include "audio/BlockSummary.h"

#include <algorithm>
#include <cmath>

BlockSummary::BlockSummary(const float* interleaved, qint64 frames, int channels)
    : m_channels(std::max(1, channels)), m_frames(std::max<qint64>(0, frames))
{
    const qint64 fineCount = (m_frames + kFineFrames - 1) / kFineFrames;
    const qint64 coarseCount = (m_frames + kCoarseFrames - 1) / kCoarseFrames;
    const size_t ch = size_t(m_channels);
    m_fine.resize(size_t(fineCount) * ch);
    m_coarse.resize(size_t(coarseCount) * ch);
    m_whole.resize(ch);
    m_fineSquares.resize(m_fine.size());
    // Sums of many buckets are added in double precision and stored rounded.
    std::vector<double> coarse(m_coarse.size()), whole(ch);
    std::vector<double> squares(ch);
    for (qint64 b = 0; b < fineCount; ++b) {
        const qint64 end = std::min(m_frames, (b + 1) * kFineFrames);
        MinMax* out = &m_fine[size_t(b) * ch];
        std::fill(squares.begin(), squares.end(), 0.0);
        for (qint64 f = b * kFineFrames; f < end; ++f) {
            const float* frame = interleaved + size_t(f) * ch;
            for (size_t c = 0; c < ch; ++c) {
                out[c].add(frame[c]);
                squares[c] += double(frame[c]) * double(frame[c]);
            }
        }
        const size_t up = size_t(b * kFineFrames / kCoarseFrames) * ch;
        for (size_t c = 0; c < ch; ++c) {
            m_coarse[up + c].add(out[c]);
            m_whole[c].add(out[c]);
            m_fineSquares[size_t(b) * ch + c] = float(squares[c]);
            coarse[up + c] += squares[c];
            whole[c] += squares[c];
        }
    }
    m_coarseSquares.assign(coarse.begin(), coarse.end());
    m_wholeSquares.assign(whole.begin(), whole.end());
}

float BlockSummary::peak() const
{
    float p = 0.0f;
    for (const MinMax& m : m_whole) {
        if (!m.empty())
            p = std::max({p, std::fabs(m.min), std::fabs(m.max)});
    }
    return p;
}

qint64 BlockSummary::bytes() const
{
    return qint64((m_fine.size() + m_coarse.size() + m_whole.size()) * (sizeof(MinMax) + sizeof(float)));
}

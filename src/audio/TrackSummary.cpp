#include "audio/TrackSummary.h"

#include <algorithm>
#include <cmath>

TrackSummary::TrackSummary(const SampleSequence& samples)
    : m_samples(samples), m_part(size_t(samples.channels()))
{
}

void TrackSummary::seek(qint64 frame)
{
    const auto& refs = m_samples.refs();
    if (frame < m_refStart) {
        m_ref = 0;
        m_refStart = 0;
    }
    while (m_ref < refs.size() && frame >= m_refStart + refs[m_ref].frames) {
        m_refStart += refs[m_ref].frames;
        ++m_ref;
    }
}

bool TrackSummary::blockRange(const SampleBlock& block, qint64 s, qint64 e, MinMax* out)
{
    const BlockSummary& sum = block.summary();
    const int ch = m_samples.channels();
    const qint64 frames = block.frames();
    for (int c = 0; c < ch; ++c)
        out[c] = MinMax();
    if (s == 0 && e == frames) {
        for (int c = 0; c < ch; ++c)
            out[c] = sum.whole(c);
        return true;
    }
    qint64 pos = s;
    while (pos < e) {
        const qint64 coarseEnd = std::min(pos + BlockSummary::kCoarseFrames, frames);
        const qint64 fineEnd = std::min(pos + BlockSummary::kFineFrames, frames);
        if (pos % BlockSummary::kCoarseFrames == 0 && coarseEnd <= e) {
            for (int c = 0; c < ch; ++c)
                out[c].add(sum.coarse(pos / BlockSummary::kCoarseFrames, c));
            pos = coarseEnd;
        } else if (pos % BlockSummary::kFineFrames == 0 && fineEnd <= e) {
            for (int c = 0; c < ch; ++c)
                out[c].add(sum.fine(pos / BlockSummary::kFineFrames, c));
            pos = fineEnd;
        } else {
            // Inside a fine bucket: its samples, read once for the ranges on both sides of a boundary.
            const qint64 bucket = pos / BlockSummary::kFineFrames;
            const qint64 bucketStart = bucket * BlockSummary::kFineFrames;
            const qint64 bucketFrames = std::min(BlockSummary::kFineFrames, frames - bucketStart);
            if (m_rawBlock != &block || m_rawBucket != bucket) {
                m_raw.resize(size_t(bucketFrames) * size_t(ch));
                if (!block.read(bucketStart, bucketFrames, m_raw.data())) {
                    m_rawBlock = nullptr;
                    return false;
                }
                m_rawBlock = &block;
                m_rawBucket = bucket;
                m_framesRead += bucketFrames;
            }
            const qint64 stop = std::min(e, bucketStart + bucketFrames);
            for (qint64 f = pos; f < stop; ++f) {
                const float* frame = &m_raw[size_t(f - bucketStart) * size_t(ch)];
                for (int c = 0; c < ch; ++c)
                    out[c].add(frame[c]);
            }
            pos = stop;
        }
    }
    return true;
}

bool TrackSummary::minMax(qint64 start, qint64 count, MinMax* perChannel)
{
    const int ch = m_samples.channels();
    for (int c = 0; c < ch; ++c)
        perChannel[c] = MinMax();
    if (start < 0 || count < 0 || start + count > m_samples.frames())
        return false;
    const qint64 end = start + count;
    seek(start);
    const auto& refs = m_samples.refs();
    qint64 refStart = m_refStart;
    for (size_t i = m_ref; i < refs.size() && refStart < end; refStart += refs[i].frames, ++i) {
        const SampleSequence::Ref& r = refs[i];
        const qint64 a = std::max(start, refStart), b = std::min(end, refStart + r.frames);
        if (a >= b)
            continue;
        if (!blockRange(*r.block, r.offset + (a - refStart), r.offset + (b - refStart), m_part.data()))
            return false;
        for (int c = 0; c < ch; ++c)
            perChannel[c].add(m_part[size_t(c)].scaled(r.gain));
    }
    return true;
}

bool TrackSummary::columns(double first, double step, int n, std::vector<MinMax>& out)
{
    const int ch = m_samples.channels();
    const qint64 total = m_samples.frames();
    out.assign(size_t(std::max(0, n)) * size_t(ch), MinMax());
    for (int i = 0; i < n; ++i) {
        const qint64 a = std::max<qint64>(0, qint64(std::floor(first + i * step)));
        qint64 b = std::min<qint64>(total, qint64(std::floor(first + (i + 1) * step)));
        if (a >= total)
            break;
        b = std::max(b, a + 1);
        if (!minMax(a, b - a, &out[size_t(i) * size_t(ch)]))
            return false;
    }
    return true;
}

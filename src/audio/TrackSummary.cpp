#include "audio/TrackSummary.h"

#include <algorithm>
#include <cmath>

TrackSummary::TrackSummary(const SampleSequence& samples)
    : m_samples(samples), m_part(size_t(samples.channels())), m_partSquares(size_t(samples.channels()))
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

bool TrackSummary::blockRange(const SampleBlock& block, qint64 s, qint64 e, MinMax* out, double* squares)
{
    const BlockSummary& sum = block.summary();
    const int ch = m_samples.channels();
    const qint64 frames = block.frames();
    for (int c = 0; c < ch; ++c)
        out[c] = MinMax();
    if (squares)
        std::fill(squares, squares + ch, 0.0);
    if (s == 0 && e == frames) {
        for (int c = 0; c < ch; ++c) {
            out[c] = sum.whole(c);
            if (squares)
                squares[c] = sum.wholeSquares(c);
        }
        return true;
    }
    qint64 pos = s;
    while (pos < e) {
        const qint64 coarseEnd = std::min(pos + BlockSummary::kCoarseFrames, frames);
        const qint64 fineEnd = std::min(pos + BlockSummary::kFineFrames, frames);
        if (pos % BlockSummary::kCoarseFrames == 0 && coarseEnd <= e) {
            const qint64 bucket = pos / BlockSummary::kCoarseFrames;
            for (int c = 0; c < ch; ++c) {
                out[c].add(sum.coarse(bucket, c));
                if (squares)
                    squares[c] += sum.coarseSquares(bucket, c);
            }
            pos = coarseEnd;
        } else if (pos % BlockSummary::kFineFrames == 0 && fineEnd <= e) {
            const qint64 bucket = pos / BlockSummary::kFineFrames;
            for (int c = 0; c < ch; ++c) {
                out[c].add(sum.fine(bucket, c));
                if (squares)
                    squares[c] += sum.fineSquares(bucket, c);
            }
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
                for (int c = 0; c < ch; ++c) {
                    out[c].add(frame[c]);
                    if (squares)
                        squares[c] += double(frame[c]) * double(frame[c]);
                }
            }
            pos = stop;
        }
    }
    return true;
}

bool TrackSummary::levels(qint64 start, qint64 count, MinMax* perChannel, double* squares)
{
    const int ch = m_samples.channels();
    for (int c = 0; c < ch; ++c)
        perChannel[c] = MinMax();
    if (squares)
        std::fill(squares, squares + ch, 0.0);
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
        if (!blockRange(*r.block, r.offset + (a - refStart), r.offset + (b - refStart), m_part.data(),
                        squares ? m_partSquares.data() : nullptr))
            return false;
        for (int c = 0; c < ch; ++c) {
            perChannel[c].add(m_part[size_t(c)].scaled(r.gain));
            if (squares)
                squares[c] += m_partSquares[size_t(c)] * double(r.gain) * double(r.gain);
        }
    }
    return true;
}

bool TrackSummary::columns(double first, double step, int n, std::vector<MinMax>& out, std::vector<float>* rms)
{
    const int ch = m_samples.channels();
    const qint64 total = m_samples.frames();
    out.assign(size_t(std::max(0, n)) * size_t(ch), MinMax());
    if (rms)
        rms->assign(out.size(), 0.0f);
    std::vector<double> squares(static_cast<size_t>(ch));
    for (int i = 0; i < n; ++i) {
        const qint64 a = std::max<qint64>(0, qint64(std::floor(first + i * step)));
        qint64 b = std::min<qint64>(total, qint64(std::floor(first + (i + 1) * step)));
        if (a >= total)
            break;
        b = std::max(b, a + 1);
        if (!levels(a, b - a, &out[size_t(i) * size_t(ch)], rms ? squares.data() : nullptr))
            return false;
        if (rms) {
            for (int c = 0; c < ch; ++c)
                (*rms)[size_t(i) * size_t(ch) + size_t(c)] = float(std::sqrt(std::max(0.0, squares[size_t(c)]) / double(b - a)));
        }
    }
    return true;
}

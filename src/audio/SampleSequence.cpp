#include "audio/SampleSequence.h"

#include <algorithm>
#include <cmath>

std::vector<const SampleBlock*> SampleSequence::blocks() const
{
    std::vector<const SampleBlock*> out;
    for (const Ref& r : m_refs) {
        if (out.empty() || out.back() != r.block.get())
            out.push_back(r.block.get());
    }
    return out;
}

size_t SampleSequence::locate(qint64 pos, qint64* refStart) const
{
    qint64 start = 0;
    for (size_t i = 0; i < m_refs.size(); ++i) {
        if (pos < start + m_refs[i].frames) {
            *refStart = start;
            return i;
        }
        start += m_refs[i].frames;
    }
    *refStart = start;
    return m_refs.size();
}

bool SampleSequence::read(qint64 start, qint64 count, float* out) const
{
    if (start < 0 || count < 0 || start + count > m_frames)
        return false;
    qint64 refStart = 0;
    size_t i = locate(start, &refStart);
    qint64 pos = start;
    const qint64 end = start + count;
    while (pos < end && i < m_refs.size()) {
        const Ref& r = m_refs[i];
        const qint64 inRef = pos - refStart;
        const qint64 n = std::min(r.frames - inRef, end - pos);
        if (!r.block->read(r.offset + inRef, n, out))
            return false;
        if (r.gain != 1.0f) {
            for (qint64 k = 0; k < n * m_channels; ++k)
                out[k] *= r.gain;
        }
        out += n * m_channels;
        pos += n;
        refStart += r.frames;
        ++i;
    }
    return pos == end;
}

float SampleSequence::peak(qint64 start, qint64 count) const
{
    if (start < 0 || count < 0 || start + count > m_frames)
        return -1.0f;
    float peak = 0.0f;
    qint64 refStart = 0;
    std::vector<float> buffer;
    for (const Ref& r : m_refs) {
        const qint64 a = std::max(start, refStart);
        const qint64 b = std::min(start + count, refStart + r.frames);
        if (a < b) {
            if (r.offset == 0 && r.frames == r.block->frames() && a == refStart && b == refStart + r.frames) {
                peak = std::max(peak, r.block->peak() * std::fabs(r.gain));
            } else if (r.block->peak() * std::fabs(r.gain) > peak) { // only a louder block can raise it
                buffer.resize(size_t(b - a) * size_t(m_channels));
                if (!r.block->read(r.offset + (a - refStart), b - a, buffer.data()))
                    return -1.0f;
                for (float v : buffer)
                    peak = std::max(peak, std::fabs(v * r.gain));
            }
        }
        refStart += r.frames;
        if (refStart >= start + count)
            break;
    }
    return peak;
}

SampleSequence SampleSequence::slice(qint64 start, qint64 count) const
{
    SampleSequence out(m_channels);
    start = std::clamp<qint64>(start, 0, m_frames);
    count = std::clamp<qint64>(count, 0, m_frames - start);
    qint64 refStart = 0;
    for (const Ref& r : m_refs) {
        const qint64 a = std::max(start, refStart);
        const qint64 b = std::min(start + count, refStart + r.frames);
        if (a < b)
            out.append({r.block, r.offset + (a - refStart), b - a, r.gain});
        refStart += r.frames;
        if (refStart >= start + count)
            break;
    }
    return out;
}

SampleSequence SampleSequence::scaled(float factor) const
{
    SampleSequence out = *this;
    for (Ref& r : out.m_refs)
        r.gain *= factor;
    return out;
}

size_t SampleSequence::splitAt(qint64 pos)
{
    qint64 refStart = 0;
    const size_t i = locate(pos, &refStart);
    if (i == m_refs.size() || refStart == pos)
        return i;
    Ref tail = m_refs[i];
    const qint64 head = pos - refStart;
    m_refs[i].frames = head;
    tail.offset += head;
    tail.frames -= head;
    m_refs.insert(m_refs.begin() + qsizetype(i) + 1, tail);
    return i + 1;
}

void SampleSequence::remove(qint64 start, qint64 count)
{
    replace(start, count, SampleSequence(m_channels));
}

void SampleSequence::insert(qint64 at, const SampleSequence& other)
{
    replace(at, 0, other);
}

void SampleSequence::replace(qint64 start, qint64 count, const SampleSequence& with)
{
    start = std::clamp<qint64>(start, 0, m_frames);
    count = std::clamp<qint64>(count, 0, m_frames - start);
    const size_t first = splitAt(start);
    const size_t last = splitAt(start + count);
    m_refs.erase(m_refs.begin() + qsizetype(first), m_refs.begin() + qsizetype(last));
    m_refs.insert(m_refs.begin() + qsizetype(first), with.m_refs.begin(), with.m_refs.end());
    m_frames += with.m_frames - count;
}

void SampleSequence::append(const Ref& ref)
{
    if (ref.frames <= 0)
        return;
    m_refs.push_back(ref);
    m_frames += ref.frames;
}

SequenceBuilder::SequenceBuilder(BlockStore& store, int channels)
    : m_store(store), m_channels(channels), m_sequence(channels)
{
    m_pending.reserve(size_t(kBlockFrames) * size_t(channels));
}

bool SequenceBuilder::append(const float* data, qint64 frames)
{
    if (failed())
        return false;
    const size_t blockSize = size_t(kBlockFrames) * size_t(m_channels);
    size_t left = size_t(frames) * size_t(m_channels);
    while (left > 0) {
        const size_t n = std::min(left, blockSize - m_pending.size());
        m_pending.insert(m_pending.end(), data, data + n);
        data += n;
        left -= n;
        if (m_pending.size() == blockSize && !flush())
            return false;
    }
    return true;
}

bool SequenceBuilder::appendSilence(qint64 frames)
{
    const std::vector<float> zeros(size_t(4096) * size_t(m_channels), 0.0f);
    while (frames > 0) {
        const qint64 n = std::min<qint64>(frames, 4096);
        if (!append(zeros.data(), n))
            return false;
        frames -= n;
    }
    return true;
}

bool SequenceBuilder::flush()
{
    if (m_pending.empty())
        return true;
    std::vector<float> data;
    data.swap(m_pending);
    m_pending.reserve(size_t(kBlockFrames) * size_t(m_channels));
    SampleBlockPtr block = m_store.makeBlock(m_channels, std::move(data), &m_error);
    if (!block)
        return false;
    m_sequence.append({block, 0, block->frames()});
    return true;
}

SampleSequence SequenceBuilder::finish()
{
    flush();
    SampleSequence out = m_sequence;
    m_sequence = SampleSequence(m_channels);
    return out;
}

SampleSequence SequenceBuilder::preview() const
{
    SampleSequence out = m_sequence;
    if (!m_pending.empty()) {
        SampleBlockPtr tail = m_store.makeTransientBlock(m_channels, m_pending);
        out.append({tail, 0, tail->frames()});
    }
    return out;
}

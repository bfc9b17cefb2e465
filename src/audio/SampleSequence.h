#pragma once

#include "audio/BlockStore.h"

#include <QString>

#include <vector>

// A track's samples as an ordered list of views into shared immutable blocks. Copying a sequence
// copies only the list; slicing, removing, inserting and changing the level rearrange views
// without touching samples.
class SampleSequence {
public:
    struct Ref {
        SampleBlockPtr block;
        qint64 offset = 0;
        qint64 frames = 0;
        // Applied when reading: a change of level is a new view of the same block.
        float gain = 1.0f;

        bool operator==(const Ref&) const = default;
    };

    explicit SampleSequence(int channels = 2) : m_channels(channels) {}

    int channels() const { return m_channels; }
    qint64 frames() const { return m_frames; }
    const std::vector<Ref>& refs() const { return m_refs; }
    // The same views of the same blocks: equal samples, known without reading them.
    bool sameViews(const SampleSequence& other) const
    {
        return m_channels == other.m_channels && m_frames == other.m_frames && m_refs == other.m_refs;
    }
    // Blocks referred to, for tests of sharing.
    std::vector<const SampleBlock*> blocks() const;

    // Interleaved frames [start, start + count) into out; false on a read failure or a bad range.
    bool read(qint64 start, qint64 count, float* out) const;
    // Largest absolute sample in the range; uses each block's stored peak where the whole block is
    // inside. Negative on a read failure.
    float peak(qint64 start, qint64 count) const;

    SampleSequence slice(qint64 start, qint64 count) const;
    // The same samples multiplied by factor, without touching a block.
    SampleSequence scaled(float factor) const;
    void remove(qint64 start, qint64 count);
    void insert(qint64 at, const SampleSequence& other);
    void replace(qint64 start, qint64 count, const SampleSequence& with);
    void append(const Ref& ref);

private:
    // Index of the ref holding frame pos, and the frame where it starts.
    size_t locate(qint64 pos, qint64* refStart) const;
    // Splits the ref holding pos so that a ref starts exactly at pos; returns that index.
    size_t splitAt(qint64 pos);

    int m_channels;
    std::vector<Ref> m_refs;
    qint64 m_frames = 0;
};

// Collects interleaved frames into blocks of a fixed size.
class SequenceBuilder {
public:
    static constexpr qint64 kBlockFrames = 65536;

    SequenceBuilder(BlockStore& store, int channels);
    // False once a block could not be stored; error() tells why.
    bool append(const float* data, qint64 frames);
    bool appendSilence(qint64 frames);
    // The frames collected so far, the partial last block included.
    SampleSequence finish();
    // The frames collected so far without finishing: the partial last block is shown through a
    // block of its own that is never spilled.
    SampleSequence preview() const;
    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }
    int channels() const { return m_channels; }

private:
    bool flush();

    BlockStore& m_store;
    int m_channels;
    std::vector<float> m_pending;
    SampleSequence m_sequence;
    QString m_error;
};

#pragma once

#include "audio/BlockSummary.h"

#include <QString>

#include <memory>
#include <vector>

class BlockStoreState;

// An immutable run of interleaved float frames. Blocks are shared between the track, the clipboard
// and the undo history; an edit makes new blocks only for what it changes. A block lives either in
// memory or, once the store's memory budget is used up, in its own file in the temporary folder.
class SampleBlock {
public:
    SampleBlock(std::shared_ptr<BlockStoreState> store, int channels, std::vector<float> data,
                QString file, qint64 frames, BlockSummary summary);
    ~SampleBlock();
    SampleBlock(const SampleBlock&) = delete;
    SampleBlock& operator=(const SampleBlock&) = delete;

    int channels() const { return m_channels; }
    qint64 frames() const { return m_frames; }
    // Largest absolute sample value in the block, over all channels.
    float peak() const { return m_peak; }
    // Min/max per channel at several resolutions, kept in memory also for a spilled block.
    const BlockSummary& summary() const { return m_summary; }
    bool isSpilled() const { return !m_file.isEmpty(); }
    QString fileName() const { return m_file; }
    // Copies count frames from offset on into out (interleaved); false if the spill file fails.
    bool read(qint64 offset, qint64 count, float* out) const;

private:
    std::shared_ptr<BlockStoreState> m_store;
    int m_channels;
    std::vector<float> m_data;
    QString m_file;
    qint64 m_frames;
    BlockSummary m_summary;
    float m_peak;
};

using SampleBlockPtr = std::shared_ptr<const SampleBlock>;

#pragma once

#include "audio/AudioTypes.h"
#include "audio/SampleSequence.h"

// Decodes an audio file into sample blocks through the FFmpeg libraries. Headerless files are read
// by their extension: .raw and .pcm as 16-bit little-endian PCM (rate and channels from the
// options), .vox as 8 kHz mono OKI ADPCM, .g721/.g723/.g726 as 8 kHz G.726 at 32, 24 and 40 kbit/s.
class AudioFileReader {
public:
    struct Options {
        int rawSampleRate = 44100;
        int rawChannels = 2;
        // When not 0, the samples are converted to this rate and channel count (mixing a file in).
        int targetRate = 0;
        int targetChannels = 0;
    };

    struct Result {
        AudioStatus status;
        SampleSequence samples;
        int sampleRate = 0;
        AudioTags tags;
        QString format; // short name: "mp3", "wav", "ogg", "vox" ...
    };

    static Result read(const QString& path, BlockStore& store, const Options& options,
                       const ProgressFunction& progress = {});
};

#pragma once

#include "audio/AudioDecoder.h"
#include "audio/AudioTypes.h"
#include "audio/SampleSequence.h"

// Reads an audio file whole into sample blocks (AudioDecoder tells which files it reads).
class AudioFileReader {
public:
    using Options = AudioDecodeOptions;

    struct Result {
        AudioStatus status;
        SampleSequence samples;
        int sampleRate = 0;
        AudioTags tags;
        QString format; // short name: "mp3", "wav", "ogg", "vox" ...
    };

    // Sees every decoded piece as it is stored, so a caller can analyse the file in the same pass
    // of decoding; returning false stops the read as a failure.
    using FrameTap = std::function<bool(const float* frames, qint64 count, int sampleRate, int channels)>;

    static Result read(const QString& path, BlockStore& store, const Options& options,
                       const ProgressFunction& progress = {}, const FrameTap& tap = {});
};

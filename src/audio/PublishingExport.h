#pragma once

#include "audio/EncoderSettings.h"
#include "audio/LoudnessNormalizer.h"
#include "audio/PodcastTagWriter.h"

// How an episode is made ready for publishing.
struct PublishOptions {
    bool normalize = true;
    double targetLufs = -16.0;
    double ceilingDbtp = loudnesspresets::kDefaultCeiling;
    EncoderSettings encoder;      // MP3 bitrate or VBR quality, and mono (maxChannels 1)
    PodcastTags tags;
    bool writeChaptersFile = true; // the Podcasting 2.0 JSON beside the MP3, when there are chapters
};

// The track to a tagged MP3 in one go: loudness to the target with the true-peak limiter, MP3
// encoding, the ID3v2 tag with cover and chapters, and the chapters file. The MP3 is made under
// a temporary name beside the target and takes its name only when complete.
class PublishingExport {
public:
    struct Result {
        AudioStatus status;
        LoudnessReport before;
        LoudnessNormalizer::Result loudness;
        qint64 bytes = 0;           // size of the MP3, for the enclosure's length
        double seconds = 0.0;       // its duration, for itunes:duration
        QString chaptersFile;       // written beside it, empty when there were no chapters
    };

    // The limiter aims this far below the ceiling for MP3: the encoder's peaks overshoot.
    static constexpr double kMp3HeadroomDb = 0.6;

    // `measured` (optional) is the loudness of `samples` when already known, which saves a pass.
    static Result run(const QString& mp3Path, const SampleSequence& samples, int sampleRate, BlockStore& store,
                      const PublishOptions& options, const LoudnessReport* measured = nullptr,
                      const ProgressFunction& progress = {});
};

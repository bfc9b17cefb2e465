#pragma once

#include "audio/AudioTypes.h"
#include "audio/EncoderSettings.h"
#include "audio/SampleSequence.h"

// Writes samples to a file in the format its extension names: MP3 (LAME, ID3v2 tags), WAV (16-bit
// PCM, INFO tags), MP2, Ogg Vorbis, WMA through the FFmpeg libraries; RAW/PCM (16-bit little-endian
// at the track's rate and channels), VOX (8 kHz mono OKI ADPCM) and G.721/G.723/G.726 (8 kHz raw
// G.726 at 32/24/40 kbit/s) directly. The file is written under a temporary name beside the target
// and renamed over it only when complete.
class AudioFileWriter {
public:
    static AudioStatus write(const QString& path, const SampleSequence& samples, int sampleRate,
                             const AudioTags& tags, const EncoderSettings& settings,
                             const ProgressFunction& progress = {});
};

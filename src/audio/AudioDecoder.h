#pragma once

#include "audio/AudioTypes.h"

#include <QString>

#include <memory>

// How a file is read: the format assumed for headerless files, and an optional conversion.
struct AudioDecodeOptions {
    int rawSampleRate = 44100;
    int rawChannels = 2;
    // When not 0, the samples are converted to this rate and channel count.
    int targetRate = 0;
    int targetChannels = 0;
};

// Decodes an audio file piece by piece through the FFmpeg libraries into interleaved float frames,
// so that a file can be played while it is read as well as read whole. Headerless files are read by
// their extension: .raw and .pcm as 16-bit little-endian PCM (rate and channels from the options),
// .vox as 8 kHz mono OKI ADPCM, .g721/.g723/.g726 as 8 kHz G.726 at 32, 24 and 40 kbit/s.
class AudioDecoder {
public:
    AudioDecoder();
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    AudioStatus open(const QString& path, const AudioDecodeOptions& options = {});

    // Rate and channels of the frames read().
    int sampleRate() const;
    int channels() const;
    AudioTags tags() const;
    QString format() const; // short name: "mp3", "wav", "ogg", "vox" ...

    // Up to maxFrames frames into out; 0 at the end of the file or after a failure (status()).
    qint64 read(float* out, qint64 maxFrames);
    AudioStatus status() const;
    qint64 framesRead() const;
    // Bytes of the file consumed so far and its size (-1 when unknown), for progress.
    qint64 bytePosition() const;
    qint64 byteSize() const;
    // The length in seconds as the file's header tells it (the container's duration, or the size
    // of a headerless file over its byte rate); -1 when the header does not tell.
    double headerDuration() const;

    // The length of a file in seconds: from its header when it tells, otherwise by decoding it
    // whole. -1 with the reason in *status when the file cannot be read as audio.
    static double fileDuration(const QString& path, AudioStatus* status = nullptr);

private:
    struct Private;
    std::unique_ptr<Private> m_d;
};

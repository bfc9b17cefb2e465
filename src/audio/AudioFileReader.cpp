#include "audio/AudioFileReader.h"

#include <vector>

AudioFileReader::Result AudioFileReader::read(const QString& path, BlockStore& store, const Options& options,
                                              const ProgressFunction& progress, const FrameTap& tap)
{
    Result result;
    AudioDecoder decoder;
    result.status = decoder.open(path, options);
    result.format = decoder.format();
    if (!result.status.ok())
        return result;
    result.tags = decoder.tags();
    SequenceBuilder builder(store, decoder.channels());
    constexpr qint64 kPiece = 16384;
    std::vector<float> buffer(size_t(kPiece) * size_t(decoder.channels()));
    const qint64 total = decoder.byteSize();
    int pieces = 0;
    for (;;) {
        const qint64 n = decoder.read(buffer.data(), kPiece);
        if (n <= 0)
            break;
        if (!builder.append(buffer.data(), n)) {
            result.status = AudioStatus::failure(builder.error());
            return result;
        }
        if (tap && !tap(buffer.data(), n, decoder.sampleRate(), decoder.channels())) {
            result.status = AudioStatus::failure(QStringLiteral("the analysis of the decoded audio failed"));
            return result;
        }
        if (progress && ++pieces % 8 == 0 && !progress(decoder.bytePosition(), total)) {
            result.status = AudioStatus::cancelled();
            return result;
        }
    }
    if (!decoder.status().ok()) {
        result.status = decoder.status();
        return result;
    }
    if (progress)
        progress(total, total);
    result.samples = builder.finish();
    if (builder.failed()) {
        result.status = AudioStatus::failure(builder.error());
        return result;
    }
    result.sampleRate = decoder.sampleRate();
    return result;
}

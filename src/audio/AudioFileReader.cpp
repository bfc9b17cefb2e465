#include "audio/AudioFileReader.h"

#include "audio/AudioFormats.h"
#include "audio/FfmpegUtil.h"

#include <QFile>
#include <QFileInfo>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <memory>
#include <vector>

namespace {

using ffmpegutil::errorText;

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct SwrFreer {
    void operator()(SwrContext* c) const { swr_free(&c); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// Decoded frames → float interleaved at the wanted rate and channels → blocks.
class Sink {
public:
    Sink(BlockStore& store, int rate, int channels) : m_builder(store, channels), m_rate(rate), m_channels(channels) {}

    bool add(const AVFrame* frame, QString* error)
    {
        // A stream may change its format midway (chained or damaged files): finish what the old
        // converter holds and start a new one, so no frame is read with the wrong layout.
        if (m_swr && (frame->format != m_inFormat || frame->sample_rate != m_inRate
                      || frame->ch_layout.nb_channels != m_inChannels)) {
            if (!convert(nullptr, 0, error))
                return false;
            m_swr.reset();
        }
        if (frame->sample_rate <= 0 || frame->ch_layout.nb_channels <= 0 || frame->nb_samples <= 0)
            return true; // nothing usable in it
        if (!m_swr) {
            SwrContext* swr = nullptr;
            AVChannelLayout outLayout = ffmpegutil::layoutFor(m_channels);
            AVChannelLayout inLayout = frame->ch_layout;
            if (inLayout.order == AV_CHANNEL_ORDER_UNSPEC)
                inLayout = ffmpegutil::layoutFor(frame->ch_layout.nb_channels);
            if (swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_FLT, m_rate, &inLayout,
                                    AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr) < 0
                || !ffmpegutil::setPlainMatrix(swr, inLayout.nb_channels, m_channels)
                || swr_init(swr) < 0) {
                swr_free(&swr);
                *error = QStringLiteral("cannot convert the decoded samples");
                return false;
            }
            m_swr.reset(swr);
            m_inRate = frame->sample_rate;
            m_inFormat = frame->format;
            m_inChannels = frame->ch_layout.nb_channels;
        }
        return convert(const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples, error);
    }

    bool finish(QString* error)
    {
        return !m_swr || convert(nullptr, 0, error);
    }

    SampleSequence take() { return m_builder.finish(); }
    qint64 frames() const { return m_frames; }

private:
    bool convert(const uint8_t** in, int count, QString* error)
    {
        const int room = swr_get_out_samples(m_swr.get(), count) + 16;
        m_buffer.resize(size_t(room) * size_t(m_channels));
        uint8_t* out = reinterpret_cast<uint8_t*>(m_buffer.data());
        const int n = swr_convert(m_swr.get(), &out, room, in, count);
        if (n < 0) {
            *error = QStringLiteral("cannot convert the decoded samples: %1").arg(errorText(n));
            return false;
        }
        m_frames += n;
        if (!m_builder.append(m_buffer.data(), n)) {
            *error = m_builder.error();
            return false;
        }
        return true;
    }

    SequenceBuilder m_builder;
    int m_rate, m_channels, m_inRate = 0, m_inFormat = -1, m_inChannels = 0;
    std::unique_ptr<SwrContext, SwrFreer> m_swr;
    std::vector<float> m_buffer;
    qint64 m_frames = 0;
};

void readTags(const AVDictionary* dict, AudioTags* tags)
{
    const auto get = [dict](const char* key) {
        const AVDictionaryEntry* e = av_dict_get(dict, key, nullptr, 0);
        return e ? QString::fromUtf8(e->value).trimmed() : QString();
    };
    if (tags->title.isEmpty())
        tags->title = get("title");
    if (tags->artist.isEmpty())
        tags->artist = get("artist");
    if (tags->artist.isEmpty())
        tags->artist = get("author");
    if (tags->album.isEmpty())
        tags->album = get("album");
    if (tags->comment.isEmpty())
        tags->comment = get("comment");
    if (tags->year == 0) {
        QString date = get("date");
        if (date.isEmpty())
            date = get("year");
        tags->year = date.left(4).toInt();
    }
    if (tags->trackNumber == 0)
        tags->trackNumber = qint16(get("track").section(QLatin1Char('/'), 0, 0).toInt());
}

AudioFileReader::Result decodeVox(const QString& path, BlockStore& store, const AudioFileReader::Options& options,
                                  const ProgressFunction& progress)
{
    AudioFileReader::Result result;
    result.format = QStringLiteral("vox");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = AudioStatus::failure(QStringLiteral("cannot open \"%1\": %2").arg(path, file.errorString()));
        return result;
    }
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_ADPCM_IMA_OKI);
    std::unique_ptr<AVCodecContext, CodecFreer> ctx(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!ctx) {
        result.status = AudioStatus::unsupported(QStringLiteral("this FFmpeg cannot decode VOX ADPCM"));
        return result;
    }
    ctx->sample_rate = 8000;
    ctx->ch_layout = ffmpegutil::layoutFor(1);
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) {
        result.status = AudioStatus::failure(QStringLiteral("cannot start the VOX decoder"));
        return result;
    }
    const int rate = options.targetRate ? options.targetRate : 8000;
    const int channels = options.targetChannels ? options.targetChannels : 1;
    Sink sink(store, rate, channels);
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    const qint64 total = file.size();
    QString error;
    for (;;) {
        const QByteArray chunk = file.read(4096);
        if (chunk.isEmpty())
            break;
        av_new_packet(packet.get(), int(chunk.size()));
        memcpy(packet->data, chunk.constData(), size_t(chunk.size()));
        int err = avcodec_send_packet(ctx.get(), packet.get());
        av_packet_unref(packet.get());
        while (err >= 0 && (err = avcodec_receive_frame(ctx.get(), frame.get())) >= 0) {
            if (!sink.add(frame.get(), &error)) {
                result.status = AudioStatus::failure(error);
                return result;
            }
        }
        if (progress && !progress(file.pos(), total)) {
            result.status = AudioStatus::cancelled();
            return result;
        }
    }
    if (!sink.finish(&error)) {
        result.status = AudioStatus::failure(error);
        return result;
    }
    result.samples = sink.take();
    result.sampleRate = rate;
    return result;
}

} // namespace

AudioFileReader::Result AudioFileReader::read(const QString& path, BlockStore& store, const Options& options,
                                              const ProgressFunction& progress)
{
    ffmpegutil::quietLogs();
    Result result;
    const QString ext = audioformats::extensionOf(path);
    if (ext == QLatin1String("cda")) {
        result.status = AudioStatus::unsupported(
            QStringLiteral("\"%1\" is a CD Audio track: such files only point at a track of an audio CD. "
                           "Copy the track to an audio file first.")
                .arg(QFileInfo(path).fileName()));
        return result;
    }
    if (!QFileInfo(path).isFile()) {
        result.status = AudioStatus::failure(QStringLiteral("\"%1\" does not exist").arg(path));
        return result;
    }
    if (ext == QLatin1String("vox"))
        return decodeVox(path, store, options, progress);

    const AVInputFormat* forced = nullptr;
    AVDictionary* openOptions = nullptr;
    if (ext == QLatin1String("raw") || ext == QLatin1String("pcm")) {
        forced = av_find_input_format("s16le");
        av_dict_set_int(&openOptions, "sample_rate", options.rawSampleRate, 0);
        av_dict_set(&openOptions, "ch_layout", options.rawChannels == 1 ? "mono" : "stereo", 0);
    } else if (ext == QLatin1String("g721") || ext == QLatin1String("g723") || ext == QLatin1String("g726")) {
        forced = av_find_input_format("g726");
        const int bits = ext == QLatin1String("g721") ? 4 : ext == QLatin1String("g723") ? 3 : 5;
        av_dict_set_int(&openOptions, "code_size", bits, 0);
        av_dict_set_int(&openOptions, "sample_rate", 8000, 0);
    }
    AVFormatContext* raw = nullptr;
    int err = avformat_open_input(&raw, QFile::encodeName(path).constData(), forced, &openOptions);
    av_dict_free(&openOptions);
    if (err < 0) {
        result.status = AudioStatus::failure(
            QStringLiteral("cannot read \"%1\" as audio: %2").arg(QFileInfo(path).fileName(), errorText(err)));
        return result;
    }
    std::unique_ptr<AVFormatContext, FormatCloser> fmt(raw);
    if ((err = avformat_find_stream_info(fmt.get(), nullptr)) < 0) {
        result.status = AudioStatus::failure(QStringLiteral("cannot read \"%1\": %2").arg(path, errorText(err)));
        return result;
    }
    const AVCodec* codec = nullptr;
    const int streamIndex = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (streamIndex < 0 || !codec) {
        result.status = AudioStatus::failure(
            QStringLiteral("\"%1\" holds no audio that can be decoded").arg(QFileInfo(path).fileName()));
        return result;
    }
    AVStream* stream = fmt->streams[streamIndex];
    std::unique_ptr<AVCodecContext, CodecFreer> ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), stream->codecpar) < 0
        || avcodec_open2(ctx.get(), codec, nullptr) < 0 || ctx->sample_rate <= 0 || ctx->ch_layout.nb_channels <= 0) {
        result.status = AudioStatus::failure(QStringLiteral("cannot start the decoder for \"%1\"").arg(path));
        return result;
    }
    const int rate = options.targetRate ? options.targetRate : ctx->sample_rate;
    const int channels = options.targetChannels ? options.targetChannels : std::min(ctx->ch_layout.nb_channels, 8);
    readTags(fmt->metadata, &result.tags);
    readTags(stream->metadata, &result.tags);
    result.format = QString::fromLatin1(fmt->iformat->name).section(QLatin1Char(','), 0, 0);

    const qint64 total = fmt->pb ? avio_size(fmt->pb) : -1;
    Sink sink(store, rate, channels);
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    QString error;
    const auto drain = [&]() -> bool {
        int e;
        while ((e = avcodec_receive_frame(ctx.get(), frame.get())) >= 0) {
            if (!sink.add(frame.get(), &error))
                return false;
        }
        return true;
    };
    int packets = 0;
    while ((err = av_read_frame(fmt.get(), packet.get())) >= 0) {
        if (packet->stream_index == streamIndex) {
            // A damaged packet is skipped; the rest of the file still decodes.
            avcodec_send_packet(ctx.get(), packet.get());
            if (!drain()) {
                result.status = AudioStatus::failure(error);
                return result;
            }
        }
        av_packet_unref(packet.get());
        if (progress && ++packets % 64 == 0 && !progress(avio_tell(fmt->pb), total)) {
            result.status = AudioStatus::cancelled();
            return result;
        }
    }
    if (err != AVERROR_EOF && sink.frames() == 0) {
        result.status = AudioStatus::failure(QStringLiteral("cannot read \"%1\": %2").arg(path, errorText(err)));
        return result;
    }
    avcodec_send_packet(ctx.get(), nullptr);
    if (!drain() || !sink.finish(&error)) {
        result.status = AudioStatus::failure(error);
        return result;
    }
    if (progress)
        progress(total, total);
    result.samples = sink.take();
    result.sampleRate = rate;
    return result;
}

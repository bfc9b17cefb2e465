#include "audio/AudioDecoder.h"

#include "audio/AudioFormats.h"
#include "audio/FfmpegUtil.h"

#include <QFile>
#include <QFileInfo>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
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

} // namespace

struct AudioDecoder::Private {
    std::unique_ptr<AVFormatContext, FormatCloser> fmt;
    QFile vox; // VOX files have no container: the file is fed to the decoder in chunks
    std::unique_ptr<AVCodecContext, CodecFreer> ctx;
    std::unique_ptr<SwrContext, SwrFreer> swr;
    std::unique_ptr<AVPacket, PacketFreer> packet{av_packet_alloc()};
    std::unique_ptr<AVFrame, FrameFreer> frame{av_frame_alloc()};
    int streamIndex = 0;
    int rate = 0, channels = 0;
    int inRate = 0, inFormat = -1, inChannels = 0;
    std::vector<float> pending; // converted frames not yet read
    size_t pendingPos = 0;
    bool inputDone = false, finished = false;
    qint64 frames = 0;
    qint64 size = -1;
    AudioStatus status;
    AudioTags tags;
    QString format;
    QString path;

    bool convert(const uint8_t** in, int count)
    {
        const int room = swr_get_out_samples(swr.get(), count) + 16;
        const size_t base = pending.size();
        pending.resize(base + size_t(room) * size_t(channels));
        uint8_t* out = reinterpret_cast<uint8_t*>(pending.data() + base);
        const int n = swr_convert(swr.get(), &out, room, in, count);
        if (n < 0) {
            pending.resize(base);
            status = AudioStatus::failure(QStringLiteral("cannot convert the decoded samples: %1").arg(errorText(n)));
            return false;
        }
        pending.resize(base + size_t(n) * size_t(channels));
        return true;
    }

    bool add(const AVFrame* f)
    {
        // A stream may change its format midway (chained or damaged files): finish what the old
        // converter holds and start a new one, so no frame is read with the wrong layout.
        if (swr && (f->format != inFormat || f->sample_rate != inRate || f->ch_layout.nb_channels != inChannels)) {
            if (!convert(nullptr, 0))
                return false;
            swr.reset();
        }
        if (f->sample_rate <= 0 || f->ch_layout.nb_channels <= 0 || f->nb_samples <= 0)
            return true; // nothing usable in it
        if (!swr) {
            SwrContext* s = nullptr;
            AVChannelLayout outLayout = ffmpegutil::layoutFor(channels);
            AVChannelLayout inLayout = f->ch_layout;
            if (inLayout.order == AV_CHANNEL_ORDER_UNSPEC)
                inLayout = ffmpegutil::layoutFor(f->ch_layout.nb_channels);
            if (swr_alloc_set_opts2(&s, &outLayout, AV_SAMPLE_FMT_FLT, rate, &inLayout, AVSampleFormat(f->format),
                                    f->sample_rate, 0, nullptr) < 0
                || !ffmpegutil::setPlainMatrix(s, inLayout.nb_channels, channels) || swr_init(s) < 0) {
                swr_free(&s);
                status = AudioStatus::failure(QStringLiteral("cannot convert the decoded samples"));
                return false;
            }
            swr.reset(s);
            inRate = f->sample_rate;
            inFormat = f->format;
            inChannels = f->ch_layout.nb_channels;
        }
        return convert(const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
    }

    // Hands the decoder its next packet, or the end of the input.
    void feed()
    {
        if (!fmt) {
            const QByteArray chunk = vox.read(4096);
            if (chunk.isEmpty()) {
                inputDone = true;
                avcodec_send_packet(ctx.get(), nullptr);
                return;
            }
            av_new_packet(packet.get(), int(chunk.size()));
            memcpy(packet->data, chunk.constData(), size_t(chunk.size()));
            avcodec_send_packet(ctx.get(), packet.get());
            av_packet_unref(packet.get());
            return;
        }
        int err;
        while ((err = av_read_frame(fmt.get(), packet.get())) >= 0) {
            const bool ours = packet->stream_index == streamIndex;
            // A damaged packet is skipped; the rest of the file still decodes.
            if (ours)
                avcodec_send_packet(ctx.get(), packet.get());
            av_packet_unref(packet.get());
            if (ours)
                return;
        }
        if (err != AVERROR_EOF && frames == 0 && pending.empty())
            status = AudioStatus::failure(QStringLiteral("cannot read \"%1\": %2").arg(path, errorText(err)));
        inputDone = true;
        avcodec_send_packet(ctx.get(), nullptr);
    }

    // Decodes until some converted frames are pending or the file is done.
    void decodeMore()
    {
        while (!finished && status.ok() && pendingPos >= pending.size()) {
            pending.clear();
            pendingPos = 0;
            const int err = avcodec_receive_frame(ctx.get(), frame.get());
            if (err >= 0) {
                add(frame.get());
            } else if (err == AVERROR(EAGAIN) && !inputDone) {
                feed();
            } else {
                if (swr)
                    convert(nullptr, 0);
                finished = true;
            }
        }
    }
};

AudioDecoder::AudioDecoder() : m_d(std::make_unique<Private>()) {}

AudioDecoder::~AudioDecoder() = default;

AudioStatus AudioDecoder::open(const QString& path, const AudioDecodeOptions& options)
{
    ffmpegutil::quietLogs();
    m_d = std::make_unique<Private>();
    Private& d = *m_d;
    d.path = path;
    const QString ext = audioformats::extensionOf(path);
    if (ext == QLatin1String("cda")) {
        return d.status = AudioStatus::unsupported(
                   QStringLiteral("\"%1\" is a CD Audio track: such files only point at a track of an audio CD. "
                                  "Copy the track to an audio file first.")
                       .arg(QFileInfo(path).fileName()));
    }
    if (!QFileInfo(path).isFile())
        return d.status = AudioStatus::failure(QStringLiteral("\"%1\" does not exist").arg(path));

    if (ext == QLatin1String("vox")) {
        d.format = QStringLiteral("vox");
        d.vox.setFileName(path);
        if (!d.vox.open(QIODevice::ReadOnly))
            return d.status = AudioStatus::failure(
                       QStringLiteral("cannot open \"%1\": %2").arg(path, d.vox.errorString()));
        d.size = d.vox.size();
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_ADPCM_IMA_OKI);
        d.ctx.reset(codec ? avcodec_alloc_context3(codec) : nullptr);
        if (!d.ctx)
            return d.status = AudioStatus::unsupported(QStringLiteral("this FFmpeg cannot decode VOX ADPCM"));
        d.ctx->sample_rate = 8000;
        d.ctx->ch_layout = ffmpegutil::layoutFor(1);
        if (avcodec_open2(d.ctx.get(), codec, nullptr) < 0)
            return d.status = AudioStatus::failure(QStringLiteral("cannot start the VOX decoder"));
        d.rate = options.targetRate ? options.targetRate : 8000;
        d.channels = options.targetChannels ? options.targetChannels : 1;
        return d.status;
    }

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
    if (err < 0)
        return d.status = AudioStatus::failure(
                   QStringLiteral("cannot read \"%1\" as audio: %2").arg(QFileInfo(path).fileName(), errorText(err)));
    d.fmt.reset(raw);
    if ((err = avformat_find_stream_info(d.fmt.get(), nullptr)) < 0)
        return d.status = AudioStatus::failure(QStringLiteral("cannot read \"%1\": %2").arg(path, errorText(err)));
    const AVCodec* codec = nullptr;
    d.streamIndex = av_find_best_stream(d.fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (d.streamIndex < 0 || !codec)
        return d.status = AudioStatus::failure(
                   QStringLiteral("\"%1\" holds no audio that can be decoded").arg(QFileInfo(path).fileName()));
    AVStream* stream = d.fmt->streams[d.streamIndex];
    d.ctx.reset(avcodec_alloc_context3(codec));
    if (!d.ctx || avcodec_parameters_to_context(d.ctx.get(), stream->codecpar) < 0
        || avcodec_open2(d.ctx.get(), codec, nullptr) < 0 || d.ctx->sample_rate <= 0
        || d.ctx->ch_layout.nb_channels <= 0)
        return d.status = AudioStatus::failure(QStringLiteral("cannot start the decoder for \"%1\"").arg(path));
    d.rate = options.targetRate ? options.targetRate : d.ctx->sample_rate;
    d.channels = options.targetChannels ? options.targetChannels : std::min(d.ctx->ch_layout.nb_channels, 8);
    readTags(d.fmt->metadata, &d.tags);
    readTags(stream->metadata, &d.tags);
    d.format = QString::fromLatin1(d.fmt->iformat->name).section(QLatin1Char(','), 0, 0);
    d.size = d.fmt->pb ? avio_size(d.fmt->pb) : -1;
    return d.status;
}

int AudioDecoder::sampleRate() const { return m_d->rate; }
int AudioDecoder::channels() const { return m_d->channels; }
AudioTags AudioDecoder::tags() const { return m_d->tags; }
QString AudioDecoder::format() const { return m_d->format; }
AudioStatus AudioDecoder::status() const { return m_d->status; }
qint64 AudioDecoder::framesRead() const { return m_d->frames; }
qint64 AudioDecoder::byteSize() const { return m_d->size; }

qint64 AudioDecoder::bytePosition() const
{
    if (m_d->fmt && m_d->fmt->pb)
        return avio_tell(m_d->fmt->pb);
    return m_d->vox.isOpen() ? m_d->vox.pos() : 0;
}

double AudioDecoder::headerDuration() const
{
    const Private& d = *m_d;
    if (!d.status.ok())
        return -1;
    if (!d.fmt) // VOX: 4-bit samples at 8 kHz, two to a byte
        return d.size >= 0 ? double(d.size) * 2.0 / 8000.0 : -1;
    const AVStream* stream = d.fmt->streams[d.streamIndex];
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        return double(stream->duration) * av_q2d(stream->time_base);
    if (d.fmt->duration != AV_NOPTS_VALUE && d.fmt->duration > 0)
        return double(d.fmt->duration) / AV_TIME_BASE;
    return -1;
}

double AudioDecoder::fileDuration(const QString& path, AudioStatus* status)
{
    AudioDecoder decoder;
    AudioStatus opened = decoder.open(path);
    double seconds = opened.ok() ? decoder.headerDuration() : -1;
    if (opened.ok() && seconds < 0) {
        std::vector<float> buffer(size_t(4096) * size_t(std::max(decoder.channels(), 1)));
        while (decoder.read(buffer.data(), 4096) > 0) {
        }
        opened = decoder.status();
        if (opened.ok() && decoder.sampleRate() > 0)
            seconds = double(decoder.framesRead()) / decoder.sampleRate();
    }
    if (status)
        *status = opened;
    return opened.ok() ? seconds : -1;
}

qint64 AudioDecoder::read(float* out, qint64 maxFrames)
{
    Private& d = *m_d;
    if (!d.ctx || d.channels <= 0)
        return 0;
    qint64 done = 0;
    while (done < maxFrames && d.status.ok()) {
        d.decodeMore();
        const qint64 available = qint64(d.pending.size() - d.pendingPos) / d.channels;
        if (available <= 0)
            break;
        const qint64 n = std::min(available, maxFrames - done);
        std::copy_n(d.pending.data() + d.pendingPos, size_t(n) * size_t(d.channels),
                    out + size_t(done) * size_t(d.channels));
        d.pendingPos += size_t(n) * size_t(d.channels);
        done += n;
    }
    d.frames += done;
    return d.status.ok() ? done : 0;
}

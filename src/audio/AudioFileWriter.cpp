#include "audio/AudioFileWriter.h"

#include "audio/AudioFormats.h"
#include "audio/FfmpegUtil.h"
#include "audio/OkiAdpcmEncoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/dict.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using ffmpegutil::errorText;

constexpr qint64 kChunkFrames = 16384;

struct SwrFreer {
    void operator()(SwrContext* c) const { swr_free(&c); }
};
struct CodecFreer {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FifoFreer {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// Streams the track through a resampler into a FIFO of the output's sample format, rate and
// channels, so encoders can take frames of the size they need.
class Converter {
public:
    Converter(const SampleSequence& samples, int inRate, AVSampleFormat fmt, int outRate, int outChannels)
        : m_samples(samples), m_inChannels(samples.channels()), m_fmt(fmt), m_outChannels(outChannels)
    {
        AVChannelLayout in = ffmpegutil::layoutFor(m_inChannels);
        AVChannelLayout out = ffmpegutil::layoutFor(outChannels);
        SwrContext* swr = nullptr;
        if (swr_alloc_set_opts2(&swr, &out, fmt, outRate, &in, AV_SAMPLE_FMT_FLT, inRate, 0, nullptr) >= 0
            && ffmpegutil::setPlainMatrix(swr, m_inChannels, outChannels) && swr_init(swr) >= 0)
            m_swr.reset(swr);
        else
            swr_free(&swr);
        m_fifo.reset(av_audio_fifo_alloc(fmt, outChannels, int(kChunkFrames)));
    }

    bool valid() const { return m_swr && m_fifo; }
    AVAudioFifo* fifo() const { return m_fifo.get(); }
    bool atEnd() const { return m_flushed; }
    qint64 position() const { return m_pos; }

    // Converts the next chunk of the track (or flushes the resampler at the end) into the FIFO.
    bool pump(QString* error)
    {
        if (m_flushed)
            return true;
        const qint64 n = std::min(kChunkFrames, m_samples.frames() - m_pos);
        if (n > 0) {
            m_in.resize(size_t(n) * size_t(m_inChannels));
            if (!m_samples.read(m_pos, n, m_in.data())) {
                *error = QStringLiteral("cannot read the track's samples back from the temporary folder");
                return false;
            }
            m_pos += n;
        } else {
            m_flushed = true;
        }
        const uint8_t* in = reinterpret_cast<const uint8_t*>(m_in.data());
        const int room = swr_get_out_samples(m_swr.get(), int(std::max<qint64>(n, 0))) + 32;
        uint8_t** out = nullptr;
        if (av_samples_alloc_array_and_samples(&out, nullptr, m_outChannels, room, m_fmt, 0) < 0) {
            *error = QStringLiteral("out of memory");
            return false;
        }
        const int got = swr_convert(m_swr.get(), out, room, n > 0 ? &in : nullptr, int(std::max<qint64>(n, 0)));
        bool ok = got >= 0;
        if (ok && got > 0)
            ok = av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(out), got) == got;
        av_freep(&out[0]);
        av_freep(&out);
        if (!ok)
            *error = QStringLiteral("cannot convert the samples for the encoder");
        return ok;
    }

private:
    const SampleSequence& m_samples;
    int m_inChannels;
    AVSampleFormat m_fmt;
    int m_outChannels;
    std::unique_ptr<SwrContext, SwrFreer> m_swr;
    std::unique_ptr<AVAudioFifo, FifoFreer> m_fifo;
    std::vector<float> m_in;
    qint64 m_pos = 0;
    bool m_flushed = false;
};

bool report(const ProgressFunction& progress, qint64 done, qint64 total)
{
    return !progress || progress(done, total);
}

// Headerless formats coded here: 16-bit PCM, VOX, raw G.726.
AudioStatus writeDirect(const QString& tempPath, const QString& ext, const SampleSequence& samples, int rate,
                        const ProgressFunction& progress)
{
    const bool pcm = ext == QLatin1String("raw") || ext == QLatin1String("pcm");
    const bool vox = ext == QLatin1String("vox");
    const int outRate = pcm ? rate : 8000;
    const int outChannels = pcm ? samples.channels() : 1;
    Converter conv(samples, rate, AV_SAMPLE_FMT_S16, outRate, outChannels);
    if (!conv.valid())
        return AudioStatus::failure(QStringLiteral("cannot set up the sample conversion"));

    std::unique_ptr<AVCodecContext, CodecFreer> g726;
    if (!pcm && !vox) {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_ADPCM_G726);
        g726.reset(codec ? avcodec_alloc_context3(codec) : nullptr);
        if (!g726)
            return AudioStatus::unsupported(QStringLiteral("this FFmpeg has no G.726 encoder"));
        const int bits = ext == QLatin1String("g721") ? 4 : ext == QLatin1String("g723") ? 3 : 5;
        g726->sample_rate = 8000;
        g726->ch_layout = ffmpegutil::layoutFor(1);
        g726->sample_fmt = AV_SAMPLE_FMT_S16;
        g726->bit_rate = qint64(bits) * 8000;
        if (avcodec_open2(g726.get(), codec, nullptr) < 0)
            return AudioStatus::failure(QStringLiteral("cannot start the G.726 encoder"));
    }

    QFile out(tempPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return AudioStatus::failure(out.errorString());
    OkiAdpcmEncoder oki;
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    std::vector<qint16> buffer;
    QString error;
    const int frameSize = g726 && g726->frame_size > 0 ? g726->frame_size : 1024;

    const auto writeBytes = [&](const char* data, qint64 n) { return out.write(data, n) == n; };
    const auto drainPackets = [&]() -> bool {
        while (avcodec_receive_packet(g726.get(), packet.get()) >= 0) {
            const bool ok = writeBytes(reinterpret_cast<const char*>(packet->data), packet->size);
            av_packet_unref(packet.get());
            if (!ok)
                return false;
        }
        return true;
    };

    while (!conv.atEnd() || av_audio_fifo_size(conv.fifo()) > 0) {
        if (!conv.atEnd() && !conv.pump(&error))
            return AudioStatus::failure(error);
        while (av_audio_fifo_size(conv.fifo()) >= frameSize
               || (conv.atEnd() && av_audio_fifo_size(conv.fifo()) > 0)) {
            const int n = std::min(frameSize, av_audio_fifo_size(conv.fifo()));
            buffer.resize(size_t(n) * size_t(outChannels));
            void* planes[1] = {buffer.data()};
            av_audio_fifo_read(conv.fifo(), planes, n);
            bool ok = true;
            if (pcm) {
                ok = writeBytes(reinterpret_cast<const char*>(buffer.data()), qint64(buffer.size() * 2));
            } else if (vox) {
                const QByteArray bytes = oki.encode(buffer.data(), n);
                ok = writeBytes(bytes.constData(), bytes.size());
            } else {
                frame->nb_samples = n;
                frame->format = AV_SAMPLE_FMT_S16;
                frame->sample_rate = 8000;
                av_channel_layout_copy(&frame->ch_layout, &g726->ch_layout);
                frame->data[0] = reinterpret_cast<uint8_t*>(buffer.data());
                frame->linesize[0] = n * 2;
                frame->extended_data = frame->data;
                ok = avcodec_send_frame(g726.get(), frame.get()) >= 0 && drainPackets();
                frame->data[0] = nullptr;
            }
            if (!ok)
                return AudioStatus::failure(out.errorString());
        }
        if (!report(progress, conv.position(), samples.frames()))
            return AudioStatus::cancelled();
    }
    if (vox) {
        const QByteArray tail = oki.finish();
        if (!writeBytes(tail.constData(), tail.size()))
            return AudioStatus::failure(out.errorString());
    } else if (g726) {
        avcodec_send_frame(g726.get(), nullptr);
        if (!drainPackets())
            return AudioStatus::failure(out.errorString());
    }
    if (!out.flush())
        return AudioStatus::failure(out.errorString());
    out.close();
    return AudioStatus::success();
}

struct Target {
    const char* muxer;
    AVCodecID codec;
    const char* encoderName; // preferred encoder, nullptr for FFmpeg's default one
};

Target targetFor(const QString& ext)
{
    if (ext == QLatin1String("mp3"))
        return {"mp3", AV_CODEC_ID_MP3, "libmp3lame"};
    if (ext == QLatin1String("wav"))
        return {"wav", AV_CODEC_ID_PCM_S16LE, nullptr};
    if (ext == QLatin1String("mp2"))
        return {"mp2", AV_CODEC_ID_MP2, "mp2"};
    if (ext == QLatin1String("ogg"))
        return {"ogg", AV_CODEC_ID_VORBIS, "libvorbis"};
    return {"asf", AV_CODEC_ID_WMAV2, "wmav2"};
}

// The track's rate when the encoder takes it, else the next higher rate it has, else its highest.
int encoderRate(const AVCodec* codec, int rate)
{
    if (!codec->supported_samplerates)
        return rate;
    int above = 0, highest = 0;
    for (const int* r = codec->supported_samplerates; *r; ++r) {
        highest = std::max(highest, *r);
        if (*r >= rate && (!above || *r < above))
            above = *r;
    }
    return above ? above : highest;
}

// Floats when the encoder takes them (the track's own format: nothing to convert), else its first.
AVSampleFormat preferredFormat(const AVCodec* codec)
{
    if (!codec->sample_fmts)
        return AV_SAMPLE_FMT_S16;
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == AV_SAMPLE_FMT_FLTP || *f == AV_SAMPLE_FMT_FLT)
            return *f;
    }
    return codec->sample_fmts[0];
}

void setTags(AVDictionary** dict, const AudioTags& tags)
{
    const auto put = [dict](const char* key, const QString& value) {
        if (!value.isEmpty())
            av_dict_set(dict, key, value.toUtf8().constData(), 0);
    };
    put("title", tags.title);
    put("artist", tags.artist);
    put("album", tags.album);
    put("comment", tags.comment);
    if (tags.year > 0)
        put("date", QString::number(tags.year));
    if (tags.trackNumber > 0)
        put("track", QString::number(tags.trackNumber));
}

AudioStatus writeEncoded(const QString& tempPath, const QString& ext, const SampleSequence& samples, int rate,
                         const AudioTags& tags, const EncoderSettings& settings, const ProgressFunction& progress)
{
    const Target target = targetFor(ext);
    const AVCodec* codec = target.encoderName ? avcodec_find_encoder_by_name(target.encoderName) : nullptr;
    if (!codec)
        codec = avcodec_find_encoder(target.codec);
    if (!codec)
        return AudioStatus::unsupported(QStringLiteral("this FFmpeg has no encoder for .%1 files").arg(ext));

    AVFormatContext* rawFmt = nullptr;
    if (avformat_alloc_output_context2(&rawFmt, nullptr, target.muxer, nullptr) < 0 || !rawFmt)
        return AudioStatus::unsupported(QStringLiteral("this FFmpeg cannot write .%1 files").arg(ext));
    const auto closeFmt = [](AVFormatContext* c) {
        if (c->pb)
            avio_closep(&c->pb);
        avformat_free_context(c);
    };
    std::unique_ptr<AVFormatContext, decltype(closeFmt)> fmt(rawFmt, closeFmt);

    const int channels = std::clamp(std::min(samples.channels(), settings.maxChannels), 1, 2);
    std::unique_ptr<AVCodecContext, CodecFreer> enc(avcodec_alloc_context3(codec));
    enc->sample_rate = encoderRate(codec, rate);
    enc->ch_layout = ffmpegutil::layoutFor(channels);
    enc->sample_fmt = preferredFormat(codec);
    if (target.codec == AV_CODEC_ID_MP3 && settings.mp3VbrQuality >= 0) {
        enc->flags |= AV_CODEC_FLAG_QSCALE; // LAME's VBR at -V quality
        enc->global_quality = std::clamp(settings.mp3VbrQuality, 0, 9) * FF_QP2LAMBDA;
    } else if (target.codec == AV_CODEC_ID_MP3) {
        enc->bit_rate = qint64(settings.bitrateKbps) * 1000;
    } else if (target.codec == AV_CODEC_ID_VORBIS) {
        // Vorbis refuses many average bitrates at low rates or in mono; the quality scale works
        // everywhere. Quality 2 averages about 96 kbit/s for 44.1 kHz stereo, each step 16 more.
        enc->flags |= AV_CODEC_FLAG_QSCALE;
        enc->global_quality = int(std::clamp((settings.bitrateKbps - 64) / 16.0, 0.0, 10.0) * FF_QP2LAMBDA);
    }
    else if (target.codec == AV_CODEC_ID_MP2)
        enc->bit_rate = qint64(settings.mp2BitrateKbps) * 1000;
    else if (target.codec == AV_CODEC_ID_WMAV2)
        enc->bit_rate = settings.wmaBitrate;
    if (fmt->oformat->flags & AVFMT_GLOBALHEADER)
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int err = avcodec_open2(enc.get(), codec, nullptr);
    if (err < 0)
        return AudioStatus::failure(QStringLiteral("cannot start the %1 encoder (%2 Hz, %3 channels): %4")
                                        .arg(QString::fromLatin1(codec->name))
                                        .arg(enc->sample_rate)
                                        .arg(channels)
                                        .arg(errorText(err)));
    AVStream* stream = avformat_new_stream(fmt.get(), nullptr);
    if (!stream || avcodec_parameters_from_context(stream->codecpar, enc.get()) < 0)
        return AudioStatus::failure(QStringLiteral("cannot set up the output stream"));
    stream->time_base = AVRational{1, enc->sample_rate};
    setTags(&fmt->metadata, tags);

    AVDictionary* muxOptions = nullptr;
    if (target.codec == AV_CODEC_ID_MP3)
        av_dict_set(&muxOptions, "id3v2_version", "3", 0); // ID3v2.3: what most players read
    if ((err = avio_open(&fmt->pb, QFile::encodeName(tempPath).constData(), AVIO_FLAG_WRITE)) < 0
        || (err = avformat_write_header(fmt.get(), &muxOptions)) < 0) {
        av_dict_free(&muxOptions);
        return AudioStatus::failure(errorText(err));
    }
    av_dict_free(&muxOptions);

    Converter conv(samples, rate, enc->sample_fmt, enc->sample_rate, channels);
    if (!conv.valid())
        return AudioStatus::failure(QStringLiteral("cannot set up the sample conversion"));
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, FrameFreer> frame(av_frame_alloc());
    const bool variable = codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
    const int frameSize = enc->frame_size > 0 && !variable ? enc->frame_size : 4096;
    qint64 pts = 0;
    QString error;

    const auto drain = [&]() -> int {
        int e;
        while ((e = avcodec_receive_packet(enc.get(), packet.get())) >= 0) {
            av_packet_rescale_ts(packet.get(), enc->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if ((e = av_interleaved_write_frame(fmt.get(), packet.get())) < 0)
                return e;
        }
        return (e == AVERROR(EAGAIN) || e == AVERROR_EOF) ? 0 : e;
    };

    while (!conv.atEnd() || av_audio_fifo_size(conv.fifo()) > 0) {
        if (!conv.atEnd() && !conv.pump(&error))
            return AudioStatus::failure(error);
        while (av_audio_fifo_size(conv.fifo()) >= frameSize
               || (conv.atEnd() && av_audio_fifo_size(conv.fifo()) > 0)) {
            const int n = std::min(frameSize, av_audio_fifo_size(conv.fifo()));
            av_frame_unref(frame.get());
            frame->nb_samples = frameSize > n && !variable ? frameSize : n; // the last frame padded
            frame->format = enc->sample_fmt;
            frame->sample_rate = enc->sample_rate;
            av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
            if (av_frame_get_buffer(frame.get(), 0) < 0)
                return AudioStatus::failure(QStringLiteral("out of memory"));
            av_samples_set_silence(frame->extended_data, 0, frame->nb_samples, channels, enc->sample_fmt);
            av_audio_fifo_read(conv.fifo(), reinterpret_cast<void**>(frame->extended_data), n);
            if (frame->nb_samples > n && codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME)
                frame->nb_samples = n;
            frame->pts = pts;
            pts += frame->nb_samples;
            if ((err = avcodec_send_frame(enc.get(), frame.get())) < 0 || (err = drain()) < 0)
                return AudioStatus::failure(QStringLiteral("encoding failed: %1").arg(errorText(err)));
        }
        if (!report(progress, conv.position(), samples.frames()))
            return AudioStatus::cancelled();
    }
    avcodec_send_frame(enc.get(), nullptr);
    if ((err = drain()) < 0 || (err = av_write_trailer(fmt.get())) < 0)
        return AudioStatus::failure(QStringLiteral("writing failed: %1").arg(errorText(err)));
    if ((err = avio_closep(&fmt->pb)) < 0)
        return AudioStatus::failure(QStringLiteral("writing failed: %1").arg(errorText(err)));
    return AudioStatus::success();
}

} // namespace

AudioStatus AudioFileWriter::write(const QString& path, const SampleSequence& samples, int sampleRate,
                                   const AudioTags& tags, const EncoderSettings& settings,
                                   const ProgressFunction& progress)
{
    ffmpegutil::quietLogs();
    const QString ext = audioformats::extensionOf(path);
    if (!audioformats::canSave(path))
        return AudioStatus::unsupported(
            QStringLiteral("cannot save as \"%1\": the name must end in .mp3, .wav, .mp2, .ogg, .g721, .g723, "
                           ".g726, .vox, .raw, .pcm or .wma")
                .arg(QFileInfo(path).fileName()));
    if (sampleRate <= 0 || samples.channels() <= 0)
        return AudioStatus::failure(QStringLiteral("the track has no valid format"));

    // A symbolic link keeps pointing at the saved file: the file it names is the one replaced.
    const QFileInfo named(path);
    const QString finalPath = named.isSymLink() ? named.symLinkTarget() : path;
    const QFileInfo target(finalPath);
    QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.") + target.fileName()
                        + QStringLiteral(".XXXXXX.part"));
    if (!temp.open())
        return AudioStatus::failure(
            QStringLiteral("cannot write in \"%1\": %2").arg(target.absolutePath(), temp.errorString()));
    const QString tempPath = temp.fileName();
    temp.close();

    const bool direct = ext == QLatin1String("raw") || ext == QLatin1String("pcm") || ext == QLatin1String("vox")
                        || ext.startsWith(QLatin1String("g72"));
    AudioStatus status = direct ? writeDirect(tempPath, ext, samples, sampleRate, progress)
                                : writeEncoded(tempPath, ext, samples, sampleRate, tags, settings, progress);
    if (!status.ok()) {
        if (status.code == AudioStatus::Failed)
            status.message = QStringLiteral("cannot save \"%1\": %2").arg(target.fileName(), status.message);
        return status; // the temporary file goes with `temp`
    }
    // Keep the permissions an existing file had; new files get the usual ones.
    const QFile::Permissions perms = target.exists() ? QFile::permissions(finalPath)
                                                     : (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                                        | QFile::ReadOther);
    QFile::setPermissions(tempPath, perms);
    if (std::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(finalPath).constData()) != 0)
        return AudioStatus::failure(QStringLiteral("cannot replace \"%1\": %2").arg(finalPath, QString::fromLocal8Bit(strerror(errno))));
    temp.setAutoRemove(false);
    return AudioStatus::success();
}

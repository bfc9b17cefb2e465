#include "audio/FileStreams.h"

#include "audio/AudioDecoder.h"

namespace {
// The output device runs at this rate and channel count (it is opened so at start-up).
constexpr int kOutputRate = 44100;
constexpr int kOutputChannels = 2;
} // namespace

struct FileStreams::Stream {
    QString path;
    std::unique_ptr<AudioDecoder> decoder;
    std::unique_ptr<AudioOutputStream> output;
};

FileStreams::FileStreams(AudioSystem& audio, QObject* parent) : QObject(parent), m_audio(audio)
{
    connect(&m_tick, &QTimer::timeout, this, &FileStreams::tick);
}

FileStreams::~FileStreams() = default;

quint32 FileStreams::StreamCreateFile(const QString& path)
{
    auto decoder = std::make_unique<AudioDecoder>();
    AudioDecodeOptions options;
    options.targetRate = kOutputRate;
    options.targetChannels = kOutputChannels;
    if (path.isEmpty() || !decoder->open(path, options).ok())
        return 0;
    auto stream = std::make_shared<Stream>();
    stream->path = path;
    stream->decoder = std::move(decoder);
    const quint32 handle = m_nextHandle++;
    m_streams.insert(handle, stream);
    return handle;
}

bool FileStreams::ChannelPlay(quint32 handle, bool restart)
{
    const std::shared_ptr<Stream> s = m_streams.value(handle);
    if (!s)
        return false;
    if (s->output && !restart)
        return true;
    if (s->output)
        s->output->stop();
    s->output.reset();
    if (restart || !s->decoder) {
        // From the start again: the file is opened anew.
        s->decoder = std::make_unique<AudioDecoder>();
        AudioDecodeOptions options;
        options.targetRate = kOutputRate;
        options.targetChannels = kOutputChannels;
        if (!s->decoder->open(s->path, options).ok()) {
            s->decoder.reset();
            return false;
        }
    }
    AudioStreamSpec spec;
    spec.sampleRate = kOutputRate;
    spec.channels = kOutputChannels;
    spec.buffering = m_buffering;
    s->output = m_audio.openOutput(spec);
    if (!s->output)
        return false;
    AudioDecoder* decoder = s->decoder.get();
    AudioSystem* audio = &m_audio;
    const bool started = s->output->start([decoder, audio](float* out, qint64 frames) {
        const qint64 n = decoder->read(out, frames);
        audiosamples::scale(out, size_t(n) * kOutputChannels, audio->volume() / 100.0f);
        return n;
    });
    if (!started) {
        s->output.reset();
        return false;
    }
    if (!m_tick.isActive())
        m_tick.start(100);
    return true;
}

bool FileStreams::ChannelStop(quint32 handle)
{
    const std::shared_ptr<Stream> s = m_streams.value(handle);
    if (!s || !s->output)
        return false;
    s->output->stop();
    s->output.reset();
    return true;
}

bool FileStreams::ChannelIsActive(quint32 handle) const
{
    const std::shared_ptr<Stream> s = m_streams.value(handle);
    return s && s->output && !s->output->isFinished();
}

void FileStreams::StreamFree(quint32 handle)
{
    m_streams.remove(handle);
}

int FileStreams::activeCount() const
{
    int n = 0;
    for (const auto& s : m_streams)
        n += s->output && !s->output->isFinished() ? 1 : 0;
    return n;
}

void FileStreams::tick()
{
    bool playing = false;
    for (const auto& s : std::as_const(m_streams)) {
        if (s->output && s->output->isFinished()) {
            // At its end a stream gives the device and the decoder back; its handle stays valid.
            s->output.reset();
            s->decoder.reset();
        }
        playing = playing || s->output;
    }
    if (!playing)
        m_tick.stop();
}

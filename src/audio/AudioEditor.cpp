#include "audio/AudioEditor.h"

#include "audio/AudioFileReader.h"
#include "audio/AudioFileWriter.h"
#include "audio/SampleProcessor.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr qint64 kChunkFrames = 32768;
}

AudioEditor::AudioEditor(QObject* parent) : QObject(parent) {}

AudioEditor::~AudioEditor() = default;

// --- track

void AudioEditor::NewTrack(int sampleRate, int channels)
{
    m_samples = SampleSequence(std::clamp(channels, 1, 8));
    m_rate = std::max(1, sampleRate);
    m_undo.clear();
    m_redo.clear();
    m_cursor = m_selStart = m_selLength = 0;
    m_tags = AudioTags();
    m_openedFormat.clear();
    m_open = true;
    setChapterMarks({});
    emit trackChanged();
    announceSelection();
}

void AudioEditor::setRawFormat(int sampleRate, int channels)
{
    m_rawRate = std::max(1, sampleRate);
    m_rawChannels = std::clamp(channels, 1, 2);
}

AudioStatus AudioEditor::OpenTrack(const QString& path)
{
    AudioFileReader::Options options;
    options.rawSampleRate = m_rawRate;
    options.rawChannels = m_rawChannels;
    AudioFileReader::Result r = AudioFileReader::read(path, m_store, options,
                                                      [this](qint64 d, qint64 t) { return reportProgress(d, t); });
    if (!r.status.ok())
        return r.status;
    m_samples = r.samples;
    m_rate = r.sampleRate;
    m_tags = r.tags;
    m_openedFormat = r.format;
    setChapterMarks({});
    m_undo.clear();
    m_redo.clear();
    m_cursor = m_selStart = m_selLength = 0;
    m_open = true;
    emit trackChanged();
    announceSelection();
    return AudioStatus::success();
}

AudioStatus AudioEditor::SaveTrack(const QString& path, bool flag, int option)
{
    Q_UNUSED(flag)
    Q_UNUSED(option)
    return AudioFileWriter::write(path, m_samples, m_rate, m_tags, m_encoder,
                                  [this](qint64 d, qint64 t) { return reportProgress(d, t); });
}

AudioStatus AudioEditor::insertSamples(qint64 at, const float* interleaved, qint64 count)
{
    if (!m_open)
        return AudioStatus::failure(QStringLiteral("no track"));
    SequenceBuilder builder(m_store, channels());
    builder.append(interleaved, count);
    const SampleSequence part = builder.finish();
    if (builder.failed())
        return AudioStatus::failure(builder.error());
    at = std::clamp<qint64>(at, 0, frames());
    SampleSequence next = m_samples;
    next.insert(at, part);
    commit(next, at, part.frames());
    return AudioStatus::success();
}

bool AudioEditor::startRecording(qint64 at)
{
    if (!m_open || m_recording)
        return false;
    m_recording = std::make_unique<SequenceBuilder>(m_store, channels());
    m_recordAt = std::clamp<qint64>(at, 0, frames());
    m_recordedFrames = 0;
    m_recordBase = m_samples;
    return true;
}

AudioStatus AudioEditor::recordFrames(const float* interleaved, qint64 count)
{
    if (!m_recording)
        return AudioStatus::failure(QStringLiteral("no recording is running"));
    if (!m_recording->append(interleaved, count))
        return AudioStatus::failure(m_recording->error());
    m_recordedFrames += count;
    m_samples = m_recordBase;
    m_samples.insert(m_recordAt, m_recording->preview());
    emit trackChanged();
    return AudioStatus::success();
}

AudioStatus AudioEditor::finishRecording()
{
    if (!m_recording)
        return AudioStatus::failure(QStringLiteral("no recording is running"));
    std::unique_ptr<SequenceBuilder> builder = std::move(m_recording);
    // What was stored before a failure is kept: a recording is never thrown away whole.
    const SampleSequence part = builder->finish();
    m_samples = m_recordBase;
    m_recordBase = SampleSequence(m_samples.channels());
    if (part.frames() > 0) {
        SampleSequence next = m_samples;
        next.insert(m_recordAt, part);
        commit(next, m_recordAt, part.frames());
    } else {
        emit trackChanged();
    }
    return builder->failed() ? AudioStatus::failure(builder->error()) : AudioStatus::success();
}

void AudioEditor::CloseTrack()
{
    m_recording.reset();
    m_recordBase = SampleSequence(m_samples.channels());
    m_samples = SampleSequence(m_samples.channels());
    m_clipboard = SampleSequence(m_samples.channels());
    m_undo.clear();
    m_redo.clear();
    m_cursor = m_selStart = m_selLength = 0;
    m_open = false;
    setChapterMarks({});
    // Every block is gone now, so the spill folder goes with the store's state.
    m_store.release();
    emit trackChanged();
    announceSelection();
}

void AudioEditor::setTempFolder(const QString& folder)
{
    m_store.setTempFolder(folder);
    if (!folder.isEmpty())
        BlockStore::removeLeftovers(folder);
}

QString AudioEditor::TempFolder() const { return m_store.tempFolder(); }

// --- cursor and selection

void AudioEditor::setCursor(qint64 frame)
{
    m_cursor = std::clamp<qint64>(frame, 0, frames());
    emit position(int(std::min<qint64>(m_cursor, INT_MAX)));
}

void AudioEditor::setSelection(qint64 start, qint64 length)
{
    m_selStart = std::clamp<qint64>(start, 0, frames());
    m_selLength = std::clamp<qint64>(length, 0, frames() - m_selStart);
    m_cursor = m_selStart;
    announceSelection();
}

void AudioEditor::selectAll() { setSelection(0, frames()); }

void AudioEditor::clearSelection()
{
    m_selLength = 0;
    announceSelection();
}

void AudioEditor::announceSelection()
{
    if (m_selStart == m_announcedStart && m_selLength == m_announcedLength)
        return;
    m_announcedStart = m_selStart;
    m_announcedLength = m_selLength;
    emit selectionChanged(m_selStart, m_selLength);
}

void AudioEditor::effectRange(qint64* start, qint64* length) const
{
    if (hasSelection()) {
        *start = m_selStart;
        *length = m_selLength;
    } else {
        *start = 0;
        *length = frames();
    }
}

// --- history

AudioEditor::State AudioEditor::state() const
{
    return {m_samples, m_rate, m_cursor, m_selStart, m_selLength};
}

void AudioEditor::restore(const State& s)
{
    m_samples = s.samples;
    m_rate = s.rate;
    m_cursor = s.cursor;
    m_selStart = s.selStart;
    m_selLength = s.selLength;
    emit trackChanged();
    announceSelection();
}

void AudioEditor::commit(const SampleSequence& samples, qint64 selStart, qint64 selLength)
{
    if (m_undoDepth > 0) {
        m_undo.push_back(state());
        while (int(m_undo.size()) > m_undoDepth)
            m_undo.pop_front();
    }
    m_redo.clear();
    m_samples = samples;
    m_selStart = std::clamp<qint64>(selStart, 0, frames());
    m_selLength = std::clamp<qint64>(selLength, 0, frames() - m_selStart);
    m_cursor = m_selStart;
    emit trackChanged();
    announceSelection();
}

bool AudioEditor::Undo()
{
    if (m_undo.empty())
        return false;
    m_redo.push_back(state());
    const State s = m_undo.back();
    m_undo.pop_back();
    restore(s);
    return true;
}

bool AudioEditor::Redo()
{
    if (m_redo.empty())
        return false;
    m_undo.push_back(state());
    const State s = m_redo.back();
    m_redo.pop_back();
    restore(s);
    return true;
}

void AudioEditor::setUndoDepth(int depth)
{
    m_undoDepth = std::max(0, depth);
    while (int(m_undo.size()) > m_undoDepth)
        m_undo.pop_front();
    if (m_undoDepth == 0)
        m_redo.clear();
}

bool AudioEditor::reportProgress(qint64 done, qint64 total)
{
    const int percent = total > 0 ? int(std::clamp<qint64>(done * 100 / total, 0, 100)) : 0;
    if (percent != m_lastLevel) {
        m_lastLevel = percent;
        emit level(percent);
    }
    emit progress(done, total);
    return !m_progressHandler || m_progressHandler(done, total);
}

// --- clipboard

bool AudioEditor::Copy()
{
    if (!hasSelection())
        return false;
    m_clipboard = m_samples.slice(m_selStart, m_selLength);
    return true;
}

bool AudioEditor::Cut()
{
    if (!Copy())
        return false;
    SampleSequence next = m_samples;
    next.remove(m_selStart, m_selLength);
    commit(next, m_selStart, 0);
    return true;
}

SampleSequence AudioEditor::adaptChannels(const SampleSequence& in, int channels, bool* ok)
{
    *ok = true;
    if (in.channels() == channels)
        return in;
    // Mono spreads to every channel; more channels fold down to their average.
    SequenceBuilder builder(m_store, channels);
    std::vector<float> src, dst;
    for (qint64 pos = 0; pos < in.frames(); pos += kChunkFrames) {
        const qint64 n = std::min(kChunkFrames, in.frames() - pos);
        src.resize(size_t(n) * size_t(in.channels()));
        if (!in.read(pos, n, src.data())) {
            *ok = false;
            return SampleSequence(channels);
        }
        dst.assign(size_t(n) * size_t(channels), 0.0f);
        const int inCh = in.channels();
        for (qint64 i = 0; i < n; ++i) {
            const float* from = &src[size_t(i) * size_t(inCh)];
            float average = 0.0f;
            for (int c = 0; c < inCh; ++c)
                average += from[c] / float(inCh);
            for (int c = 0; c < channels; ++c)
                dst[size_t(i) * size_t(channels) + size_t(c)] = (inCh > 1 && channels > 1 && c < inCh) ? from[c] : average;
        }
        if (!builder.append(dst.data(), n)) {
            *ok = false;
            return SampleSequence(channels);
        }
    }
    SampleSequence out = builder.finish();
    *ok = !builder.failed();
    return out;
}

bool AudioEditor::Paste()
{
    if (m_clipboard.frames() == 0 || !m_open)
        return false;
    bool ok = true;
    const SampleSequence clip = adaptChannels(m_clipboard, channels(), &ok);
    if (!ok)
        return false;
    SampleSequence next = m_samples;
    const qint64 at = hasSelection() ? m_selStart : m_cursor;
    next.replace(at, hasSelection() ? m_selLength : 0, clip);
    commit(next, at, clip.frames());
    return true;
}

namespace {

// out = a * track + b * other over other's length from `at`; past the track's end the other part
// alone (at b) extends the track.
SampleSequence mixInto(BlockStore& store, const SampleSequence& track, const SampleSequence& other, qint64 at,
                       double a, double b, const std::function<bool(qint64, qint64)>& progress, AudioStatus* status)
{
    const int ch = track.channels();
    const qint64 overlap = std::max<qint64>(0, std::min(other.frames(), track.frames() - at));
    SequenceBuilder builder(store, ch);
    std::vector<float> x, y;
    for (qint64 pos = 0; pos < other.frames(); pos += kChunkFrames) {
        const qint64 n = std::min(kChunkFrames, other.frames() - pos);
        y.resize(size_t(n) * size_t(ch));
        if (!other.read(pos, n, y.data())) {
            *status = AudioStatus::failure(QStringLiteral("cannot read samples back from the temporary folder"));
            return track;
        }
        const qint64 inTrack = std::clamp<qint64>(overlap - pos, 0, n);
        x.assign(size_t(n) * size_t(ch), 0.0f);
        if (inTrack > 0 && !track.read(at + pos, inTrack, x.data())) {
            *status = AudioStatus::failure(QStringLiteral("cannot read samples back from the temporary folder"));
            return track;
        }
        for (size_t i = 0; i < y.size(); ++i)
            y[i] = float(a * x[i] + b * y[i]);
        if (!builder.append(y.data(), n)) {
            *status = AudioStatus::failure(builder.error());
            return track;
        }
        if (progress && !progress(pos + n, other.frames())) {
            *status = AudioStatus::cancelled();
            return track;
        }
    }
    SampleSequence mixed = builder.finish();
    if (builder.failed()) {
        *status = AudioStatus::failure(builder.error());
        return track;
    }
    SampleSequence next = track;
    next.replace(at, overlap, mixed);
    *status = AudioStatus::success();
    return next;
}

} // namespace

AudioStatus AudioEditor::MixPaste(float trackPercent, float clipPercent)
{
    if (m_clipboard.frames() == 0)
        return AudioStatus::failure(QStringLiteral("the clipboard is empty"));
    bool ok = true;
    const SampleSequence clip = adaptChannels(m_clipboard, channels(), &ok);
    if (!ok)
        return AudioStatus::failure(QStringLiteral("cannot read the clipboard"));
    const qint64 at = hasSelection() ? m_selStart : m_cursor;
    AudioStatus status;
    const SampleSequence next = mixInto(m_store, m_samples, clip, at, trackPercent / 100.0, clipPercent / 100.0,
                                        [this](qint64 d, qint64 t) { return reportProgress(d, t); }, &status);
    if (status.ok())
        commit(next, at, clip.frames());
    return status;
}

AudioStatus AudioEditor::MixFromFile(qint16 levelPercent, const QString& path, qint16 positionMs)
{
    AudioFileReader::Options options;
    options.rawSampleRate = m_rawRate;
    options.rawChannels = m_rawChannels;
    options.targetRate = m_rate;
    options.targetChannels = channels();
    const AudioFileReader::Result r = AudioFileReader::read(
        path, m_store, options, [this](qint64 d, qint64 t) { return reportProgress(d, t); });
    if (!r.status.ok())
        return r.status;
    const qint64 at = positionMs < 0 ? (hasSelection() ? m_selStart : m_cursor)
                                     : std::min<qint64>(frames(), qint64(positionMs) * m_rate / 1000);
    AudioStatus status;
    const SampleSequence next = mixInto(m_store, m_samples, r.samples, at, 1.0, levelPercent / 100.0,
                                        [this](qint64 d, qint64 t) { return reportProgress(d, t); }, &status);
    if (status.ok())
        commit(next, at, r.samples.frames());
    return status;
}

// --- effects that keep the length

AudioStatus AudioEditor::applyProcessor(SampleProcessor& processor)
{
    qint64 start = 0, length = 0;
    effectRange(&start, &length);
    if (length == 0)
        return AudioStatus::failure(QStringLiteral("the track is empty"));
    SequenceBuilder builder(m_store, channels());
    std::vector<float> buffer;
    for (qint64 pos = 0; pos < length; pos += kChunkFrames) {
        const qint64 n = std::min(kChunkFrames, length - pos);
        buffer.resize(size_t(n) * size_t(channels()));
        if (!m_samples.read(start + pos, n, buffer.data()))
            return AudioStatus::failure(QStringLiteral("cannot read samples back from the temporary folder"));
        processor.process(buffer.data(), n);
        if (!builder.append(buffer.data(), n))
            return AudioStatus::failure(builder.error());
        if (!reportProgress(pos + n, length))
            return AudioStatus::cancelled();
    }
    const SampleSequence processed = builder.finish();
    if (builder.failed())
        return AudioStatus::failure(builder.error());
    SampleSequence next = m_samples;
    next.replace(start, length, processed);
    commit(next, m_selStart, m_selLength);
    return AudioStatus::success();
}

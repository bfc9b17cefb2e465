#include "audio/PublishingExport.h"

#include "audio/AudioFileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cstdio>

namespace {

// Progress over the phases: measuring (when needed), loudness (two passes at most), encoding.
class Phases {
public:
    Phases(const ProgressFunction& progress, qint64 frames, bool measure, bool normalize)
        : m_progress(progress), m_frames(std::max<qint64>(1, frames))
    {
        m_total = m_frames * ((measure ? 1 : 0) + (normalize ? 2 : 0) + 2);
    }
    // A progress function for a phase that counts its own work up to its own total, weighted as
    // `weight` passes over the track.
    ProgressFunction phase(int weight)
    {
        const qint64 base = m_base;
        m_base += m_frames * weight;
        return [this, base, weight](qint64 done, qint64 total) {
            const qint64 scaled = total > 0 ? qint64(double(done) / double(total) * double(m_frames * weight)) : 0;
            return !m_progress || m_progress(base + scaled, m_total);
        };
    }

private:
    const ProgressFunction& m_progress;
    qint64 m_frames;
    qint64 m_total = 0;
    qint64 m_base = 0;
};

// The average of the channels, so mono is measured and limited as it will be written.
SampleSequence downmix(const SampleSequence& in, BlockStore& store, AudioStatus* status)
{
    constexpr qint64 kChunk = 32768;
    const int ch = in.channels();
    SequenceBuilder builder(store, 1);
    std::vector<float> buffer, mono;
    for (qint64 pos = 0; pos < in.frames(); pos += kChunk) {
        const qint64 n = std::min(kChunk, in.frames() - pos);
        buffer.resize(size_t(n) * size_t(ch));
        if (!in.read(pos, n, buffer.data())) {
            *status = AudioStatus::failure(QStringLiteral("cannot read samples back from the temporary folder"));
            return SampleSequence(1);
        }
        mono.assign(size_t(n), 0.0f);
        for (qint64 i = 0; i < n; ++i)
            for (int c = 0; c < ch; ++c)
                mono[size_t(i)] += buffer[size_t(i) * size_t(ch) + size_t(c)] / float(ch);
        builder.append(mono.data(), n);
    }
    SampleSequence out = builder.finish();
    if (builder.failed())
        *status = AudioStatus::failure(builder.error());
    return out;
}

} // namespace

PublishingExport::Result PublishingExport::run(const QString& mp3Path, const SampleSequence& samples, int sampleRate,
                                               BlockStore& store, const PublishOptions& options,
                                               const LoudnessReport* measured, const ProgressFunction& progress)
{
    Result result;
    if (samples.frames() == 0) {
        result.status = AudioStatus::failure(QStringLiteral("the track is empty"));
        return result;
    }
    SampleSequence source = samples;
    if (options.encoder.maxChannels == 1 && samples.channels() > 1) {
        source = downmix(samples, store, &result.status);
        measured = nullptr; // that was the loudness of the channels, not of their mix
        if (!result.status.ok())
            return result;
    }
    Phases phases(progress, source.frames(), options.normalize && !measured, options.normalize);
    SampleSequence finished = source;
    if (options.normalize) {
        result.before = measured ? *measured
                                 : LoudnessMeter::measure(source, 0, source.frames(), sampleRate, phases.phase(1));
        if (!result.before.measurable()) {
            result.status = result.before.status.ok() ? AudioStatus::failure(result.before.problem()) : result.before.status;
            return result;
        }
        result.loudness = LoudnessNormalizer::run(source, sampleRate, store, result.before, options.targetLufs,
                                                  options.ceilingDbtp, phases.phase(2), kMp3HeadroomDb);
        if (!result.loudness.status.ok()) {
            result.status = result.loudness.status;
            return result;
        }
        finished = result.loudness.samples;
    }

    const QFileInfo target(mp3Path);
    QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.") + target.completeBaseName()
                        + QStringLiteral(".XXXXXX.mp3"));
    if (!temp.open()) {
        result.status = AudioStatus::failure(
            QStringLiteral("cannot write in \"%1\": %2").arg(target.absolutePath(), temp.errorString()));
        return result;
    }
    temp.close();
    AudioStatus s = AudioFileWriter::write(temp.fileName(), finished, sampleRate, options.tags.fields,
                                           options.encoder, phases.phase(2));
    result.seconds = double(finished.frames()) / sampleRate;
    if (s.ok())
        s = PodcastTagWriter::write(temp.fileName(), options.tags, result.seconds);
    if (!s.ok()) {
        result.status = s;
        return result;
    }

    if (options.writeChaptersFile && !options.tags.chapters.empty()) {
        result.chaptersFile = chaptermarks::jsonPathFor(mp3Path);
        QSaveFile json(result.chaptersFile);
        if (!json.open(QIODevice::WriteOnly) || json.write(chaptermarks::toJson(options.tags.chapters)) < 0
            || !json.commit()) {
            result.status = AudioStatus::failure(
                QStringLiteral("cannot write the chapters file \"%1\": %2").arg(result.chaptersFile, json.errorString()));
            return result;
        }
    }
    QFile::setPermissions(temp.fileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (std::rename(QFile::encodeName(temp.fileName()).constData(), QFile::encodeName(mp3Path).constData()) != 0) {
        result.status = AudioStatus::failure(QStringLiteral("cannot replace \"%1\"").arg(mp3Path));
        return result;
    }
    temp.setAutoRemove(false);
    result.bytes = QFileInfo(mp3Path).size();
    if (progress)
        progress(1, 1);
    return result;
}

#include "cli/AudioMasterCommands.h"

#include "audio/AudioFileReader.h"
#include "audio/PublishingExport.h"
#include "cli/CliRegistry.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>
#include <memory>

namespace audiomaster {

const char kUsage[] =
    "       velmora-cli audio loudness FILE [--json]\n"
    "       velmora-cli audio master IN OUT.mp3 [--target LUFS] [--ceiling DBTP] [--bitrate KBPS | --vbr 0-9]\n"
    "           [--mono] [--title T] [--artist A] [--album A] [--year Y] [--track N] [--comment C]\n"
    "           [--genre G] [--cover IMG] [--chapter \"HH:MM:SS Title\"]... [--chapters FILE.json]\n"
    "           [--id3v2 3|4] [--json]\n\n"
    "loudness measures FILE after EBU R128: integrated loudness (LUFS), loudness range (LU), true\n"
    "peak (dBTP, 4x oversampled) and sample peak (dBFS).\n"
    "master brings IN to the target loudness (default -16 LUFS, -19 with --mono) with one gain, keeps\n"
    "the true peak at or below the ceiling (default -1 dBTP) with a limiter, and writes an MP3 (default\n"
    "128 kbit/s) with ID3v2 tags (genre \"Podcast\" unless --genre), the cover and the chapters; with\n"
    "chapters, OUT.chapters.json (Podcasting 2.0) goes beside it.\n";

namespace {

// Memory the decoded track may take before its blocks go to the temporary folder.
constexpr qint64 kMemoryBudget = qint64(192) * 1024 * 1024;

QJsonValue level(double v)
{
    // JSON has no infinity: silence has no level.
    return std::isfinite(v) ? QJsonValue(std::round(v * 100.0) / 100.0) : QJsonValue(QJsonValue::Null);
}

QJsonObject toJson(const LoudnessReport& r)
{
    return {{QStringLiteral("integrated"), level(r.integrated)},
            {QStringLiteral("range"), level(r.range)},
            {QStringLiteral("truePeak"), level(r.truePeak)},
            {QStringLiteral("samplePeak"), level(r.samplePeak)}};
}

QString toText(const LoudnessReport& r)
{
    return QStringLiteral("Integrated loudness: %1 LUFS\nLoudness range: %2 LU\nTrue peak: %3 dBTP\nSample peak: %4 dBFS")
        .arg(r.integrated, 0, 'f', 1)
        .arg(r.range, 0, 'f', 1)
        .arg(r.truePeak, 0, 'f', 1)
        .arg(r.samplePeak, 0, 'f', 1);
}

ProgressFunction terminalProgress(const char* what)
{
    if (!stderrIsTerminal())
        return {};
    auto last = std::make_shared<int>(-1);
    return [what, last](qint64 done, qint64 total) {
        const int percent = total > 0 ? int(std::min<qint64>(100, done * 100 / total)) : 0;
        if (percent != *last) {
            *last = percent;
            std::fprintf(stderr, "\r%s %3d %%%s", what, percent, percent >= 100 ? "\n" : "");
            std::fflush(stderr);
        }
        return true;
    };
}

struct Decoded {
    AudioFileReader::Result file;
    LoudnessReport loudness;
};

// Decodes a file once into blocks, measuring it on the way.
Decoded decode(const QString& path, BlockStore& store, int channels)
{
    Decoded d;
    std::unique_ptr<LoudnessMeter> meter;
    AudioFileReader::Options options;
    if (channels > 0)
        options.targetChannels = channels;
    d.file = AudioFileReader::read(path, store, options, terminalProgress("reading"),
                                   [&](const float* frames, qint64 count, int rate, int ch) {
                                       if (!meter)
                                           meter = std::make_unique<LoudnessMeter>(ch, rate);
                                       return meter->add(frames, count);
                                   });
    d.loudness = meter ? meter->report() : LoudnessMeter(1, 44100).report();
    return d;
}

bool number(const QStringList& args, int i, double* out)
{
    bool ok = false;
    if (i < args.size())
        *out = args[i].toDouble(&ok);
    return ok && std::isfinite(*out);
}

} // namespace

int runLoudness(const QStringList& args)
{
    QStringList files = args;
    const bool json = files.removeAll(QStringLiteral("--json")) > 0;
    if (files.size() != 1 || files[0].startsWith(QLatin1String("--")))
        return cliError(cli_exit::kBadArguments, QStringLiteral("audio loudness takes one file (and --json)"));
    BlockStore store;
    store.setMemoryBudget(kMemoryBudget);
    const Decoded d = decode(files[0], store, 0);
    if (!d.file.status.ok())
        return cliError(cli_exit::kFailed, d.file.status.message);
    if (!d.loudness.measurable())
        return cliError(cli_exit::kFailed, QStringLiteral("%1: %2").arg(files[0], d.loudness.problem()));
    cliPrint(json ? QString::fromUtf8(QJsonDocument(toJson(d.loudness)).toJson(QJsonDocument::Indented)).trimmed()
                  : toText(d.loudness));
    return cli_exit::kDone;
}

int runMaster(const QStringList& args)
{
    QStringList files;
    PublishOptions options;
    options.encoder = EncoderSettings(128, 32000, 160, 2);
    double target = NAN;
    bool json = false;
    QString coverPath;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&](QString* out) {
            if (i + 1 >= args.size())
                return false;
            *out = args[++i];
            return true;
        };
        double v = 0;
        QString text;
        if (a == QLatin1String("--target") || a == QLatin1String("--ceiling") || a == QLatin1String("--bitrate")
            || a == QLatin1String("--vbr") || a == QLatin1String("--year") || a == QLatin1String("--track")
            || a == QLatin1String("--id3v2")) {
            if (!number(args, ++i, &v))
                return cliError(cli_exit::kBadArguments, QStringLiteral("%1 needs a number").arg(a));
            if (a == QLatin1String("--target"))
                target = v;
            else if (a == QLatin1String("--ceiling"))
                options.ceilingDbtp = v;
            else if (a == QLatin1String("--bitrate") && v >= 8 && v <= 320)
                options.encoder.bitrateKbps = int(v);
            else if (a == QLatin1String("--vbr") && v >= 0 && v <= 9)
                options.encoder.mp3VbrQuality = int(v);
            else if (a == QLatin1String("--year"))
                options.tags.fields.year = qint32(v);
            else if (a == QLatin1String("--track"))
                options.tags.fields.trackNumber = qint16(v);
            else if (a == QLatin1String("--id3v2") && (v == 3 || v == 4))
                options.tags.id3Version = int(v);
            else
                return cliError(cli_exit::kBadArguments, QStringLiteral("%1 %2 is out of range").arg(a, args[i]));
        } else if (a == QLatin1String("--mono")) {
            options.encoder.maxChannels = 1;
        } else if (a == QLatin1String("--json")) {
            json = true;
        } else if (a == QLatin1String("--title") || a == QLatin1String("--artist") || a == QLatin1String("--album")
                   || a == QLatin1String("--comment") || a == QLatin1String("--genre") || a == QLatin1String("--cover")
                   || a == QLatin1String("--chapter") || a == QLatin1String("--chapters")) {
            if (!value(&text))
                return cliError(cli_exit::kBadArguments, QStringLiteral("%1 needs a value").arg(a));
            AudioTags& f = options.tags.fields;
            QString error;
            if (a == QLatin1String("--title"))
                f.title = text;
            else if (a == QLatin1String("--artist"))
                f.artist = text;
            else if (a == QLatin1String("--album"))
                f.album = text;
            else if (a == QLatin1String("--comment"))
                f.comment = text;
            else if (a == QLatin1String("--genre"))
                options.tags.genre = text;
            else if (a == QLatin1String("--cover"))
                coverPath = text;
            else if (a == QLatin1String("--chapter")) {
                ChapterMark mark;
                if (!chaptermarks::parse(text, &mark, &error))
                    return cliError(cli_exit::kBadArguments, error);
                options.tags.chapters.push_back(mark);
            } else {
                QFile file(text);
                std::vector<ChapterMark> marks;
                if (!file.open(QIODevice::ReadOnly))
                    return cliError(cli_exit::kFailed, QStringLiteral("cannot read %1: %2").arg(text, file.errorString()));
                if (!chaptermarks::fromJson(file.readAll(), &marks, &error))
                    return cliError(cli_exit::kBadArguments, QStringLiteral("%1: %2").arg(text, error));
                options.tags.chapters.insert(options.tags.chapters.end(), marks.begin(), marks.end());
            }
        } else if (a.startsWith(QLatin1String("--"))) {
            return cliError(cli_exit::kBadArguments, QStringLiteral("unknown option \"%1\"").arg(a));
        } else {
            files << a;
        }
    }
    if (files.size() != 2)
        return cliError(cli_exit::kBadArguments, QStringLiteral("audio master takes IN and OUT.mp3"));
    if (!files[1].endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive))
        return cliError(cli_exit::kBadArguments, QStringLiteral("the output of audio master is an .mp3 file"));
    if (!coverPath.isEmpty()) {
        QFile cover(coverPath);
        if (!cover.open(QIODevice::ReadOnly))
            return cliError(cli_exit::kFailed, QStringLiteral("cannot read %1: %2").arg(coverPath, cover.errorString()));
        options.tags.cover = cover.readAll();
        if (PodcastTagWriter::pictureType(options.tags.cover).isEmpty())
            return cliError(cli_exit::kBadArguments, QStringLiteral("%1 is neither a JPEG nor a PNG picture").arg(coverPath));
    }
    chaptermarks::sort(&options.tags.chapters);
    const bool mono = options.encoder.maxChannels == 1;
    options.targetLufs = std::isnan(target) ? loudnesspresets::forChannels(mono ? 1 : 2) : target;

    BlockStore store;
    store.setMemoryBudget(kMemoryBudget);
    // Mono is measured as it is written: the downmix, not the two channels.
    const Decoded d = decode(files[0], store, mono ? 1 : 0);
    if (!d.file.status.ok())
        return cliError(cli_exit::kFailed, d.file.status.message);
    if (!d.loudness.measurable())
        return cliError(cli_exit::kFailed, QStringLiteral("%1: %2").arg(files[0], d.loudness.problem()));
    const double seconds = double(d.file.samples.frames()) / d.file.sampleRate;
    for (const ChapterMark& m : options.tags.chapters) {
        if (m.seconds >= seconds)
            return cliError(cli_exit::kBadArguments, QStringLiteral("the chapter \"%1\" at %2 lies past the end (%3)")
                                                         .arg(m.title, chaptermarks::formatTime(m.seconds),
                                                              chaptermarks::formatTime(seconds)));
    }
    const PublishingExport::Result r = PublishingExport::run(files[1], d.file.samples, d.file.sampleRate, store,
                                                             options, &d.loudness, terminalProgress("mastering"));
    if (!r.status.ok())
        return cliError(cli_exit::kFailed, r.status.message);
    if (json) {
        QJsonObject o{{QStringLiteral("before"), toJson(r.before)},
                      {QStringLiteral("after"), toJson(r.loudness.after)},
                      {QStringLiteral("gain"), level(r.loudness.gainDb)},
                      {QStringLiteral("limitedSeconds"), level(double(r.loudness.limitedFrames) / d.file.sampleRate)},
                      {QStringLiteral("bytes"), r.bytes},
                      {QStringLiteral("seconds"), level(r.seconds)}};
        if (!r.chaptersFile.isEmpty())
            o.insert(QStringLiteral("chaptersFile"), r.chaptersFile);
        cliPrint(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented)).trimmed());
    } else {
        cliPrint(QStringLiteral("before:\n%1\ngain: %2 dB, limited %3 s\nafter (before encoding):\n%4")
                     .arg(toText(r.before))
                     .arg(r.loudness.gainDb, 0, 'f', 1)
                     .arg(double(r.loudness.limitedFrames) / d.file.sampleRate, 0, 'f', 1)
                     .arg(toText(r.loudness.after)));
    }
    return cli_exit::kDone;
}

} // namespace audiomaster

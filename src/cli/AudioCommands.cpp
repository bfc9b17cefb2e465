#include "audio/AudioEditor.h"
#include "audio/EncoderSettings.h"
#include "audio/TrackCommands.h"
#include "cli/AudioMasterCommands.h"
#include "cli/CliRegistry.h"
#include "cli/HelperCommands.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

// "velmora-cli audio": file information, conversion and the track editor's effects.
namespace {

const char kUsage[] =
    "Usage: velmora-cli audio info FILE\n"
    "       velmora-cli audio convert IN OUT\n"
    "       velmora-cli audio apply IN OUT EFFECT [--from SECONDS] [--to SECONDS]\n%2\n"
    "info prints the format, sample rate, channels, frames, seconds and tags as JSON.\n"
    "convert writes IN in the format of OUT's extension (.mp3 .wav .mp2 .ogg .g721 .g723 .g726\n"
    ".vox .raw .pcm .wma), tags kept.\n"
    "apply runs one track command on IN and writes OUT. EFFECT is one of:\n  %1\n"
    "--from/--to limit it to a span (--from alone runs to the end); m_silence_insert puts its\n"
    "half second in at --from (default the start).\n\n"
    "Exit codes: 0 done, 1 failed (IN unreadable, OUT's extension not one of the list, OUT not\n"
    "written), 2 bad arguments.";

int failed(const AudioStatus& status)
{
    return cliError(cli_exit::kFailed, status.message);
}

void attachProgress(AudioEditor& editor, const char* what)
{
    if (!stderrIsTerminal())
        return;
    QObject::connect(&editor, &AudioEditor::level, &editor, [what](int percent) {
        std::fprintf(stderr, "\r%s %3d %%", what, percent);
        if (percent >= 100)
            std::fputc('\n', stderr);
        std::fflush(stderr);
    });
}

AudioStatus open(AudioEditor& editor, const QString& path)
{
    attachProgress(editor, "reading");
    const AudioStatus s = editor.OpenTrack(path);
    QObject::disconnect(&editor, &AudioEditor::level, nullptr, nullptr);
    return s;
}

AudioStatus save(AudioEditor& editor, const QString& path)
{
    attachProgress(editor, "writing");
    editor.setEncoderSettings(EncoderSettings(96, 32000, 160, 2));
    const AudioStatus s = editor.SaveTrack(path, false, 0);
    QObject::disconnect(&editor, &AudioEditor::level, nullptr, nullptr);
    return s;
}

int runInfo(const QStringList& args)
{
    if (args.size() != 1)
        return cliError(cli_exit::kBadArguments, QStringLiteral("audio info takes one file"));
    AudioEditor editor;
    const AudioStatus s = open(editor, args[0]);
    if (!s.ok())
        return failed(s);
    // Built by hand so the keys keep the documented order.
    const auto text = [](const QString& v) {
        const QByteArray a = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
        return QString::fromUtf8(a.mid(1, a.size() - 2));
    };
    const AudioTags t = editor.tags();
    const QString json =
        QStringLiteral("{\n  \"format\": %1,\n  \"sampleRate\": %2,\n  \"channels\": %3,\n  \"frames\": %4,\n"
                       "  \"seconds\": %5,\n  \"tags\": {\n    \"title\": %6,\n    \"artist\": %7,\n"
                       "    \"album\": %8,\n    \"year\": %9,\n    \"track\": %10,\n    \"comment\": %11\n  }\n}")
            .arg(text(editor.openedFormat()))
            .arg(editor.sampleRate())
            .arg(editor.channels())
            .arg(editor.frames())
            .arg(QString::number(editor.seconds(), 'g', 12))
            .arg(text(t.title), text(t.artist), text(t.album))
            .arg(t.year)
            .arg(t.trackNumber)
            .arg(text(t.comment));
    cliPrint(json);
    return cli_exit::kDone;
}

int runConvert(const QStringList& args)
{
    if (args.size() != 2)
        return cliError(cli_exit::kBadArguments, QStringLiteral("audio convert takes IN and OUT"));
    AudioEditor editor;
    AudioStatus s = open(editor, args[0]);
    if (s.ok())
        s = save(editor, args[1]);
    return s.ok() ? cli_exit::kDone : failed(s);
}

bool parseSeconds(const QString& text, double* out)
{
    bool ok = false;
    *out = text.toDouble(&ok);
    return ok && *out >= 0;
}

int runApply(const QStringList& args)
{
    QStringList words;
    double from = -1, to = -1;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--from") || a == QLatin1String("--to")) {
            double v = 0;
            if (i + 1 >= args.size() || !parseSeconds(args[i + 1], &v))
                return cliError(cli_exit::kBadArguments, QStringLiteral("%1 needs a number of seconds").arg(a));
            (a == QLatin1String("--from") ? from : to) = v;
            ++i;
        } else if (a.startsWith(QLatin1String("--"))) {
            return cliError(cli_exit::kBadArguments, QStringLiteral("unknown option \"%1\"").arg(a));
        } else {
            words << a;
        }
    }
    if (words.size() != 3)
        return cliError(cli_exit::kBadArguments, QStringLiteral("audio apply takes IN OUT EFFECT"));
    const QString effect = words[2];
    if (!trackcommands::isEffectCommand(effect))
        return cliError(cli_exit::kBadArguments, QStringLiteral("unknown effect \"%1\"").arg(effect));
    if (from >= 0 && to >= 0 && to <= from)
        return cliError(cli_exit::kBadArguments, QStringLiteral("--to must come after --from"));

    AudioEditor editor;
    AudioStatus s = open(editor, words[0]);
    if (!s.ok())
        return failed(s);
    const qint64 start = from >= 0 ? qint64(from * editor.sampleRate() + 0.5) : 0;
    const qint64 end = to >= 0 ? qint64(to * editor.sampleRate() + 0.5) : editor.frames();
    if (start > editor.frames())
        return cliError(cli_exit::kBadArguments, QStringLiteral("--from lies past the end (%1 s)").arg(editor.seconds()));
    if (effect == QLatin1String("m_silence_insert"))
        editor.setCursor(start);
    else if (from >= 0 || to >= 0)
        editor.setSelection(start, std::min(end, editor.frames()) - start);
    attachProgress(editor, qPrintable(effect));
    s = trackcommands::run(editor, effect);
    QObject::disconnect(&editor, &AudioEditor::level, nullptr, nullptr);
    if (s.ok())
        s = save(editor, words[1]);
    return s.ok() ? cli_exit::kDone : failed(s);
}

int runAudio(const QStringList& args)
{
    if (args.isEmpty() || args.contains(QLatin1String("--help"))) {
        cliPrint(QString::fromLatin1(kUsage).arg(trackcommands::effectCommands().join(QLatin1Char(' ')),
                                                 QString::fromLatin1(audiomaster::kUsage)));
        return args.isEmpty() ? cli_exit::kBadArguments : cli_exit::kDone;
    }
    const QString sub = args[0];
    const QStringList rest = args.mid(1);
    if (sub == QLatin1String("info"))
        return runInfo(rest);
    if (sub == QLatin1String("convert"))
        return runConvert(rest);
    if (sub == QLatin1String("apply"))
        return runApply(rest);
    if (sub == QLatin1String("loudness"))
        return audiomaster::runLoudness(rest);
    if (sub == QLatin1String("master"))
        return audiomaster::runMaster(rest);
    return cliError(cli_exit::kBadArguments, QStringLiteral("unknown audio command \"%1\"").arg(sub));
}

const CliRegistrar registrar("audio", cli_helpers::kAudioSummary, runAudio);

} // namespace

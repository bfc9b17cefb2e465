#include "audio/TrackCommands.h"

#include "audio/AudioEditor.h"

namespace trackcommands {

QStringList effectCommands()
{
    return {QStringLiteral("m_silence_insert"), QStringLiteral("m_silence_remove"), QStringLiteral("m_amp_plus"),
            QStringLiteral("m_amp_minus"),      QStringLiteral("m_fade_plus"),      QStringLiteral("m_fade_minus"),
            QStringLiteral("m_norm"),           QStringLiteral("m_invert"),         QStringLiteral("m_flanger"),
            QStringLiteral("m_delay"),          QStringLiteral("m_vibrato"),        QStringLiteral("m_stretch_plus"),
            QStringLiteral("m_stretch_minus"),  QStringLiteral("m_band_pass"),      QStringLiteral("m_low_pass"),
            QStringLiteral("m_high_pass"),      QStringLiteral("m_low_shelf"),      QStringLiteral("m_high_shelf")};
}

bool isEffectCommand(const QString& name)
{
    return effectCommands().contains(name);
}

float commandFrequency(const QString& name, int sampleRate)
{
    const double r = sampleRate;
    if (name == QLatin1String("m_band_pass"))
        return float(r / 200);
    if (name == QLatin1String("m_low_pass"))
        return float(r / 100);
    if (name == QLatin1String("m_high_pass") || name == QLatin1String("m_high_shelf"))
        return float(r / 50);
    if (name == QLatin1String("m_low_shelf"))
        return float(r / 400);
    return 0.0f;
}

AudioStatus run(AudioEditor& editor, const QString& name)
{
    const auto flag = [](bool done) {
        return done ? AudioStatus::success() : AudioStatus::failure(QStringLiteral("nothing to do"));
    };
    const float f = commandFrequency(name, editor.sampleRate());
    if (name == QLatin1String("m_undo"))
        return flag(editor.Undo());
    if (name == QLatin1String("m_redo"))
        return flag(editor.Redo());
    if (name == QLatin1String("m_copy"))
        return flag(editor.Copy());
    if (name == QLatin1String("m_cut"))
        return flag(editor.Cut());
    if (name == QLatin1String("m_paste"))
        return flag(editor.Paste());
    if (name == QLatin1String("m_mix"))
        return editor.MixPaste(50.0f, 50.0f);
    if (name == QLatin1String("m_silence_insert"))
        return editor.insertSilence(qint32(500));
    if (name == QLatin1String("m_silence_remove"))
        return editor.removeSilence(40.0f, 1.0f, 10.0f);
    if (name == QLatin1String("m_amp_plus"))
        return editor.amplify(120.0f);
    if (name == QLatin1String("m_amp_minus"))
        return editor.amplify(80.0f);
    if (name == QLatin1String("m_fade_plus"))
        return editor.fade(0.0f, 100.0f);
    if (name == QLatin1String("m_fade_minus"))
        return editor.fade(100.0f, 0.0f);
    if (name == QLatin1String("m_norm"))
        return editor.normalize(90.0f, true);
    if (name == QLatin1String("m_invert"))
        return editor.invert();
    if (name == QLatin1String("m_flanger"))
        return editor.flanger(50.0f, 30.0f, 10.0f, 50.0f, 5.0f, 0);
    if (name == QLatin1String("m_delay"))
        return editor.delay(120.0f, 85.0f, 10.0f);
    if (name == QLatin1String("m_vibrato"))
        return editor.vibrato(25.0f, 3.0f, 0);
    if (name == QLatin1String("m_stretch_plus"))
        return editor.stretch(120.0f);
    if (name == QLatin1String("m_stretch_minus"))
        return editor.stretch(80.0f);
    if (name == QLatin1String("m_band_pass"))
        return editor.bandPass(f, 100.0f);
    if (name == QLatin1String("m_low_pass"))
        return editor.lowPass(f, 50.0f);
    if (name == QLatin1String("m_high_pass"))
        return editor.highPass(f, 100.0f);
    if (name == QLatin1String("m_low_shelf"))
        return editor.lowShelf(f, -10.0f, 100.0f);
    if (name == QLatin1String("m_high_shelf"))
        return editor.highShelf(f, -10.0f, 100.0f);
    return AudioStatus::unsupported(QStringLiteral("unknown track command \"%1\"").arg(name));
}

} // namespace trackcommands

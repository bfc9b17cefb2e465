#include "app/OptionsForm.h"

#include "store/Settings.h"

#include <algorithm>

const QStringList& OptionsForm::encoderNames()
{
    static const QStringList names{QStringLiteral("WAV"), QStringLiteral("MP3"), QStringLiteral("OGG")};
    return names;
}

const QStringList& OptionsForm::sampleRates()
{
    static const QStringList rates{QStringLiteral("48000"), QStringLiteral("44100"), QStringLiteral("32000"),
                                   QStringLiteral("24000"), QStringLiteral("22050"), QStringLiteral("16000"),
                                   QStringLiteral("12000"), QStringLiteral("11025"), QStringLiteral("8000")};
    return rates;
}

const QStringList& OptionsForm::bitrates()
{
    static const QStringList rates{QStringLiteral("320"), QStringLiteral("256"), QStringLiteral("224"),
                                   QStringLiteral("192"), QStringLiteral("160"), QStringLiteral("128"),
                                   QStringLiteral("112"), QStringLiteral("96"),  QStringLiteral("80"),
                                   QStringLiteral("64"),  QStringLiteral("56"),  QStringLiteral("48"),
                                   QStringLiteral("32"),  QStringLiteral("16"),  QStringLiteral("8")};
    return rates;
}

QString OptionsForm::templateDialogTitle()
{
    return QStringLiteral("Open Template");
}

QList<FileFilter> OptionsForm::templateFilters()
{
    return {FileFilter{QStringLiteral("RSS or XML file"), QStringLiteral("*.rss;*.xml")},
            FileFilter{QStringLiteral("All files"), QStringLiteral("*.*")}};
}

QString OptionsForm::helpPage()
{
    return QStringLiteral("program_settings.htm");
}

int OptionsForm::indexOfValue(const QStringList& list, qint32 value)
{
    return static_cast<int>(list.indexOf(QString::number(value)));
}

qint32 OptionsForm::valueAt(const QStringList& list, int index)
{
    if (index < 0 || index >= list.size())
        return 0;
    return list.at(index).toInt();
}

void OptionsForm::fill(const Settings& s)
{
    autoSave = s.autoSave;
    createBackup = s.createBackup;
    savePassword = s.savePassword;
    saveLog = s.saveLog;
    useTemplate = s.useTemplate;
    templates = s.templates;
    volMic = std::clamp<qint32>(s.pVolMic, kVolMicMinimum, kVolMicMaximum);
    samplesIndex = indexOfValue(sampleRates(), s.encoderSamples);
    bitrateIndex = indexOfValue(bitrates(), s.encoderBitrate);
    encoderIndex = s.encoder >= 0 && s.encoder < encoderNames().size() ? s.encoder : -1;
    stereo = s.pMonoStereo != 0;
}

void OptionsForm::store(Settings& s) const
{
    s.autoSave = autoSave;
    s.createBackup = createBackup;
    s.savePassword = savePassword;
    s.saveLog = saveLog;
    s.useTemplate = useTemplate;
    s.templates = templates;
    s.pVolMic = volMic;
    // A stored encoder the list does not offer is kept: the list cannot be cleared by the user,
    // so nothing selected means nothing was chosen.
    if (encoderIndex >= 0 && encoderIndex < encoderNames().size())
        s.encoder = encoderIndex;
    s.encoderSamples = valueAt(sampleRates(), samplesIndex);
    s.encoderBitrate = valueAt(bitrates(), bitrateIndex);
    // The recorder takes exactly 1 as stereo, so that is what stereo is written as.
    s.pMonoStereo = stereo ? 1 : 0;
}

bool OptionsForm::browseTemplate(Prompts& prompts)
{
    const FileDialogResult chosen = prompts.openFile(templateDialogTitle(), templateFilters(), templates);
    if (!chosen.accepted())
        return false;
    templates = chosen.path;
    return true;
}

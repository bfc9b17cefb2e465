#include "app/AudioSettingsForm.h"

#include "app/RecordingDefaults.h"
#include "audio/RecordingDevice.h"
#include "common/Prompts.h"
#include "store/Settings.h"

namespace {

void storeNumber(const QString& text, qint32& target)
{
    if (const auto value = recordingdefaults::wholeNumber(text, INT32_MIN, INT32_MAX))
        target = qint32(*value);
}

} // namespace

AudioSettingsForm::AudioSettingsForm(RecordingDevice& device) : m_device(device) {}

void AudioSettingsForm::fill(const Settings& s)
{
    m_device.refresh();
    m_device.selectDevice(s.recDevice);
    m_device.selectLine(s.recLine);
    m_device.setLevel(s.pVolMic);
    m_savedDevice = m_device.device();
    m_savedLine = m_device.line();
    m_savedLevel = m_device.level();
    bufPar1 = QString::number(s.bufPar1);
    bufPar2 = QString::number(s.bufPar2);
    bufPar3 = QString::number(s.bufPar3);
    tempDir = s.tempDir;
    undoRedo = QString::number(s.undoRedo);
    defTrack = s.defTrack;
    defTitle = s.defTitle;
    defArtist = s.defArtist;
    defAlbum = s.defAlbum;
    defYear = s.defYear;
    defComment = s.defComment;
}

QStringList AudioSettingsForm::deviceRows() const
{
    return QStringList{QStringLiteral("Default")} + m_device.deviceNames();
}

int AudioSettingsForm::deviceRow() const { return m_device.device() + 1; }

void AudioSettingsForm::chooseDevice(int row)
{
    m_device.selectDevice(row - 1);
    m_device.selectLine(-1);
}

QStringList AudioSettingsForm::lineRows() const
{
    return QStringList{QStringLiteral("Default")} + m_device.lineNames();
}

int AudioSettingsForm::lineRow() const { return m_device.line() + 1; }

void AudioSettingsForm::chooseLine(int row) { m_device.selectLine(row - 1); }

int AudioSettingsForm::level() const { return m_device.level(); }

void AudioSettingsForm::setLevel(int level) { m_device.setLevel(level); }

bool AudioSettingsForm::browseTempDir(Prompts& prompts)
{
    const QString chosen = prompts.chooseFolder(folderDialogTitle(), tempDir);
    if (chosen.isEmpty())
        return false;
    tempDir = chosen;
    return true;
}

void AudioSettingsForm::store(Settings& s) const
{
    s.recDevice = m_device.device();
    s.recLine = m_device.line();
    s.pVolMic = m_device.level();
    storeNumber(bufPar1, s.bufPar1);
    storeNumber(bufPar2, s.bufPar2);
    storeNumber(bufPar3, s.bufPar3);
    s.tempDir = tempDir;
    storeNumber(undoRedo, s.undoRedo);
    s.defTrack = defTrack;
    s.defTitle = defTitle;
    s.defArtist = defArtist;
    s.defAlbum = defAlbum;
    s.defYear = defYear;
    s.defComment = defComment;
}

void AudioSettingsForm::cancel()
{
    m_device.selectDevice(m_savedDevice);
    m_device.selectLine(m_savedLine);
    m_device.setLevel(m_savedLevel);
}

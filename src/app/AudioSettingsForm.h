#pragma once

#include <QString>
#include <QStringList>

class Prompts;
class RecordingDevice;
struct Settings;

// What the "Audio settings" dialog shows and edits, apart from its widgets. The device, line and
// level act on the recording device object as the user picks them (so the level of each line can
// be heard and seen); cancel() puts the object back as it was. In the lists, row 0 "Default"
// stands for the stored -1; the other rows are the devices and lines in order.
class AudioSettingsForm {
public:
    explicit AudioSettingsForm(RecordingDevice& device);

    static QString title() { return QStringLiteral("Audio settings"); }
    static QString folderDialogTitle() { return QStringLiteral("Temporary directory"); }

    // Takes the stored values; the device object is set to the stored device, line and level.
    void fill(const Settings& settings);

    QStringList deviceRows() const;
    int deviceRow() const;
    // Selects the device on the object; the line goes back to the default one.
    void chooseDevice(int row);
    QStringList lineRows() const;
    int lineRow() const;
    // Selects the line; level() is then that line's level.
    void chooseLine(int row);
    int level() const;
    // The slider was released: the level of the selected line.
    void setLevel(int level);

    // The folder chooser; a chosen folder replaces tempDir. Returns whether one was chosen.
    bool browseTempDir(Prompts& prompts);

    // OK: every field into the settings; a buffer value or undo count that is not a whole number
    // keeps the stored one. The tags are kept as typed (they are read when a recording ends).
    void store(Settings& settings) const;
    // Cancel: the device object as fill() found it.
    void cancel();

    QString bufPar1, bufPar2, bufPar3; // total buffer (ms), buffers, tick (ms)
    QString tempDir;
    QString undoRedo;
    QString defTrack, defTitle, defArtist, defAlbum, defYear, defComment;

private:
    RecordingDevice& m_device;
    int m_savedDevice = -1, m_savedLine = -1, m_savedLevel = 0;
};

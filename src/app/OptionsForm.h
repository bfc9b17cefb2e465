#pragma once

#include "common/Prompts.h"

#include <QList>
#include <QString>
#include <QStringList>

struct Settings;

// What the preferences dialog shows and edits, apart from its widgets: filled from the
// program-wide settings when the dialog opens and stored back only when the user accepts.
// List positions count from 0; -1 means nothing is selected.
class OptionsForm {
public:
    // Range of the microphone level slider; the first-start level is its top.
    static constexpr int kVolMicMinimum = 0;
    static constexpr int kVolMicMaximum = 65535;

    // The encoder, sample rate and bit rate lists, in the order they are offered.
    static const QStringList& encoderNames();
    static const QStringList& sampleRates();
    static const QStringList& bitrates();

    // The "Browse..." file dialog and the dialog's help page.
    static QString templateDialogTitle();
    static QList<FileFilter> templateFilters();
    static QString helpPage();

    // Position of the entry whose text is `value` in decimal; -1 when no entry matches.
    static int indexOfValue(const QStringList& list, qint32 value);
    // Numeric value of the entry at `index`; 0 when nothing is selected.
    static qint32 valueAt(const QStringList& list, int index);

    void fill(const Settings& settings);
    void store(Settings& settings) const;

    // The template path and its "Browse..." button are usable only while the template is used.
    bool templateFieldsEnabled() const { return useTemplate; }

    // Asks for a template feed file; a chosen name replaces `templates`. Returns whether one
    // was chosen.
    bool browseTemplate(Prompts& prompts);

    bool autoSave = false;
    bool createBackup = false;
    bool savePassword = false;
    bool saveLog = false;
    bool useTemplate = false;
    QString templates;
    int volMic = kVolMicMaximum;
    int encoderIndex = -1;
    int samplesIndex = -1;
    int bitrateIndex = -1;
    bool stereo = false;
};

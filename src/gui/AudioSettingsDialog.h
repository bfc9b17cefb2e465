#pragma once

#include "app/AudioSettingsForm.h"

#include <QDialog>

#include <functional>

class Prompts;
class QComboBox;
class QLineEdit;
class QSlider;
class QTabWidget;
struct Settings;

// "Audio settings": the recording device, line and level; the buffers, the temporary directory
// and the undo count; the default tags of a new recording, on three tab pages. OK stores every
// field into the settings and has the owner apply them; Cancel changes nothing.
class AudioSettingsDialog : public QDialog {
    Q_OBJECT
public:
    AudioSettingsDialog(RecordingDevice& device, Settings& settings, Prompts& prompts, QWidget* parent = nullptr);

    // Runs after OK has stored the settings: the owner applies them to the audio component.
    std::function<void()> onApplied;

    void accept() override;
    void reject() override;

private:
    QWidget* buildDevicesPage();
    QWidget* buildBuffersPage();
    QWidget* buildTagsPage();
    void showLines();
    void browse();

    Settings& m_settings;
    Prompts& m_prompts;
    AudioSettingsForm m_form;
    QTabWidget* m_tabs = nullptr;
    QComboBox* m_device = nullptr;
    QComboBox* m_line = nullptr;
    QSlider* m_level = nullptr;
    QLineEdit* m_bufPar1 = nullptr;
    QLineEdit* m_bufPar2 = nullptr;
    QLineEdit* m_bufPar3 = nullptr;
    QLineEdit* m_tempDir = nullptr;
    QLineEdit* m_undoRedo = nullptr;
    QLineEdit* m_tags[6] = {}; // track, title, artist, album, year, comment
};

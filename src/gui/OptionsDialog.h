#pragma once

#include "app/OptionsForm.h"

#include <QDialog>

#include <functional>

class Prompts;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
struct Settings;

// "Preferences": the program-wide options on two tabs, "General" and "Audio". OK stores every
// control into the settings held in memory; Cancel stores nothing. Nothing is written to disk here.
class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    OptionsDialog(Settings& settings, Prompts& prompts, QWidget* parent = nullptr);

    // Opens a help page by its file name; F1 and the "Help" button call it.
    std::function<void(const QString& page)> onHelp;

    void accept() override;

private:
    QWidget* buildGeneralPanel();
    QWidget* buildAudioPanel();
    void showForm();
    void readForm();
    void applyTemplateState();
    void browse();
    void help();

    Settings& m_settings;
    Prompts& m_prompts;
    OptionsForm m_form;

    QTabWidget* m_tabs = nullptr;
    QCheckBox* m_autoSave = nullptr;     // Check1
    QCheckBox* m_useTemplate = nullptr;  // Check2
    QCheckBox* m_savePassword = nullptr; // Check3
    QCheckBox* m_saveLog = nullptr;      // Check4
    QCheckBox* m_createBackup = nullptr; // Check5
    QLineEdit* m_template = nullptr;     // Text1
    QPushButton* m_browse = nullptr;     // Command3
    QSlider* m_volMic = nullptr;         // Slider1
    QComboBox* m_encoder = nullptr;      // Combo1
    QComboBox* m_samples = nullptr;      // Combo2
    QComboBox* m_bitrate = nullptr;      // Combo3
    QRadioButton* m_mono = nullptr;      // Option1
    QRadioButton* m_stereo = nullptr;    // Option2
};

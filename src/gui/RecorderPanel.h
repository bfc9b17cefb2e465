#pragma once

#include "app/RecorderPanelLogic.h"

#include <QGroupBox>

class QLabel;
class QProgressBar;
class QSlider;

// The recorder panel: "Record", "Play" and "Stop" of the MP3 recorder, its input level, and the
// volume slider of the program's playback.
class RecorderPanel : public QGroupBox {
    Q_OBJECT
public:
    RecorderPanel(PanelRecorder& recorder, AudioSystem& audio, const Settings& settings, Prompts& prompts,
                  QWidget* parent = nullptr);

private:
    void refresh();

    PanelRecorder& m_recorder;
    RecorderPanelLogic m_logic;
    QSlider* m_volume = nullptr;
    QProgressBar* m_level = nullptr;
    QLabel* m_status = nullptr;
};

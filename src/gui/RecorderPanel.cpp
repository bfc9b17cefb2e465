#include "gui/RecorderPanel.h"

#include "audio/PanelRecorder.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

RecorderPanel::RecorderPanel(PanelRecorder& recorder, AudioSystem& audio, const Settings& settings, Prompts& prompts,
                             QWidget* parent)
    : QGroupBox(QStringLiteral("Recorder"), parent), m_recorder(recorder), m_logic(recorder, audio, settings, prompts)
{
    setObjectName(QStringLiteral("RecorderPanel"));
    auto* layout = new QGridLayout(this);
    const auto button = [this](const QString& text, const char* name, const QString& icon) {
        auto* b = new QPushButton(QIcon::fromTheme(icon), text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    auto* record = button(QStringLiteral("Record"), "Record", QStringLiteral("media-record"));
    auto* play = button(QStringLiteral("Play"), "Play", QStringLiteral("media-playback-start"));
    auto* stop = button(QStringLiteral("Stop"), "Stop", QStringLiteral("media-playback-stop"));
    layout->addWidget(record, 0, 0);
    layout->addWidget(play, 0, 1);
    layout->addWidget(stop, 0, 2);

    m_level = new QProgressBar(this);
    m_level->setObjectName(QStringLiteral("InputLevel"));
    m_level->setRange(0, 100);
    m_level->setTextVisible(false);
    m_level->setMaximumHeight(8);
    layout->addWidget(m_level, 1, 0, 1, 3);

    layout->addWidget(new QLabel(QStringLiteral("Volume:"), this), 2, 0);
    m_volume = new QSlider(Qt::Horizontal, this);
    m_volume->setObjectName(QStringLiteral("Volume"));
    m_volume->setRange(0, 100);
    m_volume->setValue(m_logic.volume());
    layout->addWidget(m_volume, 2, 1, 1, 2);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("RecorderStatus"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status, 3, 0, 1, 3);

    connect(record, &QPushButton::clicked, this, [this] {
        m_logic.record();
        refresh();
    });
    connect(play, &QPushButton::clicked, this, [this] { m_logic.play(); });
    connect(stop, &QPushButton::clicked, this, [this] {
        m_logic.stop();
        refresh();
    });
    connect(m_volume, &QSlider::valueChanged, this, [this](int value) { m_logic.setVolume(value); });
    connect(&recorder, &PanelRecorder::levels, this, [this](int l, int r) { m_level->setValue((l + r) / 2); });
    connect(&recorder, &PanelRecorder::encoded, this, [this](bool ok) {
        m_logic.encoded(ok);
        refresh();
    });
}

void RecorderPanel::refresh()
{
    m_status->setText(m_logic.statusText());
}

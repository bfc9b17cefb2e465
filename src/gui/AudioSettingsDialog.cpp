#include "gui/AudioSettingsDialog.h"

#include "audio/RecordingDevice.h"
#include "store/Settings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template <typename T>
T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLineEdit* numberField(QWidget* parent, const char* name)
{
    auto* field = named(new QLineEdit(parent), name);
    field->setMaximumWidth(70);
    return field;
}

} // namespace

AudioSettingsDialog::AudioSettingsDialog(RecordingDevice& device, Settings& settings, Prompts& prompts,
                                         QWidget* parent)
    : QDialog(parent), m_settings(settings), m_prompts(prompts), m_form(device)
{
    setWindowTitle(AudioSettingsForm::title());
    setModal(true);
    m_form.fill(settings);

    auto* layout = new QVBoxLayout(this);
    m_tabs = named(new QTabWidget(this), "TabStrip1");
    m_tabs->addTab(buildDevicesPage(), QStringLiteral("Devices"));
    m_tabs->addTab(buildBuffersPage(), QStringLiteral("Buffers and folders"));
    m_tabs->addTab(buildTagsPage(), QStringLiteral("Tags"));
    layout->addWidget(m_tabs);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &AudioSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &AudioSettingsDialog::reject);
    layout->addWidget(buttons);
    m_tabs->setCurrentIndex(0);
    resize(460, sizeHint().height());
}

QWidget* AudioSettingsDialog::buildDevicesPage()
{
    auto* page = named(new QWidget, "Devices");
    auto* form = new QFormLayout(page);
    m_device = named(new QComboBox(page), "Device");
    m_device->addItems(m_form.deviceRows());
    m_device->setCurrentIndex(m_form.deviceRow());
    form->addRow(QStringLiteral("Device:"), m_device);
    m_line = named(new QComboBox(page), "Line");
    form->addRow(QStringLiteral("Line:"), m_line);
    m_level = named(new QSlider(Qt::Horizontal, page), "Level");
    m_level->setRange(0, RecordingDevice::kMaxLevel);
    m_level->setSingleStep(1024);
    m_level->setPageStep(8192);
    m_level->setTickInterval(8192);
    m_level->setTickPosition(QSlider::TicksBelow);
    form->addRow(QStringLiteral("Level:"), m_level);
    showLines();

    connect(m_device, &QComboBox::activated, this, [this](int row) {
        m_form.chooseDevice(row);
        showLines();
    });
    connect(m_line, &QComboBox::activated, this, [this](int row) {
        m_form.chooseLine(row);
        m_level->setValue(m_form.level());
    });
    connect(m_level, &QSlider::sliderReleased, this, [this] { m_form.setLevel(m_level->value()); });
    // Keys and clicks beside the handle move it without a release.
    connect(m_level, &QSlider::valueChanged, this, [this](int value) {
        if (!m_level->isSliderDown())
            m_form.setLevel(value);
    });
    return page;
}

void AudioSettingsDialog::showLines()
{
    const QSignalBlocker block(m_level);
    m_line->clear();
    m_line->addItems(m_form.lineRows());
    m_line->setCurrentIndex(m_form.lineRow());
    m_level->setValue(m_form.level());
}

QWidget* AudioSettingsDialog::buildBuffersPage()
{
    auto* page = named(new QWidget, "Buffers");
    auto* form = new QFormLayout(page);
    auto* buffers = new QHBoxLayout;
    m_bufPar1 = numberField(page, "BufPar1");
    m_bufPar2 = numberField(page, "BufPar2");
    m_bufPar3 = numberField(page, "BufPar3");
    buffers->addWidget(m_bufPar1);
    buffers->addWidget(new QLabel(QStringLiteral("ms, using"), page));
    buffers->addWidget(m_bufPar2);
    buffers->addWidget(new QLabel(QStringLiteral("buffers, with tick"), page));
    buffers->addWidget(m_bufPar3);
    buffers->addWidget(new QLabel(QStringLiteral("ms"), page));
    buffers->addStretch();
    form->addRow(QStringLiteral("Total buffer size:"), buffers);

    auto* folder = new QHBoxLayout;
    m_tempDir = named(new QLineEdit(page), "TempDir");
    auto* browse = named(new QPushButton(QStringLiteral("..."), page), "Browse");
    browse->setToolTip(QStringLiteral("Choose the temporary directory"));
    folder->addWidget(m_tempDir, 1);
    folder->addWidget(browse);
    form->addRow(QStringLiteral("Temporary directory:"), folder);
    connect(browse, &QPushButton::clicked, this, &AudioSettingsDialog::browse);

    m_undoRedo = numberField(page, "UndoRedo");
    form->addRow(QStringLiteral("Undo/Redo count:"), m_undoRedo);

    m_bufPar1->setText(m_form.bufPar1);
    m_bufPar2->setText(m_form.bufPar2);
    m_bufPar3->setText(m_form.bufPar3);
    m_tempDir->setText(m_form.tempDir);
    m_undoRedo->setText(m_form.undoRedo);
    return page;
}

QWidget* AudioSettingsDialog::buildTagsPage()
{
    auto* page = named(new QWidget, "Tags");
    auto* form = new QFormLayout(page);
    const char* names[6] = {"DefTrack", "DefTitle", "DefArtist", "DefAlbum", "DefYear", "DefComment"};
    const char* labels[6] = {"Track #:", "Title:", "Artist:", "Album:", "Year:", "Comment:"};
    const QString values[6] = {m_form.defTrack, m_form.defTitle, m_form.defArtist,
                               m_form.defAlbum, m_form.defYear, m_form.defComment};
    for (int i = 0; i < 6; ++i) {
        m_tags[i] = named(new QLineEdit(page), names[i]);
        m_tags[i]->setText(values[i]);
        form->addRow(QLatin1String(labels[i]), m_tags[i]);
    }
    return page;
}

void AudioSettingsDialog::browse()
{
    m_form.tempDir = m_tempDir->text();
    if (m_form.browseTempDir(m_prompts))
        m_tempDir->setText(m_form.tempDir);
}

void AudioSettingsDialog::accept()
{
    m_form.bufPar1 = m_bufPar1->text();
    m_form.bufPar2 = m_bufPar2->text();
    m_form.bufPar3 = m_bufPar3->text();
    m_form.tempDir = m_tempDir->text();
    m_form.undoRedo = m_undoRedo->text();
    QString* fields[6] = {&m_form.defTrack, &m_form.defTitle, &m_form.defArtist,
                          &m_form.defAlbum, &m_form.defYear, &m_form.defComment};
    for (int i = 0; i < 6; ++i)
        *fields[i] = m_tags[i]->text();
    m_form.store(m_settings);
    if (onApplied)
        onApplied();
    QDialog::accept();
}

void AudioSettingsDialog::reject()
{
    m_form.cancel();
    QDialog::reject();
}

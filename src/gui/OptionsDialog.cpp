#include "gui/OptionsDialog.h"

#include "common/Prompts.h"
#include "store/Settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
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

} // namespace

OptionsDialog::OptionsDialog(Settings& settings, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("Preferences"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    m_tabs = named(new QTabWidget(this), "TabStrip1");
    m_tabs->addTab(buildGeneralPanel(), QStringLiteral("General"));
    m_tabs->addTab(buildAudioPanel(), QStringLiteral("Audio"));
    layout->addWidget(m_tabs);

    auto* buttons = new QHBoxLayout;
    auto* helpButton = named(new QPushButton(QStringLiteral("Help"), this), "Help");
    auto* ok = named(new QPushButton(QStringLiteral("OK"), this), "Command1");
    auto* cancel = named(new QPushButton(QStringLiteral("Cancel"), this), "Command2");
    ok->setDefault(true);
    buttons->addWidget(helpButton);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &OptionsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &OptionsDialog::reject);
    connect(helpButton, &QPushButton::clicked, this, &OptionsDialog::help);
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, &OptionsDialog::help);
    connect(m_useTemplate, &QCheckBox::toggled, this, &OptionsDialog::applyTemplateState);
    connect(m_browse, &QPushButton::clicked, this, &OptionsDialog::browse);

    m_form.fill(m_settings);
    showForm();
    m_tabs->setCurrentIndex(0);
}

QWidget* OptionsDialog::buildGeneralPanel()
{
    auto* panel = named(new QWidget, "General");
    auto* layout = new QVBoxLayout(panel);
    m_autoSave = named(new QCheckBox(QStringLiteral("Automatically keep files of the project"), panel), "Check1");
    m_createBackup = named(new QCheckBox(QStringLiteral("Always create backup copy"), panel), "Check5");
    m_savePassword = named(new QCheckBox(QStringLiteral("Keep passwords"), panel), "Check3");
    m_saveLog = named(new QCheckBox(QStringLiteral("Keep FTP log"), panel), "Check4");
    m_useTemplate = named(new QCheckBox(QStringLiteral("Use a template for the new feeds:"), panel), "Check2");
    for (QCheckBox* box : {m_autoSave, m_createBackup, m_savePassword, m_saveLog, m_useTemplate})
        layout->addWidget(box);

    auto* row = new QHBoxLayout;
    m_template = named(new QLineEdit(panel), "Text1");
    m_template->setMinimumWidth(300);
    m_browse = named(new QPushButton(QStringLiteral("Browse..."), panel), "Command3");
    row->addSpacing(20); // indented under its check box
    row->addWidget(m_template, 1);
    row->addWidget(m_browse);
    layout->addLayout(row);
    layout->addStretch();
    return panel;
}

QWidget* OptionsDialog::buildAudioPanel()
{
    auto* panel = named(new QWidget, "Audio");
    auto* form = new QFormLayout(panel);

    m_volMic = named(new QSlider(Qt::Horizontal, panel), "Slider1");
    m_volMic->setRange(OptionsForm::kVolMicMinimum, OptionsForm::kVolMicMaximum);
    m_volMic->setSingleStep(1024);
    m_volMic->setPageStep(8192);
    m_volMic->setTickInterval(8192);
    m_volMic->setTickPosition(QSlider::TicksBelow);
    form->addRow(QStringLiteral("Mic input level:"), m_volMic);

    m_encoder = named(new QComboBox(panel), "Combo1");
    m_encoder->addItems(OptionsForm::encoderNames());
    form->addRow(QStringLiteral("Encoder:"), m_encoder);
    m_samples = named(new QComboBox(panel), "Combo2");
    m_samples->addItems(OptionsForm::sampleRates());
    form->addRow(QStringLiteral("Samples rate, Hz:"), m_samples);
    m_bitrate = named(new QComboBox(panel), "Combo3");
    m_bitrate->addItems(OptionsForm::bitrates());
    form->addRow(QStringLiteral("Bitrate, kbps:"), m_bitrate);

    auto* channels = new QHBoxLayout;
    m_mono = named(new QRadioButton(QStringLiteral("Mono"), panel), "Option1");
    m_stereo = named(new QRadioButton(QStringLiteral("Stereo"), panel), "Option2");
    auto* group = new QButtonGroup(panel);
    group->addButton(m_mono);
    group->addButton(m_stereo);
    channels->addWidget(m_mono);
    channels->addWidget(m_stereo);
    channels->addStretch();
    form->addRow(QString(), channels);
    return panel;
}

void OptionsDialog::showForm()
{
    m_autoSave->setChecked(m_form.autoSave);
    m_createBackup->setChecked(m_form.createBackup);
    m_savePassword->setChecked(m_form.savePassword);
    m_saveLog->setChecked(m_form.saveLog);
    m_useTemplate->setChecked(m_form.useTemplate);
    m_template->setText(m_form.templates);
    m_volMic->setValue(m_form.volMic);
    m_encoder->setCurrentIndex(m_form.encoderIndex);
    m_samples->setCurrentIndex(m_form.samplesIndex);
    m_bitrate->setCurrentIndex(m_form.bitrateIndex);
    (m_form.stereo ? m_stereo : m_mono)->setChecked(true);
    applyTemplateState();
}

void OptionsDialog::readForm()
{
    m_form.autoSave = m_autoSave->isChecked();
    m_form.createBackup = m_createBackup->isChecked();
    m_form.savePassword = m_savePassword->isChecked();
    m_form.saveLog = m_saveLog->isChecked();
    m_form.useTemplate = m_useTemplate->isChecked();
    m_form.templates = m_template->text();
    m_form.volMic = m_volMic->value();
    m_form.encoderIndex = m_encoder->currentIndex();
    m_form.samplesIndex = m_samples->currentIndex();
    m_form.bitrateIndex = m_bitrate->currentIndex();
    m_form.stereo = m_stereo->isChecked();
}

void OptionsDialog::applyTemplateState()
{
    m_form.useTemplate = m_useTemplate->isChecked();
    m_template->setEnabled(m_form.templateFieldsEnabled());
    m_browse->setEnabled(m_form.templateFieldsEnabled());
}

void OptionsDialog::browse()
{
    m_form.templates = m_template->text();
    if (m_form.browseTemplate(m_prompts))
        m_template->setText(m_form.templates);
}

void OptionsDialog::help()
{
    if (onHelp)
        onHelp(OptionsForm::helpPage());
}

void OptionsDialog::accept()
{
    readForm();
    m_form.store(m_settings);
    QDialog::accept();
}

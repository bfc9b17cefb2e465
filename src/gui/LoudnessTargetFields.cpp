#include "gui/LoudnessTargetFields.h"

#include "audio/LoudnessNormalizer.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>

#include <cmath>

LoudnessTargetFields::LoudnessTargetFields(QFormLayout* form, QWidget* parent, double target, double ceiling)
    : QObject(parent), m_preset(new QComboBox(parent)), m_custom(new QDoubleSpinBox(parent)),
      m_ceiling(new QDoubleSpinBox(parent))
{
    m_preset->setObjectName(QStringLiteral("targetPreset"));
    int chosen = -1;
    for (const LoudnessPreset& p : loudnesspresets::all()) {
        if (std::fabs(p.lufs - target) < 0.05)
            chosen = m_preset->count();
        m_preset->addItem(p.name, p.lufs);
    }
    m_preset->addItem(QStringLiteral("Custom"));
    m_custom->setObjectName(QStringLiteral("targetCustom"));
    m_custom->setRange(-40.0, -5.0);
    m_custom->setDecimals(1);
    m_custom->setSingleStep(0.5);
    m_custom->setSuffix(QStringLiteral(" LUFS"));
    m_custom->setValue(target);
    m_ceiling->setObjectName(QStringLiteral("ceiling"));
    m_ceiling->setRange(-9.0, 0.0);
    m_ceiling->setDecimals(1);
    m_ceiling->setSingleStep(0.1);
    m_ceiling->setSuffix(QStringLiteral(" dBTP"));
    m_ceiling->setValue(ceiling);
    m_ceiling->setToolTip(QStringLiteral("The highest true peak the result may have; directories ask for -1 dBTP"));
    connect(m_preset, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_custom->setEnabled(index == m_preset->count() - 1); });
    m_preset->setCurrentIndex(chosen >= 0 ? chosen : m_preset->count() - 1);
    m_custom->setEnabled(chosen < 0);
    form->addRow(QStringLiteral("&Target:"), m_preset);
    form->addRow(QStringLiteral("C&ustom target:"), m_custom);
    form->addRow(QStringLiteral("True-peak &ceiling:"), m_ceiling);
}

double LoudnessTargetFields::target() const
{
    const QVariant preset = m_preset->currentData();
    return preset.isValid() ? preset.toDouble() : m_custom->value();
}

double LoudnessTargetFields::ceiling() const
{
    return m_ceiling->value();
}

void LoudnessTargetFields::setEnabled(bool on)
{
    m_preset->setEnabled(on);
    m_custom->setEnabled(on && !m_preset->currentData().isValid());
    m_ceiling->setEnabled(on);
}

#pragma once

#include <QObject>

class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QWidget;

// The target rows of the loudness dialogs: the presets with "Custom", the custom value and the
// true-peak ceiling.
class LoudnessTargetFields : public QObject {
    Q_OBJECT
public:
    LoudnessTargetFields(QFormLayout* form, QWidget* parent, double target, double ceiling);
    double target() const;
    double ceiling() const;
    void setEnabled(bool on);

private:
    QComboBox* m_preset;
    QDoubleSpinBox* m_custom;
    QDoubleSpinBox* m_ceiling;
};

#pragma once

#include <QDialog>

class EpisodeForm;
class LoudnessTargetFields;
class QLabel;
class QPushButton;
struct LoudnessReport;

// Effects > "Loudness...": the measured integrated loudness, range and true peak of the selection
// or the track, the target, and after "Apply" the result.
class LoudnessDialog : public QDialog {
    Q_OBJECT
public:
    LoudnessDialog(EpisodeForm& form, const LoudnessReport& measured, QWidget* parent = nullptr);

    // "-16.0 LUFS, range 4.2 LU, true peak -1.0 dBTP"
    static QString describe(const LoudnessReport& report);

private:
    void apply();

    EpisodeForm& m_form;
    LoudnessTargetFields* m_target;
    QLabel* m_before;
    QLabel* m_after;
    QPushButton* m_apply;
};

#pragma once

#include "audio/PublishingExport.h"

#include <QDialog>

class LoudnessTargetFields;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

// File > "Export for publishing...": loudness target, MP3 settings and the tag fields of the
// published file. The file name is asked for afterwards.
class PublishDialog : public QDialog {
    Q_OBJECT
public:
    PublishDialog(const PublishOptions& defaults, QWidget* parent = nullptr);
    PublishOptions options() const;

private:
    PublishOptions m_defaults;
    QCheckBox* m_normalize;
    LoudnessTargetFields* m_target;
    QComboBox* m_bitrate;
    QCheckBox* m_vbr;
    QSpinBox* m_quality;
    QCheckBox* m_mono;
    QComboBox* m_id3;
    QLineEdit* m_title;
    QLineEdit* m_artist;
    QLineEdit* m_album;
};

#include "gui/LoudnessDialog.h"

#include "app/EpisodeForm.h"
#include "audio/AudioEditor.h"
#include "gui/LoudnessTargetFields.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

QString LoudnessDialog::describe(const LoudnessReport& r)
{
    if (!r.measurable())
        return r.problem();
    return QStringLiteral("%1 LUFS integrated, range %2 LU, true peak %3 dBTP")
        .arg(r.integrated, 0, 'f', 1)
        .arg(r.range, 0, 'f', 1)
        .arg(r.truePeak, 0, 'f', 1);
}

LoudnessDialog::LoudnessDialog(EpisodeForm& form, const LoudnessReport& measured, QWidget* parent)
    : QDialog(parent), m_form(form)
{
    setObjectName(QStringLiteral("loudnessDialog"));
    setWindowTitle(QStringLiteral("Loudness"));
    auto* fields = new QFormLayout;
    const AudioEditor& editor = form.editor();
    auto* scope = new QLabel(editor.hasSelection() ? QStringLiteral("The selection") : QStringLiteral("The whole track"), this);
    fields->addRow(QStringLiteral("Measured:"), scope);
    m_before = new QLabel(describe(measured), this);
    m_before->setObjectName(QStringLiteral("before"));
    fields->addRow(QStringLiteral("Before:"), m_before);
    m_target = new LoudnessTargetFields(fields, this, loudnesspresets::forChannels(editor.channels()),
                                        loudnesspresets::kDefaultCeiling);
    m_after = new QLabel(QStringLiteral("-"), this);
    m_after->setObjectName(QStringLiteral("after"));
    m_after->setMinimumHeight(2 * m_after->fontMetrics().lineSpacing()); // room for the result's two lines
    fields->addRow(QStringLiteral("After:"), m_after);
    auto* note = new QLabel(QStringLiteral("Podcast apps play at about -16 LUFS (stereo) or -19 LUFS (mono) and "
                                           "ask for true peaks at or below -1 dBTP. One gain brings the level "
                                           "to the target; a limiter catches the peaks that would pass the ceiling."),
                            this);
    note->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_apply = buttons->addButton(QStringLiteral("&Apply"), QDialogButtonBox::ApplyRole);
    m_apply->setObjectName(QStringLiteral("apply"));
    m_apply->setEnabled(measured.measurable());
    m_target->setEnabled(measured.measurable());
    connect(m_apply, &QPushButton::clicked, this, &LoudnessDialog::apply);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(note);
    layout->addWidget(buttons);
    setMinimumWidth(520);
}

void LoudnessDialog::apply()
{
    LoudnessNormalizer::Result result;
    m_apply->setEnabled(false);
    if (!m_form.normalizeLoudness(m_target->target(), m_target->ceiling(), &result).ok()) {
        m_apply->setEnabled(true);
        return;
    }
    m_after->setText(QStringLiteral("%1\n(gain %2 dB, %3 s limited)")
                         .arg(describe(result.after))
                         .arg(result.gainDb, 0, 'f', 1)
                         .arg(double(result.limitedFrames) / m_form.editor().sampleRate(), 0, 'f', 1));
}

#include "gui/PublishDialog.h"

#include "gui/LoudnessTargetFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

PublishDialog::PublishDialog(const PublishOptions& defaults, QWidget* parent) : QDialog(parent), m_defaults(defaults)
{
    setObjectName(QStringLiteral("publishDialog"));
    setWindowTitle(QStringLiteral("Export for publishing"));
    auto* fields = new QFormLayout;
    m_normalize = new QCheckBox(QStringLiteral("Bring the loudness to the target"), this);
    m_normalize->setObjectName(QStringLiteral("normalize"));
    m_normalize->setChecked(defaults.normalize);
    fields->addRow(QString(), m_normalize);
    m_target = new LoudnessTargetFields(fields, this, defaults.targetLufs, defaults.ceilingDbtp);
    connect(m_normalize, &QCheckBox::toggled, m_target, &LoudnessTargetFields::setEnabled);

    m_bitrate = new QComboBox(this);
    m_bitrate->setObjectName(QStringLiteral("bitrate"));
    for (int kbps : {48, 64, 96, 128, 160, 192, 256, 320})
        m_bitrate->addItem(QStringLiteral("%1 kbit/s").arg(kbps), kbps);
    const int at = m_bitrate->findData(defaults.encoder.bitrateKbps);
    if (at < 0)
        m_bitrate->addItem(QStringLiteral("%1 kbit/s").arg(defaults.encoder.bitrateKbps), defaults.encoder.bitrateKbps);
    m_bitrate->setCurrentIndex(at >= 0 ? at : m_bitrate->count() - 1);
    fields->addRow(QStringLiteral("&Bitrate:"), m_bitrate);
    m_vbr = new QCheckBox(QStringLiteral("Variable bitrate, quality (0 best, 9 smallest):"), this);
    m_vbr->setObjectName(QStringLiteral("vbr"));
    m_quality = new QSpinBox(this);
    m_quality->setObjectName(QStringLiteral("vbrQuality"));
    m_quality->setRange(0, 9);
    m_quality->setValue(defaults.encoder.mp3VbrQuality >= 0 ? defaults.encoder.mp3VbrQuality : 4);
    m_vbr->setChecked(defaults.encoder.mp3VbrQuality >= 0);
    m_quality->setEnabled(m_vbr->isChecked());
    m_bitrate->setEnabled(!m_vbr->isChecked());
    connect(m_vbr, &QCheckBox::toggled, m_quality, &QWidget::setEnabled);
    connect(m_vbr, &QCheckBox::toggled, m_bitrate, [this](bool on) { m_bitrate->setEnabled(!on); });
    auto* vbrRow = new QHBoxLayout;
    vbrRow->addWidget(m_vbr);
    vbrRow->addWidget(m_quality);
    fields->addRow(QString(), vbrRow);
    m_mono = new QCheckBox(QStringLiteral("Mono"), this);
    m_mono->setObjectName(QStringLiteral("mono"));
    m_mono->setChecked(defaults.encoder.maxChannels == 1);
    fields->addRow(QString(), m_mono);
    m_id3 = new QComboBox(this);
    m_id3->setObjectName(QStringLiteral("id3Version"));
    m_id3->addItem(QStringLiteral("ID3v2.3 (most players)"), 3);
    m_id3->addItem(QStringLiteral("ID3v2.4"), 4);
    m_id3->setCurrentIndex(defaults.tags.id3Version == 4 ? 1 : 0);
    fields->addRow(QStringLiteral("&Tags:"), m_id3);
    const auto line = [&](const char* name, const QString& label, const QString& text) {
        auto* e = new QLineEdit(text, this);
        e->setObjectName(QLatin1String(name));
        fields->addRow(label, e);
        return e;
    };
    m_title = line("title", QStringLiteral("T&itle:"), defaults.tags.fields.title);
    m_artist = line("artist", QStringLiteral("&Artist:"), defaults.tags.fields.artist);
    m_album = line("album", QStringLiteral("A&lbum:"), defaults.tags.fields.album);
    auto* cover = new QLabel(defaults.tags.cover.isEmpty() ? QStringLiteral("none (the episode and the podcast have no image)")
                                                           : QStringLiteral("the episode's image (%1 KB)").arg(defaults.tags.cover.size() / 1024),
                             this);
    cover->setObjectName(QStringLiteral("cover"));
    fields->addRow(QStringLiteral("Cover art:"), cover);
    auto* chapters = new QLabel(defaults.tags.chapters.empty()
                                    ? QStringLiteral("none (add chapter marks in the Edit menu)")
                                    : QStringLiteral("%1, also written as a chapters file beside the MP3")
                                          .arg(defaults.tags.chapters.size()),
                                this);
    chapters->setObjectName(QStringLiteral("chapters"));
    fields->addRow(QStringLiteral("Chapters:"), chapters);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    QPushButton* exportButton = buttons->addButton(QStringLiteral("&Export..."), QDialogButtonBox::AcceptRole);
    exportButton->setObjectName(QStringLiteral("export"));
    exportButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    setMinimumWidth(520);
}

PublishOptions PublishDialog::options() const
{
    PublishOptions o = m_defaults;
    o.normalize = m_normalize->isChecked();
    o.targetLufs = m_target->target();
    o.ceilingDbtp = m_target->ceiling();
    o.encoder.bitrateKbps = m_bitrate->currentData().toInt();
    o.encoder.mp3VbrQuality = m_vbr->isChecked() ? m_quality->value() : -1;
    o.encoder.maxChannels = m_mono->isChecked() ? 1 : 2;
    o.tags.id3Version = m_id3->currentData().toInt();
    o.tags.fields.title = m_title->text();
    o.tags.fields.artist = m_artist->text();
    o.tags.fields.album = m_album->text();
    return o;
}

#include "gui/LevelBar.h"

#include "audio/AudioEditor.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

LevelBar::LevelBar(AudioEditor* editor, QWidget* track) : QWidget(track), m_track(track)
{
    setObjectName(QStringLiteral("levelBar"));
    setToolTip(tr("Level"));
    connect(editor, &AudioEditor::levelStereo, this, [this](int left, int right) { setValue((left + right) / 2); });
    connect(editor, &AudioEditor::level, this, &LevelBar::setValue);
    const QMargins m = track->contentsMargins();
    track->setContentsMargins(m.left(), m.top(), m.right() + kWidth, m.bottom());
    track->installEventFilter(this);
    follow();
    show();
}

void LevelBar::setValue(int value)
{
    value = std::clamp(value, kMinimum, kMaximum);
    if (value == m_value)
        return;
    m_value = value;
    // Painted at once: long work reports its progress here while it holds the event loop.
    if (isVisible())
        repaint();
}

void LevelBar::follow()
{
    setGeometry(m_track->width() - kWidth, 0, kWidth, m_track->height());
    raise();
}

bool LevelBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_track && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        follow();
    return QWidget::eventFilter(watched, event);
}

void LevelBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, QColor(0x2a, 0x2f, 0x36));
    const QRect inner = r.adjusted(2, 2, -2, -2);
    const int filled = inner.height() * (m_value - kMinimum) / (kMaximum - kMinimum);
    if (filled > 0) {
        QLinearGradient g(inner.bottomLeft(), inner.topLeft());
        g.setColorAt(0.0, QColor(0x2f, 0xb3, 0x4a));
        g.setColorAt(0.7, QColor(0xe8, 0xc5, 0x2a));
        g.setColorAt(1.0, QColor(0xe0, 0x3b, 0x2f));
        p.fillRect(QRect(inner.left(), inner.bottom() + 1 - filled, inner.width(), filled), g);
    }
}

#include "gui/AudioTrackView.h"

#include "audio/AudioEditor.h"
#include "gui/TrackPainter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
constexpr int kRulerHeight = 24;
constexpr int kReadoutWidth = 210;
constexpr double kMinStep = 1.0 / AudioTrackView::kMaxPixelsPerFrame;
} // namespace

AudioTrackView::AudioTrackView(AudioEditor* editor, QWidget* parent)
    : QWidget(parent), m_editor(editor), m_bar(new QScrollBar(Qt::Horizontal, this)),
      m_painter(std::make_unique<TrackPainter>())
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setWhatsThis(tr("The audio track. Click to place the cursor, drag or Shift+click to select, "
                    "Shift+arrow keys to extend the selection, Ctrl+wheel to zoom."));
    connect(m_bar, &QScrollBar::valueChanged, this, [this](int value) {
        const qint64 column = qint64(value) * m_barUnit;
        if (column != m_scroll) {
            m_scroll = column;
            update();
        }
    });
    connect(m_editor, &AudioEditor::trackChanged, this, &AudioTrackView::onTrackChanged);
    connect(m_editor, &AudioEditor::position, this, &AudioTrackView::onPosition);
    connect(m_editor, &AudioEditor::selectionChanged, this, &AudioTrackView::onEditorSelection);
    connect(m_editor, &AudioEditor::chapterMarksChanged, this, qOverload<>(&QWidget::update));
    m_lastCursor = m_position = m_editor->cursor();
    m_anchor = m_head = m_lastCursor;
    m_step = fitStep();
    layoutChildren();
}

AudioTrackView::~AudioTrackView() = default;

QSize AudioTrackView::sizeHint() const { return {640, 240}; }
QSize AudioTrackView::minimumSizeHint() const { return {240, 120}; }

// --- geometry

QRect AudioTrackView::lanesRect() const
{
    const QRect r = contentsRect();
    const int barHeight = m_bar->sizeHint().height();
    return QRect(r.left(), r.top() + kRulerHeight, r.width(), std::max(1, r.height() - kRulerHeight - barHeight));
}

void AudioTrackView::layoutChildren()
{
    const QRect r = contentsRect();
    const int barHeight = m_bar->sizeHint().height();
    const int readout = std::min(kReadoutWidth, r.width() / 3);
    m_bar->setGeometry(r.left() + readout, r.bottom() + 1 - barHeight, r.width() - readout, barHeight);
}

double AudioTrackView::fitStep() const
{
    const double width = std::max(1, lanesRect().width());
    return std::max(kMinStep, double(m_editor->frames()) / width);
}

qint64 AudioTrackView::totalColumns() const
{
    return qint64(std::ceil(double(m_editor->frames()) / m_step));
}

qint64 AudioTrackView::frameAt(int x) const
{
    const double column = double(m_scroll) + double(x - lanesRect().left());
    const qint64 frame = qint64(std::llround(column * m_step));
    return std::clamp<qint64>(frame, 0, m_editor->frames());
}

int AudioTrackView::xForFrame(qint64 frame) const
{
    const double x = lanesRect().left() + double(frame) / m_step - double(m_scroll);
    return int(std::clamp(std::floor(x), double(INT_MIN / 2), double(INT_MAX / 2)));
}

void AudioTrackView::updateScrollBar()
{
    const qint64 width = lanesRect().width();
    const qint64 maxScroll = std::max<qint64>(0, totalColumns() - width);
    m_scroll = std::clamp<qint64>(m_scroll, 0, maxScroll);
    // A scroll bar counts in int: far zoomed in, one of its steps stands for several columns.
    m_barUnit = std::max<qint64>(1, maxScroll / (INT_MAX / 2) + 1);
    const QSignalBlocker block(m_bar);
    m_bar->setRange(0, int(maxScroll / m_barUnit));
    m_bar->setPageStep(int(std::max<qint64>(1, width / m_barUnit)));
    m_bar->setSingleStep(int(std::max<qint64>(1, width / 10 / m_barUnit)));
    m_bar->setValue(int(m_scroll / m_barUnit));
}

void AudioTrackView::scrollToColumn(qint64 column)
{
    m_scroll = column;
    updateScrollBar();
    update();
}

void AudioTrackView::ensureVisible(qint64 frame)
{
    const QRect lanes = lanesRect();
    const int x = xForFrame(frame);
    if (x >= lanes.left() && x <= lanes.right())
        return;
    // Page so that the frame lands a tenth into the lanes, as a play position moving on would.
    scrollToColumn(qint64(double(frame) / m_step) - lanes.width() / 10);
}

// --- zoom

void AudioTrackView::setStep(double step, qint64 keepFrame, int keepX)
{
    const double fit = fitStep();
    m_step = std::clamp(step, kMinStep, std::max(kMinStep, fit));
    m_fit = m_step >= fit;
    m_scroll = qint64(std::floor(double(keepFrame) / m_step)) - (keepX - lanesRect().left());
    updateScrollBar();
    update();
}

bool AudioTrackView::canZoomIn() const { return m_step > kMinStep; }
bool AudioTrackView::canZoomOut() const { return m_step < fitStep(); }

void AudioTrackView::zoomIn()
{
    // Keep the cursor where it is on screen when it is visible, else bring it to the middle.
    const qint64 frame = m_editor->cursor();
    int x = xForFrame(frame);
    const QRect lanes = lanesRect();
    if (x < lanes.left() || x > lanes.right())
        x = lanes.center().x();
    setStep(m_step / 2.0, frame, x);
}

void AudioTrackView::zoomOut()
{
    const qint64 frame = m_editor->cursor();
    int x = xForFrame(frame);
    const QRect lanes = lanesRect();
    if (x < lanes.left() || x > lanes.right())
        x = lanes.center().x();
    setStep(m_step * 2.0, frame, x);
}

void AudioTrackView::zoomToSelection()
{
    if (!m_editor->hasSelection())
        return;
    const QRect lanes = lanesRect();
    setStep(double(m_editor->selectionLength()) / std::max(1, lanes.width()), m_editor->selectionStart(), lanes.left());
}

void AudioTrackView::zoomToFit() { setStep(fitStep(), 0, lanesRect().left()); }

void AudioTrackView::setViewMode(int mode)
{
    const int m = mode == Spectral ? Spectral : Waveform;
    if (m == m_mode)
        return;
    m_mode = m;
    update();
}

void AudioTrackView::dropCaches() { m_painter->drop(); }

qint64 AudioTrackView::spectrumComputations() const { return m_painter->spectrum().computations(); }

// --- the editor's side

void AudioTrackView::noticeCursor()
{
    const qint64 cursor = m_editor->cursor();
    if (cursor != m_lastCursor) {
        // The position display follows the cursor until play-back moves it on.
        m_lastCursor = m_position = cursor;
        emit cursorMoved(cursor);
    }
}

void AudioTrackView::onTrackChanged()
{
    // A freshly opened or new track (nothing to undo or redo) is shown whole.
    if (m_fit || (!m_editor->canUndo() && !m_editor->canRedo())) {
        m_step = fitStep();
        m_fit = true;
        m_scroll = 0;
    } else {
        m_step = std::min(m_step, fitStep());
    }
    if (!m_editor->hasSelection())
        m_anchor = m_head = m_editor->cursor();
    m_position = std::min(m_position, m_editor->frames());
    updateScrollBar();
    noticeCursor();
    update();
}

void AudioTrackView::onPosition(int frame)
{
    if (m_editor->cursor() != m_lastCursor) {
        noticeCursor();
        if (!m_editor->hasSelection())
            m_anchor = m_head = m_editor->cursor();
    } else if (!m_dragging) {
        ensureVisible(frame); // the play position moving on
    }
    m_position = frame;
    update();
}

void AudioTrackView::onEditorSelection(qint64 start, qint64 length)
{
    if (!m_dragging && length > 0 && !(std::min(m_anchor, m_head) == start && std::abs(m_head - m_anchor) == length)) {
        m_anchor = start;
        m_head = start + length;
    }
    emit selectionChanged(start, length);
    noticeCursor();
    update();
}

void AudioTrackView::applySelection()
{
    const qint64 a = std::min(m_anchor, m_head), b = std::max(m_anchor, m_head);
    if (a == b) {
        m_editor->clearSelection();
        m_editor->setCursor(a);
    } else {
        m_editor->setSelection(a, b - a);
    }
    noticeCursor();
    update();
}

// --- mouse and keys

void AudioTrackView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_editor->hasTrack()) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const qint64 frame = frameAt(int(event->position().x()));
    if (event->modifiers() & Qt::ShiftModifier) {
        if (!m_editor->hasSelection())
            m_anchor = m_editor->cursor();
        else if (std::abs(frame - m_editor->selectionStart()) > std::abs(frame - (m_editor->selectionStart() + m_editor->selectionLength())))
            m_anchor = m_editor->selectionStart(); // the nearer end moves
        else
            m_anchor = m_editor->selectionStart() + m_editor->selectionLength();
    } else {
        m_anchor = frame;
    }
    m_head = frame;
    m_dragging = true;
    applySelection();
}

void AudioTrackView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    const int x = int(event->position().x());
    const QRect lanes = lanesRect();
    // Dragging past an edge scrolls the track along.
    if (x < lanes.left())
        scrollToColumn(m_scroll - (lanes.left() - x));
    else if (x > lanes.right())
        scrollToColumn(m_scroll + (x - lanes.right()));
    m_head = frameAt(std::clamp(x, lanes.left(), lanes.right() + 1));
    applySelection();
}

void AudioTrackView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
}

void AudioTrackView::keyPressEvent(QKeyEvent* event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const qint64 pixel = std::max<qint64>(1, qint64(std::llround(m_step)));
    const qint64 page = std::max<qint64>(1, qint64(std::llround(m_step * lanesRect().width())));
    qint64 from = shift ? m_head : m_editor->cursor();
    if (!shift && m_editor->hasSelection()) {
        // Without Shift an arrow leaves the selection at the end it points to.
        if (event->key() == Qt::Key_Left)
            from = m_editor->selectionStart() + pixel;
        else if (event->key() == Qt::Key_Right)
            from = m_editor->selectionStart() + m_editor->selectionLength() - pixel;
    }
    qint64 to = from;
    switch (event->key()) {
    case Qt::Key_Left: to = from - (ctrl ? page : pixel); break;
    case Qt::Key_Right: to = from + (ctrl ? page : pixel); break;
    case Qt::Key_Home: to = 0; break;
    case Qt::Key_End: to = m_editor->frames(); break;
    default: QWidget::keyPressEvent(event); return;
    }
    to = std::clamp<qint64>(to, 0, m_editor->frames());
    if (shift) {
        if (!m_editor->hasSelection())
            m_anchor = m_editor->cursor();
        m_head = to;
    } else {
        m_anchor = m_head = to;
    }
    applySelection();
    ensureVisible(m_head);
}

void AudioTrackView::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (delta == 0)
        return;
    if (event->modifiers() & Qt::ControlModifier) {
        const int x = int(event->position().x());
        setStep(delta > 0 ? m_step / 2.0 : m_step * 2.0, frameAt(x), x);
    } else {
        scrollToColumn(m_scroll - qint64(delta) * lanesRect().width() / 1200);
    }
    event->accept();
}

void AudioTrackView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void AudioTrackView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

// --- painting

void AudioTrackView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutChildren();
    if (m_fit)
        m_step = fitStep();
    else
        m_step = std::min(m_step, fitStep());
    updateScrollBar();
}

void AudioTrackView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = contentsRect();
    TrackScene scene;
    scene.lanes = lanesRect();
    scene.ruler = QRect(r.left(), r.top(), r.width(), kRulerHeight);
    scene.readout = QRect(r.left(), scene.lanes.bottom() + 1, m_bar->x() - r.left(), r.bottom() - scene.lanes.bottom());
    scene.step = m_step;
    scene.firstColumn = m_scroll;
    scene.mode = m_mode;
    scene.rate = m_editor->sampleRate();
    scene.channels = m_editor->channels();
    scene.cursor = m_editor->cursor();
    scene.selStart = m_editor->selectionStart();
    scene.selLength = m_editor->selectionLength();
    scene.position = m_position;
    scene.focused = hasFocus();
    m_painter->paint(p, m_editor->samples(), scene);
    paintChapterMarks(p, scene.lanes);
}

void AudioTrackView::paintChapterMarks(QPainter& p, const QRect& lanes)
{
    // A flag over each mark's line, with the chapter's title, in a colour apart from the
    // waveform's and the cursor's.
    const QColor colour(230, 140, 20);
    const QFontMetrics metrics(font());
    for (const ChapterMark& mark : m_editor->chapterMarks()) {
        const int x = xForFrame(qint64(std::llround(mark.seconds * m_editor->sampleRate())));
        if (x < lanes.left() || x > lanes.right())
            continue;
        p.setPen(QPen(colour, 1, Qt::DashLine));
        p.drawLine(x, lanes.top(), x, lanes.bottom());
        const QString title = metrics.elidedText(mark.title, Qt::ElideRight, 160);
        const QRect flag(x, lanes.top(), metrics.horizontalAdvance(title) + 8, metrics.height() + 2);
        p.fillRect(flag, colour);
        p.setPen(Qt::black);
        p.drawText(flag.adjusted(4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, title);
    }
}

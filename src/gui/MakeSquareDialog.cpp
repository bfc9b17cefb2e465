#include "gui/MakeSquareDialog.h"

#include "image/CoverArt.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QVBoxLayout>

namespace {
constexpr int kViewSide = 480;
}

MakeSquareDialog::MakeSquareDialog(const QImage& picture, QWidget* parent)
    : QDialog(parent), m_frame(picture.size())
{
    setObjectName(QStringLiteral("MakeSquare"));
    setWindowTitle(QStringLiteral("Make square"));
    m_view = new SquareFrameView(picture, *this);
    m_view->setObjectName(QStringLiteral("frameView"));
    m_view->setToolTip(QStringLiteral("Drag the frame to the part of the picture to keep"));

    m_side = new QSlider(Qt::Horizontal, this);
    m_side->setObjectName(QStringLiteral("side"));
    // Smaller frames than the smallest cover would only be enlarged.
    m_side->setRange(qMin(m_frame.largestSide(), CoverArt::kMinSize), m_frame.largestSide());
    m_side->setValue(m_frame.largestSide());
    connect(m_side, &QSlider::valueChanged, this, [this](int side) {
        m_frame.setSide(side);
        frameChanged();
    });

    m_size = new QComboBox(this);
    m_size->setObjectName(QStringLiteral("size"));
    for (int size : CoverArt::kSizes)
        m_size->addItem(QStringLiteral("%1 x %1 pixels").arg(size), size);
    m_size->setCurrentIndex(m_size->findData(CoverArt::DefaultSize(m_frame.largestSide())));

    m_info = new QLabel(this);
    m_info->setObjectName(QStringLiteral("frameInfo"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Frame:"), m_side);
    form->addRow(QStringLiteral("Size:"), m_size);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 0, Qt::AlignHCenter);
    layout->addWidget(m_info);
    layout->addLayout(form);
    layout->addWidget(buttons);
    frameChanged();
}

int MakeSquareDialog::size() const
{
    return m_size->currentData().toInt();
}

void MakeSquareDialog::frameChanged()
{
    const QRect s = m_frame.square();
    m_info->setText(QStringLiteral("The square of %1 x %1 pixels at %2, %3 of the %4 x %5 picture.")
                        .arg(s.width()).arg(s.x()).arg(s.y())
                        .arg(m_frame.picture().width()).arg(m_frame.picture().height()));
    const QSignalBlocker quiet(m_side);
    m_side->setValue(s.width());
    m_view->update();
}

SquareFrameView::SquareFrameView(const QImage& picture, MakeSquareDialog& dialog)
    : QWidget(&dialog), m_dialog(dialog)
{
    m_shown = picture.scaled(kViewSide, kViewSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    m_scale = m_shown.isNull() || m_shown.width() == 0 ? 1.0 : double(picture.width()) / m_shown.width();
    setFixedSize(m_shown.size());
    setCursor(Qt::SizeAllCursor);
}

QRect SquareFrameView::frameRect() const
{
    const QRect s = m_dialog.square();
    return QRect(qRound(s.x() / m_scale), qRound(s.y() / m_scale), qRound(s.width() / m_scale),
                 qRound(s.height() / m_scale));
}

void SquareFrameView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_shown);
    const QRect frame = frameRect();
    // What is cut away is dimmed, so the square reads as the cover.
    QPainterPath outside;
    outside.addRect(rect());
    QPainterPath inside;
    inside.addRect(frame);
    painter.fillPath(outside.subtracted(inside), QColor(0, 0, 0, 140));
    painter.setPen(QPen(Qt::white, 2, Qt::DashLine));
    painter.drawRect(frame.adjusted(1, 1, -1, -1));
}

void SquareFrameView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_grab = event->position().toPoint();
    m_grabFrame = m_dialog.square().topLeft();
}

void SquareFrameView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    const QPoint moved = event->position().toPoint() - m_grab;
    m_dialog.frame().moveTo(m_grabFrame + QPoint(qRound(moved.x() * m_scale), qRound(moved.y() * m_scale)));
    m_dialog.frameChanged();
}

void SquareFrameView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
}

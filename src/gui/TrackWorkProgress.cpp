#include "gui/TrackWorkProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>

namespace {
constexpr int kSteps = 1000;
constexpr int kEventIntervalMs = 30; // often enough to repaint and see Cancel, rare enough to cost nothing
} // namespace

TrackWorkProgress::TrackWorkProgress(QWidget* owner) : m_owner(owner) {}

TrackWorkProgress::~TrackWorkProgress()
{
    delete m_dialog;
}

void TrackWorkProgress::begin(const QString& text)
{
    if (!m_dialog) {
        m_dialog = new QProgressDialog(m_owner);
        m_dialog->setObjectName(QStringLiteral("trackProgress"));
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setAutoReset(false);
        m_dialog->setAutoClose(false);
        m_dialog->setMinimumDuration(400);
        m_dialog->setRange(0, kSteps);
    }
    m_dialog->setWindowTitle(text);
    m_dialog->setLabelText(text);
    m_dialog->reset();
    m_dialog->setValue(0);
    m_sinceEvents.start();
}

bool TrackWorkProgress::advance(qint64 done, qint64 total)
{
    if (!m_dialog)
        return true;
    if (m_sinceEvents.elapsed() >= kEventIntervalMs) {
        // setValue lets events run once the dialog is shown (it is modal).
        m_dialog->setValue(total > 0 ? int(std::clamp<qint64>(done * kSteps / total, 0, kSteps - 1)) : 0);
        QCoreApplication::processEvents();
        m_sinceEvents.restart();
    }
    return !m_dialog->wasCanceled();
}

void TrackWorkProgress::end()
{
    if (m_dialog) {
        m_dialog->reset();
        m_dialog->hide();
    }
}

#include "net/CTimeout.h"

#include <climits>

CTimeout::CTimeout(QObject* parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CTimeout::tick, Qt::DirectConnection);
}

void CTimeout::arm()
{
    if (m_timeOutValue <= 0) {
        m_timer.stop();
        return;
    }
    m_intervalMs = std::min<qint64>(qint64(m_timeOutValue) * m_unitMs, INT_MAX);
    m_sinceReset.start();
    if (!m_timer.isActive() || m_timer.remainingTime() > m_intervalMs)
        m_timer.start(static_cast<int>(m_intervalMs));
}

void CTimeout::tick()
{
    const qint64 remaining = m_intervalMs - m_sinceReset.elapsed();
    if (remaining > 0) {
        // Reset since the timer was armed: wait for the rest of the interval.
        m_timer.start(static_cast<int>(remaining));
        return;
    }
    // Periodic: the next tick one interval after this one, unless the handler changes it.
    m_sinceReset.start();
    m_timer.start(static_cast<int>(m_intervalMs));
    emit TimeOut();
}

void CTimeout::StartTimer()
{
    if (m_timeOutValue <= 0)
        return;
    m_started = true;
    arm();
}

void CTimeout::StopTimer()
{
    if (m_started)
        m_timer.stop();
}

void CTimeout::Reset()
{
    m_started = true;
    arm();
}

#include "net/CTimeout.h"

CTimeout::CTimeout(QObject* parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CTimeout::TimeOut, Qt::DirectConnection);
}

void CTimeout::arm()
{
    if (m_timeOutValue <= 0) {
        m_timer.stop();
        return;
    }
    m_timer.start(static_cast<int>(std::min<qint64>(qint64(m_timeOutValue) * m_unitMs, INT_MAX)));
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

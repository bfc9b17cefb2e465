#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// A periodic watchdog: raises TimeOut every TimeOutValue seconds while it runs. Each object owns
// its own timer, so destroying one never stops another's.
class CTimeout : public QObject {
    Q_OBJECT
public:
    explicit CTimeout(QObject* parent = nullptr);

    // Does nothing while TimeOutValue <= 0; re-arms a timer that was started before.
    void StartTimer();
    void StopTimer();
    // Restarts the countdown from zero (and a stopped timer) with the current TimeOutValue.
    void Reset();

    int TimeOutValue() const { return m_timeOutValue; }
    // Takes effect at the next StartTimer or Reset.
    void setTimeOutValue(int seconds) { m_timeOutValue = seconds; }

    // Length of one unit of TimeOutValue in milliseconds (1000); tests shorten it.
    int timeUnitMs() const { return m_unitMs; }
    void setTimeUnitMs(int ms) { m_unitMs = ms > 0 ? ms : 1000; }

    bool isRunning() const { return m_timer.isActive(); }

signals:
    void TimeOut();

private:
    void arm();
    void tick();

    // The system timer is re-armed only when it fires: a Reset just notes the time, so that
    // resetting on every received block costs next to nothing.
    QTimer m_timer;
    QElapsedTimer m_sinceReset;
    qint64 m_intervalMs = 0;
    int m_timeOutValue = 0;
    int m_unitMs = 1000;
    bool m_started = false; // the timer has been created once; kept after StopTimer
};

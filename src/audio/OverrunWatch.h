#pragma once

#include <QtGlobal>

// Finds input that a device dropped because it was not collected in time. Whenever everything the
// device held has been read, the shortfall of the frames received against the clock is measured; a
// growth by more than the threshold since the previous measurement is audio that never arrived.
// The slow drift between the device's clock and the computer's stays below the threshold.
class OverrunWatch {
public:
    OverrunWatch(int sampleRate, int thresholdMs) : m_rate(sampleRate), m_threshold(qint64(thresholdMs) * sampleRate / 1000) {}

    // After a read that left nothing behind: milliseconds since the start and the frames received
    // so far. Returns the frames found lost now.
    qint64 drained(qint64 elapsedMs, qint64 frames)
    {
        const qint64 shortfall = elapsedMs * m_rate / 1000 - frames;
        const qint64 lost = m_measured && shortfall - m_last > m_threshold ? shortfall - m_last : 0;
        m_last = shortfall;
        m_measured = true;
        m_lost += lost;
        return lost;
    }
    qint64 lost() const { return m_lost; }

private:
    int m_rate;
    qint64 m_threshold;
    qint64 m_last = 0;
    bool m_measured = false;
    qint64 m_lost = 0;
};

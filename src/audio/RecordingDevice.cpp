#include "audio/RecordingDevice.h"

#include <algorithm>

RecordingDevice::RecordingDevice(AudioSystem& audio) : m_audio(audio)
{
    refresh();
}

void RecordingDevice::refresh()
{
    m_devices = m_audio.inputDevices();
    if (m_device >= m_devices.size())
        selectDevice(-1);
}

QStringList RecordingDevice::deviceNames() const
{
    QStringList names;
    for (const AudioDeviceInfo& d : m_devices)
        names << d.name;
    return names;
}

void RecordingDevice::selectDevice(int index)
{
    m_device = index >= 0 && index < m_devices.size() ? index : -1;
    if (m_line >= lineNames().size())
        m_line = -1;
}

int RecordingDevice::maxChannels() const
{
    const int chosen = m_device >= 0 ? m_device : m_audio.defaultInputDevice();
    return chosen >= 0 && chosen < m_devices.size() ? m_devices[chosen].maxChannels : 0;
}

QStringList RecordingDevice::lineNames() const
{
    QStringList lines;
    const int most = maxChannels();
    if (most >= 1)
        lines << QStringLiteral("Mono");
    if (most >= 2)
        lines << QStringLiteral("Stereo");
    return lines;
}

void RecordingDevice::selectLine(int index)
{
    m_line = index >= 0 && index < lineNames().size() ? index : -1;
}

int RecordingDevice::defaultLineOf(int device) const
{
    if (device < 0 || device >= m_devices.size())
        return -1;
    // The device's own layout: stereo where it has two channels.
    return m_devices[device].maxChannels >= 2 ? 1 : 0;
}

int RecordingDevice::channels() const
{
    if (m_line >= 0)
        return m_line + 1;
    return std::clamp(maxChannels(), 1, 2);
}

QString RecordingDevice::lineKey() const
{
    const QString id = m_device >= 0 ? m_devices[m_device].id : QStringLiteral("default");
    return id + QLatin1Char('/') + QString::number(m_line);
}

int RecordingDevice::level() const
{
    return m_levels.value(lineKey(), kMaxLevel);
}

void RecordingDevice::setLevel(int level)
{
    m_levels.insert(lineKey(), std::clamp(level, 0, kMaxLevel));
}

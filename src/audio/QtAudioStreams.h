#pragma once

#include "audio/AudioSystem.h"
#include "audio/OverrunWatch.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QElapsedTimer>
#include <QIODevice>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>

class QAudioSink;
class QAudioSource;

// What the sink pulls from: the feeder's float frames in the sink's sample format.
class FeederDevice : public QIODevice {
public:
    FeederDevice(AudioOutputStream::Feeder feeder, const QAudioFormat& format);

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool ended() const { return m_ended; }
    qint64 framesGiven() const { return m_given; }
    qint64 msSinceEnd() const { return m_ended ? m_sinceEnd.elapsed() : 0; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    AudioOutputStream::Feeder m_feeder;
    QAudioFormat m_format;
    std::vector<float> m_buffer;
    bool m_ended = false;
    qint64 m_given = 0;
    QElapsedTimer m_sinceEnd;
};

// Playback through a QAudioSink that pulls on the GUI thread.
class QtAudioOutput : public AudioOutputStream {
public:
    QtAudioOutput(const QAudioDevice& device, const QAudioFormat& format, const AudioBuffering& buffering);
    ~QtAudioOutput() override;

    bool start(Feeder feeder) override;
    void pause() override;
    void resume() override;
    void stop() override;
    qint64 playedFrames() const override;
    bool isFinished() const override;

private:
    QAudioFormat m_format;
    AudioBuffering m_buffering;
    std::unique_ptr<QAudioSink> m_sink;
    std::unique_ptr<FeederDevice> m_device;
    bool m_stopped = false;
    // The sink reports its position in steps; between them the position moves on with the clock.
    mutable qint64 m_lastProcessed = -1;
    mutable qint64 m_lastPlayed = 0;
    mutable QElapsedTimer m_sinceProcessed;
};

// Recording through a QAudioSource that lives on a thread of its own, so a busy window never
// keeps the device waiting: what arrives is queued until the owner takes it.
class QtAudioInput : public AudioInputStream {
public:
    QtAudioInput(const QAudioDevice& device, const QAudioFormat& format, const AudioBuffering& buffering);
    ~QtAudioInput() override;

    bool start() override;
    void stop() override;
    std::vector<float> take() override;
    int channels() const override { return m_format.channelCount(); }
    void setLevel(float level) override { m_level = level; }
    bool isLost() const override;
    qint64 droppedFrames() const override { return m_dropped; }

private:
    bool openOnThread();
    void closeOnThread();
    void readOnThread();
    void checkDevice();

    QAudioDevice m_device;
    QAudioFormat m_format;
    AudioBuffering m_buffering;
    QThread m_thread;
    QObject* m_context = nullptr; // lives on m_thread; parent of the source
    QAudioSource* m_source = nullptr;
    QIODevice* m_io = nullptr;
    bool m_running = false;
    std::mutex m_mutex;
    std::vector<float> m_queue;
    std::atomic<float> m_level{1.0f};
    std::atomic<bool> m_lost{false};
    std::atomic<qint64> m_dropped{0};
    qint64 m_received = 0;
    QElapsedTimer m_clock;
    std::unique_ptr<OverrunWatch> m_watch;
    QElapsedTimer m_sinceDeviceCheck;
};

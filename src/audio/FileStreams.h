#pragma once

#include "audio/AudioSystem.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class AudioDecoder;

// Audio files played on the output device by handle (0 stands for none), the way fire-and-forget
// play-back uses them: a file is decoded while it plays, several streams sound together, and a
// stream that reached its end gives its device and decoder back by itself. Every call on a handle
// that is not (or no longer) there does nothing.
class FileStreams : public QObject {
    Q_OBJECT
public:
    explicit FileStreams(AudioSystem& audio, QObject* parent = nullptr);
    ~FileStreams() override;

    void setBuffering(const AudioBuffering& buffering) { m_buffering = buffering.sane(); }

    // A stream on the file; 0 when it cannot be read as audio.
    quint32 StreamCreateFile(const QString& path);
    // Starts a stream; with restart from its beginning. False when there is no output device.
    bool ChannelPlay(quint32 handle, bool restart);
    bool ChannelStop(quint32 handle);
    bool ChannelIsActive(quint32 handle) const;
    void StreamFree(quint32 handle);
    // Streams playing now.
    int activeCount() const;

private:
    struct Stream;
    void tick();

    AudioSystem& m_audio;
    AudioBuffering m_buffering;
    QHash<quint32, std::shared_ptr<Stream>> m_streams;
    quint32 m_nextHandle = 1;
    QTimer m_tick;
};

#pragma once

#include "audio/AudioSystem.h"

#include <memory>
#include <utility>

// A recording device that delivers what the test puts in, and overruns or goes away on request.
class ScriptedInput : public AudioInputStream {
public:
    struct Script {
        std::vector<float> pending; // interleaved, taken at the next tick
        qint64 dropped = 0;
        bool lost = false;
        int channels = 2;
    };
    explicit ScriptedInput(std::shared_ptr<Script> script) : m_script(std::move(script)) {}
    bool start() override { return true; }
    void stop() override {}
    std::vector<float> take() override { return std::exchange(m_script->pending, {}); }
    int channels() const override { return m_script->channels; }
    void setLevel(float) override {}
    bool isLost() const override { return m_script->lost; }
    qint64 droppedFrames() const override { return m_script->dropped; }

private:
    std::shared_ptr<Script> m_script;
};

// An audio system with a list of recording devices and no output: what the settings and the
// device selection see, without a sound server. With `input` set, recordings read that script.
class FakeAudioSystem : public AudioSystem {
public:
    QList<AudioDeviceInfo> devices;
    std::shared_ptr<ScriptedInput::Script> input;

    quint32 version() const override { return kExpectedVersionHigh << 16; }
    bool init(int, int) override { return false; }
    bool isInitialised() const override { return false; }
    int lastErrorCode() const override { return 23; }
    QList<AudioDeviceInfo> inputDevices() const override { return devices; }
    std::unique_ptr<AudioInputStream> openInput(int, const AudioStreamSpec&) override
    {
        return input ? std::make_unique<ScriptedInput>(input) : nullptr;
    }
};

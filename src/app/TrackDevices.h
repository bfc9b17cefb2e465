#pragma once

class AudioEditor;

// What the episode editor asks of the sound devices: play and record its track, and the "Audio
// settings" dialog. The editor calls these for Tools > "Play", "Pause", "Stop", "Start recording"
// and "Preferences..." and never touches a device itself, so the window and its tests run without
// a sound card. All calls come on the GUI thread.
//
// A recording writes into the attached editor through AudioEditor::startRecording, recordFrames
// and finishRecording (one undo step), and reports its meter with AudioEditor::reportLevels.
class TrackDevices {
public:
    virtual ~TrackDevices() = default;

    // The track the editor window holds while it is open; nullptr when it closes. Playback and
    // recording end before the editor goes away.
    virtual void attach(AudioEditor* editor) = 0;
    // "BufPar1" (total buffer, ms), "BufPar2" (number of buffers), "BufPar3" (tick, ms) for both
    // the playback and the recording device, applied when the editor opens.
    virtual void setBuffers(int totalMs, int count, int tickMs) = 0;

    // Plays the track (the selection, or from the cursor); false when nothing could play.
    virtual bool play() = 0;
    virtual void pause() = 0;
    // Ends playback and recording; a recording becomes part of the track.
    virtual void stop() = 0;
    // Records into the track at its cursor; false when no recording started (no device, the
    // user said no ...), and then the editor changes nothing.
    virtual bool startRecording() = 0;
    virtual bool isRecording() const = 0;
    // The "Audio settings" dialog (devices, buffers and folders, tags), owned by the editor.
    virtual void showSettings() = 0;
};

// No devices: nothing plays, nothing records, no dialog appears.
class NullTrackDevices : public TrackDevices {
public:
    void attach(AudioEditor*) override {}
    void setBuffers(int, int, int) override {}
    bool play() override { return false; }
    void pause() override {}
    void stop() override {}
    bool startRecording() override { return false; }
    bool isRecording() const override { return false; }
    void showSettings() override {}
};

#pragma once

#include "audio/AudioTypes.h"
#include "audio/BlockStore.h"
#include "audio/ChapterMarks.h"
#include "audio/EncoderSettings.h"
#include "audio/LoudnessNormalizer.h"
#include "audio/SampleSequence.h"

#include <QObject>

#include <algorithm>
#include <climits>
#include <deque>
#include <memory>

class SampleProcessor;

// The episode editor's audio track: one track with a cursor and a selection, its undo history, a
// clipboard, tags, file input and output and the effects. Positions and lengths count sample
// frames. Every edit makes one undo step; effects work on the selection, or on the whole track
// when nothing is selected. Devices (play, record, levels) and the view attach from outside: they
// read the samples and listen to the signals.
class AudioEditor : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultUndoDepth = 1000;

    explicit AudioEditor(QObject* parent = nullptr);
    ~AudioEditor() override;

    // --- the track
    void NewTrack(int sampleRate = 44100, int channels = 2);
    AudioStatus OpenTrack(const QString& path);
    // flag and option are accepted for the callers' sake and have no effect.
    AudioStatus SaveTrack(const QString& path, bool flag = false, int option = 0);
    void CloseTrack();
    bool hasTrack() const { return m_open; }
    int sampleRate() const { return m_rate; }
    int channels() const { return m_samples.channels(); }
    qint64 frames() const { return m_samples.frames(); }
    double seconds() const { return m_rate > 0 ? double(frames()) / m_rate : 0.0; }
    const SampleSequence& samples() const { return m_samples; }
    // Format name of the file opened last ("mp3", "wav" ...), empty for a new track.
    QString openedFormat() const { return m_openedFormat; }
    // Inserts interleaved frames at a position as one undo step (what a recording or a generator
    // delivers); the inserted part becomes the selection.
    AudioStatus insertSamples(qint64 at, const float* interleaved, qint64 frames);
    // Recording (or any stream of frames) into the track: frames arrive in pieces and become one
    // undo step when the recording finishes. Nothing else may edit the track in between. While it
    // runs, the track shows what has arrived so far (trackChanged after every piece).
    bool startRecording(qint64 at);
    AudioStatus recordFrames(const float* interleaved, qint64 frames);
    AudioStatus finishRecording();
    bool isRecording() const { return m_recording != nullptr; }
    qint64 recordedFrames() const { return m_recordedFrames; }
    // Play-back and recording devices report their meter through the editor's level events.
    void reportLevels(int left, int right) { emit levelStereo(left, right); }
    // Play-back reports where it is through the position event; the edit cursor stays where it is.
    void reportPosition(qint64 frame) { emit position(int(std::clamp<qint64>(frame, 0, INT_MAX))); }
    // Rate and channels assumed for .raw and .pcm files when opening (44100, 2 unless set).
    void setRawFormat(int sampleRate, int channels);

    // --- cursor and selection
    qint64 cursor() const { return m_cursor; }
    void setCursor(qint64 frame);
    bool hasSelection() const { return m_selLength > 0; }
    qint64 selectionStart() const { return m_selStart; }
    qint64 selectionLength() const { return m_selLength; }
    void setSelection(qint64 start, qint64 length);
    void selectAll();
    void clearSelection();

    // --- history
    bool Undo();
    bool Redo();
    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    int undoCount() const { return int(m_undo.size()); }
    void setUndoDepth(int depth);
    int UndoDepth() const { return m_undoDepth; }

    // --- clipboard
    bool Copy();
    bool Cut();
    bool Paste();
    // Mixes the clipboard in at the cursor: track at trackPercent, clipboard at clipPercent.
    AudioStatus MixPaste(float trackPercent, float clipPercent);
    // Mixes a file in: its audio at levelPercent of its own level, the track unchanged, starting at
    // positionMs into the track, or at the cursor when positionMs is negative.
    AudioStatus MixFromFile(qint16 levelPercent, const QString& path, qint16 positionMs);
    const SampleSequence& clipboard() const { return m_clipboard; }

    // --- tags and settings
    AudioTags tags() const { return m_tags; }
    void setTags(const AudioTags& tags) { m_tags = tags; }
    void setTempFolder(const QString& folder);
    QString TempFolder() const;
    void setMemoryBudget(qint64 bytes) { m_store.setMemoryBudget(bytes); }
    BlockStore& store() { return m_store; }
    void setEncoderSettings(const EncoderSettings& settings) { m_encoder = settings; }
    EncoderSettings encoderSettings() const { return m_encoder; }
    // Called during long operations; returning false cancels the operation, which leaves the
    // track as it was.
    void setProgressHandler(ProgressFunction handler) { m_progressHandler = std::move(handler); }

    // --- effects (percentages and levels as the editor's commands pass them)
    AudioStatus amplify(float percent);
    AudioStatus fade(float fromPercent, float toPercent);
    AudioStatus normalize(float peakPercent, bool sameGainForAllChannels);
    AudioStatus invert();
    AudioStatus flanger(float mixPercent, float feedbackPercent, float maxDelayMs, float depthPercent,
                        float periodSeconds, int waveform);
    AudioStatus delay(float delayMs, float dryPercent, float echoPercent);
    AudioStatus vibrato(float depthCents, float rateHz, int waveform);
    AudioStatus stretch(float durationPercent);
    AudioStatus insertSilence(qint32 milliseconds);
    AudioStatus removeSilence(float thresholdDb, float minimumSeconds, float keepPercent);
    AudioStatus bandPass(float centreHz, float qPercent);
    AudioStatus lowPass(float cutoffHz, float qPercent);
    AudioStatus highPass(float cutoffHz, float qPercent);
    AudioStatus lowShelf(float cornerHz, float gainDb, float slopePercent);
    AudioStatus highShelf(float cornerHz, float gainDb, float slopePercent);

    // --- chapter marks, sorted by time. They stay at their times when the track is edited and
    // go with the track (New, Open and Close clear them).
    const std::vector<ChapterMark>& chapterMarks() const { return m_marks; }
    void setChapterMarks(std::vector<ChapterMark> marks);
    // Each returns the index the mark has afterwards, or -1 when there is no such mark.
    int addChapterMark(double seconds, const QString& title);
    int renameChapterMark(int index, const QString& title);
    int moveChapterMark(int index, double seconds);
    bool removeChapterMark(int index);
    // The mark nearest to a time; -1 when there is none.
    int nearestChapterMark(double seconds) const;

    // --- loudness (of the selection, or of the whole track when nothing is selected)
    LoudnessReport measureLoudness();
    // One gain to the target integrated loudness, then the true-peak limiter: one undo step.
    // *before and *result (when given) receive the measurement and the outcome.
    AudioStatus normalizeLoudness(double targetLufs, double ceilingDbtp, LoudnessReport* before = nullptr,
                                  LoudnessNormalizer::Result* result = nullptr);

signals:
    // Meter of the device layer (play-back, recording), 0..100 a side.
    void levelStereo(int left, int right);
    // Long operations report their progress here as 0..100, and as done/total below.
    void level(int value);
    // Cursor moved (frame), for the view and the time displays.
    void position(int frame);
    // The selection changed, whatever changed it (the view, an edit, undo, a new track).
    void selectionChanged(qint64 start, qint64 length);
    void progress(qint64 done, qint64 total);
    void trackChanged();
    void chapterMarksChanged();

private:
    struct State {
        SampleSequence samples;
        int rate = 44100;
        qint64 cursor = 0, selStart = 0, selLength = 0;
    };

    State state() const;
    void restore(const State& s);
    // Makes the current state one undo step and puts samples in place.
    void commit(const SampleSequence& samples, qint64 selStart, qint64 selLength);
    // Emits selectionChanged when the selection differs from the one last announced.
    void announceSelection();
    void effectRange(qint64* start, qint64* length) const;
    bool reportProgress(qint64 done, qint64 total);
    AudioStatus applyProcessor(SampleProcessor& processor);
    // A change of level of the effect range: new views of the same blocks, no sample copied.
    AudioStatus applyGain(float factor);
    SampleSequence adaptChannels(const SampleSequence& in, int channels, bool* ok);

    BlockStore m_store;
    SampleSequence m_samples;
    SampleSequence m_clipboard;
    int m_rate = 44100;
    bool m_open = false;
    qint64 m_cursor = 0, m_selStart = 0, m_selLength = 0;
    qint64 m_announcedStart = 0, m_announcedLength = 0;
    std::deque<State> m_undo, m_redo;
    int m_undoDepth = kDefaultUndoDepth;
    AudioTags m_tags;
    EncoderSettings m_encoder;
    ProgressFunction m_progressHandler;
    QString m_openedFormat;
    int m_rawRate = 44100, m_rawChannels = 2;
    int m_lastLevel = -1;
    std::vector<ChapterMark> m_marks;
    std::unique_ptr<SequenceBuilder> m_recording;
    SampleSequence m_recordBase; // the track as it was when the recording started
    qint64 m_recordAt = 0;
    qint64 m_recordedFrames = 0;
};

#pragma once

#include <QWidget>

class AudioEditor;

// The 12-pixel vertical level bar at the right edge of the audio track. It shows the editor's
// stereo level (the integer half of left plus right) and its single level (the value itself),
// 0 to 100, filled from the bottom on a linear scale: the editor's levels are percentages already
// (device meters per side, and the progress of long work). Made as a child of the track, it keeps
// the track's right 12 pixels free through the track's contents margins and follows its size.
class LevelBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 12;
    static constexpr int kMinimum = 0;
    static constexpr int kMaximum = 100;

    LevelBar(AudioEditor* editor, QWidget* track);

    int value() const { return m_value; }
    void setValue(int value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();

    QWidget* m_track;
    int m_value = kMinimum;
};

#pragma once

#include <QWidget>

#include <memory>

class AudioEditor;
class QPainter;
class QScrollBar;
class TrackPainter;

// The audio track of the episode editor: a time ruler, one lane per channel drawn as a waveform
// or as a spectrogram, the cursor, the selection, the play position and its time display, and a
// scroll bar. The editor holds the cursor and the selection; the view sets them from the mouse and
// the keyboard and follows them when anything else changes them.
class AudioTrackView : public QWidget {
    Q_OBJECT
public:
    enum ViewMode { Waveform = 0, Spectral = 1 };
    // Deepest zoom: this many pixels for one frame.
    static constexpr int kMaxPixelsPerFrame = 16;

    explicit AudioTrackView(AudioEditor* editor, QWidget* parent = nullptr);
    ~AudioTrackView() override;

    void setViewMode(int mode);
    int viewMode() const { return m_mode; }

    void zoomIn();
    void zoomOut();
    void zoomToSelection();
    // The whole track in the width of the view (the widest zoom).
    void zoomToFit();
    bool canZoomIn() const;
    bool canZoomOut() const;

    // Frames per pixel column (below 1 when zoomed in past single frames).
    double framesPerPixel() const { return m_step; }
    // Index of the track's pixel column shown at the left edge of the lanes.
    qint64 firstColumn() const { return m_scroll; }
    void scrollToColumn(qint64 column);
    // The frame under x (widget coordinates), clamped to the track; and the x where frame is drawn.
    qint64 frameAt(int x) const;
    int xForFrame(qint64 frame) const;
    // The area of the lanes, below the ruler and above the scroll bar.
    QRect lanesRect() const;
    // Last frame reported by the editor's position event (the play position while playing).
    qint64 playPosition() const { return m_position; }
    // Spectral columns computed so far (each computed once until the track or the zoom changes).
    qint64 spectrumComputations() const;
    // Drops what the view keeps between repaints, so the next one computes everything again.
    void dropCaches();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void cursorMoved(qint64 frame);
    void selectionChanged(qint64 start, qint64 length);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void onTrackChanged();
    void onPosition(int frame);
    void onEditorSelection(qint64 start, qint64 length);
    void noticeCursor();
    // Sets the selection between the anchor and the moving end (a cursor when they meet).
    void applySelection();
    void setStep(double step, qint64 keepFrame, int keepX);
    double fitStep() const;
    qint64 totalColumns() const;
    void updateScrollBar();
    void ensureVisible(qint64 frame);
    void layoutChildren();
    void paintChapterMarks(QPainter& p, const QRect& lanes);

    AudioEditor* m_editor;
    QScrollBar* m_bar;
    std::unique_ptr<TrackPainter> m_painter;
    int m_mode = Waveform;
    double m_step = 1.0;
    bool m_fit = true;
    qint64 m_scroll = 0;
    qint64 m_barUnit = 1;
    qint64 m_anchor = 0, m_head = 0;
    bool m_dragging = false;
    qint64 m_position = 0;
    qint64 m_lastCursor = 0;
};

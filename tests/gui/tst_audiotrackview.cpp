#include "../audio/SignalUtil.h"
#include "audio/AudioEditor.h"
#include "audio/TrackCommands.h"
#include "gui/AudioTrackView.h"
#include "gui/LevelBar.h"

#include <QSignalSpy>
#include <QtTest>

// The audio track widget driven as a user would: zoom, mouse, keys, and the level bar beside it.
class TestAudioTrackView : public QObject {
    Q_OBJECT

    struct Fixture {
        AudioEditor editor;
        AudioTrackView view{&editor};
        Fixture(double seconds = 10.0)
        {
            signal::load(editor, 44100, 2, signal::sine(44100, 2, seconds, 440, 0.6));
            view.resize(820, 260);
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
        }
        int y() const { return view.lanesRect().center().y(); }
    };

    static void render(AudioTrackView& view)
    {
        QPixmap pixmap(view.size());
        view.render(&pixmap);
    }

private slots:
    void pixelsMapToFrames_data()
    {
        QTest::addColumn<int>("zoomIns");
        QTest::newRow("whole track") << 0;
        QTest::newRow("4 times in") << 4;
        QTest::newRow("12 times in (frames)") << 12;
        QTest::newRow("deepest (16 pixels a frame)") << 40;
    }

    void pixelsMapToFrames()
    {
        QFETCH(int, zoomIns);
        Fixture f;
        f.editor.setCursor(200000);
        const int cursorX = f.view.xForFrame(200000);
        for (int i = 0; i < zoomIns; ++i)
            f.view.zoomIn();
        const QRect lanes = f.view.lanesRect();
        const double step = f.view.framesPerPixel();
        if (zoomIns == 0) {
            QCOMPARE(f.view.frameAt(lanes.left()), 0);
            QCOMPARE(f.view.frameAt(lanes.right() + 1), f.editor.frames());
            QVERIFY(!f.view.canZoomOut());
        } else {
            QCOMPARE(step, std::max(1.0 / 16, double(f.editor.frames()) / lanes.width() / std::ldexp(1.0, zoomIns)));
            // Zooming keeps the cursor where it was on screen.
            QVERIFY(std::abs(f.view.xForFrame(200000) - cursorX) <= 1);
        }
        QCOMPARE(f.view.canZoomIn(), step > 1.0 / 16);
        for (int x : {lanes.left(), lanes.left() + 1, lanes.center().x(), lanes.right()}) {
            const qint64 frame = f.view.frameAt(x);
            QCOMPARE(frame, qint64(std::llround((f.view.firstColumn() + x - lanes.left()) * step)));
            // Zoomed in past frames, a click goes to the nearest frame boundary.
            QVERIFY(std::abs(f.view.xForFrame(frame) - x) <= std::max(1.0, 0.5 / step) + 1);
        }
    }

    void mouseSelects()
    {
        Fixture f;
        QSignalSpy selections(&f.view, &AudioTrackView::selectionChanged);
        QSignalSpy cursors(&f.view, &AudioTrackView::cursorMoved);
        const int x1 = 200, x2 = 500, x3 = 650;
        QTest::mousePress(&f.view, Qt::LeftButton, {}, QPoint(x1, f.y()));
        QCOMPARE(f.editor.cursor(), f.view.frameAt(x1));
        QCOMPARE(cursors.last().at(0).toLongLong(), f.view.frameAt(x1));
        QTest::mouseMove(&f.view, QPoint(x2, f.y()));
        QTest::mouseRelease(&f.view, Qt::LeftButton, {}, QPoint(x2, f.y()));
        QCOMPARE(f.editor.selectionStart(), f.view.frameAt(x1));
        QCOMPARE(f.editor.selectionLength(), f.view.frameAt(x2) - f.view.frameAt(x1));
        QCOMPARE(selections.last().at(1).toLongLong(), f.editor.selectionLength());
        // Shift+click moves the nearer end.
        QTest::mouseClick(&f.view, Qt::LeftButton, Qt::ShiftModifier, QPoint(x3, f.y()));
        QCOMPARE(f.editor.selectionStart(), f.view.frameAt(x1));
        QCOMPARE(f.editor.selectionLength(), f.view.frameAt(x3) - f.view.frameAt(x1));
        // A drag to the left of where it started selects backwards.
        QTest::mousePress(&f.view, Qt::LeftButton, {}, QPoint(x2, f.y()));
        QTest::mouseMove(&f.view, QPoint(x1, f.y()));
        QTest::mouseRelease(&f.view, Qt::LeftButton, {}, QPoint(x1, f.y()));
        QCOMPARE(f.editor.selectionStart(), f.view.frameAt(x1));
        QCOMPARE(f.editor.selectionLength(), f.view.frameAt(x2) - f.view.frameAt(x1));
        // A plain click drops the selection.
        QTest::mouseClick(&f.view, Qt::LeftButton, {}, QPoint(x3, f.y()));
        QVERIFY(!f.editor.hasSelection());
        QCOMPARE(f.editor.cursor(), f.view.frameAt(x3));
    }

    void keysMoveAndSelect_data()
    {
        QTest::addColumn<QList<int>>("keys"); // key codes, negative with Shift
        QTest::addColumn<qint64>("cursor"); // in pixel steps; it starts at 100
        QTest::addColumn<qint64>("selStart");
        QTest::addColumn<qint64>("selLength");
        QTest::newRow("right") << QList<int>{Qt::Key_Right, Qt::Key_Right} << 102ll << 0ll << 0ll;
        QTest::newRow("left") << QList<int>{Qt::Key_Left} << 99ll << 0ll << 0ll;
        QTest::newRow("shift+right three times") << QList<int>{-Qt::Key_Right, -Qt::Key_Right, -Qt::Key_Right}
                                                 << 100ll << 100ll << 3ll;
        QTest::newRow("shift+left twice") << QList<int>{-Qt::Key_Left, -Qt::Key_Left} << 98ll << 98ll << 2ll;
        QTest::newRow("shift+right then shift+left back") << QList<int>{-Qt::Key_Right, -Qt::Key_Left} << 100ll << 0ll << 0ll;
        QTest::newRow("shift+right, right leaves at its end")
            << QList<int>{-Qt::Key_Right, -Qt::Key_Right, Qt::Key_Right} << 102ll << 0ll << 0ll;
        QTest::newRow("shift+home") << QList<int>{-Qt::Key_Home} << 0ll << 0ll << 100ll;
    }

    void keysMoveAndSelect()
    {
        QFETCH(QList<int>, keys);
        QFETCH(qint64, cursor);
        QFETCH(qint64, selStart);
        QFETCH(qint64, selLength);
        Fixture f;
        const qint64 pixel = qint64(std::llround(f.view.framesPerPixel()));
        f.editor.setCursor(100 * pixel);
        f.view.setFocus();
        for (int k : keys)
            QTest::keyClick(&f.view, Qt::Key(std::abs(k)), k < 0 ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(f.editor.cursor(), cursor * pixel);
        QCOMPARE(f.editor.selectionLength(), selLength * pixel);
        if (selLength > 0)
            QCOMPARE(f.editor.selectionStart(), selStart * pixel);
    }

    void followsTheEditor()
    {
        Fixture f(60.0);
        QSignalSpy cursors(&f.view, &AudioTrackView::cursorMoved);
        QSignalSpy selections(&f.view, &AudioTrackView::selectionChanged);
        f.view.zoomIn();
        f.view.zoomIn();
        f.editor.setCursor(44100 * 50);
        QCOMPARE(cursors.size(), 1);
        QCOMPARE(cursors.last().at(0).toLongLong(), 44100 * 50);
        f.editor.setSelection(1000, 5000);
        QCOMPARE(selections.last().at(0).toLongLong(), 1000);
        QCOMPARE(selections.last().at(1).toLongLong(), 5000);
        QCOMPARE(cursors.last().at(0).toLongLong(), 1000);
        QVERIFY(trackcommands::run(f.editor, "m_cut").ok());
        QCOMPARE(selections.last().at(1).toLongLong(), 0);
        // The play position moves the marker and pages the view along, not the cursor.
        const int before = int(cursors.size());
        f.editor.reportPosition(44100 * 40);
        QCOMPARE(f.view.playPosition(), 44100 * 40);
        QCOMPARE(cursors.size(), before);
        const int x = f.view.xForFrame(44100 * 40);
        QVERIFY(x >= f.view.lanesRect().left() && x <= f.view.lanesRect().right());
        // A new track is shown whole.
        f.editor.NewTrack();
        QVERIFY(!f.view.canZoomOut());
    }

    void spectrumIsComputedForTheScreenOnce()
    {
        Fixture f(600.0);
        f.view.setViewMode(AudioTrackView::Spectral);
        QCOMPARE(f.view.viewMode(), 1);
        render(f.view);
        const qint64 first = f.view.spectrumComputations();
        QCOMPARE(first, qint64(f.view.lanesRect().width()));
        render(f.view);
        f.editor.setCursor(1000);
        render(f.view);
        QCOMPARE(f.view.spectrumComputations(), first);
        QVERIFY(trackcommands::run(f.editor, "m_invert").ok());
        render(f.view);
        QCOMPARE(f.view.spectrumComputations(), 2 * first);
        f.view.setViewMode(AudioTrackView::Waveform);
        QCOMPARE(f.view.viewMode(), 0);
        render(f.view);
        QCOMPARE(f.view.spectrumComputations(), 2 * first);
    }

    void levelBarShowsTheEditorsLevels_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("single");
        QTest::addColumn<int>("expected");
        QTest::newRow("stereo: half the sum, rounded down") << 30 << 71 << -1 << 50;
        QTest::newRow("stereo: silent") << 0 << 0 << -1 << 0;
        QTest::newRow("stereo: full") << 100 << 100 << -1 << 100;
        QTest::newRow("single value") << -1 << -1 << 42 << 42;
        QTest::newRow("single value above the range") << -1 << -1 << 250 << 100;
    }

    void levelBarShowsTheEditorsLevels()
    {
        QFETCH(int, left);
        QFETCH(int, right);
        QFETCH(int, single);
        QFETCH(int, expected);
        Fixture f;
        LevelBar bar(&f.editor, &f.view);
        bar.setValue(7);
        if (single >= 0)
            emit f.editor.level(single);
        else
            f.editor.reportLevels(left, right);
        QCOMPARE(bar.value(), expected);
    }

    void levelBarFollowsTheTrack()
    {
        Fixture f;
        auto* bar = new LevelBar(&f.editor, &f.view);
        QCOMPARE(bar->geometry(), QRect(f.view.width() - 12, 0, 12, f.view.height()));
        f.view.resize(500, 330);
        QCOMPARE(bar->geometry(), QRect(500 - 12, 0, 12, 330));
        // The lanes end where the bar begins.
        QCOMPARE(f.view.lanesRect().right(), 500 - 12 - 1);
    }
};

QTEST_MAIN(TestAudioTrackView)
#include "tst_audiotrackview.moc"

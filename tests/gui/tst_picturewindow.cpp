// The "Edit picture" window on the whole program: opened from the main window, driven through
// its menus and buttons, read back from its widgets and the feed it leads to.

#include "../image/ImageMagick.h"
#include "app/PictureEditing.h"
#include "gui/MakeSquareDialog.h"
#include "gui/PictureWindow.h"
#include "support/ModalDialog.h"
#include "app/Session.h"
#include "gui/MainWindow.h"
#include "support/TestProgram.h"
#include "support/TestUtil.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QtTest>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

namespace {

using Program = testutil::TestProgram;

const QString kTooLarge =
    QStringLiteral("File dimension is larger than allowed (144x400). Do you want to auto-resize image?");

QString picture(const QString& path, const QStringList& args)
{
    return magick::convert(QStringList(args) << path) == 0 ? path : QString();
}

QString textOf(const QWidget& window, const char* name)
{
    if (auto* label = window.findChild<QLabel*>(QLatin1String(name)))
        return label->text();
    if (auto* edit = window.findChild<QLineEdit*>(QLatin1String(name)))
        return edit->text();
    qFatal("no text widget %s", name);
}

QPushButton* button(const QWidget& window, const char* name)
{
    auto* b = window.findChild<QPushButton*>(QLatin1String(name));
    if (!b)
        qFatal("no button %s", name);
    return b;
}

// A program with a new podcast named "Show", ready for its picture.
void startWithPodcast(Program& p)
{
    QVERIFY(p.start());
    p.window->action("m_new")->trigger();
    p.typeInto(p.field("Text1"), "Show");
}

} // namespace

class TestPictureWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!magick::available())
            QSKIP("ImageMagick is not installed");
    }

    // The Tools command and a click on the image area open the window; its menus are complete.
    void openedFromTheMainWindow()
    {
        Program p;
        startWithPodcast(p);
        QStringList seen;
        const auto readAndCancel = [&seen](PictureWindow& w) {
            QStringList menus;
            for (QMenu* m : w.findChildren<QMenu*>()) {
                if (!m->objectName().startsWith("m_"))
                    continue;
                QStringList items;
                for (QAction* a : m->actions())
                    if (!a->isSeparator())
                        items << a->objectName() + "=" + a->text();
                menus << m->title() + ": " + items.join(", ");
            }
            seen << w.windowTitle() << menus << w.findChild<QGroupBox*>("coverArt")->title();
            button(w, "cancel")->click();
        };
        testutil::onModalDialog<PictureWindow>(readAndCancel);
        p.window->action("m_image_edit")->trigger();
        QCOMPARE(seen, (QStringList{"Edit picture",
                                    "File: m_open=Open..., m_save=Save as..., m_remove=Remove, m_upload=Upload..., "
                                    "m_save_exit=Save && Close, m_exit=Close",
                                    "Edit: m_undo=Undo, m_redo=Redo",
                                    "Help: m_f1=Contents, m_what_this=What's this? Help",
                                    "Cover art (Apple Podcasts and apps)"}));
        seen.clear();
        testutil::onModalDialog<PictureWindow>(readAndCancel);
        QTest::mouseClick(p.widget<QWidget>("picFON"), Qt::LeftButton);
        QCOMPARE(seen.value(0), QString("Edit picture"));
        QVERIFY(p.prompts.messages.isEmpty());
    }

    // Open a large picture (fitted on request), undo and redo the fitting, OK, save: the feed
    // has the image fields.
    void openResizeUndoOkAndSave()
    {
        Program p;
        startWithPodcast(p);
        const QString big = picture(p.path("big.png"), {"-size", "300x200", "gradient:red-blue"});
        PictureEditing editing(*p.session);
        PictureWindow w(editing, p.window.get());
        w.show();
        QVERIFY(!w.action("m_undo")->isEnabled());
        QVERIFY(!w.action("m_remove")->isEnabled());

        p.prompts.queueFile(big);
        p.prompts.queueAnswer(MessageAnswer::Yes);
        w.action("m_open")->trigger();
        QCOMPARE(p.prompts.messageTexts(), QStringList{kTooLarge});
        QCOMPARE(textOf(w, "imageUrl"), QString("big.png"));
        QCOMPARE(w.findChild<QLabel*>("picture")->size(), QSize(144, 96));
        QTRY_VERIFY(w.action("m_undo")->isEnabled());
        QVERIFY(w.action("m_remove")->isEnabled());

        w.action("m_undo")->trigger();
        QCOMPARE(w.findChild<QLabel*>("picture")->size(), QSize(300, 200));
        QCOMPARE(textOf(w, "pictureInfo"), QString("300 x 200 pixels"));
        QVERIFY(w.action("m_redo")->isEnabled());
        w.action("m_redo")->trigger();
        QCOMPARE(textOf(w, "pictureInfo"), QString("144 x 96 pixels"));

        // A file that cannot be read is named, and nothing typed is lost.
        w.findChild<QLineEdit*>("title")->setText("Show logo");
        w.findChild<QLineEdit*>("link")->setText("https://show.example.com/");
        QVERIFY(testutil::writeFile(p.path("broken.jpg"), "\xFF\xD8\xFF not a picture"));
        p.prompts.queueFile(p.path("broken.jpg"));
        w.action("m_open")->trigger();
        QVERIFY(p.prompts.messageTexts().last().startsWith("Cannot open the image file"));
        QCOMPARE(textOf(w, "title"), QString("Show logo"));
        QCOMPARE(textOf(w, "imageUrl"), QString("big.png"));

        button(w, "ok")->click();
        QVERIFY(!w.isVisible());
        const Channel& c = p.session->document().channel;
        QCOMPARE(c.imageTitle, QString("Show logo"));
        QCOMPARE(c.imageUrl, QString("big.png"));
        // The user's own file is kept; the fitted picture goes beside it.
        QCOMPARE(c.imageFile, p.path("big-144x96.png"));
        QVERIFY(!p.widget<QLabel>("pic")->pixmap().isNull());

        p.saveAs(p.path("show"));
        const QByteArray feed = testutil::readFile(p.path("show.rss"));
        QVERIFY2(feed.contains("<url>big.png</url>"), feed.constData());
        QVERIFY(feed.contains("<title>Show logo</title>"));
        QVERIFY(feed.contains("<link>https://show.example.com/</link>"));
        QVERIFY(feed.contains("<width>144</width>"));
        QCOMPARE(magick::identify("%w %h", c.imageFile), QString("144 96"));
    }

    // Cover art: a photo is refused, made square with the frame moved, accepted, made into the
    // feed image; the feed's itunes:image names it.
    void coverArtMadeSquareAndUsedForTheFeed()
    {
        Program p;
        startWithPodcast(p);
        // Left half red, right half blue: the frame dragged right keeps blue only.
        const QString photo = picture(p.path("photo.jpg"), {"-size", "2000x3000", "xc:red", "-size",
                                                            "2000x3000", "xc:blue", "+append"});
        PictureEditing editing(*p.session);
        PictureWindow w(editing, p.window.get());
        w.show();
        QVERIFY(!button(w, "cover_square")->isEnabled());
        p.prompts.queueFile(photo);
        button(w, "cover_open")->click();
        QVERIFY2(textOf(w, "coverCheck").startsWith("4000 x 3000 pixels, JPEG, RGB"), qPrintable(textOf(w, "coverCheck")));
        QVERIFY(textOf(w, "coverCheck").contains("Not accepted: It is not square"));
        QVERIFY(button(w, "cover_square")->isEnabled());

        QRect chosen;
        testutil::onModalDialog<MakeSquareDialog>([&chosen](MakeSquareDialog& d) {
            SquareFrameView* view = d.view();
            const QPoint centre = view->frameRect().center();
            QTest::mousePress(view, Qt::LeftButton, {}, centre);
            QTest::mouseMove(view, centre + QPoint(view->width(), 0));
            QTest::mouseRelease(view, Qt::LeftButton, {}, centre + QPoint(view->width(), 0));
            auto* size = d.findChild<QComboBox*>("size");
            size->setCurrentIndex(size->findData(1400));
            chosen = d.square();
            d.accept();
        });
        p.prompts.queueFile(p.path("cover"), 0);
        button(w, "cover_square")->click();
        QCOMPARE(chosen, QRect(1000, 0, 3000, 3000));
        QCOMPARE(p.prompts.fileDialogs.last().title, QString("Save Cover Art"));
        const QString cover = p.path("cover.jpg");
        QCOMPARE(magick::identify("%m %w %h %[colorspace]", cover), QString("JPEG 1400 1400 sRGB"));
        // JPEG moves colours by a step or two.
        const QImage made = magick::decode(cover);
        QVERIFY(qAbs(made.pixelColor(10, 700).red() - 255) < 8 && made.pixelColor(10, 700).blue() < 8);
        QVERIFY(qAbs(made.pixelColor(1390, 700).blue() - 255) < 8 && made.pixelColor(1390, 700).red() < 8);
        QVERIFY(textOf(w, "coverCheck").contains("Accepted by Apple Podcasts and the apps."));

        w.findChild<QLineEdit*>("coverUrl")->setText("https://show.example.com/art/cover.jpg");
        button(w, "cover_to_feed")->click();
        QCOMPARE(textOf(w, "pictureInfo"), QString("144 x 144 pixels"));
        QCOMPARE(textOf(w, "imageUrl"), QString("https://show.example.com/art/cover-144x144.jpg"));
        w.action("m_save_exit")->trigger();

        const Channel& c = p.session->document().channel;
        QCOMPARE(c.itunesImage, QString("https://show.example.com/art/cover.jpg"));
        QCOMPARE(p.session->currentEntry()->coverPath, cover);
        p.saveAs(p.path("show"));
        const QByteArray feed = testutil::readFile(p.path("show.rss"));
        QVERIFY2(feed.contains("<itunes:image href=\"https://show.example.com/art/cover.jpg\""), feed.constData());
        QVERIFY(feed.contains("<url>https://show.example.com/art/cover-144x144.jpg</url>"));
        QCOMPARE(magick::identify("%w %h", c.imageFile), QString("144 144"));
    }
};

QTEST_MAIN(TestPictureWindow)
#include "tst_picturewindow.moc"

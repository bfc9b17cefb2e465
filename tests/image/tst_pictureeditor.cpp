#include "ImageMagick.h"
#include "image/PictureEditor.h"
#include "support/FakePrompts.h"
#include "support/TestUtil.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kTooLarge =
    QStringLiteral("File dimension is larger than allowed (144x400). Do you want to auto-resize image?");

} // namespace

class TestPictureEditor : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString make(const QString& name, const QStringList& args)
    {
        const QString file = m_dir.filePath(name);
        if (magick::convert(QStringList(args) << file) != 0)
            return {};
        return file;
    }
    QString picture(const QString& name, int width, int height)
    {
        return make(name, {"-size", QStringLiteral("%1x%2").arg(width).arg(height), "gradient:red-blue"});
    }

private slots:
    void initTestCase()
    {
        if (!magick::available())
            QSKIP("ImageMagick is not installed");
    }

    void sizeQuestion_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QSize>("shown");
        QTest::addColumn<int>("historyCount");
        QTest::newRow("144x400 fits") << QSize(144, 400) << false << false << QSize(144, 400) << 2;
        QTest::newRow("145x10 asks, yes fits it") << QSize(145, 10) << true << true << QSize(144, 10) << 3;
        QTest::newRow("145x10 asks, no keeps it") << QSize(145, 10) << true << false << QSize(145, 10) << 2;
        QTest::newRow("10x401 asks") << QSize(10, 401) << true << true << QSize(10, 400) << 3;
    }
    void sizeQuestion()
    {
        QFETCH(QSize, size);
        QFETCH(bool, asked);
        QFETCH(bool, yes);
        FakePrompts prompts;
        if (asked)
            prompts.queueAnswer(yes ? MessageAnswer::Yes : MessageAnswer::No);
        PictureEditor editor(prompts, ChannelImage(prompts), {});
        const QString file = picture(QStringLiteral("p%1x%2.png").arg(size.width()).arg(size.height()),
                                     size.width(), size.height());
        QVERIFY(editor.OpenPath(file));
        QCOMPARE(prompts.messageTexts(), asked ? QStringList{kTooLarge} : QStringList());
        QVERIFY(prompts.unexpected.isEmpty());
        QTEST(editor.PictureBoxSize(), "shown");
        // Fitting is a change of its own: Undo shows the picture at its own size.
        QTEST(editor.HistoryCount(), "historyCount");
        QCOMPARE(editor.fields.file, file);
        QCOMPARE(editor.fields.url, QFileInfo(file).fileName());
        if (editor.HistoryCount() == 3) {
            QVERIFY(editor.Undo());
            QCOMPARE(editor.PictureBoxSize(), size);
        }
    }

    void unreadableFilesChangeNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("broken jpeg") << "broken.jpg" << QByteArray("\xff\xd8\xff\xe0junk", 8)
                                     << "Cannot open the image file \"%1\".";
        QTest::newRow("text") << "notes.txt" << QByteArray("hello") << "Unknown image format.";
        QTest::newRow("missing") << "" << QByteArray() << "Cannot open the image file \"%1\".";
    }
    void unreadableFilesChangeNothing()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        FakePrompts prompts;
        const ChannelImageFields typed{"Title", "Desc", "https://example.org/", "cover.jpg", ""};
        PictureEditor editor(prompts, ChannelImage(prompts), typed);
        QVERIFY(editor.OpenPath(picture("first.jpg", 50, 60)));
        editor.fields.title = QStringLiteral("Typed later");
        const ChannelImageFields before = editor.fields;
        const QString file = name.isEmpty() ? m_dir.filePath("nothing-here.jpg") : m_dir.filePath(name);
        if (!name.isEmpty())
            QVERIFY(testutil::writeFile(file, content));
        QVERIFY(!editor.OpenPath(file));
        QCOMPARE(prompts.messageTexts().value(0), message.arg(file));
        QVERIFY(editor.fields == before);
        QCOMPARE(editor.PictureBoxSize(), QSize(50, 60));
        QCOMPARE(editor.HistoryCount(), 2);
    }

    void historyStepsThroughRealStates()
    {
        FakePrompts prompts;
        PictureEditor editor(prompts, ChannelImage(prompts), {});
        QVERIFY(!editor.Undo());
        QCOMPARE(editor.UndoPosition(), 0);
        for (int i = 1; i <= 12; ++i)
            QVERIFY(editor.OpenPath(picture(QStringLiteral("h%1.jpg").arg(i), 10 + i, 20)));
        QCOMPARE(editor.HistoryCount(), 11);
        QCOMPARE(editor.UndoPosition(), 10);
        QVERIFY(!editor.Redo()); // stops at 10
        QVERIFY(!editor.commandState().redo);
        QVERIFY(editor.Undo());
        QCOMPARE(editor.PictureBoxSize(), QSize(21, 20));
        QCOMPARE(QFileInfo(editor.fields.file).fileName(), QStringLiteral("h11.jpg"));
        while (editor.Undo()) {}
        QCOMPARE(editor.UndoPosition(), 0);
        QCOMPARE(editor.PictureBoxSize(), QSize(12, 20)); // the oldest two were dropped
        QVERIFY(!editor.commandState().undo);

        // Remove is a state too; a change after undoing drops the steps that were undone.
        QVERIFY(editor.Redo());
        editor.Remove();
        QVERIFY(!editor.image().HasPicture());
        QVERIFY(editor.fields == ChannelImageFields());
        QCOMPARE(editor.UndoPosition(), 2);
        QVERIFY(!editor.Redo());
        QVERIFY(editor.Undo());
        QCOMPARE(editor.PictureBoxSize(), QSize(13, 20));
        QCOMPARE(QFileInfo(editor.fields.file).fileName(), QStringLiteral("h3.jpg"));
    }

    void undoKeepsWhatTheUserTyped()
    {
        FakePrompts prompts;
        PictureEditor editor(prompts, ChannelImage(prompts), {"Show", "", "", "", ""});
        QVERIFY(editor.OpenPath(picture("a.jpg", 30, 30)));
        editor.fields.title = QStringLiteral("Typed after opening");
        QVERIFY(editor.OpenPath(picture("b.jpg", 40, 40)));
        QVERIFY(editor.Undo());
        QCOMPARE(editor.fields.title, QStringLiteral("Typed after opening"));
        QCOMPARE(editor.fields.url, QStringLiteral("a.jpg"));
    }

    void commandsFollowTheImageFile()
    {
        FakePrompts prompts;
        PictureEditor editor(prompts, ChannelImage(prompts), {});
        QCOMPARE(editor.commandState(), PictureEditor::CommandState{});
        QVERIFY(editor.OpenPath(picture("c.jpg", 30, 30)));
        PictureEditor::CommandState state = editor.commandState();
        QVERIFY(state.remove && state.upload && state.undo && !state.redo);
        QVERIFY(!state.coverSquare && !state.coverToFeed && !state.coverRemove);
        editor.fields.file.clear();
        QVERIFY(!editor.commandState().remove);
        QVERIFY(!editor.commandState().upload);
    }

    void dialogsAndSaveAs()
    {
        FakePrompts prompts;
        PictureEditor editor(prompts, ChannelImage(prompts), {});
        prompts.queueFile(picture("dlg.jpg", 40, 30));
        QVERIFY(editor.Open());
        QCOMPARE(prompts.fileDialogs[0].title, QStringLiteral("Open Image"));
        QCOMPARE(prompts.fileDialogs[0].filters[0].label, QStringLiteral("JPEG file (.jpg)"));
        prompts.queueCancelledFile();
        QVERIFY(!editor.Open());
        QCOMPARE(editor.HistoryCount(), 2);

        prompts.queueFile(m_dir.filePath("photo"), ChannelImage::SaveJpeg);
        QVERIFY(editor.SaveAs());
        prompts.queueFile(m_dir.filePath("other.jpeg"), ChannelImage::SaveJpeg);
        QVERIFY(editor.SaveAs());
        prompts.queueFile(m_dir.filePath("small"), ChannelImage::SaveGif);
        QVERIFY(editor.SaveAs());
        QCOMPARE(prompts.fileDialogs[2].title, QStringLiteral("Save Image"));
        QCOMPARE(magick::identify("%m %wx%h", m_dir.filePath("photo.jpg")), QStringLiteral("JPEG 40x30"));
        QCOMPARE(magick::identify("%m", m_dir.filePath("other.jpeg")), QStringLiteral("JPEG"));
        QCOMPARE(magick::identify("%m", m_dir.filePath("small.gif")), QStringLiteral("GIF"));
    }

    void links()
    {
        FakePrompts prompts;
        PictureEditor editor(prompts, ChannelImage(prompts),
                             {"", "", " https://example.org/show ", "", ""});
        editor.OpenLink();
        editor.OpenImageUrl(); // empty: nothing opens
        editor.fields.url = QStringLiteral("https://example.org/i.jpg");
        editor.OpenImageUrl();
        QCOMPARE(prompts.openedUrls,
                 (QStringList{"https://example.org/show", "https://example.org/i.jpg"}));
    }

    void acceptKeepsAFittedPictureBesideTheUsersFile()
    {
        FakePrompts prompts;
        prompts.queueAnswer(MessageAnswer::Yes);
        PictureEditor editor(prompts, ChannelImage(prompts), {});
        const QString big = picture("wide.jpg", 600, 300);
        const QByteArray original = testutil::readFile(big);
        QVERIFY(editor.OpenPath(big));
        const ChannelImage result = editor.Accept();
        QCOMPARE(QFileInfo(editor.fields.file).fileName(), QStringLiteral("wide-144x72.jpg"));
        ChannelImage saved = result;
        QVERIFY(saved.SaveToImageFile(editor.fields.file));
        QCOMPARE(magick::identify("%wx%h", editor.fields.file), QStringLiteral("144x72"));
        QCOMPARE(testutil::readFile(big), original);
    }

    void coverArtInTheEditor()
    {
        FakePrompts prompts;
        PictureEditor editor(prompts, ChannelImage(prompts),
                             {"", "", "", "https://cdn.example.org/show/logo.jpg", ""});
        const QString photo = make("photo.jpg", {"-size", "1800x1500", "gradient:yellow-green"});
        QVERIFY(editor.OpenCoverPath(photo));
        QVERIFY(!editor.coverCheck().accepted());
        QCOMPARE(editor.cover.url, QStringLiteral("https://cdn.example.org/show/photo.jpg"));
        QVERIFY(editor.commandState().coverSquare);

        prompts.queueFile(m_dir.filePath("square"), 0);
        QVERIFY(editor.MakeSquare(QRect(300, 0, 1500, 1500), 1400));
        QCOMPARE(prompts.fileDialogs.last().title, QStringLiteral("Save Cover Art"));
        QCOMPARE(editor.cover.file, m_dir.filePath("square.jpg"));
        QCOMPARE(editor.cover.url, QStringLiteral("https://cdn.example.org/show/square.jpg"));
        QVERIFY(editor.coverCheck().accepted());
        QCOMPARE(magick::identify("%m %wx%h %[colorspace]", editor.cover.file),
                 QStringLiteral("JPEG 1400x1400 sRGB"));

        QVERIFY(editor.UseCoverForFeedImage());
        QCOMPARE(editor.PictureBoxSize(), QSize(144, 144));
        QCOMPARE(QFileInfo(editor.fields.file).fileName(), QStringLiteral("square-144x144.jpg"));
        QCOMPARE(editor.fields.url, QStringLiteral("https://cdn.example.org/show/square-144x144.jpg"));
        QVERIFY(editor.Undo());
        QVERIFY(!editor.image().HasPicture());

        QVERIFY(!editor.OpenCoverPath(m_dir.filePath("absent.png")));
        QCOMPARE(editor.cover.file, m_dir.filePath("square.jpg"));
        editor.RemoveCover();
        QVERIFY(editor.cover == CoverArtFields());
        QVERIFY(!editor.commandState().coverSquare);
    }

    void coverSaveNameRule_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("result");
        QTest::newRow("jpeg added") << "cover" << 0 << "cover.jpg";
        QTest::newRow(".jpeg kept") << "cover.jpeg" << 0 << "cover.jpeg";
        QTest::newRow("png added") << "cover" << 1 << "cover.png";
        QTest::newRow(".PNG kept") << "COVER.PNG" << 1 << "COVER.PNG";
    }
    void coverSaveNameRule()
    {
        QFETCH(QString, name);
        QFETCH(int, filter);
        QTEST(PictureEditor::CoverNameWithExtension(name, filter), "result");
    }

    void addressBeside_data()
    {
        QTest::addColumn<QString>("imageUrl");
        QTest::addColumn<QString>("result");
        QTest::newRow("web folder") << "https://example.org/a/logo.gif?x=1" << "https://example.org/a/c.jpg";
        QTest::newRow("host only") << "http://example.org" << "http://example.org/c.jpg";
        QTest::newRow("file name") << "logo.gif" << "c.jpg";
        QTest::newRow("empty") << "" << "c.jpg";
    }
    void addressBeside()
    {
        QFETCH(QString, imageUrl);
        QTEST(PictureEditor::AddressBeside(imageUrl, QStringLiteral("c.jpg")), "result");
    }
};

QTEST_MAIN(TestPictureEditor)
#include "tst_pictureeditor.moc"

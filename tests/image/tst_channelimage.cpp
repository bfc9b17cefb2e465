#include "ImageMagick.h"
#include "image/ChannelImage.h"
#include "image/ImageHeader.h"
#include "image/cGif.h"
#include "support/FakePrompts.h"
#include "support/TestUtil.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kTooLarge =
    QStringLiteral("File dimension is larger than allowed (144x400). Do you want to auto-resize image?");

ChannelImageFields someFields()
{
    return {QStringLiteral("My show"), QStringLiteral("Cover"), QStringLiteral("https://example.org/"),
            QStringLiteral("https://example.org/cover.jpg"), QStringLiteral("/pictures/cover.jpg")};
}

bool sameFields(const ChannelImageFields& a, const ChannelImageFields& b)
{
    return a.title == b.title && a.description == b.description && a.link == b.link && a.url == b.url
           && a.file == b.file;
}

} // namespace

class TestChannelImage : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString make(const QString& name, const QStringList& args)
    {
        const QString file = m_dir.filePath(name);
        if (magick::convert(QStringList(args) << file) != 0)
            return {};
        return file;
    }

private slots:
    void initTestCase()
    {
        if (!magick::available())
            QSKIP("ImageMagick is not installed");
    }

    void headerInformation_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::addColumn<QSize>("size");
        QTest::newRow("gif") << QStringList{"-size", "145x10", "xc:red"} << "a.gif" << 1 << QSize(145, 10);
        QTest::newRow("jpeg with comment and exif room") << QStringList{"-size", "77x401", "gradient:", "-comment", QString(3000, 'c')} << "a.jpg" << 2 << QSize(77, 401);
        QTest::newRow("progressive jpeg") << QStringList{"-size", "33x22", "gradient:", "-interlace", "JPEG"} << "p.jpg" << 2 << QSize(33, 22);
        QTest::newRow("png") << QStringList{"-size", "20x30", "xc:blue"} << "a.png" << 3 << QSize(20, 30);
        QTest::newRow("bmp") << QStringList{"-size", "12x7", "xc:blue"} << "a.bmp" << 4 << QSize(12, 7);
        QTest::newRow("tiff is unknown") << QStringList{"-size", "12x7", "xc:blue"} << "a.tif" << 0 << QSize(0, 0);
    }

    void headerInformation()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(QSize, size);
        const QString file = make(name, args);
        QVERIFY(!file.isEmpty());
        const ImageHeader info = ImageHeader::fromFile(file);
        QCOMPARE(info.type, type);
        QCOMPARE(QSize(info.width, info.height), size);
    }

    void sizeQuestion()
    {
        FakePrompts prompts;
        ChannelImage image(prompts);
        ChannelImageFields fields = someFields();
        QVERIFY(image.LoadShowPicture(make("limit.jpg", {"-size", "144x400", "xc:green"}), fields));
        QVERIFY(prompts.messages.isEmpty());
        QCOMPARE(image.PictureBoxSize(), QSize(144, 400));

        // Too wide, kept as it is when the user says No.
        prompts.queueAnswer(MessageAnswer::No);
        QVERIFY(image.LoadShowPicture(make("wide.bmp", {"-size", "145x10", "xc:green"}), fields));
        QCOMPARE(prompts.messageTexts(), QStringList{kTooLarge});
        QCOMPARE(prompts.messages[0].icon, MessageIcon::Exclamation);
        QCOMPARE(prompts.messages[0].buttons, MessageButtons::YesNo);
        QVERIFY(!image.AutoResizeWanted());
        QCOMPARE(image.Picture().size(), QSize(145, 10));
        QVERIFY(!image.IsModified());
    }

    void autoResizeKeepsTheAspectRatio()
    {
        FakePrompts prompts;
        ChannelImage image(prompts);
        ChannelImageFields fields;
        prompts.queueAnswer(MessageAnswer::Yes);
        QVERIFY(image.LoadShowPicture(make("banner.png", {"-size", "300x100", "gradient:red-blue"}), fields));
        QVERIFY(image.AutoResizeWanted());
        QCOMPARE(image.Picture().size(), QSize(144, 48));
        QCOMPARE(image.PictureBoxSize(), QSize(144, 48));
        QVERIFY(image.IsModified());
        // Colours are blended, not dropped: the top-left stays red, the top-right blue.
        QVERIFY(qRed(image.Picture().pixel(0, 0)) > 240);
        QVERIFY(qBlue(image.Picture().pixel(0, 47)) > 240);

        prompts.queueAnswer(MessageAnswer::Yes);
        QVERIFY(image.LoadShowPicture(make("tall.gif", {"-size", "50x1000", "xc:yellow"}), fields));
        QCOMPARE(image.Picture().size(), QSize(20, 400));
    }

    void cameraPhotoOverQtsDefaultLimitLoadsAndFits()
    {
        // 8000 x 6000 decodes to 192 MB, past the 128 MB Qt allows unless told otherwise.
        FakePrompts prompts;
        ChannelImage image(prompts);
        ChannelImageFields fields;
        prompts.queueAnswer(MessageAnswer::Yes);
        QVERIFY(image.LoadShowPicture(make("photo.jpg", {"-size", "8000x6000", "xc:orange"}), fields));
        QCOMPARE(prompts.messageTexts(), QStringList{kTooLarge});
        QCOMPARE(image.Picture().size(), QSize(144, 108));
        QVERIFY(qRed(image.Picture().pixel(70, 50)) > 240);
    }

    void pngIsRewrittenOnlyWhenItsPixelsChange()
    {
        FakePrompts prompts;
        ChannelImage image(prompts);
        ChannelImageFields fields;
        const QString png = make("logo.png", {"-size", "40x30", "gradient:white-navy"});
        const QByteArray before = testutil::readFile(png);
        QVERIFY(image.LoadShowPicture(png, fields));
        QCOMPARE(image.CurrentImageType(), int(ImageHeader::Png));
        QCOMPARE(image.Picture().size(), QSize(40, 30));
        QCOMPARE(image.Picture().pixel(0, 0), qRgb(255, 255, 255));
        QVERIFY(image.SaveToImageFile(png));
        QVERIFY(!image.MySaveImage(png, ImageHeader::Png)); // the save dialog offers no PNG
        QCOMPARE(testutil::readFile(png), before);
        QCOMPARE(image.FileForPicture(png), png);

        // A changed picture is kept as PNG in a file of its own, beside the user's.
        image.SetPicture(image.Picture().mirrored());
        const QString kept = image.FileForPicture(png);
        QCOMPARE(QFileInfo(kept).fileName(), QStringLiteral("logo-40x30.png"));
        QVERIFY(image.SaveToImageFile(kept));
        QCOMPARE(testutil::readFile(png), before);
        QCOMPARE(magick::identify("%m %wx%h", kept), QStringLiteral("PNG 40x30"));
        QCOMPARE(image.FileForPicture(png), kept);
        QVERIFY(prompts.messages.isEmpty());
    }

    void unchangedPictureIsNotWrittenAgain()
    {
        FakePrompts prompts;
        ChannelImage image(prompts);
        ChannelImageFields fields;
        const QString jpg = make("photo.jpg", {"-seed", "4", "-size", "120x90", "plasma:fractal"});
        const QByteArray before = testutil::readFile(jpg);
        const QDateTime stamp = QFileInfo(jpg).lastModified();
        QVERIFY(image.LoadShowPicture(jpg, fields));
        QVERIFY(!image.IsModified());
        QVERIFY(image.SaveToImageFile(jpg));
        QCOMPARE(testutil::readFile(jpg), before);
        QCOMPARE(QFileInfo(jpg).lastModified(), stamp);

        // Saving to another file, and after a change, does write; then it stops again.
        const QString copy = m_dir.filePath("copy.jpg");
        QVERIFY(image.SaveToImageFile(copy));
        QVERIFY(QFileInfo::exists(copy));
        image.SetPicture(image.Picture().mirrored());
        QVERIFY(image.SaveToImageFile(jpg));
        const QByteArray rewritten = testutil::readFile(jpg);
        QVERIFY(rewritten != before);
        QVERIFY(image.SaveToImageFile(jpg));
        QCOMPARE(testutil::readFile(jpg), rewritten);

        // The upload copy of an unchanged picture is the file itself.
        QVERIFY(image.LoadShowPicture(jpg, fields));
        const QString upload = m_dir.filePath("~image.tmp");
        QVERIFY(image.WriteForUpload(upload));
        QCOMPARE(testutil::readFile(upload), rewritten);
        // Its file gone, the picture in memory is written in the format it was opened in.
        QVERIFY(QFile::remove(jpg));
        QVERIFY(image.WriteForUpload(upload));
        QCOMPARE(ImageHeader::fromFile(upload).type, int(ImageHeader::Jpeg));
        QVERIFY(prompts.messages.isEmpty());
    }

    void missingOrUnreadableFilesKeepEverything()
    {
        FakePrompts prompts;
        ChannelImage image(prompts);
        ChannelImageFields fields = someFields();
        QVERIFY(image.LoadShowPicture(make("keep.gif", {"-size", "10x10", "xc:red"}), fields));
        const QImage shown = image.Picture();

        const QString missing = m_dir.filePath("moved-away.jpg");
        QVERIFY(!image.LoadShowPicture(missing, fields));
        QCOMPARE(prompts.messageTexts(), QStringList{QStringLiteral("Cannot open the image file \"%1\".").arg(missing)});
        QVERIFY(sameFields(fields, someFields()));
        QCOMPARE(image.Picture(), shown);

        // A JPEG cut after its header: recognised, not readable.
        const QString full = make("cut.jpg", {"-size", "30x30", "xc:red"});
        QVERIFY(testutil::writeFile(full, testutil::readFile(full).left(200)));
        prompts.messages.clear();
        QVERIFY(!image.LoadShowPicture(full, fields));
        QCOMPARE(prompts.messageTexts(), QStringList{QStringLiteral("Cannot open the image file \"%1\".").arg(full)});
        QVERIFY(sameFields(fields, someFields()));
        QCOMPARE(image.CurrentImageType(), int(ImageHeader::Gif));

        // A GIF whose frame leaves the screen.
        QByteArray gif = testutil::readFile(m_dir.filePath("keep.gif"));
        gif[6] = 2; // logical screen 2 pixels wide
        const QString bad = m_dir.filePath("bad.gif");
        QVERIFY(testutil::writeFile(bad, gif));
        prompts.messages.clear();
        QVERIFY(!image.LoadShowPicture(bad, fields));
        QCOMPARE(prompts.messages.size(), 1);
        QVERIFY(sameFields(fields, someFields()));
    }

    void unknownFormatEmptiesTheImageFields()
    {
        FakePrompts prompts;
        ChannelImage image(prompts);
        ChannelImageFields fields = someFields();
        QVERIFY(image.LoadShowPicture(make("first.bmp", {"-size", "10x10", "xc:red"}), fields));
        const QString text = m_dir.filePath("notes.txt");
        QVERIFY(testutil::writeFile(text, "just some words"));
        QVERIFY(!image.LoadShowPicture(text, fields));
        QCOMPARE(prompts.messageTexts(), QStringList{"Unknown image format."});
        QCOMPARE(prompts.messages[0].icon, MessageIcon::Exclamation);
        QVERIFY(!image.HasPicture());
        QCOMPARE(image.CurrentImageType(), 0);
        QVERIFY(fields.title.isEmpty() && fields.description.isEmpty() && fields.link.isEmpty()
                && fields.url.isEmpty());

        // A format the platform reads but a feed does not take: no message, still emptied.
        fields = someFields();
        prompts.messages.clear();
        QVERIFY(!image.LoadShowPicture(make("other.ppm", {"-size", "5x5", "xc:red"}), fields));
        QVERIFY(prompts.messages.isEmpty());
        QVERIFY(fields.title.isEmpty());
    }

    void gifTransparencySurvivesSaving()
    {
        FakePrompts prompts;
        ChannelImage image(prompts);
        ChannelImageFields fields;
        const QString source = make("clear.gif", {"-size", "30x20", "xc:red", "-fill", "blue", "-draw", "rectangle 5,5,20,15", "-transparent", "red"});
        QVERIFY(image.LoadShowPicture(source, fields));
        QVERIFY(image.Transparency().used);
        const QString saved = m_dir.filePath("saved.gif");
        QVERIFY(image.MySaveImage(saved, ImageHeader::Gif));
        const QImage theirs = magick::decode(saved);
        QCOMPARE(theirs.size(), QSize(30, 20));
        QCOMPARE(qAlpha(theirs.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(theirs.pixel(29, 19)), 0);
        QCOMPARE(theirs.pixel(10, 10), qRgb(0, 0, 255));
    }

    void gifShowsItsFirstFrameOnTheLogicalScreen()
    {
        FakePrompts prompts;
        ChannelImage image(prompts);
        ChannelImageFields fields;
        cDib blue;
        QVERIFY(blue.Create(5, 4, 8));
        blue.Cls(qRgb(0, 0, 0));
        std::memset(blue.lpBits(), 1, size_t(blue.Size()));
        cGif gif;
        gif.SetScreenSize(20, 16);
        gif.SetGlobalPalette(QByteArray::fromHex("0000ff00" "ff000000")); // red, blue
        QCOMPARE(gif.FrameInsert(0, blue, true), 0);
        gif.SetFramePosition(0, 6, 7);
        const QString file = m_dir.filePath("placed.gif");
        QVERIFY(gif.Save(file));
        QCOMPARE(magick::identify("%W %H %X %Y", file), QStringLiteral("20 16 +6 +7"));
        QVERIFY(image.LoadShowPicture(file, fields));
        QCOMPARE(image.Picture().size(), QSize(20, 16));
        QCOMPARE(image.Picture().pixel(6, 7), qRgb(0, 0, 255));
        QCOMPARE(image.Picture().pixel(10, 10), qRgb(0, 0, 255));
        QCOMPARE(image.Picture().pixel(11, 11), qRgb(255, 0, 0)); // the background colour
        QCOMPARE(image.Picture().pixel(5, 7), qRgb(255, 0, 0));
    }

    void savesJpegGifAndBmpThatImageMagickReads()
    {
        FakePrompts prompts;
        ChannelImage image(prompts);
        ChannelImageFields fields;
        QVERIFY(image.LoadShowPicture(make("src.bmp", {"-seed", "2", "-size", "64x48", "plasma:fractal"}), fields));
        const QImage picture = image.Picture();

        const QString jpg = m_dir.filePath("out.jpg");
        QVERIFY(image.MySaveImage(jpg, ImageHeader::Jpeg));
        QCOMPARE(magick::identify("%m %w %h %Q %[interlace]", jpg), QStringLiteral("JPEG 64 48 90 None"));
        // About as close to the picture as ImageMagick's own quality-90 file with the same
        // (libjpeg's default) chroma subsampling.
        const QString reference = m_dir.filePath("reference.jpg");
        QCOMPARE(magick::convert({m_dir.filePath("src.bmp"), "-quality", "90", "-sampling-factor", "2x2", reference}), 0);
        const auto error = [&](const QImage& decoded) {
            double sum = 0;
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 64; ++x)
                    sum += qAbs(qRed(decoded.pixel(x, y)) - qRed(picture.pixel(x, y)))
                           + qAbs(qGreen(decoded.pixel(x, y)) - qGreen(picture.pixel(x, y)));
            return sum / (64 * 48);
        };
        const double ours = error(magick::decode(jpg));
        const double theirs = error(magick::decode(reference));
        QVERIFY2(ours <= theirs * 1.25 + 0.5, qPrintable(QStringLiteral("%1 vs %2").arg(ours).arg(theirs)));

        const QString bmp = m_dir.filePath("out.bmp");
        QVERIFY(image.MySaveImage(bmp, ImageHeader::Bmp));
        const QImage bmpBack = magick::decode(bmp);
        QCOMPARE(bmpBack.pixel(13, 17), picture.pixel(13, 17));

        const QString gif = m_dir.filePath("out.gif");
        QVERIFY(image.MySaveImage(gif, ImageHeader::Gif));
        const QImage gifBack = magick::decode(gif);
        // The 216-colour cube without dithering: every channel a multiple of 51, the nearest one.
        for (int y = 0; y < 48; y += 5)
            for (int x = 0; x < 64; x += 5) {
                const QRgb want = picture.pixel(x, y);
                const QRgb got = gifBack.pixel(x, y);
                QCOMPARE(qRed(got), (qRed(want) + 25) / 51 * 51);
                QCOMPARE(qBlue(got), (qBlue(want) + 25) / 51 * 51);
            }
        QVERIFY(prompts.messages.isEmpty());
    }

    void jpegFailureIsReported()
    {
        FakePrompts prompts;
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::red);
        const QString target = m_dir.filePath("no/such/folder/x.jpg");
        QVERIFY(!ChannelImage::MySaveImage(prompts, picture, target, ImageHeader::Jpeg));
        QCOMPARE(prompts.messageTexts(), QStringList{"Failed to save to JPG. Please check file attributes."});
        QCOMPARE(prompts.messages[0].icon, MessageIcon::Exclamation);
        QVERIFY(!QFileInfo::exists(target));
    }

    void dialogs()
    {
        QCOMPARE(ChannelImage::NameWithExtension("photo", ChannelImage::SaveJpeg), QStringLiteral("photo.jpg"));
        QCOMPARE(ChannelImage::NameWithExtension("photo.jpeg", ChannelImage::SaveJpeg), QStringLiteral("photo.jpeg"));
        QCOMPARE(ChannelImage::NameWithExtension("my.JPG.old", ChannelImage::SaveJpeg), QStringLiteral("my.JPG.old"));
        QCOMPARE(ChannelImage::NameWithExtension("photo.jpg", ChannelImage::SaveGif), QStringLiteral("photo.jpg.gif"));
        QCOMPARE(ChannelImage::NameWithExtension("a.Bmp", ChannelImage::SaveBmp), QStringLiteral("a.Bmp"));

        FakePrompts prompts;
        ChannelImage image(prompts);
        ChannelImageFields fields = someFields();
        const QString file = make("cover.gif", {"-size", "10x10", "xc:red"});
        prompts.queueFile(file);
        QVERIFY(image.Open(fields));
        QCOMPARE(fields.file, file);
        QCOMPARE(fields.url, QStringLiteral("cover.gif"));
        QCOMPARE(fields.title, QStringLiteral("My show"));
        QCOMPARE(prompts.fileDialogs[0].title, QStringLiteral("Open Image"));
        QCOMPARE(prompts.fileDialogs[0].filters.size(), 3);
        QCOMPARE(prompts.fileDialogs[0].filters[0].label, QStringLiteral("JPEG file (.jpg)"));
        QCOMPARE(prompts.fileDialogs[0].filters[2].patterns, QStringLiteral("*.*"));

        prompts.queueFile(m_dir.filePath("saved-as"), ChannelImage::SaveBmp);
        QVERIFY(image.SaveAs());
        QCOMPARE(prompts.fileDialogs[1].title, QStringLiteral("Save Image"));
        QCOMPARE(ImageHeader::fromFile(m_dir.filePath("saved-as.bmp")).type, int(ImageHeader::Bmp));
        prompts.queueCancelledFile();
        QVERIFY(!image.SaveAs());

        image.Remove(fields);
        QVERIFY(!image.HasPicture());
        QVERIFY(sameFields(fields, ChannelImageFields()));
    }

};

QTEST_MAIN(TestChannelImage)
#include "tst_channelimage.moc"

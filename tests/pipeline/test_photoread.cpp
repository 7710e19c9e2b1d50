// The checks every reader of the program makes before it decodes a photo file (a regular file, a
// size within the pixel limit), and the widening of decoded photos to the engine's widths.
#include "iqphotoread.h"
#include "photofixtures.h"
#include "registerrawplugin.h"
#include "tinydng.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using photofixtures::UnwrittenFifo;

class PhotoReadTest : public ::testing::Test {
protected:
    void SetUp() override {
        registerRawPlugin();
        ASSERT_TRUE(dir.isValid());
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QString writeFile(const char* name, const QByteArray& bytes) {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    QTemporaryDir dir;
};

TEST_F(PhotoReadTest, OnlyRegularFilesAndLinksToThemCountAsPhotoFiles) {
    QImage picture(6, 4, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(path("photo.png")));
    UnwrittenFifo fifo(path("fifo.png"));
    ASSERT_TRUE(fifo.isValid());
    ASSERT_TRUE(photofixtures::makeSocketFile(path("socket.png")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
    ASSERT_TRUE(QFile::link(path("photo.png"), path("link.png")));
    ASSERT_TRUE(QFile::link(path("fifo.png"), path("link-to-fifo.png")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path("zero.png")));
    ASSERT_TRUE(QFile::link(path("gone.png"), path("dangling.png")));

    const struct {
        QString path;
        bool regular;
    } cases[] = {
        {path("photo.png"), true},
        {path("link.png"), true},
        {path("fifo.png"), false},
        {path("link-to-fifo.png"), false},
        {path("socket.png"), false},
        {path("folder.png"), false},
        {path("zero.png"), false},
        {QStringLiteral("/dev/null"), false},
        {path("dangling.png"), false},
        {path("missing.png"), false},
        {QString(), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isRegularFile(c.path), c.regular) << c.path.toStdString();

    // Refused before the reader touches the path: nobody opened the FIFO.
    for (const char* name : {"fifo.png", "link-to-fifo.png"}) {
        QImageReader reader;
        EXPECT_FALSE(setUpPhotoReader(&reader, path(name))) << name;
    }
    EXPECT_FALSE(fifo.wasOpened());
}

TEST_F(PhotoReadTest, PicturesUpTo256MegapixelsAreWithinTheLimit) {
    const struct {
        QSize size;
        bool within;
    } cases[] = {
        {QSize(20000, 12000), true}, // a real large photo
        {QSize(16000, 16000), true}, // exactly 256,000,000 pixels
        {QSize(16000, 16001), false},
        {QSize(256000001, 1), false},
        {QSize(30000, 30000), false},
        {QSize(65535, 65535), false}, // the largest a JPEG header can claim
        {QSize(1, 1), true},
        {QSize(), true}, // a size the reader cannot tell
    };
    for (const auto& c : cases)
        EXPECT_EQ(isWithinPixelLimit(c.size), c.within)
            << c.size.width() << " x " << c.size.height();
}

TEST_F(PhotoReadTest, AReaderIsTurnedAwayByTheSizeItsFileClaims) {
    TinyDng dng;
    dng.scene = QImage(62, 46, QImage::Format_RGB32);
    dng.scene.fill(Qt::gray);
    const struct {
        const char* name;
        QByteArray bytes;
        QSize reported;
        bool accepted;
    } cases[] = {
        {"lying.jpg", photofixtures::jpegClaiming(QSize(30000, 30000)), QSize(30000, 30000), false},
        {"wide.jpg", photofixtures::jpegClaiming(QSize(65000, 4000)), QSize(65000, 4000), false},
        {"large.jpg", photofixtures::jpegClaiming(QSize(20000, 12000)), QSize(20000, 12000), true},
        {"small.jpg", photofixtures::smallJpeg(), QSize(16, 16), true},
        {"camera.dng", makeTinyDng(dng), QSize(62, 46), true}, // the RAW plugin tells its size
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.bytes.isEmpty());
        const QString file = writeFile(c.name, c.bytes);
        QImageReader reader;
        EXPECT_EQ(setUpPhotoReader(&reader, file), c.accepted);
        EXPECT_EQ(reader.size(), c.reported);
        EXPECT_TRUE(reader.autoTransform());
        EXPECT_EQ(reader.fileName(), file);
    }
    // A picture within the limit is then read as usual.
    QImageReader reader;
    ASSERT_TRUE(setUpPhotoReader(&reader, path("small.jpg")));
    EXPECT_EQ(reader.read().size(), QSize(16, 16));
}

TEST_F(PhotoReadTest, WideningStretchesToTheMultipleAndKeepsTranslucentColoursStraight) {
    const QRgb straight = qRgba(200, 100, 50, 128);
    const struct {
        int width, multiple, widened;
    } cases[] = {
        {9, 4, 12}, {8, 4, 8}, {1, 4, 4}, {45, 32, 64}, {64, 32, 64}, {1000, 32, 1024},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " to a multiple of " << c.multiple);
        QImage photo(c.width, 3, QImage::Format_ARGB32);
        photo.fill(straight);
        const QImage widened = widenedArgb(photo, c.multiple);
        ASSERT_EQ(widened.size(), QSize(c.widened, 3));
        ASSERT_EQ(widened.format(), QImage::Format_ARGB32);
        if (c.width == c.widened) {
            EXPECT_EQ(widened, photo); // untouched
            continue;
        }
        // Straight again: only the 8-bit premultiplication at alpha 128 may cost one step.
        for (int y = 0; y < widened.height(); ++y)
            for (int x = 0; x < widened.width(); ++x) {
                const QRgb p = reinterpret_cast<const QRgb*>(widened.constScanLine(y))[x];
                ASSERT_EQ(qAlpha(p), 128) << x << "," << y;
                ASSERT_NEAR(qRed(p), 200, 1) << x << "," << y;
                ASSERT_NEAR(qGreen(p), 100, 1) << x << "," << y;
                ASSERT_NEAR(qBlue(p), 50, 1) << x << "," << y;
            }
    }
}

TEST_F(PhotoReadTest, WideningAnOpaquePhotoIsQtsSmoothStretch) {
    // Any 32-bit or 24-bit photo: the same pixels Qt's smooth scaling gives, in ARGB32.
    QImage photo(37, 5, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb(7 * x, 40 * y, 255 - 6 * x));
    const QImage expected = photo.convertToFormat(QImage::Format_ARGB32)
                                .scaled(40, 5, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(widenedArgb(photo, 4), expected);
    EXPECT_EQ(widenedArgb(photo.convertToFormat(QImage::Format_RGB888), 4), expected);
    EXPECT_TRUE(widenedArgb(QImage(), 4).isNull());
}

} // namespace

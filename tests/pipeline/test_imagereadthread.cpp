// The read job of the editing page: upright, 32-bit ARGB, width a multiple of 4, one signal.
#include "iqimagereadthread.h"
#include "photofixtures.h"
#include "rawtestsupport.h"
#include "registerrawplugin.h"
#include "tinydng.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

class ImageReadThread : public ::testing::Test {
protected:
    void SetUp() override {
        registerRawPlugin();
        ASSERT_TRUE(dir.isValid());
    }

    // Runs a job as the editing page does and returns what it delivered to this thread.
    QList<QImage> readAll(const QString& path) {
        auto* job = new IQImageReadThread(path);
        QPointer<IQImageReadThread> alive(job);
        QObject::connect(job, &QThread::finished, job, &QObject::deleteLater);
        QObject receiver; // lives here: results arrive queued, as on the GUI thread
        QList<QImage> delivered;
        QObject::connect(job, &IQImageReadThread::readFinished, &receiver,
                         [&delivered](const QImage& image) { delivered << image; });
        job->start(QThread::InheritPriority);
        EXPECT_TRUE(job->wait(60000));
        deliverQueuedEvents();
        EXPECT_TRUE(alive.isNull()) << "the job was not deleted";
        return delivered;
    }

    // Queued results first, then the deletions they asked for.
    static void deliverQueuedEvents() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QTemporaryDir dir;
};

// A JPEG whose EXIF data says it must be turned right (Orientation 6) to be seen upright.
QByteArray jpegTurnedRight(const QImage& stored) {
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    stored.save(&out, "JPEG", 95);

    QByteArray exif("Exif\0\0", 6);
    exif.append("II*\0\x08\0\0\0", 8);          // TIFF header, IFD0 at 8
    exif.append("\x01\0", 2);                   // one entry
    exif.append("\x12\x01\x03\0\x01\0\0\0", 8); // Orientation, SHORT, count 1
    exif.append("\x06\0\0\0", 4);               // value 6
    exif.append("\0\0\0\0", 4);                 // no next IFD
    QByteArray app1("\xff\xe1", 2);
    uchar length[2];
    qToBigEndian(quint16(exif.size() + 2), length);
    app1.append(reinterpret_cast<const char*>(length), 2);
    app1.append(exif);
    return jpeg.left(2) + app1 + jpeg.mid(2); // right after the start-of-image marker
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

TEST_F(ImageReadThread, WidthIsWidenedToAMultipleOfFour) {
    struct Case {
        QSize stored, delivered;
    } cases[] = {
        {QSize(9, 5), QSize(12, 5)},      {QSize(8, 5), QSize(8, 5)},   {QSize(1, 3), QSize(4, 3)},
        {QSize(4001, 3), QSize(4004, 3)}, {QSize(10, 7), QSize(12, 7)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored.width() << " x " << c.stored.height());
        const QImage stored = redCornerPicture(c.stored.width(), c.stored.height());
        const QString path = dir.filePath(
            QStringLiteral("photo-%1x%2.png").arg(c.stored.width()).arg(c.stored.height()));
        ASSERT_TRUE(stored.save(path, "PNG"));
        const QList<QImage> delivered = readAll(path);
        ASSERT_EQ(delivered.size(), 1);
        const QImage& image = delivered.first();
        EXPECT_EQ(image.format(), QImage::Format_ARGB32);
        EXPECT_EQ(image.size(), c.delivered);
        if (c.stored == c.delivered) { // untouched
            EXPECT_EQ(image, stored.convertToFormat(QImage::Format_ARGB32));
        } else if (c.stored.width() > 2) {
            EXPECT_EQ(redCorner(image), Corner::TopLeft); // stretched, not cropped or shifted
        }
    }
}

TEST_F(ImageReadThread, ARotatedJpegArrivesUprightThenWidened) {
    // Stored 40 x 18 with a red top-left quadrant; upright it is 18 x 40 with the red quadrant
    // top right, and 18 is widened to 20.
    const QString path =
        writeFile(dir, QStringLiteral("turned.jpg"), jpegTurnedRight(redCornerPicture(40, 18)));
    const QList<QImage> delivered = readAll(path);
    ASSERT_EQ(delivered.size(), 1);
    EXPECT_EQ(delivered.first().size(), QSize(20, 40));
    EXPECT_EQ(delivered.first().format(), QImage::Format_ARGB32);
    EXPECT_EQ(redCorner(delivered.first()), Corner::TopRight);
}

TEST_F(ImageReadThread, ACameraRawFileArrivesUprightThroughThePlugin) {
    TinyDng dng;
    dng.scene = redCornerPicture(62, 46);
    dng.orientation = 6; // upright 46 x 62, widened to 48
    const QString path = writeFile(dir, QStringLiteral("camera.dng"), makeTinyDng(dng));
    const QList<QImage> delivered = readAll(path);
    ASSERT_EQ(delivered.size(), 1);
    EXPECT_EQ(delivered.first().size(), QSize(48, 62));
    EXPECT_EQ(delivered.first().format(), QImage::Format_ARGB32);
    EXPECT_EQ(redCorner(delivered.first()), Corner::TopRight);
}

TEST_F(ImageReadThread, JobsStartedTogetherEachDeliverTheirOwnPhoto) {
    // The editing page and the thumbnail jobs read camera files on several threads at once.
    QStringList paths;
    for (int orientation : {1, 6, 3, 8}) {
        TinyDng dng;
        dng.scene = redCornerPicture(64, 48);
        dng.orientation = orientation;
        paths << writeFile(dir, QStringLiteral("camera-%1.dng").arg(orientation), makeTinyDng(dng));
    }
    const Corner corners[] = {Corner::TopLeft, Corner::TopRight, Corner::BottomRight,
                              Corner::BottomLeft};
    constexpr int copies = 3;
    QList<IQImageReadThread*> jobs;
    QVector<QList<QImage>> delivered(paths.size() * copies);
    QObject receiver;
    for (int i = 0; i < delivered.size(); ++i) {
        auto* job = new IQImageReadThread(paths[i % paths.size()]);
        QObject::connect(job, &QThread::finished, job, &QObject::deleteLater);
        QObject::connect(job, &IQImageReadThread::readFinished, &receiver,
                         [&delivered, i](const QImage& image) { delivered[i] << image; });
        jobs << job;
    }
    QList<QPointer<IQImageReadThread>> alive;
    for (IQImageReadThread* job : jobs) {
        alive << job;
        job->start();
    }
    for (IQImageReadThread* job : jobs)
        ASSERT_TRUE(job->wait(60000));
    deliverQueuedEvents();
    for (int i = 0; i < delivered.size(); ++i) {
        SCOPED_TRACE(paths[i % paths.size()].toStdString());
        ASSERT_EQ(delivered[i].size(), 1);
        const QImage& image = delivered[i].first();
        EXPECT_EQ(image.size(), i % 2 ? QSize(48, 64) : QSize(64, 48));
        EXPECT_EQ(redCorner(image), corners[i % paths.size()]);
        EXPECT_EQ(image, delivered[i % paths.size()].first()); // same file, same pixels
        EXPECT_TRUE(alive[i].isNull());
    }
}

TEST_F(ImageReadThread, AnUnreadableFileDeliversOneNullImage) {
    const QString paths[] = {
        dir.filePath(QStringLiteral("missing.png")),
        writeFile(dir, QStringLiteral("broken.png"), QByteArray("\x89PNG\r\n\x1a\n broken", 16)),
        writeFile(dir, QStringLiteral("broken.cr2"), QByteArray(3000, 'r')),
        testDataPath(QStringLiteral("raw/Canon-R6-pruned.CR3")),
    };
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        const QList<QImage> delivered = readAll(path);
        ASSERT_EQ(delivered.size(), 1);
        EXPECT_TRUE(delivered.first().isNull());
    }
}

TEST_F(ImageReadThread, APictureClaimingMoreThanThePixelLimitDeliversOneNullImage) {
    // 16 x 16 pixels of data behind a header that claims 30000 x 30000: decoding it would take
    // gigabytes; the job must not even try.
    const QString path = writeFile(dir, QStringLiteral("lying.jpg"),
                                   photofixtures::jpegClaiming(QSize(30000, 30000)));
    const QList<QImage> delivered = readAll(path);
    ASSERT_EQ(delivered.size(), 1);
    EXPECT_TRUE(delivered.first().isNull());
}

TEST_F(ImageReadThread, APathThatIsNoRegularFileDeliversOneNullImageWithoutBeingOpened) {
    photofixtures::UnwrittenFifo fifo(dir.filePath(QStringLiteral("fifo.jpg")));
    ASSERT_TRUE(fifo.isValid());
    ASSERT_TRUE(photofixtures::makeSocketFile(dir.filePath(QStringLiteral("socket.png"))));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), dir.filePath(QStringLiteral("zero.png"))));
    for (const char* name : {"fifo.jpg", "socket.png", "folder.png", "zero.png"}) {
        SCOPED_TRACE(name);
        const QList<QImage> delivered = readAll(dir.filePath(QString::fromLatin1(name)));
        ASSERT_EQ(delivered.size(), 1);
        EXPECT_TRUE(delivered.first().isNull());
    }
    EXPECT_FALSE(fifo.wasOpened());
}

TEST_F(ImageReadThread, ALinkToAPhotoIsReadLikeThePhoto) {
    const QImage stored = redCornerPicture(10, 6);
    const QString photo = dir.filePath(QStringLiteral("photo.png"));
    ASSERT_TRUE(stored.save(photo, "PNG"));
    const QString link = dir.filePath(QStringLiteral("link.png"));
    ASSERT_TRUE(QFile::link(photo, link));
    const QList<QImage> direct = readAll(photo);
    const QList<QImage> linked = readAll(link);
    ASSERT_EQ(linked.size(), 1);
    ASSERT_EQ(direct.size(), 1);
    EXPECT_EQ(linked.first().size(), QSize(12, 6));
    EXPECT_EQ(linked.first(), direct.first());
}

} // namespace

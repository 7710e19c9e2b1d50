// The thumbnail jobs of both photo strips refuse what the other readers refuse: a file claiming
// a picture beyond the pixel limit and paths that are no regular files leave the tile blank,
// without being decoded or opened.
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "iqfilereadingthread.h"
#include "iqiconreadthread.h"
#include "photofixtures.h"

namespace {

// Runs one job of type Job on the calling thread; the tile it emitted for row 5, or a null image
// when it emitted anything else.
template <class Job> QImage tileFrom(const QString& path) {
    Job job(path, 5);
    QSignalSpy results(&job, &Job::readFinished);
    job.run();
    if (results.count() != 1 || results.at(0).at(1).toInt() != 5)
        return QImage();
    return results.at(0).at(0).template value<QIcon>().pixmap(120, 120).toImage().convertToFormat(
        QImage::Format_ARGB32);
}

bool isBlank(const QImage& tile) {
    for (int y = 0; y < tile.height(); ++y)
        for (int x = 0; x < tile.width(); ++x)
            if (qAlpha(tile.pixel(x, y)) != 0)
                return false;
    return true;
}

TEST(ThumbnailJobs, RefusedFilesLeaveTheTileBlankWithoutBeingDecodedOrOpened) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    QImage picture(60, 40, QImage::Format_RGB32);
    picture.fill(qRgb(30, 160, 90));
    ASSERT_TRUE(picture.save(path("photo.png")));
    {
        QFile lying(path("lying.jpg"));
        ASSERT_TRUE(lying.open(QIODevice::WriteOnly));
        lying.write(photofixtures::jpegClaiming(QSize(30000, 30000)));
    }
    photofixtures::UnwrittenFifo fifo(path("fifo.png"));
    ASSERT_TRUE(fifo.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.jpg")));

    const struct {
        const char* name;
        bool blank;
    } cases[] = {
        {"photo.png", false}, // a photo gets its picture
        {"lying.jpg", true},
        {"fifo.png", true},
        {"folder.jpg", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QImage& tile : {tileFrom<IQIconReadThread>(path(c.name)),
                                   tileFrom<IQFileReadingThread>(path(c.name))}) {
            ASSERT_EQ(tile.size(), QSize(120, 120));
            EXPECT_EQ(isBlank(tile), c.blank);
        }
    }
    EXPECT_FALSE(fifo.wasOpened());
}

} // namespace

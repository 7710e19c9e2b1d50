// The batch photo list: tiles in dialog order, thumbnails made one at a time in the background and
// put on their own photo's tile however tiles are removed meanwhile, and removal of queued and
// running jobs.
#include <QListWidget>
#include <QMutex>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "batchtestsupport.h"
#include "qstringprinter.h"
#include "iqbatchdenoiseframe.h"
#include "iqfilereadingthread.h"
#include "temporaryhome.h"

namespace {

// Collects the "abort:" lines of thumbnail jobs that ran after their tile was removed.
QStringList abortLines;
QMutex abortLinesMutex;
QtMessageHandler previousHandler = nullptr;

void collectAbortLines(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith(QLatin1String("abort:"))) {
        QMutexLocker lock(&abortLinesMutex);
        abortLines.append(text);
        return;
    }
    previousHandler(type, context, text);
}

class PhotoListTest : public ::testing::Test {
protected:
    void SetUp() override {
        useTemporaryHome();
        ASSERT_TRUE(folder.isValid());
        {
            QMutexLocker lock(&abortLinesMutex);
            abortLines.clear();
        }
        previousHandler = qInstallMessageHandler(collectAbortLines);
        frame = std::make_unique<IQBatchDenoiseFrame>();
        list = frame->findChild<QListWidget*>(QStringLiteral("tileListView"));
        addButton = frame->findChild<QPushButton*>(QStringLiteral("addPhotoButn"));
        removeButton = frame->findChild<QPushButton*>(QStringLiteral("removePhotoButn"));
        startButton = frame->findChild<QPushButton*>(QStringLiteral("startButn"));
        ASSERT_TRUE(list && addButton && removeButton && startButton);
        frame->show();
    }
    void TearDown() override {
        blocking.reset(); // lets a job stuck on it end before the frame waits for its pool
        frame.reset();
        qInstallMessageHandler(previousHandler);
    }

    QString path(const QString& name) const { return folder.filePath(name); }

    static QImage solidImage(QRgb colour, int width = 30, int height = 30) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }

    // A photo of one colour, written in the format of its suffix.
    QString writeSolid(const QString& name, int width, int height, QRgb colour) {
        EXPECT_TRUE(solidImage(colour, width, height).save(path(name)));
        return path(name);
    }

    // Adds the named photos of the folder through the Add Photos button and its dialog.
    void addPhotos(const QStringList& names) {
        onModal<QFileDialog>(
            [this, names](QFileDialog* dialog) { chooseFiles(dialog, folder.path(), names); });
        QTest::mouseClick(addButton, Qt::LeftButton);
    }

    // A photo whose thumbnail job blocks in its read until blocking->release().
    void addBlockingPhotoFirst(const QStringList& others) {
        blocking = std::make_unique<BlockingPhoto>(path(QStringLiteral("blocking.png")));
        ASSERT_TRUE(blocking->isValid());
        addPhotos(QStringList{QStringLiteral("blocking.png")} + others);
        ASSERT_TRUE(QTest::qWaitFor([this] { return blocking->readerIsWaiting(); }, HangGuardMs));
    }

    void removeRows(std::initializer_list<int> rows) {
        list->clearSelection();
        for (int row : rows)
            list->item(row)->setSelected(true);
        ASSERT_TRUE(removeButton->isEnabled());
        QTest::mouseClick(removeButton, Qt::LeftButton);
    }

    static QImage tileOf(const QListWidgetItem* item) {
        const QIcon icon = item->icon();
        return icon.isNull()
                   ? QImage()
                   : icon.pixmap(120, 120).toImage().convertToFormat(QImage::Format_ARGB32);
    }
    bool allTilesHaveThumbnails() const {
        for (int row = 0; row < list->count(); ++row)
            if (list->item(row)->icon().isNull())
                return false;
        return true;
    }
    QStringList tileNames() const {
        QStringList names;
        for (int row = 0; row < list->count(); ++row)
            names.append(list->item(row)->text());
        return names;
    }

    QTemporaryDir folder;
    std::unique_ptr<IQBatchDenoiseFrame> frame;
    std::unique_ptr<BlockingPhoto> blocking;
    QListWidget* list = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* removeButton = nullptr;
    QPushButton* startButton = nullptr;
};

TEST_F(PhotoListTest, AddedPhotosGetTilesInDialogOrderWithNamesAtOnce) {
    writeSolid(QStringLiteral("red.png"), 40, 30, qRgb(220, 20, 20));
    writeSolid(QStringLiteral("green.jpg"), 30, 40, qRgb(20, 200, 20));
    writeSolid(QStringLiteral("blue.bmp"), 32, 32, qRgb(20, 20, 220));
    ASSERT_FALSE(startButton->isEnabled());

    addPhotos({QStringLiteral("green.jpg"), QStringLiteral("red.png"), QStringLiteral("blue.bmp")});

    EXPECT_EQ(tileNames(), (QStringList{"green.jpg", "red.png", "blue.bmp"}));
    EXPECT_EQ(frame->filePaths(),
              (QStringList{path("green.jpg"), path("red.png"), path("blue.bmp")}));
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem* item = list->item(row);
        EXPECT_EQ(item->sizeHint(), QSize(120, 140));
        EXPECT_EQ(item->data(IQFileBrowserFrame::PathRole).toString(), frame->filePaths()[row]);
        EXPECT_NE(item->data(IQFileBrowserFrame::JobRole).value<IQFileReadingThread*>(), nullptr);
    }
    EXPECT_TRUE(startButton->isEnabled());
    EXPECT_FALSE(removeButton->isEnabled());

    ASSERT_TRUE(QTest::qWaitFor([this] { return allTilesHaveThumbnails(); }, HangGuardMs));
    const QRgb expected[] = {qRgb(20, 200, 20), qRgb(220, 20, 20), qRgb(20, 20, 220)};
    for (int row = 0; row < 3; ++row) {
        const QImage tile = tileOf(list->item(row));
        ASSERT_EQ(tile.size(), QSize(120, 120));
        const QRgb centre = tile.pixel(60, 55);
        EXPECT_EQ(qAlpha(centre), 255);
        EXPECT_NEAR(qRed(centre), qRed(expected[row]), 12) << row;
        EXPECT_NEAR(qGreen(centre), qGreen(expected[row]), 12) << row;
        EXPECT_NEAR(qBlue(centre), qBlue(expected[row]), 12) << row;
    }
}

// Where a picture lies in its tile: fitted into the 110 x 110 square at the top, centred, with
// transparent margins beside or above and below it, and a transparent band under the square.
TEST_F(PhotoListTest, ThumbnailsFitTheTopSquareOfTheTile) {
    writeSolid(QStringLiteral("tall.png"), 50, 150, qRgb(200, 100, 0));
    writeSolid(QStringLiteral("wide.png"), 200, 100, qRgb(0, 100, 200));
    writeSolid(QStringLiteral("tiny.png"), 4, 4, qRgb(100, 200, 0)); // enlarged
    addPhotos({QStringLiteral("tall.png"), QStringLiteral("wide.png"), QStringLiteral("tiny.png")});
    ASSERT_TRUE(QTest::qWaitFor([this] { return allTilesHaveThumbnails(); }, HangGuardMs));

    struct Probe {
        int row, x, y;
        bool opaque;
    };
    // tall: 110 high and about 37 wide, x 42 to 78; wide: 110 x 55, y 28 to 82; tiny: 110 x 110.
    const Probe probes[] = {
        {0, 60, 1, true},    {0, 60, 108, true},  {0, 45, 55, true},   {0, 75, 55, true},
        {0, 30, 55, false},  {0, 90, 55, false},  {0, 60, 114, false}, {0, 2, 2, false},
        {1, 7, 55, true},    {1, 112, 55, true},  {1, 60, 31, true},   {1, 60, 79, true},
        {1, 2, 55, false},   {1, 117, 55, false}, {1, 60, 15, false},  {1, 60, 95, false},
        {2, 6, 1, true},     {2, 113, 108, true}, {2, 2, 55, false},   {2, 117, 55, false},
        {2, 60, 114, false},
    };
    for (const Probe& probe : probes) {
        const QImage tile = tileOf(list->item(probe.row));
        ASSERT_EQ(tile.size(), QSize(120, 120));
        EXPECT_EQ(qAlpha(tile.pixel(probe.x, probe.y)), probe.opaque ? 255 : 0)
            << "tile " << probe.row << " at " << probe.x << "," << probe.y;
    }
}

TEST_F(PhotoListTest, UnreadablePhotoKeepsItsNameAndGetsATransparentTile) {
    QFile broken(path(QStringLiteral("broken.jpg")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a photo at all");
    broken.close();
    addPhotos({QStringLiteral("broken.jpg")});
    ASSERT_TRUE(QTest::qWaitFor([this] { return allTilesHaveThumbnails(); }, HangGuardMs));

    EXPECT_EQ(tileNames(), QStringList{"broken.jpg"});
    EXPECT_EQ(frame->filePaths(), QStringList{path("broken.jpg")});
    const QImage tile = tileOf(list->item(0));
    ASSERT_EQ(tile.size(), QSize(120, 120));
    for (int y = 0; y < tile.height(); ++y)
        for (int x = 0; x < tile.width(); ++x)
            ASSERT_EQ(qAlpha(tile.pixel(x, y)), 0) << x << "," << y;
}

TEST_F(PhotoListTest, RemovedQueuedTileNeverRunsItsJobAndTheOthersGetTheirOwn) {
    writeSolid(QStringLiteral("red.png"), 40, 30, qRgb(220, 20, 20));
    writeSolid(QStringLiteral("green.png"), 40, 30, qRgb(20, 200, 20));
    writeSolid(QStringLiteral("blue.png"), 40, 30, qRgb(20, 20, 220));
    const QByteArray yellow = pngBytes(solidImage(qRgb(230, 230, 20)));
    // The pool's one thread is held by the first photo, so the other three jobs wait.
    addBlockingPhotoFirst(
        {QStringLiteral("red.png"), QStringLiteral("green.png"), QStringLiteral("blue.png")});

    removeRows({1});
    EXPECT_EQ(tileNames(), (QStringList{"blocking.png", "green.png", "blue.png"}));
    EXPECT_EQ(frame->filePaths(),
              (QStringList{path("blocking.png"), path("green.png"), path("blue.png")}));

    blocking->release(yellow);
    ASSERT_TRUE(QTest::qWaitFor([this] { return allTilesHaveThumbnails(); }, HangGuardMs));

    const QRgb expected[] = {qRgb(230, 230, 20), qRgb(20, 200, 20), qRgb(20, 20, 220)};
    for (int row = 0; row < 3; ++row) {
        const QRgb centre = tileOf(list->item(row)).pixel(60, 55);
        EXPECT_NEAR(qRed(centre), qRed(expected[row]), 12) << row;
        EXPECT_NEAR(qGreen(centre), qGreen(expected[row]), 12) << row;
        EXPECT_NEAR(qBlue(centre), qBlue(expected[row]), 12) << row;
    }
    // Taken back from the pool, the job of the removed tile never ran at all.
    QMutexLocker lock(&abortLinesMutex);
    EXPECT_TRUE(abortLines.isEmpty()) << abortLines.join(QLatin1Char('\n')).toStdString();
}

TEST_F(PhotoListTest, RemovingARunningTileLeavesEveryOtherTileWithItsOwnThumbnail) {
    writeSolid(QStringLiteral("red.png"), 40, 30, qRgb(220, 20, 20));
    writeSolid(QStringLiteral("green.png"), 40, 30, qRgb(20, 200, 20));
    const QByteArray yellow = pngBytes(solidImage(qRgb(230, 230, 20)));
    addBlockingPhotoFirst({QStringLiteral("red.png"), QStringLiteral("green.png")});

    // The first job is inside its read: removal cannot stop it, and its thumbnail still comes.
    removeRows({0});
    EXPECT_EQ(tileNames(), (QStringList{"red.png", "green.png"}));
    blocking->release(yellow);

    // Results arrive in the order the one pool thread made them, so once green's tile has its
    // thumbnail the removed photo's thumbnail has been delivered too.
    ASSERT_TRUE(QTest::qWaitFor([this] { return allTilesHaveThumbnails(); }, HangGuardMs));
    QTest::qWait(0);
    const QRgb expected[] = {qRgb(220, 20, 20), qRgb(20, 200, 20)};
    for (int row = 0; row < 2; ++row) {
        const QRgb centre = tileOf(list->item(row)).pixel(60, 55);
        EXPECT_NEAR(qRed(centre), qRed(expected[row]), 12) << row;
        EXPECT_NEAR(qGreen(centre), qGreen(expected[row]), 12) << row;
        EXPECT_NEAR(qBlue(centre), qBlue(expected[row]), 12) << row;
    }
}

TEST_F(PhotoListTest, RemovingEveryTileEmptiesThePathsAndDisablesStart) {
    writeSolid(QStringLiteral("a.png"), 20, 20, qRgb(10, 10, 10));
    writeSolid(QStringLiteral("b.png"), 20, 20, qRgb(90, 90, 90));
    // The same photo twice: removing one of its tiles leaves one entry of its path.
    addPhotos({QStringLiteral("a.png"), QStringLiteral("b.png")});
    addPhotos({QStringLiteral("a.png")});
    ASSERT_EQ(frame->filePaths(), (QStringList{path("a.png"), path("b.png"), path("a.png")}));

    removeRows({0});
    EXPECT_EQ(frame->filePaths(), (QStringList{path("b.png"), path("a.png")}));
    EXPECT_TRUE(startButton->isEnabled());
    EXPECT_FALSE(removeButton->isEnabled()); // nothing selected any more

    removeRows({0, 1});
    EXPECT_TRUE(frame->filePaths().isEmpty());
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(startButton->isEnabled());
    EXPECT_FALSE(removeButton->isEnabled());
}

TEST_F(PhotoListTest, CancelledAddDialogChangesNothing) {
    onModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_TRUE(frame->addFiles(folder.path()).isEmpty());
    onModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    QTest::mouseClick(addButton, Qt::LeftButton);
    EXPECT_EQ(list->count(), 0);
    EXPECT_TRUE(frame->filePaths().isEmpty());
    EXPECT_FALSE(startButton->isEnabled());
}

TEST_F(PhotoListTest, DestroyingTheListWithJobsWaitingRunsNoneOfThem) {
    writeSolid(QStringLiteral("a.png"), 20, 20, qRgb(10, 10, 10));
    writeSolid(QStringLiteral("b.png"), 20, 20, qRgb(90, 90, 90));
    addBlockingPhotoFirst({QStringLiteral("a.png"), QStringLiteral("b.png")});

    // The destructor waits for the job inside its read; another thread lets that read end.
    BlockingPhoto* stuck = blocking.get();
    std::thread releaser([stuck] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stuck->release(QByteArray());
    });
    frame.reset();
    releaser.join();
    QTest::qWait(0); // any thumbnail still on its way finds no list
    QMutexLocker lock(&abortLinesMutex);
    EXPECT_TRUE(abortLines.isEmpty()) << abortLines.join(QLatin1Char('\n')).toStdString();
}

// The job on its own, run on the calling thread: one result carrying the row it was made for,
// or none at all when it was aborted before it started.
TEST(FileReadingThread, RunsOnceWithItsIndexUnlessAbortedFirst) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString photo = folder.filePath(QStringLiteral("p.png"));
    ASSERT_TRUE(testPicture(30, 20).save(photo));

    for (const bool abortFirst : {false, true}) {
        IQFileReadingThread job(photo, 7);
        QSignalSpy results(&job, &IQFileReadingThread::readFinished);
        if (abortFirst)
            job.abort();
        EXPECT_EQ(job.isAborted(), abortFirst);
        job.run();
        ASSERT_EQ(results.count(), abortFirst ? 0 : 1);
        if (!abortFirst) {
            EXPECT_EQ(results.at(0).at(1).toInt(), 7);
            const QIcon icon = results.at(0).at(0).value<QIcon>();
            EXPECT_EQ(icon.availableSizes(), QList<QSize>{QSize(120, 120)});
        }
    }
}

} // namespace

// The editing page on real photo files: the strip and its thumbnails, reading behind the waiting
// dialog, the zoom modes, the before and after views in step, engine results and saving.
#define QTEST_QPA_MOUSE_HANDLING
#include "editingtestutil.h"
#include "iqadjustingframe.h"
#include "iqdenoiseprocessframe.h"
#include "iqeditingframe.h"
#include "iqenginecontroller.h"
#include "iqfitsize.h"
#include "iqframe.h"
#include "iqiconreadthread.h"
#include "iqimagedisplaycontroller.h"
#include "modalrunner.h"
#include "photofixtures.h"
#include "qdoubleslider.h"
#include "temporaryhome.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMessageBox>
#include <QGraphicsView>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <random>
#include <gtest/gtest.h>

using editingtest::dragSlider;
using editingtest::maxChannelDifference;
using editingtest::noisyImage;

namespace {

// A photo with a flat colour block in the middle, so that a thumbnail's centre shows its colour.
QImage markedPhoto(int w, int h, QRgb colour) {
    QImage img = noisyImage(w, h, unsigned(colour), 6.0);
    for (int y = h / 4; y < h * 3 / 4; ++y)
        for (int x = w / 4; x < w * 3 / 4; ++x)
            img.setPixel(x, y, colour);
    return img;
}

class EditingFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        editingtest::registerResultTypes();
        ASSERT_TRUE(dir.isValid());
        page = new IQEditingFrame(nullptr);
        page->resize(1000, 760);
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page));
        afterView = page->findChild<QGraphicsView*>("graphicsView");
        beforeView = page->findChild<QGraphicsView*>("graphicsView_before");
        slider = page->findChild<QDoubleSlider*>("zoomSlider");
        strip = page->findChild<QListWidget*>("fileListWidget");
        ASSERT_TRUE(afterView && beforeView && slider && strip);
    }
    void TearDown() override { delete page; }

    // Writes `image` as a PNG file in the temporary folder.
    QString writePhoto(const QString& name, const QImage& image) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
        return path;
    }

    // Opens one photo on an empty page.
    QString openPhoto(const QImage& image, const QString& name = QStringLiteral("photo.png")) {
        const QString path = writePhoto(name, image);
        page->addFiles({path});
        return path;
    }

    double fitOf(const QImage& image) const {
        return fitScaleFactor(image.size(), QRect(0, 0, afterView->width(), afterView->height()),
                              nullptr, nullptr);
    }

    // Both views at the page's scale, showing the image at that scale.
    void expectViewsAt(double s) {
        EXPECT_DOUBLE_EQ(page->currentScale(), s);
        EXPECT_DOUBLE_EQ(page->afterController()->currentScale(), s);
        if (page->isBeforeAfterShown()) {
            EXPECT_DOUBLE_EQ(page->beforeController()->currentScale(), s);
        }
        const QSize size = page->currentImage()->size();
        const QSize shown =
            size.scaled(qRound(size.width() * s), qRound(size.height() * s), Qt::KeepAspectRatio);
        EXPECT_EQ(page->afterController()->shownPixmap().size(), shown);
        if (page->isBeforeAfterShown()) {
            EXPECT_EQ(page->beforeController()->shownPixmap().size(), shown);
        }
    }

    void waitForThumbnails() {
        page->thumbnailPool()->waitForDone();
        QCoreApplication::processEvents();
    }

    QTemporaryDir dir;
    IQEditingFrame* page = nullptr;
    QGraphicsView* afterView = nullptr;
    QGraphicsView* beforeView = nullptr;
    QDoubleSlider* slider = nullptr;
    QListWidget* strip = nullptr;
};

TEST_F(EditingFrameTest, StartsEmptyWithTheBeforeViewHidden) {
    EXPECT_TRUE(page->currentImage()->isNull());
    EXPECT_FALSE(page->isBeforeAfterShown());
    EXPECT_EQ(page->zoomMode(), 0);
    EXPECT_FALSE(page->isModified());
    EXPECT_EQ(page->existingEngineController(), nullptr);
    EXPECT_EQ(page->thumbnailPool()->maxThreadCount(), 10);
}

TEST_F(EditingFrameTest, AddFilesOnAnEmptyStripOpensTheFirstPhotoBeforeReturning) {
    const QImage photo = noisyImage(640, 480);
    QSignalSpy changed(page, &IQEditingFrame::imageChanged);
    const QString path = openPhoto(photo);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(strip->currentRow(), 0);
    EXPECT_EQ(*page->currentImage(), photo);
    EXPECT_EQ(page->beforeController()->currentImage(), photo);
    EXPECT_EQ(page->findChild<QLabel*>("sizeLabel")->text(),
              QStringLiteral("640 x 480 ") + IQEditingFrame::tr("IDS_PIX"));
    ASSERT_NE(page->existingEngineController(), nullptr);
    EXPECT_TRUE(page->findChild<QPushButton*>("saveButton")->isEnabled());
    EXPECT_FALSE(page->isModified());

    // A second call selects nothing new.
    page->addFiles({writePhoto("second.png", noisyImage(64, 48, 2))});
    EXPECT_EQ(strip->currentRow(), 0);
    EXPECT_EQ(changed.count(), 1);
    waitForThumbnails();
}

TEST_F(EditingFrameTest, AddFilesSkipsListedPaths) {
    const QString a = writePhoto("a.png", noisyImage(32, 16, 3));
    const QString b = writePhoto("b.png", noisyImage(32, 16, 4));
    page->addFiles({a});
    page->addFiles({a, b, b});
    EXPECT_EQ(page->filePaths(), (QStringList{a, b, b}));
    ASSERT_EQ(strip->count(), 3);
    for (int row = 0; row < 3; ++row) {
        QListWidgetItem* item = strip->item(row);
        EXPECT_EQ(item->toolTip(), QFileInfo(page->filePaths().at(row)).fileName());
        EXPECT_EQ(item->data(Qt::SizeHintRole).toSize(), QSize(80, 80));
        EXPECT_EQ(item->data(Qt::UserRole + 2).toString(), page->filePaths().at(row));
        EXPECT_TRUE(item->data(Qt::UserRole + 1).isValid());
    }
    waitForThumbnails();
}

// Where file names differ by case, IMG.jpg and img.jpg beside it are two photos, and both are
// listed; where they do not, the two spellings name one file, listed once.
TEST_F(EditingFrameTest, AddFilesComparesPathsAsThePlatformComparesFileNames) {
    const QString upper = dir.filePath("IMG.jpg");
    const QString lower = dir.filePath("img.jpg");
    ASSERT_TRUE(noisyImage(64, 48, 5).save(upper, "JPEG"));
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    page->addFiles({upper});
    page->addFiles({lower, upper});
    EXPECT_EQ(page->filePaths(), (QStringList{upper}));
    EXPECT_EQ(strip->count(), 1);
#else
    ASSERT_TRUE(noisyImage(40, 32, 6).save(lower, "JPEG"));
    ASSERT_EQ(QDir(dir.path()).entryList({"*.jpg"}, QDir::Files).size(), 2);
    page->addFiles({upper});
    page->addFiles({lower, upper});
    page->addFiles({upper, lower});
    EXPECT_EQ(page->filePaths(), (QStringList{upper, lower}));
    ASSERT_EQ(strip->count(), 2);
    EXPECT_EQ(strip->item(0)->toolTip(), QStringLiteral("IMG.jpg"));
    EXPECT_EQ(strip->item(1)->toolTip(), QStringLiteral("img.jpg"));
    // The second row is a photo of its own.
    EXPECT_EQ(page->currentImage()->size(), QSize(64, 48));
    strip->setCurrentRow(1);
    EXPECT_EQ(page->currentImage()->size(), QSize(40, 32));
#endif
    waitForThumbnails();
}

TEST_F(EditingFrameTest, ThumbnailsLandOnTheirRowsScaledAndCentred) {
    struct Case {
        QSize size;
        QRgb colour;
        QRect picture; // where the picture lies in the 120 x 120 icon
    };
    // 400 x 300 is decoded at 120 x 90 and drawn scaled into the 110 x 110 area at (5, 0);
    // 100 x 50 is decoded and drawn at its own size, centred; 60 x 200 at 33 x 110.
    const Case cases[] = {
        {{400, 300}, qRgb(200, 30, 30), QRect(5, 14, 110, 82)},
        {{100, 50}, qRgb(30, 200, 30), QRect(10, 30, 100, 50)},
        {{60, 200}, qRgb(30, 30, 200), QRect(44, 0, 33, 110)},
    };
    QStringList files;
    for (const Case& c : cases)
        files << writePhoto(QStringLiteral("t%1.png").arg(files.size()),
                            markedPhoto(c.size.width(), c.size.height(), c.colour));
    const QString broken = dir.filePath("broken.png");
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
    }
    files << broken;
    page->addFiles(files);
    waitForThumbnails();

    for (int row = 0; row < 3; ++row) {
        const Case& c = cases[row];
        QListWidgetItem* item = strip->item(row);
        EXPECT_TRUE(item->text().isEmpty()) << row;
        const QImage icon =
            item->icon().pixmap(120, 120).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(icon.size(), QSize(120, 120)) << row;
        const QPoint centre = c.picture.center();
        const QRgb p = icon.pixel(centre);
        EXPECT_NEAR(qRed(p), qRed(c.colour), 4) << row;
        EXPECT_NEAR(qGreen(p), qGreen(c.colour), 4) << row;
        EXPECT_NEAR(qBlue(p), qBlue(c.colour), 4) << row;
        // Opaque inside the picture, transparent just outside it.
        EXPECT_EQ(qAlpha(icon.pixel(c.picture.left() + 1, centre.y())), 255) << row;
        EXPECT_EQ(qAlpha(icon.pixel(c.picture.right() - 1, centre.y())), 255) << row;
        if (c.picture.left() > 1) {
            EXPECT_EQ(qAlpha(icon.pixel(c.picture.left() - 2, centre.y())), 0) << row;
        }
        if (c.picture.top() > 1) {
            EXPECT_EQ(qAlpha(icon.pixel(centre.x(), c.picture.top() - 2)), 0) << row;
        }
        EXPECT_EQ(qAlpha(icon.pixel(centre.x(), 115)), 0) << row; // below the 110-high area
    }
    // An unreadable file still gets its transparent icon; the tooltip stays.
    QListWidgetItem* item = strip->item(3);
    EXPECT_TRUE(item->text().isEmpty());
    EXPECT_EQ(item->toolTip(), QStringLiteral("broken.png"));
    const QImage icon = item->icon().pixmap(120, 120).toImage();
    ASSERT_EQ(icon.size(), QSize(120, 120));
    EXPECT_EQ(qAlpha(icon.pixel(60, 55)), 0);
}

TEST_F(EditingFrameTest, UnreadablePhotoShowsNothingAndDisablesSave) {
    const QString broken = dir.filePath("broken.jpg");
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("garbage");
    }
    page->addFiles({broken});
    EXPECT_TRUE(page->currentImage()->isNull());
    EXPECT_EQ(page->findChild<QLabel*>("sizeLabel")->text(),
              QStringLiteral("0 x 0 ") + IQEditingFrame::tr("IDS_PIX"));
    EXPECT_FALSE(page->findChild<QPushButton*>("saveButton")->isEnabled());
    // The zoom slider is ignored without an image.
    slider->setValue(1.5);
    EXPECT_DOUBLE_EQ(page->afterController()->currentScale(), 1.0);
    waitForThumbnails();
}

TEST_F(EditingFrameTest, ZoomStepsCapsAndFloor) {
    const QImage photo = noisyImage(2000, 1500);
    openPhoto(photo);
    const double fit = fitOf(photo);
    ASSERT_LT(fit, 0.5);
    EXPECT_EQ(page->zoomMode(), 0);
    EXPECT_DOUBLE_EQ(page->fitScaleValue(), fit);
    expectViewsAt(fit);
    EXPECT_DOUBLE_EQ(slider->minimum(), int(fit * 10000) / 10000.0);
    EXPECT_DOUBLE_EQ(slider->maximum(), 2.0);

    QSignalSpy zoomed(page, &IQEditingFrame::zoomChanged);
    enum Op { In, Out, Actual, Fit };
    struct Step {
        Op op;
        double scale; // < 0: relative to the fit scale
        int mode;
    };
    const Step steps[] = {
        {In, -1.2, 2},    {In, -1.44, 2}, {Out, -1.152, 2},
        {Out, -1.0, 0}, // 0.9216 fit is below the floor
        {Actual, 1.0, 1}, {In, 1.2, 2},   {In, 1.44, 2},
        {In, 1.728, 2},   {In, 2.0, 3}, // 2.0736 is above the cap
        {In, 2.0, 3},     {Out, 1.6, 2},  {Fit, -1.0, 0},
    };
    int n = 0;
    for (const Step& s : steps) {
        switch (s.op) {
        case In:
            page->zoomIn();
            break;
        case Out:
            page->zoomOut();
            break;
        case Actual:
            page->zoomActual();
            break;
        case Fit:
            page->zoomFit();
            break;
        }
        const double expected = s.scale < 0 ? -s.scale * fit : s.scale;
        SCOPED_TRACE(n);
        EXPECT_NEAR(page->currentScale(), expected, 1e-9);
        EXPECT_EQ(page->zoomMode(), s.mode);
        expectViewsAt(page->currentScale());
        EXPECT_NEAR(slider->value(), expected, 1e-4);
        EXPECT_GE(zoomed.count(), ++n);
    }
}

TEST_F(EditingFrameTest, ZoomInFromOneAndAHalfMeetsTheCap) {
    openPhoto(noisyImage(1600, 1200));
    slider->setValue(1.5);
    EXPECT_EQ(page->zoomMode(), 2);
    EXPECT_DOUBLE_EQ(page->currentScale(), 1.5);
    page->zoomIn();
    EXPECT_NEAR(page->currentScale(), 1.8, 1e-12);
    EXPECT_EQ(page->zoomMode(), 2);
    page->zoomIn();
    EXPECT_DOUBLE_EQ(page->currentScale(), 2.0);
    EXPECT_EQ(page->zoomMode(), 3);
    expectViewsAt(2.0);

    // Zooming out from fit / 0.9 lands on the floor.
    const double fit = page->fitScaleValue();
    slider->setValue(fit / 0.9);
    page->zoomOut();
    EXPECT_DOUBLE_EQ(page->currentScale(), fit);
    EXPECT_EQ(page->zoomMode(), 0);
}

TEST_F(EditingFrameTest, SliderPositionsSetTheMode) {
    openPhoto(noisyImage(1600, 1200));
    const double fit = page->fitScaleValue();
    struct Case {
        double value;
        int mode;
    };
    for (const Case& c : {Case{1.0, 1}, Case{2.0, 3}, Case{1.3, 2}, Case{fit, 0}}) {
        slider->setValue(c.value);
        EXPECT_EQ(page->zoomMode(), c.mode) << c.value;
        expectViewsAt(c.value);
    }
}

TEST_F(EditingFrameTest, SmallPhotoFitsAtActualSize) {
    const QImage photo = noisyImage(200, 100);
    openPhoto(photo);
    EXPECT_DOUBLE_EQ(page->fitScaleValue(), 1.0);
    EXPECT_DOUBLE_EQ(page->currentScale(), 1.0);
    EXPECT_EQ(page->afterController()->shownPixmap().size(), QSize(200, 100));
}

TEST_F(EditingFrameTest, ResizeRefitsInFitModeAndOnlyMovesTheFloorOtherwise) {
    const QImage photo = noisyImage(2400, 1800);
    openPhoto(photo);
    page->resize(1200, 900);
    EXPECT_EQ(page->zoomMode(), 0);
    EXPECT_DOUBLE_EQ(page->currentScale(), fitOf(photo));
    expectViewsAt(fitOf(photo));

    page->zoomIn(); // 1.2 fit, custom
    const double custom = page->currentScale();
    page->resize(1100, 850);
    EXPECT_EQ(page->zoomMode(), 2);
    EXPECT_DOUBLE_EQ(page->currentScale(), custom);
    EXPECT_DOUBLE_EQ(slider->minimum(), int(fitOf(photo) * 10000) / 10000.0);

    // Growing the view until the fit scale passes the current one: the slider moves up to the new
    // floor and the page is back in fit mode.
    page->resize(1800, 1400);
    EXPECT_GT(fitOf(photo), custom);
    EXPECT_EQ(page->zoomMode(), 0);
    EXPECT_NEAR(page->currentScale(), fitOf(photo), 1e-4);
}

TEST_F(EditingFrameTest, ViewsStayInStepAfterZoomAndScroll) {
    openPhoto(noisyImage(2000, 1500));
    page->toggleBeforeAfter();
    ASSERT_TRUE(page->isBeforeAfterShown());
    ASSERT_TRUE(beforeView->isVisible());
    EXPECT_EQ(beforeView->size(), afterView->size());
    page->zoomActual();
    page->zoomIn();
    expectViewsAt(1.2);

    auto same = [&] {
        EXPECT_EQ(beforeView->horizontalScrollBar()->value(),
                  afterView->horizontalScrollBar()->value());
        EXPECT_EQ(beforeView->verticalScrollBar()->value(),
                  afterView->verticalScrollBar()->value());
    };
    page->afterController()->setScrollValues(400, 300);
    EXPECT_EQ(afterView->horizontalScrollBar()->value(), 400);
    same();
    page->beforeController()->setScrollValues(120, 90);
    EXPECT_EQ(afterView->horizontalScrollBar()->value(), 120);
    EXPECT_EQ(afterView->verticalScrollBar()->value(), 90);
    same();

    // A drag on the after view moves both.
    QWidget* vp = afterView->viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseMove(vp, QPoint(110, 110));
    QTest::mouseMove(vp, QPoint(120, 120));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(120, 120));
    EXPECT_EQ(afterView->horizontalScrollBar()->value(), 100);
    EXPECT_EQ(afterView->verticalScrollBar()->value(), 70);
    same();

    page->zoomOut();
    expectViewsAt(1.2 * 0.8);
    same();
    page->toggleBeforeAfter();
    EXPECT_FALSE(page->isBeforeAfterShown());
}

TEST_F(EditingFrameTest, LaterShowingsOfTheBeforeViewKeepTheZoomAndCopyTheScroll) {
    openPhoto(noisyImage(2000, 1500));
    // Make sure the process's first showing (which fits) is behind us.
    page->toggleBeforeAfter();
    page->toggleBeforeAfter();
    ASSERT_FALSE(page->isBeforeAfterShown());

    page->zoomActual();
    page->zoomIn();
    page->afterController()->setScrollValues(333, 222);
    page->beforeController()->setScrollValues(0, 0); // hidden: out of step
    page->afterController()->setScrollValues(333, 222);
    page->toggleBeforeAfter();
    EXPECT_EQ(page->zoomMode(), 2);
    expectViewsAt(1.2);
    EXPECT_EQ(beforeView->horizontalScrollBar()->value(),
              afterView->horizontalScrollBar()->value());
    EXPECT_EQ(beforeView->verticalScrollBar()->value(), afterView->verticalScrollBar()->value());
}

// The first showing in a process fits both views, even after a custom zoom. The flag is the
// process's, so this runs in a fresh process of its own.
TEST_F(EditingFrameTest, FirstShowingOfTheBeforeViewInAProcessFitsBothViews) {
    if (!qEnvironmentVariableIsSet("H9_FRESH_PROCESS")) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("H9_FRESH_PROCESS", "1");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_filter=EditingFrameTest.FirstShowingOfTheBeforeViewInAProcessFits"
                     "BothViews"});
        ASSERT_TRUE(child.waitForFinished(120000));
        const QByteArray out = child.readAll();
        EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
        return;
    }
    const QImage photo = noisyImage(2000, 1500);
    openPhoto(photo);
    page->zoomActual();
    page->zoomIn();
    ASSERT_EQ(page->zoomMode(), 2);
    page->toggleBeforeAfter();
    EXPECT_EQ(page->zoomMode(), 0);
    // Fitted to the narrower views.
    const double fit = fitOf(photo);
    EXPECT_DOUBLE_EQ(page->currentScale(), fit);
    EXPECT_DOUBLE_EQ(page->fitScaleValue(), fit);
    expectViewsAt(fit);
}

TEST_F(EditingFrameTest, ReleasedSliderChangesTheAfterViewOnlyAndRestoreBringsThePhotoBack) {
    const QImage photo = noisyImage(320, 240, 11, 20.0);
    openPhoto(photo);
    IQEngineController* controller = page->existingEngineController();
    ASSERT_NE(controller, nullptr);
    QSignalSpy results(controller, &IQEngineController::processYUVFinished);
    auto* luminance = page->findChild<QSlider*>("luminanceSlider");
    ASSERT_TRUE(luminance && luminance->isVisible());

    dragSlider(luminance, 80);
    ASSERT_TRUE(results.wait(60000));
    controller->waitForIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(results.count(), 1);
    EXPECT_TRUE(page->isModified());
    const QImage denoised = *page->currentImage();
    EXPECT_GT(maxChannelDifference(denoised, photo), 10); // the noise is gone
    EXPECT_EQ(page->beforeController()->currentImage(), photo);
    // The shown pixmap is the new image.
    EXPECT_EQ(page->afterController()->shownPixmap().size(),
              QSize(qRound(320 * page->currentScale()), qRound(240 * page->currentScale())));

    // Restore runs once more at zero strength: the photo as the YUV round trip gives it.
    auto* frame = createFrame(NR_FORMAT_YUY2, photo.width(), photo.height());
    fillFrameFromImage(photo, frame);
    QImage roundTrip(photo.width(), photo.height(), QImage::Format_ARGB32);
    frameToArgb(roundTrip.bits(), frame);
    freeFrame(frame);
    const int yuvError = maxChannelDifference(roundTrip, photo);

    QTest::mouseClick(page->findChild<QPushButton*>("restoreButton"), Qt::LeftButton);
    ASSERT_TRUE(results.wait(60000));
    controller->waitForIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(results.count(), 2);
    EXPECT_EQ(luminance->value(), 0);
    EXPECT_LE(maxChannelDifference(*page->currentImage(), roundTrip), 2);
    EXPECT_LE(maxChannelDifference(*page->currentImage(), photo), yuvError + 2);
    EXPECT_EQ(page->beforeController()->currentImage(), photo);
    // Alpha of the held image is the photo's.
    EXPECT_EQ(qAlpha(page->currentImage()->pixel(5, 5)), 255);
}

// On the page, a result reaches the after view as the pixel-by-pixel copy and the whole-image
// pixmap always showed it: the held image and the shown pixmap equal those made the old way from
// the photo as read, for two results in a row; the before view keeps the photo.
TEST_F(EditingFrameTest, ResultsShowWhatThePixelByPixelCopyAndTheWholePixmapShowed) {
    QImage photo(QStringLiteral(NR_TEST_DATA_DIR "/photos/chelsea.png"));
    ASSERT_FALSE(photo.isNull());
    // Larger than the view, of a width the read takes as it is, and an odd height.
    photo = photo.scaled(1604, 1201, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_ARGB32);
    openPhoto(photo);
    QImage expected = page->currentImage()->copy();
    ASSERT_EQ(expected.size(), QSize(1604, 1201));
    const double scale = page->currentScale();
    ASSERT_LT(scale, 1.0);
    for (unsigned seed : {1u, 2u}) {
        SCOPED_TRACE(seed);
        IQBGRAData data(1604, 1201);
        std::mt19937 random(seed);
        for (long long i = 0; i < data.byteCount(); ++i)
            data.data[i] = uchar(i % 4 == 3 ? 255 : random());
        for (int y = 0; y < 1201; ++y)
            for (int x = 0; x < 1604; ++x)
                for (int b = 0; b < 3; ++b)
                    expected.scanLine(y)[4 * x + b] = data.data[y * data.bytesPerLine + 4 * x + b];
        page->yuvAlgorithmFinished(&data, 0);
        const QImage& held = *page->currentImage();
        ASSERT_EQ(held.format(), expected.format());
        EXPECT_EQ(memcmp(held.constBits(), expected.constBits(), size_t(expected.sizeInBytes())),
                  0);
        const QImage shown = page->afterController()->shownPixmap().toImage();
        const QImage oldShown = QPixmap::fromImage(expected)
                                    .scaled(QSize(qRound(1604 * scale), qRound(1201 * scale)),
                                            Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                    .toImage();
        ASSERT_EQ(shown.format(), oldShown.format());
        ASSERT_EQ(shown.size(), oldShown.size());
        for (int y = 0; y < shown.height(); ++y)
            ASSERT_EQ(memcmp(shown.constScanLine(y), oldShown.constScanLine(y),
                             size_t(shown.width()) * 4),
                      0)
                << "row " << y;
    }
    EXPECT_EQ(page->beforeController()->currentImage(), photo);
}

TEST_F(EditingFrameTest, SelectingAPhotoAgainReadsItFreshFromTheFile) {
    const QImage first = noisyImage(160, 120, 21);
    openPhoto(first, "first.png");
    page->addFiles({writePhoto("second.png", noisyImage(120, 80, 22))});
    QImage result(160, 120, QImage::Format_ARGB32);
    result.fill(Qt::magenta);
    // A result as the controller reports it.
    IQBGRAData data(160, 120);
    memcpy(data.data, result.constBits(), size_t(result.sizeInBytes()));
    page->yuvAlgorithmFinished(&data, 0);
    EXPECT_TRUE(page->isModified());
    EXPECT_NE(*page->currentImage(), first);

    strip->setCurrentRow(1);
    EXPECT_EQ(page->currentImage()->size(), QSize(120, 80));
    EXPECT_FALSE(page->isModified());
    strip->setCurrentRow(0);
    EXPECT_EQ(*page->currentImage(), first);
    EXPECT_FALSE(page->isModified());
    waitForThumbnails();
}

TEST_F(EditingFrameTest, FailedResultsChangeNothing) {
    const QImage photo = noisyImage(64, 48, 31);
    openPhoto(photo);
    IQBGRData bgr(64, 48);
    memset(bgr.data, 0x40, size_t(bgr.byteCount()));
    page->bgrAlgorithmFinished(&bgr, -1);
    page->yuvAlgorithmFinished(nullptr, -201);
    EXPECT_EQ(*page->currentImage(), photo);
    EXPECT_FALSE(page->isModified());

    // The same BGR buffer with success is copied in.
    page->bgrAlgorithmFinished(&bgr, 0);
    EXPECT_TRUE(page->isModified());
    EXPECT_EQ(page->currentImage()->pixel(10, 10), qRgba(0x40, 0x40, 0x40, 255));
}

TEST_F(EditingFrameTest, PageGoesAwayWhileWorkIsRunning) {
    const QImage photo = noisyImage(640, 480, 41);
    QStringList many;
    for (int i = 0; i < 12; ++i)
        many << writePhoto(QStringLiteral("m%1.png").arg(i), photo);
    page->addFiles(many);
    page->existingEngineController()->startOperation(IQEngineController::DenoiseOperation);
    page->existingEngineController()->startOperation(IQEngineController::DenoiseOperation);
    delete page; // waits for the thumbnails and the engine; frees every job
    page = nullptr;
    QCoreApplication::processEvents();
}

} // namespace

// ---- saving ----

class EditingFrameSaveTest : public EditingFrameTest {
protected:
    void SetUp() override {
        useTemporaryHome();
        EditingFrameTest::SetUp();
    }

    // Answers the save dialog with `fileName` and confirms replacing an existing file. Returns
    // the folder the dialog opened in through *openedIn.
    void answerSaveDialog(const QString& fileName, QString* openedIn,
                          std::function<void()> afterAccept = {}) {
        whenModal<QFileDialog>([=](QFileDialog* dialog) {
            *openedIn = dialog->directory().absolutePath();
            if (QFileInfo::exists(fileName)) {
                whenModal<QMessageBox>([=](QMessageBox* question) {
                    if (afterAccept)
                        afterAccept();
                    question->button(QMessageBox::Yes)->click();
                });
            } else if (afterAccept) {
                afterAccept();
            }
            dialog->selectFile(fileName);
            static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, as the button does
        });
    }
};

TEST_F(EditingFrameSaveTest, SaveWritesTheAfterImage) {
    const QImage photo = noisyImage(96, 64, 51);
    openPhoto(photo);
    QImage result(96, 64, QImage::Format_ARGB32);
    result.fill(qRgb(12, 34, 56));
    for (int x = 0; x < 96; ++x)
        result.setPixel(x, 10, qRgb(x, 255 - x, 7));
    IQBGRAData data(96, 64);
    memcpy(data.data, result.constBits(), size_t(result.sizeInBytes()));
    page->yuvAlgorithmFinished(&data, 0);

    QTemporaryDir out;
    const QString target = out.filePath("result.png");
    QString openedIn;
    answerSaveDialog(target, &openedIn);
    EXPECT_EQ(page->save(), 1);
    const QImage written(target);
    ASSERT_FALSE(written.isNull());
    EXPECT_EQ(written.convertToFormat(QImage::Format_ARGB32),
              page->currentImage()->convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(written.pixel(40, 10), qRgb(40, 215, 7));
    EXPECT_TRUE(page->isModified()); // saving does not change it

    // The next dialog opens in the folder saved to.
    answerSaveDialog(out.filePath("again.png"), &openedIn);
    EXPECT_EQ(page->save(), 1);
    EXPECT_EQ(QDir(openedIn), QDir(out.path()));
}

TEST_F(EditingFrameSaveTest, JpegIsWrittenAtQuality95AndPngAtTheWritersDefault) {
    openPhoto(noisyImage(96, 64, 55));
    QTemporaryDir out;
    QString openedIn;

    // The quantisation tables say the quality a JPEG was written at.
    const QByteArray at95 = photofixtures::quantisationTables(photofixtures::smallJpeg(95));
    ASSERT_FALSE(at95.isEmpty());
    ASSERT_NE(at95, photofixtures::quantisationTables(photofixtures::smallJpeg()));
    for (const char* name : {"result.jpg", "result.JPEG"}) {
        const QString target = out.filePath(QString::fromLatin1(name));
        answerSaveDialog(target, &openedIn);
        ASSERT_EQ(page->save(), 1) << name;
        QFile written(target);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(photofixtures::quantisationTables(written.readAll()), at95) << name;
    }

    // The PNG is what Qt's writer makes of the after image with its own settings.
    const QString target = out.filePath("result.png");
    answerSaveDialog(target, &openedIn);
    ASSERT_EQ(page->save(), 1);
    QByteArray expected;
    QBuffer buffer(&expected);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(QImageWriter(&buffer, "png").write(*page->currentImage()));
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), expected);
}

TEST_F(EditingFrameSaveTest, FailedSaveOverAnExistingFileKeepsItAndSaysWhy) {
    openPhoto(noisyImage(64, 48, 52));
    QTemporaryDir out;
    // No writer knows this format; the old file must come through untouched.
    const QString target = out.filePath("keep.xyz");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("precious old content");
    }
    QString openedIn, message, title;
    answerSaveDialog(target, &openedIn, [&] {
        whenModal<QMessageBox>([&](QMessageBox* box) {
            message = box->text();
            title = box->windowTitle();
            box->accept();
        });
    });
    EXPECT_EQ(page->save(), 0);
    EXPECT_TRUE(message.startsWith(
        IQEditingFrame::tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(target), QString())))
        << message.toStdString();
    EXPECT_GT(message.size(), QDir::toNativeSeparators(target).size() + 14); // a reason follows
    EXPECT_EQ(title, QGuiApplication::applicationDisplayName());
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("precious old content"));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{"keep.xyz"}); // no leftovers

    // The folder is remembered all the same.
    answerSaveDialog(out.filePath("fine.png"), &openedIn);
    EXPECT_EQ(page->save(), 1);
    EXPECT_EQ(QDir(openedIn), QDir(out.path()));
}

TEST_F(EditingFrameSaveTest, CancelledSaveWritesNothing) {
    openPhoto(noisyImage(64, 48, 53));
    whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(page->save(), 0);
}

TEST_F(EditingFrameSaveTest, SidePanelSaveButtonSavesThroughThePage) {
    openPhoto(noisyImage(64, 48, 54));
    QTemporaryDir out;
    const QString target = out.filePath("from-panel.png");
    QString openedIn;
    answerSaveDialog(target, &openedIn);
    QTest::mouseClick(page->findChild<QPushButton*>("saveButton"), Qt::LeftButton);
    EXPECT_TRUE(QFileInfo::exists(target));
}

namespace {

TEST(IQIconReadThread, AbortedJobEmitsNothingAndALiveOneEmitsItsRow) {
    QTemporaryDir dir;
    const QString path = dir.filePath("p.png");
    ASSERT_TRUE(noisyImage(30, 20).save(path));
    IQIconReadThread aborted(path, 3);
    QSignalSpy none(&aborted, &IQIconReadThread::readFinished);
    aborted.abort();
    aborted.run();
    EXPECT_EQ(none.count(), 0);

    IQIconReadThread live(path, 3);
    QSignalSpy one(&live, &IQIconReadThread::readFinished);
    live.run();
    ASSERT_EQ(one.count(), 1);
    EXPECT_EQ(one.at(0).at(1).toInt(), 3);
    EXPECT_EQ(one.at(0).at(0).value<QIcon>().availableSizes(), QList<QSize>{QSize(120, 120)});
}

} // namespace

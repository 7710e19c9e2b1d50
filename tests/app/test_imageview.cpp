// The image view: drag to pan, scroll reports, centre-keeping zoom, result copy-in and the further
// view operations, on a real QGraphicsView.
#include "iqimagedisplaycontroller.h"
#include "iqimagescene.h"

#include <QApplication>
#include <QGraphicsPixmapItem>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QColorSpace>
#include <QTest>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

namespace {

// A picture whose every pixel differs from its neighbours, with a varying alpha.
QImage patternImage(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgba((x * 7 + y) & 0xff, (y * 5 + x * 3) & 0xff, (x ^ y) & 0xff,
                            (x + y * 11) & 0xff);
    }
    return img;
}

class ImageViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.setFrameShape(QFrame::NoFrame);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.resize(200, 150);
        controller = new IQImageDisplayController(&view);
        view.show();
        QApplication::processEvents();
    }
    void TearDown() override { delete controller; }

    QScrollBar* hbar() { return view.horizontalScrollBar(); }
    QScrollBar* vbar() { return view.verticalScrollBar(); }

    // Sends a mouse event to the viewport as the window system would.
    void mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QWidget* vp = view.viewport();
        QMouseEvent ev(type, pos, vp->mapToGlobal(pos), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(vp, &ev);
    }

    void checkSceneInvariant() {
        ASSERT_EQ(controller->imageScene()->items().size(), 1);
        auto* item = dynamic_cast<QGraphicsPixmapItem*>(controller->imageScene()->items().first());
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->pixmap().size(), controller->shownPixmap().size());
        EXPECT_EQ(controller->imageScene()->sceneRect(), QRectF(controller->shownPixmap().rect()));
    }

    QGraphicsView view;
    IQImageDisplayController* controller = nullptr;
};

TEST_F(ImageViewTest, ControllerMakesItsSceneTheViewsSceneWithOneEmptyItem) {
    EXPECT_EQ(view.scene(), controller->imageScene());
    checkSceneInvariant();
    EXPECT_TRUE(controller->shownPixmap().isNull());
}

TEST_F(ImageViewTest, SetImageShowsItAtFullSizeAndResetsScaleAndRotation) {
    controller->setImage(patternImage(400, 300));
    controller->scaleBy(0.5);
    controller->rotate(30, false);
    controller->setImage(patternImage(120, 80));
    EXPECT_DOUBLE_EQ(controller->currentScale(), 1.0);
    EXPECT_DOUBLE_EQ(controller->currentRotation(), 0.0);
    EXPECT_EQ(controller->shownPixmap().size(), QSize(120, 80));
    checkSceneInvariant();
}

TEST_F(ImageViewTest, SetScaleWithoutAnImageDoesNothing) {
    controller->setScale(0.5);
    EXPECT_DOUBLE_EQ(controller->currentScale(), 1.0);
    EXPECT_TRUE(controller->shownPixmap().isNull());
}

TEST_F(ImageViewTest, RenderScalesThePixmapAndTheSceneRect) {
    controller->setImage(patternImage(401, 301));
    controller->setScale(0.5);
    EXPECT_EQ(controller->shownPixmap().size(), QSize(201, 151)); // qRound(200.5), qRound(150.5)
    checkSceneInvariant();
    controller->scaleBy(3.0);
    EXPECT_DOUBLE_EQ(controller->currentScale(), 1.5);
    EXPECT_EQ(controller->shownPixmap().size(), QSize(602, 452));
    checkSceneInvariant();
}

TEST_F(ImageViewTest, ScrollBarChangesAreReportedWithBothValues) {
    controller->setImage(patternImage(800, 600));
    QSignalSpy sceneSpy(controller->imageScene(), &IQImageScene::scrollValueChanged);
    QSignalSpy spy(controller, &IQImageDisplayController::controllerScrollValueChanged);
    hbar()->setValue(30);
    vbar()->setValue(40);
    ASSERT_EQ(spy.size(), 2);
    EXPECT_EQ(spy[0][1].toInt(), 30);
    EXPECT_EQ(spy[0][2].toInt(), vbar()->minimum());
    EXPECT_EQ(spy[1][1].toInt(), 30);
    EXPECT_EQ(spy[1][2].toInt(), 40);
    EXPECT_EQ(spy[1][0].value<IQImageDisplayController*>(), controller);
    ASSERT_EQ(sceneSpy.size(), 2);
    EXPECT_EQ(sceneSpy[1][0].value<IQImageScene*>(), controller->imageScene());
}

TEST_F(ImageViewTest, SetScrollValuesSetsTheVerticalBarFirst) {
    controller->setImage(patternImage(800, 600));
    hbar()->setValue(0);
    vbar()->setValue(0);
    QSignalSpy spy(controller, &IQImageDisplayController::controllerScrollValueChanged);
    controller->setScrollValues(50, 60);
    ASSERT_EQ(spy.size(), 2);
    EXPECT_EQ(spy[0][1].toInt(), 0); // horizontal not yet moved
    EXPECT_EQ(spy[0][2].toInt(), 60);
    EXPECT_EQ(spy[1][1].toInt(), 50);
    EXPECT_EQ(spy[1][2].toInt(), 60);
}

TEST_F(ImageViewTest, DragScrollsTenUnitsPerMoveAgainstTheCursor) {
    controller->setImage(patternImage(1000, 800));
    controller->setScrollValues(300, 300);
    struct Step {
        QPoint delta;
        int dh, dv;
    };
    const Step steps[] = {
        {{1, 1}, -10, -10},  // right and down: both bars lower by 10
        {{25, 0}, -10, 0},   // x only: the vertical bar stays
        {{0, -40}, 0, +10},  // up
        {{-3, 2}, +10, -10}, // left and down
        {{0, 0}, 0, 0},      // no movement
    };
    QPoint pos(100, 70);
    mouse(QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
    for (const Step& s : steps) {
        const int h = hbar()->value(), v = vbar()->value();
        pos += s.delta;
        mouse(QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
        EXPECT_EQ(hbar()->value(), h + s.dh) << s.delta.x() << "," << s.delta.y();
        EXPECT_EQ(vbar()->value(), v + s.dv) << s.delta.x() << "," << s.delta.y();
    }
    mouse(QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
    // After the release a move scrolls nothing.
    const int h = hbar()->value(), v = vbar()->value();
    mouse(QEvent::MouseMove, pos + QPoint(5, 5), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(hbar()->value(), h);
    EXPECT_EQ(vbar()->value(), v);
}

TEST_F(ImageViewTest, DragComparesWithTheLastPositionOfAMovedAxisOnly) {
    controller->setImage(patternImage(1000, 800));
    controller->setScrollValues(300, 300);
    mouse(QEvent::MouseButtonPress, {100, 70}, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {110, 70}, Qt::NoButton, Qt::LeftButton); // x moves, y stays 70
    mouse(QEvent::MouseMove, {110, 71}, Qt::NoButton, Qt::LeftButton); // compared with y 70
    EXPECT_EQ(hbar()->value(), 290);
    EXPECT_EQ(vbar()->value(), 290);
    mouse(QEvent::MouseButtonRelease, {110, 71}, Qt::LeftButton, Qt::NoButton);
}

TEST_F(ImageViewTest, RightAndMiddleDragsScrollNothing) {
    controller->setImage(patternImage(1000, 800));
    controller->setScrollValues(300, 300);
    for (Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton}) {
        mouse(QEvent::MouseButtonPress, {100, 70}, b, b);
        mouse(QEvent::MouseMove, {120, 90}, Qt::NoButton, b);
        mouse(QEvent::MouseButtonRelease, {120, 90}, b, Qt::NoButton);
        EXPECT_EQ(hbar()->value(), 300);
        EXPECT_EQ(vbar()->value(), 300);
    }
}

TEST_F(ImageViewTest, DragAtTheEndOfTheRangeStaysThere) {
    controller->setImage(patternImage(1000, 800));
    controller->setScrollValues(0, vbar()->maximum());
    mouse(QEvent::MouseButtonPress, {100, 70}, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {101, 69}, Qt::NoButton, Qt::LeftButton); // right and up
    EXPECT_EQ(hbar()->value(), 0);
    EXPECT_EQ(vbar()->value(), vbar()->maximum());
    mouse(QEvent::MouseButtonRelease, {101, 69}, Qt::LeftButton, Qt::NoButton);
}

// The scene point at the viewport's centre, from the bar values.
QPointF centreInImage(QGraphicsView& view, double scale) {
    return QPointF((view.horizontalScrollBar()->value() + view.viewport()->width() / 2.0) / scale,
                   (view.verticalScrollBar()->value() + view.viewport()->height() / 2.0) / scale);
}

TEST_F(ImageViewTest, ZoomKeepsTheCentrePointInPlace) {
    controller->setImage(patternImage(1000, 800));
    controller->setScrollValues(310, 270);
    for (double f : {2.0, 0.5, 1.2, 0.8}) {
        const QPointF before = centreInImage(view, controller->currentScale());
        controller->scaleBy(f);
        const double s = controller->currentScale();
        const QPointF after = centreInImage(view, s);
        // Within one scroll unit of the scaled view.
        EXPECT_NEAR(after.x(), before.x(), 1.0 / s) << f;
        EXPECT_NEAR(after.y(), before.y(), 1.0 / s) << f;
    }
}

TEST_F(ImageViewTest, ZoomOutNearTheFarEdgeKeepsTheCentreAsFarAsTheRangeAllows) {
    controller->setImage(patternImage(1000, 800));
    controller->setScrollValues(hbar()->maximum(), vbar()->maximum());
    controller->scaleBy(0.5);
    // The picture's bottom-right corner was in view; now half as large, the bars clamp to the end.
    EXPECT_EQ(hbar()->value(), hbar()->maximum());
    EXPECT_EQ(vbar()->value(), vbar()->maximum());
}

TEST_F(ImageViewTest, CopyInTakesColourBytesAndKeepsAlpha) {
    const QImage photo = patternImage(64, 48);
    IQImageDisplayController before(&view);
    before.setImage(photo);
    controller->setImage(photo);

    QImage result(64, 48, QImage::Format_ARGB32);
    result.fill(qRgba(10, 20, 30, 255));
    controller->updateFromBGRA(result);

    const QImage& held = controller->currentImage();
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const QRgb p = held.pixel(x, y);
            ASSERT_EQ(qRed(p), 10);
            ASSERT_EQ(qGreen(p), 20);
            ASSERT_EQ(qBlue(p), 30);
            ASSERT_EQ(qAlpha(p), qAlpha(photo.pixel(x, y)));
        }
    // The other view's image is a value of its own.
    EXPECT_EQ(before.currentImage(), photo);
    EXPECT_EQ(controller->shownPixmap().size(), QSize(64, 48));
}

// A held image of another 32-bit layout (R, G, B byte order, or premultiplied as crop leaves it)
// still takes the result's colours as they are, with its own alpha.
TEST_F(ImageViewTest, CopyInIntoOtherThirtyTwoBitLayoutsKeepsTheColours) {
    for (QImage::Format format : {QImage::Format_RGBA8888, QImage::Format_ARGB32_Premultiplied}) {
        QImage photo(8, 6, QImage::Format_ARGB32);
        photo.fill(qRgba(200, 100, 50, 128));
        controller->setImage(photo.convertToFormat(format));
        QImage result(8, 6, QImage::Format_ARGB32);
        result.fill(qRgba(10, 20, 30, 255));
        controller->updateFromBGRA(result);
        const QRgb p = controller->currentImage().pixel(3, 2);
        EXPECT_EQ(qRed(p), 10) << format;
        EXPECT_EQ(qGreen(p), 20) << format;
        EXPECT_EQ(qBlue(p), 30) << format;
        EXPECT_EQ(qAlpha(p), 128) << format;
    }
}

TEST_F(ImageViewTest, CopyInFromASmallerResultCopiesOnlyTheOverlap) {
    const QImage photo = patternImage(64, 48);
    controller->setImage(photo);
    QImage result(40, 30, QImage::Format_ARGB32);
    result.fill(qRgba(1, 2, 3, 255));
    controller->updateFromBGRA(result);
    const QImage& held = controller->currentImage();
    EXPECT_EQ(held.size(), QSize(64, 48));
    EXPECT_EQ(qRed(held.pixel(39, 29)), 1);
    EXPECT_EQ(held.pixel(40, 29), photo.pixel(40, 29));
    EXPECT_EQ(held.pixel(39, 30), photo.pixel(39, 30));

    // The same through a raw buffer that covers less than the image.
    QByteArray small(10 * 5 * 4, char(0x77));
    controller->updateFromData(reinterpret_cast<const uchar*>(small.constData()), 10, 5, 0,
                               QImage::Format_ARGB32);
    EXPECT_EQ(qGreen(controller->currentImage().pixel(9, 4)), 0x77);
    EXPECT_EQ(qGreen(controller->currentImage().pixel(10, 4)), 2);
    EXPECT_EQ(qGreen(controller->currentImage().pixel(9, 5)), 2);
}

TEST_F(ImageViewTest, UpdateFromDataHonoursTheFormat) {
    const int w = 6, h = 4;
    const QImage photo = patternImage(w, h);
    struct Case {
        QImage::Format format;
        int stride;
        bool copies;
    };
    const Case cases[] = {
        {QImage::Format_ARGB32, 999, true}, // stride ignored: rows are 4 w apart
        {QImage::Format_RGB888, 20, true},  // 3-byte pixels, rows 20 bytes apart (2 padding)
        {QImage::Format_RGB32, 24, false},  // any other format copies nothing
    };
    for (const Case& c : cases) {
        controller->setImage(photo);
        const int bpp = c.format == QImage::Format_RGB888 ? 3 : 4;
        const int rowBytes = c.format == QImage::Format_RGB888 ? c.stride : 4 * w;
        QByteArray buf(rowBytes * h, char(0xee)); // padding marked
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int b = 0; b < 3; ++b)
                    buf[y * rowBytes + x * bpp + b] = char(y * 40 + x * 6 + b);
        controller->updateFromData(reinterpret_cast<const uchar*>(buf.constData()), w, h, c.stride,
                                   c.format);
        const QImage& held = controller->currentImage();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const QRgb p = held.pixel(x, y);
                if (c.copies) {
                    ASSERT_EQ(qBlue(p), y * 40 + x * 6) << c.format;
                    ASSERT_EQ(qGreen(p), y * 40 + x * 6 + 1) << c.format;
                    ASSERT_EQ(qRed(p), y * 40 + x * 6 + 2) << c.format;
                    ASSERT_EQ(qAlpha(p), qAlpha(photo.pixel(x, y)));
                } else {
                    ASSERT_EQ(p, photo.pixel(x, y)) << c.format;
                }
            }
    }
}

TEST_F(ImageViewTest, CopyInKeepsTheScaleAndTheScrollPositions) {
    controller->setImage(patternImage(1000, 800));
    controller->setScale(1.0);
    controller->scaleBy(0.8);
    controller->setScrollValues(120, 90);
    QImage result(1000, 800, QImage::Format_ARGB32);
    result.fill(Qt::gray);
    controller->updateFromBGRA(result);
    EXPECT_DOUBLE_EQ(controller->currentScale(), 0.8);
    EXPECT_EQ(controller->shownPixmap().size(), QSize(800, 640));
    EXPECT_EQ(hbar()->value(), 120);
    EXPECT_EQ(vbar()->value(), 90);
    checkSceneInvariant();
}

TEST_F(ImageViewTest, NullImageIsHarmlessEverywhere) {
    controller->setImage(QImage());
    controller->scaleBy(2.0);
    QImage result(8, 8, QImage::Format_ARGB32);
    result.fill(Qt::red);
    controller->updateFromBGRA(result);
    controller->updateFromData(result.constBits(), 8, 8, 32, QImage::Format_ARGB32);
    controller->fitToView();
    controller->rotate(90, false);
    EXPECT_TRUE(controller->currentImage().isNull());
    checkSceneInvariant();
}

TEST_F(ImageViewTest, ZoomToRectFillsTheViewAndScrollsToTheCorner) {
    controller->setImage(patternImage(1000, 800));
    // 100 x 50 in a 200 x 150 view: the width limits, s = 2.
    controller->zoomToRect(QRect(QPoint(140, 60), QPoint(40, 110)));
    EXPECT_DOUBLE_EQ(controller->currentScale(), 2.0);
    EXPECT_EQ(hbar()->value(), 80);
    EXPECT_EQ(vbar()->value(), 120);
    // 20 x 60: the height limits, s = 150 / 60.
    controller->zoomToRect(QRect(QPoint(10, 10), QPoint(30, 70)));
    EXPECT_DOUBLE_EQ(controller->currentScale(), 2.0 * 2.5);
    // A rectangle without width changes nothing.
    controller->zoomToRect(QRect(QPoint(10, 10), QPoint(10, 70)));
    EXPECT_DOUBLE_EQ(controller->currentScale(), 5.0);
}

TEST_F(ImageViewTest, FitToViewRendersTheWholeImageInTheView) {
    controller->setImage(patternImage(800, 300));
    controller->scaleBy(1.7);
    controller->fitToView();
    EXPECT_DOUBLE_EQ(controller->currentScale(), 0.25); // 200 / 800, width limits
    EXPECT_EQ(controller->shownPixmap().size(), QSize(200, 75));
    controller->setImage(patternImage(300, 600));
    controller->fitToView();
    EXPECT_DOUBLE_EQ(controller->currentScale(), 0.25); // 150 / 600, height limits
    EXPECT_EQ(controller->shownPixmap().size(), QSize(75, 150));
}

TEST_F(ImageViewTest, RotateTurnsThePictureButNeverTheImage) {
    const QImage photo = patternImage(40, 20);
    controller->setImage(photo);
    controller->rotate(90, true);
    EXPECT_EQ(controller->shownPixmap().size(), QSize(20, 40));
    EXPECT_DOUBLE_EQ(controller->currentRotation(), 0.0);
    checkSceneInvariant();
    // A preview is not kept: a re-render shows the upright picture.
    controller->scaleBy(1.0);
    EXPECT_EQ(controller->shownPixmap().size(), QSize(40, 20));

    controller->rotate(90, false);
    controller->rotate(300, false); // 390 wraps to 30
    EXPECT_DOUBLE_EQ(controller->currentRotation(), 30.0);
    controller->rotate(60, false);
    EXPECT_DOUBLE_EQ(controller->currentRotation(), 90.0);
    controller->scaleBy(1.0); // renders from the rotated source
    EXPECT_EQ(controller->shownPixmap().size(), QSize(20, 40));
    EXPECT_EQ(controller->currentImage(), photo);
    // The top-left pixel of the image is now at the top-right of the picture.
    const QImage shown = controller->shownPixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(shown.pixel(19, 0), photo.pixel(0, 0));
}

TEST_F(ImageViewTest, CropMakesThePartOfTheShownPixmapTheImage) {
    // Opaque, so that the pixmap round trip is exact.
    const QImage photo = patternImage(80, 60).convertToFormat(QImage::Format_RGB32);
    controller->setImage(photo);
    controller->crop(QRect(QPoint(30, 25), QPoint(10, 5))); // corners in any order
    const QImage& held = controller->currentImage();
    ASSERT_EQ(held.size(), QSize(21, 21));
    EXPECT_EQ(held.convertToFormat(QImage::Format_RGB32), photo.copy(10, 5, 21, 21));
    EXPECT_DOUBLE_EQ(controller->currentScale(), 1.0);
}

// ---- what the views show after a copy-in, against the way they used to make it ----

// The held image after a result went in the way the views always did it: a pixel-by-pixel copy of
// bytes 0..2 over the size both cover, into straight 32-bit pixels whatever layout the held image
// had, the held alpha kept.
QImage copiedInPixelByPixel(QImage held, const QImage& result) {
    if (held.format() != QImage::Format_ARGB32 && held.format() != QImage::Format_RGB32)
        held = held.convertToFormat(QImage::Format_ARGB32);
    const int rows = std::min(held.height(), result.height());
    const int cols = std::min(held.width(), result.width());
    for (int y = 0; y < rows; ++y) {
        const uchar* s = result.constScanLine(y);
        uchar* d = held.scanLine(y);
        for (int x = 0; x < cols; ++x)
            for (int b = 0; b < 3; ++b)
                d[4 * x + b] = s[4 * x + b];
    }
    return held;
}

// The picture of `image` at `scale` the way the views always rendered it: a pixmap of the whole
// image, scaled smoothly.
QPixmap renderedThroughAPixmap(const QImage& image, double scale) {
    const QPixmap source = QPixmap::fromImage(image);
    const QSize target(qRound(image.width() * scale), qRound(image.height() * scale));
    if (source.isNull() || target.isEmpty())
        return QPixmap();
    return source.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// Same size, format and bytes, row by row (padding aside).
void expectSameImage(const QImage& actual, const QImage& expected, const char* what) {
    ASSERT_EQ(actual.size(), expected.size()) << what;
    ASSERT_EQ(actual.format(), expected.format()) << what;
    const size_t rowBytes = size_t(expected.width()) * expected.depth() / 8;
    for (int y = 0; y < expected.height(); ++y)
        ASSERT_EQ(memcmp(actual.constScanLine(y), expected.constScanLine(y), rowBytes), 0)
            << what << ", row " << y;
}

void expectSameMetadata(const QImage& actual, const QImage& expected) {
    EXPECT_EQ(actual.dotsPerMeterX(), expected.dotsPerMeterX());
    EXPECT_EQ(actual.dotsPerMeterY(), expected.dotsPerMeterY());
    EXPECT_EQ(actual.devicePixelRatio(), expected.devicePixelRatio());
    EXPECT_EQ(actual.offset(), expected.offset());
    EXPECT_EQ(actual.textKeys(), expected.textKeys());
    for (const QString& key : expected.textKeys())
        EXPECT_EQ(actual.text(key), expected.text(key)) << key.toStdString();
    EXPECT_EQ(actual.colorSpace(), expected.colorSpace());
}

// A real photo (odd width) with noise of its own as the engine's result would differ from it.
QImage resultFor(const QImage& photo, unsigned seed, int alpha) {
    QImage result(photo.size(), QImage::Format_ARGB32);
    std::mt19937 random(seed);
    for (int y = 0; y < photo.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(photo.constScanLine(y));
        auto* r = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < photo.width(); ++x)
            r[x] = qRgba(qRed(p[x]) ^ int(random() & 15), qGreen(p[x]) ^ int(random() & 15),
                         qBlue(p[x]) ^ int(random() & 15), alpha);
    }
    return result;
}

// The after view's image and pixmap after results went in equal those of the old pixel-by-pixel
// copy and whole-image pixmap, for a real photo of odd width in every held layout, shared with the
// before view's image or not, at scales below, at and above 100 %, from a full-size result and from
// a smaller one, through a second result and a zoom after it.
TEST_F(ImageViewTest, CopyInShowsWhatThePixelByPixelCopyAndTheWholePixmapShowed) {
    QImage photo(QStringLiteral(NR_TEST_DATA_DIR "/photos/chelsea.png"));
    ASSERT_FALSE(photo.isNull());
    photo = photo.convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(photo.width() % 2, 1);
    photo.setText(QStringLiteral("Description"), QStringLiteral("chelsea"));
    photo.setDotsPerMeterX(2835);
    photo.setDotsPerMeterY(3937);
    photo.setOffset(QPoint(3, 4));
    // The same photo with a varying alpha: its pixmap has an alpha channel.
    QImage translucent = photo;
    for (int y = 0; y < translucent.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(translucent.scanLine(y));
        for (int x = 0; x < translucent.width(); ++x)
            row[x] = (row[x] & 0x00ffffffu) | (QRgb((x * 3 + y) % 256) << 24);
    }
    struct Layout {
        const char* name;
        QImage held;
    };
    const Layout layouts[] = {
        {"opaque ARGB32", photo},
        {"translucent ARGB32", translucent},
        {"RGB32", photo.convertToFormat(QImage::Format_RGB32)},
        {"RGBA8888", translucent.convertToFormat(QImage::Format_RGBA8888)},
        {"premultiplied", translucent.convertToFormat(QImage::Format_ARGB32_Premultiplied)},
    };
    const QImage full = resultFor(photo, 1, 255);
    const QImage second = resultFor(photo, 2, 255);
    const QImage smaller =
        resultFor(photo, 3, 200).copy(0, 0, photo.width() - 40, photo.height() - 7);

    for (const Layout& layout : layouts) {
        for (bool shared : {true, false}) {
            for (double scale : {0.37, 0.5, 1.0, 1.25}) {
                for (const QImage* result : {&full, &smaller}) {
                    SCOPED_TRACE(testing::Message()
                                 << layout.name << (shared ? ", shared" : "") << ", scale " << scale
                                 << (result == &smaller ? ", smaller result" : ""));
                    QGraphicsView beforeView;
                    IQImageDisplayController before(&beforeView);
                    before.setImage(layout.held);
                    controller->setImage(shared ? layout.held : layout.held.copy());
                    controller->setScale(scale);

                    QImage expected = copiedInPixelByPixel(layout.held, *result);
                    controller->updateFromBGRA(*result);
                    expectSameImage(controller->currentImage(), expected, "held image");
                    expectSameMetadata(controller->currentImage(), expected);
                    expectSameImage(controller->shownPixmap().toImage(),
                                    renderedThroughAPixmap(expected, scale).toImage(), "shown");
                    checkSceneInvariant();
                    // The before view's image is its own.
                    expectSameImage(before.currentImage(), layout.held, "before view's image");

                    expected = copiedInPixelByPixel(expected, second);
                    controller->updateFromData(second.constBits(), second.width(), second.height(),
                                               0, QImage::Format_ARGB32);
                    expectSameImage(controller->currentImage(), expected, "second result");
                    expectSameImage(controller->shownPixmap().toImage(),
                                    renderedThroughAPixmap(expected, scale).toImage(),
                                    "shown after the second result");

                    controller->scaleBy(0.8);
                    expectSameImage(controller->shownPixmap().toImage(),
                                    renderedThroughAPixmap(expected, scale * 0.8).toImage(),
                                    "zoomed out");
                    controller->setScale(1.0);
                    expectSameImage(controller->shownPixmap().toImage(),
                                    renderedThroughAPixmap(expected, 1.0).toImage(), "100 %");
                    checkSceneInvariant();
                }
            }
        }
    }
}

// A 24-bit result goes in the same way: the held image and its picture are those of the old
// pixel-by-pixel copy, shared or not.
TEST_F(ImageViewTest, BgrCopyInShowsWhatThePixelByPixelCopyShowed) {
    const QImage photo = patternImage(101, 37);
    QImage bgr(101, 37, QImage::Format_RGB888);
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 101; ++x)
            bgr.setPixel(x, y, qRgb(x * 2, y * 5, (x + y) & 0xff));
    // As the engine controller's buffer holds it: B, G, R in memory.
    const QImage bgrBytes = bgr.rgbSwapped();
    QImage argb(101, 37, QImage::Format_ARGB32);
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 101; ++x) {
            const uchar* s = bgrBytes.constScanLine(y) + 3 * x;
            argb.setPixel(x, y, qRgba(s[2], s[1], s[0], 255));
        }
    for (bool shared : {true, false}) {
        SCOPED_TRACE(shared ? "shared" : "own");
        QGraphicsView beforeView;
        IQImageDisplayController before(&beforeView);
        before.setImage(photo);
        controller->setImage(shared ? photo : photo.copy());
        controller->setScale(0.6);
        controller->updateFromData(bgrBytes.constBits(), 101, 37, bgrBytes.bytesPerLine(),
                                   QImage::Format_RGB888);
        const QImage expected = copiedInPixelByPixel(photo, argb);
        expectSameImage(controller->currentImage(), expected, "held image");
        expectSameImage(controller->shownPixmap().toImage(),
                        renderedThroughAPixmap(expected, 0.6).toImage(), "shown");
    }
}

} // namespace

#include "qprogressindicator.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QImage>
#include <QTimerEvent>
#include <QVariant>
#include <gtest/gtest.h>

namespace {

QList<QAbstractEventDispatcher::TimerInfo> timersOf(QObject* object) {
    return QAbstractEventDispatcher::instance()->registeredTimers(object);
}

// One tick of the animation timer, delivered synchronously.
void tick(QProgressIndicator& w) {
    QTimerEvent e(0);
    QCoreApplication::sendEvent(&w, &e);
}

QImage renderOf(QProgressIndicator& w) {
    QImage image(w.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    w.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

bool isBlank(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return false;
    return true;
}

} // namespace

TEST(QProgressIndicatorGeometry, IntegerSizesForEachSide) {
    struct Case {
        int side, outer, inner, height, width, corner;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, 0},    {1, 0, 0, 0, 0, 0},    {20, 9, 3, 6, 2, 1},    {28, 13, 5, 8, 2, 1},
        {32, 15, 5, 10, 3, 1}, {33, 16, 6, 10, 2, 1}, {64, 31, 11, 20, 4, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.side);
        const QProgressIndicator::Geometry g = QProgressIndicator::geometryForSide(c.side);
        EXPECT_EQ(g.outerRadius, c.outer);
        EXPECT_EQ(g.innerRadius, c.inner);
        EXPECT_EQ(g.capsuleHeight, c.height);
        EXPECT_EQ(g.capsuleWidth, c.width);
        EXPECT_EQ(g.cornerRadius, c.corner);
    }
}

TEST(QProgressIndicator, NewWidgetIsStoppedBlackFixedAndUnfocusable) {
    QProgressIndicator w(nullptr);
    EXPECT_FALSE(w.isAnimated());
    EXPECT_FALSE(w.isDisplayedWhenStopped());
    EXPECT_EQ(w.animationDelay(), 40);
    EXPECT_EQ(w.color(), QColor(Qt::black));
    EXPECT_EQ(w.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(w.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(w.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(w.sizeHint(), QSize(20, 20));
    EXPECT_EQ(w.heightForWidth(37), 37);
    EXPECT_FALSE(w.hasHeightForWidth());
    EXPECT_TRUE(timersOf(&w).isEmpty());
}

TEST(QProgressIndicator, PropertiesReadAndWriteThroughTheMetaObject) {
    QProgressIndicator w(nullptr);
    EXPECT_TRUE(w.setProperty("delay", 75));
    EXPECT_TRUE(w.setProperty("displayedWhenStopped", true));
    EXPECT_TRUE(w.setProperty("color", QColor(Qt::red)));
    EXPECT_EQ(w.property("delay").toInt(), 75);
    EXPECT_TRUE(w.property("displayedWhenStopped").toBool());
    EXPECT_EQ(w.property("color").value<QColor>(), QColor(Qt::red));
}

TEST(QProgressIndicator, StartKeepsOneCoarseTimerAndStopEndsIt) {
    QProgressIndicator w(nullptr);
    w.startAnimation();
    w.startAnimation();
    ASSERT_TRUE(w.isAnimated());
    auto timers = timersOf(&w);
    ASSERT_EQ(timers.size(), 1);
    EXPECT_EQ(timers[0].interval, 40);
    EXPECT_EQ(timers[0].timerType, Qt::CoarseTimer);

    w.stopAnimation();
    EXPECT_FALSE(w.isAnimated());
    EXPECT_TRUE(timersOf(&w).isEmpty());
    w.stopAnimation(); // stopping a stopped widget is harmless
    EXPECT_FALSE(w.isAnimated());
}

TEST(QProgressIndicator, DelayChangeReplacesARunningTimerOnly) {
    QProgressIndicator w(nullptr);
    w.setAnimationDelay(100);
    EXPECT_EQ(w.animationDelay(), 100);
    EXPECT_TRUE(timersOf(&w).isEmpty());

    w.startAnimation();
    w.setAnimationDelay(60); // a timer keeps its interval: this takes a new one

    const auto timers = timersOf(&w);
    ASSERT_EQ(timers.size(), 1);
    EXPECT_EQ(timers[0].interval, 60);
    EXPECT_TRUE(w.isAnimated());
}

TEST(QProgressIndicator, PaintsNothingWhileStoppedUnlessAskedTo) {
    QProgressIndicator w(nullptr);
    w.resize(20, 20);
    EXPECT_TRUE(isBlank(renderOf(w)));
    w.setDisplayedWhenStopped(true);
    EXPECT_FALSE(isBlank(renderOf(w)));
    w.setDisplayedWhenStopped(false);
    w.startAnimation();
    EXPECT_FALSE(isBlank(renderOf(w)));
    w.stopAnimation();
    EXPECT_TRUE(isBlank(renderOf(w)));
}

// On a 20 x 20 widget the upright capsule covers x 8..10, y 0..6 around the centre (9, 9): pixel
// (9, 3) lies inside it, pixel (9, 8) inside the hollow centre.
TEST(QProgressIndicator, TicksTurnTheFigureByOneCapsuleAndWrapAfterTwelve) {
    QProgressIndicator w(nullptr);
    w.resize(20, 20);
    w.setColor(QColor(10, 20, 30));
    w.startAnimation();

    QImage image = renderOf(w);
    EXPECT_EQ(image.pixel(9, 3), qRgba(10, 20, 30, 255)); // capsule 0, opaque, upright
    EXPECT_EQ(qAlpha(image.pixel(9, 8)), 0);
    EXPECT_EQ(qAlpha(image.pixel(9, 1)), 255); // near the outer end, 9 pixels above the centre
    EXPECT_EQ(qAlpha(image.pixel(8, 3)), 255); // 2 pixels wide: columns 8 and 9
    EXPECT_LT(qAlpha(image.pixel(10, 3)), 64); // column 10 holds only a faint neighbour

    tick(w);
    image = renderOf(w);
    // Capsule 0 moved on clockwise; capsule 1, at 11/12 of the alpha, now stands upright.
    EXPECT_NEAR(qAlpha(image.pixel(9, 3)), 255 * 11 / 12, 2);
    EXPECT_NEAR(qRed(image.pixel(9, 3)), 10, 1);
    const QImage clockwise = image;

    for (int i = 1; i < 12; ++i)
        tick(w);
    EXPECT_EQ(renderOf(w).pixel(9, 3), qRgba(10, 20, 30, 255)); // twelve ticks: back upright

    tick(w);
    EXPECT_EQ(renderOf(w), clockwise);

    w.startAnimation(); // restarting sets the figure back upright
    EXPECT_EQ(renderOf(w).pixel(9, 3), qRgba(10, 20, 30, 255));
}

TEST(QProgressIndicator, StoppedFigureStaysWhereItStood) {
    QProgressIndicator w(nullptr);
    w.resize(20, 20);
    w.setDisplayedWhenStopped(true);
    w.startAnimation();
    tick(w);
    const QImage moved = renderOf(w);
    w.stopAnimation();
    EXPECT_EQ(renderOf(w), moved);
}

TEST(QProgressIndicator, TinyWidgetsPaintWithoutFailing) {
    for (int side : {1, 2, 3}) {
        QProgressIndicator w(nullptr);
        w.resize(side, side);
        w.startAnimation();
        const QImage image = renderOf(w);
        EXPECT_EQ(image.size(), QSize(side, side));
    }
}

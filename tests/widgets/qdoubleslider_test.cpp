// Mouse input goes through the window system layer, as real input does.
#define QTEST_QPA_MOUSE_HANDLING
#include "qdoubleslider.h"

#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QVBoxLayout>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

QList<double> doubles(const QSignalSpy& spy, int argument = 0) {
    QList<double> values;
    for (const QList<QVariant>& call : spy)
        values << call.at(argument).toDouble();
    return values;
}

QPoint handleCentre(const QSlider& s) {
    QStyleOptionSlider opt;
    opt.initFrom(&s);
    opt.orientation = s.orientation();
    opt.minimum = s.QAbstractSlider::minimum();
    opt.maximum = s.QAbstractSlider::maximum();
    opt.sliderPosition = s.sliderPosition();
    opt.sliderValue = s.QAbstractSlider::value();
    opt.singleStep = s.singleStep();
    opt.pageStep = s.pageStep();
    opt.upsideDown = s.invertedAppearance();
    opt.direction = s.layoutDirection();
    return s.style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, &s).center();
}

} // namespace

TEST(QDoubleSlider, IsAHorizontalUnfocusableSliderWithUnitSteps) {
    QDoubleSlider s(nullptr);
    EXPECT_EQ(s.orientation(), Qt::Horizontal);
    EXPECT_EQ(s.singleStep(), 1);
    EXPECT_EQ(s.focusPolicy(), Qt::NoFocus);
}

TEST(QDoubleSlider, SetValueTruncatesThePositionAndEmitsRelayThenValue) {
    QDoubleSlider s(nullptr);
    s.setRange(0.0, 1.0);
    QSignalSpy spy(&s, SIGNAL(valueChanged(double)));

    s.setValue(0.57); // 0.57 * 10000 is just below 5700
    EXPECT_EQ(s.QSlider::value(), 5699);
    EXPECT_EQ(doubles(spy), (QList<double>{0.5699, 0.57}));
    EXPECT_DOUBLE_EQ(s.value(), 0.5699);

    spy.clear();
    s.setValue(0.56991); // same position: only the explicit emission
    EXPECT_EQ(s.QSlider::value(), 5699);
    EXPECT_EQ(doubles(spy), (QList<double>{0.56991}));
    EXPECT_FALSE(s.signalsBlocked());
}

// The position is value * 10000 truncated: values on a position come back as they were set,
// others come back as the position below.
TEST(QDoubleSlider, ValueRoundTripsThroughTheTruncatedPosition) {
    const struct {
        double set, read;
    } cases[] = {
        {0.0, 0.0},     {0.5, 0.5},       {1.25, 1.25},      {0.0625, 0.0625}, {3.0, 3.0},
        {0.57, 0.5699}, {0.0003, 0.0002}, {1.23456, 1.2345}, {-0.25, -0.25},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.set);
        QDoubleSlider s(nullptr);
        s.setRange(-1.0, 4.0);
        s.setValue(c.set, true);
        EXPECT_DOUBLE_EQ(s.value(), c.read);
    }
}

TEST(QDoubleSlider, BlockedSetValueMovesSilentlyAndUnblocksAfterwards) {
    QDoubleSlider s(nullptr);
    s.setRange(0.0, 2.0);
    QSignalSpy doubleSpy(&s, SIGNAL(valueChanged(double)));
    QSignalSpy intSpy(&s, SIGNAL(valueChanged(int)));

    s.setValue(1.0, true);
    EXPECT_EQ(s.QSlider::value(), 10000);
    EXPECT_EQ(doubleSpy.count(), 0);
    EXPECT_EQ(intSpy.count(), 0);
    EXPECT_FALSE(s.signalsBlocked());

    s.blockSignals(true); // whatever the state before, the call ends unblocked
    s.setValue(1.5, false);
    EXPECT_EQ(s.QSlider::value(), 15000);
    EXPECT_FALSE(s.signalsBlocked());
}

TEST(QDoubleSlider, IntSlotRelaysWithoutMovingTheSlider) {
    QDoubleSlider s(nullptr);
    s.setRange(0.0, 1.0);
    QSignalSpy spy(&s, SIGNAL(valueChanged(double)));
    s.setValue(2500); // the relay slot, not QAbstractSlider::setValue
    EXPECT_EQ(s.QSlider::value(), 0);
    EXPECT_EQ(doubles(spy), (QList<double>{0.25}));
}

TEST(QDoubleSlider, UserStepsReachDoubleReceiversThroughTheRelay) {
    QDoubleSlider s(nullptr);
    s.setRange(0.0, 1.0);
    QSignalSpy doubleSpy(&s, SIGNAL(valueChanged(double)));
    QSignalSpy intSpy(&s, SIGNAL(valueChanged(int)));
    s.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    s.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(intSpy.count(), 2);
    EXPECT_EQ(doubles(doubleSpy), (QList<double>{0.0001, 0.0011}));
}

TEST(QDoubleSlider, RangeSettersEmitDoubleRanges) {
    QDoubleSlider s(nullptr);
    QSignalSpy spy(&s, SIGNAL(rangeChanged(double, double)));

    s.setRange(0.25, 2.5);
    EXPECT_EQ(s.QSlider::minimum(), 2500);
    EXPECT_EQ(s.QSlider::maximum(), 25000);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(doubles(spy, 0).at(0), 0.25);
    EXPECT_EQ(doubles(spy, 1).at(0), 2.5);

    spy.clear();
    s.QSlider::setMaximum(40000);
    s.setMinimum(0.5);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(doubles(spy, 0).at(0), 0.5);
    EXPECT_EQ(doubles(spy, 1).at(0), 4.0);

    spy.clear();
    s.setMaximum(3.0);
    EXPECT_EQ(s.QSlider::maximum(), 30000);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(doubles(spy, 0).at(0), 0.5);
    EXPECT_EQ(doubles(spy, 1).at(0), 3.0);
    EXPECT_EQ(s.minimum(), 0.5);
    EXPECT_EQ(s.maximum(), 3.0);
}

// Positions outside the int range saturate instead of taking an undefined conversion.
TEST(QDoubleSlider, PositionsSaturateAtTheIntRange) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        int position;
    } cases[] = {
        {0.57, 5699},
        {-0.57, -5699},
        {214748.3647, INT_MAX}, // exactly the
                                // largest position
        {214748.3648, INT_MAX},
        {-214748.3649, INT_MIN},
        {1e300, INT_MAX},
        {-1e300, INT_MIN},
        {inf, INT_MAX},
        {-inf, INT_MIN},
        {std::nan(""), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        QDoubleSlider s(nullptr);
        s.setRange(c.value, c.value); // a one-point range shows the converted position itself
        EXPECT_EQ(s.QSlider::minimum(), c.position);
        EXPECT_EQ(s.QSlider::maximum(), c.position);
    }

    QDoubleSlider s(nullptr);
    s.setRange(-inf, inf);
    s.setValue(1e300, true);
    EXPECT_EQ(s.QSlider::value(), INT_MAX);
    s.setValue(-1e300, true);
    EXPECT_EQ(s.QSlider::value(), INT_MIN);
}

TEST(QDoubleSlider, DraggingTheHandleReportsEachPositionAsADouble) {
    QWidget window;
    window.resize(300, 40);
    auto* slider = new QDoubleSlider(&window);
    (new QVBoxLayout(&window))->addWidget(slider);
    slider->setRange(0.0, 1.0);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QSignalSpy doubleSpy(slider, SIGNAL(valueChanged(double)));
    QSignalSpy intSpy(slider, SIGNAL(valueChanged(int)));

    QPoint at = handleCentre(*slider);
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, at);
    for (int i = 0; i < 3; ++i) {
        at += QPoint(20, 0);
        QTest::mouseMove(slider, at);
    }
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, at);

    ASSERT_GE(intSpy.count(), 3);
    ASSERT_EQ(doubleSpy.count(), intSpy.count());
    for (int i = 0; i < intSpy.count(); ++i)
        EXPECT_EQ(doubleSpy.at(i).at(0).toDouble(), intSpy.at(i).at(0).toInt() / 10000.0);
    EXPECT_GT(slider->value(), 0.0);
    EXPECT_EQ(doubleSpy.last().at(0).toDouble(), slider->value());
}

// Mouse input goes through the window system layer, as real input does: the press sets the
// implicit grab, moves carry the held button and a popup receives the release it takes.
#define QTEST_QPA_MOUSE_HANDLING
#include "qcontinuesslider.h"

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Every signal by which a slider tells its receivers about the user's input.
struct SliderSpies {
    explicit SliderSpies(QContinuesSlider* s)
        : valueChanged(s, SIGNAL(valueChanged(int))), valueChanging(s, SIGNAL(valueChanging(int))),
          sliderPressed(s, SIGNAL(sliderPressed())), sliderMoved(s, SIGNAL(sliderMoved(int))),
          sliderReleased(s, SIGNAL(sliderReleased())),
          actionTriggered(s, SIGNAL(actionTriggered(int))) {}

    int others() const {
        return valueChanging.count() + sliderPressed.count() + sliderMoved.count() +
               sliderReleased.count() + actionTriggered.count();
    }
    void clear() {
        for (QSignalSpy* spy : {&valueChanged, &valueChanging, &sliderPressed, &sliderMoved,
                                &sliderReleased, &actionTriggered})
            spy->clear();
    }

    QSignalSpy valueChanged, valueChanging, sliderPressed, sliderMoved, sliderReleased,
        actionTriggered;
};

QList<int> ints(const QSignalSpy& spy) {
    QList<int> values;
    for (const QList<QVariant>& call : spy)
        values << call.at(0).toInt();
    return values;
}

QRect handleRect(const QSlider& s) {
    QStyleOptionSlider opt;
    opt.initFrom(&s);
    opt.subControls = QStyle::SC_None;
    opt.activeSubControls = QStyle::SC_None;
    opt.orientation = s.orientation();
    opt.maximum = s.maximum();
    opt.minimum = s.minimum();
    opt.tickPosition = s.tickPosition();
    opt.tickInterval = s.tickInterval();
    opt.upsideDown = s.invertedAppearance();
    opt.direction = s.layoutDirection();
    opt.sliderPosition = s.sliderPosition();
    opt.sliderValue = s.value();
    opt.singleStep = s.singleStep();
    opt.pageStep = s.pageStep();
    return s.style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, &s);
}

// A shown 0..100 slider at 50 in a window of its own.
class QContinuesSliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(300, 40);
        auto* layout = new QVBoxLayout(&window);
        slider = new QContinuesSlider(&window);
        layout->addWidget(slider);
        slider->setRange(0, 100);
        slider->setValue(50, true);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        spies = std::make_unique<SliderSpies>(slider);
    }

    // Presses on the handle and drags it to the right in three moves.
    QPoint pressAndDrag() {
        QPoint at = handleRect(*slider).center();
        QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, at);
        for (int i = 0; i < 3; ++i) {
            at += QPoint(15, 0);
            QTest::mouseMove(slider, at);
        }
        return at;
    }

    QWidget window;
    QContinuesSlider* slider = nullptr;
    std::unique_ptr<SliderSpies> spies;
};

} // namespace

TEST(QContinuesSlider, IsAHorizontalUnfocusableSliderWithUnitSteps) {
    QContinuesSlider s(nullptr);
    EXPECT_EQ(s.orientation(), Qt::Horizontal);
    EXPECT_EQ(s.singleStep(), 1);
    EXPECT_EQ(s.focusPolicy(), Qt::NoFocus);
}

TEST_F(QContinuesSliderTest, DragDeliversNothingAndReleaseDeliversOneValue) {
    const QPoint end = pressAndDrag();
    const int dragged = slider->value();
    EXPECT_GT(dragged, 50);
    EXPECT_EQ(spies->valueChanged.count(), 0);
    EXPECT_EQ(spies->others(), 0);

    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, end);
    EXPECT_EQ(ints(spies->valueChanged), QList<int>{dragged});
    EXPECT_EQ(spies->others(), 0);
    EXPECT_FALSE(slider->signalsBlocked());
    EXPECT_FALSE(slider->isSliderDown());
}

// A second button clicked during the drag does not end it: the drag still delivers nothing and
// only the release of the last button reports, once.
TEST_F(QContinuesSliderTest, SecondButtonClickedDuringADragKeepsItHeldBack) {
    QPoint at = handleRect(*slider).center();
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseClick(slider, Qt::RightButton, Qt::NoModifier, at);
    EXPECT_TRUE(slider->signalsBlocked());
    for (int i = 0; i < 3; ++i) {
        at += QPoint(15, 0);
        QTest::mouseMove(slider, at);
    }
    const int dragged = slider->value();
    EXPECT_GT(dragged, 50);
    EXPECT_EQ(spies->valueChanged.count(), 0);
    EXPECT_EQ(spies->others(), 0);

    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(ints(spies->valueChanged), QList<int>{dragged});
    EXPECT_EQ(spies->others(), 0);
    EXPECT_FALSE(slider->signalsBlocked());
    EXPECT_FALSE(slider->isSliderDown());
}

TEST_F(QContinuesSliderTest, ClickOnTheHandleReportsTheUnchangedValueOnce) {
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, handleRect(*slider).center());
    EXPECT_EQ(slider->value(), 50);
    EXPECT_EQ(ints(spies->valueChanged), QList<int>{50});
    EXPECT_EQ(spies->others(), 0);
}

TEST_F(QContinuesSliderTest, ClickOnTheGrooveReportsTheNewValueOnlyOnRelease) {
    const QPoint groove(slider->width() - 3, slider->height() / 2);
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, groove);
    const int moved = slider->value();
    EXPECT_GT(moved, 50);
    EXPECT_EQ(spies->valueChanged.count(), 0);
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, groove);
    EXPECT_EQ(ints(spies->valueChanged), QList<int>{slider->value()});
    EXPECT_EQ(slider->value(), moved);
}

TEST_F(QContinuesSliderTest, WheelChangesNothingAndPassesTheEventOn) {
    const QPoint at = handleRect(*slider).center();
    QWheelEvent wheel(at, slider->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &wheel);
    EXPECT_FALSE(wheel.isAccepted());
    EXPECT_EQ(slider->value(), 50);
    EXPECT_EQ(spies->valueChanged.count(), 0);
    EXPECT_EQ(spies->others(), 0);
    EXPECT_FALSE(slider->signalsBlocked());
}

// A press whose release never reaches the slider must not leave its signals blocked: it ends
// with one report of the value it left, and later changes reach the receivers again.
TEST_F(QContinuesSliderTest, PressWithoutItsReleaseEndsAndReportsOnce) {
    QFrame* popup = nullptr;
    QDialog* modal = nullptr;
    const struct {
        const char* what;
        std::function<void()> interrupt;
        std::function<void()> restore;
    } cases[] = {
        {"disabled", [&] { slider->setEnabled(false); }, [&] { slider->setEnabled(true); }},
        {"parent disabled", [&] { window.setEnabled(false); }, [&] { window.setEnabled(true); }},
        {"hidden", [&] { slider->hide(); }, [&] { slider->show(); }},
        {"release taken by a popup",
         [&] {
             popup = new QFrame(&window, Qt::Popup);
             popup->setGeometry(QRect(window.mapToGlobal(QPoint(0, 0)), QSize(300, 40)));
             popup->show();
             ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
             QTest::mouseRelease(popup, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
         },
         [&] {
             delete popup;
             popup = nullptr;
         }},
        // The modal window takes the grab away; the release over the blocked window is dropped.
        {"a modal window opens",
         [&] {
             modal = new QDialog;
             modal->setModal(true);
             modal->show();
             ASSERT_TRUE(QTest::qWaitForWindowExposed(modal));
             QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier,
                                 handleRect(*slider).center());
         },
         [&] {
             delete modal;
             modal = nullptr;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        slider->setValue(50, true);
        spies->clear();

        pressAndDrag();
        const int dragged = slider->value();
        ASSERT_GT(dragged, 50);
        ASSERT_EQ(spies->valueChanged.count(), 0);

        c.interrupt();
        EXPECT_FALSE(slider->signalsBlocked());
        EXPECT_FALSE(slider->isSliderDown());
        QCoreApplication::processEvents();
        EXPECT_EQ(ints(spies->valueChanged), QList<int>{dragged});
        c.restore();
        QCoreApplication::processEvents();
        EXPECT_EQ(spies->valueChanged.count(), 1);

        spies->clear();
        slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_EQ(ints(spies->valueChanged), QList<int>{dragged + 1});
    }
}

TEST_F(QContinuesSliderTest, SetValueClampsThePositionAndReportsTheGivenValue) {
    slider->setValue(150);
    EXPECT_EQ(slider->value(), 100);
    EXPECT_EQ(ints(spies->valueChanged), (QList<int>{100, 150}));

    spies->clear();
    slider->setValue(20, true);
    EXPECT_EQ(slider->value(), 20);
    EXPECT_EQ(spies->valueChanged.count(), 0);
    EXPECT_FALSE(slider->signalsBlocked());
}

// The report of an ended press comes from the event loop and reads the slider then: a value
// placed silently in the meantime is what it reports, and a slider destroyed meanwhile reports
// nothing.
TEST_F(QContinuesSliderTest, EndedPressReportsTheValueTheSliderShowsThen) {
    pressAndDrag();
    slider->setEnabled(false);
    slider->setValue(0, true); // a panel placing its sliders for the next photo
    QCoreApplication::processEvents();
    EXPECT_EQ(ints(spies->valueChanged), QList<int>{0});
}

TEST_F(QContinuesSliderTest, SliderDestroyedWithItsWindowMidPressReportsNothing) {
    auto* other = new QWidget;
    auto* doomed = new QContinuesSlider(other);
    doomed->setRange(0, 100);
    other->resize(300, 40);
    doomed->resize(300, 20);
    other->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(other));
    QSignalSpy reports(doomed, SIGNAL(valueChanged(int)));
    QTest::mousePress(doomed, Qt::LeftButton, Qt::NoModifier, handleRect(*doomed).center());
    delete other; // hides, then destroys the slider while it is pressed
    QCoreApplication::processEvents();
    EXPECT_EQ(reports.count(), 0);
}

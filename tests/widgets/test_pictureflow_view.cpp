// The cover-flow widget's interface: properties, slots, keys, clicks and the travel signal.
// The travel is stepped by calling updateAnimation() directly; no test waits for a timer.
#include "qpictureflow.h"

#include <QKeyEvent>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>
#include <iterator>
#include <gtest/gtest.h>

namespace {

QImage filled(QColor color, QSize size = QSize(16, 16)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

void addSlides(QPictureFlow& view, int count) {
    for (int i = 0; i < count; ++i)
        view.addSlide(filled(QColor::fromHsv(i * 30 % 360, 200, 200)));
}

// Steps the travel until it has stopped (bounded: extra steps of an idle view do nothing).
void travel(QPictureFlow& view) {
    for (int i = 0; i < 1000; ++i)
        view.updateAnimation();
}

QList<int> indicesOf(const QSignalSpy& spy) {
    QList<int> values;
    for (const QList<QVariant>& args : spy)
        values.append(args.at(0).toInt());
    return values;
}

} // namespace

TEST(QPictureFlow, NewViewHasItsDefaults) {
    QPictureFlow view;
    EXPECT_EQ(view.slideCount(), 0);
    EXPECT_EQ(view.centerIndex(), 0);
    EXPECT_EQ(view.slideSize(), QSize(150, 200));
    EXPECT_EQ(view.backgroundColor(), QColor(0, 0, 0));
    EXPECT_EQ(view.reflection(), ReflectionBlurred);
    EXPECT_TRUE(view.testAttribute(Qt::WA_StaticContents));
    EXPECT_TRUE(view.testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_TRUE(view.testAttribute(Qt::WA_NoSystemBackground));
    EXPECT_TRUE(view.slide(0).isNull());
}

TEST(QPictureFlow, MetaObjectListsSignalSlotsAndPropertiesInOrder) {
    const QMetaObject* mo = &QPictureFlow::staticMetaObject;
    const char* methods[] = {
        "centerIndexChanged(int)",
        "addSlide(QImage)",
        "addSlide(QPixmap)",
        "setSlide(int,QImage)",
        "setSlide(int,QPixmap)",
        "setCenterIndex(int)",
        "clear()",
        "showPrevious()",
        "showNext()",
        "showSlide(int)",
        "render()",
        "triggerRender()",
        "updateAnimation()",
    };
    ASSERT_EQ(mo->methodCount() - mo->methodOffset(), int(std::size(methods)));
    for (int i = 0; i < int(std::size(methods)); ++i)
        EXPECT_EQ(mo->method(mo->methodOffset() + i).methodSignature(), QByteArray(methods[i]));
    EXPECT_EQ(mo->method(mo->methodOffset()).methodType(), QMetaMethod::Signal);

    const char* properties[] = {"backgroundColor", "slideSize", "slideCount", "centerIndex"};
    ASSERT_EQ(mo->propertyCount() - mo->propertyOffset(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_STREQ(mo->property(mo->propertyOffset() + i).name(), properties[i]);
    EXPECT_FALSE(mo->property(mo->propertyOffset() + 2).isWritable());
}

TEST(QPictureFlow, PropertiesReadBackWhatWasWritten) {
    QPictureFlow view;
    EXPECT_TRUE(view.setProperty("backgroundColor", QColor(10, 20, 30, 100)));
    EXPECT_EQ(view.property("backgroundColor").value<QColor>(), QColor(10, 20, 30)); // opaque
    EXPECT_TRUE(view.setProperty("slideSize", QSize(90, 60)));
    EXPECT_EQ(view.slideSize(), QSize(90, 60));
    addSlides(view, 5);
    EXPECT_EQ(view.property("slideCount").toInt(), 5);
    EXPECT_TRUE(view.setProperty("centerIndex", 3));
    EXPECT_EQ(view.centerIndex(), 3);
    view.setReflection(ReflectionPlain);
    EXPECT_EQ(view.reflection(), ReflectionPlain);
}

TEST(QPictureFlow, SlidesAreCopiesAndNullEntriesReadAsNullImages) {
    QPictureFlow view;
    QImage red = filled(Qt::red);
    view.addSlide(red);
    view.addSlide(QImage()); // stored too
    view.addSlide(QPixmap::fromImage(filled(Qt::green)));
    ASSERT_EQ(view.slideCount(), 3);
    red.fill(Qt::blue); // the view keeps its own copy
    EXPECT_EQ(view.slide(0).pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_TRUE(view.slide(1).isNull());
    EXPECT_EQ(view.slide(2).pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_TRUE(view.slide(-1).isNull());
    EXPECT_TRUE(view.slide(3).isNull());

    view.setSlide(2, QImage());
    EXPECT_TRUE(view.slide(2).isNull());
    view.setSlide(1, QPixmap::fromImage(filled(Qt::yellow)));
    EXPECT_EQ(view.slide(1).pixel(0, 0), qRgb(255, 255, 0));
    view.setSlide(3, filled(Qt::white)); // out of range: nothing
    view.setSlide(-1, filled(Qt::white));
    EXPECT_EQ(view.slideCount(), 3);
}

TEST(QPictureFlow, SetCenterIndexClampsAndEmitsNothing) {
    struct Case {
        int slides, requested, expected;
    };
    const Case cases[] = {{0, 5, 0}, {0, -5, 0}, {5, 10, 4}, {5, -3, 0}, {5, 2, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.slides << " slides, " << c.requested);
        QPictureFlow view;
        addSlides(view, c.slides);
        QSignalSpy spy(&view, &QPictureFlow::centerIndexChanged);
        view.setCenterIndex(c.requested);
        EXPECT_EQ(view.centerIndex(), c.expected);
        travel(view);
        EXPECT_EQ(view.centerIndex(), c.expected);
        EXPECT_EQ(spy.count(), 0);
    }
}

TEST(QPictureFlow, TravelEmitsOnceForEachSlideCrossed) {
    QPictureFlow view;
    addSlides(view, 8);
    QSignalSpy spy(&view, &QPictureFlow::centerIndexChanged);
    view.showSlide(5);
    travel(view);
    EXPECT_EQ(view.centerIndex(), 5);
    EXPECT_EQ(indicesOf(spy), QList<int>({1, 2, 3, 4, 5}));

    spy.clear();
    view.showSlide(-20); // clamped to the first slide
    travel(view);
    EXPECT_EQ(indicesOf(spy), QList<int>({4, 3, 2, 1, 0}));

    spy.clear();
    view.showSlide(0); // already there: nothing
    travel(view);
    EXPECT_EQ(spy.count(), 0);
}

TEST(QPictureFlow, ShowSlideWithoutSlidesTravelsToMinusOne) {
    QPictureFlow view;
    QSignalSpy spy(&view, &QPictureFlow::centerIndexChanged);
    view.showSlide(3);
    travel(view);
    EXPECT_EQ(view.centerIndex(), -1);
    EXPECT_EQ(indicesOf(spy), QList<int>({-1}));
}

TEST(QPictureFlow, NextAndPreviousStopAtTheEnds) {
    QPictureFlow empty;
    empty.showNext();
    empty.showPrevious();
    travel(empty);
    EXPECT_EQ(empty.centerIndex(), 0);

    QPictureFlow view;
    addSlides(view, 3);
    QSignalSpy spy(&view, &QPictureFlow::centerIndexChanged);
    view.showPrevious();
    travel(view);
    view.setCenterIndex(2);
    view.showNext();
    travel(view);
    EXPECT_EQ(view.centerIndex(), 2);
    EXPECT_EQ(spy.count(), 0);
}

TEST(QPictureFlow, QuickPressesDuringTravelMoveTheTargetAtMostTwoAhead) {
    QPictureFlow view;
    addSlides(view, 10);
    view.setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&view, Qt::Key_Right);
    travel(view);
    EXPECT_EQ(view.centerIndex(), 2);

    // Pressed again once the travel has reached slide 3: the target becomes 3 + 2.
    view.showNext();
    while (view.centerIndex() < 3)
        view.updateAnimation();
    view.showNext();
    view.showNext();
    travel(view);
    EXPECT_EQ(view.centerIndex(), 5);

    // Near the start a press during travel to the left stops at the first slide.
    view.setCenterIndex(1);
    view.showPrevious();
    view.showPrevious();
    travel(view);
    EXPECT_EQ(view.centerIndex(), 0);
}

TEST(QPictureFlow, PressingBackDuringTravelReturnsToTheSlideBeingLeft) {
    QPictureFlow view;
    addSlides(view, 10);
    view.setCenterIndex(4);
    view.showNext(); // toward 5
    view.updateAnimation();
    view.showPrevious(); // retarget the current slide
    travel(view);
    EXPECT_EQ(view.centerIndex(), 4);

    view.showPrevious(); // toward 3
    view.updateAnimation();
    view.showNext();
    travel(view);
    EXPECT_EQ(view.centerIndex(), 4);
}

TEST(QPictureFlow, ArrowKeysStepAndControlArrowsJumpTen) {
    struct Case {
        int start;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int expected;
    };
    const Case cases[] = {
        {3, Qt::Key_Right, Qt::NoModifier, 4},
        {3, Qt::Key_Left, Qt::NoModifier, 2},
        {3, Qt::Key_Right, Qt::ControlModifier, 7}, // clamped to the last slide
        {5, Qt::Key_Left, Qt::ControlModifier, 0},
        {3, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier, 4}, // not Ctrl alone
        {3, Qt::Key_Left, Qt::KeypadModifier, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.start << " key " << c.key << " mods " << int(c.modifiers));
        QPictureFlow view;
        addSlides(view, 8);
        view.setCenterIndex(c.start);
        QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers);
        press.ignore();
        QCoreApplication::sendEvent(&view, &press);
        EXPECT_TRUE(press.isAccepted());
        travel(view);
        EXPECT_EQ(view.centerIndex(), c.expected);
    }
}

TEST(QPictureFlow, OtherKeysAreLeftToTheParent) {
    QPictureFlow view;
    addSlides(view, 4);
    for (int key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Space, Qt::Key_Home, Qt::Key_A}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &press);
        EXPECT_FALSE(press.isAccepted()) << key;
    }
    travel(view);
    EXPECT_EQ(view.centerIndex(), 0);
}

TEST(QPictureFlow, ClickOnTheRightHalfShowsNextElsePrevious) {
    struct Case {
        int x;
        Qt::MouseButton button;
        int expected;
    };
    const Case cases[] = {
        {100, Qt::LeftButton, 2}, // exactly the middle goes back
        {101, Qt::LeftButton, 4},  {0, Qt::LeftButton, 2},
        {199, Qt::RightButton, 4}, {30, Qt::MiddleButton, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        QPictureFlow view;
        view.resize(200, 100);
        addSlides(view, 8);
        view.setCenterIndex(3);
        QTest::mousePress(&view, c.button, Qt::NoModifier, QPoint(c.x, 50));
        travel(view);
        EXPECT_EQ(view.centerIndex(), c.expected);
    }
}

TEST(QPictureFlow, ClearKeepsTheCentreIndex) {
    QPictureFlow view;
    addSlides(view, 10);
    view.setCenterIndex(7);
    view.clear();
    EXPECT_EQ(view.slideCount(), 0);
    EXPECT_EQ(view.centerIndex(), 7);
    addSlides(view, 3);
    EXPECT_EQ(view.centerIndex(), 7);
    view.setCenterIndex(7); // re-centring clamps to the new row
    EXPECT_EQ(view.centerIndex(), 2);
}

#include "colorpickerbutton.h"
#include "colorpickeritem.h"
#include "colorpickerpopup.h"
#include "qtcolorpicker.h"

#include <QApplication>
#include <QColorDialog>
#include <QFrame>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A key typed on the keyboard: it reaches the focus widget of the open popup.
void typeKey(Qt::Key key) {
    QTest::keyClick(static_cast<QWidget*>(nullptr), key);
}

ColorPickerPopup* popupOf(QtColorPicker& picker) {
    return picker.findChild<ColorPickerPopup*>();
}

// The icon as the button paints it; painting the button first brings it up to date.
QImage iconOf(QtColorPicker& picker) {
    picker.grab();
    const int s = picker.style()->pixelMetric(QStyle::PM_SmallIconSize);
    return picker.icon().pixmap(s, s).toImage().convertToFormat(QImage::Format_RGB32);
}

// Where a popup lands relative to where it was moved: the offscreen platform shifts every window
// by the frame margins it assumes.
QPoint platformShift() {
    QFrame probe(nullptr, Qt::Popup);
    probe.resize(20, 20);
    probe.move(100, 100);
    probe.show();
    if (!QTest::qWaitForWindowExposed(&probe))
        ADD_FAILURE() << "the probe window never showed";
    const QPoint shift = probe.pos() - QPoint(100, 100);
    probe.hide();
    return shift;
}

const struct {
    const char* name;
    Qt::GlobalColor color;
} kStandard[] = {
    {"Black", Qt::black},
    {"White", Qt::white},
    {"Red", Qt::red},
    {"Dark red", Qt::darkRed},
    {"Green", Qt::green},
    {"Dark green", Qt::darkGreen},
    {"Blue", Qt::blue},
    {"Dark blue", Qt::darkBlue},
    {"Cyan", Qt::cyan},
    {"Dark cyan", Qt::darkCyan},
    {"Magenta", Qt::magenta},
    {"Dark magenta", Qt::darkMagenta},
    {"Yellow", Qt::yellow},
    {"Dark yellow", Qt::darkYellow},
    {"Gray", Qt::gray},
    {"Dark gray", Qt::darkGray},
    {"Light gray", Qt::lightGray},
};

// A shown window with a picker of the standard colours at the given place on the screen.
class QtColorPickerShown : public ::testing::Test {
protected:
    void place(const QPoint& at) {
        window.setWindowFlags(Qt::FramelessWindowHint);
        window.setGeometry(QRect(at, QSize(60, 30)));
        picker = new QtColorPicker(&window);
        picker->setGeometry(0, 0, 60, 30);
        picker->addStandardColors();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override { popupOf(*picker)->hide(); }

    QWidget window;
    QtColorPicker* picker = nullptr;
};

} // namespace

TEST(QtColorPicker, NewPickerShowsBlackAndHasAnEmptyPopup) {
    QtColorPicker picker(nullptr, -1, true);
    EXPECT_EQ(picker.text(), "Black");
    EXPECT_EQ(picker.currentColor(), QColor(Qt::black));
    EXPECT_FALSE(picker.color(0).isValid());
    EXPECT_TRUE(picker.isCheckable());
    EXPECT_FALSE(picker.isChecked());
    EXPECT_FALSE(picker.autoDefault());
    EXPECT_EQ(picker.focusPolicy(), Qt::StrongFocus);
    EXPECT_TRUE(picker.colorDialogEnabled());
    EXPECT_TRUE(picker.property("colorDialog").toBool());
    ASSERT_NE(popupOf(picker), nullptr);

    const QImage icon = iconOf(picker);
    const int s = icon.width();
    EXPECT_EQ(icon.pixel(s / 2, s / 2), qRgb(0, 0, 0));
    EXPECT_EQ(icon.pixel(2, 2), QColor(Qt::gray).rgb());
    EXPECT_EQ(icon.pixel(0, 0), picker.palette().button().color().rgb());
}

TEST(QtColorPicker, StandardColoursInTableOrderKeepBlackCurrent) {
    QtColorPicker picker(nullptr, -1, false);
    QSignalSpy changed(&picker, &QtColorPicker::colorChanged);
    picker.addStandardColors();
    for (int i = 0; i < 17; ++i) {
        SCOPED_TRACE(kStandard[i].name);
        EXPECT_EQ(picker.color(i), QColor(kStandard[i].color));
        EXPECT_EQ(popupOf(picker)->find(kStandard[i].color)->text(), kStandard[i].name);
    }
    EXPECT_FALSE(picker.color(17).isValid());
    EXPECT_EQ(picker.currentColor(), QColor(Qt::black));
    EXPECT_EQ(picker.text(), "Black");
    EXPECT_EQ(changed.count(), 0);
}

TEST(QtColorPicker, FirstInsertedColourBecomesCurrentWithoutASignal) {
    QtColorPicker picker(nullptr, -1, false);
    QSignalSpy changed(&picker, &QtColorPicker::colorChanged);
    picker.insertColor(Qt::red, "Red", -1);
    picker.insertColor(Qt::blue, "Blue", -1);
    EXPECT_EQ(picker.currentColor(), QColor(Qt::red));
    EXPECT_EQ(picker.text(), "Red");
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(iconOf(picker).pixel(8, 8), qRgb(255, 0, 0));
}

TEST(QtColorPicker, SetCurrentColorIgnoresTheSameAndInvalidColours) {
    QtColorPicker picker(nullptr, -1, false);
    picker.addStandardColors();
    QSignalSpy changed(&picker, &QtColorPicker::colorChanged);
    picker.setCurrentColor(Qt::black);
    picker.setCurrentColor(QColor());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(picker.text(), "Black");
    EXPECT_FALSE(picker.color(17).isValid());
}

TEST(QtColorPicker, SetCurrentColorTakesListedAndNewColours) {
    QtColorPicker picker(nullptr, -1, false);
    picker.addStandardColors();
    QSignalSpy changed(&picker, &QtColorPicker::colorChanged);

    picker.setCurrentColor(Qt::darkCyan);
    EXPECT_EQ(picker.text(), "Dark cyan");
    EXPECT_TRUE(popupOf(picker)->find(Qt::darkCyan)->isSelected());
    EXPECT_EQ(iconOf(picker).pixel(8, 8), QColor(Qt::darkCyan).rgb());

    const QColor custom(1, 2, 3);
    picker.setCurrentColor(custom);
    EXPECT_EQ(picker.color(17), custom); // joins the list, unnamed
    EXPECT_FALSE(picker.color(18).isValid());
    EXPECT_EQ(picker.text(), QString());
    EXPECT_EQ(picker.currentColor(), custom);
    EXPECT_EQ(iconOf(picker).pixel(8, 8), custom.rgb());

    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(0).at(0).value<QColor>(), QColor(Qt::darkCyan));
    EXPECT_EQ(changed.at(1).at(0).value<QColor>(), custom);
}

TEST(QtColorPicker, ColorDialogPropertyOnlyStoresTheFlag) {
    QtColorPicker picker(nullptr, -1, false);
    EXPECT_FALSE(picker.property("colorDialog").toBool());
    EXPECT_TRUE(picker.setProperty("colorDialog", true));
    EXPECT_TRUE(picker.colorDialogEnabled());
    EXPECT_EQ(popupOf(picker)->findChild<ColorPickerButton*>(), nullptr); // built without one
}

TEST_F(QtColorPickerShown, PressOpensThePopupUnderTheButton) {
    place(QPoint(100, 100));
    picker->setCurrentColor(Qt::yellow);
    QTest::mouseClick(picker, Qt::LeftButton);
    ColorPickerPopup* popup = popupOf(*picker);
    EXPECT_TRUE(picker->isChecked());
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->pos() - platformShift(), picker->mapToGlobal(QPoint(0, picker->height() - 1)));
    EXPECT_EQ(QApplication::focusWidget(), popup->find(Qt::yellow)); // the current colour's cell
}

TEST_F(QtColorPickerShown, ChoosingACellEmitsOnceClosesAndUpdatesTheButton) {
    place(QPoint(100, 100));
    QSignalSpy changed(picker, &QtColorPicker::colorChanged);
    QTest::mouseClick(picker, Qt::LeftButton);
    ColorPickerPopup* popup = popupOf(*picker);
    ASSERT_TRUE(popup->isVisible());

    QTest::mouseClick(popup->find(Qt::magenta), Qt::LeftButton);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QColor>(), QColor(Qt::magenta));
    EXPECT_EQ(picker->currentColor(), QColor(Qt::magenta));
    EXPECT_EQ(picker->text(), "Magenta");
    EXPECT_FALSE(popup->isVisible());
    EXPECT_FALSE(picker->isChecked());
    EXPECT_EQ(iconOf(*picker).pixel(8, 8), QColor(Qt::magenta).rgb());
}

TEST_F(QtColorPickerShown, KeysChooseThroughTheButtonsPopup) {
    place(QPoint(100, 100));
    QSignalSpy changed(picker, &QtColorPicker::colorChanged);
    QTest::mouseClick(picker, Qt::LeftButton);
    typeKey(Qt::Key_Down); // from Black at (0, 0) to row 1: Dark green
    typeKey(Qt::Key_Return);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(picker->currentColor(), QColor(Qt::darkGreen));
    EXPECT_FALSE(picker->isChecked());
}

TEST_F(QtColorPickerShown, ReleaseOutsideClosesThePopupAndUnchecksTheButton) {
    place(QPoint(100, 100));
    QSignalSpy changed(picker, &QtColorPicker::colorChanged);
    QTest::mouseClick(picker, Qt::LeftButton);
    ColorPickerPopup* popup = popupOf(*picker);
    ASSERT_TRUE(picker->isChecked());
    QTest::mouseRelease(popup, Qt::LeftButton, Qt::NoModifier, QPoint(-10, -10));
    EXPECT_FALSE(popup->isVisible());
    EXPECT_FALSE(picker->isChecked());
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(QtColorPickerShown, PopupStaysInsideTheScreensFreeArea) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    place(QPoint(area.right() - 70, area.bottom() - 40));
    QTest::mouseClick(picker, Qt::LeftButton);
    ColorPickerPopup* popup = popupOf(*picker);
    const QSize size = popup->sizeHint();
    const QPoint under = picker->mapToGlobal(QPoint(0, picker->height() - 1));
    ASSERT_GT(under.x() + size.width(), area.right());
    ASSERT_GT(under.y() + size.height(), area.bottom());
    EXPECT_EQ(popup->pos() - platformShift(),
              QPoint(area.right() - size.width(), area.bottom() - size.height()));
}

// Answers the next modal colour dialog with `color`.
void answerColorDialog(const QColor& color) {
    auto answer = std::make_shared<std::function<void()>>();
    *answer = [color, answer] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(0, *answer);
            return;
        }
        dialog->setCurrentColor(color);
        dialog->accept();
        *answer = nullptr; // break the self-reference
    };
    QTimer::singleShot(0, *answer);
}

TEST_F(QtColorPickerShown, MoreCellAddsTheDialogsColourAndMakesItCurrent) {
    place(QPoint(100, 100));
    QSignalSpy changed(picker, &QtColorPicker::colorChanged);
    QTest::mouseClick(picker, Qt::LeftButton);
    ColorPickerPopup* popup = popupOf(*picker);
    const QColor picked(200, 100, 50, 128);
    answerColorDialog(picked);
    QTest::mouseClick(popup->findChild<ColorPickerButton*>(), Qt::LeftButton);

    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QColor>(), picked);
    EXPECT_EQ(picker->currentColor(), picked);
    EXPECT_EQ(picker->color(17), picked);
    EXPECT_EQ(picker->text(), QString());
    EXPECT_FALSE(popup->isVisible());
    EXPECT_FALSE(picker->isChecked());
}

TEST(QtColorPickerGetColor, AnswersTheChosenColourOrInvalidOnEscape) {
    const struct {
        QList<Qt::Key> keys;
        QColor answer;
    } cases[] = {
        {{Qt::Key_Escape}, QColor()},
        {{Qt::Key_Return}, QColor(Qt::black)},
        {{Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Space}, QColor(Qt::darkBlue)},
    };
    // From Black at row 0, column 0: Right twice and Down reach Dark blue at row 1, column 2.
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.answer.name()));
        QTimer::singleShot(0, [&c] {
            ASSERT_NE(QApplication::activePopupWidget(), nullptr);
            for (Qt::Key key : c.keys)
                typeKey(key);
        });
        EXPECT_EQ(QtColorPicker::getColor(QPoint(50, 50), false), c.answer);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
}

#include "colorpickerbutton.h"
#include "colorpickeritem.h"
#include "colorpickerpopup.h"

#include <QApplication>
#include <QColorDialog>
#include <QGridLayout>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A key typed on the keyboard: it reaches the focus widget of the open popup.
void typeKey(Qt::Key key) {
    QTest::keyClick(static_cast<QWidget*>(nullptr), key);
}

// Distinct colours 0..n-1, each named after its index.
void fill(ColorPickerPopup& popup, int n) {
    for (int i = 0; i < n; ++i)
        popup.insertColor(QColor(i, 100, 200), QString::number(i), -1);
}

QPoint positionOf(const ColorPickerPopup& popup, QWidget* w) {
    auto* grid = qobject_cast<QGridLayout*>(popup.layout());
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    const int index = grid ? grid->indexOf(w) : -1;
    if (index >= 0)
        grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    return QPoint(column, row); // x: column, y: row
}

QWidget* cellAt(const ColorPickerPopup& popup, int row, int column) {
    auto* grid = qobject_cast<QGridLayout*>(popup.layout());
    QLayoutItem* item = grid ? grid->itemAtPosition(row, column) : nullptr;
    return item ? item->widget() : nullptr;
}

// Answers the next modal colour dialog: with `color`, or cancels it when color is invalid.
void answerColorDialog(const QColor& color) {
    auto answer = std::make_shared<std::function<void()>>();
    *answer = [color, answer] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(0, *answer);
            return;
        }
        EXPECT_TRUE(dialog->testOption(QColorDialog::ShowAlphaChannel));
        if (color.isValid()) {
            dialog->setCurrentColor(color);
            dialog->accept();
        } else {
            dialog->reject();
        }
        *answer = nullptr; // break the self-reference
    };
    QTimer::singleShot(0, *answer);
}

// A shown popup of 17 colours with the "more" cell: 5 columns, rows of 5, 5, 5 and 2 colours.
class ColorPickerPopupKeys : public ::testing::Test {
protected:
    void SetUp() override {
        fill(popup, 17);
        popup.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&popup));
        ASSERT_EQ(QApplication::activePopupWidget(), &popup);
    }
    void TearDown() override { popup.hide(); }

    ColorPickerPopup popup{-1, true, nullptr};
};

} // namespace

TEST(ColorPickerPopup, GridFillsRowsAndPutsTheMoreCellAfterTheLastColour) {
    const struct {
        int count, columns;
        bool dialog;
        int gridColumns;
        QPoint button; // (column, row) of the more cell
    } cases[] = {
        {17, -1, true, 5, {2, 3}}, {16, -1, true, 4, {0, 4}}, {1, -1, true, 1, {0, 1}},
        {5, -1, true, 3, {2, 1}},  {4, -1, true, 2, {0, 2}},  {6, 3, false, 3, {}},
        {7, 2, true, 2, {1, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        ColorPickerPopup popup(c.columns, c.dialog, nullptr);
        fill(popup, c.count);
        for (int i = 0; i < c.count; ++i) {
            EXPECT_EQ(positionOf(popup, popup.find(QColor(i, 100, 200))),
                      QPoint(i % c.gridColumns, i / c.gridColumns));
        }
        auto* button = popup.findChild<ColorPickerButton*>();
        ASSERT_EQ(button != nullptr, c.dialog);
        if (button) {
            EXPECT_EQ(positionOf(popup, button), c.button);
            EXPECT_EQ(button->size(), QSize(24, 21));
        }
    }
}

TEST(ColorPickerPopup, EmptyPopupHoldsOnlyTheMoreCell) {
    ColorPickerPopup popup(-1, true, nullptr);
    EXPECT_EQ(positionOf(popup, popup.findChild<ColorPickerButton*>()), QPoint(0, 0));
    EXPECT_FALSE(popup.color(0).isValid());
    EXPECT_FALSE(popup.lastSelected().isValid());
    EXPECT_TRUE(popup.windowFlags() & Qt::Popup);
}

TEST(ColorPickerPopup, InsertPlacesCellsByIndexAndTheFirstIsChosen) {
    ColorPickerPopup popup(-1, false, nullptr);
    popup.insertColor(Qt::red, "Red", -1);
    popup.insertColor(Qt::green, "Green", -1);
    popup.insertColor(Qt::blue, "Blue", 0);
    popup.insertColor(Qt::cyan, "Cyan", 99); // past the end: appended

    EXPECT_EQ(popup.color(0), QColor(Qt::blue));
    EXPECT_EQ(popup.color(1), QColor(Qt::red));
    EXPECT_EQ(popup.color(2), QColor(Qt::green));
    EXPECT_EQ(popup.color(3), QColor(Qt::cyan));
    EXPECT_FALSE(popup.color(4).isValid());
    EXPECT_FALSE(popup.color(-1).isValid());
    EXPECT_EQ(positionOf(popup, popup.find(Qt::blue)), QPoint(0, 0));
    EXPECT_EQ(popup.lastSelected(), QColor(Qt::red));

    ColorPickerItem* green = popup.find(Qt::green);
    ASSERT_NE(green, nullptr);
    EXPECT_EQ(green->text(), "Green");
    EXPECT_EQ(green->toolTip(), "Green");
    EXPECT_EQ(green->size(), QSize(24, 21));
    EXPECT_EQ(popup.find(QColor(1, 2, 3)), nullptr);
}

TEST(ColorPickerPopup, InsertingAPresentColourMovesFocusAndMarkOnly) {
    ColorPickerPopup popup(-1, false, nullptr);
    fill(popup, 4);
    ColorPickerItem* chosen = popup.find(QColor(0, 100, 200)); // the first colour, chosen
    ASSERT_NE(chosen, nullptr);
    chosen->setSelected(true);

    popup.insertColor(QColor(2, 100, 200), "another name", 0);
    ColorPickerItem* existing = popup.find(QColor(2, 100, 200));
    EXPECT_FALSE(popup.color(4).isValid()); // still 4 cells
    EXPECT_EQ(popup.color(2), QColor(2, 100, 200));
    EXPECT_EQ(existing->text(), "2");
    EXPECT_TRUE(existing->isSelected());
    EXPECT_FALSE(chosen->isSelected());
    EXPECT_EQ(popup.focusWidget(), existing);
}

TEST(ColorPickerPopup, ClickOnACellEmitsItsColourOnceAndHides) {
    ColorPickerPopup popup(-1, true, nullptr);
    fill(popup, 9);
    popup.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&popup));
    QSignalSpy selected(&popup, &ColorPickerPopup::selected);
    QSignalSpy hid(&popup, &ColorPickerPopup::hid);

    ColorPickerItem* item = popup.find(QColor(4, 100, 200));
    popup.find(QColor(7, 100, 200))->setSelected(true);
    QTest::mouseClick(item, Qt::LeftButton);

    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.at(0).at(0).value<QColor>(), QColor(4, 100, 200));
    EXPECT_EQ(popup.lastSelected(), QColor(4, 100, 200));
    EXPECT_TRUE(item->isSelected());
    EXPECT_FALSE(popup.find(QColor(7, 100, 200))->isSelected());
    EXPECT_FALSE(popup.isVisible());
    EXPECT_EQ(hid.count(), 1);
}

TEST(ColorPickerPopup, ReleaseOutsideHidesAndInsideDoesNot) {
    ColorPickerPopup popup(-1, true, nullptr);
    fill(popup, 4);
    popup.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&popup));
    QSignalSpy hid(&popup, &ColorPickerPopup::hid);

    QTest::mouseRelease(&popup, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
    EXPECT_TRUE(popup.isVisible());
    QTest::mouseRelease(&popup, Qt::LeftButton, Qt::NoModifier, QPoint(-5, popup.height() + 3));
    EXPECT_FALSE(popup.isVisible());
    EXPECT_EQ(hid.count(), 1);
}

TEST(ColorPickerPopup, ShowFocusesTheMarkedCellElseTheFirst) {
    ColorPickerPopup popup(-1, true, nullptr);
    fill(popup, 9);
    popup.show();
    EXPECT_EQ(QApplication::focusWidget(), cellAt(popup, 0, 0));
    popup.hide();

    popup.find(QColor(0, 100, 200))->setSelected(false);
    popup.find(QColor(5, 100, 200))->setSelected(true);
    popup.show();
    EXPECT_EQ(QApplication::focusWidget(), popup.find(QColor(5, 100, 200)));
    popup.hide();

    ColorPickerPopup empty(-1, false, nullptr);
    empty.show();
    EXPECT_EQ(QApplication::focusWidget(), &empty);
    empty.hide();
}

TEST(ColorPickerPopup, ExecReturnsWhenThePopupHides) {
    ColorPickerPopup popup(-1, false, nullptr);
    fill(popup, 2);
    QTimer::singleShot(0, &popup, [&] { typeKey(Qt::Key_Escape); });
    popup.exec();
    EXPECT_FALSE(popup.isVisible());
}

TEST_F(ColorPickerPopupKeys, ArrowsWalkTheGridRowByRowAndWrap) {
    const struct {
        int row, column;
        Qt::Key key;
        int toRow, toColumn;
    } cases[] = {
        {0, 0, Qt::Key_Left, 0, 0},  {1, 0, Qt::Key_Left, 0, 4},  {0, 3, Qt::Key_Left, 0, 2},
        {3, 2, Qt::Key_Left, 3, 1},  {0, 2, Qt::Key_Right, 0, 3}, {0, 4, Qt::Key_Right, 1, 0},
        {3, 1, Qt::Key_Right, 3, 2}, {3, 2, Qt::Key_Right, 3, 2}, {2, 0, Qt::Key_Up, 1, 0},
        {0, 3, Qt::Key_Up, 0, 0},    {3, 2, Qt::Key_Up, 2, 2},    {2, 1, Qt::Key_Down, 3, 1},
        {2, 4, Qt::Key_Down, 3, 2},  {2, 3, Qt::Key_Down, 3, 2},  {3, 0, Qt::Key_Down, 3, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.row << "," << c.column << " key " << c.key);
        QWidget* from = cellAt(popup, c.row, c.column);
        ASSERT_NE(from, nullptr);
        from->setFocus();
        ASSERT_TRUE(from->hasFocus());
        typeKey(c.key); // to the focused cell, as the keyboard would
        EXPECT_EQ(QApplication::focusWidget(), cellAt(popup, c.toRow, c.toColumn));
        EXPECT_TRUE(popup.isVisible());
    }
}

TEST_F(ColorPickerPopupKeys, ActivationKeysChooseTheFocusedCell) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        SCOPED_TRACE(key);
        popup.show();
        QSignalSpy selected(&popup, &ColorPickerPopup::selected);
        QSignalSpy hid(&popup, &ColorPickerPopup::hid);
        cellAt(popup, 0, 0)->setFocus();
        typeKey(Qt::Key_Down);
        typeKey(Qt::Key_Right);
        typeKey(Qt::Key_Right);
        typeKey(key);

        const QColor seventh(7, 100, 200); // row 1, column 2
        ASSERT_EQ(selected.count(), 1);
        EXPECT_EQ(selected.at(0).at(0).value<QColor>(), seventh);
        EXPECT_EQ(popup.lastSelected(), seventh);
        EXPECT_FALSE(popup.isVisible());
        EXPECT_EQ(hid.count(), 1);
        for (int i = 0; i < 17; ++i)
            EXPECT_EQ(popup.find(QColor(i, 100, 200))->isSelected(), i == 7) << i;
    }
}

TEST_F(ColorPickerPopupKeys, EscapeHidesWithoutAChoice) {
    QSignalSpy selected(&popup, &ColorPickerPopup::selected);
    QSignalSpy hid(&popup, &ColorPickerPopup::hid);
    typeKey(Qt::Key_Escape);
    EXPECT_FALSE(popup.isVisible());
    EXPECT_EQ(selected.count(), 0);
    EXPECT_EQ(hid.count(), 1);
}

TEST_F(ColorPickerPopupKeys, OtherKeysAreLeftToOthers) {
    QWidget* focused = cellAt(popup, 1, 1);
    focused->setFocus();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(&popup, &key);
    EXPECT_FALSE(key.isAccepted());
    EXPECT_EQ(QApplication::focusWidget(), focused);
    EXPECT_TRUE(popup.isVisible());
}

TEST_F(ColorPickerPopupKeys, MoreCellKeepsActivationKeysToItself) {
    QWidget* more = cellAt(popup, 3, 2);
    more->setFocus();
    QSignalSpy selected(&popup, &ColorPickerPopup::selected);
    answerColorDialog(QColor()); // the Return below opens the dialog: cancel it
    typeKey(Qt::Key_Return);
    EXPECT_EQ(selected.count(), 0);
    EXPECT_FALSE(popup.color(17).isValid());
}

TEST(ColorPickerPopup, DialogColourBecomesANewUnnamedCellAtTheEnd) {
    QWidget parent;
    ColorPickerPopup popup(-1, true, &parent);
    fill(popup, 4);
    popup.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&popup));
    QSignalSpy selected(&popup, &ColorPickerPopup::selected);
    auto* more = popup.findChild<ColorPickerButton*>();

    answerColorDialog(QColor()); // cancelled: nothing changes
    QTest::mouseClick(more, Qt::LeftButton);
    EXPECT_EQ(selected.count(), 0);
    EXPECT_FALSE(popup.color(4).isValid());

    const QColor picked(10, 20, 30, 40);
    popup.show(); // Qt closes open popups when a modal dialog comes up
    answerColorDialog(picked);
    QTest::mouseClick(more, Qt::LeftButton);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.at(0).at(0).value<QColor>(), picked);
    EXPECT_EQ(popup.color(4), picked);
    EXPECT_EQ(popup.find(picked)->text(), QString());
    EXPECT_EQ(popup.lastSelected(), picked);
    EXPECT_EQ(positionOf(popup, popup.find(picked)), QPoint(1, 1)); // 5 colours: 3 columns
    EXPECT_EQ(positionOf(popup, more), QPoint(2, 1));
}

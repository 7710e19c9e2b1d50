#ifndef COLORPICKERPOPUP_H
#define COLORPICKERPOPUP_H

#include <QColor>
#include <QFrame>
#include <QList>
#include <QMap>

class ColorPickerButton;
class ColorPickerItem;
class QEventLoop;
class QGridLayout;

// A popup grid of colour cells, optionally followed by a "more" cell that asks the system colour
// dialog for any colour. The user picks with the mouse, or with the arrow keys and Space, Return
// or Enter; the popup then emits selected() and hides. Escape or a click outside hides it too.
class ColorPickerPopup : public QFrame {
    Q_OBJECT

public:
    // columns -1 chooses the number of columns from the number of colours.
    explicit ColorPickerPopup(int columns = -1, bool withColorDialog = true,
                              QWidget* parent = nullptr);
    ~ColorPickerPopup() override;

    // Adds a cell at index (-1: at the end), or, when the colour is present already, moves the
    // focus and the mark to its cell.
    void insertColor(const QColor& col, const QString& text, int index);
    // The first cell holding exactly this colour, or null.
    ColorPickerItem* find(const QColor& col) const;
    // The colour of the cell at index, invalid outside the list.
    QColor color(int index) const;
    QColor lastSelected() const { return m_lastChosen; }

    // Shows the popup and waits until it hides.
    void exec();

signals:
    void selected(const QColor& color);
    void hid();

public slots:
    void getColorFromDialog();
    void updateSelected();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void regenerateGrid();
    QWidget* cellAt(int row, int column) const;
    // Marks `chosen`, unmarks every other colour cell of the grid.
    void markOnly(ColorPickerItem* chosen);

    QMap<int, QMap<int, QWidget*>> m_cellMap; // row -> column -> widget in that cell
    QList<ColorPickerItem*> m_itemList;
    QGridLayout* m_gridLayout = nullptr;
    ColorPickerButton* m_dialogButton = nullptr;
    QEventLoop* m_eventLoop = nullptr;
    int m_columns;
    QColor m_lastChosen;
};

#endif // COLORPICKERPOPUP_H

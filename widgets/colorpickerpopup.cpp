#include "colorpickerpopup.h"

#include "colorpickerbutton.h"
#include "colorpickeritem.h"

#include <QColorDialog>
#include <QEventLoop>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <cmath>

ColorPickerPopup::ColorPickerPopup(int columns, bool withColorDialog, QWidget* parent)
    : QFrame(parent, Qt::Popup), m_columns(columns) {
    setFrameStyle(QFrame::StyledPanel);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);

    if (withColorDialog) {
        m_dialogButton = new ColorPickerButton(this);
        m_dialogButton->setFixedWidth(24);
        m_dialogButton->setFixedHeight(21);
        m_dialogButton->setFrameRect(QRect(2, 2, 20, 17));
        connect(m_dialogButton, &ColorPickerButton::clicked, this,
                &ColorPickerPopup::getColorFromDialog);
    }

    regenerateGrid();
}

ColorPickerPopup::~ColorPickerPopup() {
    if (m_eventLoop)
        m_eventLoop->exit(0);
}

ColorPickerItem* ColorPickerPopup::find(const QColor& col) const {
    for (ColorPickerItem* item : m_itemList)
        if (item && item->color() == col)
            return item;
    return nullptr;
}

QColor ColorPickerPopup::color(int index) const {
    if (index < 0 || index >= m_itemList.size())
        return QColor();
    return m_itemList.at(index)->color();
}

void ColorPickerPopup::insertColor(const QColor& col, const QString& text, int index) {
    ColorPickerItem* existing = find(col);
    ColorPickerItem* previous = find(m_lastChosen);

    if (existing) {
        if (previous && previous != existing)
            previous->setSelected(false);
        existing->setFocus();
        existing->setSelected(true);
        return;
    }

    auto* item = new ColorPickerItem(col, text, this);
    if (previous) {
        previous->setSelected(false);
    } else {
        // The first colour of an empty popup is the chosen one.
        item->setSelected(true);
        m_lastChosen = col;
    }
    item->setFocus();
    connect(item, &ColorPickerItem::selected, this, &ColorPickerPopup::updateSelected);

    if (index < 0 || index > m_itemList.size())
        index = m_itemList.size();
    m_itemList.insert(index, item);
    regenerateGrid();
    update();
}

void ColorPickerPopup::exec() {
    show();
    QEventLoop loop;
    m_eventLoop = &loop;
    const QPointer<ColorPickerPopup> self(this);
    loop.exec();
    if (self) // the popup may have gone with its parent while the loop ran
        m_eventLoop = nullptr;
}

void ColorPickerPopup::getColorFromDialog() {
    const QColor c = QColorDialog::getColor(QColor::fromRgba(m_lastChosen.rgba()), parentWidget(),
                                            QString(), QColorDialog::ShowAlphaChannel);
    if (!c.isValid())
        return; // cancelled
    insertColor(c, QString(), -1);
    m_lastChosen = c;
    emit selected(c);
}

void ColorPickerPopup::updateSelected() {
    auto* chosen = qobject_cast<ColorPickerItem*>(sender());
    for (int i = 0; m_gridLayout && i < m_gridLayout->count(); ++i) {
        auto* item = qobject_cast<ColorPickerItem*>(m_gridLayout->itemAt(i)->widget());
        if (item && item != chosen)
            item->setSelected(false);
    }
    if (chosen) {
        m_lastChosen = chosen->color();
        emit selected(chosen->color());
    }
    hide();
}

void ColorPickerPopup::markOnly(ColorPickerItem* chosen) {
    chosen->setSelected(true);
    for (int i = 0; m_gridLayout && i < m_gridLayout->count(); ++i) {
        auto* item = qobject_cast<ColorPickerItem*>(m_gridLayout->itemAt(i)->widget());
        if (item && item != chosen)
            item->setSelected(false);
    }
}

QWidget* ColorPickerPopup::cellAt(int row, int column) const {
    return m_cellMap.value(row).value(column, nullptr);
}

void ColorPickerPopup::regenerateGrid() {
    m_cellMap.clear();

    int columns = m_columns;
    if (columns == -1)
        columns = int(std::ceil(std::sqrt(float(m_itemList.size()))));

    // A widget holds one layout at a time: the old one goes first (its widgets stay children).
    delete m_gridLayout;
    m_gridLayout = new QGridLayout(this);
    m_gridLayout->setContentsMargins(1, 1, 1, 1);
    m_gridLayout->setSpacing(0);

    int row = 0;
    int col = 0;
    for (ColorPickerItem* item : qAsConst(m_itemList)) {
        if (!item)
            continue;
        m_cellMap[row][col] = item;
        m_gridLayout->addWidget(item, row, col);
        if (++col == columns) {
            ++row;
            col = 0;
        }
    }

    if (m_dialogButton) {
        m_gridLayout->addWidget(m_dialogButton, row, col);
        m_cellMap[row][col] = m_dialogButton;
    }

    updateGeometry();
}

void ColorPickerPopup::showEvent(QShowEvent* event) {
    bool foundSelected = false;
    for (int i = 0; i < m_gridLayout->columnCount(); ++i) {
        for (int j = 0; j < m_gridLayout->rowCount(); ++j) {
            auto* item = qobject_cast<ColorPickerItem*>(cellAt(j, i));
            if (item && item->isSelected()) {
                item->setFocus();
                foundSelected = true;
                break;
            }
        }
    }

    if (!foundSelected) {
        if (m_itemList.isEmpty())
            setFocus();
        else if (QWidget* first = cellAt(0, 0))
            first->setFocus();
    }
    QFrame::showEvent(event);
}

void ColorPickerPopup::hideEvent(QHideEvent* event) {
    if (m_eventLoop)
        m_eventLoop->exit(0);
    setFocus();
    emit hid();
    QFrame::hideEvent(event);
}

void ColorPickerPopup::mouseReleaseEvent(QMouseEvent* event) {
    if (!rect().contains(event->pos()))
        hide();
}

void ColorPickerPopup::keyPressEvent(QKeyEvent* event) {
    const int rows = m_gridLayout->rowCount();
    const int columns = m_gridLayout->columnCount();

    int curRow = 0;
    int curCol = 0;
    bool found = false;
    for (int j = 0; !found && j < rows; ++j) {
        for (int i = 0; !found && i < columns; ++i) {
            QWidget* w = cellAt(j, i);
            if (w && w->hasFocus()) {
                curRow = j;
                curCol = i;
                found = true;
            }
        }
    }

    switch (event->key()) {
    case Qt::Key_Left:
        if (curCol > 0) {
            --curCol;
        } else if (curRow > 0) {
            --curRow;
            curCol = columns - 1;
        }
        break;
    case Qt::Key_Right:
        if (curCol < columns - 1 && cellAt(curRow, curCol + 1)) {
            ++curCol;
        } else if (curRow < rows - 1) {
            ++curRow;
            curCol = 0;
        }
        break;
    case Qt::Key_Up:
        if (curRow > 0)
            --curRow;
        else
            curCol = 0;
        break;
    case Qt::Key_Down:
        if (curRow < rows - 1) {
            if (cellAt(curRow + 1, curCol)) {
                ++curRow;
            } else {
                // A shorter last row: land on its last widget.
                for (int i = 1; i < columns; ++i) {
                    if (!cellAt(curRow + 1, i)) {
                        curCol = i - 1;
                        ++curRow;
                        break;
                    }
                }
            }
        }
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* item = qobject_cast<ColorPickerItem*>(cellAt(curRow, curCol))) {
            markOnly(item);
            m_lastChosen = item->color();
            emit selected(item->color());
            hide();
        }
        break;
    case Qt::Key_Escape:
        hide();
        break;
    default:
        event->ignore();
        break;
    }

    if (QWidget* w = cellAt(curRow, curCol))
        w->setFocus();
}

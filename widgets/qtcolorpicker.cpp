#include "qtcolorpicker.h"

#include "colorpickeritem.h"
#include "colorpickerpopup.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStyle>

namespace {

struct StandardColor {
    Qt::GlobalColor color;
    const char* name;
};

const StandardColor kStandardColors[] = {
    {Qt::black, QT_TRANSLATE_NOOP("QtColorPicker", "Black")},
    {Qt::white, QT_TRANSLATE_NOOP("QtColorPicker", "White")},
    {Qt::red, QT_TRANSLATE_NOOP("QtColorPicker", "Red")},
    {Qt::darkRed, QT_TRANSLATE_NOOP("QtColorPicker", "Dark red")},
    {Qt::green, QT_TRANSLATE_NOOP("QtColorPicker", "Green")},
    {Qt::darkGreen, QT_TRANSLATE_NOOP("QtColorPicker", "Dark green")},
    {Qt::blue, QT_TRANSLATE_NOOP("QtColorPicker", "Blue")},
    {Qt::darkBlue, QT_TRANSLATE_NOOP("QtColorPicker", "Dark blue")},
    {Qt::cyan, QT_TRANSLATE_NOOP("QtColorPicker", "Cyan")},
    {Qt::darkCyan, QT_TRANSLATE_NOOP("QtColorPicker", "Dark cyan")},
    {Qt::magenta, QT_TRANSLATE_NOOP("QtColorPicker", "Magenta")},
    {Qt::darkMagenta, QT_TRANSLATE_NOOP("QtColorPicker", "Dark magenta")},
    {Qt::yellow, QT_TRANSLATE_NOOP("QtColorPicker", "Yellow")},
    {Qt::darkYellow, QT_TRANSLATE_NOOP("QtColorPicker", "Dark yellow")},
    {Qt::gray, QT_TRANSLATE_NOOP("QtColorPicker", "Gray")},
    {Qt::darkGray, QT_TRANSLATE_NOOP("QtColorPicker", "Dark gray")},
    {Qt::lightGray, QT_TRANSLATE_NOOP("QtColorPicker", "Light gray")},
};

} // namespace

QtColorPicker::QtColorPicker(QWidget* parent, int columns, bool colorDialog)
    : QPushButton(parent), m_dialogEnabled(colorDialog) {
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    setAutoDefault(false);
    setAutoFillBackground(true);
    setCheckable(true);

    setText(tr("Black"));
    m_anyInserted = false;
    m_current = Qt::black;
    m_iconDirty = true;

    m_popup = new ColorPickerPopup(columns, m_dialogEnabled, this);
    connect(m_popup, &ColorPickerPopup::selected, this, &QtColorPicker::setCurrentColor);
    connect(m_popup, &ColorPickerPopup::hid, this, &QtColorPicker::popupClosed);
    connect(this, &QPushButton::toggled, this, &QtColorPicker::buttonPressed);
}

QtColorPicker::~QtColorPicker() = default;

void QtColorPicker::insertColor(const QColor& color, const QString& text, int index) {
    m_popup->insertColor(color, text, index);
    if (!m_anyInserted) {
        m_current = color;
        setText(text);
        m_iconDirty = true;
        m_anyInserted = true;
    }
}

QColor QtColorPicker::color(int index) const {
    return m_popup->color(index);
}

void QtColorPicker::addStandardColors() {
    for (const StandardColor& c : kStandardColors)
        insertColor(c.color, tr(c.name), -1);
}

void QtColorPicker::setCurrentColor(const QColor& col) {
    if (col == m_current || !col.isValid())
        return;

    ColorPickerItem* item = m_popup->find(col);
    if (!item) {
        // Colours from outside the list join it without a name.
        insertColor(col, QString(), -1);
        item = m_popup->find(col);
    }

    m_current = col;
    setText(item->text());
    m_iconDirty = true;

    m_popup->hide();
    repaint();

    item->setSelected(true);
    emit colorChanged(col);
}

void QtColorPicker::buttonPressed(bool toggled) {
    if (!toggled)
        return;

    // Under the button, kept inside the screen's free area.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QPoint pos = mapToGlobal(QPoint(0, height() - 1));
    if (pos.x() < area.left())
        pos.setX(area.left());
    if (pos.y() < area.top())
        pos.setY(area.top());

    const QSize size = m_popup->sizeHint();
    if (pos.x() + size.width() > area.right())
        pos.setX(area.right() - size.width());
    if (pos.y() + size.height() > area.bottom())
        pos.setY(area.bottom() - size.height());
    m_popup->move(pos);

    if (ColorPickerItem* item = m_popup->find(m_current))
        item->setSelected(true);

    // No focus frame on the button while the popup is open.
    clearFocus();
    update();
    m_popup->setFocus();
    m_popup->show();
}

void QtColorPicker::popupClosed() {
    setChecked(false);
    setFocus();
}

void QtColorPicker::paintEvent(QPaintEvent* event) {
    if (m_iconDirty) {
        const int s = style()->pixelMetric(QStyle::PM_SmallIconSize);
        QPixmap pix(s, s);
        pix.fill(palette().button().color());
        QPainter p(&pix);
        p.setPen(Qt::gray);
        p.setBrush(m_current);
        p.drawRect(2, 2, s - 5, s - 5);
        p.end();
        setIcon(QIcon(pix));
        m_iconDirty = false;
    }
    QPushButton::paintEvent(event);
}

QColor QtColorPicker::getColor(const QPoint& point, bool allowCustomColors) {
    ColorPickerPopup popup(-1, allowCustomColors, nullptr);
    for (int i = 0; i < int(sizeof kStandardColors / sizeof kStandardColors[0]); ++i)
        popup.insertColor(kStandardColors[i].color, tr(kStandardColors[i].name), i);

    // The popup's first colour counts as its last chosen one from the start; only a real
    // choice answers the caller.
    QColor chosen;
    connect(&popup, &ColorPickerPopup::selected, [&chosen](const QColor& c) { chosen = c; });
    popup.move(point);
    popup.exec();
    return chosen.isValid() ? popup.lastSelected() : QColor();
}

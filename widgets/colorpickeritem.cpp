#include "colorpickeritem.h"

#include <QPainter>

ColorPickerItem::ColorPickerItem(const QColor& color, const QString& text, QWidget* parent)
    : QFrame(parent), m_color(color), m_text(text) {
    setToolTip(m_text);
    setFixedWidth(24);
    setFixedHeight(21);
}

void ColorPickerItem::setSelected(bool selected) {
    m_marked = selected;
    update();
}

void ColorPickerItem::setColor(const QColor& color, const QString& text) {
    m_color = color;
    m_text = text;
    setToolTip(m_text);
    update();
}

void ColorPickerItem::setColor(const QColor& color) {
    setColor(color, QString());
}

void ColorPickerItem::mousePressEvent(QMouseEvent* /*event*/) {
    setFocus();
    update();
}

void ColorPickerItem::mouseMoveEvent(QMouseEvent* /*event*/) {
    setFocus();
    update();
}

void ColorPickerItem::mouseReleaseEvent(QMouseEvent* /*event*/) {
    m_marked = true;
    emit selected();
}

void ColorPickerItem::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    const int w = width();
    const int h = height();
    if (m_marked) {
        p.setPen(QPen(Qt::gray, 0));
        p.drawRect(1, 1, w - 3, h - 3);
    }
    p.setPen(QPen(Qt::black, 0));
    p.drawRect(3, 3, w - 7, h - 7);
    p.fillRect(4, 4, w - 8, h - 8, m_color);
    if (hasFocus()) {
        p.setPen(QPen(Qt::black, 0));
        p.drawRect(0, 0, w - 1, h - 1);
    }
}

#include "colorpickerbutton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

namespace {

bool isActivationKey(int key) {
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool isArrowKey(int key) {
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

} // namespace

ColorPickerButton::ColorPickerButton(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel);
}

void ColorPickerButton::mousePressEvent(QMouseEvent* /*event*/) {
    setFrameShadow(Sunken);
    update();
}

void ColorPickerButton::mouseMoveEvent(QMouseEvent* /*event*/) {
    setFocus();
    update();
}

void ColorPickerButton::mouseReleaseEvent(QMouseEvent* /*event*/) {
    setFrameShadow(Raised);
    repaint();
    emit clicked();
}

void ColorPickerButton::keyPressEvent(QKeyEvent* event) {
    if (isActivationKey(event->key())) {
        setFrameShadow(Sunken);
        update();
    } else if (isArrowKey(event->key())) {
        if (parentWidget())
            QApplication::sendEvent(parentWidget(), event);
    } else {
        QFrame::keyPressEvent(event);
    }
}

void ColorPickerButton::keyReleaseEvent(QKeyEvent* event) {
    if (isActivationKey(event->key())) {
        setFrameShadow(Raised);
        repaint();
        emit clicked();
    } else if (isArrowKey(event->key())) {
        if (parentWidget())
            QApplication::sendEvent(parentWidget(), event);
    } else {
        QFrame::keyReleaseEvent(event);
    }
}

void ColorPickerButton::focusInEvent(QFocusEvent* event) {
    setFrameShadow(Raised);
    update();
    QFrame::focusInEvent(event);
}

void ColorPickerButton::focusOutEvent(QFocusEvent* event) {
    setFrameShadow(Raised);
    update();
    QFrame::focusOutEvent(event);
}

void ColorPickerButton::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);

    QPainter p(this);
    p.fillRect(contentsRect(), palette().button());

    const QPoint c = rect().center();
    const int offset = frameShadow() == Sunken ? 1 : 0;
    p.setPen(QPen(palette().buttonText(), 1));
    for (int dx : {-4, 0, 4})
        p.drawRect(c.x() + dx + offset, c.y() + offset, 1, 1);

    if (hasFocus()) {
        p.setPen(QPen(Qt::black, 0));
        p.drawRect(0, 0, width() - 1, height() - 1);
    }
}

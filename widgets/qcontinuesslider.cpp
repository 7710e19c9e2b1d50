#include "qcontinuesslider.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>

QContinuesSlider::QContinuesSlider(QWidget* parent) : QSlider(parent) {
    setSingleStep(1);
    setOrientation(Qt::Horizontal);
    setFocusPolicy(Qt::NoFocus);
}

void QContinuesSlider::setValue(int Value, bool BlockSignals) {
    blockSignals(BlockSignals);
    QSlider::setValue(Value);
    if (!BlockSignals)
        emit valueChanged(Value);
    blockSignals(false);
}

void QContinuesSlider::setValue(int Value) {
    setValue(Value, false);
}

void QContinuesSlider::mousePressEvent(QMouseEvent* event) {
    blockSignals(true);
    if (!m_pressed) {
        m_pressed = true;
        m_pressButton = event->button();
        // The release normally comes here (the implicit grab); a popup or an explicit grab of
        // another widget takes it instead, and only the application sees that.
        qApp->installEventFilter(this);
    }
    QSlider::mousePressEvent(event);
}

void QContinuesSlider::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    // Like the slider itself, a press lasts until its last button is up: letting go of a second
    // button clicked during the drag leaves the drag going, and held back.
    if (m_pressed && event->buttons() != Qt::NoButton)
        return;
    endPress();
    emit valueChanged(value());
}

void QContinuesSlider::mouseMoveEvent(QMouseEvent* event) {
    QSlider::mouseMoveEvent(event);
    emit valueChanging(value());
}

void QContinuesSlider::wheelEvent(QWheelEvent* event) {
    // The wheel never moves this slider; the event goes on to the parent as if unhandled.
    event->ignore();
}

void QContinuesSlider::changeEvent(QEvent* event) {
    QSlider::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        abandonPress();
}

void QContinuesSlider::hideEvent(QHideEvent* event) {
    QSlider::hideEvent(event);
    abandonPress();
}

bool QContinuesSlider::eventFilter(QObject* watched, QEvent* event) {
    if (m_pressed && event->type() == QEvent::MouseButtonRelease && watched != this &&
        watched->isWidgetType() && static_cast<QMouseEvent*>(event)->button() == m_pressButton) {
        abandonPress();
    }
    // A modal window ends the grab; a release over this blocked window is dropped unseen.
    if (m_pressed && event->type() == QEvent::WindowBlocked && watched == this)
        abandonPress();
    return QSlider::eventFilter(watched, event);
}

void QContinuesSlider::endPress() {
    if (m_pressed) {
        m_pressed = false;
        m_pressButton = Qt::NoButton;
        qApp->removeEventFilter(this);
    }
    blockSignals(false);
}

void QContinuesSlider::abandonPress() {
    if (!m_pressed)
        return;
    // Let the slider itself forget the press too (a held handle, a repeating groove click).
    setRepeatAction(QAbstractSlider::SliderNoAction);
    setSliderDown(false);
    endPress();
    // Reported from the event loop, not from inside the hide, the disabling or another widget's
    // event: by then the caller has finished (a panel placing its sliders for a new photo, a
    // window being destroyed, which drops the call with the slider), and the value reported is
    // the one the slider shows.
    QMetaObject::invokeMethod(
        this, [this] { emit valueChanged(value()); }, Qt::QueuedConnection);
}

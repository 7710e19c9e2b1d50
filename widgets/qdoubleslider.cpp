#include "qdoubleslider.h"

#include <climits>
#include <cmath>

QDoubleSlider::QDoubleSlider(QWidget* parent) : QSlider(parent) {
    connect(this, SIGNAL(valueChanged(int)), this, SLOT(setValue(int)));
    setSingleStep(1);
    setOrientation(Qt::Horizontal);
    setFocusPolicy(Qt::NoFocus);
}

int QDoubleSlider::toPosition(double value) const {
    // A double outside the int range has no int conversion: saturate instead.
    const double scaled = value * m_multiplier;
    if (std::isnan(scaled))
        return 0;
    if (scaled >= double(INT_MAX))
        return INT_MAX;
    if (scaled <= double(INT_MIN))
        return INT_MIN;
    return int(scaled);
}

void QDoubleSlider::setRange(double min, double max) {
    QSlider::setRange(toPosition(min), toPosition(max));
    emit rangeChanged(min, max);
}

void QDoubleSlider::setMinimum(double min) {
    QSlider::setMinimum(toPosition(min));
    emit rangeChanged(minimum(), maximum());
}

void QDoubleSlider::setMaximum(double max) {
    QSlider::setMaximum(toPosition(max));
    emit rangeChanged(minimum(), maximum());
}

double QDoubleSlider::minimum() const {
    return QSlider::minimum() / m_multiplier;
}

double QDoubleSlider::maximum() const {
    return QSlider::maximum() / m_multiplier;
}

double QDoubleSlider::value() const {
    return QSlider::value() / m_multiplier;
}

void QDoubleSlider::setValue(int value) {
    emit valueChanged(value / m_multiplier);
}

void QDoubleSlider::setValue(double Value, bool BlockSignals) {
    blockSignals(BlockSignals);
    QSlider::setValue(toPosition(Value));
    if (!BlockSignals)
        emit valueChanged(Value);
    blockSignals(false);
}

void QDoubleSlider::setValue(double Value) {
    setValue(Value, false);
}

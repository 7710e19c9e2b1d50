#ifndef QDOUBLESLIDER_H
#define QDOUBLESLIDER_H

#include <QSlider>

// A horizontal slider with a floating-point value: the integer position is the value times a fixed
// multiplier of 10000, and the double signals and slots below carry position / multiplier.
// The inherited integer signals keep working as in QSlider.
class QDoubleSlider : public QSlider {
    Q_OBJECT

public:
    explicit QDoubleSlider(QWidget* parent = nullptr);

    void setRange(double min, double max);
    void setMinimum(double min);
    void setMaximum(double max);
    double minimum() const;
    double maximum() const;
    double value() const;

signals:
    void valueChanged(double Value);
    void rangeChanged(double Min, double Max);

public slots:
    // Relay of the slider's own valueChanged(int): emits valueChanged(value / multiplier). It does
    // not move the slider.
    void setValue(int value);
    // Moves the slider to int(Value * multiplier) (truncated, clamped to the range) and, unless
    // BlockSignals, emits valueChanged(Value). Signals are unblocked afterwards in any case.
    void setValue(double Value, bool BlockSignals);
    void setValue(double Value);

private:
    // value * multiplier truncated toward zero, saturated to the int range (NaN gives 0).
    int toPosition(double value) const;

    const double m_multiplier = 10000.0;
};

#endif // QDOUBLESLIDER_H

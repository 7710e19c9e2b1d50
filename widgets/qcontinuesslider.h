#ifndef QCONTINUESSLIDER_H
#define QCONTINUESSLIDER_H

#include <QSlider>

// A horizontal slider that reports a drag once, on release: from the press to the release its
// signals are blocked, so receivers of valueChanged(int) see exactly one value per press. The
// wheel never changes the value.
//
// A press that never sees its release (the slider is disabled or hidden meanwhile, a modal
// window blocks it, or another widget takes the button's release) ends there: the signals are
// unblocked at once, and the value is reported once, as a release would, from the event loop.
class QContinuesSlider : public QSlider {
    Q_OBJECT

public:
    explicit QContinuesSlider(QWidget* parent = nullptr);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // Emitted by every move of a drag; the press holds the signals back, so it reaches no one.
    void valueChanging(int Value);

public slots:
    // Sets the value (clamped by the slider) and, unless BlockSignals, emits valueChanged(Value)
    // with Value as given. Signals are unblocked afterwards in any case.
    void setValue(int Value, bool BlockSignals);
    void setValue(int Value);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Ends a press whose release will not come: unblocks, then reports the value once.
    void abandonPress();
    // Stops watching for a release elsewhere and unblocks the signals.
    void endPress();

    bool m_pressed = false;
    Qt::MouseButton m_pressButton = Qt::NoButton;
};

#endif // QCONTINUESSLIDER_H

#ifndef QPROGRESSINDICATOR_H
#define QPROGRESSINDICATOR_H

#include <QColor>
#include <QWidget>

// A busy spinner: twelve rounded capsules on a circle, each fainter than the one before, the figure
// turned by 30 degrees on every timer tick. It shows that work runs, not how much of it is done.
class QProgressIndicator : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int delay READ animationDelay WRITE setAnimationDelay)
    Q_PROPERTY(bool displayedWhenStopped READ isDisplayedWhenStopped WRITE setDisplayedWhenStopped)
    Q_PROPERTY(QColor color READ color WRITE setColor)

public:
    // Sizes of the figure, in whole pixels, for a widget whose shorter side is `side`.
    struct Geometry {
        int outerRadius;
        int innerRadius;
        int capsuleHeight;
        int capsuleWidth;
        int cornerRadius;
    };
    static Geometry geometryForSide(int side);

    explicit QProgressIndicator(QWidget* parent = nullptr);

    int animationDelay() const { return m_delay; }
    bool isAnimated() const;
    bool isDisplayedWhenStopped() const;
    const QColor& color() const { return m_color; }

    QSize sizeHint() const override;
    int heightForWidth(int w) const override;

public slots:
    void startAnimation();
    void stopAnimation();
    void setAnimationDelay(int delay);
    void setDisplayedWhenStopped(bool state);
    void setColor(const QColor& color);

protected:
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int m_angle = 0; // rotation of the figure: a multiple of 30 in 0..330
    int m_timerId = -1;
    int m_delay = 40; // milliseconds between two steps
    bool m_displayedWhenStopped = false;
    QColor m_color = Qt::black;
};

#endif // QPROGRESSINDICATOR_H

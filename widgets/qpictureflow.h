#ifndef QPICTUREFLOW_H
#define QPICTUREFLOW_H

#include "qpictureflowstate.h"

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QWidget>

class QPictureFlowPrivate;

// A row of pictures ("slides") in perspective: one faces the viewer in the middle, the others
// stand turned away on both sides, each above a fading reflection. Arrow keys and clicks on
// either half step through the row; the slides glide to their new places. Drawn in software.
class QPictureFlow : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor)
    Q_PROPERTY(QSize slideSize READ slideSize WRITE setSlideSize)
    Q_PROPERTY(int slideCount READ slideCount)
    Q_PROPERTY(int centerIndex READ centerIndex WRITE setCenterIndex)

public:
    explicit QPictureFlow(QWidget* parent = nullptr);
    ~QPictureFlow() override;

    QColor backgroundColor() const;
    void setBackgroundColor(const QColor& c);
    QSize slideSize() const;
    // The side slides keep their places until the layout is next rebuilt.
    void setSlideSize(QSize size);
    int slideCount() const;
    int centerIndex() const;

    // A copy of the slide image, or a null image when out of range or empty.
    QImage slide(int index) const;

    ReflectionKind reflection() const;
    void setReflection(ReflectionKind kind);

signals:
    // The middle slide changed while travelling (not on setCenterIndex).
    void centerIndexChanged(int index);

public slots:
    void addSlide(const QImage& image);
    void addSlide(const QPixmap& pixmap);
    void setSlide(int index, const QImage& image);
    void setSlide(int index, const QPixmap& pixmap);
    void setCenterIndex(int index);
    void clear();
    void showPrevious();
    void showNext();
    void showSlide(int index);
    // Mark the frame for redrawing and schedule a repaint.
    void render();
    // Render once the event loop comes round, however often this is called before.
    void triggerRender();
    // One step of the travel; the animation timer calls it.
    void updateAnimation();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPictureFlowPrivate* d;
};

#endif // QPICTUREFLOW_H

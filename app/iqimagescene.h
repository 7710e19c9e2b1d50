#pragma once

#include <QGraphicsScene>

class QGraphicsView;

// The scene of one image view: a left-button drag scrolls the view by fixed steps (the picture
// follows the cursor), and every change of either scroll bar is reported as one signal carrying
// both bar values.
class IQImageScene : public QGraphicsScene {
    Q_OBJECT

public:
    // Makes itself the scene of `view` (not owned) and watches its two scroll bars.
    IQImageScene(QObject* parent, QGraphicsView* view);
    // Stops listening to the bars before the base detaches the view, which moves them.
    ~IQImageScene() override;

signals:
    // x is the horizontal bar's value, y the vertical bar's.
    void scrollValueChanged(IQImageScene* imageScene, int x, int y);

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    void wheelEvent(QGraphicsSceneWheelEvent* event) override;

private slots:
    void onScrollBarValueChanged();

private:
    // Scroll-bar units one move event of a drag scrolls per axis, however far the cursor went.
    static constexpr int DragStep = 10;

    // Last cursor position of the drag, in view coordinates (whole numbers).
    double lastX = 0.0;
    double lastY = 0.0;
    QGraphicsView* view;
    bool dragging = false;
};

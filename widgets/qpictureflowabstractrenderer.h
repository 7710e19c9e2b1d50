#ifndef QPICTUREFLOWABSTRACTRENDERER_H
#define QPICTUREFLOWABSTRACTRENDERER_H

class QPictureFlow;
struct QPictureFlowState;

// What the cover-flow view needs of a renderer: turn the view's layout into the widget's pixels.
class QPictureFlowAbstractRenderer {
public:
    QPictureFlowAbstractRenderer() = default;
    virtual ~QPictureFlowAbstractRenderer() = default;
    QPictureFlowAbstractRenderer(const QPictureFlowAbstractRenderer&) = delete;
    QPictureFlowAbstractRenderer& operator=(const QPictureFlowAbstractRenderer&) = delete;

    // Prepare for the widget's current size.
    virtual void init() = 0;
    // Draw the frame on the widget, redrawing it first when dirty.
    virtual void paint() = 0;

    // The image at `index` was replaced, or every image was removed: whatever was prepared from
    // the old images must not be shown again, even if a new image reuses an old one's address.
    virtual void forgetSlide(int index) = 0;
    virtual void forgetAllSlides() = 0;

    QPictureFlowState* state = nullptr; // not owned
    bool dirty = false;                 // the frame must be redrawn before the next paint
    QPictureFlow* widget = nullptr;     // not owned
};

#endif // QPICTUREFLOWABSTRACTRENDERER_H

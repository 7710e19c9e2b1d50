#pragma once

#include <QFrame>
#include <QImage>

class IQAdjustingFrame;
class IQEngineController;

// Base of the processing panels that the side panel hosts. A panel is told the photo shown and
// its engine controller by setImage; the other hooks let the side panel size, reset and switch it.
class IQProcessingFrame : public QFrame {
    Q_OBJECT

public:
    explicit IQProcessingFrame(QWidget* parent);

    // The side panel that hosts this panel (not owned).
    void setAdjustingFrame(IQAdjustingFrame* frame);

    // Stores the photo (a copy: the caller's image need not outlive the call; null for none) and
    // the controller (not owned).
    virtual void setImage(const QImage* image, IQEngineController* controller);
    virtual void fitHeight(int frameHeight, int thumbHeight, int controlsHeight);
    virtual void reset();
    virtual void activate();
    virtual void deactivate();

    IQAdjustingFrame* hostFrame() const { return adjustingFrame; }
    IQEngineController* engineController() const { return controller; }
    // The photo last given to setImage; a null image when none.
    const QImage& currentImage() const { return image; }

protected:
    IQAdjustingFrame* adjustingFrame = nullptr;
    IQEngineController* controller = nullptr;
    QImage image;
};

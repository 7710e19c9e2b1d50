#pragma once

#include <QFrame>
#include <QList>

class IQDenoiseProcessFrame;
class IQEditingFrame;
class IQEngineController;
class IQProcessingFrame;
class QImage;
namespace Ui {
class IQAdjustingFrame;
}

// The side panel of the editing page: a thumbnail of the photo, the processing panel (the denoise
// panel) and the Save button.
class IQAdjustingFrame : public QFrame {
    Q_OBJECT

public:
    explicit IQAdjustingFrame(QWidget* parent);
    ~IQAdjustingFrame() override;

    // Shows the photo's thumbnail (the image need only live during the call; null for none),
    // resets the panels and hands them the photo and its controller (not owned).
    void setImage(const QImage* image, IQEngineController* controller);
    // Hides the shown panel and shows the one at `index`, handing the engine result over.
    void selectFrame(int index);

    IQDenoiseProcessFrame* denoisePanel() const { return denoiseFrame; }
    int currentFrameIndex() const { return currentIndex; }

    // The page that saves the photo; set by the editing page right after construction.
    IQEditingFrame* editingFrame = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void on_saveButton_clicked();
    // No object of the form bears this name: kept for a module selector that is not shown.
    void on_retuchGroup_toggled(int id, bool status);

private:
    void initUi();
    // Gives every panel the height left between the thumbnail and the Save button.
    void fitPanels();

    Ui::IQAdjustingFrame* ui;
    IQDenoiseProcessFrame* denoiseFrame = nullptr;
    QList<IQProcessingFrame*> frames;
    int currentIndex = 0;
    IQEngineController* controller = nullptr;
};

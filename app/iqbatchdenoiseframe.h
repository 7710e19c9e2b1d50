// The panel of the batch dialog: the photo list, the three strengths and the Start button, which
// runs one IQBatchThread behind a window-modal progress dialog and reports the outcome.
#pragma once

#include "iqdenoiseparams.h"
#include "iqfilebrowserframe.h"

class QProgressDialog;

namespace Ui {
class IQBatchDenoiseFrame;
}

class IQBatchDenoiseFrame : public IQFileBrowserFrame {
    Q_OBJECT

public:
    explicit IQBatchDenoiseFrame(QWidget* parent = nullptr);
    ~IQBatchDenoiseFrame() override;

    void initUi() override;
    // Every slider to 0 with its value label showing "0".
    void resetSliders();

    // True from the accepted choice of an output folder until the summary box is dismissed.
    bool isBusy() const { return busy; }
    // The strengths the sliders last reported; a run takes a copy at Start.
    const IQDenoiseParams& denoiseParams() const { return params; }

    // Shows the summary box; the panel is idle again once it is dismissed.
    void onBatchFinished(const QStringList& finishedFileList, const QStringList& errorFileList);

protected:
    // Keeps the progress dialog up against Escape and close while its run is going.
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void on_addPhotoButn_clicked();
    void on_removePhotoButn_clicked();
    void on_luminanceSlider_valueChanged(int value);
    void on_chrominanceSlider_valueChanged(int value);
    void on_sharpnessSlider_valueChanged(int value);
    void on_startButn_clicked();

private:
    // Add, Remove and Start as the list, its selection and a run allow.
    void updateButtons();

    Ui::IQBatchDenoiseFrame* ui;
    IQDenoiseParams params;
    bool busy = false;
    QProgressDialog* progressDialog = nullptr;
    // From the start of the thread until its finished signal arrives.
    bool runActive = false;
};

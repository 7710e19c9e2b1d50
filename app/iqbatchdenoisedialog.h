// The batch dialog: a window-modal frame around the batch panel that refuses to close while a
// run is going.
#pragma once

#include <QDialog>

class IQBatchDenoiseFrame;

namespace Ui {
class IQBatchDenoiseDialog;
}

class IQBatchDenoiseDialog : public QDialog {
    Q_OBJECT

public:
    explicit IQBatchDenoiseDialog(QWidget* parent = nullptr);
    ~IQBatchDenoiseDialog() override;

    IQBatchDenoiseFrame* batchFrame() const { return frame; }

public slots:
    // Escape rejects a dialog: refused, like closing, while a run is going.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::IQBatchDenoiseDialog* form;
    IQBatchDenoiseFrame* frame;
};

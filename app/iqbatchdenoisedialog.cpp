#include "iqbatchdenoisedialog.h"

#include <QCloseEvent>

#include "iqbatchdenoiseframe.h"
#include "ui_iqbatchdenoisedialog.h"

IQBatchDenoiseDialog::IQBatchDenoiseDialog(QWidget* parent)
    : QDialog(parent, Qt::WindowFlags()), form(new Ui::IQBatchDenoiseDialog) {
    form->setupUi(this);
    setWindowTitle(tr("IDS_BATCH"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    frame = new IQBatchDenoiseFrame(this);
    form->subBatchLayout->addWidget(frame);
}

IQBatchDenoiseDialog::~IQBatchDenoiseDialog() {
    delete frame; // before the dialog's own children and layouts go
    frame = nullptr;
    delete form;
}

void IQBatchDenoiseDialog::reject() {
    if (frame != nullptr && frame->isBusy())
        return;
    QDialog::reject();
}

void IQBatchDenoiseDialog::closeEvent(QCloseEvent* event) {
    if (frame->isBusy())
        event->ignore();
    else
        event->accept();
}

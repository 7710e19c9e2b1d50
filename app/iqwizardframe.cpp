#include "iqwizardframe.h"
#include "ui_iqwizardframe.h"

IQWizardFrame::IQWizardFrame(QWidget* parent) : QFrame(parent), ui(new Ui::IQWizardFrame) {
    ui->setupUi(this);
    ui->importButn->setText(tr("IDS_IMPORT"));
    ui->orLabel->setText(tr("IDS_OR"));
    ui->dragLabel->setText(tr("IDS_DARGDROP"));
}

IQWizardFrame::~IQWizardFrame() {
    delete ui;
}

void IQWizardFrame::on_importButn_clicked() {
    emit select_file();
}

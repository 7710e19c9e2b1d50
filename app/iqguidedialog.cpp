#include "iqguidedialog.h"
#include "ui_iqguidedialog.h"

#include "iqsettings.h"

IQGuideDialog::IQGuideDialog(QWidget* parent) : QDialog(parent), ui(new Ui::IQGuideDialog) {
    ui->setupUi(this);
    setWindowFlags(Qt::FramelessWindowHint);
    ui->showAgainChckButn->setText(tr("IDS_AC_DONTSHOWAGAIN"));
    ui->okButn->setText(tr("IDS_AC_CLOSE"));
}

IQGuideDialog::~IQGuideDialog() {
    delete ui;
}

void IQGuideDialog::on_okButn_clicked() {
    accept();
}

void IQGuideDialog::on_showAgainChckButn_stateChanged(int arg1) {
    Q_UNUSED(arg1)
    setShowGuide(appSettings(), int(ui->showAgainChckButn->checkState()));
}

#include "iqeditingframe.h"

#include "iqadjustingframe.h"
#include "iqbgradata.h"
#include "iqbgrdata.h"
#include "iqenginecontroller.h"
#include "iqfitsize.h"
#include "iqiconreadthread.h"
#include "iqimagedisplaycontroller.h"
#include "iqimagereadthread.h"
#include "iqsettings.h"
#include "iqwaitingdialog.h"
#include "iqwritequality.h"
#include "ui_iqeditingframe.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QListWidgetItem>
#include <QMessageBox>
#include <QSaveFile>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace {

// Strip item roles: the item's thumbnail job and its photo's path.
constexpr int JobRole = Qt::UserRole + 1;
constexpr int PathRole = Qt::UserRole + 2;

// The first showing of the before view in the process fits both views.
bool firstBeforeShowing = true;

QRect viewRect(const QWidget* view) {
    return QRect(0, 0, view->width(), view->height());
}

// Writes `image` to `fileName` in the format its suffix names, through a temporary file that
// replaces the old one only once everything is written: a failure leaves an existing file as it
// was. On failure *error says why.
bool writeImageFile(const QString& fileName, const QImage& image, QString* error) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    QImageWriter writer(&file, QFileInfo(fileName).suffix().toLower().toLatin1());
    applyWriteQuality(&writer);
    if (!writer.write(image)) {
        *error = writer.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

IQEditingFrame::IQEditingFrame(QWidget* parent) : QFrame(parent), ui(new Ui::IQEditingFrame) {
    qRegisterMetaType<IQIconReadThread*>();
    ui->setupUi(this);
    after = new IQImageDisplayController(ui->graphicsView);
    before = new IQImageDisplayController(ui->graphicsView_before);
    connect(after, &IQImageDisplayController::controllerScrollValueChanged, this,
            &IQEditingFrame::syncScroll);
    connect(before, &IQImageDisplayController::controllerScrollValueChanged, this,
            &IQEditingFrame::syncScroll);
    pool.setMaxThreadCount(10);
    initUi();
}

IQEditingFrame::~IQEditingFrame() {
    // No thumbnail job may still run or wait when its receiver and its object go away.
    pool.clear();
    pool.waitForDone();
    for (int row = 0; row < ui->fileListWidget->count(); ++row)
        delete ui->fileListWidget->item(row)->data(JobRole).value<IQIconReadThread*>();
    // The controller waits for its own job pool before it frees its buffers, so no engine job
    // outlives the page.
    delete controller;
    controller = nullptr;
    delete after;
    delete before;
    delete ui;
}

void IQEditingFrame::initUi() {
    ui->workspaceLine->setStyleSheet(QStringLiteral("background-color: black;"));
    for (QGraphicsView* view : {ui->graphicsView, ui->graphicsView_before}) {
        view->setStyleSheet(QStringLiteral("QScrollArea {background-color:transparent;}"));
        view->viewport()->setStyleSheet(QStringLiteral("background-color:transparent;"));
    }
    ui->graphicsView_before->hide();
    ui->graphicsLayout->setStretchFactor(ui->graphicsView, 1);
    ui->graphicsLayout->setStretchFactor(ui->graphicsView_before, 1);

    panel = new IQAdjustingFrame(this);
    panel->editingFrame = this;
    ui->processLayout->addWidget(panel);

    ui->fileListWidget->setMovement(QListView::Static);
    ui->fileListWidget->setViewMode(QListView::IconMode);
    ui->fileListWidget->setWrapping(false);
    ui->fileListWidget->setMaximumHeight(80);

    ui->baButn->setText(tr("IDS_BEFORE_AFTER"));
    ui->baButn->setToolTip(tr("IDS_BEFORE_AFTER"));
    connect(ui->zoomSlider, qOverload<double>(&QDoubleSlider::valueChanged), this,
            &IQEditingFrame::onZoomSliderValueChanged);
}

IQEngineController* IQEditingFrame::engineController() {
    if (!controller) {
        controller = new IQEngineController();
        connect(controller, &IQEngineController::processBGRFinished, this,
                &IQEditingFrame::bgrAlgorithmFinished);
        connect(controller, &IQEngineController::processYUVFinished, this,
                &IQEditingFrame::yuvAlgorithmFinished);
    }
    return controller;
}

const QImage* IQEditingFrame::currentImage() const {
    return &after->currentImage();
}

bool IQEditingFrame::isBeforeAfterShown() const {
    return !ui->graphicsView_before->isHidden();
}

// ---- strip and thumbnails ----

void IQEditingFrame::addFiles(const QStringList& files) {
    // Compared with the photos listed before this call: a path given twice here is added twice.
    // Paths are compared as the platform's file names are: regardless of case where the file
    // system ignores it, so that one file is not listed under two spellings, and exactly
    // elsewhere, where img.jpg and IMG.jpg are two photos.
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    constexpr Qt::CaseSensitivity fileNameCase = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity fileNameCase = Qt::CaseSensitive;
#endif
    QStringList kept;
    for (const QString& file : files) {
        const bool listed = std::any_of(paths.cbegin(), paths.cend(), [&](const QString& p) {
            return p.compare(file, fileNameCase) == 0;
        });
        if (!listed)
            kept << file;
    }
    const bool wasEmpty = paths.isEmpty();
    for (const QString& path : qAsConst(kept)) {
        paths << path;
        const QString name = QFileInfo(path).fileName();
        auto* item = new QListWidgetItem();
        item->setData(Qt::SizeHintRole, QSize(80, 80));
        item->setToolTip(name);
        item->setText(name);
        ui->fileListWidget->addItem(item);

        auto* job = new IQIconReadThread(path, paths.size() - 1);
        job->setAutoDelete(false);
        connect(job, &IQIconReadThread::readFinished, this, &IQEditingFrame::onIconRead);
        pool.start(job, 0);
        item->setData(JobRole, QVariant::fromValue(job));
        item->setData(PathRole, path);
    }
    if (wasEmpty && !paths.isEmpty())
        ui->fileListWidget->setCurrentRow(0);
}

void IQEditingFrame::onIconRead(QIcon icon, int index) {
    QListWidgetItem* item = ui->fileListWidget->item(index);
    if (!item)
        return;
    item->setText(QString());
    item->setIcon(icon);
}

// ---- reading a photo ----

void IQEditingFrame::on_fileListWidget_currentRowChanged(int currentRow) {
    if (currentRow < 0 || currentRow >= paths.size())
        return;
    openImage(paths.at(currentRow));
}

void IQEditingFrame::openImage(const QString& path) {
    IQWaitingDialog dialog(this);
    auto* job = new IQImageReadThread(path);
    // The job signals from its own thread: both arrive queued, inside the dialog's loop, the
    // image first; even a read that ends before exec() starts closes the dialog.
    connect(job, &IQImageReadThread::readFinished, this, &IQEditingFrame::onImageRead);
    connect(job, &QThread::finished, job, &QObject::deleteLater);
    connect(job, &QThread::finished, &dialog, &QWidget::close);
    job->start(QThread::InheritPriority);
    dialog.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    dialog.exec();
}

double IQEditingFrame::afterFitScale() const {
    return fitScaleFactor(after->currentImage().size(), viewRect(ui->graphicsView), nullptr,
                          nullptr);
}

void IQEditingFrame::onImageRead(QImage image) {
    after->setImage(image);
    before->setImage(image);
    engineController()->setImage(image);
    panel->setImage(&image, engineController());
    ui->sizeLabel->setText(QString::asprintf("%d x %d ", image.width(), image.height()) +
                           tr("IDS_PIX"));

    mode = ZoomFit;
    scale = fitScale = afterFitScale();
    // Raising the slider's minimum may move the slider, which sets the mode from its new value.
    setSliderRange(fitScale);
    applyZoomMode(after, mode);
    applyZoomMode(before, mode);
    ui->zoomSlider->setValue(fitScale, true);
    modified = false;
    emit imageChanged(&after->currentImage());
}

// ---- zoom ----

void IQEditingFrame::setSliderRange(double min) {
    ui->zoomSlider->setMinimum(min);
    ui->zoomSlider->setMaximum(MaximumScale);
}

void IQEditingFrame::applyZoomMode(IQImageDisplayController* c, int zoomMode) {
    double s = scale;
    if (zoomMode == ZoomFit) {
        s = std::min(1.0, fitScaleFactor(c->currentImage().size(), viewRect(c->graphicsView()),
                                         nullptr, nullptr));
        c->setScale(s);
    } else if (zoomMode == ZoomActual) {
        c->scaleBy(1.0 / scale);
        s = 1.0;
    }
    if (c == after)
        scale = s;
}

void IQEditingFrame::scaleBothBy(double f) {
    after->scaleBy(f);
    before->scaleBy(f);
}

void IQEditingFrame::zoomIn() {
    syncing = true;
    double s = ZoomInFactor * scale;
    mode = ZoomCustom;
    if (s > MaximumScale) {
        s = MaximumScale;
        mode = ZoomMaximum;
    }
    scaleBothBy(s / scale);
    scale = s;
    ui->zoomSlider->setValue(s, true);
    emit zoomChanged();
    syncing = false;
}

void IQEditingFrame::zoomOut() {
    syncing = true;
    double s = ZoomOutFactor * scale;
    mode = ZoomCustom;
    if (fitScale > s) {
        s = fitScale;
        mode = ZoomFit;
    }
    scaleBothBy(s / scale);
    scale = s;
    ui->zoomSlider->setValue(s, true);
    emit zoomChanged();
    syncing = false;
}

void IQEditingFrame::zoomFit() {
    syncing = true;
    mode = ZoomFit;
    applyZoomMode(after, ZoomFit);
    applyZoomMode(before, ZoomFit);
    fitScale = scale;
    setSliderRange(scale);
    ui->zoomSlider->setValue(scale, true);
    emit zoomChanged();
    syncing = false;
}

void IQEditingFrame::zoomActual() {
    syncing = true;
    mode = ZoomActual;
    // The slider's own valueChanged(double) does the scaling (a repeat scales by 1).
    ui->zoomSlider->setValue(1.0, false);
    emit zoomChanged();
    syncing = false;
}

void IQEditingFrame::onZoomSliderValueChanged(double x) {
    if (after->currentImage().isNull())
        return;
    syncing = true;
    if (x <= fitScale)
        mode = ZoomFit;
    else if (x >= MaximumScale)
        mode = ZoomMaximum;
    else
        mode = ZoomCustom;
    if (std::fabs(x - 1.0) < 0.000001)
        mode = ZoomActual;
    scaleBothBy(x / scale);
    scale = x;
    emit zoomChanged();
    syncing = false;
}

void IQEditingFrame::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    fitScale = afterFitScale();
    setSliderRange(fitScale);
    if (mode == ZoomFit) {
        scale = fitScale;
        after->setScale(scale);
        before->setScale(scale);
        ui->zoomSlider->setValue(scale, true);
    }
}

// ---- before and after ----

void IQEditingFrame::syncScroll(IQImageDisplayController* source, int x, int y) {
    if (syncing || mirroring)
        return;
    mirroring = true;
    (source == after ? before : after)->setScrollValues(x, y);
    mirroring = false;
}

void IQEditingFrame::on_baButn_clicked() {
    toggleBeforeAfter();
}

void IQEditingFrame::toggleBeforeAfter() {
    QGraphicsView* beforeView = ui->graphicsView_before;
    beforeView->setHidden(!beforeView->isHidden());
    // Lay the views out again now, so that the zoom below sees their new sizes.
    const QSize size = this->size();
    resize(size.width() - 1, size.height() - 1);
    resize(size);
    if (beforeView->isHidden())
        return;
    if (firstBeforeShowing) {
        zoomFit();
        firstBeforeShowing = false;
        return;
    }
    applyZoomMode(after, mode);
    applyZoomMode(before, mode);
    before->setScrollValues(ui->graphicsView->horizontalScrollBar()->value(),
                            ui->graphicsView->verticalScrollBar()->value());
}

// ---- engine results ----

void IQEditingFrame::algorithmStarted(void*) {}

void IQEditingFrame::bgrAlgorithmFinished(const IQBGRData* bgrData, int errorCode) {
    if (errorCode != 0 || !bgrData)
        return;
    after->updateFromData(bgrData->data, bgrData->width, bgrData->height, bgrData->bytesPerLine,
                          QImage::Format_RGB888);
    modified = true;
}

void IQEditingFrame::yuvAlgorithmFinished(const IQBGRAData* image, int errorCode) {
    if (errorCode != 0 || !image || !image->data)
        return;
    // A view of the controller's buffer, read only inside this slot.
    const QImage wrapper(image->data, image->width, image->height, image->bytesPerLine,
                         QImage::Format_ARGB32);
    after->updateFromBGRA(wrapper);
    modified = true;
}

// ---- saving ----

int IQEditingFrame::save() {
    const QString folder = lastSaveDir(appSettings());
    QString fileName;
    int r = saveImageFileDialog(this, &fileName, folder, QString());
    if (r == QDialog::Accepted) {
        QString error;
        if (!writeImageFile(fileName, after->currentImage(), &error)) {
            QMessageBox::information(
                this, QGuiApplication::applicationDisplayName(),
                tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(fileName), error));
            r = 0;
        }
        setLastSaveDir(appSettings(), QFileInfo(fileName).path());
    }
    return r;
}

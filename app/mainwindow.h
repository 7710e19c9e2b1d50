// The program's one window: the File, View and Help menus over two pages, the import page shown at
// start and the editing page shown for good once photos are opened (through the Open dialog, the
// import page's button or a drop on the window).
#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>

class IQEditingFrame;
class IQWizardFrame;
class QAction;
class QImage;
class QStringList;
struct Ui_MainWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs the start-up guide modally (nothing in the program calls it).
    void showGuideDialog();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void open();
    void save();
    void batch();
    void zoomFit();
    void zoomActual();
    void zoomIn();
    void zoomOut();
    void beforeAfter();
    void onlineHelp();
    void faq();
    void ccs();
    void about();
    void openImageFile();
    void imageChanged(const QImage* image);
    void zoomChanged();

private:
    void createMenus();
    // Enables the menu entries that make sense for the page shown and the editing page's zoom.
    void updateActions();
    // Leaves the import page for good and shows the editing page.
    void showEditingPage();

    int mode = 0; // 0: the import page is shown; 1: the editing page
    QAction* batchAction = nullptr;
    QAction* actualSizeAction = nullptr;
    QAction* fitInAction = nullptr;
    QAction* zoomInAction = nullptr;
    QAction* zoomOutAction = nullptr;
    QAction* beforeAfterAction = nullptr;
    QAction* openAction = nullptr;
    QAction* saveAsAction = nullptr;
    Ui_MainWindow* ui;
    IQWizardFrame* wizardFrame = nullptr;
    IQEditingFrame* editingFrame = nullptr;
};

#endif // MAINWINDOW_H

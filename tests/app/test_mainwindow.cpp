// The main window and its import page: menus enabled by page and zoom, opening photos by the Open
// dialog and by drops, the close prompt, About, the Help links and the batch dialog. Modal dialogs
// are answered by a script of steps run from a timer, and any dialog the script did not expect is
// rejected and reported, so no test can hang on one.
#include "iqeditingframe.h"
#include "iqsettings.h"
#include "iqwizardframe.h"
#include "mainwindow.h"
#include "productinfo.h"
#include "productlinks.h"
#include "startup.h"
#include "temporaryhome.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QColor>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QGraphicsView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Answers the application's modal dialogs, one step per dialog, in the order they appear. A
// dialog that comes when no step is left is rejected after a grace period and counted as
// unexpected; a dialog still open when the time limit runs out is rejected too.
class ModalScript : public QObject {
public:
    using Step = std::function<void(QWidget*)>;

    explicit ModalScript(QList<Step> steps) : steps(std::move(steps)) {
        clock.start();
        connect(&timer, &QTimer::timeout, this, [this] { poll(); });
        timer.start(20);
    }

    int answered = 0;
    QStringList unexpected; // class names of the dialogs no step was left for

    bool done() const { return steps.isEmpty(); }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        // The editing page's waiting dialog closes by itself once its photo is read.
        if (modal && modal->inherits("IQWaitingDialog"))
            return;
        if (!modal || !modal->isVisible()) {
            strayClock.invalidate();
            return;
        }
        if (modal == current)
            return maybeGiveUp(modal);
        if (steps.isEmpty()) {
            if (!strayClock.isValid())
                strayClock.start();
            return maybeGiveUp(modal);
        }
        current = modal;
        ++answered;
        steps.takeFirst()(modal);
    }

    void maybeGiveUp(QWidget* modal) {
        const bool stray = strayClock.isValid() && strayClock.elapsed() > 2000;
        if (!stray && clock.elapsed() < 30000)
            return;
        unexpected.append(QString::fromLatin1(modal->metaObject()->className()));
        strayClock.invalidate();
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }

    QList<Step> steps;
    QTimer timer;
    QElapsedTimer clock;
    QElapsedTimer strayClock;
    QPointer<QWidget> current;
};

QAbstractButton* buttonWithText(QWidget* dialog, const QString& text) {
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        // Mnemonics do not count: "&OK" is the button OK.
        if (button->text().remove(QLatin1Char('&')) == text)
            return button;
    }
    return nullptr;
}

// Steps for the common answers.
ModalScript::Step clickButton(const QString& text, QStringList* seenTexts = nullptr) {
    return [text, seenTexts](QWidget* dialog) {
        if (seenTexts) {
            if (auto* box = qobject_cast<QMessageBox*>(dialog))
                seenTexts->append(box->windowTitle() + QLatin1Char('|') + box->text());
        }
        QAbstractButton* button = buttonWithText(dialog, text);
        ASSERT_NE(button, nullptr) << text.toStdString();
        QTimer::singleShot(0, button, &QAbstractButton::click);
    };
}

// Accepts a file dialog with the given names (quoted, so several can be chosen) in folder.
ModalScript::Step chooseFiles(const QString& folder, const QStringList& names) {
    return [folder, names](QWidget* dialog) {
        auto* fileDialog = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(fileDialog, nullptr);
        fileDialog->setDirectory(folder);
        auto* nameEdit = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(nameEdit, nullptr);
        QStringList quoted;
        for (const QString& name : names)
            quoted.append(QLatin1Char('"') + name + QLatin1Char('"'));
        nameEdit->setText(names.size() == 1 ? names.first() : quoted.join(QLatin1Char(' ')));
        QTimer::singleShot(0, fileDialog,
                           [fileDialog] { QMetaObject::invokeMethod(fileDialog, "accept"); });
    };
}

ModalScript::Step rejectDialog() {
    return [](QWidget* dialog) {
        auto* d = qobject_cast<QDialog*>(dialog);
        ASSERT_NE(d, nullptr);
        QTimer::singleShot(0, d, &QDialog::reject);
    };
}

// Runs body while script answers the dialogs it opens; requires every step used and nothing else.
void runWithDialogs(QList<ModalScript::Step> steps, const std::function<void()>& body) {
    ModalScript script(std::move(steps));
    body();
    // Steps queued from the last answer still have to reach their dialogs.
    const bool settled =
        QTest::qWaitFor([&] { return script.done() && !QApplication::activeModalWidget(); }, 10000);
    Q_UNUSED(settled)
    EXPECT_TRUE(script.done()) << "a dialog the test expected did not open";
    EXPECT_TRUE(script.unexpected.isEmpty())
        << "unexpected dialogs: " << script.unexpected.join(", ").toStdString();
}

// A photo of its own: a smooth gradient with a seeded pattern of noise, written through Qt.
QString writePhoto(const QString& folder, const QString& name, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 28) - 8;
            row[x] = qRgb(qBound(0, x * 255 / width + noise, 255),
                          qBound(0, y * 255 / height + noise, 255), qBound(0, 128 + noise, 255));
        }
    }
    const QString path = folder + QLatin1Char('/') + name;
    EXPECT_TRUE(image.save(path)) << path.toStdString();
    return path;
}

QString writeText(const QString& folder, const QString& name) {
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a photo\n");
    return path;
}

struct MenuState {
    bool saveAs, actualSize, fitIn, zoomIn, zoomOut, beforeAfter;
};

// The menu entries the window's rules enable for each zoom mode of a shown photo.
MenuState expectedForZoom(int zoomMode) {
    return {true, zoomMode != 1, zoomMode != 0, zoomMode != 3, zoomMode != 0, true};
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        qRegisterMetaType<const QImage*>("const QImage*");
        useTemporaryHome();
        QGuiApplication::setApplicationDisplayName(QStringLiteral("Vorlach Denoise"));
        ASSERT_TRUE(folder.isValid());
        window = std::make_unique<MainWindow>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        // Every test starts from the Pictures fallback of the Open dialog's folder.
        appSettings()->remove(QStringLiteral("/app/lastOpenDir"));
    }

    void TearDown() override {
        // A modified photo would prompt: the tests that make one close the window themselves.
        if (window && window->isVisible() && !editing()->isModified())
            window->close();
        window.reset();
    }

    QAction* action(const char* name) {
        auto* found = window->findChild<QAction*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    IQEditingFrame* editing() { return window->findChild<IQEditingFrame*>(); }
    IQWizardFrame* wizard() { return window->findChild<IQWizardFrame*>(); }

    MenuState menuState() {
        return {action("saveAsAction")->isEnabled(),  action("actualSizeAction")->isEnabled(),
                action("fitInAction")->isEnabled(),   action("zoomInAction")->isEnabled(),
                action("zoomOutAction")->isEnabled(), action("beforeAfterAction")->isEnabled()};
    }

    void expectMenu(const MenuState& want, const std::string& where) {
        const MenuState got = menuState();
        EXPECT_EQ(got.saveAs, want.saveAs) << where << ": Save As";
        EXPECT_EQ(got.actualSize, want.actualSize) << where << ": Actual Size";
        EXPECT_EQ(got.fitIn, want.fitIn) << where << ": Fit In";
        EXPECT_EQ(got.zoomIn, want.zoomIn) << where << ": Zoom In";
        EXPECT_EQ(got.zoomOut, want.zoomOut) << where << ": Zoom Out";
        EXPECT_EQ(got.beforeAfter, want.beforeAfter) << where << ": Before / After";
        // Never disabled, on any page.
        for (const char* name : {"openAction", "batchAction", "exitAction", "onlineHelpAction",
                                 "faqAction", "ccsAction", "aboutAction"})
            EXPECT_TRUE(action(name)->isEnabled()) << where << ": " << name;
    }

    // Opens photos through File > Open, answering the dialog with names in the test folder.
    void openThroughDialog(const QStringList& names) {
        runWithDialogs({chooseFiles(folder.path(), names)},
                       [&] { action("openAction")->trigger(); });
    }

    // Drags urls onto target (the window when none is given) and drops them there; as in a real
    // drag, the drop goes to the widget that took the drag's entry.
    void drop(const QList<QUrl>& urls, QWidget* target = nullptr) {
        if (!target)
            target = window.get();
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDragMoveEvent move(QPoint(12, 12), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        move.acceptProposedAction(); // the state an accepted entry gives the moves after it
        QApplication::sendEvent(target, &move);
        ASSERT_TRUE(move.isAccepted()) << "the drop would be refused here";
        QDropEvent event(QPointF(12, 12), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    // Runs the real engine on the shown photo (a released luminance slider), so the editing page
    // holds an unsaved result.
    void makeModified() {
        QWidget* denoisePanel = nullptr;
        for (QWidget* child : editing()->findChildren<QWidget*>()) {
            if (child->inherits("IQDenoiseProcessFrame"))
                denoisePanel = child;
        }
        ASSERT_NE(denoisePanel, nullptr);
        ASSERT_TRUE(QMetaObject::invokeMethod(denoisePanel, "on_luminanceSlider_valueChanged",
                                              Q_ARG(int, 35)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return editing()->isModified(); }, 60000));
    }

    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;
};

TEST(IQWizardFrameTest, ImportAnnouncesOneWishPerClickAndOpensNothing) {
    IQWizardFrame page(nullptr);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    QSignalSpy wishes(&page, &IQWizardFrame::select_file);
    auto* button = page.findChild<QPushButton*>(QStringLiteral("importButn"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("IDS_IMPORT"));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(wishes.count(), 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(wishes.count(), 2);
}

TEST(IQWizardFrameTest, ButtonAndLabelsStayCentredAtTheirSizesWhenResized) {
    IQWizardFrame page(nullptr);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    auto* button = page.findChild<QPushButton*>(QStringLiteral("importButn"));
    auto* orLabel = page.findChild<QLabel*>(QStringLiteral("orLabel"));
    auto* dragLabel = page.findChild<QLabel*>(QStringLiteral("dragLabel"));
    ASSERT_TRUE(button && orLabel && dragLabel);
    EXPECT_EQ(orLabel->text(), QStringLiteral("IDS_OR"));
    EXPECT_EQ(dragLabel->text(), QStringLiteral("IDS_DARGDROP"));
    const QSize buttonSize = button->size();
    EXPECT_GE(buttonSize.width(), 120);
    EXPECT_GE(buttonSize.height(), 32);
    for (const QSize& size : {QSize(530, 331), QSize(1100, 600), QSize(700, 900)}) {
        page.resize(size);
        QApplication::processEvents();
        const std::string at = std::to_string(size.width()) + "x" + std::to_string(size.height());
        EXPECT_EQ(button->size(), buttonSize) << at;
        for (QWidget* widget : {static_cast<QWidget*>(button), static_cast<QWidget*>(orLabel),
                                static_cast<QWidget*>(dragLabel)})
            EXPECT_LE(std::abs(widget->geometry().center().x() - page.rect().center().x()), 1)
                << at << " " << widget->objectName().toStdString();
        EXPECT_EQ(orLabel->alignment(), Qt::AlignCenter);
        // The two spacers share the extra height: the group sits in the middle.
        const int top = button->geometry().top();
        const int bottom = page.height() - dragLabel->geometry().bottom();
        EXPECT_LE(std::abs(top - bottom), 12) << at;
    }
}

TEST_F(MainWindowTest, StartsOnTheImportPageWithItsSizeTitleAndMenus) {
    EXPECT_EQ(window->size(), QSize(1171, 644));
    EXPECT_EQ(window->minimumSize(), QSize(800, 560));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Vorlach Denoise"));
    EXPECT_TRUE(window->acceptDrops());
    EXPECT_TRUE(wizard()->isVisible());
    EXPECT_FALSE(editing()->isVisible());
    expectMenu({false, false, false, false, false, false}, "start");
    // The stylesheet was applied first, with the palette from its first rule.
    EXPECT_TRUE(qApp->styleSheet().startsWith(QStringLiteral("QPalette{background:#222222;}")));
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(QStringLiteral("#222222")));
}

TEST_F(MainWindowTest, MenusHoldTheirEntriesInOrderWithTheirShortcuts) {
    // An empty text stands for a separator.
    struct Entry {
        const char* text;
        QKeySequence shortcut;
    };
    const auto native = [](const char* text) {
        return QKeySequence(QLatin1String(text), QKeySequence::NativeText);
    };
    const QList<QPair<QString, QList<Entry>>> menus = {
        {"IDS_FILE",
         {{"IDS_OPEN", QKeySequence(QKeySequence::Open)},
          {"IDS_SAVEAS", QKeySequence(QKeySequence::Save)},
          {"", QKeySequence()},
          {"IDS_BATCH", QKeySequence()},
          {"", QKeySequence()},
          {"E&xit", native("Ctrl+Q")}}},
        {"IDS_VIEW",
         {{"IDS_MENU_ACTUALSIZE", native("Ctrl+0")},
          {"IDS_MENU_FITIN", native("Ctrl+9")},
          {"IDS_MENU_ZOOMIN", QKeySequence(QKeySequence::ZoomIn)},
          {"IDS_MENU_ZOOMOUT", QKeySequence(QKeySequence::ZoomOut)},
          {"", QKeySequence()},
          {"IDS_BEFORE_AFTER", native("Ctrl+B")}}},
        {"IDS_HELP",
         {{"IDS_MENU_ONLINE_HELP", native("Ctrl+H")},
          {"IDS_MENU_FAQ", QKeySequence()},
          {"IDS_MENU_CCS", QKeySequence()},
          {"", QKeySequence()},
          {"IDS_ABOUT", QKeySequence()}}},
    };
    const QList<QAction*> bar = window->menuBar()->actions();
    ASSERT_EQ(bar.size(), menus.size());
    for (int m = 0; m < menus.size(); ++m) {
        const std::string title = menus[m].first.toStdString();
        EXPECT_EQ(bar[m]->text(), menus[m].first);
        ASSERT_NE(bar[m]->menu(), nullptr) << title;
        const QList<QAction*> entries = bar[m]->menu()->actions();
        const QList<Entry>& want = menus[m].second;
        ASSERT_EQ(entries.size(), want.size()) << title;
        for (int i = 0; i < want.size(); ++i) {
            const std::string where = title + " #" + std::to_string(i);
            const bool separator = QLatin1String(want[i].text).isEmpty();
            EXPECT_EQ(entries[i]->isSeparator(), separator) << where;
            if (separator)
                continue;
            EXPECT_EQ(entries[i]->text(), QLatin1String(want[i].text)) << where;
            EXPECT_EQ(entries[i]->shortcut(), want[i].shortcut) << where;
            EXPECT_FALSE(entries[i]->isCheckable()) << where;
        }
    }
    EXPECT_TRUE(action("zoomInAction")->autoRepeat());
    EXPECT_TRUE(action("zoomOutAction")->autoRepeat());
}

TEST_F(MainWindowTest, ImportButtonRunsTheOpenDialogAndACancelChangesNothing) {
    auto* button = wizard()->findChild<QPushButton*>(QStringLiteral("importButn"));
    ASSERT_NE(button, nullptr);
    runWithDialogs({rejectDialog()}, [&] { QTest::mouseClick(button, Qt::LeftButton); });
    EXPECT_TRUE(wizard()->isVisible());
    EXPECT_FALSE(editing()->isVisible());
    EXPECT_FALSE(appSettings()->contains(QStringLiteral("/app/lastOpenDir")));
}

TEST_F(MainWindowTest, MenuFollowsTheZoomModeOfTheShownPhoto) {
    writePhoto(folder.path(), "large.png", 2400, 1600);
    openThroughDialog({"large.png"});
    ASSERT_FALSE(editing()->currentImage()->isNull());

    // Each step runs a menu entry (or the page's own zoom, which the window hears by signal) and
    // lands in a known zoom mode.
    struct Step {
        const char* what;
        std::function<void()> run;
        int zoomMode;
    };
    IQEditingFrame* page = editing();
    const std::vector<Step> steps = {
        {"photo shown", [] {}, 0},
        {"Actual Size", [&] { action("actualSizeAction")->trigger(); }, 1},
        {"Zoom In", [&] { action("zoomInAction")->trigger(); }, 2},
        {"Zoom In to the top",
         [&] {
             for (int i = 0; i < 10 && page->zoomMode() != 3; ++i)
                 action("zoomInAction")->trigger();
         },
         3},
        {"Zoom Out", [&] { action("zoomOutAction")->trigger(); }, 2},
        {"Fit In", [&] { action("fitInAction")->trigger(); }, 0},
        {"page zooms in by itself", [&] { page->zoomIn(); }, 2},
        {"page fits by itself", [&] { page->zoomFit(); }, 0},
        {"Before / After", [&] { action("beforeAfterAction")->trigger(); }, 0},
    };
    for (const Step& step : steps) {
        step.run();
        QApplication::processEvents();
        ASSERT_EQ(page->zoomMode(), step.zoomMode) << step.what;
        expectMenu(expectedForZoom(step.zoomMode), step.what);
    }
}

TEST_F(MainWindowTest, OpeningPhotosSwitchesToTheEditingPageForGood) {
    const QString first = writePhoto(folder.path(), "first.png", 640, 480);
    writePhoto(folder.path(), "second.png", 320, 240);
    writeText(folder.path(), "notes.txt");
    QSignalSpy shown(editing(), &IQEditingFrame::imageChanged);

    // The text file is left out; the folder of the first photo kept is remembered.
    openThroughDialog({"notes.txt", "first.png"});
    EXPECT_FALSE(wizard()->isVisible());
    EXPECT_TRUE(editing()->isVisible());
    EXPECT_EQ(shown.count(), 1);
    EXPECT_FALSE(editing()->currentImage()->isNull());
    EXPECT_EQ(editing()->currentImage()->height(), 480);
    EXPECT_EQ(lastOpenDir(appSettings()), QFileInfo(first).path());
    expectMenu(expectedForZoom(editing()->zoomMode()), "after open");

    // Opening again adds to the strip; the import page never comes back.
    openThroughDialog({"second.png"});
    EXPECT_FALSE(wizard()->isVisible());
    EXPECT_TRUE(editing()->isVisible());
    EXPECT_EQ(editing()->currentImage()->height(), 480) << "the shown photo stays";
}

TEST_F(MainWindowTest, ChoosingOnlyUnsupportedFilesLeavesTheImportPage) {
    writeText(folder.path(), "a.txt");
    writeText(folder.path(), "b.txt");
    openThroughDialog({"a.txt", "b.txt"});
    EXPECT_TRUE(wizard()->isVisible());
    EXPECT_FALSE(editing()->isVisible());
    expectMenu({false, false, false, false, false, false}, "nothing opened");
    EXPECT_FALSE(appSettings()->contains(QStringLiteral("/app/lastOpenDir")));
}

TEST_F(MainWindowTest, DragsWithAnyUrlsAreAcceptedOthersAreNot) {
    struct Case {
        const char* what;
        std::function<void(QMimeData&)> fill;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"a web link", [](QMimeData& d) { d.setUrls({QUrl("https://example.org/a.png")}); }, true},
        {"a text file",
         [&](QMimeData& d) { d.setUrls({QUrl::fromLocalFile(writeText(folder.path(), "t.txt"))}); },
         true},
        {"plain text", [](QMimeData& d) { d.setText("hello"); }, false},
    };
    for (const Case& c : cases) {
        QMimeData data;
        c.fill(data);
        QDragEnterEvent event(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window.get(), &event);
        EXPECT_EQ(event.isAccepted(), c.accepted) << c.what;
        if (c.accepted) {
            EXPECT_EQ(event.dropAction(), Qt::CopyAction) << c.what;
        }
    }
}

TEST_F(MainWindowTest, DroppingNoPhotoChangesNothing) {
    const QList<QList<QUrl>> drops = {
        {QUrl::fromLocalFile(folder.path())},
        {QUrl::fromLocalFile(writeText(folder.path(), "readme.txt"))},
        {QUrl("https://example.org/photo.jpg")},
    };
    for (const QList<QUrl>& urls : drops) {
        drop(urls);
        QApplication::processEvents();
        EXPECT_TRUE(wizard()->isVisible()) << urls.first().toString().toStdString();
        EXPECT_FALSE(editing()->isVisible());
        expectMenu({false, false, false, false, false, false}, "after a drop of no photo");
    }
}

TEST_F(MainWindowTest, DroppedPhotosOpenTheEditingPageWithoutTouchingTheOpenFolder) {
    const QString photo = writePhoto(folder.path(), "dropped.png", 800, 600);
    const QString text = writeText(folder.path(), "notes.txt");
    QSignalSpy shown(editing(), &IQEditingFrame::imageChanged);

    drop(
        {QUrl::fromLocalFile(text), QUrl("https://example.org/x.png"), QUrl::fromLocalFile(photo)});
    // The page is up at once; the photo is read once the drop has returned.
    EXPECT_FALSE(wizard()->isVisible());
    EXPECT_TRUE(editing()->isVisible());
    EXPECT_EQ(shown.count(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() == 1; }, 30000));
    EXPECT_EQ(editing()->currentImage()->size(), QSize(800, 600));
    expectMenu(expectedForZoom(editing()->zoomMode()), "after the drop");
    EXPECT_FALSE(appSettings()->contains(QStringLiteral("/app/lastOpenDir")));
}

TEST_F(MainWindowTest, PhotosDroppedOnTheEditingPageJoinTheStrip) {
    const QString first = writePhoto(folder.path(), "first.png", 640, 480);
    const QString second = writePhoto(folder.path(), "second.png", 320, 240);
    const QString third = writePhoto(folder.path(), "third.png", 320, 240);
    drop({QUrl::fromLocalFile(first)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !editing()->currentImage()->isNull(); }, 30000));
    auto* strip = editing()->findChild<QListWidget*>(QStringLiteral("fileListWidget"));
    ASSERT_NE(strip, nullptr);

    // Dropped on the image view and on the strip; both reach the window and add to the strip
    // without replacing the photo shown.
    auto* view = editing()->findChild<QGraphicsView*>(QStringLiteral("graphicsView"));
    ASSERT_NE(view, nullptr);
    drop({QUrl::fromLocalFile(second)}, view->viewport());
    drop({QUrl::fromLocalFile(third)}, strip->viewport());
    ASSERT_TRUE(QTest::qWaitFor([&] { return strip->count() == 3; }, 10000)) << strip->count();
    EXPECT_EQ(editing()->currentImage()->size(), QSize(640, 480));
    EXPECT_FALSE(wizard()->isVisible());
}

TEST_F(MainWindowTest, ClosingWithoutChangesAsksNothing) {
    writePhoto(folder.path(), "plain.png", 320, 240);
    openThroughDialog({"plain.png"});
    runWithDialogs({}, [&] { EXPECT_TRUE(window->close()); });
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, ClosePromptKeepsTheWindowUnlessSavedOrDiscarded) {
    writePhoto(folder.path(), "edited.png", 320, 240);
    openThroughDialog({"edited.png"});
    makeModified();

    QStringList prompts;
    const QString unwritable = folder.path() + "/result.unknownformat";
    struct Case {
        const char* what;
        QList<ModalScript::Step> answers;
        bool closes;
    };
    const std::vector<Case> cases = {
        {"Cancel", {clickButton("IDS_CANCEL", &prompts)}, false},
        {"Escape, then Cancel",
         {[&](QWidget* box) {
             QTest::keyClick(box, Qt::Key_Escape);
             QApplication::processEvents();
             EXPECT_TRUE(box->isVisible()) << "Escape must not answer the prompt";
             clickButton("IDS_CANCEL")(box);
         }},
         false},
        {"Save, then cancel the save dialog", {clickButton("IDS_SAVE"), rejectDialog()}, false},
        {"Save into a file that cannot be written",
         {clickButton("IDS_SAVE"), chooseFiles(folder.path(), {"result.unknownformat"}),
          clickButton("OK", &prompts)},
         false},
        {"Don't Save", {clickButton("IDS_DONT_SAVE")}, true},
    };
    for (const Case& c : cases) {
        bool closed = false;
        runWithDialogs(c.answers, [&] { closed = window->close(); });
        EXPECT_EQ(closed, c.closes) << c.what;
        EXPECT_EQ(window->isVisible(), !c.closes) << c.what;
    }
    EXPECT_FALSE(QFile::exists(unwritable));
    ASSERT_EQ(prompts.size(), 2);
    EXPECT_EQ(prompts[0], QStringLiteral("Vorlach Denoise|IDS_SAVE_PROMPT"));
    EXPECT_TRUE(prompts[1].startsWith(QStringLiteral("Vorlach Denoise|Cannot write ")))
        << prompts[1].toStdString();
    EXPECT_TRUE(prompts[1].contains(QDir::toNativeSeparators(unwritable)))
        << prompts[1].toStdString();
}

TEST_F(MainWindowTest, SavingFromThePromptClosesTheWindowOnceWritten) {
    writePhoto(folder.path(), "edited.png", 320, 240);
    openThroughDialog({"edited.png"});
    makeModified();
    bool closed = false;
    runWithDialogs({clickButton("IDS_SAVE"), chooseFiles(folder.path(), {"saved.png"})},
                   [&] { closed = window->close(); });
    EXPECT_TRUE(closed);
    EXPECT_FALSE(window->isVisible());
    const QImage saved(folder.path() + "/saved.png");
    EXPECT_EQ(saved.size(), QSize(320, 240));
}

TEST_F(MainWindowTest, AboutShowsNameVersionAndCopyright) {
    QString title, text;
    runWithDialogs({[&](QWidget* dialog) {
                       auto* box = qobject_cast<QMessageBox*>(dialog);
                       ASSERT_NE(box, nullptr);
                       title = box->windowTitle();
                       text = box->text();
                       QTimer::singleShot(0, box, &QDialog::accept);
                   }},
                   [&] { action("aboutAction")->trigger(); });
    EXPECT_EQ(title, QStringLiteral("Vorlach Denoise"));
    EXPECT_EQ(text, QStringLiteral("Vorlach Denoise<p></p>") +
                        QCoreApplication::applicationVersion() + QStringLiteral("<p></p>") +
                        copyrightText());
}

TEST_F(MainWindowTest, BatchRunsItsDialogModallyOverTheWindow) {
    QString name;
    QWidget* parent = nullptr;
    runWithDialogs({[&](QWidget* dialog) {
                       name = dialog->objectName();
                       parent = dialog->parentWidget();
                       EXPECT_TRUE(dialog->isModal());
                       QTimer::singleShot(0, dialog, &QWidget::close);
                   }},
                   [&] { action("batchAction")->trigger(); });
    EXPECT_EQ(name, QStringLiteral("IQBatchDenoiseDialog"));
    EXPECT_EQ(parent, window.get());
    // The dialog is gone once it returns.
    EXPECT_TRUE(window->findChildren<QDialog*>().isEmpty());
}

// Records the addresses the Help entries hand to the system browser.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void openUrl(const QUrl& url) { urls.append(url); }
};

TEST_F(MainWindowTest, HelpEntriesOpenTheGuideFaqAndSupportPages) {
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "openUrl");
    for (const char* name : {"onlineHelpAction", "faqAction", "ccsAction"})
        action(name)->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    const ProductLinks* links = productInfo()->links();
    ASSERT_EQ(recorder.urls.size(), 3);
    EXPECT_EQ(recorder.urls[0], QUrl(links->guideUrl()));
    EXPECT_EQ(recorder.urls[1], QUrl(links->faqUrl()));
    EXPECT_EQ(recorder.urls[2], QUrl(links->supportUrl()));
}

} // namespace

#include "test_mainwindow.moc"

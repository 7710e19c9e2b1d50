// The side panel and its denoise panel, driving a real engine controller with the real engine.
#define QTEST_QPA_MOUSE_HANDLING
#include "editingtestutil.h"
#include "iqadjustingframe.h"
#include "iqbgradata.h"
#include "iqdenoiseprocessframe.h"
#include "iqdenoiser.h"
#include "iqenginecontroller.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using editingtest::dragSlider;
using editingtest::noisyImage;

namespace {

template <class T> T* child(QObject* parent, const char* name) {
    T* w = parent->findChild<T*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// A shown denoise panel in a window of its own.
class DenoisePanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        editingtest::registerResultTypes();
        window.resize(320, 420);
        auto* layout = new QVBoxLayout(&window);
        panel = new IQDenoiseProcessFrame(&window);
        layout->addWidget(panel);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        luminance = child<QSlider>(panel, "luminanceSlider");
        chrominance = child<QSlider>(panel, "chrominanceSlider");
        sharpness = child<QSlider>(panel, "sharpnessSlider");
        restore = child<QPushButton>(panel, "restoreButton");
    }

    QString label(const char* name) { return child<QLabel>(panel, name)->text(); }

    // Waits for the one result of a started run and for the pool to be idle.
    void waitForRuns(QSignalSpy& spy, int count) {
        while (spy.count() < count && spy.wait(30000)) {
        }
        controller.waitForIdle();
        QCoreApplication::processEvents();
    }

    QWidget window;
    IQDenoiseProcessFrame* panel = nullptr;
    QSlider* luminance = nullptr;
    QSlider* chrominance = nullptr;
    QSlider* sharpness = nullptr;
    QPushButton* restore = nullptr;
    IQEngineController controller;
};

TEST_F(DenoisePanelTest, StartsAtZeroWithItsTexts) {
    for (QSlider* s : {luminance, chrominance, sharpness}) {
        EXPECT_EQ(s->value(), 0);
        EXPECT_EQ(s->minimum(), 0);
        EXPECT_EQ(s->maximum(), 100);
    }
    EXPECT_EQ(label("luminanceValueLabel"), "0");
    EXPECT_EQ(label("chrominanceVauleLabel"), "0");
    EXPECT_EQ(label("sharpnessVauleLabel"), "0");
    EXPECT_EQ(label("luminanceDescLabel"), IQDenoiseProcessFrame::tr("IDS_LUMINANCE"));
    EXPECT_EQ(restore->text(), IQDenoiseProcessFrame::tr("IDS_RESTORE"));
    EXPECT_TRUE(panel->denoiseParams().isDefault());
}

TEST_F(DenoisePanelTest, ReleasedSliderSendsItsValueAndRunsOneDenoise) {
    const QImage photo = noisyImage(128, 64);
    controller.setImage(photo);
    panel->setImage(&photo, &controller);
    QSignalSpy results(&controller, &IQEngineController::processYUVFinished);

    struct Case {
        QSlider* slider;
        const char* valueLabel;
        int (IQDenoiser::*sent)() const;
    };
    const Case cases[] = {
        {luminance, "luminanceValueLabel", &IQDenoiser::luminanceValue},
        {chrominance, "chrominanceVauleLabel", &IQDenoiser::chrominanceValue},
        {sharpness, "sharpnessVauleLabel", &IQDenoiser::sharpnessValue},
    };
    int runs = 0;
    for (const Case& c : cases) {
        dragSlider(c.slider, 60);
        const int value = c.slider->value();
        ASSERT_GT(value, 0);
        waitForRuns(results, ++runs);
        EXPECT_EQ(results.count(), runs) << c.valueLabel;
        EXPECT_EQ(results.last().at(1).toInt(), 0);
        EXPECT_NE(results.last().at(0).value<const IQBGRAData*>(), nullptr);
        EXPECT_EQ(label(c.valueLabel), QString::number(value));
        EXPECT_EQ((controller.denoiser()->*c.sent)(), value);
        EXPECT_TRUE(restore->isEnabled());
    }
    EXPECT_EQ(panel->denoiseParams().luminance, luminance->value());
    EXPECT_EQ(panel->denoiseParams().chrominance, chrominance->value());
    EXPECT_EQ(panel->denoiseParams().sharpness, sharpness->value());
}

TEST_F(DenoisePanelTest, ReleaseAtTheSameValueStartsNothing) {
    const QImage photo = noisyImage(128, 64);
    controller.setImage(photo);
    panel->setImage(&photo, &controller);
    QSignalSpy results(&controller, &IQEngineController::processYUVFinished);
    dragSlider(luminance, 50);
    waitForRuns(results, 1);
    ASSERT_EQ(results.count(), 1);
    // A click on the handle reports the unchanged value once: no run.
    QTest::mouseClick(luminance, Qt::LeftButton, Qt::NoModifier,
                      editingtest::sliderHandleRect(*luminance).center());
    controller.waitForIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(results.count(), 1);
}

TEST_F(DenoisePanelTest, RestoreZeroesEverythingAndRunsOneDenoise) {
    const QImage photo = noisyImage(128, 64);
    controller.setImage(photo);
    panel->setImage(&photo, &controller);
    QSignalSpy results(&controller, &IQEngineController::processYUVFinished);
    dragSlider(luminance, 60);
    dragSlider(sharpness, 30);
    waitForRuns(results, 2);
    ASSERT_EQ(results.count(), 2);

    QTest::mouseClick(restore, Qt::LeftButton);
    waitForRuns(results, 3);
    EXPECT_EQ(results.count(), 3);
    for (QSlider* s : {luminance, chrominance, sharpness})
        EXPECT_EQ(s->value(), 0);
    EXPECT_EQ(label("luminanceValueLabel"), "0");
    EXPECT_EQ(label("sharpnessVauleLabel"), "0");
    IQDenoiser* d = controller.denoiser();
    EXPECT_EQ(d->luminanceValue(), 0);
    EXPECT_EQ(d->chrominanceValue(), 0);
    EXPECT_EQ(d->sharpnessValue(), 0);
    EXPECT_FALSE(restore->isEnabled());
    EXPECT_TRUE(panel->denoiseParams().isDefault());
}

TEST_F(DenoisePanelTest, NullImageDisablesTheControlsAndARealOneEnablesTheSliders) {
    panel->setImage(nullptr, &controller);
    for (QWidget* w : std::initializer_list<QWidget*>{luminance, chrominance, sharpness, restore})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    const QImage none;
    panel->setImage(&none, &controller);
    EXPECT_FALSE(luminance->isEnabled());

    const QImage photo = noisyImage(64, 32);
    controller.setImage(photo);
    panel->setImage(&photo, &controller);
    for (QSlider* s : {luminance, chrominance, sharpness})
        EXPECT_TRUE(s->isEnabled());
    EXPECT_FALSE(restore->isEnabled());
}

TEST_F(DenoisePanelTest, NewPhotoPutsTheSlidersBackWithoutARun) {
    const QImage photo = noisyImage(128, 64);
    controller.setImage(photo);
    panel->setImage(&photo, &controller);
    QSignalSpy results(&controller, &IQEngineController::processYUVFinished);
    dragSlider(chrominance, 60);
    waitForRuns(results, 1);
    const QImage next = noisyImage(64, 32, 7);
    controller.setImage(next);
    panel->setImage(&next, &controller);
    controller.waitForIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(results.count(), 1);
    EXPECT_EQ(chrominance->value(), 0);
    EXPECT_EQ(label("chrominanceVauleLabel"), "0");
    EXPECT_TRUE(panel->denoiseParams().isDefault());
    EXPECT_FALSE(restore->isEnabled());
}

TEST_F(DenoisePanelTest, WithoutAControllerASliderUpdatesOnlyThePanel) {
    dragSlider(luminance, 60);
    EXPECT_GT(luminance->value(), 0);
    EXPECT_EQ(label("luminanceValueLabel"), QString::number(luminance->value()));
    EXPECT_TRUE(restore->isEnabled());
    QTest::mouseClick(restore, Qt::LeftButton);
    EXPECT_EQ(luminance->value(), 0);
    EXPECT_FALSE(restore->isEnabled());
}

TEST_F(DenoisePanelTest, DeactivateSendsZerosWithoutARun) {
    const QImage photo = noisyImage(128, 64);
    controller.setImage(photo);
    panel->setImage(&photo, &controller);
    QSignalSpy results(&controller, &IQEngineController::processYUVFinished);
    dragSlider(luminance, 60);
    waitForRuns(results, 1);
    panel->deactivate();
    controller.waitForIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(results.count(), 1);
    EXPECT_EQ(controller.denoiser()->luminanceValue(), 0);
    EXPECT_EQ(luminance->value(), 0);
    EXPECT_FALSE(restore->isEnabled());
}

TEST_F(DenoisePanelTest, FitHeightLeavesTheRoomBetweenThumbnailAndSave) {
    panel->fitHeight(600, 120, 48);
    EXPECT_EQ(panel->minimumHeight(), 432);
}

// ---- the side panel ----

class SidePanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        side = new IQAdjustingFrame(nullptr);
        side->resize(210, 600);
        side->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(side));
        thumb = child<QLabel>(side, "imageThumbLabel");
        save = child<QPushButton>(side, "saveButton");
    }
    void TearDown() override { delete side; }

    IQAdjustingFrame* side = nullptr;
    QLabel* thumb = nullptr;
    QPushButton* save = nullptr;
    IQEngineController controller;
};

TEST_F(SidePanelTest, HostsTheShownDenoisePanelAndHidesTheModuleColumn) {
    ASSERT_NE(side->denoisePanel(), nullptr);
    EXPECT_TRUE(side->denoisePanel()->isVisible());
    EXPECT_EQ(side->denoisePanel()->hostFrame(), side);
    EXPECT_FALSE(child<QWidget>(side, "moduleWidget")->isVisible());
    EXPECT_EQ(save->text(), IQAdjustingFrame::tr("IDS_SAVE"));
    EXPECT_EQ(side->currentFrameIndex(), 0);
}

TEST_F(SidePanelTest, PanelTakesTheRoomBetweenThumbnailAndSaveWithoutGrowingTheWindow) {
    // The side panel inside a window, as on the editing page.
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* hosted = new IQAdjustingFrame(&window);
    layout->addWidget(hosted);
    window.resize(300, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (int i = 0; i < 10; ++i)
        QTest::qWait(10); // room for any layout round that would follow a resize
    EXPECT_EQ(window.height(), 600);
    ASSERT_EQ(hosted->height(), 600);

    auto* label = hosted->findChild<QLabel*>("imageThumbLabel");
    auto* button = hosted->findChild<QPushButton*>("saveButton");
    EXPECT_EQ(label->height(), 120);
    const int minimum = hosted->denoisePanel()->minimumHeight();
    // All the room but the thumbnail, the Save button with its 12 + 12 margins, and the line and
    // spacings between them.
    const int room = 600 - 120 - (button->height() + 24);
    EXPECT_LE(minimum, room);
    EXPECT_GE(minimum, room - 30);
    EXPECT_LE(hosted->minimumSizeHint().height(), 600);

    window.resize(300, 700);
    QTest::qWait(20);
    EXPECT_EQ(window.height(), 700);
    EXPECT_EQ(hosted->denoisePanel()->minimumHeight(), minimum + 100);
}

TEST_F(SidePanelTest, NullImageShowsABlankThumbnailAndDisablesSave) {
    const QImage photo = noisyImage(64, 32);
    side->setImage(&photo, &controller);
    EXPECT_TRUE(save->isEnabled());

    side->setImage(nullptr, &controller);
    EXPECT_FALSE(save->isEnabled());
    const QImage blank = thumb->pixmap(Qt::ReturnByValue).toImage();
    EXPECT_EQ(blank.size(), thumb->size());
    for (int y = 0; y < blank.height(); ++y)
        for (int x = 0; x < blank.width(); ++x)
            ASSERT_EQ(qAlpha(blank.pixel(x, y)), 0);
    EXPECT_FALSE(side->denoisePanel()->findChild<QSlider*>("luminanceSlider")->isEnabled());

    const QImage none;
    side->setImage(&none, nullptr);
    EXPECT_FALSE(save->isEnabled());
    side->setImage(&photo, &controller);
    EXPECT_TRUE(save->isEnabled());
}

TEST_F(SidePanelTest, ThumbnailKeepsTheAspectRatioCentred) {
    thumb->setFixedSize(180, 120);
    struct Case {
        QSize photo, shown;
    };
    for (const Case& c : {Case{{3000, 2000}, {180, 120}}, Case{{1000, 3000}, {40, 120}}}) {
        QImage photo(c.photo, QImage::Format_ARGB32);
        photo.fill(Qt::darkCyan);
        side->setImage(&photo, &controller);
        EXPECT_EQ(thumb->pixmap(Qt::ReturnByValue).size(), c.shown);
        EXPECT_EQ(thumb->alignment(), Qt::AlignCenter);
    }
}

TEST_F(SidePanelTest, PanelsKeepThePhotoAfterTheCallersImageIsGone) {
    {
        const QImage photo = noisyImage(48, 24);
        side->setImage(&photo, &controller);
    }
    EXPECT_EQ(side->denoisePanel()->currentImage().size(), QSize(48, 24));
    EXPECT_EQ(side->denoisePanel()->engineController(), &controller);
}

TEST_F(SidePanelTest, ConstructionStartsNoEngineWork) {
    IQEngineController c;
    QSignalSpy yuv(&c, &IQEngineController::processYUVFinished);
    QSignalSpy bgr(&c, &IQEngineController::processBGRFinished);
    IQAdjustingFrame other(nullptr);
    other.setImage(nullptr, &c);
    other.selectFrame(0); // (0, 0) finds no BGR result: nothing to hand over
    c.waitForIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(yuv.count() + bgr.count(), 0);
}

} // namespace

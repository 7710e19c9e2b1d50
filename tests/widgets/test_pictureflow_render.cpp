// The cover-flow view's software rendering: prepared surfaces, frames seen through grab(), the
// surface cache, and views of awkward sizes.
#include "qpictureflow.h"
#include "qpictureflowsoftwarerenderer.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

namespace {

QImage filled(QColor color, QSize size = QSize(32, 32)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// What the view shows once the deferred render has run.
QImage frameOf(QPictureFlow& view) {
    QCoreApplication::processEvents();
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int countPixels(const QImage& image, const std::function<bool(QRgb)>& match) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += match(image.pixel(x, y)) ? 1 : 0;
    return n;
}

bool isBlueOnly(QRgb c) {
    return qRed(c) == 0 && qGreen(c) == 0 && qBlue(c) > 0;
}

} // namespace

TEST(PictureFlowRenderer, BlendRgbWeighsEachChannelAndIsOpaque) {
    const QRgb c1 = qRgba(255, 128, 1, 0);
    const QRgb c2 = qRgb(0, 3, 255);
    EXPECT_EQ(QPictureFlowSoftwareRenderer::blendRgb(c1, c2, 256), qRgb(255, 128, 1));
    EXPECT_EQ(QPictureFlowSoftwareRenderer::blendRgb(c1, c2, 0), qRgb(0, 3, 255));
    // Two truncating divisions: 127 + 0, 64 + 1, 0 + 127.
    EXPECT_EQ(QPictureFlowSoftwareRenderer::blendRgb(c1, c2, 128), qRgb(127, 65, 127));
    EXPECT_EQ(QPictureFlowSoftwareRenderer::blendRgb(qRgb(255, 255, 255), qRgb(255, 255, 255), 1),
              qRgb(254, 254, 254));
}

TEST(PictureFlowRenderer, SurfaceIsTheSlideTransposedBelowBackgroundAboveItsReflection) {
    // A 4 x 6 slide with a distinct colour per pixel.
    const int w = 4, h = 6, hofs = h / 3, ht = h - hofs;
    QImage slide(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            slide.setPixel(x, y, qRgb(40 * x, 40 * y, 200));
    const QRgb background = qRgb(10, 20, 30);

    for (int effect : {ReflectionNone, ReflectionPlain}) {
        SCOPED_TRACE(effect);
        const QImage s =
            QPictureFlowSoftwareRenderer::prepareSlideSurface(slide, w, h, background, effect);
        ASSERT_EQ(s.size(), QSize(2 * h, w));
        EXPECT_EQ(s.format(), QImage::Format_RGB32);
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < hofs; ++c)
                EXPECT_EQ(s.pixel(c, x), background);
            for (int y = 0; y < h; ++y)
                EXPECT_EQ(s.pixel(hofs + y, x), slide.pixel(x, y));
            for (int y = 0; y < ht; ++y) {
                const QRgb expected =
                    effect == ReflectionNone
                        ? background
                        : QPictureFlowSoftwareRenderer::blendRgb(slide.pixel(x, h - 1 - y),
                                                                 background, 128 * (ht - y) / ht);
                EXPECT_EQ(s.pixel(h + hofs + y, x), expected) << x << "," << y;
            }
        }
    }
}

TEST(PictureFlowRenderer, SurfaceIsScaledToTheSlideSize) {
    const QImage s = QPictureFlowSoftwareRenderer::prepareSlideSurface(
        filled(Qt::green, QSize(7, 300)), 20, 30, qRgb(0, 0, 0), ReflectionNone);
    ASSERT_EQ(s.size(), QSize(60, 20));
    EXPECT_EQ(s.pixel(10, 0), qRgb(0, 255, 0));
    EXPECT_EQ(s.pixel(39, 19), qRgb(0, 255, 0));
    EXPECT_EQ(s.pixel(40, 19), qRgb(0, 0, 0));
}

TEST(PictureFlowRenderer, BlurredReflectionIsSmoothWhileTheSlideStaysSharp) {
    // Left half white, right half black: a sharp edge across the slide's columns.
    const int w = 40, h = 60, hofs = h / 3;
    QImage slide(w, h, QImage::Format_RGB32);
    slide.fill(Qt::black);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w / 2; ++x)
            slide.setPixel(x, y, qRgb(255, 255, 255));
    const QRgb background = qRgb(0, 0, 0);
    const QImage plain =
        QPictureFlowSoftwareRenderer::prepareSlideSurface(slide, w, h, background, ReflectionPlain);
    const QImage blurred = QPictureFlowSoftwareRenderer::prepareSlideSurface(
        slide, w, h, background, ReflectionBlurred);

    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y)
            ASSERT_EQ(blurred.pixel(hofs + y, x), slide.pixel(x, y)) << x << "," << y;

    // Just below the slide, across the edge: sharp in the plain reflection, a ramp when blurred.
    const int column = h + hofs + 2;
    EXPECT_EQ(plain.pixel(column, w / 2 - 1), plain.pixel(column, 0));
    EXPECT_EQ(plain.pixel(column, w / 2), background);
    const int lit = qRed(plain.pixel(column, 0));
    const int before = qRed(blurred.pixel(column, w / 2 - 1));
    const int after = qRed(blurred.pixel(column, w / 2));
    EXPECT_GT(before, after);
    EXPECT_LT(before, lit);
    EXPECT_GT(after, 0);
    EXPECT_EQ(qRed(blurred.pixel(column, w / 2)), qBlue(blurred.pixel(column, w / 2)));
    EXPECT_EQ(qAlpha(blurred.pixel(column, w / 2)), 255);
}

TEST(PictureFlowRenderer, NoSlidesDrawOnlyTheBackground) {
    QPictureFlow view;
    view.resize(320, 240);
    view.setBackgroundColor(QColor(10, 20, 30));
    const QImage frame = frameOf(view);
    ASSERT_EQ(frame.size(), QSize(320, 240));
    EXPECT_EQ(countPixels(frame, [](QRgb c) { return c != qRgb(10, 20, 30); }), 0);
}

TEST(PictureFlowRenderer, ClearedViewWithANewSlideShowsItInTheCentreWithItsReflection) {
    QPictureFlow view;
    view.resize(400, 300);
    view.addSlide(filled(Qt::red));
    QImage frame = frameOf(view);
    EXPECT_EQ(frame.pixel(200, 150), qRgb(255, 0, 0));

    view.clear();
    view.addSlide(filled(Qt::blue));
    frame = frameOf(view);
    EXPECT_EQ(frame.pixel(200, 150), qRgb(0, 0, 255));
    EXPECT_EQ(frame.pixel(200, 30), qRgb(0, 0, 255));
    EXPECT_EQ(frame.pixel(200, 5), qRgb(0, 0, 0)); // the space above the slide
    // The reflection: fainter blue fading downward, nothing of the red slide anywhere.
    const QRgb near = frame.pixel(200, 225), far = frame.pixel(200, 290);
    EXPECT_TRUE(isBlueOnly(near));
    EXPECT_TRUE(isBlueOnly(far));
    EXPECT_LT(qBlue(near), 140);
    EXPECT_LT(qBlue(far), qBlue(near));
    EXPECT_EQ(countPixels(frame, [](QRgb c) { return qRed(c) != 0; }), 0);
    // Nothing left of the only slide; nothing right of it either.
    EXPECT_EQ(frame.pixel(20, 150), qRgb(0, 0, 0));
    EXPECT_EQ(frame.pixel(380, 150), qRgb(0, 0, 0));
}

TEST(PictureFlowRenderer, ReplacedSlideIsShownAtOnce) {
    QPictureFlow view;
    view.resize(400, 300);
    view.addSlide(filled(Qt::red));
    view.addSlide(filled(Qt::white));
    EXPECT_EQ(frameOf(view).pixel(200, 150), qRgb(255, 0, 0));
    for (QColor color : {Qt::green, Qt::blue, Qt::yellow}) {
        view.setSlide(0, filled(color));
        EXPECT_EQ(frameOf(view).pixel(200, 150), color.rgb());
    }
    // Two replacements between frames: the second copy may take the address of the image the
    // shown surface was made from.
    view.setSlide(0, filled(Qt::cyan));
    view.setSlide(0, filled(Qt::magenta));
    EXPECT_EQ(frameOf(view).pixel(200, 150), qRgb(255, 0, 255));
}

TEST(PictureFlowRenderer, ForgottenSlideIsPreparedAgainEvenFromTheSameImageObject) {
    // A new image at the address of an old one looks, to a cache keyed by address, like the old
    // one; forgetting the index (as the view does on setSlide and clear) prepares it again.
    QPictureFlow widget;
    widget.resize(200, 200);
    QPictureFlowState state;
    state.slideList.append(new QImage(filled(Qt::red)));
    QPictureFlowSoftwareRenderer renderer;
    renderer.state = &state;
    renderer.widget = &widget;
    renderer.init();
    renderer.updateFrame();
    EXPECT_EQ(renderer.frameBuffer().pixel(100, 100), qRgb(255, 0, 0));

    *state.slideList[0] = filled(Qt::blue); // same object, new picture
    renderer.dirty = true;
    renderer.updateFrame();
    EXPECT_EQ(renderer.frameBuffer().pixel(100, 100), qRgb(255, 0, 0)); // cached by identity

    renderer.forgetSlide(0);
    renderer.dirty = true;
    renderer.updateFrame();
    EXPECT_EQ(renderer.frameBuffer().pixel(100, 100), qRgb(0, 0, 255));

    *state.slideList[0] = filled(Qt::green);
    renderer.forgetAllSlides();
    renderer.dirty = true;
    renderer.updateFrame();
    EXPECT_EQ(renderer.frameBuffer().pixel(100, 100), qRgb(0, 255, 0));

    // A different image object at the index is prepared again without being told.
    QImage* old = state.slideList[0];
    state.slideList[0] = new QImage(filled(Qt::white));
    delete old;
    renderer.dirty = true;
    renderer.updateFrame();
    EXPECT_EQ(renderer.frameBuffer().pixel(100, 100), qRgb(255, 255, 255));
}

TEST(PictureFlowRenderer, OnlyVisibleSlidesArePreparedAndAtMostAHundredAreKept) {
    QPictureFlow widget;
    widget.resize(900, 300);
    QPictureFlowState state;
    for (int i = 0; i < 150; ++i)
        state.slideList.append(new QImage(filled(QColor::fromHsv(i * 7 % 360, 255, 255))));
    QPictureFlowSoftwareRenderer renderer;
    renderer.state = &state;
    renderer.widget = &widget;
    renderer.init();
    renderer.updateFrame();
    // Slide 0 and the right side 1..5; the sixth on the right is invisible, none on the left.
    EXPECT_EQ(renderer.preparedSurfaceCount(), 6);

    for (int center = 1; center < 150; ++center) {
        state.centerIndex = center;
        state.layoutSlides();
        renderer.dirty = true;
        renderer.updateFrame();
        ASSERT_LE(renderer.preparedSurfaceCount(), 100);
    }
    EXPECT_EQ(renderer.preparedSurfaceCount(), 100);
}

TEST(PictureFlowRenderer, NewViewShowsSlideZeroInTheMiddleAndTheNextOnTheRight) {
    QPictureFlow view;
    view.resize(900, 300);
    for (int i = 0; i < 8; ++i)
        view.addSlide(filled(i == 0 ? Qt::red : Qt::green));
    const QImage frame = frameOf(view);
    EXPECT_EQ(frame.pixel(450, 150), qRgb(255, 0, 0));
    int leftGreen = 0, rightGreen = 0;
    for (int x = 0; x < 900; ++x) {
        if (qGreen(frame.pixel(x, 150)) > 0)
            (x < 450 ? leftGreen : rightGreen)++;
    }
    EXPECT_EQ(leftGreen, 0);
    EXPECT_GT(rightGreen, 100);
}

TEST(PictureFlowRenderer, NullSlideShowsTheBlankPlaceholder) {
    QPictureFlow view;
    view.resize(400, 300);
    view.setBackgroundColor(QColor(0, 0, 255));
    view.addSlide(QImage());
    const QImage frame = frameOf(view);
    // Grey gradient inside, a dark grey frame at the slide's top edge, reflection below.
    const QRgb centre = frame.pixel(200, 150);
    EXPECT_EQ(qRed(centre), qGreen(centre));
    EXPECT_EQ(qRed(centre), qBlue(centre));
    EXPECT_GT(qRed(centre), 20);
    EXPECT_LT(qRed(centre), 235);
    EXPECT_GT(countPixels(frame, [](QRgb c) { return c == qRgb(64, 64, 64); }), 200);
    const QRgb below = frame.pixel(200, 260);
    EXPECT_NE(below, qRgb(0, 0, 255));
    EXPECT_GT(qBlue(below), qRed(below)); // fading into the background
}

TEST(PictureFlowRenderer, ReflectionKindsShowNothingSharpOrBlurredBelowTheSlide) {
    QPictureFlow view;
    view.resize(400, 300);
    QImage stripes(150, 200, QImage::Format_RGB32);
    stripes.fill(Qt::black);
    for (int x = 0; x < 150; x += 10)
        for (int y = 0; y < 200; ++y)
            for (int k = 0; k < 5; ++k)
                stripes.setPixel(x + k, y, qRgb(255, 255, 255));
    view.addSlide(stripes);

    // Largest jump between neighbouring pixels along a row of the reflection.
    auto jump = [](const QImage& frame, int y) {
        int most = 0;
        for (int x = 140; x < 260; ++x)
            most = std::max(most, std::abs(qRed(frame.pixel(x, y)) - qRed(frame.pixel(x + 1, y))));
        return most;
    };
    view.setReflection(ReflectionNone);
    QImage frame = frameOf(view);
    EXPECT_EQ(jump(frame, 230), 0);
    EXPECT_EQ(frame.pixel(200, 230), qRgb(0, 0, 0));
    EXPECT_EQ(jump(frame, 100), 255); // the slide itself

    view.setReflection(ReflectionPlain);
    frame = frameOf(view);
    const int sharp = jump(frame, 230);
    EXPECT_GT(sharp, 80);
    EXPECT_EQ(jump(frame, 100), 255);

    view.setReflection(ReflectionBlurred);
    frame = frameOf(view);
    EXPECT_LT(jump(frame, 230), sharp / 2);
    EXPECT_GT(jump(frame, 230), 0);
    EXPECT_EQ(jump(frame, 100), 255);
}

TEST(PictureFlowRenderer, BackgroundChangePreparesTheReflectionsAgain) {
    QPictureFlow view;
    view.resize(400, 300);
    view.addSlide(filled(Qt::blue));
    EXPECT_EQ(qGreen(frameOf(view).pixel(200, 240)), 0);
    view.setBackgroundColor(QColor(0, 200, 0));
    const QImage frame = frameOf(view);
    EXPECT_EQ(frame.pixel(200, 5), qRgb(0, 200, 0));
    const QRgb reflection = frame.pixel(200, 240);
    EXPECT_GT(qGreen(reflection), 50); // fades into the new background
    EXPECT_GT(qBlue(reflection), 30);
}

TEST(PictureFlowRenderer, ResizeRebuildsTheFrame) {
    QPictureFlow view;
    view.resize(400, 300);
    view.addSlide(filled(Qt::red));
    EXPECT_EQ(frameOf(view).size(), QSize(400, 300));
    view.resize(240, 310);
    const QImage frame = frameOf(view);
    ASSERT_EQ(frame.size(), QSize(240, 310));
    EXPECT_EQ(frame.pixel(120, 155), qRgb(255, 0, 0));
    EXPECT_EQ(frame.pixel(120, 5), qRgb(0, 0, 0));
}

TEST(PictureFlowRenderer, MiddleSlideWiderThanTheViewHidesTheSideSlides) {
    // In a low view the side slides stand close to the middle: behind it, not over it.
    for (QSize size : {QSize(100, 300), QSize(100, 50), QSize(140, 30)}) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        QPictureFlow view;
        view.resize(size);
        view.addSlide(filled(Qt::green));
        view.addSlide(filled(Qt::red));
        view.addSlide(filled(Qt::green));
        view.setCenterIndex(1);
        const QImage frame = frameOf(view);
        const int middle = size.height() / 2;
        EXPECT_EQ(frame.pixel(size.width() / 2, middle), qRgb(255, 0, 0));
        EXPECT_EQ(frame.pixel(0, middle), qRgb(255, 0, 0));
        EXPECT_EQ(frame.pixel(size.width() - 1, middle), qRgb(255, 0, 0));
        EXPECT_EQ(countPixels(frame, [](QRgb c) { return qGreen(c) > 0; }), 0);
    }
}

TEST(PictureFlowRenderer, FramesDuringTravelShowBothSlides) {
    QPictureFlow view;
    view.resize(600, 300);
    view.addSlide(filled(Qt::red));
    view.addSlide(filled(Qt::blue));
    view.showNext();
    for (int tick = 0; tick < 4 && view.centerIndex() == 0; ++tick) {
        view.updateAnimation();
        const QImage frame = frameOf(view);
        EXPECT_GT(countPixels(frame, [](QRgb c) { return c == qRgb(255, 0, 0); }), 500);
        EXPECT_GT(countPixels(frame, [](QRgb c) { return c == qRgb(0, 0, 255); }), 500);
    }
    for (int tick = 0; tick < 1000; ++tick)
        view.updateAnimation();
    EXPECT_EQ(frameOf(view).pixel(300, 150), qRgb(0, 0, 255));
}

TEST(PictureFlowRenderer, ViewsOfAwkwardSizesRenderWithoutFault) {
    // Tiny views, a slide far wider than the view is high (the perspective divisor of the
    // middle slide's edge reaches 0 at 1 row and 683 pixels, and at 3 rows and 2048 pixels), and
    // far-off side slides whose positions overflow 32 bits when multiplied by the view height.
    struct Case {
        QSize view, slide;
    };
    const Case cases[] = {
        {{1, 1}, {150, 200}},   {{2, 2}, {150, 200}},   {{1, 300}, {150, 200}},
        {{300, 1}, {150, 200}}, {{3, 5}, {150, 200}},   {{300, 1}, {683, 20}},
        {{300, 3}, {2048, 20}}, {{300, 2}, {1365, 20}}, {{300, 1100}, {2000, 20}},
        {{0, 300}, {150, 200}}, {{300, 0}, {150, 200}}, {{50, 50}, {0, 0}},
        {{50, 50}, {1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.view.width() << "x" << c.view.height() << " slide "
                                        << c.slide.width() << "x" << c.slide.height());
        QPictureFlow view;
        view.resize(c.view);
        view.setSlideSize(c.slide);
        for (int i = 0; i < 5; ++i)
            view.addSlide(filled(Qt::white));
        view.addSlide(QImage());
        view.setCenterIndex(2);
        const QImage rest = frameOf(view);
        EXPECT_EQ(rest.size(), c.view.isEmpty() ? QSize(0, 0) : c.view);
        if (c.view.height() == 1) { // the two start rows cannot both lie inside
            EXPECT_EQ(countPixels(rest, [](QRgb p) { return p != qRgb(0, 0, 0); }), 0);
        }
        view.showSlide(5);
        for (int tick = 0; tick < 40; ++tick) {
            view.updateAnimation();
            frameOf(view);
        }
    }
}

TEST(PictureFlowRenderer, SlideSizeChangeKeepsStalePlacementsDrawable) {
    // The side slides keep the places computed for the old size until the layout is rebuilt;
    // at 443 rows the left slides' edge of a 1174-pixel slide then lies exactly in the eye.
    QPictureFlow view;
    view.resize(300, 443);
    for (int i = 0; i < 7; ++i)
        view.addSlide(filled(Qt::white));
    view.setCenterIndex(3);
    EXPECT_EQ(frameOf(view).pixel(150, 221), qRgb(255, 255, 255));
    view.setSlideSize(QSize(1174, 40));
    const QImage frame = frameOf(view);
    EXPECT_EQ(frame.size(), QSize(300, 443));
    EXPECT_EQ(frame.pixel(150, 221), qRgb(255, 255, 255)); // the middle slide, wider now
    view.setCenterIndex(3);                                // the layout for the new size
    EXPECT_EQ(frameOf(view).pixel(150, 221), qRgb(255, 255, 255));
}

TEST(PictureFlowRenderer, SlidesAddedAfterClearingAFarCentreShowOnTheLeftOnly) {
    QPictureFlow view;
    view.resize(900, 300);
    for (int i = 0; i < 10; ++i)
        view.addSlide(filled(Qt::blue));
    view.setCenterIndex(7);
    view.clear();
    for (int i = 0; i < 7; ++i)
        view.addSlide(filled(Qt::red));
    const QImage frame = frameOf(view);
    int left = 0, right = 0;
    for (int x = 0; x < 900; ++x)
        if (qRed(frame.pixel(x, 150)) > 0)
            (x < 450 ? left : right)++;
    EXPECT_EQ(frame.pixel(450, 150), qRgb(0, 0, 0)); // no slide 7
    EXPECT_GT(left, 100);
    EXPECT_EQ(right, 0);
    EXPECT_EQ(countPixels(frame, [](QRgb c) { return qBlue(c) > 0; }), 0);
}

// iq_app_bench: the application's own path around the engine on a large photo, on the real editing
// page (offscreen), its two image views and a real engine controller.
//
// Open: what the page does with a photo the read job delivered (both views take it, the engine
// controller copies it into its 24-bit buffer and its YUY2 frame, both views are fitted). Release:
// what a released luminance slider sets off (the denoiser takes the value, DenoiseOperation runs on
// the controller's pool, its result reaches the page's result slot, which copies it into the after
// view's image and renders it), until the after view's pixmap is in its scene and painted. The
// first release after an open estimates the noise profile; later ones reuse it.
//
// Each step is split into
//   conversion  open: the photo's ARGB to YUY2 conversion; release: the result's YUY2 to ARGB
//               conversion (both timed alone on the same frames);
//   engine      release: the job's time without its conversion (the engine call and its profile);
//   copy-in     open: the rest of the controller's taking of the photo (its 24-bit copy, its
//               frames and buffers; timed alone on a second controller until its pool is idle);
//               release: the page's result slot without the render;
//   render      open: both views' setImage and fit; release: the after view's refresh from its
//               image (timed alone right after, through updateFromData with nothing to copy);
//   shown       the whole step on the GUI thread until the after view has painted;
//   ready       open: until the engine controller's pool is idle as well (it may go on copying
//               the photo after the page has shown it); release: as shown.
// Every figure is the median over --runs runs, in milliseconds.
//
//   iq_app_bench [--photo FILE] [--size WxH] [--window WxH] [--runs N] [--later N] [--sigma S]
//                [--seed N]
//
// Without --photo the test photo of tests/data is used; the photo is mirror-tiled (or cropped) to
// --size (default 4000x3000) and seeded Gaussian noise is added. --window is the editing page's
// size (default 1171x620: the main window's first size below its menu bar).
#include "iqbgradata.h"
#include "iqeditingframe.h"
#include "iqenginecontroller.h"
#include "iqdenoiser.h"
#include "iqfitsize.h"
#include "iqframe.h"
#include "iqimagedisplaycontroller.h"
#include "nr_photo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGraphicsView>
#include <QImage>
#include <QImageReader>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

Q_DECLARE_METATYPE(const IQBGRAData*)

namespace {

struct Options {
    QString photo = QStringLiteral(IQ_APP_BENCH_PHOTO);
    QSize size{4000, 3000};
    QSize window{1171, 620};
    int runs = 5;
    int later = 3;
    double sigma = 10.0;
    unsigned seed = 1;
};

bool parseSize(const char* text, QSize* size) {
    int w = 0, h = 0;
    if (sscanf(text, "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0)
        return false;
    *size = QSize(w, h);
    return true;
}

bool parseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = v != nullptr;
        if (a == "--photo" && ok)
            o->photo = QString::fromLocal8Bit(v);
        else if (a == "--size" && ok)
            ok = parseSize(v, &o->size);
        else if (a == "--window" && ok)
            ok = parseSize(v, &o->window);
        else if (a == "--runs" && ok)
            o->runs = std::max(1, atoi(v));
        else if (a == "--later" && ok)
            o->later = std::max(1, atoi(v));
        else if (a == "--sigma" && ok)
            o->sigma = atof(v);
        else if (a == "--seed" && ok)
            o->seed = unsigned(strtoul(v, nullptr, 10));
        else
            ok = false;
        if (!ok) {
            fprintf(stderr,
                    "usage: iq_app_bench [--photo FILE] [--size WxH] [--window WxH] [--runs N]\n"
                    "                    [--later N] [--sigma S] [--seed N]\n");
            return false;
        }
        ++i;
    }
    return true;
}

// The photo mirror-tiled to `size` with seeded Gaussian noise, as the read job delivers it
// (32-bit ARGB, opaque).
QImage benchPhoto(const Options& o) {
    QImageReader reader(o.photo);
    reader.setAutoTransform(true);
    const QImage read = reader.read().convertToFormat(QImage::Format_ARGB32);
    if (read.isNull())
        return QImage();
    QImage photo(o.size, QImage::Format_ARGB32);
    std::mt19937 random(o.seed);
    std::normal_distribution<double> noise(0.0, o.sigma);
    auto noisy = [&](int v) {
        const double n = v + noise(random);
        return n < 0 ? 0 : n > 255 ? 255 : int(n + 0.5);
    };
    for (int y = 0; y < photo.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(
            read.constScanLine(nr_mirror_tile_index(y, read.height())));
        auto* to = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            const QRgb p = from[nr_mirror_tile_index(x, read.width())];
            to[x] = qRgb(noisy(qRed(p)), noisy(qGreen(p)), noisy(qBlue(p)));
        }
    }
    return photo;
}

double ms(const QElapsedTimer& t) {
    return t.nsecsElapsed() / 1e6;
}

double median(std::vector<double> v) {
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The figures of one kind of step, one entry per run.
struct Step {
    std::vector<double> conversion, engine, copyIn, render, shown, ready;
};

void printStep(const char* name, const Step& s) {
    printf("%-15s %10.1f %8.1f %8.1f %8.1f %8.1f %8.1f\n", name, median(s.conversion),
           median(s.engine), median(s.copyIn), median(s.render), median(s.shown), median(s.ready));
}

// Lets the views paint what they were given.
void paintViews(QGraphicsView* view) {
    QCoreApplication::sendPostedEvents();
    view->viewport()->repaint();
    QCoreApplication::processEvents();
}

class Bench {
public:
    Bench(const Options& o, const QImage& photo) : options(o), photo(photo) {
        page.resize(o.window);
        page.show();
        if (!QTest::qWaitForWindowExposed(&page))
            fprintf(stderr, "the page was not exposed\n");
        afterView = page.findChild<QGraphicsView*>(QStringLiteral("graphicsView"));
        after = page.afterController();
        before = page.beforeController();
        // The page's own slot takes the results, as it does when it owns the controller; the
        // bench's probes around it note when the result arrived and when the slot was done.
        QObject::connect(&controller, &IQEngineController::processYUVFinished,
                         [this](const IQBGRAData*, int) { arrived = clock.nsecsElapsed() / 1e6; });
        QObject::connect(&controller, &IQEngineController::processYUVFinished, &page,
                         &IQEditingFrame::yuvAlgorithmFinished);
        QObject::connect(&controller, &IQEngineController::processYUVFinished,
                         [this](const IQBGRAData* d, int e) {
                             handled = clock.nsecsElapsed() / 1e6;
                             errorCode = d ? e : -1;
                         });
    }

    QSize afterViewSize() const { return afterView->size(); }

    // What the page does with a photo the read job delivered.
    void open() {
        QElapsedTimer t;
        t.start();
        after->setImage(photo);
        before->setImage(photo);
        const double views = ms(t);
        t.restart();
        controller.setImage(photo);
        const double handedOver = ms(t);
        t.restart();
        fit(after);
        fit(before);
        const double fitted = ms(t);
        t.restart();
        paintViews(afterView);
        const double shown = views + handedOver + fitted + ms(t);
        // The controller may go on copying the photo on its pool meanwhile.
        t.restart();
        controller.waitForIdle();
        const double ready = shown + ms(t);

        // The controller's part alone, and the conversion alone on a frame of its kind.
        {
            IQEngineController alone;
            t.restart();
            alone.setImage(photo);
            alone.waitForIdle();
        }
        const double controllerPart = ms(t);
        NrFrame* frame = createFrame(NR_FORMAT_YUY2, photo.width(), photo.height());
        t.restart();
        fillFrameFromImage(photo, frame);
        const double conversion = ms(t);
        freeFrame(frame);

        opened.conversion.push_back(conversion);
        opened.engine.push_back(0.0);
        opened.copyIn.push_back(std::max(0.0, controllerPart - conversion));
        opened.render.push_back(views + fitted);
        opened.shown.push_back(shown);
        opened.ready.push_back(ready);
    }

    // A released luminance slider at `value`.
    bool release(int value, Step* step) {
        arrived = handled = -1.0;
        errorCode = 0;
        clock.start();
        controller.denoiser()->setLuminance(value);
        controller.startOperation(IQEngineController::DenoiseOperation);
        while (handled < 0.0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        paintViews(afterView);
        const double shown = ms(clock);
        if (errorCode != 0)
            return false;

        // The result's conversion alone, from the controller's own result frame.
        std::vector<uchar> argb(size_t(4) * photo.width() * photo.height());
        QElapsedTimer t;
        t.start();
        frameToArgb(argb.data(), controller.resultFrameData());
        const double conversion = ms(t);
        // The render alone: a refresh from the held image with nothing copied in.
        t.restart();
        after->updateFromData(nullptr, 0, 0, 0, QImage::Format_Invalid);
        const double render = ms(t);
        paintViews(afterView);

        step->conversion.push_back(conversion);
        step->engine.push_back(std::max(0.0, arrived - conversion));
        step->copyIn.push_back(std::max(0.0, handled - arrived - render));
        step->render.push_back(render);
        step->shown.push_back(shown);
        step->ready.push_back(shown);
        return true;
    }

    bool run() {
        for (int r = 0; r < options.runs; ++r) {
            open();
            if (!release(40, &first))
                return false;
            for (int i = 0; i < options.later; ++i)
                if (!release(41 + i, &later))
                    return false;
        }
        return true;
    }

    void print() const {
        printf("%-15s %10s %8s %8s %8s %8s %8s   (ms, median of %d runs)\n", "step", "conversion",
               "engine", "copy-in", "render", "shown", "ready", options.runs);
        printStep("open", opened);
        printStep("first release", first);
        printStep("later release", later);
    }

private:
    // Fit mode: the scale at which the image fits its view, never above 100 %.
    void fit(IQImageDisplayController* c) {
        const QGraphicsView* v = c->graphicsView();
        c->setScale(
            std::min(1.0, fitScaleFactor(c->currentImage().size(),
                                         QRect(0, 0, v->width(), v->height()), nullptr, nullptr)));
    }

    Options options;
    QImage photo;
    IQEditingFrame page;
    QGraphicsView* afterView = nullptr;
    IQImageDisplayController* after = nullptr;
    IQImageDisplayController* before = nullptr;
    IQEngineController controller;
    QElapsedTimer clock;
    double arrived = -1.0, handled = -1.0;
    int errorCode = 0;
    Step opened, first, later;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The views' zoom steps write a debug line each; only warnings are shown.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    qRegisterMetaType<const IQBGRAData*>();
    Options options;
    if (!parseOptions(argc, argv, &options))
        return 2;
    const QImage photo = benchPhoto(options);
    if (photo.isNull()) {
        fprintf(stderr, "cannot read %s\n", qPrintable(options.photo));
        return 1;
    }
    Bench bench(options, photo);
    printf("photo %s, %d x %d, after view %d x %d in a %d x %d page\n", qPrintable(options.photo),
           photo.width(), photo.height(), bench.afterViewSize().width(),
           bench.afterViewSize().height(), options.window.width(), options.window.height());
    if (!bench.run()) {
        fprintf(stderr, "a denoise run failed\n");
        return 1;
    }
    bench.print();
    return 0;
}

#ifndef QPICTUREFLOWSOFTWARERENDERER_H
#define QPICTUREFLOWSOFTWARERENDERER_H

#include "qpictureflowabstractrenderer.h"
#include "qpictureflowstate.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QVector>

#include <memory>

// Draws the cover-flow view without graphics hardware. Every slide is prepared once as a
// transposed surface (slide column x becomes surface row x) with its reflection, so that a screen
// column reads one contiguous scan line; each frame is then drawn column by column with integer
// perspective arithmetic, slides nearer the middle hiding farther ones.
class QPictureFlowSoftwareRenderer : public QPictureFlowAbstractRenderer {
public:
    static constexpr int kMaxPreparedSurfaces = 100;

    QPictureFlowSoftwareRenderer();
    ~QPictureFlowSoftwareRenderer() override;

    void init() override;
    void paint() override;
    void forgetSlide(int index) override;
    void forgetAllSlides() override;

    // Bring the frame up to date for the widget's size and the state (what paint() shows).
    void updateFrame();
    const QImage& frameBuffer() const { return m_frameBuffer; }
    int preparedSurfaceCount() const { return m_preparedSurfaces.size(); }

    // c1 * blend / 256 + c2 * (256 - blend) / 256 per colour, each term truncated; opaque.
    static QRgb blendRgb(QRgb c1, QRgb c2, int blend);

    // The surface of an image shown as a w x h slide: 2h wide and w high, the first h / 3
    // columns background, then the slide transposed, then its reflection fading into the
    // background (none, sharp or blurred after `effect`).
    static QImage prepareSlideSurface(const QImage& image, int w, int h, QRgb background,
                                      int effect);

private:
    void renderAllSlides();
    QRect renderSlideColumns(const SlidePlacement& slide, int col1, int col2);
    const QImage* slideSurface(int index);
    void buildPlaceholderSurface();

    QSize m_bufferSize{0, 0};
    QRgb m_cachedBackground = 0;
    int m_cachedEffect = -1;
    QImage m_frameBuffer;
    QVector<int> m_columnRays; // horizontal slope of each screen column's line of sight, fixed
    std::unique_ptr<QImage> m_placeholderSurface;
    QCache<int, QImage> m_preparedSurfaces;
    // The slide image each cached surface was made from, for identity only.
    QHash<int, const QImage*> m_sourceImages;
};

#endif // QPICTUREFLOWSOFTWARERENDERER_H

#include "iqfitsize.h"

#include <algorithm>

double fitScaleFactor(QSize imageSize, const QRect& view, double* fittedWidth, double* fittedHeight)
{
    const double viewWidth = view.right() - view.left() + 1;
    const double viewHeight = view.bottom() - view.top() + 1;
    const double imageWidth = imageSize.width();
    const double imageHeight = imageSize.height();
    if (imageWidth > viewWidth || imageHeight > viewHeight) {
        const double f = std::min(viewWidth / imageWidth, viewHeight / imageHeight);
        if (fittedWidth)
            *fittedWidth = imageWidth * f;
        if (fittedHeight)
            *fittedHeight = imageHeight * f;
        return f - 0.001;
    }
    if (fittedWidth)
        *fittedWidth = imageWidth;
    if (fittedHeight)
        *fittedHeight = imageHeight;
    return 1.0;
}

static void scaleSize(int* width, int* height, double f)
{
    *width = static_cast<int>(*width * f + 0.5);
    *height = static_cast<int>(*height * f + 0.5);
}

double fitSizeWithin(int* width, int* height, int maxWidth, int maxHeight)
{
    if (*width == 0 || *height == 0)
        return 0.0;
    const double f = std::min(static_cast<double>(maxWidth) / *width, static_cast<double>(maxHeight) / *height);
    scaleSize(width, height, f);
    return f;
}

double fitSizeCovering(int* width, int* height, int maxWidth, int maxHeight, bool allowEnlarge)
{
    if (*width == 0 || *height == 0)
        return 0.0;
    const double f = std::max(static_cast<double>(maxWidth) / *width, static_cast<double>(maxHeight) / *height);
    if (f >= 1.0 && !allowEnlarge)
        return 1.0;
    scaleSize(width, height, f);
    return f;
}

#pragma once

#include <QRect>
#include <QSize>

// Fits an image into a view (inclusive rectangle). When the image is larger than the view on
// either side, the fitted sizes use the factor that makes it fit and the result is that factor
// less 0.001; otherwise the fitted sizes are the image's own and the result is 1.0. Null output
// pointers are skipped.
double fitScaleFactor(QSize imageSize, const QRect& view, double* fittedWidth, double* fittedHeight);

// Scales (width, height) to fit within (maxWidth, maxHeight), enlarging as well as shrinking;
// returns the factor. A zero size returns 0.0 and changes nothing.
double fitSizeWithin(int* width, int* height, int maxWidth, int maxHeight);

// Scales (width, height) to cover (maxWidth, maxHeight); without allowEnlarge a factor of 1.0 or
// more returns 1.0 and changes nothing. A zero size returns 0.0 and changes nothing.
double fitSizeCovering(int* width, int* height, int maxWidth, int maxHeight, bool allowEnlarge);

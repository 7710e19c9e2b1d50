#pragma once

#include <QIcon>
#include <QImage>

// The 120 x 120 thumbnail tile of the photo strips: transparent, with the picture fitted and
// centred in the 110 x 110 square at its top (5 px in from left and right), leaving room below.
// Safe off the GUI thread on the raster platforms this program runs on.
QIcon thumbnailTile(const QImage& picture);

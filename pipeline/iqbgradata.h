#pragma once

#include "iqbgrdata.h"

// A 32-bit pixel buffer in libyuv's ARGB order (bytes B, G, R, A), bytesPerLine = 4 x width:
// the memory layout of QImage::Format_ARGB32 on little-endian machines.
class IQBGRAData : public IQBGRData
{
public:
    IQBGRAData(int width, int height);

    IQBGRData* clone() const override;

private:
    IQBGRAData() = default;
};

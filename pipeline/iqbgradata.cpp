#include "iqbgradata.h"

#include <cstring>

IQBGRAData::IQBGRAData(int width, int height)
{
    allocate(width, height, 4LL * width);
}

IQBGRData* IQBGRAData::clone() const
{
    auto* copy = new IQBGRAData;
    copy->allocate(width, height, bytesPerLine);
    if (copy->data)
        memcpy(copy->data, data, static_cast<size_t>(byteCount()));
    return copy;
}

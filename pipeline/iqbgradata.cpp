#include "iqbgradata.h"

IQBGRAData::IQBGRAData(int width, int height)
{
    allocate(width, height, 4LL * width);
}

IQBGRData* IQBGRAData::clone() const
{
    auto* copy = new IQBGRAData;
    copy->copyFrom(*this);
    return copy;
}

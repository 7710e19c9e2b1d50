#include "iqbgrdata.h"

#include <climits>
#include <cstdlib>
#include <cstring>

IQBGRData::IQBGRData() = default;

IQBGRData::IQBGRData(int width, int height)
{
    // 24-bit rows padded up to whole 32-bit words.
    allocate(width, height, (static_cast<long long>(width) * 24 + 31) / 32 * 4);
}

IQBGRData::~IQBGRData()
{
    free(data);
}

void IQBGRData::allocate(int w, int h, long long stride)
{
    if (w <= 0 || h <= 0 || stride > INT_MAX || stride * h > INT_MAX)
        return;
    data = static_cast<unsigned char*>(malloc(static_cast<size_t>(stride) * h));
    if (!data)
        return;
    width = w;
    height = h;
    bytesPerLine = static_cast<int>(stride);
}

long long IQBGRData::byteCount() const
{
    return data ? static_cast<long long>(bytesPerLine) * height : 0;
}

void IQBGRData::copyFrom(const IQBGRData& other)
{
    allocate(other.width, other.height, other.bytesPerLine);
    if (data)
        memcpy(data, other.data, static_cast<size_t>(byteCount()));
}

IQBGRData* IQBGRData::clone() const
{
    auto* copy = new IQBGRData;
    copy->copyFrom(*this);
    return copy;
}

#pragma once

// A 24-bit pixel buffer: 3 bytes per pixel (B, G, R), rows padded to 4 bytes. The buffer owns its
// pixel block (malloc'ed, released by the destructor).
class IQBGRData
{
public:
    IQBGRData();
    IQBGRData(int width, int height);
    virtual ~IQBGRData();

    // A new buffer of the same class, size and stride with a copy of the whole block (padding
    // included). The caller owns it.
    virtual IQBGRData* clone() const;

    // Bytes in the pixel block: height x bytesPerLine, 0 when nothing is allocated.
    long long byteCount() const;

    unsigned char* data = nullptr;
    int width = 0;
    int height = 0;
    int bytesPerLine = 0;

protected:
    // Allocates height x bytesPerLine bytes; leaves everything empty (data null, sizes 0) when
    // the sizes are not positive, the byte count leaves the int range or malloc fails.
    void allocate(int width, int height, long long bytesPerLine);
    // Takes the sizes of `other` and a copy of its whole block (padding included); stays empty
    // when the copy cannot be allocated. Used by clone().
    void copyFrom(const IQBGRData& other);

    IQBGRData(const IQBGRData&) = delete;
    IQBGRData& operator=(const IQBGRData&) = delete;
};

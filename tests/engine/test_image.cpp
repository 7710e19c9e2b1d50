// Formats and image descriptors: the format table round trip, allocation sizes and errors, plane
// resolution, copy, offset, pixel access and the checked band wrappers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "nr_image.h"
#include "nr_runtime.h"

namespace {

struct Owned {
    NrImage image{};
    ~Owned() { nr_image_free(nullptr, &image); }
};

const int32_t kSupported[] = {1, 2, 4, 6, 7, 8, 9, 10, 12, 13, 14};

TEST(FormatTable, InternalAndIndexedFormsRoundTrip) {
    for (int32_t index : kSupported) {
        const NrFormat code = nr_format_code(index);
        ASSERT_NE(code, 0u) << index;
        EXPECT_EQ(nr_format_index(code), index);
        const int32_t bytes = nr_format_bytes(code);
        uint8_t buffer[64];
        NrImage indexed{};
        indexed.width = 8;
        indexed.height = 4;
        indexed.format = static_cast<uint32_t>(index);
        if (nr_format_is_planar(code)) {
            for (int i = 0; i < 3; ++i) {
                indexed.planes[i] = buffer + i;
                indexed.strides[i] = (16 >> (i ? 1 : 0)) * bytes;
            }
        } else {
            indexed.data = buffer;
            indexed.strides[0] = 48 * bytes;
        }
        NrImage internal, back;
        nr_image_to_internal(&internal, &indexed);
        EXPECT_EQ(internal.format, code);
        EXPECT_EQ(internal.strides[0] * bytes, indexed.strides[0]);
        nr_image_to_indexed(&back, &internal);
        EXPECT_EQ(back.format, indexed.format) << index;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(back.strides[i], indexed.strides[i]) << index << " stride " << i;
            EXPECT_EQ(back.planes[i], indexed.planes[i]);
        }
        EXPECT_EQ(back.data, indexed.data);
    }
    // The 16-bit format counts strides in samples inside the engine.
    NrImage wide{}, internal;
    wide.format = 6;
    wide.strides[0] = 96;
    nr_image_to_internal(&internal, &wide);
    EXPECT_EQ(internal.strides[0], 48);
}

TEST(FormatTable, UnsupportedIndicesAndCodes) {
    for (int32_t index : {0, 3, 5, 11, 15, -1, 1000}) {
        EXPECT_EQ(nr_format_code(index), 0u) << index;
        Owned o;
        EXPECT_EQ(nr_image_alloc_indexed(nullptr, &o.image, index, 16, 16), NR_ERR_FORMAT);
        EXPECT_EQ(o.image.data, nullptr);
    }
    EXPECT_EQ(nr_format_index(0x12345678u), 0);
    EXPECT_EQ(nr_format_index(0), 0);
    NrImage in{}, out;
    in.format = 3;
    in.strides[0] = 30;
    nr_image_to_internal(&out, &in);
    EXPECT_EQ(out.format, 0u);
    EXPECT_EQ(out.strides[0], 30); // nothing divided for code 0
}

TEST(FormatTable, FramesConvertToIndexedDescriptors) {
    uint8_t y[4], u[4], v[4];
    struct Case {
        uint32_t format;
        int32_t index;
        bool planar;
    } cases[] = {{NR_FORMAT_YUV444, 4, false}, {NR_FORMAT_YUY2, 12, false},
                 {NR_FORMAT_UYVY, 2, false},   {NR_FORMAT_I420, 10, true},
                 {NR_FORMAT_NV12, 8, true},    {NR_FORMAT_NV21, 14, true}};
    for (const Case& c : cases) {
        NrFrame frame{};
        frame.format = c.format;
        frame.width = 6;
        frame.height = 5;
        frame.planes[0] = y;
        frame.planes[1] = u;
        frame.planes[2] = v;
        frame.strides[0] = 40;
        frame.strides[1] = 20;
        frame.strides[2] = 24;
        NrImage image;
        ASSERT_EQ(nr_image_from_frame(&frame, &image), NR_OK);
        EXPECT_EQ(image.format, static_cast<uint32_t>(c.index));
        EXPECT_EQ(image.width, 6);
        EXPECT_EQ(image.height, 5);
        EXPECT_EQ(image.strides[0], 40);
        if (c.planar) {
            EXPECT_EQ(image.planes[0], y);
            EXPECT_EQ(image.planes[1], u);
            EXPECT_EQ(image.strides[1], 20);
            const bool three = c.format == NR_FORMAT_I420;
            EXPECT_EQ(image.planes[2], three ? v : nullptr);
            EXPECT_EQ(image.strides[2], three ? 24 : 0);
        } else {
            EXPECT_EQ(image.data, y);
            EXPECT_EQ(image.planes[0], nullptr);
            EXPECT_EQ(image.strides[1], 0);
        }
    }
    NrFrame bad{};
    bad.format = 0x402;
    NrImage image;
    EXPECT_EQ(nr_image_from_frame(&bad, &image), NR_ERR_FORMAT);
    EXPECT_EQ(nr_image_from_frame(nullptr, &image), NR_ERR_INVALID_ARG);
}

// Fills every sample of every plane the resolved descriptor claims: the sanitizer reports any
// plane that reaches past the allocated buffer.
void touch_all_planes(NrImage image) {
    ASSERT_EQ(nr_image_resolve_planes(&image), NR_OK);
    const NrFormat code = image.format;
    const int32_t b = nr_format_bytes(code);
    if (!nr_format_is_planar(code)) {
        const int32_t k = nr_format_family(code) == 0 ? nr_format_channels(code) : 2;
        for (int32_t y = 0; y < image.height; ++y) {
            std::memset(image.data + static_cast<size_t>(y) * image.strides[0] * b, 0x5a,
                        static_cast<size_t>(image.width) * k * b);
        }
        return;
    }
    const uint32_t family = nr_format_family(code);
    int32_t cw = image.width, ch = image.height, planes = 3;
    if (family == 0x20) {
        cw /= 2;
    } else if (family == 0x40) {
        cw /= 2;
        ch /= 2;
    } else if (family == 0x41 || family == 0x42) {
        ch /= 2;
        planes = 2;
    }
    if (nr_format_channels(code) == 1) {
        planes = 1;
    }
    for (int32_t p = 0; p < planes; ++p) {
        const int32_t w = p ? cw : image.width;
        const int32_t h = p ? ch : image.height;
        ASSERT_NE(image.planes[p], nullptr);
        for (int32_t y = 0; y < h; ++y) {
            std::memset(image.planes[p] + static_cast<size_t>(y) * image.strides[p] * b, 0xa5,
                        static_cast<size_t>(w) * b);
        }
    }
}

TEST(ImageAlloc, SizeAndErrorTable) {
    struct Case {
        NrFormat code;
        int32_t width, height;
        int32_t status;
        int32_t stride; // packed stride in samples on success
    } cases[] = {
        {NR_CODE_YUY2, 3, 5, NR_OK, 8},                // 2 x 3 samples rounded up to 8
        {NR_CODE_YUY2, 640, 480, NR_OK, 1280},         //
        {NR_CODE_UYVY, 1, 1, NR_OK, 4},                //
        {NR_CODE_YUV444, 5, 3, NR_OK, 16},             // 15 samples rounded up to 16
        {0x00002023u, 5, 3, NR_OK, 16},                // 16-bit: stride in samples
        {0x22000013u, 8, 2, NR_OK, 16},                //
        {NR_CODE_I420, 24, 6, NR_OK, 24},              // chroma width 12
        {NR_CODE_I420, 20, 6, NR_ERR_SIZE, 0},         // chroma width 10
        {NR_CODE_I420, 8, 1, NR_OK, 8},                // chroma of height 0
        {NR_CODE_NV12, 8, 3, NR_OK, 8},                //
        {NR_CODE_NV21, 6, 4, NR_ERR_SIZE, 0},          // pair rows of 6
        {0x30000013u, 16, 3, NR_OK, 16},               // planar 4:2:2, chroma width 8
        {0x30000013u, 12, 3, NR_ERR_SIZE, 0},          // chroma width 6
        {0x10000011u, 7, 3, NR_OK, 7},                 // one grey plane: no chroma rule
        {NR_CODE_YUY2, 0, 5, NR_ERR_SIZE, 0},          //
        {NR_CODE_YUY2, 5, -1, NR_ERR_SIZE, 0},         //
        {NR_CODE_YUY2, 0x40000000, 1, NR_ERR_SIZE, 0}, // stride beyond 32 bits
        {0x01000013u, 4, 4, NR_OK, 8},                 // family 0x01: two samples per pixel
        {0x05000013u, 4, 4, NR_ERR_FORMAT, 0},         // unknown packed family
        {0x11000013u, 8, 4, NR_ERR_FORMAT, 0},         // unknown planar family
        {0, 4, 4, NR_ERR_FORMAT, 0},                   //
    };
    for (const Case& c : cases) {
        Owned o;
        const int32_t status = nr_image_alloc(nullptr, &o.image, c.code, c.width, c.height);
        EXPECT_EQ(status, c.status)
            << std::hex << c.code << std::dec << " " << c.width << "x" << c.height;
        if (status != NR_OK) {
            EXPECT_EQ(o.image.data, nullptr);
            continue;
        }
        EXPECT_EQ(o.image.strides[0], c.stride);
        EXPECT_EQ(o.image.format, c.code);
        EXPECT_EQ(o.image.planes[0], nullptr);
        touch_all_planes(o.image);
    }
}

TEST(ImageAlloc, FailedAllocationReportsNoMemoryAndLeavesNoBuffer) {
    Owned o;
    o.image.data = reinterpret_cast<uint8_t*>(&o); // a stale pointer is cleared
    nr_test_fail_alloc_after(0);
    EXPECT_EQ(nr_image_alloc(nullptr, &o.image, NR_CODE_YUY2, 16, 16), NR_ERR_NO_MEMORY);
    nr_test_fail_alloc_after(-1);
    EXPECT_EQ(o.image.data, nullptr);
}

TEST(ImageAlloc, IndexedAllocationGivesByteStrides) {
    Owned o;
    ASSERT_EQ(nr_image_alloc_indexed(nullptr, &o.image, 6, 5, 2), NR_OK);
    EXPECT_EQ(o.image.format, 6u);
    EXPECT_EQ(o.image.strides[0], 32); // 16 samples of 2 bytes
    Owned i420;
    EXPECT_EQ(nr_image_alloc_indexed(nullptr, &i420.image, 10, 20, 4), NR_ERR_SIZE);
    EXPECT_EQ(nr_image_alloc_indexed(nullptr, &i420.image, 10, 24, 4), NR_OK);
}

TEST(ImageResolve, AllocatedPlanarBuffersSplitTightly) {
    Owned o;
    ASSERT_EQ(nr_image_alloc(nullptr, &o.image, NR_CODE_I420, 16, 6), NR_OK);
    NrImage r = o.image;
    ASSERT_EQ(nr_image_resolve_planes(&r), NR_OK);
    EXPECT_EQ(r.planes[0], o.image.data);
    EXPECT_EQ(r.planes[1], o.image.data + 96);
    EXPECT_EQ(r.planes[2], o.image.data + 96 + 24);
    EXPECT_EQ(r.strides[1], 8);
    EXPECT_EQ(r.strides[2], 8);

    Owned nv;
    ASSERT_EQ(nr_image_alloc(nullptr, &nv.image, NR_CODE_NV21, 8, 4), NR_OK);
    r = nv.image;
    ASSERT_EQ(nr_image_resolve_planes(&r), NR_OK);
    EXPECT_EQ(r.planes[1], nv.image.data + 32);
    EXPECT_EQ(r.strides[1], 8);
    EXPECT_EQ(r.planes[2], nullptr);

    Owned full;
    ASSERT_EQ(nr_image_alloc(nullptr, &full.image, 0x10000013u, 4, 2), NR_OK);
    r = full.image;
    ASSERT_EQ(nr_image_resolve_planes(&r), NR_OK);
    EXPECT_EQ(r.planes[2], full.image.data + 16);
    EXPECT_EQ(r.strides[2], 4);
}

TEST(ImageResolve, SetPlanarViewsAreTidiedAndUnknownFamiliesRefused) {
    uint8_t buf[16];
    NrImage nv{};
    nv.format = NR_CODE_NV12;
    nv.planes[0] = buf;
    nv.planes[1] = buf + 4;
    nv.planes[2] = buf + 8;
    nv.planes[3] = buf + 12;
    ASSERT_EQ(nr_image_resolve_planes(&nv), NR_OK);
    EXPECT_EQ(nv.planes[1], buf + 4);
    EXPECT_EQ(nv.planes[2], nullptr);
    EXPECT_EQ(nv.planes[3], nullptr);

    NrImage grey{};
    grey.format = 0x10000011u;
    grey.planes[0] = buf;
    grey.planes[1] = buf + 1;
    ASSERT_EQ(nr_image_resolve_planes(&grey), NR_OK);
    EXPECT_EQ(grey.planes[1], nullptr);

    NrImage unknown{};
    unknown.format = 0x11000013u;
    unknown.width = 4;
    unknown.height = 4;
    unknown.data = buf;
    unknown.strides[0] = 4;
    NrImage before = unknown;
    EXPECT_EQ(nr_image_resolve_planes(&unknown), NR_ERR_FORMAT);
    EXPECT_EQ(std::memcmp(&before, &unknown, sizeof(NrImage)), 0);

    NrImage packed{};
    packed.format = NR_CODE_YUY2;
    packed.data = buf;
    EXPECT_EQ(nr_image_resolve_planes(&packed), NR_OK);
    EXPECT_EQ(packed.planes[0], nullptr);
}

// A buffer whose byte i holds i, viewed as any of the pixel layouts: packed rows of 40 bytes, or
// planes at 0 (stride 20), 100 and 150 (stride 10).
struct Canvas {
    std::vector<uint8_t> buf = std::vector<uint8_t>(256);
    Canvas() {
        for (size_t i = 0; i < buf.size(); ++i) {
            buf[i] = static_cast<uint8_t>(i);
        }
    }
    NrImage view(NrFormat code) {
        NrImage im{};
        im.format = code;
        im.width = 16;
        im.height = 4;
        if (nr_format_is_planar(code)) {
            im.planes[0] = buf.data();
            im.planes[1] = buf.data() + 100;
            im.strides[0] = 20;
            im.strides[1] = 10;
            if (nr_format_family(code) != 0x41 && nr_format_family(code) != 0x42) {
                im.planes[2] = buf.data() + 150;
                im.strides[2] = 10;
            }
        } else {
            im.data = buf.data();
            im.strides[0] = 40;
        }
        return im;
    }
};

constexpr uint32_t yuv(uint32_t y, uint32_t u, uint32_t v) {
    return y << 16 | u << 8 | v;
}

struct PixelCase {
    NrFormat code;
    int32_t x, y;
    uint32_t value;
};

const PixelCase kPixelCases[] = {
    {0x00000013u, 5, 1, yuv(55, 56, 57)},    {0x00500013u, 2, 0, yuv(6, 7, 8)},
    {0x00200013u, 0, 3, yuv(120, 121, 122)}, {0x20000013u, 3, 1, yuv(46, 45, 47)},
    {0x20000013u, 2, 0, yuv(4, 5, 7)},       {0x21000013u, 3, 0, yuv(7, 4, 6)},
    {0x22000013u, 11, 1, yuv(59, 65, 69)},   {0x22000013u, 0, 0, yuv(0, 8, 12)},
    {0x23000013u, 3, 0, yuv(5, 6, 7)},       {0x24000013u, 3, 0, yuv(4, 7, 5)},
    {0x24000013u, 2, 0, yuv(6, 7, 5)},       {0x10000011u, 3, 2, yuv(43, 0, 0)},
    {0x10000013u, 3, 2, yuv(43, 123, 173)},  {0x10200013u, 3, 2, yuv(43, 123, 173)},
    {0x30000013u, 5, 2, yuv(45, 122, 172)},  {0x50000013u, 5, 3, yuv(65, 112, 162)},
    {0x51000013u, 5, 3, yuv(65, 114, 115)},  {0x52800013u, 5, 3, yuv(65, 115, 114)},
};

TEST(ImagePixels, GetReadsTheDocumentedBytes) {
    Canvas canvas;
    for (const PixelCase& c : kPixelCases) {
        NrImage im = canvas.view(c.code);
        EXPECT_EQ(nr_image_get_pixel(&im, c.x, c.y), c.value)
            << std::hex << c.code << std::dec << " (" << c.x << ", " << c.y << ")";
    }
    NrImage unknown = canvas.view(0x12000013u);
    EXPECT_EQ(nr_image_get_pixel(&unknown, 0, 0), 0u);
    NrImage bad_planar = canvas.view(0x11000013u);
    bad_planar.planes[0] = nullptr;
    EXPECT_EQ(nr_image_get_pixel(&bad_planar, 0, 0), 0u); // resolution fails
    NrImage yuy2 = canvas.view(NR_CODE_YUY2);
    EXPECT_EQ(nr_image_get_pixel(&yuy2, 16, 0), 0u); // outside the image
    EXPECT_EQ(nr_image_get_pixel(&yuy2, -1, 0), 0u);
}

TEST(ImagePixels, SetWritesWhatGetReadsAndOnlyThere) {
    for (const PixelCase& c : kPixelCases) {
        Canvas canvas;
        NrImage im = canvas.view(c.code);
        const std::vector<uint8_t> before = canvas.buf;
        const uint32_t value = yuv(0xe1, 0xe2, 0xe3);
        nr_image_set_pixel(&im, c.x, c.y, value);
        const bool writes = c.code != 0x10200013u && c.code != 0x23000013u && c.code != 0x24000013u;
        size_t changed = 0;
        for (size_t i = 0; i < before.size(); ++i) {
            changed += before[i] != canvas.buf[i];
        }
        if (!writes) {
            EXPECT_EQ(changed, 0u) << std::hex << c.code;
            continue;
        }
        const uint32_t expected = c.code == 0x10000011u ? yuv(0xe1, 0, 0) : value;
        EXPECT_EQ(nr_image_get_pixel(&im, c.x, c.y), expected) << std::hex << c.code;
        EXPECT_EQ(changed, c.code == 0x10000011u ? 1u : 3u) << std::hex << c.code;
    }
    Canvas canvas;
    NrImage im = canvas.view(NR_CODE_YUY2);
    const std::vector<uint8_t> before = canvas.buf;
    nr_image_set_pixel(&im, 16, 0, 0xffffff);
    nr_image_set_pixel(&im, 0, 4, 0xffffff);
    EXPECT_EQ(canvas.buf, before);
}

TEST(ImageOffset, AViewStartsAtThePixel) {
    struct Case {
        NrFormat code;
        int32_t x, y;
    } cases[] = {{NR_CODE_YUV444, 3, 1}, {NR_CODE_YUY2, 4, 1}, {NR_CODE_UYVY, 2, 3},
                 {0x22000013u, 8, 1},    {NR_CODE_I420, 4, 2}, {NR_CODE_NV12, 6, 2},
                 {NR_CODE_NV21, 2, 2},   {0x10000013u, 3, 3},  {0x30000013u, 4, 1}};
    for (const Case& c : cases) {
        Canvas canvas;
        NrImage im = canvas.view(c.code);
        NrImage view = im;
        ASSERT_EQ(nr_image_offset(&view, c.x, c.y), NR_OK);
        for (int32_t dy = 0; dy + c.y < 4 && dy < 2; dy += 2) {
            for (int32_t dx = 0; dx + c.x < 16; dx += 2) {
                EXPECT_EQ(nr_image_get_pixel(&view, dx, dy),
                          nr_image_get_pixel(&im, c.x + dx, c.y + dy))
                    << std::hex << c.code << std::dec << " +" << dx << "," << dy;
            }
        }
    }
    // The indexed form: byte strides in and out.
    Owned o;
    ASSERT_EQ(nr_image_alloc_indexed(nullptr, &o.image, 12, 8, 4), NR_OK);
    NrImage at;
    ASSERT_EQ(nr_image_view_at(&at, &o.image, 2, 3), NR_OK);
    EXPECT_EQ(at.format, 12u);
    EXPECT_EQ(at.data, o.image.data + 4 + 3 * 16);
    EXPECT_EQ(at.strides[0], 16);
}

TEST(ImageCopy, CopiesEveryPlaneWithItsOwnStrides) {
    struct Case {
        NrFormat code;
        int32_t width, height;
    } cases[] = {{NR_CODE_YUY2, 6, 3}, {NR_CODE_YUV444, 5, 2}, {NR_CODE_I420, 16, 6},
                 {NR_CODE_NV12, 8, 4}, {NR_CODE_NV21, 12, 2},  {0x30000013u, 8, 3},
                 {0x10000013u, 4, 3},  {0x10000011u, 3, 3}};
    for (const Case& c : cases) {
        Owned a, b;
        ASSERT_EQ(nr_image_alloc(nullptr, &a.image, c.code, c.width, c.height), NR_OK);
        // The destination has wider rows: one buffer, planes placed by hand.
        std::vector<uint8_t> wide(4096, 0);
        b.image = a.image;
        b.image.data = nullptr;
        NrImage src = a.image;
        ASSERT_EQ(nr_image_resolve_planes(&src), NR_OK);
        NrImage dst = src;
        if (nr_format_is_planar(c.code)) {
            for (int p = 0; p < 4; ++p) {
                if (src.planes[p]) {
                    dst.planes[p] = wide.data() + 1024 * p;
                    dst.strides[p] = src.strides[p] + 7;
                }
            }
        } else {
            dst.data = wide.data();
            dst.strides[0] = src.strides[0] + 12;
        }
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                nr_image_set_pixel(&src, x, y, yuv(x * 7 + y, 200 - x - y, x ^ (y << 3)));
            }
        }
        ASSERT_EQ(nr_image_copy(&src, &dst), NR_OK) << std::hex << c.code;
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                ASSERT_EQ(nr_image_get_pixel(&dst, x, y), nr_image_get_pixel(&src, x, y))
                    << std::hex << c.code << std::dec << " (" << x << ", " << y << ")";
            }
        }
        // Copying an allocated (unresolved) descriptor resolves it first.
        std::fill(wide.begin(), wide.end(), 0);
        ASSERT_EQ(nr_image_copy_resolved(&a.image, &dst), NR_OK);
        EXPECT_EQ(nr_image_get_pixel(&dst, c.width - 1, c.height - 1),
                  nr_image_get_pixel(&src, c.width - 1, c.height - 1));
    }
}

TEST(ImageCopy, MismatchesAndMissingPlanesAreRefused) {
    Owned a, b, small, nv;
    ASSERT_EQ(nr_image_alloc(nullptr, &a.image, NR_CODE_YUY2, 8, 4), NR_OK);
    ASSERT_EQ(nr_image_alloc(nullptr, &b.image, NR_CODE_UYVY, 8, 4), NR_OK);
    ASSERT_EQ(nr_image_alloc(nullptr, &small.image, NR_CODE_YUY2, 8, 3), NR_OK);
    EXPECT_EQ(nr_image_copy(&a.image, &b.image), NR_ERR_FORMAT);
    EXPECT_EQ(nr_image_copy_resolved(&a.image, &b.image), NR_ERR_FORMAT);
    EXPECT_EQ(nr_image_copy(&a.image, &small.image), NR_ERR_SIZE);
    EXPECT_EQ(nr_image_copy(&a.image, &a.image), NR_OK);

    ASSERT_EQ(nr_image_alloc(nullptr, &nv.image, NR_CODE_NV12, 8, 4), NR_OK);
    NrImage broken = nv.image;
    ASSERT_EQ(nr_image_resolve_planes(&broken), NR_OK);
    broken.planes[1] = nullptr;
    EXPECT_EQ(nr_image_copy(&nv.image, &broken), NR_ERR_FAILED);
    NrImage nodata = a.image;
    nodata.data = nullptr;
    EXPECT_EQ(nr_image_copy(&a.image, &nodata), NR_ERR_FAILED);

    // Indexed forms convert first.
    Owned ia, ib;
    ASSERT_EQ(nr_image_alloc_indexed(nullptr, &ia.image, 10, 8, 4), NR_OK);
    ASSERT_EQ(nr_image_alloc_indexed(nullptr, &ib.image, 10, 8, 4), NR_OK);
    std::memset(ia.image.data, 77, 8 * 4 + 2 * 4 * 2);
    EXPECT_EQ(nr_image_copy_indexed(&ia.image, &ib.image), NR_OK);
    EXPECT_EQ(ib.image.data[8 * 4 + 2 * 4 * 2 - 1], 77);
    EXPECT_EQ(nr_image_copy_indexed_plain(&ia.image, &ib.image), NR_OK);
}

TEST(BandWrappers, SampleFormatsAreChecked) {
    uint8_t a[4] = {255, 0, 10, 200}, b[4] = {0, 255, 3, 100};
    int8_t band[4] = {0, 0, 0, 0};
    EXPECT_EQ(nr_band_subtract(a, 4, NR_FMT_U8, b, 4, NR_FMT_U8, band, 4, NR_FMT_U8, 4, 1),
              NR_ERR_SAMPLE_FORMAT);
    EXPECT_EQ(nr_band_subtract(a, 4, NR_FMT_U8, b, 4, NR_FMT_S8, band, 4, NR_FMT_S8, 4, 1),
              NR_ERR_SAMPLE_FORMAT);
    EXPECT_EQ(nr_band_add(a, 4, NR_FMT_U8, band, 4, NR_FMT_U8, b, 4, NR_FMT_U8, 4, 1),
              NR_ERR_SAMPLE_FORMAT);
    EXPECT_EQ(nr_band_add(a, 4, NR_FMT_U8, band, 4, NR_FMT_S8, b, 4, 0x11u, 4, 1),
              NR_ERR_SAMPLE_FORMAT);
    EXPECT_EQ(nr_band_scale(band, 4, NR_FMT_S8, band, 4, NR_FMT_U8, 4, 1, 300),
              NR_ERR_SAMPLE_FORMAT);
    EXPECT_EQ(nr_band_scale(a, 4, NR_FMT_U8, b, 4, NR_FMT_U8, 4, 1, 300), NR_ERR_SAMPLE_FORMAT);
    // Codes with extra flag bits are still 8-bit unsigned planes for subtract and add, but scale
    // takes the band code exactly.
    EXPECT_EQ(nr_band_scale(band, 4, 0x1110u, band, 4, 0x1110u, 4, 1, 300), NR_ERR_SAMPLE_FORMAT);
    int8_t same[4] = {0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(band, same, 4), 0);
}

TEST(BandWrappers, SubtractAddAndScaleSaturate) {
    const uint8_t fine[4] = {255, 0, 10, 200};
    const uint8_t coarse[4] = {0, 255, 3, 100};
    int8_t band[4];
    ASSERT_EQ(nr_band_subtract(fine, 4, NR_FMT_U8, coarse, 4, NR_FMT_U8, band, 4, NR_FMT_S8, 4, 1),
              NR_OK);
    EXPECT_EQ(band[0], 127);
    EXPECT_EQ(band[1], -128);
    EXPECT_EQ(band[2], 7);
    EXPECT_EQ(band[3], 100);

    const uint8_t base[4] = {200, 50, 10, 0};
    const int8_t delta[4] = {127, -128, -3, 5};
    uint8_t out[4];
    ASSERT_EQ(nr_band_add(base, 4, NR_FMT_U8, delta, 4, NR_FMT_S8, out, 4, NR_FMT_U8, 4, 1), NR_OK);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 7);
    EXPECT_EQ(out[3], 5);

    int8_t s[4] = {100, -3, 1, -128};
    int8_t scaled[4] = {9, 9, 9, 9};
    // Unity gain returns at once: a distinct output is left as it was.
    ASSERT_EQ(nr_band_scale(s, 4, NR_FMT_S8, scaled, 4, NR_FMT_S8, 4, 1, 256), NR_OK);
    EXPECT_EQ(scaled[0], 9);
    ASSERT_EQ(nr_band_scale(s, 4, NR_FMT_S8, scaled, 4, NR_FMT_S8, 4, 1, 384), NR_OK);
    EXPECT_EQ(scaled[0], 127);
    EXPECT_EQ(scaled[1], -4);
    EXPECT_EQ(scaled[2], 2);
    EXPECT_EQ(scaled[3], -128);
}

TEST(PlaneScale, OffsetGainAndSaturation) {
    const uint8_t u[4] = {0, 100, 200, 255};
    uint8_t du[4] = {1, 1, 1, 1};
    EXPECT_EQ(nr_plane_scale(u, 4, NR_FMT_U8, du, 4, NR_FMT_U8, 4, 1, 0, 256), NR_OK);
    EXPECT_EQ(std::memcmp(u, du, 4), 0);
    nr_plane_scale(u, 4, NR_FMT_U8, du, 4, NR_FMT_U8, 4, 1, -50, 512);
    EXPECT_EQ(du[0], 0); // (0 - 50) * 2 clamped
    EXPECT_EQ(du[1], 100);
    EXPECT_EQ(du[2], 255);
    EXPECT_EQ(du[3], 255);

    const int8_t s[4] = {-128, -10, 10, 127};
    int8_t ds[4];
    nr_plane_scale(s, 4, NR_FMT_S8, ds, 4, NR_FMT_S8, 4, 1, 3, 128);
    EXPECT_EQ(ds[0], -63); // -125 / 2 rounded down
    EXPECT_EQ(ds[1], -4);
    EXPECT_EQ(ds[2], 6);
    EXPECT_EQ(ds[3], 65);
    nr_plane_scale(s, 4, NR_FMT_S8, ds, 4, NR_FMT_S8, 4, 1, 100, 256);
    EXPECT_EQ(ds[3], 127);

    uint8_t untouched[4] = {9, 9, 9, 9};
    nr_plane_scale(s, 4, NR_FMT_S8, untouched, 4, NR_FMT_U8, 4, 1, 0, 512);
    EXPECT_EQ(untouched[0], 9);
}

} // namespace

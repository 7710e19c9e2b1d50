// Tile import/export: the layouts' worked examples, round trips of every format over a tile
// walk, border tiles, disjoint exports, the tile iterator and the tile cursor.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "nr_cpu.h"
#include "nr_engine.h"
#include "nr_image.h"
#include "nr_pyramid.h"
#include "nr_runtime.h"
#include "nr_transfer.h"

namespace {

// A frame in the engine's internal form (format code, sample strides) over owned bytes.
struct Frame {
    std::vector<uint8_t> bytes;
    NrImage image{};
};

// Packed layouts: bytes per pixel row = w * s, s = 3 (interleaved) or 2.
Frame packed(uint32_t code, int32_t w, int32_t h, int32_t bytes_per_pixel) {
    Frame f;
    const int32_t pitch = nr_round_up4(w * bytes_per_pixel) + 4;
    f.bytes.assign(static_cast<size_t>(pitch) * h, 0);
    f.image.width = w;
    f.image.height = h;
    f.image.format = code;
    f.image.strides[0] = pitch;
    f.image.data = f.bytes.data();
    return f;
}

// Planar layouts: luma plane, then chroma planes (I420) or one pair plane (NV12/NV21).
Frame planar(uint32_t code, int32_t w, int32_t h) {
    Frame f;
    const int32_t yp = w + 8, cp = w / 2 + 4, pp = w + 4;
    const bool pairs = code != NR_CODE_I420;
    const size_t ysize = static_cast<size_t>(yp) * h;
    const size_t csize =
        pairs ? static_cast<size_t>(pp) * (h / 2) : static_cast<size_t>(cp) * (h / 2);
    f.bytes.assign(ysize + (pairs ? csize : 2 * csize), 0);
    f.image.width = w;
    f.image.height = h;
    f.image.format = code;
    f.image.data = f.bytes.data();
    f.image.planes[0] = f.bytes.data();
    f.image.strides[0] = yp;
    f.image.planes[1] = f.bytes.data() + ysize;
    f.image.strides[1] = pairs ? pp : cp;
    if (!pairs) {
        f.image.planes[2] = f.bytes.data() + ysize + csize;
        f.image.strides[2] = cp;
    }
    return f;
}

NrPyramid make_pyramid(uint32_t code, int32_t fw, int32_t fh, int32_t tw, int32_t th,
                       int32_t margin, bool luma_only) {
    NrPyramid p{};
    const NrSize tile{tw, th};
    NrRect m;
    nr_rect_set_all(&m, margin);
    EXPECT_EQ(nr_pyramid_create(nullptr, &p, code, fw, fh, &tile, &m, &m, 1, luma_only ? 0 : 1, 1),
              NR_OK);
    return p;
}

uint8_t at(const NrLevel& l, int32_t c, int32_t r) {
    return l.plane[static_cast<size_t>(r) * l.stride + c];
}
// Sample of a level at inner position (x, y).
uint8_t inner(const NrLevel& l, int32_t x, int32_t y) {
    return at(l, l.margin_left + x, l.margin_top + y);
}

TEST(Transfer, YuyvImportsChromaOfTheFirstRowAndExportsItIntoBoth) {
    Frame f = packed(NR_CODE_YUY2, 4, 2, 2);
    const uint8_t r0[8] = {10, 20, 11, 30, 12, 21, 13, 31},
                  r1[8] = {14, 40, 15, 50, 16, 41, 17, 51};
    std::memcpy(f.image.data, r0, 8);
    std::memcpy(f.image.data + f.image.strides[0], r1, 8);
    NrPyramid p = make_pyramid(NR_CODE_YUY2, 4, 2, 4, 2, 8, false);
    nr_pyramid_set_rect(&p, 0, 0, 4, 2, 4, 2);
    nr_tile_transfer(&p, &f.image, 1);
    const NrLevel& y = p.groups[0].levels[0];
    const NrLevel& u = p.groups[1].levels[0];
    const NrLevel& v = p.groups[2].levels[0];
    for (int32_t x = 0; x < 4; ++x) {
        EXPECT_EQ(inner(y, x, 0), 10 + x);
        EXPECT_EQ(inner(y, x, 1), 14 + x);
    }
    EXPECT_EQ(inner(u, 0, 0), 20);
    EXPECT_EQ(inner(u, 1, 0), 21);
    EXPECT_EQ(inner(v, 0, 0), 30);
    EXPECT_EQ(inner(v, 1, 0), 31);
    // Mirror padding of the 4 x 2 luma tile with 8-sample margins filled the whole buffer.
    EXPECT_EQ(at(y, 0, 0), inner(y, 2, 0)); // column -8 mirrors to 2, row -8 to row 0
    Frame out = packed(NR_CODE_YUY2, 4, 2, 2);
    nr_tile_transfer(&p, &out.image, 0);
    const uint8_t e1[8] = {14, 20, 15, 30, 16, 21, 17, 31};
    EXPECT_EQ(std::memcmp(out.image.data, r0, 8), 0);
    EXPECT_EQ(std::memcmp(out.image.data + out.image.strides[0], e1, 8), 0);
    nr_pyramid_free(nullptr, &p);
}

TEST(Transfer, UyvyAndPairAndGroupLayoutsSplitAsTheirByteOrderSays) {
    {
        Frame f = packed(NR_CODE_UYVY, 4, 1, 2);
        const uint8_t b[8] = {20, 10, 30, 11, 21, 12, 31, 13};
        std::memcpy(f.image.data, b, 8);
        NrPyramid p = make_pyramid(NR_CODE_UYVY, 4, 1, 4, 1, 4, false);
        nr_pyramid_set_rect(&p, 0, 0, 4, 1, 4, 1);
        nr_tile_transfer(&p, &f.image, 1);
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(inner(p.groups[0].levels[0], x, 0), 10 + x);
        EXPECT_EQ(inner(p.groups[1].levels[0], 0, 0), 20);
        EXPECT_EQ(inner(p.groups[1].levels[0], 1, 0), 21);
        EXPECT_EQ(inner(p.groups[2].levels[0], 0, 0), 30);
        EXPECT_EQ(inner(p.groups[2].levels[0], 1, 0), 31);
        nr_pyramid_free(nullptr, &p);
    }
    for (uint32_t code : {NR_CODE_NV12, NR_CODE_NV21}) {
        Frame f = planar(code, 4, 2);
        const uint8_t c[4] = {20, 30, 21, 31};
        std::memcpy(f.image.planes[1], c, 4);
        NrPyramid p = make_pyramid(code, 4, 2, 4, 2, 4, false);
        nr_pyramid_set_rect(&p, 0, 0, 4, 2, 4, 2);
        nr_tile_transfer(&p, &f.image, 1);
        EXPECT_EQ(inner(p.groups[1].levels[0], 0, 0), 20);
        EXPECT_EQ(inner(p.groups[1].levels[0], 1, 0), 21);
        EXPECT_EQ(inner(p.groups[2].levels[0], 0, 0), 30);
        EXPECT_EQ(inner(p.groups[2].levels[0], 1, 0), 31);
        nr_pyramid_free(nullptr, &p);
    }
    {
        constexpr uint32_t kGroups16 = 0x22000013u;
        Frame f = packed(kGroups16, 12, 1, 2);
        for (int32_t i = 0; i < 8; ++i)
            f.image.data[i] = static_cast<uint8_t>(i);
        for (int32_t i = 0; i < 4; ++i) {
            f.image.data[8 + i] = static_cast<uint8_t>(100 + i);
            f.image.data[12 + i] = static_cast<uint8_t>(200 + i);
        }
        std::memset(f.image.data + 16, 99, 8); // pixels 8-11: not a whole group
        NrPyramid p = make_pyramid(kGroups16, 12, 1, 12, 1, 4, false);
        nr_pyramid_set_rect(&p, 0, 0, 12, 1, 12, 1);
        // The kernel alone: a row of 12 pixels moves only its first group of 8.
        uint8_t y[12], u[6], v[6];
        std::memset(y, 7, sizeof y);
        nr_convert_groups16(f.image.data, f.image.strides[0], y, 12, u, 6, v, 6, 12, 1, 1);
        for (int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(y[x], x);
        for (int32_t x = 8; x < 12; ++x)
            EXPECT_EQ(y[x], 7);
        nr_tile_transfer(&p, &f.image, 1);
        for (int32_t x = 0; x < 4; ++x) {
            EXPECT_EQ(inner(p.groups[1].levels[0], x, 0), 100 + x);
            EXPECT_EQ(inner(p.groups[2].levels[0], x, 0), 200 + x);
        }
        nr_pyramid_free(nullptr, &p);
    }
}

struct Layout {
    uint32_t code;
    int32_t bytes_per_pixel; // 0: planar
};

// Fills a frame with random bytes; for Y0 U Y1 V the odd row of each pair repeats the chroma of
// the even row (the 4:2:0 reading keeps one chroma row per pair).
void randomize(Frame& f, std::mt19937& rng) {
    for (auto& b : f.bytes)
        b = static_cast<uint8_t>(rng());
    if (f.image.format == NR_CODE_YUY2) {
        const int32_t pitch = f.image.strides[0];
        for (int32_t r = 0; r + 1 < f.image.height; r += 2)
            for (int32_t x = 1; x < 2 * f.image.width; x += 2)
                f.image.data[static_cast<size_t>(r + 1) * pitch + x] =
                    f.image.data[static_cast<size_t>(r) * pitch + x];
    }
}

// Compares the frame samples a layout carries (the padding bytes of rows are not samples).
void expect_same_samples(const Frame& a, const Frame& b, const char* what) {
    const NrImage& i = a.image;
    if (i.format & 0x10000000u) {
        const int32_t cw = i.format == NR_CODE_I420 ? i.width / 2 : i.width;
        for (int32_t r = 0; r < i.height; ++r)
            ASSERT_EQ(std::memcmp(i.planes[0] + r * i.strides[0],
                                  b.image.planes[0] + r * i.strides[0], i.width),
                      0)
                << what << " luma row " << r;
        for (int32_t pl = 1; pl <= (i.format == NR_CODE_I420 ? 2 : 1); ++pl)
            for (int32_t r = 0; r < i.height / 2; ++r)
                ASSERT_EQ(std::memcmp(i.planes[pl] + r * i.strides[pl],
                                      b.image.planes[pl] + r * i.strides[pl], cw),
                          0)
                    << what << " plane " << pl << " row " << r;
        return;
    }
    const int32_t row_bytes = i.width * ((i.format & 0xEF000000u) == 0 ? 3 : 2);
    for (int32_t r = 0; r < i.height; ++r)
        ASSERT_EQ(
            std::memcmp(i.data + r * i.strides[0], b.image.data + r * i.strides[0], row_bytes), 0)
            << what << " row " << r;
}

// Import then export of every tile of a walk rebuilds the frame; every inner area is written once.
TEST(Transfer, ImportThenExportOfEveryTileRoundTripsEveryFormat) {
    const Layout layouts[] = {{NR_CODE_YUV444, 3}, {0x00500013u, 3}, {NR_CODE_YUY2, 2},
                              {NR_CODE_UYVY, 2},   {0x22000013u, 2}, {NR_CODE_I420, 0},
                              {NR_CODE_NV12, 0},   {NR_CODE_NV21, 0}};
    const int32_t sizes[][4] = {
        {64, 32, 32, 16}, {120, 40, 48, 32}, {16, 8, 16, 8}, {200, 100, 64, 64}};
    std::mt19937 rng(5);
    for (const Layout& l : layouts)
        for (const auto& s : sizes)
            for (bool luma_only : {false, true}) {
                const int32_t fw = s[0], fh = s[1], tw = s[2], th = s[3];
                if (l.code == 0x22000013u && (fw % 8 || tw % 8))
                    continue; // whole 8-pixel groups only
                Frame src = l.bytes_per_pixel ? packed(l.code, fw, fh, l.bytes_per_pixel)
                                              : planar(l.code, fw, fh);
                randomize(src, rng);
                Frame dst = src; // luma-only runs keep the chroma of the destination
                dst.image.data = dst.bytes.data();
                for (int32_t k = 0; k < 4; ++k)
                    if (src.image.planes[k])
                        dst.image.planes[k] =
                            dst.bytes.data() + (src.image.planes[k] - src.bytes.data());
                // Clear what a run writes: luma samples (or everything when all groups run).
                Frame blank = dst;
                std::vector<int32_t> cover(static_cast<size_t>(fw) * fh, 0);
                if (!luma_only) {
                    std::fill(dst.bytes.begin(), dst.bytes.end(), 0);
                } else if (l.bytes_per_pixel) {
                    const int32_t step = l.bytes_per_pixel == 3 ? 3 : 2;
                    const int32_t index = l.code == NR_CODE_UYVY ? 1 : 0;
                    for (int32_t r = 0; r < fh; ++r)
                        for (int32_t x = 0; x < fw; ++x) {
                            int32_t off = x * step + index;
                            if (l.code == 0x22000013u)
                                off = 16 * (x / 8) + x % 8;
                            dst.image.data[static_cast<size_t>(r) * dst.image.strides[0] + off] = 0;
                        }
                } else {
                    for (int32_t r = 0; r < fh; ++r)
                        std::memset(dst.image.planes[0] + r * dst.image.strides[0], 0, fw);
                }
                (void)blank;
                int32_t x = 0, y = 0;
                const NrRect region{0, 0, fw, fh};
                do {
                    NrPyramid p = make_pyramid(l.code, fw, fh, tw, th, 8, luma_only);
                    nr_pyramid_set_rect(&p, x, y, tw, th, fw, fh);
                    nr_tile_transfer(&p, &src.image, 1);
                    nr_tile_transfer(&p, &dst.image, 0);
                    const NrLevel& l0 = p.groups[0].levels[0];
                    for (int32_t r = 0; r < l0.height - l0.margin_top - l0.margin_bottom; ++r)
                        for (int32_t c = 0; c < l0.width - l0.margin_left - l0.margin_right; ++c)
                            ++cover[static_cast<size_t>(l0.origin_y + r) * fw + l0.origin_x + c];
                    nr_pyramid_free(nullptr, &p);
                } while (nr_tile_next(&x, &y, tw, th, &region));
                for (int32_t v : cover)
                    ASSERT_EQ(v, 1);
                expect_same_samples(src, dst, luma_only ? "luma only" : "all groups");
                if (HasFatalFailure()) {
                    ADD_FAILURE() << std::hex << l.code << std::dec << " " << fw << "x" << fh;
                    return;
                }
            }
}

TEST(Transfer, BorderTileReadsOnlyTheFrameAndMirrorsTheRest) {
    Frame f = planar(NR_CODE_I420, 40, 8);
    for (int32_t r = 0; r < 8; ++r)
        for (int32_t x = 0; x < 40; ++x)
            f.image.planes[0][r * f.image.strides[0] + x] = static_cast<uint8_t>(x + 50 * (r & 1));
    // Poison the bytes right of the frame in each row: import must never read them.
    for (int32_t r = 0; r < 8; ++r)
        std::memset(f.image.planes[0] + r * f.image.strides[0] + 40, 222, 8);
    NrPyramid p = make_pyramid(NR_CODE_I420, 40, 8, 32, 8, 8, true);
    nr_pyramid_set_rect(&p, 32, 0, 32, 8, 40, 8);
    nr_tile_transfer(&p, &f.image, 1);
    const NrLevel& l = p.groups[0].levels[0];
    ASSERT_EQ(l.width - l.margin_left - l.margin_right, 8); // clipped at the frame border
    for (int32_t r = 0; r < l.height; ++r)
        for (int32_t c = 0; c < l.width; ++c)
            ASSERT_NE(at(l, c, r), 222);
    EXPECT_EQ(inner(l, 8, 0), inner(l, 6, 0)); // frame column 40 mirrors 38
    EXPECT_EQ(inner(l, 7, 0), 39);
    // Export writes the inner area only: frame columns 32-39.
    Frame out = planar(NR_CODE_I420, 40, 8);
    std::fill(out.bytes.begin(), out.bytes.end(), 1);
    nr_tile_transfer(&p, &out.image, 0);
    for (int32_t r = 0; r < 8; ++r)
        for (int32_t x = 0; x < out.image.strides[0]; ++x)
            ASSERT_EQ(out.image.planes[0][r * out.image.strides[0] + x],
                      x >= 32 && x < 40 ? static_cast<uint8_t>(x + 50 * (r & 1)) : 1);
    nr_pyramid_free(nullptr, &p);
}

// The pixel a frame byte belongs to, or false for row padding that carries no sample. Chroma
// bytes of 4:2:2 / 4:2:0 layouts belong to the first pixel of their pair (or 8-pixel group).
bool pixel_of_byte(const Frame& f, int32_t plane, int32_t byte, int32_t row, int32_t* x,
                   int32_t* y) {
    const NrImage& i = f.image;
    if (!(i.format & 0x10000000u)) {
        const int32_t bpp = (i.format & 0xEF000000u) == 0 ? 3 : 2;
        if (byte >= i.width * bpp)
            return false;
        *x = i.format == 0x22000013u ? 8 * (byte / 16) : byte / bpp;
        if (bpp == 2 && i.format != 0x22000013u)
            *x &= ~1;
        *y = row;
        return true;
    }
    if (plane == 0) {
        *x = byte, *y = row;
        return byte < i.width;
    }
    const int32_t cw = i.format == NR_CODE_I420 ? i.width / 2 : i.width;
    *x = i.format == NR_CODE_I420 ? 2 * byte : byte & ~1;
    *y = 2 * row;
    return byte < cw;
}

// Export writes the tile's inner area and nothing else, for an inner tile (whose buffer reaches
// into both neighbours) and for a tile clipped at the frame's right and bottom borders.
TEST(Transfer, ExportWritesExactlyTheInnerAreaOfTheTile) {
    const Layout layouts[] = {{NR_CODE_YUV444, 3}, {NR_CODE_YUY2, 2}, {NR_CODE_UYVY, 2},
                              {0x22000013u, 2},    {NR_CODE_I420, 0}, {NR_CODE_NV12, 0},
                              {NR_CODE_NV21, 0}};
    const int32_t fw = 56, fh = 24, tw = 16, th = 8;
    const int32_t tiles[][2] = {{16, 8}, {48, 16}};
    std::mt19937 rng(41);
    for (const Layout& l : layouts)
        for (bool luma_only : {false, true})
            for (const auto& t : tiles) {
                Frame src = l.bytes_per_pixel ? packed(l.code, fw, fh, l.bytes_per_pixel)
                                              : planar(l.code, fw, fh);
                randomize(src, rng);
                for (auto& b : src.bytes)
                    b = static_cast<uint8_t>(b % 200); // never the sentinel below
                Frame dst = src;
                std::fill(dst.bytes.begin(), dst.bytes.end(), 0xEE);
                dst.image.data = dst.bytes.data();
                for (int32_t k = 0; k < 4; ++k)
                    if (src.image.planes[k])
                        dst.image.planes[k] =
                            dst.bytes.data() + (src.image.planes[k] - src.bytes.data());
                NrPyramid p = make_pyramid(l.code, fw, fh, tw, th, 8, luma_only);
                nr_pyramid_set_rect(&p, t[0], t[1], tw, th, fw, fh);
                nr_tile_transfer(&p, &src.image, 1);
                nr_tile_transfer(&p, &dst.image, 0);
                nr_pyramid_free(nullptr, &p);
                const int32_t x1 = std::min(fw, t[0] + tw), y1 = std::min(fh, t[1] + th);
                const int32_t planes = l.bytes_per_pixel ? 1 : (l.code == NR_CODE_I420 ? 3 : 2);
                for (int32_t pl = 0; pl < planes; ++pl) {
                    const bool luma_bytes_only = luma_only && pl > 0;
                    const int32_t rows = pl == 0 ? fh : fh / 2;
                    const int32_t pitch = dst.image.strides[l.bytes_per_pixel ? 0 : pl];
                    const uint8_t* base = l.bytes_per_pixel ? dst.image.data : dst.image.planes[pl];
                    for (int32_t r = 0; r < rows; ++r)
                        for (int32_t b = 0; b < pitch; ++b) {
                            int32_t x = 0, y = 0;
                            bool inside = pixel_of_byte(dst, pl, b, r, &x, &y) && x >= t[0] &&
                                          x < x1 && y >= t[1] && y < y1 && !luma_bytes_only;
                            if (inside && luma_only && l.bytes_per_pixel) {
                                // Only the luma byte of each pixel is carried.
                                const int32_t s = l.bytes_per_pixel == 3 ? 3 : 2;
                                if (l.code == 0x22000013u)
                                    inside = b % 16 < 8;
                                else
                                    inside = b % s == (l.code == NR_CODE_UYVY ? 1 : 0);
                            }
                            const uint8_t v = base[static_cast<size_t>(r) * pitch + b];
                            ASSERT_EQ(v != 0xEE, inside)
                                << std::hex << l.code << std::dec << " luma only " << luma_only
                                << " tile " << t[0] << "," << t[1] << " plane " << pl << " row "
                                << r << " byte " << b;
                        }
                }
            }
}

TEST(Transfer, LumaOnlyExportOfYuyvChangesOnlyTheEvenBytes) {
    Frame f = packed(NR_CODE_YUY2, 24, 4, 2);
    std::fill(f.bytes.begin(), f.bytes.end(), 9);
    NrPyramid p = make_pyramid(NR_CODE_YUY2, 24, 4, 24, 4, 8, true);
    ASSERT_EQ(p.group_count, 1);
    nr_pyramid_set_rect(&p, 0, 0, 24, 4, 24, 4);
    const NrLevel& l = p.groups[0].levels[0];
    std::memset(l.plane, 200, static_cast<size_t>(l.stride) * l.height);
    nr_tile_transfer(&p, &f.image, 0);
    for (int32_t r = 0; r < 4; ++r)
        for (int32_t x = 0; x < 48; ++x)
            ASSERT_EQ(f.image.data[r * f.image.strides[0] + x], x % 2 == 0 ? 200 : 9);
    nr_pyramid_free(nullptr, &p);
}

TEST(Transfer, ChannelTransferRefusesWideSamples) {
    uint8_t frame[16] = {}, plane[16] = {};
    EXPECT_EQ(nr_channel_transfer(frame, 16, plane, 16, 2, 1, 2, 0, 0x40, 1), NR_ERR_SAMPLE_FORMAT);
    // 16-bit samples at step 3: sample 1 of every 3.
    uint16_t f16[6] = {1, 2, 3, 4, 5, 6}, p16[2] = {};
    EXPECT_EQ(nr_channel_transfer(reinterpret_cast<uint8_t*>(f16), 6,
                                  reinterpret_cast<uint8_t*>(p16), 2, 2, 1, 3, 1, 0x20, 1),
              NR_OK);
    EXPECT_EQ(p16[0], 2);
    EXPECT_EQ(p16[1], 5);
}

TEST(Transfer, PaddingAroundTheInnerAreaIgnoresTheFrame) {
    NrLevel l{};
    const NrRect m{3, 2, 3, 2};
    ASSERT_EQ(nr_plane_alloc(nullptr, &l, 0x10, &m, 4, 3), NR_OK);
    l.origin_x = 50; // anywhere: the frame plays no part
    l.limit_x = l.limit_y = 1;
    for (int32_t r = 0; r < 3; ++r)
        for (int32_t c = 0; c < 4; ++c)
            l.plane[(r + 2) * l.stride + c + 3] = static_cast<uint8_t>(10 * r + c + 1);
    nr_level_pad_inner(&l);
    EXPECT_EQ(at(l, 0, 0), inner(l, 3, 2)); // column -3 mirrors 3, row -2 mirrors 2
    EXPECT_EQ(at(l, 9, 6), inner(l, 0, 0)); // column 6 mirrors 0 (about 3), row 4 mirrors 0
    EXPECT_EQ(at(l, 7, 3), inner(l, 2, 1));
    nr_free(nullptr, l.plane);
}

TEST(Transfer, TileWalkGoesRowByRow) {
    const NrRect region{0, 0, 600, 300};
    int32_t x = 0, y = 0;
    std::vector<std::pair<int32_t, int32_t>> seen;
    while (nr_tile_next(&x, &y, 256, 256, &region))
        seen.emplace_back(x, y);
    const std::vector<std::pair<int32_t, int32_t>> expect = {
        {256, 0}, {512, 0}, {0, 256}, {256, 256}, {512, 256}};
    EXPECT_EQ(seen, expect);
}

// The vector forms of the Y0 U Y1 V conversions move the same bytes as the word forms.
TEST(Transfer, YuyvConversionsAgreeWithAndWithoutVectors) {
    std::mt19937 rng(23);
    for (int32_t w = 1; w <= 90; ++w) {
        std::vector<uint8_t> frame(static_cast<size_t>(4 * w)), plane(static_cast<size_t>(4 * w));
        for (auto& b : frame)
            b = static_cast<uint8_t>(rng());
        for (auto& b : plane)
            b = static_cast<uint8_t>(rng());
        std::vector<uint8_t> results[2][2];
        for (int32_t vec = 0; vec < 2; ++vec) {
            nr_cpu_set_mask(vec ? NR_CPU_ALL : NR_CPU_FAST);
            for (int32_t flag = 0; flag < 2; ++flag) {
                std::vector<uint8_t> f = frame, p = plane;
                // Row pair at f[0 .. 2w) and f[2w .. 4w); planes y0, y1, u, v in p.
                nr_convert_yuyv420_words(f.data(), f.data() + 2 * w, p.data(), p.data() + w,
                                         p.data() + 2 * w, p.data() + 3 * w, w, flag);
                nr_extract_even_bytes(f.data(), p.data() + 2 * w, w, flag);
                results[vec][flag] = f;
                results[vec][flag].insert(results[vec][flag].end(), p.begin(), p.end());
            }
        }
        nr_cpu_set_mask(NR_CPU_ALL);
        ASSERT_EQ(results[0][0], results[1][0]) << "export, width " << w;
        ASSERT_EQ(results[0][1], results[1][1]) << "import, width " << w;
    }
}

// A plane in a heap block of its own that ends right after its last sample, so that
// AddressSanitizer reports any access past it; `offset` moves the first sample off the block's
// alignment.
struct BlockPlane {
    std::vector<uint8_t> block;
    uint8_t* data = nullptr;
    int32_t pitch = 0;

    BlockPlane(int32_t row_bytes, int32_t rows, int32_t pitch_, int32_t offset, std::mt19937& rng)
        : pitch(pitch_) {
        block.resize(static_cast<size_t>(offset) +
                     static_cast<size_t>(pitch) * static_cast<size_t>(rows - 1) +
                     static_cast<size_t>(row_bytes));
        data = block.data() + offset;
        for (auto& b : block)
            b = static_cast<uint8_t>(rng());
    }
    BlockPlane(const BlockPlane& o)
        : block(o.block), data(block.data() + (o.data - o.block.data())), pitch(o.pitch) {}
    BlockPlane& operator=(const BlockPlane&) = delete;
    uint8_t at(int32_t x, int32_t y) const { return data[static_cast<size_t>(y) * pitch + x]; }
};

// The kernel variants: the portable words alone, the word form, SSE2, and AVX2 where present.
std::vector<uint32_t> yuyvMasks() {
    std::vector<uint32_t> masks = {0u, NR_CPU_FAST};
    if (nr_cpu_detected() & NR_CPU_SSE2)
        masks.push_back(NR_CPU_FAST | NR_CPU_SSE2);
    if (nr_cpu_detected() & NR_CPU_AVX2) {
        masks.push_back(NR_CPU_FAST | NR_CPU_AVX2);
        masks.push_back(NR_CPU_FAST | NR_CPU_SSE2 | NR_CPU_AVX2);
    }
    return masks;
}

// Every variant of the 4:2:0 Y0 U Y1 V conversion gives the same bytes as a per-sample model, on
// random planes of every width up to 140 and some tile-sized ones, odd heights, padded and tight
// pitches and four start alignments, with every plane ending at the end of its heap block.
TEST(Transfer, YuyvRowPairVectorFormsEqualTheSampleModelOnRandomPlanes) {
    std::mt19937 rng(20261211);
    std::vector<int32_t> widths;
    for (int32_t w = 1; w <= 140; ++w)
        widths.push_back(w);
    for (int32_t w : {191, 192, 193, 255, 256, 257, 1183, 1184, 1312, 1313})
        widths.push_back(w);
    const std::vector<uint32_t> masks = yuyvMasks();
    for (const int32_t w : widths) {
        const int32_t h = 1 + w % 5; // 1 to 5 rows: an odd last row is not transferred
        const int32_t pairs = h / 2, even_w = w & ~1;
        for (int32_t align = 0; align < 4; ++align) {
            const int32_t pad = (align & 1) ? 0 : 4 + align; // tight or padded pitches
            const int32_t cw = (w + 1) / 2;
            for (int32_t flag = 0; flag < 2; ++flag) {
                BlockPlane frame(2 * w, h, 2 * w + 2 * pad, align, rng);
                BlockPlane y(w, h, w + pad, (align + 1) & 3, rng);
                BlockPlane u(cw, pairs > 0 ? pairs : 1, cw + pad, (align + 2) & 3, rng);
                BlockPlane v(cw, pairs > 0 ? pairs : 1, cw + pad, (align + 3) & 3, rng);
                const BlockPlane frame0 = frame, y0 = y, u0 = u, v0 = v;
                // The model: what each byte must hold afterwards.
                std::vector<uint8_t> want_f(frame.block), want_y(y.block), want_u(u.block),
                    want_v(v.block);
                for (int32_t r = 0; r < 2 * pairs; ++r)
                    for (int32_t x = 0; x < even_w; ++x) {
                        const size_t fi = static_cast<size_t>(align) +
                                          static_cast<size_t>(r) * frame.pitch + 2 * x;
                        const size_t yi = static_cast<size_t>((align + 1) & 3) +
                                          static_cast<size_t>(r) * y.pitch + x;
                        const size_t ci = static_cast<size_t>(r / 2) * u.pitch + x / 2;
                        const size_t ui = static_cast<size_t>((align + 2) & 3) + ci;
                        const size_t vi = static_cast<size_t>((align + 3) & 3) + ci;
                        if (flag) {
                            want_y[yi] = frame0.at(2 * x, r);
                            if (r % 2 == 0 && x % 2 == 0) {
                                want_u[ui] = frame0.at(2 * x + 1, r);
                                want_v[vi] = frame0.at(2 * x + 3, r);
                            }
                        } else {
                            want_f[fi] = y0.at(x, r);
                            want_f[fi + 1] = x % 2 == 0 ? u0.at(x / 2, r / 2) : v0.at(x / 2, r / 2);
                        }
                    }
                for (const uint32_t mask : masks) {
                    BlockPlane f = frame0, py = y0, pu = u0, pv = v0;
                    nr_cpu_set_mask(mask);
                    nr_convert_yuyv420(f.data, f.pitch, py.data, py.pitch, pu.data, pu.pitch,
                                       pv.data, pv.pitch, w, h, flag);
                    nr_cpu_set_mask(NR_CPU_ALL);
                    ASSERT_EQ(f.block, want_f)
                        << "frame, width " << w << " height " << h << " align " << align << " flag "
                        << flag << " mask " << mask;
                    ASSERT_EQ(py.block, want_y)
                        << "luma, width " << w << " height " << h << " align " << align << " flag "
                        << flag << " mask " << mask;
                    ASSERT_EQ(pu.block, want_u) << "u, width " << w << " align " << align
                                                << " flag " << flag << " mask " << mask;
                    ASSERT_EQ(pv.block, want_v) << "v, width " << w << " align " << align
                                                << " flag " << flag << " mask " << mask;
                }
            }
        }
    }
}

TEST(Transfer, Yuyv422WordsRoundTrip) {
    for (int32_t w = 2; w <= 40; w += 2) {
        std::vector<uint8_t> row(2 * w), back(2 * w, 0), y(w), u(w / 2), v(w / 2);
        for (int32_t i = 0; i < 2 * w; ++i)
            row[i] = static_cast<uint8_t>(i * 7 + 3);
        nr_convert_yuyv422_words(row.data(), y.data(), u.data(), v.data(), w, 1);
        for (int32_t x = 0; x < w; ++x)
            ASSERT_EQ(y[x], row[2 * x]);
        for (int32_t c = 0; c < w / 2; ++c) {
            ASSERT_EQ(u[c], row[4 * c + 1]);
            ASSERT_EQ(v[c], row[4 * c + 3]);
        }
        nr_convert_yuyv422_words(back.data(), y.data(), u.data(), v.data(), w, 0);
        ASSERT_EQ(back, row) << w;
    }
}

} // namespace

namespace {

// Every tile of a cursor walk holds what a plain import of the same buffer gives: the frame's
// samples and their mirror images beyond the frame.
TEST(TileCursor, EveryTileHoldsWhatAPlainImportGives) {
    struct Walk {
        int32_t fw, fh, tw, th;
        NrRect region, margins, outer;
    } walks[] = {{100, 70, 32, 16, {0, 0, 100, 70}, {8, 8, 8, 8}, {16, 16, 16, 16}},
                 {64, 64, 64, 64, {0, 0, 64, 64}, {4, 4, 4, 4}, {0, 0, 0, 0}},
                 {90, 50, 20, 12, {10, 6, 80, 44}, {6, 4, 6, 4}, {12, 8, 12, 8}},
                 {33, 17, 8, 8, {0, 0, 33, 17}, {8, 8, 8, 8}, {8, 8, 8, 8}},
                 {4, 2, 4, 2, {0, 0, 4, 2}, {8, 8, 8, 8}, {8, 8, 8, 8}}};
    std::mt19937 rng(17);
    for (const Walk& w : walks) {
        std::vector<uint8_t> frame(static_cast<size_t>(w.fw) * w.fh);
        for (auto& b : frame)
            b = static_cast<uint8_t>(rng());
        std::vector<uint8_t> out(frame.size(), 0);
        NrTileCursor c;
        const NrSize tile{w.tw, w.th};
        ASSERT_EQ(nr_tile_cursor_init(nullptr, &c, &tile, &w.region, &w.margins, &w.outer, 0x10,
                                      w.fw, w.fh),
                  NR_OK);
        int32_t tiles = 0;
        do {
            nr_tile_cursor_transfer(&c, frame.data(), w.fw, 1);
            NrLevel ref = c.level;
            ref.plane = nullptr;
            const NrRect m{ref.margin_left, ref.margin_top, ref.margin_right, ref.margin_bottom};
            ASSERT_EQ(nr_plane_alloc(nullptr, &ref, 0x10, &m, c.tile_w, c.tile_h), NR_OK);
            nr_level_transfer_channel(&ref, frame.data(), w.fw, 1, 0, 0x10, 1);
            for (int32_t r = 0; r < ref.height; ++r)
                for (int32_t col = 0; col < ref.width; ++col)
                    ASSERT_EQ(c.level.plane[r * c.level.stride + col],
                              ref.plane[r * ref.stride + col])
                        << "tile " << c.tile_x << "," << c.tile_y << " at " << col << "," << r;
            nr_free(nullptr, ref.plane);
            nr_tile_cursor_transfer(&c, out.data(), w.fw, 0);
            ++tiles;
        } while (nr_tile_cursor_next(&c));
        nr_tile_cursor_free(nullptr, &c);
        const int32_t rw = w.region.right - w.region.left, rh = w.region.bottom - w.region.top;
        EXPECT_EQ(tiles, ((rw + w.tw - 1) / w.tw) * ((rh + w.th - 1) / w.th));
        for (int32_t y = 0; y < w.fh; ++y)
            for (int32_t x = 0; x < w.fw; ++x) {
                const bool inside = x >= w.region.left && x < w.region.right && y >= w.region.top &&
                                    y < w.region.bottom;
                ASSERT_EQ(out[y * w.fw + x], inside ? frame[y * w.fw + x] : 0);
            }
    }
}

} // namespace

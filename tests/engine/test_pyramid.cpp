// Tile pyramid: geometry (margins, chroma sizes, placement), mirror padding, build and
// reconstruction, the further operations, and release after failed allocations.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "nr_cpu.h"
#include "nr_engine.h"
#include "nr_kernels.h"
#include "nr_pyramid.h"
#include "nr_runtime.h"

namespace {

constexpr uint32_t kLuma = 0x10000011u; // one-channel planar code
constexpr uint32_t kYuy2 = 0x20000013u;
constexpr uint32_t kUyvy = 0x21000013u;
constexpr uint32_t kYuv444 = 0x00000013u;

uint8_t& at(const NrLevel& l, int32_t c, int32_t r) {
    return l.plane[static_cast<size_t>(r) * l.stride + c];
}

// Valid rectangle of a buffer: its part inside the frame.
struct Valid {
    int32_t x0, y0, x1, y1;
};
Valid valid_of(const NrLevel& l) {
    return Valid{std::max(0, l.margin_left - l.origin_x), std::max(0, l.margin_top - l.origin_y),
                 std::min(l.width, l.margin_left + l.limit_x - l.origin_x),
                 std::min(l.height, l.margin_top + l.limit_y - l.origin_y)};
}

// A deterministic frame sample; `amplitude` keeps bands away from clamping when small.
uint8_t frame_sample(int32_t x, int32_t y, uint32_t seed, int32_t amplitude) {
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u ^ seed;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<uint8_t>(128 - amplitude / 2 + static_cast<int32_t>(h % (amplitude + 1)));
}

// Fills the valid rectangle of level 0 from the frame and mirror-pads the rest (what an import
// does).
void fill_level0(NrLevel& l, uint32_t seed, int32_t amplitude) {
    const Valid v = valid_of(l);
    for (int32_t r = v.y0; r < v.y1; ++r)
        for (int32_t c = v.x0; c < v.x1; ++c)
            at(l, c, r) = frame_sample(l.origin_x - l.margin_left + c,
                                       l.origin_y - l.margin_top + r, seed, amplitude);
    nr_level_pad_borders(&l, 0, 0);
}

TEST(Pyramid, MarginsHalveOverFourLevelsDownToTheMinimum) {
    NrPyramid p{};
    const NrRect wanted{45, 64, 45, 0};
    NrRect minimum;
    nr_rect_set_all(&minimum, 8);
    const NrSize tile{256, 256};
    ASSERT_EQ(nr_pyramid_create(nullptr, &p, kLuma, 1024, 1024, &tile, &wanted, &minimum, 4, 0, 1),
              NR_OK);
    ASSERT_EQ(p.group_count, 1);
    const int32_t left[4] = {45, 22, 11, 8}, right[4] = {45, 23, 12, 8}, top[4] = {64, 32, 16, 8};
    for (int32_t i = 0; i < 4; ++i) {
        const NrLevel& l = p.groups[0].levels[i];
        EXPECT_EQ(l.margin_left, left[i]) << i;
        EXPECT_EQ(l.margin_right, right[i]) << i;
        EXPECT_EQ(l.margin_top, top[i]) << i;
        EXPECT_EQ(l.margin_bottom, 8) << i;
        EXPECT_EQ(l.width, (256 >> i) + left[i] + right[i]);
        EXPECT_EQ(l.stride % 4, 0);
        EXPECT_GE(l.stride, l.width);
        EXPECT_EQ(l.format, 0x10u);
        EXPECT_EQ(l.limit_x, 1024 >> i);
        if (i < 3) {
            const NrLevel& b = p.groups[0].bands[i];
            EXPECT_EQ(b.format, 0x110u);
            EXPECT_EQ(b.margin_left, 8);
            EXPECT_EQ(b.width, (256 >> i) + 16);
            // Shared: the band's inner top-left is the level's.
            EXPECT_EQ(b.plane + 8 * b.stride + 8,
                      l.plane + l.margin_top * l.stride + l.margin_left);
        }
    }
    nr_pyramid_free(nullptr, &p);
    EXPECT_EQ(p.group_count, 0);
    EXPECT_EQ(p.groups, nullptr);
}

TEST(Pyramid, ChromaTileSizeFollowsTheLayoutFamily) {
    struct {
        uint32_t format;
        int32_t w, h, frame_w, frame_h;
    } table[] = {{kYuy2, 128, 64, 300, 100},
                 {kUyvy, 128, 128, 300, 200},
                 {kYuv444, 256, 128, 600, 200},
                 {0x50000013u, 128, 64, 300, 100}};
    for (const auto& t : table) {
        NrPyramid p{};
        const NrSize tile{256, 128};
        const NrRect wanted{16, 16, 16, 16};
        ASSERT_EQ(
            nr_pyramid_create(nullptr, &p, t.format, 600, 200, &tile, &wanted, nullptr, 3, 2, 1),
            NR_OK);
        ASSERT_EQ(p.group_count, 3);
        EXPECT_EQ(p.groups[0].level_count, 3);
        for (int32_t g = 1; g < 3; ++g) {
            const NrLevel& l = p.groups[g].levels[0];
            ASSERT_EQ(p.groups[g].level_count, 2);
            EXPECT_EQ(l.width - l.margin_left - l.margin_right, t.w) << std::hex << t.format;
            EXPECT_EQ(l.height - l.margin_top - l.margin_bottom, t.h) << std::hex << t.format;
            EXPECT_EQ(l.limit_x, t.frame_w);
            EXPECT_EQ(l.limit_y, t.frame_h);
            EXPECT_EQ(l.margin_left, t.w == 256 ? 16 : 8);
            EXPECT_EQ(l.margin_top, t.h == 64 ? 8 : 16);
        }
        nr_pyramid_free(nullptr, &p);
    }
}

TEST(Pyramid, SetRectClipsTheTileAtTheFrameBorderOnEveryLevel) {
    NrPyramid p{};
    const NrSize tile{256, 256};
    NrRect m;
    nr_rect_set_all(&m, 8);
    ASSERT_EQ(nr_pyramid_create(nullptr, &p, kLuma, 700, 700, &tile, &m, &m, 4, 0, 1), NR_OK);
    EXPECT_EQ(nr_pyramid_set_rect(&p, 512, 0, 256, 256, 700, 700), 1);
    const int32_t inner[4] = {188, 94, 47, 24}, origin[4] = {512, 256, 128, 64};
    for (int32_t i = 0; i < 4; ++i) {
        const NrLevel& l = p.groups[0].levels[i];
        EXPECT_EQ(l.width - l.margin_left - l.margin_right, inner[i]) << i;
        EXPECT_EQ(l.origin_x, origin[i]);
        EXPECT_EQ(l.height - l.margin_top - l.margin_bottom, 256 >> i);
        if (i < 3) {
            EXPECT_EQ(p.groups[0].bands[i].width, inner[i] + 16);
        }
    }
    // Moving keeps the sizes.
    const int32_t w0 = p.groups[0].levels[0].width;
    EXPECT_EQ(nr_pyramid_move(&p, 256, 512), 1);
    EXPECT_EQ(p.groups[0].levels[0].width, w0);
    EXPECT_EQ(p.groups[0].levels[2].origin_x, 64);
    EXPECT_EQ(p.groups[0].levels[2].origin_y, 128);
    EXPECT_EQ(p.groups[0].bands[1].origin_y, 256);
    nr_pyramid_free(nullptr, &p);
}

TEST(Pyramid, MirrorPaddingAtTheTopLeftCornerReflectsWithoutRepeatingTheEdge) {
    NrLevel l{};
    const NrRect m{8, 8, 8, 8};
    ASSERT_EQ(nr_plane_alloc(nullptr, &l, 0x10, &m, 32, 32), NR_OK);
    l.limit_x = l.limit_y = 100;
    fill_level0(l, 5, 255);
    for (int32_t k = 1; k <= 8; ++k)
        for (int32_t r = 8; r < l.height; ++r) {
            ASSERT_EQ(at(l, 8 - k, r), at(l, 8 + k, r));
            ASSERT_EQ(at(l, r, 8 - k), at(l, r, 8 + k));
        }
    EXPECT_EQ(at(l, 0, 0), at(l, 16, 16));
    nr_free(nullptr, l.plane);
}

// Frames narrower than the margins: every sample of the buffer is written, every read stays in the
// valid area (AddressSanitizer watches the exact-size plane), and the values are the frame's own
// samples mirrored as often as needed.
TEST(Pyramid, MirrorPaddingFillsTheWholeBufferOfTinyFrames) {
    const int32_t sizes[][2] = {{4, 2}, {2, 2}, {1, 1}, {3, 5}, {1, 7}, {5, 1}, {16, 16}, {17, 9}};
    for (const auto& s : sizes) {
        NrLevel l{};
        const NrRect m{8, 8, 8, 8};
        ASSERT_EQ(nr_plane_alloc(nullptr, &l, 0x10, &m, s[0], s[1]), NR_OK);
        l.limit_x = s[0];
        l.limit_y = s[1];
        std::memset(l.plane, 0xEE, static_cast<size_t>(l.stride) * l.height);
        for (int32_t r = 0; r < s[1]; ++r)
            for (int32_t c = 0; c < s[0]; ++c)
                at(l, 8 + c, 8 + r) = static_cast<uint8_t>(10 * r + c);
        nr_level_pad_borders(&l, 0, 0);
        auto mirror = [](int32_t i, int32_t n) {
            if (n == 1)
                return 0;
            const int32_t period = 2 * (n - 1);
            int32_t t = ((i % period) + period) % period;
            return t < n ? t : period - t;
        };
        for (int32_t r = 0; r < l.height; ++r)
            for (int32_t c = 0; c < l.width; ++c)
                ASSERT_EQ(at(l, c, r), 10 * mirror(r - 8, s[1]) + mirror(c - 8, s[0]))
                    << s[0] << "x" << s[1] << " at " << c << "," << r;
        nr_free(nullptr, l.plane);
    }
}

TEST(Pyramid, PaddingSkipsWideSamplesAndEmptyValidAreas) {
    NrLevel l{};
    ASSERT_EQ(nr_plane_alloc(nullptr, &l, 0x20, nullptr, 4, 4), NR_OK);
    l.limit_x = l.limit_y = 2;
    std::memset(l.plane, 7, static_cast<size_t>(l.stride) * l.height * 2);
    nr_level_pad_borders(&l, 0, 0);
    for (int32_t i = 0; i < l.stride * l.height * 2; ++i)
        ASSERT_EQ(l.plane[i], 7);
    l.format = 0x10;
    l.origin_x = 10; // entirely right of its frame
    nr_level_pad_borders(&l, 0, 0);
    for (int32_t i = 0; i < l.stride * l.height; ++i)
        ASSERT_EQ(l.plane[i], 7);
    nr_free(nullptr, l.plane);
}

struct RoundTrip {
    int32_t frame_w, frame_h, tile_w, tile_h, levels, share;
};

// Build then reconstruct gives back every valid sample when no band clamps.
TEST(Pyramid, BuildThenReconstructReturnsTheInput) {
    const RoundTrip cases[] = {
        {2, 2, 2, 2, 2, 1},         {4, 4, 4, 4, 3, 1},      {4, 2, 4, 2, 2, 1},
        {5, 3, 5, 3, 3, 0},         {7, 9, 7, 9, 4, 1},      {33, 17, 16, 16, 3, 1},
        {100, 60, 64, 32, 4, 1},    {100, 60, 64, 32, 4, 0}, {257, 129, 128, 64, 5, 1},
        {300, 200, 256, 256, 4, 1}, {61, 45, 32, 32, 3, 0}};
    for (const uint32_t mask : {NR_CPU_ALL, 0u}) {
        nr_cpu_set_mask(mask);
        for (const RoundTrip& c : cases) {
            const int32_t L = c.levels;
            for (int32_t ty = 0; ty < c.frame_h; ty += c.tile_h)
                for (int32_t tx = 0; tx < c.frame_w; tx += c.tile_w) {
                    // Wanted margins 8 << (L - 1), clipped to the room between tile and border.
                    const int32_t want = 8 << (L - 1);
                    const NrRect wanted{std::min(want, tx), std::min(want, ty),
                                        std::max(0, std::min(want, c.frame_w - tx - c.tile_w)),
                                        std::max(0, std::min(want, c.frame_h - ty - c.tile_h))};
                    NrRect minimum;
                    nr_rect_set_all(&minimum, 8);
                    const NrSize tile{c.tile_w, c.tile_h};
                    NrPyramid p{};
                    ASSERT_EQ(nr_pyramid_create(nullptr, &p, kLuma, c.frame_w, c.frame_h, &tile,
                                                &wanted, &minimum, L, 0, c.share),
                              NR_OK);
                    nr_pyramid_set_rect(&p, tx, ty, c.tile_w, c.tile_h, c.frame_w, c.frame_h);
                    NrLevelGroup& g = p.groups[0];
                    fill_level0(g.levels[0], 11, 120);
                    const NrLevel l0 = g.levels[0];
                    std::vector<uint8_t> input(l0.plane, l0.plane + static_cast<size_t>(l0.stride) *
                                                                        l0.height);
                    ASSERT_EQ(nr_pyramid_build(nullptr, &p), 0);
                    ASSERT_EQ(nr_group_reconstruct(nullptr, &g), 0);
                    // The band-sized area around the inner area (inside the frame) is restored.
                    const Valid v = valid_of(l0);
                    const int32_t cx0 = std::max(v.x0, l0.margin_left - 8);
                    const int32_t cx1 = std::min(v.x1, l0.width - l0.margin_right + 8);
                    const int32_t cy0 = std::max(v.y0, l0.margin_top - 8);
                    const int32_t cy1 = std::min(v.y1, l0.height - l0.margin_bottom + 8);
                    for (int32_t r = cy0; r < cy1; ++r)
                        for (int32_t col = cx0; col < cx1; ++col)
                            ASSERT_EQ(at(l0, col, r),
                                      input[static_cast<size_t>(r) * l0.stride + col])
                                << c.frame_w << "x" << c.frame_h << " tile " << tx << "," << ty
                                << " share " << c.share << " mask " << mask << " at " << col << ","
                                << r;
                    nr_pyramid_free(nullptr, &p);
                }
        }
    }
    nr_cpu_set_mask(NR_CPU_ALL);
}

TEST(Pyramid, SharedAndOwnBandPlanesGiveTheSameBands) {
    NrPyramid ps{}, po{};
    NrRect m;
    nr_rect_set_all(&m, 8);
    const NrSize tile{64, 64};
    ASSERT_EQ(nr_pyramid_create(nullptr, &ps, kLuma, 200, 100, &tile, &m, &m, 3, 0, 1), NR_OK);
    ASSERT_EQ(nr_pyramid_create(nullptr, &po, kLuma, 200, 100, &tile, &m, &m, 3, 0, 0), NR_OK);
    for (NrPyramid* p : {&ps, &po}) {
        // An odd origin puts a border strip of the plain upsample inside the band.
        nr_pyramid_set_rect(p, 63, 0, 64, 64, 200, 100);
        fill_level0(p->groups[0].levels[0], 3, 255);
        ASSERT_EQ(nr_pyramid_build(nullptr, p), 0);
    }
    // The coarsest levels agree everywhere; the bands agree where both use truncated values,
    // the fast interior of the plain upsample.
    const NrLevel& cs = ps.groups[0].levels[2];
    const NrLevel& co = po.groups[0].levels[2];
    for (int32_t r = 0; r < cs.height; ++r)
        for (int32_t c = 0; c < cs.width; ++c)
            ASSERT_EQ(at(cs, c, r), at(co, c, r));
    const NrLevel& bs = ps.groups[0].bands[0];
    const NrLevel& bo = po.groups[0].bands[0];
    int32_t differ = 0;
    for (int32_t r = 16; r < bs.height - 16; ++r)
        for (int32_t c = 16; c < bs.width - 16; ++c)
            differ += at(bs, c, r) != at(bo, c, r);
    EXPECT_EQ(differ, 0);
    // The rounded border of the plain upsample shows somewhere in the full band.
    int32_t differ_all = 0;
    for (int32_t r = 0; r < bs.height; ++r)
        for (int32_t c = 0; c < bs.width; ++c)
            differ_all += at(bs, c, r) != at(bo, c, r);
    EXPECT_GT(differ_all, 0);
    nr_pyramid_free(nullptr, &ps);
    nr_pyramid_free(nullptr, &po);
}

TEST(Pyramid, BuildWithOverridesReplacesTheCoarseLevelBeforeTheBand) {
    NrPyramid p{};
    NrRect m;
    nr_rect_set_all(&m, 8);
    const NrSize tile{32, 32};
    ASSERT_EQ(nr_pyramid_create(nullptr, &p, kLuma, 32, 32, &tile, &m, &m, 2, 0, 1), NR_OK);
    nr_pyramid_set_rect(&p, 0, 0, 32, 32, 32, 32);
    NrLevelGroup& g = p.groups[0];
    fill_level0(g.levels[0], 9, 255);
    std::vector<uint8_t> fine(g.levels[0].plane,
                              g.levels[0].plane +
                                  static_cast<size_t>(g.levels[0].stride) * g.levels[0].height);
    NrLevel over[2] = {};
    over[1] = g.levels[1];
    std::vector<uint8_t> flat(static_cast<size_t>(over[1].stride) * over[1].height, 100);
    over[1].plane = flat.data();
    over[0] = g.levels[0];
    over[0].plane = fine.data(); // the same content: copying it changes nothing
    ASSERT_EQ(nr_group_build(nullptr, &g, over, 2), 0);
    const NrLevel& b = g.bands[0];
    for (int32_t r = 0; r < b.height; ++r)
        for (int32_t c = 0; c < b.width; ++c) {
            const int32_t f = fine[static_cast<size_t>(r + 0) * g.levels[0].stride + c];
            ASSERT_EQ(static_cast<int8_t>(at(b, c, r)), std::max(-128, std::min(127, f - 100)));
        }
    nr_pyramid_free(nullptr, &p);
}

TEST(Pyramid, ExplicitRectangleResamplingWritesOnlyTheRectangle) {
    NrLevel fine{}, coarse{}, up{};
    NrRect m;
    nr_rect_set_all(&m, 8);
    ASSERT_EQ(nr_plane_alloc(nullptr, &fine, 0x10, &m, 40, 30), NR_OK);
    ASSERT_EQ(nr_plane_alloc(nullptr, &coarse, 0x10, &m, 20, 15), NR_OK);
    ASSERT_EQ(nr_plane_alloc(nullptr, &up, 0x10, &m, 40, 30), NR_OK);
    fine.limit_x = up.limit_x = 40, fine.limit_y = up.limit_y = 30;
    coarse.limit_x = 20, coarse.limit_y = 15;
    fill_level0(fine, 1, 255);
    // Whole range, then a rectangle on a copy: equal inside, untouched outside.
    ASSERT_EQ(nr_downsample_level(&fine, &coarse, nullptr), 0);
    std::vector<uint8_t> whole(coarse.plane,
                               coarse.plane + static_cast<size_t>(coarse.stride) * coarse.height);
    std::memset(coarse.plane, 0, whole.size());
    const NrRect rect{3, 2, 11, 9}; // coarse frame columns 3..10, rows 2..8
    ASSERT_EQ(nr_downsample_level(&fine, &coarse, &rect), 0);
    for (int32_t r = 0; r < coarse.height; ++r)
        for (int32_t c = 0; c < coarse.width; ++c) {
            const int32_t X = c - 8, Y = r - 8;
            const bool inside = X >= 3 && X < 11 && Y >= 2 && Y < 9;
            ASSERT_EQ(at(coarse, c, r),
                      inside ? whole[static_cast<size_t>(r) * coarse.stride + c] : 0);
        }
    ASSERT_EQ(nr_downsample_level(&fine, &coarse, nullptr), 0);
    nr_level_pad_borders(&coarse, 0, 0);
    const NrRect urect{5, 4, 21, 19};
    std::memset(up.plane, 1, static_cast<size_t>(up.stride) * up.height);
    ASSERT_EQ(nr_upsample_level(&coarse, &up, &urect), 0);
    for (int32_t r = 0; r < up.height; ++r)
        for (int32_t c = 0; c < up.width; ++c) {
            const int32_t x = c - 8, y = r - 8;
            const bool inside = x >= 5 && x < 21 && y >= 4 && y < 19;
            if (!inside) {
                ASSERT_EQ(at(up, c, r), 1);
            } else if (!(x & 1) && !(y & 1)) {
                ASSERT_EQ(at(up, c, r), at(coarse, x / 2 + 8, y / 2 + 8)); // even/even: the sample
            }
        }
    nr_free(nullptr, fine.plane);
    nr_free(nullptr, coarse.plane);
    nr_free(nullptr, up.plane);
}

TEST(Pyramid, AbsSumCoversTheInnerAreaOrARectangle) {
    NrLevel b{};
    const NrRect m{2, 1, 2, 1};
    ASSERT_EQ(nr_plane_alloc(nullptr, &b, 0x110, &m, 5, 3), NR_OK);
    std::memset(b.plane, 0x80, static_cast<size_t>(b.stride) * b.height); // -128 in the margins
    uint32_t expect = 0;
    for (int32_t r = 0; r < 3; ++r)
        for (int32_t c = 0; c < 5; ++c) {
            const int8_t v = static_cast<int8_t>((c - 2) * 10 * (r + 1));
            at(b, c + 2, r + 1) = static_cast<uint8_t>(v);
            expect += static_cast<uint32_t>(v < 0 ? -v : v);
        }
    EXPECT_EQ(nr_level_abs_sum(&b, nullptr), expect);
    const NrRect all{0, 0, 100, 100};
    EXPECT_EQ(nr_level_abs_sum(&b, &all), expect + 128u * (9 * 5 - 15));
    NrLevel view;
    nr_level_inner_view(&b, &view);
    EXPECT_EQ(view.width, 5);
    EXPECT_EQ(view.height, 3);
    EXPECT_EQ(view.plane, b.plane + b.stride + 2);
    nr_free(nullptr, b.plane);
}

// Every allocation of a creation may fail; the pyramid then holds exactly what was allocated and
// nr_pyramid_free releases it (LeakSanitizer checks at exit).
TEST(Pyramid, ReleasingAPartlyCreatedPyramidFreesWhatWasAllocated) {
    for (int32_t share : {1, 0}) {
        int32_t failures = 0;
        for (int32_t n = 0; n < 64; ++n) {
            NrPyramid p{};
            const NrSize tile{64, 64};
            NrRect m;
            nr_rect_set_all(&m, 8);
            nr_test_fail_alloc_after(n);
            const int r =
                nr_pyramid_create(nullptr, &p, kYuy2, 200, 100, &tile, &m, &m, 3, 2, share);
            nr_test_fail_alloc_after(-1);
            nr_pyramid_free(nullptr, &p);
            EXPECT_EQ(p.groups, nullptr);
            if (r == NR_OK)
                break;
            EXPECT_EQ(r, NR_ERR_NO_MEMORY);
            ++failures;
        }
        EXPECT_GT(failures, 3);
    }
}

} // namespace

// Level filter and block filter: parameters, block grid, flat blocks, block matching, weights,
// accumulators and finalisers, the further operations, and the fast forms against the portable.
#include <gtest/gtest.h>

#include <math.h>
#include <stdint.h>
#include <string.h>

#include <random>
#include <vector>

#include "nr_cpu.h"
#include "nr_engine.h"
#include "nr_filter.h"
#include "nr_kernels.h"
#include "nr_pyramid.h"
#include "nr_runtime.h"
#include "nr_tiles.h"

namespace {

const uint32_t U8 = NR_SAMPLE_U8;
const uint32_t S8 = NR_SAMPLE_S8;

/* A level with its own storage: inner w x h, the same margin on every side. */
struct Plane {
    std::vector<uint8_t> buf;
    NrLevel level{};
    Plane(int w, int h, int margin, uint32_t format) {
        level.format = format;
        level.width = w + 2 * margin;
        level.height = h + 2 * margin;
        level.stride = (level.width + 3) & ~3;
        level.margin_left = level.margin_top = level.margin_right = level.margin_bottom = margin;
        buf.assign((size_t)level.stride * level.height, 0);
        level.plane = buf.data();
    }
    Plane(const Plane& o) : buf(o.buf), level(o.level) { level.plane = buf.data(); }
    Plane& operator=(const Plane&) = delete;
    /* Inner-area coordinates; margins are negative or beyond the inner size. */
    uint8_t& at(int x, int y) {
        return buf[(size_t)(y + level.margin_top) * level.stride + x + level.margin_left];
    }
    uint8_t* ptr(int x, int y) { return &at(x, y); }
    int inner_w() const { return level.width - level.margin_left - level.margin_right; }
    int inner_h() const { return level.height - level.margin_top - level.margin_bottom; }
    void fill_random(std::mt19937& rng, int lo, int hi) {
        std::uniform_int_distribution<int> dist(lo, hi);
        for (auto& b : buf)
            b = (uint8_t)dist(rng);
    }
};

/* A noise map on the level's own grid (shifts 0) with one value everywhere. */
struct Map {
    std::vector<uint8_t> buf;
    NrNoiseMap map{};
    Map(int w, int h, uint8_t value, int table_index = 0, int shift = 0) {
        map.width = w + 16;
        map.height = h + 16;
        map.stride = (map.width + 3) & ~3;
        map.margin_left = map.margin_top = 4;
        map.margin_right = map.width - w - 4;
        map.margin_bottom = map.height - h - 4;
        map.table_index = table_index;
        map.shift_x = map.shift_y = shift;
        buf.assign((size_t)map.stride * map.height, value);
        map.plane = buf.data();
    }
};

NrFilterParams params(int d, int keep, int flat, int radius, int steps, int noise_scale = 4) {
    NrFilterParams p{};
    p.block_size = d;
    p.keep = keep;
    p.flat_factor = flat;
    p.radius = radius;
    p.steps = steps;
    p.noise_scale = noise_scale;
    return p;
}

NrLevelFilter record(uint8_t type, int group, int level, int keep) {
    NrLevelFilter f{};
    f.filter_type = type;
    f.group = group;
    f.level = level;
    f.keep = keep;
    return f;
}

/* Restores every CPU feature when a test ends. */
struct CpuMask {
    uint32_t saved;
    explicit CpuMask(uint32_t mask) : saved(nr_cpu_set_mask(mask)) {}
    ~CpuMask() { nr_cpu_set_mask(saved); }
};

const uint32_t kMasks[] = {0u, NR_CPU_FAST, NR_CPU_FAST | NR_CPU_SSE2, NR_CPU_ALL};

// ---- weights -------------------------------------------------------------------------------

TEST(FilterWeights, TableIsRoundedSixteenTimesExpOfMinusISixteenths) {
    NrWeightLut lut{};
    ASSERT_EQ(nr_weight_lut_get(nullptr, &lut), 0);
    ASSERT_EQ(lut.count, 64);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(lut.table[i], (int)lround(16.0 * exp(-i / 16.0))) << i;
    nr_weight_lut_release(nullptr, &lut);
    EXPECT_EQ(lut.table, nullptr);
    EXPECT_EQ(lut.count, 0);
}

TEST(FilterWeights, SigmaSixtyFourAndNoiseScaleFourGiveSlopeSixteen) {
    NrWeightLut lut{};
    nr_weight_lut_get(nullptr, &lut);
    const uint32_t h = nr_weight_slope(64, 4);
    EXPECT_EQ(h, 16u); /* 1,056 / 64 truncated */
    EXPECT_EQ(nr_candidate_weight(0, h, lut.table), 16u);
    EXPECT_EQ(nr_candidate_weight(8192, h, lut.table), 6u);        /* index 16 */
    EXPECT_EQ(nr_candidate_weight(28671, h, lut.table), 1u);       /* index 55 */
    EXPECT_EQ(nr_candidate_weight(28672, h, lut.table), 0u);       /* index 56 */
    EXPECT_EQ(nr_candidate_weight(0xFFFFFFFFu, h, lut.table), 0u); /* 64-bit product */
}

// ---- parameters ----------------------------------------------------------------------------

TEST(FilterParams, FilterTypeBytesMapToSearchBlockAndFlatSettings) {
    struct Case {
        uint8_t type;
        int group, level, j;
        int d, radius, steps, flat, noise_scale;
    } cases[] = {
        {0x22, 0, 0, 0, 8, 1, 2, 0, 4},     /* interactive mode, luma: no flat test */
        {0x22, 1, 1, 1, 8, 1, 2, 8, 8},     /* chroma level 1: flat 8 */
        {0x20, 2, 2, 2, 4, 1, 2, 4, 16},    /* chroma level 2, 4 x 4 */
        {0x20, 1, 3, 3, 4, 1, 2, 1, 32},    /* chroma level 3 */
        {0x21, 0, 0, 1, 4, 1, 0, 0, 8 - 2}, /* bit 0: no steps, scale 2^(j+2) - 2^j */
        {0x25, 1, 0, 0, 4, 0, 0, 12, 3},    /* bit 2: no search at all */
        {0x10, 0, 0, 0, 4, 3, 0, 0, 2},     /* kind 1, luma level 0: e = 1 */
        {0x10, 0, 1, 1, 4, 3, 0, 0, 8},     /* e = 2 elsewhere */
        {0x15, 0, 0, 0, 4, 1, 3, 8, 2},     /* kind 1 bits 0 and 2 */
        {0x13, 0, 1, 1, 8, 3, 0, 4, 8},     {0x11, 0, 2, 2, 4, 3, 0, 0, 16},
        {0x17, 1, 1, 1, 8, 1, 3, 6, 8},     {0x11, 2, 2, 0, 4, 3, 0, 4, 4},
        {0x11, 1, 3, 3, 4, 3, 0, 1, 32},
    };
    for (const Case& c : cases) {
        Map m(8, 8, 1, c.j);
        NrLevelFilter f = record(c.type, c.group, c.level, 0);
        NrFilterParams p{};
        int32_t kind = -1;
        ASSERT_EQ(nr_filter_params_derive(&f, &m.map, &p, &kind), NR_OK) << std::hex << c.type;
        EXPECT_EQ(kind, c.type >> 4);
        EXPECT_EQ(p.block_size, c.d) << std::hex << (int)c.type;
        EXPECT_EQ(p.radius, c.radius) << std::hex << (int)c.type;
        EXPECT_EQ(p.steps, c.steps) << std::hex << (int)c.type;
        EXPECT_EQ(p.flat_factor, c.flat) << std::hex << (int)c.type << " level " << c.level;
        EXPECT_EQ(p.noise_scale, c.noise_scale) << std::hex << (int)c.type;
    }
}

TEST(LevelFilter, KindZeroAndKeep256LeaveTheLevelAndUnknownKindsFail) {
    std::mt19937 rng(7);
    Plane level(24, 24, 8, U8);
    level.fill_random(rng, 0, 255);
    const std::vector<uint8_t> before = level.buf;
    Map m(24, 24, 200);

    NrLevelFilter kind0 = record(0x02, 0, 0, 0);
    EXPECT_EQ(nr_level_filter(nullptr, &level.level, &m.map, &kind0, &level.level), NR_OK);
    EXPECT_EQ(level.buf, before);

    NrLevelFilter kind3 = record(0x30, 0, 0, 0);
    EXPECT_EQ(nr_level_filter(nullptr, &level.level, &m.map, &kind3, &level.level),
              NR_ERR_FILTER_TYPE);
    EXPECT_EQ(level.buf, before);

    /* keep 256 passes even an unknown kind and copies into a different destination. */
    kind3.keep = 256;
    EXPECT_EQ(nr_level_filter(nullptr, &level.level, &m.map, &kind3, &level.level), NR_OK);
    EXPECT_EQ(level.buf, before);
    Plane other(24, 24, 8, U8);
    EXPECT_EQ(nr_level_filter(nullptr, &level.level, &m.map, &kind3, &other.level), NR_OK);
    EXPECT_EQ(other.buf, before);

    NrLevelFilter kind2 = record(0x22, 0, 0, 256);
    EXPECT_EQ(nr_level_filter(nullptr, &level.level, &m.map, &kind2, &level.level), NR_OK);
    EXPECT_EQ(level.buf, before);
}

TEST(LevelFilter, ScratchAllocationFailureReportsNoMemory) {
    Plane level(16, 16, 8, U8);
    Map m(16, 16, 30);
    NrLevelFilter f = record(0x22, 0, 0, 0);
    nr_test_fail_alloc_after(0);
    const int status = nr_level_filter(nullptr, &level.level, &m.map, &f, &level.level);
    nr_test_fail_alloc_after(-1);
    EXPECT_EQ(status, NR_ERR_NO_MEMORY);
    EXPECT_EQ(nr_level_filter(nullptr, &level.level, &m.map, &f, &level.level), NR_OK);
}

// ---- block loop ----------------------------------------------------------------------------

/* Columns' values after flattening every block to its mean: equal within a block. */
std::vector<int> flattened_row(int inner_w, int d) {
    Plane level(inner_w, d, 8, U8);
    for (int y = -8; y < d + 8; ++y)
        for (int x = -8; x < inner_w + 8; ++x)
            level.at(x, y) = (uint8_t)(100 + 3 * x);
    Map m(inner_w, d, 255);
    NrFilterParams p = params(d, 0, 12, 0, 0);
    EXPECT_EQ(nr_block_filter_level(nullptr, &level.level, &m.map, &p, &level.level), NR_OK);
    std::vector<int> row;
    for (int x = -8; x < inner_w + 8; ++x)
        row.push_back(level.at(x, d / 2));
    return row;
}

/* Checks that exactly the columns of the given blocks were flattened (row index 0 is column -8). */
void expect_blocks(int inner_w, int d, const std::vector<int>& starts) {
    const std::vector<int> row = flattened_row(inner_w, d);
    std::vector<int> block_of(row.size(), -1);
    for (size_t b = 0; b < starts.size(); ++b)
        for (int x = starts[b]; x < starts[b] + d; ++x)
            block_of[x + 8] = (int)b;
    for (size_t i = 0; i < row.size(); ++i) {
        const int x = (int)i - 8;
        if (block_of[i] < 0) {
            EXPECT_EQ(row[i], 100 + 3 * x) << "column " << x << " should be untouched";
        } else {
            const int b0 = starts[block_of[i]];
            /* keep 0, d = 8: the mean of the block itself (a 4 x 4 block's window overlaps the
             * already flattened block to its left). */
            if (d == 8) {
                const int s1 = 8 * (800 + 24 * b0 + 84);
                EXPECT_EQ(row[i], (s1 + 32) >> 6) << "column " << x;
            }
            EXPECT_EQ(row[i], row[b0 + 8]) << "column " << x << " in block at " << b0;
            if (block_of[i] > 0 && x == b0) {
                EXPECT_NE(row[i], row[i - 1]) << "block boundary at " << x;
            }
        }
    }
}

TEST(BlockLoop, GridStartsHalfABlockEarlyWhenTheRemainderIsSmall) {
    /* 16 wide, d = 8: remainder 0 < 4, blocks at -4, 4 and 12. */
    expect_blocks(16, 8, {-4, 4, 12});
    /* 21 wide: remainder 5, blocks at 0, 8 and 16 (the last reaches into the margin). */
    expect_blocks(21, 8, {0, 8, 16});
    /* d = 4 over 10: remainder 2, not below 2: blocks at 0, 4 and 8. */
    expect_blocks(10, 4, {0, 4, 8});
    /* d = 4 over 9: remainder 1: blocks at -2, 2 and 6. */
    expect_blocks(9, 4, {-2, 2, 6});
}

TEST(BlockLoop, NoiseValueZeroNeverChangesABlock) {
    std::mt19937 rng(11);
    for (uint32_t mask : kMasks) {
        CpuMask cpu(mask);
        Plane level(32, 24, 8, U8);
        level.fill_random(rng, 0, 255);
        const std::vector<uint8_t> before = level.buf;
        Map m(32, 24, 0);
        NrFilterParams p = params(8, 0, 12, 1, 2);
        ASSERT_EQ(nr_block_filter_level(nullptr, &level.level, &m.map, &p, &level.level), NR_OK);
        EXPECT_EQ(level.buf, before);
    }
}

TEST(BlockLoop, EdgeValue255SkipsTheFlatTest) {
    Plane level(16, 16, 8, U8);
    for (int y = -8; y < 24; ++y)
        for (int x = -8; x < 24; ++x)
            level.at(x, y) = (uint8_t)(120 + (x & 1));
    const std::vector<uint8_t> before = level.buf;
    Map m(16, 16, 255);
    Plane edge(16, 16, 8, U8);
    std::fill(edge.buf.begin(), edge.buf.end(), 255);
    NrFilterParams p = params(8, 0, 12, 0, 0); /* no search: only the flat test could act */
    p.edge_map = &edge.level;
    ASSERT_EQ(nr_block_filter_level(nullptr, &level.level, &m.map, &p, &level.level), NR_OK);
    EXPECT_EQ(level.buf, before);
    /* Without the edge the same blocks are flat and become their means. */
    p.edge_map = nullptr;
    ASSERT_EQ(nr_block_filter_level(nullptr, &level.level, &m.map, &p, &level.level), NR_OK);
    EXPECT_NE(level.buf, before);
    EXPECT_EQ(level.at(5, 5), 121); /* mean 120.5: (7712 + 32) >> 6 = 121 */
}

TEST(BlockLoop, NoiseMapLookupRoundsTheBlockCentreToTheGrid) {
    /* d = 4 over 10 x 10: blocks at 0, 4 and 8 both ways. With shifts 2 (x) and 1 (y) the centres
     * round to grid columns (x + 2 + 2) >> 2 = 1, 2, 3 and rows (y + 2 + 1) >> 1 = 1, 3, 5. Only
     * grid point (1, 3) has noise: only the block at (0, 4) is flattened. */
    Plane level(10, 10, 8, U8);
    for (int y = -8; y < 18; ++y)
        for (int x = -8; x < 18; ++x)
            level.at(x, y) = (uint8_t)(100 + 3 * x + 5 * y);
    const Plane before = level;
    Map m(8, 8, 0);
    m.map.shift_x = 2;
    m.map.shift_y = 1;
    m.buf[(size_t)(3 + m.map.margin_top) * m.map.stride + 1 + m.map.margin_left] = 255;
    NrFilterParams p = params(4, 0, 12, 0, 0);
    ASSERT_EQ(nr_block_filter_level(nullptr, &level.level, &m.map, &p, &level.level), NR_OK);
    /* The flat statistics window of the block: columns -2 .. 5, rows 2 .. 9. */
    int s1 = 0;
    for (int y = 2; y < 10; ++y)
        for (int x = -2; x < 6; ++x)
            s1 += before.buf[(size_t)(y + 8) * before.level.stride + x + 8];
    const int mean = (s1 + 32) >> 6;
    for (int y = -8; y < 18; ++y)
        for (int x = -8; x < 18; ++x) {
            const bool in_block = x >= 0 && x < 4 && y >= 4 && y < 8;
            const int want = in_block ? mean : 100 + 3 * x + 5 * y;
            ASSERT_EQ(level.at(x, y), want) << x << "," << y;
        }
}

TEST(BlockLoop, FlatThresholdIsShiftedDownByTheLevelIndex) {
    /* A 120 / 121 checkerboard: every 8 x 8 window has 64 S2 - S1^2 = 1,024. With noise 2 and
     * flat factor 1, T = 2 >> j: flat (1,024 <= T << 12) for j = 0 and 1, not flat for j = 2. */
    for (int j = 0; j < 3; ++j) {
        Plane level(12, 12, 8, U8);
        for (int y = -8; y < 20; ++y)
            for (int x = -8; x < 20; ++x)
                level.at(x, y) = (uint8_t)(120 + ((x + y) & 1));
        const std::vector<uint8_t> before = level.buf;
        Map m(12, 12, 2, j);
        NrFilterParams p = params(8, 0, 1, 0, 0);
        ASSERT_EQ(nr_block_filter_level(nullptr, &level.level, &m.map, &p, &level.level), NR_OK);
        if (j < 2) {
            EXPECT_EQ(level.at(0, 0), 121) << j; /* (7,712 + 32) >> 6 */
            EXPECT_EQ(level.at(11, 11), 121) << j;
        } else {
            EXPECT_EQ(level.buf, before);
        }
    }
}

TEST(BlockLoop, EdgeValueWidensTheSearchSigma) {
    /* One 8 x 8 block (inner 4 x 4: remainder 4, grid from 0). sigma = (W x (X + 64)) >> 6. */
    std::mt19937 rng(17);
    std::vector<uint8_t> scratch(NR_BLOCK_SCRATCH_SIZE);
    NrWeightLut lut{};
    nr_weight_lut_get(nullptr, &lut);
    Plane level(4, 4, 8, U8);
    std::normal_distribution<double> noise(0.0, 5.0);
    for (int y = -8; y < 12; ++y)
        for (int x = -8; x < 12; ++x)
            level.at(x, y) = (uint8_t)std::min(255l, std::max(0l, 90 + 2 * x + lround(noise(rng))));
    std::vector<std::vector<uint8_t>> outs;
    for (int edge_value : {0, 100, 254}) {
        Plane edge(4, 4, 8, U8);
        std::fill(edge.buf.begin(), edge.buf.end(), (uint8_t)edge_value);
        Map m(4, 4, 20);
        NrFilterParams p = params(8, 0, 0, 1, 2, 4);
        p.edge_map = &edge.level;
        Plane got = level;
        ASSERT_EQ(nr_block_filter_level(nullptr, &got.level, &m.map, &p, &got.level), NR_OK);
        Plane want = level;
        nr_block_search(level.ptr(0, 0), level.level.stride, want.ptr(0, 0), want.level.stride, U8,
                        8, 2, 1, 0, (uint32_t)(20 * (edge_value + 64)) >> 6, 4, lut.table,
                        scratch.data(), (int32_t)scratch.size());
        ASSERT_EQ(got.buf, want.buf) << "edge " << edge_value;
        outs.push_back(got.buf);
    }
    EXPECT_NE(outs[0], outs[2]); /* the edge value mattered */
}

TEST(BlockLoop, DifferentDestinationGetsTheInnerAreaGrownByEight) {
    std::mt19937 rng(5);
    Plane src(20, 12, 10, U8);
    src.fill_random(rng, 0, 255);
    Plane dst(20, 12, 10, U8);
    Map m(20, 12, 0); /* nothing filtered: dst is the copy only */
    NrFilterParams p = params(4, 0, 0, 1, 2);
    ASSERT_EQ(nr_block_filter_level(nullptr, &src.level, &m.map, &p, &dst.level), NR_OK);
    for (int y = -10; y < 22; ++y)
        for (int x = -10; x < 30; ++x) {
            const bool inside = x >= -8 && x < 28 && y >= -8 && y < 20;
            EXPECT_EQ(dst.at(x, y), inside ? src.at(x, y) : 0) << x << "," << y;
        }
}

// ---- flat blocks ---------------------------------------------------------------------------

TEST(FlatBlock, MeanBlendUsesTheKeepFactorAndClamps) {
    Plane level(8, 8, 8, S8);
    for (int y = -2; y < 10; ++y)
        for (int x = -2; x < 10; ++x)
            level.at(x, y) = (uint8_t)(int8_t)(((x + y) & 1) ? -3 : 4);
    /* 8 x 8 signed window: S1 = 32, m = (32 + 32) >> 6 = 1. */
    Plane out = level;
    ASSERT_EQ(nr_flat_block(out.ptr(0, 0), out.level.stride, level.ptr(0, 0), level.level.stride, 8,
                            nullptr, 0, 128, S8, 1000),
              1);
    /* s = 4: (256 + 128 + 3 x 128) >> 8 = 3; s = -3: (256 + 128 - 4 x 128) >> 8 = -1. */
    EXPECT_EQ((int8_t)out.at(0, 0), 3);
    EXPECT_EQ((int8_t)out.at(1, 0), -1);
    /* A threshold below the variance measure leaves the block: not flat. */
    int32_t sum = 0, var = 0;
    nr_block_stats(level.ptr(0, 0), level.level.stride, &sum, &var, S8);
    EXPECT_EQ(sum, 32);
    const uint32_t below = (uint32_t)((var >> 12) - 1);
    Plane untouched = level;
    EXPECT_EQ(nr_flat_block(untouched.ptr(0, 0), untouched.level.stride, level.ptr(0, 0),
                            level.level.stride, 8, nullptr, 0, 0, S8, below),
              0);
    EXPECT_EQ(untouched.buf, level.buf);
}

TEST(FlatBlock, UpsampleBlendFromTheCoarserLevel) {
    Plane block(8, 8, 8, U8);
    for (auto& b : block.buf)
        b = 200;
    Plane coarse(8, 8, 8, U8);
    for (int y = -4; y < 8; ++y)
        for (int x = -4; x < 8; ++x)
            coarse.at(x, y) = 10; /* flat statistics window */
    coarse.at(0, 0) = 10;
    coarse.at(1, 0) = 21;
    coarse.at(0, 1) = 30;
    coarse.at(1, 1) = 41;
    /* keep 0: the output is the upsampled value itself. */
    Plane out8 = block;
    ASSERT_EQ(nr_flat_block(out8.ptr(0, 0), out8.level.stride, block.ptr(0, 0), block.level.stride,
                            8, coarse.ptr(0, 0), coarse.level.stride, 0, U8, 4),
              0); /* the window holds 21, 30, 41: not flat at a small threshold */
    ASSERT_EQ(nr_flat_block(out8.ptr(0, 0), out8.level.stride, block.ptr(0, 0), block.level.stride,
                            8, coarse.ptr(0, 0), coarse.level.stride, 0, U8, 100000),
              1);
    EXPECT_EQ(out8.at(0, 0), 10);
    EXPECT_EQ(out8.at(1, 0), 16);                          /* (10 + 21 + 1) >> 1 */
    EXPECT_EQ(out8.at(0, 1), 20);                          /* (10 + 30 + 1) >> 1 */
    EXPECT_EQ(out8.at(1, 1), (30 + 41 + 2 * 16 + 2) >> 2); /* 8 x 8 rule */
    Plane out4 = block;
    Plane block4(4, 4, 8, U8);
    for (auto& b : block4.buf)
        b = 200;
    ASSERT_EQ(nr_flat_block(out4.ptr(0, 0), out4.level.stride, block4.ptr(0, 0),
                            block4.level.stride, 4, coarse.ptr(0, 0), coarse.level.stride, 0, U8,
                            100000),
              1);
    EXPECT_EQ(out4.at(1, 1), (10 + 21 + 30 + 41 + 2) >> 2); /* 4 x 4 rule */
    /* keep 256 returns the block itself. */
    Plane same = block;
    ASSERT_EQ(nr_flat_block(same.ptr(0, 0), same.level.stride, block.ptr(0, 0), block.level.stride,
                            8, coarse.ptr(0, 0), coarse.level.stride, 256, U8, 100000),
              1);
    EXPECT_EQ(same.buf, block.buf);
}

// ---- block matching ------------------------------------------------------------------------

struct Constant {
    static int32_t dist(int32_t, int32_t, void*) { return 5; }
};

TEST(RingSearch, CandidateCountsAndTiesKeepTheEarlierCandidate) {
    int32_t offsets[2 * NR_MAX_CANDIDATES], dist[NR_MAX_CANDIDATES];
    EXPECT_EQ(nr_ring_search(1, 0, Constant::dist, nullptr, offsets, dist), 9);
    EXPECT_EQ(nr_ring_search(1, 2, Constant::dist, nullptr, offsets, dist), 15);
    EXPECT_EQ(nr_ring_search(1, 3, Constant::dist, nullptr, offsets, dist), 18);
    EXPECT_EQ(nr_ring_search(3, 0, Constant::dist, nullptr, offsets, dist), 49);
    /* All distances equal: the ring's first candidate (-1, -1) is best, then each step's first
     * point (the outward one). */
    ASSERT_EQ(nr_ring_search(1, 2, Constant::dist, nullptr, offsets, dist), 15);
    EXPECT_EQ(offsets[0], 0);
    EXPECT_EQ(offsets[1], 0);
    EXPECT_EQ(dist[0], 0);
    const int expected[6][2] = {{-2, -2}, {-1, -2}, {-2, -1}, {-3, -3}, {-2, -3}, {-3, -2}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(offsets[2 * (9 + i)], expected[i][0]) << i;
        EXPECT_EQ(offsets[2 * (9 + i) + 1], expected[i][1]) << i;
    }
}

struct Bowl {
    /* Smallest at (1, 0) on the ring, then smallest at the second neighbour of each step. */
    static int32_t dist(int32_t dx, int32_t dy, void*) {
        if (dx == 1 && dy == 0)
            return 1;
        if (dx == 2 && dy == 1)
            return 0;
        return 100 + dx + dy;
    }
};

TEST(RingSearch, StepsMoveOutwardFromTheBestAndPickItsNeighbours) {
    int32_t offsets[2 * NR_MAX_CANDIDATES], dist[NR_MAX_CANDIDATES];
    ASSERT_EQ(nr_ring_search(1, 2, Bowl::dist, nullptr, offsets, dist), 15);
    /* From (1, 0): outward (2, 0), |qy| < |qx|: (2, -1), (2, 1). Best (2, 1), then outward
     * (3, 2) with neighbours (3, 1), (3, 3). */
    const int expected[6][2] = {{2, 0}, {2, -1}, {2, 1}, {3, 2}, {3, 1}, {3, 3}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(offsets[2 * (9 + i)], expected[i][0]) << i;
        EXPECT_EQ(offsets[2 * (9 + i) + 1], expected[i][1]) << i;
    }
}

/*
 * Test-side model of one block search: candidates from nr_ring_search with plain sample SADs,
 * weights from the exponential table, and the means of the output table.
 */
std::vector<int> model_search(Plane& level, int bx, int by, uint32_t format, int d, int steps,
                              int radius, int keep, uint32_t sigma, int noise_scale) {
    const int inset = d == 8 ? 0 : 2;
    auto sample = [&](int x, int y) -> int {
        const uint8_t v = level.at(x, y);
        return format == S8 ? (int)(int8_t)v : (int)v;
    };
    struct Ctx {
        decltype(sample)* s;
        int wx, wy;
    } ctx{&sample, bx - inset, by - inset};
    auto sad_fn = [](int32_t dx, int32_t dy, void* p) -> int32_t {
        Ctx* c = (Ctx*)p;
        uint32_t sad = 0;
        for (int v = 0; v < 8; ++v)
            for (int u = 0; u < 8; ++u)
                sad += (uint32_t)abs((*c->s)(c->wx + dx + u, c->wy + dy + v) -
                                     (*c->s)(c->wx + u, c->wy + v));
        return (int32_t)((sad * sad) >> 6);
    };
    int32_t offsets[2 * NR_MAX_CANDIDATES], dist[NR_MAX_CANDIDATES];
    const int n = nr_ring_search(radius, steps, sad_fn, &ctx, offsets, dist);
    const uint32_t h = (sigma / 2 + (uint32_t)noise_scale * 256) / sigma;
    std::vector<int> w(n);
    int64_t total = 0;
    for (int i = 0; i < n; ++i) {
        const uint64_t index = ((uint64_t)(uint32_t)dist[i] * h) >> 13;
        w[i] = index < 64 ? (int)lround(16.0 * exp(-(double)index / 16.0)) : 0;
        total += w[i];
    }
    std::vector<int> out;
    const int64_t t = total;
    for (int v = 0; v < d; ++v)
        for (int u = 0; u < d; ++u) {
            int64_t a = 0;
            for (int i = 0; i < n; ++i)
                a += (int64_t)w[i] * sample(bx + offsets[2 * i] + u, by + offsets[2 * i + 1] + v);
            int64_t m;
            if (format == U8) {
                if (n <= 16)
                    m = ((a + (t >> 1)) * (65535 / t)) >> 16;
                else if (d == 8)
                    m = (int64_t)(((uint64_t)(a + (t >> 1)) * (0xFFFFFFFFu / (uint64_t)t)) >> 32);
                else
                    m = (a + (t >> 1)) / t;
            } else {
                if (n <= 16) {
                    const int64_t biased = a + 128 * t; /* the 16-bit sums carry +128 */
                    m = ((biased - 128 * t + (t >> 1)) * (65535 / t)) >> 16;
                } else if (d == 8) {
                    m = ((a + (t >> 1)) * (int64_t)(0xFFFFFFFFu / (uint64_t)t)) >> 32;
                } else {
                    m = (a + (t >> 1)) / t;
                }
            }
            const int s = sample(bx + u, by + v);
            int o = (int)((m * 256 + 128 + (s - m) * keep) >> 8);
            if (format == U8)
                o = o < 0 ? 0 : (o > 255 ? 255 : o);
            else
                o = o < -128 ? -128 : (o > 127 ? 127 : o);
            out.push_back(o);
        }
    return out;
}

TEST(BlockSearch, OutputMatchesTheModelOnEveryPathAndForm) {
    struct Config {
        int d, radius, steps;
    } configs[] = {{8, 1, 2}, {4, 1, 2}, {8, 3, 0}, {4, 3, 0}, {4, 1, 3}, {8, 1, 3}, {8, 1, 0}};
    std::mt19937 rng(1234);
    std::vector<uint8_t> scratch(NR_BLOCK_SCRATCH_SIZE);
    NrWeightLut lut{};
    nr_weight_lut_get(nullptr, &lut);
    int changed = 0, total = 0;
    for (uint32_t format : {U8, S8}) {
        for (const Config& c : configs) {
            for (int trial = 0; trial < 12; ++trial) {
                Plane level(16, 16, 8, format);
                /* A smooth ramp plus noise gives a spread of weights, zeros included. */
                std::uniform_int_distribution<int> noise(-12, 12);
                for (int y = -8; y < 24; ++y)
                    for (int x = -8; x < 24; ++x) {
                        int v = 3 * x + 2 * y + noise(rng);
                        if (format == U8)
                            level.at(x, y) = (uint8_t)std::min(255, std::max(0, 60 + v));
                        else
                            level.at(x, y) = (uint8_t)(int8_t)std::min(127, std::max(-128, v - 40));
                    }
                const uint32_t sigma = 16 + (uint32_t)trial * 23;
                const int keep = (trial * 37) % 257;
                const int scale = 4 << (trial % 3);
                const std::vector<int> want =
                    model_search(level, 4, 4, format, c.d, c.steps, c.radius, keep, sigma, scale);
                for (int v = 0, k = 0; v < c.d; ++v)
                    for (int u = 0; u < c.d; ++u, ++k) {
                        const int s = format == U8 ? (int)level.at(4 + u, 4 + v)
                                                   : (int)(int8_t)level.at(4 + u, 4 + v);
                        changed += want[k] != s;
                        ++total;
                    }
                for (uint32_t mask : kMasks) {
                    CpuMask cpu(mask);
                    Plane out = level;
                    nr_block_search(level.ptr(4, 4), level.level.stride, out.ptr(4, 4),
                                    out.level.stride, format, c.d, c.steps, c.radius, keep, sigma,
                                    scale, lut.table, scratch.data(), (int32_t)scratch.size());
                    int k = 0;
                    for (int v = 0; v < c.d; ++v)
                        for (int u = 0; u < c.d; ++u, ++k) {
                            const int got = format == U8 ? (int)out.at(4 + u, 4 + v)
                                                         : (int)(int8_t)out.at(4 + u, 4 + v);
                            ASSERT_EQ(got, want[k])
                                << "format " << format << " d " << c.d << " r " << c.radius << " s "
                                << c.steps << " trial " << trial << " mask " << mask << " at " << u
                                << "," << v;
                        }
                }
            }
        }
    }
    /* The cases must exercise real averaging, not only blocks left as they were. */
    EXPECT_GT(changed, total / 3);
}

TEST(BlockSearch, StronglyDifferentNeighboursLeaveTheBlockAsItIs) {
    std::mt19937 rng(99);
    std::vector<uint8_t> scratch(NR_BLOCK_SCRATCH_SIZE);
    NrWeightLut lut{};
    nr_weight_lut_get(nullptr, &lut);
    for (uint32_t mask : kMasks) {
        CpuMask cpu(mask);
        Plane level(16, 16, 8, U8);
        level.fill_random(rng, 0, 255);
        Plane out = level;
        /* sigma 1: every non-zero distance maps far beyond the table. */
        nr_block_search(level.ptr(4, 4), level.level.stride, out.ptr(4, 4), out.level.stride, U8, 8,
                        2, 1, 0, 1, 4, lut.table, scratch.data(), (int32_t)scratch.size());
        EXPECT_EQ(out.buf, level.buf);
    }
}

TEST(BlockSearch, IdenticalCandidatesAverageToThemselvesAtKeepZero) {
    std::vector<uint8_t> scratch(NR_BLOCK_SCRATCH_SIZE);
    NrWeightLut lut{};
    nr_weight_lut_get(nullptr, &lut);
    Plane level(16, 16, 8, U8);
    for (int y = -8; y < 24; ++y)
        for (int x = -8; x < 24; ++x)
            level.at(x, y) = 77;
    level.at(5, 5) = 78; /* one sample differs: its windows still weigh almost 16 */
    Plane out = level;
    nr_block_search(level.ptr(4, 4), level.level.stride, out.ptr(4, 4), out.level.stride, U8, 8, 3,
                    1, 0, 64, 4, lut.table, scratch.data(), (int32_t)scratch.size());
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u)
            EXPECT_EQ(out.at(4 + u, 4 + v), 77) << u << "," << v;
}

// ---- accumulators and finalisers -----------------------------------------------------------

TEST(Accumulators, WideningKeepsValuesAndRemovesTheSignedBias) {
    uint8_t acc[256];
    uint16_t* a16 = (uint16_t*)acc;
    for (int i = 0; i < 64; ++i)
        a16[i] = (uint16_t)(1000 * i + 7);
    nr_acc_widen_u16(acc, 8);
    const uint32_t* a32 = (const uint32_t*)acc;
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(a32[i], (uint32_t)((1000 * i + 7) & 0xFFFF)) << i;

    for (int i = 0; i < 16; ++i)
        a16[i] = (uint16_t)(128 * 48 + i - 8);
    nr_acc_widen_s16(acc, 4, 48);
    const int32_t* s32 = (const int32_t*)acc;
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(s32[i], i - 8) << i;
}

TEST(Finalisers, MeansFollowTheReciprocalTable) {
    uint8_t src[64], dst[64];
    memset(src, 0, sizeof(src));
    uint16_t acc16[64];
    uint32_t acc32[64];
    int32_t sacc[64];
    /* T = 48, a = 4,800 (mean 100): 16-bit: ((4800 + 24) x 1365) >> 16 = 100. */
    for (int i = 0; i < 64; ++i)
        acc16[i] = 4800;
    nr_finalize16(src, 8, 48, 0, 8, dst, 8, acc16);
    EXPECT_EQ(dst[0], 100);
    /* T = 3, a = 5: 16-bit ((5 + 1) x 21845) >> 16 = 1; exact 32-bit 4 x 4: 6 / 3 = 2. */
    for (int i = 0; i < 64; ++i) {
        acc16[i] = 5;
        acc32[i] = 5;
    }
    nr_finalize16(src, 8, 3, 0, 8, dst, 8, acc16);
    EXPECT_EQ(dst[0], 1);
    nr_finalize32(src, 4, 3, 0, 4, dst, 4, acc32);
    EXPECT_EQ(dst[0], 2);
    nr_finalize32(src, 8, 3, 0, 8, dst, 8, acc32);
    EXPECT_EQ(dst[0], 1); /* (6 x 1,431,655,765) >> 32 */
    /* Signed 4 x 4, 32-bit: (-7 + 1) / 3 = -2 (toward zero); 16-bit with the bias. */
    for (int i = 0; i < 16; ++i)
        sacc[i] = -7;
    nr_finalize32_s8(src, 4, 3, 0, 4, dst, 4, sacc);
    EXPECT_EQ((int8_t)dst[0], -2);
    for (int i = 0; i < 16; ++i)
        acc16[i] = (uint16_t)(128 * 3 - 7);
    nr_finalize16_s8(src, 4, 3, 0, 4, dst, 4, acc16);
    EXPECT_EQ((int8_t)dst[0], -2); /* (-6 x 21845) >> 16, arithmetic: floor(-1.99997) */
    /* keep blends toward the source: m = 100, s = 200, keep 128: (25600 + 128 + 12800) >> 8. */
    for (int i = 0; i < 64; ++i) {
        acc16[i] = 4800;
        src[i] = 200;
    }
    nr_finalize16(src, 8, 48, 128, 8, dst, 8, acc16);
    EXPECT_EQ(dst[0], 150);
}

// ---- fast forms against the portable forms -------------------------------------------------

TEST(FilterFastForms, PatchDistanceAndStatisticsAgreeAtEveryAlignment) {
    std::mt19937 rng(2024);
    std::vector<uint8_t> a(64 * 20), b(64 * 20);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int trial = 0; trial < 400; ++trial) {
        for (auto& v : a)
            v = (uint8_t)byte(rng);
        for (auto& v : b)
            v = (uint8_t)(trial % 4 == 0 ? 255 - (int)(v % 2) * 255 : byte(rng));
        const int oa = trial % 9, ob = (trial / 9) % 9;
        const int sa = 16 + (trial % 5) * 4 + (trial % 7 == 0 ? 1 : 0);
        const int sb = 16 + (trial % 3) * 8;
        for (uint32_t format : {U8, S8}) {
            const uint32_t want = nr_patch_distance(&a[oa], sa, &b[ob], sb, format);
            EXPECT_EQ(nr_patch_distance_sse2(&a[oa], sa, &b[ob], sb, format), want);
            const uint32_t words = format == U8
                                       ? nr_patch_distance_u8_words(&a[oa], sa, &b[ob], sb)
                                       : nr_patch_distance_s8_words(&a[oa], sa, &b[ob], sb);
            EXPECT_EQ(words, want) << trial;
            int32_t s1 = 0, v1 = 0, s2 = 0, v2 = 0;
            nr_block_stats(&a[oa], sa, &s1, &v1, format);
            nr_block_stats_sse2(&a[oa], sa, &s2, &v2, format);
            EXPECT_EQ(s2, s1);
            EXPECT_EQ(v2, v1);
            if (format == U8) {
                nr_block_stats_u8_words(&a[oa], sa, &s2, &v2);
                EXPECT_EQ(s2, s1);
                EXPECT_EQ(v2, v1);
            }
        }
    }
    EXPECT_EQ(nr_patch_distance(a.data(), 8, b.data(), 8, 0x20), 0u);
    EXPECT_EQ(nr_patch_distance_sse2(a.data(), 8, b.data(), 8, 0x20), 0u);
}

TEST(FilterFastForms, AccumulatorsAndFinalisersAgree) {
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> byte(0, 255), weight(0, 16), keepd(0, 256);
    std::vector<uint8_t> a(16 * 12), b(16 * 12);
    for (int trial = 0; trial < 300; ++trial) {
        for (auto& v : a)
            v = (uint8_t)byte(rng);
        for (auto& v : b)
            v = (uint8_t)byte(rng);
        const int d = trial % 2 ? 8 : 4;
        const int off = trial % 5;
        const uint32_t wa = (uint32_t)weight(rng), wb = (uint32_t)weight(rng);
        uint16_t p16[64], f16[64];
        for (int i = 0; i < 64; ++i)
            p16[i] = f16[i] = (uint16_t)(byte(rng) * 14);
        nr_acc_add_pair(p16, &a[off], 16, wa, &b[off], 12, wb, d);
        nr_acc_add_pair_sse2(f16, &a[off], 16, wa, &b[off], 12, wb, d);
        ASSERT_EQ(0, memcmp(p16, f16, sizeof(p16))) << trial;
        nr_acc_add16(p16, &a[off], 16, wa, d);
        nr_acc_add16_sse2(f16, &a[off], 16, wa, d);
        ASSERT_EQ(0, memcmp(p16, f16, sizeof(p16))) << trial;
        nr_acc_add16_s8(p16, &b[off], 12, wb, d);
        nr_acc_add16_s8_sse2(f16, &b[off], 12, wb, d);
        ASSERT_EQ(0, memcmp(p16, f16, sizeof(p16))) << trial;

        uint32_t p32[64], f32[64];
        int32_t ps[64], fs[64];
        for (int i = 0; i < 64; ++i) {
            p32[i] = f32[i] = (uint32_t)byte(rng) * 40;
            ps[i] = fs[i] = byte(rng) * 40 - 5000;
        }
        nr_acc_add32(p32, &a[off], 16, wa, d);
        nr_acc_add32_sse2(f32, &a[off], 16, wa, d);
        ASSERT_EQ(0, memcmp(p32, f32, sizeof(p32))) << trial;
        nr_acc_add32_s8(ps, &b[off], 12, wb, d);
        nr_acc_add32_s8_sse2(fs, &b[off], 12, wb, d);
        ASSERT_EQ(0, memcmp(ps, fs, sizeof(ps))) << trial;

        /* Finalisers on sums a real search could make: T in 16..256, a <= 255 T. */
        const uint32_t total = 16 + (uint32_t)(trial * 13) % 241;
        const int keep = keepd(rng);
        std::uniform_int_distribution<uint32_t> sum(0, 255 * total);
        uint16_t acc[64], sacc[64];
        for (int i = 0; i < 64; ++i) {
            acc[i] = (uint16_t)sum(rng);
            sacc[i] = (uint16_t)sum(rng); /* signed sums carry the +128 bias: also 0..255 T */
        }
        uint8_t want[8 * 16], got[8 * 16], words[8 * 16];
        memset(want, 0xAA, sizeof(want));
        memset(got, 0xAA, sizeof(got));
        memset(words, 0xAA, sizeof(words));
        nr_finalize16(&a[off], 16, total, keep, d, want, 16, acc);
        nr_finalize16_sse2(&a[off], 16, total, keep, d, got, 16, acc);
        nr_finalize16_words(&a[off], 16, total, keep, d, words, 16, acc);
        ASSERT_EQ(0, memcmp(want, got, sizeof(want))) << trial;
        ASSERT_EQ(0, memcmp(want, words, sizeof(want))) << trial;
        nr_finalize16_s8(&b[off], 12, total, keep, d, want, 16, sacc);
        nr_finalize16_s8_sse2(&b[off], 12, total, keep, d, got, 16, sacc);
        ASSERT_EQ(0, memcmp(want, got, sizeof(want))) << trial;
    }
}

TEST(FilterFastForms, SixteenBitFinalisersAgreeForTotalsAbove256) {
    /* Totals above 256 with sums near the top of the 16-bit range: a + T/2 passes 65,535, which
     * the portable form carries in 32 bits. */
    std::mt19937 rng(91);
    uint8_t src[8 * 8];
    for (auto& v : src)
        v = (uint8_t)(rng() & 0xFF);
    for (uint32_t total : {257u, 300u, 1000u, 4096u}) {
        for (int d : {4, 8}) {
            uint16_t acc[64];
            for (int i = 0; i < 64; ++i)
                acc[i] = (uint16_t)(65535 - (rng() % 200));
            for (int keep : {0, 100, 256}) {
                uint8_t want[64], got[64], words[64];
                nr_finalize16(src, 8, total, keep, d, want, 8, acc);
                nr_finalize16_sse2(src, 8, total, keep, d, got, 8, acc);
                nr_finalize16_words(src, 8, total, keep, d, words, 8, acc);
                for (int i = 0; i < d * d; ++i) {
                    const int k = (i / d) * 8 + i % d;
                    ASSERT_EQ(got[k], want[k]) << "T " << total << " d " << d << " keep " << keep;
                    ASSERT_EQ(words[k], want[k]) << "T " << total << " d " << d;
                }
            }
        }
    }
}

TEST(FilterFastForms, FlatMeanBlendAgrees) {
    std::mt19937 rng(12);
    std::uniform_int_distribution<int> byte(0, 255), keepd(-20, 280);
    std::vector<uint8_t> src(16 * 10);
    for (int trial = 0; trial < 500; ++trial) {
        for (auto& v : src)
            v = (uint8_t)byte(rng);
        const int d = trial % 2 ? 8 : 4;
        const int is_signed = (trial / 2) % 2;
        const int m = is_signed ? byte(rng) - 128 : byte(rng);
        const int keep = trial % 5 == 0 ? keepd(rng) : byte(rng) % 257;
        std::vector<uint8_t> want(16 * 10, 0x33), got(16 * 10, 0x33);
        nr_flat_mean_blend(want.data() + 1, 16, src.data() + (trial % 7), 16, d, m, keep,
                           is_signed);
        nr_flat_mean_blend_sse2(got.data() + 1, 16, src.data() + (trial % 7), 16, d, m, keep,
                                is_signed);
        ASSERT_EQ(got, want) << "trial " << trial;
    }
}

TEST(FilterFastForms, UpsampleBlendWordFormAgrees) {
    std::mt19937 rng(13);
    std::uniform_int_distribution<int> byte(0, 255), keepd(-10, 270);
    std::vector<uint8_t> src(16 * 10), coarse(12 * 7);
    for (int trial = 0; trial < 400; ++trial) {
        for (auto& v : src)
            v = (uint8_t)byte(rng);
        for (auto& v : coarse)
            v = (uint8_t)(trial % 3 ? byte(rng) : 250 + byte(rng) % 6);
        const int keep = trial % 7 == 0 ? keepd(rng) : byte(rng) % 257;
        std::vector<uint8_t> want(16 * 10, 0x44), got(16 * 10, 0x44);
        nr_upsample_blend8(want.data() + 2, 16, src.data() + trial % 5, 16, coarse.data() + 1, 12,
                           keep);
        nr_upsample_blend8_words(got.data() + 2, 16, src.data() + trial % 5, 16, coarse.data() + 1,
                                 12, keep);
        ASSERT_EQ(got, want) << "trial " << trial << " keep " << keep;
    }
}

TEST(FilterFastForms, EdgeMapAgreesForManyWidths) {
    std::mt19937 rng(31);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int width = 1; width <= 70; ++width) {
        for (int height : {1, 2, 3, 7}) {
            const int stride = width + (width % 3);
            std::vector<uint8_t> src((size_t)stride * height);
            for (auto& v : src)
                v = (uint8_t)(width % 2 ? byte(rng) : (byte(rng) & 0x0F) + 120);
            std::vector<uint8_t> want((size_t)stride * height, 0x5A);
            std::vector<uint8_t> sse2 = want, avx2 = want, chosen = want;
            nr_edge_map_plane_c(want.data(), stride, src.data(), stride, width, height);
            nr_edge_map_plane_sse2(sse2.data(), stride, src.data(), stride, width, height);
            ASSERT_EQ(sse2, want) << width << "x" << height;
            if (nr_cpu_detected() & NR_CPU_AVX2) {
                nr_edge_map_plane_avx2(avx2.data(), stride, src.data(), stride, width, height);
                ASSERT_EQ(avx2, want) << width << "x" << height;
            }
            nr_edge_map_plane(chosen.data(), stride, src.data(), stride, width, height);
            ASSERT_EQ(chosen, want) << width << "x" << height;
        }
    }
}

TEST(FilterFastForms, EdgeMapValuesAndUntouchedRing) {
    uint8_t src[3 * 3] = {0, 0, 0, 0, 100, 0, 0, 0, 0};
    uint8_t dst[9];
    memset(dst, 7, sizeof(dst));
    nr_edge_map_plane_c(dst, 3, src, 3, 3, 3);
    /* g1 = -2 x 200 = -400, g2 = -400: 800, clamped to 255. */
    EXPECT_EQ(dst[4], 255);
    for (int i : {0, 1, 2, 3, 5, 6, 7, 8})
        EXPECT_EQ(dst[i], 7);
    uint8_t ramp[9] = {0, 1, 2, 0, 1, 2, 0, 1, 2};
    nr_edge_map_plane_c(dst, 3, ramp, 3, 3, 3);
    EXPECT_EQ(dst[4], 0); /* a linear ramp has no second difference */
}

TEST(FilterFastForms, BlockSearchAgreesOnRandomBlocks) {
    struct Config {
        int d, radius, steps;
    } configs[] = {{8, 1, 2}, {4, 1, 2}, {8, 3, 0}, {4, 3, 0}, {4, 1, 3},
                   {8, 1, 3}, {8, 1, 0}, {4, 0, 0}, {8, 2, 2}, {4, 0, 4}};
    std::mt19937 rng(555);
    std::uniform_int_distribution<int> keeps(0, 256), sigmas(1, 900), amp(0, 60);
    std::vector<uint8_t> scratch(NR_BLOCK_SCRATCH_SIZE);
    NrWeightLut lut{};
    nr_weight_lut_get(nullptr, &lut);
    for (int trial = 0; trial < 600; ++trial) {
        const Config& c = configs[trial % 10];
        const uint32_t format = (trial / 10) % 2 ? S8 : U8;
        Plane level(16, 16, 8, format);
        const int a = amp(rng);
        std::uniform_int_distribution<int> noise(-a, a);
        for (int y = -8; y < 24; ++y)
            for (int x = -8; x < 24; ++x) {
                const int v = 2 * x - y + noise(rng);
                level.at(x, y) = format == U8 ? (uint8_t)std::min(255, std::max(0, 100 + v))
                                              : (uint8_t)(int8_t)std::min(127, std::max(-128, v));
            }
        const int keep = trial % 17 == 0 ? 256 : (trial % 13 == 0 ? 0 : keeps(rng));
        const uint32_t sigma = (uint32_t)sigmas(rng);
        const int scale = 1 << (trial % 6);
        Plane want = level, got = level;
        {
            CpuMask cpu(0);
            nr_block_search(level.ptr(4, 4), level.level.stride, want.ptr(4, 4), want.level.stride,
                            format, c.d, c.steps, c.radius, keep, sigma, scale, lut.table,
                            scratch.data(), (int32_t)scratch.size());
        }
        nr_block_search_sse2(level.ptr(4, 4), level.level.stride, got.ptr(4, 4), got.level.stride,
                             format, c.d, c.steps, c.radius, keep, sigma, scale, lut.table,
                             scratch.data(), (int32_t)scratch.size());
        ASSERT_EQ(got.buf, want.buf) << "SSE2, trial " << trial;
        if (nr_cpu_detected() & NR_CPU_AVX2) {
            Plane avx2 = level;
            nr_block_search_avx2(level.ptr(4, 4), level.level.stride, avx2.ptr(4, 4),
                                 avx2.level.stride, format, c.d, c.steps, c.radius, keep, sigma,
                                 scale, lut.table, scratch.data(), (int32_t)scratch.size());
            ASSERT_EQ(avx2.buf, want.buf) << "AVX2, trial " << trial;
        }
    }
}

TEST(FilterFastForms, BlockSearchAgreesAtTheSampleExtremes) {
    /* Samples at the ends of their range, and weights that keep every candidate: the 16-bit sums
     * come close to 16 x 16 x 255, the signed bias reaches 0 and 255. */
    struct Config {
        int d, radius, steps;
    } configs[] = {{8, 1, 2}, {4, 1, 2}, {8, 3, 0}, {4, 3, 0}, {4, 1, 3}, {8, 1, 0}};
    std::mt19937 rng(808);
    std::vector<uint8_t> scratch(NR_BLOCK_SCRATCH_SIZE);
    NrWeightLut lut{};
    nr_weight_lut_get(nullptr, &lut);
    for (int trial = 0; trial < 96; ++trial) {
        const Config& c = configs[trial % 6];
        const uint32_t format = (trial / 6) % 2 ? S8 : U8;
        const int pattern = (trial / 12) % 4;
        Plane level(16, 16, 8, format);
        const uint8_t lo = format == U8 ? 0 : 0x80, hi = format == U8 ? 255 : 0x7F;
        for (auto& b : level.buf) {
            switch (pattern) {
            case 0: /* all at the top */
                b = hi;
                break;
            case 1: /* all at the bottom */
                b = lo;
                break;
            case 2: /* mostly the top, a few at the bottom */
                b = rng() % 16 ? hi : lo;
                break;
            default: /* either end */
                b = rng() % 2 ? hi : lo;
                break;
            }
        }
        const int keep = (int)(rng() % 257);
        const uint32_t sigma = pattern == 3 ? 60000u : 900u;
        std::vector<uint8_t> first;
        for (uint32_t mask : kMasks) {
            CpuMask cpu(mask);
            Plane out = level;
            nr_block_search(level.ptr(4, 4), level.level.stride, out.ptr(4, 4), out.level.stride,
                            format, c.d, c.steps, c.radius, keep, sigma, 1, lut.table,
                            scratch.data(), (int32_t)scratch.size());
            if (first.empty())
                first = out.buf;
            else
                ASSERT_EQ(out.buf, first) << "trial " << trial << " mask " << mask;
        }
    }
}

TEST(FilterFastForms, WholeLevelIsIdenticalWithPortableAndFastForms) {
    struct Case {
        uint32_t format;
        uint8_t type;
        int group, level;
    } cases[] = {{U8, 0x22, 0, 0}, {U8, 0x20, 0, 2}, {S8, 0x22, 1, 0}, {S8, 0x20, 2, 2},
                 {U8, 0x10, 0, 1}, {S8, 0x11, 1, 0}, {U8, 0x13, 0, 0}, {S8, 0x17, 2, 1}};
    std::mt19937 rng(4242);
    for (const Case& c : cases) {
        for (int size = 0; size < 3; ++size) {
            const int w = 21 + 16 * size, h = 18 + 8 * size;
            Plane level(w, h, 8, c.format);
            std::normal_distribution<double> noise(0.0, 6.0);
            for (int y = -8; y < h + 8; ++y)
                for (int x = -8; x < w + 8; ++x) {
                    const int base = (x / 7 + y / 5) % 3 * 20 + x;
                    const int v = base + (int)lround(noise(rng));
                    level.at(x, y) = c.format == U8
                                         ? (uint8_t)std::min(255, std::max(0, 60 + v))
                                         : (uint8_t)(int8_t)std::min(127, std::max(-128, v - 30));
                }
            Map m(w, h, 0, c.level);
            std::uniform_int_distribution<int> noise_level(0, 40);
            for (auto& v : m.buf)
                v = (uint8_t)noise_level(rng);
            Plane edge(w, h, 8, U8);
            edge.fill_random(rng, 0, 255);
            Plane blend((w + 1) / 2, (h + 1) / 2, 8, U8);
            blend.fill_random(rng, 90, 110);
            NrLevelFilter f = record(c.type, c.group, c.level, 60);
            f.edge_map = &edge.level;
            f.blend_source = c.format == U8 && c.level < 2 ? &blend.level : nullptr;

            std::vector<uint8_t> first;
            for (uint32_t mask : kMasks) {
                CpuMask cpu(mask);
                Plane work = level;
                ASSERT_EQ(nr_level_filter(nullptr, &work.level, &m.map, &f, &work.level), NR_OK);
                if (first.empty()) {
                    first = work.buf;
                    EXPECT_NE(first, level.buf) << "filter changed nothing";
                } else {
                    ASSERT_EQ(work.buf, first)
                        << "mask " << mask << " type " << std::hex << (int)c.type;
                }
            }
        }
    }
}

// ---- further operations --------------------------------------------------------------------

TEST(FilterFurther, CandidateAppendFillsParallelArrays) {
    int32_t offsets[8], dist[4], count = 0;
    nr_candidate_append(offsets, dist, &count, -2, 3, 400);
    nr_candidate_append(offsets, dist, &count, 1, 0, 7);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(offsets[0], -2);
    EXPECT_EQ(offsets[1], 3);
    EXPECT_EQ(offsets[2], 1);
    EXPECT_EQ(offsets[3], 0);
    EXPECT_EQ(dist[0], 400);
    EXPECT_EQ(dist[1], 7);
}

TEST(FilterFurther, RatioDistanceScalesByQuadrantsAndRejectsLopsidedPatches) {
    uint8_t a[64], b[64];
    memset(a, 100, sizeof(a));
    memset(b, 100, sizeof(b));
    /* Each quadrant differs by 1 in every sample: quadrant SADs 16, total 64, distance 64. */
    for (int i = 0; i < 64; ++i)
        b[i] = 101;
    EXPECT_EQ(nr_ratio_distance(a, 8, b, 8, U8), 64 * 17 / 34);
    /* Top-left quadrant 40 apart, the others 1: largest 640 > 32 x 16: rejected. */
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            b[y * 8 + x] = 140;
    EXPECT_EQ(nr_ratio_distance(a, 8, b, 8, U8), INT32_MAX);
    /* The integer form never rejects: SAD 688, distance 7,396, ratio 641 / 34. */
    EXPECT_EQ(nr_ratio_distance_words(a, 8, b, 8, U8), (int32_t)(7396u * 641 / 34));
    /* Above 1,024 both SADs are quartered. */
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            b[y * 8 + x] = 170;
    const uint32_t sad = 16 * 70 + 48;
    const uint32_t dist = (sad * sad) >> 6;
    EXPECT_EQ(nr_ratio_distance_words(a, 8, b, 8, U8),
              (int32_t)((uint64_t)dist * (1120 / 4 + 1) / (2 * (16 / 4) + 2)));
}

TEST(FilterFurther, RatioBlendThresholds) {
    auto block = [](uint8_t v) {
        std::vector<uint8_t> b(64, v);
        return b;
    };
    std::vector<uint8_t> a = block(100), b = block(200);
    nr_ratio_blend(a.data(), 8, b.data(), 8, 1, 200); /* e = 655 < 1,024: nothing */
    EXPECT_EQ(a, block(100));
    nr_ratio_blend(a.data(), 8, b.data(), 8, 1, 2); /* e = 65,536: halfway */
    EXPECT_EQ(a, block(150));
    nr_ratio_blend(a.data(), 8, b.data(), 8, 1, 1); /* e = 131,072 > 128,000: copy */
    EXPECT_EQ(a, b);
    std::vector<uint8_t> sa = block((uint8_t)(int8_t)-100), sb = block(20);
    nr_ratio_blend_s8(sa.data(), 8, sb.data(), 8, 1, 4); /* e = 32,768: a quarter */
    EXPECT_EQ((int8_t)sa[0], -100 + ((120 * 32768 + 65536) >> 17));
    std::vector<uint8_t> z = block(9);
    nr_ratio_blend(z.data(), 8, b.data(), 8, 0, 0);
    EXPECT_EQ(z, block(9));
}

TEST(FilterFurther, ShiftDistancesOfABlockAgainstItself) {
    /* Columns alternate 0 / 10, rows are equal: right SAD 640, down 0, diagonals 640. */
    std::vector<uint8_t> p(12 * 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x)
            p[y * 12 + x] = (uint8_t)((x & 1) ? 10 : 0);
    uint32_t out[4];
    nr_shift_distances(&p[12 + 1], 12, out);
    EXPECT_EQ(out[0], (640u * 640u) >> 6);
    EXPECT_EQ(out[1], 0u);
    EXPECT_EQ(out[2], 640u);
    EXPECT_EQ(out[3], 640u);
    for (auto& v : p)
        v = (uint8_t)(int8_t)((int8_t)v - 5); /* -5 / 5 signed: same distances */
    nr_shift_distances_s8(&p[12 + 1], 12, out);
    EXPECT_EQ(out[0], (640u * 640u) >> 6);
    EXPECT_EQ(out[3], 640u);
}

TEST(FilterFurther, CopyUnits4CopiesStridedRows) {
    uint8_t src[3 * 12], dst[3 * 16];
    for (int i = 0; i < 36; ++i)
        src[i] = (uint8_t)i;
    memset(dst, 0, sizeof(dst));
    nr_copy_units4(dst, 16, src, 12, 2, 3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 16; ++c)
            EXPECT_EQ(dst[r * 16 + c], c < 8 ? src[r * 12 + c] : 0);
}

} // namespace

// Tiling: tile size under the memory budget, the memory estimates, worker buffers and the maps
// that pass 1 makes for the level filter.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <vector>

#include "nr_context.h"
#include "nr_estimate.h"
#include "nr_image.h"
#include "nr_pyramid.h"
#include "nr_runtime.h"
#include "nr_tiles.h"

namespace {

const uint8_t kMode4[4] = {0x22, 0x22, 0x20, 0x20};
const uint8_t kNone[4] = {0, 0, 0, 0};

int64_t r4(int64_t n) {
    return (n + 3) & ~int64_t(3);
}

TEST(TileSize, VgaYuy2SplitsIntoFourQuarterTiles) {
    // t = min(4, 307200 / 16384 + 1) = 4: first the width halves (480 < 640), then the height.
    const NrTileSize s = nr_choose_tile_size(640, 480, 4, 4, 3, kMode4, kMode4, NR_CODE_YUY2);
    EXPECT_EQ(s.width, 320);
    EXPECT_EQ(s.height, 240);
}

TEST(TileSize, SmallFrameRunsAsOneTile) {
    const NrTileSize s = nr_choose_tile_size(100, 100, 4, 2, 1, kMode4, kMode4, NR_CODE_YUY2);
    EXPECT_EQ(s.width, 100);
    EXPECT_EQ(s.height, 100);
    // Rounded up to the coarsest grid, then clamped back to the frame.
    const NrTileSize odd = nr_choose_tile_size(101, 7, 4, 2, 2, kMode4, kMode4, NR_CODE_YUV444);
    EXPECT_EQ(odd.width, 101);
    EXPECT_EQ(odd.height, 7);
}

TEST(TileSize, SplitCountFollowsPixelCountAndDivisors) {
    // 16,384 x 2 pixels: t = 3, the only split divides the longer side by 3.
    const NrTileSize three = nr_choose_tile_size(256, 128, 4, 2, 2, kNone, kNone, NR_CODE_YUV444);
    EXPECT_EQ(three.width, 88); // 256 / 3 = 85, rounded up to a multiple of 4
    EXPECT_EQ(three.height, 128);
    // Equal sides: the height is divided first.
    const NrTileSize two = nr_choose_tile_size(160, 160, 2, 3, 3, kNone, kNone, NR_CODE_YUV444);
    EXPECT_EQ(two.width, 160);
    EXPECT_EQ(two.height, 80);
}

TEST(TileSize, NonPositiveSizesGiveNoTile) {
    for (int32_t w : {0, -1}) {
        const NrTileSize s = nr_choose_tile_size(w, 100, 4, 2, 1, kMode4, kMode4, NR_CODE_YUY2);
        EXPECT_EQ(s.width, 0);
        EXPECT_EQ(s.height, 0);
        const NrTileSize t = nr_choose_tile_size(100, w, 4, 2, 1, kMode4, kMode4, NR_CODE_YUY2);
        EXPECT_EQ(t.width, 0);
        EXPECT_EQ(t.height, 0);
    }
}

struct FrameCase {
    int32_t width;
    int32_t height;
    uint32_t code;
};

TEST(TileSize, EveryTileOfLargeFramesFitsTheBudget) {
    const FrameCase cases[] = {
        {4000, 3000, NR_CODE_YUY2},   {4000, 3000, NR_CODE_YUV444}, {9000, 9300, NR_CODE_YUY2},
        {20000, 20000, NR_CODE_YUY2}, {46341, 46341, NR_CODE_I420}, {100000, 64, NR_CODE_YUY2},
        {64, 100000, NR_CODE_UYVY},   {1000000, 2, NR_CODE_YUY2},
    };
    for (const FrameCase& c : cases) {
        const NrTileSize s =
            nr_choose_tile_size(c.width, c.height, 4, 4, 3, kMode4, kMode4, c.code);
        ASSERT_GT(s.width, 0);
        ASSERT_GT(s.height, 0);
        EXPECT_LE(s.width, c.width);
        EXPECT_LE(s.height, c.height);
        // Multiples of 16 (2^S) unless clamped to the frame.
        EXPECT_TRUE(s.width % 16 == 0 || s.width == c.width) << c.width << "x" << c.height;
        EXPECT_TRUE(s.height % 16 == 0 || s.height == c.height) << c.width << "x" << c.height;
        const int64_t bytes = nr_tile_memory_estimate(s, 4, 3, kMode4, kMode4, 64, c.code);
        EXPECT_GT(bytes, 0);
        EXPECT_LE(bytes, NR_TILE_BUDGET) << c.width << "x" << c.height;
    }
}

TEST(TileMemory, EstimateOfVgaQuarterTileAddsLevelsCoarsePlaneAndMaps) {
    const NrTileSize s = {320, 240};
    // Luma levels: d = max(16, 128 >> i); YUY2 chroma (3 levels) counts one half per level.
    int64_t luma = 0;
    int64_t chroma = 0;
    for (int i = 0; i < 4; ++i) {
        const int64_t d = std::max(16, 128 >> i);
        const int64_t product = r4(d + (320 >> i)) * (d + (240 >> i));
        luma += product;
        if (i < 3) {
            chroma += product / 2;
        }
    }
    EXPECT_EQ(nr_level_memory(s, 4, 3, 64, NR_CODE_YUY2), luma + chroma);
    EXPECT_EQ(nr_coarse_plane_bytes(s, 4), (40 + 16) * (30 + 16) + 16384);
    const int64_t map = r4(320 / 8 + 8) * (240 / 8 + 8);
    EXPECT_EQ(nr_tile_memory_estimate(s, 4, 3, kMode4, kMode4, 64, NR_CODE_YUY2),
              luma + chroma + (40 + 16) * (30 + 16) + 16384 + 4 * map + 3 * 2 * map);
    // Levels that are not filtered get no noise map; the overlap is capped at 8 x 2^(S-1).
    EXPECT_EQ(nr_tile_memory_estimate(s, 4, 3, kNone, kNone, 1000, NR_CODE_YUY2),
              luma + chroma + (40 + 16) * (30 + 16) + 16384);
}

TEST(TileMemory, ChromaShareFollowsTheLayout) {
    const NrTileSize s = {256, 128};
    const int64_t luma_only = nr_level_memory(s, 3, 0, 32, NR_CODE_YUV444);
    int64_t level0 = r4(64 + 256) * (64 + 128);
    int64_t level1 = r4(32 + 128) * (32 + 64);
    int64_t level2 = r4(16 + 64) * (16 + 32);
    EXPECT_EQ(luma_only, level0 + level1 + level2);
    EXPECT_EQ(nr_level_memory(s, 3, 3, 32, NR_CODE_YUV444), 3 * luma_only); // two full planes
    EXPECT_EQ(nr_level_memory(s, 3, 2, 32, NR_CODE_UYVY), luma_only + level0 + level1);
    EXPECT_EQ(nr_level_memory(s, 3, 2, 32, NR_CODE_I420), luma_only + level0 / 2 + level1 / 2);
    EXPECT_EQ(nr_level_memory(s, 3, 2, 32, NR_CODE_NV21), luma_only + level0 / 2 + level1 / 2);
}

TEST(TileMemory, EstimatesAreExactBeyondThirtyTwoBits) {
    // A 100,000 x 100,000 tile: far past 2^32 bytes, computed without wrapping.
    const NrTileSize s = {100000, 100000};
    int64_t expected = 0;
    for (int i = 0; i < 4; ++i) {
        const int64_t d = std::max(16, 128 >> i);
        const int64_t product = r4(d + (100000 >> i)) * (d + (100000 >> i));
        expected += product + (i < 3 ? product / 2 : 0);
    }
    EXPECT_EQ(nr_level_memory(s, 4, 3, 64, NR_CODE_YUY2), expected);
    EXPECT_GT(expected, int64_t(1) << 32);
    EXPECT_GT(nr_tile_memory_estimate(s, 4, 3, kMode4, kMode4, 64, NR_CODE_YUY2), expected);
}

// ---- worker buffers ---------------------------------------------------------------------------

NrImage frameDescriptor(uint32_t code, int32_t w, int32_t h) {
    NrImage image;
    memset(&image, 0, sizeof(image));
    image.width = w;
    image.height = h;
    image.format = code;
    return image;
}

TEST(WorkerBuffers, VgaYuy2GetsEdgePlanesAndNoiseMapsOnTheCoarseGrid) {
    NrWorkerBuffers b;
    memset(&b, 0, sizeof(b));
    const NrImage src = frameDescriptor(NR_CODE_YUY2, 640, 480);
    ASSERT_EQ(nr_worker_buffers_alloc(nullptr, &b, &src, 4, 3, kMode4, kMode4), NR_OK);
    ASSERT_EQ(b.count, 4);
    ASSERT_NE(b.edge_planes, nullptr);
    ASSERT_NE(b.noise_maps, nullptr);
    EXPECT_EQ(b.run_profile.group_count, 3u);
    EXPECT_EQ(b.map_count, 4 + 3 * 2);
    // Tiles of 320 x 240: coarsest luma level 40 x 30.
    for (int k = 0; k < 4; ++k) {
        EXPECT_NE(b.edge_planes[k].plane, nullptr);
        EXPECT_EQ(b.edge_planes[k].width, 40 + 16);
        EXPECT_EQ(b.edge_planes[k].height, 30 + 16);
        EXPECT_EQ(b.edge_planes[k].format, NR_FMT_U8);
        const NrNoiseMap* maps = b.noise_maps[k];
        ASSERT_NE(maps, nullptr);
        for (int r = 0; r < 10; ++r) {
            ASSERT_NE(maps[r].plane, nullptr) << r;
            EXPECT_EQ(maps[r].width, 48);
            EXPECT_EQ(maps[r].height, 38);
            EXPECT_EQ(maps[r].stride, 48);
        }
        // Luma level j: 3 - j halvings; chroma of YUY2 is halved both ways: 2 - j.
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(maps[j].shift_x, 3 - j);
            EXPECT_EQ(maps[j].shift_y, 3 - j);
        }
        for (int g = 1; g <= 2; ++g) {
            for (int j = 0; j < 3; ++j) {
                EXPECT_EQ(maps[4 + (g - 1) * 3 + j].shift_x, 2 - j);
                EXPECT_EQ(maps[4 + (g - 1) * 3 + j].shift_y, 2 - j);
            }
        }
    }
    nr_worker_buffers_free(nullptr, &b, 4, 3, 3);
    EXPECT_EQ(b.edge_planes, nullptr);
    EXPECT_EQ(b.noise_maps, nullptr);
    EXPECT_EQ(b.run_profile.groups, nullptr);
    EXPECT_EQ(b.count, 0);
}

TEST(WorkerBuffers, ShiftsFollowTheChromaGeometryAndUnfilteredLevelsGetNoMap) {
    const uint8_t luma[4] = {0x22, 0, 0x20, 0x20};
    const uint8_t chroma[4] = {0, 0x22, 0x20, 0x20};
    struct Case {
        uint32_t code;
        int32_t C;
        int32_t sx0;
        int32_t sy0;
    } cases[] = {{NR_CODE_UYVY, 3, 2, 3}, {NR_CODE_YUV444, 4, 3, 3}, {NR_CODE_I420, 3, 2, 2}};
    for (const Case& c : cases) {
        NrWorkerBuffers b;
        memset(&b, 0, sizeof(b));
        const NrImage src = frameDescriptor(c.code, 640, 480);
        ASSERT_EQ(nr_worker_buffers_alloc(nullptr, &b, &src, 4, c.C, luma, chroma), NR_OK);
        const NrNoiseMap* maps = b.noise_maps[0];
        EXPECT_EQ(b.map_count, 4 + 2 * c.C);
        EXPECT_EQ(maps[1].plane, nullptr); // luma level 1: type 0
        EXPECT_NE(maps[0].plane, nullptr);
        EXPECT_EQ(maps[4].plane, nullptr); // chroma level 0: type 0
        EXPECT_NE(maps[5].plane, nullptr);
        EXPECT_EQ(maps[5].shift_x, c.sx0 - 1) << std::hex << c.code;
        EXPECT_EQ(maps[5].shift_y, c.sy0 - 1) << std::hex << c.code;
        nr_worker_buffers_free(nullptr, &b, 4, c.C, 3);
    }
}

TEST(WorkerBuffers, ChromaOffGivesLumaMapsOnly) {
    NrWorkerBuffers b;
    memset(&b, 0, sizeof(b));
    const NrImage src = frameDescriptor(NR_CODE_YUY2, 320, 240);
    ASSERT_EQ(nr_worker_buffers_alloc(nullptr, &b, &src, 2, 0, kMode4, kMode4), NR_OK);
    EXPECT_EQ(b.map_count, 2);
    nr_worker_buffers_free(nullptr, &b, 2, 0, 3);
    nr_worker_buffers_free(nullptr, &b, 2, 0, 3); // a second release finds nothing
    nr_worker_buffers_free(nullptr, nullptr, 2, 0, 3);
}

TEST(WorkerBuffers, EveryFailedAllocationIsReportedAndReleasedCleanly) {
    // Fail each allocation in turn; the release must leave nothing behind (ASan checks leaks).
    const NrImage src = frameDescriptor(NR_CODE_YUY2, 640, 480);
    bool succeeded = false;
    for (int32_t n = 0; n < 200 && !succeeded; ++n) {
        NrWorkerBuffers b;
        memset(&b, 0, sizeof(b));
        nr_test_fail_alloc_after(n);
        const int status = nr_worker_buffers_alloc(nullptr, &b, &src, 4, 3, kMode4, kMode4);
        nr_test_fail_alloc_after(-1);
        if (status == NR_OK) {
            succeeded = true;
        } else {
            EXPECT_EQ(status, NR_ERR_NO_MEMORY) << n;
        }
        nr_worker_buffers_free(nullptr, &b, 4, 3, 3);
        EXPECT_EQ(b.noise_maps, nullptr);
        EXPECT_EQ(b.edge_planes, nullptr);
    }
    EXPECT_TRUE(succeeded);
}

// ---- maps of pass 1 ---------------------------------------------------------------------------

struct TestLevel {
    std::vector<uint8_t> storage;
    NrLevel level;

    TestLevel(int32_t inner_w, int32_t inner_h, int32_t margin, unsigned seed) {
        memset(&level, 0, sizeof(level));
        level.format = NR_FMT_U8;
        level.width = inner_w + 2 * margin;
        level.height = inner_h + 2 * margin;
        level.stride = (level.width + 3) & ~3;
        level.margin_left = level.margin_top = level.margin_right = level.margin_bottom = margin;
        storage.resize((size_t)level.stride * level.height);
        srand(seed);
        for (uint8_t& v : storage) {
            v = (uint8_t)(rand() & 0xff);
        }
        level.plane = storage.data();
    }
    uint8_t at(int32_t x, int32_t y) const { return storage[(size_t)y * level.stride + x]; }
};

TEST(NoiseMap, TakesInnerAreaPlusFourThroughTheTable) {
    TestLevel coarse(5, 3, 8, 7);
    std::vector<uint8_t> plane(16 * 12, 0xee);
    NrNoiseMap map;
    memset(&map, 0, sizeof(map));
    map.plane = plane.data();
    map.width = 14; // a record sized for a 6 x 4 coarsest level
    map.height = 12;
    map.stride = 16;
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) {
        table[i] = (uint8_t)(255 - i);
    }
    nr_noise_map_fill(&map, &coarse.level, table, 8, 2);
    EXPECT_EQ(map.table_index, 2);
    EXPECT_EQ(map.margin_left, 4);
    EXPECT_EQ(map.margin_top, 4);
    EXPECT_EQ(map.margin_right, 14 - 4 - 5);
    EXPECT_EQ(map.margin_bottom, 12 - 4 - 3);
    for (int y = 0; y < 3 + 8; ++y) {
        for (int x = 0; x < 5 + 8; ++x) {
            EXPECT_EQ(plane[y * 16 + x], 255 - coarse.at(8 - 4 + x, 8 - 4 + y)) << x << "," << y;
        }
    }
    // A 16-entry table indexes by the top four bits.
    uint8_t small[16];
    for (int i = 0; i < 16; ++i) {
        small[i] = (uint8_t)(i * 3);
    }
    nr_noise_map_fill(&map, &coarse.level, small, 4, 1);
    EXPECT_EQ(plane[0], (coarse.at(4, 4) >> 4) * 3);
    EXPECT_EQ(plane[16 * 10 + 12], (coarse.at(16, 14) >> 4) * 3);
}

TEST(EdgeMap, TakesOverLevelGeometryAndLeavesTheRing) {
    TestLevel coarse(6, 5, 8, 11);
    std::vector<uint8_t> plane(32 * 32, 0xab);
    NrLevel edge;
    memset(&edge, 0, sizeof(edge));
    edge.plane = plane.data();
    edge.stride = 32;
    edge.format = NR_FMT_U8;
    nr_edge_map_compute(&edge, &coarse.level);
    EXPECT_EQ(edge.width, coarse.level.width);
    EXPECT_EQ(edge.height, coarse.level.height);
    EXPECT_EQ(edge.margin_left, 8);
    EXPECT_EQ(edge.margin_bottom, 8);
    EXPECT_EQ(edge.stride, 32);
    for (int y = 0; y < edge.height; ++y) {
        for (int x = 0; x < edge.width; ++x) {
            const uint8_t got = plane[y * 32 + x];
            if (x == 0 || y == 0 || x == edge.width - 1 || y == edge.height - 1) {
                EXPECT_EQ(got, 0xab) << x << "," << y;
                continue;
            }
            auto s = [&](int dx, int dy) { return (int)coarse.at(x + dx, y + dy); };
            const int vertical = (s(-1, -1) + 2 * s(0, -1) + s(1, -1)) +
                                 (s(-1, 1) + 2 * s(0, 1) + s(1, 1)) -
                                 2 * (s(-1, 0) + 2 * s(0, 0) + s(1, 0));
            const int horizontal = (s(-1, -1) + 2 * s(-1, 0) + s(-1, 1)) +
                                   (s(1, -1) + 2 * s(1, 0) + s(1, 1)) -
                                   2 * (s(0, -1) + 2 * s(0, 0) + s(0, 1));
            const int e = std::min(255, abs(vertical) + abs(horizontal));
            EXPECT_EQ(got, e) << x << "," << y;
        }
    }
}

} // namespace

namespace {

TEST(TileMemory, MemoryNeedsAddSlackAndAreCapped) {
    NrEngine* engine = nullptr;
    ASSERT_EQ(nr_engine_create(&engine), NR_OK);
    engine->last_luma_levels = 4;
    engine->last_chroma_levels = 3;
    const NrSize small = {64, 64};
    EXPECT_EQ(nr_estimate_tile_memory_need(engine, 64, 64, 64),
              nr_estimate_memory(small, NR_CODE_YUV444, 4, 3, 64, 1) + 8192);
    EXPECT_EQ(nr_estimate_tile_memory_need(engine, 4000, 3000, 64), NR_TILE_ARENA_SIZE);
    EXPECT_EQ(nr_tile_memory_need(engine, 100000, 100000, 64), NR_TILE_ARENA_SIZE);
    EXPECT_GT(nr_tile_memory_need(engine, 64, 64, 64), 8192);
    EXPECT_LT(nr_tile_memory_need(engine, 64, 64, 64), NR_TILE_ARENA_SIZE);
    nr_engine_destroy(engine);
}

} // namespace

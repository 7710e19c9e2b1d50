// Run parameters: per-level gains, the table of internal modes, level counts and even sizes.
#include <gtest/gtest.h>

#include <string.h>

#include "nr_context.h"
#include "nr_driver.h"
#include "nr_image.h"
#include "nr_params.h"

namespace {

// A context record with the documented defaults, without workers (the gains need none).
NrEngine defaultContext() {
    NrEngine ctx;
    memset(&ctx, 0, sizeof(ctx));
    ctx.mode = 6;
    for (NrChannelSettings* s : {&ctx.luma, &ctx.chroma}) {
        s->noise_level = 50;
        s->detail = 20;
        s->detail_offsets[3] = -20;
    }
    ctx.luma.amount = 80;
    ctx.chroma.amount = 90;
    return ctx;
}

TEST(ParamsGains, NoiseGainIsSquareOfLevelOverUnity) {
    struct Case {
        int32_t level;
        int32_t gain;
    } cases[] = {{50, 256}, {100, 1024}, {75, 576}, {0, 0}, {-1, 0}, {-50, 0}, {51, 266}, {1, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(nr_noise_gain(c.level), c.gain) << "level " << c.level;
    }
}

TEST(ParamsGains, AmountAndDetailGainsTruncateTowardZero) {
    EXPECT_EQ(nr_amount_gain(80), 204);
    EXPECT_EQ(nr_amount_gain(90), 230);
    EXPECT_EQ(nr_amount_gain(0), 0);
    EXPECT_EQ(nr_amount_gain(100), 256);
    EXPECT_EQ(nr_amount_gain(-10), -25);
    EXPECT_EQ(nr_detail_gain(20), 307);
    EXPECT_EQ(nr_detail_gain(0), 256);
    EXPECT_EQ(nr_detail_gain(-20), 205);
    EXPECT_EQ(nr_detail_gain(40), 358);
}

TEST(ParamsBuild, DefaultsGiveUnityNoiseAndDocumentedAmountAndDetail) {
    NrEngine ctx = defaultContext();
    NrParams p;
    memset(&p, 0x5a, sizeof(p));
    ASSERT_EQ(nr_params_build(&p, &ctx), &p);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(p.luma_noise_gain[i], 256);
        EXPECT_EQ(p.chroma_noise_gain[i], 256);
        EXPECT_EQ(p.luma_amount_gain[i], 204);
        EXPECT_EQ(p.chroma_amount_gain[i], 230);
        EXPECT_EQ(p.luma_detail_gain[i], i < 3 ? 307 : 256);
        EXPECT_EQ(p.chroma_detail_gain[i], i < 3 ? 307 : 256);
        EXPECT_EQ(p.luma_types[i], 0);
        EXPECT_EQ(p.chroma_types[i], 0);
    }
    EXPECT_EQ(p.constant, 1);
    EXPECT_EQ(p.luma_levels, 0);
    EXPECT_EQ(p.chroma_levels, 0);
    EXPECT_EQ(p.mode_flag, 0);
    EXPECT_EQ(p.buffers, &ctx.buffers);
    EXPECT_EQ(p.pool, ctx.pool);
}

TEST(ParamsBuild, OffsetsAreAddedPerLevel) {
    NrEngine ctx = defaultContext();
    ctx.luma.level_offsets[1] = 50;    // 100 -> 1024
    ctx.luma.level_offsets[2] = -60;   // -10 -> 0
    ctx.chroma.amount_offsets[0] = 10; // 100 -> 256
    ctx.chroma.detail_offsets[2] = -40;
    NrParams p;
    nr_params_build(&p, &ctx);
    EXPECT_EQ(p.luma_noise_gain[0], 256);
    EXPECT_EQ(p.luma_noise_gain[1], 1024);
    EXPECT_EQ(p.luma_noise_gain[2], 0);
    EXPECT_EQ(p.chroma_amount_gain[0], 256);
    EXPECT_EQ(p.chroma_amount_gain[1], 230);
    EXPECT_EQ(p.chroma_detail_gain[2], 205);
}

TEST(ParamsBuild, SharpnessSliderMapsToLumaDetailGainsOnly) {
    // The public detail setter stores s * 20 / 50 as the luma detail.
    for (int32_t s : {0, 1, 37, 50, 99, 100}) {
        NrEngine ctx = defaultContext();
        ctx.luma.detail = s * 20 / 50;
        NrParams p;
        nr_params_build(&p, &ctx);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(p.luma_detail_gain[i], ((s * 20 / 50) * 256) / 100 + 256) << s;
            EXPECT_EQ(p.chroma_detail_gain[i], 307);
        }
        EXPECT_EQ(p.luma_detail_gain[3], ((s * 20 / 50 - 20) * 256) / 100 + 256) << s;
        EXPECT_EQ(p.chroma_detail_gain[3], 256);
    }
}

TEST(ParamsBuild, NullContextLeavesZeroBlockAndNullOutIsRefused) {
    NrParams p;
    memset(&p, 0x5a, sizeof(p));
    EXPECT_EQ(nr_params_build(&p, nullptr), &p);
    EXPECT_EQ(p.constant, 0);
    EXPECT_EQ(p.luma_amount_gain[0], 0);
    EXPECT_EQ(p.pool, nullptr);
    NrEngine ctx = defaultContext();
    EXPECT_EQ(nr_params_build(nullptr, &ctx), nullptr);
}

// ---- mode table ------------------------------------------------------------------------------

struct ModeCase {
    int32_t mode;
    int32_t luma_levels;
    int32_t chroma_levels;
    uint8_t luma[4];
    uint8_t chroma[4];
    uint8_t luma_unity;   // bit i: luma detail gain of level i forced to 256
    uint8_t chroma_unity; // the same for chroma
    int32_t flag;
};

class ModeTable : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ModeTable, FilterTypesUnityDetailAndFlag) {
    const ModeCase& c = GetParam();
    NrEngine ctx = defaultContext();
    NrParams p;
    nr_params_build(&p, &ctx);
    nr_params_apply_mode(&p, c.mode, c.luma_levels, c.chroma_levels);
    EXPECT_EQ(p.luma_levels, c.luma_levels);
    EXPECT_EQ(p.chroma_levels, c.chroma_levels);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(p.luma_types[i], c.luma[i]) << "luma level " << i;
        EXPECT_EQ(p.chroma_types[i], c.chroma[i]) << "chroma level " << i;
        const int32_t built = i < 3 ? 307 : 256;
        EXPECT_EQ(p.luma_detail_gain[i], (c.luma_unity >> i) & 1 ? 256 : built) << i;
        EXPECT_EQ(p.chroma_detail_gain[i], (c.chroma_unity >> i) & 1 ? 256 : built) << i;
    }
    EXPECT_EQ(p.mode_flag, c.flag);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ModeTable,
    ::testing::Values(
        ModeCase{0, 4, 3, {0x10, 0x10, 0x10, 0x10}, {0x15, 0x15, 0x10, 0x10}, 0, 0, 0},
        ModeCase{1, 4, 4, {0x15, 0x15, 0x15, 0x10}, {0x17, 0x15, 0x15, 0x10}, 0, 0, 0},
        ModeCase{2, 4, 4, {0x17, 0x15, 0x15, 0x10}, {0x17, 0x17, 0x17, 0x10}, 0, 0, 0},
        ModeCase{3, 3, 2, {0x17, 0x17, 0x10, 0x10}, {0x17, 0x10, 0x10, 0x10}, 0, 0, 0},
        // The application's mode: level 2 takes level 3's byte, which is also 0x20.
        ModeCase{4, 3, 2, {0x22, 0x22, 0x20, 0x20}, {0x22, 0x20, 0x20, 0x20}, 0, 0, 0},
        ModeCase{4, 4, 3, {0x22, 0x22, 0x20, 0x20}, {0x22, 0x22, 0x20, 0x20}, 0, 0, 0},
        ModeCase{5, 4, 4, {0x23, 0x22, 0x22, 0x21}, {0x23, 0x22, 0x22, 0x21}, 0, 0, 0},
        ModeCase{6, 2, 1, {0x26, 0x21, 0x21, 0x21}, {0x21, 0x21, 0x21, 0x21}, 1, 1, 0},
        ModeCase{6, 4, 4, {0x26, 0x22, 0x22, 0x21}, {0x26, 0x22, 0x22, 0x21}, 1, 1, 0},
        ModeCase{7, 4, 4, {0x26, 0x26, 0x26, 0x21}, {0x26, 0x26, 0x26, 0x21}, 7, 7, 0},
        ModeCase{8, 4, 4, {0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0},
        ModeCase{15, 4, 3, {0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0},
        ModeCase{16, 4, 4, {0x33, 0x33, 0x33, 0x30}, {0x33, 0x33, 0x33, 0x30}, 0, 0, 1},
        ModeCase{17, 4, 4, {0x37, 0x33, 0x33, 0x30}, {0x37, 0x33, 0x33, 0x33}, 1, 1, 1},
        ModeCase{18, 4, 4, {0x37, 0x33, 0x33, 0x30}, {0x37, 0x33, 0x33, 0x33}, 1, 1, 0},
        ModeCase{19, 4, 4, {0x36, 0x37, 0x37, 0x30}, {0x36, 0x37, 0x37, 0x33}, 7, 0xb, 0},
        ModeCase{20, 4, 4, {0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0},
        ModeCase{-1, 4, 4, {0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0},
        ModeCase{0x7fffffff, 2, 1, {0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0}));

TEST(ModeTable, ChromaWithoutLevelsKeepsNoBytes) {
    NrEngine ctx = defaultContext();
    NrParams p;
    nr_params_build(&p, &ctx);
    nr_params_apply_mode(&p, 4, 4, 0);
    EXPECT_EQ(p.chroma_levels, 0);
    // With no chroma level in use, every stored byte is level 3's.
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(p.chroma_types[i], 0x20);
    }
}

// ---- level counts and even sizes -------------------------------------------------------------

struct SizeCase {
    uint32_t code;
    int32_t width;
    int32_t height;
    int32_t even_width;
    int32_t even_height;
    int32_t luma_levels;
    int32_t chroma_levels;
};

TEST(RunLevels, EvenSizesAndLevelCountsFollowLayoutAndPixelCount) {
    const SizeCase cases[] = {
        // 641 x 481 YUY2 runs as 640 x 480: 307,200 pixels, 4 luma and 3 chroma levels.
        {NR_CODE_YUY2, 641, 481, 640, 480, 4, 3},   {NR_CODE_YUY2, 320, 240, 320, 240, 2, 1},
        {NR_CODE_YUY2, 321, 240, 320, 240, 2, 1},   {NR_CODE_YUV444, 320, 240, 320, 240, 2, 2},
        {NR_CODE_YUV444, 321, 240, 321, 240, 3, 3}, {NR_CODE_YUV444, 641, 481, 641, 481, 4, 4},
        {NR_CODE_YUV444, 640, 479, 640, 479, 3, 3}, {NR_CODE_UYVY, 641, 481, 640, 481, 4, 3},
        {NR_CODE_I420, 641, 481, 640, 480, 4, 3},   {NR_CODE_NV12, 3, 3, 2, 2, 2, 1},
        {NR_CODE_NV21, 1, 7, 0, 6, 2, 1},           {0x30000013u, 5, 5, 4, 4, 2, 1},
        {NR_CODE_YUY2, 1, 1, 0, 0, 2, 1},           {NR_CODE_YUY2, 4000, 3000, 4000, 3000, 4, 3},
    };
    NrEngine ctx = defaultContext();
    for (const SizeCase& c : cases) {
        int32_t w = c.width;
        int32_t h = c.height;
        nr_even_size(c.code, &w, &h);
        EXPECT_EQ(w, c.even_width) << std::hex << c.code << std::dec << " " << c.width;
        EXPECT_EQ(h, c.even_height) << std::hex << c.code << std::dec << " " << c.height;
        int32_t L = 0;
        int32_t C = 0;
        nr_run_level_counts(&ctx, c.code, w, h, &L, &C);
        EXPECT_EQ(L, c.luma_levels) << c.width << "x" << c.height;
        EXPECT_EQ(C, c.chroma_levels) << c.width << "x" << c.height;
    }
}

TEST(RunLevels, PixelCountBoundaries) {
    EXPECT_EQ(nr_level_count(1), 2);
    EXPECT_EQ(nr_level_count(76800), 2);
    EXPECT_EQ(nr_level_count(76801), 3);
    EXPECT_EQ(nr_level_count(307199), 3);
    EXPECT_EQ(nr_level_count(307200), 4);
    EXPECT_EQ(nr_level_count(int64_t(100000) * 100000), 4);
}

TEST(RunLevels, ChromaIsNotFilteredWhenItsAmountOrNoiseLevelIsZero) {
    NrEngine ctx = defaultContext();
    int32_t L = 0;
    int32_t C = 0;
    ctx.chroma.amount = 0;
    nr_run_level_counts(&ctx, NR_CODE_YUY2, 640, 480, &L, &C);
    EXPECT_EQ(L, 4);
    EXPECT_EQ(C, 0);
    ctx.chroma.amount = 90;
    ctx.chroma.noise_level = 0;
    nr_run_level_counts(&ctx, NR_CODE_YUV444, 640, 480, &L, &C);
    EXPECT_EQ(L, 4);
    EXPECT_EQ(C, 0);
    ctx.chroma.noise_level = 1;
    nr_run_level_counts(&ctx, NR_CODE_YUV444, 640, 480, &L, &C);
    EXPECT_EQ(C, 4);
}

} // namespace

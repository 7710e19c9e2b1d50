// Noise profile estimation: row peaks, histograms, integral images, window statistics, the
// memory estimate and tile size, the two fits and their reference choice, the streaming state.
#include <gtest/gtest.h>

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <vector>

#include "nr_cpu.h"
#include "nr_driver.h"
#include "nr_engine.h"
#include "nr_estimate.h"
#include "nr_image.h"
#include "nr_profile.h"
#include "nr_pool.h"
#include "nr_pyramid.h"
#include "nr_runtime.h"

namespace {

// ---- row peaks ------------------------------------------------------------------------------

TEST(RowPeak, PeaksOfTypicalRows) {
    struct Case {
        std::vector<std::pair<int, int>> counts; /* (bin, count) */
        bool rising;
        int peak, count;
    } cases[] = {
        {{{1, 9}}, false, 1, 9},          /* 0, 9, 0, ...: first max within 0..4 */
        {{{30, 5}}, false, 30, 5},        /* only bin 30: the sliding window */
        {{}, true, 58, 58},               /* rising to bin 63: bin n - 6 */
        {{}, false, 0, 0},                /* empty row */
        {{{4, 3}, {20, 9}}, false, 4, 3}, /* bin 4 still counts as low */
        {{{5, 3}, {20, 9}}, false, 5, 3}, /* bin 5: the first window centred on its max */
        {{{6, 3}, {9, 9}}, false, 9, 9},  /* centre 6 is below its window's max */
        {{{7, 9}, {9, 9}}, false, 7, 9},  /* equal window maxima: the first centre */
        {{{60, 9}}, false, 0, 0},         /* beyond the last centre 57: bin 58 is 0 */
        {{{0, 2}, {3, 2}}, false, 0, 2},  /* ties in 0..10: the first */
    };
    for (const Case& c : cases) {
        uint16_t row[64] = {};
        for (auto& bc : c.counts)
            row[bc.first] = (uint16_t)bc.second;
        if (c.rising)
            for (int i = 0; i < 64; ++i)
                row[i] = (uint16_t)i;
        int32_t peak = -1, count = -1;
        nr_hist_row_peak(row, 64, &peak, &count);
        EXPECT_EQ(peak, c.peak);
        EXPECT_EQ(count, c.count);
    }
}

// ---- histograms -----------------------------------------------------------------------------

TEST(Histogram, AllocLaysOutLevelsInOneBlockAndAddedCountsSaturate) {
    NrNoiseHistogram h;
    nr_hist_set_init(&h);
    ASSERT_EQ(nr_hist_alloc(&h, nullptr, 3, 4, 3, 8, 6), NR_OK);
    ASSERT_EQ(h.group_count, 3u);
    EXPECT_EQ(h.groups[0].level_count, 4);
    EXPECT_EQ(h.groups[1].level_count, 3);
    EXPECT_EQ(h.groups[2].level_count, 3);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(h.groups[0].levels[k].counts, h.groups[0].levels[0].counts + 16384 * k);
        EXPECT_EQ(h.groups[0].levels[k].intensity_log2, 8);
        EXPECT_EQ(h.groups[0].levels[k].variance_log2, 6);
    }
    for (int i = 0; i < 16384 * 3; ++i)
        ASSERT_EQ(h.groups[1].levels[0].counts[i], 0);

    NrHistLevel* a = &h.groups[0].levels[1];
    NrHistLevel* b = &h.groups[0].levels[2];
    a->counts[100] = 65535;
    b->counts[100] = 2;
    b->counts[7] = 5;
    a->counts[8] = 40000;
    b->counts[8] = 40000;
    a->counts[9] = 30000;
    b->counts[9] = 35535;
    b->counts[10] = 65535;
    nr_hist_add(a, b);
    EXPECT_EQ(a->counts[100], 65535); /* stays at 65,535 rather than wrapping */
    EXPECT_EQ(a->counts[7], 5);
    EXPECT_EQ(a->counts[8], 65535);
    EXPECT_EQ(a->counts[9], 65535); /* exactly 65,535 */
    EXPECT_EQ(a->counts[10], 65535);
    nr_hist_free(nullptr, &h);
    EXPECT_EQ(h.groups, nullptr);
    EXPECT_EQ(h.group_count, 0u);
    nr_hist_free(nullptr, &h); /* twice: nothing */
    nr_hist_free(nullptr, nullptr);
}

TEST(Histogram, ChromaOfZeroLevelsHasNoStorageAndMergeAddsSharedLevels) {
    NrNoiseHistogram a, b;
    ASSERT_EQ(nr_hist_alloc(&a, nullptr, 3, 2, 0, 8, 6), NR_OK);
    ASSERT_EQ(nr_hist_alloc(&b, nullptr, 3, 3, 2, 8, 6), NR_OK);
    EXPECT_EQ(a.groups[1].levels, nullptr);
    EXPECT_EQ(a.groups[1].level_count, 0);
    b.groups[0].levels[1].counts[5] = 4;
    b.groups[0].levels[2].counts[5] = 9;
    b.groups[1].levels[0].counts[5] = 3;
    nr_hist_merge(&a, &b);
    nr_hist_merge(&a, &b);
    EXPECT_EQ(a.groups[0].levels[1].counts[5], 8);
    EXPECT_EQ(a.groups[0].levels[0].counts[5], 0);
    nr_hist_free(nullptr, &a);
    nr_hist_free(nullptr, &b);
}

// ---- integral images and window statistics --------------------------------------------------

TEST(IntegralImages, SumsAndSquaresOfUnsignedAndSignedSamples) {
    const uint8_t u[2 * 4] = {1, 2, 3, 9, 4, 5, 6, 9}; /* 3 x 2 window of a stride-4 plane */
    uint16_t s[4 * 3];
    uint32_t q[4 * 3];
    memset(s, 0xFF, sizeof(s));
    nr_integral_images(u, 4, 0x10, s, q, 4, 3, 2);
    const uint16_t want_s[12] = {0, 0, 0, 0, 0, 1, 3, 6, 0, 5, 12, 21};
    const uint32_t want_q[12] = {0, 0, 0, 0, 0, 1, 5, 14, 0, 17, 46, 91};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(s[i], want_s[i]) << i;
        EXPECT_EQ(q[i], want_q[i]) << i;
    }
    const int8_t sv[2 * 2] = {-3, 2, -1, -128};
    nr_integral_images((const uint8_t*)sv, 2, 0x110, s, q, 3, 2, 2);
    EXPECT_EQ((int16_t)s[3 + 1], -3);
    EXPECT_EQ((int16_t)s[2 * 3 + 2], -130);
    EXPECT_EQ(q[2 * 3 + 2], 9u + 4u + 1u + 16384u);
    /* Other formats leave the images as they are. */
    memset(s, 0x11, sizeof(s));
    nr_integral_images(u, 4, 0x20, s, q, 4, 3, 2);
    EXPECT_EQ(s[5], 0x1111);
}

TEST(IntegralImages, SumsWrapModulo65536) {
    std::vector<uint8_t> ones(20 * 20, 255);
    std::vector<uint16_t> s(21 * 21);
    std::vector<uint32_t> q(21 * 21);
    nr_integral_images(ones.data(), 20, 0x10, s.data(), q.data(), 21, 20, 20);
    EXPECT_EQ(s[20 * 21 + 20], (uint16_t)(400 * 255));
    EXPECT_EQ(q[20 * 21 + 20], 400u * 255u * 255u);
}

/* A band level and a coarse level with their own storage. */
struct TestLevel {
    std::vector<uint8_t> buf;
    NrLevel level{};
    TestLevel(int w, int h, int margin, uint32_t format, uint8_t fill) {
        level.format = format;
        level.width = w + 2 * margin;
        level.height = h + 2 * margin;
        level.stride = (level.width + 3) & ~3;
        level.margin_left = level.margin_top = level.margin_right = level.margin_bottom = margin;
        buf.assign((size_t)level.stride * level.height, fill);
        level.plane = buf.data();
    }
    uint8_t& at(int x, int y) { return buf[(size_t)y * level.stride + x]; } /* buffer coords */
};

TEST(AccumulateLevel, CheckerboardVarianceAndCoarseIntensityLookup) {
    /* Band: +-3 checkerboard, so every 8 x 8 window has S1 = 0 and 64 S2 = 64 x 64 x 9. */
    TestLevel band(16, 12, 4, 0x110, 0);
    for (int y = 0; y < band.level.height; ++y)
        for (int x = 0; x < band.level.width; ++x)
            band.at(x, y) = (uint8_t)(int8_t)(((x + y) & 1) ? 3 : -3);
    /* Coarse: half the size (shift 1), brightness = 10 x buffer column. */
    TestLevel coarse(8, 6, 4, 0x10, 0);
    for (int y = 0; y < coarse.level.height; ++y)
        for (int x = 0; x < coarse.level.width; ++x)
            coarse.at(x, y) = (uint8_t)(10 * x);
    NrNoiseHistogram h;
    ASSERT_EQ(nr_hist_alloc(&h, nullptr, 1, 2, 0, 8, 6), NR_OK);
    NrHistLevel* level0 = &h.groups[0].levels[0];
    NrHistLevel* level1 = &h.groups[0].levels[1];
    ASSERT_EQ(nr_hist_accumulate_level(nullptr, level0, &band.level, &coarse.level, 0, 1, 1),
              NR_OK);
    ASSERT_EQ(nr_hist_accumulate_level(nullptr, level1, &band.level, &coarse.level, 1, 1, 1),
              NR_OK);
    /* j = 0: v = 36,864 >> 12 = 9; j = 1: >> 11 = 18. Region 16 x 12 samples; band column
     * 4 + x maps to coarse column ((4 + x) >> 1) - 2 + 4. */
    int total0 = 0, total1 = 0;
    for (int x = 0; x < 16; ++x) {
        const int cx = ((4 + x) >> 1) - 2 + 4;
        EXPECT_GT(level0->counts[10 * cx * 64 + 9], 0) << x;
    }
    for (int i = 0; i < 16384; ++i) {
        total0 += level0->counts[i];
        total1 += level1->counts[i];
        if (level0->counts[i]) {
            EXPECT_EQ(i % 64, 9);
        }
        if (level1->counts[i]) {
            EXPECT_EQ(i % 64, 18);
        }
    }
    EXPECT_EQ(total0, 16 * 12);
    EXPECT_EQ(total1, 16 * 12);
    /* Each coarse column covers two band columns and 12 rows. */
    EXPECT_EQ(level0->counts[10 * 6 * 64 + 9], 2 * 12);
    nr_hist_free(nullptr, &h);
}

TEST(AccumulateLevel, VariancesOfSixtyFourAndAboveAreNotCounted) {
    TestLevel band(8, 8, 4, 0x110, 0);
    for (int y = 0; y < band.level.height; ++y)
        for (int x = 0; x < band.level.width; ++x)
            band.at(x, y) = (uint8_t)(int8_t)(((x + y) & 1) ? 8 : -8); /* v = 64 at j = 0 */
    TestLevel coarse(4, 4, 4, 0x10, 128);
    NrNoiseHistogram h;
    ASSERT_EQ(nr_hist_alloc(&h, nullptr, 1, 1, 0, 8, 6), NR_OK);
    ASSERT_EQ(nr_hist_accumulate_level(nullptr, &h.groups[0].levels[0], &band.level, &coarse.level,
                                       0, 1, 1),
              NR_OK);
    for (int i = 0; i < 16384; ++i)
        ASSERT_EQ(h.groups[0].levels[0].counts[i], 0) << i;
    nr_hist_free(nullptr, &h);
}

// ---- memory estimate and tile size ----------------------------------------------------------

int64_t level_size(int64_t w, int64_t h, int o, int i) {
    int64_t m = 2 * (o >> i);
    m = m < 8 ? 8 : m;
    return ((m + (w >> i) + 3) & ~3) * (m + (h >> i));
}

TEST(EstimateMemory, TermsOfTheEstimate) {
    const NrSize t = {256, 192};
    /* YUY2, L = 4, C = 3: overlap capped at 4 << 4 = 64; chroma halved both ways. */
    int64_t want = (4 + 6) * 32768;
    for (int i = 0; i <= 4; ++i)
        want += level_size(256, 192, 64, i);
    for (int i = 0; i <= 3; ++i)
        want += level_size(256, 192, 64, i) / 2;
    want += 4 * 6 * ((256 + 16 + 3) & ~3) * (192 + 16);
    EXPECT_EQ(nr_estimate_memory(t, 0x20000013u, 4, 3, 1000, 4), want);
    /* UYVY chroma is halved horizontally only: one size per level. */
    int64_t uyvy = want;
    for (int i = 0; i <= 3; ++i)
        uyvy += level_size(256, 192, 64, i) - level_size(256, 192, 64, i) / 2;
    EXPECT_EQ(nr_estimate_memory(t, 0x21000013u, 4, 3, 1000, 4), uyvy);
    /* One channel (C = -1): no chroma terms at all. */
    int64_t grey = (4 - 2) * 32768;
    for (int i = 0; i <= 4; ++i)
        grey += level_size(256, 192, 64, i);
    grey += 1 * 6 * ((256 + 16 + 3) & ~3) * (192 + 16);
    EXPECT_EQ(nr_estimate_memory(t, 0x10000011u, 4, -1, 64, 1), grey);
}

TEST(EstimateMemory, LargeTilesDoNotOverflow) {
    /* A whole 12,000 x 8,000 photo as one tile needs far more than 2^31 bytes. */
    const NrSize big = {12000, 8000};
    const int64_t e = nr_estimate_memory(big, 0x20000013u, 4, 3, 64, 4);
    EXPECT_GT(e, (int64_t)INT32_MAX);
    const NrSize bigger = {12016, 8000};
    EXPECT_GT(nr_estimate_memory(bigger, 0x20000013u, 4, 3, 64, 4), e);
}

TEST(EstimateTileSize, SmallImagesFitOneTileAndLargeOnesShrinkUnderTheBudget) {
    NrSize s = nr_hist_tile_size(200, 200, 0x13u, 2, 2);
    EXPECT_EQ(s.width, 200);
    EXPECT_EQ(s.height, 200);
    s = nr_hist_tile_size(201, 97, 0x13u, 2, 2); /* rounded up to multiples of 4 */
    EXPECT_EQ(s.width, 204);
    EXPECT_EQ(s.height, 100);
    for (NrSize image : {NrSize{4000, 3000}, NrSize{12000, 8000}, NrSize{641, 4001}}) {
        s = nr_hist_tile_size(image.width, image.height, 0x20000013u, 4, 3);
        EXPECT_EQ(s.width % 16, 0);
        EXPECT_EQ(s.height % 16, 0);
        EXPECT_LE(nr_estimate_memory(s, 0x20000013u, 4, 3, 64, 4), NR_ESTIMATE_BUDGET);
        /* One step less shrinking would not fit: the longer side (equal: height) was cut. */
        NrSize grown = s;
        if (s.width > s.height)
            grown.width += 16;
        else
            grown.height += 16;
        EXPECT_GT(nr_estimate_memory(grown, 0x20000013u, 4, 3, 64, 4), NR_ESTIMATE_BUDGET);
    }
    s = nr_hist_tile_size(0, 100, 0x13u, 2, 2);
    EXPECT_EQ(s.width, 0);
}

// ---- fits -----------------------------------------------------------------------------------

struct Profile {
    NrNoiseProfile p{};
    Profile() { EXPECT_EQ(nr_profile_alloc(nullptr, &p), NR_OK); }
    ~Profile() { nr_profile_free(nullptr, &p); }
    NrProfileEntry& entry(int g, int k) { return p.groups[g].entries[k]; }
};

/* Every intensity row of a level gets `count` at variance bin `bin`. */
void fill_rows(NrHistLevel* level, int bin, int count, int first_row = 0, int last_row = 255) {
    memset(level->counts, 0, 16384 * sizeof(uint16_t));
    for (int i = first_row; i <= last_row; ++i)
        level->counts[i * 64 + bin] = (uint16_t)count;
}

std::vector<uint8_t> table(const NrProfileEntry& e) {
    return std::vector<uint8_t>(e.lut, e.lut + 256);
}

TEST(ProfileFit, FreeFitThroughConstantPeaksGivesASmoothNonZeroCurve) {
    Profile prof;
    NrNoiseHistogram h;
    ASSERT_EQ(nr_hist_alloc(&h, nullptr, 1, 1, 0, 8, 6), NR_OK);
    fill_rows(&h.groups[0].levels[0], 20, 300);
    nr_profile_set_shape(&prof.p, 1, 1, 8, 0, 8);
    memset(prof.entry(0, 0).lut, 0xEE, 256);
    nr_profile_fit(&prof.p, &h, 1000);
    const std::vector<uint8_t> t = table(prof.entry(0, 0));
    EXPECT_EQ(t[0], 1); /* w(0) = 0 gives 0: raised to 1 before the first non-zero value */
    /* w(i) (a + b i + c i^2) follows a constant only roughly near the ends. */
    for (int i = 40; i < 216; ++i)
        EXPECT_NEAR(t[i], 20, 3) << i;
    EXPECT_EQ(t[255], 0); /* w(255) = 0 */
    for (int i = 0; i < 256; ++i)
        EXPECT_LE(t[i], 63);
    nr_hist_free(nullptr, &h);
}

TEST(ProfileFit, PeaksAtVarianceZeroGiveAnAllZeroTable) {
    Profile prof;
    NrNoiseHistogram h;
    ASSERT_EQ(nr_hist_alloc(&h, nullptr, 1, 1, 0, 8, 6), NR_OK);
    memset(h.groups[0].levels[0].counts, 0, 16384 * 2);
    h.groups[0].levels[0].counts[128 * 64 + 0] = 40000; /* a flat grey image */
    nr_profile_set_shape(&prof.p, 1, 1, 8, 0, 8);
    memset(prof.entry(0, 0).lut, 0xEE, 256);
    nr_profile_fit(&prof.p, &h, 40000);
    EXPECT_EQ(table(prof.entry(0, 0)), std::vector<uint8_t>(256, 0));
    nr_hist_free(nullptr, &h);
}

TEST(ProfileFit, FreeFitNeeds261PeakCountsFromRowSixteenOn) {
    Profile prof;
    NrNoiseHistogram h;
    ASSERT_EQ(nr_hist_alloc(&h, nullptr, 1, 1, 0, 8, 6), NR_OK);
    NrHistLevel* l = &h.groups[0].levels[0];
    nr_profile_set_shape(&prof.p, 1, 1, 8, 0, 8);
    for (int extra : {0, 1}) {
        memset(l->counts, 0, 16384 * 2);
        for (int i = 0; i < 16; ++i)
            l->counts[i * 64 + 20] = 5000; /* dark rows do not count */
        for (int i = 16; i < 16 + 130; ++i)
            l->counts[i * 64 + 20] = 2; /* 260 */
        l->counts[200 * 64 + 20] = (uint16_t)extra;
        nr_lut_fit(&prof.entry(0, 0), l, nullptr);
        const std::vector<uint8_t> t = table(prof.entry(0, 0));
        if (extra)
            EXPECT_NE(t, std::vector<uint8_t>(256, 0));
        else
            EXPECT_EQ(t, std::vector<uint8_t>(256, 0));
    }
    nr_hist_free(nullptr, &h);
}

TEST(ProfileFit, ScaleFitLimitsAndCap) {
    NrNoiseHistogram h;
    ASSERT_EQ(nr_hist_alloc(&h, nullptr, 1, 1, 0, 8, 6), NR_OK);
    NrHistLevel* l = &h.groups[0].levels[0];
    Profile prof;
    NrProfileEntry& ref = prof.entry(0, 0);
    NrProfileEntry& out = prof.entry(0, 1);
    memset(ref.lut, 8, 256);
    struct Case {
        int rows_at_40, count, extra_row_count, odd_bin; /* odd_bin: row 0 peaks at 41 */
        int want;                                        /* every table value */
    } cases[] = {
        {256, 2, 0, 0, 40}, /* s = 40 x 8 / 64 = 5.0: used as it is */
        {256, 2, 0, 1, 8},  /* s = 5.0005 > 5: replaced by 1.0 */
        {252, 1, 8, 0, 40}, /* counts add up to 260: performed */
        {252, 1, 7, 0, 0},  /* 259: all zero */
    };
    for (const Case& c : cases) {
        memset(l->counts, 0, 16384 * 2);
        for (int i = 0; i < c.rows_at_40; ++i)
            l->counts[i * 64 + 40] = (uint16_t)c.count;
        if (c.odd_bin) {
            l->counts[0 * 64 + 40] = 0;
            l->counts[0 * 64 + 41] = (uint16_t)c.count;
        }
        if (c.extra_row_count)
            l->counts[255 * 64 + 40] = (uint16_t)c.extra_row_count;
        nr_lut_fit(&out, l, &ref);
        EXPECT_EQ(table(out), std::vector<uint8_t>(256, (uint8_t)c.want))
            << c.rows_at_40 << " " << c.extra_row_count << " " << c.odd_bin;
    }
    /* Leading zeros of a scaled table become 1. */
    for (int i = 0; i < 256; ++i)
        ref.lut[i] = (uint8_t)(i < 10 ? 0 : 8);
    fill_rows(l, 40, 2);
    nr_lut_fit(&out, l, &ref);
    EXPECT_EQ(out.lut[0], 1);
    EXPECT_EQ(out.lut[9], 1);
    EXPECT_GT(out.lut[10], 1);
    nr_hist_free(nullptr, &h);
}

TEST(ProfileFit, OneValueTableTakesRowZerosFirstPeakBin) {
    NrNoiseHistogram h;
    ASSERT_EQ(nr_hist_alloc(&h, nullptr, 1, 1, 0, 8, 6), NR_OK);
    NrHistLevel* l = &h.groups[0].levels[0];
    Profile prof;
    NrProfileEntry& e = prof.entry(0, 0);
    e.log2_size = 0;
    memset(l->counts, 0, 16384 * 2);
    l->counts[12] = 7;
    l->counts[30] = 7;
    nr_profile_entry_fit(&e, l, nullptr);
    EXPECT_EQ(e.lut[0], 12);
    memset(l->counts, 0, 16384 * 2);
    l->counts[0] = 3; /* bin 0 raised to 1 */
    nr_profile_entry_fit(&e, l, nullptr);
    EXPECT_EQ(e.lut[0], 1);
    nr_hist_free(nullptr, &h);
}

/*
 * Reference choice: the reference level's histogram peaks low (bin 3), every other level high
 * (bin 40), so an entry scaled to the reference gets a scale far above 5, replaced by 1.0: an
 * exact copy of the reference table; an entry fitted freely comes out near 40.
 */
TEST(ProfileFit, ReferenceIndexFollowsThePixelCount) {
    struct Case {
        int64_t pixels;
        int r;
    } cases[] = {{614399, 0}, {614400, 1}, {2457599, 1}, {2457600, 2}, {4915200, 2}};
    for (const Case& c : cases) {
        NrNoiseHistogram h;
        ASSERT_EQ(nr_hist_alloc(&h, nullptr, 3, 4, 3, 8, 6), NR_OK);
        for (int k = 0; k < 4; ++k)
            fill_rows(&h.groups[0].levels[k], k == c.r ? 3 : 40, 300);
        for (int g = 1; g < 3; ++g)
            for (int k = 0; k < 3; ++k)
                fill_rows(&h.groups[g].levels[k], 40, 300);
        Profile prof;
        nr_profile_set_shape(&prof.p, 3, 4, 8, 3, 8);
        nr_profile_fit(&prof.p, &h, c.pixels);
        const std::vector<uint8_t> ref = table(prof.entry(0, c.r));
        for (int k = 0; k < 4; ++k) {
            const bool scaled = k > c.r;
            if (k == c.r)
                continue;
            EXPECT_EQ(table(prof.entry(0, k)) == ref, scaled)
                << "pixels " << c.pixels << " luma entry " << k;
        }
        /* Chroma entry k is scaled when k > max(0, C + r - L) = max(0, r - 1). */
        const int free_up_to = c.r - 1 > 0 ? c.r - 1 : 0;
        for (int g = 1; g < 3; ++g)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(table(prof.entry(g, k)) == ref, k > free_up_to)
                    << "pixels " << c.pixels << " group " << g << " entry " << k;
        nr_hist_free(nullptr, &h);
    }
}

// ---- streaming estimate ---------------------------------------------------------------------

TEST(StreamingEstimate, CreateChecksLevelsAndFinishShapesTheProfile) {
    NrEstimateState* s = (NrEstimateState*)1;
    EXPECT_EQ(nr_estimate_state_create(nullptr, &s, 0, 3), NR_ERR_INVALID_ARG);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(nr_estimate_state_create(nullptr, nullptr, 4, 3), NR_ERR_INVALID_ARG);
    ASSERT_EQ(nr_estimate_state_create(nullptr, &s, 4, 3), NR_OK);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->hist.group_count, 3u);

    const int32_t origin[2] = {0, 0}, rect[4] = {0, 0, 8, 8};
    NrImage bad{};
    bad.format = 3; /* unsupported index */
    bad.width = bad.height = 8;
    EXPECT_EQ(nr_estimate_state_accumulate(nullptr, s, &bad, origin, rect), NR_ERR_FORMAT);
    EXPECT_EQ(nr_estimate_state_accumulate(nullptr, s, nullptr, origin, rect), NR_ERR_INVALID_ARG);
    EXPECT_EQ(nr_estimate_state_accumulate(nullptr, s, &bad, nullptr, rect), NR_ERR_INVALID_ARG);

    fill_rows(&s->hist.groups[0].levels[0], 20, 300);
    Profile prof;
    EXPECT_EQ(nr_estimate_state_finish(s, &prof.p), NR_OK);
    EXPECT_EQ(prof.p.group_count, 3u);
    EXPECT_EQ(prof.p.groups[0].entry_count, 4);
    EXPECT_EQ(prof.p.groups[0].entries[0].log2_size, 8);
    EXPECT_EQ(prof.p.groups[1].entry_count, 3);
    EXPECT_EQ(prof.p.groups[1].entries[0].log2_size, 6);
    EXPECT_NEAR(prof.entry(0, 0).lut[128], 20, 3);
    nr_estimate_state_free(nullptr, s);
    nr_estimate_state_free(nullptr, nullptr);
}

} // namespace

// ---- whole images ---------------------------------------------------------------------------

namespace {

struct Image {
    NrImage img{};
    Image(uint32_t code, int w, int h) {
        EXPECT_EQ(nr_image_alloc(nullptr, &img, code, w, h), NR_OK);
    }
    ~Image() { nr_image_free(nullptr, &img); }
    uint8_t* row(int y) { return img.data + (size_t)y * img.strides[0]; }
};

/* The engine's test photo as BT.601 studio-range Y, U, V planes. */
bool load_photo_yuv(std::vector<uint8_t>& y, std::vector<uint8_t>& u, std::vector<uint8_t>& v,
                    int& w, int& h) {
    FILE* f = fopen(NR_TEST_DATA_DIR "/engine/chelsea.ppm", "rb");
    if (!f)
        return false;
    int maxval = 0;
    const bool header = fscanf(f, "P6 %d %d %d", &w, &h, &maxval) == 3 && maxval == 255;
    fgetc(f);
    std::vector<uint8_t> rgb((size_t)w * h * 3);
    const bool ok = header && fread(rgb.data(), 1, rgb.size(), f) == rgb.size();
    fclose(f);
    if (!ok)
        return false;
    y.resize((size_t)w * h);
    u.resize(y.size());
    v.resize(y.size());
    for (size_t i = 0; i < y.size(); ++i) {
        const int r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
        y[i] = (uint8_t)(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
        u[i] = (uint8_t)(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
        v[i] = (uint8_t)(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
    }
    return true;
}

/* A YUV444 image of the photo with seeded Gaussian noise of the given sigma on every channel. */
void noisy_photo(Image& image, const std::vector<uint8_t>* planes[3], int w, int h, double sigma,
                 unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, sigma);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                const double s = (*planes[c])[(size_t)y * w + x] + noise(rng);
                image.row(y)[3 * x + c] = (uint8_t)(s < 0 ? 0 : (s > 255 ? 255 : lround(s)));
            }
}

double mean_of(const NrProfileEntry& e, int from, int to) {
    double s = 0;
    for (int i = from; i < to; ++i)
        s += e.lut[i];
    return s / (to - from);
}

} // namespace

TEST(EstimateImage, FlatGreyImageGivesAllZeroTables) {
    Image image(NR_CODE_YUV444, 200, 200);
    for (int y = 0; y < 200; ++y)
        memset(image.row(y), 128, 600);
    Profile prof;
    for (int g = 0; g < 3; ++g)
        for (int k = 0; k < 4; ++k)
            memset(prof.entry(g, k).lut, 0xEE, 256);
    const int32_t levels[3] = {2, 2, 0};
    ASSERT_EQ(nr_profile_estimate(nullptr, &prof.p, &image.img, levels), NR_OK);
    ASSERT_EQ(prof.p.group_count, 3u);
    for (int g = 0; g < 3; ++g) {
        ASSERT_EQ(prof.p.groups[g].entry_count, 2);
        for (int k = 0; k < 2; ++k)
            EXPECT_EQ(table(prof.entry(g, k)), std::vector<uint8_t>(256, 0)) << g << " " << k;
    }
}

TEST(EstimateImage, NoisierPhotoGivesHigherNoiseLevelsAndRepeatsExactly) {
    std::vector<uint8_t> y, u, v;
    int w = 0, h = 0;
    ASSERT_TRUE(load_photo_yuv(y, u, v, w, h));
    const std::vector<uint8_t>* planes[3] = {&y, &u, &v};
    const int32_t levels[3] = {3, 3, 0}; /* 451 x 300: between 76,800 and 307,200 pixels */
    double luma[2], chroma[2];
    for (int n = 0; n < 2; ++n) {
        Image image(NR_CODE_YUV444, w, h);
        noisy_photo(image, planes, w, h, n == 0 ? 4.0 : 10.0, 17);
        Profile first, second;
        ASSERT_EQ(nr_profile_estimate(nullptr, &first.p, &image.img, levels), NR_OK);
        ASSERT_EQ(nr_profile_estimate(nullptr, &second.p, &image.img, levels), NR_OK);
        for (int g = 0; g < 3; ++g)
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(table(first.entry(g, k)), table(second.entry(g, k))) << g << " " << k;
        luma[n] = mean_of(first.entry(0, 0), 60, 180);
        chroma[n] = mean_of(first.entry(1, 0), 60, 180);
        EXPECT_GT(luma[n], 0.5) << "sigma " << (n == 0 ? 4 : 10);
    }
    EXPECT_GT(luma[1], 2.0 * luma[0]);
    EXPECT_GT(chroma[1], chroma[0]);
}

TEST(EstimateImage, LargeFrameIsEstimatedTileByTileWithinTheBudget) {
    const int w = 1600, h = 1200; /* 1.92 MP YUY2: many estimation tiles, reference index 1 */
    Image image(NR_CODE_YUY2, w, h);
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0.0, 6.0);
    for (int yy = 0; yy < h; ++yy)
        for (int x = 0; x < 2 * w; ++x) {
            const double base = (x & 1) ? 128.0 : 40.0 + 160.0 * x / (2.0 * w);
            const double s = base + noise(rng);
            image.row(yy)[x] = (uint8_t)(s < 0 ? 0 : (s > 255 ? 255 : lround(s)));
        }
    const NrSize tile = nr_hist_tile_size(w, h, NR_CODE_YUY2, 4, 3);
    EXPECT_LT(tile.width * tile.height, w * h / 4);
    Profile prof;
    const int32_t levels[3] = {4, 3, 0};
    ASSERT_EQ(nr_profile_estimate(nullptr, &prof.p, &image.img, levels), NR_OK);
    EXPECT_EQ(prof.p.groups[0].entry_count, 4);
    EXPECT_EQ(prof.p.groups[1].entry_count, 3);
    EXPECT_GT(mean_of(prof.entry(0, 0), 60, 180), 0.5);
    /* Entries past the reference (luma 2 and 3) are scaled copies of luma entry 1. */
    for (int k = 2; k < 4; ++k)
        for (int i = 0; i < 256; ++i)
            if (prof.entry(0, 1).lut[i] == 0) {
                EXPECT_LE(prof.entry(0, k).lut[i], 1) << k << " " << i;
            }
}

TEST(StreamingEstimate, ShortChromaTablesTakeTheIntensityOfTheirBins) {
    NrEstimateState* s = nullptr;
    ASSERT_EQ(nr_estimate_state_create(nullptr, &s, 4, 3), NR_OK);
    /* Luma: peaks rising with brightness, so the fitted curve is not flat. Chroma level 2 is
     * fitted to luma entry 2 with a scale above 5 (replaced by 1.0): a plain copy, bin by bin. */
    for (int k = 0; k < 4; ++k) {
        NrHistLevel* l = &s->hist.groups[0].levels[k];
        for (int i = 0; i < 256; ++i)
            l->counts[i * 64 + 2 + i / 32] = 300;
    }
    for (int g = 1; g < 3; ++g)
        for (int k = 0; k < 3; ++k)
            fill_rows(&s->hist.groups[g].levels[k], 50, 300);
    Profile prof;
    ASSERT_EQ(nr_estimate_state_finish(s, &prof.p), NR_OK);
    const NrProfileEntry& luma = prof.entry(0, 2);
    const NrProfileEntry& chroma = prof.entry(1, 2);
    ASSERT_EQ(chroma.log2_size, 6);
    EXPECT_NE(luma.lut[40], luma.lut[200]);
    for (int i = 1; i < 64; ++i)
        EXPECT_EQ(chroma.lut[i], luma.lut[4 * i]) << i;
    nr_estimate_state_free(nullptr, s);
}

TEST(EstimateImage, TinyAndThinImagesEstimateWithoutTouchingOutsideTheirPlanes) {
    struct Size {
        int w, h;
    } sizes[] = {{1, 1}, {2, 2}, {3, 5}, {8, 1}, {1, 9}, {4000, 2}, {2, 3000}, {17, 33}};
    for (const Size& sz : sizes) {
        Image image(NR_CODE_YUV444, sz.w, sz.h);
        std::mt19937 rng(sz.w * 31 + sz.h);
        for (int y = 0; y < sz.h; ++y)
            for (int x = 0; x < 3 * sz.w; ++x)
                image.row(y)[x] = (uint8_t)(rng() & 0xFF);
        Profile prof;
        const int32_t levels[3] = {2, 2, 0};
        EXPECT_EQ(nr_profile_estimate(nullptr, &prof.p, &image.img, levels), NR_OK)
            << sz.w << " x " << sz.h;
    }
}

TEST(EstimateImage, EveryFailedAllocationEndsWithNoMemoryAndKeepsTheTables) {
    Image image(NR_CODE_YUY2, 160, 96);
    std::mt19937 rng(8);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 320; ++x)
            image.row(y)[x] = (uint8_t)(100 + (rng() % 40));
    const int32_t levels[3] = {2, 1, 0};
    bool succeeded = false;
    for (int n = 0; n < 400 && !succeeded; ++n) {
        Profile prof;
        for (int g = 0; g < 3; ++g)
            for (int k = 0; k < 4; ++k)
                memset(prof.entry(g, k).lut, 0xEE, 256);
        nr_test_fail_alloc_after(n);
        const int status = nr_profile_estimate(nullptr, &prof.p, &image.img, levels);
        nr_test_fail_alloc_after(-1);
        if (status == NR_OK) {
            succeeded = true;
            EXPECT_NE(prof.entry(0, 0).lut[128], 0xEE);
            break;
        }
        ASSERT_EQ(status, NR_ERR_NO_MEMORY) << "allocation " << n;
        /* The new shape, the old tables. */
        EXPECT_EQ(prof.p.groups[0].entry_count, 2);
        EXPECT_EQ(prof.entry(0, 0).lut[128], 0xEE) << "allocation " << n;
    }
    EXPECT_TRUE(succeeded);
}

// ---- fast forms against the portable forms ----------------------------------------------------

namespace {

struct CpuMask {
    uint32_t saved;
    explicit CpuMask(uint32_t mask) : saved(nr_cpu_set_mask(mask)) {}
    ~CpuMask() { nr_cpu_set_mask(saved); }
};

} // namespace

TEST(EstimateFastForms, ColumnSumWindowsAgreeWithTheIntegralImages) {
    /* The AVX2 forms run only on a processor that has AVX2. */
    const bool avx2 = (nr_cpu_detected() & NR_CPU_AVX2) != 0;
    std::mt19937 rng(21);
    for (int trial = 0; trial < 60; ++trial) {
        const int rw = 1 + trial * 3 % 41, rh = 1 + trial % 9;
        const int width = rw + 8, stride = width + trial % 5;
        const int is_signed = trial % 2;
        const int shift = is_signed ? 12 - trial % 4 : 15 - trial % 4;
        std::vector<uint8_t> g((size_t)stride * (rh + 8));
        const int amp = trial % 3 == 0 ? 255 : 12;
        for (auto& b : g)
            b = is_signed ? (uint8_t)(int8_t)((int)(rng() % (2 * amp + 1)) - amp)
                          : (uint8_t)(100 + rng() % (amp + 1));
        const int pitch = (width + 1 + 3) & ~3;
        std::vector<uint16_t> sums((size_t)pitch * (rh + 9));
        std::vector<uint32_t> squares(sums.size());
        nr_integral_images(g.data(), stride, is_signed ? 0x110 : 0x10, sums.data(), squares.data(),
                           pitch, width, rh + 8);
        std::vector<int32_t> cs(width), cq(width), cs2(width), cq2(width);
        nr_window_init(g.data(), stride, is_signed, width, cs.data(), cq.data());
        cs2 = cs;
        cq2 = cq;
        for (int y = 0; y < rh; ++y) {
            if (y > 0) {
                nr_window_advance(&g[(size_t)(y - 1) * stride], &g[(size_t)(y + 7) * stride],
                                  is_signed, width, cs.data(), cq.data());
                (avx2 ? nr_window_advance_avx2 : nr_window_advance)(
                    &g[(size_t)(y - 1) * stride], &g[(size_t)(y + 7) * stride], is_signed, width,
                    cs2.data(), cq2.data());
                ASSERT_EQ(cs2, cs);
                ASSERT_EQ(cq2, cq);
            }
            std::vector<uint8_t> v(rw), v2(rw);
            nr_window_row(cs.data(), cq.data(), rw, shift, v.data());
            (avx2 ? nr_window_row_avx2 : nr_window_row)(cs.data(), cq.data(), rw, shift, v2.data());
            ASSERT_EQ(v2, v) << "trial " << trial << " row " << y;
            for (int x = 0; x < rw; ++x) {
                const uint16_t* t = &sums[(size_t)y * pitch];
                const uint16_t* b = t + 8 * pitch;
                const uint32_t* qt = &squares[(size_t)y * pitch];
                const uint32_t* qb = qt + 8 * pitch;
                const int s1 = (int16_t)(uint16_t)(b[x + 8] - t[x + 8] - b[x] + t[x]);
                const uint32_t s2 = qb[x + 8] - qt[x + 8] - qb[x] + qt[x];
                const int64_t m = (64 * (int64_t)s2 - (int64_t)s1 * s1) >> shift;
                ASSERT_EQ(v[x], m >= 0 && m < 64 ? (int)m : 255) << trial << " " << x << "," << y;
            }
        }
    }
}

TEST(EstimateFastForms, LevelCountsAreIdenticalWithPortableAndFastForms) {
    struct Case {
        int w, h;
        uint32_t format;
        int amp, j, xs, ys;
    } cases[] = {
        {1, 1, 0x110, 6, 0, 0, 0},      {7, 3, 0x110, 9, 1, 1, 1},
        {13, 9, 0x10, 40, 0, 1, 1},     {33, 17, 0x110, 128, 2, 2, 1}, /* extremes: -128..127 */
        {45, 31, 0x10, 255, 3, 1, 2},                                  /* 0..255 */
        {300, 230, 0x110, 11, 0, 2, 2}, /* large enough for the spread counts */
        {301, 229, 0x10, 30, 1, 1, 1},
    };
    std::mt19937 rng(606);
    for (const Case& c : cases) {
        /* Margins of 3 .. 6 samples; the region keeps at least 4 from every edge. */
        TestLevel band(c.w + 9, c.h + 10, 0, c.format, 0);
        band.level.margin_left = 3;
        band.level.margin_top = 6;
        band.level.margin_right = 5;
        band.level.margin_bottom = 4;
        /* Bands of rows at the case's amplitude between quiet ones that give counted bins. */
        for (int y = 0; y < band.level.height; ++y)
            for (int x = 0; x < band.level.stride; ++x) {
                const int amp = (y / 12) % 2 ? c.amp : 5;
                const int r = (int)(rng() % (2 * amp + 1)) - amp;
                band.at(x, y) = c.format == 0x110
                                    ? (uint8_t)(int8_t)std::max(-128, std::min(127, r))
                                    : (uint8_t)std::max(0, std::min(255, 128 + r));
            }
        TestLevel coarse((c.w >> c.xs) + 2, (c.h >> c.ys) + 2, 4, 0x10, 0);
        for (auto& b : coarse.buf)
            b = (uint8_t)(rng() & 0xFF);
        std::vector<uint16_t> first;
        for (uint32_t mask : {0u, (uint32_t)NR_CPU_FAST, (uint32_t)NR_CPU_ALL}) {
            CpuMask cpu(mask);
            NrNoiseHistogram h;
            ASSERT_EQ(nr_hist_alloc(&h, nullptr, 1, 1, 0, 8, 6), NR_OK);
            NrHistLevel* level = &h.groups[0].levels[0];
            ASSERT_EQ(nr_hist_accumulate_level(nullptr, level, &band.level, &coarse.level, c.j,
                                               c.xs, c.ys),
                      NR_OK);
            std::vector<uint16_t> counts(level->counts, level->counts + NR_HIST_LEVEL_COUNTS);
            nr_hist_free(nullptr, &h);
            if (first.empty()) {
                first = counts;
                int total = 0;
                for (uint16_t n : counts)
                    total += n;
                EXPECT_GT(total, 0) << c.w << " x " << c.h;
                EXPECT_LE(total, c.w * c.h);
            } else {
                ASSERT_EQ(counts, first) << c.w << " x " << c.h << " mask " << mask;
            }
        }
    }
}

TEST(EstimateFastForms, ProfilesAreIdenticalWithPortableAndFastForms) {
    std::vector<uint8_t> y, u, v;
    int w = 0, h = 0;
    ASSERT_TRUE(load_photo_yuv(y, u, v, w, h));
    const std::vector<uint8_t>* planes[3] = {&y, &u, &v};
    for (double sigma : {3.0, 9.0}) {
        Image image(NR_CODE_YUV444, w, h);
        noisy_photo(image, planes, w, h, sigma, 5);
        std::vector<std::vector<uint8_t>> first;
        for (uint32_t mask : {0u, (uint32_t)NR_CPU_ALL}) {
            CpuMask cpu(mask);
            Profile prof;
            const int32_t levels[3] = {3, 3, 0};
            ASSERT_EQ(nr_profile_estimate(nullptr, &prof.p, &image.img, levels), NR_OK);
            std::vector<std::vector<uint8_t>> tables;
            for (int g = 0; g < 3; ++g)
                for (int k = 0; k < 3; ++k)
                    tables.push_back(table(prof.entry(g, k)));
            if (first.empty())
                first = tables;
            else
                EXPECT_EQ(tables, first) << "sigma " << sigma;
        }
    }
}

TEST(EstimateFastForms, MultiTileYuy2ProfileIsIdenticalWithPortableAndFastForms) {
    const int w = 1280, h = 960; /* several estimation tiles */
    Image image(NR_CODE_YUY2, w, h);
    std::mt19937 rng(77);
    std::normal_distribution<double> noise(0.0, 7.0);
    for (int yy = 0; yy < h; ++yy)
        for (int x = 0; x < 2 * w; ++x) {
            const double base =
                (x & 1) ? 120.0 + 20.0 * ((yy / 64) % 2) : 30.0 + 190.0 * x / (2.0 * w);
            const double s = base + noise(rng);
            image.row(yy)[x] = (uint8_t)(s < 0 ? 0 : (s > 255 ? 255 : lround(s)));
        }
    ASSERT_LT(nr_hist_tile_size(w, h, NR_CODE_YUY2, 4, 3).width, w);
    std::vector<std::vector<uint8_t>> first;
    for (uint32_t mask : {0u, (uint32_t)NR_CPU_ALL}) {
        CpuMask cpu(mask);
        Profile prof;
        const int32_t levels[3] = {4, 3, 0};
        ASSERT_EQ(nr_profile_estimate(nullptr, &prof.p, &image.img, levels), NR_OK);
        std::vector<std::vector<uint8_t>> tables;
        for (int g = 0; g < 3; ++g)
            for (int k = 0; k < (g ? 3 : 4); ++k)
                tables.push_back(table(prof.entry(g, k)));
        if (first.empty())
            first = tables;
        else
            EXPECT_EQ(tables, first);
    }
    /* The profile measured something: mid-tone luma noise above zero. */
    double mid = 0;
    for (int i = 80; i < 180; ++i)
        mid += first[0][i];
    EXPECT_GT(mid / 100, 0.5);
}

// ---- counts past 65,535 -----------------------------------------------------------------------

TEST(SaturatingCounts, OneBinPastSixtyFiveThousandStopsAtTheMaximumInEveryForm) {
    /* A +-3 checkerboard puts every sample of the region in bin 9 of brightness row 128. */
    struct Case {
        int w, h;
        uint16_t start; /* the bin's count before the level is counted */
        int expected;
    } cases[] = {
        {250, 250, 0, 62500},     /* below the maximum: exact */
        {250, 250, 3035, 65535},  /* reaches it exactly */
        {250, 250, 3036, 65535},  /* one past it */
        {300, 230, 0, 65535},     /* 69,000: the copies of the fast form sum past it */
        {600, 500, 0, 65535},     /* 300,000: every copy passes it on its own */
        {600, 500, 65535, 65535}, /* already full */
    };
    for (const Case& c : cases) {
        TestLevel band(c.w, c.h, 4, 0x110, 0);
        for (int y = 0; y < band.level.height; ++y)
            for (int x = 0; x < band.level.width; ++x)
                band.at(x, y) = (uint8_t)(int8_t)(((x + y) & 1) ? 3 : -3);
        TestLevel coarse(c.w / 2 + 1, c.h / 2 + 1, 4, 0x10, 128);
        for (uint32_t mask : {0u, (uint32_t)NR_CPU_FAST, (uint32_t)NR_CPU_ALL}) {
            CpuMask cpu(mask);
            NrNoiseHistogram h;
            ASSERT_EQ(nr_hist_alloc(&h, nullptr, 1, 1, 0, 8, 6), NR_OK);
            NrHistLevel* level = &h.groups[0].levels[0];
            level->counts[128 * 64 + 9] = c.start;
            ASSERT_EQ(nr_hist_accumulate_level(nullptr, level, &band.level, &coarse.level, 0, 1, 1),
                      NR_OK);
            EXPECT_EQ(level->counts[128 * 64 + 9], c.expected)
                << c.w << " x " << c.h << " from " << c.start << " mask " << mask;
            int others = 0;
            for (int i = 0; i < NR_HIST_LEVEL_COUNTS; ++i)
                others += i == 128 * 64 + 9 ? 0 : level->counts[i];
            EXPECT_EQ(others, 0);
            nr_hist_free(nullptr, &h);
        }
    }
}

TEST(SaturatingCounts, MergedHistogramsSaturateAndThePooledRunMatchesTheSingleThreadOne) {
    /* Mid grey with seeded noise: the finest levels' busiest bins pass 65,535 many times over,
     * within each tile that a worker counts on its own too. */
    const int w = 1200, h = 900;
    Image image(NR_CODE_YUV444, w, h);
    std::mt19937 rng(31);
    std::normal_distribution<double> noise(0.0, 5.0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double s = 128.0 + noise(rng);
            image.row(y)[3 * x] = (uint8_t)lround(s);
            image.row(y)[3 * x + 1] = image.row(y)[3 * x + 2] = 128;
        }
    NrPool* pool = nullptr;
    ASSERT_EQ(nr_pool_create(nullptr, &pool), NR_OK);
    const NrRect whole = {0, 0, w, h};
    for (uint32_t mask : {0u, (uint32_t)NR_CPU_ALL}) {
        CpuMask cpu(mask);
        NrNoiseHistogram single, pooled;
        ASSERT_EQ(nr_hist_alloc(&single, nullptr, 3, 3, 2, 8, 6), NR_OK);
        ASSERT_EQ(nr_hist_alloc(&pooled, nullptr, 3, 3, 2, 8, 6), NR_OK);
        ASSERT_EQ(nr_hist_accumulate_image(nullptr, &single, &whole, &image.img), NR_OK);
        ASSERT_EQ(nr_hist_accumulate_image_pooled(nullptr, pool, &pooled, &whole, &image.img),
                  NR_OK);
        const uint16_t* level0 = single.groups[0].levels[0].counts;
        EXPECT_EQ(0, memcmp(level0, pooled.groups[0].levels[0].counts, 2 * 3 * 16384))
            << "mask " << mask;
        /* The busy row: its full bins are contiguous around the most frequent variance. */
        int full = 0, first_full = -1;
        int32_t peak = -1, count = -1;
        nr_hist_row_peak(level0 + 128 * 64, 64, &peak, &count);
        for (int b = 0; b < 64; ++b)
            if (level0[128 * 64 + b] == 65535) {
                full += 1;
                first_full = first_full < 0 ? b : first_full;
            }
        EXPECT_GT(full, 0);
        for (int b = first_full; b < first_full + full; ++b)
            EXPECT_EQ(level0[128 * 64 + b], 65535) << b;
        EXPECT_EQ(count, 65535);
        EXPECT_GE(peak, first_full);
        EXPECT_LT(peak, first_full + full);
        /* Adding an equal histogram doubles every count, up to 65,535. */
        nr_hist_merge(&pooled, &single);
        for (int b = 0; b < 64; ++b)
            EXPECT_EQ(pooled.groups[0].levels[0].counts[128 * 64 + b],
                      std::min(65535, 2 * level0[128 * 64 + b]));
        nr_hist_free(nullptr, &single);
        nr_hist_free(nullptr, &pooled);
    }
    nr_pool_destroy(pool);
}

TEST(SaturatingCounts, LargeFrameMeasuresTheSameNoiseAsItsOneMegapixelCrop) {
    /* Luma: a triangle wave of brightness 120 .. 136 across the width, period 200, with seeded
     * noise of sigma 5; a 1000 x 1000 crop sees the same brightness and noise. At 4000 x 3000
     * the busiest bins of the finest level pass 65,535 (up to about 120,000 samples). */
    const int W = 4000, H = 3000, w = 1000, h = 1000;
    std::vector<uint8_t> luma((size_t)W * H);
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0.0, 5.0);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const int t = x % 200;
            const double base = 120.0 + 16.0 * (t < 100 ? t : 200 - t) / 100.0;
            const long s = lround(base + noise(rng));
            luma[(size_t)y * W + x] = (uint8_t)(s < 0 ? 0 : (s > 255 ? 255 : s));
        }
    auto estimate = [&](int iw, int ih, std::vector<std::vector<uint8_t>>* tables) {
        Image image(NR_CODE_YUV444, iw, ih);
        for (int y = 0; y < ih; ++y)
            for (int x = 0; x < iw; ++x) {
                uint8_t* p = image.row(y) + 3 * x;
                p[0] = luma[(size_t)y * W + x];
                p[1] = p[2] = 128;
            }
        Profile prof;
        const int32_t levels[3] = {4, 0, 0};
        ASSERT_EQ(nr_profile_estimate(nullptr, &prof.p, &image.img, levels), NR_OK);
        for (int k = 0; k < 4; ++k)
            tables->push_back(table(prof.entry(0, k)));
    };
    std::vector<std::vector<uint8_t>> large, crop;
    estimate(W, H, &large);
    estimate(w, h, &crop);
    ASSERT_EQ(large.size(), 4u);
    ASSERT_EQ(crop.size(), 4u);
    /* Both fit the two finest levels freely: mid-brightness noise levels within two bins (full
     * bins put the peak at the first of them, a little below the most frequent variance). */
    for (int k = 0; k < 2; ++k)
        for (int i : {124, 128, 132}) {
            EXPECT_GT(crop[k][i], 2) << "level " << k << " brightness " << i;
            EXPECT_NEAR(large[k][i], crop[k][i], 2) << "level " << k << " brightness " << i;
        }
}

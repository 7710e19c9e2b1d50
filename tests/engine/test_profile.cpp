// Noise profile: blob round trip and malformed blobs, shaping and copying within the capacity,
// gain scaling, flooring, outlier marking and gap filling.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "nr_profile.h"
#include "nr_runtime.h"

namespace {

struct Profile {
    NrNoiseProfile p{};
    Profile() { EXPECT_EQ(nr_profile_alloc(nullptr, &p), NR_OK); }
    ~Profile() { nr_profile_free(nullptr, &p); }
    uint8_t* lut(int g, int j) { return p.groups[g].entries[j].lut; }
};

void fill_random(Profile& profile, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int g = 0; g < NR_PROFILE_MAX_GROUPS; ++g) {
        for (int j = 0; j < NR_PROFILE_MAX_ENTRIES; ++j) {
            for (int i = 0; i < NR_PROFILE_LUT_SIZE; ++i) {
                profile.lut(g, j)[i] = static_cast<uint8_t>(rng());
            }
        }
    }
}

// A heap block of exactly one blob, so that the sanitizer sees any read past its end.
std::unique_ptr<uint8_t[]> new_blob(uint8_t fill) {
    std::unique_ptr<uint8_t[]> blob(new uint8_t[NR_PROFILE_BLOB_SIZE]);
    std::memset(blob.get(), fill, NR_PROFILE_BLOB_SIZE);
    return blob;
}

void put_u32(uint8_t* p, uint32_t v) {
    p[0] = v & 0xff;
    p[1] = (v >> 8) & 0xff;
    p[2] = (v >> 16) & 0xff;
    p[3] = v >> 24;
}

// Bytes of the blob that a profile of the given shape describes.
size_t used_bytes(int groups, int luma_entries, int chroma_entries, int log2) {
    size_t n = 4;
    for (int g = 0; g < groups; ++g) {
        n += 4 + (g == 0 ? luma_entries : chroma_entries) * (8 + (size_t(1) << log2));
    }
    return n;
}

TEST(ProfileBlob, FullProfileRoundTripsAndDeterminesItsBytes) {
    Profile a;
    fill_random(a, 1);
    // Indices need not equal the positions; the blob carries them.
    a.p.groups[1].entries[2].index = 0;
    auto blob = new_blob(0xcd);
    nr_profile_write(blob.get(), &a.p);
    EXPECT_EQ(used_bytes(3, 4, 4, 8), 3184u);

    // Written over a differently filled buffer, the meaningful bytes are the same.
    auto other = new_blob(0x11);
    nr_profile_write(other.get(), &a.p);
    EXPECT_EQ(std::memcmp(blob.get(), other.get(), 3184), 0);

    Profile b;
    b.p.group_count = 0;
    ASSERT_EQ(nr_profile_read(blob.get(), &b.p), NR_OK);
    ASSERT_EQ(b.p.group_count, 3u);
    for (int g = 0; g < 3; ++g) {
        ASSERT_EQ(b.p.groups[g].entry_count, 4);
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(b.p.groups[g].entries[j].log2_size, 8);
            EXPECT_EQ(b.p.groups[g].entries[j].index, a.p.groups[g].entries[j].index);
            EXPECT_EQ(std::memcmp(b.lut(g, j), a.lut(g, j), 256), 0) << g << "," << j;
        }
    }
}

TEST(ProfileBlob, UsualShapesUseTheDocumentedSizeAndNothingBeyond) {
    struct Shape {
        int luma, chroma;
        size_t bytes;
    } shapes[] = {{4, 3, 2656}, {2, 1, 1072}, {3, 2, used_bytes(3, 3, 2, 8)}};
    for (const Shape& s : shapes) {
        Profile a;
        fill_random(a, 7);
        nr_profile_set_shape(&a.p, 3, s.luma, 8, s.chroma, 8);
        auto blob = new_blob(0);
        nr_profile_write(blob.get(), &a.p);
        EXPECT_EQ(used_bytes(3, s.luma, s.chroma, 8), s.bytes);
        // The reader never looks past the last table: garbage there changes nothing.
        std::memset(blob.get() + s.bytes, 0xff, NR_PROFILE_BLOB_SIZE - s.bytes);
        Profile b;
        ASSERT_EQ(nr_profile_read(blob.get(), &b.p), NR_OK);
        ASSERT_EQ(b.p.group_count, 3u);
        EXPECT_EQ(b.p.groups[0].entry_count, s.luma);
        EXPECT_EQ(b.p.groups[2].entry_count, s.chroma);
        EXPECT_EQ(std::memcmp(b.lut(2, s.chroma - 1), a.lut(2, s.chroma - 1), 256), 0);
    }
}

TEST(ProfileBlob, SmallTablesRoundTrip) {
    Profile a;
    fill_random(a, 3);
    nr_profile_set_shape(&a.p, 3, 4, 8, 3, 6);
    auto blob = new_blob(0);
    nr_profile_write(blob.get(), &a.p);
    Profile b;
    fill_random(b, 4);
    ASSERT_EQ(nr_profile_read(blob.get(), &b.p), NR_OK);
    EXPECT_EQ(b.p.groups[1].entries[2].log2_size, 6);
    EXPECT_EQ(std::memcmp(b.lut(1, 2), a.lut(1, 2), 64), 0);
    EXPECT_EQ(std::memcmp(b.lut(0, 3), a.lut(0, 3), 256), 0);
}

TEST(ProfileBlob, GroupCountZeroInstallsAnEmptyProfile) {
    Profile b;
    auto blob = new_blob(0xee);
    put_u32(blob.get(), 0);
    EXPECT_EQ(nr_profile_read(blob.get(), &b.p), NR_OK);
    EXPECT_EQ(b.p.group_count, 0u);
}

// Each malformed blob installs an empty profile; the sanitizer checks that nothing is read past
// the 4,096 bytes or written past the tables.
TEST(ProfileBlob, MalformedBlobsInstallAnEmptyProfile) {
    struct Case {
        const char* name;
        uint32_t groups, entries, log2, index;
    } cases[] = {
        {"group count 4", 4, 1, 8, 0},
        {"group count huge", 0xffffffffu, 1, 8, 0},
        {"entry count 5", 1, 5, 8, 0},
        {"entry count huge", 1, 0x80000000u, 8, 0},
        {"log2 size 9", 1, 1, 9, 0},
        {"log2 size 31", 1, 1, 31, 0},
        {"log2 size huge", 1, 1, 0xfffffff0u, 0},
        {"index 4", 1, 1, 8, 4},
        {"index negative", 1, 1, 8, 0xffffffffu},
    };
    for (const Case& c : cases) {
        auto blob = new_blob(0);
        put_u32(blob.get(), c.groups);
        // Every group and entry header the same, tables of 2^log2 bytes (capped for layout).
        size_t pos = 4;
        for (uint32_t g = 0; g < 3 && pos + 4 <= NR_PROFILE_BLOB_SIZE; ++g) {
            put_u32(blob.get() + pos, c.entries);
            pos += 4;
            for (uint32_t j = 0; j < 4 && pos + 8 <= NR_PROFILE_BLOB_SIZE; ++j) {
                put_u32(blob.get() + pos, c.log2);
                put_u32(blob.get() + pos + 4, c.index);
                pos += 8 + (c.log2 <= 8 ? (1u << c.log2) : 256u);
            }
        }
        Profile b;
        EXPECT_EQ(nr_profile_read(blob.get(), &b.p), NR_ERR_FORMAT) << c.name;
        EXPECT_EQ(b.p.group_count, 0u) << c.name;
    }
}

TEST(ProfileBlob, ReadIntoAProfileWithoutStorageStaysEmpty) {
    Profile a;
    fill_random(a, 5);
    auto blob = new_blob(0);
    nr_profile_write(blob.get(), &a.p);
    NrNoiseProfile none{};
    none.group_count = 2;
    EXPECT_EQ(nr_profile_read(blob.get(), &none), NR_ERR_FORMAT);
    EXPECT_EQ(none.group_count, 0u);
    EXPECT_EQ(nr_profile_read(nullptr, &a.p), NR_ERR_INVALID_ARG);
    EXPECT_EQ(a.p.group_count, 0u);
}

TEST(Profile, AllocationFailuresLeaveAProfileThatFrees) {
    // Group array, then per group its entry array and four tables.
    for (int failing = 0; failing < 16; ++failing) {
        NrNoiseProfile p{};
        nr_test_fail_alloc_after(failing);
        EXPECT_EQ(nr_profile_alloc(nullptr, &p), NR_ERR_NO_MEMORY) << failing;
        nr_test_fail_alloc_after(-1);
        nr_profile_free(nullptr, &p);
        EXPECT_EQ(p.groups, nullptr);
    }
    NrNoiseProfile p{};
    nr_test_fail_alloc_after(16);
    EXPECT_EQ(nr_profile_alloc(nullptr, &p), NR_OK);
    nr_test_fail_alloc_after(-1);
    EXPECT_EQ(p.group_count, 3u);
    nr_profile_free(nullptr, &p);
    nr_profile_free(nullptr, &p); // a freed profile frees again harmlessly
    nr_profile_free(nullptr, nullptr);
}

TEST(Profile, ShapeSetsCountsSizesAndIndicesWithinCapacity) {
    Profile a;
    for (int g = 0; g < 3; ++g) {
        for (int j = 0; j < 4; ++j) {
            a.p.groups[g].entries[j].index = 9;
        }
    }
    nr_profile_set_shape(&a.p, 3, 4, 8, 3, 6);
    EXPECT_EQ(a.p.group_count, 3u);
    EXPECT_EQ(a.p.groups[0].entry_count, 4);
    EXPECT_EQ(a.p.groups[1].entry_count, 3);
    EXPECT_EQ(a.p.groups[2].entries[2].log2_size, 6);
    EXPECT_EQ(a.p.groups[2].entries[2].index, 2);
    EXPECT_EQ(a.p.groups[0].entries[3].log2_size, 8);
    EXPECT_EQ(a.p.groups[0].entries[3].index, 3);

    nr_profile_set_shape(&a.p, 7, 9, 12, -1, 8);
    EXPECT_EQ(a.p.group_count, 3u);
    EXPECT_EQ(a.p.groups[0].entry_count, 4);
    EXPECT_EQ(a.p.groups[0].entries[0].log2_size, 8);
    EXPECT_EQ(a.p.groups[1].entry_count, 0);

    nr_profile_set_shape(&a.p, 0, 4, 8, 4, 8);
    EXPECT_EQ(a.p.group_count, 0u);
    EXPECT_EQ(a.p.groups[0].entry_count, 4); // only the count changes
}

TEST(Profile, CopyFillsTheDestinationStorage) {
    Profile a, b;
    fill_random(a, 11);
    fill_random(b, 12);
    nr_profile_set_shape(&a.p, 3, 3, 8, 2, 8);
    a.p.groups[2].entries[1].index = 3;
    nr_profile_copy(&a.p, &b.p);
    EXPECT_EQ(b.p.group_count, 3u);
    EXPECT_EQ(b.p.groups[0].entry_count, 3);
    EXPECT_EQ(b.p.groups[2].entry_count, 2);
    EXPECT_EQ(b.p.groups[2].entries[1].index, 3);
    EXPECT_EQ(std::memcmp(b.lut(2, 1), a.lut(2, 1), 256), 0);
    EXPECT_NE(std::memcmp(b.lut(2, 3), a.lut(2, 3), 256), 0); // not in use: not copied

    // A source whose counts exceed the capacity copies only what fits.
    a.p.group_count = 9;
    a.p.groups[0].entry_count = 40;
    nr_profile_copy(&a.p, &b.p);
    EXPECT_EQ(b.p.group_count, 3u);
    EXPECT_EQ(b.p.groups[0].entry_count, 4);
}

TEST(ProfileScale, GainTable) {
    struct Case {
        int32_t gain;
        uint8_t in, out;
    } cases[] = {
        {256, 0, 0},     {256, 1, 1},     {256, 200, 200}, {512, 0, 1},      {512, 3, 6},
        {512, 127, 254}, {512, 128, 255}, {1024, 64, 255}, {1024, 0, 3},     {1024, 10, 40},
        {128, 1, 1},     {128, 3, 2},     {128, 0, 0},     {384, 0, 1},      {640, 0, 2},
        {383, 0, 0},     {307, 63, 76},   {0, 50, 0},      {100000, 1, 255}, {100000, 0, 255},
    };
    for (const Case& c : cases) {
        Profile a;
        nr_profile_set_shape(&a.p, 1, 1, 8, 0, 8);
        std::memset(a.lut(0, 0), c.in, 256);
        const int32_t luma[4] = {c.gain, 256, 256, 256};
        const int32_t chroma[4] = {256, 256, 256, 256};
        nr_profile_scale(&a.p, luma, chroma);
        EXPECT_EQ(a.lut(0, 0)[0], c.out) << "gain " << c.gain << " value " << int(c.in);
        EXPECT_EQ(a.lut(0, 0)[255], c.out);
    }
}

TEST(ProfileScale, EachGroupAndLevelTakesItsOwnGainAndOnlyEntriesInUse) {
    Profile a;
    for (int g = 0; g < 3; ++g) {
        for (int j = 0; j < 4; ++j) {
            std::memset(a.lut(g, j), 10, 256);
        }
    }
    nr_profile_set_shape(&a.p, 3, 4, 8, 2, 8);
    a.p.groups[2].entry_count = 0;
    const int32_t luma[4] = {256, 512, 768, 1024};
    const int32_t chroma[4] = {128, 384, 2560, 2560};
    nr_profile_scale(&a.p, luma, chroma);
    EXPECT_EQ(a.lut(0, 0)[7], 10);
    EXPECT_EQ(a.lut(0, 1)[7], 20);
    EXPECT_EQ(a.lut(0, 2)[7], 30);
    EXPECT_EQ(a.lut(0, 3)[7], 40);
    EXPECT_EQ(a.lut(1, 0)[7], 5);
    EXPECT_EQ(a.lut(1, 1)[7], 15);
    EXPECT_EQ(a.lut(1, 2)[7], 10); // entry 2 of group 1 not in use
    EXPECT_EQ(a.lut(2, 0)[7], 10); // group 2 has no entries in use

    // Small tables scale only their 2^k bins.
    nr_profile_set_shape(&a.p, 1, 1, 2, 0, 8);
    std::memset(a.lut(0, 0), 10, 256);
    const int32_t twice[4] = {512, 512, 512, 512};
    nr_profile_scale(&a.p, twice, twice);
    EXPECT_EQ(a.lut(0, 0)[3], 20);
    EXPECT_EQ(a.lut(0, 0)[4], 10);
}

TEST(ProfileFloor, RaisesOnlyValuesBelowTheMinimum) {
    Profile a;
    nr_profile_set_shape(&a.p, 3, 2, 8, 1, 8);
    for (int g = 0; g < 3; ++g) {
        for (int j = 0; j < 4; ++j) {
            for (int i = 0; i < 256; ++i) {
                a.lut(g, j)[i] = static_cast<uint8_t>(i % 3);
            }
        }
    }
    nr_profile_floor(&a.p, 1);
    EXPECT_EQ(a.lut(0, 0)[0], 1);
    EXPECT_EQ(a.lut(0, 1)[3], 1);
    EXPECT_EQ(a.lut(0, 1)[4], 1);
    EXPECT_EQ(a.lut(0, 1)[5], 2);
    EXPECT_EQ(a.lut(2, 0)[6], 1);
    EXPECT_EQ(a.lut(0, 2)[0], 0); // luma entry 2 not in use
    EXPECT_EQ(a.lut(1, 1)[0], 0); // chroma entry 1 not in use
}

TEST(LutFillGaps, Table) {
    struct Case {
        std::vector<uint8_t> in, out;
    } cases[] = {
        {{10, 255, 255, 40}, {10, 20, 30, 40}},
        {{40, 255, 255, 10}, {40, 30, 20, 10}},
        {{0, 255, 255, 10}, {0, 3, 6, 10}}, // truncation toward zero
        {{255, 255, 7}, {7, 7, 7}},
        {{255, 255}, {0, 0}},
        {{5, 255, 255}, {5, 5, 5}},
        {{255, 4, 255, 8, 255, 255, 2, 255}, {4, 4, 6, 8, 6, 4, 2, 2}},
        {{1, 2, 3}, {1, 2, 3}},
        {{254}, {254}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> t = c.in;
        nr_lut_fill_gaps(t.data(), static_cast<int32_t>(t.size()));
        EXPECT_EQ(t, c.out);
    }
}

TEST(LutMarkOutliers, Table) {
    struct Case {
        std::vector<uint8_t> in;
        int32_t anchor, step;
        std::vector<uint8_t> out;
    } cases[] = {
        // An isolated spike is marked; the walk continues from the last good value.
        {{10, 11, 50, 12, 13}, 0, 3, {10, 11, 255, 12, 13}},
        // The tolerance grows by the step over every marked value.
        {{10, 30, 30, 30, 14}, 0, 2, {10, 255, 255, 255, 14}},
        {{10, 30, 30, 30, 19}, 0, 2, {10, 255, 255, 255, 255}},
        // The walk goes down from the anchor as well as up.
        {{13, 12, 50, 11, 10}, 4, 3, {13, 12, 255, 11, 10}},
        {{20, 90, 21, 22, 80, 23}, 2, 4, {20, 255, 21, 22, 255, 23}},
        // Values already marked count as outliers without being compared.
        {{10, 255, 16, 14}, 0, 3, {10, 255, 16, 14}},
        {{10, 255, 17, 12}, 0, 3, {10, 255, 255, 12}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> t = c.in;
        nr_lut_mark_outliers(t.data(), static_cast<int32_t>(t.size()), c.anchor, c.step);
        EXPECT_EQ(t, c.out);
    }
}

} // namespace

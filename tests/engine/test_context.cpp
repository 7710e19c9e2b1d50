// The engine context: defaults, the strength mapping of the public setters, the internal setters,
// profile loading, and creation and destruction (partial failures, joined threads, parallel use).
#include <gtest/gtest.h>

#include "threadcount.h"

#include <dirent.h>

#include <climits>
#include <cstring>
#include <memory>
#include <thread>

#include "nr_context.h"

namespace {

struct Engine {
    NrEngine* e = nullptr;
    Engine() { EXPECT_EQ(nr_engine_create(&e), NR_OK); }
    ~Engine() { nr_engine_destroy(e); }
};

TEST(Context, CreationSetsTheDefaults) {
    Engine engine;
    NrEngine* e = engine.e;
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->user, nullptr);
    EXPECT_EQ(e->reserved, nullptr);
    ASSERT_NE(e->pool, nullptr);
    EXPECT_EQ(e->pool->running, 1);
    EXPECT_EQ(e->mode, 6);
    const struct {
        const NrChannelSettings* channel;
        int32_t amount;
    } channels[] = {{&e->luma, 80}, {&e->chroma, 90}};
    for (const auto& c : channels) {
        EXPECT_EQ(c.channel->noise_level, 50);
        EXPECT_EQ(c.channel->amount, c.amount);
        EXPECT_EQ(c.channel->detail, 20);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(c.channel->level_offsets[i], 0);
            EXPECT_EQ(c.channel->amount_offsets[i], 0);
            EXPECT_EQ(c.channel->detail_offsets[i], i == 3 ? -20 : 0);
        }
    }
    EXPECT_EQ(e->last_luma_levels, 0);
    EXPECT_EQ(e->last_chroma_levels, 0);
    // The stored profile has full capacity but no groups: each run estimates its own.
    EXPECT_EQ(e->profile.group_count, 0u);
    ASSERT_NE(e->profile.groups, nullptr);
    for (int g = 0; g < 3; ++g) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_NE(e->profile.groups[g].entries[j].lut, nullptr);
        }
    }
    EXPECT_NE(e->blob, nullptr);
    EXPECT_EQ(e->estimate, nullptr);
    EXPECT_EQ(e->buffers.noise_maps, nullptr);
}

TEST(Context, NullArguments) {
    EXPECT_EQ(nr_engine_create(nullptr), NR_ERR_INVALID_ARG);
    nr_engine_destroy(nullptr);
    EXPECT_EQ(nr_engine_set_luma_strength(nullptr, 30), NR_OK);
    EXPECT_EQ(nr_engine_set_chroma_strength(nullptr, 30), NR_OK);
    EXPECT_EQ(nr_engine_set_strength(nullptr, 30), NR_OK);
    EXPECT_EQ(nr_engine_set_detail(nullptr, 30), NR_OK);
    EXPECT_EQ(nr_engine_set_mode(nullptr, 1), NR_OK);
    EXPECT_EQ(nr_engine_set_mode(nullptr, 2), NR_ERR_MODE);
    EXPECT_EQ(nr_engine_load_profile(nullptr, nullptr), NR_ERR_INVALID_ARG);
    EXPECT_EQ(nr_ctx_store_profile(nullptr), nullptr);
    EXPECT_EQ(nr_ctx_noop(), NR_OK);
}

struct StrengthCase {
    int32_t a;
    int32_t luma_amount, chroma_amount, noise_level, luma_detail;
};

// The mapping of a slider value onto the context; values outside 0..100 are held to the range.
const StrengthCase kStrength[] = {
    {0, 0, 0, 50, 0},       {1, 1, 1, 50, 0},           {25, 40, 45, 50, 10},
    {33, 52, 59, 50, 13},   {49, 78, 88, 50, 19},       {50, 80, 90, 50, 20},
    {51, 80, 90, 51, 20},   {75, 80, 90, 75, 30},       {99, 80, 90, 99, 39},
    {100, 80, 90, 100, 40}, {-5, 0, 0, 50, 0},          {101, 80, 90, 100, 40},
    {INT_MIN, 0, 0, 50, 0}, {INT_MAX, 80, 90, 100, 40},
};

TEST(ContextSetters, StrengthMappingTable) {
    for (const StrengthCase& c : kStrength) {
        Engine luma, chroma, both;
        EXPECT_EQ(nr_engine_set_luma_strength(luma.e, c.a), NR_OK);
        EXPECT_EQ(luma.e->luma.amount, c.luma_amount) << c.a;
        EXPECT_EQ(luma.e->luma.noise_level, c.noise_level) << c.a;
        EXPECT_EQ(luma.e->chroma.amount, 90); // the other channel keeps its settings
        EXPECT_EQ(luma.e->chroma.noise_level, 50);

        EXPECT_EQ(nr_engine_set_chroma_strength(chroma.e, c.a), NR_OK);
        EXPECT_EQ(chroma.e->chroma.amount, c.chroma_amount) << c.a;
        EXPECT_EQ(chroma.e->chroma.noise_level, c.noise_level) << c.a;
        EXPECT_EQ(chroma.e->luma.amount, 80);

        EXPECT_EQ(nr_engine_set_strength(both.e, c.a), NR_OK);
        EXPECT_EQ(both.e->luma.amount, c.luma_amount) << c.a;
        EXPECT_EQ(both.e->chroma.amount, c.chroma_amount) << c.a;
        EXPECT_EQ(both.e->luma.noise_level, c.noise_level) << c.a;
        EXPECT_EQ(both.e->chroma.noise_level, c.noise_level) << c.a;

        EXPECT_EQ(nr_engine_set_detail(both.e, c.a), NR_OK);
        EXPECT_EQ(both.e->luma.detail, c.luma_detail) << c.a;
        EXPECT_EQ(both.e->chroma.detail, 20) << c.a; // the chroma detail keeps its value
    }
}

TEST(ContextSetters, ModeSelectsTheInternalConfiguration) {
    Engine engine;
    EXPECT_EQ(nr_engine_set_mode(engine.e, 0), NR_OK);
    EXPECT_EQ(engine.e->mode, 4);
    EXPECT_EQ(nr_engine_set_mode(engine.e, 2), NR_ERR_MODE);
    EXPECT_EQ(nr_engine_set_mode(engine.e, -1), NR_ERR_MODE);
    EXPECT_EQ(engine.e->mode, 4); // kept
    EXPECT_EQ(nr_engine_set_mode(engine.e, 1), NR_OK);
    EXPECT_EQ(engine.e->mode, 6);
}

TEST(ContextSetters, InternalSettersReturnThePreviousValue) {
    Engine engine;
    NrEngine* e = engine.e;
    EXPECT_EQ(nr_ctx_set_mode(e, 17), 6);
    EXPECT_EQ(nr_ctx_set_mode(e, 4), 17);
    EXPECT_EQ(nr_ctx_set_level(e, 70, 0), 50);
    EXPECT_EQ(nr_ctx_set_level(e, 60, 1), 50);
    EXPECT_EQ(nr_ctx_set_level(e, 0, 7), 60); // any non-zero flag is chroma
    EXPECT_EQ(e->luma.noise_level, 70);
    EXPECT_EQ(nr_ctx_set_amount(e, 10, 0), 80);
    EXPECT_EQ(nr_ctx_set_amount(e, 11, 1), 90);
    EXPECT_EQ(nr_ctx_set_detail(e, 30, 1), 20);
    EXPECT_EQ(e->chroma.detail, 30);
    EXPECT_EQ(e->luma.detail, 20);
    for (int level = 0; level < 4; ++level) {
        EXPECT_EQ(nr_ctx_set_level_offset(e, level + 1, 0, level), 0);
        EXPECT_EQ(nr_ctx_set_amount_offset(e, -level, 1, level), 0);
        EXPECT_EQ(nr_ctx_set_detail_offset(e, 5, 0, level), level == 3 ? -20 : 0);
    }
    EXPECT_EQ(e->luma.level_offsets[2], 3);
    EXPECT_EQ(e->chroma.amount_offsets[3], -3);
    EXPECT_EQ(e->luma.detail_offsets[3], 5);
    EXPECT_EQ(e->chroma.detail_offsets[3], -20);
    // A level outside 0..3 writes nothing.
    const NrChannelSettings before = e->luma;
    EXPECT_EQ(nr_ctx_set_level_offset(e, 9, 0, 4), NR_ERR_INVALID_ARG);
    EXPECT_EQ(nr_ctx_set_amount_offset(e, 9, 0, -1), NR_ERR_INVALID_ARG);
    EXPECT_EQ(nr_ctx_set_detail_offset(e, 9, 0, 100), NR_ERR_INVALID_ARG);
    EXPECT_EQ(std::memcmp(&before, &e->luma, sizeof before), 0);

    EXPECT_EQ(nr_ctx_set_mode(nullptr, 1), NR_ERR_FAILED);
    EXPECT_EQ(nr_ctx_set_level(nullptr, 1, 0), NR_ERR_FAILED);
    EXPECT_EQ(nr_ctx_set_amount(nullptr, 1, 0), NR_ERR_FAILED);
    EXPECT_EQ(nr_ctx_set_detail(nullptr, 1, 0), NR_ERR_FAILED);
    EXPECT_EQ(nr_ctx_set_level_offset(nullptr, 1, 0, 0), NR_ERR_FAILED);
    EXPECT_EQ(nr_ctx_set_amount_offset(nullptr, 1, 0, 0), NR_ERR_FAILED);
    EXPECT_EQ(nr_ctx_set_detail_offset(nullptr, 1, 0, 0), NR_ERR_FAILED);
}

void fill_profile(NrNoiseProfile* p, int luma, int chroma, uint8_t seed) {
    nr_profile_set_shape(p, 3, luma, 8, chroma, 8);
    for (int g = 0; g < 3; ++g) {
        for (int j = 0; j < 4; ++j) {
            for (int i = 0; i < 256; ++i) {
                p->groups[g].entries[j].lut[i] = static_cast<uint8_t>(seed + g * 50 + j * 7 + i);
            }
        }
    }
}

TEST(ContextProfile, StoredProfileTravelsThroughTheBlob) {
    Engine from, to;
    fill_profile(&from.e->profile, 4, 3, 9);
    const uint8_t* blob = nr_ctx_store_profile(from.e);
    ASSERT_EQ(blob, from.e->blob);
    std::unique_ptr<uint8_t[]> copy(new uint8_t[NR_PROFILE_BLOB_SIZE]);
    std::memcpy(copy.get(), blob, NR_PROFILE_BLOB_SIZE);

    EXPECT_EQ(nr_engine_load_profile(to.e, copy.get()), NR_OK);
    ASSERT_EQ(to.e->profile.group_count, 3u);
    EXPECT_EQ(to.e->profile.groups[0].entry_count, 4);
    EXPECT_EQ(to.e->profile.groups[1].entry_count, 3);
    EXPECT_EQ(std::memcmp(to.e->profile.groups[2].entries[2].lut,
                          from.e->profile.groups[2].entries[2].lut, 256),
              0);

    // Null drops it: the next run estimates its own profile.
    EXPECT_EQ(nr_engine_load_profile(to.e, nullptr), NR_OK);
    EXPECT_EQ(to.e->profile.group_count, 0u);
}

TEST(ContextProfile, MalformedBlobInstallsAnEmptyProfileAndStillSucceeds) {
    Engine engine;
    fill_profile(&engine.e->profile, 4, 3, 1);
    std::unique_ptr<uint8_t[]> blob(new uint8_t[NR_PROFILE_BLOB_SIZE]);
    std::memset(blob.get(), 0xff, NR_PROFILE_BLOB_SIZE);
    EXPECT_EQ(nr_engine_load_profile(engine.e, blob.get()), NR_OK);
    EXPECT_EQ(engine.e->profile.group_count, 0u);
}

// Every allocation and thread start of creation can fail; the status says so, the handle is
// written with what was built, and destroy releases it (the leak checker and the thread count
// would show anything left behind).
TEST(ContextLifecycle, EveryCreationFailureIsReportedAndReleased) {
    const int before = thread_count();
    int succeeded_at = -1;
    for (int failing = 0; failing < 64 && succeeded_at < 0; ++failing) {
        NrEngine* e = reinterpret_cast<NrEngine*>(&succeeded_at); // must be overwritten
        nr_test_fail_alloc_after(failing);
        const int32_t status = nr_engine_create(&e);
        nr_test_fail_alloc_after(-1);
        if (status == NR_OK) {
            succeeded_at = failing;
        } else {
            EXPECT_TRUE(status == NR_ERR_NO_MEMORY || status == NR_ERR_FAILED) << status;
            if (failing == 0) {
                EXPECT_EQ(e, nullptr);
            } else {
                EXPECT_NE(e, nullptr);
            }
        }
        nr_engine_destroy(e);
        EXPECT_EQ(thread_count_settled_at(before), before) << failing;
    }
    // Context, pool (11), profile (16), blob.
    EXPECT_EQ(succeeded_at, 1 + 11 + 16 + 1);

    for (int failing = 0; failing < 4; ++failing) {
        NrEngine* e = nullptr;
        nr_test_fail_thread_after(failing);
        EXPECT_EQ(nr_engine_create(&e), NR_ERR_FAILED);
        nr_test_fail_thread_after(-1);
        ASSERT_NE(e, nullptr);
        nr_engine_destroy(e);
        EXPECT_EQ(thread_count_settled_at(before), before);
    }
}

TEST(ContextLifecycle, ThousandCreateDestroyCyclesKeepTheThreadCount) {
    const int before = thread_count();
    ASSERT_GT(before, 0);
    for (int cycle = 0; cycle < 1000; ++cycle) {
        NrEngine* e = nullptr;
        ASSERT_EQ(nr_engine_create(&e), NR_OK);
        if (cycle == 0) {
            EXPECT_EQ(thread_count_settled_at(before + 4), before + 4); // four workers per context
        }
        nr_engine_destroy(e);
    }
    EXPECT_EQ(thread_count_settled_at(before), before);
}

TEST(ContextLifecycle, ContextsInDifferentThreadsAreIndependent) {
    auto worker = [](int a, int* luma_amount) {
        for (int i = 0; i < 20; ++i) {
            NrEngine* e = nullptr;
            if (nr_engine_create(&e) != NR_OK) {
                *luma_amount = -1;
                nr_engine_destroy(e);
                return;
            }
            nr_engine_set_mode(e, 0);
            nr_engine_set_strength(e, a);
            *luma_amount = e->luma.amount;
            nr_engine_destroy(e);
        }
    };
    int first = 0, second = 0;
    std::thread t1(worker, 25, &first);
    std::thread t2(worker, 33, &second);
    t1.join();
    t2.join();
    EXPECT_EQ(first, 40);
    EXPECT_EQ(second, 52);
}

} // namespace

// Worker pool and auto-reset events: every job runs exactly once, requests return only when all
// jobs are done, threads are joined, and start-up failures neither hang nor leak.
#include <gtest/gtest.h>

#include "threadcount.h"

#include <dirent.h>
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "nr_pool.h"

namespace {

struct Job {
    std::atomic<int> calls{0};
    int value = 0;         // plain write: the dispatch must publish it to the caller
    pthread_t thread = {}; // which worker ran it
};

void count_job(void* argument) {
    Job* job = static_cast<Job*>(argument);
    // A little work, so that jobs overlap and a premature return would show.
    volatile int sink = 0;
    for (int i = 0; i < 200; ++i) {
        sink = sink + i;
    }
    job->value = job->value + 1;
    job->thread = pthread_self();
    job->calls.fetch_add(1, std::memory_order_relaxed);
}

void other_job(void* argument) {
    static_cast<Job*>(argument)->value += 100;
    static_cast<Job*>(argument)->calls.fetch_add(1, std::memory_order_relaxed);
}

struct PoolTest : ::testing::Test {
    NrPool* pool = nullptr;
    void SetUp() override { ASSERT_EQ(nr_pool_create(nullptr, &pool), NR_OK); }
    void TearDown() override {
        nr_pool_destroy(pool);
        nr_test_fail_alloc_after(-1);
        nr_test_fail_thread_after(-1);
    }
};

TEST_F(PoolTest, EveryJobRunsExactlyOncePerRequest) {
    for (int n : {0, 1, 7, 100}) {
        std::vector<Job> jobs(n);
        std::vector<void*> args(n);
        for (int i = 0; i < n; ++i) {
            args[i] = &jobs[i];
        }
        const int requests = 200;
        for (int r = 0; r < requests; ++r) {
            nr_pool_run(pool, count_job, args.data(), n);
            // Everything the jobs wrote is visible once the request returns.
            for (int i = 0; i < n; ++i) {
                ASSERT_EQ(jobs[i].calls.load(std::memory_order_relaxed), r + 1) << "n=" << n;
                ASSERT_EQ(jobs[i].value, r + 1) << "n=" << n;
            }
        }
        for (int i = 0; i < pool->count; ++i) {
            EXPECT_EQ(pool->slots[i].state.load(), NR_WORKER_IDLE);
        }
    }
}

TEST_F(PoolTest, JobsRunOnTheWorkersNotTheCaller) {
    const int n = 64;
    std::vector<Job> jobs(n);
    std::vector<void*> args(n);
    for (int i = 0; i < n; ++i) {
        args[i] = &jobs[i];
    }
    nr_pool_run(pool, count_job, args.data(), n);
    for (const Job& job : jobs) {
        EXPECT_FALSE(pthread_equal(job.thread, pthread_self()));
    }
}

TEST_F(PoolTest, EmptyRequestCallsNothingAndLeavesWorkersIdle) {
    Job job;
    void* args[1] = {&job};
    nr_pool_run(pool, count_job, args, 0);
    nr_pool_run(pool, count_job, args, -3);
    EXPECT_EQ(job.calls.load(), 0);
    for (int i = 0; i < pool->count; ++i) {
        EXPECT_EQ(pool->slots[i].state.load(), NR_WORKER_IDLE);
    }
}

namespace {

// The scheduler state of one thread of this process ('R' running, 'S' sleeping, ...).
char thread_state(long tid) {
    const std::string path = "/proc/self/task/" + std::to_string(tid) + "/stat";
    FILE* f = fopen(path.c_str(), "r");
    if (!f) {
        return '?';
    }
    char line[512] = {0};
    const size_t n = fread(line, 1, sizeof(line) - 1, f);
    fclose(f);
    line[n] = 0;
    const char* close = strrchr(line, ')');
    return close && close[1] == ' ' ? close[2] : '?';
}

struct Watch {
    long caller_tid = 0;
    std::atomic<bool> saw_caller_asleep{false};
    int value = 0; // plain write, read by the caller after the request
};

// Runs until it has seen the dispatching thread asleep (or gives up after a few seconds).
void watch_job(void* argument) {
    Watch* watch = static_cast<Watch*>(argument);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        if (thread_state(watch->caller_tid) == 'S') {
            watch->saw_caller_asleep.store(true);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    watch->value = 42;
}

} // namespace

TEST_F(PoolTest, CallerSleepsWhileAJobRunsAndWakesWhenItEnds) {
    // A yielding caller stays runnable and would take a processor from the workers; the caller
    // blocks instead, and still sees the job's writes when the request returns.
    for (int round = 0; round < 3; ++round) {
        Watch watch;
        watch.caller_tid = syscall(SYS_gettid);
        Job others[3];
        void* args[4] = {&watch, &others[0], &others[1], &others[2]};
        NrJobFn table[4] = {watch_job, count_job, count_job, count_job};
        nr_pool_run_each(pool, table, args, 4);
        EXPECT_TRUE(watch.saw_caller_asleep.load()) << "round " << round;
        EXPECT_EQ(watch.value, 42);
        for (const Job& job : others) {
            EXPECT_EQ(job.value, 1);
        }
    }
}

TEST_F(PoolTest, FunctionTableIsIndexedByStride) {
    const int n = 6;
    std::vector<Job> jobs(n);
    std::vector<void*> args(n);
    for (int i = 0; i < n; ++i) {
        args[i] = &jobs[i];
    }
    // Stride 1: job i uses function i; a null entry skips that job.
    NrJobFn table[n] = {count_job, other_job, count_job, nullptr, other_job, count_job};
    nr_pool_run_each(pool, table, args.data(), n);
    const int expected_each[n] = {1, 100, 1, 0, 100, 1};
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(jobs[i].value, expected_each[i]) << i;
    }
    // Stride 2: job i uses function 2i.
    NrJobFn wide[2 * 3] = {other_job, nullptr, count_job, nullptr, other_job, nullptr};
    nr_pool_run_table(pool, wide, 2, args.data(), 3);
    EXPECT_EQ(jobs[0].value, 101);
    EXPECT_EQ(jobs[1].value, 101);
    EXPECT_EQ(jobs[2].value, 101);
}

TEST(Pool, NullPoolDoesNothing) {
    Job job;
    void* args[1] = {&job};
    nr_pool_run(nullptr, count_job, args, 1);
    nr_pool_destroy(nullptr);
    EXPECT_EQ(job.calls.load(), 0);
    EXPECT_EQ(nr_pool_init(nullptr, nullptr), NR_ERR_FAILED);
}

TEST(Pool, CreateDestroyCyclesDoNotLeakThreads) {
    const int before = thread_count();
    ASSERT_GT(before, 0);
    for (int cycle = 0; cycle < 1000; ++cycle) {
        NrPool* pool = nullptr;
        ASSERT_EQ(nr_pool_create(nullptr, &pool), NR_OK);
        if (cycle == 0) {
            EXPECT_EQ(thread_count_settled_at(before + 4), before + 4);
        }
        nr_pool_destroy(pool);
    }
    EXPECT_EQ(thread_count_settled_at(before), before);
}

TEST(Pool, PoolsOfDifferentCallersRunIndependently) {
    auto caller = [](int seed, int* result) {
        NrPool* pool = nullptr;
        if (nr_pool_create(nullptr, &pool) != NR_OK) {
            *result = -1;
            return;
        }
        std::vector<Job> jobs(13);
        std::vector<void*> args(13);
        for (int i = 0; i < 13; ++i) {
            args[i] = &jobs[i];
        }
        for (int r = 0; r < 50 + seed; ++r) {
            nr_pool_run(pool, count_job, args.data(), 13);
        }
        int total = 0;
        for (const Job& job : jobs) {
            total += job.value;
        }
        nr_pool_destroy(pool);
        *result = total;
    };
    int a = 0, b = 0;
    std::thread first(caller, 0, &a);
    std::thread second(caller, 7, &b);
    first.join();
    second.join();
    EXPECT_EQ(a, 13 * 50);
    EXPECT_EQ(b, 13 * 57);
}

// A thread that cannot be started fails the creation; the pool that comes back still runs every
// job exactly once (in the caller's thread) and shuts down without waiting for the missing worker.
TEST(Pool, FailedThreadStartFailsCreationWithoutHangOrLeak) {
    const int before = thread_count();
    for (int failing = 0; failing < 4; ++failing) {
        NrPool* pool = nullptr;
        nr_test_fail_thread_after(failing);
        EXPECT_EQ(nr_pool_create(nullptr, &pool), NR_ERR_FAILED) << failing;
        nr_test_fail_thread_after(-1);
        ASSERT_NE(pool, nullptr);
        EXPECT_EQ(pool->running, 0);
        std::vector<Job> jobs(9);
        std::vector<void*> args(9);
        for (int i = 0; i < 9; ++i) {
            args[i] = &jobs[i];
        }
        nr_pool_run(pool, count_job, args.data(), 9);
        for (const Job& job : jobs) {
            EXPECT_EQ(job.calls.load(), 1);
        }
        nr_pool_destroy(pool);
        EXPECT_EQ(thread_count_settled_at(before), before) << failing;
    }
}

// Every allocation of start-up can fail; each failure is reported and the partial pool released
// (the leak checker of the sanitizer build sees anything left behind).
TEST(Pool, EveryFailedAllocationOfStartUpIsReportedAndReleased) {
    const int before = thread_count();
    int succeeded_at = -1;
    for (int failing = 0; failing < 64 && succeeded_at < 0; ++failing) {
        NrPool* pool = nullptr;
        nr_test_fail_alloc_after(failing);
        const int32_t status = nr_pool_create(nullptr, &pool);
        nr_test_fail_alloc_after(-1);
        if (status == NR_OK) {
            succeeded_at = failing;
        } else {
            EXPECT_TRUE(status == NR_ERR_NO_MEMORY || status == NR_ERR_FAILED) << status;
            if (failing == 0) {
                EXPECT_EQ(pool, nullptr);
            }
        }
        nr_pool_destroy(pool);
        EXPECT_EQ(thread_count_settled_at(before), before);
    }
    // Record, mutex, slots, and per worker an event and a thread handle.
    EXPECT_EQ(succeeded_at, 3 + 2 * 4);
}

TEST(Event, WaitWithoutTimeoutDoesNotBlockAndClearsTheFlag) {
    NrEvent* event = nr_event_create();
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(nr_event_wait(event, 0), NR_OK);
    EXPECT_EQ(nr_event_signal(event), NR_OK);
    EXPECT_EQ(event->flag, 1);
    EXPECT_EQ(nr_event_wait(event, 5), NR_OK);
    EXPECT_EQ(event->flag, 0);
    EXPECT_EQ(nr_event_free(nullptr, event), NR_OK);
}

TEST(Event, OneSignalReleasesOneWait) {
    NrEvent* event = nr_event_create();
    ASSERT_NE(event, nullptr);
    // Two signals before a wait merge into one: the event is a flag, not a counter.
    nr_event_signal(event);
    nr_event_signal(event);
    EXPECT_EQ(nr_event_wait(event, -1), NR_OK);
    EXPECT_EQ(event->flag, 0);

    std::atomic<int> returned{0};
    std::thread waiter([&] {
        nr_event_wait(event, -1);
        returned.store(1);
    });
    for (int i = 0; i < 1000; ++i) {
        std::this_thread::yield();
    }
    EXPECT_EQ(returned.load(), 0) << "a wait returned without a signal";
    EXPECT_EQ(nr_event_signal(event), NR_OK);
    waiter.join();
    EXPECT_EQ(returned.load(), 1);
    EXPECT_EQ(event->flag, 0);
    nr_event_free(nullptr, event);
}

TEST(Event, NullArgumentsAreRefused) {
    EXPECT_EQ(nr_event_wait(nullptr, -1), NR_ERR_INVALID_ARG);
    EXPECT_EQ(nr_event_signal(nullptr), NR_ERR_INVALID_ARG);
    EXPECT_EQ(nr_event_free(nullptr, nullptr), NR_ERR_INVALID_ARG);
    EXPECT_EQ(nr_pool_mutex_lock(nullptr), NR_ERR_FAILED);
    EXPECT_EQ(nr_pool_mutex_unlock(nullptr), NR_ERR_FAILED);
    EXPECT_EQ(nr_pool_mutex_free(nullptr), NR_OK);
    EXPECT_EQ(nr_thread_create(nullptr, nullptr), nullptr);
    EXPECT_EQ(nr_thread_join(nullptr), nullptr);
}

} // namespace

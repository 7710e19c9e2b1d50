/*
 * nr_runtime.h - what the engine takes from the platform: allocation, memory helpers, sleep.
 *
 * Every allocation of the engine goes through nr_malloc / nr_free with an opaque allocator user
 * pointer (always null today). Sizes are size_t: image buffers of large photos exceed 2 GiB.
 */
#ifndef NR_RUNTIME_H
#define NR_RUNTIME_H

#include <stddef.h>
#include <stdint.h>

#include "nr_engine.h"

/* malloc(size); user is handed through and ignored. Returns null when memory runs out. */
void* nr_malloc(void* user, size_t size);

/* free(ptr); null is ignored. */
void nr_free(void* user, void* ptr);

/* (x + 3) & ~3: every working row length is rounded up to whole 4-byte words. */
static inline int32_t nr_round_up4(int32_t x) {
    return (x + 3) & ~3;
}

void nr_memcpy(void* dst, const void* src, size_t length);
void nr_memset(void* buffer, int32_t value, size_t length);

/*
 * Copies rows bytes-long rows one by one, stepping each pointer by its own stride (in bytes).
 * Does nothing when dst equals src.
 */
void nr_copy_rows(void* dst, ptrdiff_t dst_stride, const void* src, ptrdiff_t src_stride,
                  size_t row_bytes, uint32_t rows);

/* Number of worker threads of every pool: 4. */
static inline int32_t nr_worker_count(void) {
    return 4;
}

/* Sleeps whole seconds; 0 only yields the processor (sched_yield). */
void nr_sleep(int32_t seconds);

/*
 * Test-only fault injection. nr_test_fail_alloc_after(n) makes the allocation n calls from now
 * (0 = the next one) return null, once; nr_test_fail_thread_after(n) does the same for thread
 * creation. A negative n switches the injection off. Both counters are process-wide.
 */
void nr_test_fail_alloc_after(int32_t n);
void nr_test_fail_thread_after(int32_t n);

/* True when the armed thread-creation failure fires now (used by nr_thread_create). */
bool nr_test_thread_should_fail(void);

#endif /* NR_RUNTIME_H */

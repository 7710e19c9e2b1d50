/*
 * Runtime shims: allocation, memory helpers and sleep on the C runtime and POSIX.
 */
#include "nr_runtime.h"

#include <sched.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

namespace {
// Calls left before the injected failure; negative when no failure is armed.
std::atomic<int32_t> g_alloc_countdown{-1};
std::atomic<int32_t> g_thread_countdown{-1};
} // namespace

static bool nr_countdown_fires(std::atomic<int32_t>& countdown) {
    int32_t left = countdown.load(std::memory_order_relaxed);
    while (left >= 0) {
        if (countdown.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
            return left == 0;
        }
    }
    return false;
}

bool nr_test_thread_should_fail(void) {
    return nr_countdown_fires(g_thread_countdown);
}

void* nr_malloc(void* user, size_t size) {
    (void)user;
    if (nr_countdown_fires(g_alloc_countdown)) {
        return nullptr;
    }
    return malloc(size);
}

void nr_free(void* user, void* ptr) {
    (void)user;
    free(ptr);
}

void nr_memcpy(void* dst, const void* src, size_t length) {
    if (length > 0) {
        memcpy(dst, src, length);
    }
}

void nr_memset(void* buffer, int32_t value, size_t length) {
    if (length > 0) {
        memset(buffer, value, length);
    }
}

void nr_copy_rows(void* dst, ptrdiff_t dst_stride, const void* src, ptrdiff_t src_stride,
                  size_t row_bytes, uint32_t rows) {
    if (dst == src || row_bytes == 0) {
        return;
    }
    uint8_t* d = static_cast<uint8_t*>(dst);
    const uint8_t* s = static_cast<const uint8_t*>(src);
    for (uint32_t y = 0; y < rows; ++y) {
        memcpy(d, s, row_bytes);
        d += dst_stride;
        s += src_stride;
    }
}

void nr_sleep(int32_t seconds) {
    if (seconds <= 0) {
        sched_yield();
    } else {
        sleep(static_cast<unsigned>(seconds));
    }
}

void nr_test_fail_alloc_after(int32_t n) {
    g_alloc_countdown.store(n < 0 ? -1 : n, std::memory_order_relaxed);
}

void nr_test_fail_thread_after(int32_t n) {
    g_thread_countdown.store(n < 0 ? -1 : n, std::memory_order_relaxed);
}

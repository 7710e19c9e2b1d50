// CPU feature detection for the vector kernels.
#include "nr_cpu.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

uint32_t detect_features() {
    uint32_t flags = NR_CPU_FAST;
#if defined(__x86_64__) || defined(__i386__)
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        if (edx & bit_SSE2)
            flags |= NR_CPU_SSE2;
        const bool osxsave = (ecx & bit_OSXSAVE) != 0;
        const bool avx = (ecx & bit_AVX) != 0;
        if (osxsave && avx) {
            // The operating system must save the YMM registers (XCR0 bits 1 and 2).
            unsigned int xcr0_lo = 0, xcr0_hi = 0;
            __asm__ volatile("xgetbv" : "=a"(xcr0_lo), "=d"(xcr0_hi) : "c"(0));
            if ((xcr0_lo & 0x6) == 0x6 && __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) &&
                (ebx & bit_AVX2))
                flags |= NR_CPU_AVX2;
        }
    }
#endif
    return flags;
}

std::atomic<uint32_t> g_mask{NR_CPU_ALL};

} // namespace

uint32_t nr_cpu_detected(void) {
    static const uint32_t detected = detect_features();
    return detected;
}

uint32_t nr_cpu_flags(void) {
    return nr_cpu_detected() & g_mask.load(std::memory_order_relaxed);
}

uint32_t nr_cpu_set_mask(uint32_t mask) {
    return g_mask.exchange(mask, std::memory_order_relaxed);
}

void nr_cpu_force_portable(int on) {
    nr_cpu_set_mask(on ? 0u : NR_CPU_ALL);
}

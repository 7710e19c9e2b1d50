// CPU features for the engine's vector kernels.
//
// The fast kernel forms are chosen at run time from these flags. Tests mask them to run the
// portable forms (mask 0) or one instruction set at a time against the same input.
#ifndef NR_CPU_H
#define NR_CPU_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// SSE2 row bodies (always present on x86-64).
#define NR_CPU_SSE2 0x1u
// AVX2 row bodies.
#define NR_CPU_AVX2 0x2u
// Not a processor feature: the word-at-a-time forms as a whole. Without it every kernel runs its
// portable form over the whole range.
#define NR_CPU_FAST 0x100u
#define NR_CPU_ALL 0xFFFFFFFFu

/* nr_cpu_flags:
 * The features the kernels may use: what the processor offers (detected once), NR_CPU_FAST, and
 * the current mask applied. Cheap; safe from any thread. */
uint32_t nr_cpu_flags(void);

/* nr_cpu_detected:
 * What the processor offers, without the mask (NR_CPU_FAST always included). */
uint32_t nr_cpu_detected(void);

/* nr_cpu_set_mask (tests and benchmarks only):
 * Restricts nr_cpu_flags() to `mask` (NR_CPU_ALL = no restriction, 0 = portable forms only) and
 * returns the previous mask. Not for use while other threads run kernels. */
uint32_t nr_cpu_set_mask(uint32_t mask);

/* nr_cpu_force_portable (tests only): 1 forces the portable forms, 0 restores every feature. */
void nr_cpu_force_portable(int on);

#ifdef __cplusplus
}
#endif

#endif

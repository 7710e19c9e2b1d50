/*
 * nr_filter.cpp - the level filter: parameters, the block loop, flat blocks, block matching, the
 * portable and word-at-a-time kernels, and the further operations of the component.
 */
#include "nr_filter.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "nr_cpu.h"
#include "nr_engine.h"
#include "nr_kernels.h"
#include "nr_pyramid.h"
#include "nr_runtime.h"
#include "nr_tiles.h"
#include "nr_filter_search.h"

using namespace nr_filter_detail;

namespace {

/* weight(i) = round(16 exp(-i / 16)). */
const uint8_t kWeights[NR_WEIGHT_LUT_SIZE] = {
    16, 15, 14, 13, 12, 12, 11, 10, 10, 9, 9, 8, 8, 7, 7, 6, 6, 6, 5, 5, 5, 4,
    4,  4,  4,  3,  3,  3,  3,  3,  2,  2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1, 1, 1,
    1,  1,  1,  1,  1,  1,  1,  1,  1,  1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0};

inline bool is_8bit_format(uint32_t format) {
    return format == NR_SAMPLE_U8 || format == NR_SAMPLE_S8;
}

inline int32_t clamp_u8(int32_t v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

inline int32_t clamp_s8(int32_t v) {
    return v < -128 ? -128 : (v > 127 ? 127 : v);
}

inline bool aligned4(const void* p, int32_t stride) {
    return ((uintptr_t)p & 3u) == 0 && (stride & 3) == 0;
}

inline uint32_t load_word(const uint8_t* p) {
    uint32_t w;
    memcpy(&w, p, 4);
    return w;
}

/* Sum over the four bytes of |a - b|, unsigned or signed bytes. */
inline uint32_t word_sad_u8(uint32_t a, uint32_t b) {
    uint32_t s = 0;
    for (int k = 0; k < 32; k += 8) {
        const int32_t x = (int32_t)((a >> k) & 0xFFu) - (int32_t)((b >> k) & 0xFFu);
        s += (uint32_t)(x < 0 ? -x : x);
    }
    return s;
}

inline uint32_t word_sad_s8(uint32_t a, uint32_t b) {
    /* Flipping the sign bit maps -128..127 onto 0..255 in order; differences stay the same. */
    return word_sad_u8(a ^ 0x80808080u, b ^ 0x80808080u);
}

/* The kernels one block loop works with, chosen once per level by the CPU flags. */
struct FilterKernels {
    uint32_t (*distance)(const uint8_t*, int32_t, const uint8_t*, int32_t, uint32_t);
    void (*stats)(const uint8_t*, int32_t, int32_t*, int32_t*, uint32_t);
    void (*add_pair)(uint16_t*, const uint8_t*, int32_t, uint32_t, const uint8_t*, int32_t,
                     uint32_t, int32_t);
    void (*add16)(uint16_t*, const uint8_t*, int32_t, uint32_t, int32_t);
    void (*add16_s8)(uint16_t*, const uint8_t*, int32_t, uint32_t, int32_t);
    void (*add32)(uint32_t*, const uint8_t*, int32_t, uint32_t, int32_t);
    void (*add32_s8)(int32_t*, const uint8_t*, int32_t, uint32_t, int32_t);
    void (*fin16)(const uint8_t*, int32_t, uint32_t, int32_t, int32_t, uint8_t*, int32_t,
                  const uint16_t*);
    void (*fin16_s8)(const uint8_t*, int32_t, uint32_t, int32_t, int32_t, uint8_t*, int32_t,
                     const uint16_t*);
    void (*mean_blend)(uint8_t*, int32_t, const uint8_t*, int32_t, int32_t, int32_t, int32_t,
                       int32_t);
    void (*blend8)(uint8_t*, int32_t, const uint8_t*, int32_t, const uint8_t*, int32_t, int32_t);
};

uint32_t distance_words(const uint8_t* a, int32_t as, const uint8_t* b, int32_t bs,
                        uint32_t format) {
    if (format == NR_SAMPLE_U8)
        return nr_patch_distance_u8_words(a, as, b, bs);
    if (format == NR_SAMPLE_S8)
        return nr_patch_distance_s8_words(a, as, b, bs);
    return 0;
}

void stats_words(const uint8_t* w, int32_t stride, int32_t* sum, int32_t* var, uint32_t format) {
    if (format == NR_SAMPLE_U8)
        nr_block_stats_u8_words(w, stride, sum, var);
    else
        nr_block_stats(w, stride, sum, var, format);
}

const FilterKernels kPortable = {nr_patch_distance,  nr_block_stats,    nr_acc_add_pair,
                                 nr_acc_add16,       nr_acc_add16_s8,   nr_acc_add32,
                                 nr_acc_add32_s8,    nr_finalize16,     nr_finalize16_s8,
                                 nr_flat_mean_blend, nr_upsample_blend8};

const FilterKernels kWords = {
    distance_words,   stats_words,        nr_acc_add_pair,         nr_acc_add16,
    nr_acc_add16_s8,  nr_acc_add32,       nr_acc_add32_s8,         nr_finalize16_words,
    nr_finalize16_s8, nr_flat_mean_blend, nr_upsample_blend8_words};

const FilterKernels kSse2 = {
    nr_patch_distance_sse2, nr_block_stats_sse2,     nr_acc_add_pair_sse2,    nr_acc_add16_sse2,
    nr_acc_add16_s8_sse2,   nr_acc_add32_sse2,       nr_acc_add32_s8_sse2,    nr_finalize16_sse2,
    nr_finalize16_s8_sse2,  nr_flat_mean_blend_sse2, nr_upsample_blend8_words};

const FilterKernels* select_kernels(uint32_t flags) {
    if (!(flags & NR_CPU_FAST))
        return &kPortable;
    if (flags & NR_CPU_SSE2)
        return &kSse2;
    return &kWords;
}

/* Upsample blend of a flat block toward the coarser level (see nr_flat_block). */
void blend_upsampled(uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss, int32_t d,
                     const uint8_t* coarse, int32_t cs, int32_t keep) {
    for (int32_t v = 0; v < d; ++v) {
        for (int32_t u = 0; u < d; ++u) {
            const uint8_t* c0 = coarse + (v >> 1) * cs + (u >> 1);
            const int32_t a = c0[0], b = c0[1], c = c0[cs], e = c0[cs + 1];
            int32_t up;
            if (!(v & 1) && !(u & 1))
                up = a;
            else if (!(v & 1))
                up = (a + b + 1) >> 1;
            else if (!(u & 1))
                up = (a + c + 1) >> 1;
            else if (d == 4)
                up = (a + b + c + e + 2) >> 2;
            else
                up = (c + e + 2 * ((a + b + 1) >> 1) + 2) >> 2;
            const int32_t s = src[v * ss + u];
            dst[v * ds + u] = (uint8_t)clamp_u8((keep * s + (256 - keep) * up + 128) >> 8);
        }
    }
}

} // namespace

/* ---- weight table -----------------------------------------------------------------------------
 */

int nr_weight_lut_get(void* user, NrWeightLut* out) {
    (void)user;
    if (out) {
        out->table = kWeights;
        out->count = NR_WEIGHT_LUT_SIZE;
    }
    return 0;
}

void nr_weight_lut_release(void* user, NrWeightLut* lut) {
    (void)user;
    if (lut) {
        lut->table = nullptr;
        lut->count = 0;
    }
}

uint32_t nr_weight_slope(uint32_t sigma, int32_t noise_scale) {
    return sigma ? (sigma / 2 + (uint32_t)noise_scale * 256u) / sigma : 0;
}

uint32_t nr_candidate_weight(uint32_t distance, uint32_t slope, const uint8_t* table) {
    return candidate_weight(distance, slope, table);
}

/* ---- distances and statistics ------------------------------------------------------------------
 */

uint32_t nr_patch_distance(const uint8_t* a, int32_t as, const uint8_t* b, int32_t bs,
                           uint32_t format) {
    uint32_t sad = 0;
    if (format == NR_SAMPLE_U8) {
        for (int y = 0; y < 8; ++y, a += as, b += bs)
            for (int x = 0; x < 8; ++x)
                sad += (uint32_t)abs((int32_t)a[x] - (int32_t)b[x]);
    } else if (format == NR_SAMPLE_S8) {
        for (int y = 0; y < 8; ++y, a += as, b += bs)
            for (int x = 0; x < 8; ++x)
                sad += (uint32_t)abs((int32_t)(int8_t)a[x] - (int32_t)(int8_t)b[x]);
    } else {
        return 0;
    }
    return (sad * sad) >> 6;
}

uint32_t nr_patch_distance_u8_words(const uint8_t* a, int32_t as, const uint8_t* b, int32_t bs) {
    const bool wa = aligned4(a, as), wb = aligned4(b, bs);
    if (!wa && !wb)
        return nr_patch_distance(a, as, b, bs, NR_SAMPLE_U8);
    if (!wa) { /* read the aligned one by words, the other byte by byte */
        const uint8_t* t = a;
        a = b;
        b = t;
        const int32_t ts = as;
        as = bs;
        bs = ts;
    }
    uint32_t sad = 0;
    const bool both = wa && wb;
    for (int y = 0; y < 8; ++y, a += as, b += bs) {
        for (int x = 0; x < 8; x += 4) {
            const uint32_t wa32 = load_word(a + x);
            const uint32_t wb32 = both
                                      ? load_word(b + x)
                                      : (uint32_t)b[x] | ((uint32_t)b[x + 1] << 8) |
                                            ((uint32_t)b[x + 2] << 16) | ((uint32_t)b[x + 3] << 24);
            sad += word_sad_u8(wa32, wb32);
        }
    }
    return (sad * sad) >> 6;
}

uint32_t nr_patch_distance_s8_words(const uint8_t* a, int32_t as, const uint8_t* b, int32_t bs) {
    if (!aligned4(a, as) || !aligned4(b, bs))
        return nr_patch_distance(a, as, b, bs, NR_SAMPLE_S8);
    uint32_t sad = 0;
    for (int y = 0; y < 8; ++y, a += as, b += bs)
        for (int x = 0; x < 8; x += 4)
            sad += word_sad_s8(load_word(a + x), load_word(b + x));
    return (sad * sad) >> 6;
}

void nr_block_stats(const uint8_t* w, int32_t stride, int32_t* sum, int32_t* var, uint32_t format) {
    int32_t s1 = 0, s2 = 0;
    if (format == NR_SAMPLE_S8) {
        for (int y = 0; y < 8; ++y, w += stride)
            for (int x = 0; x < 8; ++x) {
                const int32_t v = (int8_t)w[x];
                s1 += v;
                s2 += v * v;
            }
    } else {
        for (int y = 0; y < 8; ++y, w += stride)
            for (int x = 0; x < 8; ++x) {
                const int32_t v = w[x];
                s1 += v;
                s2 += v * v;
            }
    }
    if (sum)
        *sum = s1;
    if (var)
        *var = 64 * s2 - s1 * s1;
}

void nr_block_stats_u8_words(const uint8_t* w, int32_t stride, int32_t* sum, int32_t* var) {
    int32_t s1 = 0, s2 = 0;
    const bool words = aligned4(w, stride);
    const bool halves = ((uintptr_t)w & 1u) == 0 && (stride & 1) == 0;
    for (int y = 0; y < 8; ++y, w += stride) {
        for (int x = 0; x < 8; x += 4) {
            uint32_t word;
            if (words) {
                word = load_word(w + x);
            } else if (halves) {
                uint16_t lo, hi;
                memcpy(&lo, w + x, 2);
                memcpy(&hi, w + x + 2, 2);
                word = (uint32_t)lo | ((uint32_t)hi << 16);
            } else {
                word = (uint32_t)w[x] | ((uint32_t)w[x + 1] << 8) | ((uint32_t)w[x + 2] << 16) |
                       ((uint32_t)w[x + 3] << 24);
            }
            for (int k = 0; k < 32; k += 8) {
                const int32_t v = (int32_t)((word >> k) & 0xFFu);
                s1 += v;
                s2 += v * v;
            }
        }
    }
    if (sum)
        *sum = s1;
    if (var)
        *var = 64 * s2 - s1 * s1;
}

/* ---- accumulators
 * -------------------------------------------------------------------------------- */

void nr_acc_add_pair(uint16_t* acc, const uint8_t* a, int32_t as, uint32_t wa, const uint8_t* b,
                     int32_t bs, uint32_t wb, int32_t d) {
    for (int32_t v = 0; v < d; ++v, a += as, b += bs, acc += d)
        for (int32_t u = 0; u < d; ++u)
            acc[u] = (uint16_t)(acc[u] + wa * a[u] + wb * b[u]);
}

void nr_acc_add16(uint16_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d) {
    for (int32_t v = 0; v < d; ++v, src += stride, acc += d)
        for (int32_t u = 0; u < d; ++u)
            acc[u] = (uint16_t)(acc[u] + w * src[u]);
}

void nr_acc_add16_s8(uint16_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d) {
    for (int32_t v = 0; v < d; ++v, src += stride, acc += d)
        for (int32_t u = 0; u < d; ++u)
            acc[u] = (uint16_t)(acc[u] + w * (uint32_t)((int32_t)(int8_t)src[u] + 128));
}

void nr_acc_add32(uint32_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d) {
    for (int32_t v = 0; v < d; ++v, src += stride, acc += d)
        for (int32_t u = 0; u < d; ++u)
            acc[u] += w * src[u];
}

void nr_acc_add32_s8(int32_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d) {
    for (int32_t v = 0; v < d; ++v, src += stride, acc += d)
        for (int32_t u = 0; u < d; ++u)
            acc[u] += (int32_t)w * (int32_t)(int8_t)src[u];
}

void nr_acc_widen_u16(void* acc, int32_t d) {
    /* From the last entry down, so that no 16-bit entry is overwritten before it is read. */
    uint16_t* a16 = (uint16_t*)acc;
    uint32_t* a32 = (uint32_t*)acc;
    for (int32_t i = d * d - 1; i >= 0; --i) {
        const uint32_t v = a16[i];
        a32[i] = v;
    }
}

void nr_acc_widen_s16(void* acc, int32_t d, uint32_t total_weight) {
    uint16_t* a16 = (uint16_t*)acc;
    int32_t* a32 = (int32_t*)acc;
    const int32_t bias = 128 * (int32_t)total_weight;
    for (int32_t i = d * d - 1; i >= 0; --i) {
        const int32_t v = (int32_t)a16[i];
        a32[i] = v - bias;
    }
}

/* ---- finalisers
 * ---------------------------------------------------------------------------------- */

void nr_finalize16(const uint8_t* src, int32_t ss, uint32_t total, int32_t keep, int32_t d,
                   uint8_t* dst, int32_t ds, const uint16_t* acc) {
    const uint32_t recip = 65535u / total;
    const uint32_t half = total >> 1;
    for (int32_t v = 0; v < d; ++v, src += ss, dst += ds, acc += d) {
        for (int32_t u = 0; u < d; ++u) {
            const int32_t m = (int32_t)(((acc[u] + half) * recip) >> 16);
            const int32_t s = src[u];
            dst[u] = (uint8_t)clamp_u8((m * 256 + 128 + (s - m) * keep) >> 8);
        }
    }
}

void nr_finalize16_words(const uint8_t* src, int32_t ss, uint32_t total, int32_t keep, int32_t d,
                         uint8_t* dst, int32_t ds, const uint16_t* acc) {
    /* Two accumulators per 32-bit word in, two output samples per 16-bit word out; each mean's
     * product (a + T/2) x recip needs the full 32 bits, so it is formed per half. */
    const uint32_t recip = 65535u / total;
    const uint32_t half = total >> 1;
    for (int32_t v = 0; v < d; ++v, src += ss, dst += ds, acc += d) {
        for (int32_t u = 0; u < d; u += 2) {
            uint32_t pair;
            memcpy(&pair, acc + u, 4);
            const int32_t m0 = (int32_t)((((pair & 0xFFFFu) + half) * recip) >> 16);
            const int32_t m1 = (int32_t)((((pair >> 16) + half) * recip) >> 16);
            const int32_t o0 = clamp_u8((m0 * 256 + 128 + ((int32_t)src[u] - m0) * keep) >> 8);
            const int32_t o1 = clamp_u8((m1 * 256 + 128 + ((int32_t)src[u + 1] - m1) * keep) >> 8);
            const uint16_t out = (uint16_t)(o0 | (o1 << 8));
            memcpy(dst + u, &out, 2);
        }
    }
}

void nr_finalize32(const uint8_t* src, int32_t ss, uint32_t total, int32_t keep, int32_t d,
                   uint8_t* dst, int32_t ds, const uint32_t* acc) {
    const uint32_t half = total >> 1;
    const uint64_t recip = 0xFFFFFFFFu / total;
    for (int32_t v = 0; v < d; ++v, src += ss, dst += ds, acc += d) {
        for (int32_t u = 0; u < d; ++u) {
            int32_t m;
            if (d == 8)
                m = (int32_t)(((uint64_t)(acc[u] + half) * recip) >> 32);
            else
                m = (int32_t)((acc[u] + half) / total);
            const int32_t s = src[u];
            dst[u] = (uint8_t)clamp_u8((m * 256 + 128 + (s - m) * keep) >> 8);
        }
    }
}

void nr_finalize16_s8(const uint8_t* src, int32_t ss, uint32_t total, int32_t keep, int32_t d,
                      uint8_t* dst, int32_t ds, const uint16_t* acc) {
    const int32_t recip = (int32_t)(65535u / total);
    const int32_t t = (int32_t)total;
    for (int32_t v = 0; v < d; ++v, src += ss, dst += ds, acc += d) {
        for (int32_t u = 0; u < d; ++u) {
            const int32_t m = (((int32_t)acc[u] - 128 * t + (t >> 1)) * recip) >> 16;
            const int32_t s = (int8_t)src[u];
            dst[u] = (uint8_t)(int8_t)clamp_s8((m * 256 + 128 + (s - m) * keep) >> 8);
        }
    }
}

void nr_finalize32_s8(const uint8_t* src, int32_t ss, uint32_t total, int32_t keep, int32_t d,
                      uint8_t* dst, int32_t ds, const int32_t* acc) {
    const int32_t t = (int32_t)total;
    const int64_t recip = (int64_t)(0xFFFFFFFFu / total);
    for (int32_t v = 0; v < d; ++v, src += ss, dst += ds, acc += d) {
        for (int32_t u = 0; u < d; ++u) {
            int32_t m;
            if (d == 8)
                m = (int32_t)(((int64_t)(acc[u] + (t >> 1)) * recip) >> 32);
            else
                m = (acc[u] + (t >> 1)) / t;
            const int32_t s = (int8_t)src[u];
            dst[u] = (uint8_t)(int8_t)clamp_s8((m * 256 + 128 + (s - m) * keep) >> 8);
        }
    }
}

/* ---- flat test
 * ----------------------------------------------------------------------------------- */

namespace {

/* The mean blend of a flat block: every sample pulled toward m by the keep factor. */
template <bool Signed>
void blend_to_mean(uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss, int32_t d, int32_t m,
                   int32_t keep) {
    for (int32_t v = 0; v < d; ++v, src += ss, dst += ds) {
        for (int32_t u = 0; u < d; ++u) {
            const int32_t s = Signed ? (int32_t)(int8_t)src[u] : (int32_t)src[u];
            const int32_t o = (m * 256 + 128 + (s - m) * keep) >> 8;
            dst[u] = Signed ? (uint8_t)(int8_t)clamp_s8(o) : (uint8_t)clamp_u8(o);
        }
    }
}

int flat_block(const FilterKernels* k, uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss,
               int32_t d, const uint8_t* coarse, int32_t cs, int32_t keep, uint32_t format,
               uint32_t threshold) {
    /* Blend sources are unsigned luma levels; a signed block never blends toward one. */
    const uint8_t* blend = format == NR_SAMPLE_U8 ? coarse : nullptr;
    int32_t s1 = 0, var = 0;
    if (d == 8 && blend) {
        k->stats(blend - 2 - 2 * cs, cs, &s1, &var, NR_SAMPLE_U8);
        if ((int64_t)var > ((int64_t)threshold << 10))
            return 0;
        k->blend8(dst, ds, src, ss, blend, cs, keep);
        return 1;
    }
    const uint8_t* window = d == 8 ? src : src - 2 - 2 * ss;
    k->stats(window, ss, &s1, &var, format);
    if ((int64_t)var > ((int64_t)threshold << 12))
        return 0;
    if (blend) {
        blend_upsampled(dst, ds, src, ss, d, blend, cs, keep);
        return 1;
    }
    const int32_t m = (s1 + 32) >> 6;
    k->mean_blend(dst, ds, src, ss, d, m, keep, format == NR_SAMPLE_S8);
    return 1;
}

} // namespace

void nr_flat_mean_blend(uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss, int32_t d,
                        int32_t m, int32_t keep, int32_t is_signed) {
    if (is_signed)
        blend_to_mean<true>(dst, ds, src, ss, d, m, keep);
    else
        blend_to_mean<false>(dst, ds, src, ss, d, m, keep);
}

void nr_upsample_blend8(uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss,
                        const uint8_t* coarse, int32_t cs, int32_t keep) {
    blend_upsampled(dst, ds, src, ss, 8, coarse, cs, keep);
}

void nr_upsample_blend8_words(uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss,
                              const uint8_t* coarse, int32_t cs, int32_t keep) {
    if (keep < 0 || keep > 256)
        return nr_upsample_blend8(dst, ds, src, ss, coarse, cs, keep);
    /* Two 16-bit lanes per word: keep x s + (256 - keep) x up + 128 <= 65,408 never carries
     * into the upper lane. */
    const uint32_t k = (uint32_t)keep, ik = 256u - k;
    for (int32_t v = 0; v < 8; ++v, src += ss, dst += ds) {
        const uint8_t* a_row = coarse + (v >> 1) * cs;
        const uint8_t* c_row = a_row + cs;
        for (int32_t u = 0; u < 8; u += 2) {
            const uint32_t a = a_row[u >> 1], b = a_row[(u >> 1) + 1];
            const uint32_t ab = (a + b + 1) >> 1;
            uint32_t up;
            if (!(v & 1)) {
                up = a | (ab << 16);
            } else {
                const uint32_t c = c_row[u >> 1], e = c_row[(u >> 1) + 1];
                up = ((a + c + 1) >> 1) | (((c + e + 2 * ab + 2) >> 2) << 16);
            }
            uint16_t pair;
            memcpy(&pair, src + u, 2);
            const uint32_t s = (uint32_t)(pair & 0xFFu) | ((uint32_t)(pair >> 8) << 16);
            const uint32_t o = ((k * s + ik * up + 0x00800080u) >> 8) & 0x00FF00FFu;
            const uint16_t out = (uint16_t)(o | (o >> 8));
            memcpy(dst + u, &out, 2);
        }
    }
}

int nr_flat_block(uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss, int32_t d,
                  const uint8_t* coarse, int32_t cs, int32_t keep, uint32_t format,
                  uint32_t threshold) {
    if (!is_8bit_format(format) || (d != 4 && d != 8))
        return 0;
    return flat_block(select_kernels(nr_cpu_flags()), dst, ds, src, ss, d, coarse, cs, keep, format,
                      threshold);
}

/* ---- block matching
 * ------------------------------------------------------------------------------- */

int32_t nr_ring_search(int32_t radius, int32_t steps, NrCandidateDistanceFn distance, void* ctx,
                       int32_t* offsets, int32_t* distances) {
    if (!distance || !offsets || !distances || radius < 0 || steps < 0 ||
        (2 * radius + 1) * (2 * radius + 1) + 3 * steps > NR_MAX_CANDIDATES)
        return 0;
    return ring_search(
        radius, steps, [&](int32_t dx, int32_t dy) { return distance(dx, dy, ctx); }, offsets,
        distances);
}

namespace {

void block_search(const FilterKernels* k, const uint8_t* src, int32_t ss, uint8_t* dst, int32_t ds,
                  uint32_t format, int32_t d, int32_t steps, int32_t radius, int32_t keep,
                  uint32_t sigma, int32_t noise_scale, const uint8_t* weights, void* scratch) {
    const int32_t e = radius + steps;
    ScratchLayout l = layout_scratch(scratch, e);
    /* The 8 x 8 window: the block itself for d = 8, centred on the 4 x 4 block otherwise. */
    const int32_t inset = d == 8 ? 0 : 2;
    int32_t bs = ss;
    const uint8_t* base = search_window(l, src, ss, inset, e, &bs);

    int32_t* offsets = l.offsets;
    int32_t* dist = l.distances;
    const int32_t n = ring_search(
        radius, steps,
        [&](int32_t dx, int32_t dy) {
            return (int32_t)k->distance(base + dy * bs + dx, bs, base, bs, format);
        },
        offsets, dist);

    /* Weights replace the distances. */
    const uint32_t h = nr_weight_slope(sigma, noise_scale);
    uint32_t total = 0;
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t w = candidate_weight((uint32_t)dist[i], h, weights);
        dist[i] = (int32_t)w;
        total += w;
    }
    int32_t* wt = dist;

    const uint8_t* block = base + inset + inset * bs;
    const int32_t n16 = n < 16 ? n : 16;
    uint16_t* acc16 = (uint16_t*)l.acc;
    memset(acc16, 0, (size_t)(d * d) * sizeof(uint16_t));
    if (format == NR_SAMPLE_U8) {
        int32_t i = 0;
        for (; i + 1 < n16; i += 2) {
            if (wt[i] == 0 && wt[i + 1] == 0)
                continue;
            const uint8_t* a = block + offsets[2 * i + 1] * bs + offsets[2 * i];
            const uint8_t* b = block + offsets[2 * i + 3] * bs + offsets[2 * i + 2];
            k->add_pair(acc16, a, bs, (uint32_t)wt[i], b, bs, (uint32_t)wt[i + 1], d);
        }
        if (i < n16 && wt[i] != 0)
            k->add16(acc16, block + offsets[2 * i + 1] * bs + offsets[2 * i], bs, (uint32_t)wt[i],
                     d);
        if (n <= 16) {
            k->fin16(block, bs, total, keep, d, dst, ds, acc16);
            return;
        }
        nr_acc_widen_u16(l.acc, d);
        uint32_t* acc32 = (uint32_t*)l.acc;
        for (i = 16; i < n; ++i)
            if (wt[i] != 0)
                k->add32(acc32, block + offsets[2 * i + 1] * bs + offsets[2 * i], bs,
                         (uint32_t)wt[i], d);
        nr_finalize32(block, bs, total, keep, d, dst, ds, acc32);
    } else {
        uint32_t total16 = 0;
        for (int32_t i = 0; i < n16; ++i) {
            if (wt[i] == 0)
                continue;
            k->add16_s8(acc16, block + offsets[2 * i + 1] * bs + offsets[2 * i], bs,
                        (uint32_t)wt[i], d);
            total16 += (uint32_t)wt[i];
        }
        if (n <= 16) {
            k->fin16_s8(block, bs, total, keep, d, dst, ds, acc16);
            return;
        }
        nr_acc_widen_s16(l.acc, d, total16);
        int32_t* acc32 = (int32_t*)l.acc;
        for (int32_t i = 16; i < n; ++i)
            if (wt[i] != 0)
                k->add32_s8(acc32, block + offsets[2 * i + 1] * bs + offsets[2 * i], bs,
                            (uint32_t)wt[i], d);
        nr_finalize32_s8(block, bs, total, keep, d, dst, ds, acc32);
    }
}

typedef void (*SearchFn)(const uint8_t*, int32_t, uint8_t*, int32_t, uint32_t, int32_t, int32_t,
                         int32_t, int32_t, uint32_t, int32_t, const uint8_t*, void*, int32_t);

/* The vector block search for the CPU flags, or null for the kernel-table form. */
SearchFn select_search(uint32_t flags) {
    if (!(flags & NR_CPU_FAST))
        return nullptr;
    if (flags & NR_CPU_AVX2)
        return nr_block_search_avx2;
    if (flags & NR_CPU_SSE2)
        return nr_block_search_sse2;
    return nullptr;
}

bool search_args_ok(uint32_t format, int32_t d, int32_t steps, int32_t radius, uint32_t sigma,
                    const uint8_t* weights, const void* scratch, int32_t scratch_size) {
    return is_8bit_format(format) && (d == 4 || d == 8) && steps >= 0 && radius >= 0 &&
           radius + steps <= 4 && sigma != 0 && weights && scratch &&
           scratch_fits(radius + steps, scratch_size);
}

} // namespace

void nr_block_search(const uint8_t* src, int32_t ss, uint8_t* dst, int32_t ds, uint32_t format,
                     int32_t d, int32_t steps, int32_t radius, int32_t keep, uint32_t sigma,
                     int32_t noise_scale, const uint8_t* weights, void* scratch,
                     int32_t scratch_size) {
    if (!search_args_ok(format, d, steps, radius, sigma, weights, scratch, scratch_size))
        return;
    const SearchFn fused = select_search(nr_cpu_flags());
    if (fused)
        fused(src, ss, dst, ds, format, d, steps, radius, keep, sigma, noise_scale, weights,
              scratch, scratch_size);
    else
        block_search(&kPortable, src, ss, dst, ds, format, d, steps, radius, keep, sigma,
                     noise_scale, weights, scratch);
}

/* ---- parameters and the block loop
 * ---------------------------------------------------------------- */

int nr_filter_params_derive(const NrLevelFilter* filter, const NrNoiseMap* map, NrFilterParams* out,
                            int32_t* kind_out) {
    if (!filter || !out)
        return NR_ERR_INVALID_ARG;
    memset(out, 0, sizeof(*out));
    const uint32_t type = filter->filter_type;
    int32_t kind;
    switch (type & 0xF0u) {
    case 0x00:
        kind = 0;
        break;
    case 0x10:
        kind = 1;
        break;
    case 0x20:
        kind = 2;
        break;
    default:
        return NR_ERR_FILTER_TYPE;
    }
    if (kind_out)
        *kind_out = kind;
    out->keep = filter->keep;
    out->blend_source = filter->blend_source;
    out->edge_map = filter->edge_map;
    out->block_size = (type & 2u) ? 8 : 4;
    if (kind == 0)
        return NR_OK;

    /* The entry's level index j scales the noise; the profile keeps it within 0..3. */
    int32_t j = map ? map->table_index : 0;
    j = j < 0 ? 0 : (j > 16 ? 16 : j);
    const bool luma = filter->group == 0;
    const int32_t level = filter->level;
    if (kind == 1) {
        out->radius = 3;
        out->steps = 0;
        if (type & 4u) {
            out->radius = 1;
            out->steps = 3;
        }
        if (type & 1u) {
            static const int32_t chroma_flat[4] = {12, 6, 4, 1};
            if (!luma)
                out->flat_factor = level >= 0 && level < 4 ? chroma_flat[level] : 0;
            else
                out->flat_factor = level == 0 ? 8 : (level == 1 ? 4 : 0);
        }
        const int32_t e = (luma && level == 0) ? 1 : 2;
        out->noise_scale = 1 << (j + e);
    } else {
        out->radius = 1;
        out->steps = 2;
        if (type & 1u)
            out->steps = 0;
        if (type & 4u) {
            out->radius = 0;
            out->steps = 0;
        }
        static const int32_t chroma_flat[4] = {12, 8, 4, 1};
        if (!luma)
            out->flat_factor = level >= 0 && level < 4 ? chroma_flat[level] : 0;
        out->noise_scale = (type & 1u) ? (1 << (j + 2)) - (1 << j) : 1 << (j + 2);
    }
    return NR_OK;
}

namespace {

/* Sample of a grid plane at grid point (gx, gy), clamped to the plane's buffer. */
inline uint8_t grid_sample(const uint8_t* plane, int32_t stride, int32_t width, int32_t height,
                           int32_t ml, int32_t mt, int32_t gx, int32_t gy) {
    int32_t x = gx + ml, y = gy + mt;
    x = x < 0 ? 0 : (x >= width ? width - 1 : x);
    y = y < 0 ? 0 : (y >= height ? height - 1 : y);
    return plane[(ptrdiff_t)y * stride + x];
}

} // namespace

int nr_block_filter_level(void* user, const NrLevel* src, const NrNoiseMap* map,
                          const NrFilterParams* params, NrLevel* dst) {
    if (!src || !map || !params || !dst || !src->plane || !dst->plane || !map->plane)
        return NR_ERR_INVALID_ARG;
    const int32_t bps = (int32_t)((src->format >> 4) & 0xFu);
    const int32_t wi = src->width - src->margin_left - src->margin_right;
    const int32_t hi = src->height - src->margin_top - src->margin_bottom;
    if (dst != src && dst->plane != src->plane) {
        const ptrdiff_t off_s =
            ((ptrdiff_t)(src->margin_top - 8) * src->stride + src->margin_left - 8) * bps;
        const ptrdiff_t off_d =
            ((ptrdiff_t)(src->margin_top - 8) * dst->stride + src->margin_left - 8) * bps;
        nr_copy_rows(dst->plane + off_d, (ptrdiff_t)dst->stride * bps, src->plane + off_s,
                     (ptrdiff_t)src->stride * bps, (size_t)(wi + 16) * (size_t)bps,
                     (uint32_t)(hi + 16));
    }
    const uint32_t format = src->format;
    if (!is_8bit_format(format) || wi <= 0 || hi <= 0)
        return NR_OK;

    NrWeightLut lut;
    nr_weight_lut_get(user, &lut);
    void* scratch = nr_malloc(user, NR_BLOCK_SCRATCH_SIZE);
    if (!scratch) {
        nr_weight_lut_release(user, &lut);
        return NR_ERR_NO_MEMORY;
    }
    const uint32_t flags = nr_cpu_flags();
    const FilterKernels* k = select_kernels(flags);
    const SearchFn fused = select_search(flags);

    const int32_t d = params->block_size == 8 ? 8 : 4;
    const int32_t half = d / 2;
    const int32_t x0 = (wi % d) < half ? -half : 0;
    const int32_t y0 = (hi % d) < half ? -half : 0;
    /* Shifts count halvings toward the coarse grid; a map never has fewer than none. */
    const int32_t xs = map->shift_x > 0 ? map->shift_x : 0;
    const int32_t ys = map->shift_y > 0 ? map->shift_y : 0;
    int32_t j = map->table_index;
    j = j < 0 ? 0 : (j > 16 ? 16 : j);
    const int32_t flat = params->flat_factor;
    const int32_t radius = params->radius, steps = params->steps;
    const bool search = radius + steps > 0 && radius >= 0 && steps >= 0 && radius + steps <= 4;
    const NrLevel* edge = params->edge_map && params->edge_map->plane ? params->edge_map : nullptr;
    const NrLevel* blend =
        params->blend_source && params->blend_source->plane ? params->blend_source : nullptr;
    const int32_t sstride = src->stride, dstride = dst->stride;

    for (int32_t y = y0; y < hi; y += d) {
        const int32_t gy = (y + half + ((1 << ys) >> 1)) >> ys;
        for (int32_t x = x0; x < wi; x += d) {
            const int32_t gx = (x + half + ((1 << xs) >> 1)) >> xs;
            const uint32_t w = grid_sample(map->plane, map->stride, map->width, map->height,
                                           map->margin_left, map->margin_top, gx, gy);
            if (w == 0)
                continue;
            const uint32_t xe =
                edge ? grid_sample(edge->plane, edge->stride, edge->width, edge->height,
                                   edge->margin_left, edge->margin_top, gx, gy)
                     : 0;
            const uint8_t* sblk =
                src->plane + (ptrdiff_t)(src->margin_top + y) * sstride + src->margin_left + x;
            uint8_t* dblk =
                dst->plane + (ptrdiff_t)(src->margin_top + y) * dstride + src->margin_left + x;
            if (flat > 0 && xe != 255) {
                const uint32_t threshold = (w * (uint32_t)flat) >> j;
                const uint8_t* coarse = nullptr;
                int32_t cstride = 0;
                if (blend) {
                    coarse = blend->plane + (ptrdiff_t)(y / 2 + blend->margin_top) * blend->stride +
                             x / 2 + blend->margin_left;
                    cstride = blend->stride;
                }
                if (flat_block(k, dblk, dstride, sblk, sstride, d, coarse, cstride, params->keep,
                               format, threshold))
                    continue;
            }
            if (search) {
                const uint32_t sigma = (w * (xe + 64)) >> 6;
                if (fused)
                    fused(sblk, sstride, dblk, dstride, format, d, steps, radius, params->keep,
                          sigma, params->noise_scale, lut.table, scratch, NR_BLOCK_SCRATCH_SIZE);
                else
                    block_search(k, sblk, sstride, dblk, dstride, format, d, steps, radius,
                                 params->keep, sigma, params->noise_scale, lut.table, scratch);
            }
        }
    }
    nr_free(user, scratch);
    nr_weight_lut_release(user, &lut);
    return NR_OK;
}

int nr_level_filter(void* user, NrLevel* level, const NrNoiseMap* map, const NrLevelFilter* filter,
                    NrLevel* dst) {
    if (!level || !filter)
        return NR_ERR_INVALID_ARG;
    if (!dst)
        dst = level;
    if (filter->keep == 256) {
        if (dst != level && level->plane && dst->plane) {
            const int32_t bps = (int32_t)((level->format >> 4) & 0xFu);
            nr_copy_rows(dst->plane, (ptrdiff_t)dst->stride * bps, level->plane,
                         (ptrdiff_t)level->stride * bps, (size_t)level->width * (size_t)bps,
                         (uint32_t)level->height);
        }
        return NR_OK;
    }
    NrFilterParams params;
    int32_t kind = 0;
    const int status = nr_filter_params_derive(filter, map, &params, &kind);
    if (status != NR_OK)
        return status;
    if (kind == 0)
        return NR_OK;
    if (!map)
        return NR_ERR_INVALID_ARG;
    return nr_block_filter_level(user, level, map, &params, dst);
}

/* ---- edge map
 * ------------------------------------------------------------------------------------- */

void nr_edge_map_plane_c(uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss, int32_t width,
                         int32_t height) {
    for (int32_t y = 1; y + 1 < height; ++y) {
        const uint8_t* a = src + (ptrdiff_t)(y - 1) * ss;
        const uint8_t* c = a + ss;
        const uint8_t* b = c + ss;
        uint8_t* out = dst + (ptrdiff_t)y * ds;
        for (int32_t x = 1; x + 1 < width; ++x) {
            const int32_t a0 = a[x - 1], a1 = a[x], a2 = a[x + 1];
            const int32_t c0 = c[x - 1], c1 = c[x], c2 = c[x + 1];
            const int32_t b0 = b[x - 1], b1 = b[x], b2 = b[x + 1];
            const int32_t g1 = (a0 + 2 * a1 + a2) + (b0 + 2 * b1 + b2) - 2 * (c0 + 2 * c1 + c2);
            const int32_t g2 = (a0 + 2 * c0 + b0) + (a2 + 2 * c2 + b2) - 2 * (a1 + 2 * c1 + b1);
            const int32_t e = iabs(g1) + iabs(g2);
            out[x] = (uint8_t)(e > 255 ? 255 : e);
        }
    }
}

void nr_edge_map_plane(uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss, int32_t width,
                       int32_t height) {
    const uint32_t flags = nr_cpu_flags();
    if (!(flags & NR_CPU_FAST))
        nr_edge_map_plane_c(dst, ds, src, ss, width, height);
    else if (flags & NR_CPU_AVX2)
        nr_edge_map_plane_avx2(dst, ds, src, ss, width, height);
    else if (flags & NR_CPU_SSE2)
        nr_edge_map_plane_sse2(dst, ds, src, ss, width, height);
    else
        nr_edge_map_plane_c(dst, ds, src, ss, width, height);
}

/* ---- further operations
 * ----------------------------------------------------------------------------- */

void nr_candidate_append(int32_t* offsets, int32_t* distances, int32_t* count, int32_t dx,
                         int32_t dy, int32_t distance) {
    const int32_t n = *count;
    offsets[2 * n] = dx;
    offsets[2 * n + 1] = dy;
    distances[n] = distance;
    *count = n + 1;
}

namespace {

/* SADs of the four 4 x 4 quadrants of two 8 x 8 windows and their total. */
void quadrant_sads(const uint8_t* a, int32_t as, const uint8_t* b, int32_t bs, uint32_t format,
                   uint32_t q[4]) {
    q[0] = q[1] = q[2] = q[3] = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            int32_t va, vb;
            if (format == NR_SAMPLE_S8) {
                va = (int8_t)a[y * as + x];
                vb = (int8_t)b[y * bs + x];
            } else {
                va = a[y * as + x];
                vb = b[y * bs + x];
            }
            q[(y >> 2) * 2 + (x >> 2)] += (uint32_t)iabs(va - vb);
        }
}

/* The smallest and the largest of the four quadrant SADs. */
void quadrant_sad_range(const uint8_t* a, int32_t as, const uint8_t* b, int32_t bs, uint32_t format,
                        uint32_t* lo, uint32_t* hi) {
    uint32_t q[4];
    quadrant_sads(a, as, b, bs, format, q);
    *lo = q[0];
    *hi = q[0];
    for (int i = 1; i < 4; ++i) {
        *lo = q[i] < *lo ? q[i] : *lo;
        *hi = q[i] > *hi ? q[i] : *hi;
    }
}

} // namespace

int32_t nr_ratio_distance(const uint8_t* a, int32_t as, const uint8_t* b, int32_t bs,
                          uint32_t format) {
    if (!is_8bit_format(format))
        return 0;
    uint32_t lo = 0;
    uint32_t hi = 0;
    quadrant_sad_range(a, as, b, bs, format, &lo, &hi);
    if (hi > 32u * lo)
        return INT32_MAX;
    const uint64_t dist = nr_patch_distance(a, as, b, bs, format);
    return (int32_t)(dist * (hi + 1) / (2u * lo + 2u));
}

int32_t nr_ratio_distance_words(const uint8_t* a, int32_t as, const uint8_t* b, int32_t bs,
                                uint32_t format) {
    if (!is_8bit_format(format))
        return 0;
    uint32_t lo = 0;
    uint32_t hi = 0;
    quadrant_sad_range(a, as, b, bs, format, &lo, &hi);
    if (hi > 1024u) {
        hi >>= 2;
        lo >>= 2;
    }
    const uint64_t dist = nr_patch_distance(a, as, b, bs, format);
    const uint64_t scaled = dist * (hi + 1) / (2u * lo + 2u);
    return scaled > (uint64_t)INT32_MAX ? INT32_MAX : (int32_t)scaled;
}

namespace {

/* Blend ratio e = value x 2^17 / reference (see nr_ratio_blend). */
int64_t blend_ratio(int32_t value, int32_t reference) {
    if (reference <= 0)
        return value > 0 ? INT64_MAX : 0;
    return ((int64_t)value << 17) / reference;
}

} // namespace

void nr_ratio_blend(uint8_t* a, int32_t as, const uint8_t* b, int32_t bs, int32_t value,
                    int32_t reference) {
    const int64_t e = blend_ratio(value, reference);
    if (e < 1024)
        return;
    for (int y = 0; y < 8; ++y, a += as, b += bs) {
        if (e > 128000) {
            memcpy(a, b, 8);
            continue;
        }
        for (int x = 0; x < 8; ++x)
            a[x] = (uint8_t)(a[x] + ((((int64_t)b[x] - a[x]) * e + (1 << 16)) >> 17));
    }
}

void nr_ratio_blend_s8(uint8_t* a, int32_t as, const uint8_t* b, int32_t bs, int32_t value,
                       int32_t reference) {
    const int64_t e = blend_ratio(value, reference);
    if (e < 1024)
        return;
    for (int y = 0; y < 8; ++y, a += as, b += bs) {
        if (e > 128000) {
            memcpy(a, b, 8);
            continue;
        }
        for (int x = 0; x < 8; ++x) {
            const int64_t va = (int8_t)a[x], vb = (int8_t)b[x];
            a[x] = (uint8_t)(int8_t)(va + (((vb - va) * e + (1 << 16)) >> 17));
        }
    }
}

namespace {

template <typename Sample>
void shift_distances(const uint8_t* p, int32_t stride, uint32_t out[4], Sample sample) {
    uint32_t right = 0, down = 0, dr = 0, dl = 0;
    for (int y = 0; y < 8; ++y) {
        const uint8_t* row = p + y * stride;
        const uint8_t* below = row + stride;
        for (int x = 0; x < 8; ++x) {
            const int32_t s = sample(row[x]);
            right += (uint32_t)iabs(s - sample(row[x + 1]));
            down += (uint32_t)iabs(s - sample(below[x]));
            dr += (uint32_t)iabs(s - sample(below[x + 1]));
            dl += (uint32_t)iabs(s - sample(below[x - 1]));
        }
    }
    out[0] = (right * right) >> 6;
    out[1] = (down * down) >> 6;
    out[2] = dr;
    out[3] = dl;
}

} // namespace

void nr_shift_distances(const uint8_t* block, int32_t stride, uint32_t out[4]) {
    shift_distances(block, stride, out, [](uint8_t v) { return (int32_t)v; });
}

void nr_shift_distances_s8(const uint8_t* block, int32_t stride, uint32_t out[4]) {
    shift_distances(block, stride, out, [](uint8_t v) { return (int32_t)(int8_t)v; });
}

void nr_copy_units4(void* dst, int32_t ds, const void* src, int32_t ss, int32_t units,
                    int32_t rows) {
    if (units <= 0 || rows <= 0)
        return;
    for (int32_t r = 0; r < rows; ++r)
        memcpy((uint8_t*)dst + (ptrdiff_t)r * ds, (const uint8_t*)src + (ptrdiff_t)r * ss,
               (size_t)units * 4);
}

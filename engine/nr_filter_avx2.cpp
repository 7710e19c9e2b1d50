/*
 * nr_filter_avx2.cpp - AVX2 forms of the block filter's kernels (compiled with -mavx2, called only
 * when the processor has AVX2). Results are the portable forms' bit for bit.
 */
#include "nr_filter.h"

#include <string.h>

#include "nr_filter_search.h"
#include "nr_kernels.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace {

inline __m256i load16(const uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128((const __m128i*)p));
}

/* Edge values of 16 samples starting at column x (rows a above, c at, b below). */
inline __m256i edge16(const uint8_t* a, const uint8_t* c, const uint8_t* b, int32_t x) {
    const __m256i a0 = load16(a + x - 1), a1 = load16(a + x), a2 = load16(a + x + 1);
    const __m256i c0 = load16(c + x - 1), c1 = load16(c + x), c2 = load16(c + x + 1);
    const __m256i b0 = load16(b + x - 1), b1 = load16(b + x), b2 = load16(b + x + 1);
    const __m256i ra = _mm256_add_epi16(_mm256_add_epi16(a0, a2), _mm256_add_epi16(a1, a1));
    const __m256i rb = _mm256_add_epi16(_mm256_add_epi16(b0, b2), _mm256_add_epi16(b1, b1));
    const __m256i rc = _mm256_add_epi16(_mm256_add_epi16(c0, c2), _mm256_add_epi16(c1, c1));
    const __m256i k0 = _mm256_add_epi16(_mm256_add_epi16(a0, b0), _mm256_add_epi16(c0, c0));
    const __m256i k2 = _mm256_add_epi16(_mm256_add_epi16(a2, b2), _mm256_add_epi16(c2, c2));
    const __m256i k1 = _mm256_add_epi16(_mm256_add_epi16(a1, b1), _mm256_add_epi16(c1, c1));
    const __m256i g1 = _mm256_sub_epi16(_mm256_add_epi16(ra, rb), _mm256_add_epi16(rc, rc));
    const __m256i g2 = _mm256_sub_epi16(_mm256_add_epi16(k0, k2), _mm256_add_epi16(k1, k1));
    return _mm256_add_epi16(_mm256_abs_epi16(g1), _mm256_abs_epi16(g2));
}

} // namespace

void nr_edge_map_plane_avx2(uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss, int32_t width,
                            int32_t height) {
    if (width < 3 || height < 3)
        return;
    for (int32_t y = 1; y + 1 < height; ++y) {
        const uint8_t* a = src + (ptrdiff_t)(y - 1) * ss;
        const uint8_t* c = a + ss;
        const uint8_t* b = c + ss;
        uint8_t* out = dst + (ptrdiff_t)y * ds;
        int32_t x = 1;
        /* 16 outputs read columns x - 1 .. x + 16 (loads of 16 bytes from x - 1, x, x + 1). */
        for (; x + 17 <= width; x += 16) {
            const __m256i e = edge16(a, c, b, x);
            /* Saturate to 0..255 and put the 16 bytes in order. */
            const __m256i packed = _mm256_packus_epi16(e, e);
            const __m256i ordered = _mm256_permute4x64_epi64(packed, 0x08);
            _mm_storeu_si128((__m128i*)(out + x), _mm256_castsi256_si128(ordered));
        }
        if (x + 1 < width) {
            const int32_t x0 = x - 1;
            nr_edge_map_plane_sse2(out - ds + x0, ds, a + x0, ss, width - x0, 3);
        }
    }
}

/* ---- the whole block search ------------------------------------------------------------------
 * Up to 16 candidates: distances of four rows per vsadbw, accumulation of two candidates at once
 * by vpmaddubsw on interleaved samples (each product pair at most 2 x 16 x 255, exact in a lane),
 * 16-bit sums in registers wrapping as the portable uint16_t sums do, output as the 16-bit
 * finalisers. More candidates take the SSE2 form. */

namespace {

using namespace nr_filter_detail;

inline __m128i load8_128(const uint8_t* p) {
    return _mm_loadl_epi64((const __m128i*)p);
}

inline __m128i load4_128(const uint8_t* p) {
    int32_t w;
    memcpy(&w, p, 4);
    return _mm_cvtsi32_si128(w);
}

/* Rows k .. k + 3 of an 8 x 8 window: 8 bytes each. */
inline __m256i rows8x4(const uint8_t* p, int32_t stride) {
    const __m128i lo = _mm_unpacklo_epi64(load8_128(p), load8_128(p + stride));
    const __m128i hi = _mm_unpacklo_epi64(load8_128(p + 2 * stride), load8_128(p + 3 * stride));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
}

/* Samples of two candidates interleaved (a0 b0 a1 b1 ...) for rows r and r + 1 (d = 8), or for
 * all four rows (d = 4), one 128-bit lane per row pair. */
template <int D>
inline __m256i interleave(const uint8_t* a, const uint8_t* b, int32_t stride, int r) {
    if (D == 8) {
        const __m128i lo = _mm_unpacklo_epi8(load8_128(a + r * stride), load8_128(b + r * stride));
        const __m128i hi =
            _mm_unpacklo_epi8(load8_128(a + (r + 1) * stride), load8_128(b + (r + 1) * stride));
        return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
    }
    const __m128i a01 = _mm_unpacklo_epi32(load4_128(a), load4_128(a + stride));
    const __m128i b01 = _mm_unpacklo_epi32(load4_128(b), load4_128(b + stride));
    const __m128i a23 = _mm_unpacklo_epi32(load4_128(a + 2 * stride), load4_128(a + 3 * stride));
    const __m128i b23 = _mm_unpacklo_epi32(load4_128(b + 2 * stride), load4_128(b + 3 * stride));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi8(a01, b01)),
                                   _mm_unpacklo_epi8(a23, b23), 1);
}

/* Source samples of the block matching the accumulator layout, widened to 16 bits. */
template <int D> inline __m128i source_bytes(const uint8_t* block, int32_t stride, int r) {
    if (D == 8)
        return _mm_unpacklo_epi64(load8_128(block + r * stride),
                                  load8_128(block + (r + 1) * stride));
    const __m128i r01 = _mm_unpacklo_epi32(load4_128(block), load4_128(block + stride));
    const __m128i r23 =
        _mm_unpacklo_epi32(load4_128(block + 2 * stride), load4_128(block + 3 * stride));
    return _mm_unpacklo_epi64(r01, r23);
}

template <int D, bool Signed>
void search_avx2(const uint8_t* src, int32_t ss, uint8_t* dst, int32_t ds, int32_t steps,
                 int32_t radius, int32_t keep, uint32_t sigma, int32_t noise_scale,
                 const uint8_t* weights, void* scratch) {
    constexpr int kRegs = D == 8 ? 4 : 1; /* 16 lanes each: two rows of 8, or all of 4 x 4 */
    const int32_t e = radius + steps;
    const ScratchLayout l = layout_scratch(scratch, e);
    const int32_t inset = D == 8 ? 0 : 2;
    int32_t bs = ss;
    const uint8_t* base = search_window(l, src, ss, inset, e, &bs);
    const __m256i flip = Signed ? _mm256_set1_epi8((char)0x80) : _mm256_setzero_si256();
    const __m256i ref0 = _mm256_xor_si256(rows8x4(base, bs), flip);
    const __m256i ref1 = _mm256_xor_si256(rows8x4(base + 4 * bs, bs), flip);
    const int32_t n = ring_search(
        radius, steps,
        [&](int32_t dx, int32_t dy) {
            const uint8_t* p = base + dy * bs + dx;
            const __m256i s0 = _mm256_sad_epu8(_mm256_xor_si256(rows8x4(p, bs), flip), ref0);
            const __m256i s1 =
                _mm256_sad_epu8(_mm256_xor_si256(rows8x4(p + 4 * bs, bs), flip), ref1);
            const __m256i s = _mm256_add_epi64(s0, s1);
            const __m128i h =
                _mm_add_epi64(_mm256_castsi256_si128(s), _mm256_extracti128_si256(s, 1));
            const uint32_t t =
                (uint32_t)(_mm_cvtsi128_si32(h) + _mm_cvtsi128_si32(_mm_srli_si128(h, 8)));
            return (int32_t)((t * t) >> 6);
        },
        l.offsets, l.distances);

    const uint32_t h = nr_weight_slope(sigma, noise_scale);
    int32_t* wt = l.distances;
    uint32_t total = 0;
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t w = candidate_weight((uint32_t)wt[i], h, weights);
        wt[i] = (int32_t)w;
        total += w;
    }
    const int32_t* off = l.offsets;
    const uint8_t* block = base + inset + inset * bs;

    __m256i acc[kRegs];
    for (int k = 0; k < kRegs; ++k)
        acc[k] = _mm256_setzero_si256();
    /* Candidates of weight 0 drop out; the rest go in pairs (a lone last one with b = a, 0). */
    int32_t pending = -1;
    for (int32_t i = 0; i <= n; ++i) {
        int32_t a, b;
        if (i < n) {
            if (wt[i] == 0)
                continue;
            if (pending < 0) {
                pending = i;
                continue;
            }
            a = pending;
            b = i;
            pending = -1;
        } else {
            if (pending < 0)
                break;
            a = b = pending;
        }
        const uint8_t* pa = block + off[2 * a + 1] * bs + off[2 * a];
        const uint8_t* pb = block + off[2 * b + 1] * bs + off[2 * b];
        const int wb = a == b ? 0 : wt[b];
        const __m256i wpair = _mm256_set1_epi16((short)(wt[a] | (wb << 8)));
        for (int k = 0; k < kRegs; ++k) {
            const __m256i x = _mm256_xor_si256(interleave<D>(pa, pb, bs, 2 * k), flip);
            acc[k] = _mm256_add_epi16(acc[k], _mm256_maddubs_epi16(x, wpair));
        }
    }

    const __m256i recip = _mm256_set1_epi16((short)(65535u / total));
    const int32_t t = (int32_t)total;
    const __m256i offset = _mm256_set1_epi16((short)(Signed ? -128 * t + (t >> 1) : (t >> 1)));
    const __m256i mk = _mm256_set1_epi16((short)keep);
    const __m256i mik = _mm256_set1_epi16((short)(256 - keep));
    const __m256i round = _mm256_set1_epi16(128);
    for (int k = 0; k < kRegs; ++k) {
        const __m256i a = _mm256_add_epi16(acc[k], offset);
        const __m256i m = Signed ? _mm256_mulhi_epi16(a, recip) : _mm256_mulhi_epu16(a, recip);
        const __m128i bytes = source_bytes<D>(block, bs, 2 * k);
        const __m256i s = Signed ? _mm256_cvtepi8_epi16(bytes) : _mm256_cvtepu8_epi16(bytes);
        __m256i o = _mm256_add_epi16(
            _mm256_add_epi16(_mm256_mullo_epi16(m, mik), _mm256_mullo_epi16(s, mk)), round);
        o = Signed ? _mm256_srai_epi16(o, 8) : _mm256_srli_epi16(o, 8);
        const __m256i packed = Signed ? _mm256_packs_epi16(o, o) : _mm256_packus_epi16(o, o);
        const __m128i lo = _mm256_castsi256_si128(packed);
        const __m128i hi = _mm256_extracti128_si256(packed, 1);
        if (D == 8) {
            _mm_storel_epi64((__m128i*)(dst + 2 * k * ds), lo);
            _mm_storel_epi64((__m128i*)(dst + (2 * k + 1) * ds), hi);
        } else {
            const int32_t r0 = _mm_cvtsi128_si32(lo), r1 = _mm_cvtsi128_si32(_mm_srli_si128(lo, 4));
            const int32_t r2 = _mm_cvtsi128_si32(hi), r3 = _mm_cvtsi128_si32(_mm_srli_si128(hi, 4));
            memcpy(dst, &r0, 4);
            memcpy(dst + ds, &r1, 4);
            memcpy(dst + 2 * ds, &r2, 4);
            memcpy(dst + 3 * ds, &r3, 4);
        }
    }
}

} // namespace

void nr_block_search_avx2(const uint8_t* src, int32_t ss, uint8_t* dst, int32_t ds, uint32_t format,
                          int32_t d, int32_t steps, int32_t radius, int32_t keep, uint32_t sigma,
                          int32_t noise_scale, const uint8_t* weights, void* scratch,
                          int32_t scratch_size) {
    if ((format != NR_SAMPLE_U8 && format != NR_SAMPLE_S8) || (d != 4 && d != 8) || steps < 0 ||
        radius < 0 || radius + steps > 4 || sigma == 0 || !weights || !scratch ||
        !scratch_fits(radius + steps, scratch_size))
        return;
    if ((2 * radius + 1) * (2 * radius + 1) + 3 * steps > 16 || keep < 0 || keep > 256) {
        nr_block_search_sse2(src, ss, dst, ds, format, d, steps, radius, keep, sigma, noise_scale,
                             weights, scratch, scratch_size);
        return;
    }
    const bool is_signed = format == NR_SAMPLE_S8;
    if (d == 8) {
        if (is_signed)
            search_avx2<8, true>(src, ss, dst, ds, steps, radius, keep, sigma, noise_scale, weights,
                                 scratch);
        else
            search_avx2<8, false>(src, ss, dst, ds, steps, radius, keep, sigma, noise_scale,
                                  weights, scratch);
    } else {
        if (is_signed)
            search_avx2<4, true>(src, ss, dst, ds, steps, radius, keep, sigma, noise_scale, weights,
                                 scratch);
        else
            search_avx2<4, false>(src, ss, dst, ds, steps, radius, keep, sigma, noise_scale,
                                  weights, scratch);
    }
}

#else

void nr_edge_map_plane_avx2(uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss, int32_t width,
                            int32_t height) {
    nr_edge_map_plane_sse2(dst, ds, src, ss, width, height);
}

void nr_block_search_avx2(const uint8_t* src, int32_t ss, uint8_t* dst, int32_t ds, uint32_t format,
                          int32_t d, int32_t steps, int32_t radius, int32_t keep, uint32_t sigma,
                          int32_t noise_scale, const uint8_t* weights, void* scratch,
                          int32_t scratch_size) {
    nr_block_search_sse2(src, ss, dst, ds, format, d, steps, radius, keep, sigma, noise_scale,
                         weights, scratch, scratch_size);
}

#endif

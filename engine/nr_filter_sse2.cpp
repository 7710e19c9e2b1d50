/*
 * nr_filter_sse2.cpp - SSE2 forms of the block filter's kernels: patch distance (psadbw), block
 * statistics, accumulators, 16-bit finalisers and the edge map. Each gives the portable form's
 * results bit for bit; where an argument leaves the range the vector arithmetic is exact for,
 * the portable form runs instead.
 */
#include "nr_filter.h"

#include <string.h>

#include "nr_filter_search.h"
#include "nr_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

inline __m128i load8(const uint8_t* p) {
    return _mm_loadl_epi64((const __m128i*)p);
}

inline __m128i load4(const uint8_t* p) {
    int32_t w;
    memcpy(&w, p, 4);
    return _mm_cvtsi32_si128(w);
}

/* Rows v and v + 1 of a 4 x 4 block, as 8 bytes. */
inline __m128i load4x2(const uint8_t* p, int32_t stride) {
    return _mm_unpacklo_epi32(load4(p), load4(p + stride));
}

/* Rows v and v + 1 of an 8 x 8 window, as 16 bytes. */
inline __m128i load8x2(const uint8_t* p, int32_t stride) {
    return _mm_unpacklo_epi64(load8(p), load8(p + stride));
}

/* Row v of an 8 x 8 block (d 8) or rows v and v + 1 of a 4 x 4 block (d 4), as 8 bytes. */
inline __m128i load_rows(const uint8_t* p, int32_t stride, int32_t d) {
    return d == 8 ? load8(p) : load4x2(p, stride);
}

/* Stores the low 8 bytes of packed back the way load_rows read them. */
inline void store_rows(uint8_t* p, int32_t stride, int32_t d, __m128i packed) {
    if (d == 8) {
        _mm_storel_epi64((__m128i*)p, packed);
    } else {
        const int32_t r0 = _mm_cvtsi128_si32(packed);
        const int32_t r1 = _mm_cvtsi128_si32(_mm_srli_si128(packed, 4));
        memcpy(p, &r0, 4);
        memcpy(p + stride, &r1, 4);
    }
}

inline uint32_t hsum_sad(__m128i sad) {
    return (uint32_t)(_mm_cvtsi128_si32(sad) + _mm_cvtsi128_si32(_mm_srli_si128(sad, 8)));
}

inline int32_t hsum_epi32(__m128i v) {
    v = _mm_add_epi32(v, _mm_srli_si128(v, 8));
    v = _mm_add_epi32(v, _mm_srli_si128(v, 4));
    return _mm_cvtsi128_si32(v);
}

} // namespace

uint32_t nr_patch_distance_sse2(const uint8_t* a, int32_t as, const uint8_t* b, int32_t bs,
                                uint32_t format) {
    if (format != NR_SAMPLE_U8 && format != NR_SAMPLE_S8)
        return 0;
    /* Signed samples: flipping the sign bit keeps every difference and makes them unsigned. */
    const __m128i flip = format == NR_SAMPLE_S8 ? _mm_set1_epi8((char)0x80) : _mm_setzero_si128();
    __m128i sad = _mm_setzero_si128();
    for (int y = 0; y < 8; y += 2) {
        const __m128i va = _mm_xor_si128(load8x2(a + y * as, as), flip);
        const __m128i vb = _mm_xor_si128(load8x2(b + y * bs, bs), flip);
        sad = _mm_add_epi64(sad, _mm_sad_epu8(va, vb));
    }
    const uint32_t s = hsum_sad(sad);
    return (s * s) >> 6;
}

void nr_block_stats_sse2(const uint8_t* w, int32_t stride, int32_t* sum, int32_t* var,
                         uint32_t format) {
    const __m128i zero = _mm_setzero_si128();
    __m128i s1 = zero, s2 = zero;
    const bool is_signed = format == NR_SAMPLE_S8;
    for (int y = 0; y < 8; y += 2) {
        const __m128i v = load8x2(w + y * stride, stride);
        __m128i lo, hi;
        if (is_signed) {
            const __m128i sign = _mm_cmpgt_epi8(zero, v);
            lo = _mm_unpacklo_epi8(v, sign);
            hi = _mm_unpackhi_epi8(v, sign);
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_add_epi16(lo, hi), _mm_set1_epi16(1)));
        } else {
            lo = _mm_unpacklo_epi8(v, zero);
            hi = _mm_unpackhi_epi8(v, zero);
            s1 = _mm_add_epi32(s1, _mm_sad_epu8(v, zero));
        }
        s2 = _mm_add_epi32(s2, _mm_add_epi32(_mm_madd_epi16(lo, lo), _mm_madd_epi16(hi, hi)));
    }
    const int32_t t1 = hsum_epi32(s1);
    const int32_t t2 = hsum_epi32(s2);
    if (sum)
        *sum = t1;
    if (var)
        *var = 64 * t2 - t1 * t1;
}

/* ---- accumulators: 16-bit lanes wrap exactly like the portable uint16_t sums ------------------
 */

void nr_acc_add_pair_sse2(uint16_t* acc, const uint8_t* a, int32_t as, uint32_t wa,
                          const uint8_t* b, int32_t bs, uint32_t wb, int32_t d) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i mwa = _mm_set1_epi16((short)wa), mwb = _mm_set1_epi16((short)wb);
    if (d == 8) {
        for (int v = 0; v < 8; ++v, a += as, b += bs, acc += 8) {
            const __m128i pa = _mm_mullo_epi16(_mm_unpacklo_epi8(load8(a), zero), mwa);
            const __m128i pb = _mm_mullo_epi16(_mm_unpacklo_epi8(load8(b), zero), mwb);
            __m128i s = _mm_loadu_si128((const __m128i*)acc);
            s = _mm_add_epi16(s, _mm_add_epi16(pa, pb));
            _mm_storeu_si128((__m128i*)acc, s);
        }
    } else if (d == 4) {
        for (int v = 0; v < 4; v += 2, a += 2 * as, b += 2 * bs, acc += 8) {
            const __m128i pa = _mm_mullo_epi16(_mm_unpacklo_epi8(load4x2(a, as), zero), mwa);
            const __m128i pb = _mm_mullo_epi16(_mm_unpacklo_epi8(load4x2(b, bs), zero), mwb);
            __m128i s = _mm_loadu_si128((const __m128i*)acc);
            s = _mm_add_epi16(s, _mm_add_epi16(pa, pb));
            _mm_storeu_si128((__m128i*)acc, s);
        }
    } else {
        nr_acc_add_pair(acc, a, as, wa, b, bs, wb, d);
    }
}

namespace {

template <bool Signed>
void add16_sse2(uint16_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d) {
    const __m128i zero = _mm_setzero_si128();
    /* (int8)s + 128 is the byte s ^ 0x80 read unsigned. */
    const __m128i flip = Signed ? _mm_set1_epi8((char)0x80) : zero;
    const __m128i mw = _mm_set1_epi16((short)w);
    if (d == 8) {
        for (int v = 0; v < 8; ++v, src += stride, acc += 8) {
            const __m128i s = _mm_unpacklo_epi8(_mm_xor_si128(load8(src), flip), zero);
            __m128i a = _mm_loadu_si128((const __m128i*)acc);
            a = _mm_add_epi16(a, _mm_mullo_epi16(s, mw));
            _mm_storeu_si128((__m128i*)acc, a);
        }
    } else {
        for (int v = 0; v < 4; v += 2, src += 2 * stride, acc += 8) {
            const __m128i s = _mm_unpacklo_epi8(_mm_xor_si128(load4x2(src, stride), flip), zero);
            __m128i a = _mm_loadu_si128((const __m128i*)acc);
            a = _mm_add_epi16(a, _mm_mullo_epi16(s, mw));
            _mm_storeu_si128((__m128i*)acc, a);
        }
    }
}

} // namespace

void nr_acc_add16_sse2(uint16_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d) {
    if (d != 4 && d != 8)
        return nr_acc_add16(acc, src, stride, w, d);
    add16_sse2<false>(acc, src, stride, w, d);
}

void nr_acc_add16_s8_sse2(uint16_t* acc, const uint8_t* src, int32_t stride, uint32_t w,
                          int32_t d) {
    if (d != 4 && d != 8)
        return nr_acc_add16_s8(acc, src, stride, w, d);
    add16_sse2<true>(acc, src, stride, w, d);
}

void nr_acc_add32_sse2(uint32_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d) {
    /* w x s must fit 16 bits unsigned for the lane products. */
    if ((d != 4 && d != 8) || w > 257)
        return nr_acc_add32(acc, src, stride, w, d);
    const __m128i zero = _mm_setzero_si128();
    const __m128i mw = _mm_set1_epi16((short)w);
    for (int v = 0; v < d; ++v, src += stride, acc += d) {
        const __m128i s = _mm_unpacklo_epi8(d == 8 ? load8(src) : load4(src), zero);
        const __m128i p = _mm_mullo_epi16(s, mw);
        __m128i lo = _mm_loadu_si128((const __m128i*)acc);
        lo = _mm_add_epi32(lo, _mm_unpacklo_epi16(p, zero));
        _mm_storeu_si128((__m128i*)acc, lo);
        if (d == 8) {
            __m128i hi = _mm_loadu_si128((const __m128i*)(acc + 4));
            hi = _mm_add_epi32(hi, _mm_unpackhi_epi16(p, zero));
            _mm_storeu_si128((__m128i*)(acc + 4), hi);
        }
    }
}

void nr_acc_add32_s8_sse2(int32_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d) {
    /* w x s must fit 16 bits signed for the lane products. */
    if ((d != 4 && d != 8) || w > 255)
        return nr_acc_add32_s8(acc, src, stride, w, d);
    const __m128i zero = _mm_setzero_si128();
    const __m128i mw = _mm_set1_epi16((short)w);
    for (int v = 0; v < d; ++v, src += stride, acc += d) {
        const __m128i b = d == 8 ? load8(src) : load4(src);
        const __m128i s = _mm_unpacklo_epi8(b, _mm_cmpgt_epi8(zero, b));
        const __m128i p = _mm_mullo_epi16(s, mw);
        const __m128i sign = _mm_srai_epi16(p, 15);
        __m128i lo = _mm_loadu_si128((const __m128i*)acc);
        lo = _mm_add_epi32(lo, _mm_unpacklo_epi16(p, sign));
        _mm_storeu_si128((__m128i*)acc, lo);
        if (d == 8) {
            __m128i hi = _mm_loadu_si128((const __m128i*)(acc + 4));
            hi = _mm_add_epi32(hi, _mm_unpackhi_epi16(p, sign));
            _mm_storeu_si128((__m128i*)(acc + 4), hi);
        }
    }
}

/* ---- 16-bit finalisers
 * ---------------------------------------------------------------------------- m x 256 + 128 + (s -
 * m) x keep = m x (256 - keep) + s x keep + 128, a convex combination for 0 <= keep <= 256, so it
 * fits one 16-bit lane (unsigned, or signed for signed samples) and the clamp never acts. */

void nr_finalize16_sse2(const uint8_t* src, int32_t ss, uint32_t total, int32_t keep, int32_t d,
                        uint8_t* dst, int32_t ds, const uint16_t* acc) {
    /* Beyond a total of 256, a + T/2 may pass the 16-bit lane. */
    if ((d != 4 && d != 8) || keep < 0 || keep > 256 || total < 2 || total > 256)
        return nr_finalize16(src, ss, total, keep, d, dst, ds, acc);
    const __m128i zero = _mm_setzero_si128();
    const __m128i recip = _mm_set1_epi16((short)(65535u / total));
    const __m128i half = _mm_set1_epi16((short)(total >> 1));
    const __m128i mk = _mm_set1_epi16((short)keep);
    const __m128i mik = _mm_set1_epi16((short)(256 - keep));
    const __m128i round = _mm_set1_epi16(128);
    for (int v = 0; v < d; v += (d == 8 ? 1 : 2)) {
        const __m128i a = _mm_loadu_si128((const __m128i*)(acc + v * d));
        const __m128i m = _mm_mulhi_epu16(_mm_add_epi16(a, half), recip);
        const __m128i s = _mm_unpacklo_epi8(load_rows(src + v * ss, ss, d), zero);
        __m128i o = _mm_add_epi16(_mm_mullo_epi16(m, mik), _mm_mullo_epi16(s, mk));
        o = _mm_srli_epi16(_mm_add_epi16(o, round), 8);
        const __m128i packed = _mm_packus_epi16(o, o);
        store_rows(dst + v * ds, ds, d, packed);
    }
}

void nr_finalize16_s8_sse2(const uint8_t* src, int32_t ss, uint32_t total, int32_t keep, int32_t d,
                           uint8_t* dst, int32_t ds, const uint16_t* acc) {
    if ((d != 4 && d != 8) || keep < 0 || keep > 256 || total < 2 || total > 256)
        return nr_finalize16_s8(src, ss, total, keep, d, dst, ds, acc);
    const __m128i zero = _mm_setzero_si128();
    const __m128i recip = _mm_set1_epi16((short)(65535u / total));
    const int32_t t = (int32_t)total;
    /* a - 128 T + T / 2 lies within -32,640 .. 32,640: exact in a 16-bit lane. */
    const __m128i offset = _mm_set1_epi16((short)(-128 * t + (t >> 1)));
    const __m128i mk = _mm_set1_epi16((short)keep);
    const __m128i mik = _mm_set1_epi16((short)(256 - keep));
    const __m128i round = _mm_set1_epi16(128);
    for (int v = 0; v < d; v += (d == 8 ? 1 : 2)) {
        const __m128i a = _mm_loadu_si128((const __m128i*)(acc + v * d));
        const __m128i m = _mm_mulhi_epi16(_mm_add_epi16(a, offset), recip);
        const __m128i b = load_rows(src + v * ss, ss, d);
        const __m128i s = _mm_unpacklo_epi8(b, _mm_cmpgt_epi8(zero, b));
        __m128i o = _mm_add_epi16(_mm_mullo_epi16(m, mik), _mm_mullo_epi16(s, mk));
        o = _mm_srai_epi16(_mm_add_epi16(o, round), 8);
        const __m128i packed = _mm_packs_epi16(o, o);
        store_rows(dst + v * ds, ds, d, packed);
    }
}

void nr_flat_mean_blend_sse2(uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss, int32_t d,
                             int32_t m, int32_t keep, int32_t is_signed) {
    /* m x (256 - keep) + s x keep + 128 is a convex combination: one 16-bit lane, no clamp. */
    if ((d != 4 && d != 8) || keep < 0 || keep > 256 || m < (is_signed ? -128 : 0) ||
        m > (is_signed ? 127 : 255))
        return nr_flat_mean_blend(dst, ds, src, ss, d, m, keep, is_signed);
    const __m128i zero = _mm_setzero_si128();
    const __m128i base = _mm_set1_epi16((short)(m * (256 - keep) + 128));
    const __m128i mk = _mm_set1_epi16((short)keep);
    for (int v = 0; v < d; v += (d == 8 ? 1 : 2)) {
        const __m128i bytes = load_rows(src + v * ss, ss, d);
        __m128i o;
        __m128i packed;
        if (is_signed) {
            const __m128i s = _mm_unpacklo_epi8(bytes, _mm_cmpgt_epi8(zero, bytes));
            o = _mm_srai_epi16(_mm_add_epi16(base, _mm_mullo_epi16(s, mk)), 8);
            packed = _mm_packs_epi16(o, o);
        } else {
            const __m128i s = _mm_unpacklo_epi8(bytes, zero);
            o = _mm_srli_epi16(_mm_add_epi16(base, _mm_mullo_epi16(s, mk)), 8);
            packed = _mm_packus_epi16(o, o);
        }
        store_rows(dst + v * ds, ds, d, packed);
    }
}

/* ---- edge map
 * ---------------------------------------------------------------------------------------- */

namespace {

inline __m128i abs_epi16(__m128i v) {
    const __m128i sign = _mm_srai_epi16(v, 15);
    return _mm_sub_epi16(_mm_xor_si128(v, sign), sign);
}

/* Edge values of 8 samples starting at column x of the row at c (rows a above, b below). */
inline __m128i edge8(const uint8_t* a, const uint8_t* c, const uint8_t* b, int32_t x) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i a0 = _mm_unpacklo_epi8(load8(a + x - 1), zero);
    const __m128i a1 = _mm_unpacklo_epi8(load8(a + x), zero);
    const __m128i a2 = _mm_unpacklo_epi8(load8(a + x + 1), zero);
    const __m128i c0 = _mm_unpacklo_epi8(load8(c + x - 1), zero);
    const __m128i c1 = _mm_unpacklo_epi8(load8(c + x), zero);
    const __m128i c2 = _mm_unpacklo_epi8(load8(c + x + 1), zero);
    const __m128i b0 = _mm_unpacklo_epi8(load8(b + x - 1), zero);
    const __m128i b1 = _mm_unpacklo_epi8(load8(b + x), zero);
    const __m128i b2 = _mm_unpacklo_epi8(load8(b + x + 1), zero);
    /* Row sums (x0 + 2 x1 + x2) and column sums (0 + 2 1 + 2 of the three rows). */
    const __m128i ra = _mm_add_epi16(_mm_add_epi16(a0, a2), _mm_add_epi16(a1, a1));
    const __m128i rb = _mm_add_epi16(_mm_add_epi16(b0, b2), _mm_add_epi16(b1, b1));
    const __m128i rc = _mm_add_epi16(_mm_add_epi16(c0, c2), _mm_add_epi16(c1, c1));
    const __m128i k0 = _mm_add_epi16(_mm_add_epi16(a0, b0), _mm_add_epi16(c0, c0));
    const __m128i k2 = _mm_add_epi16(_mm_add_epi16(a2, b2), _mm_add_epi16(c2, c2));
    const __m128i k1 = _mm_add_epi16(_mm_add_epi16(a1, b1), _mm_add_epi16(c1, c1));
    const __m128i g1 = _mm_sub_epi16(_mm_add_epi16(ra, rb), _mm_add_epi16(rc, rc));
    const __m128i g2 = _mm_sub_epi16(_mm_add_epi16(k0, k2), _mm_add_epi16(k1, k1));
    return _mm_add_epi16(abs_epi16(g1), abs_epi16(g2));
}

} // namespace

void nr_edge_map_plane_sse2(uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss, int32_t width,
                            int32_t height) {
    if (width < 3 || height < 3)
        return;
    for (int32_t y = 1; y + 1 < height; ++y) {
        const uint8_t* a = src + (ptrdiff_t)(y - 1) * ss;
        const uint8_t* c = a + ss;
        const uint8_t* b = c + ss;
        uint8_t* out = dst + (ptrdiff_t)y * ds;
        int32_t x = 1;
        /* 8 outputs read columns x - 1 .. x + 8; the last output column is width - 2. */
        for (; x + 9 <= width; x += 8) {
            const __m128i e = edge8(a, c, b, x);
            _mm_storel_epi64((__m128i*)(out + x), _mm_packus_epi16(e, e));
        }
        if (x + 1 < width) {
            /* The tail through the portable form, on the three rows only. */
            const int32_t x0 = x - 1;
            nr_edge_map_plane_c(out - ds + x0, ds, a + x0, ss, width - x0, 3);
        }
    }
}

/* ---- the whole block search ------------------------------------------------------------------
 * Distances against the window kept in registers, weights, and for up to 16 candidates the
 * accumulators in registers through to the output; more candidates go through the 32-bit sums
 * in the scratch as in the portable form. */

namespace {

using namespace nr_filter_detail;

template <bool Signed> inline __m128i flip_mask() {
    return Signed ? _mm_set1_epi8((char)0x80) : _mm_setzero_si128();
}

/* d x d samples of one candidate as 16-bit lanes, two rows (d = 4) or one row (d = 8) each. */
template <int D, bool Signed>
inline __m128i candidate_row(const uint8_t* p, int32_t stride, int k) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bytes = D == 8 ? load8(p + k * stride) : load4x2(p + 2 * k * stride, stride);
    return _mm_unpacklo_epi8(_mm_xor_si128(bytes, flip_mask<Signed>()), zero);
}

template <int D, bool Signed>
void search_sse2(const uint8_t* src, int32_t ss, uint8_t* dst, int32_t ds, int32_t steps,
                 int32_t radius, int32_t keep, uint32_t sigma, int32_t noise_scale,
                 const uint8_t* weights, void* scratch) {
    constexpr int32_t kRows = D == 8 ? 8 : 2; /* registers per block */
    const int32_t e = radius + steps;
    const ScratchLayout l = layout_scratch(scratch, e);
    const int32_t inset = D == 8 ? 0 : 2;
    int32_t bs = ss;
    const uint8_t* base = search_window(l, src, ss, inset, e, &bs);
    const __m128i flip = flip_mask<Signed>();
    __m128i ref[4];
    for (int k = 0; k < 4; ++k)
        ref[k] = _mm_xor_si128(load8x2(base + 2 * k * bs, bs), flip);
    const int32_t n = ring_search(
        radius, steps,
        [&](int32_t dx, int32_t dy) {
            const uint8_t* p = base + dy * bs + dx;
            __m128i sad = _mm_setzero_si128();
            for (int k = 0; k < 4; ++k)
                sad = _mm_add_epi64(
                    sad, _mm_sad_epu8(_mm_xor_si128(load8x2(p + 2 * k * bs, bs), flip), ref[k]));
            const uint32_t t = hsum_sad(sad);
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

    if (n > 16) {
        /* 16-bit sums of the first 16 candidates, widened, then 32-bit sums. */
        uint16_t* acc16 = (uint16_t*)l.acc;
        memset(acc16, 0, sizeof(uint16_t) * D * D);
        uint32_t total16 = 0;
        for (int32_t i = 0; i < 16; ++i) {
            if (wt[i] == 0)
                continue;
            const uint8_t* p = block + off[2 * i + 1] * bs + off[2 * i];
            if (Signed)
                nr_acc_add16_s8_sse2(acc16, p, bs, (uint32_t)wt[i], D);
            else
                nr_acc_add16_sse2(acc16, p, bs, (uint32_t)wt[i], D);
            total16 += (uint32_t)wt[i];
        }
        if (Signed)
            nr_acc_widen_s16(l.acc, D, total16);
        else
            nr_acc_widen_u16(l.acc, D);
        for (int32_t i = 16; i < n; ++i) {
            if (wt[i] == 0)
                continue;
            const uint8_t* p = block + off[2 * i + 1] * bs + off[2 * i];
            if (Signed)
                nr_acc_add32_s8_sse2((int32_t*)l.acc, p, bs, (uint32_t)wt[i], D);
            else
                nr_acc_add32_sse2((uint32_t*)l.acc, p, bs, (uint32_t)wt[i], D);
        }
        if (Signed)
            nr_finalize32_s8(block, bs, total, keep, D, dst, ds, (const int32_t*)l.acc);
        else
            nr_finalize32(block, bs, total, keep, D, dst, ds, (const uint32_t*)l.acc);
        return;
    }

    __m128i acc[kRows];
    for (int k = 0; k < kRows; ++k)
        acc[k] = _mm_setzero_si128();
    for (int32_t i = 0; i < n; ++i) {
        if (wt[i] == 0)
            continue;
        const uint8_t* p = block + off[2 * i + 1] * bs + off[2 * i];
        const __m128i mw = _mm_set1_epi16((short)wt[i]);
        for (int k = 0; k < kRows; ++k)
            acc[k] = _mm_add_epi16(acc[k], _mm_mullo_epi16(candidate_row<D, Signed>(p, bs, k), mw));
    }
    if (keep < 0 || keep > 256) {
        for (int k = 0; k < kRows; ++k)
            _mm_storeu_si128((__m128i*)((uint16_t*)l.acc + 8 * k), acc[k]);
        if (Signed)
            nr_finalize16_s8(block, bs, total, keep, D, dst, ds, (const uint16_t*)l.acc);
        else
            nr_finalize16(block, bs, total, keep, D, dst, ds, (const uint16_t*)l.acc);
        return;
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i recip = _mm_set1_epi16((short)(65535u / total));
    const int32_t t = (int32_t)total;
    /* Unsigned: + T/2. Signed: the bias off and T/2 on, -32,640 .. 32,640 in a lane. */
    const __m128i offset = _mm_set1_epi16((short)(Signed ? -128 * t + (t >> 1) : (t >> 1)));
    const __m128i mk = _mm_set1_epi16((short)keep);
    const __m128i mik = _mm_set1_epi16((short)(256 - keep));
    const __m128i round = _mm_set1_epi16(128);
    for (int k = 0; k < kRows; ++k) {
        const __m128i a = _mm_add_epi16(acc[k], offset);
        const __m128i m = Signed ? _mm_mulhi_epi16(a, recip) : _mm_mulhi_epu16(a, recip);
        const __m128i bytes = D == 8 ? load8(block + k * bs) : load4x2(block + 2 * k * bs, bs);
        const __m128i s = Signed ? _mm_unpacklo_epi8(bytes, _mm_cmpgt_epi8(zero, bytes))
                                 : _mm_unpacklo_epi8(bytes, zero);
        __m128i o =
            _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(m, mik), _mm_mullo_epi16(s, mk)), round);
        o = Signed ? _mm_srai_epi16(o, 8) : _mm_srli_epi16(o, 8);
        const __m128i packed = Signed ? _mm_packs_epi16(o, o) : _mm_packus_epi16(o, o);
        if (D == 8) {
            _mm_storel_epi64((__m128i*)(dst + k * ds), packed);
        } else {
            const int32_t r0 = _mm_cvtsi128_si32(packed);
            const int32_t r1 = _mm_cvtsi128_si32(_mm_srli_si128(packed, 4));
            memcpy(dst + 2 * k * ds, &r0, 4);
            memcpy(dst + (2 * k + 1) * ds, &r1, 4);
        }
    }
}

} // namespace

void nr_block_search_sse2(const uint8_t* src, int32_t ss, uint8_t* dst, int32_t ds, uint32_t format,
                          int32_t d, int32_t steps, int32_t radius, int32_t keep, uint32_t sigma,
                          int32_t noise_scale, const uint8_t* weights, void* scratch,
                          int32_t scratch_size) {
    if ((format != NR_SAMPLE_U8 && format != NR_SAMPLE_S8) || (d != 4 && d != 8) || steps < 0 ||
        radius < 0 || radius + steps > 4 || sigma == 0 || !weights || !scratch ||
        !scratch_fits(radius + steps, scratch_size))
        return;
    const bool is_signed = format == NR_SAMPLE_S8;
    if (d == 8) {
        if (is_signed)
            search_sse2<8, true>(src, ss, dst, ds, steps, radius, keep, sigma, noise_scale, weights,
                                 scratch);
        else
            search_sse2<8, false>(src, ss, dst, ds, steps, radius, keep, sigma, noise_scale,
                                  weights, scratch);
    } else {
        if (is_signed)
            search_sse2<4, true>(src, ss, dst, ds, steps, radius, keep, sigma, noise_scale, weights,
                                 scratch);
        else
            search_sse2<4, false>(src, ss, dst, ds, steps, radius, keep, sigma, noise_scale,
                                  weights, scratch);
    }
}

#else /* no SSE2: the portable forms */

uint32_t nr_patch_distance_sse2(const uint8_t* a, int32_t as, const uint8_t* b, int32_t bs,
                                uint32_t format) {
    return nr_patch_distance(a, as, b, bs, format);
}
void nr_block_stats_sse2(const uint8_t* w, int32_t stride, int32_t* sum, int32_t* var,
                         uint32_t format) {
    nr_block_stats(w, stride, sum, var, format);
}
void nr_acc_add_pair_sse2(uint16_t* acc, const uint8_t* a, int32_t as, uint32_t wa,
                          const uint8_t* b, int32_t bs, uint32_t wb, int32_t d) {
    nr_acc_add_pair(acc, a, as, wa, b, bs, wb, d);
}
void nr_acc_add16_sse2(uint16_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d) {
    nr_acc_add16(acc, src, stride, w, d);
}
void nr_acc_add16_s8_sse2(uint16_t* acc, const uint8_t* src, int32_t stride, uint32_t w,
                          int32_t d) {
    nr_acc_add16_s8(acc, src, stride, w, d);
}
void nr_acc_add32_sse2(uint32_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d) {
    nr_acc_add32(acc, src, stride, w, d);
}
void nr_acc_add32_s8_sse2(int32_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d) {
    nr_acc_add32_s8(acc, src, stride, w, d);
}
void nr_finalize16_sse2(const uint8_t* src, int32_t ss, uint32_t total, int32_t keep, int32_t d,
                        uint8_t* dst, int32_t ds, const uint16_t* acc) {
    nr_finalize16(src, ss, total, keep, d, dst, ds, acc);
}
void nr_finalize16_s8_sse2(const uint8_t* src, int32_t ss, uint32_t total, int32_t keep, int32_t d,
                           uint8_t* dst, int32_t ds, const uint16_t* acc) {
    nr_finalize16_s8(src, ss, total, keep, d, dst, ds, acc);
}
void nr_edge_map_plane_sse2(uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss, int32_t width,
                            int32_t height) {
    nr_edge_map_plane_c(dst, ds, src, ss, width, height);
}

#endif

// SSE2 row bodies of the pyramid kernels. Each gives the portable results bit for bit.
//
// pavgb rounds up: (a + b + 1) >> 1. The truncating average (a + b) >> 1 is pavgb minus the bit
// that the rounding added, ((a ^ b) & 1).
#include "nr_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

inline __m128i avg_floor(__m128i a, __m128i b) {
    const __m128i one = _mm_set1_epi8(1);
    return _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
}

inline __m128i load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Vertical 1 2 1 sums of 16 source columns in 16-bit lanes, even and odd columns apart.
struct ColumnSums {
    __m128i even, odd;
};
inline ColumnSums column_sums(const uint8_t* r0, const uint8_t* r1, const uint8_t* r2) {
    const __m128i low = _mm_set1_epi16(0x00FF);
    const __m128i a0 = load(r0), a1 = load(r1), a2 = load(r2);
    const __m128i even =
        _mm_add_epi16(_mm_add_epi16(_mm_and_si128(a0, low), _mm_and_si128(a2, low)),
                      _mm_slli_epi16(_mm_and_si128(a1, low), 1));
    const __m128i odd = _mm_add_epi16(_mm_add_epi16(_mm_srli_epi16(a0, 8), _mm_srli_epi16(a2, 8)),
                                      _mm_slli_epi16(_mm_srli_epi16(a1, 8), 1));
    return ColumnSums{even, odd};
}

// Upsampled (truncating) rows from source a = s0[j..], b = s0[j+1..], c = s1[j..], d = s1[j+1..]:
// even row interleaves a with avg(a, b), odd row avg(a, c) with avg(avg(a, c), avg(b, d)).
struct UpPair {
    __m128i lo0, hi0, lo1, hi1; // 32 samples of each row
};
inline UpPair upsample32(const uint8_t* s0, const uint8_t* s1) {
    const __m128i a = load(s0), b = load(s0 + 1), c = load(s1), d = load(s1 + 1);
    const __m128i ab = avg_floor(a, b);
    const __m128i ac = avg_floor(a, c);
    const __m128i acbd = avg_floor(ac, avg_floor(b, d));
    return UpPair{_mm_unpacklo_epi8(a, ab), _mm_unpackhi_epi8(a, ab), _mm_unpacklo_epi8(ac, acbd),
                  _mm_unpackhi_epi8(ac, acbd)};
}

// clamp(-128..127, f - u) for unsigned f and u, in bytes.
inline __m128i sub_sat_s8(__m128i f, __m128i u) {
    const __m128i pos = _mm_min_epu8(_mm_subs_epu8(f, u), _mm_set1_epi8(127));
    const __m128i neg = _mm_min_epu8(_mm_subs_epu8(u, f), _mm_set1_epi8(-128));
    return _mm_sub_epi8(pos, neg);
}

// clamp(0..255, s + u) for signed s and unsigned u.
inline __m128i add_sat_u8(__m128i s, __m128i u) {
    const __m128i bias = _mm_set1_epi8(-128);
    const __m128i biased = _mm_xor_si128(s, bias);   // s + 128
    const __m128i pos = _mm_subs_epu8(biased, bias); // max(s, 0)
    const __m128i neg = _mm_subs_epu8(bias, biased); // max(-s, 0)
    return _mm_subs_epu8(_mm_adds_epu8(u, pos), neg);
}

} // namespace

int32_t nr_downsample_row_sse2(uint8_t* dst, const uint8_t* r0, const uint8_t* r1,
                               const uint8_t* r2, int32_t n) {
    if (n < 16)
        return 0;
    // Output i: (v[2i-1] + 2 v[2i] + v[2i+1] + 8) >> 4 over the vertical sums v. The odd sums
    // shifted up by one lane give v[2i-1]; the lane shifted out carries into the next step.
    __m128i carry = _mm_cvtsi32_si128(r0[-1] + 2 * r1[-1] + r2[-1]);
    const __m128i rounding = _mm_set1_epi16(8);
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const int32_t c = 2 * i;
        const ColumnSums lo = column_sums(r0 + c, r1 + c, r2 + c);
        const ColumnSums hi = column_sums(r0 + c + 16, r1 + c + 16, r2 + c + 16);
        const __m128i prev_lo = _mm_or_si128(_mm_slli_si128(lo.odd, 2), carry);
        const __m128i prev_hi = _mm_or_si128(_mm_slli_si128(hi.odd, 2), _mm_srli_si128(lo.odd, 14));
        carry = _mm_srli_si128(hi.odd, 14);
        const __m128i sum_lo =
            _mm_add_epi16(_mm_add_epi16(prev_lo, lo.odd), _mm_slli_epi16(lo.even, 1));
        const __m128i sum_hi =
            _mm_add_epi16(_mm_add_epi16(prev_hi, hi.odd), _mm_slli_epi16(hi.even, 1));
        store(dst + i, _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(sum_lo, rounding), 4),
                                        _mm_srli_epi16(_mm_add_epi16(sum_hi, rounding), 4)));
    }
    return i;
}

int32_t nr_upsample_rows_sse2(uint8_t* d0, uint8_t* d1, const uint8_t* s0, const uint8_t* s1,
                              int32_t n) {
    int32_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const UpPair u = upsample32(s0 + i / 2, s1 + i / 2);
        store(d0 + i, u.lo0);
        store(d0 + i + 16, u.hi0);
        if (d1) {
            store(d1 + i, u.lo1);
            store(d1 + i + 16, u.hi1);
        }
    }
    return i;
}

int32_t nr_upsample_subtract_rows_sse2(uint8_t* b0, uint8_t* b1, const uint8_t* s0,
                                       const uint8_t* s1, int32_t n) {
    int32_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const UpPair u = upsample32(s0 + i / 2, s1 + i / 2);
        store(b0 + i, sub_sat_s8(load(b0 + i), u.lo0));
        store(b0 + i + 16, sub_sat_s8(load(b0 + i + 16), u.hi0));
        if (b1) {
            store(b1 + i, sub_sat_s8(load(b1 + i), u.lo1));
            store(b1 + i + 16, sub_sat_s8(load(b1 + i + 16), u.hi1));
        }
    }
    return i;
}

int32_t nr_upsample_add_rows_sse2(uint8_t* f0, uint8_t* f1, const uint8_t* s0, const uint8_t* s1,
                                  int32_t n) {
    int32_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const UpPair u = upsample32(s0 + i / 2, s1 + i / 2);
        store(f0 + i, add_sat_u8(load(f0 + i), u.lo0));
        store(f0 + i + 16, add_sat_u8(load(f0 + i + 16), u.hi0));
        if (f1) {
            store(f1 + i, add_sat_u8(load(f1 + i), u.lo1));
            store(f1 + i + 16, add_sat_u8(load(f1 + i + 16), u.hi1));
        }
    }
    return i;
}

int32_t nr_band_subtract_row_sse2(const uint8_t* a, const uint8_t* b, int8_t* out, int32_t n) {
    int32_t i = 0;
    uint8_t* o = reinterpret_cast<uint8_t*>(out);
    for (; i + 16 <= n; i += 16)
        store(o + i, sub_sat_s8(load(a + i), load(b + i)));
    return i;
}

int32_t nr_band_add_row_sse2(const uint8_t* a, const int8_t* s, uint8_t* out, int32_t n) {
    int32_t i = 0;
    const uint8_t* sb = reinterpret_cast<const uint8_t*>(s);
    for (; i + 16 <= n; i += 16)
        store(out + i, add_sat_u8(load(sb + i), load(a + i)));
    return i;
}

int32_t nr_band_scale_row_sse2(const int8_t* s, int8_t* out, int32_t n, int32_t gain) {
    // pmaddwd of (sample, 1) pairs with (gain, 128) gives gain * sample + 128 exactly in 32 bits;
    // that needs a gain that fits 16 bits.
    if (gain < -32768 || gain > 32767)
        return 0;
    const __m128i coeff = _mm_set1_epi32(static_cast<int32_t>((128u << 16) | (gain & 0xFFFF)));
    const __m128i ones = _mm_set1_epi16(1);
    const uint8_t* sb = reinterpret_cast<const uint8_t*>(s);
    uint8_t* o = reinterpret_cast<uint8_t*>(out);
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i v = load(sb + i);
        const __m128i lo16 = _mm_srai_epi16(_mm_unpacklo_epi8(v, v), 8); // sign-extended
        const __m128i hi16 = _mm_srai_epi16(_mm_unpackhi_epi8(v, v), 8);
        const __m128i p0 = _mm_srai_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(lo16, ones), coeff), 8);
        const __m128i p1 = _mm_srai_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(lo16, ones), coeff), 8);
        const __m128i p2 = _mm_srai_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(hi16, ones), coeff), 8);
        const __m128i p3 = _mm_srai_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(hi16, ones), coeff), 8);
        // Saturating packs: 32 -> 16 -> 8 bits clamps to -128..127.
        store(o + i, _mm_packs_epi16(_mm_packs_epi32(p0, p1), _mm_packs_epi32(p2, p3)));
    }
    return i;
}

int32_t nr_band_abs_sum_row_sse2(const int8_t* s, int32_t n, uint32_t* sum) {
    const __m128i zero = _mm_setzero_si128();
    const uint8_t* sb = reinterpret_cast<const uint8_t*>(s);
    __m128i acc = zero;
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i v = load(sb + i);
        const __m128i neg = _mm_cmpgt_epi8(zero, v);
        const __m128i mag = _mm_sub_epi8(_mm_xor_si128(v, neg), neg); // |-128| = 128 unsigned
        acc = _mm_add_epi64(acc, _mm_sad_epu8(mag, zero));
    }
    const uint64_t total = static_cast<uint64_t>(_mm_cvtsi128_si64(acc)) +
                           static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(acc, acc)));
    *sum += static_cast<uint32_t>(total);
    return i;
}

int32_t nr_yuyv420_rows_sse2(uint8_t* row0, uint8_t* row1, uint8_t* y0, uint8_t* y1, uint8_t* u,
                             uint8_t* v, int32_t width, int32_t flag) {
    const __m128i low = _mm_set1_epi16(0x00FF);
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        uint8_t* f0 = row0 + 2 * x;
        uint8_t* f1 = row1 + 2 * x;
        if (flag) {
            const __m128i a = load(f0), b = load(f0 + 16);
            store(y0 + x, _mm_packus_epi16(_mm_and_si128(a, low), _mm_and_si128(b, low)));
            const __m128i c = load(f1), d = load(f1 + 16);
            store(y1 + x, _mm_packus_epi16(_mm_and_si128(c, low), _mm_and_si128(d, low)));
            // U0 V0 U1 V1 ... of the first row, then U and V apart.
            const __m128i uv = _mm_packus_epi16(_mm_srli_epi16(a, 8), _mm_srli_epi16(b, 8));
            const __m128i uu = _mm_packus_epi16(_mm_and_si128(uv, low), _mm_setzero_si128());
            const __m128i vv = _mm_packus_epi16(_mm_srli_epi16(uv, 8), _mm_setzero_si128());
            _mm_storel_epi64(reinterpret_cast<__m128i*>(u + x / 2), uu);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(v + x / 2), vv);
        } else {
            const __m128i uu = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(u + x / 2));
            const __m128i vv = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v + x / 2));
            const __m128i uv = _mm_unpacklo_epi8(uu, vv);
            const __m128i ya = load(y0 + x), yb = load(y1 + x);
            store(f0, _mm_unpacklo_epi8(ya, uv));
            store(f0 + 16, _mm_unpackhi_epi8(ya, uv));
            store(f1, _mm_unpacklo_epi8(yb, uv));
            store(f1 + 16, _mm_unpackhi_epi8(yb, uv));
        }
    }
    return x;
}

int32_t nr_even_bytes_sse2(uint8_t* frame, uint8_t* plane, int32_t width, int32_t flag) {
    const __m128i low = _mm_set1_epi16(0x00FF);
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        uint8_t* f = frame + 2 * x;
        const __m128i a = load(f), b = load(f + 16);
        if (flag) {
            store(plane + x, _mm_packus_epi16(_mm_and_si128(a, low), _mm_and_si128(b, low)));
        } else {
            const __m128i y = load(plane + x);
            const __m128i high = _mm_set1_epi16(static_cast<int16_t>(0xFF00));
            store(f,
                  _mm_or_si128(_mm_and_si128(a, high), _mm_unpacklo_epi8(y, _mm_setzero_si128())));
            store(f + 16,
                  _mm_or_si128(_mm_and_si128(b, high), _mm_unpackhi_epi8(y, _mm_setzero_si128())));
        }
    }
    return x;
}

#else // no SSE2: the portable interior loops do all the work

int32_t nr_downsample_row_sse2(uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*, int32_t) {
    return 0;
}
int32_t nr_upsample_rows_sse2(uint8_t*, uint8_t*, const uint8_t*, const uint8_t*, int32_t) {
    return 0;
}
int32_t nr_upsample_subtract_rows_sse2(uint8_t*, uint8_t*, const uint8_t*, const uint8_t*,
                                       int32_t) {
    return 0;
}
int32_t nr_upsample_add_rows_sse2(uint8_t*, uint8_t*, const uint8_t*, const uint8_t*, int32_t) {
    return 0;
}
int32_t nr_band_subtract_row_sse2(const uint8_t*, const uint8_t*, int8_t*, int32_t) {
    return 0;
}
int32_t nr_band_add_row_sse2(const uint8_t*, const int8_t*, uint8_t*, int32_t) {
    return 0;
}
int32_t nr_band_scale_row_sse2(const int8_t*, int8_t*, int32_t, int32_t) {
    return 0;
}
int32_t nr_band_abs_sum_row_sse2(const int8_t*, int32_t, uint32_t*) {
    return 0;
}
int32_t nr_yuyv420_rows_sse2(uint8_t*, uint8_t*, uint8_t*, uint8_t*, uint8_t*, uint8_t*, int32_t,
                             int32_t) {
    return 0;
}
int32_t nr_even_bytes_sse2(uint8_t*, uint8_t*, int32_t, int32_t) {
    return 0;
}

#endif

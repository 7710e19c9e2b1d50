// AVX2 row bodies of the pyramid kernels (this file alone is compiled with -mavx2 and runs only
// when the processor reports AVX2). Each gives the portable results bit for bit. Only C headers
// here: no inline C++ library code may be emitted with AVX2 instructions.
#include "nr_kernels.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace {

inline __m256i avg_floor(__m256i a, __m256i b) {
    const __m256i one = _mm256_set1_epi8(1);
    return _mm256_sub_epi8(_mm256_avg_epu8(a, b), _mm256_and_si256(_mm256_xor_si256(a, b), one));
}

inline __m256i load(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void store(uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// 16 outputs of the interior downsample in 16-bit lanes: rows r0..r2 at column 2X.
inline __m256i downsample16(const uint8_t* r0, const uint8_t* r1, const uint8_t* r2) {
    const __m256i low = _mm256_set1_epi16(0x00FF);
    const __m256i a0 = load(r0), a1 = load(r1), a2 = load(r2);
    const __m256i b0 = load(r0 - 2), b1 = load(r1 - 2), b2 = load(r2 - 2);
    const __m256i even =
        _mm256_add_epi16(_mm256_add_epi16(_mm256_and_si256(a0, low), _mm256_and_si256(a2, low)),
                         _mm256_slli_epi16(_mm256_and_si256(a1, low), 1));
    const __m256i odd =
        _mm256_add_epi16(_mm256_add_epi16(_mm256_srli_epi16(a0, 8), _mm256_srli_epi16(a2, 8)),
                         _mm256_slli_epi16(_mm256_srli_epi16(a1, 8), 1));
    const __m256i prev =
        _mm256_add_epi16(_mm256_add_epi16(_mm256_srli_epi16(b0, 8), _mm256_srli_epi16(b2, 8)),
                         _mm256_slli_epi16(_mm256_srli_epi16(b1, 8), 1));
    const __m256i sum = _mm256_add_epi16(_mm256_add_epi16(prev, odd), _mm256_slli_epi16(even, 1));
    return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(8)), 4);
}

// 64 truncating upsampled samples of each row from 32 source samples (plus one).
struct UpPair {
    __m256i lo0, hi0, lo1, hi1;
};
inline UpPair upsample64(const uint8_t* s0, const uint8_t* s1) {
    const __m256i a = load(s0), b = load(s0 + 1), c = load(s1), d = load(s1 + 1);
    const __m256i ab = avg_floor(a, b);
    const __m256i ac = avg_floor(a, c);
    const __m256i acbd = avg_floor(ac, avg_floor(b, d));
    // Unpack works within 128-bit lanes: put the 64-bit quarters in order 0 2 1 3 first, so that
    // the low unpack yields source samples 0..15 and the high one 16..31.
    const __m256i pa = _mm256_permute4x64_epi64(a, 0xD8);
    const __m256i pab = _mm256_permute4x64_epi64(ab, 0xD8);
    const __m256i pac = _mm256_permute4x64_epi64(ac, 0xD8);
    const __m256i pacbd = _mm256_permute4x64_epi64(acbd, 0xD8);
    return UpPair{_mm256_unpacklo_epi8(pa, pab), _mm256_unpackhi_epi8(pa, pab),
                  _mm256_unpacklo_epi8(pac, pacbd), _mm256_unpackhi_epi8(pac, pacbd)};
}

inline __m256i sub_sat_s8(__m256i f, __m256i u) {
    const __m256i pos = _mm256_min_epu8(_mm256_subs_epu8(f, u), _mm256_set1_epi8(127));
    const __m256i neg = _mm256_min_epu8(_mm256_subs_epu8(u, f), _mm256_set1_epi8(-128));
    return _mm256_sub_epi8(pos, neg);
}

inline __m256i add_sat_u8(__m256i s, __m256i u) {
    const __m256i bias = _mm256_set1_epi8(-128);
    const __m256i biased = _mm256_xor_si256(s, bias);
    const __m256i pos = _mm256_subs_epu8(biased, bias);
    const __m256i neg = _mm256_subs_epu8(bias, biased);
    return _mm256_subs_epu8(_mm256_adds_epu8(u, pos), neg);
}

} // namespace

int32_t nr_downsample_row_avx2(uint8_t* dst, const uint8_t* r0, const uint8_t* r1,
                               const uint8_t* r2, int32_t n) {
    int32_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const int32_t c = 2 * i;
        const __m256i lo = downsample16(r0 + c, r1 + c, r2 + c);
        const __m256i hi = downsample16(r0 + c + 32, r1 + c + 32, r2 + c + 32);
        store(dst + i, _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8));
    }
    _mm256_zeroupper();
    return i;
}

int32_t nr_upsample_rows_avx2(uint8_t* d0, uint8_t* d1, const uint8_t* s0, const uint8_t* s1,
                              int32_t n) {
    int32_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const UpPair u = upsample64(s0 + i / 2, s1 + i / 2);
        store(d0 + i, u.lo0);
        store(d0 + i + 32, u.hi0);
        if (d1) {
            store(d1 + i, u.lo1);
            store(d1 + i + 32, u.hi1);
        }
    }
    _mm256_zeroupper();
    return i;
}

int32_t nr_upsample_subtract_rows_avx2(uint8_t* b0, uint8_t* b1, const uint8_t* s0,
                                       const uint8_t* s1, int32_t n) {
    int32_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const UpPair u = upsample64(s0 + i / 2, s1 + i / 2);
        store(b0 + i, sub_sat_s8(load(b0 + i), u.lo0));
        store(b0 + i + 32, sub_sat_s8(load(b0 + i + 32), u.hi0));
        if (b1) {
            store(b1 + i, sub_sat_s8(load(b1 + i), u.lo1));
            store(b1 + i + 32, sub_sat_s8(load(b1 + i + 32), u.hi1));
        }
    }
    _mm256_zeroupper();
    return i;
}

int32_t nr_upsample_add_rows_avx2(uint8_t* f0, uint8_t* f1, const uint8_t* s0, const uint8_t* s1,
                                  int32_t n) {
    int32_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const UpPair u = upsample64(s0 + i / 2, s1 + i / 2);
        store(f0 + i, add_sat_u8(load(f0 + i), u.lo0));
        store(f0 + i + 32, add_sat_u8(load(f0 + i + 32), u.hi0));
        if (f1) {
            store(f1 + i, add_sat_u8(load(f1 + i), u.lo1));
            store(f1 + i + 32, add_sat_u8(load(f1 + i + 32), u.hi1));
        }
    }
    _mm256_zeroupper();
    return i;
}

int32_t nr_band_subtract_row_avx2(const uint8_t* a, const uint8_t* b, int8_t* out, int32_t n) {
    int32_t i = 0;
    uint8_t* o = reinterpret_cast<uint8_t*>(out);
    for (; i + 32 <= n; i += 32)
        store(o + i, sub_sat_s8(load(a + i), load(b + i)));
    _mm256_zeroupper();
    return i;
}

int32_t nr_band_add_row_avx2(const uint8_t* a, const int8_t* s, uint8_t* out, int32_t n) {
    int32_t i = 0;
    const uint8_t* sb = reinterpret_cast<const uint8_t*>(s);
    for (; i + 32 <= n; i += 32)
        store(out + i, add_sat_u8(load(sb + i), load(a + i)));
    _mm256_zeroupper();
    return i;
}

int32_t nr_band_scale_row_avx2(const int8_t* s, int8_t* out, int32_t n, int32_t gain) {
    if (gain < -32768 || gain > 32767)
        return 0;
    const __m256i coeff = _mm256_set1_epi32(static_cast<int32_t>((128u << 16) | (gain & 0xFFFF)));
    const __m256i ones = _mm256_set1_epi16(1);
    const uint8_t* sb = reinterpret_cast<const uint8_t*>(s);
    uint8_t* o = reinterpret_cast<uint8_t*>(out);
    int32_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i v = load(sb + i);
        // Per 128-bit lane: bytes 0-7 -> lo16, 8-15 -> hi16; the packs below undo that order.
        const __m256i lo16 = _mm256_srai_epi16(_mm256_unpacklo_epi8(v, v), 8);
        const __m256i hi16 = _mm256_srai_epi16(_mm256_unpackhi_epi8(v, v), 8);
        const __m256i p0 =
            _mm256_srai_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(lo16, ones), coeff), 8);
        const __m256i p1 =
            _mm256_srai_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(lo16, ones), coeff), 8);
        const __m256i p2 =
            _mm256_srai_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(hi16, ones), coeff), 8);
        const __m256i p3 =
            _mm256_srai_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(hi16, ones), coeff), 8);
        store(o + i, _mm256_packs_epi16(_mm256_packs_epi32(p0, p1), _mm256_packs_epi32(p2, p3)));
    }
    _mm256_zeroupper();
    return i;
}

int32_t nr_band_abs_sum_row_avx2(const int8_t* s, int32_t n, uint32_t* sum) {
    const __m256i zero = _mm256_setzero_si256();
    const uint8_t* sb = reinterpret_cast<const uint8_t*>(s);
    __m256i acc = zero;
    int32_t i = 0;
    for (; i + 32 <= n; i += 32)
        acc = _mm256_add_epi64(acc, _mm256_sad_epu8(_mm256_abs_epi8(load(sb + i)), zero));
    const __m128i half =
        _mm_add_epi64(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
    const uint64_t total = static_cast<uint64_t>(_mm_cvtsi128_si64(half)) +
                           static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(half, half)));
    _mm256_zeroupper();
    *sum += static_cast<uint32_t>(total);
    return i;
}

int32_t nr_yuyv420_rows_avx2(uint8_t* row0, uint8_t* row1, uint8_t* y0, uint8_t* y1, uint8_t* u,
                             uint8_t* v, int32_t width, int32_t flag) {
    int32_t x = 0;
    if (flag) {
        // Per 128-bit lane of 8 pixels: Y0..Y7, then U0..U3, then V0..V3.
        const __m256i split =
            _mm256_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 5, 9, 13, 3, 7, 11, 15, 0, 2, 4, 6, 8,
                             10, 12, 14, 1, 5, 9, 13, 3, 7, 11, 15);
        // Chroma dwords U0-3 V0-3 U4-7 V4-7 U8-11 V8-11 U12-15 V12-15 into U0-15 V0-15.
        const __m256i apart = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
        const __m256i low = _mm256_set1_epi16(0x00FF);
        for (; x + 32 <= width; x += 32) {
            const uint8_t* f0 = row0 + 2 * x;
            const uint8_t* f1 = row1 + 2 * x;
            // Quarters in order 0 2 1 3: the two luma halves first, then the two chroma halves.
            const __m256i qa = _mm256_permute4x64_epi64(_mm256_shuffle_epi8(load(f0), split), 0xD8);
            const __m256i qb =
                _mm256_permute4x64_epi64(_mm256_shuffle_epi8(load(f0 + 32), split), 0xD8);
            store(y0 + x, _mm256_permute2x128_si256(qa, qb, 0x20));
            const __m256i uv =
                _mm256_permutevar8x32_epi32(_mm256_permute2x128_si256(qa, qb, 0x31), apart);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(u + x / 2), _mm256_castsi256_si128(uv));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(v + x / 2),
                             _mm256_extracti128_si256(uv, 1));
            // The second row gives its luma only; the pack works per lane, vpermq restores order.
            const __m256i c = _mm256_and_si256(load(f1), low);
            const __m256i d = _mm256_and_si256(load(f1 + 32), low);
            store(y1 + x, _mm256_permute4x64_epi64(_mm256_packus_epi16(c, d), 0xD8));
        }
    } else {
        for (; x + 32 <= width; x += 32) {
            uint8_t* f0 = row0 + 2 * x;
            uint8_t* f1 = row1 + 2 * x;
            const __m128i uu = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u + x / 2));
            const __m128i vv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + x / 2));
            // U0 V0 .. U7 V7 | U8 V8 .. U15 V15: lane k holds the chroma of pixels 16k .. 16k+15.
            const __m256i uv = _mm256_inserti128_si256(
                _mm256_castsi128_si256(_mm_unpacklo_epi8(uu, vv)), _mm_unpackhi_epi8(uu, vv), 1);
            const uint8_t* ys[2] = {y0 + x, y1 + x};
            uint8_t* fs[2] = {f0, f1};
            for (int32_t r = 0; r < 2; ++r) {
                const __m256i y = load(ys[r]);
                // Per lane: the low unpack gives pixels 0-7 and 16-23, the high one 8-15, 24-31.
                const __m256i lo = _mm256_unpacklo_epi8(y, uv);
                const __m256i hi = _mm256_unpackhi_epi8(y, uv);
                store(fs[r], _mm256_permute2x128_si256(lo, hi, 0x20));
                store(fs[r] + 32, _mm256_permute2x128_si256(lo, hi, 0x31));
            }
        }
    }
    return x;
}

#else // built without AVX2 support: never chosen, the SSE2 bodies run instead

int32_t nr_downsample_row_avx2(uint8_t* dst, const uint8_t* r0, const uint8_t* r1,
                               const uint8_t* r2, int32_t n) {
    return nr_downsample_row_sse2(dst, r0, r1, r2, n);
}
int32_t nr_upsample_rows_avx2(uint8_t* d0, uint8_t* d1, const uint8_t* s0, const uint8_t* s1,
                              int32_t n) {
    return nr_upsample_rows_sse2(d0, d1, s0, s1, n);
}
int32_t nr_upsample_subtract_rows_avx2(uint8_t* b0, uint8_t* b1, const uint8_t* s0,
                                       const uint8_t* s1, int32_t n) {
    return nr_upsample_subtract_rows_sse2(b0, b1, s0, s1, n);
}
int32_t nr_upsample_add_rows_avx2(uint8_t* f0, uint8_t* f1, const uint8_t* s0, const uint8_t* s1,
                                  int32_t n) {
    return nr_upsample_add_rows_sse2(f0, f1, s0, s1, n);
}
int32_t nr_band_subtract_row_avx2(const uint8_t* a, const uint8_t* b, int8_t* out, int32_t n) {
    return nr_band_subtract_row_sse2(a, b, out, n);
}
int32_t nr_band_add_row_avx2(const uint8_t* a, const int8_t* s, uint8_t* out, int32_t n) {
    return nr_band_add_row_sse2(a, s, out, n);
}
int32_t nr_band_scale_row_avx2(const int8_t* s, int8_t* out, int32_t n, int32_t gain) {
    return nr_band_scale_row_sse2(s, out, n, gain);
}
int32_t nr_band_abs_sum_row_avx2(const int8_t* s, int32_t n, uint32_t* sum) {
    return nr_band_abs_sum_row_sse2(s, n, sum);
}
int32_t nr_yuyv420_rows_avx2(uint8_t* row0, uint8_t* row1, uint8_t* y0, uint8_t* y1, uint8_t* u,
                             uint8_t* v, int32_t width, int32_t flag) {
    return nr_yuyv420_rows_sse2(row0, row1, y0, y1, u, v, width, flag);
}

#endif

/*
 * nr_estimate_avx2.cpp - AVX2 forms of the estimation's window statistics (compiled with -mavx2,
 * called only when the processor has AVX2). The sums are exact in 32-bit lanes: an 8 x 8 window
 * has |S1| <= 16,320 and S2 <= 4,161,600, so 64 S2 - S1^2 stays below 2^31.
 */
#include "nr_estimate.h"

#if defined(__AVX2__)
#include <immintrin.h>

namespace {

inline __m256i widen8(const uint8_t* p, int32_t is_signed) {
    const __m128i b = _mm_loadl_epi64((const __m128i*)p);
    return is_signed ? _mm256_cvtepi8_epi32(b) : _mm256_cvtepu8_epi32(b);
}

inline __m256i load8x32(const int32_t* p) {
    return _mm256_loadu_si256((const __m256i*)p);
}

} // namespace

void nr_window_row_avx2(const int32_t* col_sums, const int32_t* col_squares, int32_t count,
                        int32_t shift, uint8_t* v) {
    const __m128i sh = _mm_cvtsi32_si128(shift);
    const __m256i limit = _mm256_set1_epi32(64);
    int32_t x = 0;
    for (; x + 8 <= count; x += 8) {
        __m256i s1 = load8x32(col_sums + x), s2 = load8x32(col_squares + x);
        for (int k = 1; k < 8; ++k) {
            s1 = _mm256_add_epi32(s1, load8x32(col_sums + x + k));
            s2 = _mm256_add_epi32(s2, load8x32(col_squares + x + k));
        }
        const __m256i m = _mm256_sra_epi32(
            _mm256_sub_epi32(_mm256_slli_epi32(s2, 6), _mm256_mullo_epi32(s1, s1)), sh);
        /* 0 <= m < 64 as itself, anything else as 255. */
        const __m256i counted = _mm256_andnot_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), m),
                                                    _mm256_cmpgt_epi32(limit, m));
        const __m256i out = _mm256_or_si256(_mm256_and_si256(counted, m),
                                            _mm256_andnot_si256(counted, _mm256_set1_epi32(255)));
        /* 8 x 32-bit -> 8 bytes. */
        const __m128i lo = _mm256_castsi256_si128(out), hi = _mm256_extracti128_si256(out, 1);
        const __m128i w16 = _mm_packs_epi32(lo, hi);
        _mm_storel_epi64((__m128i*)(v + x), _mm_packus_epi16(w16, w16));
    }
    if (x < count)
        nr_window_row(col_sums + x, col_squares + x, count - x, shift, v + x);
}

void nr_window_advance_avx2(const uint8_t* out, const uint8_t* in, int32_t is_signed, int32_t width,
                            int32_t* col_sums, int32_t* col_squares) {
    int32_t c = 0;
    for (; c + 8 <= width; c += 8) {
        const __m256i a = widen8(in + c, is_signed), b = widen8(out + c, is_signed);
        const __m256i s = _mm256_add_epi32(load8x32(col_sums + c), _mm256_sub_epi32(a, b));
        const __m256i q =
            _mm256_add_epi32(load8x32(col_squares + c),
                             _mm256_sub_epi32(_mm256_mullo_epi32(a, a), _mm256_mullo_epi32(b, b)));
        _mm256_storeu_si256((__m256i*)(col_sums + c), s);
        _mm256_storeu_si256((__m256i*)(col_squares + c), q);
    }
    if (c < width)
        nr_window_advance(out + c, in + c, is_signed, width - c, col_sums + c, col_squares + c);
}

#else

void nr_window_row_avx2(const int32_t* col_sums, const int32_t* col_squares, int32_t count,
                        int32_t shift, uint8_t* v) {
    nr_window_row(col_sums, col_squares, count, shift, v);
}

void nr_window_advance_avx2(const uint8_t* out, const uint8_t* in, int32_t is_signed, int32_t width,
                            int32_t* col_sums, int32_t* col_squares) {
    nr_window_advance(out, in, is_signed, width, col_sums, col_squares);
}

#endif

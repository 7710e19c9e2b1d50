/*
 * nr_filter_avx2.cpp - AVX2 forms of the block filter's kernels (compiled with -mavx2, called only
 * when the processor has AVX2). Results are the portable forms' bit for bit.
 */
#include "nr_filter.h"

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

#else

void nr_edge_map_plane_avx2(uint8_t* dst, int32_t ds, const uint8_t* src, int32_t ss, int32_t width,
                            int32_t height) {
    nr_edge_map_plane_sse2(dst, ds, src, ss, width, height);
}

#endif

#include "iqpixelrows.h"

#include <libyuv.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void mergeColourAlphaRow_C(const unsigned char* colour, const unsigned char* alpha,
                           unsigned char* dst, int pixels) {
    for (int j = 0; j < pixels; ++j, colour += 4, alpha += 4, dst += 4) {
        const unsigned char a = alpha[3];
        dst[0] = colour[0];
        dst[1] = colour[1];
        dst[2] = colour[2];
        dst[3] = a;
    }
}

void mergeColourAlphaRow(const unsigned char* colour, const unsigned char* alpha,
                         unsigned char* dst, int pixels) {
    int done = 0;
#if defined(__SSE2__)
    // Byte 3 of each little 4-byte group from `alpha`, bytes 0..2 from `colour`; 8 pixels a step.
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xff000000u));
    for (; done + 8 <= pixels; done += 8) {
        const int at = 4 * done;
        const __m128i c0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colour + at));
        const __m128i c1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colour + at + 16));
        const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alpha + at));
        const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(alpha + at + 16));
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(dst + at),
            _mm_or_si128(_mm_andnot_si128(alphaMask, c0), _mm_and_si128(alphaMask, a0)));
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(dst + at + 16),
            _mm_or_si128(_mm_andnot_si128(alphaMask, c1), _mm_and_si128(alphaMask, a1)));
    }
#endif
    mergeColourAlphaRow_C(colour + 4 * done, alpha + 4 * done, dst + 4 * done, pixels - done);
}

void mergeBgrAlphaRow_C(const unsigned char* bgr, const unsigned char* alpha, unsigned char* dst,
                        int pixels) {
    for (int j = 0; j < pixels; ++j, bgr += 3, alpha += 4, dst += 4) {
        const unsigned char a = alpha[3];
        dst[0] = bgr[0];
        dst[1] = bgr[1];
        dst[2] = bgr[2];
        dst[3] = a;
    }
}

void mergeBgrAlphaRow(const unsigned char* bgr, const unsigned char* alpha, unsigned char* dst,
                      int pixels) {
    // Through a short 4-byte row that stays in the cache: libyuv widens the pixels, the merge
    // takes the held alpha back.
    constexpr int Chunk = 256;
    unsigned char wide[4 * Chunk];
    for (int done = 0; done < pixels; done += Chunk) {
        const int n = pixels - done < Chunk ? pixels - done : Chunk;
        libyuv::RGB24ToARGB(bgr + 3 * done, 0, wide, 0, n, 1);
        mergeColourAlphaRow(wide, alpha + 4 * done, dst + 4 * done, n);
    }
}

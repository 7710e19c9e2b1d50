// Pyramid pixel kernels: portable forms, the fast forms' border/interior split and the
// choice of row bodies by CPU flags.
#include "nr_kernels.h"

#include "nr_cpu.h"

namespace {

inline int32_t min32(int32_t a, int32_t b) {
    return a < b ? a : b;
}
inline int32_t max32(int32_t a, int32_t b) {
    return a > b ? a : b;
}
inline int32_t round_up2(int32_t x) {
    return (x + 1) & ~1;
}
inline int32_t round_up4(int32_t x) {
    return (x + 3) & ~3;
}
inline int32_t round_down4(int32_t x) {
    return x & ~3;
}
inline int32_t round_up8(int32_t x) {
    return (x + 7) & ~7;
}
inline int32_t round_down8(int32_t x) {
    return x & ~7;
}
inline int32_t clamp_s8(int32_t v) {
    return v < -128 ? -128 : (v > 127 ? 127 : v);
}
inline int32_t clamp_u8(int32_t v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}
inline bool aligned4(const void* p) {
    return (reinterpret_cast<uintptr_t>(p) & 3u) == 0;
}

// Truncating upsample values (fast interior of nr_upsample, both forms of the fused kernels).
inline int32_t up_even_odd_trunc(int32_t a, int32_t b) {
    return (a + b) >> 1;
}
inline int32_t up_odd_odd_trunc(int32_t a, int32_t b, int32_t c, int32_t d) {
    return (((a + c) >> 1) + ((b + d) >> 1)) >> 1;
}

// Output range of a downsample, clipped to what the source centres allow.
struct Range {
    int32_t x0, y0, x1, y1;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

Range clip_down(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t sw, int32_t sh) {
    if (sw <= 0 || sh <= 0)
        return Range{0, 0, 0, 0};
    return Range{max32(x0, 0), max32(y0, 0), min32(x1, (sw + 1) / 2), min32(y1, (sh + 1) / 2)};
}

Range clip_up(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t sw, int32_t sh) {
    if (sw <= 0 || sh <= 0)
        return Range{0, 0, 0, 0};
    return Range{max32(x0, 0), max32(y0, 0), min32(x1, 2 * sw), min32(y1, 2 * sh)};
}

// ---- downsample --------------------------------------------------------------------------

// One output row of the portable downsample. Vertical taps: 1 2 1 inside, 1 1 at an edge (the
// mirror image of the source about its first and last row), the sample alone in a one-row source;
// horizontal taps likewise. The weights are powers of two: result = (sum + half) >> shift.
void downsample_row_portable(uint8_t* dst, int32_t x0, int32_t x1, const uint8_t* src,
                             int32_t src_pitch, int32_t sw, int32_t sh, int32_t y) {
    const uint8_t* r1 = src + static_cast<intptr_t>(y) * src_pitch;
    const uint8_t* r0 = y > 0 ? r1 - src_pitch : nullptr;
    const uint8_t* r2 = y + 1 < sh ? r1 + src_pitch : nullptr;
    int32_t vshift;
    if (r0 && r2)
        vshift = 2;
    else if (r0 || r2)
        vshift = 1;
    else
        vshift = 0;
    const uint8_t* other = r0 ? r0 : r2; // the one neighbour row when vshift == 1
    auto column = [&](int32_t c) -> int32_t {
        if (vshift == 2)
            return r0[c] + 2 * r1[c] + r2[c];
        if (vshift == 1)
            return r1[c] + other[c];
        return r1[c];
    };
    for (int32_t X = x0; X < x1; ++X) {
        const int32_t x = 2 * X;
        const bool left = x > 0;
        const bool right = x + 1 < sw;
        int32_t sum, hshift;
        if (left && right) {
            sum = column(x - 1) + 2 * column(x) + column(x + 1);
            hshift = 2;
        } else if (left) {
            sum = column(x - 1) + column(x);
            hshift = 1;
        } else if (right) {
            sum = column(x) + column(x + 1);
            hshift = 1;
        } else {
            sum = column(x);
            hshift = 0;
        }
        const int32_t shift = vshift + hshift;
        const int32_t rounding = (1 << shift) >> 1;
        dst[X] = static_cast<uint8_t>((sum + rounding) >> shift);
    }
}

void downsample_rect(uint8_t* dst, int32_t dst_pitch, const Range& r, const uint8_t* src,
                     int32_t src_pitch, int32_t sw, int32_t sh) {
    for (int32_t Y = r.y0; Y < r.y1; ++Y)
        downsample_row_portable(dst + static_cast<intptr_t>(Y) * dst_pitch, r.x0, r.x1, src,
                                src_pitch, sw, sh, 2 * Y);
}

// Interior row with every neighbour present: (1 2 1 / 2 4 2 / 1 2 1 sum + 8) >> 4.
int32_t downsample_row_c(uint8_t* dst, const uint8_t* r0, const uint8_t* r1, const uint8_t* r2,
                         int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        const int32_t c = 2 * i;
        const int32_t left = r0[c - 1] + 2 * r1[c - 1] + r2[c - 1];
        const int32_t mid = r0[c] + 2 * r1[c] + r2[c];
        const int32_t right = r0[c + 1] + 2 * r1[c + 1] + r2[c + 1];
        dst[i] = static_cast<uint8_t>((left + 2 * mid + right + 8) >> 4);
    }
    return n;
}

NrDownsampleRowFn pick_downsample_row(uint32_t flags) {
    if (flags & NR_CPU_AVX2)
        return nr_downsample_row_avx2;
    if (flags & NR_CPU_SSE2)
        return nr_downsample_row_sse2;
    return nullptr;
}

// ---- upsample ----------------------------------------------------------------------------

enum class UpOp { Plain, Subtract, Add };

// Portable form of the three upsample operations. Plain rounds (except the odd/odd first sample
// of a range that starts there); Subtract and Add use the truncating values.
//
// Far edges: a range ending at 2 sw leaves the last output column as it was; a range ending at
// 2 sh makes its last row a copy of the row above once that row is done.
template <UpOp op>
void upsample_rect_t(uint8_t* dst, int32_t dst_pitch, const Range& r, const uint8_t* src,
                     int32_t src_pitch, int32_t sw, int32_t sh) {
    if (r.empty())
        return;
    const int32_t xc1 = r.x1 == 2 * sw ? r.x1 - 1 : r.x1;
    const bool copy_last_row = r.y1 == 2 * sh;
    const int32_t yc1 = copy_last_row ? r.y1 - 1 : r.y1;
    for (int32_t y = r.y0; y < r.y1; ++y) {
        uint8_t* d = dst + static_cast<intptr_t>(y) * dst_pitch;
        if (y >= yc1 && y > r.y0) {
            // The last row copies the finished row above it.
            const uint8_t* above = d - dst_pitch;
            for (int32_t x = r.x0; x < xc1; ++x)
                d[x] = above[x];
            continue;
        }
        // A range made of the last row alone is computed as the even row above it would be.
        const int32_t yy = y >= yc1 ? y - 1 : y;
        const int32_t k = yy >> 1;
        const uint8_t* s0 = src + static_cast<intptr_t>(k) * src_pitch;
        const uint8_t* s1 = s0 + src_pitch; // read only for odd rows, where k + 1 < sh
        const bool odd_row = (yy & 1) != 0;
        for (int32_t x = r.x0; x < xc1; ++x) {
            const int32_t j = x >> 1;
            const bool odd_col = (x & 1) != 0;
            const int32_t a = s0[j];
            int32_t up;
            if (!odd_row && !odd_col) {
                up = a;
            } else if (!odd_row) {
                const int32_t b = s0[j + 1];
                up = op == UpOp::Plain ? (a + b + 1) >> 1 : up_even_odd_trunc(a, b);
            } else if (!odd_col) {
                const int32_t c = s1[j];
                up = op == UpOp::Plain ? (a + c + 1) >> 1 : up_even_odd_trunc(a, c);
            } else {
                const int32_t b = s0[j + 1], c = s1[j], d1 = s1[j + 1];
                if (op != UpOp::Plain)
                    up = up_odd_odd_trunc(a, b, c, d1);
                else if (x == r.x0 && y == r.y0)
                    up = (((a + c) >> 1) + ((b + d1) >> 1) + 1) >> 1;
                else
                    up = (a + b + c + d1 + 2) >> 2;
            }
            if (op == UpOp::Plain)
                d[x] = static_cast<uint8_t>(up);
            else if (op == UpOp::Subtract)
                d[x] = static_cast<uint8_t>(static_cast<int8_t>(clamp_s8(d[x] - up)));
            else
                d[x] = static_cast<uint8_t>(clamp_u8(static_cast<int8_t>(d[x]) + up));
        }
    }
}

// Interior row pair with truncating values, n outputs from an even column.
template <UpOp op>
int32_t upsample_rows_c(uint8_t* d0, uint8_t* d1, const uint8_t* s0, const uint8_t* s1, int32_t n) {
    for (int32_t i = 0; i < n; i += 2) {
        const int32_t j = i >> 1;
        const int32_t a = s0[j], b = s0[j + 1], c = s1[j], d = s1[j + 1];
        const int32_t up[4] = {a, up_even_odd_trunc(a, b), up_even_odd_trunc(a, c),
                               up_odd_odd_trunc(a, b, c, d)};
        for (int32_t row = 0; row < 2; ++row) {
            uint8_t* out = row == 0 ? d0 : d1;
            if (!out)
                continue;
            for (int32_t q = 0; q < 2; ++q) {
                const int32_t u = up[2 * row + q];
                uint8_t& o = out[i + q];
                if (op == UpOp::Plain)
                    o = static_cast<uint8_t>(u);
                else if (op == UpOp::Subtract)
                    o = static_cast<uint8_t>(static_cast<int8_t>(clamp_s8(o - u)));
                else
                    o = static_cast<uint8_t>(clamp_u8(static_cast<int8_t>(o) + u));
            }
        }
    }
    return n;
}

template <UpOp op> NrUpsampleRowsFn pick_upsample_rows(uint32_t flags) {
    if (op == UpOp::Plain)
        return (flags & NR_CPU_AVX2)   ? nr_upsample_rows_avx2
               : (flags & NR_CPU_SSE2) ? nr_upsample_rows_sse2
                                       : nullptr;
    if (op == UpOp::Subtract)
        return (flags & NR_CPU_AVX2)   ? nr_upsample_subtract_rows_avx2
               : (flags & NR_CPU_SSE2) ? nr_upsample_subtract_rows_sse2
                                       : nullptr;
    return (flags & NR_CPU_AVX2)   ? nr_upsample_add_rows_avx2
           : (flags & NR_CPU_SSE2) ? nr_upsample_add_rows_sse2
                                   : nullptr;
}

// Fast form: interior columns [xs, xe) in row pairs from the first even row, through the row
// bodies (vectors, then the plain interior loop); everything else by the portable form.
// Plain upsample: columns to multiples of 8, no alignment test, truncating interior.
// Fused: columns to multiples of 4, only on a 4-byte aligned destination plane.
template <UpOp op>
void upsample_fast_t(uint8_t* dst, int32_t dst_pitch, const Range& r, const uint8_t* src,
                     int32_t src_pitch, int32_t sw, int32_t sh) {
    if (r.empty())
        return;
    if (op != UpOp::Plain && !aligned4(dst)) {
        upsample_rect_t<op>(dst, dst_pitch, r, src, src_pitch, sw, sh);
        return;
    }
    const int32_t x_end = round_up2(r.x1) == 2 * sw ? r.x1 - 1 : r.x1;
    const int32_t xs = op == UpOp::Plain ? round_up8(r.x0) : round_up4(r.x0);
    const int32_t xe = op == UpOp::Plain ? round_down8(x_end) : round_down4(x_end);
    const int32_t ys = round_up2(r.y0);
    const int32_t ye = round_up2(r.y1) - (round_up2(r.y1) == 2 * sh ? 2 : 0);
    if (xs >= xe || ys >= ye) {
        upsample_rect_t<op>(dst, dst_pitch, r, src, src_pitch, sw, sh);
        return;
    }
    // Borders: top strip, left and right strips beside the interior rows, bottom strip.
    if (r.y0 < ys)
        upsample_rect_t<op>(dst, dst_pitch, Range{r.x0, r.y0, r.x1, ys}, src, src_pitch, sw, sh);
    const int32_t yi1 = min32(ye, r.y1);
    if (r.x0 < xs)
        upsample_rect_t<op>(dst, dst_pitch, Range{r.x0, ys, xs, yi1}, src, src_pitch, sw, sh);
    if (xe < r.x1)
        upsample_rect_t<op>(dst, dst_pitch, Range{xe, ys, r.x1, yi1}, src, src_pitch, sw, sh);
    const NrUpsampleRowsFn body = pick_upsample_rows<op>(nr_cpu_flags());
    const int32_t n = xe - xs;
    for (int32_t y = ys; y < ye; y += 2) {
        uint8_t* d0 = dst + static_cast<intptr_t>(y) * dst_pitch + xs;
        uint8_t* d1 = y + 1 < r.y1 ? d0 + dst_pitch : nullptr;
        const uint8_t* s0 = src + static_cast<intptr_t>(y >> 1) * src_pitch + (xs >> 1);
        const uint8_t* s1 = s0 + src_pitch;
        const int32_t done = body ? body(d0, d1, s0, s1, n) : 0;
        upsample_rows_c<op>(d0 + done, d1 ? d1 + done : nullptr, s0 + done / 2, s1 + done / 2,
                            n - done);
    }
    if (ye < r.y1)
        upsample_rect_t<op>(dst, dst_pitch, Range{r.x0, ye, r.x1, r.y1}, src, src_pitch, sw, sh);
}

bool fast_allowed() {
    return (nr_cpu_flags() & NR_CPU_FAST) != 0;
}

} // namespace

// ---- portable forms ----------------------------------------------------------------------

void nr_downsample_rect(uint8_t* dst, int32_t dst_pitch, int32_t x0, int32_t y0, int32_t x1,
                        int32_t y1, const uint8_t* src, int32_t src_pitch, int32_t sw, int32_t sh) {
    const Range r = clip_down(x0, y0, x1, y1, sw, sh);
    if (!r.empty())
        downsample_rect(dst, dst_pitch, r, src, src_pitch, sw, sh);
}

void nr_upsample_rect(uint8_t* dst, int32_t dst_pitch, int32_t x0, int32_t y0, int32_t x1,
                      int32_t y1, const uint8_t* src, int32_t src_pitch, int32_t sw, int32_t sh) {
    upsample_rect_t<UpOp::Plain>(dst, dst_pitch, clip_up(x0, y0, x1, y1, sw, sh), src, src_pitch,
                                 sw, sh);
}

void nr_upsample_subtract_rect(int8_t* band, int32_t band_pitch, int32_t x0, int32_t y0, int32_t x1,
                               int32_t y1, const uint8_t* coarse, int32_t coarse_pitch, int32_t sw,
                               int32_t sh) {
    upsample_rect_t<UpOp::Subtract>(reinterpret_cast<uint8_t*>(band), band_pitch,
                                    clip_up(x0, y0, x1, y1, sw, sh), coarse, coarse_pitch, sw, sh);
}

void nr_upsample_add_rect(uint8_t* fine, int32_t fine_pitch, int32_t x0, int32_t y0, int32_t x1,
                          int32_t y1, const uint8_t* coarse, int32_t coarse_pitch, int32_t sw,
                          int32_t sh) {
    upsample_rect_t<UpOp::Add>(fine, fine_pitch, clip_up(x0, y0, x1, y1, sw, sh), coarse,
                               coarse_pitch, sw, sh);
}

// ---- fast forms --------------------------------------------------------------------------

void nr_downsample_fast(uint8_t* dst, int32_t dst_pitch, int32_t x0, int32_t y0, int32_t x1,
                        int32_t y1, const uint8_t* src, int32_t src_pitch, int32_t sw, int32_t sh) {
    const Range r = clip_down(x0, y0, x1, y1, sw, sh);
    if (r.empty())
        return;
    // Interior: every output with all eight neighbours of its centre in the source.
    const int32_t ys = r.y0 == 0 ? 1 : r.y0;
    const int32_t ye = 2 * r.y1 > sh ? r.y1 - 1 : r.y1;
    const int32_t xs = r.x0 == 0 ? 4 : round_up4(r.x0);
    const int32_t xe = round_down4(2 * r.x1 > sw ? r.x1 - 1 : r.x1);
    if (!aligned4(dst) || !aligned4(src) || xs >= xe || ys >= ye) {
        downsample_rect(dst, dst_pitch, r, src, src_pitch, sw, sh);
        return;
    }
    if (r.y0 < ys)
        downsample_rect(dst, dst_pitch, Range{r.x0, r.y0, r.x1, ys}, src, src_pitch, sw, sh);
    if (r.x0 < xs)
        downsample_rect(dst, dst_pitch, Range{r.x0, ys, xs, ye}, src, src_pitch, sw, sh);
    if (xe < r.x1)
        downsample_rect(dst, dst_pitch, Range{xe, ys, r.x1, ye}, src, src_pitch, sw, sh);
    const NrDownsampleRowFn body = pick_downsample_row(nr_cpu_flags());
    const int32_t n = xe - xs;
    for (int32_t Y = ys; Y < ye; ++Y) {
        uint8_t* d = dst + static_cast<intptr_t>(Y) * dst_pitch + xs;
        const uint8_t* r1 = src + static_cast<intptr_t>(2 * Y) * src_pitch + 2 * xs;
        const uint8_t* r0 = r1 - src_pitch;
        const uint8_t* r2 = r1 + src_pitch;
        const int32_t done = body ? body(d, r0, r1, r2, n) : 0;
        downsample_row_c(d + done, r0 + 2 * done, r1 + 2 * done, r2 + 2 * done, n - done);
    }
    if (ye < r.y1)
        downsample_rect(dst, dst_pitch, Range{r.x0, ye, r.x1, r.y1}, src, src_pitch, sw, sh);
}

void nr_upsample_fast(uint8_t* dst, int32_t dst_pitch, int32_t x0, int32_t y0, int32_t x1,
                      int32_t y1, const uint8_t* src, int32_t src_pitch, int32_t sw, int32_t sh) {
    upsample_fast_t<UpOp::Plain>(dst, dst_pitch, clip_up(x0, y0, x1, y1, sw, sh), src, src_pitch,
                                 sw, sh);
}

void nr_upsample_subtract_fast(int8_t* band, int32_t band_pitch, int32_t x0, int32_t y0, int32_t x1,
                               int32_t y1, const uint8_t* coarse, int32_t coarse_pitch, int32_t sw,
                               int32_t sh) {
    upsample_fast_t<UpOp::Subtract>(reinterpret_cast<uint8_t*>(band), band_pitch,
                                    clip_up(x0, y0, x1, y1, sw, sh), coarse, coarse_pitch, sw, sh);
}

void nr_upsample_add_fast(uint8_t* fine, int32_t fine_pitch, int32_t x0, int32_t y0, int32_t x1,
                          int32_t y1, const uint8_t* coarse, int32_t coarse_pitch, int32_t sw,
                          int32_t sh) {
    upsample_fast_t<UpOp::Add>(fine, fine_pitch, clip_up(x0, y0, x1, y1, sw, sh), coarse,
                               coarse_pitch, sw, sh);
}

// ---- wrappers ----------------------------------------------------------------------------

int nr_downsample(uint8_t* dst, int32_t dst_pitch, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                  const uint8_t* src, int32_t src_pitch, int32_t sw, int32_t sh, uint32_t format) {
    if (format != NR_SAMPLE_U8)
        return 0;
    if (fast_allowed())
        nr_downsample_fast(dst, dst_pitch, x0, y0, x1, y1, src, src_pitch, sw, sh);
    else
        nr_downsample_rect(dst, dst_pitch, x0, y0, x1, y1, src, src_pitch, sw, sh);
    return 0;
}

int nr_upsample(uint8_t* dst, int32_t dst_pitch, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                const uint8_t* src, int32_t src_pitch, int32_t sw, int32_t sh, uint32_t format) {
    if (format != NR_SAMPLE_U8)
        return 0;
    if (fast_allowed())
        nr_upsample_fast(dst, dst_pitch, x0, y0, x1, y1, src, src_pitch, sw, sh);
    else
        nr_upsample_rect(dst, dst_pitch, x0, y0, x1, y1, src, src_pitch, sw, sh);
    return 0;
}

int nr_upsample_subtract(int8_t* band, int32_t band_pitch, int32_t x0, int32_t y0, int32_t x1,
                         int32_t y1, const uint8_t* coarse, int32_t coarse_pitch, int32_t sw,
                         int32_t sh, uint32_t format) {
    if (format != NR_SAMPLE_U8)
        return 0;
    if (fast_allowed())
        nr_upsample_subtract_fast(band, band_pitch, x0, y0, x1, y1, coarse, coarse_pitch, sw, sh);
    else
        nr_upsample_subtract_rect(band, band_pitch, x0, y0, x1, y1, coarse, coarse_pitch, sw, sh);
    return 0;
}

int nr_upsample_add(uint8_t* fine, int32_t fine_pitch, int32_t x0, int32_t y0, int32_t x1,
                    int32_t y1, const uint8_t* coarse, int32_t coarse_pitch, int32_t sw, int32_t sh,
                    uint32_t format) {
    if (format != NR_SAMPLE_U8)
        return 0;
    if (fast_allowed())
        nr_upsample_add_fast(fine, fine_pitch, x0, y0, x1, y1, coarse, coarse_pitch, sw, sh);
    else
        nr_upsample_add_rect(fine, fine_pitch, x0, y0, x1, y1, coarse, coarse_pitch, sw, sh);
    return 0;
}

// ---- band kernels ------------------------------------------------------------------------

void nr_band_subtract_u8(const uint8_t* a, int32_t a_pitch, const uint8_t* b, int32_t b_pitch,
                         int8_t* out, int32_t out_pitch, int32_t width, int32_t height) {
    const uint32_t flags = nr_cpu_flags();
    const NrBandSubtractRowFn body = !(flags & NR_CPU_FAST)  ? nullptr
                                     : (flags & NR_CPU_AVX2) ? nr_band_subtract_row_avx2
                                     : (flags & NR_CPU_SSE2) ? nr_band_subtract_row_sse2
                                                             : nullptr;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* ra = a + static_cast<intptr_t>(y) * a_pitch;
        const uint8_t* rb = b + static_cast<intptr_t>(y) * b_pitch;
        int8_t* ro = out + static_cast<intptr_t>(y) * out_pitch;
        const int32_t done = body && width > 0 ? body(ra, rb, ro, width) : 0;
        for (int32_t x = done; x < width; ++x)
            ro[x] = static_cast<int8_t>(clamp_s8(ra[x] - rb[x]));
    }
}

void nr_band_add_u8(const uint8_t* a, int32_t a_pitch, const int8_t* s, int32_t s_pitch,
                    uint8_t* out, int32_t out_pitch, int32_t width, int32_t height) {
    const uint32_t flags = nr_cpu_flags();
    const NrBandAddRowFn body = !(flags & NR_CPU_FAST)  ? nullptr
                                : (flags & NR_CPU_AVX2) ? nr_band_add_row_avx2
                                : (flags & NR_CPU_SSE2) ? nr_band_add_row_sse2
                                                        : nullptr;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* ra = a + static_cast<intptr_t>(y) * a_pitch;
        const int8_t* rs = s + static_cast<intptr_t>(y) * s_pitch;
        uint8_t* ro = out + static_cast<intptr_t>(y) * out_pitch;
        const int32_t done = body && width > 0 ? body(ra, rs, ro, width) : 0;
        for (int32_t x = done; x < width; ++x)
            ro[x] = static_cast<uint8_t>(clamp_u8(ra[x] + rs[x]));
    }
}

void nr_band_scale_s8(const int8_t* s, int32_t s_pitch, int8_t* out, int32_t out_pitch,
                      int32_t width, int32_t height, int32_t gain) {
    const uint32_t flags = nr_cpu_flags();
    const NrBandScaleRowFn body = !(flags & NR_CPU_FAST)  ? nullptr
                                  : (flags & NR_CPU_AVX2) ? nr_band_scale_row_avx2
                                  : (flags & NR_CPU_SSE2) ? nr_band_scale_row_sse2
                                                          : nullptr;
    for (int32_t y = 0; y < height; ++y) {
        const int8_t* rs = s + static_cast<intptr_t>(y) * s_pitch;
        int8_t* ro = out + static_cast<intptr_t>(y) * out_pitch;
        const int32_t done = body && width > 0 ? body(rs, ro, width, gain) : 0;
        for (int32_t x = done; x < width; ++x) {
            // 64-bit product: any 32-bit gain times a band sample stays exact.
            const int64_t scaled = (static_cast<int64_t>(gain) * rs[x] + 128) >> 8;
            ro[x] = static_cast<int8_t>(scaled < -128 ? -128 : (scaled > 127 ? 127 : scaled));
        }
    }
}

uint32_t nr_band_abs_sum(const int8_t* s, int32_t s_pitch, int32_t width, int32_t height) {
    const uint32_t flags = nr_cpu_flags();
    const NrBandAbsSumRowFn body = !(flags & NR_CPU_FAST)  ? nullptr
                                   : (flags & NR_CPU_AVX2) ? nr_band_abs_sum_row_avx2
                                   : (flags & NR_CPU_SSE2) ? nr_band_abs_sum_row_sse2
                                                           : nullptr;
    uint32_t sum = 0;
    for (int32_t y = 0; y < height; ++y) {
        const int8_t* rs = s + static_cast<intptr_t>(y) * s_pitch;
        const int32_t done = body && width > 0 ? body(rs, width, &sum) : 0;
        for (int32_t x = done; x < width; ++x)
            sum += static_cast<uint32_t>(rs[x] < 0 ? -rs[x] : rs[x]);
    }
    return sum;
}

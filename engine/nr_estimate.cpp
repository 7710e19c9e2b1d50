/*
 * nr_estimate.cpp - noise profile estimation: histograms, tiles under the estimation budget,
 * integral-image window statistics, row peaks and the two fits.
 */
#include "nr_estimate.h"

#include <math.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "nr_cpu.h"
#include "nr_engine.h"
#include "nr_image.h"
#include "nr_pyramid.h"
#include "nr_runtime.h"
#include "nr_transfer.h"

namespace {

/* Variance bins are counted only below 2^6; rows are 2^8 intensities. */
const int32_t kMaxRows = 256;
/* Minimum summed peak counts of a scale fit and of a free fit. */
const int64_t kScaleFitMinimum = 260;
const int64_t kFreeFitMinimum = 261;
const double kScaleCap = 5.0;
const double kDeterminantFloor = 1e-8;
const double kDegeneracyFloor = 1e-6;

inline int32_t imax(int32_t a, int32_t b) {
    return a > b ? a : b;
}

inline int32_t imin(int32_t a, int32_t b) {
    return a < b ? a : b;
}

inline int64_t round_up4_64(int64_t x) {
    return (x + 3) & ~(int64_t)3;
}

inline int32_t level_bins(const NrHistLevel* level) {
    return 1 << (level->intensity_log2 + level->variance_log2);
}

/* Counts stop at 65,535 rather than wrap: a full bin stays the largest of its row. */
const uint32_t kCountMax = 0xFFFFu;

inline void count_one(uint16_t* count) {
    *count = (uint16_t)(*count + (*count != kCountMax));
}

inline uint16_t saturated(uint32_t sum) {
    return (uint16_t)(sum < kCountMax ? sum : kCountMax);
}

/* Chroma geometry of an internal code, as the pyramid lays chroma out. */
enum ChromaLayout { kChromaFull, kChromaHalfX, kChromaHalfXY };

ChromaLayout chroma_layout(uint32_t code) {
    if ((code & 0xEF000000u) == 0x20000000u || (code >= 0x40000000u && code <= 0x5FFFFFFFu))
        return kChromaHalfXY;
    if (code >= 0x20000000u && code <= 0x3FFFFFFFu)
        return kChromaHalfX;
    return kChromaFull;
}

/* After a fit: every 0 before the first non-zero value becomes 1. */
void raise_leading_zeros(uint8_t* table, int32_t n) {
    int32_t first = 0;
    while (first < n && table[first] == 0)
        ++first;
    if (first == n)
        return;
    for (int32_t i = 0; i < first; ++i)
        table[i] = 1;
}

inline int32_t table_length(const NrProfileEntry* entry) {
    const int32_t k = entry->log2_size < 0 ? 0 : imin(entry->log2_size, NR_PROFILE_MAX_LOG2);
    return 1 << k;
}

} // namespace

/* ---- histograms
 * ---------------------------------------------------------------------------------- */

void nr_hist_set_init(NrNoiseHistogram* hist) {
    if (hist) {
        hist->groups = nullptr;
        hist->group_count = 0;
    }
}

int nr_hist_alloc(NrNoiseHistogram* hist, void* user, uint32_t group_count, int32_t luma_levels,
                  int32_t chroma_levels, int32_t intensity_log2, int32_t variance_log2) {
    if (!hist || group_count > 16 || intensity_log2 < 0 || variance_log2 < 0 ||
        intensity_log2 + variance_log2 > 20)
        return NR_ERR_INVALID_ARG;
    nr_hist_set_init(hist);
    if (group_count == 0)
        return NR_OK;
    hist->groups = (NrHistGroup*)nr_malloc(user, sizeof(NrHistGroup) * group_count);
    if (!hist->groups)
        return NR_ERR_NO_MEMORY;
    memset(hist->groups, 0, sizeof(NrHistGroup) * group_count);
    hist->group_count = group_count;
    const size_t bins = (size_t)1 << (intensity_log2 + variance_log2);
    for (uint32_t g = 0; g < group_count; ++g) {
        const int32_t n = g == 0 ? luma_levels : chroma_levels;
        if (n <= 0)
            continue;
        NrHistGroup* group = &hist->groups[g];
        group->levels = (NrHistLevel*)nr_malloc(user, sizeof(NrHistLevel) * (size_t)n);
        if (!group->levels)
            return NR_ERR_NO_MEMORY;
        memset(group->levels, 0, sizeof(NrHistLevel) * (size_t)n);
        group->level_count = n;
        uint16_t* block = (uint16_t*)nr_malloc(user, sizeof(uint16_t) * bins * (size_t)n);
        if (!block)
            return NR_ERR_NO_MEMORY;
        memset(block, 0, sizeof(uint16_t) * bins * (size_t)n);
        for (int32_t k = 0; k < n; ++k) {
            group->levels[k].counts = block + bins * (size_t)k;
            group->levels[k].intensity_log2 = intensity_log2;
            group->levels[k].variance_log2 = variance_log2;
        }
    }
    return NR_OK;
}

void nr_hist_free(void* user, NrNoiseHistogram* hist) {
    if (!hist || !hist->groups) {
        nr_hist_set_init(hist);
        return;
    }
    for (uint32_t g = 0; g < hist->group_count; ++g) {
        NrHistGroup* group = &hist->groups[g];
        if (group->levels) {
            nr_free(user, group->levels[0].counts); /* the shared block of every level */
            nr_free(user, group->levels);
        }
        group->levels = nullptr;
        group->level_count = 0;
    }
    nr_free(user, hist->groups);
    nr_hist_set_init(hist);
}

void nr_hist_add(NrHistLevel* level, const NrHistLevel* other) {
    if (!level || !other || !level->counts || !other->counts ||
        level->intensity_log2 != other->intensity_log2 ||
        level->variance_log2 != other->variance_log2)
        return;
    const int32_t n = level_bins(level);
    int32_t i = 0;
#if defined(__SSE2__)
    /* Saturating 16-bit adds are exactly min(65,535, a + b). */
    for (; i + 8 <= n; i += 8) {
        const __m128i a = _mm_loadu_si128((const __m128i*)(level->counts + i));
        const __m128i b = _mm_loadu_si128((const __m128i*)(other->counts + i));
        _mm_storeu_si128((__m128i*)(level->counts + i), _mm_adds_epu16(a, b));
    }
#endif
    for (; i < n; ++i)
        level->counts[i] = saturated((uint32_t)level->counts[i] + other->counts[i]);
}

void nr_hist_merge(NrNoiseHistogram* into, const NrNoiseHistogram* other) {
    if (!into || !other || !into->groups || !other->groups)
        return;
    const uint32_t groups =
        into->group_count < other->group_count ? into->group_count : other->group_count;
    for (uint32_t g = 0; g < groups; ++g) {
        const int32_t n = imin(into->groups[g].level_count, other->groups[g].level_count);
        for (int32_t k = 0; k < n; ++k)
            nr_hist_add(&into->groups[g].levels[k], &other->groups[g].levels[k]);
    }
}

/* ---- memory and tile size
 * -------------------------------------------------------------------------- */

int64_t nr_estimate_memory(NrSize tile, uint32_t code, int32_t L, int32_t C, int32_t overlap,
                           int32_t workers) {
    const int64_t w = tile.width, h = tile.height;
    const int32_t s = imax(L, C);
    const int32_t o = imin(overlap, 4 << s);
    auto size = [&](int32_t i) -> int64_t {
        int64_t m = 2 * (int64_t)(o >> i);
        if (m < 8)
            m = 8;
        return round_up4_64(m + (w >> i)) * (m + (h >> i));
    };
    int64_t total = (int64_t)(L + 2 * C) * 32768;
    for (int32_t i = 0; i <= L; ++i)
        total += size(i);
    for (int32_t i = 0; i <= C; ++i) {
        if (code <= 0x1FFFFFFFu) {
            total += 2 * size(i);
        } else {
            const uint32_t family = code & 0xFF000000u;
            if (code >= 0x40000000u || family == 0x20000000u || family == 0x30000000u)
                total += size(i) / 2;
            else
                total += size(i);
        }
    }
    total += (int64_t)workers * 6 * round_up4_64(w + 16) * (h + 16);
    return total;
}

NrSize nr_hist_tile_size(int32_t rect_w, int32_t rect_h, uint32_t code, int32_t L, int32_t C) {
    NrSize size = {0, 0};
    if (rect_w <= 0 || rect_h <= 0)
        return size;
    const int32_t s = imax(L, C);
    const int32_t g = 1 << s;
    int64_t w = ((int64_t)rect_w + g - 1) / g * g;
    int64_t h = ((int64_t)rect_h + g - 1) / g * g;
    while (w > g || h > g) {
        const NrSize t = {(int32_t)w, (int32_t)h};
        if (nr_estimate_memory(t, code, L, C, 4 << s, nr_worker_count()) <= NR_ESTIMATE_BUDGET)
            break;
        if (w > h)
            w -= g;
        else
            h -= g;
    }
    size.width = (int32_t)w;
    size.height = (int32_t)h;
    return size;
}

void nr_hist_level_counts(const NrNoiseHistogram* hist, const NrImage* image, int32_t* L,
                          int32_t* C) {
    int32_t l = 0, c = -1;
    if (hist && hist->groups && hist->group_count > 0)
        l = hist->groups[0].level_count;
    const int32_t channels = image ? nr_format_channels(image->format) : 1;
    if (hist && hist->groups && hist->group_count >= 2 && channels > 1)
        c = hist->groups[1].level_count;
    if (L)
        *L = l;
    if (C)
        *C = c;
}

/* ---- accumulation
 * ------------------------------------------------------------------------------------ */

void nr_integral_images(const uint8_t* samples, int32_t stride, uint32_t format, uint16_t* sums,
                        uint32_t* squares, int32_t pitch, int32_t width, int32_t height) {
    if ((format != NR_FMT_U8 && format != NR_FMT_S8) || width < 0 || height < 0)
        return;
    const bool is_signed = format == NR_FMT_S8;
    for (int32_t c = 0; c <= width; ++c) {
        sums[c] = 0;
        squares[c] = 0;
    }
    for (int32_t r = 1; r <= height; ++r) {
        const uint8_t* row = samples + (ptrdiff_t)(r - 1) * stride;
        uint16_t* s = sums + (ptrdiff_t)r * pitch;
        uint32_t* q = squares + (ptrdiff_t)r * pitch;
        const uint16_t* s_above = s - pitch;
        const uint32_t* q_above = q - pitch;
        s[0] = 0;
        q[0] = 0;
        uint32_t run = 0, run_sq = 0;
        for (int32_t c = 1; c <= width; ++c) {
            const int32_t v = is_signed ? (int32_t)(int8_t)row[c - 1] : (int32_t)row[c - 1];
            run += (uint32_t)v;
            run_sq += (uint32_t)(v * v);
            s[c] = (uint16_t)(s_above[c] + run);
            q[c] = q_above[c] + run_sq;
        }
    }
}

void nr_window_init(const uint8_t* rows, int32_t stride, int32_t is_signed, int32_t width,
                    int32_t* col_sums, int32_t* col_squares) {
    for (int32_t c = 0; c < width; ++c) {
        int32_t s = 0, q = 0;
        for (int32_t r = 0; r < 8; ++r) {
            const uint8_t b = rows[(ptrdiff_t)r * stride + c];
            const int32_t v = is_signed ? (int32_t)(int8_t)b : (int32_t)b;
            s += v;
            q += v * v;
        }
        col_sums[c] = s;
        col_squares[c] = q;
    }
}

void nr_window_row(const int32_t* col_sums, const int32_t* col_squares, int32_t count,
                   int32_t shift, uint8_t* v) {
    for (int32_t x = 0; x < count; ++x) {
        int32_t s1 = 0, s2 = 0;
        for (int32_t k = 0; k < 8; ++k) {
            s1 += col_sums[x + k];
            s2 += col_squares[x + k];
        }
        const int64_t m = (64 * (int64_t)s2 - (int64_t)s1 * s1) >> shift;
        v[x] = (uint64_t)m < 64u ? (uint8_t)m : 255u;
    }
}

void nr_window_advance(const uint8_t* out, const uint8_t* in, int32_t is_signed, int32_t width,
                       int32_t* col_sums, int32_t* col_squares) {
    for (int32_t c = 0; c < width; ++c) {
        const int32_t a = is_signed ? (int32_t)(int8_t)in[c] : (int32_t)in[c];
        const int32_t b = is_signed ? (int32_t)(int8_t)out[c] : (int32_t)out[c];
        col_sums[c] += a - b;
        col_squares[c] += a * a - b * b;
    }
}

namespace {

/*
 * The fast form of a level's counting: window statistics from running column sums (exact, so the
 * same v as the integral images give), vectorised, then the counts sample by sample. `scratch`
 * has room for 2 x (rw + 8) column sums and rw bytes of v, and with `spread` three more copies
 * of the counts after them.
 */
void count_level_by_columns(NrHistLevel* hist, const uint8_t* grown, int32_t stride,
                            int32_t is_signed, int32_t rw, int32_t rh, int32_t shift,
                            const uint8_t* coarse_plane, ptrdiff_t coarse_row_bytes,
                            const int32_t* cy_of_row, const int32_t* coarse_cols, uint8_t* scratch,
                            bool spread) {
    const int32_t width = rw + 8;
    int32_t* col_sums = (int32_t*)scratch;
    int32_t* col_squares = col_sums + width;
    uint8_t* v = (uint8_t*)(col_squares + width);
    uint16_t* copies[4] = {hist->counts, nullptr, nullptr, nullptr};
    if (spread) {
        uint16_t* extra =
            (uint16_t*)(scratch + ((8 * (size_t)width + (size_t)rw + 15) & ~(size_t)15));
        memset(extra, 0, 3 * NR_HIST_LEVEL_COUNTS * sizeof(uint16_t));
        for (int k = 1; k < 4; ++k)
            copies[k] = extra + (k - 1) * NR_HIST_LEVEL_COUNTS;
    }
    /* Column x goes to copy x & 3: no copy gets more than ceil(rw / 4) x rh samples. */
    const bool plain = spread && (int64_t)((rw + 3) / 4) * rh <= (int64_t)kCountMax;
    nr_window_init(grown, stride, is_signed, width, col_sums, col_squares);
    uint16_t* counts = hist->counts;
    const int32_t vlog2 = hist->variance_log2;
    for (int32_t y = 0; y < rh; ++y) {
        if (y > 0)
            nr_window_advance_avx2(grown + (ptrdiff_t)(y - 1) * stride,
                                   grown + (ptrdiff_t)(y + 7) * stride, is_signed, width, col_sums,
                                   col_squares);
        nr_window_row_avx2(col_sums, col_squares, rw, shift, v);
        const uint8_t* crow = coarse_plane + cy_of_row[y] * coarse_row_bytes;
        if (!spread) {
            for (int32_t x = 0; x < rw; ++x) {
                if (v[x] == 255)
                    continue;
                uint16_t* count = &counts[((int32_t)crow[coarse_cols[x]] << vlog2) + v[x]];
                count_one(count);
            }
            continue;
        }
        /* Neighbouring samples often land in one bin: four copies of the counts, one per column
         * modulo 4, keep the increments independent. Copies 1 to 3 start at 0; when none of them
         * can reach 65,535 they count without the saturation test (their sum saturates below). */
        const int32_t x4 = rw & ~3;
        if (plain) {
            uint16_t* c0 = copies[0];
            uint16_t* c1 = copies[1];
            uint16_t* c2 = copies[2];
            uint16_t* c3 = copies[3];
            for (int32_t x = 0; x < x4; x += 4) {
                if (v[x] != 255)
                    count_one(&c0[((int32_t)crow[coarse_cols[x]] << vlog2) + v[x]]);
                if (v[x + 1] != 255)
                    ++c1[((int32_t)crow[coarse_cols[x + 1]] << vlog2) + v[x + 1]];
                if (v[x + 2] != 255)
                    ++c2[((int32_t)crow[coarse_cols[x + 2]] << vlog2) + v[x + 2]];
                if (v[x + 3] != 255)
                    ++c3[((int32_t)crow[coarse_cols[x + 3]] << vlog2) + v[x + 3]];
            }
            for (int32_t x = x4; x < rw; ++x) {
                if (v[x] == 255)
                    continue;
                uint16_t* count = &copies[x & 3][((int32_t)crow[coarse_cols[x]] << vlog2) + v[x]];
                if (x & 3)
                    ++*count;
                else
                    count_one(count);
            }
            continue;
        }
        for (int32_t x = 0; x < rw; ++x) {
            if (v[x] == 255)
                continue;
            uint16_t* count = &copies[x & 3][((int32_t)crow[coarse_cols[x]] << vlog2) + v[x]];
            count_one(count);
        }
    }
    if (spread) /* saturating sums of counts agree in any order: the same counts as one copy */
        for (int32_t i = 0; i < NR_HIST_LEVEL_COUNTS; ++i)
            counts[i] = saturated((uint32_t)counts[i] + copies[1][i] + copies[2][i] + copies[3][i]);
}

} // namespace

int nr_hist_accumulate_level(void* user, NrHistLevel* hist, const NrLevel* band,
                             const NrLevel* coarse, int32_t j, int32_t x_shift, int32_t y_shift) {
    return nr_hist_count_level(user, hist, band, coarse, j, x_shift, y_shift, 0);
}

int nr_hist_count_level(void* user, NrHistLevel* hist, const NrLevel* band, const NrLevel* coarse,
                        int32_t j, int32_t x_shift, int32_t y_shift, int32_t compact) {
    if (!hist || !hist->counts || !band || !band->plane || !coarse || !coarse->plane ||
        x_shift < 0 || y_shift < 0 || x_shift > 16 || y_shift > 16)
        return NR_ERR_INVALID_ARG;
    if (band->format != NR_FMT_U8 && band->format != NR_FMT_S8)
        return NR_OK; /* no statistics for other sample formats */
    const int32_t ml = imax(band->margin_left, 4), mt = imax(band->margin_top, 4);
    const int32_t mr = imax(band->margin_right, 4), mb = imax(band->margin_bottom, 4);
    const int32_t rw = band->width - ml - mr;
    const int32_t rh = band->height - mt - mb;
    if (rw <= 0 || rh <= 0)
        return NR_OK;

    const int32_t pitch = nr_round_up4(rw + 9);
    const size_t entries = (size_t)pitch * (size_t)(rh + 9);
    const bool is_signed = band->format == NR_FMT_S8;
    int32_t shift = (is_signed ? 12 : 15) - j;
    shift = shift < 0 ? 0 : shift;
    const uint32_t bins = 1u << hist->variance_log2;
    const int32_t rows = 1 << hist->intensity_log2;
    const int32_t cbytes = (int32_t)((coarse->format >> 4) & 0xFu) == 2 ? 2 : 1;
    const int32_t cshift = 8 * cbytes - 8;
    const int32_t cbase_x = coarse->margin_left - (band->margin_left >> x_shift);
    const int32_t cbase_y = coarse->margin_top - (band->margin_top >> y_shift);
    const uint8_t* grown = band->plane + (ptrdiff_t)(mt - 4) * band->stride + (ml - 4);

    const uint32_t flags = nr_cpu_flags();
    const bool by_columns =
        (flags & NR_CPU_FAST) && (flags & NR_CPU_AVX2) && cbytes == 1 && bins == 64 && rows == 256;
    /* The fast form needs only the column sums, a row of v and (on large levels) three copies of
     * the counts, which it keeps at the start of the integral images' room; `compact` allocates
     * just that. The coarse column of every region column comes last. */
    const size_t columns_bytes = (8 * (size_t)(rw + 8) + (size_t)rw + 15) & ~(size_t)15;
    const size_t copies_bytes = 3 * NR_HIST_LEVEL_COUNTS * sizeof(uint16_t);
    const bool spread = by_columns && (int64_t)rw * rh >= 4 * NR_HIST_LEVEL_COUNTS &&
                        columns_bytes + copies_bytes + sizeof(int32_t) * rh <= entries * 6;
    const size_t work_bytes = by_columns && compact ? columns_bytes + (spread ? copies_bytes : 0) +
                                                          sizeof(int32_t) * (size_t)rh
                                                    : entries * 6;
    uint8_t* block = (uint8_t*)nr_malloc(user, work_bytes + sizeof(int32_t) * (size_t)rw);
    if (!block)
        return NR_ERR_NO_MEMORY;
    int32_t* coarse_cols = (int32_t*)(block + work_bytes);
    /* The coarse sample of band column ml + x, clamped to the coarse buffer. */
    for (int32_t x = 0; x < rw; ++x) {
        int32_t cx = ((ml + x) >> x_shift) + cbase_x;
        cx = cx < 0 ? 0 : (cx >= coarse->width ? coarse->width - 1 : cx);
        coarse_cols[x] = cx * cbytes;
    }
    uint16_t* counts = hist->counts;
    const int32_t vlog2 = hist->variance_log2;

    if (by_columns) {
        int32_t* cy_of_row = (int32_t*)(block + work_bytes - sizeof(int32_t) * (size_t)rh);
        for (int32_t y = 0; y < rh; ++y) {
            const int32_t cy = ((mt + y) >> y_shift) + cbase_y;
            cy_of_row[y] = cy < 0 ? 0 : (cy >= coarse->height ? coarse->height - 1 : cy);
        }
        count_level_by_columns(hist, grown, band->stride, is_signed, rw, rh, shift, coarse->plane,
                               (ptrdiff_t)coarse->stride, cy_of_row, coarse_cols, block, spread);
        nr_free(user, block);
        return NR_OK;
    }

    uint16_t* sums = (uint16_t*)block;
    uint32_t* squares = (uint32_t*)(block + entries * 2);
    nr_integral_images(grown, band->stride, band->format, sums, squares, pitch, rw + 8, rh + 8);
    for (int32_t y = 0; y < rh; ++y) {
        const uint16_t* s_top = sums + (ptrdiff_t)y * pitch;
        const uint16_t* s_bot = s_top + 8 * pitch;
        const uint32_t* q_top = squares + (ptrdiff_t)y * pitch;
        const uint32_t* q_bot = q_top + 8 * pitch;
        int32_t cy = ((mt + y) >> y_shift) + cbase_y;
        cy = cy < 0 ? 0 : (cy >= coarse->height ? coarse->height - 1 : cy);
        const uint8_t* crow = coarse->plane + (ptrdiff_t)cy * coarse->stride * cbytes;
        for (int32_t x = 0; x < rw; ++x) {
            /* The window sum is exact as a signed 16-bit value, the sum of squares in 32 bits. */
            const int32_t s1 =
                (int16_t)(uint16_t)(s_bot[x + 8] - s_top[x + 8] - s_bot[x] + s_top[x]);
            const uint32_t s2 = q_bot[x + 8] - q_top[x + 8] - q_bot[x] + q_top[x];
            const int64_t v = (64 * (int64_t)s2 - (int64_t)s1 * s1) >> shift;
            if ((uint64_t)v >= bins) /* negative or 64 and above: not counted */
                continue;
            int32_t intensity;
            if (cbytes == 2) {
                uint16_t c16;
                memcpy(&c16, crow + coarse_cols[x], 2);
                intensity = c16 >> cshift;
            } else {
                intensity = crow[coarse_cols[x]];
            }
            if (intensity >= rows)
                intensity = rows - 1;
            uint16_t* count = &counts[(intensity << vlog2) + (int32_t)v];
            count_one(count);
        }
    }
    nr_free(user, block);
    return NR_OK;
}

int nr_hist_accumulate_tile(void* user, NrNoiseHistogram* hist, const NrRect* tile,
                            const NrImage* image) {
    if (!hist || !tile || !image)
        return NR_ERR_INVALID_ARG;
    int32_t L = 0, C = -1;
    nr_hist_level_counts(hist, image, &L, &C);
    if (L <= 0)
        return NR_OK;
    const int32_t chroma = C > 0 ? C : 0;
    const int32_t o = 4 << imax(L, chroma);
    const int32_t W = image->width, H = image->height;
    const int32_t x0 = tile->left, y0 = tile->top, x1 = tile->right, y1 = tile->bottom;
    const int32_t left = imin(o, x0), top = imin(o, y0);
    const int32_t right = imin(o, W - x1), bottom = imin(o, H - y1);
    if (left < 0 || top < 0 || right < 0 || bottom < 0 || x1 <= x0 || y1 <= y0)
        return NR_ERR_INVALID_ARG;

    const uint32_t code = (image->format & ~0xFFF0u) | NR_FMT_U8;
    NrPyramid pyramid = {0, nullptr};
    const NrSize size = {x1 - x0, y1 - y0};
    const NrRect wanted = {left, top, right, bottom};
    NrRect minimum;
    nr_rect_set_all(&minimum, 4);
    int status = nr_pyramid_create(user, &pyramid, code, W, H, &size, &wanted, &minimum, L + 1,
                                   chroma > 0 ? chroma + 1 : 0, 1);
    if (status == NR_OK && (pyramid.group_count < 1 || !pyramid.groups ||
                            !pyramid.groups[0].levels || pyramid.groups[0].level_count < L + 1))
        status = NR_ERR_FAILED;
    NrHistJob* jobs = nullptr;
    int32_t job_count = 0;
    if (status == NR_OK) {
        nr_pyramid_set_rect(&pyramid, x0, y0, size.width, size.height, W, H);
        nr_tile_transfer(&pyramid, const_cast<NrImage*>(image), 1);
        status = nr_pyramid_build(user, &pyramid);
    }
    if (status == NR_OK) {
        const int32_t groups = pyramid.group_count;
        const int32_t capacity = L + (groups - 1) * chroma;
        jobs =
            (NrHistJob*)nr_malloc(user, sizeof(NrHistJob) * (size_t)(capacity > 0 ? capacity : 1));
        if (!jobs)
            status = NR_ERR_NO_MEMORY;
        const NrLevel* coarse = &pyramid.groups[0].levels[L];
        const ChromaLayout layout = chroma_layout(code);
        for (int32_t g = 0; status == NR_OK && g < groups && (uint32_t)g < hist->group_count; ++g) {
            const NrLevelGroup* pg = &pyramid.groups[g];
            const NrHistGroup* hg = &hist->groups[g];
            for (int32_t j = 0; j + 1 < pg->level_count && j < hg->level_count; ++j) {
                NrHistJob* job = &jobs[job_count++];
                job->user = user;
                job->hist = &hg->levels[j];
                job->band = &pg->bands[j];
                job->coarse = coarse;
                job->level_index = j;
                if (g == 0 || layout == kChromaFull) {
                    job->x_shift = job->y_shift = L - j;
                } else if (layout == kChromaHalfXY) {
                    job->x_shift = job->y_shift = L - 1 - j;
                } else {
                    job->x_shift = L - 1 - j;
                    job->y_shift = L - j;
                }
                job->status = NR_OK;
            }
        }
        for (int32_t i = 0; status == NR_OK && i < job_count; ++i) {
            NrHistJob* job = &jobs[i];
            job->status = nr_hist_accumulate_level(job->user, job->hist, job->band, job->coarse,
                                                   job->level_index, job->x_shift, job->y_shift);
            status = job->status;
        }
    }
    nr_free(user, jobs);
    nr_pyramid_free(user, &pyramid);
    return status;
}

int nr_hist_clip_rect(const NrRect* rect, const NrImage* image, NrRect* out) {
    const NrRect clipped = {imax(rect->left, 0), imax(rect->top, 0),
                            imin(rect->right, image->width), imin(rect->bottom, image->height)};
    *out = clipped;
    return clipped.right > clipped.left && clipped.bottom > clipped.top;
}

int nr_hist_moved_rect(const int32_t origin[2], const int32_t rect[4], const NrImage* image,
                       NrRect* out) {
    /* Moved in 64 bits: rectangle and origin are any 32-bit values. */
    auto clamp = [](int64_t v, int32_t limit) -> int32_t {
        return (int32_t)(v < 0 ? 0 : (v > limit ? limit : v));
    };
    const int32_t W = image->width > 0 ? image->width : 0;
    const int32_t H = image->height > 0 ? image->height : 0;
    const NrRect moved = {
        clamp((int64_t)rect[0] - origin[0], W), clamp((int64_t)rect[1] - origin[1], H),
        clamp((int64_t)rect[2] - origin[0], W), clamp((int64_t)rect[3] - origin[1], H)};
    *out = moved;
    return moved.right > moved.left && moved.bottom > moved.top;
}

int nr_estimate_image_prepare(const NrImage* indexed, NrImage* internal) {
    nr_image_to_internal(internal, indexed);
    if (internal->format == 0)
        return NR_ERR_FORMAT;
    if (!internal->planes[0] && !internal->data)
        return NR_ERR_INVALID_ARG;
    const int status = nr_image_resolve_planes(internal);
    if (status != NR_OK)
        return status;
    const uint32_t code = internal->format;
    if (!nr_format_is_planar(code))
        return internal->data ? NR_OK : NR_ERR_INVALID_ARG;
    const uint32_t family = nr_format_family(code);
    int32_t planes = nr_format_channels(code);
    if (planes > 1 && (family == 0x41 || family == 0x42))
        planes = 2; /* luma and one plane of chroma pairs */
    for (int32_t i = 0; i < planes && i < 4; ++i)
        if (!internal->planes[i])
            return NR_ERR_INVALID_ARG;
    return NR_OK;
}

int nr_hist_accumulate_image(void* user, NrNoiseHistogram* hist, const NrRect* rect,
                             const NrImage* image) {
    if (!hist || !rect || !image)
        return NR_ERR_INVALID_ARG;
    int32_t L = 0, C = -1;
    nr_hist_level_counts(hist, image, &L, &C);
    if (L <= 0)
        return NR_OK;
    NrRect clipped;
    if (!nr_hist_clip_rect(rect, image, &clipped))
        return NR_OK;
    rect = &clipped;
    const NrSize size =
        nr_hist_tile_size(rect->right - rect->left, rect->bottom - rect->top, image->format, L, C);
    if (size.width <= 0 || size.height <= 0)
        return NR_OK;
    const int32_t W = image->width, H = image->height;
    int32_t x = rect->left, y = rect->top;
    for (;;) {
        /* Each tile is clipped to the image; a tile left entirely outside it has nothing. */
        NrRect tile = {imax(x, 0), imax(y, 0), imin(x + size.width, W), imin(y + size.height, H)};
        if (tile.right > tile.left && tile.bottom > tile.top) {
            const int status = nr_hist_accumulate_tile(user, hist, &tile, image);
            if (status != NR_OK)
                return status;
        }
        if (!nr_tile_next(&x, &y, size.width, size.height, rect))
            break;
    }
    return NR_OK;
}

/* ---- fit
 * ------------------------------------------------------------------------------------------------
 */

void nr_hist_row_peak(const uint16_t* row, int32_t n, int32_t* peak, int32_t* count) {
    int32_t index = -1;
    if (n >= 11) {
        int32_t first = 0;
        for (int32_t i = 1; i <= 10; ++i)
            if (row[i] > row[first])
                first = i;
        if (first <= 4 && row[first] != 0)
            index = first;
    }
    if (index < 0 && n >= 12) {
        for (int32_t s = 0; s <= n - 12 && index < 0; ++s) {
            uint16_t top = 0;
            for (int32_t i = s; i < s + 11; ++i)
                top = row[i] > top ? row[i] : top;
            if (row[s + 5] == top && top != 0)
                index = s + 5;
        }
    }
    if (index < 0)
        index = n >= 12 ? n - 6 : (n > 5 ? 5 : 0);
    int32_t c = n > 0 ? row[index] : 0;
    if (c == 0)
        index = 0;
    if (peak)
        *peak = index;
    if (count)
        *count = c;
}

namespace {

void scale_fit(uint8_t* table, int32_t length, const int32_t* p, const int32_t* c, int32_t rows,
               const NrProfileEntry* reference) {
    const int32_t ref_length = table_length(reference);
    auto ref = [&](int32_t i) -> uint32_t { return i < ref_length ? reference->lut[i] : 0u; };
    double a = 0.0, b = 0.0;
    int64_t n = 0;
    for (int32_t i = 0; i < rows; ++i) {
        const uint32_t r = ref(i);
        a += (double)((uint32_t)p[i] * r * (uint32_t)c[i]);
        b += (double)((uint32_t)c[i] * r * r);
        n += c[i];
    }
    if (a < kDegeneracyFloor || b < kDegeneracyFloor || n < kScaleFitMinimum)
        return; /* the table stays all 0 */
    double s = a / b;
    if (s > kScaleCap)
        s = 1.0;
    /* A shorter table's bin i covers the intensities from i x step: it takes their first row. */
    const int32_t step = length < rows ? rows / length : 1;
    for (int32_t i = 0; i < length; ++i) {
        double v = (double)ref(i * step) * s;
        v = v < 0.0 ? 0.0 : (v > 255.0 ? 255.0 : v);
        table[i] = (uint8_t)(int32_t)v;
    }
    raise_leading_zeros(table, length);
}

void free_fit(uint8_t* table, int32_t length, int32_t* p, int32_t* c, int32_t rows,
              int32_t intensity_log2) {
    float w[kMaxRows];
    for (int32_t i = 0; i < rows; ++i)
        w[i] = (float)(i * (255 - i)) / 256.0f;
    const int32_t dark = rows >> 4;
    int64_t t = 0, sp = 0, sq = 0;
    for (int32_t i = dark; i < rows; ++i) {
        t += c[i];
        sp += (int64_t)p[i] * c[i];
        sq += (int64_t)((float)c[i] * w[i]);
    }
    if (t < kFreeFitMinimum)
        return; /* the table stays all 0 */
    const int64_t pbar = sp / t, qbar = sq / t;
    const int64_t synthetic_weight = t / ((int64_t)2 << intensity_log2);
    for (int32_t i = 0; i < rows; ++i) {
        if (c[i] != 0)
            continue;
        p[i] = (int32_t)((int64_t)(int32_t)w[i] * (pbar + 1) / (qbar + 1));
        c[i] = (int32_t)synthetic_weight;
    }

    /* Weighted least squares of table(i) = w(i) (a + b i + c i^2), row weight c_i / 256. */
    double s[5] = {0, 0, 0, 0, 0}, r[3] = {0, 0, 0};
    for (int32_t i = 0; i < rows; ++i) {
        const double wt = (double)c[i] / 256.0;
        const double wi = (double)w[i];
        const double x = (double)i;
        const double base = wt * wi * wi;
        const double rhs = wt * wi * (double)p[i];
        double pw = 1.0;
        for (int k = 0; k < 5; ++k) {
            s[k] += base * pw;
            if (k < 3)
                r[k] += rhs * pw;
            pw *= x;
        }
    }
    auto det3 = [](double m00, double m01, double m02, double m10, double m11, double m12,
                   double m20, double m21, double m22) {
        return m00 * (m11 * m22 - m12 * m21) - m01 * (m10 * m22 - m12 * m20) +
               m02 * (m10 * m21 - m11 * m20);
    };
    const double det = det3(s[0], s[1], s[2], s[1], s[2], s[3], s[2], s[3], s[4]);
    double ca = 0.0, cb = 0.0, cc = 0.0;
    if (!(det < kDeterminantFloor)) {
        ca = det3(r[0], s[1], s[2], r[1], s[2], s[3], r[2], s[3], s[4]) / det;
        cb = det3(s[0], r[0], s[2], s[1], r[1], s[3], s[2], r[2], s[4]) / det;
        cc = det3(s[0], s[1], r[0], s[1], s[2], r[1], s[2], s[3], r[2]) / det;
    }
    const int32_t n = length < rows ? length : rows;
    const int32_t step = length < rows ? rows / length : 1;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t row = i * step; /* bin i of a shorter table starts at intensity i x step */
        const double x = (double)row;
        double v = (double)w[row] * (ca + cb * x + cc * x * x);
        if (!(v >= 0.0))
            v = 0.0; /* negatives (and a non-number) become 0 */
        if (v >= 64.0)
            v = 63.0;
        table[i] = (uint8_t)(int32_t)v;
    }
    raise_leading_zeros(table, n);
}

} // namespace

void nr_lut_fit(NrProfileEntry* entry, const NrHistLevel* hist, const NrProfileEntry* reference) {
    if (!entry || !entry->lut)
        return;
    const int32_t length = table_length(entry);
    memset(entry->lut, 0, (size_t)length);
    if (!hist || !hist->counts)
        return;
    int32_t rows = 1 << hist->intensity_log2;
    rows = rows > kMaxRows ? kMaxRows : rows;
    const int32_t bins = 1 << hist->variance_log2;
    int32_t p[kMaxRows], c[kMaxRows];
    for (int32_t i = 0; i < rows; ++i)
        nr_hist_row_peak(hist->counts + (ptrdiff_t)i * bins, bins, &p[i], &c[i]);
    if (reference && reference->lut)
        scale_fit(entry->lut, length, p, c, rows, reference);
    else
        free_fit(entry->lut, length, p, c, rows, hist->intensity_log2);
}

void nr_profile_entry_fit(NrProfileEntry* entry, const NrHistLevel* hist,
                          const NrProfileEntry* reference) {
    if (!entry || !entry->lut)
        return;
    if (entry->log2_size == 0) {
        int32_t value = 0;
        if (hist && hist->counts) {
            const int32_t bins = 1 << hist->variance_log2;
            for (int32_t i = 1; i < bins; ++i)
                if (hist->counts[i] > hist->counts[value])
                    value = i;
        }
        entry->lut[0] = (uint8_t)(value < 1 ? 1 : value);
        return;
    }
    nr_lut_fit(entry, hist, reference);
}

void nr_profile_fit(NrNoiseProfile* profile, const NrNoiseHistogram* hist, int64_t pixel_count) {
    if (!profile || !profile->groups || !hist)
        return;
    const int32_t r =
        pixel_count < NR_REFERENCE_PIXELS_1 ? 0 : (pixel_count < NR_REFERENCE_PIXELS_2 ? 1 : 2);
    const uint32_t groups =
        profile->group_count < NR_PROFILE_MAX_GROUPS ? profile->group_count : NR_PROFILE_MAX_GROUPS;
    const int32_t L = imin(profile->groups[0].entry_count, NR_PROFILE_MAX_ENTRIES);
    const int32_t C =
        groups >= 2 ? imin(profile->groups[1].entry_count, NR_PROFILE_MAX_ENTRIES) : 0;
    /* Entries fitted freely come first: luma entry r is done before anything that uses it. */
    const NrProfileEntry* reference = r < L ? &profile->groups[0].entries[r] : nullptr;
    const int32_t chroma_free_up_to = imax(0, C + r - L);
    for (uint32_t g = 0; g < groups; ++g) {
        NrProfileGroup* group = &profile->groups[g];
        const int32_t entries = imin(group->entry_count, NR_PROFILE_MAX_ENTRIES);
        for (int32_t k = 0; k < entries; ++k) {
            NrProfileEntry* entry = &group->entries[k];
            const NrHistLevel* level = nullptr;
            if (g < hist->group_count && hist->groups && k < hist->groups[g].level_count)
                level = &hist->groups[g].levels[k];
            const bool scaled = k > 0 && (g == 0 ? k > r : k > chroma_free_up_to);
            nr_profile_entry_fit(entry, level, scaled ? reference : nullptr);
        }
    }
}

/* ---- whole estimation
 * ---------------------------------------------------------------------------------- */

int nr_hist_alloc_for_profile(NrNoiseHistogram* hist, void* user, const NrNoiseProfile* profile) {
    const uint32_t groups = profile->group_count;
    const int32_t L = groups >= 1 ? profile->groups[0].entry_count : 0;
    const int32_t C = groups >= 2 ? profile->groups[1].entry_count : 0;
    return nr_hist_alloc(hist, user, groups, L, C, NR_HIST_INTENSITY_LOG2, NR_HIST_VARIANCE_LOG2);
}

int nr_profile_estimate_run(void* user, NrNoiseProfile* profile, const NrImage* image) {
    if (!profile || !profile->groups || !image)
        return NR_ERR_INVALID_ARG;
    NrNoiseHistogram hist;
    nr_hist_set_init(&hist);
    int status = nr_hist_alloc_for_profile(&hist, user, profile);
    if (status == NR_OK) {
        const NrRect whole = {0, 0, image->width, image->height};
        status = nr_hist_accumulate_image(user, &hist, &whole, image);
    }
    if (status == NR_OK)
        nr_profile_fit(profile, &hist, (int64_t)image->width * image->height);
    nr_hist_free(user, &hist);
    return status;
}

int nr_profile_estimate(void* user, NrNoiseProfile* profile, const NrImage* image,
                        const int32_t levels[3]) {
    if (!profile || !image || !levels)
        return NR_ERR_INVALID_ARG;
    nr_profile_set_shape(profile, nr_format_channels(image->format), levels[0],
                         NR_HIST_INTENSITY_LOG2, levels[1], NR_HIST_INTENSITY_LOG2);
    return nr_profile_estimate_run(user, profile, image);
}

/* ---- streaming estimate
 * ------------------------------------------------------------------------------- */

int nr_estimate_state_create(void* user, NrEstimateState** out, int32_t luma_levels,
                             int32_t chroma_levels) {
    if (!out)
        return NR_ERR_INVALID_ARG;
    *out = nullptr;
    if (luma_levels < 1 || luma_levels > NR_PROFILE_MAX_ENTRIES || chroma_levels < 0 ||
        chroma_levels > NR_PROFILE_MAX_ENTRIES)
        return NR_ERR_INVALID_ARG;
    NrEstimateState* state = (NrEstimateState*)nr_malloc(user, sizeof(NrEstimateState));
    if (!state)
        return NR_ERR_NO_MEMORY;
    nr_hist_set_init(&state->hist);
    const int status = nr_hist_alloc(&state->hist, user, 3, luma_levels, chroma_levels,
                                     NR_HIST_INTENSITY_LOG2, NR_HIST_VARIANCE_LOG2);
    if (status != NR_OK) {
        nr_estimate_state_free(user, state);
        return status;
    }
    *out = state;
    return NR_OK;
}

void nr_estimate_state_free(void* user, NrEstimateState* state) {
    if (!state)
        return;
    nr_hist_free(user, &state->hist);
    nr_free(user, state);
}

int nr_estimate_state_accumulate(void* user, NrEstimateState* state, const NrImage* image,
                                 const int32_t origin[2], const int32_t rect[4]) {
    if (!state || !image || !origin || !rect)
        return NR_ERR_INVALID_ARG;
    NrImage internal;
    const int status = nr_estimate_image_prepare(image, &internal);
    if (status != NR_OK)
        return status;
    NrRect moved;
    if (!nr_hist_moved_rect(origin, rect, &internal, &moved))
        return NR_OK; /* nothing of the rectangle lies on the image */
    return nr_hist_accumulate_image(user, &state->hist, &moved, &internal);
}

int nr_estimate_state_finish(NrEstimateState* state, NrNoiseProfile* profile) {
    if (!state || !profile || !profile->groups || !state->hist.groups)
        return NR_ERR_INVALID_ARG;
    const int32_t L = state->hist.groups[0].level_count;
    const int32_t C = state->hist.group_count >= 2 ? state->hist.groups[1].level_count : 0;
    nr_profile_set_shape(profile, NR_PROFILE_MAX_GROUPS, L, NR_HIST_INTENSITY_LOG2, C,
                         NR_HIST_VARIANCE_LOG2);
    nr_profile_fit(profile, &state->hist, NR_STREAM_FIT_PIXELS);
    return NR_OK;
}

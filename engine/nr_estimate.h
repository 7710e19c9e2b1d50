/*
 * nr_estimate.h - measuring the noise of a photo into a noise profile.
 *
 * The photo is cut into tiles under a memory budget; each tile gets an 8-bit pyramid with one
 * extra luma level. For every band sample, the variance of its 8 x 8 neighbourhood is counted in
 * a two-dimensional histogram (brightness of the coarsest luma low-pass at that place x variance
 * bin). Per brightness row the most frequent variance is taken, and a smooth curve is fitted
 * through these peaks (or the curve of a reference level is scaled to them).
 *
 * Counts are 16 bits and saturate at 65,535 (a count never wraps back to a small number); sums of
 * integral images are kept modulo 2^16 (sums) and 2^32 (sums of squares). Everything here runs on
 * the calling thread and takes no lock; separate histograms may be filled by separate threads and
 * added afterwards (nr_hist_merge), which gives the same counts in any order.
 */
#ifndef NR_ESTIMATE_H
#define NR_ESTIMATE_H

#include <stdint.h>

#include "nr_profile.h"
#include "nr_pyramid.h"

#ifdef __cplusplus
extern "C" {
#endif

struct NrImage; /* nr_image.h */
struct NrLevel; /* nr_pyramid.h */

/* Working memory of one estimation tile stays at or below this many bytes. */
#define NR_ESTIMATE_BUDGET 3538944
#define NR_HIST_INTENSITY_LOG2 8
#define NR_HIST_VARIANCE_LOG2 6
/* Counts of one histogram level: 2^8 intensity rows x 2^6 variance bins. */
#define NR_HIST_LEVEL_COUNTS 16384
/* Pixel counts from which the fit takes luma entry 1, then 2, as its reference. */
#define NR_REFERENCE_PIXELS_1 614400
#define NR_REFERENCE_PIXELS_2 2457600
/* Pixel count the streaming estimate fits with. */
#define NR_STREAM_FIT_PIXELS 4915200

typedef struct NrHistLevel {
    uint16_t* counts;       /* count[intensity x 64 + variance bin]; 16-bit, saturating */
    int32_t intensity_log2; /* 8 */
    int32_t variance_log2;  /* 6 */
} NrHistLevel;

typedef struct NrHistGroup {
    NrHistLevel* levels; /* all levels share one zeroed block of counts (level k at k x 16,384) */
    int32_t level_count;
} NrHistGroup;

typedef struct NrNoiseHistogram {
    NrHistGroup* groups; /* one per profile group */
    uint32_t group_count;
} NrNoiseHistogram;

/* One group and band level of a tile; built in an array and run in order. */
typedef struct NrHistJob {
    void* user;
    NrHistLevel* hist;
    const struct NrLevel* band;   /* band level j of the tile pyramid */
    const struct NrLevel* coarse; /* the coarsest luma low-pass (luma level L) */
    int32_t level_index;          /* j */
    int32_t x_shift;              /* halvings from the band level to the coarse level */
    int32_t y_shift;
    int32_t status;
} NrHistJob;

/* ---- whole estimation --------------------------------------------------------------------- */

/*
 * Shapes `profile` for `image` (internal code, resolved planes; group count = channels, luma
 * entries levels[0], chroma entries levels[1], log2 sizes 8; levels[2] is ignored) and estimates
 * it. NR_OK, NR_ERR_NO_MEMORY, NR_ERR_INVALID_ARG, NR_ERR_FAILED or a pyramid status. On failure
 * the profile keeps its new shape and its previous tables.
 */
int nr_profile_estimate(void* user, NrNoiseProfile* profile, const struct NrImage* image,
                        const int32_t levels[3]);

/* Estimates an already shaped profile: histograms, whole-image accumulation, fit, release. */
int nr_profile_estimate_run(void* user, NrNoiseProfile* profile, const struct NrImage* image);

/* ---- histograms --------------------------------------------------------------------------- */

/*
 * Allocates group_count groups; group 0 with luma_levels levels, the others with chroma_levels
 * (0 levels: no storage). Counts start at 0. NR_OK or NR_ERR_NO_MEMORY (what was built stays for
 * nr_hist_free).
 */
int nr_hist_alloc(NrNoiseHistogram* hist, void* user, uint32_t group_count, int32_t luma_levels,
                  int32_t chroma_levels, int32_t intensity_log2, int32_t variance_log2);
/* nr_hist_alloc for the groups and levels of a shaped profile (groups not null), at the bins
 * estimation counts in. */
int nr_hist_alloc_for_profile(NrNoiseHistogram* hist, void* user, const NrNoiseProfile* profile);
/* Frees every level block, every group and the group array; null-safe; leaves hist empty. */
void nr_hist_free(void* user, NrNoiseHistogram* hist);
/* Zeroes the two fields of an empty histogram. */
void nr_hist_set_init(NrNoiseHistogram* hist);
/* Adds other's counts into level, entry by entry, saturating at 65,535. */
void nr_hist_add(NrHistLevel* level, const NrHistLevel* other);
/* nr_hist_add for every level of every group the two histograms share. */
void nr_hist_merge(NrNoiseHistogram* into, const NrNoiseHistogram* other);

/* ---- accumulation ------------------------------------------------------------------------- */

/*
 * The level counts the accumulation works with: L = group 0's level count, C = group 1's (or -1
 * for a one-channel image or a histogram of one group).
 */
void nr_hist_level_counts(const NrNoiseHistogram* hist, const struct NrImage* image, int32_t* L,
                          int32_t* C);

/*
 * Estimation tile size for a rect_w x rect_h rectangle of an image of internal code `code`:
 * sides rounded up to multiples of 2^max(L, C), then shrunk by 2^S steps (the longer side; equal
 * sides: the height) while nr_estimate_memory exceeds NR_ESTIMATE_BUDGET.
 */
NrSize nr_hist_tile_size(int32_t rect_w, int32_t rect_h, uint32_t code, int32_t L, int32_t C);

/*
 * Adds the rectangle rect {x0, y0, x1, y1} of image (internal code, resolved planes) to the
 * histograms, tile by tile over the part of rect on the image. Stops at the first failing tile.
 */
int nr_hist_accumulate_image(void* user, NrNoiseHistogram* hist, const NrRect* rect,
                             const struct NrImage* image);

/*
 * The part of rect that lies on the image, in *out; non-zero when it holds pixels. The
 * accumulations walk their tiles over this part only.
 */
int nr_hist_clip_rect(const NrRect* rect, const struct NrImage* image, NrRect* out);

/*
 * rect {x0, y0, x1, y1} moved by minus origin {x, y} (in 64 bits, so any 32-bit values do) and
 * clipped to the image, in *out; non-zero when it holds pixels.
 */
int nr_hist_moved_rect(const int32_t origin[2], const int32_t rect[4], const struct NrImage* image,
                       NrRect* out);

/*
 * The internal descriptor of an indexed image for the streaming estimate, planes resolved.
 * NR_ERR_FORMAT for an unknown index, NR_ERR_INVALID_ARG when a plane the format reads has no
 * data, else NR_OK.
 */
int nr_estimate_image_prepare(const struct NrImage* indexed, struct NrImage* internal);

/*
 * One tile {x0, y0, x1, y1}: pyramid with one extra luma level, one job per group and band level.
 * NR_ERR_INVALID_ARG for an overlap that comes out negative, NR_ERR_FAILED for a pyramid without
 * level storage, NR_ERR_NO_MEMORY, or the pyramid's status.
 */
int nr_hist_accumulate_tile(void* user, NrNoiseHistogram* hist, const NrRect* tile,
                            const struct NrImage* image);

/* Counts the band level's samples (level index j) into one histogram level. */
int nr_hist_accumulate_level(void* user, NrHistLevel* hist, const struct NrLevel* band,
                             const struct NrLevel* coarse, int32_t j, int32_t x_shift,
                             int32_t y_shift);
/*
 * nr_hist_accumulate_level with the same counts; with `compact` set, the fast form allocates only
 * the scratch it uses instead of the room of the integral images (a worker counting while others
 * hold tiles of their own).
 */
int nr_hist_count_level(void* user, NrHistLevel* hist, const struct NrLevel* band,
                        const struct NrLevel* coarse, int32_t j, int32_t x_shift, int32_t y_shift,
                        int32_t compact);

/*
 * Integral images of a width x height window of samples (format 16 or 272; others leave the
 * images untouched): entry (r, c) at r x pitch + c = sum over rows < r and columns < c; row 0 and
 * column 0 are 0. sums modulo 2^16, sums of squares modulo 2^32. Both hold pitch x (height + 1).
 */
void nr_integral_images(const uint8_t* samples, int32_t stride, uint32_t format, uint16_t* sums,
                        uint32_t* squares, int32_t pitch, int32_t width, int32_t height);

/*
 * Window statistics by running column sums (the fast form of the integral-image lookups, with the
 * same exact sums). Over a grown region of `width` columns (region width + 8) of format 16 or 272
 * samples: nr_window_init sums rows 0 .. 7 into col_sums and col_squares (width entries each);
 * nr_window_row writes, for the 8 x 8 windows at columns 0 .. count - 1 of the current rows,
 * v = (64 S2 - S1^2) >> shift as a byte, or 255 when v is negative or 64 and above;
 * nr_window_advance moves the rows down by one (leaving row `out`, entering row `in`).
 */
void nr_window_init(const uint8_t* rows, int32_t stride, int32_t is_signed, int32_t width,
                    int32_t* col_sums, int32_t* col_squares);
void nr_window_row(const int32_t* col_sums, const int32_t* col_squares, int32_t count,
                   int32_t shift, uint8_t* v);
void nr_window_advance(const uint8_t* out, const uint8_t* in, int32_t is_signed, int32_t width,
                       int32_t* col_sums, int32_t* col_squares);
void nr_window_row_avx2(const int32_t* col_sums, const int32_t* col_squares, int32_t count,
                        int32_t shift, uint8_t* v);
void nr_window_advance_avx2(const uint8_t* out, const uint8_t* in, int32_t is_signed, int32_t width,
                            int32_t* col_sums, int32_t* col_squares);

/*
 * Working memory of an estimation tile of size tile for code `code` with L luma and C chroma
 * levels (C = -1: one channel), an overlap and a worker count; 64-bit.
 */
int64_t nr_estimate_memory(NrSize tile, uint32_t code, int32_t L, int32_t C, int32_t overlap,
                           int32_t workers);

/* ---- fit ---------------------------------------------------------------------------------- */

/* Fits every entry of the (shaped) profile from the histograms; pixel_count picks the reference. */
void nr_profile_fit(NrNoiseProfile* profile, const NrNoiseHistogram* hist, int64_t pixel_count);
/* One entry: log2 size 0 takes row 0's first peak bin (at least 1); others go to nr_lut_fit. */
void nr_profile_entry_fit(NrProfileEntry* entry, const NrHistLevel* hist,
                          const NrProfileEntry* reference);
/* Scale fit to `reference`'s table, or the free fit when reference is null. */
void nr_lut_fit(NrProfileEntry* entry, const NrHistLevel* hist, const NrProfileEntry* reference);
/* Peak of a row of `bins` counts: index and count (index 0, count 0 for a zero peak). */
void nr_hist_row_peak(const uint16_t* row, int32_t bins, int32_t* peak, int32_t* count);

/* ---- streaming estimate: one profile from rectangles of one or more images ---------------- */

typedef struct NrEstimateState {
    NrNoiseHistogram hist;
} NrEstimateState;

/*
 * Creates a streaming estimate with 3 groups, luma_levels luma and chroma_levels chroma levels,
 * 2^8 x 2^6 bins. *out is null after a failure. NR_OK, NR_ERR_INVALID_ARG or NR_ERR_NO_MEMORY.
 */
int nr_estimate_state_create(void* user, NrEstimateState** out, int32_t luma_levels,
                             int32_t chroma_levels);
/* Releases the histograms and the record; null is ignored. */
void nr_estimate_state_free(void* user, NrEstimateState* state);
/*
 * Adds rect {x0, y0, x1, y1} moved by minus origin {x, y} of image (an indexed image as at the
 * public boundary: format index, byte strides) to the histograms; only the part on the image
 * counts (none: NR_OK, nothing counted). NR_ERR_INVALID_ARG for null arguments or a plane without
 * data, NR_ERR_FORMAT for an unknown index, else the accumulation's status.
 */
int nr_estimate_state_accumulate(void* user, NrEstimateState* state, const struct NrImage* image,
                                 const int32_t origin[2], const int32_t rect[4]);
/*
 * Shapes profile to 3 groups, the luma level count with 2^8-entry tables and, with at least 2
 * groups, the chroma level count with 2^6-entry tables, and fits it with 4,915,200 pixels. The
 * state stays; the caller frees it. NR_OK or NR_ERR_INVALID_ARG.
 */
int nr_estimate_state_finish(NrEstimateState* state, NrNoiseProfile* profile);

#ifdef __cplusplus
}
#endif

#endif /* NR_ESTIMATE_H */

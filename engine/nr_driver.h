/*
 * The process driver: turns the context's settings into a run, decides the pyramid level counts
 * and the filter type of every level from the internal mode, prepares the worker buffers and the
 * run copy of the noise profile and hands everything to the tile scheduler.
 *
 * The public functions nr_engine_process, nr_engine_estimate_profile and the streaming estimate
 * (nr_engine_profile_accumulate / _finish / _reset) are defined next to the driver.
 */
#ifndef NR_DRIVER_H
#define NR_DRIVER_H

#include <stdint.h>

#include "nr_engine.h"

struct NrEngine;
struct NrImage;
struct NrParams;

/* Internal modes that nr_engine_set_mode selects: 0 gives mode 4, 1 gives mode 6 (the default). */
#define NR_MODE_INTERACTIVE 4
#define NR_MODE_DEFAULT 6

/* Pixel counts at which a run gets 2 (at most), 3 or 4 (at least) pyramid levels. */
#define NR_LEVELS_2_MAX_PIXELS 76800
#define NR_LEVELS_4_MIN_PIXELS 307200

/* One row of the table of internal modes. */
typedef struct NrModeEntry {
    uint8_t luma_types[4];       /* filter-type byte of luma levels 0 to 3 */
    uint8_t chroma_types[4];     /* filter-type byte of chroma levels 0 to 3 */
    uint8_t luma_unity_detail;   /* bit i: the luma detail gain of level i is forced to 256 */
    uint8_t chroma_unity_detail; /* bit i: the same for chroma */
    uint8_t mode_flag;           /* 1: set the mode flag and floor the run profile at 1 */
} NrModeEntry;

/* The table row of an internal mode; any value outside 0 to 19 gets the all-zero row. */
const NrModeEntry* nr_mode_entry(int32_t mode);

/*
 * Rounds *width and *height down to even as the layout of internal code `code` needs: both for the
 * 0x20 family and the 4:2:0 codes (0x40000000 to 0x5fffffff), the width only for the other 4:2:2
 * codes (0x20000000 to 0x3fffffff), neither for full-resolution codes.
 */
void nr_even_size(uint32_t code, int32_t* width, int32_t* height);

/* Pyramid levels for n pixels: 2 up to 76,800, 4 from 307,200, else 3. */
int32_t nr_level_count(int64_t pixels);

/*
 * Luma and chroma level counts of a run on a frame of internal code `code` and (already even)
 * size: chroma one level fewer for chroma-subsampled codes (0x20000000 and up), none when the
 * context's chroma amount or chroma noise level is 0.
 */
void nr_run_level_counts(const struct NrEngine* ctx, uint32_t code, int32_t width, int32_t height,
                         int32_t* luma_levels, int32_t* chroma_levels);

/*
 * Fills the level counts, filter types, forced unity detail gains and mode flag of a built
 * parameter block from the mode table (levels below 4: the deepest level takes level 3's byte).
 */
void nr_params_apply_mode(struct NrParams* params, int32_t mode, int32_t luma_levels,
                          int32_t chroma_levels);

/*
 * Runs the engine on src into dst (descriptors with format index and byte strides). Returns NR_OK,
 * NR_ERR_INVALID_ARG for missing or disagreeing descriptors, a failure status, or the callback's
 * non-zero value. dst stays untouched when the run fails before the tiles start.
 */
int nr_engine_run(struct NrEngine* ctx, const struct NrImage* src, struct NrImage* dst,
                  NrProgressCallback callback, void* user);

/*
 * Estimates the noise profile of a frame into the stored profile and, on success with a non-null
 * out, copies the serialised profile to out. Body of nr_engine_estimate_profile.
 */
int nr_ctx_estimate_profile(struct NrEngine* ctx, const NrFrame* frame, uint8_t* out);

/*
 * Streaming profile estimate: adds the samples of rect {x0, y0, x1, y1}, moved by minus origin
 * {x, y}, of image (format index and byte strides) to the histograms of an estimate in progress,
 * creating it on first use. NR_ERR_INVALID_ARG for a null engine, image, origin or rectangle;
 * NR_ERR_NO_MEMORY; or the accumulation's status.
 */
int32_t nr_engine_profile_accumulate(struct NrEngine* engine, const struct NrImage* image,
                                     const int32_t* origin, const int32_t* rect);

/*
 * Fits the stored profile from the estimate in progress and ends the estimate. NR_OK, or
 * NR_ERR_INVALID_ARG for a null engine or when no estimate is in progress.
 */
int32_t nr_engine_profile_finish(struct NrEngine* engine);

/* Drops an estimate in progress without fitting. NR_OK, or NR_ERR_INVALID_ARG for a null engine. */
int32_t nr_engine_profile_reset(struct NrEngine* engine);

#endif /* NR_DRIVER_H */

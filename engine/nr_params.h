/*
 * Per-run filter parameters of the denoising engine.
 *
 * Every run of nr_engine_process turns the context's settings into one NrParams block: the
 * per-level gains in 8.8 fixed point (256 = 1.0), the pyramid level counts and the filter-type
 * byte of every level. The block lives for one run only.
 */
#ifndef NR_PARAMS_H
#define NR_PARAMS_H

#include <stdint.h>

struct NrEngine;
struct NrPool;
struct NrWorkerBuffers;

/* Pyramid levels a run can have at most, per channel group. */
#define NR_MAX_LEVELS 4

typedef struct NrParams {
    int32_t luma_noise_gain[NR_MAX_LEVELS];   /* scale of the luma noise-profile tables */
    int32_t luma_amount_gain[NR_MAX_LEVELS];  /* share of the filtered result in the luma output */
    int32_t luma_detail_gain[NR_MAX_LEVELS];  /* gain applied to the luma band of each level */
    int32_t chroma_noise_gain[NR_MAX_LEVELS]; /* the same for the two chroma groups */
    int32_t chroma_amount_gain[NR_MAX_LEVELS];
    int32_t chroma_detail_gain[NR_MAX_LEVELS];
    int32_t luma_levels;   /* luma pyramid levels of this run, 2 to 4 */
    int32_t chroma_levels; /* chroma pyramid levels, 0 to 4 (0: chroma is not filtered) */
    int32_t constant;      /* always 1 */
    uint8_t luma_types[NR_MAX_LEVELS];   /* filter-type byte of each luma level */
    uint8_t chroma_types[NR_MAX_LEVELS]; /* filter-type byte of each chroma level */
    int32_t mode_flag;                   /* 1 in internal modes 16 and 17, else 0 */
    struct NrWorkerBuffers* buffers;     /* the context's per-worker buffers */
    struct NrPool* pool;                 /* the context's workers */
} NrParams;

/*
 * Gain of the noise tables for noise level v (percent, 50 = unity): 0 for v < 0, else
 * v * v * 256 / 2500, unsigned and truncating.
 */
int32_t nr_noise_gain(int32_t v);

/* Gain of the filtered share for an amount in percent: (amount * 256) / 100, truncating. */
int32_t nr_amount_gain(int32_t amount);

/* Band gain for a detail in percent: (detail * 256) / 100 + 256, truncating. */
int32_t nr_detail_gain(int32_t detail);

/*
 * Zero-fills *out and fills the six gain arrays (per level, each with the channel's setting plus
 * that level's offset), the constant, the worker-buffer pointer and the pool pointer from the
 * context. Level counts, filter types and the mode flag stay 0 for the driver to set.
 * Returns out (null when out is null; a null context leaves the block zero-filled).
 */
NrParams* nr_params_build(NrParams* out, const struct NrEngine* ctx);

/* ---- Internal modes and level counts ---------------------------------------------------- */

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

#endif /* NR_PARAMS_H */

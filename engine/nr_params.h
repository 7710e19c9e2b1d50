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

#endif /* NR_PARAMS_H */

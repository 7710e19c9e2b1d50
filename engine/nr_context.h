/*
 * nr_context.h - the engine context NrEngine: its settings, their defaults, the internal setters
 * and the profile bodies.
 *
 * The public setters of nr_engine.h map slider values onto these fields; the process driver reads
 * them afresh at every run (nr_params_build).
 */
#ifndef NR_CONTEXT_H
#define NR_CONTEXT_H

#include <stdint.h>

#include "nr_engine.h"
#include "nr_image.h"
#include "nr_pool.h"
#include "nr_profile.h"
#include "nr_tiles.h"

struct NrEstimateState;

/* Defaults of a new context. */
#define NR_DEFAULT_MODE 6
#define NR_DEFAULT_NOISE_LEVEL 50
#define NR_DEFAULT_LUMA_AMOUNT 80
#define NR_DEFAULT_CHROMA_AMOUNT 90
#define NR_DEFAULT_DETAIL 20
#define NR_DEFAULT_DETAIL_OFFSET_3 (-20)

/* The settings of one channel (luma, or both chroma channels). */
typedef struct NrChannelSettings {
    int32_t noise_level;       /* percent; scales the group's noise profile (50 = unity) */
    int32_t amount;            /* percent; share of the filtered result in the output */
    int32_t detail;            /* percent; band gain above unity */
    int32_t level_offsets[4];  /* added to noise_level for pyramid level 0 (finest) to 3 */
    int32_t amount_offsets[4]; /* added to amount per level */
    int32_t detail_offsets[4]; /* added to detail per level; level 3 is -20 by default */
} NrChannelSettings;

struct NrEngine {
    void* user;               /* allocator user pointer, handed to every allocation (null) */
    void* reserved;           /* never set; released by destroy when non-null */
    NrPool* pool;             /* the context's four worker threads */
    NrNoiseProfile profile;   /* the stored profile; group count 0 = none */
    uint8_t* blob;            /* NR_PROFILE_BLOB_SIZE bytes for serialising the profile */
    int32_t mode;             /* internal filter configuration */
    NrChannelSettings luma;   /* group 0 */
    NrChannelSettings chroma; /* groups 1 and 2 */
    int32_t last_luma_levels; /* level counts of the last run (for releasing its buffers) */
    int32_t last_chroma_levels;
    NrWorkerBuffers buffers;          /* per-worker tile buffers and the run profile copy */
    struct NrEstimateState* estimate; /* streaming profile estimate in progress, or null */
};

/*
 * nr_engine_create with an allocator user pointer. *out is written in every case (null only when
 * the record could not be allocated). NR_OK, NR_ERR_INVALID_ARG for null out, NR_ERR_NO_MEMORY or
 * the pool's status.
 */
int32_t nr_engine_create_with_user(NrEngine** out, void* user);

/* The settings of luma (flag 0) or chroma (flag non-zero). */
static inline NrChannelSettings* nr_ctx_channel(NrEngine* ctx, int32_t flag) {
    return flag ? &ctx->chroma : &ctx->luma;
}

/*
 * Internal setters: each stores value and returns the previous value of the field, or
 * NR_ERR_FAILED for a null context. flag 0 selects luma, non-zero chroma. The level of the offset
 * setters must be 0 to 3 (anything else returns NR_ERR_INVALID_ARG and changes nothing).
 */
int32_t nr_ctx_set_mode(NrEngine* ctx, int32_t value);
int32_t nr_ctx_set_level(NrEngine* ctx, int32_t value, int32_t flag);
int32_t nr_ctx_set_amount(NrEngine* ctx, int32_t value, int32_t flag);
int32_t nr_ctx_set_detail(NrEngine* ctx, int32_t value, int32_t flag);
int32_t nr_ctx_set_level_offset(NrEngine* ctx, int32_t value, int32_t flag, int32_t level);
int32_t nr_ctx_set_amount_offset(NrEngine* ctx, int32_t value, int32_t flag, int32_t level);
int32_t nr_ctx_set_detail_offset(NrEngine* ctx, int32_t value, int32_t flag, int32_t level);

/* Does nothing; NR_OK. */
int32_t nr_ctx_noop(void);

/* Body of nr_engine_load_profile. */
int32_t nr_ctx_load_profile(NrEngine* ctx, const uint8_t* blob);

/* Serialises the stored profile into the blob buffer and returns it (null for a null context). */
uint8_t* nr_ctx_store_profile(NrEngine* ctx);

/* ---- Streaming profile estimate (defined with the driver) --------------------------------------
 * Builds one stored profile from rectangles of one or more images. */

/*
 * Adds the samples of rect {x0, y0, x1, y1}, moved by minus origin {x, y}, of image (format index,
 * byte strides) to the estimate's histograms, creating them on first use. NR_OK,
 * NR_ERR_INVALID_ARG for a null engine, origin or rect, NR_ERR_NO_MEMORY, or the accumulation's
 * status.
 */
int32_t nr_engine_profile_accumulate(NrEngine* engine, const NrImage* image, const int32_t* origin,
                                     const int32_t* rect);

/* Fits the stored profile from the histograms and ends the estimate. NR_OK, NR_ERR_INVALID_ARG. */
int32_t nr_engine_profile_finish(NrEngine* engine);

/* Drops an estimate in progress without fitting. NR_OK, NR_ERR_INVALID_ARG for a null engine. */
int32_t nr_engine_profile_reset(NrEngine* engine);

#endif /* NR_CONTEXT_H */

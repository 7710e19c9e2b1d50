/*
 * nr_filter.h - the level filter: block matching with weighted averages, flat-block shortcuts.
 *
 * A level (the coarsest luma low-pass, a rebuilt luma level or a chroma band) is cut into 4 x 4
 * or 8 x 8 blocks. A block without measured noise stays as it is; a flat block is pulled toward
 * its mean or toward the upsampled coarser level; every other block becomes the weighted average
 * of similar blocks found around it, the weights coming from a fixed 64-entry table. Each output
 * sample is finally blended with the unfiltered sample by the level's keep factor (8.8 fixed
 * point, 256 keeps the input).
 *
 * Sample formats: NR_SAMPLE_U8 (16, unsigned levels) and NR_SAMPLE_S8 (272, signed bands). Every
 * level handed to the filter has at least 8 samples of margin on each side of its inner area.
 *
 * Kernels come as a portable form (any alignment) and fast forms (32-bit words, SSE2, AVX2) with
 * bit-identical results; the wrappers pick a form by nr_cpu_flags().
 *
 * No state and no locks: each call allocates its own scratch, so the four workers filter their
 * tiles at the same time.
 */
#ifndef NR_FILTER_H
#define NR_FILTER_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct NrLevel;       /* nr_pyramid.h */
struct NrNoiseMap;    /* nr_tiles.h */
struct NrLevelFilter; /* nr_tiles.h */

/* Bytes of the per-level block scratch. */
#define NR_BLOCK_SCRATCH_SIZE 4096
/* Entries of the weight table. */
#define NR_WEIGHT_LUT_SIZE 64
/* Most candidates a block can have: (2r + 1)^2 + 3s for every configuration of the filter. */
#define NR_MAX_CANDIDATES 256

/* Parameters of the block loop, derived from a filter record by nr_filter_params_derive. */
typedef struct NrFilterParams {
    int32_t keep;                       /* 8.8 weight of the unfiltered sample */
    int32_t noise_scale;                /* i32; enters the weight slope */
    int32_t block_size;                 /* d: 4 or 8 */
    int32_t flat_factor;                /* 0 = no flat test */
    int32_t radius;                     /* search radius r */
    int32_t steps;                      /* ring-search steps s */
    const struct NrLevel* blend_source; /* next coarser unsigned luma level, or null */
    const struct NrLevel* edge_map;     /* u8 edge plane on the coarse grid, or null */
} NrFilterParams;

/* The weight table handed out by nr_weight_lut_get. */
typedef struct NrWeightLut {
    const uint8_t* table; /* weight(i) = round(16 exp(-i / 16)), i = 0 .. 63 */
    int32_t count;        /* NR_WEIGHT_LUT_SIZE */
} NrWeightLut;

/* Fills `out` with the shared table and its count 64. Returns 0. */
int nr_weight_lut_get(void* user, NrWeightLut* out);
/* Clears the handle. */
void nr_weight_lut_release(void* user, NrWeightLut* lut);

/* Weight slope H = (sigma / 2 + noise_scale x 256) / sigma (unsigned 32-bit; sigma > 0). */
uint32_t nr_weight_slope(uint32_t sigma, int32_t noise_scale);
/* Weight of a candidate: table[(distance x H) >> 13] (64-bit product), 0 from index 64 on. */
uint32_t nr_candidate_weight(uint32_t distance, uint32_t slope, const uint8_t* table);

/* ---- level filter --------------------------------------------------------------------------- */

/*
 * nr_level_filter: filters `level` into `dst` (every caller passes the same level: in place) as the
 * filter record says, steered by the noise map (and its table index j) and the record's edge map.
 * keep 256 copies the source plane into a different dst and returns NR_OK; kind 0 (high nibble of
 * the filter-type byte) returns NR_OK untouched; kinds other than 1 and 2 give NR_ERR_FILTER_TYPE.
 * NR_ERR_NO_MEMORY when the scratch cannot be allocated. Null arguments: NR_ERR_INVALID_ARG.
 */
int nr_level_filter(void* user, struct NrLevel* level, const struct NrNoiseMap* map,
                    const struct NrLevelFilter* filter, struct NrLevel* dst);

/*
 * Maps a filter record and its noise map to block-loop parameters. Returns NR_OK, or
 * NR_ERR_FILTER_TYPE for kinds other than 0, 1 and 2. Kind 0 gives radius = steps = flat = 0 and
 * *kind_out 0 (the caller leaves the level alone). `kind_out` may be null.
 */
int nr_filter_params_derive(const struct NrLevelFilter* filter, const struct NrNoiseMap* map,
                            NrFilterParams* out, int32_t* kind_out);

/*
 * The block loop over the inner area of `src` into `dst` (copied first, grown by 8, when they
 * differ). NR_OK or NR_ERR_NO_MEMORY.
 */
int nr_block_filter_level(void* user, const struct NrLevel* src, const struct NrNoiseMap* map,
                          const NrFilterParams* params, struct NrLevel* dst);

/*
 * Flat test of one d x d block. `coarse` is the blend source's sample at the block's coarse
 * position (unsigned), or null. Returns 1 when the block was flat and has been written into dst,
 * 0 otherwise (dst untouched).
 */
int nr_flat_block(uint8_t* dst, int32_t dst_stride, const uint8_t* src, int32_t src_stride,
                  int32_t d, const uint8_t* coarse, int32_t coarse_stride, int32_t keep,
                  uint32_t format, uint32_t threshold);

/*
 * Block matching, weights, accumulation and output of the d x d block at src into dst.
 * `scratch` holds at least NR_BLOCK_SCRATCH_SIZE bytes (scratch_size says how many); the search
 * area reaches 4 + E samples around the block's 8 x 8 window (E = radius + steps <= 4).
 * Formats other than 16 and 272 leave dst untouched.
 */
void nr_block_search(const uint8_t* src, int32_t src_stride, uint8_t* dst, int32_t dst_stride,
                     uint32_t format, int32_t d, int32_t steps, int32_t radius, int32_t keep,
                     uint32_t sigma, int32_t noise_scale, const uint8_t* weights, void* scratch,
                     int32_t scratch_size);

/* SSE2 form of nr_block_search: the same output bit for bit. */
void nr_block_search_sse2(const uint8_t* src, int32_t src_stride, uint8_t* dst, int32_t dst_stride,
                          uint32_t format, int32_t d, int32_t steps, int32_t radius, int32_t keep,
                          uint32_t sigma, int32_t noise_scale, const uint8_t* weights,
                          void* scratch, int32_t scratch_size);

/* AVX2 form (up to 16 candidates; more take the SSE2 form): the same output bit for bit. */
void nr_block_search_avx2(const uint8_t* src, int32_t src_stride, uint8_t* dst, int32_t dst_stride,
                          uint32_t format, int32_t d, int32_t steps, int32_t radius, int32_t keep,
                          uint32_t sigma, int32_t noise_scale, const uint8_t* weights,
                          void* scratch, int32_t scratch_size);

/*
 * The candidate list of the block search with distances from `distance(dx, dy, ctx)`: (0, 0)
 * with distance 0, the square -r..r row by row, then per step the point one further out from the
 * best so far and its two neighbours (the first smallest distance wins every tie). Fills the
 * parallel arrays `offsets` (pairs dx, dy) and `distances` and returns the candidate count,
 * (2r + 1)^2 + 3s; 0 for arguments beyond NR_MAX_CANDIDATES.
 */
typedef int32_t (*NrCandidateDistanceFn)(int32_t dx, int32_t dy, void* ctx);
int32_t nr_ring_search(int32_t radius, int32_t steps, NrCandidateDistanceFn distance, void* ctx,
                       int32_t* offsets, int32_t* distances);

/* ---- block statistics and distances --------------------------------------------------------- */

/* S1 = sum and *var = 64 S2 - S1^2 over the 8 x 8 window (S2 = sum of squares); formats 16, 272. */
void nr_block_stats(const uint8_t* window, int32_t stride, int32_t* sum, int32_t* var,
                    uint32_t format);
void nr_block_stats_u8_words(const uint8_t* window, int32_t stride, int32_t* sum, int32_t* var);
void nr_block_stats_sse2(const uint8_t* window, int32_t stride, int32_t* sum, int32_t* var,
                         uint32_t format);

/* (sum of |a - b| over 8 x 8)^2 >> 6; 0 for formats other than 16 and 272. */
uint32_t nr_patch_distance(const uint8_t* a, int32_t a_stride, const uint8_t* b, int32_t b_stride,
                           uint32_t format);
/* Word forms: 4 samples per 32-bit word where the windows are 4-byte aligned (the unsigned form
 * also when one of them is), the portable form otherwise. Same results. */
uint32_t nr_patch_distance_u8_words(const uint8_t* a, int32_t a_stride, const uint8_t* b,
                                    int32_t b_stride);
uint32_t nr_patch_distance_s8_words(const uint8_t* a, int32_t a_stride, const uint8_t* b,
                                    int32_t b_stride);
uint32_t nr_patch_distance_sse2(const uint8_t* a, int32_t a_stride, const uint8_t* b,
                                int32_t b_stride, uint32_t format);

/*
 * The flat block's mean blend: every sample s of the d x d block becomes
 * clamp((m x 256 + 128 + (s - m) x keep) >> 8), unsigned or signed (is_signed) samples.
 */
void nr_flat_mean_blend(uint8_t* dst, int32_t dst_stride, const uint8_t* src, int32_t src_stride,
                        int32_t d, int32_t m, int32_t keep, int32_t is_signed);
void nr_flat_mean_blend_sse2(uint8_t* dst, int32_t dst_stride, const uint8_t* src,
                             int32_t src_stride, int32_t d, int32_t m, int32_t keep,
                             int32_t is_signed);

/*
 * The 8 x 8 upsample blend of a flat block toward the coarser level: from the 5 x 5 coarse
 * samples at `coarse`, up = a, (a + b + 1) >> 1, (a + c + 1) >> 1 and
 * (c + e + 2 ((a + b + 1) >> 1) + 2) >> 2 by row and column parity, then
 * out = (keep x s + (256 - keep) x up + 128) >> 8. The word form packs two samples per 32-bit
 * word (keep 0 .. 256; other values take the portable form).
 */
void nr_upsample_blend8(uint8_t* dst, int32_t dst_stride, const uint8_t* src, int32_t src_stride,
                        const uint8_t* coarse, int32_t coarse_stride, int32_t keep);
void nr_upsample_blend8_words(uint8_t* dst, int32_t dst_stride, const uint8_t* src,
                              int32_t src_stride, const uint8_t* coarse, int32_t coarse_stride,
                              int32_t keep);

/* ---- accumulators and finalisers -------------------------------------------------------------
 * acc holds d x d entries, row by row (index v * d + u): 16-bit until widened, then 32-bit in the
 * same 256 bytes. Signed samples enter the 16-bit sums with a bias of +128. Weights are those of
 * the table (at most 16); the vector forms of the 32-bit adds take weights up to 255 and pass
 * larger ones to the portable forms. The finalisers expect what an accumulation makes: entries
 * of at most 255 x total (the biased signed sums likewise) and a total of at least 1. */

/* acc += wa * a + wb * b (unsigned samples, 16-bit sums). */
void nr_acc_add_pair(uint16_t* acc, const uint8_t* a, int32_t a_stride, uint32_t wa,
                     const uint8_t* b, int32_t b_stride, uint32_t wb, int32_t d);
void nr_acc_add16(uint16_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d);
void nr_acc_add16_s8(uint16_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d);
void nr_acc_add32(uint32_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d);
void nr_acc_add32_s8(int32_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d);
/* In place to 32 bits: zero extension / removing the bias 128 x total_weight. */
void nr_acc_widen_u16(void* acc, int32_t d);
void nr_acc_widen_s16(void* acc, int32_t d, uint32_t total_weight);

void nr_acc_add_pair_sse2(uint16_t* acc, const uint8_t* a, int32_t a_stride, uint32_t wa,
                          const uint8_t* b, int32_t b_stride, uint32_t wb, int32_t d);
void nr_acc_add16_sse2(uint16_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d);
void nr_acc_add16_s8_sse2(uint16_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d);
void nr_acc_add32_sse2(uint32_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d);
void nr_acc_add32_s8_sse2(int32_t* acc, const uint8_t* src, int32_t stride, uint32_t w, int32_t d);

/*
 * Finalisers: mean m of each accumulator over total weight T, then
 * out = clamp((m x 256 + 128 + (s - m) x keep) >> 8) with s the source sample.
 */
void nr_finalize16(const uint8_t* src, int32_t src_stride, uint32_t total, int32_t keep, int32_t d,
                   uint8_t* dst, int32_t dst_stride, const uint16_t* acc);
void nr_finalize32(const uint8_t* src, int32_t src_stride, uint32_t total, int32_t keep, int32_t d,
                   uint8_t* dst, int32_t dst_stride, const uint32_t* acc);
void nr_finalize16_s8(const uint8_t* src, int32_t src_stride, uint32_t total, int32_t keep,
                      int32_t d, uint8_t* dst, int32_t dst_stride, const uint16_t* acc);
void nr_finalize32_s8(const uint8_t* src, int32_t src_stride, uint32_t total, int32_t keep,
                      int32_t d, uint8_t* dst, int32_t dst_stride, const int32_t* acc);
/* Word form of nr_finalize16 (two samples per 32-bit word). */
void nr_finalize16_words(const uint8_t* src, int32_t src_stride, uint32_t total, int32_t keep,
                         int32_t d, uint8_t* dst, int32_t dst_stride, const uint16_t* acc);
void nr_finalize16_sse2(const uint8_t* src, int32_t src_stride, uint32_t total, int32_t keep,
                        int32_t d, uint8_t* dst, int32_t dst_stride, const uint16_t* acc);
void nr_finalize16_s8_sse2(const uint8_t* src, int32_t src_stride, uint32_t total, int32_t keep,
                           int32_t d, uint8_t* dst, int32_t dst_stride, const uint16_t* acc);

/* ---- edge map ---------------------------------------------------------------------------------
 * For every sample of a width x height unsigned plane except its outer ring:
 * e = min(255, |(a0 + 2a1 + a2) + (b0 + 2b1 + b2) - 2(c0 + 2c1 + c2)|
 *            + |(a0 + 2c0 + b0) + (a2 + 2c2 + b2) - 2(a1 + 2c1 + b1)|),
 * a, c, b the rows above, at and below, 0 1 2 the columns left, at and right. The ring of dst is
 * not written. Picks the fast form by nr_cpu_flags(). */
void nr_edge_map_plane(uint8_t* dst, int32_t dst_stride, const uint8_t* src, int32_t src_stride,
                       int32_t width, int32_t height);
void nr_edge_map_plane_c(uint8_t* dst, int32_t dst_stride, const uint8_t* src, int32_t src_stride,
                         int32_t width, int32_t height);
void nr_edge_map_plane_sse2(uint8_t* dst, int32_t dst_stride, const uint8_t* src,
                            int32_t src_stride, int32_t width, int32_t height);
void nr_edge_map_plane_avx2(uint8_t* dst, int32_t dst_stride, const uint8_t* src,
                            int32_t src_stride, int32_t width, int32_t height);

/* ---- further operations (no path of the filter calls them) ---------------------------------- */

/* Appends (dx, dy) and distance at position *count of the parallel arrays; *count grows by 1. */
void nr_candidate_append(int32_t* offsets, int32_t* distances, int32_t* count, int32_t dx,
                         int32_t dy, int32_t distance);

/*
 * Patch distance scaled by (largest quadrant SAD + 1) / (2 x smallest quadrant SAD + 2) over the
 * four 4 x 4 quadrants; INT32_MAX when the largest exceeds 32 times the smallest.
 */
int32_t nr_ratio_distance(const uint8_t* a, int32_t a_stride, const uint8_t* b, int32_t b_stride,
                          uint32_t format);
/* Integer form: both SADs quartered when the largest exceeds 1,024; never rejects. */
int32_t nr_ratio_distance_words(const uint8_t* a, int32_t a_stride, const uint8_t* b,
                                int32_t b_stride, uint32_t format);

/*
 * Blends the 8 x 8 block a toward b in place by e = value x 2^17 / reference: nothing below 1,024,
 * a plain copy of b above 128,000, else a + (((b - a) x e + 2^16) >> 17). A reference of 0 or
 * less counts as an infinite ratio (copy) for a positive value, else as 0.
 */
void nr_ratio_blend(uint8_t* a, int32_t a_stride, const uint8_t* b, int32_t b_stride, int32_t value,
                    int32_t reference);
void nr_ratio_blend_s8(uint8_t* a, int32_t a_stride, const uint8_t* b, int32_t b_stride,
                       int32_t value, int32_t reference);

/*
 * Distances of the 8 x 8 block against itself moved by one sample: out[0] right (x + 1) and
 * out[1] down (y + 1) as (SAD^2) >> 6, out[2] down-right and out[3] down-left as plain SADs.
 * Reads one sample beyond the block on the right, left and bottom.
 */
void nr_shift_distances(const uint8_t* block, int32_t stride, uint32_t out[4]);
void nr_shift_distances_s8(const uint8_t* block, int32_t stride, uint32_t out[4]);

/* Copies `rows` rows of `units` 4-byte units between strided buffers (strides in bytes). */
void nr_copy_units4(void* dst, int32_t dst_stride, const void* src, int32_t src_stride,
                    int32_t units, int32_t rows);

#ifdef __cplusplus
}
#endif

#endif /* NR_FILTER_H */

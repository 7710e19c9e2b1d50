/*
 * Tiling of a run: tile size under a memory budget, the per-worker buffers, the tile scheduler
 * with its progress reports, and the two passes of the tile job.
 *
 * A run never holds whole-image pyramids. The frame is cut into tiles whose estimated working
 * memory stays at or below NR_TILE_BUDGET; tiles run in batches of one per worker. Pass 1 builds a
 * tile's pyramid, its noise maps and its edge map; pass 2 filters every level from the coarsest to
 * the finest, rebuilds the tile and writes it into the destination.
 */
#ifndef NR_TILES_H
#define NR_TILES_H

#include <stdint.h>

#include "nr_engine.h"
#include "nr_profile.h"
#include "nr_pyramid.h"

struct NrEngine;
struct NrImage;
struct NrLevel;
struct NrPyramid;
struct NrParams;

/* Estimated working memory of one tile is kept at or below this many bytes. */
#define NR_TILE_BUDGET 3661824
/* Cap of the memory needs reported for one tile. */
#define NR_TILE_ARENA_SIZE 3670016
/* Every tile is first tried at one tile per this many pixels, capped at the worker count. */
#define NR_TILE_PIXELS 16384

/* Width and height of a tile, or of anything else measured in samples. */
typedef struct NrTileSize {
    int32_t width;
    int32_t height;
} NrTileSize;

/*
 * Noise levels of one group and level of a tile on the grid of the coarsest luma low-pass level.
 * The level filter reads the sample at (grid x + margin_left, grid y + margin_top).
 */
typedef struct NrNoiseMap {
    uint8_t* plane;
    int32_t table_index; /* index of the profile entry the map was made from */
    int32_t width;
    int32_t height;
    int32_t stride;
    int32_t margin_left;
    int32_t margin_top;
    int32_t margin_right;
    int32_t margin_bottom;
    int32_t shift_x; /* halvings between the map's pyramid level and the coarsest luma level */
    int32_t shift_y;
} NrNoiseMap;

/*
 * The tile pyramid of one buffer set, kept from tile to tile of a run when the set serves more
 * than one tile. Its planes are made on the set's first tile for the run's tile shape with the
 * full overlap on every side, the largest any tile of that shape needs; every tile then sets the
 * levels up afresh inside them. The set's last tile releases them.
 */
typedef struct NrTilePyramid {
    struct NrPyramid pyramid;
    /* The shape the planes were made for (all 0 while there are none). */
    uint32_t format;
    int32_t frame_w, frame_h;
    int32_t tile_w, tile_h;
    int32_t luma_levels, chroma_levels;
} NrTilePyramid;

/*
 * Per-run buffers of a context: one buffer set per worker. Buffer set k serves the tiles whose
 * index is k modulo count, so the tiles of one batch never share a set.
 */
typedef struct NrWorkerBuffers {
    int32_t count;               /* number of buffer sets (the worker count) */
    NrNoiseMap** noise_maps;     /* count arrays: group 0 levels 0..L-1, then each chroma group */
    struct NrLevel* edge_planes; /* count unsigned 8-bit planes */
    NrNoiseProfile run_profile;  /* the run copy of the noise profile */
    int32_t map_count;           /* records in each noise-map array */
    NrTilePyramid* pyramids;     /* count kept tile pyramids, one per set (NrTilePyramid) */
} NrWorkerBuffers;

/* The state of one tile between its two passes. Created by pass 1, released by pass 2. */
typedef struct NrTileJob {
    void* user;                /* allocator user */
    struct NrPyramid* pyramid; /* the tile's pyramid */
    NrNoiseMap* noise_maps;    /* the noise-map array of buffer set index mod count */
    int32_t luma_levels;
    int32_t chroma_levels;
    struct NrParams* params;
    int32_t index;
    int32_t status;
    struct NrTilePyramid* kept; /* the buffer set's pyramid when the job works in it, else null */
    int32_t keep_after;         /* 1: a later tile of the set works in it too */
} NrTileJob;

/* One tile of a run, owned by the scheduler. */
typedef struct NrTileTask {
    NrTileJob* job; /* set by pass 1, consumed by pass 2 */
    void* user;     /* handed to the job's allocations */
    const struct NrImage* src;
    struct NrImage* dst;
    NrTileSize tile_size;
    int32_t origin_x;
    int32_t origin_y;
    NrNoiseProfile* profile; /* the run copy */
    struct NrParams* params;
    int32_t index;        /* position in tiling order, from 0 */
    int32_t status;       /* status of the last pass run on this tile */
    int32_t keep_pyramid; /* 1: a later tile of the same buffer set follows (index + count < T) */
} NrTileTask;

/* How one plane of a tile is filtered; built per filtered plane by nr_level_filter_setup. */
typedef struct NrLevelFilter {
    int32_t keep;        /* 8.8 weight of the unfiltered sample: 256 - amount gain, at least 0 */
    int32_t group;       /* 0 luma, 1 and 2 chroma */
    int32_t level;       /* pyramid level, 0 finest */
    uint8_t filter_type; /* the level's filter-type byte */
    int32_t mode_flag;   /* the parameter block's mode flag */
    struct NrLevel* blend_source; /* next coarser low-pass, for luma levels below the deepest */
    struct NrLevel* edge_map;     /* edge plane of the tile's buffer set, or null */
} NrLevelFilter;

/* ---- Tile size and memory estimates ---------------------------------------------------------- */

/*
 * Tile width and height for a W x H frame of internal format code `code` on P workers, with L luma
 * and C chroma levels and the levels' filter-type bytes. Sizes of 0 or less give {0, 0}.
 */
NrTileSize nr_choose_tile_size(int32_t W, int32_t H, int32_t P, int32_t L, int32_t C,
                               const uint8_t* luma_types, const uint8_t* chroma_types,
                               uint32_t code);

/* The same for an image descriptor (internal code) with the worker count. */
NrTileSize nr_image_choose_tile_size(const struct NrImage* image, int32_t L, int32_t C,
                                     const uint8_t* luma_types, const uint8_t* chroma_types);

/* Estimated bytes of one tile: pyramid levels, coarse plane and noise maps (64-bit). */
int64_t nr_tile_memory_estimate(NrTileSize size, int32_t L, int32_t C, const uint8_t* luma_types,
                                const uint8_t* chroma_types, int32_t overlap, uint32_t code);

/* Estimated bytes of a tile's pyramid levels (64-bit). */
int64_t nr_level_memory(NrTileSize size, int32_t L, int32_t C, int32_t overlap, uint32_t code);

/* ((w >> (L-1)) + 16) x ((h >> (L-1)) + 16) + 16,384. */
int64_t nr_coarse_plane_bytes(NrTileSize size, int32_t L);

/*
 * nr_tile_memory_estimate for a w x h tile with the level counts and filter types a freshly built
 * parameter block would have, plus 8,192, capped at NR_TILE_ARENA_SIZE.
 */
int32_t nr_tile_memory_need(const struct NrEngine* ctx, int32_t w, int32_t h, int32_t overlap);

/* The profile estimator's estimate for a w x h tile, plus 8,192, capped at NR_TILE_ARENA_SIZE. */
int32_t nr_estimate_tile_memory_need(const struct NrEngine* ctx, int32_t w, int32_t h,
                                     int32_t overlap);

/* ---- Worker buffers ----------------------------------------------------------------------------
 */

/*
 * Builds the worker buffers for a run on src (internal code) with L luma and C chroma levels.
 * NR_OK or NR_ERR_NO_MEMORY; after a failure whatever was built stays for nr_worker_buffers_free.
 */
int nr_worker_buffers_alloc(void* user, NrWorkerBuffers* buffers, const struct NrImage* src,
                            int32_t L, int32_t C, const uint8_t* luma_types,
                            const uint8_t* chroma_types);

/* Releases every plane, array and the run profile; leaves the record empty. Null is ignored. */
void nr_worker_buffers_free(void* user, NrWorkerBuffers* buffers, int32_t L, int32_t C,
                            int32_t groups);

/* ---- Scheduler and tile job -------------------------------------------------------------------
 */

/*
 * The whole tiled run of src into dst (internal codes, resolved planes) with the run profile and
 * parameter block. Runs in the caller's thread; tiles run P at a time on the pool. Returns NR_OK,
 * a failure status or the callback's non-zero result. The callback, when given, gets the progress
 * after every full batch and a final 100 on every way out.
 */
int nr_tile_scheduler_run(void* user, const struct NrImage* src, struct NrImage* dst,
                          NrNoiseProfile* profile, struct NrParams* params,
                          NrProgressCallback callback, void* callback_user);

/* Another name of nr_tile_scheduler_run. */
int nr_run_tiles(void* user, const struct NrImage* src, struct NrImage* dst,
                 NrNoiseProfile* profile, struct NrParams* params, NrProgressCallback callback,
                 void* callback_user);

/* Pool job of pass 1: nr_tile_prepare on the task's rectangle; the status goes into the task. */
void nr_tile_pass1_job(void* task);

/* Pool job of pass 2: nr_tile_finish on the task's job and destination; status into the task. */
void nr_tile_pass2_job(void* task);

/*
 * Pass 1 of the tile rect {x0, y0, x1, y1}: creates the job (stored in task->job from then on, also
 * when a later step fails), builds the pyramid, fills noise maps and the edge map, scales the bands
 * by the detail gains. The pyramid is the buffer set's kept one when the set has it or when
 * task->keep_pyramid says a later tile of the set follows, else the tile's own. NR_OK or the first
 * failure.
 */
int nr_tile_prepare(NrTileTask* task, void* user, const struct NrImage* src, const int32_t* rect,
                    int32_t index, NrNoiseProfile* profile, struct NrParams* params);

/*
 * Pass 2: when the job's status is 0, filters the levels and exports the tile into dst. Always
 * releases the job and the tile's own pyramid; a buffer set's kept pyramid stays when a later tile
 * of the set follows and is released otherwise. Returns the status.
 */
int nr_tile_finish(NrTileJob* job, struct NrImage* dst);

/* Filters every level of every group of a built tile pyramid, coarsest first, rebuilding as it
 * goes. */
int nr_tile_filter_levels(void* user, struct NrPyramid* pyramid, NrNoiseMap* noise_maps,
                          int32_t index, const struct NrParams* params);

/* Fills the filter record of (group, level) for the tile of the given index. NR_OK. */
int nr_level_filter_setup(const struct NrParams* params, int32_t group, int32_t level,
                          int32_t index, NrLevelFilter* out);

/* Pass 1 and pass 2 of one tile in one call; NR_ERR_FAILED when pass 1 created no job. */
int nr_tile_process(void* user, struct NrImage* dst, const struct NrImage* src, const int32_t* rect,
                    int32_t index, NrNoiseProfile* profile, struct NrParams* params);

/* ---- Maps of pass 1 (portable forms) ----------------------------------------------------------
 */

/*
 * Fills a noise map from the coarsest luma low-pass level: the level's inner area plus 4 samples
 * on every side, each sample table[c >> (8 - log2_size)].
 */
void nr_noise_map_fill(NrNoiseMap* map, const struct NrLevel* coarse, const uint8_t* table,
                       int32_t log2_size, int32_t table_index);

/*
 * Edge map of the coarsest luma low-pass into the edge plane, which takes over the level's width,
 * height and margins; every sample but the outer ring gets the clamped Sobel magnitude sum.
 */
void nr_edge_map_compute(struct NrLevel* edge, const struct NrLevel* coarse);

#endif /* NR_TILES_H */

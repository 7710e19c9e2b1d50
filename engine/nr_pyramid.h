// Tile pyramid: per channel group a stack of 8-bit levels with margins, each coarser level a 2:1
// downsample of the one above, every level but the coarsest replaced (in place when band planes
// are shared) by its band, the signed difference to the upsampled coarser level.
//
// Coordinates: every level has a frame of its own (the caller's frame halved per level). A level's
// buffer covers its inner area (the tile's part) plus the margins; buffer column c is frame column
// origin_x - margin_left + c. Samples outside the frame are mirror-padded, never read from the
// caller's image.
//
// A pyramid belongs to one tile job and one thread at a time. Memory comes from nr_malloc/nr_free
// with the caller's allocator user pointer.
#ifndef NR_PYRAMID_H
#define NR_PYRAMID_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Margins {left, top, right, bottom}, or a rectangle {x0, y0, x1, y1} in the same four fields.
typedef struct NrRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
} NrRect;

typedef struct NrSize {
    int32_t width;
    int32_t height;
} NrSize;

// One pyramid level or one band.
typedef struct NrLevel {
    uint8_t* plane;  // top-left sample of the buffer (margins included); null until allocated
    uint32_t format; // 16 (unsigned 8-bit) for levels, 272 (signed 8-bit) for bands
    int32_t width;   // buffer width in samples, margins included
    int32_t height;  // buffer height in rows, margins included
    int32_t stride;  // row pitch in samples, a multiple of 4
    int32_t margin_left;
    int32_t margin_top;
    int32_t margin_right;
    int32_t margin_bottom;
    int32_t origin_x; // frame position of the inner area's top-left sample
    int32_t origin_y;
    int32_t limit_x; // width and height of the level's frame
    int32_t limit_y;
} NrLevel;

// The pyramid of one channel group: levels[0] (finest) .. levels[n-1] (coarsest low-pass) and
// bands[0] .. bands[n-2]; both arrays are one zero-filled block of 2n - 1 records.
typedef struct NrLevelGroup {
    int32_t level_count;
    NrLevel* levels;
    NrLevel* bands;
} NrLevelGroup;

// Group 0 is luma, groups 1 and 2 the chroma channels in the order of the image's chroma planes.
typedef struct NrPyramid {
    int32_t group_count;
    NrLevelGroup* groups;
} NrPyramid;

#define NR_PYRAMID_MAX_LEVELS 5

/* Sets all four fields of `r` to `value`. */
void nr_rect_set_all(NrRect* r, int32_t value);

/* nr_pyramid_create:
 * Sets up `p` (empty or partly set up: existing arrays and planes are kept) for frames of `format`
 * (an internal NrFormat code; levels get format & 0xFFF0, bands that | 0x100) and size
 * frame_w x frame_h. tile: tile size, null = the frame size. wanted / minimum: margins, null = 0.
 * luma_levels, chroma_levels: 1 to 5 (chroma <= 0: luma only). share: nonzero lets band j live in
 * level j's plane. Returns 0 or NR_ERR_NO_MEMORY; what was allocated stays for nr_pyramid_free. */
int nr_pyramid_create(void* user, NrPyramid* p, uint32_t format, int32_t frame_w, int32_t frame_h,
                      const NrSize* tile, const NrRect* wanted, const NrRect* minimum,
                      int32_t luma_levels, int32_t chroma_levels, int32_t share);

/* Places the tile (x, y, w, h) of a frame_w x frame_h frame on every level of every group: origins,
 * and widths/heights reduced by what reaches past the frame. Margins, limits, strides and planes
 * are kept. Returns 1. */
int nr_pyramid_set_rect(NrPyramid* p, int32_t x, int32_t y, int32_t w, int32_t h, int32_t frame_w,
                        int32_t frame_h);

/* Moves an allocated pyramid to the tile origin (x, y) in luma frame coordinates, keeping every
 * size. Returns 1. */
int nr_pyramid_move(NrPyramid* p, int32_t x, int32_t y);

/* Builds every group with at least 2 levels: downsample, pad, band, pad, fine to coarse.
 * Returns 0 or the first non-zero kernel result. */
int nr_pyramid_build(void* user, NrPyramid* p);

/* Builds one group; overrides (null, or `count` level records with planes) are copied over the
 * levels where they overlap in frame coordinates: override 0 over level 0 before the build,
 * override i + 1 over level i + 1 right after each downsample, before band i is formed. Returns 0
 * or the first non-zero kernel result. */
int nr_group_build(void* user, NrLevelGroup* g, const NrLevel* overrides, int32_t count);

/* target = clamp(0..255, band + upsample(coarse)) over the target's valid columns and rows, then
 * mirror-pads the target. Returns 0. */
int nr_level_reconstruct(void* user, NrLevel* target, const NrLevel* band, const NrLevel* coarse);

/* Reconstructs all levels of one group, coarsest first. Returns 0 or the first failure. */
int nr_group_reconstruct(void* user, NrLevelGroup* g);

/* Releases every plane (shared ones once), the level blocks and the group array; leaves `p` empty.
 * Accepts a null or partly created pyramid. */
void nr_pyramid_free(void* user, NrPyramid* p);

/* Mirror-pads a 1-byte-sample buffer outside its valid rectangle (widened by extra_x / extra_y to
 * the right and bottom). Every read stays inside the valid rectangle; the whole buffer is filled.
 * Other sample sizes and empty valid rectangles are left as they are. */
void nr_level_pad_borders(NrLevel* level, int32_t extra_x, int32_t extra_y);

/* Sets the margins (null = 0), width and height including them and the format, and allocates the
 * plane (stride = width rounded up to 4) unless the record already has one. 0 or
 * NR_ERR_NO_MEMORY. */
int nr_plane_alloc(void* user, NrLevel* level, uint32_t format, const NrRect* margins,
                   int32_t width, int32_t height);

/* Allocates the zero-filled group array when absent. 0 or NR_ERR_NO_MEMORY. */
int nr_pyramid_alloc_groups(void* user, NrPyramid* p, int32_t count);

/* Allocates one group's zero-filled block of 2n - 1 level records when absent. 0 or
 * NR_ERR_NO_MEMORY. */
int nr_group_alloc_levels(void* user, NrLevelGroup* g, int32_t n);

/* Releases one group's level block (not its planes); count 0, pointers cleared. */
void nr_group_free_levels(void* user, NrLevelGroup* g);

/* Inner area of `level` as a level record of its own: plane at the inner top-left, no margins. */
void nr_level_inner_view(const NrLevel* level, NrLevel* view);

/* Downsamples `fine` into `coarse` over the coarse frame rectangle `rect` {x0, y0, x1, y1} (null:
 * everything the build would write), with the build's placement rule. Returns the kernel result. */
int nr_downsample_level(const NrLevel* fine, NrLevel* coarse, const NrRect* rect);

/* Upsamples `coarse` into `target` (format 16) over the target frame rectangle `rect` (null:
 * everything the build would write), with the build's placement rule. Returns the kernel result. */
int nr_upsample_level(const NrLevel* coarse, NrLevel* target, const NrRect* rect);

/* Sum of |band| over the band-buffer rectangle `rect` {x0, y0, x1, y1} (null: the inner area),
 * clipped to the buffer. */
uint32_t nr_level_abs_sum(const NrLevel* band, const NrRect* rect);

#ifdef __cplusplus
}
#endif

#endif

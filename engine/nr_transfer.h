// Tile import/export between a caller's image and level 0 of a tile's pyramid, the layout
// conversions behind it, the tile walk and a tile cursor that carries overlaps between tiles.
//
// Direction flag everywhere: 1 imports (frame to planes), 0 exports (planes to frame). Pitches
// count samples (bytes for every 8-bit layout). Import reads the level's whole buffer as far as it
// lies inside the frame and mirror-pads the rest; export writes only the inner area, so
// neighbouring tiles write disjoint frame rectangles. No state, no locks.
#ifndef NR_TRANSFER_H
#define NR_TRANSFER_H

#include <stdint.h>

#include "nr_pyramid.h"

#ifdef __cplusplus
extern "C" {
#endif

struct NrImage;

/* Moves level 0 of every group of `p` from (flag 1) or to (flag 0) `image` (internal format code,
 * sample strides), by the image's layout. Reports nothing: unknown layouts, missing groups or
 * planes that cannot be resolved leave levels and frame as they were. */
void nr_tile_transfer(NrPyramid* p, struct NrImage* image, int32_t flag);

/* Moves one channel between a frame plane (sample `index` of every `step` samples, pitch in
 * samples) and `level`: import reads the level's import rectangle and mirror-pads, export writes
 * the inner area. Nothing for a level outside its frame. 0 or NR_ERR_SAMPLE_FORMAT. */
int nr_level_transfer_channel(NrLevel* level, uint8_t* frame, int32_t frame_pitch, int32_t step,
                              int32_t index, uint32_t sample_format, int32_t flag);

/* Mirror-pads `level` treating its inner area as the valid rectangle (whatever its origin). */
void nr_level_pad_inner(NrLevel* level);

/* Walks tiles row by row: x += step_w; past region.right the next row starts at region.left;
 * returns 1 while (x, y) is inside the region, 0 when the walk is over. */
int nr_tile_next(int32_t* x, int32_t* y, int32_t step_w, int32_t step_h, const NrRect* region);

/* ---- conversion kernels: width x height pixels, pitches in samples, flag 1 import ---------- */

/* 3 interleaved samples per pixel <-> three planes; only when both formats are 16 (8-bit). */
void nr_convert_interleaved3(uint8_t* frame, int32_t frame_pitch, uint8_t* p0, int32_t pitch0,
                             uint8_t* p1, int32_t pitch1, uint8_t* p2, int32_t pitch2,
                             int32_t width, int32_t height, uint32_t level_format,
                             uint32_t image_format, int32_t flag);

/* Y0 U Y1 V rows worked as 4:2:0: rows in pairs; import takes chroma from the first row of a pair,
 * export writes chroma into both rows. An odd last column and row are not transferred. */
void nr_convert_yuyv420(uint8_t* frame, int32_t frame_pitch, uint8_t* y, int32_t y_pitch,
                        uint8_t* u, int32_t u_pitch, uint8_t* v, int32_t v_pitch, int32_t width,
                        int32_t height, int32_t flag);
/* One row pair (import: chroma from row 0; export: chroma into both rows). */
void nr_convert_yuyv420_words(uint8_t* row0, uint8_t* row1, uint8_t* y0, uint8_t* y1, uint8_t* u,
                              uint8_t* v, int32_t width, int32_t flag);

/* Y0 U Y1 V rows <-> 4:2:2 planes (chroma at half width, every row). */
void nr_convert_yuyv422(uint8_t* frame, int32_t frame_pitch, uint8_t* y, int32_t y_pitch,
                        uint8_t* u, int32_t u_pitch, uint8_t* v, int32_t v_pitch, int32_t width,
                        int32_t height, int32_t flag);
void nr_convert_yuyv422_words(uint8_t* row, uint8_t* y, uint8_t* u, uint8_t* v, int32_t width,
                              int32_t flag);

/* U Y0 V Y1 rows <-> 4:2:2 planes (even widths). */
void nr_convert_uyvy422(uint8_t* frame, int32_t frame_pitch, uint8_t* y, int32_t y_pitch,
                        uint8_t* u, int32_t u_pitch, uint8_t* v, int32_t v_pitch, int32_t width,
                        int32_t height, int32_t flag);
void nr_convert_uyvy422_words(uint8_t* row, uint8_t* y, uint8_t* u, uint8_t* v, int32_t width,
                              int32_t flag);

/* 16-byte groups of 8 pixels (8 Y, 4 U, 4 V); the last width & 7 pixels are not transferred. */
void nr_convert_groups16(uint8_t* frame, int32_t frame_pitch, uint8_t* y, int32_t y_pitch,
                         uint8_t* u, int32_t u_pitch, uint8_t* v, int32_t v_pitch, int32_t width,
                         int32_t height, int32_t flag);

/* Interleaved chroma pairs <-> two planes; `width` counts pairs. */
void nr_convert_pairs(uint8_t* frame, int32_t frame_pitch, uint8_t* p0, int32_t pitch0, uint8_t* p1,
                      int32_t pitch1, int32_t width, int32_t height, int32_t flag);
void nr_convert_pairs_words(uint8_t* row, uint8_t* p0, uint8_t* p1, int32_t width, int32_t flag);

/* Luma bytes 0-7 of 16-byte groups <-> a plane; the last width & 7 pixels are not transferred. */
void nr_copy_units8(uint8_t* frame, int32_t frame_pitch, uint8_t* plane, int32_t plane_pitch,
                    int32_t width, int32_t height, int32_t flag);

/* Bytes 0-1 of 4-byte groups (two pixels' luma) <-> a plane; an odd last pixel is not moved. */
void nr_convert_halfword0(uint8_t* frame, int32_t frame_pitch, uint8_t* plane, int32_t plane_pitch,
                          int32_t width, int32_t height, int32_t flag);

/* Bytes 2 and 0 of 4-byte groups (first and second pixel's luma) <-> a plane. */
void nr_convert_bytes20(uint8_t* frame, int32_t frame_pitch, uint8_t* plane, int32_t plane_pitch,
                        int32_t width, int32_t height, int32_t flag);

/* One sample (`index` of every `step`) of 8- or 16-bit frames <-> a plane; pitches in samples.
 * 0, or NR_ERR_SAMPLE_FORMAT (nothing moved) for other sample sizes. */
int nr_channel_transfer(uint8_t* frame, int32_t frame_pitch, uint8_t* plane, int32_t plane_pitch,
                        int32_t width, int32_t height, int32_t step, int32_t index,
                        uint32_t sample_format, int32_t flag);
/* Even bytes of a row (step 2, index 0) <-> plane samples. */
void nr_extract_even_bytes(uint8_t* frame, uint8_t* plane, int32_t width, int32_t flag);

/* ---- tile cursor --------------------------------------------------------------------------- */

// Holds one working level and walks a region of a single-plane 8-bit frame with it, carrying the
// overlap between neighbouring tiles in two strips so that each frame sample is read once.
typedef struct NrTileCursor {
    NrLevel level;
    int32_t step_x, step_y;
    NrRect margins;
    NrRect outer;
    int32_t start_x, start_y;
    int32_t end_x, end_y;
    uint8_t* right_strip;
    int32_t right_pitch;
    uint8_t* bottom_strip;
    int32_t bottom_pitch;
    // walk state
    int32_t tile_x, tile_y, tile_w, tile_h;
    int32_t frame_w, frame_h;
    int32_t carry_x, carry_y; // columns / rows carried in the strips
    int32_t strip_w, strip_h; // allocated strip sizes
    int32_t has_right, has_bottom;
    int32_t bottom_row0, bottom_row1; // frame rows the bottom strip holds for this tile row
    int32_t next_row0, next_row1;     // rows being saved for the next tile row
} NrTileCursor;

/* tile: tile size (null = the frame size); region {left, top, right, bottom} (null = the frame);
 * margins / outer: null = 0; format: 16. 0 or NR_ERR_NO_MEMORY (release with
 * nr_tile_cursor_free). */
int nr_tile_cursor_init(void* user, NrTileCursor* c, const NrSize* tile, const NrRect* region,
                        const NrRect* margins, const NrRect* outer, uint32_t format,
                        int32_t frame_w, int32_t frame_h);
/* Advances to the next tile: 1 while tiles remain, 0 at the end. */
int nr_tile_cursor_next(NrTileCursor* c);
/* Import (flag 1): fills the cursor's level for the current tile from `frame` (pitch in samples)
 * and the carried strips, then mirror-pads. Export (flag 0): writes the inner area. Tiles must be
 * imported in walk order. */
void nr_tile_cursor_transfer(NrTileCursor* c, uint8_t* frame, int32_t frame_pitch, int32_t flag);
void nr_tile_cursor_free(void* user, NrTileCursor* c);

#ifdef __cplusplus
}
#endif

#endif

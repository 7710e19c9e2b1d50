// Pyramid pixel kernels: 2:1 downsample, 1:2 upsample, the fused band build and reconstruction,
// and the band kernels (subtract, add, scale by an 8.8 gain, sum of magnitudes).
//
// Every kernel takes plane pointers with a row pitch in samples for each plane. The resampling
// kernels take the output range [x0, x1) x [y0, y1) in output coordinates: output (x, y) of a
// downsample is centred on source (2x, 2y); output (x, y) of an upsample reads source
// (x >> 1, y >> 1) and its right and lower neighbours. The source extent (sw x sh) bounds every
// read. Levels are unsigned 8-bit (format 16), bands signed 8-bit.
//
// The wrappers (nr_downsample, nr_upsample, nr_upsample_subtract, nr_upsample_add) only work
// format 16; for any other format they write nothing and return 0. They pick the fast forms by
// nr_cpu_flags(): the fast forms give the portable results bit for bit, except nr_upsample, whose
// interior (fast form) is truncating and whose borders (portable form) are rounding.
//
// No state, no allocation, no locks: any number of threads may run them on different planes.
#ifndef NR_KERNELS_H
#define NR_KERNELS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Working sample formats: one unsigned byte (levels) and one signed byte (bands).
#define NR_SAMPLE_U8 0x10u
#define NR_SAMPLE_S8 0x110u

/* ---- wrappers ---------------------------------------------------------------------------- */

/* 2:1 downsample of src (sw x sh) into dst over the output range; 1 2 1 weights inside, two-tap
 * edge weights where a neighbour lies outside the source. Returns 0. */
int nr_downsample(uint8_t* dst, int32_t dst_pitch, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                  const uint8_t* src, int32_t src_pitch, int32_t sw, int32_t sh, uint32_t format);

/* 1:2 upsample of src (sw x sh) into dst over the output range. Border strips get the rounded
 * (portable) values, the interior the truncated values of the fast form. Returns 0. */
int nr_upsample(uint8_t* dst, int32_t dst_pitch, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                const uint8_t* src, int32_t src_pitch, int32_t sw, int32_t sh, uint32_t format);

/* In place: band = clamp(-128..127, fine - up(coarse)); `band` holds the fine level on entry.
 * Truncating upsample. Returns 0. */
int nr_upsample_subtract(int8_t* band, int32_t band_pitch, int32_t x0, int32_t y0, int32_t x1,
                         int32_t y1, const uint8_t* coarse, int32_t coarse_pitch, int32_t sw,
                         int32_t sh, uint32_t format);

/* In place: fine = clamp(0..255, band + up(coarse)); `fine` holds the band on entry. Truncating
 * upsample. Returns 0. */
int nr_upsample_add(uint8_t* fine, int32_t fine_pitch, int32_t x0, int32_t y0, int32_t x1,
                    int32_t y1, const uint8_t* coarse, int32_t coarse_pitch, int32_t sw, int32_t sh,
                    uint32_t format);

/* ---- portable forms (any range, any alignment) ------------------------------------------- */

void nr_downsample_rect(uint8_t* dst, int32_t dst_pitch, int32_t x0, int32_t y0, int32_t x1,
                        int32_t y1, const uint8_t* src, int32_t src_pitch, int32_t sw, int32_t sh);
void nr_upsample_rect(uint8_t* dst, int32_t dst_pitch, int32_t x0, int32_t y0, int32_t x1,
                      int32_t y1, const uint8_t* src, int32_t src_pitch, int32_t sw, int32_t sh);
void nr_upsample_subtract_rect(int8_t* band, int32_t band_pitch, int32_t x0, int32_t y0, int32_t x1,
                               int32_t y1, const uint8_t* coarse, int32_t coarse_pitch, int32_t sw,
                               int32_t sh);
void nr_upsample_add_rect(uint8_t* fine, int32_t fine_pitch, int32_t x0, int32_t y0, int32_t x1,
                          int32_t y1, const uint8_t* coarse, int32_t coarse_pitch, int32_t sw,
                          int32_t sh);

/* ---- fast forms (aligned interior by words / vectors, borders by the portable forms) ------ */

void nr_downsample_fast(uint8_t* dst, int32_t dst_pitch, int32_t x0, int32_t y0, int32_t x1,
                        int32_t y1, const uint8_t* src, int32_t src_pitch, int32_t sw, int32_t sh);
void nr_upsample_fast(uint8_t* dst, int32_t dst_pitch, int32_t x0, int32_t y0, int32_t x1,
                      int32_t y1, const uint8_t* src, int32_t src_pitch, int32_t sw, int32_t sh);
void nr_upsample_subtract_fast(int8_t* band, int32_t band_pitch, int32_t x0, int32_t y0, int32_t x1,
                               int32_t y1, const uint8_t* coarse, int32_t coarse_pitch, int32_t sw,
                               int32_t sh);
void nr_upsample_add_fast(uint8_t* fine, int32_t fine_pitch, int32_t x0, int32_t y0, int32_t x1,
                          int32_t y1, const uint8_t* coarse, int32_t coarse_pitch, int32_t sw,
                          int32_t sh);

/* ---- band kernels (width x height samples; fast forms chosen by nr_cpu_flags) ------------- */

/* out = clamp(-128..127, a - b), a and b unsigned. */
void nr_band_subtract_u8(const uint8_t* a, int32_t a_pitch, const uint8_t* b, int32_t b_pitch,
                         int8_t* out, int32_t out_pitch, int32_t width, int32_t height);

/* out = clamp(0..255, a + s), a unsigned, s signed. */
void nr_band_add_u8(const uint8_t* a, int32_t a_pitch, const int8_t* s, int32_t s_pitch,
                    uint8_t* out, int32_t out_pitch, int32_t width, int32_t height);

/* out = clamp(-128..127, (gain * s + 128) >> 8), gain in 8.8 (256 = 1.0), arithmetic shift.
 * `out` may equal `s` (in place). */
void nr_band_scale_s8(const int8_t* s, int32_t s_pitch, int8_t* out, int32_t out_pitch,
                      int32_t width, int32_t height, int32_t gain);

/* Sum of |s| over the rectangle. */
uint32_t nr_band_abs_sum(const int8_t* s, int32_t s_pitch, int32_t width, int32_t height);

#ifdef __cplusplus
}
#endif

/* ---- row bodies of the fast forms (internal; tests and benchmarks call them directly) ----- */
// Each body does a whole number of vector steps from the start of the run and returns how many
// outputs it wrote (0 when the run is shorter than one step); the caller finishes the run.

#ifdef __cplusplus
extern "C" {
#endif

// Downsample interior: dst[i] for i < n from source rows r0, r1, r2 (rows 2Y-1, 2Y, 2Y+1) at
// column 2X; reads columns -1 .. 2n-1 of the rows.
typedef int32_t (*NrDownsampleRowFn)(uint8_t* dst, const uint8_t* r0, const uint8_t* r1,
                                     const uint8_t* r2, int32_t n);
// Upsample interior (truncating), n even outputs of rows 2k (d0) and 2k+1 (d1, may be null) from
// source rows k (s0) and k+1 (s1) starting at an even column; reads columns 0 .. n/2.
typedef int32_t (*NrUpsampleRowsFn)(uint8_t* d0, uint8_t* d1, const uint8_t* s0, const uint8_t* s1,
                                    int32_t n);
typedef int32_t (*NrBandSubtractRowFn)(const uint8_t* a, const uint8_t* b, int8_t* out, int32_t n);
typedef int32_t (*NrBandAddRowFn)(const uint8_t* a, const int8_t* s, uint8_t* out, int32_t n);
typedef int32_t (*NrBandScaleRowFn)(const int8_t* s, int8_t* out, int32_t n, int32_t gain);
// Adds the sum of |s| over the samples it covers to *sum.
typedef int32_t (*NrBandAbsSumRowFn)(const int8_t* s, int32_t n, uint32_t* sum);

int32_t nr_downsample_row_sse2(uint8_t* dst, const uint8_t* r0, const uint8_t* r1,
                               const uint8_t* r2, int32_t n);
int32_t nr_upsample_rows_sse2(uint8_t* d0, uint8_t* d1, const uint8_t* s0, const uint8_t* s1,
                              int32_t n);
int32_t nr_upsample_subtract_rows_sse2(uint8_t* b0, uint8_t* b1, const uint8_t* s0,
                                       const uint8_t* s1, int32_t n);
int32_t nr_upsample_add_rows_sse2(uint8_t* f0, uint8_t* f1, const uint8_t* s0, const uint8_t* s1,
                                  int32_t n);
int32_t nr_band_subtract_row_sse2(const uint8_t* a, const uint8_t* b, int8_t* out, int32_t n);
int32_t nr_band_add_row_sse2(const uint8_t* a, const int8_t* s, uint8_t* out, int32_t n);
int32_t nr_band_scale_row_sse2(const int8_t* s, int8_t* out, int32_t n, int32_t gain);
int32_t nr_band_abs_sum_row_sse2(const int8_t* s, int32_t n, uint32_t* sum);

// Layout conversions of the tile transfer (flag 1 frame to planes, 0 planes to frame); each
// returns the pixels it moved from the start of the row, a multiple of 16.
// Y0 U Y1 V row pair <-> luma rows and one chroma row (import takes row 0's chroma, export writes
// it into both rows).
int32_t nr_yuyv420_rows_sse2(uint8_t* row0, uint8_t* row1, uint8_t* y0, uint8_t* y1, uint8_t* u,
                             uint8_t* v, int32_t width, int32_t flag);
// Even bytes of a row <-> plane samples (export keeps the odd bytes).
int32_t nr_even_bytes_sse2(uint8_t* frame, uint8_t* plane, int32_t width, int32_t flag);

int32_t nr_downsample_row_avx2(uint8_t* dst, const uint8_t* r0, const uint8_t* r1,
                               const uint8_t* r2, int32_t n);
int32_t nr_upsample_rows_avx2(uint8_t* d0, uint8_t* d1, const uint8_t* s0, const uint8_t* s1,
                              int32_t n);
int32_t nr_upsample_subtract_rows_avx2(uint8_t* b0, uint8_t* b1, const uint8_t* s0,
                                       const uint8_t* s1, int32_t n);
int32_t nr_upsample_add_rows_avx2(uint8_t* f0, uint8_t* f1, const uint8_t* s0, const uint8_t* s1,
                                  int32_t n);
int32_t nr_band_subtract_row_avx2(const uint8_t* a, const uint8_t* b, int8_t* out, int32_t n);
int32_t nr_band_add_row_avx2(const uint8_t* a, const int8_t* s, uint8_t* out, int32_t n);
int32_t nr_band_scale_row_avx2(const int8_t* s, int8_t* out, int32_t n, int32_t gain);
int32_t nr_band_abs_sum_row_avx2(const int8_t* s, int32_t n, uint32_t* sum);
// The Y0 U Y1 V row pair conversion 32 pixels at a time; returns a multiple of 32.
int32_t nr_yuyv420_rows_avx2(uint8_t* row0, uint8_t* row1, uint8_t* y0, uint8_t* y1, uint8_t* u,
                             uint8_t* v, int32_t width, int32_t flag);

#ifdef __cplusplus
}
#endif

#endif

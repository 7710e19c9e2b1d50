/*
 * nr_image.h - internal format codes and the image descriptor NrImage.
 *
 * An NrFormat code is a 32-bit word of bit fields:
 *   bits 0-3    channels (3, or 1 for a single grey or band plane)
 *   bits 4-7    bytes per sample (1 or 2)
 *   bit 8       signed samples (band planes)
 *   bits 12-15  flags (cleared in working copies made for the pyramid)
 *   bits 16-23  variant (carried, never read)
 *   bit 28      planar: channels in separate planes
 *   bits 24-31 with bit 28 cleared: layout family (see below)
 *
 * Layout families (packed / planar):
 *   0x00  3 interleaved samples per pixel / three full-size planes
 *   0x01  two samples per pixel
 *   0x20  Y0 U Y1 V per pixel pair / luma plus half-width chroma planes
 *   0x21  U Y0 V Y1;  0x22  16-byte groups of 8 Y, 4 U, 4 V;  0x23  Y0 Y1 U V;  0x24  Y1 V Y0 U
 *   0x40  planar 4:2:0, planes Y, U, V
 *   0x41  planar 4:2:0, Y plus one plane of U V pairs;  0x42  the same with V U pairs
 */
#ifndef NR_IMAGE_H
#define NR_IMAGE_H

#include <stddef.h>
#include <stdint.h>

#include "nr_engine.h"

typedef uint32_t NrFormat;

/* The working sample formats of the pyramid and the filters. */
#define NR_FMT_U8 0x10u  /* one unsigned byte per sample, one channel */
#define NR_FMT_S8 0x110u /* one signed byte per sample: a band plane */

/* Codes of the public formats. */
#define NR_CODE_YUV444 0x00000013u
#define NR_CODE_YUY2 0x20000013u
#define NR_CODE_UYVY 0x21000013u
#define NR_CODE_I420 0x50000013u
#define NR_CODE_NV12 0x51000013u
#define NR_CODE_NV21 0x52800013u

/* Highest format index of the format table. */
#define NR_FORMAT_INDEX_MAX 14

/* "Chroma-subsampled" codes are the ones at or above this value. */
#define NR_CODE_SUBSAMPLED 0x20000000u

static inline int32_t nr_format_channels(NrFormat code) {
    return (int32_t)(code & 0xfu);
}
static inline int32_t nr_format_bytes(NrFormat code) {
    return (int32_t)((code >> 4) & 0xfu);
}
static inline int32_t nr_format_is_signed(NrFormat code) {
    return (int32_t)((code >> 8) & 1u);
}
static inline int32_t nr_format_is_planar(NrFormat code) {
    return (int32_t)((code >> 28) & 1u);
}
/* Layout family: bits 24-31 with the planar bit cleared, shifted down (0x00 .. 0xef). */
static inline uint32_t nr_format_family(NrFormat code) {
    return (code & 0xef000000u) >> 24;
}

/*
 * NrImage: one image, plane or pyramid level.
 *
 * At the public boundary the format field holds the format index (1 to 14) and strides count
 * bytes; inside the engine it holds the NrFormat code and strides count samples.
 *
 * Two views: the packed view is data with stride strides[0] (one buffer holding all planes of
 * a planar format one after another); the planar view is planes[0..3] with strides[0..3]. Packed
 * codes use the packed view only. A planar code may arrive with only the packed view (an
 * allocated image); nr_image_resolve_planes then derives the planar view. planes[0] non-null
 * means the planar view is set.
 */
typedef struct NrImage {
    int32_t width;
    int32_t height;
    uint32_t format;
    int32_t strides[4];
    uint8_t* planes[4];
    uint8_t* data;
} NrImage;

/* ---- Format table -----------------------------------------------------------------------------
 */

/* Internal code of a format index; 0 for index 0, above 14 or an unsupported entry. */
NrFormat nr_format_code(int32_t index);

/* Format index of an internal code; 0 for a code not in the table. */
int32_t nr_format_index(NrFormat code);

/* Format index of a public NrFrameFormat code; 0 for an unknown code. */
int32_t nr_frame_format_index(uint32_t frame_format);

/* ---- Public boundary --------------------------------------------------------------------------
 */

/*
 * Fills an indexed descriptor (format index, byte strides) from a caller's frame: packed formats
 * take plane 0 and stride 0 into the packed view, I420 planes 0 to 2 and NV12/NV21 planes 0 and
 * 1 into the planar view. NR_OK, NR_ERR_INVALID_ARG for null, NR_ERR_FORMAT for an unknown code.
 */
int32_t nr_image_from_frame(const NrFrame* frame, NrImage* image);

/*
 * Copies an indexed descriptor, replacing the index by its code and byte strides by sample
 * strides (the first channels strides of a planar code whose planar view is set, else stride 0).
 */
void nr_image_to_internal(NrImage* out, const NrImage* in);

/* The inverse: code to index, sample strides to byte strides. */
void nr_image_to_indexed(NrImage* out, const NrImage* in);

/* Indexed forms of the internal operations below (NR_ERR_FORMAT for an unsupported index). */
int32_t nr_image_alloc_indexed(void* user, NrImage* image, int32_t index, int32_t width,
                               int32_t height);
int32_t nr_image_copy_indexed(const NrImage* src, NrImage* dst);       /* via copy_resolved */
int32_t nr_image_copy_indexed_plain(const NrImage* src, NrImage* dst); /* via nr_image_copy */
void nr_image_free_indexed(void* user, NrImage* image);
int32_t nr_image_view_at(NrImage* out, const NrImage* image, int32_t x, int32_t y);

/* ---- Internal operations (codes, sample strides) ----------------------------------------------
 */

/*
 * Allocates one buffer for all planes of a width x height image of the code and fills width,
 * height, format, the packed stride and data (the planar view stays clear). NR_ERR_FORMAT for an
 * unsupported layout, NR_ERR_SIZE for a non-positive or too large size or a chroma width that is
 * not a multiple of 4, NR_ERR_NO_MEMORY. On failure data is null.
 */
int32_t nr_image_alloc(void* user, NrImage* image, NrFormat code, int32_t width, int32_t height);

/* Releases the packed buffer and clears the pointers. */
void nr_image_free(void* user, NrImage* image);

/*
 * Derives or tidies the planar view of a planar code (packed codes: NR_OK untouched).
 * NR_ERR_FORMAT for an unknown planar family (the descriptor is left as it was).
 */
int32_t nr_image_resolve_planes(NrImage* image);

/*
 * Copies every plane of src into dst. NR_ERR_FORMAT when the codes differ or the layout is
 * unknown, NR_ERR_FAILED for a missing plane, NR_ERR_SIZE when dst is smaller than src.
 */
int32_t nr_image_copy(const NrImage* src, NrImage* dst);

/* Resolves both (its status first), checks the codes, then nr_image_copy. */
int32_t nr_image_copy_resolved(const NrImage* src, NrImage* dst);

/* Moves every plane pointer (after resolution) to pixel (x, y). NR_OK or resolution status. */
int32_t nr_image_offset(NrImage* image, int32_t x, int32_t y);

/* Pixel (x, y) as 0xYYUUVV; 0 for an unknown code or a failed resolution. */
uint32_t nr_image_get_pixel(const NrImage* image, int32_t x, int32_t y);

/* Writes Y = bits 16-23, U = bits 8-15, V = bits 0-7 of value to pixel (x, y). */
void nr_image_set_pixel(NrImage* image, int32_t x, int32_t y, uint32_t value);

/* ---- Band wrappers (checked entry points to the band kernels) ----------------------------------
 * Each plane comes with its stride (samples) and code; widths and heights in samples. */

/* band = clamp(a - b, -128, 127). a, b: equal unsigned 8-bit codes; band signed 8-bit. */
int32_t nr_band_subtract(const void* a, int32_t a_stride, NrFormat a_code, const void* b,
                         int32_t b_stride, NrFormat b_code, void* band, int32_t band_stride,
                         NrFormat band_code, int32_t width, int32_t height);

/* out = clamp(a + band, 0, 255). a, out: equal unsigned 8-bit codes; band signed 8-bit. */
int32_t nr_band_add(const void* a, int32_t a_stride, NrFormat a_code, const void* band,
                    int32_t band_stride, NrFormat band_code, void* out, int32_t out_stride,
                    NrFormat out_code, int32_t width, int32_t height);

/*
 * out = clamp((gain * band + 128) >> 8, -128, 127). Codes must be equal; gain 256 returns NR_OK
 * at once without touching anything; otherwise the code must be exactly NR_FMT_S8.
 */
int32_t nr_band_scale(const void* band, int32_t band_stride, NrFormat band_code, void* out,
                      int32_t out_stride, NrFormat out_code, int32_t width, int32_t height,
                      int32_t gain);

/*
 * Per sample (sample + offset) * gain >> 8, saturated to the sample range; offset 0 and gain 256
 * with equal codes copy rows. Unsigned 8-bit to unsigned 8-bit and signed 8-bit to signed 8-bit
 * only; other combinations leave dst untouched. Always NR_OK.
 */
int32_t nr_plane_scale(const void* src, int32_t src_stride, NrFormat src_code, void* dst,
                       int32_t dst_stride, NrFormat dst_code, int32_t width, int32_t height,
                       int32_t offset, int32_t gain);

#endif /* NR_IMAGE_H */

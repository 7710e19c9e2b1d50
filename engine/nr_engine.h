/*
 * nr_engine.h - public interface of the noise-reduction engine.
 *
 * The engine removes noise from 8-bit YUV frames. It is a library of plain functions behind one
 * opaque context, NrEngine. Every function returns an int32_t status: NR_OK (0) on success, a
 * negative NR_ERR_* code on failure (the progress callback may add its own non-zero value).
 *
 * Threading: a context serves one caller at a time; its functions are not safe to call
 * concurrently on the same context. Different contexts are independent and may be used from
 * different threads at once. Each context owns four worker threads that nr_engine_process uses
 * internally; the call itself is synchronous.
 */
#ifndef NR_ENGINE_H
#define NR_ENGINE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes. */
enum {
    NR_OK = 0,
    NR_ERR_FAILED = -1,          /* missing context or internal object, thread or lock failure */
    NR_ERR_INVALID_ARG = -2,     /* null engine, image or other required argument */
    NR_ERR_FORMAT = -101,        /* unknown frame format, or formats that must match do not */
    NR_ERR_SIZE = -103,          /* frames that differ in size or format, unusable plane size */
    NR_ERR_NO_MEMORY = -201,     /* an allocation failed */
    NR_ERR_MODE = -401,          /* nr_engine_set_mode with a value other than 0 or 1 */
    NR_ERR_SAMPLE_FORMAT = -701, /* planes of the wrong sample format */
    NR_ERR_FILTER_TYPE = -801    /* a filter-type byte naming an unknown filter kind */
};

/* Frame formats. Every sample is an unsigned byte. */
typedef enum NrFrameFormat {
    NR_FORMAT_YUV444 = 0x401, /* 3 bytes per pixel, Y U V interleaved; plane 0 */
    NR_FORMAT_YUY2 = 0x501,   /* packed 4:2:2, Y0 U Y1 V per pixel pair; plane 0 */
    NR_FORMAT_UYVY = 0x503,   /* packed 4:2:2, U Y0 V Y1 per pixel pair; plane 0 */
    NR_FORMAT_I420 = 0x601,   /* planes Y, U, V; chroma halved both ways; planes 0 to 2 */
    NR_FORMAT_NV12 = 0x801, /* plane Y plus interleaved U V pairs, halved both ways; planes 0, 1 */
    NR_FORMAT_NV21 = 0x802  /* plane Y plus interleaved V U pairs, halved both ways; planes 0, 1 */
} NrFrameFormat;

/*
 * NrFrame: the caller's image record. The caller zero-fills and fills it; the engine only reads
 * the record (and writes pixels through the planes of a destination frame).
 *   format   an NrFrameFormat code
 *   width    width in pixels, height in pixels
 *   planes   plane base addresses; entries 0 to 2 as the format says, entry 3 unused
 *   strides  row strides in bytes, indexed like planes; entry 3 unused
 */
typedef struct NrFrame {
    uint32_t format;
    int32_t width;
    int32_t height;
    uint8_t* planes[4];
    int32_t strides[4];
} NrFrame;

/*
 * NrProgressCallback: called by nr_engine_process in the caller's thread between batches of
 * tiles with the percentage done (1 to 100), a reserved argument that is always 0, and the user
 * pointer given to nr_engine_process. A non-zero return stops the run, which then returns that
 * value.
 */
typedef int32_t (*NrProgressCallback)(int32_t percent, int32_t reserved, void* user);

/* The serialised noise profile: NR_PROFILE_BLOB_SIZE opaque bytes. */
#define NR_PROFILE_BLOB_SIZE 4096
typedef uint8_t NrProfileBlob[NR_PROFILE_BLOB_SIZE];

/* The engine context. Opaque. */
typedef struct NrEngine NrEngine;

/*
 * nr_engine_create: creates a context with default settings and starts its four worker threads.
 *   out  receives the context; it is written in every case where it is non-null: with null
 *        when the context record itself could not be allocated, otherwise with the context built
 *        so far, which the caller releases with nr_engine_destroy also after a failure.
 * Returns NR_OK, NR_ERR_INVALID_ARG (null out), NR_ERR_NO_MEMORY, or NR_ERR_FAILED (a worker
 * thread or its wake-up event could not be created).
 */
int32_t nr_engine_create(NrEngine** out);

/*
 * nr_engine_destroy: stops the worker threads (joining them) and releases the context and
 * everything it holds. Null is ignored. Accepts every context nr_engine_create handed back,
 * including one whose creation failed part-way.
 */
void nr_engine_destroy(NrEngine* engine);

/*
 * nr_engine_process: removes noise from src into dst.
 *   src, dst  frames of equal width, height and format. Give them separate memory: the same
 *             frame for both is accepted, but tiles then read their overlaps as the tiles before
 *             them wrote them; planes that overlap only in part are refused, and so is a dst
 *             whose own planes share bytes.
 *   callback  progress callback or null; user is handed to it unchanged.
 * Returns NR_OK; NR_ERR_INVALID_ARG for a null engine, frame or plane, partly overlapping
 * planes or dst planes that share bytes (dst untouched); NR_ERR_SIZE when the frames differ in
 * width, height or format or a side is not positive (dst untouched); NR_ERR_FORMAT for an unknown
 * format (dst untouched); NR_ERR_NO_MEMORY; NR_ERR_FILTER_TYPE; or the callback's non-zero value.
 * After a failure or an abort dst may be partly written. Returns when the whole frame is done.
 */
int32_t nr_engine_process(NrEngine* engine, const NrFrame* src, NrFrame* dst,
                          NrProgressCallback callback, void* user);

/*
 * nr_engine_set_mode: 0 selects the light filter configuration, 1 the default one.
 * Returns NR_OK, or NR_ERR_MODE for any other value (the mode is kept). A null engine: NR_OK,
 * nothing changes.
 */
int32_t nr_engine_set_mode(NrEngine* engine, int32_t mode);

/*
 * nr_engine_set_luma_strength: strength a of the luma filter, 0 to 100 (values outside are
 * clamped). Up to 50 the blend amount rises with a; above 50 the amount stays at its maximum and
 * the assumed noise level rises instead. Returns NR_OK (also for a null engine, which is left
 * alone). Takes effect at the next nr_engine_process.
 */
int32_t nr_engine_set_luma_strength(NrEngine* engine, int32_t a);

/* nr_engine_set_chroma_strength: the same for the two chroma channels. Returns NR_OK. */
int32_t nr_engine_set_chroma_strength(NrEngine* engine, int32_t a);

/* nr_engine_set_strength: sets luma and chroma strength together to a (0 to 100). Returns NR_OK. */
int32_t nr_engine_set_strength(NrEngine* engine, int32_t a);

/*
 * nr_engine_set_detail: luma detail (sharpness) a, 0 to 100 (values outside are clamped). The
 * chroma detail keeps its value. Returns NR_OK (also for a null engine).
 */
int32_t nr_engine_set_detail(NrEngine* engine, int32_t a);

/*
 * nr_engine_load_profile: installs a noise profile.
 *   blob  NR_PROFILE_BLOB_SIZE bytes written by nr_engine_estimate_profile, or null to drop the
 *         stored profile so that every following run estimates its own. A malformed blob
 *         installs an empty profile (as null does).
 * Returns NR_OK, or NR_ERR_INVALID_ARG for a null engine.
 */
int32_t nr_engine_load_profile(NrEngine* engine, const uint8_t* blob);

/*
 * nr_engine_estimate_profile: estimates the noise profile of frame, installs it in the context
 * (every later nr_engine_process uses it until the next load or estimate) and, when out is
 * non-null, writes its NR_PROFILE_BLOB_SIZE-byte serialised form to out.
 *   frame  the photo to measure; null does nothing and returns NR_OK.
 * Returns NR_OK, NR_ERR_INVALID_ARG for a null engine, NR_ERR_FORMAT for an unknown format,
 * NR_ERR_NO_MEMORY, or another status of the estimation.
 */
int32_t nr_engine_estimate_profile(NrEngine* engine, const NrFrame* frame, uint8_t* out);

#ifdef __cplusplus
}
#endif

#endif /* NR_ENGINE_H */

/*
 * The process driver: turns the context's settings into a run, decides the pyramid level counts
 * and the filter type of every level from the internal mode, prepares the worker buffers and the
 * run copy of the noise profile and hands everything to the tile scheduler.
 *
 * The public functions nr_engine_process, nr_engine_estimate_profile and the streaming estimate
 * (nr_engine_profile_accumulate / _finish / _reset) are defined next to the driver.
 */
#ifndef NR_DRIVER_H
#define NR_DRIVER_H

#include <stdint.h>

#include "nr_engine.h"
#include "nr_params.h"

struct NrEngine;
struct NrImage;
struct NrParams;

/*
 * Runs the engine on src into dst (descriptors with format index and byte strides). Returns NR_OK,
 * NR_ERR_INVALID_ARG for missing or disagreeing descriptors, a failure status, or the callback's
 * non-zero value. dst stays untouched when the run fails before the tiles start.
 */
int nr_engine_run(struct NrEngine* ctx, const struct NrImage* src, struct NrImage* dst,
                  NrProgressCallback callback, void* user);

/*
 * Estimates the noise profile of a frame into the stored profile and, on success with a non-null
 * out, copies the serialised profile to out. Body of nr_engine_estimate_profile.
 */
int nr_ctx_estimate_profile(struct NrEngine* ctx, const NrFrame* frame, uint8_t* out);

/*
 * Streaming profile estimate: adds the samples of rect {x0, y0, x1, y1}, moved by minus origin
 * {x, y}, of image (format index and byte strides) to the histograms of an estimate in progress,
 * creating it on first use. Only the part of the moved rectangle on the image counts (none: NR_OK,
 * nothing counted). NR_ERR_INVALID_ARG for a null engine, image, origin or rectangle or a plane
 * without data; NR_ERR_FORMAT; NR_ERR_NO_MEMORY; or the accumulation's status.
 */
int32_t nr_engine_profile_accumulate(struct NrEngine* engine, const struct NrImage* image,
                                     const int32_t* origin, const int32_t* rect);

/*
 * Fits the stored profile from the estimate in progress and ends the estimate. NR_OK, or
 * NR_ERR_INVALID_ARG for a null engine or when no estimate is in progress.
 */
int32_t nr_engine_profile_finish(struct NrEngine* engine);

/* Drops an estimate in progress without fitting. NR_OK, or NR_ERR_INVALID_ARG for a null engine. */
int32_t nr_engine_profile_reset(struct NrEngine* engine);

struct NrPool;
struct NrNoiseHistogram;
struct NrRect;
struct NrNoiseProfile;

/*
 * The noise-profile estimate with its tiles spread over the pool's workers (each worker builds
 * and counts whole tiles). Same tiles and bit-identical results as nr_profile_estimate, within the
 * estimation budget; a null pool counts on the calling thread. NR_OK or the estimation's failure
 * status (that of the first failing tile in walk order).
 */
int nr_profile_estimate_pooled(void* user, struct NrPool* pool, struct NrNoiseProfile* profile,
                               const struct NrImage* image, const int32_t levels[3]);

/* nr_hist_accumulate_image with the tiles spread over the pool's workers: the same counts. */
int nr_hist_accumulate_image_pooled(void* user, struct NrPool* pool, struct NrNoiseHistogram* hist,
                                    const struct NrRect* rect, const struct NrImage* image);

#endif /* NR_DRIVER_H */

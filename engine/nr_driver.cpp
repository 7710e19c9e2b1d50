/*
 * The process driver and the public entry points that run it: nr_engine_process,
 * nr_engine_estimate_profile and the streaming profile estimate.
 */
#include "nr_driver.h"

#include <string.h>

#include "nr_context.h"
#include "nr_estimate.h"
#include "nr_image.h"
#include "nr_params.h"
#include "nr_profile.h"
#include "nr_runtime.h"
#include "nr_tiles.h"

/* ---- Driver ---------------------------------------------------------------------------------- */

namespace {

/* Whether a stored profile has tables for every group and level the run reads. */
bool profile_covers(const NrNoiseProfile* profile, int32_t channels, int32_t L, int32_t C) {
    if (profile->groups == nullptr || profile->group_count == 0) {
        return false;
    }
    if (profile->groups[0].entry_count < L) {
        return false;
    }
    if (C > 0) {
        if ((int32_t)profile->group_count < channels) {
            return false;
        }
        for (int32_t g = 1; g < channels; ++g) {
            if (profile->groups[g].entry_count < C) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

int nr_engine_run(NrEngine* ctx, const NrImage* src_in, NrImage* dst_in,
                  NrProgressCallback callback, void* user) {
    /* 1. Descriptors that agree. */
    if (src_in == nullptr || dst_in == nullptr || ctx == nullptr ||
        src_in->width != dst_in->width || src_in->height != dst_in->height ||
        src_in->format != dst_in->format) {
        return NR_ERR_INVALID_ARG;
    }
    if (src_in->width <= 0 || src_in->height <= 0) {
        return NR_ERR_SIZE;
    }

    /* 2. Internal codes and sample strides, planes resolved. */
    NrImage src;
    NrImage dst;
    nr_image_to_internal(&src, src_in);
    nr_image_to_internal(&dst, dst_in);
    if (src.format == 0) {
        return NR_ERR_FORMAT;
    }
    int status = nr_image_resolve_planes(&src);
    if (status != NR_OK) {
        return status;
    }
    status = nr_image_resolve_planes(&dst);
    if (status != NR_OK) {
        return status;
    }

    /* 3. Even sizes where the layout pairs pixels; an odd last column or row stays unwritten. */
    nr_even_size(src.format, &src.width, &src.height);
    dst.width = src.width;
    dst.height = src.height;
    if (src.width <= 0 || src.height <= 0) {
        return NR_OK; /* a one-pixel-wide or one-row frame of a paired layout: nothing to do */
    }

    /* 4. The parameter block. */
    NrParams* params = (NrParams*)nr_malloc(ctx->user, sizeof(NrParams));
    if (params == nullptr) {
        return NR_ERR_NO_MEMORY;
    }
    nr_params_build(params, ctx);

    /* 5 to 8. Level counts, filter types, forced detail gains; chroma off when not wanted. */
    int32_t L = 0;
    int32_t C = 0;
    nr_run_level_counts(ctx, src.format, src.width, src.height, &L, &C);
    nr_params_apply_mode(params, ctx->mode, L, C);

    /* 9. Worker buffers. */
    NrWorkerBuffers* buffers = &ctx->buffers;
    status = nr_worker_buffers_alloc(ctx->user, buffers, &src, L, C, params->luma_types,
                                     params->chroma_types);

    /* 10. The run copy of the profile: the stored one when it covers the run, else measured. */
    NrNoiseProfile* run_profile = &buffers->run_profile;
    const int32_t channels = nr_format_channels(src.format);
    if (status == NR_OK) {
        if (profile_covers(&ctx->profile, channels, L, C)) {
            nr_profile_copy(&ctx->profile, run_profile);
        } else {
            const int32_t levels[3] = {L, C, 0};
            status = nr_profile_estimate(ctx->user, run_profile, &src, levels);
        }
    }

    if (status == NR_OK) {
        /* 11. Level counts of this run. */
        ctx->last_luma_levels = L;
        ctx->last_chroma_levels = C;

        /* 12. Modes with the mode flag: no table entry below 1. */
        if (params->mode_flag) {
            nr_profile_floor(run_profile, 1);
        }

        /* 13. Noise gains, then detail gains. */
        nr_profile_scale(run_profile, params->luma_noise_gain, params->chroma_noise_gain);
        nr_profile_scale(run_profile, params->luma_detail_gain, params->chroma_detail_gain);

        /* 14. Chroma not filtered: it arrives unchanged, the tiles then write only the luma. */
        if (C == 0 && channels > 1) {
            status = nr_image_copy(&src, &dst);
        }
    }

    /* 15. The tiles. */
    if (status == NR_OK) {
        status = nr_tile_scheduler_run(ctx->user, &src, &dst, run_profile, params, callback, user);
    }

    /* 16. Nothing of the run but its level counts outlives it. */
    nr_worker_buffers_free(ctx->user, buffers, L, C, 3);
    nr_free(ctx->user, params);
    return status;
}

/* ---- Public entry points --------------------------------------------------------------------- */

namespace {

/* One plane of a frame as a byte range [begin, end). */
struct PlaneExtent {
    uintptr_t begin;
    uintptr_t end;
    const uint8_t* base;
    int32_t stride;
};

/*
 * The planes a frame's format reads, with their byte extents. Returns the plane count, 0 for an
 * unknown format, -1 when a plane the format needs is null.
 */
int32_t frame_extents(const NrFrame* frame, PlaneExtent* out) {
    const int64_t w = frame->width;
    const int64_t h = frame->height;
    int64_t row_bytes[3] = {0, 0, 0};
    int64_t rows[3] = {h, 0, 0};
    int32_t n = 0;
    switch (frame->format) {
    case NR_FORMAT_YUV444:
        n = 1;
        row_bytes[0] = 3 * w;
        break;
    case NR_FORMAT_YUY2:
    case NR_FORMAT_UYVY:
        n = 1;
        row_bytes[0] = 2 * w;
        break;
    case NR_FORMAT_I420:
        n = 3;
        row_bytes[0] = w;
        row_bytes[1] = row_bytes[2] = w / 2;
        rows[1] = rows[2] = h / 2;
        break;
    case NR_FORMAT_NV12:
    case NR_FORMAT_NV21:
        n = 2;
        row_bytes[0] = w;
        row_bytes[1] = 2 * (w / 2);
        rows[1] = h / 2;
        break;
    default:
        return 0;
    }
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t* p = frame->planes[i];
        if (p == nullptr) {
            return -1;
        }
        const int64_t stride = frame->strides[i];
        int64_t first = 0;
        int64_t last = rows[i] > 0 ? (rows[i] - 1) * stride : 0;
        if (last < first) {
            const int64_t t = first;
            first = last;
            last = t;
        }
        out[i].base = p;
        out[i].stride = frame->strides[i];
        out[i].begin = (uintptr_t)p + (uintptr_t)first;
        out[i].end = rows[i] > 0 && row_bytes[i] > 0
                         ? (uintptr_t)p + (uintptr_t)last + (uintptr_t)row_bytes[i]
                         : out[i].begin;
    }
    return n;
}

/*
 * Source and destination planes that overlap without being the same plane would make the run
 * read what it has already written. The same plane with the same stride (in place) is fine.
 */
bool frames_overlap_partly(const PlaneExtent* s, int32_t ns, const PlaneExtent* d, int32_t nd) {
    for (int32_t i = 0; i < ns; ++i) {
        for (int32_t j = 0; j < nd; ++j) {
            const bool disjoint = s[i].end <= d[j].begin || d[j].end <= s[i].begin ||
                                  s[i].begin == s[i].end || d[j].begin == d[j].end;
            if (disjoint) {
                continue;
            }
            if (i == j && s[i].base == d[j].base && s[i].stride == d[j].stride) {
                continue;
            }
            return true;
        }
    }
    return false;
}

} // namespace

int32_t nr_engine_process(NrEngine* engine, const NrFrame* src, NrFrame* dst,
                          NrProgressCallback callback, void* user) {
    if (engine == nullptr || src == nullptr || dst == nullptr) {
        return NR_ERR_INVALID_ARG;
    }
    if (dst->width != src->width || dst->height != src->height || dst->format != src->format) {
        return NR_ERR_SIZE;
    }
    if (src->width <= 0 || src->height <= 0) {
        return NR_ERR_SIZE;
    }
    NrImage src_image;
    NrImage dst_image;
    int32_t status = nr_image_from_frame(src, &src_image);
    if (status != NR_OK) {
        return status;
    }
    status = nr_image_from_frame(dst, &dst_image);
    if (status != NR_OK) {
        return status;
    }
    PlaneExtent src_planes[3];
    PlaneExtent dst_planes[3];
    const int32_t ns = frame_extents(src, src_planes);
    const int32_t nd = frame_extents(dst, dst_planes);
    if (ns == 0 || nd == 0) {
        return NR_ERR_FORMAT;
    }
    if (ns < 0 || nd < 0) {
        return NR_ERR_INVALID_ARG;
    }
    if (frames_overlap_partly(src_planes, ns, dst_planes, nd)) {
        return NR_ERR_INVALID_ARG;
    }
    return nr_engine_run(engine, &src_image, &dst_image, callback, user);
}

int nr_ctx_estimate_profile(NrEngine* ctx, const NrFrame* frame, uint8_t* out) {
    if (ctx == nullptr) {
        return NR_ERR_INVALID_ARG;
    }
    if (frame == nullptr) {
        return NR_OK;
    }
    NrImage indexed;
    int32_t status = nr_image_from_frame(frame, &indexed);
    if (status != NR_OK) {
        return status;
    }
    if (frame->width <= 0 || frame->height <= 0) {
        return NR_ERR_SIZE;
    }
    PlaneExtent planes[3];
    if (frame_extents(frame, planes) < 0) {
        return NR_ERR_INVALID_ARG;
    }
    NrImage image;
    nr_image_to_internal(&image, &indexed);
    status = nr_image_resolve_planes(&image);
    if (status != NR_OK) {
        return status;
    }
    nr_even_size(image.format, &image.width, &image.height);
    if (image.width <= 0 || image.height <= 0) {
        return NR_OK;
    }
    int32_t levels[3] = {0, 0, 0};
    nr_run_level_counts(ctx, image.format, image.width, image.height, &levels[0], &levels[1]);
    status = nr_profile_estimate(ctx->user, &ctx->profile, &image, levels);
    if (status == NR_OK && out != nullptr) {
        const uint8_t* blob = nr_ctx_store_profile(ctx);
        if (blob == nullptr) {
            return NR_ERR_FAILED;
        }
        memcpy(out, blob, NR_PROFILE_BLOB_SIZE);
    }
    return status;
}

int32_t nr_engine_estimate_profile(NrEngine* engine, const NrFrame* frame, uint8_t* out) {
    return nr_ctx_estimate_profile(engine, frame, out);
}

/* ---- Streaming estimate ---------------------------------------------------------------------- */

int32_t nr_engine_profile_accumulate(NrEngine* engine, const NrImage* image, const int32_t* origin,
                                     const int32_t* rect) {
    if (engine == nullptr || image == nullptr || origin == nullptr || rect == nullptr) {
        return NR_ERR_INVALID_ARG;
    }
    if (engine->estimate == nullptr) {
        const uint32_t code = nr_format_code((int32_t)image->format);
        int32_t chroma = code >= NR_CODE_SUBSAMPLED ? 3 : 4;
        if (engine->chroma.noise_level == 0 || engine->chroma.amount == 0) {
            chroma = 0;
        }
        const int32_t status = nr_estimate_state_create(engine->user, &engine->estimate, 4, chroma);
        if (status != NR_OK) {
            engine->estimate = nullptr;
            return status;
        }
    }
    return nr_estimate_state_accumulate(engine->user, engine->estimate, image, origin, rect);
}

int32_t nr_engine_profile_finish(NrEngine* engine) {
    if (engine == nullptr || engine->estimate == nullptr) {
        return NR_ERR_INVALID_ARG;
    }
    nr_estimate_state_finish(engine->estimate, &engine->profile);
    nr_estimate_state_free(engine->user, engine->estimate);
    engine->estimate = nullptr;
    return NR_OK;
}

int32_t nr_engine_profile_reset(NrEngine* engine) {
    if (engine == nullptr) {
        return NR_ERR_INVALID_ARG;
    }
    if (engine->estimate != nullptr) {
        nr_estimate_state_free(engine->user, engine->estimate);
        engine->estimate = nullptr;
    }
    return NR_OK;
}

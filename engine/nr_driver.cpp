/*
 * The process driver and the public entry points that run it: nr_engine_process,
 * nr_engine_estimate_profile and the streaming profile estimate.
 */
#include "nr_driver.h"

#include <string.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "nr_context.h"
#include "nr_estimate.h"
#include "nr_image.h"
#include "nr_params.h"
#include "nr_pool.h"
#include "nr_pyramid.h"
#include "nr_profile.h"
#include "nr_runtime.h"
#include "nr_tiles.h"
#include "nr_transfer.h"

/* ---- Estimation on the pool --------------------------------------------------------------------
 *
 * The same tiles, pyramids and statistics as the single-threaded estimate, spread over the workers
 * tile by tile: one request whose jobs each take the next tile of the walk (tiles are taken in walk
 * order, each once), build its pyramid and count its band levels. A level is counted into the
 * worker's own zeroed table, which is then added into the shared histogram under a lock: every
 * sample is counted once with the same window statistics and brightness, and counts that saturate
 * at 65,535 add up the same in any order, so the histograms come out bit-identical. A worker holds
 * one tile pyramid, the small scratch of the level counting and one level's table at a time, so
 * four tiles in flight stay within the estimation budget (which reserves a full-size integral
 * image for each worker). The first failing tile in walk order gives the status; tiles after it
 * are not started.
 */

namespace {

enum ChromaGeometry { kChromaFull, kChromaHalfX, kChromaHalfXY };

ChromaGeometry chroma_geometry(uint32_t code) {
    if ((code & 0xef000000u) == 0x20000000u || (code >= 0x40000000u && code <= 0x5fffffffu)) {
        return kChromaHalfXY;
    }
    if (code >= 0x20000000u && code <= 0x3fffffffu) {
        return kChromaHalfX;
    }
    return kChromaFull;
}

inline int32_t imax(int32_t a, int32_t b) {
    return a > b ? a : b;
}

inline int32_t imin(int32_t a, int32_t b) {
    return a < b ? a : b;
}

/* Whether a band level has samples to count (its plane less max(margin, 4) per side). */
bool counts_something(const NrLevel* band) {
    return band->width - imax(band->margin_left, 4) - imax(band->margin_right, 4) > 0 &&
           band->height - imax(band->margin_top, 4) - imax(band->margin_bottom, 4) > 0;
}

/* One estimation tile: its rectangle and its pyramid, built as the single-threaded estimate builds
 * it. */
struct TilePyramid {
    void* user;
    const NrNoiseHistogram* hist;
    const NrImage* image;
    NrRect tile;
    NrPyramid pyramid;
    int32_t status;
};

void build_tile_pyramid(TilePyramid* t) {
    int32_t L = 0;
    int32_t C = -1;
    nr_hist_level_counts(t->hist, t->image, &L, &C);
    const int32_t chroma = C > 0 ? C : 0;
    const int32_t o = 4 << imax(L, chroma);
    const int32_t W = t->image->width;
    const int32_t H = t->image->height;
    const int32_t x0 = t->tile.left, y0 = t->tile.top, x1 = t->tile.right, y1 = t->tile.bottom;
    const int32_t left = imin(o, x0), top = imin(o, y0);
    const int32_t right = imin(o, W - x1), bottom = imin(o, H - y1);
    if (left < 0 || top < 0 || right < 0 || bottom < 0 || x1 <= x0 || y1 <= y0) {
        t->status = NR_ERR_INVALID_ARG;
        return;
    }
    const uint32_t code = (t->image->format & ~0xfff0u) | NR_FMT_U8;
    const NrSize size = {x1 - x0, y1 - y0};
    const NrRect wanted = {left, top, right, bottom};
    NrRect minimum;
    nr_rect_set_all(&minimum, 4);
    NrPyramid* pyramid = &t->pyramid;
    int status = nr_pyramid_create(t->user, pyramid, code, W, H, &size, &wanted, &minimum, L + 1,
                                   chroma > 0 ? chroma + 1 : 0, 1);
    if (status == NR_OK &&
        (pyramid->group_count < 1 || pyramid->groups == nullptr ||
         pyramid->groups[0].levels == nullptr || pyramid->groups[0].level_count < L + 1)) {
        status = NR_ERR_FAILED;
    }
    if (status == NR_OK) {
        nr_pyramid_set_rect(pyramid, x0, y0, size.width, size.height, W, H);
        nr_tile_transfer(pyramid, const_cast<NrImage*>(t->image), 1);
        status = nr_pyramid_build(t->user, pyramid);
    }
    t->status = status;
}

/* One pooled accumulation: the tile walk and what the workers share. */
struct TileWalk {
    void* user;
    NrNoiseHistogram* hist;
    const NrImage* image;
    NrRect rect; /* on the image */
    NrSize size;
    int64_t columns; /* tiles per row of the walk */
    int64_t count;   /* tiles of the walk */
    int32_t L;
    std::atomic<int64_t> next;   /* index of the next tile to take */
    std::atomic<int64_t> failed; /* first failing tile so far, count when none */
    int32_t failed_status;       /* its status */
    std::mutex lock;             /* guards the histogram's counts and the failure record */
};

struct WalkWorker {
    TileWalk* walk;
    NrHistLevel local; /* one level's own counts, all zero between levels */
    size_t local_bytes;
};

void record_failure(TileWalk* walk, int64_t index, int32_t status) {
    std::lock_guard<std::mutex> guard(walk->lock);
    if (index < walk->failed.load(std::memory_order_relaxed)) {
        walk->failed.store(index, std::memory_order_relaxed);
        walk->failed_status = status;
    }
}

/* The band levels of a built tile in the single-threaded job order, each counted on its own and
 * added into its level of the histogram. */
int32_t count_tile(WalkWorker* worker, NrPyramid* pyramid) {
    TileWalk* walk = worker->walk;
    NrNoiseHistogram* hist = walk->hist;
    const int32_t L = walk->L;
    const uint32_t code = (walk->image->format & ~0xfff0u) | NR_FMT_U8;
    const NrLevel* coarse = &pyramid->groups[0].levels[L];
    const ChromaGeometry geometry = chroma_geometry(code);
    NrHistLevel* local = &worker->local;
    for (int32_t g = 0; g < pyramid->group_count && (uint32_t)g < hist->group_count; ++g) {
        const NrLevelGroup* pg = &pyramid->groups[g];
        NrHistGroup* hg = &hist->groups[g];
        for (int32_t j = 0; j + 1 < pg->level_count && j < hg->level_count; ++j) {
            const NrLevel* band = &pg->bands[j];
            int32_t xs = L - j, ys = L - j;
            if (g > 0 && geometry == kChromaHalfXY) {
                xs = ys = L - 1 - j;
            } else if (g > 0 && geometry == kChromaHalfX) {
                xs = L - 1 - j;
            }
            const int32_t status =
                nr_hist_count_level(walk->user, local, band, coarse, j, xs, ys, 1);
            if (status != NR_OK) {
                return status;
            }
            if (!counts_something(band)) {
                continue; /* nothing was counted */
            }
            {
                std::lock_guard<std::mutex> guard(walk->lock);
                nr_hist_add(&hg->levels[j], local);
            }
            memset(local->counts, 0, worker->local_bytes);
        }
    }
    return NR_OK;
}

/* A worker's job: tiles of the walk, one after another, until none is left or an earlier tile
 * failed. */
void walk_job(void* argument) {
    WalkWorker* worker = (WalkWorker*)argument;
    TileWalk* walk = worker->walk;
    const int64_t W = walk->image->width;
    const int64_t H = walk->image->height;
    for (;;) {
        const int64_t index = walk->next.fetch_add(1, std::memory_order_relaxed);
        if (index >= walk->count || index > walk->failed.load(std::memory_order_relaxed)) {
            return;
        }
        /* The walk goes row by row from the rectangle's origin; each tile is clipped to the
         * image. */
        const int64_t x = walk->rect.left + index % walk->columns * walk->size.width;
        const int64_t y = walk->rect.top + index / walk->columns * walk->size.height;
        TilePyramid t;
        memset(&t, 0, sizeof(t));
        t.user = walk->user;
        t.hist = walk->hist;
        t.image = walk->image;
        t.tile = {(int32_t)x, (int32_t)y, (int32_t)std::min(x + walk->size.width, W),
                  (int32_t)std::min(y + walk->size.height, H)};
        build_tile_pyramid(&t);
        int32_t status = t.status;
        if (status == NR_OK) {
            status = count_tile(worker, &t.pyramid);
        }
        nr_pyramid_free(walk->user, &t.pyramid);
        if (status != NR_OK) {
            record_failure(walk, index, status);
            return;
        }
    }
}

} // namespace

int nr_hist_accumulate_image_pooled(void* user, NrPool* pool, NrNoiseHistogram* hist,
                                    const NrRect* rect, const NrImage* image) {
    if (hist == nullptr || rect == nullptr || image == nullptr) {
        return NR_ERR_INVALID_ARG;
    }
    int32_t L = 0;
    int32_t C = -1;
    nr_hist_level_counts(hist, image, &L, &C);
    if (L <= 0) {
        return NR_OK;
    }
    NrRect on_image;
    if (!nr_hist_clip_rect(rect, image, &on_image)) {
        return NR_OK;
    }
    const int32_t rect_w = on_image.right - on_image.left;
    const int32_t rect_h = on_image.bottom - on_image.top;
    const NrSize size = nr_hist_tile_size(rect_w, rect_h, image->format, L, C);
    if (size.width <= 0 || size.height <= 0) {
        return NR_OK;
    }
    TileWalk walk;
    walk.user = user;
    walk.hist = hist;
    walk.image = image;
    walk.rect = on_image;
    walk.size = size;
    walk.columns = ((int64_t)rect_w + size.width - 1) / size.width;
    walk.count = walk.columns * (((int64_t)rect_h + size.height - 1) / size.height);
    walk.L = L;
    walk.next.store(0);
    walk.failed.store(walk.count);
    walk.failed_status = NR_OK;

    int64_t workers = pool != nullptr && pool->running && pool->count > 0 ? pool->count : 1;
    workers = std::min(workers, walk.count);
    /* Every level of the histogram has the same bins (nr_hist_alloc). */
    const NrHistLevel* shape = &hist->groups[0].levels[0];
    const size_t table_bytes =
        sizeof(uint16_t) * ((size_t)1 << (shape->intensity_log2 + shape->variance_log2));
    WalkWorker* slots = (WalkWorker*)nr_malloc(user, sizeof(WalkWorker) * (size_t)workers);
    uint8_t* tables =
        slots != nullptr ? (uint8_t*)nr_malloc(user, table_bytes * (size_t)workers) : nullptr;
    void** arguments =
        tables != nullptr ? (void**)nr_malloc(user, sizeof(void*) * (size_t)workers) : nullptr;
    int32_t status = NR_OK;
    if (arguments == nullptr) {
        status = NR_ERR_NO_MEMORY;
    } else {
        memset(tables, 0, table_bytes * (size_t)workers);
        for (int64_t i = 0; i < workers; ++i) {
            slots[i].walk = &walk;
            slots[i].local.counts = (uint16_t*)(tables + table_bytes * (size_t)i);
            slots[i].local.intensity_log2 = shape->intensity_log2;
            slots[i].local.variance_log2 = shape->variance_log2;
            slots[i].local_bytes = table_bytes;
            arguments[i] = &slots[i];
        }
        if (pool != nullptr && workers > 1) {
            nr_pool_run(pool, walk_job, arguments, (int32_t)workers);
        } else {
            walk_job(&slots[0]);
        }
        if (walk.failed.load() < walk.count) {
            status = walk.failed_status;
        }
    }
    nr_free(user, arguments);
    nr_free(user, tables);
    nr_free(user, slots);
    return status;
}

int nr_profile_estimate_pooled(void* user, NrPool* pool, NrNoiseProfile* profile,
                               const NrImage* image, const int32_t levels[3]) {
    if (profile == nullptr || image == nullptr || levels == nullptr) {
        return NR_ERR_INVALID_ARG;
    }
    nr_profile_set_shape(profile, nr_format_channels(image->format), levels[0],
                         NR_HIST_INTENSITY_LOG2, levels[1], NR_HIST_INTENSITY_LOG2);
    if (profile->groups == nullptr) {
        return NR_ERR_INVALID_ARG;
    }
    NrNoiseHistogram hist;
    nr_hist_set_init(&hist);
    int status = nr_hist_alloc_for_profile(&hist, user, profile);
    if (status == NR_OK) {
        const NrRect whole = {0, 0, image->width, image->height};
        status = nr_hist_accumulate_image_pooled(user, pool, &hist, &whole, image);
    }
    if (status == NR_OK) {
        nr_profile_fit(profile, &hist, (int64_t)image->width * image->height);
    }
    nr_hist_free(user, &hist);
    return status;
}

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
            status = nr_profile_estimate_pooled(ctx->user, ctx->pool, run_profile, &src, levels);
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
    int64_t row_bytes; /* bytes of each row the format touches */
    int64_t rows;
};

/*
 * The planes a frame's format reads, with their byte extents. Returns the plane count, 0 for an
 * unknown format, -1 when a plane the format needs is null or its rows overlap (a stride shorter
 * than a row: tiles side by side would then write the same bytes from different workers).
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
        if (rows[i] > 1 && (stride < 0 ? -stride : stride) < row_bytes[i]) {
            return -1;
        }
        int64_t first = 0;
        int64_t last = rows[i] > 0 ? (rows[i] - 1) * stride : 0;
        if (last < first) {
            const int64_t t = first;
            first = last;
            last = t;
        }
        out[i].base = p;
        out[i].stride = frame->strides[i];
        out[i].row_bytes = row_bytes[i];
        out[i].rows = rows[i];
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

/* Whether some row of plane a shares a byte with some row of plane b (rows of a plane do not
 * overlap each other: frame_extents refuses a stride shorter than a row). */
bool planes_share_bytes(const PlaneExtent& a, const PlaneExtent& b) {
    if (a.rows <= 0 || a.row_bytes <= 0 || b.rows <= 0 || b.row_bytes <= 0 || a.end <= b.begin ||
        b.end <= a.begin) {
        return false;
    }
    /* b's rows in ascending address order: first row at b0, then every sb bytes. */
    const int64_t sb = b.rows > 1 ? (b.stride < 0 ? -(int64_t)b.stride : (int64_t)b.stride) : 0;
    const int64_t b0 = (int64_t)b.begin;
    const int64_t lb = b.row_bytes;
    for (int64_t r = 0; r < a.rows; ++r) {
        const int64_t s = (int64_t)(uintptr_t)a.base + r * a.stride;
        const int64_t e = s + a.row_bytes;
        /* The first row of b that ends after s, then whether it starts before e. */
        int64_t k = 0;
        if (b0 + lb <= s) {
            if (sb == 0) {
                continue;
            }
            k = (s - b0 - lb) / sb + 1;
        }
        if (k < b.rows && b0 + k * sb < e) {
            return true;
        }
    }
    return false;
}

/* Planes of one frame that share bytes: workers would write the same bytes from two threads. */
bool planes_overlap_each_other(const PlaneExtent* p, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t j = i + 1; j < n; ++j) {
            if (planes_share_bytes(p[i], p[j])) {
                return true;
            }
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
    if (planes_overlap_each_other(dst_planes, nd)) {
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
    if (image.width > 0 && image.height > 0) {
        int32_t levels[3] = {0, 0, 0};
        nr_run_level_counts(ctx, image.format, image.width, image.height, &levels[0], &levels[1]);
        status = nr_profile_estimate_pooled(ctx->user, ctx->pool, &ctx->profile, &image, levels);
    }
    /* A one-pixel-wide or one-row frame of a paired layout has nothing to measure: the stored
     * profile stays as it is, and a caller that caches the blob still gets that profile rather
     * than bytes nobody wrote. */
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
    /* As nr_estimate_state_accumulate, with the tiles' levels counted on the context's pool. */
    NrImage internal;
    const int32_t status = nr_estimate_image_prepare(image, &internal);
    if (status != NR_OK) {
        return status;
    }
    NrRect moved;
    if (!nr_hist_moved_rect(origin, rect, &internal, &moved)) {
        return NR_OK; /* nothing of the rectangle lies on the image */
    }
    return nr_hist_accumulate_image_pooled(engine->user, engine->pool, &engine->estimate->hist,
                                           &moved, &internal);
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

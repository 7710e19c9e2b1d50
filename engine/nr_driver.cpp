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
#include "nr_pool.h"
#include "nr_pyramid.h"
#include "nr_profile.h"
#include "nr_runtime.h"
#include "nr_tiles.h"
#include "nr_transfer.h"

/* ---- Estimation on the pool --------------------------------------------------------------------
 *
 * The same tiles, pyramids and statistics as the single-threaded estimate, with the band levels of
 * each tile counted on the workers while one of them builds the next tile's pyramid. Large levels
 * are cut into stripes of whole rows, each counted into a histogram of its own and added to the
 * level's afterwards: every sample is counted once with the same window statistics and
 * brightness, and counts that saturate at 65,535 add up the same in any order, so the histograms
 * come out bit-identical. Memory stays within the estimation budget: it reserves a full-size
 * integral image for each worker, while the stripes in flight need about one together, which leaves
 * room for the second pyramid.
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

/* One stripe of one band level: views of the band and of the coarse level moved together. */
struct StripeJob {
    void* user;
    NrHistLevel* hist; /* the level's histogram (first stripe) or the stripe's own */
    NrHistLevel* level_hist;
    NrLevel band;
    NrLevel coarse;
    int32_t j;
    int32_t x_shift;
    int32_t y_shift;
    int32_t status;
};

void stripe_job(void* argument) {
    StripeJob* job = (StripeJob*)argument;
    job->status = nr_hist_accumulate_level(job->user, job->hist, &job->band, &job->coarse, job->j,
                                           job->x_shift, job->y_shift);
}

inline int32_t imax(int32_t a, int32_t b) {
    return a > b ? a : b;
}

inline int32_t imin(int32_t a, int32_t b) {
    return a < b ? a : b;
}

/* Rows of a band level that the statistics count (its plane less max(margin, 4) per side). */
void counted_region(const NrLevel* band, int32_t* rw, int32_t* rh) {
    *rw = band->width - imax(band->margin_left, 4) - imax(band->margin_right, 4);
    *rh = band->height - imax(band->margin_top, 4) - imax(band->margin_bottom, 4);
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

void build_tile_pyramid_job(void* argument) {
    build_tile_pyramid((TilePyramid*)argument);
}

/* The stripe jobs of a built tile. The level's own histogram takes the first stripe; the others
 * get zeroed histograms of their own (added afterwards). *count receives the number of jobs. */
int make_stripe_jobs(void* user, int32_t workers, NrNoiseHistogram* hist, const NrImage* image,
                     NrPyramid* pyramid, StripeJob** out, int32_t* count) {
    *out = nullptr;
    *count = 0;
    int32_t L = 0;
    int32_t C = -1;
    nr_hist_level_counts(hist, image, &L, &C);
    const uint32_t code = (image->format & ~0xfff0u) | NR_FMT_U8;
    const NrLevel* coarse = &pyramid->groups[0].levels[L];
    const ChromaGeometry geometry = chroma_geometry(code);

    /* Stripes no larger than a worker's share of the largest level; whole multiples of the
     * level's halvings to the coarse grid, so that each stripe looks up the same brightness. */
    int64_t largest = 0;
    int32_t capacity = 0;
    for (int32_t g = 0; g < pyramid->group_count && (uint32_t)g < hist->group_count; ++g) {
        const NrLevelGroup* pg = &pyramid->groups[g];
        for (int32_t j = 0; j + 1 < pg->level_count && j < hist->groups[g].level_count; ++j) {
            int32_t rw = 0, rh = 0;
            counted_region(&pg->bands[j], &rw, &rh);
            if (rw > 0 && rh > 0) {
                largest = largest > (int64_t)rw * rh ? largest : (int64_t)rw * rh;
                capacity += workers;
            }
        }
    }
    if (capacity == 0) {
        return NR_OK;
    }
    const int64_t share = (largest + workers - 1) / workers;
    StripeJob* jobs = (StripeJob*)nr_malloc(user, sizeof(StripeJob) * (size_t)capacity);
    if (jobs == nullptr) {
        return NR_ERR_NO_MEMORY;
    }
    *out = jobs;
    for (int32_t g = 0; g < pyramid->group_count && (uint32_t)g < hist->group_count; ++g) {
        NrLevelGroup* pg = &pyramid->groups[g];
        NrHistGroup* hg = &hist->groups[g];
        for (int32_t j = 0; j + 1 < pg->level_count && j < hg->level_count; ++j) {
            const NrLevel* band = &pg->bands[j];
            int32_t rw = 0, rh = 0;
            counted_region(band, &rw, &rh);
            if (rw <= 0 || rh <= 0) {
                continue; /* nothing counted at this level */
            }
            int32_t xs = L - j, ys = L - j;
            if (g > 0 && geometry == kChromaHalfXY) {
                xs = ys = L - 1 - j;
            } else if (g > 0 && geometry == kChromaHalfX) {
                xs = L - 1 - j;
            }
            const int32_t align = 1 << (ys > 4 ? 4 : ys);
            int64_t stripes = ((int64_t)rw * rh + share - 1) / share;
            stripes = stripes < 1 ? 1 : stripes > workers ? workers : stripes;
            int32_t rows = (int32_t)((rh + stripes - 1) / stripes);
            rows = (rows + align - 1) / align * align;
            if (rows < 16) {
                rows = rh; /* too thin to be worth a stripe */
            }
            for (int32_t a = 0; a < rh; a += rows) {
                const int32_t b = imin(rh, a + rows);
                StripeJob* job = &jobs[*count];
                memset(job, 0, sizeof(*job));
                job->user = user;
                job->level_hist = &hg->levels[j];
                job->hist = job->level_hist;
                if (a > 0) {
                    NrHistLevel* own = (NrHistLevel*)nr_malloc(user, sizeof(NrHistLevel));
                    const size_t bytes =
                        sizeof(uint16_t) * ((size_t)1 << (job->level_hist->intensity_log2 +
                                                          job->level_hist->variance_log2));
                    uint16_t* counts = own != nullptr ? (uint16_t*)nr_malloc(user, bytes) : nullptr;
                    if (counts == nullptr) {
                        nr_free(user, own);
                        return NR_ERR_NO_MEMORY;
                    }
                    memset(counts, 0, bytes);
                    own->counts = counts;
                    own->intensity_log2 = job->level_hist->intensity_log2;
                    own->variance_log2 = job->level_hist->variance_log2;
                    job->hist = own;
                }
                /* The band from region row a: the plane moves down a rows and the margins stay,
                 * so the stripe's counted rows are a .. b of the level's. */
                job->band = *band;
                job->band.plane = band->plane + (ptrdiff_t)a * band->stride;
                job->band.height =
                    imax(band->margin_top, 4) + (b - a) + imax(band->margin_bottom, 4);
                job->coarse = *coarse;
                job->coarse.plane = coarse->plane + (ptrdiff_t)(a >> ys) * coarse->stride;
                job->coarse.height = coarse->height - (a >> ys);
                job->j = j;
                job->x_shift = xs;
                job->y_shift = ys;
                job->status = NR_OK;
                ++*count;
            }
        }
    }
    return NR_OK;
}

/* Adds the stripes' own counts into their levels (when merge is set) and releases them. */
void release_stripe_jobs(void* user, StripeJob* jobs, int32_t count, bool merge) {
    for (int32_t i = 0; i < count; ++i) {
        StripeJob* job = &jobs[i];
        if (job->hist != job->level_hist) {
            if (merge) {
                nr_hist_add(job->level_hist, job->hist);
            }
            nr_free(user, job->hist->counts);
            nr_free(user, job->hist);
        }
    }
    nr_free(user, jobs);
}

/* Next tile of the walk that holds pixels, clipped to the image; false at the end. */
bool next_tile(int32_t* x, int32_t* y, const NrSize& size, const NrRect* rect, const NrImage* image,
               NrRect* tile, bool first) {
    for (;;) {
        if (!first && !nr_tile_next(x, y, size.width, size.height, rect)) {
            return false;
        }
        first = false;
        *tile = {imax(*x, 0), imax(*y, 0), imin(*x + size.width, image->width),
                 imin(*y + size.height, image->height)};
        if (tile->right > tile->left && tile->bottom > tile->top) {
            return true;
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
    const NrSize size =
        nr_hist_tile_size(rect->right - rect->left, rect->bottom - rect->top, image->format, L, C);
    if (size.width <= 0 || size.height <= 0) {
        return NR_OK;
    }
    const int32_t workers = pool != nullptr && pool->count > 0 ? pool->count : 1;

    /* Two tiles at a time: while the workers count one tile's levels, one of them builds the next
     * tile's pyramid. Errors are reported in the single-threaded order: a tile's counting before
     * the next tile's pyramid. */
    TilePyramid slots[2];
    memset(slots, 0, sizeof(slots));
    int32_t x = rect->left;
    int32_t y = rect->top;
    NrRect tile;
    if (!next_tile(&x, &y, size, rect, image, &tile, true)) {
        return NR_OK;
    }
    TilePyramid* current = &slots[0];
    TilePyramid* next = &slots[1];
    *current = {user, hist, image, tile, {0, nullptr}, NR_OK};
    build_tile_pyramid(current);
    int status = current->status;
    while (status == NR_OK) {
        const bool more = next_tile(&x, &y, size, rect, image, &tile, false);
        if (more) {
            *next = {user, hist, image, tile, {0, nullptr}, NR_OK};
        }
        StripeJob* jobs = nullptr;
        int32_t count = 0;
        status = make_stripe_jobs(user, workers, hist, image, &current->pyramid, &jobs, &count);
        const int32_t n = count + (more ? 1 : 0);
        NrJobFn* functions = nullptr;
        void** arguments = nullptr;
        if (status == NR_OK && n > 0) {
            functions = (NrJobFn*)nr_malloc(user, sizeof(NrJobFn) * (size_t)n);
            arguments = (void**)nr_malloc(user, sizeof(void*) * (size_t)n);
            if (functions == nullptr || arguments == nullptr) {
                status = NR_ERR_NO_MEMORY;
            }
        }
        if (status == NR_OK && n > 0) {
            for (int32_t i = 0; i < count; ++i) {
                functions[i] = stripe_job;
                arguments[i] = &jobs[i];
            }
            if (more) {
                functions[count] = build_tile_pyramid_job;
                arguments[count] = next;
            }
            if (pool != nullptr) {
                nr_pool_run_each(pool, functions, arguments, n);
            } else {
                for (int32_t i = 0; i < n; ++i) {
                    functions[i](arguments[i]);
                }
            }
            for (int32_t i = 0; i < count && status == NR_OK; ++i) {
                status = jobs[i].status;
            }
        }
        release_stripe_jobs(user, jobs, count, status == NR_OK);
        nr_free(user, functions);
        nr_free(user, arguments);
        nr_pyramid_free(user, &current->pyramid);
        if (!more) {
            break;
        }
        if (status == NR_OK && n > 0) {
            status = next->status;
        } else if (status == NR_OK) {
            build_tile_pyramid(next); /* nothing was counted: build it here */
            status = next->status;
        }
        TilePyramid* done = current;
        current = next;
        next = done;
    }
    nr_pyramid_free(user, &current->pyramid);
    nr_pyramid_free(user, &next->pyramid);
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
    nr_image_to_internal(&internal, image);
    if (internal.format == 0) {
        return NR_ERR_FORMAT;
    }
    const int32_t status = nr_image_resolve_planes(&internal);
    if (status != NR_OK) {
        return status;
    }
    const NrRect moved = {rect[0] - origin[0], rect[1] - origin[1], rect[2] - origin[0],
                          rect[3] - origin[1]};
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

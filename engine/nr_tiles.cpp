/*
 * Tiling of a run: tile size under the memory budget, worker buffers, the scheduler and the two
 * passes of the tile job.
 */
#include "nr_tiles.h"

#include <string.h>

#include "nr_context.h"
#include "nr_estimate.h"
#include "nr_filter.h"
#include "nr_image.h"
#include "nr_params.h"
#include "nr_pool.h"
#include "nr_pyramid.h"
#include "nr_runtime.h"
#include "nr_transfer.h"

namespace {

inline int64_t round_up4_64(int64_t n) {
    return (n + 3) & ~int64_t(3);
}

inline int32_t max_i32(int32_t a, int32_t b) {
    return a > b ? a : b;
}

inline int32_t min_i32(int32_t a, int32_t b) {
    return a < b ? a : b;
}

/* Deepest level count of a run: S = max(L, C). */
inline int32_t deepest(int32_t L, int32_t C) {
    return max_i32(L, C);
}

/* Tile overlap of a run with S levels at most: 8 samples at the coarsest level, 8 x 2^(S-1). */
inline int32_t run_overlap(int32_t S) {
    return S > 0 ? 8 << (S - 1) : 8;
}

/* Index of the noise map of (group, level) in a buffer set's array. */
inline int32_t map_index(int32_t group, int32_t level, int32_t L, int32_t C) {
    return group == 0 ? level : L + (group - 1) * C + level;
}

/* Halvings between chroma level k and the coarsest luma level, by the chroma geometry of code. */
void chroma_shifts(uint32_t code, int32_t L, int32_t k, int32_t* sx, int32_t* sy) {
    const uint32_t family = code & 0xef000000u;
    if (family == 0x20000000u || (code >= 0x40000000u && code <= 0x5fffffffu)) {
        *sx = L - 2 - k;
        *sy = L - 2 - k;
    } else if (code >= 0x20000000u && code <= 0x3fffffffu) {
        *sx = L - 2 - k;
        *sy = L - 1 - k;
    } else {
        *sx = L - 1 - k;
        *sy = L - 1 - k;
    }
}

} // namespace

/* ---- Tile size and memory estimates ---------------------------------------------------------- */

int64_t nr_coarse_plane_bytes(NrTileSize size, int32_t L) {
    const int32_t s = L > 0 ? L - 1 : 0;
    return (int64_t)((size.width >> s) + 16) * ((size.height >> s) + 16) + 16384;
}

int64_t nr_level_memory(NrTileSize size, int32_t L, int32_t C, int32_t overlap, uint32_t code) {
    const int64_t bytes_per_sample = (code >> 4) & 0xfu;
    const uint32_t family = code & 0xef000000u;
    /* Chroma planes per level relative to one luma-sized plane: 2 (full), 1 (one axis halved,
     * both planes) or one half (both axes halved). */
    enum { FULL, ONE_AXIS, BOTH_AXES } chroma;
    if (code < 0x20000000u) {
        chroma = FULL;
    } else if (code <= 0x3fffffffu && family != 0x20000000u) {
        chroma = ONE_AXIS;
    } else {
        chroma = BOTH_AXES;
    }
    int64_t luma_sum = 0;
    int64_t chroma_sum = 0;
    for (int32_t i = 0; i < L || i < C; ++i) {
        const int64_t d = max_i32(16, (2 * overlap) >> i);
        const int64_t product =
            round_up4_64(d + (size.width >> i)) * (d + (int64_t)(size.height >> i));
        if (i < L) {
            luma_sum += product;
        }
        if (i < C) {
            chroma_sum += chroma == FULL ? 2 * product : chroma == ONE_AXIS ? product : product / 2;
        }
    }
    return bytes_per_sample * (luma_sum + chroma_sum);
}

int64_t nr_tile_memory_estimate(NrTileSize size, int32_t L, int32_t C, const uint8_t* luma_types,
                                const uint8_t* chroma_types, int32_t overlap, uint32_t code) {
    const int32_t S = deepest(L, C);
    const int32_t E = S > 0 ? 1 << (S - 1) : 1;
    const int32_t ov = min_i32(overlap, 8 * E);
    int64_t total = nr_level_memory(size, L, C, ov, code) + nr_coarse_plane_bytes(size, L);
    const int64_t map_bytes = round_up4_64(size.width / E + 8) * ((int64_t)(size.height / E) + 8);
    for (int32_t i = 0; i < L && i < 4; ++i) {
        if (luma_types != nullptr && luma_types[i] != 0) {
            total += map_bytes;
        }
    }
    for (int32_t i = 0; i < C && i < 4; ++i) {
        if (chroma_types != nullptr && chroma_types[i] != 0) {
            total += 2 * map_bytes;
        }
    }
    return total;
}

NrTileSize nr_choose_tile_size(int32_t W, int32_t H, int32_t P, int32_t L, int32_t C,
                               const uint8_t* luma_types, const uint8_t* chroma_types,
                               uint32_t code) {
    NrTileSize size = {0, 0};
    if (W <= 0 || H <= 0 || P <= 0) {
        return size;
    }
    const int32_t S = deepest(L, C);
    const int32_t g = 1 << (S > 0 ? S : 0);

    /* One tile per NR_TILE_PIXELS pixels, at most one per worker, split along the longer side. */
    int64_t t = (int64_t)W * H / NR_TILE_PIXELS + 1;
    if (t > P) {
        t = P;
    }
    int32_t w = W;
    int32_t h = H;
    while (t > 1) {
        int32_t p = 2;
        while (t % p != 0) {
            ++p;
        }
        t /= p;
        if (h >= w) {
            h /= p;
        } else {
            w /= p;
        }
    }

    /* Whole multiples of the coarsest grid, then shrink until one tile fits the budget. */
    w = (int32_t)(((int64_t)w + g - 1) / g * g);
    h = (int32_t)(((int64_t)h + g - 1) / g * g);
    if (w < g) {
        w = g;
    }
    if (h < g) {
        h = g;
    }
    const int32_t overlap = run_overlap(S);
    while (nr_tile_memory_estimate({w, h}, L, C, luma_types, chroma_types, overlap, code) >
           NR_TILE_BUDGET) {
        if (h >= w && h > g) {
            h -= g;
        } else if (w > g) {
            w -= g;
        } else if (h > g) {
            h -= g;
        } else {
            break;
        }
    }
    size.width = min_i32(w, W);
    size.height = min_i32(h, H);
    return size;
}

NrTileSize nr_image_choose_tile_size(const NrImage* image, int32_t L, int32_t C,
                                     const uint8_t* luma_types, const uint8_t* chroma_types) {
    if (image == nullptr) {
        NrTileSize none = {0, 0};
        return none;
    }
    return nr_choose_tile_size(image->width, image->height, nr_worker_count(), L, C, luma_types,
                               chroma_types, image->format);
}

namespace {

int32_t cap_need(int64_t bytes) {
    const int64_t need = bytes + 8192;
    return need > NR_TILE_ARENA_SIZE ? NR_TILE_ARENA_SIZE : (int32_t)need;
}

} // namespace

int32_t nr_tile_memory_need(const NrEngine* ctx, int32_t w, int32_t h, int32_t overlap) {
    /* A freshly built block: level counts and filter types are still 0 there. */
    NrParams params;
    nr_params_build(&params, ctx);
    const NrTileSize size = {w, h};
    return cap_need(nr_tile_memory_estimate(size, params.luma_levels, params.chroma_levels,
                                            params.luma_types, params.chroma_types, overlap,
                                            NR_CODE_YUV444));
}

int32_t nr_estimate_tile_memory_need(const NrEngine* ctx, int32_t w, int32_t h, int32_t overlap) {
    if (ctx == nullptr) {
        return NR_ERR_INVALID_ARG;
    }
    const NrSize size = {w, h};
    return cap_need(nr_estimate_memory(size, NR_CODE_YUV444, ctx->last_luma_levels,
                                       ctx->last_chroma_levels, overlap, 1));
}

/* ---- Worker buffers ----------------------------------------------------------------------------
 */

int nr_worker_buffers_alloc(void* user, NrWorkerBuffers* buffers, const NrImage* src, int32_t L,
                            int32_t C, const uint8_t* luma_types, const uint8_t* chroma_types) {
    if (buffers == nullptr || src == nullptr || L < 1) {
        return NR_ERR_INVALID_ARG;
    }
    const NrTileSize tile = nr_image_choose_tile_size(src, L, C, luma_types, chroma_types);
    const int32_t P = nr_worker_count();
    const int32_t cw = tile.width >> (L - 1);
    const int32_t ch = tile.height >> (L - 1);
    buffers->count = P;

    if (buffers->edge_planes == nullptr) {
        buffers->edge_planes = (NrLevel*)nr_malloc(user, sizeof(NrLevel) * (size_t)P);
        if (buffers->edge_planes == nullptr) {
            return NR_ERR_NO_MEMORY;
        }
        memset(buffers->edge_planes, 0, sizeof(NrLevel) * (size_t)P);
        NrRect margins;
        nr_rect_set_all(&margins, 8);
        for (int32_t k = 0; k < P; ++k) {
            if (nr_plane_alloc(user, &buffers->edge_planes[k], NR_FMT_U8, &margins, cw, ch) != 0) {
                return NR_ERR_NO_MEMORY;
            }
        }
    }

    if (buffers->run_profile.groups == nullptr) {
        if (nr_profile_alloc(user, &buffers->run_profile) != NR_OK) {
            return NR_ERR_NO_MEMORY;
        }
    }

    if (buffers->noise_maps == nullptr) {
        const int32_t channels = nr_format_channels(src->format);
        const int32_t records = C == 0 ? L : L + C * (channels - 1);
        buffers->noise_maps = (NrNoiseMap**)nr_malloc(user, sizeof(NrNoiseMap*) * (size_t)P);
        if (buffers->noise_maps == nullptr) {
            return NR_ERR_NO_MEMORY;
        }
        memset(buffers->noise_maps, 0, sizeof(NrNoiseMap*) * (size_t)P);
        buffers->map_count = records; /* how many records each array holds, for the release */
        const int32_t map_w = cw + 8;
        const int32_t map_h = ch + 8;
        const int32_t map_stride = nr_round_up4(map_w);
        for (int32_t k = 0; k < P; ++k) {
            NrNoiseMap* maps = (NrNoiseMap*)nr_malloc(user, sizeof(NrNoiseMap) * (size_t)records);
            buffers->noise_maps[k] = maps;
            if (maps == nullptr) {
                return NR_ERR_NO_MEMORY;
            }
            memset(maps, 0, sizeof(NrNoiseMap) * (size_t)records);
            for (int32_t r = 0; r < records; ++r) {
                const int32_t group = r < L ? 0 : 1 + (r - L) / C;
                const int32_t level = r < L ? r : (r - L) % C;
                const uint8_t type = group == 0 ? luma_types[level] : chroma_types[level];
                if (type == 0) {
                    continue;
                }
                NrNoiseMap* map = &maps[r];
                map->plane = (uint8_t*)nr_malloc(user, (size_t)map_stride * (size_t)map_h);
                if (map->plane == nullptr) {
                    return NR_ERR_NO_MEMORY;
                }
                map->width = map_w;
                map->height = map_h;
                map->stride = map_stride;
                map->margin_left = 4;
                map->margin_top = 4;
                map->margin_right = 4;
                map->margin_bottom = 4;
                if (group == 0) {
                    map->shift_x = L - 1 - level;
                    map->shift_y = L - 1 - level;
                } else {
                    chroma_shifts(src->format, L, level, &map->shift_x, &map->shift_y);
                }
            }
        }
    }

    /* The sets' tile pyramids: records only; each set's first tile makes the planes. */
    if (buffers->pyramids == nullptr) {
        buffers->pyramids = (NrTilePyramid*)nr_malloc(user, sizeof(NrTilePyramid) * (size_t)P);
        if (buffers->pyramids == nullptr) {
            return NR_ERR_NO_MEMORY;
        }
        memset(buffers->pyramids, 0, sizeof(NrTilePyramid) * (size_t)P);
    }
    return NR_OK;
}

void nr_worker_buffers_free(void* user, NrWorkerBuffers* buffers, int32_t L, int32_t C,
                            int32_t groups) {
    if (buffers == nullptr) {
        return;
    }
    const int32_t count = buffers->count > 0 ? buffers->count : 0;
    if (buffers->noise_maps != nullptr) {
        int32_t records = buffers->map_count;
        if (records <= 0) {
            records = C == 0 ? L : L + C * (groups - 1);
        }
        for (int32_t k = 0; k < count; ++k) {
            NrNoiseMap* maps = buffers->noise_maps[k];
            if (maps == nullptr) {
                continue;
            }
            for (int32_t r = 0; r < records; ++r) {
                nr_free(user, maps[r].plane);
            }
            nr_free(user, maps);
        }
        nr_free(user, buffers->noise_maps);
        buffers->noise_maps = nullptr;
    }
    if (buffers->edge_planes != nullptr) {
        for (int32_t k = 0; k < count; ++k) {
            nr_free(user, buffers->edge_planes[k].plane);
        }
        nr_free(user, buffers->edge_planes);
        buffers->edge_planes = nullptr;
    }
    if (buffers->pyramids != nullptr) {
        for (int32_t k = 0; k < count; ++k) {
            nr_pyramid_free(user, &buffers->pyramids[k].pyramid);
        }
        nr_free(user, buffers->pyramids);
        buffers->pyramids = nullptr;
    }
    nr_profile_free(user, &buffers->run_profile);
    buffers->run_profile.group_count = 0;
    buffers->map_count = 0;
    buffers->count = 0;
}

/* ---- Maps of pass 1 ----------------------------------------------------------------------------
 */

void nr_noise_map_fill(NrNoiseMap* map, const NrLevel* coarse, const uint8_t* table,
                       int32_t log2_size, int32_t table_index) {
    if (map == nullptr || map->plane == nullptr || coarse == nullptr || coarse->plane == nullptr) {
        return;
    }
    const int32_t inner_w = coarse->width - coarse->margin_left - coarse->margin_right;
    const int32_t inner_h = coarse->height - coarse->margin_top - coarse->margin_bottom;
    map->table_index = table_index;
    map->margin_left = 4;
    map->margin_top = 4;
    map->margin_right = map->width - 4 - inner_w;
    map->margin_bottom = map->height - 4 - inner_h;
    /* The inner area plus 4 samples on every side, as far as the record holds them. */
    const int32_t cols = min_i32(inner_w + 8, map->width);
    const int32_t rows = min_i32(inner_h + 8, map->height);
    const int32_t shift = 8 - log2_size;
    const uint8_t* src = coarse->plane + (ptrdiff_t)(coarse->margin_top - 4) * coarse->stride +
                         coarse->margin_left - 4;
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* s = src + (ptrdiff_t)y * coarse->stride;
        uint8_t* d = map->plane + (ptrdiff_t)y * map->stride;
        if (table == nullptr) {
            memset(d, 0, (size_t)cols);
            continue;
        }
        for (int32_t x = 0; x < cols; ++x) {
            d[x] = table[s[x] >> shift];
        }
    }
}

void nr_edge_map_compute(NrLevel* edge, const NrLevel* coarse) {
    if (edge == nullptr || edge->plane == nullptr || coarse == nullptr ||
        coarse->plane == nullptr) {
        return;
    }
    edge->width = coarse->width;
    edge->height = coarse->height;
    edge->margin_left = coarse->margin_left;
    edge->margin_top = coarse->margin_top;
    edge->margin_right = coarse->margin_right;
    edge->margin_bottom = coarse->margin_bottom;
    edge->origin_x = coarse->origin_x;
    edge->origin_y = coarse->origin_y;
    edge->limit_x = coarse->limit_x;
    edge->limit_y = coarse->limit_y;
    nr_edge_map_plane(edge->plane, edge->stride, coarse->plane, coarse->stride, coarse->width,
                      coarse->height);
}

/* ---- Filter records and the level loop ------------------------------------------------------- */

int nr_level_filter_setup(const NrParams* params, int32_t group, int32_t level, int32_t index,
                          NrLevelFilter* out) {
    if (params == nullptr || out == nullptr || level < 0 || level >= NR_MAX_LEVELS) {
        return NR_ERR_INVALID_ARG;
    }
    const int32_t gain =
        group == 0 ? params->luma_amount_gain[level] : params->chroma_amount_gain[level];
    out->keep = gain >= 256 ? 0 : 256 - gain;
    out->group = group;
    out->level = level;
    out->filter_type = group == 0 ? params->luma_types[level] : params->chroma_types[level];
    out->mode_flag = params->mode_flag;
    out->blend_source = nullptr;
    out->edge_map = nullptr;
    const NrWorkerBuffers* buffers = params->buffers;
    if (buffers != nullptr && buffers->edge_planes != nullptr && buffers->count > 0) {
        out->edge_map = &buffers->edge_planes[index % buffers->count];
    }
    return NR_OK;
}

int nr_tile_filter_levels(void* user, NrPyramid* pyramid, NrNoiseMap* noise_maps, int32_t index,
                          const NrParams* params) {
    if (pyramid == nullptr || params == nullptr) {
        return NR_ERR_INVALID_ARG;
    }
    const int32_t L = params->luma_levels;
    const int32_t C = params->chroma_levels;
    for (int32_t g = 0; g < pyramid->group_count; ++g) {
        NrLevelGroup* group = &pyramid->groups[g];
        const int32_t n = group->level_count;
        if (n < 1 || group->levels == nullptr) {
            continue;
        }
        const int32_t d = n - 1;
        NrLevelFilter filter;
        nr_level_filter_setup(params, g, d, index, &filter);
        NrNoiseMap* map = noise_maps != nullptr ? &noise_maps[map_index(g, d, L, C)] : nullptr;
        int status = nr_level_filter(user, &group->levels[d], map, &filter, &group->levels[d]);
        if (status != NR_OK) {
            return status;
        }
        for (int32_t j = d - 1; j >= 0; --j) {
            nr_level_filter_setup(params, g, j, index, &filter);
            map = noise_maps != nullptr ? &noise_maps[map_index(g, j, L, C)] : nullptr;
            if (g == 0) {
                status = nr_level_reconstruct(user, &group->levels[j], &group->bands[j],
                                              &group->levels[j + 1]);
                if (status != NR_OK) {
                    return status;
                }
                filter.blend_source = &group->levels[j + 1];
                status = nr_level_filter(user, &group->levels[j], map, &filter, &group->levels[j]);
            } else {
                status = nr_level_filter(user, &group->bands[j], map, &filter, &group->bands[j]);
                if (status != NR_OK) {
                    return status;
                }
                status = nr_level_reconstruct(user, &group->levels[j], &group->bands[j],
                                              &group->levels[j + 1]);
            }
            if (status != NR_OK) {
                return status;
            }
        }
    }
    return NR_OK;
}

/* ---- Pass 1 and pass 2 ----------------------------------------------------------------------- */

namespace {

/*
 * Makes the planes of a buffer set's kept pyramid for tiles of `tile` in a W x H frame of
 * `format`, unless they are there for that shape already: the full overlap `ov` on every side
 * gives every level its largest extent, so that any tile of the shape fits in them. Planes made
 * for another shape are released first. NR_OK or NR_ERR_NO_MEMORY (nothing kept then).
 */
int keep_tile_pyramid(void* user, NrTilePyramid* kept, uint32_t format, int32_t W, int32_t H,
                      NrSize tile, int32_t L, int32_t C, int32_t ov, const NrRect* minimum) {
    const bool same = kept->pyramid.groups != nullptr && kept->format == format &&
                      kept->frame_w == W && kept->frame_h == H && kept->tile_w == tile.width &&
                      kept->tile_h == tile.height && kept->luma_levels == L &&
                      kept->chroma_levels == C;
    if (same) {
        return NR_OK;
    }
    nr_pyramid_free(user, &kept->pyramid);
    memset(kept, 0, sizeof(*kept));
    NrRect full;
    nr_rect_set_all(&full, ov);
    const int status =
        nr_pyramid_create(user, &kept->pyramid, format, W, H, &tile, &full, minimum, L, C, 1);
    if (status != NR_OK) {
        nr_pyramid_free(user, &kept->pyramid);
        return status;
    }
    kept->format = format;
    kept->frame_w = W;
    kept->frame_h = H;
    kept->tile_w = tile.width;
    kept->tile_h = tile.height;
    kept->luma_levels = L;
    kept->chroma_levels = C;
    return NR_OK;
}

} // namespace

int nr_tile_prepare(NrTileTask* task, void* user, const NrImage* src, const int32_t* rect,
                    int32_t index, NrNoiseProfile* profile, NrParams* params) {
    if (task == nullptr || src == nullptr || rect == nullptr || params == nullptr) {
        return NR_ERR_INVALID_ARG;
    }
    const int32_t L = params->luma_levels;
    const int32_t C = params->chroma_levels;
    NrWorkerBuffers* buffers = params->buffers;

    NrTileJob* job = (NrTileJob*)nr_malloc(user, sizeof(NrTileJob));
    if (job == nullptr) {
        return NR_ERR_NO_MEMORY;
    }
    memset(job, 0, sizeof(*job));
    job->user = user;
    job->luma_levels = L;
    job->chroma_levels = C;
    job->params = params;
    job->index = index;
    if (buffers != nullptr && buffers->noise_maps != nullptr && buffers->count > 0) {
        job->noise_maps = buffers->noise_maps[index % buffers->count];
    }
    task->job = job;

    const int32_t x0 = rect[0];
    const int32_t y0 = rect[1];
    const int32_t x1 = rect[2];
    const int32_t y1 = rect[3];
    const int32_t W = src->width;
    const int32_t H = src->height;
    const int32_t S = deepest(L, C);
    const int32_t ov = run_overlap(S);
    NrRect wanted;
    wanted.left = min_i32(ov, x0);
    wanted.top = min_i32(ov, y0);
    wanted.right = (W - x1 >= 0 && W - x1 < ov) ? W - x1 : ov;
    wanted.bottom = (H - y1 >= 0 && H - y1 < ov) ? H - y1 : ov;
    NrRect minimum;
    nr_rect_set_all(&minimum, 8);
    const NrSize tile = {x1 - x0, y1 - y0};
    const uint32_t format = src->format & ~0xf000u;

    /* The buffer set's pyramid when there is one (its planes outlive the tile), else one of the
     * tile's own. Either way the levels are set up for this tile's margins below. */
    int status = NR_OK;
    NrTilePyramid* kept = buffers != nullptr && buffers->pyramids != nullptr && buffers->count > 0
                              ? &buffers->pyramids[index % buffers->count]
                              : nullptr;
    if (kept != nullptr && (kept->pyramid.groups != nullptr || task->keep_pyramid)) {
        job->keep_after = task->keep_pyramid;
        status = keep_tile_pyramid(user, kept, format, W, H, tile, L, C, ov, &minimum);
        if (status != NR_OK) {
            job->status = status;
            return status;
        }
        job->pyramid = &kept->pyramid;
        job->kept = kept;
    } else {
        job->pyramid = (NrPyramid*)nr_malloc(user, sizeof(NrPyramid));
        if (job->pyramid == nullptr) {
            job->status = NR_ERR_NO_MEMORY;
            return NR_ERR_NO_MEMORY;
        }
        memset(job->pyramid, 0, sizeof(NrPyramid));
    }
    NrPyramid* pyramid = job->pyramid;

    status = nr_pyramid_create(user, pyramid, format, W, H, &tile, &wanted, &minimum, L, C, 1);
    if (status == NR_OK && (pyramid->group_count < 1 || pyramid->groups[0].level_count < L)) {
        status = NR_ERR_FAILED;
    }
    if (status != NR_OK) {
        job->status = status;
        return status;
    }
    nr_pyramid_set_rect(pyramid, x0, y0, x1 - x0, y1 - y0, W, H);
    nr_tile_transfer(pyramid, const_cast<NrImage*>(src), 1);
    status = nr_pyramid_build(user, pyramid);
    if (status != NR_OK) {
        job->status = status;
        return status;
    }

    const NrLevel* coarse = &pyramid->groups[0].levels[L - 1];
    for (int32_t g = 0; g < pyramid->group_count; ++g) {
        NrLevelGroup* group = &pyramid->groups[g];
        const int32_t n = group->level_count;
        for (int32_t j = n - 1; j >= 0; --j) {
            const uint8_t type = g == 0 ? params->luma_types[j] : params->chroma_types[j];
            if (type != 0 && job->noise_maps != nullptr) {
                NrNoiseMap* map = &job->noise_maps[map_index(g, j, L, C)];
                const uint8_t* table = nullptr;
                int32_t log2_size = 8;
                int32_t table_index = j;
                if (profile != nullptr && profile->groups != nullptr &&
                    (uint32_t)g < profile->group_count && j < profile->groups[g].entry_count) {
                    const NrProfileEntry* entry = &profile->groups[g].entries[j];
                    table = entry->lut;
                    log2_size = entry->log2_size;
                    table_index = entry->index;
                }
                /* A missing table measures no noise: the filter then leaves the level alone. */
                nr_noise_map_fill(map, coarse, table, log2_size, table_index);
            }
            if (g == 0 && j == n - 1 && buffers != nullptr && buffers->edge_planes != nullptr &&
                buffers->count > 0) {
                nr_edge_map_compute(&buffers->edge_planes[index % buffers->count], coarse);
            }
            if (j > 0) {
                NrLevel* band = &group->bands[j - 1];
                const int32_t gain =
                    g == 0 ? params->luma_detail_gain[j - 1] : params->chroma_detail_gain[j - 1];
                status = nr_band_scale(band->plane, band->stride, band->format, band->plane,
                                       band->stride, band->format, band->width, band->height, gain);
                if (status != NR_OK) {
                    job->status = status;
                    return status;
                }
            }
        }
    }
    return NR_OK;
}

int nr_tile_finish(NrTileJob* job, NrImage* dst) {
    if (job == nullptr) {
        return NR_ERR_FAILED;
    }
    int status = job->status;
    if (status == NR_OK) {
        status = nr_tile_filter_levels(job->user, job->pyramid, job->noise_maps, job->index,
                                       job->params);
        if (status == NR_OK && dst != nullptr) {
            nr_tile_transfer(job->pyramid, dst, 0);
        }
    }
    void* user = job->user;
    if (job->kept != nullptr) {
        if (!job->keep_after) { /* the set's last tile */
            nr_pyramid_free(user, &job->kept->pyramid);
            memset(job->kept, 0, sizeof(*job->kept));
        }
    } else if (job->pyramid != nullptr) {
        nr_pyramid_free(user, job->pyramid);
        nr_free(user, job->pyramid);
    }
    nr_free(user, job);
    return status;
}

int nr_tile_process(void* user, NrImage* dst, const NrImage* src, const int32_t* rect,
                    int32_t index, NrNoiseProfile* profile, NrParams* params) {
    NrTileTask task;
    memset(&task, 0, sizeof(task));
    int status = nr_tile_prepare(&task, user, src, rect, index, profile, params);
    if (task.job == nullptr) {
        return NR_ERR_FAILED;
    }
    const int finish = nr_tile_finish(task.job, dst);
    return status != NR_OK ? status : finish;
}

void nr_tile_pass1_job(void* argument) {
    NrTileTask* task = (NrTileTask*)argument;
    const int32_t rect[4] = {task->origin_x, task->origin_y, task->origin_x + task->tile_size.width,
                             task->origin_y + task->tile_size.height};
    task->status = nr_tile_prepare(task, task->user, task->src, rect, task->index, task->profile,
                                   task->params);
}

void nr_tile_pass2_job(void* argument) {
    NrTileTask* task = (NrTileTask*)argument;
    NrTileJob* job = task->job;
    task->job = nullptr;
    task->status = job != nullptr ? nr_tile_finish(job, task->dst) : NR_ERR_FAILED;
}

/* ---- Scheduler ---------------------------------------------------------------------------------
 */

namespace {

/* Runs pass 1 then pass 2 of tasks[first .. first + n - 1]; the lowest failing index decides. */
int run_batch(NrPool* pool, NrTileTask* tasks, void** arguments, int32_t first, int32_t n) {
    /* A job that never runs (no pool to run it) must not pass for a tile that succeeded. */
    for (int32_t i = 0; i < n; ++i) {
        arguments[i] = &tasks[first + i];
        tasks[first + i].status = NR_ERR_FAILED;
    }
    nr_pool_run(pool, nr_tile_pass1_job, arguments, n);
    int status = NR_OK;
    for (int32_t i = 0; i < n; ++i) {
        if (tasks[first + i].status != NR_OK) {
            status = tasks[first + i].status;
            break;
        }
    }
    if (status != NR_OK) {
        /* Release what pass 1 built, as pass 2 would have. */
        for (int32_t i = 0; i < n; ++i) {
            NrTileTask* task = &tasks[first + i];
            if (task->job != nullptr) {
                task->job->status = task->status != NR_OK ? task->status : NR_ERR_FAILED;
                nr_tile_finish(task->job, nullptr);
                task->job = nullptr;
            }
        }
        return status;
    }
    for (int32_t i = 0; i < n; ++i) {
        tasks[first + i].status = NR_ERR_FAILED;
    }
    nr_pool_run(pool, nr_tile_pass2_job, arguments, n);
    for (int32_t i = 0; i < n; ++i) {
        if (tasks[first + i].status != NR_OK) {
            return tasks[first + i].status;
        }
    }
    return NR_OK;
}

} // namespace

int nr_tile_scheduler_run(void* user, const NrImage* src, NrImage* dst, NrNoiseProfile* profile,
                          NrParams* params, NrProgressCallback callback, void* callback_user) {
    if (src == nullptr || dst == nullptr || params == nullptr) {
        return NR_ERR_INVALID_ARG;
    }
    const int32_t P = nr_worker_count();
    const NrTileSize tile =
        nr_choose_tile_size(src->width, src->height, P, params->luma_levels, params->chroma_levels,
                            params->luma_types, params->chroma_types, src->format);
    int status = NR_OK;
    NrTileTask* tasks = nullptr;
    int64_t T = 0;
    if (tile.width <= 0 || tile.height <= 0) {
        status = NR_ERR_SIZE;
    } else {
        T = (int64_t)((src->width + tile.width - 1) / tile.width) *
            ((src->height + tile.height - 1) / tile.height);
        if (T > INT32_MAX / (int64_t)sizeof(NrTileTask)) {
            status = NR_ERR_NO_MEMORY;
        } else {
            tasks = (NrTileTask*)nr_malloc(user, sizeof(NrTileTask) * (size_t)T);
            if (tasks == nullptr) {
                status = NR_ERR_NO_MEMORY;
            }
        }
    }
    if (status == NR_OK) {
        memset(tasks, 0, sizeof(NrTileTask) * (size_t)T);
        const NrRect region = {0, 0, dst->width, dst->height};
        int32_t x = 0;
        int32_t y = 0;
        int32_t filled = 0;
        do {
            NrTileTask* task = &tasks[filled];
            task->user = user;
            task->src = src;
            task->dst = dst;
            task->tile_size = tile;
            task->origin_x = x;
            task->origin_y = y;
            task->profile = profile;
            task->params = params;
            task->index = filled;
            ++filled;
        } while (filled < T && nr_tile_next(&x, &y, tile.width, tile.height, &region));
        T = filled;
        /* A buffer set that serves a later tile keeps its pyramid's planes for it. */
        for (int32_t i = 0; i + P < T; ++i) {
            tasks[i].keep_pyramid = 1;
        }

        const int32_t step = (int32_t)(P * 100 / T > 1 ? P * 100 / T : 1);
        int32_t progress = 0;
        void* arguments[16];
        int64_t b = 0;
        for (; b + P <= T && status == NR_OK; b += P) {
            status = run_batch(params->pool, tasks, arguments, (int32_t)b, P);
            if (status == NR_OK && callback != nullptr) {
                progress = progress + step > 100 ? 100 : progress + step;
                const int32_t answer = callback(progress, 0, callback_user);
                if (answer != 0) {
                    status = answer;
                }
            }
        }
        if (status == NR_OK && b < T) {
            status = run_batch(params->pool, tasks, arguments, (int32_t)b, (int32_t)(T - b));
        }
    }
    nr_free(user, tasks);
    if (callback != nullptr) {
        callback(100, 0, callback_user);
    }
    return status;
}

int nr_run_tiles(void* user, const NrImage* src, NrImage* dst, NrNoiseProfile* profile,
                 NrParams* params, NrProgressCallback callback, void* callback_user) {
    return nr_tile_scheduler_run(user, src, dst, profile, params, callback, callback_user);
}

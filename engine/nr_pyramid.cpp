// Tile pyramid: allocation, placement, build, reconstruction, mirror padding and release.
#include "nr_pyramid.h"

#include <string.h>

#include "nr_image.h"
#include "nr_kernels.h"
#include "nr_runtime.h"

namespace {

inline int32_t min32(int32_t a, int32_t b) {
    return a < b ? a : b;
}
inline int32_t max32(int32_t a, int32_t b) {
    return a > b ? a : b;
}
inline int32_t bytes_per_sample(uint32_t format) {
    return static_cast<int32_t>((format >> 4) & 0xF);
}

// Frame column / row of a buffer's first column / row.
inline int32_t left_edge(const NrLevel& l) {
    return l.origin_x - l.margin_left;
}
inline int32_t top_edge(const NrLevel& l) {
    return l.origin_y - l.margin_top;
}

inline uint8_t* sample_at(const NrLevel& l, int32_t col, int32_t row) {
    return l.plane + (static_cast<intptr_t>(row) * l.stride + col) *
                         bytes_per_sample(l.format ? l.format : 0x10);
}

inline const uint8_t* inner_top_left(const NrLevel& l) {
    return l.plane ? sample_at(l, l.margin_left, l.margin_top) : nullptr;
}

// Allocates a zero-filled plane of height x stride samples unless the record has one.
int alloc_plane(void* user, NrLevel* l) {
    if (l->plane)
        return NR_OK;
    const size_t size = static_cast<size_t>(l->height) * static_cast<size_t>(l->stride) *
                        static_cast<size_t>(bytes_per_sample(l->format));
    l->plane = static_cast<uint8_t*>(nr_malloc(user, size ? size : 1));
    if (!l->plane)
        return NR_ERR_NO_MEMORY;
    memset(l->plane, 0, size);
    return NR_OK;
}

void set_margins(NrLevel* l, const NrRect& m) {
    l->margin_left = m.left;
    l->margin_top = m.top;
    l->margin_right = m.right;
    l->margin_bottom = m.bottom;
}

// Sets up one group of n levels from tile (w, h), frame (W, H), wanted margins M and minimum m.
int setup_group(void* user, NrLevelGroup* g, uint32_t level_format, int32_t w, int32_t h, int32_t W,
                int32_t H, NrRect M, const NrRect& m, int32_t share) {
    const int32_t n = g->level_count;
    for (int32_t i = 0; i < n; ++i) {
        const NrRect used{max32(m.left, M.left), max32(m.top, M.top), max32(m.right, M.right),
                          max32(m.bottom, M.bottom)};
        NrLevel* L = &g->levels[i];
        L->format = level_format;
        L->limit_x = W;
        L->limit_y = H;
        L->origin_x = 0;
        L->origin_y = 0;
        set_margins(L, used);
        L->width = w + used.left + used.right;
        L->height = h + used.top + used.bottom;
        L->stride = nr_round_up4(L->width);
        if (alloc_plane(user, L) != NR_OK)
            return NR_ERR_NO_MEMORY;
        if (i < n - 1) {
            NrLevel* B = &g->bands[i];
            B->format = level_format | 0x100;
            B->limit_x = W;
            B->limit_y = H;
            B->origin_x = 0;
            B->origin_y = 0;
            set_margins(B, m);
            B->width = w + m.left + m.right;
            B->height = h + m.top + m.bottom;
            if (share) {
                // The band's inner area coincides sample for sample with the level's.
                B->stride = L->stride;
                B->plane = sample_at(*L, used.left - m.left, used.top - m.top);
            } else {
                B->stride = nr_round_up4(B->width);
                if (alloc_plane(user, B) != NR_OK)
                    return NR_ERR_NO_MEMORY;
            }
        }
        w = (w + 1) >> 1;
        h = (h + 1) >> 1;
        W = (W + 1) >> 1;
        H = (H + 1) >> 1;
        M = NrRect{used.left / 2, used.top / 2, (used.right + 1) / 2, (used.bottom + 1) / 2};
    }
    return NR_OK;
}

// Column range of the build's band step: frame columns inside the band-shaped view `v`, inside
// its frame and inside twice the coarse buffer. Returns false when empty.
struct Span {
    int32_t lo, hi;
};
Span band_columns(const NrLevel& v, const NrLevel& coarse) {
    const int32_t e = left_edge(coarse);
    const int32_t lo = max32(max32(left_edge(v), 0), 2 * e);
    const int32_t hi = min32(min32(left_edge(v) + v.width, v.limit_x), 2 * e + 2 * coarse.width);
    return Span{lo, hi};
}
Span band_rows(const NrLevel& v, const NrLevel& coarse) {
    const int32_t e = top_edge(coarse);
    const int32_t lo = max32(max32(top_edge(v), 0), 2 * e);
    const int32_t hi = min32(min32(top_edge(v) + v.height, v.limit_y), 2 * e + 2 * coarse.height);
    return Span{lo, hi};
}

// Clips spans to a frame rectangle {x0, y0, x1, y1}.
void clip_spans(Span* cols, Span* rows, const NrRect* rect) {
    if (!rect)
        return;
    cols->lo = max32(cols->lo, rect->left);
    cols->hi = min32(cols->hi, rect->right);
    rows->lo = max32(rows->lo, rect->top);
    rows->hi = min32(rows->hi, rect->bottom);
}

enum class BandOp { Subtract, Add };

// band = fine - up(coarse) (Subtract) or target = band + up(coarse) (Add) over the view `v`, a
// band-shaped record whose plane is the band's (Subtract) or the target's (Add) plane. `level` is
// the unsigned level read (Subtract: the fine level) or written (Add: the target level).
int band_step(BandOp op, const NrLevel& v, const NrLevel& level, const NrLevel& band,
              const NrLevel& coarse, const NrRect* rect) {
    Span cols = band_columns(v, coarse), rows = band_rows(v, coarse);
    clip_spans(&cols, &rows, rect);
    if (cols.lo >= cols.hi || rows.lo >= rows.hi)
        return 0;
    const int32_t ex = 2 * left_edge(coarse), ey = 2 * top_edge(coarse);
    // Output coordinate 0 of the kernels is frame column 2 e of this level.
    const bool shared = inner_top_left(band) == inner_top_left(level);
    if (shared) {
        uint8_t* base = sample_at(v, ex - left_edge(v), ey - top_edge(v));
        if (op == BandOp::Subtract)
            return nr_upsample_subtract(reinterpret_cast<int8_t*>(base), v.stride, cols.lo - ex,
                                        rows.lo - ey, cols.hi - ex, rows.hi - ey, coarse.plane,
                                        coarse.stride, coarse.width, coarse.height, coarse.format);
        return nr_upsample_add(base, v.stride, cols.lo - ex, rows.lo - ey, cols.hi - ex,
                               rows.hi - ey, coarse.plane, coarse.stride, coarse.width,
                               coarse.height, coarse.format);
    }
    // Own band plane: upsample into the band (Subtract) or the target (Add), then combine.
    const NrLevel& up_into = op == BandOp::Subtract ? band : level;
    uint8_t* base = sample_at(up_into, ex - left_edge(up_into), ey - top_edge(up_into));
    const int r =
        nr_upsample(base, up_into.stride, cols.lo - ex, rows.lo - ey, cols.hi - ex, rows.hi - ey,
                    coarse.plane, coarse.stride, coarse.width, coarse.height, coarse.format);
    if (r != 0)
        return r;
    const int32_t w = cols.hi - cols.lo, h = rows.hi - rows.lo;
    uint8_t* lv = sample_at(level, cols.lo - left_edge(level), rows.lo - top_edge(level));
    uint8_t* bd = sample_at(band, cols.lo - left_edge(band), rows.lo - top_edge(band));
    // The checked band wrappers: the upsampled plane carries the level's format.
    if (op == BandOp::Subtract)
        return nr_band_subtract(lv, level.stride, level.format, bd, band.stride, level.format, bd,
                                band.stride, band.format, w, h);
    return nr_band_add(lv, level.stride, level.format, bd, band.stride, band.format, lv,
                       level.stride, level.format, w, h);
}

// Copies `src` over `dst` where their buffers overlap in frame coordinates.
void copy_overlap(NrLevel* dst, const NrLevel& src) {
    if (!dst->plane || !src.plane || bytes_per_sample(dst->format) != 1 ||
        bytes_per_sample(src.format) != 1)
        return;
    const int32_t x0 = max32(left_edge(*dst), left_edge(src));
    const int32_t x1 = min32(left_edge(*dst) + dst->width, left_edge(src) + src.width);
    const int32_t y0 = max32(top_edge(*dst), top_edge(src));
    const int32_t y1 = min32(top_edge(*dst) + dst->height, top_edge(src) + src.height);
    if (x0 >= x1 || y0 >= y1)
        return;
    for (int32_t y = y0; y < y1; ++y)
        memmove(sample_at(*dst, x0 - left_edge(*dst), y - top_edge(*dst)),
                sample_at(src, x0 - left_edge(src), y - top_edge(src)),
                static_cast<size_t>(x1 - x0));
}

// Mirror image of index i into the valid span [lo, hi): reflection about the first and the last
// valid sample (neither repeated), repeated as often as needed, so that any margin width maps
// inside the span.
inline int32_t reflect(int32_t i, int32_t lo, int32_t hi) {
    const int32_t n = hi - lo;
    if (n <= 1)
        return lo;
    const int32_t period = 2 * (n - 1);
    int32_t t = (i - lo) % period;
    if (t < 0)
        t += period;
    return lo + (t < n ? t : period - t);
}

/* How many luma pixels a group's pixel covers across (rx) and down (ry): 1 for luma, 2 for
 * subsampled chroma. */
void subsampling(const NrLevel& luma0, const NrLevel& level0, int32_t* rx, int32_t* ry) {
    *rx = level0.limit_x > 0 ? max32(1, luma0.limit_x / level0.limit_x) : 1;
    *ry = level0.limit_y > 0 ? max32(1, luma0.limit_y / level0.limit_y) : 1;
}

} // namespace

void nr_rect_set_all(NrRect* r, int32_t value) {
    if (!r)
        return;
    r->left = r->top = r->right = r->bottom = value;
}

int nr_plane_alloc(void* user, NrLevel* level, uint32_t format, const NrRect* margins,
                   int32_t width, int32_t height) {
    const NrRect m = margins ? *margins : NrRect{0, 0, 0, 0};
    set_margins(level, m);
    level->width = width + m.left + m.right;
    level->height = height + m.top + m.bottom;
    level->format = format;
    if (!level->plane)
        level->stride = nr_round_up4(level->width);
    return alloc_plane(user, level);
}

int nr_pyramid_alloc_groups(void* user, NrPyramid* p, int32_t count) {
    if (p->groups)
        return NR_OK;
    const size_t size = sizeof(NrLevelGroup) * static_cast<size_t>(count > 0 ? count : 1);
    p->groups = static_cast<NrLevelGroup*>(nr_malloc(user, size));
    if (!p->groups)
        return NR_ERR_NO_MEMORY;
    memset(p->groups, 0, size);
    return NR_OK;
}

int nr_group_alloc_levels(void* user, NrLevelGroup* g, int32_t n) {
    if (g->levels)
        return NR_OK;
    const size_t size = sizeof(NrLevel) * static_cast<size_t>(n > 0 ? 2 * n - 1 : 1);
    g->levels = static_cast<NrLevel*>(nr_malloc(user, size));
    if (!g->levels)
        return NR_ERR_NO_MEMORY;
    memset(g->levels, 0, size);
    g->bands = g->levels + n;
    g->level_count = n;
    return NR_OK;
}

void nr_group_free_levels(void* user, NrLevelGroup* g) {
    if (!g)
        return;
    nr_free(user, g->levels);
    g->levels = nullptr;
    g->bands = nullptr;
    g->level_count = 0;
}

int nr_pyramid_create(void* user, NrPyramid* p, uint32_t format, int32_t frame_w, int32_t frame_h,
                      const NrSize* tile, const NrRect* wanted, const NrRect* minimum,
                      int32_t luma_levels, int32_t chroma_levels, int32_t share) {
    const uint32_t level_format = format & 0xFFF0u;
    const int32_t groups = chroma_levels <= 0 ? 1 : static_cast<int32_t>(format & 0xF);
    if (nr_pyramid_alloc_groups(user, p, groups) != NR_OK)
        return NR_ERR_NO_MEMORY;
    p->group_count = groups;
    for (int32_t gi = 0; gi < groups; ++gi)
        if (nr_group_alloc_levels(user, &p->groups[gi], gi == 0 ? luma_levels : chroma_levels) !=
            NR_OK)
            return NR_ERR_NO_MEMORY;

    const int32_t w = tile ? tile->width : frame_w;
    const int32_t h = tile ? tile->height : frame_h;
    const NrRect M = wanted ? *wanted : NrRect{0, 0, 0, 0};
    const NrRect m = minimum ? *minimum : NrRect{0, 0, 0, 0};
    if (setup_group(user, &p->groups[0], level_format, w, h, frame_w, frame_h, M, m, share) !=
        NR_OK)
        return NR_ERR_NO_MEMORY;

    // Chroma geometry by layout family.
    const uint32_t family = format & 0xEF000000u;
    int32_t cw = w, ch = h, cW = frame_w, cH = frame_h;
    NrRect cM = M;
    if (family == 0x20000000u || (format >= 0x40000000u && format <= 0x5FFFFFFFu)) {
        cw = w / 2, ch = h / 2, cW = frame_w / 2, cH = frame_h / 2;
        cM = NrRect{M.left / 2, M.top / 2, M.right / 2, M.bottom / 2};
    } else if (format >= 0x20000000u && format <= 0x3FFFFFFFu) {
        cw = w / 2, cW = frame_w / 2;
        cM = NrRect{M.left / 2, M.top, M.right / 2, M.bottom};
    }
    for (int32_t gi = 1; gi < groups; ++gi)
        if (setup_group(user, &p->groups[gi], level_format, cw, ch, cW, cH, cM, m, share) != NR_OK)
            return NR_ERR_NO_MEMORY;
    return NR_OK;
}

int nr_pyramid_set_rect(NrPyramid* p, int32_t x, int32_t y, int32_t w, int32_t h, int32_t frame_w,
                        int32_t frame_h) {
    if (!p || !p->groups || p->group_count < 1 || p->groups[0].level_count < 1)
        return 1;
    const NrLevel& luma0 = p->groups[0].levels[0];
    for (int32_t gi = 0; gi < p->group_count; ++gi) {
        NrLevelGroup& g = p->groups[gi];
        if (g.level_count < 1 || !g.levels)
            continue;
        int32_t rx = 1;
        int32_t ry = 1;
        subsampling(luma0, g.levels[0], &rx, &ry);
        int32_t wi = w / rx, hi = h / ry, Wi = frame_w / rx, Hi = frame_h / ry;
        const int32_t gx = x / rx, gy = y / ry;
        for (int32_t i = 0; i < g.level_count; ++i) {
            const int32_t ox = gx >> i, oy = gy >> i;
            const int32_t over_x = max32(0, wi + ox - Wi);
            const int32_t over_y = max32(0, hi + oy - Hi);
            NrLevel& L = g.levels[i];
            L.origin_x = ox;
            L.origin_y = oy;
            L.width = wi + L.margin_left + L.margin_right - over_x;
            L.height = hi + L.margin_top + L.margin_bottom - over_y;
            if (i < g.level_count - 1) {
                NrLevel& B = g.bands[i];
                B.origin_x = ox;
                B.origin_y = oy;
                B.width = wi + B.margin_left + B.margin_right - over_x;
                B.height = hi + B.margin_top + B.margin_bottom - over_y;
            }
            wi >>= 1;
            hi >>= 1;
            Wi = (Wi + 1) >> 1;
            Hi = (Hi + 1) >> 1;
        }
    }
    return 1;
}

int nr_pyramid_move(NrPyramid* p, int32_t x, int32_t y) {
    if (!p || !p->groups || p->group_count < 1 || p->groups[0].level_count < 1)
        return 1;
    const NrLevel& luma0 = p->groups[0].levels[0];
    for (int32_t gi = 0; gi < p->group_count; ++gi) {
        NrLevelGroup& g = p->groups[gi];
        if (g.level_count < 1 || !g.levels)
            continue;
        int32_t rx = 1;
        int32_t ry = 1;
        subsampling(luma0, g.levels[0], &rx, &ry);
        for (int32_t i = 0; i < g.level_count; ++i) {
            g.levels[i].origin_x = (x / rx) >> i;
            g.levels[i].origin_y = (y / ry) >> i;
            if (i < g.level_count - 1) {
                g.bands[i].origin_x = g.levels[i].origin_x;
                g.bands[i].origin_y = g.levels[i].origin_y;
            }
        }
    }
    return 1;
}

int nr_downsample_level(const NrLevel* fine, NrLevel* coarse, const NrRect* rect) {
    // The kernel for coarse frame column X is centred on fine buffer column 2 (X - c).
    const int32_t c = left_edge(*fine) / 2, r = top_edge(*fine) / 2;
    Span cols{max32(max32(left_edge(*coarse), 0), c),
              min32(min32(left_edge(*coarse) + coarse->width, coarse->limit_x),
                    c + (fine->width + 1) / 2)};
    Span rows{max32(max32(top_edge(*coarse), 0), r),
              min32(min32(top_edge(*coarse) + coarse->height, coarse->limit_y),
                    r + (fine->height + 1) / 2)};
    clip_spans(&cols, &rows, rect);
    if (cols.lo >= cols.hi || rows.lo >= rows.hi)
        return 0;
    // Output coordinate 0 is coarse frame column c, which may lie left of the coarse buffer.
    uint8_t* base = sample_at(*coarse, c - left_edge(*coarse), r - top_edge(*coarse));
    return nr_downsample(base, coarse->stride, cols.lo - c, rows.lo - r, cols.hi - c, rows.hi - r,
                         fine->plane, fine->stride, fine->width, fine->height, fine->format);
}

int nr_upsample_level(const NrLevel* coarse, NrLevel* target, const NrRect* rect) {
    Span cols = band_columns(*target, *coarse), rows = band_rows(*target, *coarse);
    clip_spans(&cols, &rows, rect);
    if (cols.lo >= cols.hi || rows.lo >= rows.hi)
        return 0;
    if (target->format != NR_SAMPLE_U8)
        return 0;
    const int32_t ex = 2 * left_edge(*coarse), ey = 2 * top_edge(*coarse);
    uint8_t* base = sample_at(*target, ex - left_edge(*target), ey - top_edge(*target));
    return nr_upsample(base, target->stride, cols.lo - ex, rows.lo - ey, cols.hi - ex, rows.hi - ey,
                       coarse->plane, coarse->stride, coarse->width, coarse->height,
                       coarse->format);
}

int nr_group_build(void* user, NrLevelGroup* g, const NrLevel* overrides, int32_t count) {
    (void)user;
    if (!g || g->level_count < 1 || !g->levels)
        return 0;
    if (overrides && count > 0)
        copy_overlap(&g->levels[0], overrides[0]);
    for (int32_t i = 0; i + 1 < g->level_count; ++i) {
        NrLevel& fine = g->levels[i];
        NrLevel& coarse = g->levels[i + 1];
        NrLevel& band = g->bands[i];
        int r = nr_downsample_level(&fine, &coarse, nullptr);
        if (r != 0)
            return r;
        nr_level_pad_borders(&coarse, 0, 0);
        if (overrides && i + 1 < count)
            copy_overlap(&coarse, overrides[i + 1]);
        r = band_step(BandOp::Subtract, band, fine, band, coarse, nullptr);
        if (r != 0)
            return r;
        nr_level_pad_borders(&band, 0, 0);
    }
    return 0;
}

int nr_pyramid_build(void* user, NrPyramid* p) {
    if (!p || !p->groups)
        return 0;
    for (int32_t gi = 0; gi < p->group_count; ++gi) {
        if (p->groups[gi].level_count < 2)
            continue;
        const int r = nr_group_build(user, &p->groups[gi], nullptr, 0);
        if (r != 0)
            return r;
    }
    return 0;
}

int nr_level_reconstruct(void* user, NrLevel* target, const NrLevel* band, const NrLevel* coarse) {
    (void)user;
    if (!target || !band || !coarse || !target->plane || !band->plane || !coarse->plane)
        return 0;
    // A band-shaped view on the target's plane whose inner top-left is the target's.
    NrLevel view = *band;
    view.plane = sample_at(*target, target->margin_left - band->margin_left,
                           target->margin_top - band->margin_top);
    view.stride = target->stride;
    view.format = target->format;
    const int r = band_step(BandOp::Add, view, *target, *band, *coarse, nullptr);
    nr_level_pad_borders(target, 0, 0);
    return r;
}

int nr_group_reconstruct(void* user, NrLevelGroup* g) {
    if (!g || !g->levels)
        return 0;
    for (int32_t i = g->level_count - 2; i >= 0; --i) {
        const int r = nr_level_reconstruct(user, &g->levels[i], &g->bands[i], &g->levels[i + 1]);
        if (r != 0)
            return r;
    }
    return 0;
}

void nr_pyramid_free(void* user, NrPyramid* p) {
    if (!p)
        return;
    if (p->groups) {
        for (int32_t gi = 0; gi < p->group_count; ++gi) {
            NrLevelGroup& g = p->groups[gi];
            if (!g.levels)
                continue;
            const int32_t n = g.level_count;
            if (n > 0) {
                nr_free(user, g.levels[n - 1].plane);
                g.levels[n - 1].plane = nullptr;
            }
            for (int32_t i = n - 2; i >= 0; --i) {
                NrLevel& B = g.bands[i];
                NrLevel& L = g.levels[i];
                if (B.plane && (!L.plane || inner_top_left(B) != inner_top_left(L)))
                    nr_free(user, B.plane);
                B.plane = nullptr;
                nr_free(user, L.plane);
                L.plane = nullptr;
            }
            nr_group_free_levels(user, &g);
        }
        nr_free(user, p->groups);
    }
    p->groups = nullptr;
    p->group_count = 0;
}

void nr_level_pad_borders(NrLevel* level, int32_t extra_x, int32_t extra_y) {
    if (!level || !level->plane || bytes_per_sample(level->format) != 1)
        return;
    const int32_t width = level->width, height = level->height;
    const int32_t x0 = max32(0, level->margin_left - level->origin_x);
    const int32_t x1 =
        min32(width, level->margin_left + level->limit_x - level->origin_x + extra_x);
    const int32_t y0 = max32(0, level->margin_top - level->origin_y);
    const int32_t y1 =
        min32(height, level->margin_top + level->limit_y - level->origin_y + extra_y);
    if (x0 >= x1 || y0 >= y1)
        return;
    uint8_t* plane = level->plane;
    const intptr_t stride = level->stride;
    if (x0 > 0 || x1 < width) {
        for (int32_t y = y0; y < y1; ++y) {
            uint8_t* row = plane + y * stride;
            for (int32_t x = x0 - 1; x >= 0; --x)
                row[x] = row[reflect(x, x0, x1)];
            for (int32_t x = x1; x < width; ++x)
                row[x] = row[reflect(x, x0, x1)];
        }
    }
    for (int32_t y = 0; y < y0; ++y)
        memcpy(plane + y * stride, plane + reflect(y, y0, y1) * stride, static_cast<size_t>(width));
    for (int32_t y = y1; y < height; ++y)
        memcpy(plane + y * stride, plane + reflect(y, y0, y1) * stride, static_cast<size_t>(width));
}

void nr_level_inner_view(const NrLevel* level, NrLevel* view) {
    *view = *level;
    if (level->plane)
        view->plane = sample_at(*level, level->margin_left, level->margin_top);
    view->width = level->width - level->margin_left - level->margin_right;
    view->height = level->height - level->margin_top - level->margin_bottom;
    view->margin_left = view->margin_top = view->margin_right = view->margin_bottom = 0;
}

uint32_t nr_level_abs_sum(const NrLevel* band, const NrRect* rect) {
    if (!band || !band->plane || bytes_per_sample(band->format) != 1)
        return 0;
    NrRect r = rect ? *rect
                    : NrRect{band->margin_left, band->margin_top, band->width - band->margin_right,
                             band->height - band->margin_bottom};
    r.left = max32(r.left, 0);
    r.top = max32(r.top, 0);
    r.right = min32(r.right, band->width);
    r.bottom = min32(r.bottom, band->height);
    if (r.left >= r.right || r.top >= r.bottom)
        return 0;
    return nr_band_abs_sum(reinterpret_cast<const int8_t*>(sample_at(*band, r.left, r.top)),
                           band->stride, r.right - r.left, r.bottom - r.top);
}

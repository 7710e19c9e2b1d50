// Tile import/export, layout conversions, tile walk and tile cursor.
#include "nr_transfer.h"

#include <string.h>

#include "nr_cpu.h"
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
inline uint32_t load32(const uint8_t* p) {
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}
inline void store32(uint8_t* p, uint32_t v) {
    memcpy(p, &v, 4);
}
inline uint8_t* row_at(uint8_t* base, int32_t pitch, int32_t row) {
    return base + static_cast<intptr_t>(row) * pitch;
}

// Luma of one Y0 U Y1 V word (bytes 0 and 2) as a 16-bit pair.
inline uint32_t even_bytes(uint32_t w) {
    const uint32_t t = w & 0x00FF00FFu;
    return (t | (t >> 8)) & 0xFFFFu;
}
// Bytes 1 and 3 as a 16-bit pair.
inline uint32_t odd_bytes(uint32_t w) {
    return even_bytes(w >> 8);
}
// Interleaves two 16-bit pairs into a word: e0 o0 e1 o1.
inline uint32_t interleave(uint32_t even, uint32_t odd) {
    const uint32_t e = (even | (even << 8)) & 0x00FF00FFu;
    const uint32_t o = (odd | (odd << 8)) & 0x00FF00FFu;
    return e | (o << 8);
}

inline bool sse2_allowed() {
    const uint32_t flags = nr_cpu_flags();
    return (flags & NR_CPU_FAST) && (flags & NR_CPU_SSE2);
}

// The part of a level moved by a transfer: frame rectangle and its first buffer sample.
struct Window {
    int32_t fx, fy;   // frame position of the first sample
    int32_t col, row; // buffer position of the first sample
    int32_t w, h;
    bool empty() const { return w <= 0 || h <= 0; }
};

// Import: the whole buffer as far as it lies inside the frame. Export: the inner area.
Window window_of(const NrLevel& l, int32_t flag) {
    Window win{0, 0, 0, 0, 0, 0};
    if (!l.plane || l.origin_x >= l.limit_x || l.origin_y >= l.limit_y)
        return win;
    if (flag) {
        const int32_t left = l.origin_x - l.margin_left, top = l.origin_y - l.margin_top;
        win.fx = max32(0, left);
        win.fy = max32(0, top);
        win.col = win.fx - left;
        win.row = win.fy - top;
        win.w = min32(l.limit_x, left + l.width) - win.fx;
        win.h = min32(l.limit_y, top + l.height) - win.fy;
    } else {
        win.fx = l.origin_x;
        win.fy = l.origin_y;
        win.col = l.margin_left;
        win.row = l.margin_top;
        win.w = min32(l.width - l.margin_left - l.margin_right, l.limit_x - l.origin_x);
        win.h = min32(l.height - l.margin_top - l.margin_bottom, l.limit_y - l.origin_y);
    }
    return win;
}

inline uint8_t* level_at(const NrLevel& l, int32_t col, int32_t row) {
    return l.plane + static_cast<intptr_t>(row) * l.stride + col;
}

bool has_level0(const NrPyramid* p, int32_t g) {
    return g < p->group_count && p->groups[g].level_count >= 1 && p->groups[g].levels &&
           p->groups[g].levels[0].plane;
}

// Luma-only layouts with a kernel of their own.
enum class LumaKernel { Units8, Halfword0, Bytes20 };

void transfer_luma_kernel(NrLevel* l, uint8_t* frame, int32_t pitch, LumaKernel k, int32_t flag) {
    const Window win = window_of(*l, flag);
    if (win.empty())
        return;
    uint8_t* f = frame + static_cast<intptr_t>(win.fy) * pitch + 2 * win.fx;
    uint8_t* p = level_at(*l, win.col, win.row);
    if (k == LumaKernel::Units8)
        nr_copy_units8(f, pitch, p, l->stride, win.w, win.h, flag);
    else if (k == LumaKernel::Halfword0)
        nr_convert_halfword0(f, pitch, p, l->stride, win.w, win.h, flag);
    else
        nr_convert_bytes20(f, pitch, p, l->stride, win.w, win.h, flag);
    if (flag)
        nr_level_pad_borders(l, 0, 0);
}

// Three-group packed conversions. The luma window decides the pixels; the chroma samples of those
// pixels go to (or come from) the chroma buffers at the chroma rate. With the margins the callers
// choose (chroma margins half the luma margins, or both at a frame border) that is the start of
// each chroma level's own window; the walk is clipped so that no buffer is read or written
// outside its extent whatever the margins.
enum class Packed { Yuyv420, Uyvy422, Groups16 };

void transfer_packed(NrPyramid* p, uint8_t* frame, int32_t pitch, Packed kind, int32_t flag) {
    NrLevel& y = p->groups[0].levels[0];
    NrLevel& u = p->groups[1].levels[0];
    NrLevel& v = p->groups[2].levels[0];
    Window wy = window_of(y, flag);
    if (wy.empty() || window_of(u, flag).empty() || window_of(v, flag).empty())
        return;
    const int32_t rate_y = kind == Packed::Yuyv420 ? 2 : 1;
    const int32_t align_x = kind == Packed::Groups16 ? 8 : 2;
    // Chroma buffer column and row of the window's first pixel (the same for u and v, whose
    // geometry is equal).
    int32_t ccol = wy.fx / 2 - (u.origin_x - u.margin_left);
    int32_t crow = wy.fy / rate_y - (u.origin_y - u.margin_top);
    if (ccol < 0) { // skip the pixels whose chroma lies left of the chroma buffer
        const int32_t skip = (2 * -ccol + align_x - 1) / align_x * align_x;
        wy.fx += skip, wy.col += skip, wy.w -= skip, ccol += skip / 2;
    }
    if (crow < 0) {
        const int32_t skip = rate_y * -crow;
        wy.fy += skip, wy.row += skip, wy.h -= skip, crow = 0;
    }
    const int32_t chroma_w = min32(min32(u.width, v.width) - ccol, u.limit_x - wy.fx / 2);
    const int32_t chroma_h = min32(min32(u.height, v.height) - crow, u.limit_y - wy.fy / rate_y);
    int32_t w = min32(wy.w, 2 * chroma_w + (wy.w & 1));
    int32_t h = min32(wy.h, rate_y * chroma_h + (rate_y == 2 ? (wy.h & 1) : 0));
    if (w <= 0 || h <= 0)
        return;
    uint8_t* f = frame + static_cast<intptr_t>(wy.fy) * pitch + 2 * wy.fx;
    uint8_t* py = level_at(y, wy.col, wy.row);
    uint8_t* pu = level_at(u, ccol, crow);
    uint8_t* pv = level_at(v, ccol, crow);
    if (kind == Packed::Yuyv420)
        nr_convert_yuyv420(f, pitch, py, y.stride, pu, u.stride, pv, v.stride, w, h, flag);
    else if (kind == Packed::Uyvy422)
        nr_convert_uyvy422(f, pitch, py, y.stride, pu, u.stride, pv, v.stride, w, h, flag);
    else
        nr_convert_groups16(f, pitch, py, y.stride, pu, u.stride, pv, v.stride, w, h, flag);
    if (flag) {
        nr_level_pad_borders(&y, 0, 0);
        nr_level_pad_borders(&u, 0, 0);
        nr_level_pad_borders(&v, 0, 0);
    }
}

void transfer_interleaved3(NrPyramid* p, const NrImage& image, int32_t flag) {
    NrLevel& l0 = p->groups[0].levels[0];
    NrLevel& l1 = p->groups[1].levels[0];
    NrLevel& l2 = p->groups[2].levels[0];
    const Window w0 = window_of(l0, flag), w1 = window_of(l1, flag), w2 = window_of(l2, flag);
    if (w0.empty() || w1.empty() || w2.empty())
        return;
    const int32_t w = min32(w0.w, min32(w1.w, w2.w)), h = min32(w0.h, min32(w1.h, w2.h));
    const int32_t pitch = image.strides[0];
    uint8_t* f = image.data + static_cast<intptr_t>(w0.fy) * pitch + 3 * w0.fx;
    nr_convert_interleaved3(f, pitch, level_at(l0, w0.col, w0.row), l0.stride,
                            level_at(l1, w1.col, w1.row), l1.stride, level_at(l2, w2.col, w2.row),
                            l2.stride, w, h, l0.format, image.format & 0xFF0u, flag);
    if (flag && (l0.format == NR_FMT_U8) && (image.format & 0xFF0u) == NR_FMT_U8) {
        nr_level_pad_borders(&l0, 0, 0);
        nr_level_pad_borders(&l1, 0, 0);
        nr_level_pad_borders(&l2, 0, 0);
    }
}

// Y plane + interleaved chroma pairs: chroma at 2 x chroma x in its plane.
void transfer_pairs(NrPyramid* p, const NrImage& image, int32_t flag) {
    NrLevel& y = p->groups[0].levels[0];
    nr_level_transfer_channel(&y, image.planes[0], image.strides[0], 1, 0, y.format, flag);
    NrLevel& u = p->groups[1].levels[0];
    NrLevel& v = p->groups[2].levels[0];
    const Window wu = window_of(u, flag), wv = window_of(v, flag);
    if (wu.empty() || wv.empty() || !image.planes[1])
        return;
    const int32_t w = min32(wu.w, wv.w), h = min32(wu.h, wv.h);
    const int32_t pitch = image.strides[1];
    uint8_t* f = image.planes[1] + static_cast<intptr_t>(wu.fy) * pitch + 2 * wu.fx;
    nr_convert_pairs(f, pitch, level_at(u, wu.col, wu.row), u.stride, level_at(v, wv.col, wv.row),
                     v.stride, w, h, flag);
    if (flag) {
        nr_level_pad_borders(&u, 0, 0);
        nr_level_pad_borders(&v, 0, 0);
    }
}

/* Moves units of `unit` bytes between every other unit of the frame rows (the first of each pair)
 * and the packed plane rows: frame to plane when flag is set, plane to frame otherwise. */
void copy_every_other_unit(uint8_t* frame, int32_t frame_pitch, uint8_t* plane, int32_t plane_pitch,
                           int32_t units, int32_t unit, int32_t height, int32_t flag) {
    for (int32_t r = 0; r < height; ++r) {
        uint8_t* f = row_at(frame, frame_pitch, r);
        uint8_t* p = row_at(plane, plane_pitch, r);
        for (int32_t i = 0; i < units; ++i) {
            if (flag)
                memcpy(p + unit * i, f + 2 * unit * i, unit);
            else
                memcpy(f + 2 * unit * i, p + unit * i, unit);
        }
    }
}

} // namespace

// ---- conversion kernels --------------------------------------------------------------------

void nr_convert_interleaved3(uint8_t* frame, int32_t frame_pitch, uint8_t* p0, int32_t pitch0,
                             uint8_t* p1, int32_t pitch1, uint8_t* p2, int32_t pitch2,
                             int32_t width, int32_t height, uint32_t level_format,
                             uint32_t image_format, int32_t flag) {
    if ((level_format & 0xFF0u) != NR_FMT_U8 || (image_format & 0xFF0u) != NR_FMT_U8)
        return;
    for (int32_t r = 0; r < height; ++r) {
        uint8_t* f = row_at(frame, frame_pitch, r);
        uint8_t* a = row_at(p0, pitch0, r);
        uint8_t* b = row_at(p1, pitch1, r);
        uint8_t* c = row_at(p2, pitch2, r);
        if (flag) {
            for (int32_t x = 0; x < width; ++x) {
                a[x] = f[3 * x];
                b[x] = f[3 * x + 1];
                c[x] = f[3 * x + 2];
            }
        } else {
            for (int32_t x = 0; x < width; ++x) {
                f[3 * x] = a[x];
                f[3 * x + 1] = b[x];
                f[3 * x + 2] = c[x];
            }
        }
    }
}

void nr_convert_yuyv420_words(uint8_t* row0, uint8_t* row1, uint8_t* y0, uint8_t* y1, uint8_t* u,
                              uint8_t* v, int32_t width, int32_t flag) {
    const int32_t groups = width / 8;
    const int32_t pairs = (width / 2) & 3;
    // Vector bodies first (32 pixels, then 16), the words and pairs finish the row.
    const uint32_t flags = nr_cpu_flags();
    int32_t done = 0;
    if (flags & NR_CPU_FAST) {
        if (flags & NR_CPU_AVX2)
            done = nr_yuyv420_rows_avx2(row0, row1, y0, y1, u, v, width, flag);
        if (flags & NR_CPU_SSE2)
            done += nr_yuyv420_rows_sse2(row0 + 2 * done, row1 + 2 * done, y0 + done, y1 + done,
                                         u + done / 2, v + done / 2, width - done, flag);
    }
    for (int32_t g = done / 8; g < groups; ++g) {
        uint8_t* f0 = row0 + 16 * g;
        uint8_t* f1 = row1 + 16 * g;
        uint8_t* ya = y0 + 8 * g;
        uint8_t* yb = y1 + 8 * g;
        if (flag) {
            const uint32_t a0 = load32(f0), a1 = load32(f0 + 4), a2 = load32(f0 + 8),
                           a3 = load32(f0 + 12);
            const uint32_t b0 = load32(f1), b1 = load32(f1 + 4), b2 = load32(f1 + 8),
                           b3 = load32(f1 + 12);
            store32(ya, even_bytes(a0) | even_bytes(a1) << 16);
            store32(ya + 4, even_bytes(a2) | even_bytes(a3) << 16);
            store32(yb, even_bytes(b0) | even_bytes(b1) << 16);
            store32(yb + 4, even_bytes(b2) | even_bytes(b3) << 16);
            // Chroma of the first row only: U = byte 1, V = byte 3 of each word.
            const uint32_t uv01 = odd_bytes(a0) | odd_bytes(a1) << 16; // U0 V0 U1 V1
            const uint32_t uv23 = odd_bytes(a2) | odd_bytes(a3) << 16;
            store32(u + 4 * g, even_bytes(uv01) | even_bytes(uv23) << 16);
            store32(v + 4 * g, odd_bytes(uv01) | odd_bytes(uv23) << 16);
        } else {
            const uint32_t uw = load32(u + 4 * g), vw = load32(v + 4 * g);
            const uint32_t uv01 = interleave(uw & 0xFFFFu, vw & 0xFFFFu); // U0 V0 U1 V1
            const uint32_t uv23 = interleave(uw >> 16, vw >> 16);
            const uint32_t ylo = load32(ya), yhi = load32(ya + 4);
            const uint32_t zlo = load32(yb), zhi = load32(yb + 4);
            const uint32_t c[4] = {uv01 & 0xFFFFu, uv01 >> 16, uv23 & 0xFFFFu, uv23 >> 16};
            const uint32_t ys[4] = {ylo & 0xFFFFu, ylo >> 16, yhi & 0xFFFFu, yhi >> 16};
            const uint32_t zs[4] = {zlo & 0xFFFFu, zlo >> 16, zhi & 0xFFFFu, zhi >> 16};
            for (int32_t k = 0; k < 4; ++k) {
                store32(f0 + 4 * k, interleave(ys[k], c[k]));
                store32(f1 + 4 * k, interleave(zs[k], c[k]));
            }
        }
    }
    for (int32_t i = 0; i < pairs; ++i) {
        const int32_t x = 8 * groups + 2 * i, cx = x / 2;
        uint8_t* f0 = row0 + 2 * x;
        uint8_t* f1 = row1 + 2 * x;
        if (flag) {
            y0[x] = f0[0], y0[x + 1] = f0[2], u[cx] = f0[1], v[cx] = f0[3];
            y1[x] = f1[0], y1[x + 1] = f1[2];
        } else {
            f0[0] = y0[x], f0[2] = y0[x + 1], f0[1] = u[cx], f0[3] = v[cx];
            f1[0] = y1[x], f1[2] = y1[x + 1], f1[1] = u[cx], f1[3] = v[cx];
        }
    }
}

void nr_convert_yuyv420(uint8_t* frame, int32_t frame_pitch, uint8_t* y, int32_t y_pitch,
                        uint8_t* u, int32_t u_pitch, uint8_t* v, int32_t v_pitch, int32_t width,
                        int32_t height, int32_t flag) {
    for (int32_t r = 0; r < height / 2; ++r)
        nr_convert_yuyv420_words(row_at(frame, frame_pitch, 2 * r),
                                 row_at(frame, frame_pitch, 2 * r + 1), row_at(y, y_pitch, 2 * r),
                                 row_at(y, y_pitch, 2 * r + 1), row_at(u, u_pitch, r),
                                 row_at(v, v_pitch, r), width, flag);
}

void nr_convert_yuyv422_words(uint8_t* row, uint8_t* y, uint8_t* u, uint8_t* v, int32_t width,
                              int32_t flag) {
    const int32_t groups = width / 8;
    const int32_t pairs = (width / 2) & 3;
    for (int32_t g = 0; g < groups; ++g) {
        uint8_t* f = row + 16 * g;
        if (flag) {
            const uint32_t a0 = load32(f), a1 = load32(f + 4), a2 = load32(f + 8),
                           a3 = load32(f + 12);
            store32(y + 8 * g, even_bytes(a0) | even_bytes(a1) << 16);
            store32(y + 8 * g + 4, even_bytes(a2) | even_bytes(a3) << 16);
            const uint32_t uv01 = odd_bytes(a0) | odd_bytes(a1) << 16;
            const uint32_t uv23 = odd_bytes(a2) | odd_bytes(a3) << 16;
            store32(u + 4 * g, even_bytes(uv01) | even_bytes(uv23) << 16);
            store32(v + 4 * g, odd_bytes(uv01) | odd_bytes(uv23) << 16);
        } else {
            const uint32_t uw = load32(u + 4 * g), vw = load32(v + 4 * g);
            const uint32_t uv01 = interleave(uw & 0xFFFFu, vw & 0xFFFFu);
            const uint32_t uv23 = interleave(uw >> 16, vw >> 16);
            const uint32_t ylo = load32(y + 8 * g), yhi = load32(y + 8 * g + 4);
            store32(f, interleave(ylo & 0xFFFFu, uv01 & 0xFFFFu));
            store32(f + 4, interleave(ylo >> 16, uv01 >> 16));
            store32(f + 8, interleave(yhi & 0xFFFFu, uv23 & 0xFFFFu));
            store32(f + 12, interleave(yhi >> 16, uv23 >> 16));
        }
    }
    for (int32_t i = 0; i < pairs; ++i) {
        const int32_t x = 8 * groups + 2 * i, cx = x / 2;
        uint8_t* f = row + 2 * x;
        if (flag)
            y[x] = f[0], y[x + 1] = f[2], u[cx] = f[1], v[cx] = f[3];
        else
            f[0] = y[x], f[2] = y[x + 1], f[1] = u[cx], f[3] = v[cx];
    }
}

void nr_convert_yuyv422(uint8_t* frame, int32_t frame_pitch, uint8_t* y, int32_t y_pitch,
                        uint8_t* u, int32_t u_pitch, uint8_t* v, int32_t v_pitch, int32_t width,
                        int32_t height, int32_t flag) {
    for (int32_t r = 0; r < height; ++r)
        nr_convert_yuyv422_words(row_at(frame, frame_pitch, r), row_at(y, y_pitch, r),
                                 row_at(u, u_pitch, r), row_at(v, v_pitch, r), width, flag);
}

void nr_convert_uyvy422_words(uint8_t* row, uint8_t* y, uint8_t* u, uint8_t* v, int32_t width,
                              int32_t flag) {
    const int32_t groups = width / 4;
    for (int32_t g = 0; g < groups; ++g) {
        uint8_t* f = row + 8 * g;
        if (flag) {
            const uint32_t a0 = load32(f), a1 = load32(f + 4); // U Y0 V Y1
            store32(y + 4 * g, odd_bytes(a0) | odd_bytes(a1) << 16);
            const uint32_t uv = even_bytes(a0) | even_bytes(a1) << 16; // U0 V0 U1 V1
            const uint32_t uu = even_bytes(uv), vv = odd_bytes(uv);
            u[2 * g] = static_cast<uint8_t>(uu), u[2 * g + 1] = static_cast<uint8_t>(uu >> 8);
            v[2 * g] = static_cast<uint8_t>(vv), v[2 * g + 1] = static_cast<uint8_t>(vv >> 8);
        } else {
            const uint32_t yw = load32(y + 4 * g);
            const uint32_t uu = u[2 * g] | static_cast<uint32_t>(u[2 * g + 1]) << 8;
            const uint32_t vv = v[2 * g] | static_cast<uint32_t>(v[2 * g + 1]) << 8;
            const uint32_t uv = interleave(uu, vv);
            store32(f, interleave(uv & 0xFFFFu, yw & 0xFFFFu));
            store32(f + 4, interleave(uv >> 16, yw >> 16));
        }
    }
    if ((width & 3) >= 2) { // one pixel pair left; an odd last pixel is not moved
        const int32_t x = 4 * groups, cx = x / 2;
        uint8_t* f = row + 2 * x;
        if (flag)
            u[cx] = f[0], y[x] = f[1], v[cx] = f[2], y[x + 1] = f[3];
        else
            f[0] = u[cx], f[1] = y[x], f[2] = v[cx], f[3] = y[x + 1];
    }
}

void nr_convert_uyvy422(uint8_t* frame, int32_t frame_pitch, uint8_t* y, int32_t y_pitch,
                        uint8_t* u, int32_t u_pitch, uint8_t* v, int32_t v_pitch, int32_t width,
                        int32_t height, int32_t flag) {
    for (int32_t r = 0; r < height; ++r)
        nr_convert_uyvy422_words(row_at(frame, frame_pitch, r), row_at(y, y_pitch, r),
                                 row_at(u, u_pitch, r), row_at(v, v_pitch, r), width, flag);
}

void nr_convert_groups16(uint8_t* frame, int32_t frame_pitch, uint8_t* y, int32_t y_pitch,
                         uint8_t* u, int32_t u_pitch, uint8_t* v, int32_t v_pitch, int32_t width,
                         int32_t height, int32_t flag) {
    const int32_t groups = width / 8;
    for (int32_t r = 0; r < height; ++r) {
        uint8_t* f = row_at(frame, frame_pitch, r);
        uint8_t* ry = row_at(y, y_pitch, r);
        uint8_t* ru = row_at(u, u_pitch, r);
        uint8_t* rv = row_at(v, v_pitch, r);
        for (int32_t g = 0; g < groups; ++g) {
            uint8_t* fg = f + 16 * g;
            if (flag) {
                store32(ry + 8 * g, load32(fg));
                store32(ry + 8 * g + 4, load32(fg + 4));
                store32(ru + 4 * g, load32(fg + 8));
                store32(rv + 4 * g, load32(fg + 12));
            } else {
                store32(fg, load32(ry + 8 * g));
                store32(fg + 4, load32(ry + 8 * g + 4));
                store32(fg + 8, load32(ru + 4 * g));
                store32(fg + 12, load32(rv + 4 * g));
            }
        }
    }
}

void nr_convert_pairs_words(uint8_t* row, uint8_t* p0, uint8_t* p1, int32_t width, int32_t flag) {
    const int32_t groups = width / 4;
    for (int32_t g = 0; g < groups; ++g) {
        uint8_t* f = row + 8 * g;
        if (flag) {
            const uint32_t a0 = load32(f), a1 = load32(f + 4);
            store32(p0 + 4 * g, even_bytes(a0) | even_bytes(a1) << 16);
            store32(p1 + 4 * g, odd_bytes(a0) | odd_bytes(a1) << 16);
        } else {
            const uint32_t a = load32(p0 + 4 * g), b = load32(p1 + 4 * g);
            store32(f, interleave(a & 0xFFFFu, b & 0xFFFFu));
            store32(f + 4, interleave(a >> 16, b >> 16));
        }
    }
    for (int32_t i = 4 * groups; i < width; ++i) {
        if (flag)
            p0[i] = row[2 * i], p1[i] = row[2 * i + 1];
        else
            row[2 * i] = p0[i], row[2 * i + 1] = p1[i];
    }
}

void nr_convert_pairs(uint8_t* frame, int32_t frame_pitch, uint8_t* p0, int32_t pitch0, uint8_t* p1,
                      int32_t pitch1, int32_t width, int32_t height, int32_t flag) {
    for (int32_t r = 0; r < height; ++r)
        nr_convert_pairs_words(row_at(frame, frame_pitch, r), row_at(p0, pitch0, r),
                               row_at(p1, pitch1, r), width, flag);
}

void nr_copy_units8(uint8_t* frame, int32_t frame_pitch, uint8_t* plane, int32_t plane_pitch,
                    int32_t width, int32_t height, int32_t flag) {
    copy_every_other_unit(frame, frame_pitch, plane, plane_pitch, width / 8, 8, height, flag);
}

void nr_convert_halfword0(uint8_t* frame, int32_t frame_pitch, uint8_t* plane, int32_t plane_pitch,
                          int32_t width, int32_t height, int32_t flag) {
    copy_every_other_unit(frame, frame_pitch, plane, plane_pitch, width / 2, 2, height, flag);
}

void nr_convert_bytes20(uint8_t* frame, int32_t frame_pitch, uint8_t* plane, int32_t plane_pitch,
                        int32_t width, int32_t height, int32_t flag) {
    for (int32_t r = 0; r < height; ++r) {
        uint8_t* f = row_at(frame, frame_pitch, r);
        uint8_t* p = row_at(plane, plane_pitch, r);
        for (int32_t i = 0; i < width / 2; ++i) {
            if (flag)
                p[2 * i] = f[4 * i + 2], p[2 * i + 1] = f[4 * i];
            else
                f[4 * i + 2] = p[2 * i], f[4 * i] = p[2 * i + 1];
        }
    }
}

void nr_extract_even_bytes(uint8_t* frame, uint8_t* plane, int32_t width, int32_t flag) {
    const int32_t groups = width / 8;
    const int32_t done = sse2_allowed() ? nr_even_bytes_sse2(frame, plane, width, flag) : 0;
    for (int32_t g = done / 8; g < groups; ++g) {
        uint8_t* f = frame + 16 * g;
        if (flag) {
            store32(plane + 8 * g, even_bytes(load32(f)) | even_bytes(load32(f + 4)) << 16);
            store32(plane + 8 * g + 4, even_bytes(load32(f + 8)) | even_bytes(load32(f + 12))
                                                                       << 16);
        } else {
            // Only the even bytes change: keep the odd ones of the frame.
            const uint32_t a = load32(plane + 8 * g), b = load32(plane + 8 * g + 4);
            const uint32_t ys[4] = {a & 0xFFFFu, a >> 16, b & 0xFFFFu, b >> 16};
            for (int32_t k = 0; k < 4; ++k) {
                const uint32_t w = load32(f + 4 * k);
                store32(f + 4 * k, interleave(ys[k], odd_bytes(w)));
            }
        }
    }
    for (int32_t x = 8 * groups; x < width; ++x) {
        if (flag)
            plane[x] = frame[2 * x];
        else
            frame[2 * x] = plane[x];
    }
}

int nr_channel_transfer(uint8_t* frame, int32_t frame_pitch, uint8_t* plane, int32_t plane_pitch,
                        int32_t width, int32_t height, int32_t step, int32_t index,
                        uint32_t sample_format, int32_t flag) {
    const int32_t b = static_cast<int32_t>((sample_format >> 4) & 0xF);
    if (b != 1 && b != 2)
        return NR_ERR_SAMPLE_FORMAT;
    for (int32_t r = 0; r < height; ++r) {
        uint8_t* f = frame + static_cast<intptr_t>(r) * frame_pitch * b + index * b;
        uint8_t* p = plane + static_cast<intptr_t>(r) * plane_pitch * b;
        if (step == 1) {
            if (f != p) {
                if (flag)
                    memcpy(p, f, static_cast<size_t>(width) * b);
                else
                    memcpy(f, p, static_cast<size_t>(width) * b);
            }
        } else if (b == 1 && step == 2 && index == 0) {
            nr_extract_even_bytes(f, p, width, flag);
        } else {
            for (int32_t x = 0; x < width; ++x) {
                uint8_t* fs = f + static_cast<intptr_t>(x) * step * b;
                uint8_t* ps = p + static_cast<intptr_t>(x) * b;
                if (flag)
                    memcpy(ps, fs, static_cast<size_t>(b));
                else
                    memcpy(fs, ps, static_cast<size_t>(b));
            }
        }
    }
    return NR_OK;
}

// ---- levels ----------------------------------------------------------------------------------

int nr_level_transfer_channel(NrLevel* level, uint8_t* frame, int32_t frame_pitch, int32_t step,
                              int32_t index, uint32_t sample_format, int32_t flag) {
    if (!level || !frame)
        return NR_OK;
    const Window win = window_of(*level, flag);
    if (win.empty())
        return NR_OK;
    const int32_t b = static_cast<int32_t>((sample_format >> 4) & 0xF);
    uint8_t* f = frame + (static_cast<intptr_t>(win.fy) * frame_pitch +
                          static_cast<intptr_t>(win.fx) * step) *
                             (b == 2 ? 2 : 1);
    uint8_t* p = level->plane +
                 (static_cast<intptr_t>(win.row) * level->stride + win.col) * (b == 2 ? 2 : 1);
    const int r = nr_channel_transfer(f, frame_pitch, p, level->stride, win.w, win.h, step, index,
                                      sample_format, flag);
    if (flag)
        nr_level_pad_borders(level, 0, 0);
    return r;
}

void nr_level_pad_inner(NrLevel* level) {
    if (!level)
        return;
    // A view whose frame is exactly the inner area.
    NrLevel view = *level;
    view.origin_x = 0;
    view.origin_y = 0;
    view.limit_x = level->width - level->margin_left - level->margin_right;
    view.limit_y = level->height - level->margin_top - level->margin_bottom;
    nr_level_pad_borders(&view, 0, 0);
}

void nr_tile_transfer(NrPyramid* p, NrImage* image, int32_t flag) {
    if (!p || !image || !p->groups || p->group_count < 1)
        return;
    NrImage img = *image; // resolved locally; the caller's descriptor stays as it is
    const uint32_t code = img.format;
    const int32_t channels = static_cast<int32_t>(code & 0xF);
    const uint32_t family = code & 0xEF000000u;
    const bool planar = (code & 0x10000000u) != 0;
    if (planar && nr_image_resolve_planes(&img) != NR_OK)
        return;
    if (!planar && !img.data)
        return;
    const uint32_t sample = code & 0xFF0u;

    if (p->group_count != channels) {
        // Luma only.
        if (!has_level0(p, 0))
            return;
        NrLevel* y = &p->groups[0].levels[0];
        if (planar)
            nr_level_transfer_channel(y, img.planes[0], img.strides[0], 1, 0, sample, flag);
        else if (family == 0x00000000u)
            nr_level_transfer_channel(y, img.data, img.strides[0], 3, 0, sample, flag);
        else if (family == 0x20000000u)
            nr_level_transfer_channel(y, img.data, img.strides[0], 2, 0, sample, flag);
        else if (family == 0x21000000u)
            nr_level_transfer_channel(y, img.data, img.strides[0], 2, 1, sample, flag);
        else if (family == 0x22000000u)
            transfer_luma_kernel(y, img.data, img.strides[0], LumaKernel::Units8, flag);
        else if (family == 0x23000000u)
            transfer_luma_kernel(y, img.data, img.strides[0], LumaKernel::Halfword0, flag);
        else if (family == 0x24000000u)
            transfer_luma_kernel(y, img.data, img.strides[0], LumaKernel::Bytes20, flag);
        return;
    }

    if (!has_level0(p, 0) || !has_level0(p, 1) || !has_level0(p, 2))
        return;
    if (planar) {
        if (family == 0x41000000u || family == 0x42000000u) {
            transfer_pairs(p, img, flag);
        } else {
            for (int32_t g = 0; g < 3; ++g)
                if (img.planes[g])
                    nr_level_transfer_channel(&p->groups[g].levels[0], img.planes[g],
                                              img.strides[g], 1, 0, sample, flag);
        }
        return;
    }
    if (family == 0x00000000u)
        transfer_interleaved3(p, img, flag);
    else if (family == 0x20000000u)
        transfer_packed(p, img.data, img.strides[0], Packed::Yuyv420, flag);
    else if (family == 0x21000000u)
        transfer_packed(p, img.data, img.strides[0], Packed::Uyvy422, flag);
    else if (family == 0x22000000u)
        transfer_packed(p, img.data, img.strides[0], Packed::Groups16, flag);
}

int nr_tile_next(int32_t* x, int32_t* y, int32_t step_w, int32_t step_h, const NrRect* region) {
    *x += step_w;
    if (*x < region->right)
        return 1;
    *y += step_h;
    if (*y >= region->bottom)
        return 0;
    *x = region->left;
    return 1;
}

// ---- tile cursor -----------------------------------------------------------------------------

namespace {

// Places the cursor's level on the tile at (x, y) with the margin rules of the walk.
void cursor_place(NrTileCursor* c, int32_t x, int32_t y) {
    c->tile_x = x;
    c->tile_y = y;
    c->tile_w = min32(c->step_x, c->end_x - x);
    c->tile_h = min32(c->step_y, c->end_y - y);
    NrRect m = c->margins;
    if (x == c->start_x)
        m.left = max32(m.left, min32(x, c->outer.left));
    if (y == c->start_y)
        m.top = max32(m.top, min32(y, c->outer.top));
    m.right = max32(m.right, min32(c->outer.right, max32(0, c->frame_w - (x + c->tile_w))));
    m.bottom = max32(m.bottom, min32(c->outer.bottom, max32(0, c->frame_h - (y + c->tile_h))));
    NrLevel& l = c->level;
    l.margin_left = m.left;
    l.margin_top = m.top;
    l.margin_right = m.right;
    l.margin_bottom = m.bottom;
    l.width = c->tile_w + m.left + m.right;
    l.height = c->tile_h + m.top + m.bottom;
    l.origin_x = x;
    l.origin_y = y;
    l.limit_x = c->frame_w;
    l.limit_y = c->frame_h;
}

// Largest margins any tile can get.
NrRect cursor_max_margins(const NrTileCursor* c) {
    return NrRect{max32(c->margins.left, c->outer.left), max32(c->margins.top, c->outer.top),
                  max32(c->margins.right, c->outer.right),
                  max32(c->margins.bottom, c->outer.bottom)};
}

} // namespace

int nr_tile_cursor_init(void* user, NrTileCursor* c, const NrSize* tile, const NrRect* region,
                        const NrRect* margins, const NrRect* outer, uint32_t format,
                        int32_t frame_w, int32_t frame_h) {
    memset(c, 0, sizeof(*c));
    c->frame_w = frame_w;
    c->frame_h = frame_h;
    c->start_x = region ? region->left : 0;
    c->start_y = region ? region->top : 0;
    c->end_x = region ? region->right : frame_w;
    c->end_y = region ? region->bottom : frame_h;
    c->step_x = tile ? tile->width : frame_w;
    c->step_y = tile ? tile->height : frame_h;
    if (margins)
        c->margins = *margins;
    if (outer)
        c->outer = *outer;
    const NrRect mx = cursor_max_margins(c);
    // One plane for every tile: the widest tile with the widest margins.
    if (nr_plane_alloc(user, &c->level, format & 0xFFF0u, &mx, c->step_x, c->step_y) != NR_OK)
        return NR_ERR_NO_MEMORY;
    c->strip_w = mx.left + mx.right;
    c->strip_h = mx.top + mx.bottom;
    c->right_pitch = nr_round_up4(c->strip_w > 0 ? c->strip_w : 1);
    c->right_strip = static_cast<uint8_t*>(nr_malloc(
        user, static_cast<size_t>(c->right_pitch) * static_cast<size_t>(c->level.height)));
    c->bottom_pitch = nr_round_up4(max32(1, c->end_x - c->start_x + mx.left + mx.right));
    c->bottom_strip = static_cast<uint8_t*>(nr_malloc(
        user, static_cast<size_t>(c->bottom_pitch) * static_cast<size_t>(max32(1, c->strip_h))));
    if (!c->right_strip || !c->bottom_strip)
        return NR_ERR_NO_MEMORY;
    cursor_place(c, c->start_x, c->start_y);
    return NR_OK;
}

int nr_tile_cursor_next(NrTileCursor* c) {
    int32_t x = c->tile_x, y = c->tile_y;
    const NrRect region{c->start_x, c->start_y, c->end_x, c->end_y};
    if (!nr_tile_next(&x, &y, c->step_x, c->step_y, &region))
        return 0;
    if (y != c->tile_y) { // a new tile row: the strip saved by the row above becomes readable
        c->has_right = 0;
        c->has_bottom = c->carry_y > 0 ? 1 : 0;
    }
    cursor_place(c, x, y);
    return 1;
}

void nr_tile_cursor_transfer(NrTileCursor* c, uint8_t* frame, int32_t frame_pitch, int32_t flag) {
    NrLevel& l = c->level;
    if (!flag) {
        nr_level_transfer_channel(&l, frame, frame_pitch, 1, 0, NR_FMT_U8, 0);
        return;
    }
    const NrRect mx = cursor_max_margins(c);
    const int32_t left = l.origin_x - l.margin_left, top = l.origin_y - l.margin_top;
    const int32_t strip_left = c->start_x - mx.left; // frame column of bottom-strip column 0
    // Frame columns the right strip holds (from the tile to the left), rows as this tile's.
    const int32_t right_end = c->has_right ? c->carry_x : left;
    for (int32_t r = 0; r < l.height; ++r) {
        const int32_t fr = top + r;
        uint8_t* row = l.plane + static_cast<intptr_t>(r) * l.stride;
        int32_t col = 0;
        if (c->has_right) {
            const int32_t n = min32(right_end - left, l.width);
            memcpy(row, c->right_strip + static_cast<intptr_t>(r) * c->right_pitch,
                   static_cast<size_t>(n));
            col = n;
        }
        const int32_t fc0 = left + col, fc1 = left + l.width;
        if (fc0 >= fc1)
            continue;
        const bool from_strip = c->has_bottom && fr >= c->bottom_row0 && fr < c->bottom_row1;
        if (from_strip) {
            memcpy(row + col,
                   c->bottom_strip + static_cast<intptr_t>(fr - c->bottom_row0) * c->bottom_pitch +
                       (fc0 - strip_left),
                   static_cast<size_t>(fc1 - fc0));
        } else if (fr >= 0 && fr < c->frame_h) {
            const int32_t a = max32(fc0, 0), b = min32(fc1, c->frame_w);
            if (a < b)
                memcpy(row + (a - left), frame + static_cast<intptr_t>(fr) * frame_pitch + a,
                       static_cast<size_t>(b - a));
        }
    }
    // Save what the next tile of this row and the next tile row will need.
    const int32_t next_x = c->tile_x + c->step_x, next_y = c->tile_y + c->step_y;
    if (next_x < c->end_x) {
        const int32_t from = next_x - c->margins.left; // the next tile's buffer starts here
        const int32_t n = left + l.width - from;
        for (int32_t r = 0; r < l.height && n > 0; ++r)
            memcpy(c->right_strip + static_cast<intptr_t>(r) * c->right_pitch,
                   l.plane + static_cast<intptr_t>(r) * l.stride + (from - left),
                   static_cast<size_t>(n));
        c->has_right = n > 0 ? 1 : 0;
        c->carry_x = left + l.width;
    } else {
        c->has_right = 0;
    }
    if (next_y < c->end_y) {
        const int32_t from = next_y - c->margins.top;
        const int32_t n = top + l.height - from;
        for (int32_t r = 0; r < n; ++r)
            memcpy(c->bottom_strip + static_cast<intptr_t>(r) * c->bottom_pitch +
                       (left - strip_left),
                   l.plane + static_cast<intptr_t>(from - top + r) * l.stride,
                   static_cast<size_t>(l.width));
        c->next_row0 = from;
        c->next_row1 = from + max32(n, 0);
        c->carry_y = n;
    }
    if (next_x >= c->end_x) { // end of the tile row: the saved rows are what the next row reads
        c->bottom_row0 = c->next_row0;
        c->bottom_row1 = c->next_row1;
    }
    nr_level_pad_borders(&l, 0, 0);
}

void nr_tile_cursor_free(void* user, NrTileCursor* c) {
    if (!c)
        return;
    nr_free(user, c->right_strip);
    nr_free(user, c->bottom_strip);
    nr_free(user, c->level.plane);
    c->right_strip = nullptr;
    c->bottom_strip = nullptr;
    c->level.plane = nullptr;
}

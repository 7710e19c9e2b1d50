/*
 * nr_filter_search.h - pieces of the block search shared by its portable and vector forms: the
 * candidate order of the ring search, the scratch layout and the search-area copy. Internal to
 * the filter component.
 */
#ifndef NR_FILTER_SEARCH_H
#define NR_FILTER_SEARCH_H

#include <stdint.h>
#include <string.h>

#include "nr_filter.h"

namespace nr_filter_detail {

/* One step of the ring search: the point one further out from (bx, by) and its two neighbours. */
inline int32_t outward(int32_t c) {
    return c > 0 ? c + 1 : (c < 0 ? c - 1 : 0);
}

inline int32_t toward_zero(int32_t c) {
    return c > 0 ? c - 1 : (c < 0 ? c + 1 : -1);
}

inline int32_t iabs(int32_t v) {
    return v < 0 ? -v : v;
}

/*
 * Candidate list of the block search: (0, 0) first, the square -r..r row by row, then three points
 * per step outward from the best so far. `dist(dx, dy)` gives a candidate's distance. Returns the
 * candidate count.
 */
template <typename Dist>
int32_t ring_search(int32_t r, int32_t steps, Dist dist, int32_t* offsets, int32_t* distances) {
    int32_t n = 0;
    offsets[0] = 0;
    offsets[1] = 0;
    distances[0] = 0;
    n = 1;
    for (int32_t dy = -r; dy <= r; ++dy) {
        for (int32_t dx = -r; dx <= r; ++dx) {
            if (dx == 0 && dy == 0)
                continue;
            offsets[2 * n] = dx;
            offsets[2 * n + 1] = dy;
            distances[n] = dist(dx, dy);
            ++n;
        }
    }
    if (steps <= 0)
        return n;

    /* Best ring candidate: |dx| = r or |dy| = r, smallest distance, the first on ties. */
    int32_t best = -1;
    if (r == 1) { /* every candidate of the square but (0, 0) lies on the ring */
        best = 1;
        for (int32_t i = 2; i < n; ++i)
            if (distances[i] < distances[best])
                best = i;
    } else {
        for (int32_t i = 0; i < n; ++i) {
            if (iabs(offsets[2 * i]) != r && iabs(offsets[2 * i + 1]) != r)
                continue;
            if (best < 0 || distances[i] < distances[best])
                best = i;
        }
    }
    int32_t bx = offsets[2 * best];
    int32_t by = offsets[2 * best + 1];
    for (int32_t s = 0; s < steps; ++s) {
        const int32_t qx = outward(bx);
        const int32_t qy = outward(by);
        int32_t px[3] = {qx, qx, qx};
        int32_t py[3] = {qy, qy, qy};
        if (iabs(qy) < iabs(qx)) {
            py[1] = qy - 1;
            py[2] = qy + 1;
        } else if (iabs(qx) < iabs(qy)) {
            px[1] = qx - 1;
            px[2] = qx + 1;
        } else {
            px[1] = toward_zero(qx);
            py[2] = toward_zero(qy);
        }
        int32_t pick = n;
        for (int k = 0; k < 3; ++k) {
            offsets[2 * n] = px[k];
            offsets[2 * n + 1] = py[k];
            distances[n] = dist(px[k], py[k]);
            if (k == 0 || distances[n] < distances[pick])
                pick = n;
            ++n;
        }
        bx = offsets[2 * pick];
        by = offsets[2 * pick + 1];
    }
    return n;
}

/* Scratch layout of one block search (4,096 bytes). */
struct ScratchLayout {
    uint8_t* acc;
    int32_t* distances; /* then weights */
    int32_t* offsets;
    uint8_t* area;
    int32_t pitch;
};

inline ScratchLayout layout_scratch(void* scratch, int32_t e) {
    ScratchLayout l;
    l.pitch = (2 * e + 23) & ~15;
    const int32_t room = l.pitch * l.pitch;
    uint8_t* base = (uint8_t*)scratch;
    l.acc = base;
    l.distances = (int32_t*)(base + 256);
    l.offsets = (int32_t*)(base + 256 + 4 * room);
    l.area = base + 256 + 12 * room;
    return l;
}

inline bool scratch_fits(int32_t e, int32_t scratch_size) {
    const int32_t pitch = (2 * e + 23) & ~15;
    return 256 + 12 * pitch * pitch + pitch * (2 * e + 8) <= scratch_size;
}

/* Copies the search area of the 8 x 8 window at `window` into the scratch: 2E + 8 rows from E
 * rows above, ((E + 3) >> 2) x 8 + 8 bytes from ((E + 3) & ~3) samples left. Returns the window's
 * position in the copy. */
inline const uint8_t* copy_search_area(const ScratchLayout& l, const uint8_t* window,
                                       int32_t stride, int32_t e) {
    const int32_t left = (e + 3) & ~3;
    const int32_t cols = ((e + 3) >> 2) * 8 + 8;
    const uint8_t* from = window - e * stride - left;
    if (cols == 16) { /* every radius + steps from 1 to 4: a fixed-size copy per row */
        for (int32_t r = 0; r < 2 * e + 8; ++r)
            memcpy(l.area + r * l.pitch, from + r * stride, 16);
    } else {
        for (int32_t r = 0; r < 2 * e + 8; ++r)
            memcpy(l.area + r * l.pitch, from + r * stride, (size_t)cols);
    }
    return l.area + e * l.pitch + left;
}

/* The 8 x 8 window the search compares, `inset` samples up and left of the block at `src`: in
 * place when nothing around it is searched (e = 0), else its copy in the scratch. Sets *pitch to
 * the row pitch of what it returns. */
inline const uint8_t* search_window(const ScratchLayout& l, const uint8_t* src, int32_t stride,
                                    int32_t inset, int32_t e, int32_t* pitch) {
    const uint8_t* window = src - inset - inset * stride;
    if (e > 0) {
        *pitch = l.pitch;
        return copy_search_area(l, window, stride, e);
    }
    *pitch = stride;
    return window;
}

inline uint32_t candidate_weight(uint32_t distance, uint32_t slope, const uint8_t* table) {
    const uint64_t index = ((uint64_t)distance * slope) >> 13;
    return index < NR_WEIGHT_LUT_SIZE ? table[index] : 0u;
}

} // namespace nr_filter_detail

#endif /* NR_FILTER_SEARCH_H */

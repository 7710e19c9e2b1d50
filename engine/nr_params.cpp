/*
 * Per-run filter parameters: the context's settings turned into 8.8 gains per pyramid level.
 */
#include "nr_params.h"

#include <string.h>

#include "nr_context.h"
#include "nr_image.h"

int32_t nr_noise_gain(int32_t v) {
    if (v < 0) {
        return 0;
    }
    /* Unsigned and truncating: level 50 gives 256 (unity), 100 gives 1024. */
    return (int32_t)((uint32_t)v * (uint32_t)v * 256u / 2500u);
}

int32_t nr_amount_gain(int32_t amount) {
    return (amount * 256) / 100;
}

int32_t nr_detail_gain(int32_t detail) {
    return (detail * 256) / 100 + 256;
}

namespace {

void build_channel(const NrChannelSettings* s, int32_t* noise, int32_t* amount, int32_t* detail) {
    for (int32_t i = 0; i < NR_MAX_LEVELS; ++i) {
        noise[i] = nr_noise_gain(s->noise_level + s->level_offsets[i]);
        amount[i] = nr_amount_gain(s->amount + s->amount_offsets[i]);
        detail[i] = nr_detail_gain(s->detail + s->detail_offsets[i]);
    }
}

} // namespace

NrParams* nr_params_build(NrParams* out, const NrEngine* ctx) {
    if (out == nullptr) {
        return nullptr;
    }
    memset(out, 0, sizeof(*out));
    if (ctx == nullptr) {
        return out;
    }
    build_channel(&ctx->luma, out->luma_noise_gain, out->luma_amount_gain, out->luma_detail_gain);
    build_channel(&ctx->chroma, out->chroma_noise_gain, out->chroma_amount_gain,
                  out->chroma_detail_gain);
    out->constant = 1;
    out->buffers = const_cast<NrWorkerBuffers*>(&ctx->buffers);
    out->pool = ctx->pool;
    return out;
}

/* ---- Mode table ------------------------------------------------------------------------------ */

namespace {

/* Unity detail masks: bit i forces the detail gain of level i to 256. */
constexpr uint8_t kLevel0 = 0x1;
constexpr uint8_t kLevels012 = 0x7;
constexpr uint8_t kLevels013 = 0xb;

const NrModeEntry kModes[20] = {
    /* 0 */ {{0x10, 0x10, 0x10, 0x10}, {0x15, 0x15, 0x15, 0x10}, 0, 0, 0},
    /* 1 */ {{0x15, 0x15, 0x15, 0x10}, {0x17, 0x15, 0x15, 0x10}, 0, 0, 0},
    /* 2 */ {{0x17, 0x15, 0x15, 0x10}, {0x17, 0x17, 0x17, 0x10}, 0, 0, 0},
    /* 3 */ {{0x17, 0x17, 0x17, 0x10}, {0x17, 0x17, 0x17, 0x10}, 0, 0, 0},
    /* 4: the interactive configuration (nr_engine_set_mode 0) */
    {{0x22, 0x22, 0x20, 0x20}, {0x22, 0x22, 0x20, 0x20}, 0, 0, 0},
    /* 5 */ {{0x23, 0x22, 0x22, 0x21}, {0x23, 0x22, 0x22, 0x21}, 0, 0, 0},
    /* 6: the default (nr_engine_set_mode 1) */
    {{0x26, 0x22, 0x22, 0x21}, {0x26, 0x22, 0x22, 0x21}, kLevel0, kLevel0, 0},
    /* 7 */ {{0x26, 0x26, 0x26, 0x21}, {0x26, 0x26, 0x26, 0x21}, kLevels012, kLevels012, 0},
    /* 8 to 15: no level is filtered */
    {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0},
    {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0},
    {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0},
    {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0},
    {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0},
    {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0},
    {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0},
    {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0},
    /* 16 */ {{0x33, 0x33, 0x33, 0x30}, {0x33, 0x33, 0x33, 0x30}, 0, 0, 1},
    /* 17 */ {{0x37, 0x33, 0x33, 0x30}, {0x37, 0x33, 0x33, 0x33}, kLevel0, kLevel0, 1},
    /* 18 */ {{0x37, 0x33, 0x33, 0x30}, {0x37, 0x33, 0x33, 0x33}, kLevel0, kLevel0, 0},
    /* 19 */ {{0x36, 0x37, 0x37, 0x30}, {0x36, 0x37, 0x37, 0x33}, kLevels012, kLevels013, 0},
};

const NrModeEntry kUnfiltered = {{0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, 0};

/* Filter-type bytes of n levels in use: the deepest takes level 3's byte, the rest keep theirs. */
void place_types(const uint8_t* table, int32_t n, uint8_t* out) {
    for (int32_t i = 0; i < NR_MAX_LEVELS; ++i) {
        out[i] = i < n - 1 ? table[i] : table[3];
    }
}

} // namespace

const NrModeEntry* nr_mode_entry(int32_t mode) {
    if (mode < 0 || mode >= (int32_t)(sizeof(kModes) / sizeof(kModes[0]))) {
        return &kUnfiltered;
    }
    return &kModes[mode];
}

void nr_even_size(uint32_t code, int32_t* width, int32_t* height) {
    if ((code & 0xef000000u) == 0x20000000u || (code >= 0x40000000u && code <= 0x5fffffffu)) {
        *width &= ~1;
        *height &= ~1;
    } else if (code >= 0x20000000u && code <= 0x3fffffffu) {
        *width &= ~1;
    }
}

int32_t nr_level_count(int64_t pixels) {
    if (pixels <= NR_LEVELS_2_MAX_PIXELS) {
        return 2;
    }
    if (pixels >= NR_LEVELS_4_MIN_PIXELS) {
        return 4;
    }
    return 3;
}

void nr_run_level_counts(const NrEngine* ctx, uint32_t code, int32_t width, int32_t height,
                         int32_t* luma_levels, int32_t* chroma_levels) {
    const int32_t L = nr_level_count((int64_t)width * height);
    int32_t C = code >= NR_CODE_SUBSAMPLED ? L - 1 : L;
    if (ctx != nullptr && (ctx->chroma.amount == 0 || ctx->chroma.noise_level == 0)) {
        C = 0;
    }
    *luma_levels = L;
    *chroma_levels = C;
}

void nr_params_apply_mode(NrParams* params, int32_t mode, int32_t luma_levels,
                          int32_t chroma_levels) {
    const NrModeEntry* entry = nr_mode_entry(mode);
    params->luma_levels = luma_levels;
    params->chroma_levels = chroma_levels;
    for (int32_t i = 0; i < NR_MAX_LEVELS; ++i) {
        if (entry->luma_unity_detail & (1u << i)) {
            params->luma_detail_gain[i] = 256;
        }
        if (entry->chroma_unity_detail & (1u << i)) {
            params->chroma_detail_gain[i] = 256;
        }
    }
    place_types(entry->luma_types, luma_levels, params->luma_types);
    place_types(entry->chroma_types, chroma_levels, params->chroma_types);
    params->mode_flag = entry->mode_flag;
}

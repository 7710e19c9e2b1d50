/*
 * Per-run filter parameters: the context's settings turned into 8.8 gains per pyramid level.
 */
#include "nr_params.h"

#include <string.h>

#include "nr_context.h"

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

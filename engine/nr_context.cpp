/*
 * The engine context: creation with its defaults, destruction, the public setters, the internal
 * setters and profile loading.
 */
#include "nr_context.h"

namespace {

// The public setters take slider values; anything outside 0..100 is held to the range, so that
// no setting can turn into a negative amount or an overflowing noise gain.
int32_t clamp_slider(int32_t a) {
    return a < 0 ? 0 : (a > 100 ? 100 : a);
}

// Lower half of a strength slider: the amount rises to its maximum at 50 with the noise level at
// unity; upper half: the amount stays at the maximum and the noise level follows the slider.
int32_t strength_amount(int32_t a, int32_t maximum) {
    return a <= 50 ? a * maximum / 50 : maximum;
}

int32_t strength_noise_level(int32_t a) {
    return a <= 50 ? NR_DEFAULT_NOISE_LEVEL : a;
}

void set_channel_defaults(NrChannelSettings* channel, int32_t amount) {
    *channel = NrChannelSettings{};
    channel->noise_level = NR_DEFAULT_NOISE_LEVEL;
    channel->amount = amount;
    channel->detail = NR_DEFAULT_DETAIL;
    channel->detail_offsets[3] = NR_DEFAULT_DETAIL_OFFSET_3;
}

int32_t exchange(int32_t* field, int32_t value) {
    const int32_t previous = *field;
    *field = value;
    return previous;
}

} // namespace

/* ---- Creation and destruction -----------------------------------------------------------------
 */

int32_t nr_engine_create_with_user(NrEngine** out, void* user) {
    if (!out) {
        return NR_ERR_INVALID_ARG;
    }
    NrEngine* ctx = static_cast<NrEngine*>(nr_malloc(user, sizeof(NrEngine)));
    *out = ctx;
    if (!ctx) {
        return NR_ERR_NO_MEMORY;
    }
    *ctx = NrEngine{};
    ctx->user = user;
    // The defaults come first, so that even a context whose creation failed reads sensibly.
    ctx->mode = NR_DEFAULT_MODE;
    set_channel_defaults(&ctx->luma, NR_DEFAULT_LUMA_AMOUNT);
    set_channel_defaults(&ctx->chroma, NR_DEFAULT_CHROMA_AMOUNT);

    int32_t status = nr_pool_create(user, &ctx->pool);
    if (status != NR_OK) {
        return status;
    }
    status = nr_profile_alloc(user, &ctx->profile);
    ctx->profile.group_count = 0; // no profile until one is estimated or loaded
    if (status != NR_OK) {
        return status;
    }
    ctx->blob = static_cast<uint8_t*>(nr_malloc(user, NR_PROFILE_BLOB_SIZE));
    if (!ctx->blob) {
        return NR_ERR_NO_MEMORY;
    }
    nr_memset(ctx->blob, 0, NR_PROFILE_BLOB_SIZE);
    return NR_OK;
}

int32_t nr_engine_create(NrEngine** out) {
    return nr_engine_create_with_user(out, nullptr);
}

void nr_engine_destroy(NrEngine* engine) {
    if (!engine) {
        return;
    }
    void* user = engine->user;
    nr_worker_buffers_free(user, &engine->buffers, engine->last_luma_levels,
                           engine->last_chroma_levels, NR_PROFILE_MAX_GROUPS);
    nr_free(user, engine->blob);
    engine->blob = nullptr;
    nr_profile_free(user, &engine->profile);
    nr_free(user, engine->reserved);
    engine->reserved = nullptr;
    nr_engine_profile_reset(engine);
    nr_pool_destroy(engine->pool); // stops and joins the four workers
    engine->pool = nullptr;
    nr_free(user, engine);
}

/* ---- Public setters ---------------------------------------------------------------------------
 */

int32_t nr_engine_set_mode(NrEngine* engine, int32_t mode) {
    int32_t internal;
    if (mode == 0) {
        internal = 4;
    } else if (mode == 1) {
        internal = NR_DEFAULT_MODE;
    } else {
        return NR_ERR_MODE;
    }
    if (engine) {
        nr_ctx_set_mode(engine, internal);
    }
    return NR_OK;
}

int32_t nr_engine_set_luma_strength(NrEngine* engine, int32_t a) {
    if (engine) {
        a = clamp_slider(a);
        nr_ctx_set_amount(engine, strength_amount(a, NR_DEFAULT_LUMA_AMOUNT), 0);
        nr_ctx_set_level(engine, strength_noise_level(a), 0);
    }
    return NR_OK;
}

int32_t nr_engine_set_chroma_strength(NrEngine* engine, int32_t a) {
    if (engine) {
        a = clamp_slider(a);
        nr_ctx_set_amount(engine, strength_amount(a, NR_DEFAULT_CHROMA_AMOUNT), 1);
        nr_ctx_set_level(engine, strength_noise_level(a), 1);
    }
    return NR_OK;
}

int32_t nr_engine_set_strength(NrEngine* engine, int32_t a) {
    if (engine) {
        a = clamp_slider(a);
        nr_ctx_set_amount(engine, strength_amount(a, NR_DEFAULT_LUMA_AMOUNT), 0);
        nr_ctx_set_amount(engine, strength_amount(a, NR_DEFAULT_CHROMA_AMOUNT), 1);
        const int32_t level = a > NR_DEFAULT_NOISE_LEVEL ? a : NR_DEFAULT_NOISE_LEVEL;
        nr_ctx_set_level(engine, level, 0);
        nr_ctx_set_level(engine, level, 1);
    }
    return NR_OK;
}

int32_t nr_engine_set_detail(NrEngine* engine, int32_t a) {
    if (engine) {
        nr_ctx_set_detail(engine, clamp_slider(a) * NR_DEFAULT_DETAIL / 50, 0);
    }
    return NR_OK;
}

int32_t nr_engine_load_profile(NrEngine* engine, const uint8_t* blob) {
    return nr_ctx_load_profile(engine, blob);
}

/* ---- Internal setters -------------------------------------------------------------------------
 */

int32_t nr_ctx_set_mode(NrEngine* ctx, int32_t value) {
    return ctx ? exchange(&ctx->mode, value) : NR_ERR_FAILED;
}

int32_t nr_ctx_set_level(NrEngine* ctx, int32_t value, int32_t flag) {
    return ctx ? exchange(&nr_ctx_channel(ctx, flag)->noise_level, value) : NR_ERR_FAILED;
}

int32_t nr_ctx_set_amount(NrEngine* ctx, int32_t value, int32_t flag) {
    return ctx ? exchange(&nr_ctx_channel(ctx, flag)->amount, value) : NR_ERR_FAILED;
}

int32_t nr_ctx_set_detail(NrEngine* ctx, int32_t value, int32_t flag) {
    return ctx ? exchange(&nr_ctx_channel(ctx, flag)->detail, value) : NR_ERR_FAILED;
}

int32_t nr_ctx_set_level_offset(NrEngine* ctx, int32_t value, int32_t flag, int32_t level) {
    if (!ctx) {
        return NR_ERR_FAILED;
    }
    if (level < 0 || level > 3) {
        return NR_ERR_INVALID_ARG;
    }
    return exchange(&nr_ctx_channel(ctx, flag)->level_offsets[level], value);
}

int32_t nr_ctx_set_amount_offset(NrEngine* ctx, int32_t value, int32_t flag, int32_t level) {
    if (!ctx) {
        return NR_ERR_FAILED;
    }
    if (level < 0 || level > 3) {
        return NR_ERR_INVALID_ARG;
    }
    return exchange(&nr_ctx_channel(ctx, flag)->amount_offsets[level], value);
}

int32_t nr_ctx_set_detail_offset(NrEngine* ctx, int32_t value, int32_t flag, int32_t level) {
    if (!ctx) {
        return NR_ERR_FAILED;
    }
    if (level < 0 || level > 3) {
        return NR_ERR_INVALID_ARG;
    }
    return exchange(&nr_ctx_channel(ctx, flag)->detail_offsets[level], value);
}

int32_t nr_ctx_noop(void) {
    return NR_OK;
}

/* ---- Profile ----------------------------------------------------------------------------------
 */

int32_t nr_ctx_load_profile(NrEngine* ctx, const uint8_t* blob) {
    if (!ctx) {
        return NR_ERR_INVALID_ARG;
    }
    if (!blob) {
        ctx->profile.group_count = 0; // the next run estimates its own
        return NR_OK;
    }
    // A malformed blob installs an empty profile; the caller is told nothing of it.
    nr_profile_read(blob, &ctx->profile);
    return NR_OK;
}

uint8_t* nr_ctx_store_profile(NrEngine* ctx) {
    if (!ctx || !ctx->blob) {
        return nullptr;
    }
    nr_profile_write(ctx->blob, &ctx->profile);
    return ctx->blob;
}

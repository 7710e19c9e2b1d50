#include "iqdenoiser.h"

#include <cstdlib>
#include <cstring>

IQDenoiser::IQDenoiser()
    : IQDenoiser(nullptr)
{
}

IQDenoiser::IQDenoiser(const uint8_t* initialProfile)
{
    if (nr_engine_create(&engine) != NR_OK) {
        // A part-built context is handed back all the same; release it and work without one.
        nr_engine_destroy(engine);
        engine = nullptr;
    }
    if (engine) {
        nr_engine_set_mode(engine, 0);
        nr_engine_set_strength(engine, 0);
        sharpness = 0;
        nr_engine_set_detail(engine, 0);
    }
    if (initialProfile) {
        profile = static_cast<uint8_t*>(malloc(NR_PROFILE_BLOB_SIZE));
        if (profile)
            memcpy(profile, initialProfile, NR_PROFILE_BLOB_SIZE);
        // What a given blob holds is the caller's business: it is loaded as it is.
        profileHasChroma = true;
    }
}

IQDenoiser::~IQDenoiser()
{
    free(profile);
    profile = nullptr;
    nr_engine_destroy(engine);
}

void IQDenoiser::setLuminance(int value)
{
    if (!engine)
        return;
    luminance = value;
    nr_engine_set_luma_strength(engine, value);
}

void IQDenoiser::setChrominance(int value)
{
    if (!engine)
        return;
    chrominance = value;
    chromaOn = value > 0;
    nr_engine_set_chroma_strength(engine, value);
}

void IQDenoiser::setSharpness(int value)
{
    if (!engine)
        return;
    sharpness = value;
    nr_engine_set_detail(engine, value);
}

void IQDenoiser::setStrength(int value)
{
    if (!engine)
        return;
    chromaOn = value > 0;
    nr_engine_set_strength(engine, value);
}

int IQDenoiser::process(const NrFrame* src, NrFrame* dst)
{
    // A null source would otherwise "estimate" nothing successfully and cache an unwritten block.
    if (!engine || !src || !dst)
        return NR_ERR_INVALID_ARG;
    if (!profile) {
        profile = static_cast<uint8_t*>(malloc(NR_PROFILE_BLOB_SIZE));
        const int status = nr_engine_estimate_profile(engine, src, profile);
        if (status != NR_OK || !profile) {
            free(profile);
            profile = nullptr;
            if (status != NR_OK)
                return status;
        }
        profileHasChroma = chromaOn;
    } else if (chromaOn && !profileHasChroma) {
        // The cached profile was measured while chroma was off and has no chroma tables, so the
        // engine would measure the photo again on every run. Measure it once more with chroma
        // and keep that instead. The blob is only written when the estimate succeeds; after a
        // failure the old one stays and the next run tries again.
        const int status = nr_engine_estimate_profile(engine, src, profile);
        if (status != NR_OK)
            return status;
        profileHasChroma = true;
    } else {
        const int status = nr_engine_load_profile(engine, profile);
        if (status != NR_OK)
            return status;
    }
    return nr_engine_process(engine, src, dst, nullptr, nullptr);
}

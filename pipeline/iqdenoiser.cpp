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
    if (engine)
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
    } else {
        const int status = nr_engine_load_profile(engine, profile);
        if (status != NR_OK)
            return status;
    }
    return nr_engine_process(engine, src, dst, nullptr, nullptr);
}

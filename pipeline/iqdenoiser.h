#pragma once

#include <cstdint>

#include "nr_engine.h"

// One engine context with the three slider values and the noise profile of the photo it works
// on: the first process() estimates the profile from its source frame and keeps the
// NR_PROFILE_BLOB_SIZE-byte blob, every later run loads that blob back before processing. A
// profile estimated while chroma strength was 0 has no chroma tables; the first run with chroma
// on estimates again and keeps that profile instead. Move to another photo with a new
// IQDenoiser. No lock: one thread at a time.
class IQDenoiser
{
public:
    IQDenoiser();
    // profile: a blob to start from (copied; the caller keeps its own), or null to estimate on
    // the first run.
    explicit IQDenoiser(const uint8_t* profile);
    ~IQDenoiser();

    IQDenoiser(const IQDenoiser&) = delete;
    IQDenoiser& operator=(const IQDenoiser&) = delete;

    // Each setter stores the value and forwards it to the engine; without an engine it does
    // nothing at all.
    void setLuminance(int value);
    void setChrominance(int value);
    void setSharpness(int value);
    // Forwards to nr_engine_set_strength; stores nothing.
    void setStrength(int value);

    // Denoises src into dst (same format and size). Returns the engine status; NR_ERR_INVALID_ARG
    // without an engine or for a null frame, dst untouched then.
    int process(const NrFrame* src, NrFrame* dst);

    int luminanceValue() const { return luminance; }
    int chrominanceValue() const { return chrominance; }
    int sharpnessValue() const { return sharpness; }
    bool hasEngine() const { return engine != nullptr; }
    // The cached blob, null until the first successful estimate.
    const uint8_t* cachedProfile() const { return profile; }

private:
    NrEngine* engine = nullptr;
    uint8_t* profile = nullptr;
    int luminance = 0;
    int chrominance = 0;
    int sharpness = 0;
    // Whether the engine's chroma strength is above 0, so that a run filters chroma and reads
    // the chroma tables of the profile (set by setChrominance and setStrength).
    bool chromaOn = false;
    // Whether the cached profile was estimated with chroma on (a blob given to the constructor
    // counts as such).
    bool profileHasChroma = false;
};

#pragma once

// The three denoise settings, 0 to 100 each, as the denoise panel and the batch dialog keep them.
// The first field stays 0; it takes part only in copying and in the all-zero test.
struct IQDenoiseParams {
    int reserved = 0;
    int luminance = 0;
    int chrominance = 0;
    int sharpness = 0;

    void reset() { reserved = luminance = chrominance = sharpness = 0; }
    bool isDefault() const { return reserved == 0 && luminance == 0 && chrominance == 0 && sharpness == 0; }
};

#pragma once

// Row operations of the image views' copy-in: a result's colour bytes go into the held image's
// 4-byte pixels while the held alpha stays. Each has a plain reference (_C) and the form the
// callers use, which is the same bytes faster.

// dst pixel j = bytes 0, 1, 2 (B, G, R) of 4-byte pixel j of `colour` and byte 3 (A) of 4-byte
// pixel j of `alpha`, for `pixels` pixels. `dst` may be `alpha` itself; `colour` must not overlap
// `dst`.
void mergeColourAlphaRow_C(const unsigned char* colour, const unsigned char* alpha,
                           unsigned char* dst, int pixels);
void mergeColourAlphaRow(const unsigned char* colour, const unsigned char* alpha,
                         unsigned char* dst, int pixels);

// The same with 3-byte colour pixels (B, G, R).
void mergeBgrAlphaRow_C(const unsigned char* bgr, const unsigned char* alpha, unsigned char* dst,
                        int pixels);
void mergeBgrAlphaRow(const unsigned char* bgr, const unsigned char* alpha, unsigned char* dst,
                      int pixels);

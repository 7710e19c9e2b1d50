// Photo helpers shared by the benchmark and the engine tests (plain C++, no test framework): a
// binary PPM reader and the index arithmetic of mirror-tiling a photo to a larger size.
#pragma once

#include <ctype.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

// Reads a binary PPM (P6, maxval 255, '#' comments allowed) into packed R G B bytes.
inline bool nr_read_ppm(const std::string& path, int32_t* w_out, int32_t* h_out,
                        std::vector<uint8_t>* rgb) {
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    auto token = [f]() {
        std::string t;
        int c = fgetc(f);
        while (c != EOF && (isspace(c) || c == '#')) {
            if (c == '#') {
                while (c != EOF && c != '\n') {
                    c = fgetc(f);
                }
            }
            c = fgetc(f);
        }
        while (c != EOF && !isspace(c)) {
            t.push_back((char)c);
            c = fgetc(f);
        }
        return t;
    };
    const std::string magic = token();
    const int w = atoi(token().c_str());
    const int h = atoi(token().c_str());
    const int maxval = atoi(token().c_str());
    bool ok = magic == "P6" && w > 0 && h > 0 && maxval == 255;
    if (ok) {
        *w_out = w;
        *h_out = h;
        rgb->resize((size_t)w * h * 3);
        ok = fread(rgb->data(), 1, rgb->size(), f) == rgb->size();
    }
    fclose(f);
    return ok;
}

// The source row (or column) of row i when a picture of n rows is repeated with mirrored copies:
// 0 1 .. n-1 n-1 .. 1 0 0 1 ..
inline int32_t nr_mirror_tile_index(int32_t i, int32_t n) {
    const int32_t t = i % (2 * n);
    return t < n ? t : 2 * n - 1 - t;
}

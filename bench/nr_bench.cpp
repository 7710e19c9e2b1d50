// nr_bench: throughput and memory of nr_engine_process at the application's settings.
//
// Reads a photo (PNG or binary PPM; with --size mirror-tiled to that size) or synthesises a frame
// of a given size, adds seeded Gaussian noise, converts it to YUY2 and times the engine the way
// the application drives it: mode 0, luminance / chrominance / sharpness from the command line.
// The first run of a photo estimates the noise profile; later runs reuse the stored profile. Each
// is timed as the median of several runs after a warm-up (the first runs' estimate also on its
// own). Prints megapixels per second, the peak heap of a run beyond the frames, the tile count and
// the luma PSNR before and after. --portable runs the portable kernel forms only, so two runs give
// the speed-up of the fast forms.
//
//   nr_bench [--photo FILE] [--size WxH] [--luma N] [--chroma N] [--sharp N] [--sigma S]
//            [--runs N] [--warmup N] [--seed N] [--portable] [--later-only]
#include <malloc.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <string>
#include <vector>

#ifdef NR_BENCH_HAVE_PNG
#include <png.h>
#endif

#include "nr_context.h"
#include "nr_cpu.h"
#include "nr_driver.h"
#include "nr_engine.h"
#include "nr_image.h"
#include "nr_params.h"
#include "nr_photo.h"
#include "nr_tiles.h"

// ---- heap accounting ---------------------------------------------------------------------------
// The engine allocates only through malloc; counting live bytes in malloc/free gives the exact
// working memory of a run. Sanitizer builds keep their own allocator, so nothing is counted there.

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define NR_BENCH_COUNT_HEAP 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define NR_BENCH_COUNT_HEAP 0
#endif
#endif
#ifndef NR_BENCH_COUNT_HEAP
#define NR_BENCH_COUNT_HEAP 1
#endif

#if NR_BENCH_COUNT_HEAP
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* ptr, size_t size);
void __libc_free(void* ptr);
}

namespace {
std::atomic<int64_t> g_live{0};
std::atomic<int64_t> g_peak{0};

void heapAdd(void* p) {
    if (p != nullptr) {
        const int64_t live =
            g_live.fetch_add((int64_t)malloc_usable_size(p)) + (int64_t)malloc_usable_size(p);
        int64_t peak = g_peak.load();
        while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
        }
    }
}
void heapRemove(void* p) {
    if (p != nullptr) {
        g_live.fetch_sub((int64_t)malloc_usable_size(p));
    }
}
} // namespace

extern "C" void* malloc(size_t size) {
    void* p = __libc_malloc(size);
    heapAdd(p);
    return p;
}
extern "C" void* calloc(size_t count, size_t size) {
    void* p = __libc_calloc(count, size);
    heapAdd(p);
    return p;
}
extern "C" void* realloc(void* ptr, size_t size) {
    heapRemove(ptr);
    void* p = __libc_realloc(ptr, size);
    heapAdd(p != nullptr ? p : (size != 0 ? ptr : nullptr));
    return p;
}
extern "C" void free(void* ptr) {
    heapRemove(ptr);
    __libc_free(ptr);
}

namespace {
// Live heap bytes now; the peak starts again from here.
int64_t heapResetPeak() {
    const int64_t live = g_live.load();
    g_peak.store(live);
    return live;
}
int64_t heapPeak() {
    return g_peak.load();
}
} // namespace
#else
namespace {
int64_t heapResetPeak() {
    return -1;
}
int64_t heapPeak() {
    return -1;
}
} // namespace
#endif

namespace {

struct Options {
    std::string photo;
    int32_t width = 4000;
    int32_t height = 3000;
    int32_t luma = 50;
    int32_t chroma = 50;
    int32_t sharp = 50;
    double sigma = 10.0;
    int32_t runs = 5;
    int32_t warmup = 1;
    uint32_t seed = 1;
    bool portable = false;
    bool later_only = false;
    bool sized = false; // --size given
};

void usage() {
    fprintf(stderr,
            "usage: nr_bench [--photo FILE] [--size WxH] [--luma N] [--chroma N] [--sharp N]\n"
            "                [--sigma S] [--runs N] [--warmup N] [--seed N] [--portable]\n"
            "                [--later-only]\n"
            "  --photo FILE  PNG or binary PPM; with --size it is mirror-tiled to that size\n"
            "  --size WxH    synthetic frame size without --photo (default 4000x3000)\n"
            "  --portable    portable kernel forms only\n"
            "  --later-only  time only the runs with a stored profile\n");
}

bool parse(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char** out) {
            if (i + 1 >= argc) {
                return false;
            }
            *out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        if (a == "--portable") {
            o->portable = true;
        } else if (a == "--later-only") {
            o->later_only = true;
        } else if (a == "--photo" && value(&v)) {
            o->photo = v;
        } else if (a == "--size" && value(&v)) {
            o->sized = true;
            if (sscanf(v, "%dx%d", &o->width, &o->height) != 2 || o->width < 2 || o->height < 2) {
                return false;
            }
        } else if (a == "--luma" && value(&v)) {
            o->luma = atoi(v);
        } else if (a == "--chroma" && value(&v)) {
            o->chroma = atoi(v);
        } else if (a == "--sharp" && value(&v)) {
            o->sharp = atoi(v);
        } else if (a == "--sigma" && value(&v)) {
            o->sigma = atof(v);
        } else if (a == "--runs" && value(&v)) {
            o->runs = std::max(1, atoi(v));
        } else if (a == "--warmup" && value(&v)) {
            o->warmup = std::max(0, atoi(v));
        } else if (a == "--seed" && value(&v)) {
            o->seed = (uint32_t)strtoul(v, nullptr, 10);
        } else {
            return false;
        }
    }
    return true;
}

// ---- pictures --------------------------------------------------------------------------------

struct Rgb {
    int32_t w = 0;
    int32_t h = 0;
    std::vector<uint8_t> px; // R G B
};

bool readPhoto(const std::string& path, Rgb* out) {
#ifdef NR_BENCH_HAVE_PNG
    png_image image;
    memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str())) {
        image.format = PNG_FORMAT_RGB;
        out->w = (int32_t)image.width;
        out->h = (int32_t)image.height;
        out->px.resize(PNG_IMAGE_SIZE(image));
        if (png_image_finish_read(&image, nullptr, out->px.data(), 0, nullptr)) {
            return true;
        }
        png_image_free(&image);
    }
#endif
    return nr_read_ppm(path, &out->w, &out->h, &out->px);
}

// Smooth gradients with some texture and a few sharp edges, like a photo's mix of areas.
Rgb synthesise(int32_t w, int32_t h) {
    Rgb p;
    p.w = w;
    p.h = h;
    p.px.resize((size_t)w * h * 3);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* q = &p.px[((size_t)y * w + x) * 3];
            const double fx = (double)x / w, fy = (double)y / h;
            const double wave = 25 * sin(x * 0.031) * cos(y * 0.017);
            const bool block = ((x / 256) + (y / 256)) % 5 == 0;
            q[0] = (uint8_t)std::clamp(60 + 150 * fx + wave + (block ? 40 : 0), 0.0, 255.0);
            q[1] = (uint8_t)std::clamp(50 + 140 * fy - wave, 0.0, 255.0);
            q[2] = (uint8_t)std::clamp(200 - 120 * fx * fy + (block ? -50 : 0), 0.0, 255.0);
        }
    }
    return p;
}

// The photo repeated with mirrored copies to fill w x h (a large frame of real photo content).
Rgb mirrorTile(const Rgb& src, int32_t w, int32_t h) {
    Rgb out;
    out.w = w;
    out.h = h;
    out.px.resize((size_t)w * h * 3);
    for (int32_t y = 0; y < h; ++y) {
        const int32_t sy = nr_mirror_tile_index(y, src.h);
        for (int32_t x = 0; x < w; ++x) {
            const int32_t sx = nr_mirror_tile_index(x, src.w);
            memcpy(&out.px[((size_t)y * w + x) * 3], &src.px[((size_t)sy * src.w + sx) * 3], 3);
        }
    }
    return out;
}

uint8_t clamp255(double v) {
    return (uint8_t)std::clamp((int)lround(v), 0, 255);
}

// Full-range BT.601 YUY2, chroma of each pixel pair averaged; optional seeded Gaussian noise on
// the RGB samples first. Widths are made even by dropping the last column.
NrFrame makeYuy2(const Rgb& rgb, double sigma, uint32_t seed, std::vector<uint8_t>* buffer) {
    const int32_t w = rgb.w & ~1, h = rgb.h;
    NrFrame f;
    memset(&f, 0, sizeof(f));
    f.format = NR_FORMAT_YUY2;
    f.width = w;
    f.height = h;
    f.strides[0] = 2 * w;
    buffer->assign((size_t)2 * w * h, 0);
    f.planes[0] = buffer->data();
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, sigma > 0 ? sigma : 1.0);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = buffer->data() + (size_t)y * f.strides[0];
        for (int32_t x = 0; x < w; x += 2) {
            double yy[2], uu = 0, vv = 0;
            for (int k = 0; k < 2; ++k) {
                const uint8_t* q = &rgb.px[((size_t)y * rgb.w + x + k) * 3];
                double r = q[0], g = q[1], b = q[2];
                if (sigma > 0) {
                    r += noise(rng);
                    g += noise(rng);
                    b += noise(rng);
                }
                yy[k] = 0.299 * r + 0.587 * g + 0.114 * b;
                uu += 128 - 0.168736 * r - 0.331264 * g + 0.5 * b;
                vv += 128 + 0.5 * r - 0.418688 * g - 0.081312 * b;
            }
            row[2 * x] = clamp255(yy[0]);
            row[2 * x + 1] = clamp255(uu / 2);
            row[2 * x + 2] = clamp255(yy[1]);
            row[2 * x + 3] = clamp255(vv / 2);
        }
    }
    return f;
}

double lumaPsnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double se = 0;
    size_t n = 0;
    for (size_t i = 0; i < a.size(); i += 2, ++n) {
        const double d = (double)a[i] - b[i];
        se += d * d;
    }
    const double mse = se / (double)n;
    return mse == 0 ? 99.0 : 10.0 * log10(255.0 * 255.0 / mse);
}

// ---- measurement -----------------------------------------------------------------------------

double nowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Resident set size and its peak (kB) from /proc; the peak can be reset for the next phase.
long procStatusKb(const char* key) {
    FILE* f = fopen("/proc/self/status", "r");
    if (f == nullptr) {
        return -1;
    }
    char line[256];
    long value = -1;
    const size_t n = strlen(key);
    while (fgets(line, sizeof(line), f) != nullptr) {
        if (strncmp(line, key, n) == 0) {
            value = atol(line + n);
            break;
        }
    }
    fclose(f);
    return value;
}

// Returns freed heap memory to the system first, so that the next peak counts what a run needs.
bool resetPeakRss() {
    malloc_trim(0);
    FILE* f = fopen("/proc/self/clear_refs", "w");
    if (f == nullptr) {
        return false;
    }
    const bool ok = fputs("5", f) >= 0;
    return fclose(f) == 0 && ok;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void applySettings(NrEngine* e, const Options& o) {
    nr_engine_set_mode(e, 0);
    nr_engine_set_strength(e, 0);
    nr_engine_set_detail(e, 0);
    nr_engine_set_luma_strength(e, o.luma);
    nr_engine_set_chroma_strength(e, o.chroma);
    nr_engine_set_detail(e, o.sharp);
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, &o)) {
        usage();
        return 2;
    }
    Rgb rgb;
    std::string source;
    if (!o.photo.empty()) {
        if (!readPhoto(o.photo, &rgb) || rgb.w < 2 || rgb.h < 2) {
            fprintf(stderr, "nr_bench: cannot read %s (PNG or binary PPM)\n", o.photo.c_str());
            return 1;
        }
        source = o.photo;
        if (o.sized) {
            rgb = mirrorTile(rgb, o.width, o.height);
            source += " (mirror-tiled)";
        }
    } else {
        rgb = synthesise(o.width, o.height);
        source = "synthetic";
    }
    if (o.portable) {
        nr_cpu_set_mask(0);
    }

    std::vector<uint8_t> clean_buf, noisy_buf, out_buf;
    const NrFrame clean = makeYuy2(rgb, 0.0, o.seed, &clean_buf);
    const NrFrame src = makeYuy2(rgb, o.sigma, o.seed, &noisy_buf);
    out_buf = noisy_buf;
    NrFrame dst = src;
    dst.planes[0] = out_buf.data();
    (void)clean;
    const double mp = (double)src.width * src.height / 1e6;

    NrEngine* engine = nullptr;
    if (nr_engine_create(&engine) != NR_OK) {
        fprintf(stderr, "nr_bench: cannot create the engine\n");
        nr_engine_destroy(engine);
        return 1;
    }
    applySettings(engine, o);

    // The run's shape, as the driver decides it.
    NrParams params;
    nr_params_build(&params, engine);
    int32_t L = 0, C = 0;
    const int32_t even_w = src.width & ~1, even_h = src.height & ~1;
    nr_run_level_counts(engine, NR_CODE_YUY2, even_w, even_h, &L, &C);
    nr_params_apply_mode(&params, engine->mode, L, C);
    const NrTileSize tile =
        nr_choose_tile_size(even_w, even_h, nr_worker_count(), L, C, params.luma_types,
                            params.chroma_types, NR_CODE_YUY2);
    const int64_t tiles = (int64_t)((even_w + tile.width - 1) / tile.width) *
                          ((even_h + tile.height - 1) / tile.height);
    const int64_t tile_bytes =
        nr_tile_memory_estimate(tile, L, C, params.luma_types, params.chroma_types,
                                8 << (std::max(L, C) - 1), NR_CODE_YUY2);

    printf("frame: %s, %d x %d (%.2f MP), YUY2, noise sigma %.1f, seed %u\n", source.c_str(),
           src.width, src.height, mp, o.sigma, o.seed);
    printf("settings: mode 0, luminance %d, chrominance %d, sharpness %d; kernels: %s\n", o.luma,
           o.chroma, o.sharp, o.portable ? "portable only" : "fast forms");
    printf("tiles: %lld of %d x %d (%d luma, %d chroma levels; estimate %.2f MiB per tile)\n",
           (long long)tiles, tile.width, tile.height, L, C, tile_bytes / 1048576.0);

    // One timed phase: the median time and the largest heap peak and resident-size growth of
    // its counted runs.
    struct Phase {
        std::vector<double> ms;
        std::vector<double> estimate_ms; // the estimate alone, in the first runs
        int64_t heap_peak = -1;
        long rss_peak_kb = -1;
    };
    NrProfileBlob blob;
    int32_t status = NR_OK;
    auto run = [&](Phase* phase, bool estimate) {
        for (int32_t i = 0; i < o.warmup + o.runs && status == NR_OK; ++i) {
            if (estimate) {
                nr_engine_load_profile(engine, nullptr);
            }
            const bool reset = resetPeakRss();
            const long base_kb = procStatusKb("VmRSS:");
            const int64_t base_heap = heapResetPeak();
            const double t0 = nowMs();
            if (estimate) {
                status = nr_engine_estimate_profile(engine, &src, blob);
                if (status == NR_OK) {
                    status = nr_engine_load_profile(engine, blob);
                }
            }
            const double t_estimated = nowMs();
            if (status == NR_OK) {
                status = nr_engine_process(engine, &src, &dst, nullptr, nullptr);
            }
            const double t1 = nowMs();
            if (i < o.warmup) {
                continue;
            }
            phase->ms.push_back(t1 - t0);
            if (estimate) {
                phase->estimate_ms.push_back(t_estimated - t0);
            }
            if (base_heap >= 0) {
                phase->heap_peak = std::max(phase->heap_peak, heapPeak() - base_heap);
            }
            if (reset) {
                phase->rss_peak_kb = std::max(phase->rss_peak_kb, procStatusKb("VmHWM:") - base_kb);
            }
        }
    };
    auto report = [&](const char* name, const Phase& phase) {
        const double ms = median(phase.ms);
        const double best = *std::min_element(phase.ms.begin(), phase.ms.end());
        printf("%s median %9.1f ms = %7.2f MP/s (%d runs after %d warm-up; best %.1f ms)\n", name,
               ms, mp / (ms / 1e3), o.runs, o.warmup, best);
        if (phase.heap_peak >= 0) {
            printf("    peak heap beyond the frames %.2f MiB", phase.heap_peak / 1048576.0);
        } else {
            printf("    peak heap not measured in this build");
        }
        printf(", resident growth %.1f MiB\n", phase.rss_peak_kb / 1024.0);
        if (!phase.estimate_ms.empty()) {
            printf("    of which the estimate: median %.1f ms (best %.1f ms)\n",
                   median(phase.estimate_ms),
                   *std::min_element(phase.estimate_ms.begin(), phase.estimate_ms.end()));
        }
    };

    Phase first, later;
    if (o.later_only) {
        status = nr_engine_estimate_profile(engine, &src, blob);
        if (status == NR_OK) {
            status = nr_engine_load_profile(engine, blob);
        }
    } else {
        run(&first, true); // the first run of a photo: estimate, then process with the profile
    }
    run(&later, false); // later runs: the stored profile
    if (status != NR_OK) {
        fprintf(stderr, "nr_bench: the engine failed with status %d\n", status);
        nr_engine_destroy(engine);
        return 1;
    }
    if (!o.later_only) {
        report("first run (estimate + process):", first);
    }
    report("later runs (stored profile):   ", later);
    printf("peak RSS %.1f MiB (the three frames of this program: %.1f MiB)\n",
           procStatusKb("VmHWM:") / 1024.0, 3.0 * noisy_buf.size() / 1048576.0);
    printf("PSNR luma: noisy %.2f dB -> denoised %.2f dB\n", lumaPsnr(noisy_buf, clean_buf),
           lumaPsnr(out_buf, clean_buf));
    nr_engine_destroy(engine);
    return 0;
}

// The engine end to end: nr_engine_process and nr_engine_estimate_profile on real photos and
// synthetic frames of every format and many sizes, with the real worker pool.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "nr_context.h"
#include "nr_driver.h"
#include "nr_engine.h"
#include "nr_estimate.h"
#include "nr_image.h"
#include "nr_photo.h"
#include "nr_runtime.h"
#include "nr_tiles.h"

namespace {

// ---- pictures: full-resolution Y, U, V planes -------------------------------------------------

struct Picture {
    int32_t w = 0;
    int32_t h = 0;
    std::vector<uint8_t> y, u, v;

    Picture() = default;
    Picture(int32_t width, int32_t height)
        : w(width), h(height), y((size_t)width * height), u(y.size()), v(y.size()) {}
};

uint8_t clamp255(int v) {
    return (uint8_t)(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Reads a binary PPM (P6, maxval 255, '#' comments allowed) and converts it to full-range
// BT.601 YUV.
bool loadPpm(const std::string& path, Picture* out) {
    int32_t w = 0;
    int32_t h = 0;
    std::vector<uint8_t> rgb;
    if (!nr_read_ppm(path, &w, &h, &rgb)) {
        return false;
    }
    *out = Picture(w, h);
    for (size_t i = 0; i < out->y.size(); ++i) {
        const int r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
        out->y[i] = clamp255((77 * r + 150 * g + 29 * b + 128) >> 8);
        out->u[i] = clamp255(((-43 * r - 85 * g + 128 * b + 128) >> 8) + 128);
        out->v[i] = clamp255(((128 * r - 107 * g - 21 * b + 128) >> 8) + 128);
    }
    return true;
}

// The clean test photo: chelsea (451 x 300), see tests/data/engine/README.md.
const Picture& photo() {
    static Picture p;
    static bool loaded = false;
    if (!loaded) {
        loaded = loadPpm(std::string(NR_TEST_DATA_DIR) + "/engine/chelsea.ppm", &p);
    }
    return p;
}

// The photo mirrored into a w x h picture (for sizes the photo does not have).
Picture photoResized(int32_t w, int32_t h) {
    const Picture& src = photo();
    Picture out(w, h);
    for (int32_t y = 0; y < h; ++y) {
        const int32_t sy = nr_mirror_tile_index(y, src.h);
        for (int32_t x = 0; x < w; ++x) {
            const int32_t sx = nr_mirror_tile_index(x, src.w);
            const size_t i = (size_t)y * w + x;
            const size_t j = (size_t)sy * src.w + sx;
            out.y[i] = src.y[j];
            out.u[i] = src.u[j];
            out.v[i] = src.v[j];
        }
    }
    return out;
}

// A smooth synthetic picture: gradients and soft waves.
Picture synthetic(int32_t w, int32_t h) {
    Picture p(w, h);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const size_t i = (size_t)y * w + x;
            p.y[i] = clamp255(40 + (170 * x) / (w > 1 ? w - 1 : 1) +
                              (int)(20 * sin(x * 0.05) * cos(y * 0.03)));
            p.u[i] = clamp255(128 + (int)(30 * sin(y * 0.02)));
            p.v[i] = clamp255(128 + (int)(30 * cos(x * 0.015)));
        }
    }
    return p;
}

// Seeded Gaussian noise.
Picture noisy(const Picture& clean, double sigma_luma, double sigma_chroma, unsigned seed) {
    Picture p = clean;
    std::mt19937 rng(seed);
    std::normal_distribution<double> nl(0.0, sigma_luma);
    std::normal_distribution<double> nc(0.0, sigma_chroma);
    for (size_t i = 0; i < p.y.size(); ++i) {
        p.y[i] = clamp255((int)lround(p.y[i] + nl(rng)));
        p.u[i] = clamp255((int)lround(p.u[i] + nc(rng)));
        p.v[i] = clamp255((int)lround(p.v[i] + nc(rng)));
    }
    return p;
}

// ---- frames: one block of memory for all planes, rows padded with a canary --------------------

const uint8_t kCanary = 0xcd;
const int32_t kPad = 12; // bytes of padding after every row

struct Frame {
    NrFrame f;
    std::vector<uint8_t> buf;

    Frame() { memset(&f, 0, sizeof(f)); }
    Frame(const Frame& o) : f(o.f), buf(o.buf) { rebase(o); }
    Frame& operator=(const Frame& o) {
        f = o.f;
        buf = o.buf;
        rebase(o);
        return *this;
    }
    void rebase(const Frame& o) {
        for (int i = 0; i < 4; ++i) {
            if (o.f.planes[i] != nullptr) {
                f.planes[i] = buf.data() + (o.f.planes[i] - o.buf.data());
            }
        }
    }
};

Frame makeFrame(const Picture& p, uint32_t format) {
    Frame fr;
    fr.f.format = format;
    fr.f.width = p.w;
    fr.f.height = p.h;
    const int32_t w = p.w, h = p.h;
    const int32_t cw = w / 2, ch = h / 2;
    auto at = [&p](const std::vector<uint8_t>& plane, int32_t x, int32_t y) {
        return plane[(size_t)y * p.w + x];
    };
    switch (format) {
    case NR_FORMAT_YUV444:
    case NR_FORMAT_YUY2:
    case NR_FORMAT_UYVY: {
        const int32_t row = format == NR_FORMAT_YUV444 ? 3 * w : 2 * w;
        fr.f.strides[0] = row + kPad;
        fr.buf.assign((size_t)fr.f.strides[0] * h, kCanary);
        fr.f.planes[0] = fr.buf.data();
        for (int32_t y = 0; y < h; ++y) {
            uint8_t* r = fr.buf.data() + (size_t)y * fr.f.strides[0];
            for (int32_t x = 0; x < w; ++x) {
                if (format == NR_FORMAT_YUV444) {
                    r[3 * x] = at(p.y, x, y);
                    r[3 * x + 1] = at(p.u, x, y);
                    r[3 * x + 2] = at(p.v, x, y);
                } else {
                    const int32_t pair = x & ~1;
                    const bool yuy2 = format == NR_FORMAT_YUY2;
                    r[2 * x + (yuy2 ? 0 : 1)] = at(p.y, x, y);
                    r[2 * x + (yuy2 ? 1 : 0)] = (x & 1) ? at(p.v, pair, y) : at(p.u, pair, y);
                }
            }
        }
        break;
    }
    case NR_FORMAT_I420: {
        const int32_t ys = w + kPad, cs = cw + kPad;
        fr.f.strides[0] = ys;
        fr.f.strides[1] = fr.f.strides[2] = cs;
        fr.buf.assign((size_t)ys * h + 2 * (size_t)cs * ch, kCanary);
        fr.f.planes[0] = fr.buf.data();
        fr.f.planes[1] = fr.buf.data() + (size_t)ys * h;
        fr.f.planes[2] = fr.f.planes[1] + (size_t)cs * ch;
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                fr.f.planes[0][(size_t)y * ys + x] = at(p.y, x, y);
            }
        }
        for (int32_t y = 0; y < ch; ++y) {
            for (int32_t x = 0; x < cw; ++x) {
                fr.f.planes[1][(size_t)y * cs + x] = at(p.u, 2 * x, 2 * y);
                fr.f.planes[2][(size_t)y * cs + x] = at(p.v, 2 * x, 2 * y);
            }
        }
        break;
    }
    case NR_FORMAT_NV12:
    case NR_FORMAT_NV21: {
        const int32_t ys = w + kPad, cs = 2 * cw + kPad;
        fr.f.strides[0] = ys;
        fr.f.strides[1] = cs;
        fr.buf.assign((size_t)ys * h + (size_t)cs * ch, kCanary);
        fr.f.planes[0] = fr.buf.data();
        fr.f.planes[1] = fr.buf.data() + (size_t)ys * h;
        const bool nv12 = format == NR_FORMAT_NV12;
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                fr.f.planes[0][(size_t)y * ys + x] = at(p.y, x, y);
            }
        }
        for (int32_t y = 0; y < ch; ++y) {
            for (int32_t x = 0; x < cw; ++x) {
                fr.f.planes[1][(size_t)y * cs + 2 * x + (nv12 ? 0 : 1)] = at(p.u, 2 * x, 2 * y);
                fr.f.planes[1][(size_t)y * cs + 2 * x + (nv12 ? 1 : 0)] = at(p.v, 2 * x, 2 * y);
            }
        }
        break;
    }
    default: {
        fr.f.strides[0] = 2 * w;
        fr.buf.assign((size_t)2 * w * h + 1, kCanary);
        fr.f.planes[0] = fr.buf.data();
    }
    }
    return fr;
}

// Luma sample (x, y) of a frame.
uint8_t lumaAt(const Frame& fr, int32_t x, int32_t y) {
    const uint8_t* row = fr.f.planes[0] + (size_t)y * fr.f.strides[0];
    switch (fr.f.format) {
    case NR_FORMAT_YUV444:
        return row[3 * x];
    case NR_FORMAT_YUY2:
        return row[2 * x];
    case NR_FORMAT_UYVY:
        return row[2 * x + 1];
    default:
        return row[x];
    }
}

// Luma PSNR of two frames over the top-left w x h.
double lumaPsnr(const Frame& a, const Frame& b, int32_t w, int32_t h) {
    double se = 0;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const double d = (double)lumaAt(a, x, y) - lumaAt(b, x, y);
            se += d * d;
        }
    }
    const double mse = se / ((double)w * h);
    return mse == 0 ? 99.0 : 10.0 * log10(255.0 * 255.0 / mse);
}

uint64_t fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t hash = 1469598103934665603ull;
    for (uint8_t b : bytes) {
        hash = (hash ^ b) * 1099511628211ull;
    }
    return hash;
}

// ---- engine ---------------------------------------------------------------------------------

struct Engine {
    NrEngine* e = nullptr;
    Engine() { EXPECT_EQ(nr_engine_create(&e), NR_OK); }
    ~Engine() { nr_engine_destroy(e); }
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
};

// What the application's denoiser does after creating its context, then the three sliders.
void applicationSettings(NrEngine* e, int32_t luma = 50, int32_t chroma = 50, int32_t sharp = 50) {
    ASSERT_EQ(nr_engine_set_mode(e, 0), NR_OK);
    ASSERT_EQ(nr_engine_set_strength(e, 0), NR_OK);
    ASSERT_EQ(nr_engine_set_detail(e, 0), NR_OK);
    ASSERT_EQ(nr_engine_set_luma_strength(e, luma), NR_OK);
    ASSERT_EQ(nr_engine_set_chroma_strength(e, chroma), NR_OK);
    ASSERT_EQ(nr_engine_set_detail(e, sharp), NR_OK);
}

// Estimates the profile, caches the blob and processes with it, as the application does.
int32_t denoiseLikeTheApplication(NrEngine* e, const Frame& src, Frame* dst) {
    NrProfileBlob blob;
    int32_t status = nr_engine_estimate_profile(e, &src.f, blob);
    if (status != NR_OK) {
        return status;
    }
    status = nr_engine_load_profile(e, blob);
    if (status != NR_OK) {
        return status;
    }
    return nr_engine_process(e, &src.f, &dst->f, nullptr, nullptr);
}

// ---- progress callback ----------------------------------------------------------------------

struct Progress {
    std::vector<int32_t> percents;
    int32_t stop_at_call = -1; // 0-based call index that answers `answer`
    int32_t answer = 0;
};

int32_t recordProgress(int32_t percent, int32_t reserved, void* user) {
    Progress* p = (Progress*)user;
    EXPECT_EQ(reserved, 0);
    p->percents.push_back(percent);
    return (int32_t)p->percents.size() - 1 == p->stop_at_call ? p->answer : 0;
}

// Stores a profile whose tables measure the same moderate noise everywhere, so that runs need
// no estimate of their own.
void installFlatProfile(NrEngine* e, uint8_t level) {
    nr_profile_set_shape(&e->profile, 3, 4, 8, 4, 8);
    for (int g = 0; g < 3; ++g) {
        for (int j = 0; j < 4; ++j) {
            memset(e->profile.groups[g].entries[j].lut, level, 256);
        }
    }
}

// =============================================================================================

TEST(ProcessPhoto, TestPhotoIsThere) {
    ASSERT_EQ(photo().w, 451);
    ASSERT_EQ(photo().h, 300);
}

TEST(ProcessPhoto, DenoisingRaisesPsnrAtApplicationSettings) {
    ASSERT_GT(photo().w, 0);
    const Frame clean = makeFrame(photo(), NR_FORMAT_YUY2);
    const Frame src = makeFrame(noisy(photo(), 6.0, 4.0, 1234), NR_FORMAT_YUY2);
    Frame dst = src;
    Engine engine;
    applicationSettings(engine.e);
    ASSERT_EQ(denoiseLikeTheApplication(engine.e, src, &dst), NR_OK);
    const int32_t w = 450, h = 300; // the run's even size
    const double before = lumaPsnr(src, clean, w, h);
    const double after = lumaPsnr(dst, clean, w, h);
    EXPECT_GT(after, before + 1.0) << "before " << before << " dB, after " << after << " dB";
    // Column 450 (odd last column) is not written.
    for (int32_t y = 0; y < h; ++y) {
        EXPECT_EQ(lumaAt(dst, 450, y), lumaAt(src, 450, y));
    }
}

TEST(ProcessPhoto, HigherAmountRemovesMoreNoise) {
    ASSERT_GT(photo().w, 0);
    const Frame clean = makeFrame(photo(), NR_FORMAT_YUY2);
    const Frame src = makeFrame(noisy(photo(), 7.0, 4.0, 99), NR_FORMAT_YUY2);
    double psnr[3];
    const int32_t strengths[3] = {0, 25, 50};
    for (int i = 0; i < 3; ++i) {
        Engine engine;
        applicationSettings(engine.e, strengths[i], strengths[i], 0);
        Frame dst = src;
        ASSERT_EQ(denoiseLikeTheApplication(engine.e, src, &dst), NR_OK);
        psnr[i] = lumaPsnr(dst, clean, 450, 300);
    }
    // Strength 0 (the "Restore" state) changes nothing.
    EXPECT_NEAR(psnr[0], lumaPsnr(src, clean, 450, 300), 0.05);
    EXPECT_GT(psnr[1], psnr[0]);
    EXPECT_GT(psnr[2], psnr[1]);
}

// ---- every format ---------------------------------------------------------------------------

class ProcessFormats : public ::testing::TestWithParam<uint32_t> {};

TEST_P(ProcessFormats, DenoisesAndWritesOnlyTheFrame) {
    ASSERT_GT(photo().w, 0);
    const uint32_t format = GetParam();
    const Picture clean_picture = photoResized(448, 300);
    const Frame clean = makeFrame(clean_picture, format);
    const Frame src = makeFrame(noisy(clean_picture, 6.0, 4.0, 7), format);
    Frame dst = makeFrame(Picture(448, 300), format); // zero image, canary padding
    Engine engine;
    applicationSettings(engine.e);
    ASSERT_EQ(denoiseLikeTheApplication(engine.e, src, &dst), NR_OK);
    const double before = lumaPsnr(src, clean, 448, 300);
    const double after = lumaPsnr(dst, clean, 448, 300);
    EXPECT_GT(after, before + 1.0) << std::hex << format;
    // Row padding keeps its canary: the run writes frame samples only.
    const int32_t row_bytes[3] = {format == NR_FORMAT_YUV444                               ? 3 * 448
                                  : (format == NR_FORMAT_YUY2 || format == NR_FORMAT_UYVY) ? 2 * 448
                                                                                           : 448,
                                  format == NR_FORMAT_I420 ? 224 : 448, 224};
    for (int pl = 0; pl < 3 && dst.f.planes[pl] != nullptr; ++pl) {
        const int32_t rows = pl == 0 ? 300 : 150;
        for (int32_t y = 0; y < rows; ++y) {
            const uint8_t* pad = dst.f.planes[pl] + (size_t)y * dst.f.strides[pl] + row_bytes[pl];
            for (int32_t k = 0; k < kPad; ++k) {
                ASSERT_EQ(pad[k], kCanary) << "plane " << pl << " row " << y;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, ProcessFormats,
                         ::testing::Values(NR_FORMAT_YUV444, NR_FORMAT_YUY2, NR_FORMAT_UYVY,
                                           NR_FORMAT_I420, NR_FORMAT_NV12, NR_FORMAT_NV21));

// ---- sizes ----------------------------------------------------------------------------------

struct SizeCase {
    int32_t w;
    int32_t h;
    uint32_t format;
    int32_t written_w; // the run's even size; 0 = nothing is written
    int32_t written_h;
};

class ProcessSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ProcessSizes, OddAndTinyFramesRunAndLeaveTheOddEdge) {
    const SizeCase c = GetParam();
    const Picture picture = noisy(synthetic(c.w, c.h), 6.0, 4.0, 3);
    const Frame src = makeFrame(picture, c.format);
    Frame dst = makeFrame(Picture(c.w, c.h), c.format);
    for (uint8_t& b : dst.buf) {
        b = kCanary;
    }
    const Frame before = dst;
    Engine engine;
    applicationSettings(engine.e);
    ASSERT_EQ(nr_engine_process(engine.e, &src.f, &dst.f, nullptr, nullptr), NR_OK);
    if (c.written_w == 0) {
        EXPECT_EQ(dst.buf, before.buf);
        return;
    }
    bool changed = false;
    for (int32_t y = 0; y < c.h; ++y) {
        for (int32_t x = 0; x < c.w; ++x) {
            const bool inside = x < c.written_w && y < c.written_h;
            if (!inside) {
                EXPECT_EQ(lumaAt(dst, x, y), kCanary) << x << "," << y;
            } else if (lumaAt(dst, x, y) != kCanary) {
                changed = true;
            }
        }
    }
    EXPECT_TRUE(changed);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ProcessSizes,
    ::testing::Values(SizeCase{1, 1, NR_FORMAT_YUY2, 0, 0}, SizeCase{1, 7, NR_FORMAT_YUY2, 0, 0},
                      SizeCase{6, 1, NR_FORMAT_I420, 0, 0}, SizeCase{1, 1, NR_FORMAT_YUV444, 1, 1},
                      SizeCase{2, 2, NR_FORMAT_YUY2, 2, 2}, SizeCase{2, 2, NR_FORMAT_YUV444, 2, 2},
                      SizeCase{3, 3, NR_FORMAT_YUY2, 2, 2}, SizeCase{3, 3, NR_FORMAT_UYVY, 2, 3},
                      SizeCase{5, 9, NR_FORMAT_NV12, 4, 8},
                      SizeCase{17, 9, NR_FORMAT_YUV444, 17, 9},
                      SizeCase{33, 1, NR_FORMAT_YUV444, 33, 1},
                      SizeCase{1, 33, NR_FORMAT_YUV444, 1, 33},
                      SizeCase{641, 481, NR_FORMAT_YUY2, 640, 480},
                      SizeCase{321, 240, NR_FORMAT_YUV444, 321, 240},
                      SizeCase{96016, 4, NR_FORMAT_YUY2, 96016, 4}));

TEST(ProcessSizes, ZeroAndNegativeSizesAreRefused) {
    Engine engine;
    std::vector<uint8_t> buf(64, kCanary);
    for (int32_t w : {0, -4, 4}) {
        for (int32_t h : {0, -2, 2}) {
            if (w > 0 && h > 0) {
                continue;
            }
            NrFrame f;
            memset(&f, 0, sizeof(f));
            f.format = NR_FORMAT_YUY2;
            f.width = w;
            f.height = h;
            f.planes[0] = buf.data();
            f.strides[0] = 8;
            EXPECT_EQ(nr_engine_process(engine.e, &f, &f, nullptr, nullptr), NR_ERR_SIZE);
            EXPECT_EQ(nr_engine_estimate_profile(engine.e, &f, nullptr), NR_ERR_SIZE);
        }
    }
    EXPECT_EQ(buf, std::vector<uint8_t>(64, kCanary));
}

TEST(ProcessSizes, EstimateOfAFrameWithNothingToMeasureStillFillsTheBlob) {
    // A one-row YUY2 frame is empty once its height is made even: the stored profile stays, and
    // the caller's blob receives it instead of keeping whatever it held.
    const Frame wide = makeFrame(noisy(photoResized(640, 480), 6.0, 4.0, 71), NR_FORMAT_YUY2);
    const Frame row = makeFrame(noisy(synthetic(64, 1), 6.0, 4.0, 72), NR_FORMAT_YUY2);
    for (const bool stored : {false, true}) {
        Engine engine;
        applicationSettings(engine.e);
        if (stored) {
            ASSERT_EQ(nr_engine_estimate_profile(engine.e, &wide.f, nullptr), NR_OK);
        }
        NrProfileBlob expected;
        memcpy(expected, nr_ctx_store_profile(engine.e), sizeof(expected));
        NrProfileBlob blob;
        memset(blob, 0xa5, sizeof(blob));
        ASSERT_EQ(nr_engine_estimate_profile(engine.e, &row.f, blob), NR_OK);
        EXPECT_EQ(0, memcmp(blob, expected, sizeof(blob))) << stored;
        EXPECT_EQ(engine.e->profile.group_count, stored ? 3u : 0u);
        // Loading that blob back gives the profile the context had.
        ASSERT_EQ(nr_engine_load_profile(engine.e, blob), NR_OK);
        EXPECT_EQ(0, memcmp(nr_ctx_store_profile(engine.e), expected, sizeof(expected)));
    }
}

TEST(ProcessLarge, TwelveMegapixelFrameDenoisesInBoundedTiles) {
    const int32_t w = 4000, h = 3000;
    const Picture clean_picture = synthetic(w, h);
    const Frame clean = makeFrame(clean_picture, NR_FORMAT_YUY2);
    const Frame src = makeFrame(noisy(clean_picture, 6.0, 4.0, 11), NR_FORMAT_YUY2);
    Frame dst = src;
    Engine engine;
    applicationSettings(engine.e);
    Progress progress;
    NrProfileBlob blob;
    ASSERT_EQ(nr_engine_estimate_profile(engine.e, &src.f, blob), NR_OK);
    ASSERT_EQ(nr_engine_process(engine.e, &src.f, &dst.f, recordProgress, &progress), NR_OK);
    // 12 tiles of 1184 x 1168: three full batches.
    EXPECT_EQ(progress.percents, (std::vector<int32_t>{33, 66, 99, 100}));
    EXPECT_GT(lumaPsnr(dst, clean, w, h), lumaPsnr(src, clean, w, h) + 1.0);
}

// ---- progress and stop ----------------------------------------------------------------------

struct ProgressCase {
    int32_t w;
    int32_t h;
    std::vector<int32_t> expected;
};

TEST(ProcessProgress, ReportsAfterEveryFullBatchAndOnceAtTheEnd) {
    const ProgressCase cases[] = {
        {100, 100, {100}},           // one tile
        {640, 480, {100, 100}},      // four tiles, one batch
        {2384, 2352, {44, 88, 100}}, // nine tiles: two full batches and a tail of one
        {90064, 2, {80, 100}},       // five tiles: one full batch and a tail of one
    };
    for (const ProgressCase& c : cases) {
        const Frame src = makeFrame(synthetic(c.w, c.h), NR_FORMAT_YUY2);
        Frame dst = src;
        Engine engine;
        applicationSettings(engine.e);
        installFlatProfile(engine.e, 4);
        Progress progress;
        ASSERT_EQ(nr_engine_process(engine.e, &src.f, &dst.f, recordProgress, &progress), NR_OK);
        EXPECT_EQ(progress.percents, c.expected) << c.w << "x" << c.h;
    }
}

TEST(ProcessProgress, NonZeroAnswerStopsTheRunWithThatStatus) {
    const int32_t w = 2384, h = 2352;
    const Frame src = makeFrame(noisy(synthetic(w, h), 6.0, 4.0, 5), NR_FORMAT_YUY2);
    Frame dst = makeFrame(Picture(w, h), NR_FORMAT_YUY2);
    for (uint8_t& b : dst.buf) {
        b = kCanary;
    }
    Engine engine;
    applicationSettings(engine.e);
    installFlatProfile(engine.e, 4);
    Progress progress;
    progress.stop_at_call = 0;
    progress.answer = 7;
    EXPECT_EQ(nr_engine_process(engine.e, &src.f, &dst.f, recordProgress, &progress), 7);
    EXPECT_EQ(progress.percents, (std::vector<int32_t>{44, 100}));
    // The first batch (tiles 0 to 3 of 1184 x 1168, three in the first row) is written, the last
    // row of tiles is not.
    EXPECT_NE(lumaAt(dst, 10, 10), kCanary);
    EXPECT_EQ(lumaAt(dst, 10, h - 10), kCanary);
    EXPECT_EQ(lumaAt(dst, w - 10, h - 10), kCanary);
    // The context is fine for the next run.
    Progress again;
    EXPECT_EQ(nr_engine_process(engine.e, &src.f, &dst.f, recordProgress, &again), NR_OK);
    EXPECT_NE(lumaAt(dst, w - 10, h - 10), kCanary);
}

TEST(ProcessProgress, AnswerAfterTheOnlyBatchIsStillReturned) {
    const Frame src = makeFrame(synthetic(640, 480), NR_FORMAT_YUY2);
    Frame dst = src;
    Engine engine;
    applicationSettings(engine.e);
    Progress progress;
    progress.stop_at_call = 0;
    progress.answer = -55;
    EXPECT_EQ(nr_engine_process(engine.e, &src.f, &dst.f, recordProgress, &progress), -55);
    EXPECT_EQ(progress.percents, (std::vector<int32_t>{100, 100}));
}

// ---- modes, chroma and determinism ------------------------------------------------------------

TEST(ProcessModes, UnfilteredModeWithUnityDetailReproducesTheSource) {
    // Mode 8 filters no level; with every detail gain at 256 the tiles only split and rebuild.
    std::mt19937 rng(17);
    Picture p(700, 500);
    for (size_t i = 0; i < p.y.size(); ++i) {
        p.y[i] = (uint8_t)(100 + rng() % 40);
        p.u[i] = (uint8_t)(110 + rng() % 40);
        p.v[i] = (uint8_t)(90 + rng() % 40);
    }
    const Frame src = makeFrame(p, NR_FORMAT_YUV444);
    Frame dst = makeFrame(Picture(700, 500), NR_FORMAT_YUV444);
    Engine engine;
    ASSERT_GE(nr_ctx_set_mode(engine.e, 8), 0);
    nr_ctx_set_detail(engine.e, 0, 0);
    nr_ctx_set_detail(engine.e, 0, 1);
    installFlatProfile(engine.e, 4);
    ASSERT_EQ(nr_engine_process(engine.e, &src.f, &dst.f, nullptr, nullptr), NR_OK);
    EXPECT_EQ(dst.buf, src.buf);
}

TEST(ProcessModes, UnfilteredLevelsStillHaveTheirBandsScaledByTheDetailGain) {
    // Mode 8 filters no level, but a detail gain above 256 still raises the bands: a bright dot
    // on grey comes out brighter and its surroundings darker, and the flat area stays as it was.
    Picture p(200, 150);
    std::fill(p.y.begin(), p.y.end(), (uint8_t)100);
    std::fill(p.u.begin(), p.u.end(), (uint8_t)128);
    std::fill(p.v.begin(), p.v.end(), (uint8_t)128);
    p.y[(size_t)75 * 200 + 100] = 160;
    const Frame src = makeFrame(p, NR_FORMAT_YUV444);
    Frame dst = makeFrame(Picture(200, 150), NR_FORMAT_YUV444);
    Engine engine;
    ASSERT_GE(nr_ctx_set_mode(engine.e, 8), 0);
    nr_ctx_set_detail(engine.e, 50, 0); // luma detail gains 384 at levels 0 to 2
    installFlatProfile(engine.e, 4);
    ASSERT_EQ(nr_engine_process(engine.e, &src.f, &dst.f, nullptr, nullptr), NR_OK);
    EXPECT_GT(lumaAt(dst, 100, 75), 160);
    EXPECT_LT(lumaAt(dst, 101, 75), 100);
    EXPECT_EQ(lumaAt(dst, 10, 10), 100);
}

TEST(ProcessModes, ModesWithUnknownFilterKindsFail) {
    const Frame src = makeFrame(noisy(synthetic(160, 120), 6.0, 4.0, 1), NR_FORMAT_YUY2);
    for (int32_t mode : {16, 17, 18, 19}) {
        Frame dst = src;
        Engine engine;
        ASSERT_GE(nr_ctx_set_mode(engine.e, mode), 0);
        installFlatProfile(engine.e, 4);
        EXPECT_EQ(nr_engine_process(engine.e, &src.f, &dst.f, nullptr, nullptr), NR_ERR_FILTER_TYPE)
            << mode;
    }
    Engine engine;
    EXPECT_EQ(nr_engine_set_mode(engine.e, 2), NR_ERR_MODE);
    EXPECT_EQ(nr_engine_set_mode(engine.e, 0), NR_OK);
    EXPECT_EQ(nr_engine_set_mode(engine.e, 1), NR_OK);
}

TEST(ProcessChroma, ChromaAmountZeroLeavesChromaEqualToTheSource) {
    for (uint32_t format : {NR_FORMAT_YUY2, NR_FORMAT_I420, NR_FORMAT_YUV444}) {
        const Frame src = makeFrame(noisy(photoResized(448, 300), 6.0, 5.0, 21), format);
        Frame dst = makeFrame(Picture(448, 300), format);
        Engine engine;
        applicationSettings(engine.e, 50, 0, 50);
        ASSERT_EQ(denoiseLikeTheApplication(engine.e, src, &dst), NR_OK);
        bool luma_changed = false;
        for (int32_t y = 0; y < 300; ++y) {
            for (int32_t x = 0; x < 448; ++x) {
                luma_changed |= lumaAt(dst, x, y) != lumaAt(src, x, y);
            }
        }
        EXPECT_TRUE(luma_changed);
        if (format == NR_FORMAT_I420) {
            const size_t chroma = (size_t)2 * dst.f.strides[1] * 150;
            EXPECT_EQ(0, memcmp(dst.f.planes[1], src.f.planes[1], chroma));
        } else {
            const int32_t step = format == NR_FORMAT_YUV444 ? 3 : 2;
            for (int32_t y = 0; y < 300; ++y) {
                const uint8_t* s = src.f.planes[0] + (size_t)y * src.f.strides[0];
                const uint8_t* d = dst.f.planes[0] + (size_t)y * dst.f.strides[0];
                for (int32_t i = 0; i < 448 * step; ++i) {
                    const bool is_luma = step == 3 ? i % 3 == 0 : i % 2 == 0;
                    if (!is_luma) {
                        ASSERT_EQ(d[i], s[i]) << std::hex << format << std::dec << " " << i;
                    }
                }
            }
        }
    }
}

TEST(ProcessDeterminism, TwentyRunsOfOneInputGiveOneHash) {
    const Frame src = makeFrame(noisy(photoResized(640, 480), 6.0, 4.0, 77), NR_FORMAT_YUY2);
    Engine engine;
    applicationSettings(engine.e);
    uint64_t first = 0;
    for (int run = 0; run < 20; ++run) {
        Frame dst = src;
        ASSERT_EQ(nr_engine_process(engine.e, &src.f, &dst.f, nullptr, nullptr), NR_OK);
        const uint64_t hash = fnv1a(dst.buf);
        if (run == 0) {
            first = hash;
        }
        ASSERT_EQ(hash, first) << "run " << run;
    }
}

// ---- arguments ------------------------------------------------------------------------------

TEST(ProcessArgs, MismatchedFramesGiveSizeErrorAndLeaveDstUntouched) {
    const Frame src = makeFrame(synthetic(64, 48), NR_FORMAT_YUY2);
    Engine engine;
    struct Case {
        int32_t w;
        int32_t h;
        uint32_t format;
    } cases[] = {{66, 48, NR_FORMAT_YUY2}, {64, 50, NR_FORMAT_YUY2}, {64, 48, NR_FORMAT_UYVY}};
    for (const Case& c : cases) {
        Frame dst = makeFrame(synthetic(c.w, c.h), c.format);
        const Frame before = dst;
        EXPECT_EQ(nr_engine_process(engine.e, &src.f, &dst.f, nullptr, nullptr), NR_ERR_SIZE);
        EXPECT_EQ(dst.buf, before.buf);
    }
    Frame bad = src;
    bad.f.format = 0x402;
    Frame bad_dst = bad;
    EXPECT_EQ(nr_engine_process(engine.e, &bad.f, &bad_dst.f, nullptr, nullptr), NR_ERR_FORMAT);
    EXPECT_EQ(nr_engine_estimate_profile(engine.e, &bad.f, nullptr), NR_ERR_FORMAT);
    EXPECT_EQ(bad_dst.buf, bad.buf);
}

TEST(ProcessArgs, MissingEngineFrameOrPlaneIsInvalid) {
    const Frame src = makeFrame(synthetic(64, 48), NR_FORMAT_I420);
    Frame dst = src;
    Engine engine;
    EXPECT_EQ(nr_engine_process(nullptr, &src.f, &dst.f, nullptr, nullptr), NR_ERR_INVALID_ARG);
    EXPECT_EQ(nr_engine_process(engine.e, nullptr, &dst.f, nullptr, nullptr), NR_ERR_INVALID_ARG);
    EXPECT_EQ(nr_engine_process(engine.e, &src.f, nullptr, nullptr, nullptr), NR_ERR_INVALID_ARG);
    // Null checks come before the size comparison.
    EXPECT_EQ(nr_engine_process(engine.e, nullptr, nullptr, nullptr, nullptr), NR_ERR_INVALID_ARG);
    for (int plane = 0; plane < 3; ++plane) {
        Frame holed = dst;
        holed.f.planes[plane] = nullptr;
        EXPECT_EQ(nr_engine_process(engine.e, &src.f, &holed.f, nullptr, nullptr),
                  NR_ERR_INVALID_ARG)
            << plane;
        EXPECT_EQ(nr_engine_process(engine.e, &holed.f, &dst.f, nullptr, nullptr),
                  NR_ERR_INVALID_ARG)
            << plane;
        EXPECT_EQ(nr_engine_estimate_profile(engine.e, &holed.f, nullptr), NR_ERR_INVALID_ARG);
    }
    EXPECT_EQ(nr_engine_estimate_profile(nullptr, &src.f, nullptr), NR_ERR_INVALID_ARG);
    EXPECT_EQ(nr_engine_estimate_profile(engine.e, nullptr, nullptr), NR_OK);
}

TEST(ProcessArgs, ContextWithoutWorkersFailsInsteadOfLeavingTheFrameUnwritten) {
    // A context whose pool could not be built (nr_engine_create hands it back with its status):
    // no tile job runs, and the run must not pass for a success.
    const Frame src = makeFrame(noisy(synthetic(640, 480), 6.0, 4.0, 19), NR_FORMAT_YUY2);
    Frame dst = makeFrame(Picture(640, 480), NR_FORMAT_YUY2);
    const Frame before = dst;
    Engine engine;
    applicationSettings(engine.e);
    installFlatProfile(engine.e, 4);
    NrPool* pool = engine.e->pool;
    engine.e->pool = nullptr;
    Progress progress;
    const int32_t status = nr_engine_process(engine.e, &src.f, &dst.f, recordProgress, &progress);
    engine.e->pool = pool;
    EXPECT_EQ(status, NR_ERR_FAILED);
    EXPECT_EQ(dst.buf, before.buf);
    EXPECT_EQ(progress.percents, (std::vector<int32_t>{100}));
    EXPECT_EQ(engine.e->buffers.noise_maps, nullptr);
}

TEST(ProcessArgs, FramesWhoseRowsOverlapAreRefused) {
    // A stride shorter than a row makes neighbouring tiles write the same bytes at once.
    const Frame src = makeFrame(noisy(synthetic(640, 480), 6.0, 4.0, 29), NR_FORMAT_YUY2);
    Engine engine;
    applicationSettings(engine.e);
    installFlatProfile(engine.e, 4);
    for (const int32_t stride : {0, 2 * 640 - 2, -(2 * 640 - 2)}) {
        Frame dst = makeFrame(Picture(640, 480), NR_FORMAT_YUY2);
        const Frame before = dst;
        NrFrame squeezed = dst.f;
        squeezed.strides[0] = stride;
        if (stride < 0) {
            squeezed.planes[0] += (size_t)dst.f.strides[0] * 479;
        }
        EXPECT_EQ(nr_engine_process(engine.e, &src.f, &squeezed, nullptr, nullptr),
                  NR_ERR_INVALID_ARG)
            << stride;
        EXPECT_EQ(dst.buf, before.buf) << stride;
        EXPECT_EQ(nr_engine_estimate_profile(engine.e, &squeezed, nullptr), NR_ERR_INVALID_ARG);
    }
    // One row needs no stride, and a stride of exactly one row is fine.
    const Frame row = makeFrame(noisy(synthetic(64, 2), 6.0, 4.0, 30), NR_FORMAT_YUV444);
    Frame one = row;
    NrFrame single = row.f;
    single.height = 1;
    single.strides[0] = 0;
    NrFrame single_dst = one.f;
    single_dst.height = 1;
    single_dst.strides[0] = 0;
    EXPECT_EQ(nr_engine_process(engine.e, &single, &single_dst, nullptr, nullptr), NR_OK);
    Frame tight = makeFrame(Picture(64, 2), NR_FORMAT_YUV444);
    NrFrame tight_src = row.f;
    tight_src.strides[0] = 3 * 64;
    NrFrame tight_dst = tight.f;
    tight_dst.strides[0] = 3 * 64;
    EXPECT_EQ(nr_engine_process(engine.e, &tight_src, &tight_dst, nullptr, nullptr), NR_OK);
}

TEST(ProcessArgs, PartlyOverlappingFramesAreRefusedInPlaceIsAllowed) {
    const Picture p = noisy(photoResized(640, 480), 6.0, 4.0, 4);
    const Frame src = makeFrame(p, NR_FORMAT_YUY2);
    Engine engine;
    applicationSettings(engine.e);
    NrProfileBlob blob;
    ASSERT_EQ(nr_engine_estimate_profile(engine.e, &src.f, blob), NR_OK);

    // Destination two rows further down the same buffer.
    Frame shared = src;
    shared.buf.resize(shared.buf.size() + 4 * (size_t)shared.f.strides[0], kCanary);
    shared.f.planes[0] = shared.buf.data();
    NrFrame shifted = shared.f;
    shifted.planes[0] += 2 * (size_t)shared.f.strides[0];
    const std::vector<uint8_t> before = shared.buf;
    EXPECT_EQ(nr_engine_process(engine.e, &shared.f, &shifted, nullptr, nullptr),
              NR_ERR_INVALID_ARG);
    EXPECT_EQ(nr_engine_process(engine.e, &shifted, &shared.f, nullptr, nullptr),
              NR_ERR_INVALID_ARG);
    // The same buffer with another stride overlaps as well.
    NrFrame restrided = shared.f;
    restrided.strides[0] += 4;
    EXPECT_EQ(nr_engine_process(engine.e, &shared.f, &restrided, nullptr, nullptr),
              NR_ERR_INVALID_ARG);
    EXPECT_EQ(shared.buf, before);

    // In place: one batch of four tiles reads everything before it writes, so the result equals
    // the separate-buffer run.
    Frame out = src;
    ASSERT_EQ(nr_engine_process(engine.e, &src.f, &out.f, nullptr, nullptr), NR_OK);
    Frame inplace = src;
    ASSERT_EQ(nr_engine_process(engine.e, &inplace.f, &inplace.f, nullptr, nullptr), NR_OK);
    EXPECT_EQ(inplace.buf, out.buf);

    // Disjoint planes of one block (I420) are fine.
    const Frame planar = makeFrame(p, NR_FORMAT_I420);
    Frame planar_dst = planar;
    EXPECT_EQ(nr_engine_process(engine.e, &planar.f, &planar_dst.f, nullptr, nullptr), NR_OK);
}

TEST(ProcessArgs, DestinationWhosePlanesShareBytesIsRefusedAndUntouched) {
    // Workers would write the shared bytes from two threads at once. Planes whose rows only
    // interleave (no byte in common) are a valid layout.
    const Picture p = noisy(synthetic(640, 480), 6.0, 4.0, 37);
    Engine engine;
    applicationSettings(engine.e);
    installFlatProfile(engine.e, 4);
    const int32_t w = 640, h = 480;
    struct Case {
        const char* name;
        uint32_t format;
        bool refused;
        // Places the destination's planes in a buffer of 4 x w x h bytes.
        void (*place)(NrFrame* f, uint8_t* buf);
    } cases[] = {
        {"NV12 chroma on the luma", NR_FORMAT_NV12, true,
         [](NrFrame* f, uint8_t* b) {
             f->planes[0] = f->planes[1] = b;
             f->strides[0] = f->strides[1] = 640;
         }},
        {"NV21 chroma from the last luma row", NR_FORMAT_NV21, true,
         [](NrFrame* f, uint8_t* b) {
             f->planes[0] = b;
             f->planes[1] = b + 479 * 640;
             f->strides[0] = f->strides[1] = 640;
         }},
        {"I420 V one row into U", NR_FORMAT_I420, true,
         [](NrFrame* f, uint8_t* b) {
             f->planes[0] = b;
             f->planes[1] = b + 640 * 480;
             f->planes[2] = f->planes[1] + 239 * 320;
             f->strides[0] = 640;
             f->strides[1] = f->strides[2] = 320;
         }},
        {"I420 U inside the luma, bottom-up", NR_FORMAT_I420, true,
         [](NrFrame* f, uint8_t* b) {
             f->planes[0] = b;
             f->planes[1] = b + 100 * 640 + 7 + 239 * 320;
             f->planes[2] = b + 2 * 640 * 480;
             f->strides[0] = 640;
             f->strides[1] = -320;
             f->strides[2] = 320;
         }},
        {"NV12 chroma rows between the luma rows", NR_FORMAT_NV12, false,
         [](NrFrame* f, uint8_t* b) {
             f->planes[0] = b;
             f->planes[1] = b + 640;
             f->strides[0] = f->strides[1] = 2 * 640;
         }},
        {"I420 U and V side by side in one row", NR_FORMAT_I420, false,
         [](NrFrame* f, uint8_t* b) {
             f->planes[0] = b;
             f->planes[1] = b + 640 * 480;
             f->planes[2] = f->planes[1] + 320;
             f->strides[0] = 640;
             f->strides[1] = f->strides[2] = 640;
         }},
    };
    for (const Case& c : cases) {
        const Frame src = makeFrame(p, c.format);
        std::vector<uint8_t> buf((size_t)4 * w * h, kCanary);
        NrFrame dst = src.f;
        memset(dst.planes, 0, sizeof(dst.planes));
        c.place(&dst, buf.data());
        const std::vector<uint8_t> before = buf;
        const int32_t status = nr_engine_process(engine.e, &src.f, &dst, nullptr, nullptr);
        if (c.refused) {
            EXPECT_EQ(status, NR_ERR_INVALID_ARG) << c.name;
            EXPECT_EQ(buf, before) << c.name;
            continue;
        }
        ASSERT_EQ(status, NR_OK) << c.name;
        // The same pixels as a destination of the usual layout.
        Frame usual = src;
        ASSERT_EQ(nr_engine_process(engine.e, &src.f, &usual.f, nullptr, nullptr), NR_OK);
        const int32_t planes = c.format == NR_FORMAT_I420 ? 3 : 2;
        for (int32_t i = 0; i < planes; ++i) {
            const int32_t rows = i == 0 ? h : h / 2;
            const int32_t bytes = i == 0 || c.format != NR_FORMAT_I420 ? w : w / 2;
            for (int32_t y = 0; y < rows; ++y) {
                ASSERT_EQ(0, memcmp(dst.planes[i] + (ptrdiff_t)y * dst.strides[i],
                                    usual.f.planes[i] + (ptrdiff_t)y * usual.f.strides[i], bytes))
                    << c.name << " plane " << i << " row " << y;
            }
        }
    }
}

// ---- profiles -------------------------------------------------------------------------------

TEST(ProcessProfile, StoredProfileWithoutChromaTablesIsNotUsedForAChromaRun) {
    // The application estimates while chroma strength is still 0, then turns chroma on.
    const Frame src = makeFrame(noisy(photoResized(640, 480), 6.0, 5.0, 31), NR_FORMAT_YUY2);
    Frame reference = src;
    {
        Engine fresh;
        applicationSettings(fresh.e);
        ASSERT_EQ(nr_engine_process(fresh.e, &src.f, &reference.f, nullptr, nullptr), NR_OK);
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        Engine engine;
        // Garbage in the stored tables that the chroma-off estimate does not overwrite.
        for (int g = 0; g < 3; ++g) {
            for (int j = 0; j < 4; ++j) {
                memset(engine.e->profile.groups[g].entries[j].lut, 200 + attempt * 50, 256);
            }
        }
        applicationSettings(engine.e, 50, 0, 50);
        NrProfileBlob blob;
        ASSERT_EQ(nr_engine_estimate_profile(engine.e, &src.f, blob), NR_OK);
        ASSERT_EQ(engine.e->profile.groups[1].entry_count, 0);
        ASSERT_EQ(nr_engine_set_chroma_strength(engine.e, 50), NR_OK);
        ASSERT_EQ(nr_engine_load_profile(engine.e, blob), NR_OK);
        Frame dst = src;
        ASSERT_EQ(nr_engine_process(engine.e, &src.f, &dst.f, nullptr, nullptr), NR_OK);
        EXPECT_EQ(dst.buf, reference.buf) << attempt;
        // The stored profile stays as it was.
        EXPECT_EQ(engine.e->profile.groups[1].entry_count, 0);
    }
}

TEST(ProcessProfile, BlobOfASmallerPhotoIsReplacedByAnEstimateOfTheRun) {
    const Frame small = makeFrame(noisy(photoResized(200, 150), 6.0, 4.0, 41), NR_FORMAT_YUY2);
    const Frame large = makeFrame(noisy(photoResized(640, 480), 6.0, 4.0, 42), NR_FORMAT_YUY2);
    Frame reference = large;
    {
        Engine fresh;
        applicationSettings(fresh.e);
        ASSERT_EQ(nr_engine_process(fresh.e, &large.f, &reference.f, nullptr, nullptr), NR_OK);
    }
    Engine engine;
    applicationSettings(engine.e);
    NrProfileBlob blob;
    ASSERT_EQ(nr_engine_estimate_profile(engine.e, &small.f, blob), NR_OK); // 2 luma levels
    ASSERT_EQ(nr_engine_load_profile(engine.e, blob), NR_OK);
    Frame dst = large;
    ASSERT_EQ(nr_engine_process(engine.e, &large.f, &dst.f, nullptr, nullptr), NR_OK);
    EXPECT_EQ(dst.buf, reference.buf);
}

TEST(ProcessProfile, EstimateWithoutBlobInstallsTheProfileForLaterRuns) {
    const Frame src = makeFrame(noisy(photoResized(640, 480), 6.0, 4.0, 51), NR_FORMAT_YUY2);
    const Frame other = makeFrame(noisy(synthetic(640, 480), 3.0, 1.0, 52), NR_FORMAT_YUY2);
    Engine engine;
    applicationSettings(engine.e);
    ASSERT_EQ(nr_engine_estimate_profile(engine.e, &src.f, nullptr), NR_OK);
    EXPECT_EQ(engine.e->profile.group_count, 3u);
    NrProfileBlob blob;
    memcpy(blob, nr_ctx_store_profile(engine.e), sizeof(blob));
    // Processing another photo uses the stored profile: same result as loading it explicitly.
    Frame a = other;
    ASSERT_EQ(nr_engine_process(engine.e, &other.f, &a.f, nullptr, nullptr), NR_OK);
    Engine second;
    applicationSettings(second.e);
    ASSERT_EQ(nr_engine_load_profile(second.e, blob), NR_OK);
    Frame b = other;
    ASSERT_EQ(nr_engine_process(second.e, &other.f, &b.f, nullptr, nullptr), NR_OK);
    EXPECT_EQ(a.buf, b.buf);
    // Dropping the profile makes each run estimate its own, without storing it.
    ASSERT_EQ(nr_engine_load_profile(engine.e, nullptr), NR_OK);
    Frame c = other;
    ASSERT_EQ(nr_engine_process(engine.e, &other.f, &c.f, nullptr, nullptr), NR_OK);
    EXPECT_EQ(engine.e->profile.group_count, 0u);
    EXPECT_NE(c.buf, a.buf);
    EXPECT_EQ(engine.e->last_luma_levels, 4);
    EXPECT_EQ(engine.e->last_chroma_levels, 3);
}

namespace {

// Every count of a histogram, level after level.
std::vector<uint16_t> histCounts(const NrNoiseHistogram& hist) {
    std::vector<uint16_t> all;
    for (uint32_t g = 0; g < hist.group_count; ++g) {
        for (int32_t j = 0; j < hist.groups[g].level_count; ++j) {
            const uint16_t* c = hist.groups[g].levels[j].counts;
            all.insert(all.end(), c, c + NR_HIST_LEVEL_COUNTS);
        }
    }
    return all;
}

// Fits the single-threaded estimate `state`, releases it, and tells whether its profile is the
// engine's stored one, byte for byte.
bool sameProfileAsStored(NrEstimateState* state, NrEngine* engine) {
    NrNoiseProfile single;
    memset(&single, 0, sizeof(single));
    bool same = nr_profile_alloc(nullptr, &single) == NR_OK &&
                nr_estimate_state_finish(state, &single) == NR_OK;
    nr_estimate_state_free(nullptr, state);
    if (same) {
        NrProfileBlob expected;
        NrProfileBlob got;
        nr_profile_write(expected, &single);
        nr_profile_write(got, &engine->profile);
        same = memcmp(expected, got, sizeof(got)) == 0;
    }
    nr_profile_free(nullptr, &single);
    return same;
}

} // namespace

TEST(ProcessProfile, StreamingEstimateBuildsAStoredProfile) {
    const Picture p = noisy(photoResized(640, 480), 6.0, 4.0, 61);
    const Frame frame = makeFrame(p, NR_FORMAT_YUY2);
    Engine engine;
    NrImage image;
    ASSERT_EQ(nr_image_from_frame(&frame.f, &image), NR_OK);
    const int32_t origin[2] = {0, 0};
    const int32_t top[4] = {0, 0, 640, 240};
    const int32_t bottom[4] = {0, 240, 640, 480};
    EXPECT_EQ(nr_engine_profile_finish(engine.e), NR_ERR_INVALID_ARG);
    EXPECT_EQ(nr_engine_profile_accumulate(nullptr, &image, origin, top), NR_ERR_INVALID_ARG);
    EXPECT_EQ(nr_engine_profile_accumulate(engine.e, &image, nullptr, top), NR_ERR_INVALID_ARG);
    EXPECT_EQ(nr_engine_profile_accumulate(engine.e, &image, origin, nullptr), NR_ERR_INVALID_ARG);
    ASSERT_EQ(nr_engine_profile_accumulate(engine.e, &image, origin, top), NR_OK);
    ASSERT_EQ(nr_engine_profile_accumulate(engine.e, &image, origin, bottom), NR_OK);
    ASSERT_EQ(nr_engine_profile_finish(engine.e), NR_OK);
    EXPECT_EQ(engine.e->estimate, nullptr);
    EXPECT_EQ(engine.e->profile.group_count, 3u);
    EXPECT_EQ(engine.e->profile.groups[0].entry_count, 4);
    EXPECT_EQ(engine.e->profile.groups[1].entry_count, 3);
    EXPECT_EQ(nr_engine_profile_finish(engine.e), NR_ERR_INVALID_ARG);
    // The same profile as the estimate's own single-threaded streaming form.
    NrEstimateState* state = nullptr;
    ASSERT_EQ(nr_estimate_state_create(nullptr, &state, 4, 3), NR_OK);
    ASSERT_EQ(nr_estimate_state_accumulate(nullptr, state, &image, origin, top), NR_OK);
    ASSERT_EQ(nr_estimate_state_accumulate(nullptr, state, &image, origin, bottom), NR_OK);
    EXPECT_TRUE(sameProfileAsStored(state, engine.e));
    // A reset drops an estimate in progress.
    ASSERT_EQ(nr_engine_profile_accumulate(engine.e, &image, origin, top), NR_OK);
    EXPECT_NE(engine.e->estimate, nullptr);
    EXPECT_EQ(nr_engine_profile_reset(engine.e), NR_OK);
    EXPECT_EQ(engine.e->estimate, nullptr);
    EXPECT_EQ(nr_engine_profile_reset(engine.e), NR_OK);
    EXPECT_EQ(nr_engine_profile_reset(nullptr), NR_ERR_INVALID_ARG);
    // The stored profile denoises the frame.
    Frame dst = frame;
    applicationSettings(engine.e);
    EXPECT_EQ(nr_engine_process(engine.e, &frame.f, &dst.f, nullptr, nullptr), NR_OK);
}

TEST(ProcessProfile, StreamingEstimateCountsOnlyThePartOfTheRectangleOnTheImage) {
    const int32_t w = 300, h = 200;
    const Frame frame = makeFrame(noisy(photoResized(w, h), 6.0, 4.0, 71), NR_FORMAT_YUY2);
    NrImage image;
    ASSERT_EQ(nr_image_from_frame(&frame.f, &image), NR_OK);
    const int32_t lo = INT32_MIN, hi = INT32_MAX;
    struct Case {
        const char* name;
        int32_t origin[2];
        int32_t rect[4];
        int32_t on_image[4]; // the clipped rectangle; zero size: nothing is counted
    } cases[] = {
        {"inside", {0, 0}, {10, 20, 250, 190}, {10, 20, 250, 190}},
        {"inside, moved by the origin", {-40, 30}, {-30, 50, 200, 200}, {10, 20, 240, 170}},
        {"huge", {0, 0}, {0, 0, 2000000000, 2000000000}, {0, 0, w, h}},
        {"far negative start", {0, 0}, {-1000000000, -5, 60, 70}, {0, 0, 60, 70}},
        {"the whole 32-bit range", {0, 0}, {lo, lo, hi, hi}, {0, 0, w, h}},
        {"origin at the limits",
         {lo, hi - 100},
         {lo + 30, hi - 60, lo + 90, hi},
         {30, 40, 90, 100}},
        {"a move past 32 bits", {hi, hi}, {lo, lo, hi, hi}, {0, 0, 0, 0}},
        {"partly outside", {0, 0}, {150, 100, 5000, 5000}, {150, 100, w, h}},
        {"empty", {0, 0}, {50, 50, 50, 80}, {0, 0, 0, 0}},
        {"inverted", {0, 0}, {120, 100, 20, 10}, {0, 0, 0, 0}},
        {"right of the image", {0, 0}, {w, 0, w + 100, h}, {0, 0, 0, 0}},
        {"above the image", {0, 0}, {0, lo, w, 0}, {0, 0, 0, 0}},
    };
    const int32_t zero[2] = {0, 0};
    for (const Case& c : cases) {
        Engine engine;
        ASSERT_EQ(nr_engine_profile_accumulate(engine.e, &image, c.origin, c.rect), NR_OK)
            << c.name;
        ASSERT_NE(engine.e->estimate, nullptr);
        const NrNoiseHistogram& pooled = engine.e->estimate->hist;
        // The single-threaded streaming form, with the wild rectangle and with the clipped one.
        NrEstimateState* wild = nullptr;
        NrEstimateState* clipped = nullptr;
        const int32_t L = pooled.groups[0].level_count, C = pooled.groups[1].level_count;
        ASSERT_EQ(nr_estimate_state_create(nullptr, &wild, L, C), NR_OK);
        ASSERT_EQ(nr_estimate_state_create(nullptr, &clipped, L, C), NR_OK);
        EXPECT_EQ(nr_estimate_state_accumulate(nullptr, wild, &image, c.origin, c.rect), NR_OK);
        const bool counted = c.on_image[2] > c.on_image[0] && c.on_image[3] > c.on_image[1];
        if (counted) {
            ASSERT_EQ(nr_estimate_state_accumulate(nullptr, clipped, &image, zero, c.on_image),
                      NR_OK);
        }
        const std::vector<uint16_t> expected = histCounts(clipped->hist);
        uint64_t total = 0;
        for (const uint16_t n : expected) {
            total += n;
        }
        EXPECT_EQ(total > 0, counted) << c.name;
        EXPECT_TRUE(histCounts(pooled) == expected) << c.name;
        EXPECT_TRUE(histCounts(wild->hist) == expected) << c.name;
        nr_estimate_state_free(nullptr, wild);
        nr_estimate_state_free(nullptr, clipped);
    }
}

TEST(ProcessProfile, StreamingEstimateRefusesPlanesWithoutData) {
    const Picture p = noisy(photoResized(160, 120), 6.0, 4.0, 72);
    const int32_t origin[2] = {0, 0};
    const int32_t rect[4] = {0, 0, 160, 120};
    struct Case {
        uint32_t format;
        int32_t plane; // the plane left without data
    } cases[] = {{NR_FORMAT_YUY2, 0}, {NR_FORMAT_YUV444, 0}, {NR_FORMAT_NV12, 0},
                 {NR_FORMAT_NV12, 1}, {NR_FORMAT_I420, 1},   {NR_FORMAT_I420, 2}};
    for (const Case& c : cases) {
        const Frame frame = makeFrame(p, c.format);
        NrImage image;
        ASSERT_EQ(nr_image_from_frame(&frame.f, &image), NR_OK);
        // A histogram with counts in it already: a refused call leaves them.
        Engine engine;
        ASSERT_EQ(nr_engine_profile_accumulate(engine.e, &image, origin, rect), NR_OK);
        NrEstimateState* state = nullptr;
        ASSERT_EQ(nr_estimate_state_create(nullptr, &state, 4, 3), NR_OK);
        ASSERT_EQ(nr_estimate_state_accumulate(nullptr, state, &image, origin, rect), NR_OK);
        const std::vector<uint16_t> engine_before = histCounts(engine.e->estimate->hist);
        const std::vector<uint16_t> state_before = histCounts(state->hist);
        NrImage bad = image;
        if (c.plane == 0) {
            bad.planes[0] = nullptr;
            bad.data = nullptr;
        } else {
            bad.planes[c.plane] = nullptr;
        }
        EXPECT_EQ(nr_engine_profile_accumulate(engine.e, &bad, origin, rect), NR_ERR_INVALID_ARG)
            << c.format << " plane " << c.plane;
        EXPECT_EQ(nr_estimate_state_accumulate(nullptr, state, &bad, origin, rect),
                  NR_ERR_INVALID_ARG)
            << c.format << " plane " << c.plane;
        EXPECT_TRUE(histCounts(engine.e->estimate->hist) == engine_before);
        EXPECT_TRUE(histCounts(state->hist) == state_before);
        nr_estimate_state_free(nullptr, state);
    }
}

// ---- allocation failures --------------------------------------------------------------------

TEST(ProcessMemory, EveryFailedAllocationIsReportedAndReleased) {
    // A one-tile run that estimates its profile, and a four-tile batch with a stored profile
    // (a failure in one tile's pass 1 releases what the others built).
    struct Case {
        int32_t w;
        int32_t h;
        bool stored_profile;
    } cases[] = {{120, 90, false}, {640, 480, true}};
    for (const Case& c : cases) {
        const Frame src = makeFrame(noisy(synthetic(c.w, c.h), 6.0, 4.0, 8), NR_FORMAT_YUY2);
        Frame reference = src;
        Engine engine;
        applicationSettings(engine.e);
        if (c.stored_profile) {
            installFlatProfile(engine.e, 4);
        }
        ASSERT_EQ(nr_engine_process(engine.e, &src.f, &reference.f, nullptr, nullptr), NR_OK);
        bool succeeded = false;
        int32_t failures = 0;
        for (int32_t n = 0; n < 4000 && !succeeded; ++n) {
            Frame dst = src;
            Progress progress;
            nr_test_fail_alloc_after(n);
            const int32_t status =
                nr_engine_process(engine.e, &src.f, &dst.f, recordProgress, &progress);
            nr_test_fail_alloc_after(-1);
            if (status == NR_OK) {
                succeeded = true;
                EXPECT_EQ(dst.buf, reference.buf);
            } else {
                ASSERT_EQ(status, NR_ERR_NO_MEMORY) << c.w << "x" << c.h << " at " << n;
                ++failures;
            }
            // Nothing of a run stays in the context.
            EXPECT_EQ(engine.e->buffers.noise_maps, nullptr);
            EXPECT_EQ(engine.e->buffers.edge_planes, nullptr);
            EXPECT_EQ(engine.e->buffers.run_profile.groups, nullptr);
            EXPECT_EQ(engine.e->buffers.pyramids, nullptr);
            // Once the tiles have started, the callback always hears the end.
            if (!progress.percents.empty()) {
                EXPECT_EQ(progress.percents.back(), 100);
            }
        }
        EXPECT_TRUE(succeeded) << c.w << "x" << c.h;
        EXPECT_GT(failures, 20) << c.w << "x" << c.h; // every allocation failed once
    }
}

} // namespace

// ---- noise estimation on the pool -------------------------------------------------------------

namespace {

// Internal descriptor of a frame with the run's even size, as the driver makes it.
NrImage runImage(const Frame& frame) {
    NrImage indexed;
    NrImage image;
    EXPECT_EQ(nr_image_from_frame(&frame.f, &indexed), NR_OK);
    nr_image_to_internal(&image, &indexed);
    EXPECT_EQ(nr_image_resolve_planes(&image), NR_OK);
    nr_even_size(image.format, &image.width, &image.height);
    return image;
}

struct EstimateCase {
    int32_t w;
    int32_t h;
    uint32_t format;
    bool photo;
};

const EstimateCase kEstimateCases[] = {
    {451, 300, NR_FORMAT_YUY2, true},    {640, 480, NR_FORMAT_YUY2, true},
    {641, 481, NR_FORMAT_YUV444, true},  {1000, 700, NR_FORMAT_I420, true},
    {900, 600, NR_FORMAT_UYVY, false},   {33, 17, NR_FORMAT_NV21, false},
    {3000, 40, NR_FORMAT_YUY2, false},   {2000, 1500, NR_FORMAT_NV12, true},
    {4000, 3000, NR_FORMAT_YUY2, false}, {1283, 967, NR_FORMAT_UYVY, true},
    {999, 1001, NR_FORMAT_NV21, true},   {1203, 803, NR_FORMAT_YUV444, false},
    {37, 2001, NR_FORMAT_I420, false},
};

} // namespace

TEST(PooledEstimate, HistogramsAndProfileAreBitIdenticalToTheSingleThreadRun) {
    Engine engine;
    for (const EstimateCase& c : kEstimateCases) {
        const Picture clean = c.photo ? photoResized(c.w, c.h) : synthetic(c.w, c.h);
        const Frame frame = makeFrame(noisy(clean, 6.0, 4.0, (unsigned)c.w), c.format);
        const NrImage image = runImage(frame);
        int32_t L = 0;
        int32_t C = 0;
        nr_run_level_counts(engine.e, image.format, image.width, image.height, &L, &C);
        NrNoiseHistogram single;
        NrNoiseHistogram pooled;
        nr_hist_set_init(&single);
        nr_hist_set_init(&pooled);
        ASSERT_EQ(nr_hist_alloc(&single, nullptr, 3, L, C, 8, 6), NR_OK);
        ASSERT_EQ(nr_hist_alloc(&pooled, nullptr, 3, L, C, 8, 6), NR_OK);
        const NrRect whole = {0, 0, image.width, image.height};
        ASSERT_EQ(nr_hist_accumulate_image(nullptr, &single, &whole, &image), NR_OK);
        ASSERT_EQ(nr_hist_accumulate_image_pooled(nullptr, engine.e->pool, &pooled, &whole, &image),
                  NR_OK);
        uint64_t total = 0;
        for (int g = 0; g < 3; ++g) {
            ASSERT_EQ(single.groups[g].level_count, pooled.groups[g].level_count);
            for (int j = 0; j < single.groups[g].level_count; ++j) {
                const uint16_t* a = single.groups[g].levels[j].counts;
                const uint16_t* b = pooled.groups[g].levels[j].counts;
                ASSERT_EQ(0, memcmp(a, b, sizeof(uint16_t) * 16384))
                    << c.w << "x" << c.h << " group " << g << " level " << j;
                for (int i = 0; i < 16384; ++i) {
                    total += a[i];
                }
            }
        }
        EXPECT_GT(total, 0u) << c.w << "x" << c.h;
        nr_hist_free(nullptr, &single);
        nr_hist_free(nullptr, &pooled);

        // The fitted profiles, through the two entry points.
        NrNoiseProfile a;
        NrNoiseProfile b;
        memset(&a, 0, sizeof(a));
        memset(&b, 0, sizeof(b));
        ASSERT_EQ(nr_profile_alloc(nullptr, &a), NR_OK);
        ASSERT_EQ(nr_profile_alloc(nullptr, &b), NR_OK);
        const int32_t levels[3] = {L, C, 0};
        ASSERT_EQ(nr_profile_estimate(nullptr, &a, &image, levels), NR_OK);
        ASSERT_EQ(nr_profile_estimate_pooled(nullptr, engine.e->pool, &b, &image, levels), NR_OK);
        NrProfileBlob blob_a;
        NrProfileBlob blob_b;
        nr_profile_write(blob_a, &a);
        nr_profile_write(blob_b, &b);
        EXPECT_EQ(0, memcmp(blob_a, blob_b, sizeof(blob_a))) << c.w << "x" << c.h;
        nr_profile_free(nullptr, &a);
        nr_profile_free(nullptr, &b);
    }
}

TEST(PooledEstimate, StreamingEstimateOfSeveralFramesIsBitIdenticalToTheSingleThreadOne) {
    // Three frames of one format, each in two rectangles (one of them reaching past the frame),
    // into one estimate: the same counts and the same profile as the single-threaded form.
    const uint32_t formats[] = {NR_FORMAT_YUY2, NR_FORMAT_UYVY, NR_FORMAT_I420,
                                NR_FORMAT_NV12, NR_FORMAT_NV21, NR_FORMAT_YUV444};
    const int32_t sizes[3][2] = {{640, 480}, {1283, 967}, {211, 1001}};
    for (const uint32_t format : formats) {
        Engine engine;
        NrEstimateState* state = nullptr;
        for (int f = 0; f < 3; ++f) {
            const int32_t w = sizes[f][0], h = sizes[f][1];
            const Picture clean = f == 1 ? synthetic(w, h) : photoResized(w, h);
            const Frame frame = makeFrame(noisy(clean, 5.0 + f, 3.0, format + f), format);
            NrImage image;
            ASSERT_EQ(nr_image_from_frame(&frame.f, &image), NR_OK);
            const int32_t origin[2] = {-f, 2 * f};
            const int32_t split = h / 3 + 2 * f;
            const int32_t first[4] = {-f, 2 * f, w - f - 7, split};
            const int32_t second[4] = {-f - 50, split, w + 100, h + 2 * f + 100};
            for (const int32_t* rect : {first, second}) {
                ASSERT_EQ(nr_engine_profile_accumulate(engine.e, &image, origin, rect), NR_OK);
                if (state == nullptr) {
                    const NrNoiseHistogram& hist = engine.e->estimate->hist;
                    ASSERT_EQ(nr_estimate_state_create(nullptr, &state, hist.groups[0].level_count,
                                                       hist.groups[1].level_count),
                              NR_OK);
                }
                ASSERT_EQ(nr_estimate_state_accumulate(nullptr, state, &image, origin, rect),
                          NR_OK);
                ASSERT_TRUE(histCounts(engine.e->estimate->hist) == histCounts(state->hist))
                    << "format " << format << " frame " << f;
            }
        }
        ASSERT_EQ(nr_engine_profile_finish(engine.e), NR_OK);
        EXPECT_TRUE(sameProfileAsStored(state, engine.e)) << "format " << format;
    }
}

TEST(PooledEstimate, EveryFailedAllocationIsReportedAndReleased) {
    // Several estimation tiles, so that a tile's counting overlaps the next tile's pyramid.
    Engine engine;
    const Frame frame = makeFrame(noisy(photoResized(800, 600), 6.0, 4.0, 13), NR_FORMAT_YUY2);
    const NrImage image = runImage(frame);
    const int32_t levels[3] = {4, 3, 0};
    NrNoiseProfile expected;
    NrNoiseProfile profile;
    memset(&expected, 0, sizeof(expected));
    memset(&profile, 0, sizeof(profile));
    ASSERT_EQ(nr_profile_alloc(nullptr, &expected), NR_OK);
    ASSERT_EQ(nr_profile_alloc(nullptr, &profile), NR_OK);
    ASSERT_EQ(nr_profile_estimate(nullptr, &expected, &image, levels), NR_OK);
    NrProfileBlob want;
    nr_profile_write(want, &expected);
    bool succeeded = false;
    int32_t failures = 0;
    for (int32_t n = 0; n < 5000 && !succeeded; ++n) {
        nr_test_fail_alloc_after(n);
        const int status =
            nr_profile_estimate_pooled(nullptr, engine.e->pool, &profile, &image, levels);
        nr_test_fail_alloc_after(-1);
        if (status == NR_OK) {
            succeeded = true;
            NrProfileBlob got;
            nr_profile_write(got, &profile);
            EXPECT_EQ(0, memcmp(want, got, sizeof(got)));
        } else {
            ASSERT_EQ(status, NR_ERR_NO_MEMORY) << n;
            ++failures;
        }
    }
    EXPECT_TRUE(succeeded);
    EXPECT_GT(failures, 30);
    nr_profile_free(nullptr, &expected);
    nr_profile_free(nullptr, &profile);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*));
extern "C" size_t __sanitizer_get_allocated_size(const volatile void* p);

namespace {

std::atomic<int64_t> g_live{0};
std::atomic<int64_t> g_peak{0};

void onMalloc(const volatile void*, size_t size) {
    const int64_t live = g_live.fetch_add((int64_t)size) + (int64_t)size;
    int64_t peak = g_peak.load();
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
}

void onFree(const volatile void* p) {
    g_live.fetch_sub((int64_t)__sanitizer_get_allocated_size(p));
}

// Installs the counting hooks once per process.
bool installHeapHooks() {
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
    return installed;
}

// Peak heap growth while `work` runs.
template <typename Work> int64_t peakHeap(Work work) {
    EXPECT_TRUE(installHeapHooks());
    const int64_t base = g_live.load();
    g_peak.store(base);
    work();
    return g_peak.load() - base;
}

} // namespace

TEST(PooledEstimate, MemoryStaysWithinTheEstimationBudget) {
    Engine engine;
    const Frame frame = makeFrame(noisy(synthetic(4000, 3000), 6.0, 4.0, 9), NR_FORMAT_YUY2);
    const NrImage image = runImage(frame);
    const int32_t levels[3] = {4, 3, 0};
    NrNoiseProfile profile;
    memset(&profile, 0, sizeof(profile));
    ASSERT_EQ(nr_profile_alloc(nullptr, &profile), NR_OK);
    int status = -1;
    const int64_t single =
        peakHeap([&] { status = nr_profile_estimate(nullptr, &profile, &image, levels); });
    ASSERT_EQ(status, NR_OK);
    const int64_t pooled = peakHeap([&] {
        status = nr_profile_estimate_pooled(nullptr, engine.e->pool, &profile, &image, levels);
    });
    ASSERT_EQ(status, NR_OK);
    EXPECT_GT(single, 1 << 20); // the tiles are at the budget
    EXPECT_LE(single, NR_ESTIMATE_BUDGET);
    EXPECT_LE(pooled, NR_ESTIMATE_BUDGET) << "single-threaded peak " << single;
    RecordProperty("single_thread_peak_bytes", std::to_string(single));
    RecordProperty("pooled_peak_bytes", std::to_string(pooled));
    nr_profile_free(nullptr, &profile);
}
#endif

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
TEST(ProcessLarge, WorkingMemoryIsBoundedWhateverThePhotoSize) {
    // Four tiles in flight, each estimated at or below the tile budget, plus the per-run buffers.
    const int64_t bound = 4 * (int64_t)NR_TILE_BUDGET + (1 << 20);
    int64_t previous = 0;
    for (const int32_t scale : {1, 2}) {
        const int32_t w = 4000 * scale, h = 3000;
        const Frame src = makeFrame(synthetic(w, h), NR_FORMAT_YUY2);
        Frame dst = src;
        Engine engine;
        applicationSettings(engine.e);
        installFlatProfile(engine.e, 4);
        int32_t status = -1;
        const int64_t peak = peakHeap(
            [&] { status = nr_engine_process(engine.e, &src.f, &dst.f, nullptr, nullptr); });
        ASSERT_EQ(status, NR_OK);
        EXPECT_GT(peak, 3 * (int64_t)NR_TILE_BUDGET) << w << "x" << h; // four tiles at once
        EXPECT_LE(peak, bound) << w << "x" << h;
        if (previous > 0) {
            EXPECT_LE(peak, previous + (256 << 10)) << "grows with the frame";
        }
        previous = peak;
        RecordProperty("heap_peak_" + std::to_string(w) + "x" + std::to_string(h),
                       std::to_string(peak));
    }
}
#endif

namespace {

TEST(TileProcess, OneCallTileEqualsTheScheduledRunOfAOneTileFrame) {
    const Frame src = makeFrame(noisy(synthetic(100, 100), 6.0, 4.0, 23), NR_FORMAT_YUY2);
    Frame scheduled = src;
    Engine engine;
    applicationSettings(engine.e);
    installFlatProfile(engine.e, 4);
    ASSERT_EQ(nr_engine_process(engine.e, &src.f, &scheduled.f, nullptr, nullptr), NR_OK);

    // The same run by hand: parameters, buffers, scaled run profile, then one tile in one call.
    Frame direct = src;
    NrImage s = runImage(src);
    NrImage d = runImage(direct);
    NrParams params;
    nr_params_build(&params, engine.e);
    nr_params_apply_mode(&params, engine.e->mode, 2, 1);
    NrWorkerBuffers* buffers = &engine.e->buffers;
    ASSERT_EQ(
        nr_worker_buffers_alloc(nullptr, buffers, &s, 2, 1, params.luma_types, params.chroma_types),
        NR_OK);
    nr_profile_copy(&engine.e->profile, &buffers->run_profile);
    nr_profile_scale(&buffers->run_profile, params.luma_noise_gain, params.chroma_noise_gain);
    nr_profile_scale(&buffers->run_profile, params.luma_detail_gain, params.chroma_detail_gain);
    const int32_t rect[4] = {0, 0, 100, 100};
    EXPECT_EQ(nr_tile_process(nullptr, &d, &s, rect, 0, &buffers->run_profile, &params), NR_OK);
    EXPECT_EQ(direct.buf, scheduled.buf);

    // Without memory for the job, there is no job: NR_ERR_FAILED, and nothing is written.
    Frame untouched = src;
    NrImage u = runImage(untouched);
    nr_test_fail_alloc_after(0);
    EXPECT_EQ(nr_tile_process(nullptr, &u, &s, rect, 0, &buffers->run_profile, &params),
              NR_ERR_FAILED);
    nr_test_fail_alloc_after(-1);
    EXPECT_EQ(untouched.buf, src.buf);
    nr_worker_buffers_free(nullptr, buffers, 2, 1, 3);
}

// Fills every level plane of a pyramid, as far as its records reach now, with random bytes.
void scribble(NrPyramid* p, std::mt19937* rng) {
    for (int32_t g = 0; g < p->group_count; ++g)
        for (int32_t i = 0; i < p->groups[g].level_count; ++i) {
            const NrLevel& l = p->groups[g].levels[i];
            for (size_t k = 0; k < static_cast<size_t>(l.stride) * l.height; ++k)
                l.plane[k] = static_cast<uint8_t>((*rng)());
        }
}

TEST(TileProcess, KeptPyramidOfABufferSetGivesWhatAFreshPyramidPerTileGives) {
    // Every tile of a 1000 x 700 frame, interior, border and corner tiles in a shuffled order, all
    // on buffer set 0: once with a pyramid of its own per tile, once in the set's kept pyramid,
    // which holds random bytes before every tile but the first.
    const Frame src = makeFrame(noisy(photoResized(1000, 700), 6.0, 4.0, 29), NR_FORMAT_YUY2);
    Engine engine;
    applicationSettings(engine.e);
    installFlatProfile(engine.e, 4);
    NrImage s = runImage(src);
    int32_t L = 0;
    int32_t C = 0;
    nr_run_level_counts(engine.e, s.format, s.width, s.height, &L, &C);
    NrParams params;
    nr_params_build(&params, engine.e);
    nr_params_apply_mode(&params, engine.e->mode, L, C);
    NrWorkerBuffers* buffers = &engine.e->buffers;
    ASSERT_EQ(
        nr_worker_buffers_alloc(nullptr, buffers, &s, L, C, params.luma_types, params.chroma_types),
        NR_OK);
    ASSERT_NE(buffers->pyramids, nullptr);
    nr_profile_copy(&engine.e->profile, &buffers->run_profile);
    nr_profile_scale(&buffers->run_profile, params.luma_noise_gain, params.chroma_noise_gain);
    nr_profile_scale(&buffers->run_profile, params.luma_detail_gain, params.chroma_detail_gain);

    const int32_t tw = 240, th = 176;
    std::vector<std::array<int32_t, 4>> rects;
    for (int32_t y = 0; y < s.height; y += th)
        for (int32_t x = 0; x < s.width; x += tw)
            rects.push_back({x, y, x + tw, y + th});
    std::mt19937 rng(41);
    std::shuffle(rects.begin(), rects.end(), rng);
    std::iter_swap(rects.begin(), std::find(rects.begin(), rects.end(),
                                            std::array<int32_t, 4>{tw, th, 2 * tw, 2 * th}));

    Frame fresh = src;
    NrImage f = runImage(fresh);
    NrTilePyramid* kept = buffers->pyramids;
    buffers->pyramids = nullptr; // no kept pyramids: each tile makes and releases its own
    for (const auto& r : rects)
        ASSERT_EQ(nr_tile_process(nullptr, &f, &s, r.data(), 0, &buffers->run_profile, &params),
                  NR_OK);
    buffers->pyramids = kept;

    Frame reused = src;
    NrImage d = runImage(reused);
    const uint8_t* first_plane = nullptr;
    for (size_t i = 0; i < rects.size(); ++i) {
        if (kept[0].pyramid.groups != nullptr)
            scribble(&kept[0].pyramid, &rng);
        NrTileTask task;
        memset(&task, 0, sizeof(task));
        task.keep_pyramid = i + 1 < rects.size() ? 1 : 0; // the last tile releases the planes
        ASSERT_EQ(
            nr_tile_prepare(&task, nullptr, &s, rects[i].data(), 0, &buffers->run_profile, &params),
            NR_OK);
        ASSERT_NE(task.job, nullptr);
        ASSERT_EQ(task.job->kept, &kept[0]);
        const uint8_t* plane = kept[0].pyramid.groups[0].levels[0].plane;
        if (first_plane == nullptr)
            first_plane = plane;
        EXPECT_EQ(plane, first_plane) << "the planes are made once";
        ASSERT_EQ(nr_tile_finish(task.job, &d), NR_OK);
    }
    EXPECT_EQ(kept[0].pyramid.groups, nullptr);
    EXPECT_EQ(reused.buf, fresh.buf);
    EXPECT_NE(reused.buf, src.buf);
    nr_worker_buffers_free(nullptr, buffers, L, C, 3);
    EXPECT_EQ(buffers->pyramids, nullptr);
}

} // namespace

namespace {

TEST(ProcessDeterminism, ContextsInParallelThreadsGiveTheSingleRunResult) {
    // The application runs one context per denoiser, the batch and the editing page at once.
    const Frame src = makeFrame(noisy(photoResized(640, 480), 6.0, 4.0, 88), NR_FORMAT_YUY2);
    Frame reference = src;
    {
        Engine engine;
        applicationSettings(engine.e);
        ASSERT_EQ(denoiseLikeTheApplication(engine.e, src, &reference), NR_OK);
    }
    std::vector<Frame> outputs(3, src);
    std::vector<int32_t> statuses(outputs.size(), -1);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < outputs.size(); ++i) {
        threads.emplace_back([&, i] {
            NrEngine* e = nullptr;
            if (nr_engine_create(&e) == NR_OK) {
                nr_engine_set_mode(e, 0);
                nr_engine_set_strength(e, 0);
                nr_engine_set_detail(e, 0);
                nr_engine_set_luma_strength(e, 50);
                nr_engine_set_chroma_strength(e, 50);
                nr_engine_set_detail(e, 50);
                int32_t status = NR_OK;
                for (int run = 0; run < 3 && status == NR_OK; ++run) {
                    status = denoiseLikeTheApplication(e, src, &outputs[i]);
                }
                statuses[i] = status;
            }
            nr_engine_destroy(e);
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    for (size_t i = 0; i < outputs.size(); ++i) {
        EXPECT_EQ(statuses[i], NR_OK) << i;
        EXPECT_EQ(outputs[i].buf, reference.buf) << i;
    }
}

} // namespace

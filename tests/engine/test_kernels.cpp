// Pyramid kernels: worked examples, and every fast form (scalar interior, SSE2, AVX2) against the
// portable form and against an independent model on seeded random planes of many sizes, pitches
// and start alignments.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "nr_cpu.h"
#include "nr_kernels.h"

namespace {

// A plane whose last row ends exactly at the end of its heap block, so that AddressSanitizer
// reports any read or write past the last sample; `offset` shifts the first sample's alignment.
struct Plane {
    std::vector<uint8_t> block;
    uint8_t* data = nullptr;
    int32_t width = 0, height = 0, pitch = 0;

    Plane(int32_t w, int32_t h, int32_t pitch_, int32_t offset)
        : width(w), height(h), pitch(pitch_) {
        block.resize(static_cast<size_t>(offset) + static_cast<size_t>(pitch) * (h - 1) + w);
        data = block.data() + offset;
    }
    uint8_t& at(int32_t x, int32_t y) { return data[static_cast<size_t>(y) * pitch + x]; }
    uint8_t at(int32_t x, int32_t y) const { return data[static_cast<size_t>(y) * pitch + x]; }
    void fill_random(std::mt19937& rng) {
        for (auto& b : block)
            b = static_cast<uint8_t>(rng());
    }
    // Mostly extreme values: exercises every saturation.
    void fill_extremes(std::mt19937& rng) {
        for (auto& b : block) {
            const uint32_t r = rng() % 4;
            b = r == 0   ? 0
                : r == 1 ? 255
                : r == 2 ? 127 + (rng() % 3)
                         : static_cast<uint8_t>(rng());
        }
    }
};

// Restores every CPU feature when a test ends, also on failure.
struct CpuMask {
    explicit CpuMask(uint32_t mask) { nr_cpu_set_mask(mask); }
    ~CpuMask() { nr_cpu_set_mask(NR_CPU_ALL); }
};

// The fast-form variants a test runs: the scalar interior loops, SSE2, and AVX2 where present.
std::vector<uint32_t> fast_masks() {
    std::vector<uint32_t> masks = {NR_CPU_FAST};
    if (nr_cpu_detected() & NR_CPU_SSE2)
        masks.push_back(NR_CPU_FAST | NR_CPU_SSE2);
    if (nr_cpu_detected() & NR_CPU_AVX2)
        masks.push_back(NR_CPU_FAST | NR_CPU_SSE2 | NR_CPU_AVX2);
    return masks;
}

// ---- independent models -------------------------------------------------------------------

// Downsample as a 1 2 1 filter over the source mirrored about its first and last sample.
uint8_t model_downsample(const Plane& s, int32_t X, int32_t Y) {
    auto mirror = [](int32_t i, int32_t n) { return i < 0 ? -i : (i >= n ? 2 * (n - 1) - i : i); };
    static const int32_t w[3] = {1, 2, 1};
    int32_t sum = 0;
    for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx)
            sum += w[dy + 1] * w[dx + 1] *
                   s.at(mirror(2 * X + dx, s.width), mirror(2 * Y + dy, s.height));
    return static_cast<uint8_t>((sum + 8) >> 4);
}

// Upsampled value at (x, y), rounded or truncated (no far-edge handling).
int32_t model_up(const Plane& s, int32_t x, int32_t y, bool rounded) {
    const int32_t j = x >> 1, k = y >> 1;
    const bool ox = x & 1, oy = y & 1;
    const int32_t a = s.at(j, k);
    if (!ox && !oy)
        return a;
    if (!oy) {
        const int32_t b = s.at(j + 1, k);
        return rounded ? (a + b + 1) >> 1 : (a + b) >> 1;
    }
    const int32_t c = s.at(j, k + 1);
    if (!ox)
        return rounded ? (a + c + 1) >> 1 : (a + c) >> 1;
    const int32_t b = s.at(j + 1, k), d = s.at(j + 1, k + 1);
    return rounded ? (a + b + c + d + 2) >> 2 : (((a + c) >> 1) + ((b + d) >> 1)) >> 1;
}

int32_t clamp(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// Where the fast nr_upsample computes the truncated interior.
bool in_upsample_interior(int32_t x, int32_t y, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                          int32_t sw, int32_t sh) {
    const int32_t xend = ((x1 + 1) & ~1) == 2 * sw ? x1 - 1 : x1;
    const int32_t xs = (x0 + 7) & ~7, xe = xend & ~7;
    const int32_t ys = (y0 + 1) & ~1;
    const int32_t ye = ((y1 + 1) & ~1) - (((y1 + 1) & ~1) == 2 * sh ? 2 : 0);
    return xs < xe && ys < ye && x >= xs && x < xe && y >= ys && y < ye;
}

struct Case {
    int32_t sw, sh;
};

// Source sizes: every width 2 to 70 at a few heights, and some large and odd ones.
std::vector<Case> cases() {
    std::vector<Case> c;
    for (int32_t w = 2; w <= 70; ++w)
        c.push_back({w, 2 + (w * 7) % 13});
    for (int32_t h = 2; h <= 12; ++h)
        c.push_back({37 + h, h});
    c.push_back({129, 67});
    c.push_back({256, 130});
    c.push_back({301, 9});
    return c;
}

// ---- worked examples ----------------------------------------------------------------------

TEST(Kernels, DownsampleOfSixBySixUsesFullWeightsInsideAndFourSamplesAtTheCorner) {
    for (int32_t n : {6, 5}) {
        Plane s(n, n, 8, 0);
        for (int32_t y = 0; y < n; ++y)
            for (int32_t x = 0; x < n; ++x)
                s.at(x, y) = static_cast<uint8_t>(10 + 17 * x + 29 * y + (x * y) % 7);
        for (uint32_t mask : {0u, NR_CPU_ALL}) {
            CpuMask m(mask);
            Plane d(3, 3, 4, 0);
            nr_downsample(d.data, d.pitch, 0, 0, 3, 3, s.data, s.pitch, n, n, NR_SAMPLE_U8);
            EXPECT_EQ(d.at(0, 0), (s.at(0, 0) + s.at(1, 0) + s.at(0, 1) + s.at(1, 1) + 2) >> 2);
            // (2, 2): full 3 x 3 weights from a 6 x 6 source; two-tap rows and columns from 5 x 5.
            int32_t full = 0, edge = 0;
            for (int32_t dy = -1; dy <= 1; ++dy)
                for (int32_t dx = -1; dx <= 1; ++dx) {
                    const int32_t wy = dy == 0 ? 2 : 1, wx = dx == 0 ? 2 : 1;
                    if (n == 6)
                        full += wy * wx * s.at(4 + dx, 4 + dy);
                }
            if (n == 5)
                edge = s.at(3, 3) + s.at(4, 3) + s.at(3, 4) + s.at(4, 4);
            EXPECT_EQ(d.at(2, 2), n == 6 ? (full + 8) >> 4 : (edge + 2) >> 2);
            // (1, 2): columns 1 2 1, last row two taps only from the 5 x 5 source.
            int32_t s12 = 0;
            for (int32_t dx = -1; dx <= 1; ++dx) {
                const int32_t wx = dx == 0 ? 2 : 1;
                s12 += n == 6 ? wx * (s.at(2 + dx, 3) + 2 * s.at(2 + dx, 4) + s.at(2 + dx, 5))
                              : wx * (s.at(2 + dx, 3) + s.at(2 + dx, 4));
            }
            EXPECT_EQ(d.at(1, 2), n == 6 ? (s12 + 8) >> 4 : (s12 + 4) >> 3);
        }
    }
}

TEST(Kernels, UpsampleOfOneSampleRoundsInThePortableFormAndTruncatesInTheFusedOnes) {
    Plane s(2, 2, 4, 0);
    s.at(0, 0) = 100, s.at(1, 0) = 101, s.at(0, 1) = 102, s.at(1, 1) = 103;
    Plane d(2, 2, 4, 0);
    nr_upsample(d.data, d.pitch, 0, 0, 2, 2, s.data, s.pitch, 2, 2, NR_SAMPLE_U8);
    EXPECT_EQ(d.at(0, 0), 100);
    EXPECT_EQ(d.at(1, 0), 101);
    EXPECT_EQ(d.at(0, 1), 101);
    EXPECT_EQ(d.at(1, 1), 102);

    // Fused: fine 200 everywhere, band = 200 - up, then adding up again gives 200 back.
    Plane b(2, 2, 4, 0);
    std::memset(b.block.data(), 200, b.block.size());
    nr_upsample_subtract(reinterpret_cast<int8_t*>(b.data), b.pitch, 0, 0, 2, 2, s.data, s.pitch, 2,
                         2, NR_SAMPLE_U8);
    EXPECT_EQ(static_cast<int8_t>(b.at(0, 0)), 100);
    EXPECT_EQ(static_cast<int8_t>(b.at(1, 0)), 100);
    EXPECT_EQ(static_cast<int8_t>(b.at(0, 1)), 99);
    EXPECT_EQ(static_cast<int8_t>(b.at(1, 1)), 99);
    nr_upsample_add(b.data, b.pitch, 0, 0, 2, 2, s.data, s.pitch, 2, 2, NR_SAMPLE_U8);
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(b.at(i & 1, i >> 1), 200);
}

TEST(Kernels, PortableUpsampleStartingOnAnOddRowAndColumnAveragesThePairAverages) {
    // a = 0, b = 0, c = 1, d = 1: the pair averages give (0 + 0 + 1) >> 1 = 0, the four-sample
    // average (0 + 0 + 1 + 1 + 2) >> 2 = 1.
    Plane s(3, 3, 4, 0);
    s.at(0, 1) = 1, s.at(1, 1) = 1;
    Plane d(6, 6, 8, 0);
    nr_upsample_rect(d.data, d.pitch, 1, 1, 3, 3, s.data, s.pitch, 3, 3);
    EXPECT_EQ(d.at(1, 1), 0);
    nr_upsample_rect(d.data, d.pitch, 0, 1, 3, 3, s.data, s.pitch, 3, 3);
    EXPECT_EQ(d.at(1, 1), 1);
    nr_upsample_rect(d.data, d.pitch, 1, 0, 3, 3, s.data, s.pitch, 3, 3);
    EXPECT_EQ(d.at(1, 1), 1);
}

TEST(Kernels, BandKernelsSaturate) {
    const uint8_t fine[4] = {255, 0, 200, 50};
    const uint8_t coarse[4] = {0, 255, 73, 50};
    for (uint32_t mask : {0u, NR_CPU_ALL}) {
        CpuMask m(mask);
        int8_t band[4];
        nr_band_subtract_u8(fine, 4, coarse, 4, band, 4, 4, 1);
        EXPECT_EQ(band[0], 127);
        EXPECT_EQ(band[1], -128);
        EXPECT_EQ(band[2], 127);
        EXPECT_EQ(band[3], 0);
        const int8_t b2[4] = {127, -128, 5, -5};
        const uint8_t base[4] = {200, 50, 251, 3};
        uint8_t out[4];
        nr_band_add_u8(base, 4, b2, 4, out, 4, 4, 1);
        EXPECT_EQ(out[0], 255);
        EXPECT_EQ(out[1], 0);
        EXPECT_EQ(out[2], 255);
        EXPECT_EQ(out[3], 0);
    }
}

TEST(Kernels, BandScaleByOneIsIdentityAndByOneAndAHalfRoundsAndClamps) {
    for (uint32_t mask : {0u, NR_CPU_ALL}) {
        CpuMask m(mask);
        std::vector<int8_t> band(64), out(64);
        for (int32_t i = 0; i < 64; ++i)
            band[i] = static_cast<int8_t>(i * 4 - 128);
        band[0] = 100, band[1] = -3;
        nr_band_scale_s8(band.data(), 64, out.data(), 64, 64, 1, 256);
        EXPECT_EQ(band, out);
        nr_band_scale_s8(band.data(), 64, out.data(), 64, 64, 1, 384);
        EXPECT_EQ(out[0], 127); // 150 clamped
        EXPECT_EQ(out[1], -4);  // (-1152 + 128) >> 8
        nr_band_scale_s8(band.data(), 64, band.data(), 64, 64, 1,
                         -(1 << 20)); // in place, huge gain
        EXPECT_EQ(band[0], -128);
        EXPECT_EQ(band[1], 127);
    }
}

TEST(Kernels, ResamplingWrappersIgnoreOtherFormats) {
    Plane s(8, 8, 8, 0), d(8, 8, 8, 0);
    std::mt19937 rng(3);
    s.fill_random(rng);
    std::memset(d.block.data(), 77, d.block.size());
    EXPECT_EQ(nr_downsample(d.data, 8, 0, 0, 4, 4, s.data, 8, 8, 8, NR_SAMPLE_S8), 0);
    EXPECT_EQ(nr_upsample(d.data, 8, 0, 0, 8, 8, s.data, 8, 4, 4, 0x20), 0);
    EXPECT_EQ(nr_upsample_subtract(reinterpret_cast<int8_t*>(d.data), 8, 0, 0, 8, 8, s.data, 8, 4,
                                   4, NR_SAMPLE_S8),
              0);
    EXPECT_EQ(nr_upsample_add(d.data, 8, 0, 0, 8, 8, s.data, 8, 4, 4, 0x13), 0);
    for (uint8_t v : d.block)
        ASSERT_EQ(v, 77);
}

TEST(Kernels, EmptyRangesWriteNothing) {
    Plane s(8, 8, 8, 0), d(8, 8, 8, 0);
    std::memset(d.block.data(), 77, d.block.size());
    nr_downsample(d.data, 8, 2, 0, 2, 4, s.data, 8, 8, 8, NR_SAMPLE_U8);
    nr_downsample(d.data, 8, 0, 0, 4, 4, s.data, 8, 0, 8, NR_SAMPLE_U8);
    nr_upsample(d.data, 8, 0, 5, 8, 4, s.data, 8, 4, 4, NR_SAMPLE_U8);
    nr_upsample_add(d.data, 8, 0, 0, 8, 8, s.data, 8, 4, 0, NR_SAMPLE_U8);
    for (uint8_t v : d.block)
        ASSERT_EQ(v, 77);
}

// ---- differential tests -------------------------------------------------------------------

TEST(KernelsDifferential, DownsampleFastFormsEqualThePortableFormAndTheMirrorModel) {
    std::mt19937 rng(20261210);
    for (const Case& c : cases()) {
        for (int32_t align = 0; align < 4; ++align) {
            Plane s(c.sw, c.sh, c.sw + (align & 1) * 4, align);
            s.fill_random(rng);
            const int32_t ow = (c.sw + 1) / 2, oh = (c.sh + 1) / 2;
            // Whole range and a random sub-range (starts at every alignment).
            const int32_t rx0 = static_cast<int32_t>(rng() % ow),
                          ry0 = static_cast<int32_t>(rng() % oh);
            const int32_t rx1 = rx0 + 1 + static_cast<int32_t>(rng() % (ow - rx0));
            const int32_t ry1 = ry0 + 1 + static_cast<int32_t>(rng() % (oh - ry0));
            const int32_t ranges[2][4] = {{0, 0, ow, oh}, {rx0, ry0, rx1, ry1}};
            for (const auto& r : ranges) {
                Plane ref(ow, oh, ow + 4, (align * 3) & 3);
                std::memset(ref.block.data(), 0xA5, ref.block.size());
                nr_downsample_rect(ref.data, ref.pitch, r[0], r[1], r[2], r[3], s.data, s.pitch,
                                   c.sw, c.sh);
                for (int32_t Y = r[1]; Y < r[3]; ++Y)
                    for (int32_t X = r[0]; X < r[2]; ++X)
                        ASSERT_EQ(ref.at(X, Y), model_downsample(s, X, Y))
                            << c.sw << "x" << c.sh << " at " << X << "," << Y;
                // Aligned and unaligned destinations take the word path and the portable one.
                for (int32_t dalign : {0, 1}) {
                    for (uint32_t mask : fast_masks()) {
                        CpuMask m(mask);
                        Plane out(ow, oh, ow + 4, ((align * 3) & 3) * dalign);
                        std::memset(out.block.data(), 0xA5, out.block.size());
                        nr_downsample(out.data, out.pitch, r[0], r[1], r[2], r[3], s.data, s.pitch,
                                      c.sw, c.sh, NR_SAMPLE_U8);
                        for (int32_t Y = 0; Y < oh; ++Y)
                            for (int32_t X = 0; X < ow; ++X) {
                                const bool inside = X >= r[0] && X < r[2] && Y >= r[1] && Y < r[3];
                                ASSERT_EQ(out.at(X, Y), inside ? ref.at(X, Y) : 0xA5)
                                    << c.sw << "x" << c.sh << " mask " << mask << " at " << X << ","
                                    << Y;
                            }
                    }
                }
            }
        }
    }
}

enum class Op { Plain, Subtract, Add };

// Runs one upsample operation of either form over [x0, x1) x [y0, y1) of a plane of
// 2 sw x 2 sh samples prefilled with `fill`.
void run_up(Op op, bool fast, Plane& d, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
            const Plane& s) {
    if (op == Op::Plain) {
        if (fast)
            nr_upsample_fast(d.data, d.pitch, x0, y0, x1, y1, s.data, s.pitch, s.width, s.height);
        else
            nr_upsample_rect(d.data, d.pitch, x0, y0, x1, y1, s.data, s.pitch, s.width, s.height);
    } else if (op == Op::Subtract) {
        int8_t* b = reinterpret_cast<int8_t*>(d.data);
        if (fast)
            nr_upsample_subtract_fast(b, d.pitch, x0, y0, x1, y1, s.data, s.pitch, s.width,
                                      s.height);
        else
            nr_upsample_subtract_rect(b, d.pitch, x0, y0, x1, y1, s.data, s.pitch, s.width,
                                      s.height);
    } else {
        if (fast)
            nr_upsample_add_fast(d.data, d.pitch, x0, y0, x1, y1, s.data, s.pitch, s.width,
                                 s.height);
        else
            nr_upsample_add_rect(d.data, d.pitch, x0, y0, x1, y1, s.data, s.pitch, s.width,
                                 s.height);
    }
}

// Expected output at (x, y) of a range, from the model; `before` is the plane's prior content.
int32_t expect_up(Op op, bool fast, const Plane& s, const Plane& before, int32_t x, int32_t y,
                  int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const int32_t sw = s.width, sh = s.height;
    const bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
    if (!inside || (x1 == 2 * sw && x == x1 - 1))
        return before.at(x, y); // outside, or the far-edge column left as it was
    if (y1 == 2 * sh && y == y1 - 1 && y > y0)
        return expect_up(op, fast, s, before, x, y - 1, x0, y0, x1, y1); // copy of the row above
    const int32_t yy = y1 == 2 * sh && y == y1 - 1 ? y - 1 : y;
    int32_t up;
    if (op != Op::Plain) {
        up = model_up(s, x, yy, false);
    } else if (fast && in_upsample_interior(x, yy, x0, y0, x1, y1, sw, sh)) {
        up = model_up(s, x, yy, false);
    } else if (x == x0 && yy == y0 && (x & 1) && (yy & 1)) {
        const int32_t j = x >> 1, k = yy >> 1;
        up = (((s.at(j, k) + s.at(j, k + 1)) >> 1) + ((s.at(j + 1, k) + s.at(j + 1, k + 1)) >> 1) +
              1) >>
             1;
    } else {
        up = model_up(s, x, yy, true);
    }
    const int32_t prior = before.at(x, y);
    if (op == Op::Plain)
        return up;
    if (op == Op::Subtract)
        return static_cast<uint8_t>(static_cast<int8_t>(clamp(prior - up, -128, 127)));
    return clamp(static_cast<int8_t>(prior) + up, 0, 255);
}

void check_upsample(Op op) {
    std::mt19937 rng(777 + static_cast<int>(op));
    for (const Case& c : cases()) {
        const int32_t sw = (c.sw + 1) / 2 + 1, sh = (c.sh + 1) / 2 + 1; // coarse source
        for (int32_t align = 0; align < 4; ++align) {
            Plane s(sw, sh, sw + align, (align * 5) & 3);
            if (align & 1)
                s.fill_extremes(rng);
            else
                s.fill_random(rng);
            const int32_t ow = 2 * sw, oh = 2 * sh;
            const int32_t rx0 = static_cast<int32_t>(rng() % ow),
                          ry0 = static_cast<int32_t>(rng() % oh);
            const int32_t rx1 = rx0 + 1 + static_cast<int32_t>(rng() % (ow - rx0));
            const int32_t ry1 = ry0 + 1 + static_cast<int32_t>(rng() % (oh - ry0));
            const int32_t ranges[4][4] = {{0, 0, ow, oh},
                                          {rx0, ry0, rx1, ry1},
                                          {1, 1, ow - 1, oh - 1},
                                          {align, 0, ow, oh - 1}};
            for (const auto& r : ranges) {
                Plane before(ow, oh, ow + align, align);
                if (align & 1)
                    before.fill_extremes(rng);
                else
                    before.fill_random(rng);
                for (bool fast : {false, true}) {
                    for (uint32_t mask : fast ? fast_masks() : std::vector<uint32_t>{0u}) {
                        CpuMask m(mask);
                        Plane d = before;
                        d.data = d.block.data() + (before.data - before.block.data());
                        run_up(op, fast, d, r[0], r[1], r[2], r[3], s);
                        for (int32_t y = 0; y < oh; ++y)
                            for (int32_t x = 0; x < ow; ++x)
                                ASSERT_EQ(d.at(x, y), expect_up(op, fast, s, before, x, y, r[0],
                                                                r[1], r[2], r[3]))
                                    << "op " << static_cast<int>(op) << " fast " << fast << " mask "
                                    << mask << " src " << sw << "x" << sh << " range " << r[0]
                                    << "," << r[1] << "-" << r[2] << "," << r[3] << " at " << x
                                    << "," << y;
                    }
                }
            }
        }
    }
}

TEST(KernelsDifferential, UpsampleRoundsOnTheBordersAndTruncatesInTheFastInterior) {
    check_upsample(Op::Plain);
}

TEST(KernelsDifferential, UpsampleSubtractFormsAgreeEverywhere) {
    check_upsample(Op::Subtract);
}

TEST(KernelsDifferential, UpsampleAddFormsAgreeEverywhere) {
    check_upsample(Op::Add);
}

TEST(KernelsDifferential, BandKernelsFastFormsEqualTheModel) {
    std::mt19937 rng(99);
    const int32_t gains[] = {0, 1, 255, 256, 257, 384, 1000, -256, -700, 32767, -32768, 40000};
    for (int32_t w = 1; w <= 140; w += (w < 70 ? 1 : 7)) {
        for (int32_t align = 0; align < 4; ++align) {
            const int32_t h = 1 + w % 3;
            Plane a(w, h, w + 3, align), b(w, h, w + 1, (align + 1) & 3),
                o(w, h, w + 2, (align + 2) & 3);
            a.fill_extremes(rng);
            b.fill_extremes(rng);
            for (uint32_t mask : fast_masks()) {
                CpuMask m(mask);
                nr_band_subtract_u8(a.data, a.pitch, b.data, b.pitch,
                                    reinterpret_cast<int8_t*>(o.data), o.pitch, w, h);
                for (int32_t y = 0; y < h; ++y)
                    for (int32_t x = 0; x < w; ++x)
                        ASSERT_EQ(static_cast<int8_t>(o.at(x, y)),
                                  clamp(a.at(x, y) - b.at(x, y), -128, 127));
                nr_band_add_u8(a.data, a.pitch, reinterpret_cast<const int8_t*>(b.data), b.pitch,
                               o.data, o.pitch, w, h);
                for (int32_t y = 0; y < h; ++y)
                    for (int32_t x = 0; x < w; ++x)
                        ASSERT_EQ(o.at(x, y),
                                  clamp(a.at(x, y) + static_cast<int8_t>(b.at(x, y)), 0, 255));
                for (int32_t g : gains) {
                    nr_band_scale_s8(reinterpret_cast<const int8_t*>(b.data), b.pitch,
                                     reinterpret_cast<int8_t*>(o.data), o.pitch, w, h, g);
                    for (int32_t y = 0; y < h; ++y)
                        for (int32_t x = 0; x < w; ++x) {
                            const int64_t v =
                                (static_cast<int64_t>(g) * static_cast<int8_t>(b.at(x, y)) + 128) >>
                                8;
                            ASSERT_EQ(static_cast<int8_t>(o.at(x, y)),
                                      v < -128 ? -128 : (v > 127 ? 127 : v))
                                << "gain " << g << " w " << w << " mask " << mask;
                        }
                }
                uint32_t sum = 0;
                for (int32_t y = 0; y < h; ++y)
                    for (int32_t x = 0; x < w; ++x) {
                        const int32_t v = static_cast<int8_t>(b.at(x, y));
                        sum += static_cast<uint32_t>(v < 0 ? -v : v);
                    }
                ASSERT_EQ(nr_band_abs_sum(reinterpret_cast<const int8_t*>(b.data), b.pitch, w, h),
                          sum);
            }
        }
    }
}

} // namespace

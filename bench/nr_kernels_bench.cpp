// Pyramid kernels: throughput of the portable forms against the fast forms (scalar interior,
// SSE2, AVX2) on a 1920 x 1088 level, and the Y0 U Y1 V tile conversion, of a whole frame and of
// one tile window of a wide frame. Counters: output megasamples per second ("items").
//
//   nr_kernels_bench [--benchmark_filter=Downsample]
//
// Argument of each run: 0 portable, 1 fast form without vectors, 2 SSE2, 3 AVX2.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "nr_cpu.h"
#include "nr_kernels.h"
#include "nr_transfer.h"

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1088;

uint32_t mask_for(int64_t variant) {
    switch (variant) {
    case 0:
        return 0;
    case 1:
        return NR_CPU_FAST;
    case 2:
        return NR_CPU_FAST | NR_CPU_SSE2;
    default:
        return NR_CPU_ALL;
    }
}

// Selects the variant for the run; false (and the run skipped) when the processor lacks it.
bool select(benchmark::State& state) {
    const int64_t v = state.range(0);
    if ((v == 2 && !(nr_cpu_detected() & NR_CPU_SSE2)) ||
        (v == 3 && !(nr_cpu_detected() & NR_CPU_AVX2))) {
        state.SkipWithError("not offered by this processor");
        return false;
    }
    nr_cpu_set_mask(mask_for(v));
    static const char* names[] = {"portable", "fast-scalar", "sse2", "avx2"};
    state.SetLabel(names[v]);
    return true;
}

std::vector<uint8_t> random_plane(size_t n, uint32_t seed) {
    std::vector<uint8_t> p(n);
    std::mt19937 rng(seed);
    for (auto& b : p)
        b = static_cast<uint8_t>(rng());
    return p;
}

void finish(benchmark::State& state, int64_t samples) {
    state.SetItemsProcessed(state.iterations() * samples);
    nr_cpu_set_mask(NR_CPU_ALL);
}

void BM_Downsample(benchmark::State& state) {
    if (!select(state))
        return;
    const auto src = random_plane(static_cast<size_t>(kWidth) * kHeight, 1);
    std::vector<uint8_t> dst(static_cast<size_t>(kWidth / 2) * (kHeight / 2));
    for (auto _ : state) {
        nr_downsample(dst.data(), kWidth / 2, 0, 0, kWidth / 2, kHeight / 2, src.data(), kWidth,
                      kWidth, kHeight, NR_SAMPLE_U8);
        benchmark::DoNotOptimize(dst.data());
    }
    finish(state, static_cast<int64_t>(kWidth / 2) * (kHeight / 2));
}

// The three upsample operations write a kWidth x kHeight level from a half-size source.
template <int op> void BM_Upsample(benchmark::State& state) {
    if (!select(state))
        return;
    const int32_t sw = kWidth / 2 + 1, sh = kHeight / 2 + 1;
    const auto src = random_plane(static_cast<size_t>(sw) * sh, 2);
    auto dst = random_plane(static_cast<size_t>(kWidth) * kHeight, 3);
    for (auto _ : state) {
        if (op == 0)
            nr_upsample(dst.data(), kWidth, 0, 0, kWidth, kHeight, src.data(), sw, sw, sh,
                        NR_SAMPLE_U8);
        else if (op == 1)
            nr_upsample_subtract(reinterpret_cast<int8_t*>(dst.data()), kWidth, 0, 0, kWidth,
                                 kHeight, src.data(), sw, sw, sh, NR_SAMPLE_U8);
        else
            nr_upsample_add(dst.data(), kWidth, 0, 0, kWidth, kHeight, src.data(), sw, sw, sh,
                            NR_SAMPLE_U8);
        benchmark::DoNotOptimize(dst.data());
    }
    finish(state, static_cast<int64_t>(kWidth) * kHeight);
}

template <int op> void BM_Band(benchmark::State& state) {
    if (!select(state))
        return;
    const size_t n = static_cast<size_t>(kWidth) * kHeight;
    const auto a = random_plane(n, 4);
    const auto b = random_plane(n, 5);
    std::vector<uint8_t> out(n);
    uint32_t sum = 0;
    for (auto _ : state) {
        if (op == 0)
            nr_band_subtract_u8(a.data(), kWidth, b.data(), kWidth,
                                reinterpret_cast<int8_t*>(out.data()), kWidth, kWidth, kHeight);
        else if (op == 1)
            nr_band_add_u8(a.data(), kWidth, reinterpret_cast<const int8_t*>(b.data()), kWidth,
                           out.data(), kWidth, kWidth, kHeight);
        else if (op == 2)
            nr_band_scale_s8(reinterpret_cast<const int8_t*>(b.data()), kWidth,
                             reinterpret_cast<int8_t*>(out.data()), kWidth, kWidth, kHeight, 384);
        else
            sum +=
                nr_band_abs_sum(reinterpret_cast<const int8_t*>(b.data()), kWidth, kWidth, kHeight);
        benchmark::DoNotOptimize(out.data());
        benchmark::DoNotOptimize(sum);
    }
    finish(state, static_cast<int64_t>(n));
}

// Tile transfer of Y0 U Y1 V frames (4:2:0 reading): import (0) and export (1) of a whole frame.
template <int flag> void BM_Yuyv420(benchmark::State& state) {
    if (!select(state))
        return;
    auto frame = random_plane(static_cast<size_t>(2 * kWidth) * kHeight, 6);
    auto y = random_plane(static_cast<size_t>(kWidth) * kHeight, 7);
    auto u = random_plane(static_cast<size_t>(kWidth / 2) * (kHeight / 2), 8);
    auto v = random_plane(static_cast<size_t>(kWidth / 2) * (kHeight / 2), 9);
    for (auto _ : state) {
        nr_convert_yuyv420(frame.data(), 2 * kWidth, y.data(), kWidth, u.data(), kWidth / 2,
                           v.data(), kWidth / 2, kWidth, kHeight, flag);
        benchmark::DoNotOptimize(frame.data());
        benchmark::DoNotOptimize(y.data());
    }
    finish(state, static_cast<int64_t>(kWidth) * kHeight);
}

// One tile of a 12 MP run as the tile job moves it: a 1312 x 1296 window (a 1184 x 1168 tile and
// its overlap) of a 4000-pixel-wide frame and the tile's level-0 planes; import (1), export (0).
template <int flag> void BM_Yuyv420Tile(benchmark::State& state) {
    if (!select(state))
        return;
    constexpr int32_t kFrameWidth = 4000, kTileWidth = 1312, kTileHeight = 1296;
    constexpr int32_t kPitch = (kTileWidth + 3) & ~3;
    auto frame = random_plane(static_cast<size_t>(2 * kFrameWidth) * kTileHeight, 10);
    auto y = random_plane(static_cast<size_t>(kPitch) * kTileHeight, 11);
    auto u = random_plane(static_cast<size_t>(kPitch / 2) * (kTileHeight / 2), 12);
    auto v = random_plane(static_cast<size_t>(kPitch / 2) * (kTileHeight / 2), 13);
    uint8_t* window = frame.data() + 2 * 1000; // the second tile column
    for (auto _ : state) {
        nr_convert_yuyv420(window, 2 * kFrameWidth, y.data(), kPitch, u.data(), kPitch / 2,
                           v.data(), kPitch / 2, kTileWidth, kTileHeight, flag);
        benchmark::DoNotOptimize(frame.data());
        benchmark::DoNotOptimize(y.data());
    }
    finish(state, static_cast<int64_t>(kTileWidth) * kTileHeight);
}

#define NR_VARIANTS DenseRange(0, 3)->Unit(benchmark::kMicrosecond)

BENCHMARK(BM_Downsample)->NR_VARIANTS;
BENCHMARK(BM_Upsample<0>)->Name("BM_Upsample")->NR_VARIANTS;
BENCHMARK(BM_Upsample<1>)->Name("BM_UpsampleSubtract")->NR_VARIANTS;
BENCHMARK(BM_Upsample<2>)->Name("BM_UpsampleAdd")->NR_VARIANTS;
BENCHMARK(BM_Band<0>)->Name("BM_BandSubtract")->NR_VARIANTS;
BENCHMARK(BM_Band<1>)->Name("BM_BandAdd")->NR_VARIANTS;
BENCHMARK(BM_Band<2>)->Name("BM_BandScale")->NR_VARIANTS;
BENCHMARK(BM_Band<3>)->Name("BM_BandAbsSum")->NR_VARIANTS;
BENCHMARK(BM_Yuyv420<1>)->Name("BM_Yuyv420Import")->NR_VARIANTS;
BENCHMARK(BM_Yuyv420<0>)->Name("BM_Yuyv420Export")->NR_VARIANTS;
BENCHMARK(BM_Yuyv420Tile<1>)->Name("BM_Yuyv420TileImport")->NR_VARIANTS;
BENCHMARK(BM_Yuyv420Tile<0>)->Name("BM_Yuyv420TileExport")->NR_VARIANTS;

} // namespace

BENCHMARK_MAIN();

// ConvertColorFormatBlt on a 640 x 480 picture: each faster route beside the per-channel route
// doing the same work, in pixels per second.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "morrow/device/color_format.h"

namespace {

using morrow::ColorFormat;

constexpr int kW = 640, kH = 480;

ColorFormat Fmt(int bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a = 0) {
  ColorFormat f{};
  morrow::InitColorFormatFromMasks(&f, bits, r, g, b, a);
  return f;
}

struct Route {
  ColorFormat src, dest;
  int keyToAlpha;
  int dither;
};

Route RouteFor(int64_t index) {
  ColorFormat pal{};
  morrow::InitPalette8ColorFormat(&pal);
  for (uint32_t i = 0; i < 256; ++i) pal.palette[i] = i * 0x010203u & 0xFFFFFFu;
  switch (index) {
    case 0:
      return {Fmt(16, 0xF800, 0x7E0, 0x1F), Fmt(16, 0xF800, 0x7E0, 0x1F), 0, 0};
    case 1:
      return {pal, Fmt(16, 0xF800, 0x7E0, 0x1F), 0, 0};
    case 2:
      return {Fmt(24, 0xFF0000, 0xFF00, 0xFF), Fmt(32, 0xFF0000, 0xFF00, 0xFF), 0, 0};
    case 3:
      return {Fmt(32, 0xFF0000, 0xFF00, 0xFF), Fmt(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000), 1, 0};
    default:
      return {Fmt(24, 0xFF0000, 0xFF00, 0xFF), Fmt(16, 0xF800, 0x7E0, 0x1F), 0, 1};
  }
}

void Convert(benchmark::State& state, bool general) {
  Route r = RouteFor(state.range(0));
  const int sb = r.src.bitsPerPixel / 8, db = r.dest.bitsPerPixel / 8;
  std::vector<uint8_t> src(static_cast<size_t>(kW) * kH * sb),
      dest(static_cast<size_t>(kW) * kH * db);
  std::mt19937 rng(1);
  for (uint8_t& b : src) b = static_cast<uint8_t>(rng());
  morrow::Rect rect{0, 0, kW, kH};
  auto fn = general ? morrow::ConvertColorFormatBltGeneral : morrow::ConvertColorFormatBlt;
  for (auto _ : state) {
    fn(dest.data(), kW * db, &r.dest, src.data(), kW * sb, &r.src, nullptr, 0, nullptr, 0, 0, &rect,
       0, r.keyToAlpha, 0x102030, r.dither, 0);
    benchmark::DoNotOptimize(dest.data());
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}

void BM_Route(benchmark::State& state) {
  Convert(state, false);
}
void BM_ChannelRoute(benchmark::State& state) {
  Convert(state, true);
}

// 0 straight copy, 1 palette to 5:6:5, 2 24-bit to X8R8G8B8, 3 key to alpha, 4 dithered (both
// take the per-channel route).
BENCHMARK(BM_Route)->DenseRange(0, 4);
BENCHMARK(BM_ChannelRoute)->DenseRange(0, 4);

}  // namespace

BENCHMARK_MAIN();

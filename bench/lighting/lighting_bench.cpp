// ApplyLighting over a full-screen composite beside one memcpy of the same
// bytes, the floor any per-pixel pass is measured against.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "render/lighting.h"

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

// Smooth gradients with a little texture and noise, so the table lookups see
// the spread of values a photograph gives rather than one repeated byte.
void FillPhotoLike(Image* image) {
  uint32_t seed = 12345;
  for (int32_t r = 0; r < image->height; ++r) {
    uint8_t* row = image->rows[r];
    for (int32_t x = 0; x < image->width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int noise = static_cast<int>(seed >> 28) - 8;
      const double shade = 0.5 + 0.4 * std::sin(x * 0.004) * std::cos(r * 0.006);
      const int base = static_cast<int>(255 * shade);
      row[3 * x + 0] =
          static_cast<uint8_t>(std::clamp(base / 2 + (x * 255) / image->width / 3 + noise, 0, 255));
      row[3 * x + 1] = static_cast<uint8_t>(std::clamp(base + noise, 0, 255));
      row[3 * x + 2] = static_cast<uint8_t>(std::clamp(base + (r * 64) / image->height + noise, 0, 255));
    }
  }
}

void BM_ApplyLighting(benchmark::State& state) {
  Image image;
  if (AllocImage(&image, Rgb8, kWidth, kHeight, 96.0) != 0) {
    state.SkipWithError("out of memory");
    return;
  }
  FillPhotoLike(&image);
  const LightingSettings lighting{kBright, kMixed};
  const DisplayColorimetry colorimetry;
  for (auto _ : state) {
    ApplyLighting(lighting, colorimetry, &image);
    benchmark::DoNotOptimize(image.rows[0][0]);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{image.rowBytes} * kHeight);
}
BENCHMARK(BM_ApplyLighting)->Name("ours/apply_lighting_1920x1080")->Unit(benchmark::kMicrosecond);

void BM_Memcpy(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(RowBytesFor(int64_t{3} * kWidth)) * kHeight;
  std::vector<uint8_t> source(bytes), destination(bytes);
  for (size_t i = 0; i < bytes; ++i) source[i] = static_cast<uint8_t>(i * 31);
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), bytes);
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_Memcpy)->Name("peer/memcpy_1920x1080_composite")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

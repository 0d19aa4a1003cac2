// ResampleImage on photograph-sized Rgb8 pictures with the cubic kernel.
// pillow_resize.py times Pillow's bicubic resize on the same kind of picture.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>

#include "image/image.h"
#include "image/resample.h"

namespace {

// Smooth gradients in each channel with fine noise over them, from a fixed
// seed, so the picture resembles a photograph and every run sees the same.
Image PhotoLike(int32_t width, int32_t height) {
  Image image;
  if (AllocImage(&image, Rgb8, width, height, 300.0) != 0) std::abort();
  uint32_t state = 20261206u;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = image.rows[y];
    for (int32_t x = 0; x < width; ++x) {
      state ^= state << 13;
      state ^= state >> 17;
      state ^= state << 5;
      int32_t noise = static_cast<int32_t>(state & 31) - 16;
      int32_t gx = static_cast<int32_t>(255LL * x / width);
      int32_t gy = static_cast<int32_t>(255LL * y / height);
      int32_t v[3] = {gx, gy, (gx + 255 - gy) / 2};
      for (int c = 0; c < 3; ++c) {
        int32_t s = v[c] + noise;
        row[3 * x + c] = static_cast<uint8_t>(s < 0 ? 0 : (s > 255 ? 255 : s));
      }
    }
  }
  return image;
}

void Resample(benchmark::State& state, int32_t sw, int32_t sh, int32_t dw, int32_t dh) {
  Image source = PhotoLike(sw, sh);
  Image destination;
  for (auto _ : state) {
    if (ResampleImage(source, &destination, dw, dh, 100.0, FilterCubic, -1.0) != 0) {
      state.SkipWithError("ResampleImage failed");
      break;
    }
    benchmark::DoNotOptimize(destination.rows[0][0]);
  }
}

}  // namespace

BENCHMARK_CAPTURE(Resample, resample_6000x4000_to_1500x1000, 6000, 4000, 1500, 1000)
    ->Name("ours/resample_6000x4000_to_1500x1000")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Resample, resample_6000x4000_to_700x467, 6000, 4000, 700, 467)
    ->Name("ours/resample_6000x4000_to_700x467")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Resample, resample_1000x667_to_4000x2667, 1000, 667, 4000, 2667)
    ->Name("ours/resample_1000x667_to_4000x2667")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();

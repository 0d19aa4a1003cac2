// RenderComposite of the default design at 1920 x 1080 with a 6000 x 4000
// photograph loaded, cold (a fresh render state) and warm (a mat colour
// changed, the picture already resampled), beside one memcpy of the
// composite's bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "render/render.h"

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

// Smooth gradients with fine noise from a fixed seed.
Image PhotoLike(int32_t width, int32_t height) {
  Image image;
  if (AllocImage(&image, Rgb8, width, height, 300.0) != 0) std::abort();
  uint32_t seed = 20261206u;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = image.rows[y];
    for (int32_t x = 0; x < width; ++x) {
      seed ^= seed << 13;
      seed ^= seed >> 17;
      seed ^= seed << 5;
      const int32_t noise = static_cast<int32_t>(seed & 31) - 16;
      const int32_t gx = static_cast<int32_t>(255LL * x / width);
      const int32_t gy = static_cast<int32_t>(255LL * y / height);
      const int32_t v[3] = {gx, gy, (gx + 255 - gy) / 2};
      for (int32_t c = 0; c < 3; ++c) {
        const int32_t s = v[c] + noise;
        row[3 * x + c] = static_cast<uint8_t>(s < 0 ? 0 : (s > 255 ? 255 : s));
      }
    }
  }
  return image;
}

// Moulding profiles: a rounded cross-section in every tile.
void MakeFrameTiles(FrameTileSet* tiles) {
  for (Image& tile : tiles->tiles) {
    if (AllocImage(&tile, Gray8, 64, 64, 100.0) != 0) std::abort();
    for (int32_t y = 0; y < 64; ++y)
      for (int32_t x = 0; x < 64; ++x)
        tile.rows[y][x] = static_cast<uint8_t>(96 + (x * (63 - x) + y * (63 - y)) / 9);
  }
}

struct Fixture {
  SceneSettings scene;
  RenderState render;
  TextureSet textures;
  FrameTileSet tiles;
  DisplayColorimetry colorimetry;
  Fixture() {
    InitScene(&scene);
    scene.picture.raster = std::make_shared<const Image>(PhotoLike(6000, 4000));
    ++scene.picture.rasterVersion;
    MakeFrameTiles(&tiles);
    ComputeOverallSize(&scene);
  }
  RenderAssets Assets() const { return RenderAssets{textures, tiles, colorimetry}; }
};

void RenderCold(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) {
    RenderState fresh;
    RenderComposite(f.scene, f.Assets(), kWidth, kHeight, &fresh);
    benchmark::DoNotOptimize(fresh.composite.rows[0][0]);
  }
}

void RenderWarm(benchmark::State& state) {
  Fixture f;
  RenderComposite(f.scene, f.Assets(), kWidth, kHeight, &f.render);
  int32_t shade = 0;
  for (auto _ : state) {
    f.scene.mats[kOuterMat].color = {255, 250 - (shade & 15), 240};
    ++shade;
    RenderComposite(f.scene, f.Assets(), kWidth, kHeight, &f.render);
    benchmark::DoNotOptimize(f.render.composite.rows[0][0]);
  }
}

void MemcpyComposite(benchmark::State& state) {
  const size_t bytes = static_cast<size_t>(kWidth) * kHeight * 3;
  std::vector<uint8_t> source(bytes, 7);
  std::vector<uint8_t> destination(bytes, 0);
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), bytes);
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(RenderCold)
    ->Name("ours/render_default_1920x1080_cold")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(RenderWarm)
    ->Name("ours/render_default_1920x1080_warm")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(MemcpyComposite)
    ->Name("peer/memcpy_1920x1080_composite")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();

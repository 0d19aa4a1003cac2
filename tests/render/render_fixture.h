// Shared helpers of the renderer tests: a design under neutral light, small
// images built in memory, and pixel probes by composite position.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <ostream>
#include <tuple>

#include "render/paint.h"
#include "render/render.h"
#include "support/pictures.h"

inline std::ostream& operator<<(std::ostream& out, const Bgr& p) {
  return out << "(b" << int(p.blue) << " g" << int(p.green) << " r" << int(p.red) << ")";
}
inline Bgr Gray(uint8_t v) { return Bgr{v, v, v}; }
inline Bgr Rgb(uint8_t red, uint8_t green, uint8_t blue) { return Bgr{blue, green, red}; }
inline Bgr Px(const Image& image, int32_t c, int32_t r) {
  return Bgr{image.rows[r][3 * c], image.rows[r][3 * c + 1], image.rows[r][3 * c + 2]};
}

inline void ExpectPixels(const Image& image,
                         std::initializer_list<std::tuple<int32_t, int32_t, Bgr>> probes) {
  for (const auto& [c, r, want] : probes) EXPECT_EQ(Px(image, c, r), want) << "at " << c << "," << r;
}

// Daylight at Bright through the default colorimetry leaves every pixel as painted.
struct NeutralDesign {
  SceneSettings scene;
  RenderState render;
  TextureSet textures;
  FrameTileSet tiles;
  DisplayColorimetry colorimetry;
  NeutralDesign() {
    InitScene(&scene);
    scene.lighting = LightingSettings{kBright, kDaylight};
  }
  const Image& Render(int32_t w, int32_t h) {
    ComputeOverallSize(&scene);
    RenderComposite(scene, RenderAssets{textures, tiles, colorimetry}, w, h, &render);
    return render.composite;
  }
};

// A Gray8 image of value(x, y), or an Rgb8 one filled with a colour.
inline Image GrayImage(int32_t w, int32_t h, double ppi, const std::function<int(int32_t, int32_t)>& value) {
  Image image;
  AllocImage(&image, Gray8, w, h, ppi);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) image.rows[y][x] = static_cast<uint8_t>(value(x, y));
  return image;
}
inline Image Canvas(int32_t w, int32_t h, Bgr fill) {
  Image image;
  AllocImage(&image, Rgb8, w, h, 100.0);
  for (int32_t r = 0; r < h; ++r) FillSpan(image.rows[r], Span{0, w}, fill);
  return image;
}

// Uniform tiles (left, right, bottom, top values) for every style and finish.
inline void FillTiles(FrameTileSet* tiles, std::array<int, 4> values) {
  for (int32_t i = 0; i < 88; ++i)
    tiles->tiles[i] = GrayImage(8, 8, 100.0, [&](int32_t, int32_t) { return values[i % 4]; });
}

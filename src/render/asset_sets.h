// The texture and frame-tile images the renderer reads. They are loaded from
// the asset folders by the files layer; tests build small ones in memory.
#pragma once

#include <array>
#include <cstdint>

#include "image/image.h"

// Indexed by MatTexture code; entry 0 ("Smooth") stays empty.
struct TextureSet {
  std::array<Image, 6> images;
};

// Frame tile sides, in the order of their files.
constexpr int32_t kSideLeft = 0;
constexpr int32_t kSideRight = 1;
constexpr int32_t kSideBottom = 2;
constexpr int32_t kSideTop = 3;
constexpr std::array<const char*, 4> kFrameSideLabels = {"Left", "Right", "Bottom", "Top"};

// 2 finishes x 11 styles x 4 sides.
struct FrameTileSet {
  std::array<Image, 88> tiles;
  static constexpr int32_t Index(int32_t finish, int32_t style, int32_t side) {
    return finish * 44 + style * 4 + side;
  }
};

// What a rendering leaves behind: the composite, its scale and the pixel
// rectangles that the click test, the rulers and printing read, and what it
// keeps for the next rendering of the same owner. Each owner (the view, an
// export, a print) has its own, so none disturbs another's.
#pragma once

#include <array>
#include <cstdint>

#include "image/image.h"
#include "scene/settings.h"

// Half-open: columns x0 <= c < x1, rows y0 <= r < y1, rows counted from the bottom.
struct PixelRect {
  int32_t x0 = 0;
  int32_t y0 = 0;
  int32_t x1 = 0;
  int32_t y1 = 0;
  bool Empty() const { return x1 <= x0 || y1 <= y0; }
};

inline bool operator==(const PixelRect& a, const PixelRect& b) {
  return a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1;
}

struct LayoutRects {
  PixelRect borderOuter;
  PixelRect pictureRect;
  std::array<PixelRect, 3> matOuter;
  std::array<PixelRect, 3> matOpening;
  PixelRect frameOuter;
  PixelRect frameInner;
};

struct RenderState {
  double pixelsPerInch = 0.0;
  Image composite;    // Rgb8
  Image displayCopy;  // the composite in the monitor's colours; emptied by every rendering
  LayoutRects layout;

  // The picture resampled to pictureRect at the last rendering, kept while the
  // picture and the rectangle's size stay the same (renders after mat, frame,
  // wall or light changes then skip the resampler).
  Image pictureCache;
  uint64_t pictureCacheVersion = 0;
  bool pictureCacheValid = false;

  // Each shown mat's texture at the last rendering's scale.
  std::array<Image, kMatCount> matTextures;
};

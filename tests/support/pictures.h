// Pictures as a design holds them, for tests that need one of a given size.
#pragma once

#include <memory>
#include <utility>

#include "image/image.h"

// w x h Rgb8 pixels at ppi, all zero; empty when memory ran out.
inline std::shared_ptr<const Image> BlankPicture(int32_t w, int32_t h, double ppi) {
  Image image;
  if (AllocImage(&image, Rgb8, w, h, ppi) == 0) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < 3 * w; ++x) image.rows[y][x] = 0;
  }
  return std::make_shared<const Image>(std::move(image));
}

// Pictures as a design holds them, random fillings, and sample-by-sample
// comparison, for tests that need pictures of a given size or content.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "core/fileio.h"
#include "files/tiff.h"
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

// A repeatable pseudo-random byte source.
struct Noise {
  uint32_t state;
  explicit Noise(uint32_t seed) : state(seed * 2654435761u + 1) {}
  uint8_t Next() { return static_cast<uint8_t>((state = state * 1664525u + 1013904223u) >> 24); }
  uint16_t Next16() { return static_cast<uint16_t>((Next() << 8) | Next()); }
};

inline void FillRandom(Image* image, uint32_t seed) {
  Noise noise(seed);
  for (int32_t r = 0; r < image->height; ++r)
    for (int32_t i = 0; i < image->rowBytes; ++i) image->rows[r][i] = noise.Next();
}

// Sample `channel` (0 red, 1 green, 2 blue; 0 for gray) at column x, row y counted from the top.
inline uint32_t SampleAt(const Image& image, int32_t x, int32_t y, int channel) {
  const uint8_t* row = image.rows[image.height - 1 - y];
  uint16_t v16 = 0;
  switch (image.type) {
    case Bilevel:
      return GetBit(row, x);
    case Gray8:
      return row[x];
    case Rgb8:
      return row[3 * x + (2 - channel)];
    case Gray16:
      std::memcpy(&v16, row + 2 * x, 2);
      return v16;
    default:
      std::memcpy(&v16, row + 6 * x + 2 * (2 - channel), 2);
      return v16;
  }
}

// Same type, size and pixels (spare bytes and padding bits excluded).
inline bool SamePixels(const Image& a, const Image& b) {
  if (a.type != b.type || a.width != b.width || a.height != b.height) return false;
  const int channels = (a.type == Rgb8 || a.type == Rgb16) ? 3 : 1;
  for (int32_t y = 0; y < a.height; ++y)
    for (int32_t x = 0; x < a.width; ++x)
      for (int c = 0; c < channels; ++c)
        if (SampleAt(a, x, y, c) != SampleAt(b, x, y, c)) return false;
  return true;
}

// An Rgb8 TIFF picture of w x h pixels at ppi whose bytes follow their row
// and column, so that a picture read back shows its orientation.
inline bool WriteTiffPicture(const std::string& path, int32_t w, int32_t h, double ppi) {
  Image picture;
  if (AllocImage(&picture, Rgb8, w, h, ppi) != 0) return false;
  for (int32_t r = 0; r < h; ++r)
    for (int32_t b = 0; b < picture.rowBytes; ++b) picture.rows[r][b] = static_cast<uint8_t>(r * 3 + b);
  FileHandle file;
  if (CreateForWrite(path, &file) != 0) return false;
  const bool written = WriteTiff(file, picture) == 0;
  CloseFile(file);
  return written;
}

// The pixel at column x of the row `fromTop` rows below the top (rows are
// stored bottom up), as 0xffRRGGBB: the value Qt's qRgb gives.
inline uint32_t PixelArgb(const Image& image, int32_t x, int32_t fromTop) {
  if (x < 0 || x >= image.width || fromTop < 0 || fromTop >= image.height) return 0;
  const uint8_t* p = image.rows[image.height - 1 - fromTop] + 3 * x;
  return 0xff000000u | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

// The first stored row in which two Rgb8 images differ, or -1 when they are
// the same size and hold the same pixels (-2 when their sizes differ).
inline int32_t FirstDifferentRow(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height) return -2;
  for (int32_t r = 0; r < a.height; ++r)
    if (std::memcmp(a.rows[r], b.rows[r], 3 * static_cast<size_t>(a.width)) != 0) return r;
  return -1;
}

#include "image/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "core/hooks.h"
#include "support/pictures.h"

namespace {

int Channels(int type) { return (type == Rgb8 || type == Rgb16) ? 3 : 1; }
int64_t MaxOf(int type) { return (type == Gray16 || type == Rgb16) ? 65535 : 255; }

int64_t Sample(const Image& image, int32_t x, int32_t y, int c) {
  const uint8_t* row = image.rows[y];
  const int32_t i = Channels(image.type) * x + c;
  if (image.type == Bilevel) return GetBit(row, x) ? 255 : 0;
  return MaxOf(image.type) == 255 ? row[i] : reinterpret_cast<const uint16_t*>(row)[i];
}

// value(x, y, c) gives each sample; Bilevel takes any non-zero value as set.
Image MakeImage(int type, int32_t width, int32_t height,
                const std::function<int64_t(int32_t, int32_t, int)>& value) {
  Image image;
  EXPECT_EQ(AllocImage(&image, type, width, height, 72.0), 0);
  const int n = Channels(type);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = image.rows[y];
    std::memset(row, 0, image.rowBytes);
    for (int32_t i = 0; i < width * n; ++i) {
      const int64_t v = value(i / n, y, i % n);
      if (type == Bilevel && v) SetBit(row, i);
      if (type == Gray8 || type == Rgb8) row[i] = static_cast<uint8_t>(v);
      if (type == Gray16 || type == Rgb16) reinterpret_cast<uint16_t*>(row)[i] = static_cast<uint16_t>(v);
    }
  }
  return image;
}

// A deliberately literal second implementation: per sample, kernel evaluated
// on the spot, no trimming or padding, 64-bit sums and integer division.
double Kern(int filter, double a, double x) {
  double t = std::fabs(x);
  if (filter == FilterTriangle) return t <= 1 ? 1 - t : 0;
  if (t <= 1) return (a + 2) * t * t * t - (a + 3) * t * t + 1;
  if (t <= 2) return a * t * t * t - 5 * a * t * t + 8 * a * t - 4 * a;
  return 0;
}

// One axis: reads source samples through at(index), returns the blend at i.
int64_t ReferenceAxis(int32_t s, int32_t d, int32_t i, bool vertical, int filter, double a, int64_t maxValue,
                      const std::function<int64_t(int32_t)>& at) {
  if (s == d) return at(i);
  double step = d == 1 ? (vertical ? 1.0 : 0.0) : double(s - 1) / (d - 1);
  double c = i * step;
  int32_t p = int32_t(c);
  double f = c - p;
  int64_t sum = 0, weights = 0;
  if (s > d) {
    int32_t half = int32_t(step) + 1;
    for (int32_t k = -half; k <= half; ++k) {
      if (p + k < 0 || p + k >= s) continue;
      int64_t w = int64_t(Kern(filter, a, (k - f) / (double(s) / d)) * 255);
      if (!vertical) w = std::max<int64_t>(0, std::min<int64_t>(255, w));
      sum += w * at(p + k);
      weights += w;
    }
  } else {
    if (p >= s - 1) return at(s - 1);
    if (vertical && int(255 * f) == 0) return at(p);
    for (int j = -1; j <= 2; ++j) {
      if ((j == -1 && p < 1) || (j == 2 && p + 2 >= s)) continue;
      int64_t w = int64_t(Kern(filter, a, j - f) * 255);
      sum += w * at(p + j);
      weights += w;
    }
  }
  int64_t q = sum / (weights == 0 ? 1 : weights);
  return q < 0 ? 0 : (q > maxValue ? maxValue : q);
}

// With the vector paths on and off alike.
void ExpectMatchesReference(const Image& src, int32_t dw, int32_t dh, int filter, double a) {
  SCOPED_TRACE(testing::Message() << "type " << src.type << " " << src.width << "x" << src.height << " -> "
                                  << dw << "x" << dh << " filter " << filter << " a " << a);
  for (bool vector : {true, false}) {
    Image dst;
    const bool previous = SetResampleVectorPaths(vector);
    const int result = ResampleImage(src, &dst, dw, dh, 100.0, filter, a);
    SetResampleVectorPaths(previous);
    ASSERT_EQ(result, 0);
    ASSERT_EQ(std::tuple(dst.type, dst.width, dst.height, dst.resolution),
              std::tuple(src.type == Bilevel ? Gray8 : src.type, dw, dh, 100.0));
    std::vector<int64_t> got, expected;
    for (int c = 0; c < Channels(src.type); ++c) {
      for (int32_t y = 0; y < dh; ++y) {
        std::vector<int64_t> line(src.width);
        for (int32_t x = 0; x < src.width; ++x)
          line[x] = ReferenceAxis(src.height, dh, y, true, filter, a, MaxOf(src.type),
                                  [&](int32_t r) { return Sample(src, x, r, c); });
        for (int32_t x = 0; x < dw; ++x) {
          got.push_back(Sample(dst, x, y, c));
          expected.push_back(ReferenceAxis(src.width, dw, x, false, filter, a, MaxOf(src.type),
                                           [&](int32_t col) { return line[col]; }));
        }
      }
    }
    EXPECT_EQ(got, expected) << "vector paths " << vector;
  }
}

}  // namespace

TEST(Resample, EveryTypeKernelAndShapeMatchesTheLiteralAlgorithm) {
  // The literal algorithm itself on worked numbers: 0 100 200 255 enlarged to 7.
  const int64_t ramp[] = {0, 100, 200, 255};
  for (bool vertical : {false, true}) {
    std::vector<int64_t> line;
    for (int32_t i = 0; i < 7; ++i)
      line.push_back(
          ReferenceAxis(4, 7, i, vertical, FilterCubic, -1.0, 255, [&](int32_t k) { return ramp[k]; }));
    EXPECT_EQ(line, (std::vector<int64_t>{0, 33, 100, 155, 200, 241, 255})) << vertical;
  }
  // Source width and height, destination width and height. 300 x 200 has
  // rows of whole blocks for the vector kernels; the last three reduce by
  // thousands, with sums of 16-bit samples that 32 bits cannot hold, and by
  // more than the fast kernels take, over rows that span storage chunks.
  const std::array<int32_t, 4> shapes[] = {
      {13, 9, 5, 4},       {13, 9, 31, 23},  {13, 9, 13, 20},  {13, 9, 6, 9},
      {13, 9, 1, 1},       {13, 9, 40, 1},   {2, 2, 9, 7},     {1, 1, 5, 3},
      {3, 17, 1, 5},       {30, 4, 7, 11},   {100, 3, 3, 3},   {7, 6, 9, 2},
      {300, 200, 457, 61}, {10000, 2, 3, 1}, {1, 10000, 1, 3}, {3000, 300, 17, 2}};
  // Random samples, with a run of extremes so the clamps are exercised too.
  for (int type : {Bilevel, Gray8, Rgb8, Gray16, Rgb16}) {
    for (const auto& s : shapes) {
      std::minstd_rand noise(type);
      const Image src = MakeImage(type, s[0], s[1], [&](int32_t x, int32_t, int) -> int64_t {
        const uint32_t h = noise();
        return (x % 5 == 2) ? ((h & 1) ? MaxOf(type) : 0) : h % (MaxOf(type) + 1);
      });
      for (auto [filter, a] : {std::pair{FilterCubic, -1.0}, {FilterTriangle, -1.0}, {FilterCubic, -0.5}})
        ExpectMatchesReference(src, s[2], s[3], filter, a);
    }
  }
  // 3 -> 700 puts destination 1 at f = 2/699: trunc(255 f) is 0, so that row
  // is source row 0 as it stands, although with a = -2 the next row would
  // weigh 1. Along x the same position blends.
  Image src = MakeImage(Gray8, 3, 3, [](int32_t x, int32_t y, int) { return (x + y) % 2 ? 255 : 0; });
  ExpectMatchesReference(src, 3, 700, FilterCubic, -2.0);
  ExpectMatchesReference(src, 700, 3, FilterCubic, -2.0);
  Image out, across;
  ASSERT_EQ(ResampleImage(src, &out, 3, 700, 100.0, FilterCubic, -2.0), 0);
  ASSERT_EQ(ResampleImage(src, &across, 700, 3, 100.0, FilterCubic, -2.0), 0);
  EXPECT_EQ(std::tuple(Sample(out, 0, 1, 0), Sample(across, 1, 0, 0)), std::tuple(0, 1));
}

TEST(Resample, RefusalsInPlaceWorkAndTheWaitCursor) {
  // The wait cursor as the program keeps it: up while any request is open.
  int depth = 0, shown = 0;
  BusyHook previous = SetBusyHook([&](bool busy) { depth += busy ? 1 : -1, shown += busy; });
  Image src = MakeImage(Gray8, 13, 9, [](int32_t x, int32_t y, int) { return (x * 17 + y * 29) % 256; });
  Image out, empty;
  {
    const BusyScope exporting;  // failures within a longer task leave its cursor up
    for (auto [w, h] : {std::pair{0, 4}, {4, 0}, {-3, 5}, {5, -1}, {256001, 2}}) {
      ASSERT_EQ(ResampleImage(src, &out, 4, 4, 100.0, FilterCubic, -1.0), 0);
      ASSERT_EQ(ResampleImage(src, &out, w, h, 100.0, FilterCubic, -1.0), 1) << w << "x" << h;
      EXPECT_EQ(std::tuple(out.HasPixels(), out.width, depth), std::tuple(false, 0, 1));
    }
  }
  EXPECT_EQ(std::tuple(shown, depth), std::tuple(6, 0));  // one for each request that went ahead
  SetBusyHook(previous);
  EXPECT_EQ(ResampleImage(empty, &out, 4, 4, 100.0, FilterCubic, -1.0), 1);
  EXPECT_FALSE(out.HasPixels());
  // Into itself: the same as into another image; a refused request changes nothing.
  Image expected;
  ASSERT_EQ(ResampleImage(src, &expected, 20, 5, 100.0, FilterCubic, -1.0), 0);
  ASSERT_EQ(ResampleImage(src, &src, 20, 5, 100.0, FilterCubic, -1.0), 0);
  EXPECT_EQ(ResampleImage(src, &src, 0, 5, 100.0, FilterCubic, -1.0), 1);
  EXPECT_TRUE(SamePixels(src, expected));
}

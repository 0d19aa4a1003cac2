#include "image/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "core/hooks.h"
#include "image/image.h"

namespace {

int Channels(int type) { return (type == Rgb8 || type == Rgb16) ? 3 : 1; }

int64_t SampleAt(const Image& image, int32_t x, int32_t y, int c) {
  const uint8_t* row = image.rows[y];
  switch (image.type) {
    case Bilevel:
      return GetBit(row, x) ? 255 : 0;
    case Gray8:
      return row[x];
    case Rgb8:
      return row[3 * x + c];
    case Gray16:
      return reinterpret_cast<const uint16_t*>(row)[x];
    default:
      return reinterpret_cast<const uint16_t*>(row)[3 * x + c];
  }
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
      int64_t v = value(i / n, y, i % n);
      if (type == Bilevel && v) SetBit(row, i);
      if (type == Gray8 || type == Rgb8) row[i] = static_cast<uint8_t>(v);
      if (type == Gray16 || type == Rgb16) reinterpret_cast<uint16_t*>(row)[i] = static_cast<uint16_t>(v);
    }
  }
  return image;
}

std::vector<int64_t> Line(const Image& image, bool alongX, int c = 0) {
  std::vector<int64_t> out;
  for (int32_t i = 0; i < (alongX ? image.width : image.height); ++i) {
    out.push_back(alongX ? SampleAt(image, i, 0, c) : SampleAt(image, 0, i, c));
  }
  return out;
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

void ExpectMatchesReference(const Image& src, int32_t dw, int32_t dh, int filter, double a) {
  SCOPED_TRACE(testing::Message() << "type " << src.type << " " << src.width << "x" << src.height << " -> "
                                  << dw << "x" << dh << " filter " << filter);
  Image dst;
  ASSERT_EQ(ResampleImage(src, &dst, dw, dh, 100.0, filter, a), 0);
  ASSERT_EQ(std::tuple(dst.type, dst.width, dst.height, dst.resolution),
            std::tuple(src.type == Bilevel ? Gray8 : src.type, dw, dh, 100.0));
  int64_t maxValue = (src.type == Gray16 || src.type == Rgb16) ? 65535 : 255;
  int mismatches = 0;
  for (int c = 0; c < Channels(src.type); ++c) {
    for (int32_t y = 0; y < dh; ++y) {
      std::vector<int64_t> line(src.width);
      for (int32_t x = 0; x < src.width; ++x) {
        line[x] = ReferenceAxis(src.height, dh, y, true, filter, a, maxValue,
                                [&](int32_t r) { return SampleAt(src, x, r, c); });
      }
      for (int32_t x = 0; x < dw; ++x) {
        int64_t expected = ReferenceAxis(src.width, dw, x, false, filter, a, maxValue,
                                         [&](int32_t col) { return line[col]; });
        if (SampleAt(dst, x, y, c) != expected && ++mismatches <= 5) {
          ADD_FAILURE() << "at " << x << "," << y << " channel " << c << ": " << SampleAt(dst, x, y, c)
                        << " instead of " << expected;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

uint32_t Hash(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  return x ^ (x >> 16);
}

const int kTypes[] = {Bilevel, Gray8, Rgb8, Gray16, Rgb16};

// Source width and height, destination width and height.
const std::array<int32_t, 4> kShapes[] = {
    {13, 9, 5, 4}, {13, 9, 31, 23}, {13, 9, 13, 20}, {13, 9, 6, 9},  {13, 9, 1, 1},  {13, 9, 40, 1},
    {2, 2, 9, 7},  {1, 1, 5, 3},    {3, 17, 1, 5},   {30, 4, 7, 11}, {100, 3, 3, 3}, {7, 6, 9, 2},
};

// Random samples, with a run of extremes so the clamps are exercised too.
Image RandomImage(int type, int32_t width, int32_t height) {
  const int64_t max = (type == Gray16 || type == Rgb16) ? 65535 : 255;
  return MakeImage(type, width, height, [&](int32_t x, int32_t y, int c) -> int64_t {
    uint32_t h = Hash(static_cast<uint32_t>(x * 7919 + y * 104729 + c * 31 + type));
    return (x % 5 == 2) ? ((h & 1) ? max : 0) : h % (max + 1);
  });
}

}  // namespace

TEST(ResampleWorkedNumbers, CubicEnlargementAndReductionAlongBothAxes) {
  const std::vector<int64_t> up = {0, 100, 200, 255};
  const std::vector<int64_t> down = {0, 0, 0, 0, 255, 255, 255, 255};
  for (int type : {Gray8, Rgb8, Gray16, Rgb16}) {
    SCOPED_TRACE(type);
    for (bool alongX : {true, false}) {
      Image wide = MakeImage(type, alongX ? 4 : 1, alongX ? 1 : 4,
                             [&](int32_t x, int32_t y, int) { return up[x + y]; });
      Image out;
      ASSERT_EQ(ResampleImage(wide, &out, alongX ? 7 : 1, alongX ? 1 : 7, 100.0, FilterCubic, -1.0), 0);
      for (int c = 0; c < Channels(type); ++c) {
        EXPECT_EQ(Line(out, alongX, c), (std::vector<int64_t>{0, 33, 100, 155, 200, 241, 255}));
      }
      Image step = MakeImage(type, alongX ? 8 : 1, alongX ? 1 : 8,
                             [&](int32_t x, int32_t y, int) { return down[x + y]; });
      ASSERT_EQ(ResampleImage(step, &out, alongX ? 4 : 1, alongX ? 1 : 4, 100.0, FilterCubic, -1.0), 0);
      // Clamped negative lobes across columns, subtracting ones across rows.
      EXPECT_EQ(Line(out, alongX),
                alongX ? (std::vector<int64_t>{0, 20, 234, 255}) : (std::vector<int64_t>{0, 5, 252, 255}));
    }
  }
}

TEST(ResampleWorkedNumbers, OnePixelDestinationsBlendAroundTheFirstPixel) {
  // One column: step 0, taps -1..1 around column 0 at scale 8, so weights
  // trunc(255 K(0)) = 255 and trunc(255 K(1/8)) = 247: 247 * 200 / 502 = 98.
  Image row =
      MakeImage(Gray8, 8, 1, [](int32_t x, int32_t, int) { return x == 1 ? 200 : (x == 0 ? 0 : 255); });
  Image out;
  ASSERT_EQ(ResampleImage(row, &out, 1, 1, 100.0, FilterCubic, -1.0), 0);
  const int64_t oneColumn = SampleAt(out, 0, 0, 0);
  // One row: step 1.0, taps -2..2 around row 0, rows 0..2 weigh 255, 247,
  // 227 and nothing else counts: 247 * 200 / 729 = 67.
  Image column = MakeImage(
      Gray8, 1, 8, [](int32_t, int32_t y, int) { return y == 1 ? 200 : (y == 0 ? 0 : (y == 2 ? 0 : 255)); });
  ASSERT_EQ(ResampleImage(column, &out, 1, 1, 100.0, FilterCubic, -1.0), 0);
  EXPECT_EQ(std::tuple(oneColumn, SampleAt(out, 0, 0, 0)), std::tuple(98, 67));
}

TEST(ResampleWorkedNumbers, OvershootClampsToTheSampleRange) {
  // At the half-way position between the two middle pixels the weights are
  // -31, 159, 159, -31 (sum 256): 318 * max / 256 overshoots, -62 * max / 256 undershoots.
  for (int type : {Gray8, Gray16}) {
    int64_t max = type == Gray8 ? 255 : 65535;
    Image hump = MakeImage(type, 4, 1, [&](int32_t x, int32_t, int) { return (x == 1 || x == 2) ? max : 0; });
    Image dip = MakeImage(type, 4, 1, [&](int32_t x, int32_t, int) { return (x == 1 || x == 2) ? 0 : max; });
    Image out;
    ASSERT_EQ(ResampleImage(hump, &out, 7, 1, 100.0, FilterCubic, -1.0), 0);
    EXPECT_EQ(SampleAt(out, 3, 0, 0), max);
    ASSERT_EQ(ResampleImage(dip, &out, 7, 1, 100.0, FilterCubic, -1.0), 0);
    EXPECT_EQ(SampleAt(out, 3, 0, 0), 0);
  }
}

TEST(ResampleReference, EveryTypeKernelAndShapeMatchesTheLiteralAlgorithm) {
  for (int type : kTypes) {
    for (const auto& s : kShapes) {
      Image src = RandomImage(type, s[0], s[1]);
      ExpectMatchesReference(src, s[2], s[3], FilterCubic, -1.0);
      ExpectMatchesReference(src, s[2], s[3], FilterTriangle, -1.0);
      ExpectMatchesReference(src, s[2], s[3], FilterCubic, -0.5);
    }
  }
}

TEST(ResampleReference, PlainKernelsGiveTheVectorKernelsBytes) {
  // The vector kernels take 8-bit samples; the last shape gives them rows of
  // whole blocks. Both kinds divide exactly, so the bytes must be equal.
  std::vector<std::array<int32_t, 4>> shapes(std::begin(kShapes), std::end(kShapes));
  shapes.push_back({300, 200, 457, 61});
  for (int type : {Bilevel, Gray8, Rgb8}) {
    for (const auto& s : shapes) {
      const Image src = RandomImage(type, s[0], s[1]);
      for (auto [filter, a] : {std::pair{FilterCubic, -1.0}, {FilterTriangle, -1.0}, {FilterCubic, -0.5}}) {
        SCOPED_TRACE(testing::Message() << "type " << type << " " << s[0] << "x" << s[1] << " -> " << s[2]
                                        << "x" << s[3] << " filter " << filter << " a " << a);
        Image vector, plain;
        ASSERT_EQ(ResampleImage(src, &vector, s[2], s[3], 100.0, filter, a), 0);
        const bool previous = SetResampleVectorPaths(false);
        const int result = ResampleImage(src, &plain, s[2], s[3], 100.0, filter, a);
        SetResampleVectorPaths(previous);
        ASSERT_EQ(result, 0);
        const auto bytes = static_cast<size_t>(UnroundedRowBytes(plain.type, plain.width));
        for (int32_t y = 0; y < s[3]; ++y)
          ASSERT_EQ(std::memcmp(vector.rows[y], plain.rows[y], bytes), 0) << y;
      }
    }
  }
}

TEST(ResampleReference, RowsCloserThanOneWeightUnitAreTakenUnblended) {
  // 3 -> 700 puts destination 1 at f = 2/699: trunc(255 f) is 0, so that row
  // is source row 0 as it stands, although with a = -2 the next row would
  // weigh 1. Along x the same position blends.
  Image src = MakeImage(Gray8, 3, 3, [](int32_t x, int32_t y, int) { return (x + y) % 2 ? 255 : 0; });
  ExpectMatchesReference(src, 3, 700, FilterCubic, -2.0);
  ExpectMatchesReference(src, 700, 3, FilterCubic, -2.0);
  Image out, across;
  ASSERT_EQ(ResampleImage(src, &out, 3, 700, 100.0, FilterCubic, -2.0), 0);
  ASSERT_EQ(ResampleImage(src, &across, 700, 3, 100.0, FilterCubic, -2.0), 0);
  EXPECT_EQ(std::tuple(SampleAt(out, 0, 1, 0), SampleAt(across, 1, 0, 0)), std::tuple(0, 1));
}

TEST(ResampleReference, SourceAndDestinationSpanSeveralStorageChunks) {
  // 3000-byte rows give 85 rows per chunk.
  Image src =
      MakeImage(Rgb8, 1000, 300, [](int32_t x, int32_t y, int c) { return Hash(x + 1000 * y + c) & 255; });
  ASSERT_GT(src.chunkCount, 3);
  ExpectMatchesReference(src, 1100, 190, FilterCubic, -1.0);
  ExpectMatchesReference(src, 333, 400, FilterTriangle, -1.0);
}

TEST(ResampleInvariants, LargeReductionsDoNotOverflow) {
  // A 16-bit row of 10000 white pixels reduced to 3: a sum over thousands
  // of taps of 65535 x 255 that 32 bits cannot hold.
  Image wide = MakeImage(Gray16, 10000, 1, [](int32_t, int32_t, int) { return 65535; });
  Image tall = MakeImage(Gray16, 1, 10000, [](int32_t, int32_t, int) { return 65535; });
  Image out;
  ASSERT_EQ(ResampleImage(wide, &out, 3, 1, 100.0, FilterCubic, -1.0), 0);
  EXPECT_EQ(Line(out, true), (std::vector<int64_t>{65535, 65535, 65535}));
  ASSERT_EQ(ResampleImage(tall, &out, 1, 3, 100.0, FilterTriangle, -1.0), 0);
  EXPECT_EQ(Line(out, false), (std::vector<int64_t>{65535, 65535, 65535}));
  Image ramp =
      MakeImage(Gray16, 10000, 2, [](int32_t x, int32_t y, int) { return (x * 13 + y * 40000) % 65536; });
  ExpectMatchesReference(ramp, 3, 1, FilterCubic, -1.0);
  // 8-bit reductions by 150 and more: sums too large for the fast kernels.
  Image rgb = MakeImage(Rgb8, 3000, 300,
                        [](int32_t x, int32_t y, int c) { return Hash(x * 3 + y * 9001 + c) & 255; });
  ExpectMatchesReference(rgb, 17, 2, FilterTriangle, -1.0);
  // Flat pictures reduced 4000 times over keep their values exactly.
  for (int64_t value : {13, 97, 201, 252}) {
    Image flat = MakeImage(Rgb8, 30000, 2, [&](int32_t, int32_t, int c) { return value + c; });
    ASSERT_EQ(ResampleImage(flat, &out, 7, 1, 100.0, FilterCubic, -1.0), 0);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(Line(out, true, c), (std::vector<int64_t>(7, value + c)));
    Image tall = MakeImage(Gray8, 16, 30000, [&](int32_t, int32_t, int) { return value; });
    ASSERT_EQ(ResampleImage(tall, &out, 16, 7, 100.0, FilterTriangle, -1.0), 0);
    EXPECT_EQ(Line(out, false), (std::vector<int64_t>(7, value)));
  }
  // 8-bit: a row of 200000 halved twice over, 16 million units of weight.
  Image gray = MakeImage(Gray8, 200000, 1, [](int32_t, int32_t, int) { return 255; });
  ASSERT_EQ(ResampleImage(gray, &out, 2, 1, 100.0, FilterTriangle, -1.0), 0);
  EXPECT_EQ(Line(out, true), (std::vector<int64_t>{255, 255}));
}

TEST(ResampleBilevel, ReadsBitsAsBlackAndWhiteGray) {
  Image white = MakeImage(Bilevel, 21, 11, [](int32_t, int32_t, int) { return 1; });
  Image out;
  ASSERT_EQ(ResampleImage(white, &out, 50, 4, 100.0, FilterCubic, -1.0), 0);
  ASSERT_EQ(out.type, Gray8);
  for (int32_t y = 0; y < out.height; ++y)
    for (int32_t x = 0; x < out.width; ++x) ASSERT_EQ(SampleAt(out, x, y, 0), 255);
  // Same size: a copy that stays Bilevel, with the new resolution.
  Image half = MakeImage(Bilevel, 40, 10, [](int32_t x, int32_t, int) { return x >= 20; });
  ASSERT_EQ(ResampleImage(half, &out, 40, 10, 150.0, FilterCubic, -1.0), 0);
  ASSERT_EQ(std::tuple(out.type, out.resolution), std::tuple(Bilevel, 150.0));
  for (int32_t y = 0; y < 10; ++y) EXPECT_EQ(std::memcmp(out.rows[y], half.rows[y], half.rowBytes), 0);
}

TEST(ResampleBoundaries, AbsurdSizesAndFailuresLeaveAnEmptyDestination) {
  // The wait cursor as the program keeps it: up while any request is open.
  int depth = 0;
  int lowest = 0;
  int shown = 0;
  BusyHook previous = SetBusyHook([&](bool busy) {
    depth += busy ? 1 : -1;
    shown += busy;
    lowest = std::min(lowest, depth);
  });
  Image src = MakeImage(Rgb8, 8, 8, [](int32_t x, int32_t y, int c) { return x + y + c; });
  Image out;
  ASSERT_EQ(ResampleImage(src, &out, 4, 4, 100.0, FilterCubic, -1.0), 0);
  EXPECT_EQ(std::tuple(shown, depth), std::tuple(1, 0));
  {
    const BusyScope exporting;  // failures within a longer task leave its cursor up
    for (auto [w, h] : {std::pair{0, 4}, {4, 0}, {-3, 5}, {5, -1}, {85334, 2}}) {
      ASSERT_EQ(ResampleImage(src, &out, w, h, 100.0, FilterCubic, -1.0), 1) << w << "x" << h;
      EXPECT_EQ(std::tuple(out.HasPixels(), out.width, depth), std::tuple(false, 0, 1));
    }
  }
  EXPECT_EQ(std::tuple(shown, depth, lowest), std::tuple(2, 0, 0));
  // Absurd cubic parameters still give a picture of the requested size.
  for (double a : {std::nan(""), 1e300, -1e300}) {
    ASSERT_EQ(ResampleImage(src, &out, 5, 11, 100.0, FilterCubic, a), 0);
    EXPECT_EQ(std::tuple(out.width, out.height), std::tuple(5, 11));
  }
  Image empty;
  EXPECT_EQ(ResampleImage(empty, &out, 4, 4, 100.0, FilterCubic, -1.0), 1);
  EXPECT_FALSE(out.HasPixels());
  SetBusyHook(previous);
}

TEST(ResampleBoundaries, ResamplingAnImageIntoItself) {
  Image src = MakeImage(Gray8, 13, 9, [](int32_t x, int32_t y, int) { return (x * 17 + y * 29) % 256; });
  Image expected;
  ASSERT_EQ(ResampleImage(src, &expected, 20, 5, 100.0, FilterCubic, -1.0), 0);
  ASSERT_EQ(ResampleImage(src, &src, 20, 5, 100.0, FilterCubic, -1.0), 0);
  ASSERT_EQ(src.width, 20);
  for (int32_t y = 0; y < 5; ++y) EXPECT_EQ(std::memcmp(src.rows[y], expected.rows[y], 20), 0);
  EXPECT_EQ(ResampleImage(src, &src, 0, 5, 100.0, FilterCubic, -1.0), 1);
  EXPECT_EQ(src.width, 20);  // a refused request changes nothing
}

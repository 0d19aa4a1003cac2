// Orientation transforms and the conversion to Rgb8.
#include "image/transform.h"

#include <gtest/gtest.h>

#include <array>

#include "support/files.h"
#include "support/pictures.h"
#include "support/tiff.h"

namespace {

using Transform = int (*)(const Image&, Image*);

TEST(Transform, InversePairsGiveBackTheSourceForEveryTypeAndSize) {
  const struct {
    const char* name;
    Transform first, second;
  } pairs[] = {
      {"Rotate180 twice", Rotate180, Rotate180},
      {"Transpose twice", Transpose, Transpose},
      {"Transverse twice", Transverse, Transverse},
      {"MirrorHorizontal twice", MirrorHorizontal, MirrorHorizontal},
      {"FlipVertical twice", FlipVertical, FlipVertical},
      {"counter-clockwise then clockwise", Rotate90CounterClockwise, Rotate90Clockwise},
  };
  const int32_t sizes[][2] = {{65, 1}, {1, 130}, {130, 67}, {9, 1}};
  for (int32_t type = Bilevel; type <= Rgb16; ++type) {
    for (const auto& size : sizes) {
      Image source;
      ASSERT_EQ(AllocImage(&source, type, size[0], size[1], 72.0), 0);
      FillRandom(&source, static_cast<uint32_t>(type * 1000 + size[0]));
      for (const auto& pair : pairs) {
        SCOPED_TRACE(std::string(pair.name) + " type " + std::to_string(type) + " " +
                     std::to_string(size[0]));
        Image once, twice;
        ASSERT_EQ(pair.first(source, &once), 0);
        ASSERT_EQ(pair.second(once, &twice), 0);
        EXPECT_TRUE(SamePixels(source, twice));
      }
    }
  }
}

TEST(Transform, QuarterTurnsKeepSamplesIntact) {
  // A 3 x 2 picture turned clockwise: its top row is the first column read
  // from the bottom up.
  Image source, turned;
  ASSERT_EQ(AllocImage(&source, Gray8, 3, 2, 200.0), 0);
  const uint8_t top[] = {1, 2, 3}, bottom[] = {4, 5, 6};
  std::memcpy(source.rows[1], top, 3);
  std::memcpy(source.rows[0], bottom, 3);
  ASSERT_EQ(Rotate90Clockwise(source, &turned), 0);
  ASSERT_EQ(std::tuple(turned.width, turned.height, turned.resolution), std::tuple(2, 3, 200.0));
  EXPECT_EQ((std::array{SampleAt(turned, 0, 0, 0), SampleAt(turned, 1, 0, 0), SampleAt(turned, 0, 2, 0),
                        SampleAt(turned, 1, 2, 0)}),
            (std::array{4u, 1u, 6u, 3u}));

  // A Bilevel 9 x 1 turned upright is 1 x 9 with 4-byte rows.
  Image line;
  ASSERT_EQ(AllocImage(&line, Bilevel, 9, 1, 0), 0);
  line.rows[0][0] = 0x80, line.rows[0][1] = 0x00;  // only the first pixel white
  ASSERT_EQ(Rotate90Clockwise(line, &turned), 0);
  ASSERT_EQ(std::tuple(turned.width, turned.height, turned.rowBytes), std::tuple(1, 9, 4));
  for (int32_t y = 0; y < 9; ++y) EXPECT_EQ(SampleAt(turned, 0, y, 0), y == 0 ? 1u : 0u) << y;

  // 16-bit samples move whole: a corner of an Rgb16 picture keeps its three values.
  Image color;
  ASSERT_EQ(AllocImage(&color, Rgb16, 70, 3, 0), 0);
  FillRandom(&color, 9);
  ASSERT_EQ(Rotate90CounterClockwise(color, &turned), 0);
  // The top-left corner goes to the bottom-left.
  for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(SampleAt(turned, 0, 69, ch), SampleAt(color, 0, 0, ch));
  ASSERT_EQ(Transpose(color, &turned), 0);
  for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(SampleAt(turned, 2, 69, ch), SampleAt(color, 69, 2, ch));

  // An unknown type gives its shape and moves nothing.
  Image odd;
  odd.type = 7, odd.width = 4, odd.height = 2;
  ASSERT_EQ(Rotate90Clockwise(odd, &turned), 0);
  EXPECT_EQ(std::tuple(turned.type, turned.rows.get()), std::tuple(7, nullptr));
}

TEST(Transform, ConvertToRgb8) {
  Image gray16, rgb;
  ASSERT_EQ(AllocImage(&gray16, Gray16, 5, 1, 150.0), 0);
  const uint16_t samples[] = {0, 128, 129, 32896, 65535};
  std::memcpy(gray16.rows[0], samples, sizeof samples);
  ConvertToRgb8(gray16, &rgb);
  ASSERT_EQ(std::tuple(rgb.type, rgb.resolution), std::tuple(Rgb8, 150.0));
  const uint8_t expected[] = {0, 0, 1, 128, 255};
  for (int x = 0; x < 5; ++x)
    for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(SampleAt(rgb, x, 0, ch), expected[x]) << x;

  // Rgb16 keeps the channels apart; 257 * v maps back to v.
  Image rgb16;
  ASSERT_EQ(AllocImage(&rgb16, Rgb16, 1, 1, 0), 0);
  const uint16_t bgr[] = {257 * 10, 257 * 20, 257 * 30};
  std::memcpy(rgb16.rows[0], bgr, sizeof bgr);
  ConvertToRgb8(rgb16, &rgb);
  EXPECT_EQ(std::tuple(rgb.rows[0][0], rgb.rows[0][1], rgb.rows[0][2]), std::tuple(10, 20, 30));

  // Bilevel gives pure black and white; Gray8 repeats the byte.
  Image bits, gray8;
  ASSERT_EQ(AllocImage(&bits, Bilevel, 10, 1, 0), 0);
  bits.rows[0][0] = 0xA5, bits.rows[0][1] = 0x40;
  ConvertToRgb8(bits, &rgb);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(SampleAt(rgb, x, 0, 1), GetBit(bits.rows[0], x) ? 255u : 0u) << x;
  ASSERT_EQ(AllocImage(&gray8, Gray8, 3, 2, 0), 0);
  FillRandom(&gray8, 4);
  ConvertToRgb8(gray8, &rgb);
  EXPECT_EQ(std::tuple(SampleAt(rgb, 2, 1, 0), SampleAt(rgb, 2, 1, 2)),
            std::tuple(gray8.rows[0][2], gray8.rows[0][2]));
}

}  // namespace

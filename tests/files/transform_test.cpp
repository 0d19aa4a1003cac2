// The conversion to Rgb8 with worked numbers; the orientation transforms are
// checked through every Orientation of files libtiff writes.
#include "image/transform.h"

#include <gtest/gtest.h>

#include "support/pictures.h"

namespace {

TEST(Transform, ConvertToRgb8) {
  // 16-bit samples to the nearest of 257 * v; Rgb16 keeps its channels apart.
  Image gray16, rgb16, bits, rgb;
  ASSERT_EQ(AllocImage(&gray16, Gray16, 5, 1, 150.0), 0);
  const uint16_t samples[] = {0, 128, 129, 32896, 65535};
  std::memcpy(gray16.rows[0], samples, sizeof samples);
  ConvertToRgb8(gray16, &rgb);
  ASSERT_EQ(std::tuple(rgb.type, rgb.resolution), std::tuple(Rgb8, 150.0));
  EXPECT_EQ(std::vector<uint8_t>(rgb.rows[0], rgb.rows[0] + 15),
            (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 1, 1, 1, 128, 128, 128, 255, 255, 255}));
  ASSERT_EQ(AllocImage(&rgb16, Rgb16, 1, 1, 0), 0);
  const uint16_t bgr[] = {257 * 10, 257 * 20, 257 * 30};
  std::memcpy(rgb16.rows[0], bgr, sizeof bgr);
  ConvertToRgb8(rgb16, &rgb);
  EXPECT_EQ(std::tuple(rgb.rows[0][0], rgb.rows[0][1], rgb.rows[0][2]), std::tuple(10, 20, 30));
  // Bilevel gives pure black and white.
  ASSERT_EQ(AllocImage(&bits, Bilevel, 10, 1, 0), 0);
  bits.rows[0][0] = 0xA5, bits.rows[0][1] = 0x40;
  ConvertToRgb8(bits, &rgb);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(SampleAt(rgb, x, 0, 1), GetBit(bits.rows[0], x) ? 255u : 0u) << x;
}

}  // namespace

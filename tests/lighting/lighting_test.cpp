#include "render/lighting.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "support/pictures.h"

namespace {

// Every byte value in the blue channel, mixed values in the others.
Image Pattern(int32_t width, int32_t height) {
  Image image;
  EXPECT_EQ(AllocImage(&image, Rgb8, width, height, 72.0), 0);
  for (int32_t r = 0; r < height; ++r) {
    for (int32_t i = 0; i < 3 * width; ++i) image.rows[r][i] = uint8_t(i % 3 == 0 ? i / 3 : i * 7 + r * 3);
  }
  return image;
}

TEST(LightColor, EightTypesAndOutOfRangeFailures) {
  const int32_t expected[8][3] = {{255, 233, 131}, {255, 237, 147}, {255, 237, 147}, {255, 249, 196},
                                  {255, 253, 221}, {255, 254, 245}, {255, 255, 255}, {241, 255, 255}};
  const DisplayColorimetry c;
  for (int32_t type = 0; type < 8; ++type) {
    int32_t rgb[3] = {-1, -1, -1};
    ASSERT_EQ(LightColor(type, c, &rgb[0], &rgb[1], &rgb[2]), 0);
    EXPECT_EQ(std::to_array(rgb), std::to_array(expected[type])) << kLightingTypeLabels[type];
  }
  int32_t r = 7, g = 8, b = 9;
  for (int32_t type : {-1, 8}) EXPECT_EQ(LightColor(type, c, &r, &g, &b), 1);
  for (double k : {999.999, 25000.001, std::nan("")}) EXPECT_EQ(TemperatureToRgb(k, c, &r, &g, &b), 1);
  EXPECT_EQ(std::tuple(r, g, b), std::tuple(7, 8, 9));  // failures leave the outputs alone
  double x = 0, y = 0;
  ASSERT_EQ(TemperatureChromaticity(3550.0, &x, &y), 0);  // the 3600 K row holds x = 0.409
  EXPECT_NEAR(x, 0.407, 1e-12);
}

TEST(ChannelTable, WorkedNumbersForTheThreeIntensities) {
  ToneTables tones;
  ASSERT_EQ(BuildToneTables(20.0 / 9.0, &tones), 0);
  struct Case {
    int32_t intensity, light;
    std::array<int, 5> out;
  };
  for (const Case& c :
       {Case{kBright, 200, {0, 50, 100, 151, 200}}, Case{kModerate, 255, {0, 40, 100, 169, 246}},
        Case{kSubdued, 255, {0, 25, 78, 149, 236}}}) {
    ChannelTable table{};
    ASSERT_EQ(BuildChannelTable(tones, c.intensity, c.light, &table), 0);
    EXPECT_EQ((std::array<int, 5>{table[0], table[64], table[128], table[192], table[255]}), c.out)
        << c.intensity << " " << c.light;
  }
  ChannelTable table{};
  EXPECT_EQ(BuildChannelTable(tones, 3, 255, &table) + BuildChannelTable(tones, kBright, 256, &table) +
                BuildToneTables(0.0, &tones),
            3);
}

TEST(ApplyLighting, EveryPixelGoesThroughItsChannelTable) {
  Image white;  // a white wall under tungsten takes the light colour, blue byte first
  ASSERT_EQ(AllocImage(&white, Rgb8, 1, 1, 0.0), 0);
  std::fill(white.rows[0], white.rows[0] + 4, 255);
  ApplyLighting(LightingSettings{kBright, kTungsten}, DisplayColorimetry{}, &white);
  EXPECT_EQ((std::array<int, 4>{white.rows[0][0], white.rows[0][1], white.rows[0][2], white.rows[0][3]}),
            (std::array<int, 4>{131, 233, 255, 255}));  // the spare byte is no pixel

  ToneTables tones;
  ASSERT_EQ(BuildToneTables(20.0 / 9.0, &tones), 0);
  ChannelTable red{}, green{}, blue{};  // Mixed light: 255, 253, 221
  ASSERT_EQ(BuildChannelTable(tones, kModerate, 255, &red) +
                BuildChannelTable(tones, kModerate, 253, &green) +
                BuildChannelTable(tones, kModerate, 221, &blue),
            0);
  // Large composites over several chunks, widths that do and do not fill
  // groups of four pixels, and a small one.
  for (int32_t width : {1000, 1001, 1002, 1003, 64}) {
    Image image = Pattern(width, width == 64 ? 16 : 140), before;
    ASSERT_EQ(CopyImage(image, &before), 0);
    ApplyLighting(LightingSettings{kModerate, kMixed}, DisplayColorimetry{}, &image);
    int wrong = 0;
    for (int32_t r = 0; r < image.height; ++r) {
      for (int32_t i = 0; i < 3 * width; i += 3) {
        const uint8_t *was = before.rows[r] + i, *now = image.rows[r] + i;
        wrong += (now[0] != blue[was[0]]) + (now[1] != green[was[1]]) + (now[2] != red[was[2]]);
      }
    }
    EXPECT_EQ(wrong, 0) << "width " << width;
  }
}

TEST(ApplyLighting, WhatCannotBeLitIsLeftUnchanged) {
  Image image = Pattern(64, 16), before;
  ASSERT_EQ(CopyImage(image, &before), 0);
  ApplyLighting(LightingSettings{kBright, kDaylight}, DisplayColorimetry{}, &image);  // full light
  // Primaries of no matrix, no usable gamma, and primaries under which
  // tungsten light has no positive channel.
  DisplayColorimetry singular, nanGamma, darkLight;
  singular.blue = singular.green;
  nanGamma.gamma = std::nan("");
  darkLight.red = Xyz{0, 0, 1}, darkLight.green = Xyz{0, 1, 0}, darkLight.blue = Xyz{1, 0, 0};
  darkLight.white = Xyz{-1, -1, -1};
  for (const DisplayColorimetry& c : {singular, nanGamma, darkLight})
    ApplyLighting(LightingSettings{kSubdued, kTungsten}, c, &image);
  for (LightingSettings bad : {LightingSettings{3, 0}, LightingSettings{-1, 0}, LightingSettings{2, 8}})
    ApplyLighting(bad, DisplayColorimetry{}, &image);
  EXPECT_TRUE(SamePixels(image, before));
}

}  // namespace

#include "render/lighting.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "support/pictures.h"

namespace {

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
}

TEST(ChannelTable, WorkedNumbersForTheThreeIntensities) {
  ToneTables tones;
  ASSERT_EQ(BuildToneTables(20.0 / 9.0, &tones) + 1, BuildToneTables(0.0, &tones));
  // clang-format off
  for (auto [intensity, light, out] : {std::tuple{kBright, 200, std::array{0, 50, 100, 151, 200}},
                                       {kModerate, 255, {0, 40, 100, 169, 246}}, {kSubdued, 255, {0, 25, 78, 149, 236}},
                                       {3, 255, {}}, {kBright, 256, {}}}) {
    // clang-format on
    ChannelTable table{};
    ASSERT_EQ(BuildChannelTable(tones, intensity, light, &table), out[4] == 0);
    EXPECT_EQ((std::array<int, 5>{table[0], table[64], table[128], table[192], table[255]}), out) << light;
  }
}

TEST(ApplyLighting, EveryPixelGoesThroughItsChannelTable) {
  ToneTables tones;
  ASSERT_EQ(BuildToneTables(20.0 / 9.0, &tones), 0);
  ChannelTable red{}, green{}, blue{};  // Mixed light: 255, 253, 221
  ASSERT_EQ(BuildChannelTable(tones, kModerate, 255, &red) +
                BuildChannelTable(tones, kModerate, 253, &green) +
                BuildChannelTable(tones, kModerate, 221, &blue),
            0);
  const ChannelTable* tables[] = {&blue, &green, &red};
  // Large composites over several chunks, widths that do and do not fill
  // groups of four pixels, and a small one; the bytes past a row's pixels
  // stay as they were.
  for (int32_t width : {1000, 1001, 1002, 1003, 64}) {
    Image image, before;
    ASSERT_EQ(AllocImage(&image, Rgb8, width, width == 64 ? 16 : 140, 72.0), 0);
    FillRandom(&image, width);
    ASSERT_EQ(CopyImage(image, &before), 0);
    ApplyLighting(LightingSettings{kModerate, kMixed}, DisplayColorimetry{}, &image);
    int wrong = 0;
    for (int32_t r = 0; r < image.height; ++r)
      for (int32_t i = 0; i < image.rowBytes; ++i)
        wrong +=
            image.rows[r][i] != (i < 3 * width ? (*tables[i % 3])[before.rows[r][i]] : before.rows[r][i]);
    EXPECT_EQ(wrong, 0) << "width " << width;
  }
}

TEST(ApplyLighting, WhatCannotBeLitIsLeftUnchanged) {
  Image image, before;
  ASSERT_EQ(AllocImage(&image, Rgb8, 64, 16, 72.0), 0);
  FillRandom(&image, 5);
  ASSERT_EQ(CopyImage(image, &before), 0);
  // Full light; primaries of no matrix, no usable gamma, primaries under which
  // tungsten light has no positive channel; unknown settings.
  ApplyLighting(LightingSettings{kBright, kDaylight}, DisplayColorimetry{}, &image);
  DisplayColorimetry singular, nanGamma, darkLight{{-1, -1, -1}, {0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
  singular.blue = singular.green;
  nanGamma.gamma = std::nan("");
  for (const DisplayColorimetry& c : {singular, nanGamma, darkLight})
    ApplyLighting(LightingSettings{kSubdued, kTungsten}, c, &image);
  for (LightingSettings bad : {LightingSettings{3, 0}, LightingSettings{-1, 0}, LightingSettings{2, 8}})
    ApplyLighting(bad, DisplayColorimetry{}, &image);
  EXPECT_TRUE(SamePixels(image, before));
}

}  // namespace

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
  const int32_t mixed[] = {221, 253, 255};  // blue, green, red of Mixed light
  ChannelTable tables[3];
  for (int32_t i = 0; i < 3; ++i) ASSERT_EQ(BuildChannelTable(tones, kModerate, mixed[i], &tables[i]), 0);
  // Full light and what cannot be lit change nothing: primaries of no matrix,
  // no usable gamma, primaries under which tungsten light has no positive
  // channel, unknown settings.
  DisplayColorimetry singular, nanGamma, darkLight{{-1, -1, -1}, {0, 0, 1}, {0, 1, 0}, {1, 0, 0}};
  singular.blue = singular.green;
  nanGamma.gamma = std::nan("");
  const LightingSettings tungsten{kSubdued, kTungsten};
  // clang-format off
  const std::pair<LightingSettings, DisplayColorimetry> unlit[] = {
      {{kBright, kDaylight}, {}}, {tungsten, singular}, {tungsten, nanGamma}, {tungsten, darkLight},
      {{3, 0}, {}}, {{-1, 0}, {}}, {{2, 8}, {}}};
  // clang-format on
  // Large composites over several chunks, widths that do and do not fill
  // groups of four pixels, and a small one; the bytes past a row's pixels
  // stay as they were.
  for (int32_t width : {1000, 1001, 1002, 1003, 64}) {
    Image image, before;
    ASSERT_EQ(AllocImage(&image, Rgb8, width, width == 64 ? 16 : 140, 72.0), 0);
    FillRandom(&image, width);
    ASSERT_EQ(CopyImage(image, &before), 0);
    for (const auto& [light, colorimetry] : unlit) ApplyLighting(light, colorimetry, &image);
    ApplyLighting(LightingSettings{kModerate, kMixed}, DisplayColorimetry{}, &image);
    int wrong = 0;
    for (int32_t r = 0; r < image.height; ++r)
      for (int32_t i = 0; i < image.rowBytes; ++i)
        wrong += image.rows[r][i] != (i < 3 * width ? tables[i % 3][before.rows[r][i]] : before.rows[r][i]);
    EXPECT_EQ(wrong, 0) << "width " << width;
  }
}

}  // namespace

#include "render/lighting.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <array>
#include <cmath>
#include <vector>

#include "core/icc.h"
#include "support/pictures.h"
#include "support/profiles.h"

namespace {

TEST(Lighting, LightColorsChannelTablesAndEveryPixelThroughThem) {
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
  // Mixed light at Moderate: the tables of its blue, green and red.
  ChannelTable tables[3];
  for (int32_t i = 0; i < 3; ++i)
    ASSERT_EQ(BuildChannelTable(tones, kModerate, expected[kMixed][2 - i], &tables[i]), 0);
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

using Bytes = std::vector<uint8_t>;

// Big-endian words, as profiles store them.
void Put32(Bytes* b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*b)[at + i] = uint8_t(v >> (24 - 8 * i));
}

// Reads from an exact-size heap copy, so a sanitizer build sees any overread.
int Read(const Bytes& bytes, size_t length, DisplayColorimetry* c) {
  return ReadDisplayColorimetry(Bytes(bytes.begin(), bytes.begin() + length).data(), uint32_t(length), c);
}

const DisplayColorimetry kZero{Xyz{}, Xyz{}, Xyz{}, Xyz{}, 0.0};
const Bytes kSrgb(SrgbProfileBytes(), SrgbProfileBytes() + kSrgbProfileLength);

TEST(ReadDisplayColorimetry, ProfilesReadAsLittleCmsReadsThemAlteredAndDamaged) {
  DisplayColorimetry c = kZero;
  EXPECT_EQ(ReadDisplayColorimetry(nullptr, 0, &c), 0);
  EXPECT_EQ(std::tuple(c.white.Z, c.gamma), std::tuple(1.0891, 20.0 / 9.0));

  // sRGB's 1024-entry curves and a parametric curve with a linear toe read as
  // the display exponent; a parametric pure power as its exponent.
  const CurveRecipe srgb{4, {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045}};
  const std::pair<Bytes, double> profiles[] = {
      {kSrgb, 20.0 / 9.0},
      {WideGamutProfile(), 2.2},
      {MatrixProfile({0.64, 0.33, 0.3, 0.6, 0.15, 0.06}, {srgb, srgb, srgb}), 20.0 / 9.0}};
  for (const auto& [profile, gamma] : profiles) {
    c = kZero;
    ASSERT_EQ(Read(profile, profile.size(), &c), 0);
    EXPECT_NEAR(c.gamma, gamma, gamma == 2.2 ? 1e-4 : 1e-12);
    cmsHPROFILE h = cmsOpenProfileFromMem(profile.data(), uint32_t(profile.size()));
    ASSERT_NE(h, nullptr);
    // clang-format off
    for (const auto& [tag, xyz] : {std::pair{cmsSigMediaWhitePointTag, c.white}, {cmsSigRedColorantTag, c.red},
                                   {cmsSigGreenColorantTag, c.green}, {cmsSigBlueColorantTag, c.blue}}) {
      // clang-format on
      auto* lcms = static_cast<const cmsCIEXYZ*>(cmsReadTag(h, tag));
      ASSERT_NE(lcms, nullptr);
      EXPECT_NEAR(std::hypot(xyz.X - lcms->X, xyz.Y - lcms->Y, xyz.Z - lcms->Z), 0.0, 1e-4);
    }
    cmsCloseProfile(h);
  }

  // The sRGB profile's tag table starts at 132 with 12-byte entries: wtpt,
  // rXYZ, gXYZ and bXYZ are entries 2, 4, 5 and 6 (data at 496, 536, 556,
  // 576); all three curves share one curve at 1084, the last bytes.
  // An empty curve is linear, a one-entry curve a u8.8 exponent; a tag the
  // profile lacks (gXYZ renamed) keeps what was there.
  for (auto [count, gamma] : {std::pair{0u, 1.0}, {1u, 2.19921875}}) {
    Bytes p = kSrgb;
    Put32(&p, 1092, count);
    Put32(&p, 1096, 563u << 16);
    p[192] = 'x';
    c = DisplayColorimetry{};
    ASSERT_EQ(Read(p, p.size(), &c), 0);
    EXPECT_EQ(std::tuple(c.gamma, c.green.Y), std::tuple(gamma, 0.7169));
    EXPECT_NEAR(c.red.X, 0.4361, 1e-4);
  }

  c = kZero;
  EXPECT_EQ(std::tuple(Read(kSrgb, 131, &c), c.white.X), std::tuple(1, 0.0));  // too short: nothing read
  EXPECT_EQ(std::tuple(Read(kSrgb, 595, &c), c.blue.X), std::tuple(1, 0.0));   // bXYZ one byte short
  EXPECT_NEAR(c.white.X, 0.9505, 1e-4);  // read before the problem: kept
  // The profile cut short anywhere in its tag table.
  for (size_t length : {132, 140, 335}) EXPECT_EQ(Read(kSrgb, length, &c), 1) << length;

  // A header and an empty tag table need 132 bytes, even where the bytes
  // past the length would read as an empty table; a table claiming more
  // entries than the bytes hold, offsets (of gXYZ and gTRC) that would wrap
  // round in 32 bits once the field offset is added.
  // clang-format off
  for (auto [at, value, length, result] : {std::tuple{128u, 0u, 131u, 1}, {128u, 0u, 132u, 0},
       {128u, 0xFFFFFFFFu, 3144u, 1}, {196u, 0xFFFFFFF0u, 3144u, 1}, {316u, 0xFFFFFFF2u, 3144u, 1}}) {
    // clang-format on
    Bytes bad = kSrgb;
    Put32(&bad, at, value);
    EXPECT_EQ(ReadDisplayColorimetry(bad.data(), length, &c), result) << at << " " << length;
  }
}

}  // namespace

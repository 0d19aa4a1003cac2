#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <vector>

#include "core/icc.h"
#include "render/lighting.h"
#include "support/profiles.h"

namespace {

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

TEST(ReadDisplayColorimetry, DefaultsAndProfilesReadAsLittleCmsReadsThem) {
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
}

// The sRGB profile's tag table starts at 132 with 12-byte entries: wtpt,
// rXYZ, gXYZ and bXYZ are entries 2, 4, 5 and 6 (data at 496, 536, 556,
// 576); all three curves share one curve at 1084, the last bytes.
TEST(ReadDisplayColorimetry, AlteredAndDamagedProfiles) {
  // An empty curve is linear, a one-entry curve a u8.8 exponent; a tag the
  // profile lacks (gXYZ renamed) keeps what was there.
  for (auto [count, gamma] : {std::pair{0u, 1.0}, {1u, 2.19921875}}) {
    Bytes p = kSrgb;
    Put32(&p, 1092, count);
    Put32(&p, 1096, 563u << 16);
    p[192] = 'x';
    DisplayColorimetry c;
    ASSERT_EQ(Read(p, p.size(), &c), 0);
    EXPECT_EQ(std::tuple(c.gamma, c.green.Y), std::tuple(gamma, 0.7169));
    EXPECT_NEAR(c.red.X, 0.4361, 1e-4);
  }

  DisplayColorimetry c = kZero;
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

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "core/icc.h"
#include "render/lighting.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Big-endian words, as profiles store them.
void Put32(Bytes* b, size_t at, uint32_t v) {
  if (b->size() < at + 4) b->resize(at + 4);
  for (int i = 0; i < 4; ++i) (*b)[at + i] = uint8_t(v >> (24 - 8 * i));
}
void Add32(Bytes* b, uint32_t v) { Put32(b, b->size(), v); }
uint32_t Sig(const char* s) {
  return uint32_t(uint8_t(s[0])) << 24 | uint8_t(s[1]) << 16 | uint8_t(s[2]) << 8 | uint8_t(s[3]);
}
uint32_t Fixed(double v) { return uint32_t(int32_t(std::lround(v * 65536.0))); }

// Tag data: type signature, reserved, then the words given.
Bytes TagData(const char* type, std::vector<uint32_t> words) {
  Bytes d;
  Add32(&d, Sig(type));
  Add32(&d, 0);
  for (uint32_t w : words) Add32(&d, w);
  return d;
}
Bytes Xyz3(double X, double Y, double Z) { return TagData("XYZ ", {Fixed(X), Fixed(Y), Fixed(Z)}); }

// A bare profile: a zero header, the tag table, then each tag's data.
Bytes Profile(const std::vector<std::pair<const char*, Bytes>>& tags) {
  Bytes b(128, 0);
  Add32(&b, uint32_t(tags.size()));
  uint32_t at = uint32_t(b.size() + 12 * tags.size());
  for (const auto& [signature, data] : tags) {
    for (uint32_t v : {Sig(signature), at, uint32_t(data.size())}) Add32(&b, v);
    at += uint32_t(data.size());
  }
  for (const auto& tag : tags) b.insert(b.end(), tag.second.begin(), tag.second.end());
  return b;
}

// Reads from an exact-size heap copy, so a sanitizer build sees any overread.
int Read(const Bytes& bytes, size_t length, DisplayColorimetry* c) {
  std::unique_ptr<uint8_t[]> copy(new uint8_t[length]);
  std::memcpy(copy.get(), bytes.data(), length);
  return ReadDisplayColorimetry(copy.get(), uint32_t(length), c);
}

DisplayColorimetry Zeroed() { return DisplayColorimetry{Xyz{}, Xyz{}, Xyz{}, Xyz{}, 0.0}; }

// Our reading of the four XYZ tags against Little CMS's reading of the same bytes.
void CrossCheck(const Bytes& bytes, const DisplayColorimetry& ours) {
  cmsHPROFILE h = cmsOpenProfileFromMem(bytes.data(), uint32_t(bytes.size()));
  ASSERT_NE(h, nullptr);
  for (const auto& [tag, xyz] : {std::pair{cmsSigMediaWhitePointTag, ours.white},
                                 {cmsSigRedColorantTag, ours.red},
                                 {cmsSigGreenColorantTag, ours.green},
                                 {cmsSigBlueColorantTag, ours.blue}}) {
    auto* lcms = static_cast<const cmsCIEXYZ*>(cmsReadTag(h, tag));
    ASSERT_NE(lcms, nullptr);
    EXPECT_NEAR(std::hypot(xyz.X - lcms->X, xyz.Y - lcms->Y, xyz.Z - lcms->Z), 0.0, 1e-4);
  }
  cmsCloseProfile(h);
}

// Little CMS numbers its parametric types one above the profile's (1 is a pure power).
Bytes LittleCmsProfile(double version, int type = 1) {
  const cmsCIExyY white{0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
  const double srgb[] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
  const double power[] = {2.2};
  cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, type, type == 1 ? power : srgb);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  cmsHPROFILE h = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsFreeToneCurve(curve);
  cmsSetProfileVersion(h, version);
  cmsUInt32Number size = 0;
  Bytes bytes;
  if (cmsSaveProfileToMem(h, nullptr, &size)) bytes.resize(size);
  if (!cmsSaveProfileToMem(h, bytes.data(), &size)) bytes.clear();
  cmsCloseProfile(h);
  return bytes;
}

TEST(ReadDisplayColorimetry, DefaultsSrgbAndLittleCmsProfiles) {
  DisplayColorimetry c = Zeroed();
  EXPECT_EQ(ReadDisplayColorimetry(nullptr, 0, &c), 0);
  EXPECT_DOUBLE_EQ(c.white.Z, 1.0891);
  EXPECT_DOUBLE_EQ(c.gamma, 20.0 / 9.0);

  // sRGB has 1024-entry curves; Little CMS writes a pure 2.2 power as a
  // one-entry curve (563) in version 2 and as a parametric curve in version 4.
  const std::pair<Bytes, double> profiles[] = {
      {Bytes(SrgbProfileBytes(), SrgbProfileBytes() + kSrgbProfileLength), 20.0 / 9.0},
      {LittleCmsProfile(2.1), 2.19921875},
      {LittleCmsProfile(4.3), 2.2},
      {LittleCmsProfile(4.3, 4), 20.0 / 9.0}};
  for (const auto& [profile, gamma] : profiles) {
    c = Zeroed();
    ASSERT_EQ(Read(profile, profile.size(), &c), 0);
    EXPECT_NEAR(c.gamma, gamma, gamma == 2.2 ? 1e-4 : 1e-12);
    CrossCheck(profile, c);
  }
}

TEST(ReadDisplayColorimetry, HandMadeAndDamagedProfiles) {
  // An empty curve is linear; tags a profile lacks keep what was there.
  DisplayColorimetry c;
  const Bytes partial = Profile({{"rTRC", TagData("curv", {0})}, {"rXYZ", Xyz3(0.5, 0.25, -0.125)}});
  ASSERT_EQ(Read(partial, partial.size(), &c), 0);
  EXPECT_EQ(std::tuple(c.gamma, c.red.Z, c.green.Y), std::tuple(1.0, -0.125, 0.7169));

  c = Zeroed();
  const Bytes p = Profile({{"wtpt", Xyz3(0.9, 1.0, 0.8)}, {"rXYZ", Xyz3(0.6, 0.3, 0.0)}});
  EXPECT_EQ(Read(p, 131, &c), 1);
  EXPECT_EQ(c.white.X, 0.0);  // too short: nothing read
  const Bytes empty(132, 0);  // a header and an empty tag table need 132 bytes
  EXPECT_EQ(std::tuple(ReadDisplayColorimetry(empty.data(), 131, &c),
                       ReadDisplayColorimetry(empty.data(), 132, &c)),
            std::tuple(1, 0));
  EXPECT_EQ(Read(p, p.size() - 1, &c), 1);
  EXPECT_NEAR(c.white.X, 0.9, 1e-4);  // read before the problem: kept
  EXPECT_EQ(c.red.X, 0.0);
  EXPECT_EQ(Read(p, p.size(), &c), 0);  // data ending exactly at the end

  Bytes many = p;  // a table claiming more entries than the bytes hold
  Put32(&many, 128, 0xFFFFFFFFu);
  EXPECT_EQ(Read(many, many.size(), &c), 1);
  // Offsets that would wrap round in 32 bits once the field offset is added.
  for (uint32_t offset : {0xFFFFFFFFu, 0xFFFFFFF0u, 0xFFFFFFECu, 0xFFFFFFF2u}) {
    for (const char* signature : {"gXYZ", "gTRC"}) {
      Bytes bad = Profile({{signature, Xyz3(0.3, 0.6, 0.1)}});
      Put32(&bad, 136, offset);
      EXPECT_EQ(Read(bad, bad.size(), &c), 1) << signature << " " << offset;
    }
  }
  // The sRGB profile cut short anywhere in its tag table.
  const Bytes srgb(SrgbProfileBytes(), SrgbProfileBytes() + kSrgbProfileLength);
  for (size_t length : {132, 140, 335}) EXPECT_EQ(Read(srgb, length, &c), 1) << length;
}

}  // namespace

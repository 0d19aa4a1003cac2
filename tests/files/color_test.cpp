// Colour transforms against Little CMS used directly.
#include <gtest/gtest.h>
#include <lcms2.h>

#include "core/parallel.h"
#include "display/display_copy.h"
#include "support/files.h"
#include "support/pictures.h"
#include "support/profiles.h"

namespace {

// Pixels converted straight through Little CMS into sRGB, red first.
std::vector<uint16_t> Oracle(const IccProfile& from, const std::vector<uint16_t>& rgb, bool wide) {
  cmsHPROFILE in = cmsOpenProfileFromMem(from.data(), from.size());
  cmsHPROFILE out = cmsCreate_sRGBProfile();
  const cmsUInt32Number format = wide ? TYPE_RGB_16 : TYPE_RGB_8;
  cmsHTRANSFORM t = cmsCreateTransform(in, format, out, format, INTENT_PERCEPTUAL, 0);
  EXPECT_NE(t, nullptr);
  std::vector<uint16_t> result(rgb.size());
  if (wide) {
    cmsDoTransform(t, rgb.data(), result.data(), static_cast<cmsUInt32Number>(rgb.size() / 3));
  } else {
    std::vector<uint8_t> a(rgb.begin(), rgb.end()), b(rgb.size());
    cmsDoTransform(t, a.data(), b.data(), static_cast<cmsUInt32Number>(rgb.size() / 3));
    result.assign(b.begin(), b.end());
  }
  cmsDeleteTransform(t);
  cmsCloseProfile(in);
  cmsCloseProfile(out);
  return result;
}

std::vector<uint16_t> RedFirst(const Image& image) {
  std::vector<uint16_t> rgb;
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x)
      for (int ch = 0; ch < 3; ++ch) rgb.push_back(static_cast<uint16_t>(SampleAt(image, x, y, ch)));
  return rgb;
}

TEST(Color, ConvertToWorkingSpace) {
  const IccProfile wide = WideGamutProfile();
  const IccProfile srgb(SrgbProfileBytes(), SrgbProfileBytes() + kSrgbProfileLength);
  for (int32_t type : {Rgb8, Rgb16, Gray8}) {  // gray pictures stay as they are
    SCOPED_TRACE(type);
    Image picture, original;
    ASSERT_EQ(AllocImage(&picture, type, 301, 1100, 0), 0);  // several storage chunks
    FillRandom(&picture, 3);
    CopyImage(picture, &original);
    SetWorkerThreads(3);  // each with its share of the rows
    ASSERT_EQ(ConvertToWorkingSpace(&picture, wide), 0);
    SetWorkerThreads(0);
    if (type == Gray8) {
      EXPECT_TRUE(SamePixels(picture, original));
      continue;
    }
    EXPECT_EQ(RedFirst(picture), Oracle(wide, RedFirst(original), type == Rgb16));
    EXPECT_NE(RedFirst(picture), RedFirst(original));
    // No profile, the standard sRGB bytes, or bytes the library cannot open: unchanged.
    for (const IccProfile& none : {IccProfile{}, srgb, IccProfile(200, 7)}) {
      CopyImage(original, &picture);
      EXPECT_EQ(ConvertToWorkingSpace(&picture, none), 0);
      EXPECT_TRUE(SamePixels(picture, original));
    }
  }
}

// Matrix/TRC monitors run on our own kernel; every one of the 2^24 colours
// must come out within one level of Little CMS with the same profiles.
TEST(Color, OwnKernelMatchesLittleCmsForEveryColor) {
  const std::array<double, 6> p3 = {0.68, 0.32, 0.265, 0.69, 0.15, 0.06};
  const std::array<double, 6> bt2020 = {0.708, 0.292, 0.170, 0.797, 0.131, 0.046};
  const CurveRecipe bt709 = {4, {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081}};
  const IccProfile monitors[] = {
      WideGamutProfile(),
      MatrixProfile(p3, {CurveRecipe{1, {1.8}}, CurveRecipe{1, {2.2}}, CurveRecipe{1, {2.6}}}),
      MatrixProfile(bt2020, {bt709, bt709, CurveRecipe{2, {2.2, 1.05, -0.05}}}),
  };
  Image all, ours;
  ASSERT_EQ(AllocImage(&all, Rgb8, 4096, 4096, 72.0), 0);
  for (int32_t r = 0; r < 4096; ++r) {
    for (int32_t c = 0; c < 4096; ++c) {
      const uint32_t v = static_cast<uint32_t>(r) * 4096 + static_cast<uint32_t>(c);
      uint8_t* p = all.rows[r] + 3 * c;
      std::tie(p[0], p[1], p[2]) = std::tuple(uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16));
    }
  }
  std::vector<uint8_t> expected(3 * 4096);
  for (const IccProfile& monitor : monitors) {
    DisplayTransform cache;
    ASSERT_EQ(MakeDisplayCopy(all, monitor, &cache, &ours), 0);
    ASSERT_TRUE(UsesOwnKernel(cache.transform));
    ASSERT_EQ(std::tuple(ours.type, ours.resolution), std::tuple(Rgb8, 72.0));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE out = cmsOpenProfileFromMem(monitor.data(), static_cast<cmsUInt32Number>(monitor.size()));
    cmsHTRANSFORM t = cmsCreateTransform(srgb, TYPE_BGR_8, out, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
    int64_t far = 0;
    for (int32_t r = 0; r < 4096; ++r) {
      cmsDoTransform(t, all.rows[r], expected.data(), 4096);
      for (size_t i = 0; i < expected.size(); ++i)
        far += std::abs(int{expected[i]} - int{ours.rows[r][i]}) > 1;
    }
    EXPECT_EQ(far, 0);
    cmsDeleteTransform(t);
    cmsCloseProfile(out);
    cmsCloseProfile(srgb);
  }
  // Without a usable monitor profile there is no display copy.
  const IccProfile srgb(SrgbProfileBytes(), SrgbProfileBytes() + kSrgbProfileLength);
  for (const IccProfile& none : {IccProfile{}, srgb}) {
    DisplayTransform cache;
    Image empty;
    EXPECT_EQ(MakeDisplayCopy(all, none, &cache, &empty), 0);
    EXPECT_EQ(std::tuple(empty.rows.get(), empty.type), std::tuple(nullptr, 0));
  }
}

}  // namespace

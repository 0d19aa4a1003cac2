// Colour transforms against Little CMS used directly.
#include <gtest/gtest.h>
#include <lcms2.h>

#include "core/parallel.h"
#include "display/display_copy.h"
#include "support/pictures.h"
#include "support/profiles.h"

namespace {

// The picture converted row by row straight through Little CMS; an empty
// profile is sRGB.
Image Oracle(const IccProfile& from, const IccProfile& to, const Image& picture) {
  auto open = [](const IccProfile& p) {
    return p.empty() ? cmsCreate_sRGBProfile()
                     : cmsOpenProfileFromMem(p.data(), static_cast<cmsUInt32Number>(p.size()));
  };
  cmsHPROFILE in = open(from), out = open(to);
  const cmsUInt32Number format = picture.type == Rgb16 ? TYPE_BGR_16 : TYPE_BGR_8;
  cmsHTRANSFORM t = cmsCreateTransform(in, format, out, format, INTENT_PERCEPTUAL, 0);
  Image result;
  CopyImage(picture, &result);
  for (int32_t r = 0; r < picture.height; ++r)
    cmsDoTransform(t, picture.rows[r], result.rows[r], static_cast<cmsUInt32Number>(picture.width));
  cmsDeleteTransform(t);
  cmsCloseProfile(in);
  cmsCloseProfile(out);
  return result;
}

TEST(Color, ConvertToWorkingSpaceOrChangeNothing) {
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
    EXPECT_EQ(SamePixels(picture, original), type == Gray8);
    EXPECT_TRUE(type == Gray8 || SamePixels(picture, Oracle(wide, {}, original)));
    // No profile, the standard sRGB bytes, or bytes the library cannot open:
    // unchanged, and no display copy.
    for (const IccProfile& none : {IccProfile{}, srgb, IccProfile(200, 7)}) {
      CopyImage(original, &picture);
      EXPECT_EQ(ConvertToWorkingSpace(&picture, none), 0);
      EXPECT_TRUE(SamePixels(picture, original));
      DisplayTransform cache;
      Image copy;
      EXPECT_EQ(MakeDisplayCopy(original, none, &cache, &copy), 0);
      EXPECT_EQ(std::tuple(copy.rows.get(), copy.type), std::tuple(nullptr, 0));
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
  Image all;
  ASSERT_EQ(AllocImage(&all, Rgb8, 4096, 4096, 72.0), 0);
  for (int32_t r = 0; r < 4096; ++r)
    for (int32_t i = 0; i < 3 * 4096; ++i) all.rows[r][i] = uint8_t((r * 4096 + i / 3) >> (8 * (i % 3)));
  for (const IccProfile& monitor : monitors) {
    const Image expected = Oracle({}, monitor, all);
    // The plain kernel too, which this machine would otherwise never run; it
    // must give the vector kernel's bytes exactly.
    std::array<Image, 2> byKernel;
    for (const bool plain : {false, true}) {
      Image& ours = byKernel[plain];
      const bool previous = SetColorVectorPaths(!plain);
      DisplayTransform cache;
      const int result = MakeDisplayCopy(all, monitor, &cache, &ours);
      SetColorVectorPaths(previous);
      ASSERT_EQ(result, 0);
      ASSERT_TRUE(UsesOwnKernel(cache.transform));
      ASSERT_EQ(std::tuple(ours.type, ours.resolution), std::tuple(Rgb8, 72.0));
      int64_t far = 0;
      for (int32_t r = 0; r < 4096; ++r)
        for (int32_t i = 0; i < 3 * 4096; ++i) far += std::abs(expected.rows[r][i] - ours.rows[r][i]) > 1;
      EXPECT_EQ(far, 0) << (plain ? "plain" : "vector") << " kernel";
    }
    EXPECT_TRUE(SamePixels(byKernel[0], byKernel[1]));
  }
}

}  // namespace

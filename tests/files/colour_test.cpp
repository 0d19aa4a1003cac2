// Colour transforms against Little CMS used directly.
#include "display/colour.h"

#include <lcms2.h>

#include "support/profiles.h"
#include "tiff_test_util.h"

namespace {

using namespace tifftest;

// Pixels converted straight through Little CMS, red first.
std::vector<uint16_t> Oracle(const IccProfile& from, const IccProfile* to, const std::vector<uint16_t>& rgb, bool wide) {
  cmsHPROFILE in = from.empty() ? cmsCreate_sRGBProfile() : cmsOpenProfileFromMem(from.data(), from.size());
  cmsHPROFILE out = to ? cmsOpenProfileFromMem(to->data(), to->size()) : cmsCreate_sRGBProfile();
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

TEST(Colour, ConvertToWorkingSpace) {
  const IccProfile wide = WideGamutProfile();
  const IccProfile srgb(SrgbProfileBytes(), SrgbProfileBytes() + kSrgbProfileLength);
  for (int32_t type : {Rgb8, Rgb16}) {
    SCOPED_TRACE(type);
    Image picture, original;
    ASSERT_EQ(AllocImage(&picture, type, 40, 1100, 0), 0);  // several storage chunks
    FillRandom(&picture, 3);
    CopyImage(picture, &original);
    const std::vector<uint16_t> expected = Oracle(wide, nullptr, RedFirst(picture), type == Rgb16);
    ASSERT_EQ(ConvertToWorkingSpace(&picture, wide), 0);
    EXPECT_EQ(RedFirst(picture), expected);
    EXPECT_NE(RedFirst(picture), RedFirst(original));
    // No profile, the standard sRGB bytes, or bytes the library cannot open: unchanged.
    for (const IccProfile& none : {IccProfile{}, srgb, IccProfile(200, 7)}) {
      CopyImage(original, &picture);
      EXPECT_EQ(ConvertToWorkingSpace(&picture, none), 0);
      EXPECT_TRUE(SamePixels(picture, original));
    }
  }
  Image gray, grayBefore;
  ASSERT_EQ(AllocImage(&gray, Gray8, 20, 20, 0), 0);
  FillRandom(&gray, 5);
  CopyImage(gray, &grayBefore);
  EXPECT_EQ(ConvertToWorkingSpace(&gray, wide), 0);
  EXPECT_TRUE(SamePixels(gray, grayBefore));
}

TEST(Colour, MakeDisplayCopy) {
  const IccProfile monitor = WideGamutProfile();
  Image composite, display;
  ASSERT_EQ(AllocImage(&composite, Rgb8, 33, 17, 96.0), 0);
  FillRandom(&composite, 8);
  ASSERT_EQ(MakeDisplayCopy(composite, monitor, &display), 0);
  ASSERT_EQ(std::tuple(display.type, display.resolution), std::tuple(Rgb8, 96.0));
  EXPECT_EQ(RedFirst(display), Oracle({}, &monitor, RedFirst(composite), false));
  // Without a usable monitor profile there is no display copy.
  const IccProfile srgb(SrgbProfileBytes(), SrgbProfileBytes() + kSrgbProfileLength);
  for (const IccProfile& none : {IccProfile{}, srgb}) {
    Image empty;
    EXPECT_EQ(MakeDisplayCopy(composite, none, &empty), 0);
    EXPECT_EQ(std::tuple(empty.rows, empty.type), std::tuple(nullptr, 0));
  }
}

TEST(Colour, TiffWithProfileIsConverted) {
  // An 8 x 1 RGB file carrying the wide-gamut profile is brought into sRGB
  // and its profile kept.
  const IccProfile wide = WideGamutProfile();
  HandTiff t;
  t.Add(256, 3, 1, 8);
  t.Add(257, 3, 1, 1);
  t.AddData(258, 3, 3, Shorts({8, 8, 8}));
  t.Add(262, 3, 1, 2);
  std::vector<uint8_t> row(24);
  for (size_t i = 0; i < 24; ++i) row[i] = static_cast<uint8_t>(i * 11);
  t.AddData(273, 4, 1, row);
  t.Add(277, 3, 1, 3);
  t.AddData(34675, 7, static_cast<uint32_t>(wide.size()), wide);
  Image image;
  IccProfile profile;
  ASSERT_EQ(ReadMemory(t.Build(), &image, &profile), 0);
  EXPECT_EQ(profile, wide);
  EXPECT_EQ(RedFirst(image), Oracle(wide, nullptr, std::vector<uint16_t>(row.begin(), row.end()), false));
}

}  // namespace

#include "core/icc.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

TEST(SrgbProfile, OnlyTheShippedBytesAreRecognised) {
  const char* source = std::getenv("PASSAVUE_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  std::ifstream in(std::string(source) + "/data/sRGB-IEC61966-2.1.icc", std::ios::binary);
  IccProfile profile((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(profile.size(), 3144u);
  EXPECT_TRUE(IsSrgbProfile(profile));
  // The header's size field, "mntr" and the tag count, most significant byte first.
  EXPECT_EQ(std::tuple(ReadBigEndian32(SrgbProfileBytes(), 0), ReadBigEndian32(SrgbProfileBytes(), 12),
                       ReadBigEndian32(SrgbProfileBytes(), 128), ReadBigEndian16(SrgbProfileBytes(), 130)),
            std::tuple(3144u, 0x6D6E7472u, 17u, 17));
  profile[3143] ^= 1;
  EXPECT_FALSE(IsSrgbProfile(profile));
  profile[3143] ^= 1;
  profile.pop_back();
  EXPECT_FALSE(IsSrgbProfile(profile));
  EXPECT_FALSE(IsSrgbProfile(IccProfile{}));
}

}  // namespace

#include "core/icc.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

TEST(SrgbProfile, EmbeddedBytesAreTheShippedProfile) {
  const char* source = std::getenv("PASSAVUE_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  std::ifstream in(std::string(source) + "/data/sRGB-IEC61966-2.1.icc", std::ios::binary);
  std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(file.size(), 3144u);
  EXPECT_TRUE(IsSrgbProfile(file));
  // The header's size field, "mntr" and the tag count.
  EXPECT_EQ(std::tuple(ReadBigEndian32(SrgbProfileBytes(), 0), ReadBigEndian32(SrgbProfileBytes(), 12),
                       ReadBigEndian32(SrgbProfileBytes(), 128)),
            std::tuple(3144u, 0x6D6E7472u, 17u));
}

TEST(SrgbProfile, AnyDifferenceIsNotRecognised) {
  IccProfile profile(SrgbProfileBytes(), SrgbProfileBytes() + kSrgbProfileLength);
  EXPECT_TRUE(IsSrgbProfile(profile));
  profile[3143] ^= 1;
  EXPECT_FALSE(IsSrgbProfile(profile));
  profile[3143] ^= 1;
  profile.pop_back();
  EXPECT_FALSE(IsSrgbProfile(profile));
  EXPECT_FALSE(IsSrgbProfile(IccProfile{}));
}

TEST(BigEndian, ReadsMostSignificantByteFirst) {
  const uint8_t bytes[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
  EXPECT_EQ(std::tuple(ReadBigEndian32(bytes, 0), ReadBigEndian32(bytes, 1), ReadBigEndian16(bytes, 3)),
            std::tuple(0x12345678u, 0x3456789Au, 0x789A));
}

}  // namespace

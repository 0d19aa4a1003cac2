#include "core/icc.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/files.h"

namespace {

TEST(SrgbProfile, OnlyTheShippedBytesAreRecognised) {
  const char* source = std::getenv("PASSAVUE_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  IccProfile profile = ReadAll(std::string(source) + "/data/sRGB-IEC61966-2.1.icc");
  ASSERT_EQ(profile.size(), 3144u);
  EXPECT_TRUE(IsSrgbProfile(profile));  // the shipped file is the embedded copy
  // The header's size field, "mntr" and the tag count, most significant byte first.
  EXPECT_EQ(std::tuple(ReadBigEndian32(profile.data(), 0), ReadBigEndian32(profile.data(), 12),
                       ReadBigEndian16(profile.data(), 130)),
            std::tuple(3144u, 0x6D6E7472u, 17));
  // One bit changed in the last byte, the last byte missing, no bytes at all.
  IccProfile flipped = profile, shorter(profile.begin(), profile.end() - 1);
  flipped[3143] ^= 1;
  EXPECT_FALSE(IsSrgbProfile(flipped) || IsSrgbProfile(shorter) || IsSrgbProfile(IccProfile{}));
}

}  // namespace

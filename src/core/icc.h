// ICC profile holders, the standard sRGB profile we carry, and the
// big-endian readers used to pick fields out of profile data.
#pragma once

#include <cstdint>
#include <vector>

// Profile bytes; empty means no profile.
using IccProfile = std::vector<uint8_t>;

// The 3144 bytes of the standard sRGB IEC 61966-2.1 profile (ICC 2.1).
const uint8_t* SrgbProfileBytes();
constexpr uint32_t kSrgbProfileLength = 3144;

bool IsSrgbProfile(const uint8_t* bytes, uint32_t length);
inline bool IsSrgbProfile(const IccProfile& profile) {
  return IsSrgbProfile(profile.data(), static_cast<uint32_t>(profile.size()));
}

// The caller keeps offset + 4 (or + 2) within the data.
uint32_t ReadBigEndian32(const uint8_t* bytes, uint32_t offset);
uint16_t ReadBigEndian16(const uint8_t* bytes, uint32_t offset);

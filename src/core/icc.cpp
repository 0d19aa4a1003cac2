#include "core/icc.h"

#include <cstring>

extern const uint8_t kSrgbProfileData[];
extern const unsigned kSrgbProfileDataLength;

static_assert(kSrgbProfileLength == 3144);

const uint8_t* SrgbProfileBytes() { return kSrgbProfileData; }

bool IsSrgbProfile(const uint8_t* bytes, uint32_t length) {
  if (bytes == nullptr || length != kSrgbProfileLength || kSrgbProfileDataLength != kSrgbProfileLength) {
    return false;
  }
  return std::memcmp(bytes, kSrgbProfileData, kSrgbProfileLength) == 0;
}

uint32_t ReadBigEndian32(const uint8_t* bytes, uint32_t offset) {
  const uint8_t* p = bytes + offset;
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

uint16_t ReadBigEndian16(const uint8_t* bytes, uint32_t offset) {
  const uint8_t* p = bytes + offset;
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

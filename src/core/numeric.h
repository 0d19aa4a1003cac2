// Rounding shared by the layout, the mats, the frame and the lighting.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// Nearest integer, halves away from zero (2.5 -> 3, -2.5 -> -3). Values beyond
// the 32-bit range (possible only for absurd designs) are clamped rather than
// left to undefined conversion; NaN gives 0.
inline int32_t Nearest(double v) {
  if (std::isnan(v)) return 0;
  double r = std::round(v);
  if (r >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (r <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

inline uint8_t ClampToByte(int32_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

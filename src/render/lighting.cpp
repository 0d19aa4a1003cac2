#include "render/lighting.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "core/icc.h"
#include "core/numeric.h"
#include "core/parallel.h"

namespace {

// Colour temperature of each LightingType, in kelvin.
constexpr std::array<double, kLightingTypeCount> kLightTemperatures = {2750, 3000, 3000, 4200,
                                                                       5000, 6000, 6500, 8000};

struct PlanckianRow {
  double kelvin;
  double x;
  double y;
};

// Chromaticity of a black body below 4000 K. The 3600 K row is kept as it has
// always been (x = 0.409); no lighting type falls in its span.
constexpr std::array<PlanckianRow, 30> kPlanckian = {{
    {1000, 0.653, 0.344}, {1200, 0.625, 0.367}, {1400, 0.599, 0.386}, {1500, 0.588, 0.393},
    {1600, 0.573, 0.399}, {1700, 0.561, 0.404}, {1800, 0.549, 0.408}, {1900, 0.538, 0.411},
    {2000, 0.527, 0.413}, {2100, 0.516, 0.415}, {2200, 0.506, 0.415}, {2300, 0.496, 0.415},
    {2400, 0.486, 0.415}, {2500, 0.477, 0.414}, {2600, 0.468, 0.412}, {2700, 0.460, 0.411},
    {2800, 0.452, 0.409}, {2900, 0.444, 0.407}, {3000, 0.437, 0.404}, {3100, 0.430, 0.402},
    {3200, 0.423, 0.399}, {3250, 0.420, 0.398}, {3300, 0.417, 0.396}, {3400, 0.411, 0.394},
    {3500, 0.405, 0.391}, {3600, 0.409, 0.388}, {3700, 0.395, 0.385}, {3800, 0.390, 0.382},
    {3900, 0.385, 0.380}, {4000, 0.381, 0.377},
}};

constexpr double kOneOver255 = 0.00392156862745098;
constexpr double kOneOver4096 = 0.000244140625;
constexpr double kS15Fixed16 = 1.52587890625e-5;
constexpr double kU8Fixed8 = 0.00390625;

constexpr uint32_t Signature(const char (&s)[5]) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8) |
         static_cast<uint32_t>(static_cast<uint8_t>(s[3]));
}

bool UsableGamma(double gamma) { return std::isfinite(gamma) && gamma > 0.0; }

Xyz ReadXyzTag(const uint8_t* profile, uint32_t offset) {
  auto fixed = [&](uint32_t at) {
    return static_cast<double>(static_cast<int32_t>(ReadBigEndian32(profile, at))) * kS15Fixed16;
  };
  return Xyz{fixed(offset + 8), fixed(offset + 12), fixed(offset + 16)};
}

// The lookups of one row, three bytes a pixel. The restrict qualifiers tell
// the compiler the pixel stores cannot change the tables.
void LightRow(uint8_t* __restrict pixel, int32_t width, const uint8_t* __restrict blue,
              const uint8_t* __restrict green, const uint8_t* __restrict red) {
  for (int32_t x = 0; x < width; ++x, pixel += 3) {
    pixel[0] = blue[pixel[0]];
    pixel[1] = green[pixel[1]];
    pixel[2] = red[pixel[2]];
  }
}

// Two channel tables merged into one over byte pairs: entry (low | high << 8)
// holds lowTable[low] | highTable[high] << 8.
constexpr size_t kPairEntries = 65536;

void BuildPairTable(const ChannelTable& low, const ChannelTable& high, uint16_t* pair) {
  for (size_t h = 0; h < 256; ++h) {
    const uint16_t top = static_cast<uint16_t>(high[h] << 8);
    uint16_t* out = pair + (h << 8);
    for (size_t l = 0; l < 256; ++l) out[l] = static_cast<uint16_t>(top | low[l]);
  }
}

// Four pixels (twelve bytes: BG RB GR BG | RB GR) take six pair lookups
// instead of twelve byte lookups, loaded and stored as whole words: the pass
// is bound by memory operations, and this halves them. Byte pair k of a word
// is bits 16k .. 16k + 15 only on a little-endian machine.
void LightRowByPairs(uint8_t* __restrict pixel, int32_t width, const uint16_t* __restrict blueGreen,
                     const uint16_t* __restrict redBlue, const uint16_t* __restrict greenRed) {
  for (int32_t x = 0; x + 4 <= width; x += 4, pixel += 12) {
    uint64_t first;
    uint32_t last;
    std::memcpy(&first, pixel, 8);
    std::memcpy(&last, pixel + 8, 4);
    first = uint64_t{blueGreen[first & 0xFFFF]} | uint64_t{redBlue[(first >> 16) & 0xFFFF]} << 16 |
            uint64_t{greenRed[(first >> 32) & 0xFFFF]} << 32 | uint64_t{blueGreen[first >> 48]} << 48;
    last = uint32_t{redBlue[last & 0xFFFF]} | uint32_t{greenRed[last >> 16]} << 16;
    std::memcpy(pixel, &first, 8);
    std::memcpy(pixel + 8, &last, 4);
  }
}

// Below this many pixels, building the pair tables costs more than it saves.
constexpr int64_t kPairTablePixels = 1 << 17;

}  // namespace

int ReadDisplayColorimetry(const uint8_t* profile, uint32_t length, DisplayColorimetry* colorimetry) {
  if (colorimetry == nullptr) return 1;
  if (profile == nullptr) {
    *colorimetry = DisplayColorimetry{};
    return 0;
  }
  if (length < 132) return 1;

  // All bounds are worked out in 64 bits: an offset near 0xFFFFFFFF plus the
  // few bytes we read must not wrap back into the profile.
  const uint64_t end = length;
  const uint64_t count = ReadBigEndian32(profile, 128);
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t entry = 132 + 12 * i;
    if (entry + 12 > end) return 1;
    const uint32_t signature = ReadBigEndian32(profile, static_cast<uint32_t>(entry));
    const uint32_t offset = ReadBigEndian32(profile, static_cast<uint32_t>(entry + 4));

    Xyz* xyz = nullptr;
    if (signature == Signature("wtpt")) xyz = &colorimetry->white;
    if (signature == Signature("rXYZ")) xyz = &colorimetry->red;
    if (signature == Signature("gXYZ")) xyz = &colorimetry->green;
    if (signature == Signature("bXYZ")) xyz = &colorimetry->blue;
    if (xyz != nullptr) {
      if (offset + uint64_t{20} > end) return 1;
      *xyz = ReadXyzTag(profile, offset);
      continue;
    }

    if (signature == Signature("rTRC") || signature == Signature("gTRC") || signature == Signature("bTRC")) {
      if (offset + uint64_t{14} > end) return 1;
      // A parametric curve (newer profiles) keeps its function type where a
      // sampled curve keeps its count. A pure power (type 0) is its exponent;
      // the others have a linear toe or offsets, so their exponent overstates
      // the curve (sRGB's 2.4 behaves like 2.2) and the display exponent
      // describes them better.
      if (ReadBigEndian32(profile, offset) == Signature("para")) {
        if (ReadBigEndian16(profile, offset + 8) != 0) {
          colorimetry->gamma = 20.0 / 9.0;
          continue;
        }
        if (offset + uint64_t{16} > end) return 1;
        colorimetry->gamma =
            static_cast<double>(static_cast<int32_t>(ReadBigEndian32(profile, offset + 12))) * kS15Fixed16;
        continue;
      }
      const uint32_t points = ReadBigEndian32(profile, offset + 8);
      if (points == 0) {
        colorimetry->gamma = 1.0;
      } else if (points == 1) {
        colorimetry->gamma = ReadBigEndian16(profile, offset + 12) * kU8Fixed8;
      } else {
        // A sampled curve is taken as the usual display exponent.
        colorimetry->gamma = 20.0 / 9.0;
      }
    }
  }
  return 0;
}

int TemperatureChromaticity(double kelvin, double* x, double* y) {
  if (x == nullptr || y == nullptr || !(kelvin >= 1000.0 && kelvin <= 25000.0)) return 1;
  if (kelvin >= 4000.0) {
    // CIE daylight locus, in two pieces that meet at 7000 K.
    const double t = kelvin;
    double cx;
    if (t <= 7000.0) {
      cx = 99.11 / t - 4.607e9 / (t * t * t) + 2.9678e6 / (t * t) + 0.244063;
    } else {
      cx = 247.48 / t - 2.0064e9 / (t * t * t) + 1.9018e6 / (t * t) + 0.23704;
    }
    *x = cx;
    *y = (2.87 - 3.0 * cx) * cx - 0.275;
    return 0;
  }
  for (size_t i = 0; i + 1 < kPlanckian.size(); ++i) {
    const PlanckianRow& low = kPlanckian[i];
    const PlanckianRow& high = kPlanckian[i + 1];
    if (low.kelvin <= kelvin && kelvin < high.kelvin) {
      const double f = (kelvin - low.kelvin) / (high.kelvin - low.kelvin);
      *x = low.x + f * (high.x - low.x);
      *y = low.y + f * (high.y - low.y);
      return 0;
    }
  }
  return 1;  // unreachable for 1000 <= T < 4000
}

int XyzToRgb(const DisplayColorimetry& colorimetry, XyzMatrix* matrix) {
  // P: columns are the chromaticities of red, green and blue.
  std::array<std::array<double, 3>, 3> p{};
  const Xyz* primaries[3] = {&colorimetry.red, &colorimetry.green, &colorimetry.blue};
  double normProduct = 1.0;
  for (int c = 0; c < 3; ++c) {
    const Xyz& v = *primaries[c];
    const double sum = v.X + v.Y + v.Z;
    p[0][c] = v.X / sum;
    p[1][c] = v.Y / sum;
    p[2][c] = v.Z / sum;
    normProduct *= std::sqrt(p[0][c] * p[0][c] + p[1][c] * p[1][c] + p[2][c] * p[2][c]);
  }

  // Inverse by cofactors: Q[i][j] = cofactor(j, i) / det.
  std::array<std::array<double, 3>, 3> cof{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
      cof[i][j] = p[i1][j1] * p[i2][j2] - p[i1][j2] * p[i2][j1];
    }
  }
  const double det = p[0][0] * cof[0][0] + p[0][1] * cof[0][1] + p[0][2] * cof[0][2];
  // Hadamard's bound makes |det| <= normProduct; far below it the primaries
  // are collinear and rounding alone decides the sign.
  if (!std::isfinite(det) || !std::isfinite(normProduct) || !(std::fabs(det) > 1e-10 * normProduct)) {
    return 1;
  }

  const double white[3] = {colorimetry.white.X, colorimetry.white.Y, colorimetry.white.Z};
  XyzMatrix q{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) q[i][j] = cof[j][i] / det;
    const double scale = q[i][0] * white[0] + q[i][1] * white[1] + q[i][2] * white[2];
    if (!std::isfinite(scale) || scale == 0.0) return 1;
    for (int j = 0; j < 3; ++j) {
      q[i][j] /= scale;
      if (!std::isfinite(q[i][j])) return 1;
    }
  }
  *matrix = q;
  return 0;
}

int TemperatureToRgb(double kelvin, const DisplayColorimetry& colorimetry, int32_t* red, int32_t* green,
                     int32_t* blue) {
  if (red == nullptr || green == nullptr || blue == nullptr) return 1;
  double x = 0.0, y = 0.0;
  if (TemperatureChromaticity(kelvin, &x, &y) != 0) return 1;
  XyzMatrix m{};
  if (XyzToRgb(colorimetry, &m) != 0 || !UsableGamma(colorimetry.gamma)) return 1;

  const double xyz[3] = {x / y, 1.0, (1.0 - x - y) / y};
  double rgb[3];
  for (int i = 0; i < 3; ++i) {
    const double v = m[i][0] * xyz[0] + m[i][1] * xyz[1] + m[i][2] * xyz[2];
    rgb[i] = std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0;
  }
  const double brightest = std::max({rgb[0], rgb[1], rgb[2]});
  // A light with no positive channel has no hue to give; callers leave the
  // picture as it is.
  if (!(brightest > 0.0)) return 1;

  const double exponent = 1.0 / colorimetry.gamma;
  *red = Nearest(255.0 * std::pow(rgb[0] / brightest, exponent));
  *green = Nearest(255.0 * std::pow(rgb[1] / brightest, exponent));
  *blue = Nearest(255.0 * std::pow(rgb[2] / brightest, exponent));
  return 0;
}

int LightColor(int32_t lightingType, const DisplayColorimetry& colorimetry, int32_t* red, int32_t* green,
               int32_t* blue) {
  if (lightingType < 0 || lightingType >= kLightingTypeCount) return 1;
  return TemperatureToRgb(kLightTemperatures[static_cast<size_t>(lightingType)], colorimetry, red, green,
                          blue);
}

namespace {

uint8_t DecodeEntry(int32_t j, double gamma) {
  return ClampToByte(Nearest(255.0 * std::pow(j * kOneOver4096, gamma)));
}

void BuildEncodeTable(double gamma, std::array<int16_t, 256>* encode) {
  const double exponent = 1.0 / gamma;
  for (int i = 0; i < 256; ++i) {
    const int32_t v = Nearest(4096.0 * std::pow(i * kOneOver255, exponent));
    (*encode)[static_cast<size_t>(i)] = static_cast<int16_t>(std::clamp(v, 0, 4096));
  }
}

// The byte each input becomes before the light acts: itself under Bright,
// bent down and capped under Moderate and Subdued. 1 for an unknown intensity.
int BendTable(int32_t intensity, std::array<uint8_t, 256>* bent) {
  double exponent = 1.0;
  int32_t cap = 255;
  switch (intensity) {
    case kBright:
      for (int32_t i = 0; i < 256; ++i) (*bent)[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
      return 0;
    case kModerate:
      exponent = 1.3;
      cap = 246;
      break;
    case kSubdued:
      exponent = 1.6;
      cap = 236;
      break;
    default:
      return 1;
  }
  for (int32_t i = 0; i < 256; ++i) {
    const int32_t t = std::clamp(Nearest(255.0 * std::pow(i * kOneOver255, exponent)), 0, 255);
    (*bent)[static_cast<size_t>(i)] = static_cast<uint8_t>((cap * t) / 255);
  }
  return 0;
}

// decode(j) gives the decode table's entry j, 0 <= j <= 4096.
template <typename Decode>
void FillChannelTable(const std::array<int16_t, 256>& encode, const std::array<uint8_t, 256>& bent,
                      int32_t light, Decode&& decode, ChannelTable* table) {
  const int32_t lightCode = encode[static_cast<size_t>(light)];
  for (size_t i = 0; i < 256; ++i) {
    const int32_t product = (encode[bent[i]] * lightCode) / 4096;
    (*table)[i] = decode(std::clamp(product, 0, 4096));
  }
}

bool IsIdentity(const ChannelTable& table) {
  for (size_t i = 0; i < 256; ++i) {
    if (table[i] != i) return false;
  }
  return true;
}

}  // namespace

int BuildToneTables(double gamma, ToneTables* tables) {
  if (!UsableGamma(gamma)) return 1;
  BuildEncodeTable(gamma, &tables->encode);
  for (int32_t j = 0; j <= 4096; ++j) tables->decode[static_cast<size_t>(j)] = DecodeEntry(j, gamma);
  return 0;
}

int BuildChannelTable(const ToneTables& tones, int32_t intensity, int32_t light, ChannelTable* table) {
  std::array<uint8_t, 256> bent;
  if (light < 0 || light > 255 || BendTable(intensity, &bent) != 0) return 1;
  FillChannelTable(
      tones.encode, bent, light, [&](int32_t j) { return tones.decode[static_cast<size_t>(j)]; }, table);
  return 0;
}

void ApplyLighting(const LightingSettings& lighting, const DisplayColorimetry& colorimetry,
                   Image* composite) {
  if (composite == nullptr || composite->type != Rgb8 || !composite->HasPixels() || composite->width <= 0 ||
      composite->height <= 0 || int64_t{composite->rowBytes} < int64_t{3} * composite->width) {
    return;
  }
  int32_t light[3] = {0, 0, 0};  // red, green, blue
  if (LightColor(lighting.type, colorimetry, &light[0], &light[1], &light[2]) != 0) return;
  if (!UsableGamma(colorimetry.gamma)) return;
  std::array<uint8_t, 256> bent;
  if (BendTable(lighting.intensity, &bent) != 0) return;

  // The three channels reach at most 768 of the 4097 decode entries, so each
  // is worked out when first needed rather than all up front.
  std::array<int16_t, 256> encode;
  BuildEncodeTable(colorimetry.gamma, &encode);
  std::array<int16_t, 4097> decoded;
  decoded.fill(-1);
  auto decode = [&](int32_t j) {
    int16_t& entry = decoded[static_cast<size_t>(j)];
    if (entry < 0) entry = DecodeEntry(j, colorimetry.gamma);
    return static_cast<uint8_t>(entry);
  };
  ChannelTable red, green, blue;
  FillChannelTable(encode, bent, light[0], decode, &red);
  FillChannelTable(encode, bent, light[1], decode, &green);
  FillChannelTable(encode, bent, light[2], decode, &blue);
  // Full light under Bright: nothing would change.
  if (IsIdentity(red) && IsIdentity(green) && IsIdentity(blue)) return;

  const int32_t width = composite->width;
  std::unique_ptr<uint16_t[]> pairs;
  if (std::endian::native == std::endian::little && int64_t{width} * composite->height >= kPairTablePixels) {
    pairs.reset(new (std::nothrow) uint16_t[3 * kPairEntries]);
  }
  if (!pairs) {  // small, or short of memory: the byte tables do the job alone
    for (int32_t r = 0; r < composite->height; ++r) {
      LightRow(composite->rows[r], width, blue.data(), green.data(), red.data());
    }
    return;
  }
  uint16_t* blueGreen = pairs.get();
  uint16_t* redBlue = blueGreen + kPairEntries;
  uint16_t* greenRed = redBlue + kPairEntries;
  BuildPairTable(blue, green, blueGreen);
  BuildPairTable(red, blue, redBlue);
  BuildPairTable(green, red, greenRed);
  const int32_t grouped = width & ~3;
  // Rows are independent: large composites are lit by several threads.
  ParallelFor(composite->height, composite->rowBytes, [&](int64_t begin, int64_t end) {
    for (int64_t r = begin; r < end; ++r) {
      uint8_t* row = composite->rows[r];
      LightRowByPairs(row, grouped, blueGreen, redBlue, greenRed);
      LightRow(row + 3 * grouped, width - grouped, blue.data(), green.data(), red.data());
    }
  });
}

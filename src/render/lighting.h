// The light the framed piece is seen under, in the display's own primaries.
#pragma once

#include <array>
#include <cstdint>

#include "image/image.h"
#include "scene/settings.h"

struct Xyz {
  double X = 0.0;
  double Y = 0.0;
  double Z = 0.0;
};

struct DisplayColorimetry {
  Xyz white{0.9505, 1.0, 1.0891};
  Xyz red{0.4361, 0.2225, 0.0139};
  Xyz green{0.3851, 0.7169, 0.0971};
  Xyz blue{0.1431, 0.0606, 0.7141};
  double gamma = 20.0 / 9.0;
};

// With no bytes (nullptr): every field takes its default. With a profile:
// overwrites the fields whose tags it finds; 1 when the profile is shorter
// than 132 bytes or its tag table or tag data runs past its length (the
// fields read before the problem keep their new values).
int ReadDisplayColorimetry(const uint8_t* profile, uint32_t length, DisplayColorimetry* colorimetry);

// Chromaticity (x, y) of a colour temperature in kelvin: 0, or 1 outside
// 1000..25000 (the outputs are then unchanged).
int TemperatureChromaticity(double kelvin, double* x, double* y);

// Rows red, green, blue; columns X, Y, Z. The display's white maps to 1, 1, 1.
using XyzMatrix = std::array<std::array<double, 3>, 3>;
// 0, or 1 when the primaries are (nearly) singular or any value is not finite.
int XyzToRgb(const DisplayColorimetry& colorimetry, XyzMatrix* matrix);

// The light colour of a temperature in kelvin, brightest channel 255: 0, or
// 1 (outputs unchanged) outside 1000..25000, for unusable colorimetry
// (singular primaries, gamma not a positive finite number) or a light with no
// positive channel.
int TemperatureToRgb(double kelvin, const DisplayColorimetry& colorimetry, int32_t* red, int32_t* green,
                     int32_t* blue);
// As TemperatureToRgb for a LightingType code; 1 for a code outside 0..7.
int LightColor(int32_t lightingType, const DisplayColorimetry& colorimetry, int32_t* red, int32_t* green,
               int32_t* blue);

// The tone curve of the display at 12 bits: encode raises to 1/gamma,
// decode raises back to gamma.
struct ToneTables {
  std::array<int16_t, 256> encode{};  // 0..4096
  std::array<uint8_t, 4097> decode{};
};
// 0, or 1 when gamma is not a positive finite number.
int BuildToneTables(double gamma, ToneTables* tables);

// What one channel with light value `light` (0..255) does to each byte under
// a LightingIntensity. 0, or 1 for an intensity or light out of range.
using ChannelTable = std::array<uint8_t, 256>;
int BuildChannelTable(const ToneTables& tones, int32_t intensity, int32_t light, ChannelTable* table);

// Rewrites every pixel of an Rgb8 composite. Anything it cannot light (an
// unknown type or intensity, unusable colorimetry, a composite that is not
// Rgb8 or has no storage) is left unchanged.
void ApplyLighting(const LightingSettings& lighting, const DisplayColorimetry& colorimetry, Image* composite);

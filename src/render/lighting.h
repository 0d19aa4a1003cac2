// The light the framed piece is seen under, in the display's own primaries.
#pragma once

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
// than 132 bytes or its tag table or tag data runs past its length.
int ReadDisplayColorimetry(const uint8_t* profile, uint32_t length, DisplayColorimetry* colorimetry);

// The light colour of a temperature in kelvin: 0, or 1 outside 1000..25000
// (the outputs are then unchanged).
int TemperatureToRgb(double kelvin, const DisplayColorimetry& colorimetry, int32_t* red,
                     int32_t* green, int32_t* blue);
int LightColor(int32_t lightingType, const DisplayColorimetry& colorimetry, int32_t* red,
               int32_t* green, int32_t* blue);

// Rewrites every pixel of an Rgb8 composite.
void ApplyLighting(const LightingSettings& lighting, const DisplayColorimetry& colorimetry,
                   Image* composite);

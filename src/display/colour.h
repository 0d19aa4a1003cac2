// Colour transforms through Little CMS: pictures into sRGB as they are
// loaded, and the composite onto the monitor for display.
#pragma once

#include <memory>

#include "files/icc.h"
#include "image/image.h"

// Converts an Rgb8 or Rgb16 picture from `inputProfile` into sRGB in place.
// Nothing happens without a profile, for the standard sRGB profile, for gray
// pictures, or when the library refuses the profile. 0, or 1 when the row
// buffer could not be had (the picture is then unchanged).
int ConvertToWorkingSpace(Image* picture, const IccProfile& inputProfile);

// CMYK samples (0 is no ink, any samples after the four inks ignored) into
// sRGB in Image channel order: through the file's CMYK profile when the
// library takes it, else each channel is the complement of its ink times
// the complement of black, rounded.
struct CmykTransformDeleter {
  void operator()(void* transform) const;
};
struct CmykToSrgb {
  std::unique_ptr<void, CmykTransformDeleter> transform;  // null: the plain conversion
  int32_t bits = 8;                                       // 8 or 16, native order
  int32_t samples = 4;
};
// Sets up the conversion; the per-row work cannot fail afterwards.
void MakeCmykToSrgb(const IccProfile& profile, int32_t bits, int32_t samples, CmykToSrgb* conversion);
// Converts `pixels` pixels; safe to call from several threads at once.
void ConvertCmykRow(const CmykToSrgb& conversion, const uint8_t* cmyk, uint8_t* bgr, int32_t pixels);

// The composite in the monitor's colours. Without a monitor profile, for the
// standard sRGB profile, or when no transform can be made, the destination
// stays untouched (empty) and the screen shows the composite itself.
// 0, or 1 when memory ran out.
int MakeDisplayCopy(const Image& composite, const IccProfile& monitorProfile, Image* displayCopy);

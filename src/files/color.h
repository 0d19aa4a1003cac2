// Colour transforms through Little CMS: pictures into sRGB as they are
// loaded, and the transforms the display builds on.
#pragma once

#include <memory>

#include "core/icc.h"
#include "image/image.h"

struct ColorTransformData;

// A transform between two profiles for one pixel type, made once and then
// applied to any number of rows on the worker threads. Empty when there is
// nothing to convert (no profile, the standard sRGB profile, a type without
// a library format) or the library refused the profiles.
struct ColorTransform {
  std::shared_ptr<const ColorTransformData> data;
  int32_t type = 0;
  bool empty() const { return data == nullptr; }
};

// From `from` to `to` for Rgb8 or Rgb16 rows; an empty profile stands for
// the library's built-in sRGB. Perceptual intent, no flags.
ColorTransform MakeColorTransform(const IccProfile& from, const IccProfile& to, int32_t type);

// True when the transform runs on our own matrix-shaper kernel rather than
// through the library (8-bit rows between two matrix/TRC profiles).
bool UsesOwnKernel(const ColorTransform& transform);

// The vector row kernel gives the same bytes as the plain one and is used
// where the processor has it; turning it off runs the plain kernel on any
// machine. Returns the setting it replaces.
bool SetColorVectorPaths(bool enabled);

// Converts every row of `source` into the same row of `destination` (which
// may be the source itself), the rows split among the worker threads; the
// result is byte for byte that of one thread. Both images have the
// transform's type and the same size. 0, or 1 when a row buffer could not be
// had (nothing is then changed).
int ApplyColorTransform(const ColorTransform& transform, const Image& source, Image* destination);

// Converts `count` rows from row `first` of `picture` in place on the
// calling thread, for a transform on our own kernel; nothing otherwise.
void ConvertRowsInPlace(const ColorTransform& transform, Image* picture, int32_t first, int32_t count);

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

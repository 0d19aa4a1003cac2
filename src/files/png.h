// PNG pictures through libpng: every colour type and bit depth, interlaced
// or not, transparency composited over white, the iCCP profile and the pHYs
// resolution.
#pragma once

#include <cstdint>
#include <string>

#include "core/fileio.h"
#include "core/icc.h"
#include "image/image.h"

// What reading one may take before anything of picture size is allocated:
// the picture, the rows kept with their transparency until they are
// composited, and the Rgb8 copy it becomes. A 16-bit 20000 x 15000
// photograph (2.6 GB with its copy) stays inside; a damaged header claiming
// a million pixels square does not.
constexpr uint64_t kMaxPngBytes = uint64_t{3} << 30;

// Reads an open PNG file from its start into `destination`: gray into Gray8
// or Gray16, palette and RGB into Rgb8 or Rgb16 (1, 2 and 4-bit samples are
// widened to 8, 16-bit ones stay 16-bit), with alpha or tRNS transparency
// composited over white. The resolution comes from pHYs when its unit is
// the metre, else 96 pixels per inch. `inputProfile` is replaced by the
// iCCP profile (or none) and the picture is converted into sRGB through it.
// 0 on success; 1 on failure with the destination empty. A picture refused
// for the memory it would take fills `reason` (when given) with a line
// saying so; otherwise `reason` is emptied.
int ReadPng(FileHandle& file, Image* destination, IccProfile* inputProfile, std::string* reason = nullptr);

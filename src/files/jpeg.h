// JPEG pictures: pixels and resolution through libjpeg-turbo, and the ICC
// profile gathered from the file's APP2 "ICC_PROFILE" segments.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/icc.h"
#include "image/image.h"

// The largest picture a JPEG may claim before anything is allocated for it:
// about 537 megapixels (1.6 GB as Rgb8), which a 20000 x 15000 photograph
// stays well inside and a damaged header claiming 65000 x 65000 does not.
constexpr int64_t kMaxJpegPixels = int64_t{1} << 29;
// What reading one may take, counting the decoder's own working memory:
// the picture of kMaxJpegPixels as Rgb8.
constexpr uint64_t kMaxJpegBytes = 3 * uint64_t{kMaxJpegPixels};

// Decodes a JPEG file as its rows are stored: grayscale into Gray8, colour
// (YCbCr or RGB) into Rgb8; the resolution comes from the JFIF density, else
// the Exif XResolution, else 96 pixels per inch. `orientation` (when given)
// receives the Exif Orientation (1 to 8; 1 without one) for the caller to
// apply once it is done with the rows, for instance with ApplyOrientation;
// a picture that is not stored upright counts the upright copy in its size. 0 on success; 1 with the
// destination empty for a missing, damaged or CMYK file and for a picture that would take more than
// kMaxJpegBytes to read, which also fills `sizeNote` with a line saying so.
// `decodedRows`, when given, is told after each batch how many rows from the
// picture's top are decoded (Image rows height - 1 down to height - n), and
// -1 before a failed decode frees the destination.
using DecodedRowsHook = std::function<void(int32_t rows)>;
int DecodeWithImagingLibrary(const std::string& path, Image* destination, std::string* sizeNote = nullptr,
                             const DecodedRowsHook& decodedRows = {}, int32_t* orientation = nullptr);

// Gathers the ICC profile chunks in file order up to the first frame header.
// 0 on success, with `profile` holding the joined chunks, or empty when the
// file has no complete profile; 1 when the file cannot be opened or read, or
// does not start like a JPEG (the profile is then empty).
int ReadJpegIccProfile(const std::string& path, IccProfile* profile);

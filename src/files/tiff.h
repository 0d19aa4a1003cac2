// Our own TIFF reader (strips or tiles; none, LZW, Deflate or PackBits
// compression with the predictor; gray, RGB, palette and CMYK; the ICC
// profile tag) and writer (little-endian, one uncompressed strip).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/fileio.h"
#include "core/icc.h"
#include "image/image.h"

// The largest picture the reader accepts, checked before anything is
// allocated: 2^29 pixels (for example 20000 x 26843), at most 3.2 GB of
// 16-bit RGB. A file claiming more is refused as damaged.
constexpr int64_t kMaxTiffPixels = int64_t{1} << 29;

// Reads the first image of an open TIFF file into `destination`, applying
// its Orientation, replacing `inputProfile` with the file's embedded profile
// (or none) and converting the picture into sRGB through it (CMYK through
// the plain complement of black when there is no usable CMYK profile).
// 0 on success; 1 on failure with the destination empty. Where the reader
// can say why it refused the file (what it does not take, or a picture too
// large to read), `reason` (when given) gets that as a line for the user;
// otherwise it is emptied.
int ReadTiff(FileHandle& file, Image* destination, IccProfile* inputProfile, std::string* reason = nullptr);
// The line for a picture of width x height pixels refused for its size.
std::string PictureSizeNote(uint64_t width, uint64_t height);

// Decodes one LZW strip into at most `outputLength` bytes; *produced is the
// count decoded (a stream that ends early is not an error). Bytes past
// *produced are not meaningful. 0 on success, 1 on a malformed stream or the
// old least-significant-bit-first variant.
int DecodeTiffLzw(const uint8_t* input, size_t inputLength, uint8_t* output, size_t outputLength,
                  size_t* produced);

// Decode one PackBits or Deflate strip or tile into exactly `outputLength`
// bytes; runs past the end are cut. 1 when the stream is damaged or ends
// before the output is full.
int DecodeTiffPackBits(const uint8_t* input, size_t inputLength, uint8_t* output, size_t outputLength);
int DecodeTiffDeflate(const uint8_t* input, size_t inputLength, uint8_t* output, size_t outputLength);

// Writes an image of any pixel type to an open file, from its current
// position on, and leaves the position after the picture; the worker threads
// write their rows at their offsets, so the file must be a regular one. The
// source pixels are unchanged afterwards. 0 on success, 1 on a write error
// (its reason in LastFileError) or an image without pixels.
int WriteTiff(FileHandle& file, const Image& image);

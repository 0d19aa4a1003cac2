// Our own TIFF reader (a baseline subset with LZW, predictor, palettes and
// the ICC profile tag) and writer (little-endian, one uncompressed strip).
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/fileio.h"
#include "files/icc.h"
#include "image/image.h"

// Reads the first image of an open TIFF file into `destination`, applying
// its Orientation, replacing `inputProfile` with the file's embedded profile
// (or none) and converting the picture into sRGB through it. 0 on success;
// 1 on failure with the destination empty.
int ReadTiff(FileHandle file, Image* destination, IccProfile* inputProfile);

// Decodes one LZW strip. 0 on success, 1 on a malformed stream.
int DecodeTiffLzw(const uint8_t* input, size_t inputLength, uint8_t* output, size_t outputLength,
                  size_t* produced);

// Writes an Rgb8 (or Gray8) image to an open file; the source pixels are
// unchanged afterwards. 0 on success, 1 on a write error.
int WriteTiff(FileHandle file, const Image& image);

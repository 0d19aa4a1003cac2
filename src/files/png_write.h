// Proofs as PNG files, written through libpng.
#pragma once

#include "core/fileio.h"
#include "image/image.h"

// Writes an Rgb8 image to an open file as an 8-bit RGB PNG with its
// resolution in pHYs (pixels per metre) and the standard sRGB profile in
// iCCP. Rows are compressed one at a time and the output reaches the file
// through a small buffer. Reports progress by rows. 0 on success, 1 on a
// write error (its reason in LastFileError), an encoder failure or an image
// that is not Rgb8.
int WritePng(FileHandle& file, const Image& image);

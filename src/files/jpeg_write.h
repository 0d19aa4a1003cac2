// Proofs as JPEG files, written through libjpeg-turbo.
#pragma once

#include "core/fileio.h"
#include "image/image.h"

// Writes an Rgb8 image to an open file as a baseline JPEG of quality 92
// without chroma subsampling, its resolution as the JFIF density in dots per
// inch and the standard sRGB profile in APP2 "ICC_PROFILE" segments. The rows
// go to the encoder one batch at a time and its output to the file through a
// small buffer, so the writer needs little memory besides the picture.
// Reports progress by rows. 0 on success, 1 on a write error (its reason in
// LastFileError), an encoder failure or an image that is not Rgb8.
int WriteJpeg(FileHandle& file, const Image& image);

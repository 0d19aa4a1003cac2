// Turning a picture stored in any TIFF orientation upright, and bringing any
// pixel type to Rgb8.
#pragma once

#include "image/image.h"

// Each returns 0, or 1 when the destination could not be allocated.
// Source and destination must be different records (the same record gives 1).
int MirrorHorizontal(const Image& source, Image* destination);          // Orientation 2
int Rotate180(const Image& source, Image* destination);                 // Orientation 3
int FlipVertical(const Image& source, Image* destination);              // Orientation 4
int Transpose(const Image& source, Image* destination);                 // Orientation 5
int Rotate90Clockwise(const Image& source, Image* destination);         // Orientation 6
int Transverse(const Image& source, Image* destination);                // Orientation 7
int Rotate90CounterClockwise(const Image& source, Image* destination);  // Orientation 8

// Turns `picture` upright in place by the transform its stored orientation
// (a TIFF or Exif Orientation value) names; 1 and any value outside 2..8
// leave it as it is. 0, or 1 when the upright copy could not be allocated
// (the picture is then unchanged).
int ApplyOrientation(int32_t orientation, Image* picture);

// Leaves the destination empty when memory runs out.
void ConvertToRgb8(const Image& source, Image* destination);

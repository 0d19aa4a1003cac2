// Turning a picture stored in any TIFF orientation upright, and bringing any
// pixel type to Rgb8.
#pragma once

#include "image/image.h"

// Each returns 0, or 1 when the destination could not be allocated.
// Source and destination must be different records (the same record gives 1).
int MirrorHorizontal(const Image& source, Image* destination);         // Orientation 2
int Rotate180(const Image& source, Image* destination);                // Orientation 3
int FlipVertical(const Image& source, Image* destination);             // Orientation 4
int Transpose(const Image& source, Image* destination);                // Orientation 5
int Rotate90Clockwise(const Image& source, Image* destination);        // Orientation 6
int Transverse(const Image& source, Image* destination);               // Orientation 7
int Rotate90CounterClockwise(const Image& source, Image* destination); // Orientation 8

// Leaves the destination empty when memory runs out.
void ConvertToRgb8(const Image& source, Image* destination);

// Separable convolution scaling with integer weights in units of 1/255.
#pragma once

#include <cstdint>

#include "image/image.h"

constexpr int32_t FilterTriangle = 1;
constexpr int32_t FilterCubic = 2;

// 0 on success, 1 when memory ran out. A Bilevel source gives a Gray8 result
// (unless the size is unchanged, which copies). The destination takes
// `resolution`. `a` is the cubic parameter (the renderer passes -1.0).
// A new width or height below 1, or a source without pixels, also gives 1
// and an empty destination.
int ResampleImage(const Image& source, Image* destination, int32_t newWidth, int32_t newHeight,
                  double resolution, int32_t filter, double a);
// Resamples into rows lent by another image, to the view's size: a picture
// too large to keep a second copy of goes straight into place. The view's
// type must be the one ResampleImage would give (Gray8 for a Bilevel source,
// else the source's own) and it must not overlap the source. 0 on success;
// 1 when memory ran out or the view does not fit, with nothing written.
int ResampleInto(const Image& source, const ImageView& destination, int32_t filter, double a);

// The vector kernels give the same bytes as the plain ones and are used
// where the processor has them; turning them off runs the plain kernels on
// any machine. Returns the setting it replaces.
bool SetResampleVectorPaths(bool enabled);

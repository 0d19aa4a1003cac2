// Colour transforms through Little CMS: pictures into sRGB as they are
// loaded, and the composite onto the monitor for display.
#pragma once

#include "files/icc.h"
#include "image/image.h"

// Converts an Rgb8 or Rgb16 picture from `inputProfile` into sRGB in place.
// Nothing happens without a profile, for the standard sRGB profile, for gray
// pictures, or when the library refuses the profile. 0, or 1 when the row
// buffer could not be had (the picture is then unchanged).
int ConvertToWorkingSpace(Image* picture, const IccProfile& inputProfile);

// The composite in the monitor's colours. Without a monitor profile, for the
// standard sRGB profile, or when no transform can be made, the destination
// stays untouched (empty) and the screen shows the composite itself.
// 0, or 1 when memory ran out.
int MakeDisplayCopy(const Image& composite, const IccProfile& monitorProfile, Image* displayCopy);

// The composite converted onto the monitor's profile for the screen.
#pragma once

#include "core/icc.h"
#include "files/color.h"
#include "image/image.h"

// The transform onto one monitor, kept while the monitor profile stays the
// same: making it costs far more than converting a screenful.
struct DisplayTransform {
  IccProfile profile;        // the monitor profile it was made for
  ColorTransform transform;  // empty for no profile or the standard sRGB one
  int builds = 0;            // how many transforms were made
  Image storage;             // rows of an earlier copy, taken up by the next
};

// The composite in the monitor's colours. Without a monitor profile, for the
// standard sRGB profile, or when no transform can be made, the destination
// stays untouched (empty) and the screen shows the composite itself. The
// transform in `cache` is made again only when the monitor profile differs
// from the one it was made for; an empty destination takes the cache's
// stored rows. 0, or 1 when memory ran out.
int MakeDisplayCopy(const Image& composite, const IccProfile& monitorProfile, DisplayTransform* cache,
                    Image* displayCopy);

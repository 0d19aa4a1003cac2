// Finding the monitor's ICC profile: on X11 the root window's _ICC_PROFILE
// property, the usual way a Linux desktop publishes the display profile.
#pragma once

#include "files/icc.h"
#include "render/lighting.h"

// Sets `monitorProfile` (empty when none is published) and fills the display
// colorimetry from it, or with its defaults when there is none.
void FindMonitorProfile(IccProfile* monitorProfile, DisplayColorimetry* colorimetry);

// The profile from the raw bytes of an _ICC_PROFILE property (format 8).
// A property too short to be a profile, or whose header length disagrees
// with its size, is not taken.
IccProfile ProfileFromProperty(const unsigned char* bytes, unsigned long length);

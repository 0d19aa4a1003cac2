// Finding the monitor's ICC profile: on X11 the root window's _ICC_PROFILE
// property for the first screen and _ICC_PROFILE_1, _ICC_PROFILE_2, ... for
// the others, the way colour-management daemons publish display profiles.
#pragma once

#include <functional>
#include <memory>

#include "core/icc.h"
#include "render/lighting.h"

class QAbstractNativeEventFilter;

// Sets `monitorProfile` to the first screen's profile (empty when none is
// published) and fills the display colorimetry from it, or with its
// defaults when there is none.
void FindMonitorProfile(IccProfile* monitorProfile, DisplayColorimetry* colorimetry);

// Takes `bytes` as the monitor profile (empty: none) with the display
// colorimetry read from it.
void UseMonitorProfile(IccProfile bytes, IccProfile* monitorProfile, DisplayColorimetry* colorimetry);

// Where the shell reads the profile of screen `index` (0 the first); empty
// when the screen has none. The X11 reader by default; tests give their own.
using ScreenProfileReader = std::function<IccProfile(int index)>;
IccProfile ReadX11ScreenProfile(int index);

// Calls `changed` whenever one of the root window's profile properties
// changes (a calibration tool loading a new profile), for as long as the
// returned filter is installed on the application. Null without X11.
std::unique_ptr<QAbstractNativeEventFilter> WatchX11ScreenProfiles(std::function<void()> changed);

// The profile from the raw bytes of an _ICC_PROFILE property (format 8).
// A property too short to be a profile, or whose header length disagrees
// with its size, is not taken.
IccProfile ProfileFromProperty(const unsigned char* bytes, unsigned long length);

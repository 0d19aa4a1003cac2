// ICC profiles made by Little CMS for tests of the colour paths.
#pragma once

#include <lcms2.h>

#include <array>

#include "files/icc.h"

// A matrix/TRC RGB profile with a D65 white, the given primaries (x, y of
// red, green, blue) and one tone curve per channel, each a parametric curve
// of `curveType` with its parameters.
struct CurveSpec {
  int curveType = 1;
  std::array<double, 5> parameters{2.2};
};
inline IccProfile MatrixProfile(const std::array<double, 6>& xy, const std::array<CurveSpec, 3>& specs) {
  const cmsCIExyY white = {0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries = {{xy[0], xy[1], 1.0}, {xy[2], xy[3], 1.0}, {xy[4], xy[5], 1.0}};
  cmsToneCurve* curves[3];
  for (int i = 0; i < 3; ++i) curves[i] = cmsBuildParametricToneCurve(nullptr, specs[i].curveType, specs[i].parameters.data());
  cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  IccProfile bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  for (cmsToneCurve* curve : curves) cmsFreeToneCurve(curve);
  return bytes;
}

// A wide-gamut RGB profile: Adobe RGB (1998) primaries, D65 white, gamma 2.2.
inline IccProfile WideGamutProfile() { return MatrixProfile({0.64, 0.33, 0.21, 0.71, 0.15, 0.06}, {}); }

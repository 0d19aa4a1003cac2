// ICC profiles made by Little CMS for tests of the colour paths.
#pragma once

#include <lcms2.h>

#include <array>

#include "core/icc.h"

// A matrix/TRC RGB profile with a D65 white, the given primaries (x, y of
// red, green, blue) and one tone curve per channel, each a parametric curve
// of `curveType` with its parameters.
struct CurveRecipe {
  int curveType = 1;
  std::array<double, 5> parameters{2.2};
};
inline IccProfile MatrixProfile(const std::array<double, 6>& xy, const std::array<CurveRecipe, 3>& recipes) {
  const cmsCIExyY white = {0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries = {{xy[0], xy[1], 1.0}, {xy[2], xy[3], 1.0}, {xy[4], xy[5], 1.0}};
  cmsToneCurve* curves[3];
  for (int i = 0; i < 3; ++i)
    curves[i] = cmsBuildParametricToneCurve(nullptr, recipes[i].curveType, recipes[i].parameters.data());
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

// A made-up CMYK printer (ink-to-Lab table on a 5-point grid per ink), so
// that a profile's conversion and the plain complement of black differ.
inline IccProfile CmykProfile() {
  cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
  cmsSetProfileVersion(profile, 2.1);
  cmsSetDeviceClass(profile, cmsSigOutputClass);
  cmsSetColorSpace(profile, cmsSigCmykData);
  cmsSetPCS(profile, cmsSigLabData);
  cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
  cmsStage* table = cmsStageAllocCLut16bit(nullptr, 5, 4, 3, nullptr);
  auto sampler = [](const cmsUInt16Number in[], cmsUInt16Number out[], void*) -> cmsInt32Number {
    double ink[4];
    for (int i = 0; i < 4; ++i) ink[i] = in[i] / 65535.0;
    const double light = (1 - 0.9 * ink[3]) * (1 - 0.3 * ink[0] - 0.5 * ink[1] - 0.1 * ink[2]);
    const cmsCIELab lab = {100 * light, 60 * (ink[1] - ink[0]) * (1 - ink[3]),
                           70 * (ink[2] - 0.5 * ink[0]) * (1 - ink[3])};
    cmsFloat2LabEncodedV2(out, &lab);
    return 1;
  };
  cmsStageSampleCLut16bit(table, sampler, nullptr, 0);
  cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 4, 3);
  cmsPipelineInsertStage(pipeline, cmsAT_END, table);
  cmsWriteTag(profile, cmsSigAToB0Tag, pipeline);
  cmsPipelineFree(pipeline);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  IccProfile bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

// The design record: everything that describes one framing design.
// All lengths are inches. Enumerations are plain 32-bit codes because values
// read from design files are stored unchecked; users of a code must range-check it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "image/image.h"

struct RgbColor {
  int32_t red = 0;
  int32_t green = 0;
  int32_t blue = 0;
};

inline bool operator==(const RgbColor& a, const RgbColor& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// MatIndex
constexpr int32_t kOuterMat = 0;
constexpr int32_t kMiddleMat = 1;
constexpr int32_t kInnerMat = 2;
constexpr int32_t kMatCount = 3;
constexpr std::array<const char*, 3> kMatLabels = {"Outer", "Middle", "Inner"};

// LightingIntensity
constexpr int32_t kBright = 0;
constexpr int32_t kModerate = 1;
constexpr int32_t kSubdued = 2;
constexpr std::array<const char*, 3> kLightingIntensityLabels = {"Bright", "Moderate", "Subdued"};

// LightingType
constexpr int32_t kTungsten = 0;
constexpr int32_t kMixed = 4;
constexpr int32_t kDaylight = 6;
constexpr int32_t kLightingTypeCount = 8;
constexpr std::array<const char*, 8> kLightingTypeLabels = {
    "Tungsten", "Warm Fluorescent", "Halogen",  "Cool Fluorescent",
    "Mixed",    "Overcast",         "Daylight", "North Light"};

// FrameStyle
constexpr int32_t kFrameStyleCount = 11;
constexpr std::array<const char*, 11> kFrameStyleLabels = {
    "Rectangular",     "Beveled",    "Rounded", "More Rounded", "Fully Rounded", "Reverse Bevel 1",
    "Reverse Bevel 2", "Inverted V", "Fancy 1", "Fancy 2",      "Triple Bead"};

// FrameFinish
constexpr int32_t kFlat = 0;
constexpr int32_t kGlossy = 1;
constexpr int32_t kFrameFinishCount = 2;
constexpr std::array<const char*, 2> kFrameFinishLabels = {"Flat", "Glossy"};

// MatOpening
constexpr int32_t kRectangularOpening = 0;
constexpr int32_t kOvalOpening = 1;
constexpr std::array<const char*, 2> kMatOpeningLabels = {"Rectangular", "Oval"};

// MatTexture
constexpr int32_t kSmooth = 0;
constexpr int32_t kMatTextureCount = 6;
constexpr std::array<const char*, 6> kMatTextureLabels = {"Smooth", "Textured", "Suede",
                                                          "Linen",  "Canvas",   "Burlap"};

// BevelAngle
constexpr int32_t kBevel45 = 0;
constexpr int32_t kBevel60 = 1;
constexpr int32_t kBevel90 = 2;
constexpr std::array<const char*, 3> kBevelAngleLabels = {"45 Degree", "60 Degree", "90 Degree"};

// PictureSizeMode
constexpr int32_t kSizeFromFile = 0;
constexpr int32_t kCustomSize = 1;
constexpr std::array<const char*, 2> kPictureSizeModeLabels = {"Size from File", "Custom Size"};

struct BackgroundSettings {
  double ratio = 0.0;
  RgbColor color;
  bool operator==(const BackgroundSettings&) const = default;
};

struct LightingSettings {
  int32_t intensity = 0;
  int32_t type = 0;
  bool operator==(const LightingSettings&) const = default;
};

struct FrameSettings {
  int32_t style = 0;
  int32_t finish = 0;
  RgbColor color;
  double overallWidth = 0.0;   // derived by ComputeOverallSize
  double overallHeight = 0.0;  // derived by ComputeOverallSize
  double outerDepth = 0.0;
  double innerDepth = 0.0;
  double leftWidth = 0.0;
  double rightWidth = 0.0;
  double topWidth = 0.0;
  double bottomWidth = 0.0;
  bool operator==(const FrameSettings&) const = default;
};

struct MatSettings {
  int32_t shown = 0;
  int32_t opening = 0;
  double left = 0.0;
  double right = 0.0;
  double top = 0.0;
  double bottom = 0.0;
  double thickness = 0.0;
  int32_t texture = 0;
  RgbColor color;
  int32_t bevel = 0;
  RgbColor bevelColor;
  bool operator==(const MatSettings&) const = default;
};

struct ImageBorder {
  double left = 0.0;
  double right = 0.0;
  double top = 0.0;
  double bottom = 0.0;
  RgbColor color;
  bool operator==(const ImageBorder&) const = default;
};

constexpr size_t kMaxPathLength = 259;

struct PictureSettings {
  int32_t sizeMode = 0;
  double customWidth = 0.0;
  double customHeight = 0.0;
  std::string pathname;
  // Rgb8 in sRGB; null when no picture is loaded. Never changed in place: a
  // new picture is a new raster, so every copy of the design (a dialog's
  // backup, an export's own copy) shares the pixels instead of copying them.
  std::shared_ptr<const Image> raster;
  // Bumped by every writer of `raster`, so the renderer knows when the
  // picture it resampled last time is still the same picture.
  uint64_t rasterVersion = 0;
  bool operator==(const PictureSettings&) const = default;
};

struct SceneSettings {
  int32_t modified = 0;
  BackgroundSettings background;
  LightingSettings lighting;
  FrameSettings frame;
  std::array<MatSettings, kMatCount> mats;
  ImageBorder border;
  PictureSettings picture;
  // Whole designs compare equal when every field does; pictures compare by
  // raster, not by pixels.
  bool operator==(const SceneSettings&) const = default;
};

// Program start: zero everything, then ResetScene.
void InitScene(SceneSettings* scene);
// The defaults; also drops the picture.
void ResetScene(SceneSettings* scene);
// The picture's pixels, or an empty image when no picture is loaded.
const Image& PictureImage(const PictureSettings& picture);
// The picture's size in inches as the layout uses it.
void PictureSizeInches(const SceneSettings& scene, double* width, double* height);

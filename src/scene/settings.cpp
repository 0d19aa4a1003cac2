#include "scene/settings.h"

namespace {

void SetMat(MatSettings* mat, double margin, RgbColor color) {
  mat->shown = 1;
  mat->opening = kRectangularOpening;
  mat->left = margin;
  mat->right = margin;
  mat->top = margin;
  mat->bottom = margin;
  mat->thickness = 0.055;
  mat->texture = kSmooth;
  mat->color = color;
  mat->bevel = kBevel45;
  mat->bevelColor = {240, 240, 240};
}

}  // namespace

void InitScene(SceneSettings* scene) {
  *scene = SceneSettings{};
  ResetScene(scene);
}

void ResetScene(SceneSettings* scene) {
  scene->picture.raster.reset();
  ++scene->picture.rasterVersion;

  scene->modified = 0;
  scene->background.ratio = 1.2;
  scene->background.color = {150, 140, 100};
  scene->lighting.intensity = kBright;
  scene->lighting.type = kMixed;

  FrameSettings& frame = scene->frame;
  frame.style = 0;
  frame.finish = kGlossy;
  frame.color = {0, 0, 0};
  frame.overallWidth = 15.5;
  frame.overallHeight = 12.5;
  frame.outerDepth = 0.75;
  frame.innerDepth = 0.25;
  frame.leftWidth = 0.75;
  frame.rightWidth = 0.75;
  frame.topWidth = 0.75;
  frame.bottomWidth = 0.75;

  SetMat(&scene->mats[kOuterMat], 1.5, {255, 250, 240});
  SetMat(&scene->mats[kMiddleMat], 0.5, {128, 120, 115});
  SetMat(&scene->mats[kInnerMat], 0.25, {64, 60, 50});

  scene->border.left = 0.0;
  scene->border.right = 0.0;
  scene->border.top = 0.0;
  scene->border.bottom = 0.0;
  scene->border.color = {255, 255, 255};

  scene->picture.sizeMode = kSizeFromFile;
  scene->picture.customWidth = 10.0;
  scene->picture.customHeight = 8.0;
  scene->picture.pathname.clear();
}

void PictureSizeInches(const SceneSettings& scene, double* width, double* height) {
  const PictureSettings& picture = scene.picture;
  if (picture.sizeMode == kCustomSize) {
    *width = picture.customWidth;
    *height = picture.customHeight;
    return;
  }
  // A picture without a usable resolution cannot be measured; it is shown
  // at the no-picture size rather than dividing by zero.
  const Image& raster = PictureImage(picture);
  if (raster.type != 0 && raster.resolution > 0.0) {
    *width = raster.width / raster.resolution;
    *height = raster.height / raster.resolution;
    return;
  }
  *width = 10.0;
  *height = 8.0;
}

const Image& PictureImage(const PictureSettings& picture) {
  static const Image kNoPicture;
  return picture.raster ? *picture.raster : kNoPicture;
}

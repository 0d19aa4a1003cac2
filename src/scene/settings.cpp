#include "scene/settings.h"

#include "render/render_state.h"

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
  FreeImage(&mat->textureCache);
}

}  // namespace

void InitScene(SceneSettings* scene, RenderState* render) {
  *render = RenderState{};
  FreeImage(&scene->picture.raster);
  for (MatSettings& mat : scene->mats) FreeImage(&mat.textureCache);
  *scene = SceneSettings{};
  ResetScene(scene, render);
}

void ResetScene(SceneSettings* scene, RenderState* render) {
  FreeImage(&scene->picture.raster);
  ++scene->picture.rasterVersion;
  FreeImage(&render->composite);
  FreeImage(&render->displayCopy);
  FreeImage(&render->pictureCache);
  render->pictureCacheValid = false;

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
  if (picture.raster.type != 0 && picture.raster.resolution > 0.0) {
    *width = picture.raster.width / picture.raster.resolution;
    *height = picture.raster.height / picture.raster.resolution;
    return;
  }
  *width = 10.0;
  *height = 8.0;
}

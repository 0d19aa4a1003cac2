#include "render/render_state.h"
#include "scene/settings.h"

#include <gtest/gtest.h>

namespace {

TEST(SceneSettings, DefaultsAfterReset) {
  SceneSettings scene;
  RenderState render;
  InitScene(&scene, &render);
  EXPECT_EQ(scene.modified, 0);
  EXPECT_DOUBLE_EQ(scene.background.ratio, 1.2);
  EXPECT_EQ(scene.background.color, (RgbColor{150, 140, 100}));
  EXPECT_EQ(scene.lighting.intensity, kBright);
  EXPECT_EQ(scene.lighting.type, kMixed);
  EXPECT_EQ(scene.frame.style, 0);
  EXPECT_EQ(scene.frame.finish, kGlossy);
  EXPECT_DOUBLE_EQ(scene.frame.overallWidth, 15.5);
  EXPECT_DOUBLE_EQ(scene.frame.overallHeight, 12.5);
  EXPECT_DOUBLE_EQ(scene.frame.outerDepth, 0.75);
  EXPECT_DOUBLE_EQ(scene.frame.innerDepth, 0.25);
  const double margins[3] = {1.5, 0.5, 0.25};
  const RgbColor colours[3] = {{255, 250, 240}, {128, 120, 115}, {64, 60, 50}};
  for (int i = 0; i < 3; ++i) {
    const MatSettings& mat = scene.mats[i];
    EXPECT_EQ(mat.shown, 1);
    EXPECT_EQ(mat.opening, kRectangularOpening);
    EXPECT_EQ(mat.texture, kSmooth);
    EXPECT_EQ(mat.bevel, kBevel45);
    EXPECT_DOUBLE_EQ(mat.thickness, 0.055);
    for (double side : {mat.left, mat.right, mat.top, mat.bottom}) EXPECT_DOUBLE_EQ(side, margins[i]);
    EXPECT_EQ(mat.color, colours[i]);
    EXPECT_EQ(mat.bevelColor, (RgbColor{240, 240, 240}));
  }
  EXPECT_EQ(scene.border.color, (RgbColor{255, 255, 255}));
  EXPECT_EQ(scene.border.left + scene.border.right + scene.border.top + scene.border.bottom, 0.0);
  EXPECT_EQ(scene.picture.sizeMode, kSizeFromFile);
  EXPECT_DOUBLE_EQ(scene.picture.customWidth, 10.0);
  EXPECT_DOUBLE_EQ(scene.picture.customHeight, 8.0);
  EXPECT_TRUE(scene.picture.pathname.empty());
}

TEST(SceneSettings, ResetEmptiesPictureAndRenderings) {
  SceneSettings scene;
  RenderState render;
  InitScene(&scene, &render);
  ASSERT_EQ(AllocImage(&scene.picture.raster, Rgb8, 4, 4, 72), 0);
  ASSERT_EQ(AllocImage(&render.composite, Rgb8, 4, 4, 72), 0);
  ASSERT_EQ(AllocImage(&render.displayCopy, Rgb8, 4, 4, 72), 0);
  ASSERT_EQ(AllocImage(&scene.mats[1].textureCache, Gray8, 4, 4, 72), 0);
  scene.picture.pathname = "/tmp/a.tif";
  scene.modified = 1;
  const uint64_t version = scene.picture.rasterVersion;
  ResetScene(&scene, &render);
  EXPECT_EQ(scene.picture.raster.type, 0);
  EXPECT_NE(scene.picture.rasterVersion, version);
  EXPECT_EQ(render.composite.type, 0);
  EXPECT_EQ(render.displayCopy.type, 0);
  EXPECT_EQ(scene.mats[1].textureCache.type, 0);
  EXPECT_TRUE(scene.picture.pathname.empty());
  EXPECT_EQ(scene.modified, 0);
}

TEST(SceneSettings, PictureSizeFollowsModeAndResolution) {
  SceneSettings scene;
  RenderState render;
  InitScene(&scene, &render);
  double w = 0, h = 0;
  PictureSizeInches(scene, &w, &h);
  EXPECT_DOUBLE_EQ(w, 10.0);
  EXPECT_DOUBLE_EQ(h, 8.0);
  ASSERT_EQ(AllocImage(&scene.picture.raster, Rgb8, 600, 300, 200.0), 0);
  PictureSizeInches(scene, &w, &h);
  EXPECT_DOUBLE_EQ(w, 3.0);
  EXPECT_DOUBLE_EQ(h, 1.5);
  scene.picture.sizeMode = kCustomSize;
  scene.picture.customWidth = 12.0;
  scene.picture.customHeight = 6.0;
  PictureSizeInches(scene, &w, &h);
  EXPECT_DOUBLE_EQ(w, 12.0);
  EXPECT_DOUBLE_EQ(h, 6.0);
  // A picture without a resolution cannot be measured: no division by zero.
  scene.picture.sizeMode = kSizeFromFile;
  scene.picture.raster.resolution = 0.0;
  PictureSizeInches(scene, &w, &h);
  EXPECT_DOUBLE_EQ(w, 10.0);
  EXPECT_DOUBLE_EQ(h, 8.0);
}

}  // namespace

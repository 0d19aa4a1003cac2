#include "render/render_state.h"
#include "scene/settings.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(SceneSettings, DefaultsAfterReset) {
  SceneSettings scene;
  RenderState render;
  InitScene(&scene, &render);
  EXPECT_EQ(std::tuple(scene.modified, scene.background.ratio, scene.background.color),
            std::tuple(0, 1.2, RgbColor{150, 140, 100}));
  EXPECT_EQ(std::tuple(scene.lighting.intensity, scene.lighting.type), std::tuple(kBright, kMixed));
  const FrameSettings& f = scene.frame;
  EXPECT_EQ(std::tuple(f.style, f.finish, f.overallWidth, f.overallHeight, f.outerDepth, f.innerDepth),
            std::tuple(0, kGlossy, 15.5, 12.5, 0.75, 0.25));
  const double margins[3] = {1.5, 0.5, 0.25};
  const RgbColor colours[3] = {{255, 250, 240}, {128, 120, 115}, {64, 60, 50}};
  for (int i = 0; i < 3; ++i) {
    const MatSettings& m = scene.mats[i];
    EXPECT_EQ(std::tuple(m.shown, m.opening, m.texture, m.bevel, m.thickness, m.color, m.bevelColor),
              std::tuple(1, kRectangularOpening, kSmooth, kBevel45, 0.055, colours[i], RgbColor{240, 240, 240}))
        << i;
    EXPECT_EQ(std::tuple(m.left, m.right, m.top, m.bottom), std::tuple(margins[i], margins[i], margins[i], margins[i]));
  }
  const ImageBorder& b = scene.border;
  EXPECT_EQ(std::tuple(b.color, b.left + b.right + b.top + b.bottom), std::tuple(RgbColor{255, 255, 255}, 0.0));
  const PictureSettings& p = scene.picture;
  EXPECT_EQ(std::tuple(p.sizeMode, p.customWidth, p.customHeight, p.pathname),
            std::tuple(kSizeFromFile, 10.0, 8.0, std::string()));
}

TEST(SceneSettings, ResetEmptiesPictureAndRenderings) {
  SceneSettings scene;
  RenderState render;
  InitScene(&scene, &render);
  for (Image* image : {&scene.picture.raster, &render.composite, &render.displayCopy})
    ASSERT_EQ(AllocImage(image, Rgb8, 4, 4, 72), 0);
  ASSERT_EQ(AllocImage(&scene.mats[1].textureCache, Gray8, 4, 4, 72), 0);
  scene.picture.pathname = "/tmp/a.tif";
  scene.modified = 1;
  const uint64_t version = scene.picture.rasterVersion;
  ResetScene(&scene, &render);
  EXPECT_NE(scene.picture.rasterVersion, version);
  EXPECT_EQ(std::tuple(scene.picture.raster.type, render.composite.type, render.displayCopy.type,
                       scene.mats[1].textureCache.type, scene.picture.pathname, scene.modified),
            std::tuple(0, 0, 0, 0, std::string(), 0));
}

TEST(SceneSettings, PictureSizeFollowsModeAndResolution) {
  SceneSettings scene;
  RenderState render;
  InitScene(&scene, &render);
  auto size = [&scene]() {
    double w = 0, h = 0;
    PictureSizeInches(scene, &w, &h);
    return std::pair(w, h);
  };
  EXPECT_EQ(size(), std::pair(10.0, 8.0));
  ASSERT_EQ(AllocImage(&scene.picture.raster, Rgb8, 600, 300, 200.0), 0);
  EXPECT_EQ(size(), std::pair(3.0, 1.5));
  scene.picture.sizeMode = kCustomSize;
  scene.picture.customWidth = 12.0;
  scene.picture.customHeight = 6.0;
  EXPECT_EQ(size(), std::pair(12.0, 6.0));
  // A picture without a resolution cannot be measured: no division by zero.
  scene.picture.sizeMode = kSizeFromFile;
  scene.picture.raster.resolution = 0.0;
  EXPECT_EQ(size(), std::pair(10.0, 8.0));
}

}  // namespace

#include "scene/settings.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/pictures.h"

namespace {

TEST(SceneSettings, CopiesResetsAndPictureSizes) {
  SceneSettings scene;
  InitScene(&scene);
  scene.picture.raster = BlankPicture(4, 4, 72.0);
  scene.picture.pathname = "/tmp/a.tif";
  scene.modified = 1;
  SceneSettings copy = scene;
  EXPECT_TRUE(copy.picture.raster == scene.picture.raster && copy == scene);
  copy.mats[kInnerMat].bottom += 1.0 / 16;
  EXPECT_FALSE(copy == scene);
  copy = scene;
  copy.picture.raster = BlankPicture(4, 4, 72.0);  // same pixels, another picture
  EXPECT_FALSE(copy == scene);
  // A new design drops the picture and counts a new one, which the copy keeps.
  const uint64_t version = scene.picture.rasterVersion;
  ResetScene(&scene);
  EXPECT_EQ(std::tuple(scene.picture.rasterVersion != version, scene.picture.raster == nullptr,
                       scene.picture.pathname, scene.modified, copy.picture.pathname),
            std::tuple(true, true, "", 0, "/tmp/a.tif"));

  // The size of no picture, of 600 x 300 pixels at 200 per inch, of a
  // picture without a resolution (measured as none: no division by zero),
  // and a custom size.
  scene.picture.customWidth = 12.0;
  // clang-format off
  for (auto [ppi, mode, w, h] : {std::tuple{-1.0, kSizeFromFile, 10.0, 8.0}, {200.0, kSizeFromFile, 3.0, 1.5},
                                 {0.0, kSizeFromFile, 10.0, 8.0}, {200.0, kCustomSize, 12.0, 8.0}}) {
    // clang-format on
    scene.picture.raster = ppi < 0 ? nullptr : BlankPicture(600, 300, ppi);
    scene.picture.sizeMode = mode;
    double width = 0, height = 0;
    PictureSizeInches(scene, &width, &height);
    EXPECT_EQ(std::pair(width, height), std::pair(w, h)) << ppi << " " << mode;
  }
}

}  // namespace

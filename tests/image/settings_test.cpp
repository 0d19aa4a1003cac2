#include "scene/settings.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "support/pictures.h"

namespace {

TEST(SceneSettings, CopiesShareThePictureAndCompareFieldByField) {
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
}

TEST(SceneSettings, PictureSizeFollowsModeAndResolution) {
  SceneSettings scene;
  InitScene(&scene);
  auto size = [&scene]() {
    double w = 0, h = 0;
    PictureSizeInches(scene, &w, &h);
    return std::pair(w, h);
  };
  EXPECT_EQ(size(), std::pair(10.0, 8.0));
  scene.picture.raster = BlankPicture(600, 300, 200.0);
  EXPECT_EQ(size(), std::pair(3.0, 1.5));
  scene.picture.sizeMode = kCustomSize;
  scene.picture.customWidth = 12.0;
  scene.picture.customHeight = 6.0;
  EXPECT_EQ(size(), std::pair(12.0, 6.0));
  // A picture without a resolution cannot be measured: no division by zero.
  scene.picture.sizeMode = kSizeFromFile;
  scene.picture.raster = BlankPicture(600, 300, 0.0);
  EXPECT_EQ(size(), std::pair(10.0, 8.0));
}

}  // namespace

// The asset loaders against a generated set, and the generated frame tiles:
// gray, lit from the upper left and oriented by side.
#include "files/assets.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "assetgen.h"
#include "render/render.h"
#include "support/files.h"

namespace fs = std::filesystem;

// The generated pictures are gray and the tiles lit from the upper left and
// oriented by side. Then a missing or damaged file costs one message, in
// loading order (which is the label order, not the code order), and only its
// own image.
TEST(Assets, GeneratedSetIsGrayAndLitAndEachDamagedFileCostsOneMessageAndItsImage) {
  TempFolder set;
  const std::string root = set.Root().string();
  ASSERT_EQ(WriteAssetSet(root), 0);
  ErrorCapture errors;
  TextureSet textures;
  FrameTileSet tiles;
  IccProfile profile;
  LoadTextures(root, &textures, &profile);
  LoadFrameTiles(root, &tiles, &profile);
  ASSERT_EQ(errors.messages, std::vector<std::string>{});
  for (int32_t t = 1; t < 6; ++t) EXPECT_EQ(textures.images[t].type, Gray8) << t;
  auto mean = [](const Image& image) {
    double sum = 0.0;
    for (int32_t r = 0; r < image.height; ++r)
      for (int32_t c = 0; c < image.width; ++c) sum += image.rows[r][c];
    return sum / (double(image.width) * image.height);
  };
  for (int32_t finish = 0; finish < 2; ++finish) {
    for (int32_t style = 0; style < 11; ++style) {
      auto at = [&](int32_t side) { return FrameTileSet::Index(finish, style, side); };
      const Image &left = tiles.tiles[at(kSideLeft)], &right = tiles.tiles[at(kSideRight)];
      const Image &bottom = tiles.tiles[at(kSideBottom)], &top = tiles.tiles[at(kSideTop)];
      for (const Image* tile : {&left, &right, &bottom, &top}) ASSERT_EQ(tile->type, Gray8);
      EXPECT_GT(std::min(mean(left), mean(top)), 1.05 * std::max(mean(right), mean(bottom)))
          << kFrameFinishLabels[finish] << " " << kFrameStyleLabels[style];
      // Left runs outer to inner and Top inner to outer, both lit from their
      // outer edge: one profile, reversed. Likewise Right against Bottom.
      const int32_t n = left.width;
      ASSERT_TRUE(left.height < n && bottom.width < n && top.height == n && bottom.height == n);
      for (int32_t i = 0; i < n; ++i) {
        ASSERT_EQ(left.rows[0][i], top.rows[n - 1 - i][0]) << style << " " << i;
        ASSERT_EQ(right.rows[0][i], bottom.rows[n - 1 - i][0]) << style << " " << i;
      }
    }
  }
  const std::string laid = root + "/Textures/Laid.tif", linen = root + "/Textures/Linen.tif";
  const std::string frames = root + "/Frames/", missing = frames + "Glossy/Fancy 2/Top.tif";
  ASSERT_TRUE(fs::remove(missing) && fs::remove(laid) && fs::remove_all(frames + "Flat") == 56u);
  WriteAll(linen, {'n', 'o', 't', ' ', 't', 'i', 'f', 'f'});
  errors.messages.clear();
  TextureSet damagedTextures;
  FrameTileSet damagedTiles;
  LoadTextures(root, &damagedTextures, &profile);
  LoadFrameTiles(root + "/", &damagedTiles, &profile);  // a trailing separator is not doubled
  ASSERT_EQ(errors.messages.size(), 2u + 44u + 1u);
  for (auto [at, text] :
       {std::pair{0, "Cannot locate texture file: " + laid},
        {1, "Error reading texture file: " + linen},
        {2 + 4 * 2, "Cannot locate frame file: " + frames + "Flat/Reverse Bevel 1/Left.tif"},
        {2 + 4 * 9, "Cannot locate frame file: " + frames + "Flat/Inverted V/Left.tif"},
        {45, "Cannot locate frame file: " + frames + "Flat/Triple Bead/Top.tif"},
        {46, "Cannot locate frame file: " + missing}})
    EXPECT_EQ(errors.messages[at], text);
  for (int32_t t = 1; t < 6; ++t) EXPECT_EQ(damagedTextures.images[t].HasPixels(), t != 1 && t != 3) << t;
  for (int32_t i = 0; i < 88; ++i)
    EXPECT_EQ(damagedTiles.tiles[i].HasPixels(), i >= 44 && i != FrameTileSet::Index(1, 9, kSideTop)) << i;
}

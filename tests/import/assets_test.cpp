// The asset loaders against a generated set, and the generated frame tiles:
// gray, lit from the upper left and oriented by side.
#include "files/assets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "assetgen.h"
#include "render/render.h"
#include "support/files.h"

namespace fs = std::filesystem;

namespace {

double Mean(const Image& image) {
  double sum = 0.0;
  for (int32_t r = 0; r < image.height; ++r)
    for (int32_t c = 0; c < image.width; ++c) sum += image.rows[r][c];
  return sum / (double(image.width) * image.height);
}

// One generated set for the whole program, loaded once; the test that
// damages files works on a copy.
struct Assets : ::testing::Test {
  static void SetUpTestSuite() {
    set = std::make_unique<TempFolder>();
    ASSERT_EQ(WriteAssetSet(set->Root().string()), 0);
    ErrorCapture errors;
    LoadTextures(set->Root().string(), &textures, &profile);
    LoadFrameTiles(set->Root().string(), &tiles, &profile);
    ASSERT_TRUE(errors.messages.empty());
  }
  static const Image& Tile(int32_t finish, int32_t style, int32_t side) {
    return tiles.tiles[FrameTileSet::Index(finish, style, side)];
  }
  static inline std::unique_ptr<TempFolder> set;
  static inline TextureSet textures;
  static inline FrameTileSet tiles;
  static inline IccProfile profile;
};

}  // namespace

// A missing or damaged file costs one message, in loading order (which is
// the label order, not the code order), and only its own image.
TEST_F(Assets, DamagedFilesCostOneMessageEachInLoadingOrderAndOnlyTheirImage) {
  TempFolder scratch;
  const std::string root = (scratch.Root() / "program").string();
  fs::copy(set->Root(), root, fs::copy_options::recursive);
  const std::string laid = root + "/Textures/Laid.tif", linen = root + "/Textures/Linen.tif";
  const std::string frames = root + "/Frames/", missing = frames + "Glossy/Fancy 2/Top.tif";
  ASSERT_TRUE(fs::remove(missing) && fs::remove(laid) && fs::remove_all(frames + "Flat") == 56u);
  WriteAll(linen, {'n', 'o', 't', ' ', 't', 'i', 'f', 'f'});
  ErrorCapture errors;
  TextureSet textures;
  FrameTileSet tiles;
  LoadTextures(root, &textures, &profile);
  LoadFrameTiles(root + "/", &tiles, &profile);  // a trailing separator is not doubled
  ASSERT_EQ(errors.messages.size(), 2u + 44u + 1u);
  for (auto [at, text] :
       {std::pair{0, "Cannot locate texture file: " + laid},
        {1, "Error reading texture file: " + linen},
        {2 + 4 * 2, "Cannot locate frame file: " + frames + "Flat/Reverse Bevel 1/Left.tif"},
        {2 + 4 * 9, "Cannot locate frame file: " + frames + "Flat/Inverted V/Left.tif"},
        {45, "Cannot locate frame file: " + frames + "Flat/Triple Bead/Top.tif"},
        {46, "Cannot locate frame file: " + missing}})
    EXPECT_EQ(errors.messages[at], text);
  for (int32_t t = 1; t < 6; ++t) EXPECT_EQ(textures.images[t].HasPixels(), t != 1 && t != 3) << t;
  for (int32_t i = 0; i < 88; ++i)
    EXPECT_EQ(tiles.tiles[i].HasPixels(), i >= 44 && i != FrameTileSet::Index(1, 9, kSideTop)) << i;
}

TEST_F(Assets, GeneratedPicturesAreGrayAndTilesLitFromTheUpperLeftAndOrientedBySide) {
  for (int32_t t = 1; t < 6; ++t) EXPECT_EQ(textures.images[t].type, Gray8) << t;
  for (int32_t finish = 0; finish < 2; ++finish) {
    for (int32_t style = 0; style < 11; ++style) {
      const Image &left = Tile(finish, style, kSideLeft), &right = Tile(finish, style, kSideRight);
      const Image &bottom = Tile(finish, style, kSideBottom), &top = Tile(finish, style, kSideTop);
      for (const Image* tile : {&left, &right, &bottom, &top}) ASSERT_EQ(tile->type, Gray8);
      EXPECT_GT(std::min(Mean(left), Mean(top)), 1.05 * std::max(Mean(right), Mean(bottom)))
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
}

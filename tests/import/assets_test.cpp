// The asset loaders against a generated set, and the generated set itself:
// complete, gray, seamless where it repeats, and lit from the upper left.
#include "files/assets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "assetgen.h"
#include "render/render.h"
#include "support/files.h"
#include "support/jpeg.h"

namespace fs = std::filesystem;

namespace {

double Mean(const Image& image) {
  double sum = 0.0;
  for (int32_t r = 0; r < image.height; ++r)
    for (int32_t c = 0; c < image.width; ++c) sum += image.rows[r][c];
  return sum / (double(image.width) * image.height);
}

// Mean absolute difference between columns a and b (rows when `rows`).
double Step(const Image& image, int32_t a, int32_t b, bool rows) {
  double sum = 0.0;
  const int32_t n = rows ? image.width : image.height;
  for (int32_t i = 0; i < n; ++i)
    sum += std::abs(rows ? image.rows[a][i] - image.rows[b][i] : image.rows[i][a] - image.rows[i][b]);
  return sum / n;
}

// One generated set for the whole program, loaded once; tests that damage
// files work on a copy.
struct Assets : ::testing::Test {
  static void SetUpTestSuite() {
    set = new TempFolder;
    ASSERT_EQ(WriteAssetSet(set->Root().string()), 0);
    ErrorCapture errors;
    LoadTextures(set->Root().string(), &textures, &profile);
    LoadFrameTiles(set->Root().string(), &tiles, &profile);
    ASSERT_TRUE(errors.messages.empty());
  }
  static void TearDownTestSuite() {
    FreeTextures(&textures);
    FreeFrameTiles(&tiles);
    delete set;
  }
  std::string Copy() {
    fs::copy(set->Root(), scratch.Root() / "program", fs::copy_options::recursive);
    return (scratch.Root() / "program").string();
  }
  static const Image& Tile(int32_t finish, int32_t style, int32_t side) {
    return tiles.tiles[FrameTileSet::Index(finish, style, side)];
  }
  static inline TempFolder* set = nullptr;
  static inline TextureSet textures;
  static inline FrameTileSet tiles;
  static inline IccProfile profile;
  TempFolder scratch;
};

}  // namespace

TEST_F(Assets, CompleteSetLoadsAsGray) {
  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(set->Root())) files += entry.is_regular_file();
  EXPECT_EQ(files, 93u);
  EXPECT_EQ(textures.images[0].type, 0);
  for (int32_t t = 1; t < 6; ++t) EXPECT_EQ(textures.images[t].type, Gray8) << t;
  for (const Image& tile : tiles.tiles) EXPECT_EQ(tile.type, Gray8);
}

// A missing or damaged file costs one message, in loading order, and only its own image.
TEST_F(Assets, DamagedFilesCostOneMessageEachAndOnlyTheirImage) {
  const std::string root = Copy();
  const std::string laid = root + "/Textures/Laid.tif", linen = root + "/Textures/Linen.tif";
  const std::string missing = root + "/Frames/Glossy/Fancy 2/Top.tif";
  ASSERT_TRUE(fs::remove(missing) && fs::remove(laid));
  WriteAll(linen, {'n', 'o', 't', ' ', 't', 'i', 'f', 'f'});
  ErrorCapture errors;
  TextureSet textures;
  FrameTileSet tiles;
  LoadTextures(root, &textures, &profile);
  LoadFrameTiles(root + "/", &tiles, &profile);  // a trailing separator is not doubled
  EXPECT_EQ(errors.messages, (std::vector<std::string>{"Cannot locate texture file: " + laid,
                                                       "Error reading texture file: " + linen,
                                                       "Cannot locate frame file: " + missing}));
  for (int32_t t = 1; t < 6; ++t) EXPECT_EQ(textures.images[t].HasPixels(), t != 1 && t != 3) << t;
  for (int32_t i = 0; i < 88; ++i)
    EXPECT_EQ(tiles.tiles[i].HasPixels(), i != FrameTileSet::Index(1, 9, kSideTop));
}

TEST_F(Assets, MissingFoldersAreReportedInLoadingOrder) {
  ErrorCapture errors;
  TextureSet textures;
  FrameTileSet tiles;
  const std::string root = scratch.Root().string();
  LoadTextures(root, &textures, &profile);
  LoadFrameTiles(root, &tiles, &profile);
  ASSERT_EQ(errors.messages.size(), 5u + 88u);
  // Reverse Bevel 1 third: the label order, not the code order.
  const std::string frames = "Cannot locate frame file: " + root + "/Frames/";
  for (auto [at, text] : {std::pair{4, "Cannot locate texture file: " + root + "/Textures/Burlap.tif"},
                          {13, frames + "Flat/Reverse Bevel 1/Left.tif"},
                          {41, frames + "Flat/Inverted V/Left.tif"},
                          {92, frames + "Glossy/Triple Bead/Top.tif"}})
    EXPECT_EQ(errors.messages[at], text);
}

TEST_F(Assets, TexturesAreLightSeamlessAndOneToTwoInches) {
  for (int32_t t = 1; t < 6; ++t) {
    const Image& tex = textures.images[t];
    EXPECT_TRUE(tex.width / tex.resolution >= 1.0 && tex.width / tex.resolution <= 2.0) << t;
    EXPECT_GT(Mean(tex), 185.0) << t;  // a texel only darkens the mat
    // The step across the repeat (last line to first) is no larger than the
    // largest step inside; a woven tile repeats on a thread boundary, so the
    // average step would be the wrong yardstick.
    for (bool rows : {false, true}) {
      const int32_t n = rows ? tex.height : tex.width;
      double largest = 0.0, sum = 0.0;
      for (int32_t i = 0; i + 1 < n; ++i) {
        largest = std::max(largest, Step(tex, i, i + 1, rows));
        sum += Step(tex, i, i + 1, rows);
      }
      EXPECT_LE(Step(tex, n - 1, 0, rows), largest) << t;
      EXPECT_GT(sum / (n - 1), 0.5) << t;  // and there is a texture at all
    }
  }
}

TEST_F(Assets, TilesAreLitFromTheUpperLeftAndOrientedBySide) {
  for (int32_t finish = 0; finish < 2; ++finish) {
    for (int32_t style = 0; style < 11; ++style) {
      const Image &left = Tile(finish, style, kSideLeft), &right = Tile(finish, style, kSideRight);
      const Image &bottom = Tile(finish, style, kSideBottom), &top = Tile(finish, style, kSideTop);
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

#include "image/image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <utility>

namespace {

// rowBytes, rowsPerChunk and chunkCount of a fresh image.
std::tuple<int32_t, int32_t, int32_t> Layout(const Image& image) {
  return {image.rowBytes, image.rowsPerChunk, image.chunkCount};
}

TEST(Image, ChunkedStorageMatchesWorkedExample) {
  Image image;
  ASSERT_EQ(AllocImage(&image, Rgb8, 1000, 700, 72.0), 0);
  EXPECT_EQ(Layout(image), std::tuple(3000, 85, 9));
  // Rows of one chunk follow each other; the next chunk starts a new block.
  for (int r = 0; r < 700; ++r) EXPECT_EQ(image.rows[r], image.chunks[r / 85] + 3000 * (r % 85)) << r;
  // The last chunk holds 20 rows: writing all of its bytes must stay in bounds.
  std::memset(image.rows[680], 7, 20 * 3000);
  EXPECT_EQ(image.rows[699][2999], 7);
  // An exact multiple of the rows per chunk fills the last chunk.
  ASSERT_EQ(AllocImage(&image, Gray8, 1000, 512, 0), 0);
  EXPECT_EQ(Layout(image), std::tuple(1000, 256, 2));
  EXPECT_EQ(image.rows[511], image.chunks[1] + 255 * 1000);
  // The widest row that fits a chunk, and one pixel more.
  ASSERT_EQ(AllocImage(&image, Rgb8, 85333, 2, 0), 0);
  EXPECT_EQ(Layout(image), std::tuple(256000, 1, 2));
  EXPECT_EQ(AllocImage(&image, Rgb8, 85334, 2, 0), 1);
  EXPECT_EQ(std::tuple(image.type, image.rows.get(), image.chunks.get()), std::tuple(0, nullptr, nullptr));
}

TEST(Image, RowBytesRoundToFour) {
  for (auto [width, bytes] : {std::pair{0, 0}, {1, 4}, {5, 8}, {8, 8}}) EXPECT_EQ(RowBytesFor(width), bytes);
  for (auto [type, width, bytes] :
       {std::tuple{Bilevel, 1, 4}, {Bilevel, 33, 8}, {Gray16, 3, 8}, {Rgb16, 3, 20}}) {
    Image image;
    ASSERT_EQ(AllocImage(&image, type, width, 2, 0), 0);
    EXPECT_EQ(image.rowBytes, bytes) << type << " " << width;
  }
}

TEST(Image, ReallocationKeepsPixelsOnlyForUnchangedShape) {
  Image image;
  ASSERT_EQ(AllocImage(&image, Rgb8, 10, 10, 100.0), 0);
  image.rows[3][4] = 99;
  uint8_t* before = image.rows[3];
  ASSERT_EQ(AllocImage(&image, Rgb8, 10, 10, 300.0), 0);
  EXPECT_EQ(std::tuple(image.resolution, image.rows[3], image.rows[3][4]), std::tuple(300.0, before, 99));
  ASSERT_EQ(AllocImage(&image, Gray8, 10, 10, 300.0), 0);
  EXPECT_EQ(std::tuple(image.type, image.rowBytes), std::tuple(Gray8, 12));
}

TEST(Image, ShapesWithoutStorageAndFree) {
  for (auto [type, width, height] :
       {std::tuple{0, 5, 5}, {6, 5, 5}, {Rgb8, 0, 5}, {Rgb8, 5, 0}, {Rgb8, 85334, 0}}) {
    Image image;
    EXPECT_EQ(AllocImage(&image, type, width, height, 1.0), 0);
    EXPECT_EQ(std::tuple(image.type, image.width, image.rows.get(), image.chunkCount),
              std::tuple(type, width, nullptr, 0));
    EXPECT_FALSE(image.HasPixels());
  }
  // Freeing is harmless on an empty image and twice.
  Image image;
  FreeImage(&image);
  ASSERT_EQ(AllocImage(&image, Gray8, 4, 4, 1.0), 0);
  FreeImage(&image);
  FreeImage(&image);
  EXPECT_EQ(std::tuple(image.type, image.width, image.rows.get(), image.resolution),
            std::tuple(0, 0, nullptr, 0.0));
}

TEST(Image, CopyIncludesSpareBytesAndReusesStorageMovesTransferOwnership) {
  Image source;
  ASSERT_EQ(AllocImage(&source, Rgb8, 3, 300, 50.0), 0);  // 9 bytes of pixels, 12 per row
  for (int r = 0; r < source.height; ++r)
    for (int b = 0; b < source.rowBytes; ++b) source.rows[r][b] = static_cast<uint8_t>(r * 7 + b);
  Image copy;
  ASSERT_EQ(CopyImage(source, &copy), 0);
  EXPECT_EQ(std::tuple(copy.type, copy.resolution), std::tuple(Rgb8, 50.0));
  for (int r = 0; r < source.height; ++r) ASSERT_EQ(std::memcmp(copy.rows[r], source.rows[r], 12), 0) << r;
  uint8_t* storage = copy.rows[0];
  source.rows[0][11] = 200;
  ASSERT_EQ(CopyImage(source, &copy), 0);
  EXPECT_EQ(std::tuple(copy.rows[0], copy.rows[0][11]), std::tuple(storage, 200));

  Image moved(std::move(copy));
  EXPECT_EQ(std::tuple(copy.rows.get(), copy.width, moved.rows[0]), std::tuple(nullptr, 0, storage));
  Image assigned;
  assigned = std::move(moved);
  EXPECT_EQ(std::tuple(moved.rows.get(), moved.width, assigned.rows[0]), std::tuple(nullptr, 0, storage));
}

TEST(Image, BilevelBitsAreMostSignificantFirst) {
  uint8_t row[4] = {0, 0, 0, 0};
  SetBit(row, 0);
  SetBit(row, 9);
  EXPECT_EQ(std::tuple(row[0], row[1], GetBit(row, 9), GetBit(row, 8)), std::tuple(0x80, 0x40, 1, 0));
  ClearBit(row, 0);
  EXPECT_EQ(row[0], 0);
}

}  // namespace

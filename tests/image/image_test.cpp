#include "image/image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace {

TEST(Image, ChunkedStorageMatchesWorkedExample) {
  Image image;
  ASSERT_EQ(AllocImage(&image, Rgb8, 1000, 700, 72.0), 0);
  EXPECT_EQ(image.rowBytes, 3000);
  EXPECT_EQ(image.rowsPerChunk, 85);
  EXPECT_EQ(image.chunkCount, 9);
  // Rows of one chunk follow each other; the next chunk starts a new block.
  for (int r = 0; r < 700; ++r) {
    EXPECT_EQ(image.rows[r], image.chunks[r / 85] + 3000 * (r % 85)) << r;
  }
  // The last chunk holds 20 rows: writing all of its bytes must stay in bounds.
  std::memset(image.rows[680], 7, 20 * 3000);
  EXPECT_EQ(image.rows[699][2999], 7);
}

TEST(Image, RowBytesRoundToFour) {
  EXPECT_EQ(RowBytesFor(0), 0);
  EXPECT_EQ(RowBytesFor(1), 4);
  EXPECT_EQ(RowBytesFor(5), 8);
  EXPECT_EQ(RowBytesFor(8), 8);
  Image image;
  ASSERT_EQ(AllocImage(&image, Bilevel, 1, 1, 0), 0);
  EXPECT_EQ(image.rowBytes, 4);
  ASSERT_EQ(AllocImage(&image, Bilevel, 33, 1, 0), 0);
  EXPECT_EQ(image.rowBytes, 8);
  ASSERT_EQ(AllocImage(&image, Gray16, 3, 2, 0), 0);
  EXPECT_EQ(image.rowBytes, 8);
  ASSERT_EQ(AllocImage(&image, Rgb16, 3, 2, 0), 0);
  EXPECT_EQ(image.rowBytes, 20);
}

TEST(Image, ExactMultipleOfRowsPerChunkGivesFullLastChunk) {
  Image image;
  ASSERT_EQ(AllocImage(&image, Gray8, 1000, 512, 0), 0);  // 256 rows per chunk
  EXPECT_EQ(image.rowsPerChunk, 256);
  EXPECT_EQ(image.chunkCount, 2);
  EXPECT_EQ(image.rows[511], image.chunks[1] + 255 * 1000);
}

TEST(Image, ReallocationKeepsPixelsOnlyForUnchangedShape) {
  Image image;
  ASSERT_EQ(AllocImage(&image, Rgb8, 10, 10, 100.0), 0);
  image.rows[3][4] = 99;
  uint8_t* before = image.rows[3];
  ASSERT_EQ(AllocImage(&image, Rgb8, 10, 10, 300.0), 0);
  EXPECT_EQ(image.resolution, 300.0);
  EXPECT_EQ(image.rows[3], before);
  EXPECT_EQ(image.rows[3][4], 99);
  ASSERT_EQ(AllocImage(&image, Gray8, 10, 10, 300.0), 0);
  EXPECT_EQ(image.type, Gray8);
  EXPECT_EQ(image.rowBytes, 12);
}

TEST(Image, WidestRowThatFitsAChunk) {
  Image image;
  ASSERT_EQ(AllocImage(&image, Rgb8, 85333, 2, 0), 0);
  EXPECT_EQ(image.rowBytes, 256000);
  EXPECT_EQ(image.rowsPerChunk, 1);
  EXPECT_EQ(image.chunkCount, 2);
  EXPECT_EQ(AllocImage(&image, Rgb8, 85334, 2, 0), 1);
  EXPECT_EQ(image.type, 0);
  EXPECT_EQ(image.rows, nullptr);
  EXPECT_EQ(image.chunks, nullptr);
}

TEST(Image, ShapesWithoutStorage) {
  for (int type : {0, 6}) {
    Image image;
    EXPECT_EQ(AllocImage(&image, type, 5, 5, 1.0), 0);
    EXPECT_EQ(image.type, type);
    EXPECT_EQ(image.width, 5);
    EXPECT_EQ(image.rows, nullptr);
    EXPECT_EQ(image.chunkCount, 0);
  }
  Image noWidth;
  EXPECT_EQ(AllocImage(&noWidth, Rgb8, 0, 5, 1.0), 0);
  EXPECT_EQ(noWidth.rows, nullptr);
  Image noHeight;
  EXPECT_EQ(AllocImage(&noHeight, Rgb8, 5, 0, 1.0), 0);
  EXPECT_EQ(noHeight.rows, nullptr);
  EXPECT_FALSE(noHeight.HasPixels());
}

TEST(Image, FreeIsHarmlessOnEmptyAndTwice) {
  Image image;
  FreeImage(&image);
  ASSERT_EQ(AllocImage(&image, Gray8, 4, 4, 1.0), 0);
  FreeImage(&image);
  FreeImage(&image);
  EXPECT_EQ(image.type, 0);
  EXPECT_EQ(image.width, 0);
  EXPECT_EQ(image.rows, nullptr);
  EXPECT_EQ(image.resolution, 0.0);
}

TEST(Image, CopyIncludesSpareBytesAndReusesStorage) {
  Image source;
  ASSERT_EQ(AllocImage(&source, Rgb8, 3, 300, 50.0), 0);  // 9 bytes of pixels, 12 per row
  for (int r = 0; r < source.height; ++r) {
    for (int b = 0; b < source.rowBytes; ++b) source.rows[r][b] = static_cast<uint8_t>(r * 7 + b);
  }
  Image copy;
  ASSERT_EQ(CopyImage(source, &copy), 0);
  EXPECT_EQ(copy.type, Rgb8);
  EXPECT_EQ(copy.resolution, 50.0);
  for (int r = 0; r < source.height; ++r) {
    ASSERT_EQ(std::memcmp(copy.rows[r], source.rows[r], 12), 0) << r;
  }
  uint8_t* storage = copy.rows[0];
  source.rows[0][11] = 200;
  ASSERT_EQ(CopyImage(source, &copy), 0);
  EXPECT_EQ(copy.rows[0], storage);
  EXPECT_EQ(copy.rows[0][11], 200);
}

TEST(Image, MovesTransferOwnership) {
  Image a;
  ASSERT_EQ(AllocImage(&a, Gray8, 8, 8, 1.0), 0);
  uint8_t* row = a.rows[0];
  Image b(std::move(a));
  EXPECT_EQ(a.rows, nullptr);
  EXPECT_EQ(b.rows[0], row);
  Image c;
  c = std::move(b);
  EXPECT_EQ(b.rows, nullptr);
  EXPECT_EQ(c.rows[0], row);
}

TEST(Image, BilevelBitsAreMostSignificantFirst) {
  uint8_t row[4] = {0, 0, 0, 0};
  SetBit(row, 0);
  SetBit(row, 9);
  EXPECT_EQ(row[0], 0x80);
  EXPECT_EQ(row[1], 0x40);
  EXPECT_EQ(GetBit(row, 9), 1);
  EXPECT_EQ(GetBit(row, 8), 0);
  ClearBit(row, 0);
  EXPECT_EQ(row[0], 0);
}

}  // namespace

#include "image/image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <utility>

namespace {

TEST(Image, ChunkedStorageMatchesWorkedExamples) {
  // 256000-byte chunks: 85 rows of 3000 bytes, an exact 256 of 1000, and the
  // widest Rgb8 row that fits; rows round up to four bytes.
  // clang-format off
  for (auto [type, width, height, rowBytes, rowsPerChunk, chunkCount] :
       {std::tuple{Rgb8, 1000, 700, 3000, 85, 9}, {Gray8, 1000, 512, 1000, 256, 2}, {Rgb8, 85333, 2, 256000, 1, 2},
        {Bilevel, 1, 2, 4, 64000, 1}, {Bilevel, 64, 2, 8, 32000, 1}, {Gray16, 3, 2, 8, 32000, 1},
        {Rgb16, 3, 2, 20, 12800, 1}}) {
    // clang-format on
    Image image;
    ASSERT_EQ(AllocImage(&image, type, width, height, 72.0), 0);
    EXPECT_EQ(std::tuple(image.rowBytes, image.rowsPerChunk, image.chunkCount),
              std::tuple(rowBytes, rowsPerChunk, chunkCount))
        << type << " " << width;
    // Rows of one chunk follow each other; every byte of the last chunk is usable.
    for (int r = 0; r < height; ++r)
      ASSERT_EQ(image.rows[r], image.chunks[r / rowsPerChunk] + rowBytes * (r % rowsPerChunk)) << r;
    std::memset(image.rows[height - 1], 7, rowBytes);
  }
  for (auto [width, bytes] : {std::pair{0, 0}, {1, 4}, {5, 8}, {8, 8}}) EXPECT_EQ(RowBytesFor(width), bytes);
  // One pixel too wide for a chunk is refused; unknown types and empty sides get a shape without
  // storage, and a new type on the same sides is a new image.
  Image image;
  EXPECT_EQ(AllocImage(&image, Rgb8, 85334, 2, 0), 1);
  EXPECT_EQ(std::tuple(image.type, image.rows.get(), image.chunks.get()), std::tuple(0, nullptr, nullptr));
  for (auto [type, width, height] : {std::tuple{0, 5, 5}, {6, 5, 5}, {Rgb8, 0, 5}, {Rgb8, 85334, 0}}) {
    EXPECT_EQ(AllocImage(&image, type, width, height, 1.0), 0);
    EXPECT_EQ(std::tuple(image.type, image.width, image.HasPixels(), image.chunkCount),
              std::tuple(type, width, false, 0));
  }
}

}  // namespace

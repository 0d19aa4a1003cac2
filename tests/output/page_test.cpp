#include "output/page.h"

#include <gtest/gtest.h>

namespace {

TEST(PrintBands, CoverTheRectangleExactlyFromTheBottomUp) {
  Image image;
  ASSERT_EQ(AllocImage(&image, Rgb8, 1000, 200, 300.0), 0);  // 85 rows per chunk: 85, 85, 30
  const std::vector<PrintBand> bands = PrintBands(image, 10, 1000);
  ASSERT_EQ(bands.size(), 3u);
  EXPECT_EQ(bands[0].firstRow, 0);
  EXPECT_EQ(bands[0].y + bands[0].height, 1010);  // the row-0 chunk at the bottom
  EXPECT_EQ(bands[0].y, 10 + 1000 - 85 * 1000 / 200);
  for (size_t i = 1; i < bands.size(); ++i) EXPECT_EQ(bands[i].y + bands[i].height, bands[i - 1].y);
  EXPECT_EQ(bands[2].y, 10);  // the last band reaches the top edge
  EXPECT_EQ(bands[2].rows, 30);
  // A band that rounds to no height is left out.
  EXPECT_EQ(PrintBands(image, 0, 2).size(), 2u);
  EXPECT_TRUE(PrintBands(Image{}, 0, 100).empty());
}

TEST(Gray, WeightsSumTo1024) {
  Image rgb;
  ASSERT_EQ(AllocImage(&rgb, Rgb8, 4, 1, 72.0), 0);
  const uint8_t pixels[12] = {255, 255, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0};  // white, red, green, blue
  std::copy(pixels, pixels + 12, rgb.rows[0]);
  Image gray;
  ConvertRgb8ToGray8(rgb, &gray);
  ASSERT_EQ(gray.type, Gray8);
  EXPECT_EQ(gray.resolution, 72.0);
  EXPECT_EQ(gray.rows[0][0], 255 * 1024 >> 10);
  EXPECT_EQ(gray.rows[0][1], 306 * 255 >> 10);
  EXPECT_EQ(gray.rows[0][2], 601 * 255 >> 10);
  EXPECT_EQ(gray.rows[0][3], 117 * 255 >> 10);
}

TEST(Pagination, HalfInchMarginsAndSixLinesAnInch) {
  const PageLayout layout = SpecificationsLayout(600, 600, 6600);
  EXPECT_EQ(layout.left, 300);
  EXPECT_EQ(layout.top, 300);
  EXPECT_EQ(layout.lineHeight, 100);
  EXPECT_EQ(layout.bottomLimit, 6300);

  std::vector<std::string> lines(62, "line");
  lines[1] = "";  // blank lines advance without text
  const auto pages = PaginateLines(lines, layout);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].size(), 59u);  // 60 lines fit: 300 + 60 * 100 reaches the limit
  EXPECT_EQ(pages[0][0].y, 300);
  EXPECT_EQ(pages[0][1].y, 500);
  EXPECT_EQ(pages[0].back().y, 6200);
  ASSERT_EQ(pages[1].size(), 2u);
  EXPECT_EQ(pages[1][0].y, 300);

  // Exactly a page full: no empty page after it.
  const auto full = PaginateLines(std::vector<std::string>(60, "x"), layout);
  EXPECT_EQ(full.size(), 1u);
  const auto more = PaginateLines(std::vector<std::string>(61, "x"), layout);
  ASSERT_EQ(more.size(), 2u);
  EXPECT_EQ(more[1].size(), 1u);
  EXPECT_EQ(more[1][0].y, 300);
}

}  // namespace

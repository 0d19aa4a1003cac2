#include "output/page.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(PrintBands, CoverTheRectangleExactlyFromTheBottomUp) {
  Image image;
  ASSERT_EQ(AllocImage(&image, Rgb8, 1000, 200, 300.0), 0);  // 85 rows per chunk: 85, 85, 30
  const std::vector<PrintBand> bands = PrintBands(image, 10, 1000);
  ASSERT_EQ(bands.size(), 3u);
  // The row-0 chunk at the bottom; the last band reaches the top edge.
  EXPECT_EQ(std::tuple(bands[0].firstRow, bands[0].y + bands[0].height, bands[0].y),
            std::tuple(0, 1010, 10 + 1000 - 85 * 1000 / 200));
  for (size_t i = 1; i < bands.size(); ++i) EXPECT_EQ(bands[i].y + bands[i].height, bands[i - 1].y);
  EXPECT_EQ(std::tuple(bands[2].y, bands[2].rows), std::tuple(10, 30));
  // A band that rounds to no height is left out.
  EXPECT_EQ(PrintBands(image, 0, 2).size(), 2u);
  EXPECT_TRUE(PrintBands(Image{}, 0, 100).empty());
}

TEST(Pagination, HalfInchMarginsAndSixLinesAnInch) {
  const PageLayout layout = SpecificationsLayout(600, 600, 6600);
  EXPECT_EQ(std::tuple(layout.left, layout.top, layout.lineHeight, layout.bottomLimit),
            std::tuple(300, 300, 100, 6300));
  // 60 lines fit: 300 + 60 * 100 reaches the limit. Blank lines advance without text.
  std::vector<std::string> lines(121, "line");
  lines[1] = "";
  const auto pages = PaginateLines(lines, layout);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(std::tuple(pages[0].size(), pages[0][1].y, pages[0].back().y, pages[1].size(), pages[2][0].y),
            std::tuple(59u, 500, 6200, 60u, 300));
  // No empty page after a full one.
  EXPECT_EQ(PaginateLines(std::vector<std::string>(60, "x"), layout).size(), 1u);
}

}  // namespace

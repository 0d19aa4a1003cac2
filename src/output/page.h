// Page arithmetic for printing, free of any printer: the bands a composite is
// sent in, its gray version, and where each line of the specifications falls.
#pragma once

#include <string>
#include <vector>

#include "image/image.h"

// One storage chunk of the picture and the printer rectangle it is stretched into.
struct PrintBand {
  int firstRow = 0;  // picture row of the chunk's first (lowest) row
  int rows = 0;
  int y = 0;       // top edge of the destination on the page
  int height = 0;  // destination height in printer pixels
};

// The bands of `image` stretched over the destination rectangle (x, y, w, h):
// the row-0 chunk at the bottom, the last one reaching up to y. Bands that
// round to no height are left out.
std::vector<PrintBand> PrintBands(const Image& image, int y, int h);

// A Gray8 copy: (601 green + 306 red + 117 blue) >> 10. Empty when memory ran out.
void ConvertRgb8ToGray8(const Image& source, Image* destination);

struct PrintedLine {
  int x = 0;
  int y = 0;  // top edge
  std::string text;
};
struct PageLayout {
  int lineHeight = 0;
  int left = 0;
  int top = 0;
  int bottomLimit = 0;
};

// Half-inch margins and lines a sixth of an inch apart, from the printer's
// resolution and printable height.
PageLayout SpecificationsLayout(int dpiX, int dpiY, int printableHeight);

// The lines spread over pages: a line that reaches the bottom limit moves
// the next one to a new page, and no page is left without a line.
std::vector<std::vector<PrintedLine>> PaginateLines(const std::vector<std::string>& lines,
                                                    const PageLayout& layout);

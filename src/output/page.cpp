#include "output/page.h"

#include <algorithm>

std::vector<PrintBand> PrintBands(const Image& image, int y, int h) {
  std::vector<PrintBand> bands;
  const int height = image.height;
  const int perChunk = image.rowsPerChunk;
  if (image.rows == nullptr || height <= 0 || perChunk <= 0) return bands;
  for (int r0 = 0; r0 < height; r0 += perChunk) {
    const int top = y + h - static_cast<int>(static_cast<int64_t>(r0) * h / height);
    const int y1 = std::max(y, y + h - static_cast<int>(static_cast<int64_t>(r0 + perChunk) * h / height));
    if (top - y1 <= 0) continue;
    bands.push_back({r0, std::min(perChunk, height - r0), y1, top - y1});
  }
  return bands;
}

void ConvertRgb8ToGray8(const Image& source, Image* destination) {
  if (source.type != Rgb8 ||
      AllocImage(destination, Gray8, source.width, source.height, source.resolution) != 0) {
    FreeImage(destination);
    return;
  }
  if (destination->rows == nullptr) return;
  for (int r = 0; r < source.height; ++r) {
    const uint8_t* in = source.rows[r];
    uint8_t* out = destination->rows[r];
    for (int c = 0; c < source.width; ++c, in += 3) {
      out[c] = static_cast<uint8_t>((601 * in[1] + 306 * in[2] + 117 * in[0]) >> 10);
    }
  }
}

PageLayout SpecificationsLayout(int dpiX, int dpiY, int printableHeight) {
  PageLayout layout;
  layout.lineHeight = dpiY / 6;
  layout.left = dpiX / 2;
  layout.top = dpiY / 2;
  layout.bottomLimit = printableHeight - dpiY / 2;
  return layout;
}

std::vector<std::vector<PrintedLine>> PaginateLines(const std::vector<std::string>& lines,
                                                    const PageLayout& layout) {
  std::vector<std::vector<PrintedLine>> pages(1);
  int y = layout.top;
  for (const std::string& text : lines) {
    if (!text.empty()) pages.back().push_back({layout.left, y, text});
    y += layout.lineHeight;
    // A new page only once something follows, so the last page is never empty.
    if (y >= layout.bottomLimit && &text != &lines.back()) {
      pages.emplace_back();
      y = layout.top;
    }
  }
  if (pages.back().empty() && pages.size() > 1) pages.pop_back();
  return pages;
}

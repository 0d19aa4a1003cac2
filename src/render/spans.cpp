// The painting primitives the layers share: clipped spans, fills, the
// shadows' darkening and pattern copies.
#include <algorithm>
#include <cstring>

#include "core/numeric.h"
#include "render/paint.h"

Bgr ClampColor(const RgbColor& color) {
  return Bgr{ClampToByte(color.blue), ClampToByte(color.green), ClampToByte(color.red)};
}

Span ClipSpan(int64_t c0, int64_t c1, int32_t width) {
  c0 = std::max<int64_t>(c0, 0);
  c1 = std::min<int64_t>(c1, width);
  if (c1 <= c0) return Span{};
  return Span{static_cast<int32_t>(c0), static_cast<int32_t>(c1)};
}

Span ClipRows(int64_t r0, int64_t r1, int32_t height) { return ClipSpan(r0, r1, height); }

void FillSpan(uint8_t* row, Span span, Bgr color) {
  if (span.Empty()) return;
  uint8_t* p = row + 3 * static_cast<size_t>(span.c0);
  const size_t total = 3 * static_cast<size_t>(span.c1 - span.c0);
  p[0] = color.blue;
  p[1] = color.green;
  p[2] = color.red;
  // Double the filled prefix until the span is full: long spans go at memcpy speed.
  size_t filled = 3;
  while (filled < total) {
    const size_t chunk = std::min(filled, total - filled);
    std::memcpy(p + filled, p, chunk);
    filled += chunk;
  }
}

namespace {

// v * f / 255 with the fraction dropped, exact for all bytes v and f, in
// 16-bit arithmetic the compiler can vectorise.
inline uint8_t ScaleByte(uint32_t v, uint32_t f) {
  const uint16_t x = static_cast<uint16_t>(v * f);
  return static_cast<uint8_t>((x + 1u + (x >> 8)) >> 8);
}

}  // namespace

void DarkenSpan(uint8_t* row, Span span, int32_t factor) {
  if (span.Empty()) return;
  const uint32_t f = static_cast<uint32_t>(factor);
  uint8_t* p = row + 3 * static_cast<size_t>(span.c0);
  const size_t bytes = 3 * static_cast<size_t>(span.c1 - span.c0);
  for (size_t i = 0; i < bytes; ++i) p[i] = ScaleByte(p[i], f);
}

int32_t ShadowFactor(int64_t j, int64_t n) {
  if (n <= 1) return 128;
  return static_cast<int32_t>(128 + (127 * j) / (n - 1));
}

ShadowColumns::ShadowColumns(int64_t firstColumn, int64_t n, int32_t compositeWidth)
    : firstColumn(firstColumn) {
  // Only the lines whose column lies in the composite get a factor.
  firstLine = std::max<int64_t>(0, -firstColumn);
  const int64_t lastLine = std::min<int64_t>(n - 1, compositeWidth - 1 - firstColumn);
  for (int64_t j = firstLine; j <= lastLine; ++j) factors.push_back(static_cast<uint8_t>(ShadowFactor(j, n)));
}

void ShadowColumns::Darken(uint8_t* row, int64_t j0, int64_t j1) const {
  j0 = std::max(j0, firstLine);
  j1 = std::min<int64_t>(j1, firstLine + static_cast<int64_t>(factors.size()));
  if (j1 <= j0) return;
  uint8_t* p = row + 3 * static_cast<size_t>(firstColumn + j0);
  const uint8_t* f = factors.data() + (j0 - firstLine);
  for (int64_t k = 0; k < j1 - j0; ++k, p += 3) {
    p[0] = ScaleByte(p[0], f[k]);
    p[1] = ScaleByte(p[1], f[k]);
    p[2] = ScaleByte(p[2], f[k]);
  }
}

void DarkenInsideTopLeft(const PixelRect& R, int64_t n, int64_t yLimit, int64_t xLimit, Image* composite) {
  if (n <= 0) return;
  const int64_t H = composite->height;
  // The horizontal and vertical parts of different lines never share a
  // pixel, so the order in which they are darkened does not matter.
  const int64_t rowEnd = std::min(H, yLimit);
  const int64_t hFirst = std::max<int64_t>(0, R.y1 - rowEnd + 1);
  const int64_t hLast = std::min<int64_t>(n - 1, R.y1);
  // Each line's horizontal part is a row of its own, so lines can go to
  // different threads; so can the rows of the vertical parts.
  ParallelFor(hLast - hFirst + 1, 3 * static_cast<int64_t>(composite->width),
              [&](int64_t begin, int64_t end) {
                for (int64_t j = hFirst + begin; j < hFirst + end; ++j) {
                  const Span cols = ClipSpan(R.x0 + j, std::min<int64_t>(R.x1, xLimit), composite->width);
                  DarkenSpan(composite->rows[R.y1 - j], cols, ShadowFactor(j, n));
                }
              });
  // Vertical parts, walked row by row: row r lies on the lines j < R.y1 - r.
  const ShadowColumns columns(R.x0, n, composite->width);
  const Span rows = ClipRows(R.y0, std::min<int64_t>(R.y1, yLimit), composite->height);
  ForRows(rows, 3 * n,
          [&](int32_t r) { columns.Darken(composite->rows[r], 0, std::min<int64_t>(n, R.y1 - r)); });
}

void CopyPatternSpan(const RowPattern& pattern, uint8_t* row, int32_t r, Span span) {
  if (span.Empty() || pattern.Empty()) return;
  const uint8_t* source =
      pattern.bytes.data() + 3 * static_cast<size_t>(r % pattern.height) * pattern.storedWidth;
  int32_t at = span.c0 % pattern.period;
  int32_t c = span.c0;
  // storedWidth is a multiple of the period, so a copy that reaches its end
  // continues from the pattern's first column in phase.
  while (c < span.c1) {
    const int32_t n = std::min(span.c1 - c, pattern.storedWidth - at);
    std::memcpy(row + 3 * static_cast<size_t>(c), source + 3 * static_cast<size_t>(at),
                3 * static_cast<size_t>(n));
    c += n;
    at = 0;
  }
}

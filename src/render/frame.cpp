// The frame moulding, stretched from its four cross-section tiles with
// mitred corners, and the two shadows its depth casts.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/numeric.h"
#include "image/resample.h"
#include "render/paint.h"

Bgr TintFrameSample(const FrameSettings& frame, int32_t sample) {
  const Bgr color = ClampColor(frame.color);
  const uint32_t v = ClampToByte(sample);
  return Bgr{static_cast<uint8_t>(color.blue * v / 255), static_cast<uint8_t>(color.green * v / 255),
             static_cast<uint8_t>(color.red * v / 255)};
}

namespace {

// A tile stretched along its side of the frame; the other direction is
// collapsed to one pixel. False (and an empty profile) when the tile is
// missing, the band has no pixels, or the resampler could not run.
bool StretchProfile(const Image& tile, int64_t width, int64_t height, int64_t maxLength, Image* profile) {
  FreeImage(profile);
  if (!HasGraySamples(tile) || width < 1 || height < 1 || width > maxLength || height > maxLength)
    return false;
  if (ResampleImage(tile, profile, static_cast<int32_t>(width), static_cast<int32_t>(height), 100.0,
                    FilterCubic, -1.0) != 0 ||
      !HasGraySamples(*profile) || profile->width != width || profile->height != height) {
    FreeImage(profile);
    return false;
  }
  return true;
}

// The tinted colours of a side band's visible columns, first column first.
std::vector<uint8_t> TintedColumns(const FrameSettings& frame, const Image& profile, int64_t firstSample,
                                   Span columns) {
  std::vector<uint8_t> bytes(3 * static_cast<size_t>(std::max(columns.c1 - columns.c0, 0)));
  uint8_t* p = bytes.data();
  for (int32_t c = columns.c0; c < columns.c1; ++c, p += 3) {
    const Bgr color = TintFrameSample(frame, SampleGray(profile, static_cast<int32_t>(c - firstSample), 0));
    p[0] = color.blue;
    p[1] = color.green;
    p[2] = color.red;
  }
  return bytes;
}

}  // namespace

void PaintFrame(const FrameSettings& frame, const FrameTileSet& tiles, const PixelRect& F, const PixelRect& I,
                Image* composite) {
  if (!composite->HasPixels()) return;
  // Codes come unchecked from design files: anything but Glossy is Flat, and
  // an unknown style draws the plain rectangular moulding.
  const int32_t finish = frame.finish == kGlossy ? kGlossy : kFlat;
  const int32_t style = (frame.style >= 0 && frame.style < kFrameStyleCount) ? frame.style : 0;
  auto tile = [&](int32_t side) -> const Image& {
    return tiles.tiles[FrameTileSet::Index(finish, style, side)];
  };

  const int32_t W = composite->width;
  const int32_t H = composite->height;
  const int64_t leftBand = static_cast<int64_t>(I.x0) - F.x0;
  const int64_t rightBand = static_cast<int64_t>(F.x1) - I.x1;
  const int64_t bottomBand = static_cast<int64_t>(I.y0) - F.y0;
  const int64_t topBand = static_cast<int64_t>(F.y1) - I.y1;

  // One sample more than the band has pixels; the extra one is never read.
  Image L, R, B, T;
  const bool hasL =
      leftBand > 0 && StretchProfile(tile(kSideLeft), leftBand + 1, 1, MaxTemporaryLength(W), &L);
  const bool hasR =
      rightBand > 0 && StretchProfile(tile(kSideRight), rightBand + 1, 1, MaxTemporaryLength(W), &R);
  const bool hasB =
      bottomBand > 0 && StretchProfile(tile(kSideBottom), 1, bottomBand + 1, MaxTemporaryLength(H), &B);
  const bool hasT = topBand > 0 && StretchProfile(tile(kSideTop), 1, topBand + 1, MaxTemporaryLength(H), &T);

  // Side bands over the frame's full height; every row has the same colours.
  const Span rows = ClipRows(F.y0, F.y1, H);
  const Span leftCols = hasL ? ClipSpan(F.x0, I.x0, W) : Span{};
  const Span rightCols = hasR ? ClipSpan(I.x1, F.x1, W) : Span{};
  const std::vector<uint8_t> left = hasL ? TintedColumns(frame, L, F.x0, leftCols) : std::vector<uint8_t>{};
  const std::vector<uint8_t> right = hasR ? TintedColumns(frame, R, I.x1, rightCols) : std::vector<uint8_t>{};
  ForRows(rows, static_cast<int64_t>(left.size() + right.size()), [&](int32_t r) {
    uint8_t* row = composite->rows[r];
    if (!left.empty()) std::memcpy(row + 3 * static_cast<size_t>(leftCols.c0), left.data(), left.size());
    if (!right.empty()) std::memcpy(row + 3 * static_cast<size_t>(rightCols.c0), right.data(), right.size());
  });

  // The bottom and top bands overwrite the side bands inside a trapezoid:
  // on the row k pixels in from the outer edge the side keeps k columns.
  if (hasB) {
    const Span bandRows = ClipRows(F.y0, I.y0, H);
    for (int32_t r = bandRows.c0; r < bandRows.c1; ++r) {
      const int64_t k = static_cast<int64_t>(r) - F.y0 + 1;
      const Bgr color = TintFrameSample(frame, SampleGray(B, 0, static_cast<int32_t>(k)));
      FillSpan(composite->rows[r], ClipSpan(F.x0 + k, F.x1 - k, W), color);
    }
  }
  if (hasT) {
    const Span bandRows = ClipRows(I.y1, F.y1, H);
    for (int32_t r = bandRows.c0; r < bandRows.c1; ++r) {
      const int64_t k = static_cast<int64_t>(F.y1) - r;
      const Bgr color =
          TintFrameSample(frame, SampleGray(T, 0, static_cast<int32_t>(r - static_cast<int64_t>(I.y1))));
      FillSpan(composite->rows[r], ClipSpan(F.x0 + k, F.x1 - k, W), color);
    }
  }
}

void PaintFrameShadows(const SceneSettings& scene, const LayoutRects& layout, double pixelsPerInch,
                       Image* composite) {
  if (!composite->HasPixels()) return;
  const PixelRect& F = layout.frameOuter;
  const int64_t H = composite->height;

  // The drop shadow on the wall, below and right of the frame. Parts of
  // different lines never meet, so each part is walked over just the lines
  // and rows that reach the composite.
  const int64_t n = Nearest(pixelsPerInch * scene.frame.outerDepth);
  if (n > 0) {
    const int64_t hFirst = std::max<int64_t>(0, F.y0 - H + 1);
    const int64_t hLast = std::min<int64_t>(n - 1, F.y0);
    ParallelFor(hLast - hFirst + 1, 3 * static_cast<int64_t>(composite->width),
                [&](int64_t begin, int64_t end) {
                  for (int64_t j = hFirst + begin; j < hFirst + end; ++j) {
                    DarkenSpan(composite->rows[F.y0 - j], ClipSpan(F.x0 + j, F.x1 + j, composite->width),
                               ShadowFactor(j, n));
                  }
                });
    // Column F.x1 + j is darkened on the rows F.y0 - j .. F.y1 - j - 1, so
    // row r lies on the lines F.y0 - r <= j < F.y1 - r.
    const ShadowColumns columns(F.x1, n, composite->width);
    const Span rows = ClipRows(static_cast<int64_t>(F.y0) - (n - 1), F.y1, composite->height);
    ForRows(rows, 3 * n, [&](int32_t r) {
      columns.Darken(composite->rows[r], std::max<int64_t>(0, static_cast<int64_t>(F.y0) - r),
                     std::min<int64_t>(n, static_cast<int64_t>(F.y1) - r));
    });
  }

  // The rebate's shadow on whatever lies just inside the frame.
  const int64_t inner = Nearest(pixelsPerInch * scene.frame.innerDepth);
  if (inner > 0) {
    PixelRect R = layout.borderOuter;
    for (int32_t i = 0; i < kMatCount; ++i) {
      if (scene.mats[i].shown != 0) {
        R = layout.matOuter[i];
        break;
      }
    }
    DarkenInsideTopLeft(R, inner, F.y1, F.x1, composite);
  }
}

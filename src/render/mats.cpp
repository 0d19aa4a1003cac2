// Mats: the textured or plain face around a rectangular or oval window, the
// bevel cut lit from the upper left, and the shadow of a 90-degree cut.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "core/numeric.h"
#include "image/resample.h"
#include "render/paint.h"

namespace {

// The cut faces turned away from the light: three quarters of each channel.
Bgr Shaded(const Bgr& lit) {
  return Bgr{static_cast<uint8_t>(lit.blue * 15 / 20), static_cast<uint8_t>(lit.green * 15 / 20),
             static_cast<uint8_t>(lit.red * 15 / 20)};
}

Bgr Modulate(const Bgr& color, uint32_t t) {
  return Bgr{static_cast<uint8_t>(color.blue * t / 255), static_cast<uint8_t>(color.green * t / 255),
             static_cast<uint8_t>(color.red * t / 255)};
}

// The face colours of a mat laid out as a pattern over the composite:
// one plain row as wide as the composite, or the tinted texture tile.
RowPattern MatPattern(const MatSettings& mat, const Image& tile, int32_t compositeWidth) {
  RowPattern pattern;
  const Bgr base = ClampColor(mat.color);
  if (!HasGraySamples(tile)) {
    pattern.period = 1;
    pattern.storedWidth = std::max(compositeWidth, 1);
    pattern.height = 1;
    pattern.bytes.resize(3 * static_cast<size_t>(pattern.storedWidth));
    FillSpan(pattern.bytes.data(), Span{0, pattern.storedWidth}, base);
    return pattern;
  }
  std::array<Bgr, 256> tint;
  for (uint32_t t = 0; t < 256; ++t) tint[t] = Modulate(base, t);
  pattern.period = tile.width;
  const int32_t repeats = std::max(1, (256 + tile.width - 1) / tile.width);
  pattern.storedWidth = tile.width * repeats;
  pattern.height = tile.height;
  pattern.bytes.resize(3 * static_cast<size_t>(pattern.storedWidth) * pattern.height);
  for (int32_t y = 0; y < tile.height; ++y) {
    uint8_t* p = pattern.bytes.data() + 3 * static_cast<size_t>(y) * pattern.storedWidth;
    for (int32_t x = 0; x < tile.width; ++x, p += 3) {
      const Bgr c = tint[SampleGray(tile, x, y)];
      p[0] = c.blue;
      p[1] = c.green;
      p[2] = c.red;
    }
    uint8_t* rowStart = pattern.bytes.data() + 3 * static_cast<size_t>(y) * pattern.storedWidth;
    for (int32_t k = 1; k < repeats; ++k) {
      std::copy(rowStart, rowStart + 3 * static_cast<size_t>(tile.width),
                rowStart + 3 * static_cast<size_t>(k) * tile.width);
    }
  }
  return pattern;
}

}  // namespace

void PrepareMatTexture(const MatSettings& mat, const TextureSet& textures, double pixelsPerInch,
                       const Image& composite, Image* cache) {
  const int32_t code = mat.texture;
  if (code < 1 || code >= static_cast<int32_t>(textures.images.size())) {
    FreeImage(cache);
    return;
  }
  // A texture that failed to load, or one without a resolution to scale by,
  // leaves the mat plain.
  const Image& tile = textures.images[code];
  if (!HasGraySamples(tile) || !(tile.resolution > 0.0) || !std::isfinite(tile.resolution)) {
    FreeImage(cache);
    return;
  }
  const double k = pixelsPerInch / tile.resolution;
  const int64_t w = Nearest(tile.width * k);
  const int64_t h = Nearest(tile.height * k);
  if (w < 1 || h < 1 || w > MaxTemporaryLength(composite.width) || h > MaxTemporaryLength(composite.height)) {
    FreeImage(cache);
    return;
  }
  if (ResampleImage(tile, cache, static_cast<int32_t>(w), static_cast<int32_t>(h), pixelsPerInch,
                    FilterTriangle, -1.0) != 0) {
    FreeImage(cache);
  }
}

Bgr MatColorAt(const MatSettings& mat, const Image& tile, int32_t c, int32_t r) {
  const Bgr base = ClampColor(mat.color);
  if (!HasGraySamples(tile)) return base;
  int32_t x = c % tile.width;
  int32_t y = r % tile.height;
  if (x < 0) x += tile.width;
  if (y < 0) y += tile.height;
  return Modulate(base, SampleGray(tile, x, y));
}

void PaintMatFace(const MatSettings& mat, const Image& texture, const PixelRect& O, const PixelRect& P,
                  Image* composite) {
  if (!composite->HasPixels() || O.Empty()) return;
  const int32_t W = composite->width;
  const RowPattern pattern = MatPattern(mat, texture, W);
  const Span full = ClipSpan(O.x0, O.x1, W);
  // Rows are kept inside O: for any design a dialog accepts, P lies inside O
  // and this changes nothing; for margins from a broken file it keeps the
  // face from spilling beyond the mat.
  const int64_t belowEnd = std::min(P.y0, O.y1);
  const int64_t aboveStart = std::max(P.y1, O.y0);
  const Span below = ClipRows(O.y0, belowEnd, composite->height);
  const Span middle = ClipRows(std::max(P.y0, O.y0), std::min(P.y1, O.y1), composite->height);
  const Span above = ClipRows(std::max<int64_t>(aboveStart, belowEnd), O.y1, composite->height);

  const int64_t rowBytes = 3 * static_cast<int64_t>(full.c1 - full.c0);
  ForRows(below, rowBytes, [&](int32_t r) { CopyPatternSpan(pattern, composite->rows[r], r, full); });
  if (mat.opening == kRectangularOpening) {
    const Span left = ClipSpan(O.x0, std::min(P.x0, O.x1), W);
    const Span right = ClipSpan(std::max(P.x1, O.x0), O.x1, W);
    ForRows(middle, rowBytes, [&](int32_t r) {
      CopyPatternSpan(pattern, composite->rows[r], r, left);
      CopyPatternSpan(pattern, composite->rows[r], r, right);
    });
  } else if (mat.opening == kOvalOpening) {
    const double cx = (static_cast<double>(P.x0) + P.x1) * 0.5;
    const double cy = (static_cast<double>(P.y0) + P.y1) * 0.5;
    const double a = (static_cast<double>(P.x1) - P.x0) * 0.5;
    const double b = (static_cast<double>(P.y1) - P.y0) * 0.5;
    ForRows(middle, rowBytes, [&](int32_t r) {
      const double q = 1.0 - (r - cy) * (r - cy) / (b * b);
      double xl = cx;
      double xr = cx;
      if (q > 0.0) {
        const double d = a * std::sqrt(q);
        xl = cx - d;
        xr = cx + d;
      }
      const Span left = ClipSpan(O.x0, std::min<int64_t>(Nearest(xl), O.x1), W);
      const Span right = ClipSpan(std::max<int64_t>(Nearest(xr), O.x0), O.x1, W);
      CopyPatternSpan(pattern, composite->rows[r], r, left);
      CopyPatternSpan(pattern, composite->rows[r], r, right);
    });
  }
  ForRows(above, rowBytes, [&](int32_t r) { CopyPatternSpan(pattern, composite->rows[r], r, full); });
}

int32_t BevelWidth(const MatSettings& mat, double pixelsPerInch) {
  if (mat.bevel == kBevel45) return Nearest(pixelsPerInch * mat.thickness);
  if (mat.bevel == kBevel60) return Nearest(pixelsPerInch * mat.thickness * 0.57735);
  return 0;  // 90 degrees shows no cut face; unknown codes get no bevel
}

void PaintMatBevel(const MatSettings& mat, const PixelRect& O, const PixelRect& P, double pixelsPerInch,
                   Image* composite) {
  if (!composite->HasPixels()) return;
  const int64_t bw = BevelWidth(mat, pixelsPerInch);
  if (bw <= 0) return;
  if (mat.opening == kOvalOpening) {
    PaintOvalBevel(P, static_cast<int32_t>(bw), mat.bevelColor, composite);
    return;
  }
  if (mat.opening != kRectangularOpening) return;

  const int32_t W = composite->width;
  const int32_t H = composite->height;
  const Bgr lit = ClampColor(mat.bevelColor);
  const Bgr dark = Shaded(lit);
  const int64_t xl = std::max<int64_t>(P.x0 - bw, O.x0);
  const int64_t xh = std::min<int64_t>(P.x1 + bw, O.x1);
  const int64_t yl = std::max<int64_t>(P.y0 - bw, O.y0);
  const int64_t yh = std::min<int64_t>(P.y1 + bw, O.y1);

  // Below the window: the left face meets the lit bottom face on the
  // diagonal, a tie going to the bottom.
  const Span below = ClipRows(yl, P.y0, H);
  const int64_t faceBytes = 3 * (xh - xl);
  ForRows(below, faceBytes, [&](int32_t r) {
    const int64_t mitre = static_cast<int64_t>(P.x0) - (P.y0 - static_cast<int64_t>(r));
    const int64_t litStart = std::max(xl, mitre);
    FillSpan(composite->rows[r], ClipSpan(xl, std::min(xh, litStart), W), dark);
    FillSpan(composite->rows[r], ClipSpan(litStart, xh, W), lit);
  });
  const Span middle = ClipRows(std::max(P.y0, O.y0), std::min(P.y1, O.y1), H);
  const Span leftFace = ClipSpan(xl, P.x0, W);
  const Span rightFace = ClipSpan(P.x1, xh, W);
  ForRows(middle, 6 * bw, [&](int32_t r) {
    FillSpan(composite->rows[r], leftFace, dark);
    FillSpan(composite->rows[r], rightFace, lit);
  });
  // Above the window: the shaded top face meets the lit right face on the
  // diagonal from the bevel's outer corner.
  const Span above = ClipRows(P.y1, yh, H);
  ForRows(above, faceBytes, [&](int32_t r) {
    const int64_t k = yh - r;
    const int64_t litStart = std::max({xl, static_cast<int64_t>(P.x1), xh - k + 1});
    FillSpan(composite->rows[r], ClipSpan(xl, std::min(xh, litStart), W), dark);
    FillSpan(composite->rows[r], ClipSpan(litStart, xh, W), lit);
  });
}

void PaintOvalBevel(const PixelRect& P, int32_t bevelWidth, const RgbColor& color, Image* composite) {
  if (P.Empty() || bevelWidth <= 0 || !composite->HasPixels()) return;
  const double bw = bevelWidth;
  const double cx = (static_cast<double>(P.x0) + P.x1) * 0.5;
  const double cy = (static_cast<double>(P.y0) + P.y1) * 0.5;
  const double a = (static_cast<double>(P.x1) - P.x0) * 0.5;
  const double b = (static_cast<double>(P.y1) - P.y0) * 0.5;

  // Outer edge of the ring, the lower-right quarter from its bottom point
  // (0, -bw) to its right point (a + bw, b), offsets from (cx, P.y0).
  std::array<double, 101> X;
  std::array<double, 101> Y;
  for (int32_t i = 0; i <= 100; ++i) {
    const double theta = (1.0 - 0.01 * i) * 1.5707963268;
    const double nx = b * std::cos(theta);
    const double ny = -a * std::sin(theta);
    const double length = std::sqrt(nx * nx + ny * ny);
    X[i] = a * std::cos(theta) + nx * bw / length;
    Y[i] = b * (1.0 - std::sin(theta)) + ny * bw / length;
  }

  const Bgr lit = ClampColor(color);
  const Bgr dark = Shaded(lit);
  const int32_t W = composite->width;
  const int64_t H = composite->height;
  auto paint = [&](int64_t row, int32_t c) {
    if (row < 0 || row >= H) return;
    double phi = std::atan2(row - cy, c - cx);
    if (phi < 0.0) phi += 6.2831853072;
    uint8_t* p = composite->rows[row] + 3 * static_cast<size_t>(c);
    if (phi > 0.7853981634 && phi < 3.926990817) {
      const int32_t t = Nearest(std::cos(phi - 2.3561944902) * 255.0);
      p[0] = static_cast<uint8_t>(((255 - t) * lit.blue + t * dark.blue) / 255);
      p[1] = static_cast<uint8_t>(((255 - t) * lit.green + t * dark.green) / 255);
      p[2] = static_cast<uint8_t>(((255 - t) * lit.red + t * dark.red) / 255);
    } else {
      p[0] = lit.blue;
      p[1] = lit.green;
      p[2] = lit.red;
    }
  };

  // The lower half of the ring is computed row by row and each row is also
  // painted mirrored about the middle. Only rows where the row or its
  // mirror lies in the composite are visited; the segment pointer only moves
  // forward, so skipping rows leaves it where a full walk would.
  const int64_t first = static_cast<int64_t>(P.y0) - bevelWidth;
  const int64_t last = static_cast<int64_t>(P.y1) + bevelWidth;
  const int64_t mirrorSum = static_cast<int64_t>(P.y0) + P.y1;
  std::array<std::array<int64_t, 2>, 2> ranges = {
      {{std::max<int64_t>(first, 0), std::min(last, H - 1)},
       {std::max(first, mirrorSum - (H - 1)), std::min(last, mirrorSum)}}};
  if (ranges[1][0] < ranges[0][0]) std::swap(ranges[0], ranges[1]);
  int32_t segment = 0;
  int64_t next = std::numeric_limits<int64_t>::min();
  for (const auto& range : ranges) {
    if (range[1] < range[0]) continue;
    for (int64_t r = std::max(range[0], next); r <= range[1]; ++r) {
      const double dy = static_cast<double>(r - P.y0);
      while (dy > Y[segment + 1]) {
        if (++segment >= 100) return;  // past the middle: the ring is complete
      }
      const double span = Y[segment + 1] - Y[segment];
      const double w =
          span > 0.0 ? X[segment] + (X[segment + 1] - X[segment]) * (dy - Y[segment]) / span : X[segment + 1];
      const int64_t xo0 = Nearest(cx - w);
      const int64_t xo1 = Nearest(cx + w);
      int64_t xi0 = Nearest(cx);
      int64_t xi1 = xi0;
      const double q = 1.0 - (dy - b) * (dy - b) / (b * b);
      if (dy >= 0.0 && q > 0.0) {
        const double e = std::sqrt(q) * a;
        xi0 = Nearest(cx - e);
        xi1 = Nearest(cx + e);
      }
      // Columns c <= xi0 or c >= xi1 of xo0 .. xo1: one run when they meet.
      std::array<Span, 2> runs;
      if (xi1 <= xi0 + 1) {
        runs[0] = ClipSpan(xo0, xo1 + 1, W);
      } else {
        runs[0] = ClipSpan(xo0, std::min(xo1, xi0) + 1, W);
        runs[1] = ClipSpan(std::max(xo0, xi1), xo1 + 1, W);
      }
      const int64_t mirror = mirrorSum - r;
      for (const Span& run : runs) {
        for (int32_t c = run.c0; c < run.c1; ++c) {
          paint(r, c);
          if (mirror != r) paint(mirror, c);
        }
      }
    }
    next = std::max(next, range[1] + 1);
  }
}

void PaintMatShadow(const SceneSettings& scene, int32_t matIndex, const LayoutRects& layout,
                    double pixelsPerInch, Image* composite) {
  if (matIndex < 0 || matIndex >= kMatCount || !composite->HasPixels()) return;
  const MatSettings& mat = scene.mats[matIndex];
  if (mat.shown == 0 || mat.bevel != kBevel90 || mat.opening != kRectangularOpening) return;
  const int64_t n = Nearest(pixelsPerInch * mat.thickness);
  if (n <= 0) return;
  PixelRect window = layout.borderOuter;
  for (int32_t inner = matIndex + 1; inner < kMatCount; ++inner) {
    if (scene.mats[inner].shown != 0) {
      window = layout.matOuter[inner];
      break;
    }
  }
  DarkenInsideTopLeft(window, n, layout.matOuter[matIndex].y1, layout.frameOuter.x1, composite);
}

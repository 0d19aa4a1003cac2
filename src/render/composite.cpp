// The composite driver: overall size, canvas and scale, the pixel rectangles,
// the wall, the border and the picture, then the mats, the frame, the shadows
// and the light in their painting order.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/hooks.h"
#include "core/numeric.h"
#include "image/resample.h"
#include "render/lighting.h"
#include "render/paint.h"
#include "render/render.h"

// ---- Samples ---------------------------------------------------------------

bool HasGraySamples(const Image& image) {
  return image.HasPixels() && image.width > 0 && image.height > 0 &&
         (image.type == Bilevel || image.type == Gray8 || image.type == Rgb8 || image.type == Gray16 ||
          image.type == Rgb16);
}

uint8_t SampleGray(const Image& image, int32_t x, int32_t y) {
  const uint8_t* row = image.rows[y];
  switch (image.type) {
    case Bilevel:
      return GetBit(row, x) ? 255 : 0;
    case Gray8:
      return row[x];
    case Gray16: {
      uint16_t v;
      std::memcpy(&v, row + 2 * static_cast<size_t>(x), 2);
      return static_cast<uint8_t>(v >> 8);
    }
    case Rgb8: {
      const uint8_t* p = row + 3 * static_cast<size_t>(x);
      return static_cast<uint8_t>((29 * p[0] + 150 * p[1] + 77 * p[2]) >> 8);
    }
    case Rgb16: {
      uint16_t v[3];
      std::memcpy(v, row + 6 * static_cast<size_t>(x), 6);
      return static_cast<uint8_t>((29 * (v[0] >> 8) + 150 * (v[1] >> 8) + 77 * (v[2] >> 8)) >> 8);
    }
    default:
      return 0;
  }
}

int64_t MaxTemporaryLength(int32_t compositeLength) {
  return 4 * static_cast<int64_t>(std::max(compositeLength, 0)) + 64;
}

// ---- Layout ---------------------------------------------------------------

void ComputeOverallSize(SceneSettings* scene) {
  double w = 0.0;
  double h = 0.0;
  PictureSizeInches(*scene, &w, &h);
  w += scene->border.left + scene->border.right;
  h += scene->border.top + scene->border.bottom;
  for (const MatSettings& mat : scene->mats) {
    if (mat.shown == 0) continue;
    w += mat.left + mat.right;
    h += mat.top + mat.bottom;
  }
  FrameSettings& frame = scene->frame;
  frame.overallWidth = frame.leftWidth + frame.rightWidth + w;
  frame.overallHeight = frame.topWidth + frame.bottomWidth + h;
}

namespace {

// Edges in inches on the canvas: x from its left, y from its top downwards.
struct Edges {
  double left = 0.0;
  double right = 0.0;
  double top = 0.0;
  double bottom = 0.0;
};

Edges Inset(const Edges& e, double left, double right, double top, double bottom) {
  return Edges{e.left + left, e.right - right, e.top + top, e.bottom - bottom};
}

// Each edge is rounded by itself, so neighbouring elements share their pixel edges.
PixelRect ToPixels(const Edges& e, double s, double canvasHeight) {
  PixelRect r;
  r.x0 = Nearest(s * e.left);
  r.x1 = Nearest(s * e.right);
  r.y0 = Nearest(s * (canvasHeight - e.bottom));
  r.y1 = Nearest(s * (canvasHeight - e.top));
  return r;
}

}  // namespace

bool ComputeLayout(const SceneSettings& scene, int32_t width, int32_t height, double* pixelsPerInch,
                   LayoutRects* layout) {
  if (width <= 0 || height <= 0) return false;
  const FrameSettings& frame = scene.frame;
  const double W = width;
  const double H = height;
  double A = frame.overallWidth * scene.background.ratio;
  double B = frame.overallHeight * scene.background.ratio;
  if (!std::isfinite(A) || !std::isfinite(B) || !(A > 0.0) || !(B > 0.0)) return false;
  if (B * W / A > H) {
    A = B * W / H;
  } else {
    B = A * H / W;
  }
  const double s = W / A;
  if (!std::isfinite(s) || !(s > 0.0) || !std::isfinite(A) || !std::isfinite(B)) return false;

  const double mX = (A - frame.overallWidth) * 0.5;
  const double mY = (B - frame.overallHeight) * 0.5;
  const Edges outer{mX, A - mX, mY, B - mY};
  const Edges inner = Inset(outer, frame.leftWidth, frame.rightWidth, frame.topWidth, frame.bottomWidth);
  layout->frameOuter = ToPixels(outer, s, B);
  layout->frameInner = ToPixels(inner, s, B);

  Edges box = inner;
  for (int32_t i = 0; i < kMatCount; ++i) {
    const MatSettings& mat = scene.mats[i];
    if (mat.shown == 0) continue;
    const Edges opening = Inset(box, mat.left, mat.right, mat.top, mat.bottom);
    layout->matOuter[i] = ToPixels(box, s, B);
    layout->matOpening[i] = ToPixels(opening, s, B);
    box = opening;
  }
  const ImageBorder& border = scene.border;
  layout->borderOuter = ToPixels(box, s, B);
  layout->pictureRect = ToPixels(Inset(box, border.left, border.right, border.top, border.bottom), s, B);
  *pixelsPerInch = s;
  return true;
}

// ---- Wall, border, picture --------------------------------------------------

namespace {

void PaintWall(const RgbColor& color, Image* composite) {
  const Span all{0, composite->width};
  FillSpan(composite->rows[0], all, ClampColor(color));
  const size_t bytes = 3 * static_cast<size_t>(composite->width);
  ForRows(Span{1, composite->height}, static_cast<int64_t>(bytes),
          [&](int32_t r) { std::memcpy(composite->rows[r], composite->rows[0], bytes); });
}

void PaintBorder(const RgbColor& color, const PixelRect& outer, const PixelRect& picture, Image* composite) {
  const Bgr bgr = ClampColor(color);
  const Span rows = ClipRows(outer.y0, outer.y1, composite->height);
  const Span full = ClipSpan(outer.x0, outer.x1, composite->width);
  const Span left = ClipSpan(outer.x0, std::min(picture.x0, outer.x1), composite->width);
  const Span right = ClipSpan(std::max(picture.x1, outer.x0), outer.x1, composite->width);
  for (int32_t r = rows.c0; r < rows.c1; ++r) {
    uint8_t* row = composite->rows[r];
    if (r >= picture.y0 && r < picture.y1) {
      FillSpan(row, left, bgr);
      FillSpan(row, right, bgr);
    } else {
      FillSpan(row, full, bgr);
    }
  }
}

// 255 where (c XOR r) AND 8 is set, else 240, aligned to the composite's origin.
void PaintCheckerboard(const PixelRect& rect, Image* composite) {
  const Span rows = ClipRows(rect.y0, rect.y1, composite->height);
  const Span cols = ClipSpan(rect.x0, rect.x1, composite->width);
  if (rows.Empty() || cols.Empty()) return;
  RowPattern pattern;
  pattern.period = 16;
  pattern.storedWidth = 16 * 32;
  pattern.height = 16;
  pattern.bytes.resize(3 * static_cast<size_t>(pattern.storedWidth) * pattern.height);
  for (int32_t r = 0; r < pattern.height; ++r) {
    uint8_t* p = pattern.bytes.data() + 3 * static_cast<size_t>(r) * pattern.storedWidth;
    for (int32_t c = 0; c < pattern.storedWidth; ++c, p += 3) {
      const uint8_t v = ((c ^ r) & 8) ? 255 : 240;
      p[0] = p[1] = p[2] = v;
    }
  }
  ForRows(rows, 3 * static_cast<int64_t>(cols.c1 - cols.c0),
          [&](int32_t r) { CopyPatternSpan(pattern, composite->rows[r], r, cols); });
}

// Copies rows of a resampled picture into the composite at (x0, y0), clipped.
// The resampler keeps the raster's pixel type; pictures arrive as Rgb8, and
// the gray kinds are spread to three equal bytes.
void PlacePicture(const Image& picture, int32_t x0, int32_t y0, Image* composite) {
  if (!HasGraySamples(picture)) return;
  const Span rows = ClipRows(y0, static_cast<int64_t>(y0) + picture.height, composite->height);
  const Span cols = ClipSpan(x0, static_cast<int64_t>(x0) + picture.width, composite->width);
  if (rows.Empty() || cols.Empty()) return;
  const int32_t first = cols.c0 - x0;
  const int32_t count = cols.c1 - cols.c0;
  ForRows(rows, 3 * static_cast<int64_t>(count), [&](int32_t r) {
    const int32_t k = r - y0;
    uint8_t* dst = composite->rows[r] + 3 * static_cast<size_t>(cols.c0);
    if (picture.type == Rgb8) {
      std::memcpy(dst, picture.rows[k] + 3 * static_cast<size_t>(first), 3 * static_cast<size_t>(count));
    } else {
      for (int32_t j = 0; j < count; ++j, dst += 3)
        dst[0] = dst[1] = dst[2] = SampleGray(picture, first + j, k);
    }
  });
}

// The picture resampled to the rectangle, kept in render->pictureCache while
// the raster and the rectangle's size stay the same.
// The resampled picture is kept between renderings up to this size, which
// holds any screen's worth; larger ones go straight into the composite.
constexpr int64_t kMaxPictureCacheBytes = int64_t{64} << 20;

void PaintPicture(const SceneSettings& scene, const PixelRect& rect, RenderState* render) {
  const Image& raster = PictureImage(scene.picture);
  Image* composite = &render->composite;
  const int64_t w = static_cast<int64_t>(rect.x1) - rect.x0;
  const int64_t h = static_cast<int64_t>(rect.y1) - rect.y0;
  if (w <= 0 || h <= 0 || !HasGraySamples(raster)) return;
  if (w > MaxTemporaryLength(composite->width) || h > MaxTemporaryLength(composite->height)) return;
  Image& cache = render->pictureCache;
  if (raster.type == Rgb8 && w * h * 3 > kMaxPictureCacheBytes && (w != raster.width || h != raster.height) &&
      rect.x0 >= 0 && rect.y0 >= 0 && rect.x1 <= composite->width && rect.y1 <= composite->height) {
    // An export or print: a second copy of a picture this large could cost
    // hundreds of megabytes, so the resampler writes straight into place and
    // nothing is kept for the next rendering.
    FreeImage(&cache);
    render->pictureCacheValid = false;
    ResampleInto(raster,
                 ViewOf(*composite, rect.x0, rect.y0, static_cast<int32_t>(w), static_cast<int32_t>(h)),
                 FilterCubic, -1.0);
    return;
  }
  const bool reusable = render->pictureCacheValid &&
                        render->pictureCacheVersion == scene.picture.rasterVersion && cache.HasPixels() &&
                        cache.width == w && cache.height == h;
  if (!reusable) {
    render->pictureCacheValid = false;
    if (ResampleImage(raster, &cache, static_cast<int32_t>(w), static_cast<int32_t>(h), 100.0, FilterCubic,
                      -1.0) != 0 ||
        !cache.HasPixels() || cache.width != w || cache.height != h) {
      FreeImage(&cache);
      return;
    }
    render->pictureCacheValid = true;
    render->pictureCacheVersion = scene.picture.rasterVersion;
  }
  PlacePicture(cache, rect.x0, rect.y0, composite);
}

void ClearLayout(const SceneSettings& scene, RenderState* render) {
  LayoutRects& layout = render->layout;
  layout.frameOuter = layout.frameInner = layout.borderOuter = layout.pictureRect = PixelRect{};
  for (int32_t i = 0; i < kMatCount; ++i) {
    if (scene.mats[i].shown != 0) layout.matOuter[i] = layout.matOpening[i] = PixelRect{};
  }
}

}  // namespace

// ---- The driver -------------------------------------------------------------

void RenderComposite(const SceneSettings& scene, const RenderAssets& assets, int32_t W, int32_t H,
                     RenderState* render) {
  if (W <= 0 || H <= 0) return;

  double s = 0.0;
  LayoutRects layout = render->layout;
  const bool laidOut = ComputeLayout(scene, W, H, &s, &layout);

  Image* composite = &render->composite;
  FreeImage(&render->displayCopy);
  if (AllocImage(composite, Rgb8, W, H, laidOut ? s : 0.0) != 0 || !composite->HasPixels()) {
    FreeImage(composite);  // nothing is painted into missing storage
    if (laidOut) {
      render->layout = layout;
      render->pixelsPerInch = s;
    }
    return;
  }
  // Progress in rows: six passes over the composite's height.
  const int64_t total = 6 * static_cast<int64_t>(H);
  PaintWall(scene.background.color, composite);
  ReportProgress(H, total);

  if (!laidOut) {
    // A design without area (overall size 0, or nonsense from a file) shows the wall only.
    render->pixelsPerInch = 0.0;
    ClearLayout(scene, render);
    FreeImage(&render->pictureCache);
    render->pictureCacheValid = false;
    ApplyLighting(scene.lighting, assets.colorimetry, composite);
    return;
  }
  render->layout = layout;
  render->pixelsPerInch = s;

  // The painting steps hold a few small pattern rows and factor tables;
  // should even those not be had, the step is skipped and its area keeps
  // what earlier steps painted.
  auto step = [](auto&& paint) {
    try {
      paint();
    } catch (const std::bad_alloc&) {
    }
  };
  PaintBorder(scene.border.color, layout.borderOuter, layout.pictureRect, composite);
  if (!scene.picture.raster) {
    FreeImage(&render->pictureCache);
    render->pictureCacheValid = false;
    step([&] { PaintCheckerboard(layout.pictureRect, composite); });
  } else {
    PaintPicture(scene, layout.pictureRect, render);
  }
  ReportProgress(2 * static_cast<int64_t>(H), total);

  for (int32_t i = kMatCount - 1; i >= 0; --i) {
    const MatSettings& mat = scene.mats[i];
    if (mat.shown == 0) continue;
    Image* texture = &render->matTextures[i];
    PrepareMatTexture(mat, assets.textures, s, *composite, texture);
    step([&] { PaintMatFace(mat, *texture, layout.matOuter[i], layout.matOpening[i], composite); });
    PaintMatBevel(mat, layout.matOuter[i], layout.matOpening[i], s, composite);
  }
  ReportProgress(3 * static_cast<int64_t>(H), total);
  step([&] { PaintFrame(scene.frame, assets.frameTiles, layout.frameOuter, layout.frameInner, composite); });
  ReportProgress(4 * static_cast<int64_t>(H), total);
  step([&] { PaintFrameShadows(scene, layout, s, composite); });
  for (int32_t i = 0; i < kMatCount; ++i) {
    if (scene.mats[i].shown != 0) step([&] { PaintMatShadow(scene, i, layout, s, composite); });
  }
  ReportProgress(5 * static_cast<int64_t>(H), total);
  ApplyLighting(scene.lighting, assets.colorimetry, composite);
  ReportProgress(total, total);
}

void RenderDesignCopy(const SceneSettings& scene, const RenderAssets& assets, int32_t width, int32_t height,
                      RenderState* render) {
  // Exports and prints let events through while they render (a progress
  // window, a printer driver); a change applied meanwhile goes to the design,
  // not into half of this picture.
  SceneSettings design = scene;
  ComputeOverallSize(&design);
  RenderComposite(design, assets, width, height, render);
}

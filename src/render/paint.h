// Private to the renderer: the layout and the painting steps RenderComposite
// runs, and the span helpers they share. Every step clips to the composite,
// so rectangles from absurd designs (huge margins, NaN from a file) paint
// only what is visible and never address memory outside it.
#pragma once

#include <cstdint>
#include <vector>

#include "core/parallel.h"
#include "image/image.h"
#include "render/asset_sets.h"
#include "render/render_state.h"
#include "scene/settings.h"

// One composite pixel in byte order.
struct Bgr {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
};

inline bool operator==(const Bgr& a, const Bgr& b) {
  return a.blue == b.blue && a.green == b.green && a.red == b.red;
}

// A settings colour as composite bytes; components outside 0..255 (only a
// design file can bring them) are clamped.
Bgr ClampColor(const RgbColor& color);

// ---- Layout ---------------------------------------------------------------

// The scale and every rectangle for a width x height composite. Writes the
// rectangles of shown mats only. False when the design has no area to lay out
// (an overall size or ratio of 0, negative or not finite); nothing is written then.
bool ComputeLayout(const SceneSettings& scene, int32_t width, int32_t height, double* pixelsPerInch,
                   LayoutRects* layout);

// ---- Span helpers ---------------------------------------------------------

// A column range of one row, already clipped to the composite.
struct Span {
  int32_t c0 = 0;
  int32_t c1 = 0;
  bool Empty() const { return c1 <= c0; }
};

Span ClipSpan(int64_t c0, int64_t c1, int32_t width);
// Rows r0 <= r < r1 clipped to 0..height, as a span of rows.
Span ClipRows(int64_t r0, int64_t r1, int32_t height);

// Calls paint(r) for every row of `rows`. Rows are painted independently, so
// large spans are split among the worker threads with the same result.
template <typename Paint>
void ForRows(const Span& rows, int64_t bytesPerRow, const Paint& paint) {
  if (rows.Empty()) return;
  ParallelFor(static_cast<int64_t>(rows.c1) - rows.c0, bytesPerRow, [&](int64_t begin, int64_t end) {
    for (int64_t i = begin; i < end; ++i) paint(static_cast<int32_t>(rows.c0 + i));
  });
}

void FillSpan(uint8_t* row, Span span, Bgr color);
// Each byte v becomes v * factor / 255.
void DarkenSpan(uint8_t* row, Span span, int32_t factor);
// Line j of a shadow n pixels wide: 128 next to the edge rising to 255; a
// one-pixel shadow is the line next to the edge.
int32_t ShadowFactor(int64_t j, int64_t n);
// The vertical parts of a shadow's lines: line j darkens column
// firstColumn + j. Holds the factors of the lines that reach the composite,
// so a row is darkened as one run of pixels.
struct ShadowColumns {
  ShadowColumns(int64_t firstColumn, int64_t n, int32_t compositeWidth);
  // Darkens, in one row, the columns of the lines j0 <= j < j1.
  void Darken(uint8_t* row, int64_t j0, int64_t j1) const;
  int64_t firstColumn;
  int64_t firstLine = 0;
  std::vector<uint8_t> factors;
};

// The shadow an edge casts down and to the right into the rectangle R below
// it: n L-shaped lines, line j on row R.y1 - j (if below yLimit) over the
// columns R.x0 + j .. R.x1 - 1 that lie left of xLimit, and down column
// R.x0 + j over the rows R.y0 .. R.y1 - j - 1 that lie below yLimit.
void DarkenInsideTopLeft(const PixelRect& R, int64_t n, int64_t yLimit, int64_t xLimit, Image* composite);

// A colour pattern that repeats `period` pixels across and `height` rows up,
// aligned to the composite's origin. Rows are stored widened to a multiple of
// the period so that a span is filled by a few memcpy calls.
struct RowPattern {
  int32_t period = 0;
  int32_t storedWidth = 0;
  int32_t height = 0;
  std::vector<uint8_t> bytes;
  bool Empty() const { return period <= 0 || height <= 0; }
};
void CopyPatternSpan(const RowPattern& pattern, uint8_t* row, int32_t r, Span span);

// A gray sample of a texture or frame image, whatever its pixel type (the
// assets are meant to be Gray8; other kinds are read rather than refused).
// The caller keeps x and y inside the image.
uint8_t SampleGray(const Image& image, int32_t x, int32_t y);
// Whether an image has pixels SampleGray can read.
bool HasGraySamples(const Image& image);

// Longest temporary (picture, texture, frame profile) worth building along an
// axis of the composite: anything longer can only come from an absurd design
// and would exhaust memory long before it showed anything.
int64_t MaxTemporaryLength(int32_t compositeLength);

// ---- Mats -----------------------------------------------------------------

// Rebuilds the mat's texture at the scale s into *texture, or empties it for
// a smooth mat, a texture code out of range or an empty texture image.
void PrepareMatTexture(const MatSettings& mat, const TextureSet& textures, double pixelsPerInch,
                       const Image& composite, Image* texture);
// The face colour at a composite pixel (c, r >= 0), from the mat's colour and
// its prepared texture (empty for a plain mat).
Bgr MatColorAt(const MatSettings& mat, const Image& texture, int32_t c, int32_t r);
// The face between O (outer) and P (opening).
void PaintMatFace(const MatSettings& mat, const Image& texture, const PixelRect& outer,
                  const PixelRect& opening, Image* composite);
// The visible 45- or 60-degree cut around the opening.
int32_t BevelWidth(const MatSettings& mat, double pixelsPerInch);
void PaintMatBevel(const MatSettings& mat, const PixelRect& outer, const PixelRect& opening,
                   double pixelsPerInch, Image* composite);
void PaintOvalBevel(const PixelRect& opening, int32_t bevelWidth, const RgbColor& color, Image* composite);
// The shadow a 90-degree cut throws into the window of mat i.
void PaintMatShadow(const SceneSettings& scene, int32_t matIndex, const LayoutRects& layout,
                    double pixelsPerInch, Image* composite);

// ---- Frame ----------------------------------------------------------------

Bgr TintFrameSample(const FrameSettings& frame, int32_t sample);
// The moulding between F (outer) and I (inner) from the tiles of the frame's
// style and finish.
void PaintFrame(const FrameSettings& frame, const FrameTileSet& tiles, const PixelRect& outer,
                const PixelRect& inner, Image* composite);
void PaintFrameShadows(const SceneSettings& scene, const LayoutRects& layout, double pixelsPerInch,
                       Image* composite);

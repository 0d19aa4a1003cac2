#include <cmath>

#include "core/hooks.h"
#include "render_fixture.h"

namespace {

// Red bottom-left, blue bottom-right, green top-left, white top-right.
std::shared_ptr<const Image> QuadrantPicture(int32_t w, int32_t h, double ppi) {
  const Bgr quadrants[] = {Rgb(255, 0, 0), Rgb(0, 0, 255), Rgb(0, 255, 0), Gray(255)};
  Image image = Canvas(w, h, quadrants[0]);
  image.resolution = ppi;
  for (int32_t r = 0; r < h; ++r)
    for (int32_t c = w / 2 * (r < h / 2); c < w; c += w / 2)
      FillSpan(image.rows[r], Span{c, c + w / 2}, quadrants[2 * (r >= h / 2) + (c >= w / 2)]);
  return std::make_shared<const Image>(std::move(image));
}

TEST(Composite, WallCheckerboardBorderFrameBandsAndHiddenMats) {
  NeutralDesign d;
  FillTiles(&d.tiles, {255, 255, 255, 255});
  d.scene.frame.color = {200, 0, 0};
  d.scene.border = ImageBorder{0.5, 0.5, 0.5, 0.5, {10, 20, 30}};
  const Image& c = d.Render(1000, 875);
  const LayoutRects& l = d.render.layout;
  // clang-format off
  ExpectPixels(c, {{500, 0, Rgb(150, 140, 100)}, {5, 500, Rgb(150, 140, 100)}, {500, 150, Rgb(255, 250, 240)},
                   {l.borderOuter.x0 + 3, 400, Rgb(10, 20, 30)}, {500, l.pictureRect.y1 + 2, Rgb(10, 20, 30)}});
  // clang-format on
  EXPECT_EQ(l.pictureRect.x0 - l.borderOuter.x0, 24);  // 0.5 inch at 875 / 18 per inch
  for (int32_t r = l.pictureRect.y0; r < l.pictureRect.y1; ++r)
    for (int32_t col = l.pictureRect.x0; col < l.pictureRect.x1; ++col)
      ASSERT_EQ(Px(c, col, r), Gray(((col ^ r) & 8) ? 255 : 240)) << col << "," << r;
  // The bottom band fills the lowest frame rows (the outermost one under the
  // drop shadow), the top band the highest (the innermost under the rebate's shadow).
  EXPECT_EQ(Px(c, 500, l.frameOuter.y0), Rgb(100, 0, 0));
  for (auto [from, to] :
       {std::pair{l.frameOuter.y0 + 1, l.frameInner.y0}, {l.frameInner.y1 + 1, l.frameOuter.y1}})
    for (int32_t r = from; r < to; ++r) ASSERT_EQ(Px(c, 500, r), Rgb(200, 0, 0)) << r;

  // A hidden mat takes no room (17 inches wide with the border, 16 without the
  // middle mat) and its rectangle is left as it was.
  d.scene.mats[kMiddleMat].shown = 0;
  d.render.layout.matOuter[kMiddleMat] = PixelRect{1, 2, 3, 4};
  d.Render(1000, 875);
  EXPECT_DOUBLE_EQ(d.scene.frame.overallWidth, 16.0);
  EXPECT_EQ(l.matOuter[kInnerMat], l.matOpening[kOuterMat]);
  EXPECT_EQ(l.matOuter[kMiddleMat], (PixelRect{1, 2, 3, 4}));
  // A zero request keeps the composite but still updates the overall size.
  uint8_t* before = c.rows[0];
  d.scene.mats[kOuterMat].left = 3.0;
  d.Render(0, 100);
  EXPECT_EQ(std::tuple(d.scene.frame.overallWidth, c.width, c.rows[0]), std::tuple(17.5, 1000, before));
}

TEST(Composite, PictureIsCachedAcrossMatChanges) {
  int32_t resamples = 0;  // the resampler raises the busy indicator once per real resampling
  const BusyHook previous = SetBusyHook([&](bool busy) { resamples += busy ? 1 : 0; });
  NeutralDesign d;
  d.scene.picture.raster = QuadrantPicture(120, 90, 12.0);  // 10 x 7.5 inches
  ++d.scene.picture.rasterVersion;
  const Image& c = d.Render(400, 300);
  const PixelRect p = d.render.layout.pictureRect;
  EXPECT_EQ(resamples, 1);
  // clang-format off
  ExpectPixels(c, {{p.x0 + 3, p.y0 + 3, Rgb(255, 0, 0)}, {p.x1 - 3, p.y0 + 3, Rgb(0, 0, 255)},
                   {p.x0 + 3, p.y1 - 3, Rgb(0, 255, 0)}});
  // clang-format on

  // Mat and wall changes reuse the resampled picture, and the composite is
  // what a fresh state renders.
  d.scene.mats[kOuterMat].color = {30, 60, 90};
  d.scene.background.color = {1, 2, 3};
  d.Render(400, 300);
  EXPECT_EQ(resamples, 1);
  RenderState fresh;
  std::swap(fresh, d.render);
  d.Render(400, 300);
  EXPECT_EQ(std::tuple(resamples, SamePixels(d.render.composite, fresh.composite)), std::tuple(2, true));

  // A new picture (its version bumped) or a new rectangle size resamples again.
  d.scene.picture.raster = QuadrantPicture(60, 45, 6.0);
  ++d.scene.picture.rasterVersion;
  for (auto [w, h] : {std::pair{400, 300}, {500, 400}, {500, 400}}) d.Render(w, h);
  EXPECT_EQ(resamples, 4);
  SetBusyHook(previous);
}

TEST(Composite, UncheckedValuesFromFilesRenderSafely) {
  // Codes out of range and absurd lengths: every rectangle is clipped to the
  // composite (run under ASan) and the wall's colour is clamped. A wall ratio
  // that leaves the design no area shows the wall only.
  for (double bad : {1e300, -1e300, std::nan(""), double(INFINITY), 5000.0, 0.0}) {
    for (int32_t field = 0; field < 6; ++field) {
      NeutralDesign d;
      FillTiles(&d.tiles, {255, 200, 150, 100});
      d.textures.images[1] = GrayImage(9, 9, 30.0, [](int32_t x, int32_t y) { return x * y; });
      d.scene.background.color = {999, -4, 128};
      d.scene.frame.style = -3;
      d.scene.mats[0] = MatSettings{1, kRectangularOpening, 1, 1, 1, 1, 0.1, 77, {}, kBevel90, {}};
      d.scene.mats[1] = MatSettings{1, kOvalOpening, 1, 1, 1, 1, 0.1, 1, {}, kBevel45, {}};
      d.scene.mats[2] = MatSettings{1, 5, 1, 1, 1, 1, 0.1, 0, {}, 8, {}};
      d.scene.lighting = LightingSettings{-1, 99};
      d.scene.picture.sizeMode = kCustomSize;
      double* targets[] = {&d.scene.mats[1].left,        &d.scene.frame.topWidth,
                           &d.scene.mats[0].thickness,   &d.scene.frame.outerDepth,
                           &d.scene.picture.customWidth, &d.scene.background.ratio};
      *targets[field] = bad;
      ASSERT_EQ(d.Render(120, 90).width, 120) << bad << " " << field;
      EXPECT_EQ(Px(d.render.composite, 0, 0), Rgb(255, 0, 128));
      EXPECT_TRUE(field != 5 || (bad > 0.0 && bad < INFINITY) ||
                  SamePixels(d.render.composite, Canvas(120, 90, Rgb(255, 0, 128))))
          << bad;
    }
  }
  NeutralDesign f;  // no storage for the composite (a row too long for a chunk)
  f.Render(90000, 2);
  EXPECT_FALSE(f.render.composite.HasPixels());
}

TEST(Layout, CanvasFollowsTheRequestedShape) {
  NeutralDesign d;  // overall 20 x 10 inches: a custom picture with nothing around it
  for (MatSettings& mat : d.scene.mats) mat.shown = 0;
  d.scene.frame.leftWidth = d.scene.frame.rightWidth = d.scene.frame.topWidth = d.scene.frame.bottomWidth = 0;
  d.scene.picture = PictureSettings{kCustomSize, 20.0, 10.0, "", nullptr, 0};
  // A wider canvas has 2 inches of wall each side at 1000 / 24 per inch, a
  // taller one 7 inches above and below; at ratio 1 the frame touches the
  // constraining edges.
  for (auto [w, h, ratio, want] : {std::tuple{1000, 500, 1.2, PixelRect{83, 42, 917, 458}},
                                   {1000, 1000, 1.2, PixelRect{83, 292, 917, 708}},
                                   {1000, 500, 1.0, PixelRect{0, 0, 1000, 500}}}) {
    d.scene.background.ratio = ratio;
    d.Render(w, h);
    EXPECT_EQ(d.render.layout.frameOuter, want);
  }
}

}  // namespace

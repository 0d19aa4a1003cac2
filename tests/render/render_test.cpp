// Renderer tests: a design under neutral light, small images built in
// memory, and pixel probes by composite position.
#include "render/render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <tuple>

#include "core/hooks.h"
#include "render/paint.h"
#include "support/pictures.h"

std::ostream& operator<<(std::ostream& out, const Bgr& p) {
  return out << "(b" << int(p.blue) << " g" << int(p.green) << " r" << int(p.red) << ")";
}

namespace {

Bgr Gray(uint8_t v) { return Bgr{v, v, v}; }
Bgr Rgb(uint8_t red, uint8_t green, uint8_t blue) { return Bgr{blue, green, red}; }
Bgr Px(const Image& image, int32_t c, int32_t r) {
  return Bgr{image.rows[r][3 * c], image.rows[r][3 * c + 1], image.rows[r][3 * c + 2]};
}

void ExpectPixels(const Image& image, std::initializer_list<std::tuple<int32_t, int32_t, Bgr>> probes) {
  for (const auto& [c, r, want] : probes) EXPECT_EQ(Px(image, c, r), want) << "at " << c << "," << r;
}

// Daylight at Bright through the default colorimetry leaves every pixel as painted.
struct NeutralDesign {
  SceneSettings scene;
  RenderState render;
  TextureSet textures;
  FrameTileSet tiles;
  DisplayColorimetry colorimetry;
  NeutralDesign() {
    InitScene(&scene);
    scene.lighting = LightingSettings{kBright, kDaylight};
  }
  const Image& Render(int32_t w, int32_t h) {
    ComputeOverallSize(&scene);
    RenderComposite(scene, RenderAssets{textures, tiles, colorimetry}, w, h, &render);
    return render.composite;
  }
};

// A Gray8 image of value(x, y), or an Rgb8 one filled with a colour.
Image GrayImage(int32_t w, int32_t h, double ppi, const std::function<int(int32_t, int32_t)>& value) {
  Image image;
  AllocImage(&image, Gray8, w, h, ppi);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) image.rows[y][x] = static_cast<uint8_t>(value(x, y));
  return image;
}
Image Canvas(int32_t w, int32_t h, Bgr fill) {
  Image image;
  AllocImage(&image, Rgb8, w, h, 100.0);
  for (int32_t r = 0; r < h; ++r) FillSpan(image.rows[r], Span{0, w}, fill);
  return image;
}

// Uniform tiles (left, right, bottom, top values) for every style and finish.
void FillTiles(FrameTileSet* tiles, std::array<int, 4> values) {
  for (int32_t i = 0; i < 88; ++i)
    tiles->tiles[i] = GrayImage(8, 8, 100.0, [&](int32_t, int32_t) { return values[i % 4]; });
}

constexpr Bgr kSentinel{1, 2, 3}, kPaper{200, 200, 200};

MatSettings Mat(RgbColor color, int32_t bevel = 0) {
  return MatSettings{1, kRectangularOpening, 0, 0, 0, 0, 0.055, 0, color, bevel, {255, 255, 255}};
}

TEST(MatBevel, WidthShadesAndMitres) {
  // nearest(3.175) at 60 degrees; an unknown code from a file has no bevel.
  for (auto [bevel, width] : {std::pair{kBevel60, 3}, {7, 0}, {kBevel45, 6}})
    EXPECT_EQ(BevelWidth(Mat({}, bevel), 100.0), width) << bevel;

  MatSettings mat = Mat({0, 0, 0}, kBevel45);  // 6 pixels: nearest(5.5)
  Image c = Canvas(40, 40, kSentinel);
  PaintMatBevel(mat, PixelRect{0, 0, 40, 40}, PixelRect{10, 10, 30, 30}, 100.0, &c);
  // clang-format off
  ExpectPixels(c, {{8, 20, Gray(191)}, {32, 20, Gray(255)}, {20, 32, Gray(191)}, {20, 7, Gray(255)},
                   {3, 20, kSentinel}, {20, 20, kSentinel},
                   {8, 9, Gray(191)}, {9, 9, Gray(255)},        // lower-left mitre, tie lit
                   {30, 30, Gray(191)}, {31, 30, Gray(255)}, {35, 35, Gray(191)}});  // upper-right mitre
  // clang-format on
  mat.bevelColor = {240, 120, 0};  // margins of 2: the bevel is clipped to O
  PaintMatBevel(mat, PixelRect{8, 8, 32, 32}, PixelRect{10, 10, 30, 30}, 100.0, &c);
  ExpectPixels(c, {{8, 20, Rgb(180, 90, 0)}, {31, 20, Rgb(240, 120, 0)}, {7, 20, Gray(191)}});
}

TEST(MatFace, TextureTintsTheColorInPhaseWithTheComposite) {
  // A 7 x 5 tile at the composite's resolution: every face pixel is the
  // colour times the texel at (c mod 7, r mod 5).
  TextureSet textures;
  textures.images[3] = GrayImage(7, 5, 100.0, [](int32_t x, int32_t y) { return 20 * y + 25 * x; });
  MatSettings mat = Mat({255, 250, 240});
  mat.texture = 3;
  Image c = Canvas(50, 40, kSentinel), texture;
  PrepareMatTexture(mat, textures, 100.0, c, &texture);
  PaintMatFace(mat, texture, PixelRect{0, 0, 50, 40}, PixelRect{20, 15, 30, 25}, &c);
  for (int32_t r = 0; r < 40; ++r)
    for (int32_t col = 0; col < 50; ++col) {
      const uint32_t t = 20 * (r % 5) + 25 * (col % 7);
      const bool window = col >= 20 && col < 30 && r >= 15 && r < 25;
      ASSERT_EQ(Px(c, col, r), window ? kSentinel : Rgb(t, 250 * t / 255, 240 * t / 255)) << col << "," << r;
    }
  EXPECT_EQ(MatColorAt(mat, texture, 33, 17), Px(c, 33, 17));

  // A tile keeps its size in inches; smooth, unknown codes, an empty tile and
  // a tile without resolution leave the mat plain.
  textures.images[2] = GrayImage(8, 8, 50.0, [](int32_t, int32_t) { return 128; });
  mat.texture = 2;
  PrepareMatTexture(mat, textures, 100.0, c, &texture);
  EXPECT_EQ(texture.width, 16);
  textures.images[4] = GrayImage(8, 8, 0.0, [](int32_t, int32_t) { return 10; });
  for (int32_t code : {0, 9, -1, 1, 4}) {
    mat.texture = code;
    PrepareMatTexture(mat, textures, 100.0, c, &texture);
    EXPECT_EQ(MatColorAt(mat, texture, 3, 4), Rgb(255, 250, 240)) << code;
  }
}

TEST(MatFace, OvalWindowIsTheEllipseInItsRectangle) {
  // P is 80 x 40: semi-axes 40 and 20 about (50, 30). Row 20 meets the
  // ellipse at 50 -+ 40 sqrt(1 - 10^2 / 20^2) = 15.36 and 84.64, the middle
  // row at P's sides, and row 10 only at the top point; P's corners are face.
  MatSettings mat = Mat({10, 20, 30});
  mat.opening = kOvalOpening;
  const Bgr face = Rgb(10, 20, 30);
  Image c = Canvas(100, 60, kSentinel);
  PaintMatFace(mat, Image{}, PixelRect{0, 0, 100, 60}, PixelRect{10, 10, 90, 50}, &c);
  // clang-format off
  ExpectPixels(c, {{14, 20, face}, {15, 20, kSentinel}, {84, 20, kSentinel}, {85, 20, face},
                   {9, 30, face}, {10, 30, kSentinel}, {89, 30, kSentinel}, {90, 30, face},
                   {50, 10, face}, {50, 11, kSentinel}, {50, 49, kSentinel}, {50, 50, face},
                   {11, 11, face}, {88, 48, face}});
  // The bevel ring lies just outside the same ellipse, 6 pixels wide at the
  // ends of both axes, shaded from the upper left (angles from the right,
  // rows counting upwards): plain below 45 and past 225 degrees; in between
  // the lit colour mixes towards the shade (180 = 240 * 15 / 20) by
  // t = cos(angle - 135) * 255: (75 * 240 + 180 * 180) / 255 = 197 at 90 and
  // 180 degrees, 210 at (14, 20), 195.5 degrees (t = 126), all shade at
  // (30, 50), 135 degrees, and 224 at (22, 14), 209.7 degrees (t = 67).
  Image ring = Canvas(100, 60, kSentinel);
  PaintOvalBevel(PixelRect{10, 10, 90, 50}, 6, RgbColor{240, 240, 240}, &ring);
  ExpectPixels(ring, {{5, 30, Gray(197)}, {3, 30, kSentinel}, {94, 30, Gray(240)}, {97, 30, kSentinel},
                      {11, 30, kSentinel}, {50, 5, Gray(240)}, {50, 3, kSentinel}, {50, 54, Gray(197)},
                      {50, 57, kSentinel}, {50, 11, kSentinel}, {20, 20, kSentinel}, {14, 20, Gray(210)},
                      {30, 50, Gray(180)}, {22, 14, Gray(224)}});
  // clang-format on
  PaintOvalBevel(PixelRect{10, 10, 90, 50}, 30, RgbColor{9, 9, 9}, &ring);  // past the edges: clipped
  EXPECT_EQ(Px(ring, 95, 55), Gray(9));
}

TEST(MatShadow, NinetyDegreeCutDarkensTheWindowEdge) {
  SceneSettings scene;
  LayoutRects layout;
  layout.matOuter[0] = layout.frameOuter = PixelRect{0, 0, 40, 40};
  layout.borderOuter = PixelRect{10, 10, 30, 30};
  // 2 pixels thick at 50 per inch. Line 0 (200 * 128 / 255) above the window
  // and down its left column; line 1 keeps all. No shadow for an oval window
  // or a bevelled cut.
  // clang-format off
  for (auto [opening, bevel] : {std::pair{kRectangularOpening, kBevel90}, {kOvalOpening, kBevel90},
                                {kRectangularOpening, kBevel45}}) {
    // clang-format on
    scene.mats[0] = Mat({0, 0, 0}, bevel);
    scene.mats[0].opening = opening;
    scene.mats[0].thickness = 0.04;
    Image c = Canvas(40, 40, kPaper);
    PaintMatShadow(scene, 0, layout, 50.0, &c);
    const Bgr e = bevel == kBevel90 && opening == kRectangularOpening ? Gray(100) : kPaper;
    ExpectPixels(
        c, {{10, 30, e}, {29, 30, e}, {10, 10, e}, {11, 29, kPaper}, {30, 30, kPaper}, {9, 30, kPaper}});
  }
}

constexpr Bgr kWall{1, 2, 3};

TEST(Frame, SamplesAndUnequalMitres) {
  // Tiles one sample longer than their bands are copied as they are, so each
  // pixel shows which sample it took.
  FrameTileSet tiles;
  // clang-format off
  for (auto [side, w, h, base] : {std::tuple{kSideLeft, 11, 1, 20}, {kSideRight, 16, 1, 100},
                                  {kSideBottom, 1, 9, 150}, {kSideTop, 1, 11, 200}})
    // clang-format on
    tiles.tiles[FrameTileSet::Index(kGlossy, 0, side)] =
        GrayImage(w, h, 100.0, [=](int32_t x, int32_t y) { return base + x + y; });
  const PixelRect F{0, 0, 60, 50}, I{10, 8, 45, 40};                      // bands 10, 15, 8, 10
  const FrameSettings white{kFrameStyleCount, kGlossy, {255, 255, 255}};  // an unknown style: rectangular
  Image c = Canvas(60, 50, kWall);
  PaintFrame(white, tiles, F, I, &c);
  // clang-format off
  ExpectPixels(c, {{0, 20, Gray(20)}, {9, 20, Gray(29)},      // left: outer edge first
                   {45, 20, Gray(100)}, {59, 20, Gray(114)},  // right: inner edge first
                   {30, 0, Gray(151)}, {30, 7, Gray(158)},    // bottom: samples 1 .. 8
                   {30, 40, Gray(200)}, {30, 49, Gray(209)},  // top: inner edge first
                   {0, 0, Gray(20)}, {1, 0, Gray(151)}, {59, 0, Gray(114)}, {58, 49, Gray(209)},
                   {9, 7, Gray(158)}, {9, 8, Gray(29)},       // narrower bottom: joint along its edge
                   {49, 40, Gray(200)}, {50, 40, Gray(105)}});
  // clang-format on

  // A bottom band wider than the left band leaves the wall up to the mitre;
  // an empty tile leaves its side unpainted, but an unknown finish reads the
  // Flat one, tinted (50 / 255 of the colour); zero widths paint nothing.
  FrameTileSet uniform;
  FillTiles(&uniform, {50, 100, 150, 200});
  Image d = Canvas(60, 50, kWall);
  PaintFrame(FrameSettings{0, kFlat, {255, 255, 255}}, uniform, F, PixelRect{5, 12, 45, 40}, &d);
  ExpectPixels(d, {{4, 8, Gray(50)}, {5, 8, kWall}, {8, 8, kWall}, {9, 8, Gray(150)}});
  uniform.tiles[FrameTileSet::Index(kGlossy, 0, kSideLeft)] = Image{};
  PaintFrame(white, uniform, F, I, &d);
  ExpectPixels(d, {{5, 20, kWall}, {30, 3, Gray(150)}});
  PaintFrame(FrameSettings{0, 9, {200, 100, 50}}, uniform, F, I, &d);
  EXPECT_EQ(Px(d, 5, 20), Rgb(39, 19, 9));
  PaintFrame(white, uniform, F, F, &c);
  ExpectPixels(c, {{0, 20, Gray(20)}, {30, 0, Gray(151)}});
}

TEST(FrameShadows, OuterAndInnerDepth) {
  SceneSettings scene;
  scene.frame.outerDepth = 0.75;  // 15 pixels at 20 per inch: line 7 at 128 + 889 / 14
  LayoutRects layout;
  layout.frameOuter = PixelRect{10, 20, 50, 60};
  Image c = Canvas(80, 80, Gray(255));
  PaintFrameShadows(scene, layout, 20.0, &c);
  // Below the frame from its own row, and right of it.
  // clang-format off
  ExpectPixels(c, {{30, 20, Gray(128)}, {30, 13, Gray(191)}, {30, 6, Gray(255)}, {50, 40, Gray(128)},
                   {57, 40, Gray(191)}, {16, 13, Gray(255)}, {57, 59, Gray(255)}});
  // clang-format on

  scene.frame.outerDepth = 0.0;  // the rebate's shadow on the outermost shown mat
  scene.frame.innerDepth = 0.25;
  scene.mats[kOuterMat].shown = 1;
  layout.matOuter[kOuterMat] = PixelRect{15, 25, 45, 55};
  Image d = Canvas(80, 80, Gray(255));
  PaintFrameShadows(scene, layout, 20.0, &d);
  ExpectPixels(d, {{20, 55, Gray(128)}, {15, 40, Gray(128)}, {20, 50, Gray(255)}, {14, 40, Gray(255)}});
  layout.frameOuter = PixelRect{-30, -30, 75, 100};  // off the edges: clipped
  scene.frame.outerDepth = 5.0;
  PaintFrameShadows(scene, layout, 20.0, &d);
  EXPECT_EQ(Px(d, 75, 5), Gray(128));
}

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
  // middle mat) and its rectangle is left as it was, yet nothing is drawn
  // there: the view's state gives what a fresh one gives.
  const PixelRect shownMiddle = l.matOuter[kMiddleMat];
  d.scene.mats[kMiddleMat].shown = 0;
  d.Render(1000, 875);
  EXPECT_DOUBLE_EQ(d.scene.frame.overallWidth, 16.0);
  EXPECT_EQ(std::tuple(l.matOuter[kInnerMat], l.matOuter[kMiddleMat]),
            std::tuple(l.matOpening[kOuterMat], shownMiddle));
  RenderState fresh;
  RenderComposite(d.scene, RenderAssets{d.textures, d.tiles, d.colorimetry}, 1000, 875, &fresh);
  EXPECT_TRUE(SamePixels(fresh.composite, c));
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

#include "render_fixture.h"

namespace {

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

}  // namespace

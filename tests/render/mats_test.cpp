#include "render_fixture.h"

namespace {

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
  // 180 degrees, 210 at (14, 20), 195.5 degrees (t = 126).
  Image ring = Canvas(100, 60, kSentinel);
  PaintOvalBevel(PixelRect{10, 10, 90, 50}, 6, RgbColor{240, 240, 240}, &ring);
  ExpectPixels(ring, {{5, 30, Gray(197)}, {3, 30, kSentinel}, {94, 30, Gray(240)}, {97, 30, kSentinel},
                      {11, 30, kSentinel}, {50, 5, Gray(240)}, {50, 3, kSentinel}, {50, 54, Gray(197)},
                      {50, 57, kSentinel}, {50, 11, kSentinel}, {20, 20, kSentinel}, {14, 20, Gray(210)}});
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

}  // namespace

#include "render_fixture.h"

namespace {

void ExpectRect(const PixelRect& r, PixelRect want) {
  EXPECT_TRUE(r == want) << r.x0 << "," << r.y0 << "," << r.x1 << "," << r.y1;
}

TEST(Layout, CanvasFollowsTheRequestedShape) {
  NeutralDesign d;  // overall 20 x 10 inches: a custom picture with nothing around it
  for (MatSettings& mat : d.scene.mats) mat.shown = 0;
  d.scene.frame.leftWidth = d.scene.frame.rightWidth = d.scene.frame.topWidth = d.scene.frame.bottomWidth = 0;
  d.scene.picture.sizeMode = kCustomSize;
  d.scene.picture.customWidth = 20.0;
  d.scene.picture.customHeight = 10.0;
  d.Render(1000, 500);
  EXPECT_NEAR(d.render.pixelsPerInch, 1000.0 / 24.0, 1e-9);
  ExpectRect(d.render.layout.frameOuter, {83, 42, 917, 458});
  d.Render(1000, 1000);  // taller canvas: 7 inches of wall above and below
  ExpectRect(d.render.layout.frameOuter, {83, 292, 917, 708});
  d.scene.background.ratio = 1.0;  // the frame touches the constraining edges
  d.Render(1000, 500);
  ExpectRect(d.render.layout.frameOuter, {0, 0, 1000, 500});
}

TEST(Layout, HiddenMatsAndZeroRequests) {
  NeutralDesign d;
  d.scene.mats[kMiddleMat].shown = 0;
  d.render.layout.matOuter[kMiddleMat] = PixelRect{1, 2, 3, 4};
  d.Render(1000, 875);
  EXPECT_DOUBLE_EQ(d.scene.frame.overallWidth, 15.0);
  ExpectRect(d.render.layout.matOuter[kInnerMat], d.render.layout.matOpening[kOuterMat]);
  ExpectRect(d.render.layout.matOuter[kMiddleMat], {1, 2, 3, 4});

  // A zero request keeps the composite but still updates the overall size.
  uint8_t* before = d.render.composite.rows[0];
  d.scene.mats[kOuterMat].left = 3.0;
  d.Render(0, 100);
  EXPECT_EQ(std::tuple(d.scene.frame.overallWidth, d.render.composite.width, d.render.composite.rows[0]),
            std::tuple(16.5, 1000, before));
}

}  // namespace

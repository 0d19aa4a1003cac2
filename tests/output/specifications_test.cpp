#include "output/specifications.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "scene/text.h"
#include "scene/units.h"
#include "support/pictures.h"

namespace {

class Specifications : public ::testing::Test {
 protected:
  void SetUp() override {
    InitScene(&scene_);
    scene_.frame.overallWidth = 16.0;
    scene_.frame.overallHeight = 14.0;
  }
  std::vector<std::string> Lines(int units = 0) {
    return SpecificationLines(scene_, units, "Sunday, 6 December 2026");
  }
  SceneSettings scene_;
};

TEST_F(Specifications, DefaultDesignWithThreeMats) {
  std::vector<std::string> expected = {
      "Frame Specifications",
      "Sunday, 6 December 2026",
      "",
      "Frame:",
      "    Type: Rectangular - Glossy",
      "    Outside frame size (width, height) = (16.000 in, 14.000 in)",
      "    Frame widths (left, right, top, bottom) = (0.750 in, 0.750 in, 0.750 in, 0.750 in)",
      "",
      "Mats:"};
  for (auto [name, width] :
       {std::pair{"  Mat 1 (Outer)", "1.500 in"}, {"  Mat 2", "0.500 in"}, {"  Mat 3 (Inner)", "0.250 in"}}) {
    const std::string w = width;
    expected.insert(expected.end(), {name, "    Rectangular opening",
                                     "    Mat widths (left, right, top, bottom) = (" + w + ", " + w + ", " +
                                         w + ", " + w + ")",
                                     "    Cut opening with 45 degree bevel"});
  }
  expected.insert(expected.end(), {"", "Image:", "  Image size (width, height) = (10.000 in, 8.000 in)",
                                   "    No border showing between edge of image and mat opening", ""});
  EXPECT_EQ(Lines(), expected);
}

TEST_F(Specifications, NoMatGoesStraightToTheImage) {
  for (MatSettings& mat : scene_.mats) mat.shown = 0;
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[7] + "|" + lines[8], "|Image:");
}

TEST_F(Specifications, OneMatHasNoNumberAndBevelsIndentAsPrinted) {
  scene_.mats[kOuterMat].shown = 0;
  scene_.mats[kInnerMat].shown = 0;
  scene_.mats[kMiddleMat].opening = kOvalOpening;
  scene_.mats[kMiddleMat].bevel = kBevel60;
  std::vector<std::string> lines = Lines();
  EXPECT_EQ(
      (std::vector{lines[8], lines[9], lines[11], lines[12]}),
      (std::vector<std::string>{"Mat:", "    Oval Opening", "     Cut opening with 60 degree bevel", ""}));

  // Numbering counts only the shown mats.
  scene_.mats[kMiddleMat].shown = 0;
  scene_.mats[kOuterMat].shown = 1;
  scene_.mats[kInnerMat].shown = 1;
  scene_.mats[kInnerMat].bevel = kBevel90;
  scene_.mats[kInnerMat].opening = 7;  // an unknown opening prints no line
  lines = Lines();
  EXPECT_EQ((std::vector{lines[9], lines[13], lines[14], lines[15]}),
            (std::vector<std::string>{
                "  Mat 1 (Outer)", "  Mat 2 (Inner)",
                "    Mat widths (left, right, top, bottom) = (0.250 in, 0.250 in, 0.250 in, 0.250 in)",
                "    Cut opening with no bevel"}));
}

TEST_F(Specifications, ImageSizeIsTheSizeTheDesignShows) {
  // A picture of 900 x 600 pixels at 100 per inch, imported without a visit
  // to the image dialog: the page gives its real size, not the custom one.
  scene_.picture.raster = BlankPicture(900, 600, 100.0);
  EXPECT_EQ(Lines()[23], "  Image size (width, height) = (9.000 in, 6.000 in)");
  scene_.picture.sizeMode = kCustomSize;
  scene_.picture.customWidth = 12.0;
  scene_.picture.customHeight = 8.0;
  EXPECT_EQ(Lines()[23], "  Image size (width, height) = (12.000 in, 8.000 in)");
}

TEST_F(Specifications, BorderAndUnits) {
  scene_.border.top = 0.5;
  scene_.frame.style = 7;
  scene_.frame.finish = kGlossy;
  std::vector<std::string> lines = Lines(1);
  EXPECT_EQ(
      (std::vector{lines[4], lines[5], lines[lines.size() - 2], lines.back()}),
      (std::vector<std::string>{
          "    Type: Inverted V - Glossy", "    Outside frame size (width, height) = (406.40 mm, 355.60 mm)",
          "    Image border widths (left, right, top, bottom) = (0.00 mm, 0.00 mm, 12.70 mm, 0.00 mm)", ""}));
  // Codes from a damaged file never index the name tables out of range.
  scene_.frame.style = 42;
  scene_.frame.finish = -3;
  EXPECT_EQ(Lines()[4], "    Type: Rectangular - Flat");  // as drawn
}

void SetMat(SceneSettings* scene, int32_t index, int32_t opening, const CutSides& m, int32_t bevel) {
  scene->mats[index] = {1, opening, m.left, m.right, m.top, m.bottom, 0.055, 0, {}, bevel, {}};
}

// Designs a framer can measure by hand. The overall sizes are worked out
// here as the frame widths plus the shown mats' margins plus the picture with
// its border.
void ThreeMatsMiddleHidden(SceneSettings* scene) {
  scene->picture.sizeMode = kCustomSize;
  scene->picture.customWidth = 8.0;
  scene->picture.customHeight = 10.0;
  scene->frame.topWidth = scene->frame.bottomWidth = 1.0;
  SetMat(scene, kOuterMat, kRectangularOpening, {3.0, 2.5, 2.0, 2.75}, kBevel45);
  scene->mats[kMiddleMat].shown = 0;
  SetMat(scene, kInnerMat, kRectangularOpening, {0.25, 0.375, 0.25, 0.3125}, kBevel60);
  scene->frame.overallWidth = 0.75 + 3.0 + 0.25 + 8.0 + 0.375 + 2.5 + 0.75;
  scene->frame.overallHeight = 1.0 + 2.0 + 0.25 + 10.0 + 0.3125 + 2.75 + 1.0;
}

// The record on one line: inside size, moulding length, united inches; for
// each mat its window's distances from the board's edges, window size,
// opening and bevel; the picture and the picture with its border.
std::string Summary(const CutList& c) {
  std::ostringstream s;
  s << c.inside.width << 'x' << c.inside.height << " m" << c.mouldingLength << " u" << c.unitedInches;
  for (const MatCut& m : c.mats) {
    s << " | " << kMatLabels[m.mat] << ' ' << m.fromEdges.left << ',' << m.fromEdges.right << ','
      << m.fromEdges.top << ',' << m.fromEdges.bottom << ' ' << m.window.width << 'x' << m.window.height
      << " o" << m.opening << " b" << m.bevel
      << (m.board.width == c.inside.width && m.board.height == c.inside.height ? "" : " board?");
  }
  s << " | " << c.picture.width << 'x' << c.picture.height << ' ' << c.withBorder.width << 'x'
    << c.withBorder.height;
  return s.str();
}

TEST_F(Specifications, CutSizesOfDesignsCheckedByHand) {
  const std::pair<std::function<void(SceneSettings*)>, std::string> cases[] = {
      // One mat, weighted at the bottom, on an 11 x 14 custom size with a 1 inch frame.
      {[](SceneSettings* scene) {
         scene->picture.sizeMode = kCustomSize;
         scene->picture.customWidth = 11.0;
         scene->picture.customHeight = 14.0;
         scene->frame.leftWidth = scene->frame.rightWidth = scene->frame.topWidth = scene->frame.bottomWidth =
             1.0;
         scene->mats[kOuterMat].shown = scene->mats[kInnerMat].shown = 0;
         SetMat(scene, kMiddleMat, kRectangularOpening, {3.0, 3.0, 3.0, 3.5}, kBevel45);
         scene->frame.overallWidth = 19.0;
         scene->frame.overallHeight = 22.5;
       },
       "17x20.5 m83 u37.5 | Middle 3,3,3,3.5 11x14 o0 b0 | 11x14 11x14"},
      // Unequal margins with the middle mat hidden: it adds nothing to the inner window's distances.
      {ThreeMatsMiddleHidden,
       "14.125x15.3125 m65.875 u29.4375 | Outer 3,2.5,2,2.75 8.625x10.5625 o0 b0 | "
       "Inner 3.25,2.875,2.25,3.0625 8x10 o0 b1 | 8x10 8x10"},
      // An oval on a 900 x 600 pixel picture at 100 per inch with a border, in a 1.3 inch frame.
      {[](SceneSettings* scene) {
         scene->picture.raster = BlankPicture(900, 600, 100.0);
         scene->border.left = scene->border.right = 0.25;
         scene->border.top = 0.5;
         scene->border.bottom = 0.75;
         scene->frame.leftWidth = scene->frame.rightWidth = scene->frame.topWidth = scene->frame.bottomWidth =
             1.3;
         scene->mats[kOuterMat].shown = scene->mats[kMiddleMat].shown = 0;
         SetMat(scene, kInnerMat, kOvalOpening, {2.1, 2.1, 2.1, 2.1}, kBevel90);
         scene->frame.overallWidth = 2.6 + 4.2 + 9.5;
         scene->frame.overallHeight = 2.6 + 4.2 + 7.25;
       },
       "13.7x11.45 m60.7 u25.15 | Inner 2.1,2.1,2.1,2.1 9.5x7.25 o1 b2 | 9x6 9.5x7.25"},
  };
  for (const auto& [design, expected] : cases) {
    SetUp();
    design(&scene_);
    EXPECT_EQ(Summary(ComputeCutList(scene_)), expected);
  }

  // The oval design on the page: sixteenths rounded, the oval's box named.
  const std::vector<std::string> oval = CutListLines(ComputeCutList(scene_), kInches);
  EXPECT_EQ(
      (std::vector{oval[3], oval[4], oval[5], oval[8], oval[10], oval[12], oval[14], oval[15], oval[16]}),
      (std::vector<std::string>{
          "    Inside size (width, height) = (13 11/16 in, 11 7/16 in)",
          "    Moulding length (the four outside edges) = 60 11/16 in",
          "    United inches (inside width + height) = 25 1/8 in", "  Mat",
          "    Window from edges (left, right, top, bottom) = (2 1/8 in, 2 1/8 in, 2 1/8 in, 2 1/8 in)",
          "    Oval window (its size is the oval's bounding box), 90 degree cut (no bevel)",
          "    Size (width, height) = (9 in, 6 in)",
          "    Size with border (width, height) = (9 1/2 in, 7 1/4 in)",
          "Sizes as designed; add your own allowances."}));
}

TEST_F(Specifications, CutListFollowsThePageInEachUnit) {
  ThreeMatsMiddleHidden(&scene_);
  const std::vector<std::string> before = Lines();
  std::vector<std::string> page = SpecificationPage(scene_, kInches, "Sunday, 6 December 2026");
  ASSERT_GT(page.size(), before.size());
  EXPECT_TRUE(std::equal(before.begin(), before.end(), page.begin()));
  page.erase(page.begin(), page.begin() + static_cast<std::ptrdiff_t>(before.size()));
  EXPECT_EQ(
      page,
      (std::vector<std::string>{
          "Cut list:",
          "  Frame",
          "    Outside size (width, height) = (15 5/8 in, 17 5/16 in)",
          "    Inside size (width, height) = (14 1/8 in, 15 5/16 in)",
          "    Moulding length (the four outside edges) = 65 7/8 in",
          "    United inches (inside width + height) = 29 7/16 in",
          "  Glazing and backing",
          "    Size (width, height) = (14 1/8 in, 15 5/16 in)",
          "  Mat 1 (Outer)",
          "    Board size (width, height) = (14 1/8 in, 15 5/16 in)",
          "    Window from edges (left, right, top, bottom) = (3 in, 2 1/2 in, 2 in, 2 3/4 in)",
          "    Window size (width, height) = (8 5/8 in, 10 9/16 in)",
          "    Rectangular window, 45 degree bevel",
          "  Mat 2 (Inner)",
          "    Board size (width, height) = (14 1/8 in, 15 5/16 in)",
          "    Window from edges (left, right, top, bottom) = (3 1/4 in, 2 7/8 in, 2 1/4 in, 3 1/16 in)",
          "    Window size (width, height) = (8 in, 10 in)",
          "    Rectangular window, 60 degree bevel",
          "  Picture",
          "    Size (width, height) = (8 in, 10 in)",
          "    Size with border (width, height) = (8 in, 10 in)",
          "Sizes as designed; add your own allowances.",
          ""}));

  // Millimetres and centimetres are written as the page's other lengths.
  for (const auto& [units, outside, edges] :
       {std::tuple{kMillimetres, "(396.88 mm, 439.74 mm)", "(82.55 mm, 73.03 mm, 57.15 mm, 77.79 mm)"},
        std::tuple{kCentimetres, "(39.688 cm, 43.974 cm)", "(8.255 cm, 7.303 cm, 5.715 cm, 7.779 cm)"}}) {
    const std::vector<std::string> lines = CutListLines(ComputeCutList(scene_), units);
    EXPECT_EQ(lines[2], std::string("    Outside size (width, height) = ") + outside);
    EXPECT_EQ(lines[15], std::string("    Window from edges (left, right, top, bottom) = ") + edges);
  }
}

}  // namespace

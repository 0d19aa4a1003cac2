#include "output/specifications.h"

#include <gtest/gtest.h>

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
  std::vector<std::string> Pick(const std::vector<std::string>& lines, std::initializer_list<size_t> at) {
    std::vector<std::string> picked;
    for (size_t i : at) picked.push_back(i < lines.size() ? lines[i] : "(none)");
    return picked;
  }
  void SetMat(int32_t index, int32_t opening, const CutSides& m, int32_t bevel) {
    scene_.mats[index] = {1, opening, m.left, m.right, m.top, m.bottom, 0.055, 0, {}, bevel, {}};
  }
  SceneSettings scene_;
};

// The default design's page in full, then the lines that change with the mats shown, their
// openings and bevels, the border, the frame style and the units.
TEST_F(Specifications, DefaultDesignThenMatCountsBevelsBorderAndUnits) {
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
  for (auto [name, w] : {std::pair{"  Mat 1 (Outer)", std::string("1.500 in")},
                         {"  Mat 2", "0.500 in"},
                         {"  Mat 3 (Inner)", "0.250 in"}}) {
    expected.insert(expected.end(), {name, "    Rectangular opening",
                                     "    Mat widths (left, right, top, bottom) = (" + w + ", " + w + ", " +
                                         w + ", " + w + ")",
                                     "    Cut opening with 45 degree bevel"});
  }
  expected.insert(expected.end(), {"", "Image:", "  Image size (width, height) = (10.000 in, 8.000 in)",
                                   "    No border showing between edge of image and mat opening", ""});
  EXPECT_EQ(Lines(), expected);

  for (MatSettings& mat : scene_.mats) mat.shown = 0;
  EXPECT_EQ(Pick(Lines(), {7, 8, 12}), (std::vector<std::string>{"", "Image:", "(none)"}));
  // One mat has no number.
  scene_.mats[kMiddleMat] = {1, kOvalOpening, 1, 1, 1, 1, 0.055, 0, {}, kBevel60, {}};
  EXPECT_EQ(
      Pick(Lines(), {8, 9, 11, 12}),
      (std::vector<std::string>{"Mat:", "    Oval Opening", "     Cut opening with 60 degree bevel", ""}));
  // Numbering counts only the shown mats; an unknown opening prints no line.
  scene_.mats[kMiddleMat].shown = 0;
  scene_.mats[kOuterMat].shown = 1;
  SetMat(kInnerMat, 7, {0.25, 0.25, 0.25, 0.25}, kBevel90);
  EXPECT_EQ(Pick(Lines(), {9, 13, 14, 15}),
            (std::vector<std::string>{
                "  Mat 1 (Outer)", "  Mat 2 (Inner)",
                "    Mat widths (left, right, top, bottom) = (0.250 in, 0.250 in, 0.250 in, 0.250 in)",
                "    Cut opening with no bevel"}));

  scene_.border.top = 0.5;
  scene_.frame.style = 7;
  const std::vector<std::string> lines = Lines(kMillimetres);
  EXPECT_EQ(
      Pick(lines, {4, 5, lines.size() - 2}),
      (std::vector<std::string>{
          "    Type: Inverted V - Glossy", "    Outside frame size (width, height) = (406.40 mm, 355.60 mm)",
          "    Image border widths (left, right, top, bottom) = (0.00 mm, 0.00 mm, 12.70 mm, 0.00 mm)"}));
  // Codes from a damaged file never index the name tables out of range.
  scene_.frame.style = kFrameStyleCount;
  scene_.frame.finish = -3;
  EXPECT_EQ(Lines()[4], "    Type: Rectangular - Flat");  // as drawn
}

TEST_F(Specifications, CutListOfUnequalMarginsInEachUnit) {
  // Unequal margins with the middle mat hidden: it adds nothing to the inner window's distances.
  scene_.picture.sizeMode = kCustomSize;
  scene_.picture.customWidth = 8.0;
  scene_.picture.customHeight = 10.0;
  scene_.frame.topWidth = scene_.frame.bottomWidth = 1.0;
  SetMat(kOuterMat, kRectangularOpening, {3.0, 2.5, 2.0, 2.75}, kBevel45);
  scene_.mats[kMiddleMat].shown = 0;
  SetMat(kInnerMat, kRectangularOpening, {0.25, 0.375, 0.25, 0.3125}, kBevel60);
  scene_.frame.overallWidth = 0.75 + 3.0 + 0.25 + 8.0 + 0.375 + 2.5 + 0.75;
  scene_.frame.overallHeight = 1.0 + 2.0 + 0.25 + 10.0 + 0.3125 + 2.75 + 1.0;
  const CutList cuts = ComputeCutList(scene_);
  EXPECT_EQ(
      CutListLines(cuts, kInches),
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

  // Millimetres are written as the page's other lengths.
  EXPECT_EQ(
      Pick(CutListLines(cuts, kMillimetres), {2, 15}),
      (std::vector<std::string>{
          "    Outside size (width, height) = (396.88 mm, 439.74 mm)",
          "    Window from edges (left, right, top, bottom) = (82.55 mm, 73.03 mm, 57.15 mm, 77.79 mm)"}));
}

TEST_F(Specifications, OvalOnAnImportedPictureWithABorder) {
  // 900 x 600 pixels at 100 per inch, imported without a visit to the image
  // dialog: both lists give its real size, not the custom one.
  scene_.picture.raster = BlankPicture(900, 600, 100.0);
  scene_.border = {0.25, 0.25, 0.5, 0.75, {}};
  scene_.frame.leftWidth = scene_.frame.rightWidth = scene_.frame.topWidth = scene_.frame.bottomWidth = 1.3;
  scene_.mats[kOuterMat].shown = scene_.mats[kMiddleMat].shown = 0;
  SetMat(kInnerMat, kOvalOpening, {2.1, 2.1, 2.1, 2.1}, kBevel90);
  scene_.frame.overallWidth = 2.6 + 4.2 + 9.5;
  scene_.frame.overallHeight = 2.6 + 4.2 + 7.25;
  EXPECT_EQ(Lines()[14], "  Image size (width, height) = (9.000 in, 6.000 in)");
  EXPECT_EQ(Pick(CutListLines(ComputeCutList(scene_), kInches), {3, 4, 5, 8, 10, 11, 12, 14, 15}),
            (std::vector<std::string>{
                "    Inside size (width, height) = (13 11/16 in, 11 7/16 in)",
                "    Moulding length (the four outside edges) = 60 11/16 in",
                "    United inches (inside width + height) = 25 1/8 in", "  Mat",
                "    Window from edges (left, right, top, bottom) = (2 1/8 in, 2 1/8 in, 2 1/8 in, 2 1/8 in)",
                "    Window size (width, height) = (9 1/2 in, 7 1/4 in)",
                "    Oval window (its size is the oval's bounding box), 90 degree cut (no bevel)",
                "    Size (width, height) = (9 in, 6 in)",
                "    Size with border (width, height) = (9 1/2 in, 7 1/4 in)"}));
}

}  // namespace

#include "output/specifications.h"

#include <gtest/gtest.h>

#include "render/render_state.h"
#include "scene/text.h"

namespace {

class Specifications : public ::testing::Test {
 protected:
  void SetUp() override {
    InitScene(&scene_, &render_);
    scene_.frame.overallWidth = 16.0;
    scene_.frame.overallHeight = 14.0;
  }
  std::vector<std::string> Lines(int units = 0) { return SpecificationLines(scene_, units, "Sunday, 6 December 2026"); }
  SceneSettings scene_;
  RenderState render_;
};

TEST_F(Specifications, DefaultDesignWithThreeMats) {
  const std::vector<std::string> expected = {
      "Frame Specifications",
      "Sunday, 6 December 2026",
      "",
      "Frame:",
      "    Type: Rectangular - Glossy",
      "    Outside frame size (width, height) = (16.000 in, 14.000 in)",
      "    Frame widths (left, right, top, bottom) = (0.750 in, 0.750 in, 0.750 in, 0.750 in)",
      "",
      "Mats:",
      "  Mat 1 (Outer)",
      "    Rectangular opening",
      "    Mat widths (left, right, top, bottom) = (1.500 in, 1.500 in, 1.500 in, 1.500 in)",
      "    Cut opening with 45 degree bevel",
      "  Mat 2",
      "    Rectangular opening",
      "    Mat widths (left, right, top, bottom) = (0.500 in, 0.500 in, 0.500 in, 0.500 in)",
      "    Cut opening with 45 degree bevel",
      "  Mat 3 (Inner)",
      "    Rectangular opening",
      "    Mat widths (left, right, top, bottom) = (0.250 in, 0.250 in, 0.250 in, 0.250 in)",
      "    Cut opening with 45 degree bevel",
      "",
      "Image:",
      "  Image size (width, height) = (10.000 in, 8.000 in)",
      "    No border showing between edge of image and mat opening",
      ""};
  EXPECT_EQ(Lines(), expected);
}

TEST_F(Specifications, NoMatGoesStraightToTheImage) {
  for (MatSettings& mat : scene_.mats) mat.shown = 0;
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[7], "");
  EXPECT_EQ(lines[8], "Image:");
}

TEST_F(Specifications, OneMatHasNoNumberAndBevelsIndentAsPrinted) {
  scene_.mats[kOuterMat].shown = 0;
  scene_.mats[kInnerMat].shown = 0;
  scene_.mats[kMiddleMat].opening = kOvalOpening;
  scene_.mats[kMiddleMat].bevel = kBevel60;
  std::vector<std::string> lines = Lines();
  EXPECT_EQ(lines[8], "Mat:");
  EXPECT_EQ(lines[9], "    Oval Opening");
  EXPECT_EQ(lines[11], "     Cut opening with 60 degree bevel");
  EXPECT_EQ(lines[12], "");

  // Numbering counts only the shown mats.
  scene_.mats[kMiddleMat].shown = 0;
  scene_.mats[kOuterMat].shown = 1;
  scene_.mats[kInnerMat].shown = 1;
  scene_.mats[kInnerMat].bevel = kBevel90;
  scene_.mats[kInnerMat].opening = 7;  // an unknown opening prints no line
  lines = Lines();
  EXPECT_EQ(lines[9], "  Mat 1 (Outer)");
  EXPECT_EQ(lines[13], "  Mat 2 (Inner)");
  EXPECT_EQ(lines[14], "    Mat widths (left, right, top, bottom) = (0.250 in, 0.250 in, 0.250 in, 0.250 in)");
  EXPECT_EQ(lines[15], "    Cut opening with no bevel");
}

TEST_F(Specifications, ImageSizeIsTheSizeTheDesignShows) {
  // A picture of 900 x 600 pixels at 100 per inch, imported without a visit
  // to the image dialog: the page gives its real size, not the custom one.
  ASSERT_EQ(AllocImage(&scene_.picture.raster, Rgb8, 900, 600, 100.0), 0);
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
  EXPECT_EQ(lines[4], "    Type: Inverted V - Glossy");
  EXPECT_EQ(lines.back(), "");
  EXPECT_EQ(lines[lines.size() - 2],
            "    Image border widths (left, right, top, bottom) = (0.00 mm, 0.00 mm, 12.70 mm, 0.00 mm)");
  EXPECT_EQ(lines[5], "    Outside frame size (width, height) = (406.40 mm, 355.60 mm)");
  // Codes from a damaged file never index the name tables out of range.
  scene_.frame.style = 42;
  scene_.frame.finish = -3;
  EXPECT_EQ(Lines()[4], "    Type: Unknown - Flat");
}

}  // namespace

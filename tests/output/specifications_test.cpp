#include "output/specifications.h"

#include <gtest/gtest.h>

#include "scene/text.h"
#include "support/pictures.h"

namespace {

class Specifications : public ::testing::Test {
 protected:
  void SetUp() override {
    InitScene(&scene_);
    scene_.frame.overallWidth = 16.0;
    scene_.frame.overallHeight = 14.0;
  }
  std::vector<std::string> Lines(int units = 0) { return SpecificationLines(scene_, units, "Sunday, 6 December 2026"); }
  SceneSettings scene_;
};

TEST_F(Specifications, DefaultDesignWithThreeMats) {
  std::vector<std::string> expected = {
      "Frame Specifications", "Sunday, 6 December 2026", "", "Frame:", "    Type: Rectangular - Glossy",
      "    Outside frame size (width, height) = (16.000 in, 14.000 in)",
      "    Frame widths (left, right, top, bottom) = (0.750 in, 0.750 in, 0.750 in, 0.750 in)", "", "Mats:"};
  for (auto [name, width] : {std::pair{"  Mat 1 (Outer)", "1.500 in"}, {"  Mat 2", "0.500 in"}, {"  Mat 3 (Inner)", "0.250 in"}}) {
    const std::string w = width;
    expected.insert(expected.end(), {name, "    Rectangular opening",
                                     "    Mat widths (left, right, top, bottom) = (" + w + ", " + w + ", " + w + ", " + w + ")",
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
  EXPECT_EQ((std::vector{lines[8], lines[9], lines[11], lines[12]}),
            (std::vector<std::string>{"Mat:", "    Oval Opening", "     Cut opening with 60 degree bevel", ""}));

  // Numbering counts only the shown mats.
  scene_.mats[kMiddleMat].shown = 0;
  scene_.mats[kOuterMat].shown = 1;
  scene_.mats[kInnerMat].shown = 1;
  scene_.mats[kInnerMat].bevel = kBevel90;
  scene_.mats[kInnerMat].opening = 7;  // an unknown opening prints no line
  lines = Lines();
  EXPECT_EQ((std::vector{lines[9], lines[13], lines[14], lines[15]}),
            (std::vector<std::string>{"  Mat 1 (Outer)", "  Mat 2 (Inner)",
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
  EXPECT_EQ((std::vector{lines[4], lines[5], lines[lines.size() - 2], lines.back()}),
            (std::vector<std::string>{"    Type: Inverted V - Glossy", "    Outside frame size (width, height) = (406.40 mm, 355.60 mm)",
                                      "    Image border widths (left, right, top, bottom) = (0.00 mm, 0.00 mm, 12.70 mm, 0.00 mm)", ""}));
  // Codes from a damaged file never index the name tables out of range.
  scene_.frame.style = 42;
  scene_.frame.finish = -3;
  EXPECT_EQ(Lines()[4], "    Type: Unknown - Flat");
}

}  // namespace

#include "scene/units.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "scene/text.h"

namespace {

TEST(FormatLength, ThreeUnitsAndCutLengthsInSixteenths) {
  EXPECT_EQ(FormatLength(1.5, kInches) + FormatLength(0.75, kMillimetres) + FormatLength(1.5, kCentimetres),
            "1.500 in19.05 mm3.810 cm");
  EXPECT_EQ(FormatLength(1.0, 3) + FormatLength(1.0, -1) + FormatCutLength(1.5, 3), "");
  // clang-format off
  const std::pair<double, const char*> cases[] = {
      {16.375, "16 3/8 in"}, {0.1875, "3/16 in"}, {12.0, "12 in"}, {15.97, "16 in"}, {-0.02, "0 in"},
      {2.53125, "2 9/16 in"}, {1.0 / 3.0, "5/16 in"}, {-1.5, "-1 1/2 in"}, {9.9375, "9 15/16 in"}};
  // clang-format on
  for (const auto& [inches, text] : cases) EXPECT_EQ(FormatCutLength(inches, kInches), text) << inches;
  EXPECT_EQ(FormatCutLength(1.5, kMillimetres) + FormatCutLength(1.5, kCentimetres), "38.10 mm3.810 cm");
  // What the page prints reads back, through the length reader, as the
  // nearest sixteenth of what was designed.
  for (double inches = 0.0; inches < 40.0; inches += 0.0137) {
    double read = -1.0;
    ASSERT_EQ(ReadLength(FormatCutLength(inches, kInches), kMillimetres, &read), 0) << inches;
    EXPECT_LE(std::fabs(read - inches), 1.0 / 32.0 + 1e-12) << inches;
    EXPECT_EQ(read * 16.0, std::round(read * 16.0)) << inches;
  }
  SetDecimalSeparator(',');
  EXPECT_EQ(FormatLength(1.5, kInches), "1,500 in");
  SetDecimalSeparator('.');
}

constexpr double kMm = 0.039370001240155036;
constexpr double kCm = 0.3937000124015504;
constexpr int kFails = -1;  // in place of a length: the text must fail

void ExpectLengths(int32_t units, const std::vector<std::pair<std::string, double>>& cases) {
  for (const auto& [text, expected] : cases) {
    double inches = -1;
    EXPECT_EQ(ReadLength(text, units, &inches), expected == kFails ? 1 : 0) << '"' << text << '"';
    if (expected != kFails) EXPECT_NEAR(inches, expected, 1e-12 * std::max(1.0, expected)) << text;
  }
}

// clang-format off
TEST(ReadLength, UnitsSuffixesSeparatorsAndFractions) {
  ExpectLengths(kInches, {{"2", 2}, {"2in", 2}, {"50.8 MM", 50.8 * kMm}, {"5 cm", 5 * kCm}, {"in", kFails},
                          {"2 inch", kFails}, {"2 in ", kFails}, {"3 mi", kFails}});
  ExpectLengths(kMillimetres, {{"25.4", 25.4 * kMm}, {"2 in", 2}});
  ExpectLengths(7, {{"2", kFails}, {"2 cm", 2 * kCm}});
  ExpectLengths(kInches, {{"1,5", 1.5}, {"1.5,0", kFails}, {"-2", 2}, {"1e3", 13}, {"1 5", 15}, {"", kFails},
                          {std::string(79, '7'), 7.777777777777777e78}, {std::string(80, '7'), kFails}});
  ExpectLengths(kInches, {{"3/8", 0.375}, {"1-1/2", 1.5}, {"12 3/8in", 12.375}, {"3 / 4", 0.75},
                          {"3/8 mm", 0.375 * kMm}, {"1/0", kFails}, {"1/.", kFails}, {"/2", kFails},
                          {"1/2/3", kFails}});
  ExpectLengths(kCentimetres, {{"1 1/2 in", 1.5}, {"1 1/2", 1.5 * kCm}});
  // The two directions are not exact reciprocals: 1 inch shown in mm reads back short.
  double inches = 0;
  ASSERT_EQ(ReadLength(FormatLength(1.0, kMillimetres), kInches, &inches), 0);
  EXPECT_NEAR(inches, 0.999998, 1e-6);
}
// clang-format on

}  // namespace

#include "scene/units.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "scene/text.h"

namespace {

TEST(FormatLength, ThreeUnitsAndCutLengthsInSixteenths) {
  EXPECT_EQ(FormatLength(1.5, kInches) + FormatLength(0.75, kMillimetres) + FormatLength(1.5, kCentimetres) +
                FormatLength(1.0, 3) + FormatLength(1.0, -1) + FormatCutLength(1.5, 3),
            "1.500 in19.05 mm3.810 cm");
  // clang-format off
  const std::pair<double, const char*> cases[] = {
      {16.375, "16 3/8 in"}, {0.1875, "3/16 in"}, {12.0, "12 in"}, {15.97, "16 in"}, {-0.02, "0 in"},
      {2.53125, "2 9/16 in"}, {-1.5, "-1 1/2 in"}, {9.9375, "9 15/16 in"}};
  // clang-format on
  for (const auto& [inches, text] : cases) EXPECT_EQ(FormatCutLength(inches, kInches), text) << inches;
  EXPECT_EQ(FormatCutLength(1.5, kMillimetres) + FormatCutLength(1.5, kCentimetres), "38.10 mm3.810 cm");
  SetDecimalSeparator(',');
  EXPECT_EQ(FormatLength(1.5, kInches), "1,500 in");
  SetDecimalSeparator('.');
}

TEST(ReadLength, UnitsSuffixesSeparatorsAndFractions) {
  constexpr double kMm = 0.039370001240155036, kCm = 0.3937000124015504, kFails = -1;
  // clang-format off
  const std::tuple<int32_t, std::string, double> cases[] = {
      {kInches, "2in", 2}, {kInches, "50.8 MM", 50.8 * kMm}, {kInches, "5 cm", 5 * kCm}, {kInches, "in", kFails},
      {kInches, "2 inch", kFails}, {kInches, "2 in ", kFails}, {kInches, "3 mi", kFails},
      {kMillimetres, "25.4", 25.4 * kMm}, {kMillimetres, "2 in", 2}, {7, "2", kFails}, {7, "2 cm", 2 * kCm},
      {kInches, "1,5", 1.5}, {kInches, "1.5,0", kFails}, {kInches, "-2", 2}, {kInches, "1 5", 15},
      {kInches, "", kFails}, {kInches, std::string(79, '7'), 7.777777777777777e78},
      {kInches, std::string(80, '7'), kFails}, {kInches, "3/8", 0.375}, {kInches, "1-1/2", 1.5},
      {kInches, "12 3/8in", 12.375}, {kInches, "3 / 4", 0.75}, {kInches, "3/8 mm", 0.375 * kMm},
      {kInches, "1/0", kFails}, {kInches, "1/.", kFails}, {kInches, "/2", kFails}, {kInches, "1/2/3", kFails},
      {kCentimetres, "1 1/2 in", 1.5}, {kCentimetres, "1 1/2", 1.5 * kCm}};
  // clang-format on
  for (const auto& [units, text, expected] : cases) {
    double inches = -1;
    EXPECT_EQ(ReadLength(text, units, &inches), expected == kFails ? 1 : 0) << '"' << text << '"';
    EXPECT_NEAR(inches, expected, 1e-12 * std::max(1.0, expected)) << text;  // a failure leaves -1
  }
}

}  // namespace

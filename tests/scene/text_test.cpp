#include "scene/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include "scene/units.h"

namespace {

TEST(FormatText, ConversionsRoundingAndSeparator) {
  EXPECT_EQ(FormatText("%d%% of %s %d", {-7, "all", INT32_MIN}), "-7% of all -2147483648");
  EXPECT_EQ(FormatText("%f|%2f|%0f|%6f", {15.5, 0.055, 2.5, 1.0 / 3}), "15.5000|0.06|3|0.333333");
  EXPECT_EQ(FormatText("%7f|%q|%d %s %f %", {"text"}), "f||   ");  // a wrong kind or no value: nothing
  // clang-format off
  const std::pair<double, const char*> fourPlaces[] = {
      {-0.00001, "-0.0000"}, {-0.0, "0.0000"}, {NAN, "0.0000"}, {-INFINITY, "0.0000"},
      {214748.3648, "214748.3648"}, {1e20, "100000000000000000000.0000"}};
  // clang-format on
  for (const auto& [value, text] : fourPlaces) EXPECT_EQ(NumberToText(value, 4), text) << value;
  EXPECT_EQ(NumberToText(-2.5, 0) + NumberToText(0.125, 2) + NumberToText(1.0 / 3, 9), "-30.130.333333");
  SetDecimalSeparator(',');
  EXPECT_EQ(FormatText("%f %2f", {1.2, 0.0}), "1,2000 0,00");
  SetDecimalSeparator(';');  // ReadNumber reads no such separator: "." stands
  EXPECT_EQ(DecimalSeparator(), '.');
}

TEST(NumberReaders, ValuesPartialResultsAndStrtod) {
  // clang-format off
  const std::tuple<const char*, int, int32_t> integers[] = {
      {"-45", 0, -45}, {"+7", 0, 7}, {"-12x", 1, -12}, {"", 1, 0}, {"-", 1, 0}, {"2147483648", 0, INT32_MIN}};
  const std::tuple<const char*, int, double> numbers[] = {
      {"1,25", 0, 1.25}, {"12.5%", 0, 0.125}, {"2.5E-3", 0, 0.0025}, {".", 0, 0}, {"", 1, 0}, {"1.5.0", 1, 15},
      {"1%%", 1, 1}, {"1e+", 1, 1}, {"1.5x", 1, 1.5}, {"1e123", 1, 1e12}, {"e5", 1, 0}};
  // clang-format on
  for (const auto& [text, result, expected] : integers) {
    int32_t value = 99;
    EXPECT_EQ(std::tuple(ReadInteger(text, &value), value), std::tuple(result, expected)) << text;
  }
  for (const auto& [text, result, expected] : numbers) {
    double value = 99;
    EXPECT_EQ(std::tuple(ReadNumber(text, &value), value), std::tuple(result, expected)) << text;
  }
  // Up to 15 digits and small exponents each step is exact or one correctly
  // rounded operation, so the result must be strtod's to the bit.
  std::mt19937 random(11);
  for (int i = 0; i < 5000; ++i) {
    std::string text;
    for (int d = 1 + random() % 15; d > 0; --d) text += static_cast<char>('0' + random() % 10);
    text.insert(random() % (text.size() + 1), ".");
    if (random() % 2) text += "e" + std::to_string(static_cast<int>(random() % 15) - 7);
    double value = 0;
    ASSERT_EQ(ReadNumber(text, &value), 0) << text;
    ASSERT_EQ(value, std::strtod(text.c_str(), nullptr)) << text;
  }
}

TEST(SplitTokensAndPaths, BlanksQuotesLimitsFoldersExtensions) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitTokens("  mat\t2 \"a b\" c \"\" \"open end"), (V{"mat", "2", "a b", "c", "", "open end"}));
  EXPECT_EQ(SplitTokens(std::string(300, 'x') + " y"), (V{std::string(256, 'x'), std::string(44, 'x'), "y"}));
  EXPECT_EQ(SplitTokens(std::string(100000, 'q')), V(100, std::string(256, 'q')));

  EXPECT_EQ(JoinPath("/home/ann", "a.tif") + JoinPath("/", "a.tif") + " " + JoinPath("", "a.tif"),
            "/home/ann/a.tif/a.tif a.tif");
  EXPECT_EQ(FolderOfPath("/home/ann/x.Passavue") + FolderOfPath("/x.Passavue") + FolderOfPath("x.Passavue"),
            "/home/ann/.");
  EXPECT_EQ(AddDefaultExtension("/d/frame", ".Passavue") + AddDefaultExtension("/d/frame.old", ".Passavue") +
                AddDefaultExtension("/d.v2/frame", ".Passavue"),
            "/d/frame.Passavue/d/frame.old/d.v2/frame.Passavue");
  for (auto [path, result] : {std::pair{"/d/frame.passavue", 0}, {".Passavue", 1}, {"abPASSAVUE", 1}})
    EXPECT_EQ(HasExtension(path, ".PASSAVUE"), result) << path;
}

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

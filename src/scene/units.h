// Lengths in the user's display units. The design holds inches; these turn
// them into text and read typed text back.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// Display units.
constexpr int32_t kInches = 0;
constexpr int32_t kMillimetres = 1;
constexpr int32_t kCentimetres = 2;
constexpr int32_t kUnitCount = 3;
constexpr std::array<const char*, 3> kUnitLabels = {"in", "mm", "cm"};
constexpr std::array<const char*, 3> kUnitFormats = {"%3f in", "%2f mm", "%3f cm"};
// The two directions have their own constants; they are deliberately not
// exact reciprocals (1 inch shows as "25.40 mm", which reads back as 0.999998).
constexpr std::array<double, 3> kInchesToUnit = {1.0, 25.40005, 2.540005};
constexpr std::array<double, 3> kUnitToInches = {1.0, 0.039370001240155036, 0.3937000124015504};

// "1.500 in", "38.10 mm", "3.810 cm"; empty for units outside 0..2.
std::string FormatLength(double inches, int32_t units);

// A length as a mat cutter or a tape measure reads it: in inches the nearest
// sixteenth in lowest terms ("16 3/8 in", "3/16 in", "12 in"); in millimetres
// and centimetres as FormatLength. Empty for units outside 0..2.
std::string FormatCutLength(double inches, int32_t units);

// Reads a typed length in `units`, or in the unit of a final "in", "mm" or
// "cm" (any case). Blanks, signs and stray characters are skipped; a
// fraction such as "3/8", "1 1/2" or "1-1/2" is read as such. 0 success,
// 1 failure (no number, a misplaced unit, two separators, a zero
// denominator, more than 79 digits, units outside 0..2 without a suffix).
int ReadLength(const std::string& text, int32_t units, double* inches);

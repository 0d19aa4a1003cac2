#include "scene/units.h"

#include <cmath>

#include "scene/text.h"

namespace {

constexpr size_t kMaxNumberCharacters = 79;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string FormatLength(double inches, int32_t units) {
  if (units < 0 || units >= kUnitCount) return std::string();
  return FormatText(kUnitFormats[units], {inches * kInchesToUnit[units]});
}

std::string FormatCutLength(double inches, int32_t units) {
  // Lengths no frame has (and NaN) keep the decimal form rather than
  // overflowing a count of sixteenths.
  if (units != kInches || !(std::fabs(inches) < 1e9)) return FormatLength(inches, units);
  const int64_t sixteenths = std::llround(inches * 16.0);
  const int64_t magnitude = sixteenths < 0 ? -sixteenths : sixteenths;
  const int64_t whole = magnitude / 16;
  int64_t numerator = magnitude % 16;
  int64_t denominator = 16;
  while (numerator != 0 && numerator % 2 == 0) {
    numerator /= 2;
    denominator /= 2;
  }
  std::string text = sixteenths < 0 ? "-" : "";
  if (whole != 0 || numerator == 0) text += std::to_string(whole);
  if (numerator != 0) {
    if (whole != 0) text += ' ';
    text += std::to_string(numerator) + '/' + std::to_string(denominator);
  }
  return text + " in";
}

int ReadLength(const std::string& text, int32_t units, double* inches) {
  int32_t unit = units;
  // Digits and separators fall into runs split by whatever is skipped. Without
  // a "/" all runs form one number (so "1 5" is 15); with one, the last run
  // before it is the numerator and the runs before that the whole part.
  std::string whole;
  std::string last;
  std::string denominator;
  bool inRun = false;
  bool fraction = false;
  bool digitSeen = false;
  bool separatorSeen = false;
  size_t kept = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = text[i];
    const bool separator = c == '.' || c == ',';
    if (IsDigit(c) || separator) {
      if (separator) {
        if (separatorSeen) return 1;
        separatorSeen = true;
      } else {
        digitSeen = true;
      }
      if (++kept > kMaxNumberCharacters) return 1;
      if (fraction) {
        denominator += c;
      } else {
        if (!inRun) {
          whole += last;
          last.clear();
          inRun = true;
        }
        last += c;
      }
      continue;
    }
    const char upper = Upper(c);
    if (upper == 'I' || upper == 'M' || upper == 'C') {
      if (!digitSeen || i + 2 != n) return 1;
      const char second = Upper(text[i + 1]);
      if (upper == 'I' && second == 'N') {
        unit = kInches;
      } else if (upper == 'M' && second == 'M') {
        unit = kMillimetres;
      } else if (upper == 'C' && second == 'M') {
        unit = kCentimetres;
      } else {
        return 1;
      }
      break;
    }
    if (c == '/') {
      if (fraction || last.empty()) return 1;
      fraction = true;
    }
    inRun = false;
  }
  if (unit < 0 || unit >= kUnitCount) return 1;

  double value = 0.0;
  if (!fraction) {
    if (ReadNumber(whole + last, &value) != 0) return 1;
  } else {
    double wholePart = 0.0;
    double numerator = 0.0;
    double divisor = 0.0;
    if (!whole.empty() && ReadNumber(whole, &wholePart) != 0) return 1;
    if (ReadNumber(last, &numerator) != 0 || ReadNumber(denominator, &divisor) != 0) return 1;
    if (divisor == 0.0) return 1;
    value = wholePart + numerator / divisor;
  }
  *inches = value * kUnitToInches[unit];
  return 0;
}

#include "scene/text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

char g_decimalSeparator = '.';

constexpr std::array<double, 7> kPowersOfTen = {1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0, 1000000.0};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// 10 to the power k (k >= 0) by repeated squaring; exact up to 10^22.
double PowerOfTen(int64_t k) {
  double result = 1.0;
  double square = 10.0;
  while (k > 0) {
    if (k & 1) result *= square;
    square *= square;
    k >>= 1;
  }
  return result;
}

// value / 10^places. A negative count multiplies instead of dividing by a
// reciprocal, which keeps "1e3" exactly 1000.
double ScaleByPlaces(double value, int64_t places) {
  // In steps of 10^300, so a tiny result from many digits (or a huge one)
  // does not pass through an infinite power on the way.
  while (places > 300 && value != 0.0) {
    value /= 1e300;
    places -= 300;
  }
  while (places < -300 && std::isfinite(value)) {
    value *= 1e300;
    places += 300;
  }
  if (places >= 0) return value / PowerOfTen(places);
  return value * PowerOfTen(-places);
}

// Adds one to a text of decimal digits.
void IncrementDigits(std::string* digits) {
  for (size_t i = digits->size(); i > 0; --i) {
    char& c = (*digits)[i - 1];
    if (c != '9') {
      ++c;
      return;
    }
    c = '0';
  }
  digits->insert(digits->begin(), '1');
}

// The digits of trunc(value * 10^p + 0.5) for a positive finite value.
std::string ScaledDigits(double value, int p) {
  // Below 2^53 the scaled value is formed and truncated as it always was,
  // so ordinary values round exactly as before.
  double scaled = value * kPowersOfTen[p] + 0.5;
  if (scaled < 9007199254740992.0) return std::to_string(static_cast<uint64_t>(scaled));
  // Larger values: integer and fraction apart, so neither the product nor an
  // integer type can overflow and no digit is lost to the product's rounding.
  double whole = std::trunc(value);
  double fraction = std::trunc((value - whole) * kPowersOfTen[p] + 0.5);
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.0f", whole);
  std::string digits = buffer;
  if (fraction >= kPowersOfTen[p]) {
    IncrementDigits(&digits);
    fraction -= kPowersOfTen[p];
  }
  if (p > 0) {
    std::string decimals = std::to_string(static_cast<uint64_t>(fraction));
    digits.append(static_cast<size_t>(p) - decimals.size(), '0');
    digits += decimals;
  }
  return digits;
}

}  // namespace

void SetDecimalSeparator(char separator) { g_decimalSeparator = (separator == ',') ? ',' : '.'; }

char DecimalSeparator() { return g_decimalSeparator; }

std::string IntegerToText(int32_t value) { return std::to_string(value); }

std::string NumberToText(double value, int precision, bool strip) {
  const int p = std::clamp(precision, 0, 6);
  const char separator = g_decimalSeparator;
  // NaN and infinities have no digits; zero is the neutral value that reads back.
  if (value == 0.0 || !std::isfinite(value)) {
    std::string text = "0";
    if (p >= 1) {
      text += separator;
      text.append(static_cast<size_t>(p), '0');
    }
    return text;
  }
  const bool negative = value < 0.0;
  std::string digits = ScaledDigits(negative ? -value : value, p);
  if (digits.size() <= static_cast<size_t>(p))
    digits.insert(0, static_cast<size_t>(p) + 1 - digits.size(), '0');
  if (p > 0) {
    digits.insert(digits.size() - static_cast<size_t>(p), 1, separator);
    if (strip) {
      while (digits.back() == '0') digits.pop_back();
      if (digits.back() == separator) digits.pop_back();
    }
  }
  return negative ? "-" + digits : digits;
}

std::string FormatText(const std::string& format, const std::vector<FormatValue>& values) {
  std::string out;
  out.reserve(format.size() + 16 * values.size());
  size_t next = 0;
  auto take = [&](FormatValue::Kind kind) -> const FormatValue* {
    if (next >= values.size()) return nullptr;
    const FormatValue& value = values[next++];
    return value.kind == kind ? &value : nullptr;
  };
  const size_t n = format.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = format[i];
    if (c == '\\') {
      if (++i >= n) break;
      switch (format[i]) {
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case '0':
          out += '\0';
          break;
        default:
          out += format[i];
          break;
      }
      continue;
    }
    if (c != '%') {
      out += c;
      continue;
    }
    if (++i >= n) break;
    const char kind = format[i];
    if (kind == '%') {
      out += '%';
    } else if (kind == 'd') {
      if (const FormatValue* v = take(FormatValue::Integer))
        out += IntegerToText(static_cast<int32_t>(v->integer));
    } else if (kind == 's') {
      if (const FormatValue* v = take(FormatValue::Text)) out += v->text;
    } else if (kind == 'c') {
      if (const FormatValue* v = take(FormatValue::Integer)) out += static_cast<char>(v->integer & 0xFF);
    } else {
      // [z][digit 0..6][z] then f; anything else ends the conversion and is dropped.
      bool strip = false;
      bool digitSeen = false;
      int precision = 4;
      for (; i < n; ++i) {
        const char d = format[i];
        if (d == 'z') {
          strip = true;
        } else if (!digitSeen && d >= '0' && d <= '6') {
          precision = d - '0';
          digitSeen = true;
        } else {
          if (d == 'f') {
            if (const FormatValue* v = take(FormatValue::Number))
              out += NumberToText(v->number, precision, strip);
          }
          break;
        }
      }
    }
  }
  return out;
}

int ReadTextLine(FileHandle& file, std::string* line, size_t capacity) {
  line->clear();
  if (capacity == 0) capacity = 1;
  // Read in blocks and seek back to just after the line, which returns
  // exactly what a byte-by-byte reader would; unseekable input goes byte by byte.
  uint32_t start = 0;
  const bool seekable = TellPosition(file, &start) == 0;
  char block[512];
  uint64_t used = 0;
  for (;;) {
    uint32_t count = seekable ? static_cast<uint32_t>(sizeof block) : 1u;
    if (ReadBytes(file, &count, block) != 0) break;  // end of file or a failed read
    uint32_t i = 0;
    bool ended = false;
    for (; i < count; ++i) {
      const char c = block[i];
      if (c == '\r' || c == '\n') {
        if (line->empty()) continue;
        ++i;
        ended = true;
        break;
      }
      line->push_back(c);
      if (line->size() >= capacity) {
        ++i;
        ended = true;
        break;
      }
    }
    used += i;
    if (ended) {
      if (seekable && i < count && start + used < kFileFailure)
        SeekTo(file, static_cast<uint32_t>(start + used));
      return 0;
    }
  }
  return line->empty() ? 1 : 0;
}

int WriteTextLine(FileHandle& file, const std::string& text) {
  std::string out = text;
  if (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0) out += "\r\n";
  if (out.size() >= kFileFailure) return 1;
  uint32_t count = static_cast<uint32_t>(out.size());
  if (WriteBytes(file, &count, out.data()) != 0) return 1;
  return count == out.size() ? 0 : 1;
}

std::vector<std::string> SplitTokens(const std::string& text) {
  std::vector<std::string> tokens;
  const size_t n = text.size();
  size_t i = 0;
  while (tokens.size() < kMaxTokens) {
    while (i < n && IsBlank(text[i])) ++i;
    if (i >= n) break;
    std::string token;
    if (text[i] == '"') {
      ++i;
      while (i < n && text[i] != '"' && token.size() < kMaxTokenLength) token += text[i++];
      if (i < n && text[i] == '"') ++i;
    } else {
      while (i < n && !IsBlank(text[i]) && token.size() < kMaxTokenLength) token += text[i++];
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

bool TextEqualsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

int ReadInteger(const std::string& text, int32_t* value) {
  const size_t n = text.size();
  size_t i = 0;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Unsigned arithmetic: overflow wraps as a 32-bit register would, without
  // undefined behaviour.
  uint32_t magnitude = 0;
  bool digit = false;
  for (; i < n && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10u + static_cast<uint32_t>(text[i] - '0');
    digit = true;
  }
  *value = static_cast<int32_t>(negative ? 0u - magnitude : magnitude);
  return (digit && i == n) ? 0 : 1;
}

int ReadNumber(const std::string& text, double* value) {
  // Past 18 digits a double cannot hold more; later whole digits only
  // scale, later decimals are dropped, and nothing overflows on the way.
  constexpr double kSignificantLimit = 1e18;
  const size_t n = text.size();
  size_t i = 0;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  double accumulated = 0.0;
  int64_t places = 0;
  bool digit = false;
  bool separator = false;
  bool percent = false;
  *value = 0.0;
  for (; i < n; ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      digit = true;
      if (accumulated < kSignificantLimit) {
        accumulated = accumulated * 10.0 + (c - '0');
        if (separator) ++places;
      } else if (!separator) {
        --places;
      }
    } else if (c == '.' || c == ',') {
      if (separator) {
        *value = accumulated;
        return 1;
      }
      separator = true;
    } else if (c == '%') {
      if (percent) {
        *value = accumulated;
        return 1;
      }
      percent = true;
    } else {
      break;
    }
  }
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool exponentNegative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) exponentNegative = text[i++] == '-';
    if (i >= n || !IsDigit(text[i])) {
      *value = accumulated;
      return 1;
    }
    int exponent = text[i++] - '0';
    if (i < n && IsDigit(text[i])) exponent = exponent * 10 + (text[i++] - '0');
    places += exponentNegative ? exponent : -exponent;
  }
  if (percent) places += 2;
  const double result = ScaleByPlaces(accumulated, places);
  *value = negative ? -result : result;
  return ((digit || separator) && i == n) ? 0 : 1;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  std::string folder = path.substr(0, slash + 1);
  if (folder.size() >= 2) folder.pop_back();  // keeps the root "/" whole
  return folder;
}

std::string AddDefaultExtension(const std::string& path, const std::string& extension) {
  for (size_t i = path.size(); i > 0; --i) {
    const char c = path[i - 1];
    if (c == '.') return path;
    if (c == '/') break;
  }
  return path + extension;
}

int HasExtension(const std::string& path, const std::string& extension) {
  if (extension.empty() || path.size() <= extension.size()) return 1;
  const size_t start = path.size() - extension.size();
  if (path[start] != '.') return 1;
  return TextEqualsIgnoringCase(path.substr(start), extension) ? 0 : 1;
}

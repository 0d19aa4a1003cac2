// The program's own text utilities: lines, tokens, number readers, the
// formatted-text writer and path functions. Results: 0 success, 1 failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/fileio.h"

// The separator every written fixed-point number uses; "." until the
// program sets it from the user's locale. Only "." and "," are taken, since
// ReadNumber reads no other: anything else leaves ".", so that every file
// the program writes reads back.
void SetDecimalSeparator(char separator);
char DecimalSeparator();

// One value for FormatText: an integer (%d, %c), a number (%f) or a text (%s).
struct FormatValue {
  enum Kind { Integer, Number, Text } kind;
  int64_t integer = 0;
  double number = 0.0;
  std::string text;
  FormatValue(int32_t v) : kind(Integer), integer(v) {}
  FormatValue(double v) : kind(Number), number(v) {}
  FormatValue(const char* v) : kind(Text), text(v) {}
  FormatValue(std::string v) : kind(Text), text(std::move(v)) {}
};

// Conversions: "%%", "%d", "%f" / "%Nf" (N = 0..6 decimals, 4 without N,
// "z" anywhere between "%" and "f" strips trailing zeros), "%s", "%c";
// escapes "\n" "\r" "\t" "\0", and "\x" for any other x gives x. Any other
// character after "%" ends the conversion and is dropped. A conversion
// without a value left, or given a value of the wrong kind, writes nothing.
std::string FormatText(const std::string& format, const std::vector<FormatValue>& values);

// One line of at most `capacity` characters (a longer physical line comes
// back in pieces). CR and LF end a line; empty lines are skipped. 1 at the
// end of the file when no character was read.
int ReadTextLine(FileHandle& file, std::string* line, size_t capacity);
// The text and CR LF (unless the text already ends with CR LF); 1 on a write error.
int WriteTextLine(FileHandle& file, const std::string& text);

constexpr size_t kMaxTokenLength = 256;
constexpr size_t kMaxTokens = 100;
// Blank-separated tokens, "double quoted" ones may hold blanks; at most
// kMaxTokens tokens of at most kMaxTokenLength characters each.
std::vector<std::string> SplitTokens(const std::string& text);

// Whole-text readers. On failure the output still holds the value of what
// was read (the leading digits), so callers that ignore the result get the
// number a text starts with, or 0.
int ReadInteger(const std::string& text, int32_t* value);
int ReadNumber(const std::string& text, double* value);

std::string IntegerToText(int32_t value);
// Fixed point with `precision` (clamped to 0..6) decimals, halves rounded
// away from zero, DecimalSeparator() before the decimals. `strip` removes
// trailing zeros and then a trailing separator (never from an exact zero).
// Every finite value gets its full digits; NaN and infinities are written as
// zero, which reads back.
std::string NumberToText(double value, int precision, bool strip = false);
bool TextEqualsIgnoringCase(const std::string& a, const std::string& b);

// folder + "/" + name; no second "/" when the folder ends with one; an empty
// folder gives the name alone.
std::string JoinPath(const std::string& folder, const std::string& name);
// The folder of a path, without a final "/" (except the root "/"); "." when
// the path has no "/".
std::string FolderOfPath(const std::string& path);
// Appends the extension when the file name has none.
std::string AddDefaultExtension(const std::string& path, const std::string& extension);
// 0 when the path ends with the extension (ignoring case) and is longer than it, else 1.
int HasExtension(const std::string& path, const std::string& extension);

// The program's own text utilities: lines, tokens, number readers, the
// formatted-text writer and path functions. Results: 0 success, 1 failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/fileio.h"

// The separator every written fixed-point number uses; "." until the
// program sets it from the user's locale.
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

std::string FormatText(const std::string& format, const std::vector<FormatValue>& values);

int ReadTextLine(FileHandle file, std::string* line, size_t capacity);
int WriteTextLine(FileHandle file, const std::string& text);
std::vector<std::string> SplitTokens(const std::string& text);
int ReadInteger(const std::string& text, int32_t* value);
int ReadNumber(const std::string& text, double* value);
std::string IntegerToText(int32_t value);
std::string NumberToText(double value, int precision, bool strip = false);
bool TextEqualsIgnoringCase(const std::string& a, const std::string& b);

std::string JoinPath(const std::string& folder, const std::string& name);
std::string FolderOfPath(const std::string& path);
std::string AddDefaultExtension(const std::string& path, const std::string& extension);
int HasExtension(const std::string& path, const std::string& extension);

// What each fuzz target does with one input, shared with the regression test
// so that a stored input runs through exactly the code that found it.
// Every entry feeds the bytes to a reader, then checks what the reader
// promises: a result of 0 or 1, an empty destination after a failure, a
// consistent picture after a success, and that what we write reads back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Inputs whose headers claim more pixels than this are skipped before the
// reader runs: the readers' own limits are hundreds of megapixels, and a
// fuzzer that allocates gigabytes tests the machine, not the reader. Still
// large enough for pictures that cross the 256000-byte piece and chunk limits.
constexpr int64_t kFuzzMaxPixels = int64_t{1} << 22;

struct FuzzOutcome {
  bool skipped = false;
  int result = -1;    // the main reader's result code
  std::string fault;  // empty unless a promise was broken
};

// The most pixels any ImageWidth/ImageLength pair in the first directory of a
// TIFF claims (0 when the bytes are not a TIFF).
int64_t ClaimedTiffPixels(const uint8_t* data, size_t size);
// The most pixels any frame header in a JPEG claims.
int64_t ClaimedJpegPixels(const uint8_t* data, size_t size);

// ReadTiff, then WriteTiff and ReadTiff again (the picture must come back
// byte for byte), then ConvertToRgb8.
FuzzOutcome FuzzTiff(const uint8_t* data, size_t size);
// DecodeTiffLzw against a plain table-walking decoder. The first two bytes
// give the output capacity (little-endian), the rest is the code stream.
FuzzOutcome FuzzLzw(const uint8_t* data, size_t size);
// ReadJpegIccProfile, then LoadPicture as a JPEG (decode, profile, colour
// conversion, Rgb8), checking the messages and that a failure changes nothing.
FuzzOutcome FuzzJpeg(const uint8_t* data, size_t size);
// The most pixels a PNG's header claims (0 when the bytes are not a PNG).
int64_t ClaimedPngPixels(const uint8_t* data, size_t size);
// ReadPng, then LoadPicture as a PNG (transparency, profile, Rgb8), checking
// the message and that a failure changes nothing.
FuzzOutcome FuzzPng(const uint8_t* data, size_t size);
// ReadExif on the bytes as an APP1 payload: an orientation of 1 to 8, no
// resolution or orientation from bytes that are not an Exif block, a usable
// resolution or none; then the block inside a JPEG, whose decoder must
// report the same orientation.
FuzzOutcome FuzzExif(const uint8_t* data, size_t size);
// ReadSettingsFile, then the design it left is written and read back.
FuzzOutcome FuzzSettings(const uint8_t* data, size_t size);
// ReadDisplayColorimetry, then the light colours and tone tables built from
// what it read, and the display copy through the same bytes as a monitor profile.
FuzzOutcome FuzzColorimetry(const uint8_t* data, size_t size);
// SplitTokens, ReadInteger and ReadNumber (against the C library), ReadLength
// and its FormatLength round trip, NumberToText read back, FormatText. The
// first byte picks the display units.
FuzzOutcome FuzzText(const uint8_t* data, size_t size);

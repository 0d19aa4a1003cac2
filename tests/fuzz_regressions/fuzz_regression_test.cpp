// Every input that once broke a reader, and every seed the fuzzers start
// from, run through the same checks the fuzz targets make: a result of 0 or
// 1, an empty picture after a failure, a picture that writes and reads back
// unchanged, a design that saves and reopens, numbers that agree with the C
// library. A file whose name holds "refused" must fail cleanly; every other
// stored picture, design or profile must read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/fileio.h"
#include "files/tiff.h"
#include "files/tiff_tags.h"
#include "fuzz_entries.h"
#include "image/image.h"

namespace {

namespace fs = std::filesystem;
using Entry = FuzzOutcome (*)(const uint8_t*, size_t);

fs::path SourceDir() {
  const char* dir = std::getenv("PASSAVUE_SOURCE_DIR");
  return dir != nullptr ? fs::path(dir) : fs::path(PASSAVUE_SOURCE_FALLBACK);
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  if (!fs::is_directory(folder)) return files;
  for (const auto& item : fs::directory_iterator(folder)) {
    if (item.is_regular_file()) files.push_back(item.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs every file of `folder` through `entry`. With `checkResult`, a name
// containing "refused" expects result 1 and any other name result 0.
// Returns the number of files run.
size_t RunFolder(const fs::path& folder, Entry entry, bool checkResult) {
  size_t count = 0;
  for (const fs::path& file : FilesIn(folder)) {
    SCOPED_TRACE(file.string());
    const std::vector<uint8_t> bytes = ReadAll(file);
    const FuzzOutcome outcome = entry(bytes.data(), bytes.size());
    EXPECT_EQ(outcome.fault, "");
    EXPECT_FALSE(outcome.skipped) << "an input the fuzz target would not even try";
    if (checkResult) {
      const int expected = file.filename().string().find("refused") != std::string::npos ? 1 : 0;
      EXPECT_EQ(outcome.result, expected);
    }
    ++count;
  }
  return count;
}

struct Target {
  const char* name;
  Entry entry;
  bool checkResult;  // text inputs are any text: their length result varies
};

const Target kTargets[] = {
    {"tiff", FuzzTiff, true},         {"lzw", FuzzLzw, true},
    {"jpeg", FuzzJpeg, true},         {"png", FuzzPng, true},
    {"exif", FuzzExif, true},         {"settings", FuzzSettings, true},
    {"colorimetry", FuzzColorimetry, true}, {"text", FuzzText, false},
};

void PrintTo(const Target& target, std::ostream* out) { *out << target.name; }

class FuzzInputs : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzInputs, SeedsReadAndPassEveryCheck) {
  const Target& target = GetParam();
  const size_t count = RunFolder(SourceDir() / "fuzz" / "corpus" / target.name, target.entry, target.checkResult);
  EXPECT_GE(count, 3u) << "the seed corpus of " << target.name << " is missing";
}

TEST_P(FuzzInputs, InputsThatOnceFailedNowPass) {
  const Target& target = GetParam();
  // A target without findings has no folder; its seeds are tested above.
  RunFolder(SourceDir() / "tests" / "fuzz_regressions" / "inputs" / target.name, target.entry, target.checkResult);
}

INSTANTIATE_TEST_SUITE_P(AllReaders, FuzzInputs, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

// The fuzz targets skip pictures that claim more than kFuzzMaxPixels; the
// claims they read must be the ones the readers act on.
TEST(FuzzClaims, TiffAndJpegHeadersGiveTheirPictureSize) {
  const std::vector<uint8_t> tiff = ReadAll(SourceDir() / "fuzz" / "corpus" / "tiff" / "rgb8-orientation6.tif");
  EXPECT_EQ(ClaimedTiffPixels(tiff.data(), tiff.size()), 30 * 20);
  const std::vector<uint8_t> jpeg = ReadAll(SourceDir() / "fuzz" / "corpus" / "jpeg" / "progressive.jpg");
  EXPECT_EQ(ClaimedJpegPixels(jpeg.data(), jpeg.size()), 24 * 16);
  // Big-endian, ImageWidth as LONG 70000 and ImageLength as SHORT 60000.
  const std::vector<uint8_t> big = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 2,
                                    1, 0, 0, 4, 0, 0, 0, 1, 0, 1, 0x11, 0x70,
                                    1, 1, 0, 3, 0, 0, 0, 1, 0xEA, 0x60, 0, 0};
  EXPECT_EQ(ClaimedTiffPixels(big.data(), big.size()), int64_t{70000} * 60000);
  EXPECT_EQ(ClaimedTiffPixels(big.data(), 8), 0);  // directory cut off
}

// The first finding: with WhiteIsZero on an 8-bit RGB file the reader
// complemented the bytes after the row instead of the row itself. Every
// byte of every row must be the complement of the file's, and nothing else.
TEST(FuzzFindings, WhiteIsZeroRgbIsComplementedWithinEachRow) {
  constexpr uint32_t kWidth = 3, kHeight = 2;
  const uint32_t bitsAt = 8 + 2 + 9 * 12 + 4, pixelsAt = bitsAt + 6;
  std::vector<uint8_t> b(pixelsAt + kWidth * kHeight * 3, 0);
  auto put16 = [&](size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  auto put32 = [&](size_t at, uint32_t v) {
    put16(at, v & 0xFFFF);
    put16(at + 2, v >> 16);
  };
  b[0] = b[1] = 'I';
  put16(2, 42);
  put32(4, 8);
  put16(8, 9);
  const uint32_t fields[9][4] = {
      {kImageWidth, kLong, 1, kWidth},     {kImageLength, kLong, 1, kHeight},
      {kBitsPerSample, kShort, 3, bitsAt}, {kPhotometricInterpretation, kShort, 1, 0},
      {kStripOffsets, kLong, 1, pixelsAt}, {kSamplesPerPixel, kShort, 1, 3},
      {kRowsPerStrip, kLong, 1, kHeight},  {kStripByteCounts, kLong, 1, kWidth * kHeight * 3},
      {kPlanarConfiguration, kShort, 1, 1}};
  for (size_t i = 0; i < 9; ++i) {
    const size_t at = 10 + 12 * i;
    put16(at, fields[i][0]);
    put16(at + 2, fields[i][1]);
    put32(at + 4, fields[i][2]);
    if (fields[i][1] == kShort && fields[i][2] == 1) put16(at + 8, fields[i][3]);
    else put32(at + 8, fields[i][3]);
  }
  for (size_t k = 0; k < 3; ++k) put16(bitsAt + 2 * k, 8);
  for (size_t i = 0; i < kWidth * kHeight * 3; ++i) b[pixelsAt + i] = static_cast<uint8_t>(10 * i + 1);

  const fs::path path = fs::temp_directory_path() / ("passavue-white-is-zero-" + std::to_string(::getpid()) + ".tif");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  FileHandle file;
  ASSERT_EQ(OpenForRead(path.string(), &file), 0);
  Image picture;
  IccProfile profile;
  const int result = ReadTiff(file, &picture, &profile);
  CloseFile(file);
  fs::remove(path);
  ASSERT_EQ(result, 0);
  ASSERT_EQ(picture.type, Rgb8);
  for (uint32_t y = 0; y < kHeight; ++y) {
    const uint8_t* row = picture.rows[kHeight - 1 - y];  // the file's first row is the top
    for (uint32_t x = 0; x < kWidth; ++x) {
      const size_t in = pixelsAt + 3 * (y * kWidth + x);
      EXPECT_EQ(row[3 * x + 2], 255 - b[in]) << "red of " << x << ", " << y;
      EXPECT_EQ(row[3 * x + 1], 255 - b[in + 1]) << "green of " << x << ", " << y;
      EXPECT_EQ(row[3 * x], 255 - b[in + 2]) << "blue of " << x << ", " << y;
    }
  }
}

}  // namespace

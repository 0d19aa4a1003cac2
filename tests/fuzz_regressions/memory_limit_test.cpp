// Pictures whose headers claim absurd sizes are refused before anything of
// picture size is allocated, with the import messages; a very large real
// picture still loads.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/fileio.h"
#include "core/hooks.h"
#include "files/import.h"
#include "files/tiff.h"
#include "files/tiff_tags.h"
#include "render/render_state.h"
#include "scene/settings.h"
#include "support/pictures.h"
#include "support/png_file.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct TempFolder {
  fs::path root = fs::temp_directory_path() / ("passavue-limits-" + std::to_string(::getpid()));
  TempFolder() { fs::create_directories(root); }
  ~TempFolder() {
    std::error_code e;
    fs::remove_all(root, e);
  }
  std::string Path(const std::string& name) const { return (root / name).string(); }
};

void WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The most address space the process has held, in bytes. Storage that is
// allocated but never touched still counts here, so an attempt at a
// picture of many gigabytes shows even when the memory is never used.
int64_t PeakAddressSpace() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmPeak:", 0) == 0) return std::atoll(line.c_str() + 7) * 1024;
  }
  return -1;
}

constexpr int64_t kGigabyte = int64_t{1} << 30;

struct Messages {
  std::vector<std::string> shown;
  ErrorHook previous = SetErrorHook([this](const std::string& m) { shown.push_back(m); });
  ~Messages() { SetErrorHook(previous); }
};

// Imports `path` into a design that already holds a 2 x 2 picture and
// checks that the load fails with exactly `message`, the path and `note` on
// a second line, and changes nothing.
void ExpectRefusedWithoutAllocating(const std::string& path, int32_t type, const std::string& message,
                                    const std::string& note) {
  SceneSettings scene;
  InitScene(&scene);
  scene.picture.raster = BlankPicture(2, 2, 72.0);
  scene.picture.pathname = "before.tif";
  IccProfile profile;
  std::string folder = "before";
  Messages messages;
  const int64_t peakBefore = PeakAddressSpace();
  ASSERT_GT(peakBefore, 0);

  EXPECT_EQ(LoadPicture(path, type, &scene, &profile, &folder), 1);

  EXPECT_LT(PeakAddressSpace() - peakBefore, kGigabyte) << "the reader reserved memory for the claimed size";
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], message + path + "\n" + note);
  EXPECT_EQ(PictureImage(scene.picture).width, 2);
  EXPECT_EQ(scene.picture.pathname, "before.tif");
  EXPECT_EQ(folder, "before");
}

void Put16(Bytes* b, size_t at, uint16_t v) {
  (*b)[at] = static_cast<uint8_t>(v);
  (*b)[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes* b, size_t at, uint32_t v) {
  Put16(b, at, static_cast<uint16_t>(v));
  Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

// A little-endian TIFF of `width` x `height` 8-bit RGB pixels, LZW
// compressed, whose one strip is a clear code and an end code: a few bytes
// that could decode into any number of pixels.
Bytes ClaimingTiff(uint32_t width, uint32_t height) {
  struct Field {
    uint16_t tag, type;
    uint32_t count, value;
  };
  const uint32_t bitsOffset = 8 + 2 + 10 * 12 + 4;
  const uint32_t stripOffset = bitsOffset + 6;
  const Field fields[10] = {
      {kImageWidth, kLong, 1, width}, {kImageLength, kLong, 1, height}, {kBitsPerSample, kShort, 3, bitsOffset},
      {kCompression, kShort, 1, 5}, {kPhotometricInterpretation, kShort, 1, 2}, {kStripOffsets, kLong, 1, stripOffset},
      {kSamplesPerPixel, kShort, 1, 3}, {kRowsPerStrip, kLong, 1, height}, {kStripByteCounts, kLong, 1, 3},
      {kPlanarConfiguration, kShort, 1, 1}};
  Bytes b(stripOffset + 3, 0);
  b[0] = b[1] = 'I';
  Put16(&b, 2, 42);
  Put32(&b, 4, 8);
  Put16(&b, 8, 10);
  for (size_t i = 0; i < 10; ++i) {
    const size_t at = 10 + 12 * i;
    Put16(&b, at, fields[i].tag);
    Put16(&b, at + 2, fields[i].type);
    Put32(&b, at + 4, fields[i].count);
    if (fields[i].type == kShort && fields[i].count == 1)
      Put16(&b, at + 8, static_cast<uint16_t>(fields[i].value));
    else Put32(&b, at + 8, fields[i].value);
  }
  for (size_t k = 0; k < 3; ++k) Put16(&b, bitsOffset + 2 * k, 8);
  // Codes 256 and 257 in nine bits each, most significant bit first.
  b[stripOffset] = 0x80;
  b[stripOffset + 1] = 0x40;
  b[stripOffset + 2] = 0x40;
  return b;
}

// A small JPEG from libjpeg whose frame header is then made to claim
// width x height (at most 65535 each: the field has 16 bits).
Bytes ClaimingJpeg(uint16_t width, uint16_t height, bool progressive) {
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = 16;
  cinfo.image_height = 16;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(16 * 3, 128);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes b(buffer, buffer + size);
  std::free(buffer);
  for (size_t i = 2; i + 9 <= b.size(); ++i) {
    if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC2)) {
      b[i + 5] = static_cast<uint8_t>(height >> 8);
      b[i + 6] = static_cast<uint8_t>(height);
      b[i + 7] = static_cast<uint8_t>(width >> 8);
      b[i + 8] = static_cast<uint8_t>(width);
      return b;
    }
  }
  ADD_FAILURE() << "libjpeg wrote no frame header";
  return b;
}

TEST(MemoryLimits, TiffClaimingTenGigapixelsFailsWithItsMessage) {
  TempFolder folder;
  const std::string path = folder.Path("claims.tif");
  // 30 GB as Rgb8, and the same claim through a wide single row and through a tall column.
  for (auto [width, height, size] : {std::tuple{100000u, 100000u, "100000 x 100000"},
                                     {4000000000u, 1u, "4000000000 x 1"},
                                     {1u, 4000000000u, "1 x 4000000000"}}) {
    WriteAll(path, ClaimingTiff(width, height));
    ExpectRefusedWithoutAllocating(
        path, kPictureTiff, "Cannot read TIFF file: ",
        "The picture has " + std::string(size) + " pixels; at most 536870912 pixels can be read.");
  }
}

TEST(MemoryLimits, TiffJustInsideTheClaimLimitIsNotRefusedForItsSize) {
  // The same few bytes claiming 64 x 64 read as a black picture: what
  // refuses the claims above is their size, not the data.
  TempFolder folder;
  const std::string path = folder.Path("small.tif");
  WriteAll(path, ClaimingTiff(64, 64));
  FileHandle file;
  ASSERT_EQ(OpenForRead(path, &file), 0);
  Image picture;
  IccProfile profile;
  EXPECT_EQ(ReadTiff(file, &picture, &profile), 0);
  CloseFile(file);
  ASSERT_EQ(picture.type, Rgb8);
  EXPECT_EQ(picture.width, 64);
  EXPECT_EQ(picture.rows[0][0], 0);
  EXPECT_EQ(picture.rows[63][3 * 63 + 2], 0);
}

TEST(MemoryLimits, JpegClaimingTheLargestFrameFailsWithItsMessage) {
  TempFolder folder;
  const std::string path = folder.Path("claims.jpg");
  // 65535 x 65535 is the most a JPEG frame header can say: 12.9 GB as Rgb8.
  WriteAll(path, ClaimingJpeg(65535, 65535, false));
  ExpectRefusedWithoutAllocating(path, kPictureJpeg, "Cannot read JPEG file: ",
                                 "The picture has 65535 x 65535 pixels and needs 12288 MB to read; "
                                 "at most 1536 MB can be used.");
  // Under the pixel limit, but a progressive decoder also holds every
  // coefficient: 2896^2 luma and 2 x 1448^2 chroma blocks of 128 bytes
  // (1536 MB) besides the picture's 1536 MB.
  WriteAll(path, ClaimingJpeg(23168, 23168, true));
  ExpectRefusedWithoutAllocating(path, kPictureJpeg, "Cannot read JPEG file: ",
                                 "The picture has 23168 x 23168 pixels and needs 3072 MB to read; "
                                 "at most 1536 MB can be used.");
}

TEST(MemoryLimits, PngClaimingTheLargestSizeFailsWithItsMessage) {
  // A million pixels square, the most the reader takes, 16-bit RGBA: 6 TB
  // for the picture and 3 TB more for its Rgb8 copy.
  TempFolder folder;
  const std::string path = folder.Path("claims.png");
  PngSpec spec;
  spec.depth = 16, spec.colorType = 6;
  Bytes file = MakePng(spec);
  ClaimPngSize(&file, 1000000, 1000000);
  WriteAll(path, file);
  ExpectRefusedWithoutAllocating(path, kPicturePng, "Cannot read PNG file: ",
                                 "The picture has 1000000 x 1000000 pixels and needs 8583069 MB to read; "
                                 "at most 3072 MB can be used.");
}

TEST(MemoryLimits, A20000By15000PictureStillLoads) {
  // Written by libtiff as bilevel LZW strips, so that the file and the
  // picture (37.5 MB) stay quick to make while the pixel count is 300 million.
  constexpr uint32_t kWidth = 20000, kHeight = 15000;
  constexpr size_t kRowBytes = (kWidth + 7) / 8;
  auto expectedByte = [](uint32_t y, size_t i) -> uint8_t {
    if (y % 3 == 0) return 0xAA;
    return (i + y / 3) % 16 == 0 ? 0xFF : 0x0F;
  };
  TempFolder folder;
  const std::string path = folder.Path("large.tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 512);
  std::vector<uint8_t> row(kRowBytes);
  for (uint32_t y = 0; y < kHeight; ++y) {
    for (size_t i = 0; i < kRowBytes; ++i) row[i] = expectedByte(y, i);
    ASSERT_EQ(TIFFWriteScanline(tif, row.data(), y, 0), 1);
  }
  TIFFClose(tif);

  FileHandle file;
  ASSERT_EQ(OpenForRead(path, &file), 0);
  Image picture;
  IccProfile profile;
  ASSERT_EQ(ReadTiff(file, &picture, &profile), 0);
  CloseFile(file);
  ASSERT_EQ(picture.type, Bilevel);
  ASSERT_EQ(picture.width, static_cast<int32_t>(kWidth));
  ASSERT_EQ(picture.height, static_cast<int32_t>(kHeight));
  // File row y is picture row height - 1 - y; rows at strip boundaries too.
  for (uint32_t y : {0u, 1u, 2u, 511u, 512u, 7777u, 14998u, 14999u}) {
    const uint8_t* got = picture.rows[kHeight - 1 - y];
    size_t wrong = 0;
    for (size_t i = 0; i < kRowBytes; ++i) wrong += got[i] != expectedByte(y, i);
    EXPECT_EQ(wrong, 0u) << "file row " << y;
  }
}

}  // namespace

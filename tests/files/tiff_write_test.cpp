// The writer's fixed layout, and its files read back by libtiff and by our reader.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <array>

#include "support/files.h"
#include "support/pictures.h"
#include "support/tiff.h"

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}
uint32_t Le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }

std::vector<uint8_t> WriteToBytes(const TempFolder& folder, const Image& image, int* result) {
  FileHandle file;
  EXPECT_EQ(CreateForWrite(folder.Path("w.tif"), &file), 0);
  *result = WriteTiff(file, image);
  CloseFile(file);
  return ReadAll(folder.Path("w.tif"));
}

TEST(TiffWrite, LaysOutTheFixedDirectory) {
  TempFolder folder;
  Image image;
  ASSERT_EQ(AllocImage(&image, Rgb8, 3, 2, 72.25), 0);
  FillRandom(&image, 1);
  int result = -1;
  const std::vector<uint8_t> b = WriteToBytes(folder, image, &result);
  ASSERT_EQ(result, 0);
  ASSERT_EQ(b.size(), 258u);
  EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 10),
            (std::vector<uint8_t>{'I', 'I', 42, 0, 8, 0, 0, 0, 17, 0}));
  // tag, type, count, value of the 17 entries, in order.
  const uint32_t entries[17][4] = {{kNewSubfileType, kLong, 1, 0},
                                   {kSubfileType, kShort, 1, 1},
                                   {kImageWidth, kLong, 1, 3},
                                   {kImageLength, kLong, 1, 2},
                                   {kBitsPerSample, kShort, 3, 218},
                                   {kCompression, kShort, 1, 1},
                                   {kPhotometricInterpretation, kShort, 1, 2},
                                   {kFillOrder, kShort, 1, 1},
                                   {kStripOffsets, kLong, 1, 240},
                                   {kOrientation, kShort, 1, 1},
                                   {kSamplesPerPixel, kShort, 1, 3},
                                   {kRowsPerStrip, kLong, 1, 2},
                                   {kStripByteCounts, kLong, 1, 18},
                                   {kXResolution, kRational, 1, 224},
                                   {kYResolution, kRational, 1, 232},
                                   {kPlanarConfiguration, kShort, 1, 1},
                                   {kResolutionUnit, kShort, 1, 2}};
  for (size_t i = 0; i < 17; ++i) {
    const size_t at = 10 + 12 * i;
    EXPECT_EQ((std::array{Le16(b, at), Le16(b, at + 2), Le32(b, at + 4), Le32(b, at + 8)}),
              std::to_array(entries[i]));
  }
  // No next directory, the three 8s, then 72.25 ppi as 723 / 10 twice.
  EXPECT_EQ((std::array{Le32(b, 214), Le16(b, 218), Le16(b, 222), Le32(b, 224), Le32(b, 228), Le32(b, 232),
                        Le32(b, 236)}),
            (std::array<uint32_t, 7>{0, 8, 8, 723, 10, 723, 10}));
  // Top row first, red first, no spare bytes (rows of 9 bytes, not 12).
  EXPECT_EQ(std::tuple(b[240], b[242], b[249]),
            std::tuple(image.rows[1][2], image.rows[1][0], image.rows[0][2]));

  // Gray: BitsPerSample inside its entry, one sample, BlackIsZero, pixels at 234.
  ASSERT_EQ(AllocImage(&image, Gray8, 5, 1, 300.0), 0);
  FillRandom(&image, 2);
  const std::vector<uint8_t> g = WriteToBytes(folder, image, &result);
  ASSERT_EQ(g.size(), 239u);
  EXPECT_EQ((std::array{Le16(g, 10 + 12 * 4 + 8), Le16(g, 10 + 12 * 6 + 8), Le32(g, 10 + 12 * 8 + 8),
                        Le16(g, 10 + 12 * 10 + 8), Le32(g, 218), uint32_t{g[238]}}),
            (std::array<uint32_t, 6>{8, 1, 234, 1, 3000, image.rows[0][4]}));

  // Nothing is written for an image without pixels.
  FreeImage(&image);
  WriteToBytes(folder, image, &result);
  EXPECT_EQ(result, 1);
}

TEST(TiffWrite, LibtiffAndOurReaderReadBackEveryType) {
  TempFolder folder;
  for (int32_t type = Bilevel; type <= Rgb16; ++type) {
    SCOPED_TRACE(type);
    Image image;
    ASSERT_EQ(AllocImage(&image, type, 67, 41, 96.04), 0);
    FillRandom(&image, static_cast<uint32_t>(type));
    int result = -1;
    WriteToBytes(folder, image, &result);
    ASSERT_EQ(result, 0);

    TIFF* tif = TIFFOpen(folder.Path("w.tif").c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 0;
    float resolution = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &resolution);
    EXPECT_EQ(std::tuple(width, height, resolution), std::tuple(67u, 41u, 96.0f));
    std::vector<uint8_t> line(TIFFScanlineSize(tif));
    int wrong = 0;
    for (uint32_t r = 0; r < height; ++r) {
      ASSERT_EQ(TIFFReadScanline(tif, line.data(), r, 0), 1);
      for (uint32_t i = 0; i < width * samples; ++i) {  // i: sample index in the row
        uint16_t v = bits == 1 ? (line[i / 8] >> (7 - i % 8)) & 1 : line[i];
        if (bits == 16) std::memcpy(&v, &line[2 * i], 2);
        wrong += v != SampleAt(image, static_cast<int32_t>(i / samples), static_cast<int32_t>(r),
                               int(i % samples));
      }
    }
    TIFFClose(tif);
    EXPECT_EQ(wrong, 0);

    Image back;
    IccProfile profile;
    ASSERT_EQ(ReadPath(folder.Path("w.tif"), &back, &profile), 0);
    EXPECT_TRUE(SamePixels(image, back));
    EXPECT_DOUBLE_EQ(back.resolution, 96.0);
  }
}

}  // namespace

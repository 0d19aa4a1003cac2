// The writer's fixed layout, and its files read back by libtiff and by our
// reader.
#include <gtest/gtest.h>
#include <tiffio.h>

#include "support/files.h"
#include "support/pictures.h"
#include "support/tiff.h"

namespace {

// The writer's result and the file it wrote.
std::pair<int, std::vector<uint8_t>> WriteToBytes(const TempFolder &folder, const Image &image) {
  FileHandle file;
  EXPECT_EQ(CreateForWrite(folder.Path("w.tif"), &file), 0);
  const int result = WriteTiff(file, image);
  CloseFile(file);
  return {result, ReadAll(folder.Path("w.tif"))};
}

TEST(TiffWrite, FixedLayoutReadBackByLibtiffAndOurReaderForEveryType) {
  TempFolder folder;
  for (int32_t type = Bilevel; type <= Rgb16; ++type) {
    SCOPED_TRACE(type);
    Image image;
    ASSERT_EQ(AllocImage(&image, type, 67, 41, 72.25), 0);
    FillRandom(&image, static_cast<uint32_t>(type));
    const auto [result, bytes] = WriteToBytes(folder, image);
    ASSERT_EQ(result, 0);
    if (type == Rgb8) {
      // The 17 entries in tag order, then BitsPerSample, the resolution twice
      // as 723 / 10 and the rows from the top, red first, without spare bytes
      // (rows of 201 bytes, not 204).
      HandTiff t;
      t.Add(kNewSubfileType, kLong, 1, 0);
      t.Add(kSubfileType, kShort, 1, 1);
      t.Add(kImageWidth, kLong, 1, 67);
      t.Add(kImageLength, kLong, 1, 41);
      t.AddData(kBitsPerSample, kShort, 3, Shorts({8, 8, 8}));
      t.Add(kCompression, kShort, 1, 1);
      t.Add(kPhotometricInterpretation, kShort, 1, 2);
      t.Add(kFillOrder, kShort, 1, 1);
      t.Add(kStripOffsets, kLong, 1, 240);
      t.Add(kOrientation, kShort, 1, 1);
      t.Add(kSamplesPerPixel, kShort, 1, 3);
      t.Add(kRowsPerStrip, kLong, 1, 41);
      t.Add(kStripByteCounts, kLong, 1, 41 * 201);
      t.AddData(kXResolution, kRational, 1, {0xD3, 2, 0, 0, 10, 0, 0, 0});
      t.AddData(kYResolution, kRational, 1, {0xD3, 2, 0, 0, 10, 0, 0, 0});
      t.Add(kPlanarConfiguration, kShort, 1, 1);
      t.Add(kResolutionUnit, kShort, 1, 2);
      for (int y = 40; y >= 0; --y)
        for (int i = 0; i < 201; ++i) t.blobs.push_back(image.rows[y][i / 3 * 3 + 2 - i % 3]);
      EXPECT_EQ(bytes, t.Build());
    }

    TIFF *tif = TIFFOpen(folder.Path("w.tif").c_str(), "r");
    ASSERT_NE(tif, nullptr);
    // The field as libtiff reads it, into a variable of the type of `none`.
    auto get = [tif](uint32_t tag, auto none) {
      TIFFGetField(tif, tag, &none);
      return none;
    };
    const uint32_t width = get(TIFFTAG_IMAGEWIDTH, 0u), height = get(TIFFTAG_IMAGELENGTH, 0u);
    const uint16_t bits = get(TIFFTAG_BITSPERSAMPLE, uint16_t{0}),
                   samples = get(TIFFTAG_SAMPLESPERPIXEL, uint16_t{0});
    EXPECT_EQ(std::tuple(width, height, get(TIFFTAG_XRESOLUTION, 0.0f)), std::tuple(67u, 41u, 72.3f));
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
    ASSERT_EQ(ReadMemory(bytes, &back), 0);
    EXPECT_TRUE(SamePixels(image, back));
    EXPECT_DOUBLE_EQ(back.resolution, 72.3);
  }
  // Nothing is written for an image without pixels.
  EXPECT_EQ(WriteToBytes(folder, Image{}).first, 1);
}

}  // namespace

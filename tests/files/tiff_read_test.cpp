// The reader against files written by libtiff: every supported variant must
// give libtiff's samples, in our bottom-up blue-green-red layout and upright.
#include <tiffio.h>

#include "tiff_test_util.h"

namespace {

using namespace tifftest;

struct Variant {
  const char* name;
  bool bigEndian;
  uint16_t bits, samples, photometric, compression, predictor;
  uint32_t width, height, rowsPerStrip;
  uint16_t orientation;
  bool grayMap;  // palette: all three columns equal
};

struct Written {
  std::vector<std::vector<uint8_t>> rows;  // the file's rows, native 16-bit samples
  std::vector<uint16_t> map[3];
};

Written WriteWithLibtiff(const std::string& path, const Variant& v, const IccProfile* icc = nullptr) {
  Written w;
  TIFF* tif = TIFFOpen(path.c_str(), v.bigEndian ? "wb" : "wl");
  EXPECT_NE(tif, nullptr);
  for (auto [tag, value] : std::initializer_list<std::pair<uint32_t, uint32_t>>{
           {TIFFTAG_IMAGEWIDTH, v.width}, {TIFFTAG_IMAGELENGTH, v.height}, {TIFFTAG_BITSPERSAMPLE, v.bits},
           {TIFFTAG_SAMPLESPERPIXEL, v.samples}, {TIFFTAG_PHOTOMETRIC, v.photometric},
           {TIFFTAG_COMPRESSION, v.compression}, {TIFFTAG_ROWSPERSTRIP, v.rowsPerStrip},
           {TIFFTAG_ORIENTATION, v.orientation}, {TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH}})
    TIFFSetField(tif, tag, value);
  if (v.predictor != 1) TIFFSetField(tif, TIFFTAG_PREDICTOR, v.predictor);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, 150.0f);
  if (v.samples == 4) {
    const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  if (icc != nullptr) TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(icc->size()), icc->data());
  Bytes bytes(v.width * 31 + v.height + v.bits);
  if (v.photometric == PHOTOMETRIC_PALETTE) {
    const size_t n = size_t{1} << v.bits;
    for (auto& column : w.map) column.resize(n);
    for (size_t i = 0; i < n; ++i) {
      w.map[0][i] = bytes.Next16();
      w.map[1][i] = v.grayMap ? w.map[0][i] : bytes.Next16();
      w.map[2][i] = v.grayMap ? w.map[0][i] : bytes.Next16();
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, w.map[0].data(), w.map[1].data(), w.map[2].data());
  }
  const size_t rowBytes = (size_t{v.width} * v.bits * v.samples + 7) / 8;
  for (uint32_t r = 0; r < v.height; ++r) {
    std::vector<uint8_t> row(rowBytes);
    for (auto& b : row) b = bytes.Next();
    w.rows.push_back(row);
    EXPECT_EQ(TIFFWriteScanline(tif, row.data(), r, 0), 1);
  }
  TIFFClose(tif);
  return w;
}

// What libtiff's file holds at file row r, column c, in 8 or 16 bits per
// channel as our Image keeps it, following the TIFF definitions.
uint32_t Expected(const Variant& v, const Written& w, uint32_t r, uint32_t c, int channel) {
  const std::vector<uint8_t>& row = w.rows[r];
  const bool whiteIsZero = v.photometric == PHOTOMETRIC_MINISWHITE;
  uint32_t value = 0, max = 255;
  if (v.bits == 1) {
    value = (row[c / 8] >> (7 - c % 8)) & 1;
    max = 1;
  } else if (v.bits == 4) {
    value = (c % 2 ? row[c / 2] & 15 : row[c / 2] >> 4);
  } else if (v.bits == 8) {
    value = row[c * v.samples + (v.samples > 1 ? channel : 0)];
  } else {
    uint16_t s;
    std::memcpy(&s, &row[2 * (c * v.samples + (v.samples > 1 ? channel : 0))], 2);
    value = s;
    max = 65535;
  }
  if (v.photometric == PHOTOMETRIC_PALETTE) return w.map[channel][value] >> 8;
  if (v.bits == 4) value *= 17;
  return whiteIsZero ? max - value : value;
}

// Where file pixel (r, c) appears in the upright picture, from the meaning
// of each Orientation value (where the file's row 0 and column 0 lie).
void Upright(uint16_t orientation, uint32_t w, uint32_t h, uint32_t r, uint32_t c, uint32_t* x, uint32_t* y) {
  switch (orientation) {
    case 1: *x = c; *y = r; break;                  // top, left
    case 2: *x = w - 1 - c; *y = r; break;          // top, right
    case 3: *x = w - 1 - c; *y = h - 1 - r; break;  // bottom, right
    case 4: *x = c; *y = h - 1 - r; break;          // bottom, left
    case 5: *x = r; *y = c; break;                  // left, top
    case 6: *x = h - 1 - r; *y = c; break;          // right, top
    case 7: *x = h - 1 - r; *y = w - 1 - c; break;  // right, bottom
    default: *x = r; *y = w - 1 - c; break;         // left, bottom
  }
}

void CheckVariant(const Variant& v) {
  SCOPED_TRACE(v.name);
  TempFolder folder;
  const Written w = WriteWithLibtiff(folder.Path("v.tif"), v);
  Image image;
  IccProfile profile{1, 2, 3};
  ASSERT_EQ(ReadPath(folder.Path("v.tif"), &image, &profile), 0);
  EXPECT_TRUE(profile.empty());
  const bool swapped = v.orientation >= 5;
  ASSERT_EQ(std::tuple(image.width, image.height, image.resolution),
            (std::tuple<int32_t, int32_t, double>(swapped ? v.height : v.width, swapped ? v.width : v.height, 150.0)));
  const bool colour = v.samples >= 3 || (v.photometric == PHOTOMETRIC_PALETTE && !v.grayMap);
  const bool palette = v.photometric == PHOTOMETRIC_PALETTE;
  const int32_t gray = palette ? Gray8 : v.bits == 1 ? Bilevel : v.bits == 16 ? Gray16 : Gray8;
  ASSERT_EQ(image.type, colour ? (v.bits == 16 ? Rgb16 : Rgb8) : gray);
  int wrong = 0;
  for (uint32_t r = 0; r < v.height; ++r) {
    for (uint32_t c = 0; c < v.width; ++c) {
      uint32_t x, y;
      Upright(v.orientation, v.width, v.height, r, c, &x, &y);
      for (int ch = 0; ch < (colour ? 3 : 1); ++ch)
        wrong += SampleAt(image, static_cast<int32_t>(x), static_cast<int32_t>(y), ch) != Expected(v, w, r, c, ch);
    }
  }
  EXPECT_EQ(wrong, 0);
}

constexpr uint16_t kNone = COMPRESSION_NONE, kLzw = COMPRESSION_LZW;
constexpr uint16_t kBlack = PHOTOMETRIC_MINISBLACK, kWhite = PHOTOMETRIC_MINISWHITE;
constexpr uint16_t kRgb = PHOTOMETRIC_RGB, kPalette = PHOTOMETRIC_PALETTE;

TEST(TiffRead, MatchesLibtiffForEverySupportedVariant) {
  const Variant variants[] = {
      {"bilevel II", false, 1, 1, kBlack, kNone, 1, 37, 23, 5, 1, false},
      {"bilevel MM LZW WhiteIsZero", true, 1, 1, kWhite, kLzw, 1, 37, 23, 4, 1, false},
      {"gray4 WhiteIsZero", false, 4, 1, kWhite, kNone, 1, 37, 23, 23, 1, false},
      {"gray4 MM LZW", true, 4, 1, kBlack, kLzw, 1, 37, 23, 7, 1, false},
      {"gray8 LZW predictor strips", false, 8, 1, kBlack, kLzw, 2, 37, 23, 6, 1, false},
      {"gray8 WhiteIsZero LZW predictor", false, 8, 1, kWhite, kLzw, 2, 37, 23, 23, 1, false},
      {"gray16 II", false, 16, 1, kBlack, kNone, 1, 37, 23, 5, 1, false},
      {"gray16 MM LZW predictor", true, 16, 1, kBlack, kLzw, 2, 37, 23, 5, 1, false},
      {"gray16 MM WhiteIsZero", true, 16, 1, kWhite, kNone, 1, 37, 23, 9, 1, false},
      {"rgb8 II strips", false, 8, 3, kRgb, kNone, 1, 37, 23, 4, 1, false},
      {"rgb8 MM LZW predictor", true, 8, 3, kRgb, kLzw, 2, 37, 23, 3, 1, false},
      {"rgb8 4 samples LZW predictor", false, 8, 4, kRgb, kLzw, 2, 37, 23, 8, 1, false},
      {"rgb8 4 samples", true, 8, 4, kRgb, kNone, 1, 37, 23, 8, 1, false},
      {"rgb16 MM 4 samples", true, 16, 4, kRgb, kNone, 1, 37, 23, 5, 1, false},
      {"rgb16 II LZW predictor", false, 16, 3, kRgb, kLzw, 2, 37, 23, 5, 1, false},
      {"rgb16 MM LZW", true, 16, 3, kRgb, kLzw, 1, 37, 23, 23, 1, false},
      {"palette 1 bit gray", false, 1, 1, kPalette, kNone, 1, 37, 23, 5, 1, true},
      {"palette 4 bit colour", true, 4, 1, kPalette, kLzw, 1, 37, 23, 5, 1, false},
      {"palette 8 bit gray", false, 8, 1, kPalette, kNone, 1, 37, 23, 5, 1, true},
      {"palette 8 bit colour LZW", false, 8, 1, kPalette, kLzw, 1, 37, 23, 5, 1, false},
      {"palette 8 bit colour LZW predictor", true, 8, 1, kPalette, kLzw, 2, 37, 23, 5, 1, false},
      // Strips beyond 256000 bytes are read in several pieces.
      {"rgb8 wide single strip", false, 8, 3, kRgb, kNone, 1, 3001, 97, 97, 1, false},
      {"rgb8 wide LZW predictor", false, 8, 3, kRgb, kLzw, 2, 3001, 40, 17, 1, false},
  };
  for (const Variant& v : variants) CheckVariant(v);
  for (uint16_t orientation = 1; orientation <= 8; ++orientation) {
    const std::string name = "orientation " + std::to_string(orientation);
    CheckVariant({name.c_str(), false, 8, 3, kRgb, kNone, 1, 70, 37, 9, orientation, false});
    CheckVariant({name.c_str(), true, 1, 1, kBlack, kLzw, 1, 67, 13, 13, orientation, false});
    CheckVariant({name.c_str(), false, 16, 1, kBlack, kNone, 1, 30, 20, 20, orientation, false});
  }
}

TEST(TiffRead, TakesTheEmbeddedProfile) {
  // A gray picture keeps its pixels whatever its profile says; the next
  // read without a profile clears it.
  TempFolder folder;
  IccProfile icc(SrgbProfileBytes(), SrgbProfileBytes() + kSrgbProfileLength);
  icc[100] ^= 1;
  const Variant v{"gray with profile", false, 8, 1, kBlack, kLzw, 1, 20, 10, 10, 1, false};
  const Written w = WriteWithLibtiff(folder.Path("icc.tif"), v, &icc);
  Image image;
  IccProfile profile;
  ASSERT_EQ(ReadPath(folder.Path("icc.tif"), &image, &profile), 0);
  EXPECT_EQ(profile, icc);
  EXPECT_EQ(SampleAt(image, 3, 4, 0), w.rows[4][3]);
  WriteWithLibtiff(folder.Path("icc.tif"), v);
  ASSERT_EQ(ReadPath(folder.Path("icc.tif"), &image, &profile), 0);
  EXPECT_TRUE(profile.empty());
}

}  // namespace

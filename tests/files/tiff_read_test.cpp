// The reader against files written by libtiff, and rewritten by tiffcp in
// every layout and compression it offers: every supported variant must give
// libtiff's samples, in our bottom-up blue-green-red layout and upright.
#include <gtest/gtest.h>
#include <lcms2.h>
#include <tiffio.h>

#include <cstdlib>

#include "support/files.h"
#include "support/pictures.h"
#include "support/profiles.h"
#include "support/tiff.h"

namespace {

struct Variant {
  const char* name;
  bool bigEndian;
  uint16_t bits, samples, photometric, compression, predictor;
  uint32_t width, height, rowsPerStrip;
  uint16_t orientation = 1;
  bool grayMap = false;   // palette: all three columns equal
  bool separate = false;  // one plane per sample
  const IccProfile* icc = nullptr;
};

struct Written {
  std::vector<std::vector<uint8_t>> rows;  // the file's rows, native 16-bit samples
  std::vector<uint16_t> map[3];
  std::vector<std::vector<uint8_t>> viaProfile;  // by Little CMS, red first
};

Written WriteWithLibtiff(const std::string& path, const Variant& v) {
  Written w;
  TIFF* tif = TIFFOpen(path.c_str(), v.bigEndian ? "wb" : "wl");
  EXPECT_NE(tif, nullptr);
  for (auto [tag, value] : {std::pair<uint32_t, uint32_t>{TIFFTAG_IMAGEWIDTH, v.width},
                            {TIFFTAG_IMAGELENGTH, v.height},
                            {TIFFTAG_BITSPERSAMPLE, v.bits},
                            {TIFFTAG_SAMPLESPERPIXEL, v.samples},
                            {TIFFTAG_PHOTOMETRIC, v.photometric},
                            {TIFFTAG_COMPRESSION, v.compression},
                            {TIFFTAG_ROWSPERSTRIP, v.rowsPerStrip},
                            {TIFFTAG_ORIENTATION, v.orientation},
                            {TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH},
                            {TIFFTAG_PLANARCONFIG, v.separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG}})
    TIFFSetField(tif, tag, value);
  if (v.predictor != 1) TIFFSetField(tif, TIFFTAG_PREDICTOR, v.predictor);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, 150.0f);
  if (v.samples == 4 + (v.photometric == PHOTOMETRIC_SEPARATED)) {
    const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  if (v.icc) TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(v.icc->size()), v.icc->data());
  Noise bytes(v.width * 31 + v.height + v.bits);
  if (v.photometric == PHOTOMETRIC_PALETTE) {
    for (size_t i = 0; i < (size_t{1} << v.bits); ++i)
      for (int ch = 0; ch < 3; ++ch) w.map[ch].push_back(v.grayMap && ch > 0 ? w.map[0][i] : bytes.Next16());
    TIFFSetField(tif, TIFFTAG_COLORMAP, w.map[0].data(), w.map[1].data(), w.map[2].data());
  }
  w.rows.resize(v.height, std::vector<uint8_t>((size_t{v.width} * v.bits * v.samples + 7) / 8));
  for (auto& row : w.rows)
    for (auto& b : row) b = bytes.Next();
  // Separate planes are written plane by plane, from whole bytes per sample.
  const size_t size = v.bits / 8;
  for (uint16_t plane = 0; plane < (v.separate ? v.samples : 1); ++plane)
    for (uint32_t r = 0; r < v.height; ++r) {
      std::vector<uint8_t> row = w.rows[r];
      for (size_t x = 0; v.separate && x < v.width; ++x)
        std::memcpy(&row[x * size], &w.rows[r][(x * v.samples + plane) * size], size);
      EXPECT_EQ(TIFFWriteScanline(tif, row.data(), r, plane), 1);
    }
  TIFFClose(tif);
  if (v.icc) {
    cmsHPROFILE in = cmsOpenProfileFromMem(v.icc->data(), static_cast<cmsUInt32Number>(v.icc->size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM t =
        cmsCreateTransform(in, (v.bits == 8 ? TYPE_CMYK_8 : TYPE_CMYK_16) | EXTRA_SH(v.samples - 4), srgb,
                           v.bits == 8 ? TYPE_RGB_8 : TYPE_RGB_16, INTENT_PERCEPTUAL, 0);
    for (const auto& row : w.rows)
      cmsDoTransform(t, row.data(), w.viaProfile.emplace_back(6 * v.width).data(), v.width);
    cmsDeleteTransform(t);
    cmsCloseProfile(in);
    cmsCloseProfile(srgb);
  }
  return w;
}

// What libtiff's file holds at file row r, column c, in 8 or 16 bits per
// channel as our Image keeps it, following the TIFF definitions; CMYK
// without a profile as each ink's complement times black's, rounded.
uint32_t Expected(const Variant& v, const Written& w, uint32_t r, uint32_t c, int channel) {
  const std::vector<uint8_t>& row = v.icc ? w.viaProfile[r] : w.rows[r];
  const uint32_t max = v.bits == 1 ? 1 : v.bits == 16 ? 65535 : 255;
  auto sample = [&](size_t i) { return v.bits == 16 ? row[2 * i] | row[2 * i + 1] << 8 : uint32_t{row[i]}; };
  if (v.icc) return sample(3 * c + channel);
  if (v.photometric == PHOTOMETRIC_SEPARATED)
    return ((max - sample(c * v.samples + channel)) * (max - sample(c * v.samples + 3)) + max / 2) / max;
  uint32_t value = v.bits == 1   ? (row[c / 8] >> (7 - c % 8)) & 1
                   : v.bits == 4 ? (c % 2 ? row[c / 2] & 15 : row[c / 2] >> 4)
                                 : sample(c * v.samples + (v.samples > 1 ? channel : 0));
  if (v.photometric == PHOTOMETRIC_PALETTE) return w.map[channel][value] >> 8;
  if (v.bits == 4) value *= 17;
  return v.photometric == PHOTOMETRIC_MINISWHITE ? max - value : value;
}

// With `tiffcp` options, the file libtiff wrote is first rewritten by tiffcp
// in the variant's byte order; its samples stay those libtiff was given.
void CheckVariant(const Variant& v, const std::string& tiffcp = "") {
  SCOPED_TRACE(std::string(v.name) + " " + tiffcp);
  TempFolder folder;
  const Written w = WriteWithLibtiff(folder.Path("v.tif"), v);
  const std::string path = folder.Path(tiffcp.empty() ? "v.tif" : "copy.tif");
  if (!tiffcp.empty()) {
    const std::string command =
        "tiffcp " + tiffcp + (v.bigEndian ? " -B " : " -L ") + folder.Path("v.tif") + " " + path;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  Image image;
  IccProfile profile{1, 2, 3};
  ASSERT_EQ(ReadMemory(ReadAll(path), &image, &profile), 0);
  EXPECT_EQ(profile, v.icc ? *v.icc : IccProfile{});
  // Orientation n puts the file's row 0 and column 0 on these sides.
  const uint16_t o = v.orientation;
  const bool swapped = o >= 5, right = o == 2 || o == 3 || o == 6 || o == 7,
             bottom = o == 3 || o == 4 || o >= 7;
  const bool color = v.samples >= 3 || (v.photometric == PHOTOMETRIC_PALETTE && !v.grayMap);
  const int32_t type = color                                                 ? (v.bits == 16 ? Rgb16 : Rgb8)
                       : v.bits == 16                                        ? Gray16
                       : v.bits == 1 && v.photometric != PHOTOMETRIC_PALETTE ? Bilevel
                                                                             : Gray8;
  ASSERT_EQ(std::tuple(image.type, image.width, image.height, image.resolution),
            (std::tuple<int32_t, int32_t, int32_t, double>(type, swapped ? v.height : v.width,
                                                           swapped ? v.width : v.height, 150.0)));
  int wrong = 0;
  for (uint32_t r = 0; r < v.height; ++r)
    for (uint32_t c = 0; c < v.width; ++c) {
      int32_t x = static_cast<int32_t>(swapped ? r : c), y = static_cast<int32_t>(swapped ? c : r);
      if (right) x = image.width - 1 - x;
      if (bottom) y = image.height - 1 - y;
      for (int ch = 0; ch < (color ? 3 : 1); ++ch)
        wrong += SampleAt(image, x, y, ch) != Expected(v, w, r, c, ch);
    }
  EXPECT_EQ(wrong, 0);
}

constexpr uint16_t kNone = COMPRESSION_NONE, kLzw = COMPRESSION_LZW;
constexpr uint16_t kBlack = PHOTOMETRIC_MINISBLACK, kWhite = PHOTOMETRIC_MINISWHITE;
constexpr uint16_t kRgb = PHOTOMETRIC_RGB, kPalette = PHOTOMETRIC_PALETTE, kCmyk = PHOTOMETRIC_SEPARATED;

TEST(TiffRead, MatchesLibtiffForEveryVariantAndEveryLayoutTiffcpWrites) {
  const Variant variants[] = {
      {"bilevel MM LZW WhiteIsZero", true, 1, 1, kWhite, kLzw, 1, 37, 23, 4},
      {"gray16 MM WhiteIsZero", true, 16, 1, kWhite, kNone, 1, 37, 23, 9},
      {"rgb8 WhiteIsZero", false, 8, 3, kWhite, kNone, 1, 37, 23, 5},
      {"rgb8 4 samples LZW predictor", false, 8, 4, kRgb, kLzw, 2, 37, 23, 8},
      {"rgb16 MM 4 samples", true, 16, 4, kRgb, kNone, 1, 37, 23, 5},
      {"palette 1 bit gray", false, 1, 1, kPalette, kNone, 1, 37, 23, 5, 1, true},
      {"palette 4 bit colour", true, 4, 1, kPalette, kLzw, 1, 37, 23, 5},
      {"palette 8 bit colour LZW predictor", true, 8, 1, kPalette, kLzw, 2, 37, 23, 5},
      {"rgba16 separate", true, 16, 4, kRgb, kNone, 1, 37, 23, 7, 1, false, true},
      // Strips beyond 256000 bytes are read in several pieces.
      {"rgb8 wide single strip", false, 8, 3, kRgb, kNone, 1, 3001, 97, 97},
  };
  for (const Variant& v : variants) CheckVariant(v);
  // Each orientation turns every kind of picture.
  for (uint16_t o = 1; o <= 8; ++o) {
    const std::string name = "orientation " + std::to_string(o);
    for (auto [bits, samples] : {std::pair{1, 1}, {8, 1}, {16, 1}, {8, 3}, {16, 3}})
      CheckVariant({name.c_str(), o % 2 == 0, uint16_t(bits), uint16_t(samples), samples == 3 ? kRgb : kBlack,
                    kLzw, 1, 67, 13, 13, o});
  }

  // 150 x 100 pictures, so that 64 x 64 tiles run past the right and bottom
  // edges; each rewritten in both byte orders. CMYK with a profile goes
  // through it, checked against Little CMS.
  const IccProfile cmyk = CmykProfile();
  const Variant bases[] = {
      {"bilevel", false, 1, 1, kBlack, kNone, 1, 150, 100, 100},
      {"gray4 WhiteIsZero", false, 4, 1, kWhite, kNone, 1, 150, 100, 100},
      {"gray16", false, 16, 1, kBlack, kNone, 1, 150, 100, 100},
      {"rgb8 turned", false, 8, 3, kRgb, kNone, 1, 150, 100, 100, 6},
      {"rgb16", false, 16, 3, kRgb, kNone, 1, 150, 100, 100},
      {"palette8", false, 8, 1, kPalette, kNone, 1, 150, 100, 100},
      {"cmyk8 and alpha", false, 8, 5, kCmyk, kNone, 1, 150, 100, 100},
      {"cmyk16", false, 16, 4, kCmyk, kNone, 1, 150, 100, 100},
      {"cmyk8 and alpha with profile", false, 8, 5, kCmyk, kNone, 1, 150, 100, 100, 1, false, false, &cmyk},
      {"cmyk16 with profile", false, 16, 4, kCmyk, kNone, 1, 150, 100, 100, 1, false, false, &cmyk},
  };
  const char* options[] = {"-c zip:2 -r 7",
                           "-c packbits -r 9",
                           "-t -w 48 -l 32 -c packbits",
                           "-t -w 64 -l 16 -c lzw:2",
                           "-p separate -t -w 64 -l 64 -c lzw",
                           "-p separate -c zip:2 -r 5"};
  for (Variant v : bases)
    for (const char* option : options) {
      // tiffcp separates 8-bit samples only; CMYK is read interleaved only.
      if ((std::strchr(option, ':') && v.bits < 8) ||
          (std::strstr(option, "separate") && (v.photometric == kCmyk || v.bits != 8)))
        continue;
      for (bool big : {false, true}) CheckVariant((v.bigEndian = big, v), option);
    }
}

}  // namespace

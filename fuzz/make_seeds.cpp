// Writes the seed corpora: small valid files of every kind the readers take,
// made by libtiff, libjpeg and Little CMS and by our own writers.
//   fuzz_make_seeds <corpus folder>
// makes <folder>/tiff, lzw, jpeg, settings, colorimetry and text.
#include <lcms2.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// After <cstdio>, which it needs.
#include <jpeglib.h>

#include "core/fileio.h"
#include "core/icc.h"
#include "files/tiff.h"
#include "files/tiff_tags.h"
#include "image/image.h"
#include "render/render_state.h"
#include "scene/settings.h"
#include "scene/settings_file.h"
#include "scene/text.h"
#include "support/profiles.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

fs::path g_root;
int g_written = 0;

void Save(const std::string& folder, const std::string& name, const Bytes& bytes) {
  fs::create_directories(g_root / folder);
  std::ofstream(g_root / folder / name, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ++g_written;
}

Bytes Load(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A smooth pattern with some repetition, so LZW finds strings to reuse.
uint8_t Pattern(int x, int y, int c) {
  return static_cast<uint8_t>((x * 9 + y * 5 + c * 70 + ((x / 4 + y / 3) & 1) * 40) & 0xFF);
}

// ---------------------------------------------------------------------------
// ICC profiles from Little CMS

Bytes SaveProfile(cmsHPROFILE profile, double version = 2.1) {
  cmsSetProfileVersion(profile, version);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  Bytes bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

Bytes RgbProfile(cmsToneCurve* curve, double version = 2.1) {
  const cmsCIExyY white = {0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};  // wide green
  cmsToneCurve* curves[3] = {curve, curve, curve};
  Bytes bytes = SaveProfile(cmsCreateRGBProfile(&white, &primaries, curves), version);
  cmsFreeToneCurve(curve);
  return bytes;
}

Bytes GammaProfile(double gamma) { return RgbProfile(cmsBuildGamma(nullptr, gamma)); }

Bytes SampledProfile() {
  cmsFloat32Number table[64];
  for (int i = 0; i < 64; ++i) table[i] = static_cast<cmsFloat32Number>(std::pow(i / 63.0, 2.4));
  return RgbProfile(cmsBuildTabulatedToneCurveFloat(nullptr, 64, table));
}

Bytes ParametricProfile() {
  const cmsFloat64Number srgb[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
  return RgbProfile(cmsBuildParametricToneCurve(nullptr, 4, srgb), 4.3);
}

// ---------------------------------------------------------------------------
// TIFF files

struct TiffRecipe {
  int width = 12, height = 6;
  int bits = 8, samples = 1;
  int photometric = PHOTOMETRIC_MINISBLACK;
  int compression = COMPRESSION_NONE;
  int predictor = 1;
  int rowsPerStrip = 0;  // 0: one strip
  int orientation = 1;
  bool bigEndian = false;
  bool centimetres = false;
  int planar = PLANARCONFIG_CONTIG;
  int tile = 0;  // 0: strips, else square tiles of this side (8 and 16 bits)
  int sampleFormat = SAMPLEFORMAT_UINT;
  Bytes icc;
};

// Written row by row through libtiff; palettes get a colour map whose
// columns differ unless `grayPalette`.
Bytes WriteWithLibtiff(const TiffRecipe& s, bool grayPalette = false) {
  const std::string path = (fs::temp_directory_path() / "passavue-seed.tif").string();
  TIFF* tif = TIFFOpen(path.c_str(), s.bigEndian ? "wb" : "wl");
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, s.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, s.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, s.bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, s.samples);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, s.photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, s.planar);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, s.compression);
  if (s.predictor != 1) TIFFSetField(tif, TIFFTAG_PREDICTOR, s.predictor);
  if (s.sampleFormat != SAMPLEFORMAT_UINT) TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, s.sampleFormat);
  if (s.tile > 0) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, s.tile);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, s.tile);
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, s.rowsPerStrip > 0 ? s.rowsPerStrip : s.height);
  }
  if (s.orientation != 1) TIFFSetField(tif, TIFFTAG_ORIENTATION, s.orientation);
  if (s.samples == (s.photometric == PHOTOMETRIC_SEPARATED ? 5 : 4)) {
    const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  if (s.centimetres) {
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 118.11f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 118.11f);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
  } else {
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 240.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 240.0f);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  }
  if (!s.icc.empty())
    TIFFSetField(tif, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(s.icc.size()), s.icc.data());
  if (s.photometric == PHOTOMETRIC_PALETTE) {
    const size_t n = size_t{1} << s.bits;
    std::vector<uint16_t> red(n), green(n), blue(n);
    for (size_t i = 0; i < n; ++i) {
      red[i] = static_cast<uint16_t>((i * 37 % 256) * 257);
      green[i] = grayPalette ? red[i] : static_cast<uint16_t>((i * 91 % 256) * 257);
      blue[i] = grayPalette ? red[i] : static_cast<uint16_t>((255 - i * 13 % 256) * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  }
  const size_t rowBytes = (static_cast<size_t>(s.width) * s.bits * s.samples + 7) / 8;
  std::vector<Bytes> rows;
  Bytes row(rowBytes);
  for (int y = 0; y < s.height; ++y) {
    if (s.bits == 16) {
      for (size_t i = 0; i < rowBytes / 2; ++i) {
        const uint16_t v = static_cast<uint16_t>(Pattern(static_cast<int>(i), y, 0) * 257 + i);
        std::memcpy(&row[2 * i], &v, 2);  // libtiff takes native samples and swaps for MM
      }
    } else {
      for (size_t i = 0; i < rowBytes; ++i) row[i] = Pattern(static_cast<int>(i), y, 0);
    }
    rows.push_back(row);
  }
  // Separate planes and tiles take whole bytes per sample.
  const int planes = s.planar == PLANARCONFIG_SEPARATE ? s.samples : 1;
  const size_t size = static_cast<size_t>(s.bits / 8), pixel = size * static_cast<size_t>(s.samples / planes);
  for (int plane = 0; plane < planes; ++plane) {
    std::vector<Bytes> planeRows = rows;
    for (int y = 0; planes > 1 && y < s.height; ++y)
      for (size_t x = 0; x < static_cast<size_t>(s.width); ++x)
        std::memcpy(&planeRows[y][x * size], &rows[y][(x * s.samples + plane) * size], size);
    for (int y = 0; s.tile == 0 && y < s.height; ++y)
      TIFFWriteScanline(tif, planeRows[y].data(), static_cast<uint32_t>(y), static_cast<uint16_t>(plane));
    for (int ty = 0; s.tile > 0 && ty < s.height; ty += s.tile) {
      for (int tx = 0; tx < s.width; tx += s.tile) {
        Bytes tile(static_cast<size_t>(TIFFTileSize(tif)), 0);
        for (int y = ty; y < std::min(s.height, ty + s.tile); ++y)
          std::memcpy(&tile[static_cast<size_t>(y - ty) * s.tile * pixel], &planeRows[y][tx * pixel],
                      static_cast<size_t>(std::min(s.tile, s.width - tx)) * pixel);
        TIFFWriteTile(tif, tile.data(), static_cast<uint32_t>(tx), static_cast<uint32_t>(ty), 0,
                      static_cast<uint16_t>(plane));
      }
    }
  }
  TIFFClose(tif);
  Bytes bytes = Load(path);
  fs::remove(path);
  return bytes;
}

Bytes WriteWithOurWriter(int32_t type, int32_t width, int32_t height) {
  Image image;
  AllocImage(&image, type, width, height, 72.25);
  const size_t rowBytes = static_cast<size_t>(UnroundedRowBytes(type, width));
  for (int32_t r = 0; r < height; ++r) {
    for (size_t i = 0; i < rowBytes; ++i) image.rows[r][i] = Pattern(static_cast<int>(i), r, 1);
  }
  const std::string path = (fs::temp_directory_path() / "passavue-seed-own.tif").string();
  FileHandle file;
  CreateForWrite(path, &file);
  WriteTiff(file, image);
  CloseFile(file);
  Bytes bytes = Load(path);
  fs::remove(path);
  return bytes;
}

// The raw strips of an LZW file as decoder inputs: two bytes of output
// capacity (the strip's decoded size), then the codes.
void SaveLzwStrips(const std::string& name, const TiffRecipe& recipe) {
  const Bytes file = WriteWithLibtiff(recipe);
  const std::string path = (fs::temp_directory_path() / "passavue-seed-lzw.tif").string();
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  const tstrip_t strips = TIFFNumberOfStrips(tif);
  for (tstrip_t s = 0; s < strips && s < 2; ++s) {
    const int perStrip = recipe.rowsPerStrip > 0 ? recipe.rowsPerStrip : recipe.height;
    const int rows = std::min(perStrip, recipe.height - static_cast<int>(s) * perStrip);
    const tmsize_t decoded = TIFFVStripSize(tif, static_cast<uint32_t>(rows));
    Bytes raw(static_cast<size_t>(TIFFRawStripSize(tif, s)));
    const tmsize_t got = TIFFReadRawStrip(tif, s, raw.data(), static_cast<tmsize_t>(raw.size()));
    raw.resize(static_cast<size_t>(got));
    Bytes seed = {static_cast<uint8_t>(decoded & 0xFF), static_cast<uint8_t>((decoded >> 8) & 0xFF)};
    seed.insert(seed.end(), raw.begin(), raw.end());
    Save("lzw", name + "-" + std::to_string(s), seed);
  }
  TIFFClose(tif);
  fs::remove(path);
}

// ---------------------------------------------------------------------------
// JPEG files

struct JpegRecipe {
  int width = 16, height = 8;
  J_COLOR_SPACE space = JCS_RGB;
  bool progressive = false;
  bool subsampled = false;
  int restart = 0;
  int density = 0;  // JFIF dots per inch; 0 writes no unit
  std::vector<Bytes> app1, app2;
};

Bytes WriteJpeg(const JpegRecipe& s) {
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &size);
  const int components = s.space == JCS_GRAYSCALE ? 1 : (s.space == JCS_CMYK ? 4 : 3);
  cinfo.image_width = static_cast<JDIMENSION>(s.width);
  cinfo.image_height = static_cast<JDIMENSION>(s.height);
  cinfo.input_components = components;
  cinfo.in_color_space = s.space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 85, TRUE);
  if (s.progressive) jpeg_simple_progression(&cinfo);
  if (components == 3) {
    cinfo.comp_info[0].h_samp_factor = s.subsampled ? 2 : 1;
    cinfo.comp_info[0].v_samp_factor = s.subsampled ? 2 : 1;
  }
  cinfo.restart_interval = static_cast<unsigned>(s.restart);
  if (s.density > 0) {
    cinfo.density_unit = 1;
    cinfo.X_density = cinfo.Y_density = static_cast<UINT16>(s.density);
  }
  jpeg_start_compress(&cinfo, TRUE);
  for (const Bytes& p : s.app1)
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, p.data(), static_cast<unsigned>(p.size()));
  for (const Bytes& p : s.app2)
    jpeg_write_marker(&cinfo, JPEG_APP0 + 2, p.data(), static_cast<unsigned>(p.size()));
  Bytes row(static_cast<size_t>(s.width) * components);
  while (cinfo.next_scanline < cinfo.image_height) {
    for (int x = 0; x < s.width; ++x) {
      for (int c = 0; c < components; ++c) {
        row[static_cast<size_t>(x) * components + c] = Pattern(x, static_cast<int>(cinfo.next_scanline), c);
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

// The profile cut into `count` ICC_PROFILE chunks; `keep` of them are written.
std::vector<Bytes> IccChunks(const Bytes& profile, int count, int keep) {
  std::vector<Bytes> chunks;
  const size_t part = (profile.size() + count - 1) / count;
  for (int i = 0; i < keep; ++i) {
    Bytes chunk = {'I',
                   'C',
                   'C',
                   '_',
                   'P',
                   'R',
                   'O',
                   'F',
                   'I',
                   'L',
                   'E',
                   0,
                   static_cast<uint8_t>(i + 1),
                   static_cast<uint8_t>(count)};
    const size_t from = std::min(profile.size(), i * part);
    const size_t to = std::min(profile.size(), from + part);
    chunk.insert(chunk.end(), profile.begin() + static_cast<std::ptrdiff_t>(from),
                 profile.begin() + static_cast<std::ptrdiff_t>(to));
    chunks.push_back(chunk);
  }
  return chunks;
}

// An Exif segment whose first directory gives XResolution 300/1 per inch (or cm).
Bytes ExifResolution(bool bigEndian, uint16_t unit) {
  Bytes b = {'E', 'x', 'i', 'f', 0, 0};
  auto put16 = [&](uint16_t v) {
    if (bigEndian)
      b.insert(b.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
    else
      b.insert(b.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
  };
  auto put32 = [&](uint32_t v) {
    if (bigEndian)
      put16(static_cast<uint16_t>(v >> 16)), put16(static_cast<uint16_t>(v));
    else
      put16(static_cast<uint16_t>(v)), put16(static_cast<uint16_t>(v >> 16));
  };
  b.insert(b.end(),
           {static_cast<uint8_t>(bigEndian ? 'M' : 'I'), static_cast<uint8_t>(bigEndian ? 'M' : 'I')});
  put16(42);
  put32(8);
  put16(2);
  put16(kXResolution), put16(kRational), put32(1), put32(38);
  put16(kResolutionUnit), put16(kShort), put32(1), put16(unit), put16(0);
  put32(0);
  put32(300), put32(1);
  return b;
}

// ---------------------------------------------------------------------------
// Design files

Bytes DesignFile(char separator) {
  SceneSettings scene;
  InitScene(&scene);
  scene.mats[1].opening = 1;
  scene.mats[2].shown = 0;
  scene.border.left = 0.125;
  SetDecimalSeparator(separator);
  const std::string path = (fs::temp_directory_path() / "passavue-seed.Passavue").string();
  FileHandle file;
  CreateForWrite(path, &file);
  WriteSettingsFile(file, scene);
  CloseFile(file);
  SetDecimalSeparator('.');
  Bytes bytes = Load(path);
  fs::remove(path);
  return bytes;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes TextSeed(uint8_t mode, const std::string& s) {
  Bytes b = {mode};
  b.insert(b.end(), s.begin(), s.end());
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  g_root = argv[1];
  TIFFSetWarningHandler(nullptr);
  const Bytes gamma18 = GammaProfile(1.8);

  // TIFF: our writer's five pixel types.
  Save("tiff", "own-bilevel.tif", WriteWithOurWriter(Bilevel, 13, 5));
  Save("tiff", "own-gray8.tif", WriteWithOurWriter(Gray8, 9, 4));
  Save("tiff", "own-rgb8.tif", WriteWithOurWriter(Rgb8, 7, 3));
  Save("tiff", "own-gray16.tif", WriteWithOurWriter(Gray16, 5, 4));
  Save("tiff", "own-rgb16.tif", WriteWithOurWriter(Rgb16, 4, 3));
  // libtiff: compression, predictor, byte order, palettes, orientation, profile.
  TiffRecipe s;
  s.compression = COMPRESSION_LZW;
  s.rowsPerStrip = 2;
  Save("tiff", "lzw-gray8-strips.tif", WriteWithLibtiff(s));
  s.predictor = 2;
  Save("tiff", "lzw-gray8-predictor.tif", WriteWithLibtiff(s));
  s.samples = 3;
  s.photometric = PHOTOMETRIC_RGB;
  Save("tiff", "lzw-rgb8-predictor.tif", WriteWithLibtiff(s));
  s.samples = 4;
  Save("tiff", "lzw-rgba8-predictor.tif", WriteWithLibtiff(s));
  s.samples = 3;
  s.bits = 16;
  s.bigEndian = true;
  Save("tiff", "lzw-rgb16-predictor-mm.tif", WriteWithLibtiff(s));
  s.samples = 1;
  s.photometric = PHOTOMETRIC_MINISBLACK;
  Save("tiff", "lzw-gray16-predictor-mm.tif", WriteWithLibtiff(s));
  TiffRecipe plain;
  plain.samples = 3;
  plain.photometric = PHOTOMETRIC_RGB;
  plain.bits = 16;
  plain.bigEndian = true;
  plain.rowsPerStrip = 4;
  Save("tiff", "rgb16-mm-strips.tif", WriteWithLibtiff(plain));
  plain.bits = 8;
  plain.bigEndian = false;
  plain.icc = gamma18;
  Save("tiff", "rgb8-profile.tif", WriteWithLibtiff(plain));
  plain.icc.clear();
  plain.orientation = 6;
  plain.width = 30;
  plain.height = 20;
  plain.rowsPerStrip = 7;
  Save("tiff", "rgb8-orientation6.tif", WriteWithLibtiff(plain));
  plain.orientation = 5;
  plain.width = 9;
  plain.height = 4;
  Save("tiff", "rgb8-orientation5.tif", WriteWithLibtiff(plain));
  TiffRecipe gray;
  gray.bits = 4;
  gray.centimetres = true;
  Save("tiff", "gray4-centimetres.tif", WriteWithLibtiff(gray));
  gray.bits = 1;
  gray.photometric = PHOTOMETRIC_MINISWHITE;
  gray.orientation = 3;
  gray.centimetres = false;
  Save("tiff", "bilevel-white-is-zero.tif", WriteWithLibtiff(gray));
  gray.bits = 8;
  gray.orientation = 8;
  Save("tiff", "gray8-white-is-zero-orientation8.tif", WriteWithLibtiff(gray));
  for (int bits : {1, 4, 8}) {
    TiffRecipe palette;
    palette.bits = bits;
    palette.photometric = PHOTOMETRIC_PALETTE;
    palette.compression = bits == 8 ? COMPRESSION_LZW : COMPRESSION_NONE;
    Save("tiff", "palette" + std::to_string(bits) + ".tif", WriteWithLibtiff(palette));
  }
  TiffRecipe grayPalette;
  grayPalette.photometric = PHOTOMETRIC_PALETTE;
  Save("tiff", "palette8-gray.tif", WriteWithLibtiff(grayPalette, true));

  // Deflate and PackBits, tiles clipped at the edges, separate planes, CMYK.
  TiffRecipe d;
  d.width = 20;
  d.height = 10;
  d.samples = 3;
  d.photometric = PHOTOMETRIC_RGB;
  d.compression = COMPRESSION_ADOBE_DEFLATE;
  d.predictor = 2;
  d.rowsPerStrip = 3;
  Save("tiff", "deflate-rgb8-predictor.tif", WriteWithLibtiff(d));
  d.bits = 16;
  d.bigEndian = true;
  Save("tiff", "deflate-rgb16-predictor-mm.tif", WriteWithLibtiff(d));
  d.tile = 16;
  Save("tiff", "tiles-deflate-rgb16-predictor-mm.tif", WriteWithLibtiff(d));
  d.planar = PLANARCONFIG_SEPARATE;
  Save("tiff", "planes-tiles-deflate-rgb16-mm.tif", WriteWithLibtiff(d));
  d.tile = 0;
  d.bits = 8;
  d.bigEndian = false;
  d.compression = COMPRESSION_PACKBITS;
  d.predictor = 1;
  Save("tiff", "planes-packbits-rgb8.tif", WriteWithLibtiff(d));
  d.planar = PLANARCONFIG_CONTIG;
  d.tile = 16;
  d.compression = COMPRESSION_LZW;
  d.samples = 1;
  d.photometric = PHOTOMETRIC_MINISBLACK;
  Save("tiff", "tiles-lzw-gray8.tif", WriteWithLibtiff(d));
  d.tile = 0;
  d.compression = COMPRESSION_PACKBITS;
  Save("tiff", "packbits-gray8.tif", WriteWithLibtiff(d));
  TiffRecipe ink;
  ink.samples = 4;
  ink.photometric = PHOTOMETRIC_SEPARATED;
  Save("tiff", "cmyk8.tif", WriteWithLibtiff(ink));
  ink.icc = CmykProfile();
  Save("tiff", "cmyk8-profile.tif", WriteWithLibtiff(ink));
  ink.icc.clear();
  ink.samples = 5;
  ink.bits = 16;
  ink.bigEndian = true;
  ink.compression = COMPRESSION_ADOBE_DEFLATE;
  ink.predictor = 2;
  ink.tile = 16;
  Save("tiff", "cmyk16-alpha-tiles-deflate-mm.tif", WriteWithLibtiff(ink));
  TiffRecipe refused;
  refused.bits = 32;
  refused.sampleFormat = SAMPLEFORMAT_IEEEFP;
  Save("tiff", "float-refused.tif", WriteWithLibtiff(refused));
  refused.bits = 8;
  refused.sampleFormat = SAMPLEFORMAT_UINT;
  refused.width = refused.height = 16;
  refused.compression = COMPRESSION_JPEG;
  Save("tiff", "jpeg-compression-refused.tif", WriteWithLibtiff(refused));

  // LZW strips as the decoder sees them.
  TiffRecipe lzw;
  lzw.compression = COMPRESSION_LZW;
  lzw.width = 40;
  lzw.height = 20;
  SaveLzwStrips("gray8", lzw);
  lzw.width = 96;
  lzw.height = 64;
  lzw.samples = 3;
  lzw.photometric = PHOTOMETRIC_RGB;
  SaveLzwStrips("rgb8-long", lzw);  // more than 4094 codes: width 12 and a clear code
  lzw.predictor = 2;
  lzw.width = 30;
  lzw.height = 10;
  SaveLzwStrips("rgb8-predictor", lzw);

  // JPEG: colour, gray, progressive, subsampled, restarts, profiles, Exif.
  JpegRecipe j;
  j.density = 300;
  Save("jpeg", "rgb.jpg", WriteJpeg(j));
  j.space = JCS_GRAYSCALE;
  Save("jpeg", "gray.jpg", WriteJpeg(j));
  j.space = JCS_RGB;
  j.progressive = true;
  j.width = 24;
  j.height = 16;
  Save("jpeg", "progressive.jpg", WriteJpeg(j));
  j.progressive = false;
  j.subsampled = true;
  j.restart = 1;
  Save("jpeg", "subsampled-restarts.jpg", WriteJpeg(j));
  JpegRecipe withProfile;
  withProfile.app2 = IccChunks(gamma18, 1, 1);
  Save("jpeg", "profile-one-chunk.jpg", WriteJpeg(withProfile));
  withProfile.app2 = IccChunks(gamma18, 3, 3);
  Save("jpeg", "profile-three-chunks.jpg", WriteJpeg(withProfile));
  withProfile.app2 = IccChunks(gamma18, 2, 1);
  Save("jpeg", "profile-first-of-two.jpg", WriteJpeg(withProfile));
  JpegRecipe exif;
  exif.app1 = {ExifResolution(false, 2)};
  Save("jpeg", "exif-ii.jpg", WriteJpeg(exif));
  exif.app1 = {ExifResolution(true, 3)};
  Save("jpeg", "exif-mm-centimetres.jpg", WriteJpeg(exif));
  JpegRecipe cmyk;
  cmyk.space = JCS_CMYK;
  Save("jpeg", "cmyk-refused.jpg", WriteJpeg(cmyk));

  // Design files.
  Save("settings", "default.Passavue", DesignFile('.'));
  Save("settings", "comma.Passavue", DesignFile(','));
  Save("settings", "mixed.Passavue",
       Text("passavue 1.0\r\n\r\nFRAME 3 1 10 20 30 18 16 1 0.5 1.25 1.25 1 1\n"
            "mat 2 1 \"0.5\" 0,5 50% 1e-1 0.055 2 1 2 3 1 4 5 6 0\rmat 1\nmat\tx\nlighting 2\n"
            "background 1.2 -1 2147483648 99999999999\nborder .25\nwhatever 1 2 3\nend\n"));
  Save("settings", "no-end-refused.Passavue",
       Text("Passavue 1.0\nlighting 1 1\nmat 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n"));
  Save("settings", "long-line.Passavue",
       Text("Passavue 1.0\nbackground " + std::string(300, '7') + " 1 2 3\nborder 1 2 3 4 5 6 7\nend\n"));

  // Monitor profiles.
  Save("colorimetry", "gamma22.icc", GammaProfile(2.2));
  Save("colorimetry", "gamma18.icc", gamma18);
  Save("colorimetry", "sampled.icc", SampledProfile());
  Save("colorimetry", "parametric-v4.icc", ParametricProfile());
  Save("colorimetry", "srgb-lcms.icc", SaveProfile(cmsCreate_sRGBProfile()));
  cmsToneCurve* grayCurve = cmsBuildGamma(nullptr, 2.2);
  Save("colorimetry", "gray.icc", SaveProfile(cmsCreateGrayProfile(cmsD50_xyY(), grayCurve)));
  cmsFreeToneCurve(grayCurve);
  Save("colorimetry", "srgb.icc", Bytes(SrgbProfileBytes(), SrgbProfileBytes() + kSrgbProfileLength));

  // Typed lengths, numbers and token lines. The first byte: units (bits 0-1),
  // comma separator (bit 2), strip (bit 3), precision (bits 5-7).
  const std::vector<std::string> lengths = {"2",    "2 in",  "2in",    "2IN",   "50.8mm", "50.8 MM", "5 cm",
                                            "25.4", "in",    "2 inch", "3 m",   "1,5",    "1.5.0",   ".",
                                            "1e3",  "1 1/2", "3/8",    "1-1/2", "1/0",    ""};
  for (size_t i = 0; i < lengths.size(); ++i) {
    Save("text", "length-" + std::to_string(i), TextSeed(static_cast<uint8_t>(i % 3), lengths[i]));
  }
  const std::vector<std::string> numbers = {"-12",    "+2147483648", "4294967297",
                                            "12%",    "1.5e-3",      "1E+12",
                                            "0.0550", "-0.0000",     "99999999999999999999.5",
                                            "1%5%"};
  for (size_t i = 0; i < numbers.size(); ++i) {
    Save("text", "number-" + std::to_string(i), TextSeed(static_cast<uint8_t>(0x84 + (i << 5)), numbers[i]));
  }
  Save("text", "tokens", TextSeed(0, "mat 0 \"quoted token\" plain\ttab \"\" " + std::string(300, 'x')));
  Save("text", "format", TextSeed(0, "%d %f %3f %z2f %s %c %% \\n %7f end"));

  std::printf("%d seed files in %s\n", g_written, g_root.c_str());
  return 0;
}

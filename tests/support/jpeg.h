// JPEG files written and decoded by libjpeg, for tests of the JPEG reader
// and of picture import.
#pragma once

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/files.h"

struct JpegRecipe {
  int width = 16, height = 8;
  J_COLOR_SPACE space = JCS_RGB;  // or JCS_GRAYSCALE, JCS_CMYK
  bool jfif = true;
  bool progressive = false;
  int densityUnit = 0, density = 1;       // JFIF: 0 none, 1 per inch, 2 per cm
  int verticalDensity = 0;                // when not the same
  std::vector<FileBytes> app1{}, app2{};  // whole payloads, in file order
};

inline void WriteJpeg(const std::string& path, const JpegRecipe& recipe) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  const int components = recipe.space == JCS_GRAYSCALE ? 1 : (recipe.space == JCS_CMYK ? 4 : 3);
  cinfo.image_width = recipe.width, cinfo.image_height = recipe.height;
  cinfo.input_components = components, cinfo.in_color_space = recipe.space;
  jpeg_set_defaults(&cinfo);
  if (recipe.progressive) jpeg_simple_progression(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  cinfo.write_JFIF_header = recipe.jfif;
  cinfo.density_unit = static_cast<UINT8>(recipe.densityUnit);
  cinfo.X_density = static_cast<UINT16>(recipe.density);
  cinfo.Y_density =
      static_cast<UINT16>(recipe.verticalDensity != 0 ? recipe.verticalDensity : recipe.density);
  jpeg_start_compress(&cinfo, TRUE);
  for (int app : {1, 2})
    for (const FileBytes& p : app == 1 ? recipe.app1 : recipe.app2)
      jpeg_write_marker(&cinfo, JPEG_APP0 + app, p.data(), static_cast<unsigned>(p.size()));
  FileBytes row(static_cast<size_t>(recipe.width) * components);
  while (cinfo.next_scanline < cinfo.image_height) {
    for (size_t i = 0; i < row.size(); ++i)  // sample c of pixel x: 7x + 5y + 60c
      row[i] = static_cast<uint8_t>(i / components * 7 + cinfo.next_scanline * 5 + i % components * 60);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(file);
}

// libjpeg's own decode: RGB or gray samples, top row first.
inline FileBytes DecodeWithLibjpeg(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = cinfo.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const size_t stride = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
  FileBytes samples(stride * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[1] = {samples.data() + stride * cinfo.output_scanline};
    jpeg_read_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  return samples;
}

// An APP2 payload carrying one ICC chunk.
inline FileBytes IccChunk(uint8_t sequence, uint8_t count, const FileBytes& data,
                          const char* id = "ICC_PROFILE") {
  FileBytes payload(id, id + 12);  // with its terminating zero
  payload.insert(payload.end(), {sequence, count});
  payload.insert(payload.end(), data.begin(), data.end());
  return payload;
}

// An APP1 Exif payload whose first directory (at `directory`) holds the
// entries; a short value sits in the first two of its four value bytes. A
// directory offset past 64 KB is only claimed: the entries follow the header.
struct ExifEntry {
  uint16_t tag, type;
  uint32_t count, value;
};
inline FileBytes ExifBlock(bool bigEndian, const std::vector<ExifEntry>& entries, uint32_t directory = 8) {
  FileBytes p = {'E', 'x', 'i', 'f', 0, 0};
  auto put = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) p.push_back(uint8_t(v >> (8 * (bigEndian ? n - 1 - i : i))));
  };
  p.push_back(bigEndian ? 'M' : 'I'), p.push_back(bigEndian ? 'M' : 'I'), put(42, 2), put(directory, 4);
  if (directory < 0x10000) p.resize(std::max<size_t>(p.size(), 6 + size_t{directory}));
  put(static_cast<uint32_t>(entries.size()), 2);
  for (const ExifEntry& e : entries) {
    put(e.tag, 2), put(e.type, 2), put(e.count, 4);
    put(e.type == 3 && bigEndian ? e.value << 16 : e.value, 4);
  }
  put(0, 4);
  return p;
}

// Rewrites the width and height in a file's baseline or progressive frame header.
inline void PatchFrameSize(const std::string& path, uint16_t width, uint16_t height) {
  FileBytes file = ReadAll(path);
  for (size_t i = 2; i + 9 < file.size(); ++i) {
    if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
      file[i + 5] = uint8_t(height >> 8), file[i + 6] = uint8_t(height);
      file[i + 7] = uint8_t(width >> 8), file[i + 8] = uint8_t(width);
      return WriteAll(path, file);
    }
  }
  FAIL() << "no frame header in " << path;
}

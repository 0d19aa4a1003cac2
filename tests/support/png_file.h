// PNG files put together chunk by chunk with zlib, for damaged-file tests
// that need no tool outside the build.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

inline void AppendBigEndian32(std::vector<uint8_t>* out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(v >> shift));
}

inline void AppendPngChunk(std::vector<uint8_t>* out, const std::string& type,
                           const std::vector<uint8_t>& data) {
  AppendBigEndian32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out->size();
  out->insert(out->end(), type.begin(), type.end());
  out->insert(out->end(), data.begin(), data.end());
  AppendBigEndian32(out, static_cast<uint32_t>(crc32(0, out->data() + start, uInt(4 + data.size()))));
}

// A non-interlaced picture with a byte pattern as its samples, whose header
// may claim a larger square than the data holds.
struct PngRecipe {
  uint32_t width = 5, height = 3;
  uint8_t depth = 8, colorType = 2;  // 0 gray, 2 RGB, 4 gray + alpha, 6 RGBA
  uint32_t claimedSide = 0;          // 0: the true sides
};

inline std::vector<uint8_t> MakePng(const PngRecipe& recipe) {
  // Bit 2 of the colour type adds colour, bit 4 alpha.
  const uint32_t channels = (recipe.colorType & 2 ? 3 : 1) + (recipe.colorType & 4 ? 1 : 0);
  const size_t rowBytes = (size_t{recipe.width} * channels * recipe.depth + 7) / 8;
  std::vector<uint8_t> raw, header, file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (uint32_t y = 0; y < recipe.height; ++y) {
    raw.push_back(0);  // no filter
    for (size_t i = 0; i < rowBytes; ++i) raw.push_back(static_cast<uint8_t>(i * 29 + y * 71 + 13));
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()));
  packed.resize(packedSize);
  for (uint32_t side : {recipe.width, recipe.height})
    AppendBigEndian32(&header, recipe.claimedSide != 0 ? recipe.claimedSide : side);
  header.insert(header.end(), {recipe.depth, recipe.colorType, 0, 0, 0});
  AppendPngChunk(&file, "IHDR", header);
  AppendPngChunk(&file, "IDAT", packed);
  AppendPngChunk(&file, "IEND", {});
  return file;
}

// PNG files put together chunk by chunk with zlib, for damaged-file tests
// and fuzz seeds that need no tool outside the build.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <utility>
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
  AppendBigEndian32(out,
                    static_cast<uint32_t>(crc32(0, out->data() + start, static_cast<uInt>(4 + data.size()))));
}

// A non-interlaced picture with a byte pattern as its samples; `chunks` go
// between the header and the data (PLTE, tRNS, pHYs, iCCP, ...).
struct PngRecipe {
  uint32_t width = 5, height = 3;
  uint8_t depth = 8, colorType = 2;  // 0 gray, 2 RGB, 3 palette, 4 gray + alpha, 6 RGBA
  std::vector<std::pair<std::string, std::vector<uint8_t>>> chunks;
};

inline std::vector<uint8_t> MakePng(const PngRecipe& recipe) {
  const uint32_t channels = recipe.colorType == 2   ? 3
                            : recipe.colorType == 4 ? 2
                            : recipe.colorType == 6 ? 4
                                                    : 1;
  const size_t rowBytes = (size_t{recipe.width} * channels * recipe.depth + 7) / 8;
  std::vector<uint8_t> raw;
  for (uint32_t y = 0; y < recipe.height; ++y) {
    raw.push_back(0);  // no filter
    for (size_t i = 0; i < rowBytes; ++i) raw.push_back(static_cast<uint8_t>(i * 29 + y * 71 + 13));
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()));
  packed.resize(packedSize);
  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  AppendBigEndian32(&header, recipe.width);
  AppendBigEndian32(&header, recipe.height);
  header.insert(header.end(), {recipe.depth, recipe.colorType, 0, 0, 0});
  AppendPngChunk(&file, "IHDR", header);
  for (const auto& [type, data] : recipe.chunks) AppendPngChunk(&file, type, data);
  AppendPngChunk(&file, "IDAT", packed);
  AppendPngChunk(&file, "IEND", {});
  return file;
}

// Claims another size in the header, with its checksum made good again.
inline void ClaimPngSize(std::vector<uint8_t>* file, uint32_t width, uint32_t height) {
  std::vector<uint8_t> header;
  AppendBigEndian32(&header, width);
  AppendBigEndian32(&header, height);
  header.insert(header.end(), file->begin() + 24, file->begin() + 29);
  std::vector<uint8_t> rebuilt(file->begin(), file->begin() + 8);
  AppendPngChunk(&rebuilt, "IHDR", header);
  rebuilt.insert(rebuilt.end(), file->begin() + 33, file->end());
  *file = std::move(rebuilt);
}

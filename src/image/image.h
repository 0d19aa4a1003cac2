// The one raster type: bottom-up rows, blue-green-red pixels, storage split
// into chunks of at most 256000 bytes reached through a row table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

enum PixelType : int32_t {
  Bilevel = 1,  // 1 bit per pixel, most significant bit first, 1 = white
  Gray8 = 2,
  Rgb8 = 3,    // bytes blue, green, red
  Gray16 = 4,  // native byte order
  Rgb16 = 5,   // samples blue, green, red, native byte order
};

constexpr int32_t kChunkBytes = 256000;

struct UnmapRegion {
  size_t bytes = 0;
  void operator()(uint8_t* region) const;
};

// The memory an image's chunks are carved from. Large images take one mapped
// region for all of them (so the system can back it with huge pages); the
// others one block per chunk from the general allocator.
struct ChunkMemory {
  std::unique_ptr<uint8_t, UnmapRegion> region;
  std::unique_ptr<std::unique_ptr<uint8_t[]>[]> blocks;
};

// Every field of an image, listed once. Image moves them all together.
struct ImageFields {
  int32_t type = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t rowBytes = 0;              // multiple of 4
  double resolution = 0.0;           // pixels per inch, 0 when unset
  std::unique_ptr<uint8_t*[]> rows;  // rows[0] is the bottom row
  int32_t chunkCount = 0;
  int32_t rowsPerChunk = 0;
  std::unique_ptr<uint8_t*[]> chunks;  // where each chunk starts
  ChunkMemory memory;                  // what rows and chunks point into
};

// Owns its storage: freed when it goes out of scope, moved but never copied
// implicitly (CopyImage is the copy). All fields zero is the empty image.
// A moved-from image is empty, not a shape without rows, so that AllocImage
// never mistakes it for storage it could reuse.
struct Image : ImageFields {
  Image() = default;
  Image(Image&& other) noexcept : ImageFields(std::exchange<ImageFields>(other, {})) {}
  Image& operator=(Image&& other) noexcept {
    if (this != &other) ImageFields::operator=(std::exchange<ImageFields>(other, {}));
    return *this;
  }

  bool HasPixels() const { return rows != nullptr; }
  // Row r (0 = bottom). The caller keeps r within 0 .. height - 1.
  uint8_t* Row(int32_t r) const;
};

// Rows lent out for writing in place: a rectangle of an image, or a whole
// one, seen as a picture of its own. Owns nothing; the image must outlive it.
struct ImageView {
  int32_t type = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint8_t* const* rows = nullptr;  // the image's row table from the view's bottom row
  size_t firstByte = 0;            // where the view starts within each of those rows

  uint8_t* Row(int32_t r) const { return rows[r] + firstByte; }
};

ImageView ViewOf(Image& image);
// The pixels x0 .. x0 + width - 1 of rows y0 .. y0 + height - 1 of a
// byte-addressed image; an empty view when that is not all inside it.
ImageView ViewOf(Image& image, int32_t x0, int32_t y0, int32_t width, int32_t height);

// 0 on success, 1 when memory ran out (the image is then empty).
int AllocImage(Image* image, int32_t type, int32_t width, int32_t height, double resolution);
void FreeImage(Image* image);
int CopyImage(const Image& source, Image* destination);

int32_t RowBytesFor(int64_t unroundedBytes);
// Unrounded bytes of one row of the given type, or -1 for an unknown type.
int64_t UnroundedRowBytes(int32_t type, int32_t width);
// Bytes per pixel of the byte-addressed types (0 for Bilevel and unknown types).
int32_t BytesPerPixel(int32_t type);

inline int GetBit(const uint8_t* row, int32_t x) { return (row[x >> 3] & (0x80 >> (x & 7))) ? 1 : 0; }
inline void SetBit(uint8_t* row, int32_t x) {
  row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
}
inline void ClearBit(uint8_t* row, int32_t x) {
  row[x >> 3] = static_cast<uint8_t>(row[x >> 3] & ~(0x80 >> (x & 7)));
}

// The one raster type: bottom-up rows, blue-green-red pixels, storage split
// into chunks of at most 256000 bytes reached through a row table.
#pragma once

#include <cstddef>
#include <cstdint>

enum PixelType : int32_t {
  Bilevel = 1,  // 1 bit per pixel, most significant bit first, 1 = white
  Gray8 = 2,
  Rgb8 = 3,     // bytes blue, green, red
  Gray16 = 4,   // native byte order
  Rgb16 = 5,    // samples blue, green, red, native byte order
};

constexpr int32_t kChunkBytes = 256000;

// Owns its storage: freed when it goes out of scope, moved but never copied
// implicitly (CopyImage is the copy). All fields zero is the empty image.
struct Image {
  int32_t type = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t rowBytes = 0;       // multiple of 4
  double resolution = 0.0;    // pixels per inch, 0 when unset
  uint8_t** rows = nullptr;   // rows[0] is the bottom row
  int32_t chunkCount = 0;
  int32_t rowsPerChunk = 0;
  uint8_t** chunks = nullptr;
  // Large images take their chunks from one mapped region (so the system can
  // back it with huge pages); the chunks are then carved from it, not freed one
  // by one. Null for chunks from the general allocator.
  void* pool = nullptr;
  size_t poolBytes = 0;

  Image() = default;
  ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  Image(Image&& other) noexcept;
  Image& operator=(Image&& other) noexcept;

  bool HasPixels() const { return rows != nullptr; }
  // Row r (0 = bottom). The caller keeps r within 0 .. height - 1.
  uint8_t* Row(int32_t r) const;
};

// 0 on success, 1 when memory ran out (the image is then empty).
int AllocImage(Image* image, int32_t type, int32_t width, int32_t height, double resolution);
void FreeImage(Image* image);
// Forgets the storage without releasing it; only for records that never owned any.
void ResetImage(Image* image);
int CopyImage(const Image& source, Image* destination);

int32_t RowBytesFor(int64_t unroundedBytes);
// Unrounded bytes of one row of the given type, or -1 for an unknown type.
int64_t UnroundedRowBytes(int32_t type, int32_t width);
// Bytes per pixel of the byte-addressed types (0 for Bilevel and unknown types).
int32_t BytesPerPixel(int32_t type);

inline int GetBit(const uint8_t* row, int32_t x) { return (row[x >> 3] & (0x80 >> (x & 7))) ? 1 : 0; }
inline void SetBit(uint8_t* row, int32_t x) { row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | (0x80 >> (x & 7))); }
inline void ClearBit(uint8_t* row, int32_t x) { row[x >> 3] = static_cast<uint8_t>(row[x >> 3] & ~(0x80 >> (x & 7))); }

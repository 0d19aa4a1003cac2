#include "image/image.h"

#include <sys/mman.h>

#include <cassert>
#include <cstring>
#include <new>
#include <utility>

namespace {
// Images at least this large take their chunks from one mapped region.
constexpr size_t kPoolBytes = size_t{32} << 20;
}  // namespace

void UnmapRegion::operator()(uint8_t* region) const { ::munmap(region, bytes); }

uint8_t* Image::Row(int32_t r) const {
  assert(rows != nullptr && r >= 0 && r < height);
  return rows[r];
}

int32_t RowBytesFor(int64_t unroundedBytes) {
  int64_t rounded = (unroundedBytes + 3) & ~static_cast<int64_t>(3);
  return rounded > 0x7FFFFFFC ? 0x7FFFFFFC : static_cast<int32_t>(rounded);
}

int64_t UnroundedRowBytes(int32_t type, int32_t width) {
  int64_t w = width;
  switch (type) {
    case Bilevel:
      return (w + 7) / 8;
    case Gray8:
      return w;
    case Rgb8:
      return 3 * w;
    case Gray16:
      return 2 * w;
    case Rgb16:
      return 6 * w;
    default:
      return -1;
  }
}

int32_t BytesPerPixel(int32_t type) {
  switch (type) {
    case Gray8:
      return 1;
    case Rgb8:
      return 3;
    case Gray16:
      return 2;
    case Rgb16:
      return 6;
    default:
      return 0;
  }
}

void FreeImage(Image* image) { *image = Image(); }

ImageView ViewOf(Image& image) {
  if (!image.HasPixels()) return ImageView();
  return ImageView{image.type, image.width, image.height, image.rows.get(), 0};
}

ImageView ViewOf(Image& image, int32_t x0, int32_t y0, int32_t width, int32_t height) {
  const int32_t bytes = BytesPerPixel(image.type);
  if (!image.HasPixels() || bytes == 0 || x0 < 0 || y0 < 0 || width < 1 || height < 1 ||
      width > image.width - x0 || height > image.height - y0)
    return ImageView();
  return ImageView{image.type, width, height, image.rows.get() + y0, static_cast<size_t>(x0) * bytes};
}

int AllocImage(Image* image, int32_t type, int32_t width, int32_t height, double resolution) {
  if (image->type == type && image->width == width && image->height == height) {
    image->resolution = resolution;
    return 0;
  }
  FreeImage(image);
  image->type = type;
  image->width = width;
  image->height = height;
  image->resolution = resolution;

  int64_t unrounded = UnroundedRowBytes(type, width);
  if (unrounded < 0) return 0;  // unknown type: shape without storage
  if (width <= 0) return 0;
  if (unrounded > kChunkBytes) {  // one row would not fit a chunk
    if (height <= 0) return 0;    // but there are no rows to store
    FreeImage(image);
    return 1;
  }
  const int32_t rowBytes = RowBytesFor(unrounded);
  image->rowBytes = rowBytes;
  if (height <= 0) return 0;

  image->rows.reset(new (std::nothrow) uint8_t*[static_cast<size_t>(height)]);
  if (image->rows == nullptr) {
    FreeImage(image);
    return 1;
  }
  const int32_t rowsPerChunk = kChunkBytes / rowBytes;
  if (rowsPerChunk == 0) {
    FreeImage(image);
    return 1;
  }
  image->rowsPerChunk = rowsPerChunk;
  const int32_t chunkCount =
      static_cast<int32_t>((static_cast<int64_t>(rowsPerChunk) + height - 1) / rowsPerChunk);
  int32_t lastRows = height % rowsPerChunk;
  if (lastRows == 0) lastRows = rowsPerChunk;

  image->chunks.reset(new (std::nothrow) uint8_t*[static_cast<size_t>(chunkCount)]);
  if (image->chunks == nullptr) {
    FreeImage(image);
    return 1;
  }
  image->chunkCount = chunkCount;
  const size_t chunkBytes = static_cast<size_t>(rowsPerChunk) * rowBytes;
  const size_t totalBytes = static_cast<size_t>(height) * rowBytes;
  ChunkMemory& memory = image->memory;
  if (totalBytes >= kPoolBytes) {
    // One region for all chunks, in chunk order: a 20000 x 20000 composite
    // then costs a few hundred page faults instead of three hundred thousand.
    void* region = ::mmap(nullptr, totalBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region != MAP_FAILED) {
      ::madvise(region, totalBytes, MADV_HUGEPAGE);
      memory.region =
          std::unique_ptr<uint8_t, UnmapRegion>(static_cast<uint8_t*>(region), UnmapRegion{totalBytes});
      for (int32_t i = 0; i < chunkCount; ++i) image->chunks[i] = memory.region.get() + i * chunkBytes;
    }
  }
  if (memory.region == nullptr) {
    memory.blocks.reset(new (std::nothrow) std::unique_ptr<uint8_t[]>[static_cast<size_t>(chunkCount)]);
    if (memory.blocks == nullptr) {
      FreeImage(image);
      return 1;
    }
    for (int32_t i = 0; i < chunkCount; ++i) {
      const int32_t chunkRows = (i == chunkCount - 1) ? lastRows : rowsPerChunk;
      memory.blocks[i].reset(new (std::nothrow) uint8_t[static_cast<size_t>(chunkRows) * rowBytes]);
      if (memory.blocks[i] == nullptr) {
        FreeImage(image);
        return 1;
      }
      image->chunks[i] = memory.blocks[i].get();
    }
  }

  int32_t chunk = 0;
  int32_t within = 0;
  for (int32_t r = 0; r < height; ++r) {
    image->rows[r] = image->chunks[chunk] + static_cast<size_t>(within) * rowBytes;
    if (++within == rowsPerChunk) {
      within = 0;
      ++chunk;
    }
  }
  return 0;
}

int CopyImage(const Image& source, Image* destination) {
  if (&source == destination) return 0;
  int result = AllocImage(destination, source.type, source.width, source.height, source.resolution);
  if (result != 0) return result;
  if (source.rows == nullptr || destination->rows == nullptr) return 0;
  for (int32_t r = 0; r < source.height; ++r) {
    std::memcpy(destination->rows[r], source.rows[r], static_cast<size_t>(source.rowBytes));
  }
  return 0;
}

#include "files/png_write.h"

#include <png.h>

#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "core/hooks.h"
#include "core/icc.h"

namespace {

constexpr size_t kOutputBytes = size_t{1} << 18;
// Fast deflate with the Sub filter: walls and mats are smooth, so this
// keeps most of the gain of the slow settings at a fraction of their time
// on a picture of 400 million pixels.
constexpr int kCompressionLevel = 3;

// Everything the encoder touches lives here, outside the frame that calls
// setjmp, so a jump back from the library leaves nothing half-known behind.
struct EncodeJob {
  std::jmp_buf jump;
  png_structp png;
  png_infop info;
  FileHandle* file = nullptr;  // the caller's, open for the whole run
  uint8_t* buffer;
  size_t used;
  bool writeFailed;
  bool outOfMemory;
};

[[noreturn]] void JumpOnError(png_structp png, png_const_charp) {
  std::longjmp(static_cast<EncodeJob*>(png_get_error_ptr(png))->jump, 1);
}

void SilenceWarning(png_structp, png_const_charp) {}

// Our own allocation hooks, so that running out of memory is told apart
// from the library's other complaints.
png_voidp Allocate(png_structp png, png_alloc_size_t size) {
  void* memory = std::malloc(size);
  if (memory == nullptr) static_cast<EncodeJob*>(png_get_mem_ptr(png))->outOfMemory = true;
  return memory;
}

void Release(png_structp, png_voidp memory) { std::free(memory); }

int Flush(EncodeJob* job) {
  uint32_t n = static_cast<uint32_t>(job->used);
  job->used = 0;
  if (WriteBytes(*job->file, &n, job->buffer) != 0) {
    job->writeFailed = true;
    return 1;
  }
  return 0;
}

// libpng writes each chunk in small pieces (length, type, data, check sum);
// they are gathered so the file sees few large writes.
void WriteData(png_structp png, png_bytep data, size_t length) {
  auto* job = static_cast<EncodeJob*>(png_get_io_ptr(png));
  while (length > 0) {
    size_t n = kOutputBytes - job->used;
    if (n > length) n = length;
    std::memcpy(job->buffer + job->used, data, n);
    job->used += n;
    data += n;
    length -= n;
    if (job->used == kOutputBytes && Flush(job) != 0) png_error(png, "write failed");
  }
}

void FlushData(png_structp png) {
  auto* job = static_cast<EncodeJob*>(png_get_io_ptr(png));
  if (job->used > 0 && Flush(job) != 0) png_error(png, "write failed");
}

png_uint_32 PixelsPerMetre(double resolution) {
  if (!(resolution > 0.0)) return 0;
  const double perMetre = std::round(resolution / 0.0254);
  return perMetre >= 2147483647.0 ? 2147483647u : static_cast<png_uint_32>(perMetre);
}

// Only trivially destructible locals live in this frame, so a longjmp out of
// the library cannot skip a destructor.
int RunEncode(EncodeJob* job, const Image& image) {
  if (setjmp(job->jump) != 0) return 1;
  png_structp png = job->png;
  png_infop info = job->info;
  png_set_write_fn(png, job, WriteData, FlushData);
  // The profile is the standard one; the library's comparison with its own
  // list of sRGB profiles would only cost time.
  png_set_option(png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
  png_set_compression_level(png, kCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_compression_buffer_size(png, kOutputBytes);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  const png_uint_32 density = PixelsPerMetre(image.resolution);
  if (density > 0) png_set_pHYs(png, info, density, density, PNG_RESOLUTION_METER);
  png_set_iCCP(png, info, "sRGB IEC61966-2.1", PNG_COMPRESSION_TYPE_BASE, SrgbProfileBytes(),
               kSrgbProfileLength);
  png_write_info(png, info);
  png_set_bgr(png);  // the Image keeps blue first

  // The file's first row is the picture's top row: Image row height - 1.
  const int32_t height = image.height;
  const int32_t step = height / 100 > 1 ? height / 100 : 1;
  for (int32_t y = 0; y < height; ++y) {
    png_write_row(png, image.rows[height - 1 - y]);
    if ((y + 1) % step == 0 || y + 1 == height) ReportProgress(y + 1, height);
  }
  png_write_end(png, nullptr);
  // png_write_flush does nothing once every row is written.
  FlushData(png);
  return 0;
}

}  // namespace

int WritePng(FileHandle& file, const Image& image) {
  if (image.type != Rgb8 || image.width < 1 || image.height < 1 || image.rows == nullptr) return 1;
  std::unique_ptr<EncodeJob> job(new (std::nothrow) EncodeJob());
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kOutputBytes]);
  if (job) {
    job->png = png_create_write_struct_2(PNG_LIBPNG_VER_STRING, job.get(), JumpOnError, SilenceWarning,
                                         job.get(), Allocate, Release);
    job->info = job->png != nullptr ? png_create_info_struct(job->png) : nullptr;
  }
  if (!job || !buffer || job->info == nullptr) {
    if (job && job->png != nullptr) png_destroy_write_struct(&job->png, nullptr);
    RecordFileError(ENOMEM);
    return 1;
  }
  job->file = &file;
  job->buffer = buffer.get();
  ReportProgress(0, image.height);
  const int result = RunEncode(job.get(), image);
  if (result != 0 && !job->writeFailed && job->outOfMemory) RecordFileError(ENOMEM);
  png_destroy_write_struct(&job->png, &job->info);
  return result;
}

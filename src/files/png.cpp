#include "files/png.h"

#include <png.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

#include "files/color.h"

namespace {

// Everything the read touches lives here, outside the frame that calls
// setjmp, so a jump back from the library leaves nothing half-known behind.
struct ReadJob {
  png_structp png = nullptr;
  png_infop info = nullptr;
  FileHandle* file = nullptr;  // the caller's, open for the whole run
  Image* destination = nullptr;
  std::unique_ptr<uint8_t[]> transparent;  // rows still holding their alpha
  uint64_t refusedBytes = 0;
  uint32_t width = 0, height = 0;
};

constexpr png_uint_32 kMaxPngSide = 1000000;

[[noreturn]] void JumpOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Warnings (a damaged ancillary chunk, which the library drops) are not
// shown: the picture still reads.
void SilenceWarning(png_structp, png_const_charp) {}

void ReadFromFile(png_structp png, png_bytep data, size_t length) {
  auto* job = static_cast<ReadJob*>(png_get_io_ptr(png));
  while (length > 0) {
    uint32_t n = static_cast<uint32_t>(std::min<size_t>(length, uint32_t{1} << 30));
    if (ReadBytes(*job->file, &n, data) != 0 || n == 0) png_error(png, "Read Error");
    data += n;
    length -= n;
  }
}

// Over white: each sample becomes v * a + max * (max - a), divided by max
// and rounded. The largest sum, max * max + max / 2, still fits 32 bits.
template <typename Sample, int Colors>
void CompositeOverWhite(const uint8_t* from, uint8_t* to, uint32_t width) {
  constexpr uint32_t kMax = static_cast<Sample>(~Sample{0});
  for (uint32_t x = 0; x < width; ++x) {
    Sample pixel[Colors + 1];
    std::memcpy(pixel, from, sizeof pixel);
    const uint32_t a = pixel[Colors];
    for (int c = 0; c < Colors; ++c) {
      pixel[c] = static_cast<Sample>((pixel[c] * a + kMax * (kMax - a) + kMax / 2) / kMax);
    }
    std::memcpy(to, pixel, Colors * sizeof(Sample));
    from += sizeof pixel;
    to += Colors * sizeof(Sample);
  }
}

void CompositeRow(int32_t type, const uint8_t* from, uint8_t* to, uint32_t width) {
  switch (type) {
    case Gray8:
      CompositeOverWhite<uint8_t, 1>(from, to, width);
      break;
    case Gray16:
      CompositeOverWhite<uint16_t, 1>(from, to, width);
      break;
    case Rgb8:
      CompositeOverWhite<uint8_t, 3>(from, to, width);
      break;
    case Rgb16:
      CompositeOverWhite<uint16_t, 3>(from, to, width);
      break;
    default:
      break;
  }
}

double ResolutionOf(png_structp png, png_infop info) {
  png_uint_32 x = 0, y = 0;
  int unit = PNG_RESOLUTION_UNKNOWN;
  if (png_get_pHYs(png, info, &x, &y, &unit) != 0 && unit == PNG_RESOLUTION_METER) {
    const double perInch = x * 0.0254;
    if (perInch > 0.0 && perInch < 1.0e6) return perInch;
  }
  return 96.0;
}

// Only trivially destructible locals live in this frame, so a longjmp out of
// the library cannot skip a destructor.
int RunRead(ReadJob* job) {
  png_structp png = job->png;
  png_infop info = job->info;
  if (setjmp(png_jmpbuf(png)) != 0) return 1;
  png_set_read_fn(png, job, ReadFromFile);
  // Wider or taller claims are refused as damaged by the library itself.
  png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
  png_read_info(png, info);
  job->width = png_get_image_width(png, info);
  job->height = png_get_image_height(png, info);
  // Palette to RGB, 1, 2 and 4-bit gray to 8 bits, tRNS to an alpha channel;
  // colour in the Image's blue-green-red order, 16-bit samples native.
  png_set_expand(png);
  if ((png_get_color_type(png, info) & PNG_COLOR_MASK_COLOR) != 0) png_set_bgr(png);
  if (png_get_bit_depth(png, info) == 16 && std::endian::native == std::endian::little) png_set_swap(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const int colorType = png_get_color_type(png, info);
  const int depth = png_get_bit_depth(png, info);
  if (depth != 8 && depth != 16) return 1;
  const bool color = (colorType & PNG_COLOR_MASK_COLOR) != 0;
  const bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
  const int32_t type = color ? (depth == 16 ? Rgb16 : Rgb8) : (depth == 16 ? Gray16 : Gray8);
  const uint64_t width = job->width, height = job->height;
  const uint64_t rowBytes = png_get_rowbytes(png, info);

  // Checked before anything of picture size is allocated. With sides of at
  // most a million pixels none of these products overflows.
  const uint64_t pixelBytes = static_cast<uint64_t>(BytesPerPixel(type));
  const uint64_t pictureBytes = (pixelBytes * width + 3) / 4 * 4 * height;
  const uint64_t transparentBytes = alpha ? (passes > 1 ? rowBytes * height : rowBytes) : 0;
  const uint64_t copyBytes = type == Rgb8 ? 0 : 3 * width * height;
  const uint64_t needed = pictureBytes + std::max(transparentBytes, copyBytes);
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) return 1;
  if (needed > kMaxPngBytes) {
    job->refusedBytes = needed;
    return 1;
  }
  Image* destination = job->destination;
  // The rows as the library hands them over: the Image's pixels, with an
  // alpha sample after each when there is one.
  if (rowBytes != (pixelBytes + (alpha ? depth / 8 : 0)) * width) return 1;
  if (AllocImage(destination, type, static_cast<int32_t>(width), static_cast<int32_t>(height),
                 ResolutionOf(png, info)) != 0) {
    return 1;
  }
  if (alpha) {
    job->transparent.reset(new (std::nothrow) uint8_t[transparentBytes]);
    if (!job->transparent) return 1;
  }

  // The file's first row is the picture's top row: Image row height - 1.
  // An interlaced picture fills every row once per pass, so its transparent
  // rows are all kept until the last pass.
  const int32_t h = static_cast<int32_t>(height);
  for (int pass = 0; pass < passes; ++pass) {
    for (int32_t y = 0; y < h; ++y) {
      uint8_t* destinationRow = destination->rows[h - 1 - y];
      if (!alpha) {
        png_read_row(png, destinationRow, nullptr);
      } else if (passes == 1) {
        png_read_row(png, job->transparent.get(), nullptr);
        CompositeRow(type, job->transparent.get(), destinationRow, job->width);
      } else {
        png_read_row(png, job->transparent.get() + rowBytes * static_cast<uint64_t>(y), nullptr);
      }
    }
  }
  if (alpha && passes > 1) {
    for (int32_t y = 0; y < h; ++y)
      CompositeRow(type, job->transparent.get() + rowBytes * static_cast<uint64_t>(y),
                   destination->rows[h - 1 - y], job->width);
  }
  // Whatever follows the last row (text, the end chunk) does not concern the
  // picture, so the file is not read to its end.
  return 0;
}

}  // namespace

int ReadPng(FileHandle& file, Image* destination, IccProfile* inputProfile, std::string* reason) {
  FreeImage(destination);
  IccProfile().swap(*inputProfile);
  if (reason != nullptr) reason->clear();
  ReadJob job;
  job.file = &file;
  job.destination = destination;
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, JumpOnError, SilenceWarning);
  if (job.png == nullptr) return 1;
  job.info = png_create_info_struct(job.png);
  int result = job.info == nullptr || SeekTo(file, 0) != 0 ? 1 : RunRead(&job);
  if (result == 0) {
    // The profile as the library kept it, which it checked and may have
    // dropped as damaged; the copy is ours before the library lets go.
    png_charp name = nullptr;
    int compression = 0;
    png_bytep bytes = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(job.png, job.info, &name, &compression, &bytes, &length) != 0 && bytes != nullptr) {
      try {
        inputProfile->assign(bytes, bytes + length);
      } catch (const std::bad_alloc&) {
        result = 1;
      }
    }
  }
  if (job.refusedBytes != 0 && reason != nullptr) {
    constexpr uint64_t kMegabyte = uint64_t{1} << 20;
    *reason = "The picture has " + std::to_string(job.width) + " x " + std::to_string(job.height) +
              " pixels and needs " + std::to_string((job.refusedBytes + kMegabyte - 1) / kMegabyte) +
              " MB to read; at most " + std::to_string(kMaxPngBytes / kMegabyte) + " MB can be used.";
  }
  png_destroy_read_struct(&job.png, job.info != nullptr ? &job.info : nullptr, nullptr);
  if (result != 0) {
    FreeImage(destination);
    IccProfile().swap(*inputProfile);
    return 1;
  }
  ConvertToWorkingSpace(destination, *inputProfile);
  return 0;
}

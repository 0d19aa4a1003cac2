// The TIFF writer: little-endian, one uncompressed strip and a fixed
// 17-entry directory, so the same picture always gives the same bytes.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "core/hooks.h"
#include "core/parallel.h"
#include "files/tiff.h"
#include "files/tiff_tags.h"

namespace {

constexpr uint32_t kEntryCount = 17;
constexpr uint32_t kDataStart = 8 + 2 + kEntryCount * 12 + 4;  // 218: out-of-line values follow the directory
constexpr size_t kBatchBytes = size_t{1} << 18;                // rows gathered per write, kept in cache

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// Lays out the header, the directory and the out-of-line values in memory;
// they are written in one piece.
class HeaderBuilder {
 public:
  HeaderBuilder() {
    bytes_.fill(0);
    bytes_[0] = 0x49;
    bytes_[1] = 0x49;
    Put16(&bytes_[2], 42);
    Put32(&bytes_[4], 8);
    Put16(&bytes_[8], kEntryCount);
  }

  // A single SHORT sits in the first two bytes of the value field.
  void Short(uint16_t tag, uint32_t value) { Entry(tag, kShort, 1, value); }
  void Long(uint16_t tag, uint32_t value) { Entry(tag, kLong, 1, value); }
  // More SHORTs than fit the value field go out of line.
  void Shorts(uint16_t tag, const uint16_t* values, uint32_t count) {
    uint8_t* p = Reserve(2 * count);
    for (uint32_t i = 0; i < count; ++i) Put16(p + 2 * i, values[i]);
    Entry(tag, kShort, count, dataOffset_ - 2 * count);
  }
  // RATIONALs are always out of line.
  void Rational(uint16_t tag, uint32_t numerator, uint32_t denominator) {
    uint8_t* p = Reserve(8);
    Put32(p, numerator);
    Put32(p + 4, denominator);
    Entry(tag, kRational, 1, dataOffset_ - 8);
  }
  void PatchLong(size_t entryIndex, uint32_t value) { Put32(&bytes_[10 + 12 * entryIndex + 8], value); }

  // Header, directory, next-directory word (0) and out-of-line values.
  uint32_t Size() const { return dataOffset_; }
  const uint8_t* Data() const { return bytes_.data(); }

 private:
  void Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    uint8_t* p = &bytes_[10 + 12 * entries_++];
    Put16(p, tag);
    Put16(p + 2, type);
    Put32(p + 4, count);
    if (type == kShort && count == 1)
      Put16(p + 8, value);
    else
      Put32(p + 8, value);
  }
  uint8_t* Reserve(uint32_t size) {
    uint8_t* p = &bytes_[dataOffset_];
    dataOffset_ += size;
    return p;
  }

  std::array<uint8_t, 256> bytes_;
  uint32_t entries_ = 0;
  uint32_t dataOffset_ = kDataStart;
};

// The resolution in tenths of a pixel per inch, as an unsigned numerator.
uint32_t ResolutionTimesTen(double resolution) {
  const double scaled = std::round(resolution * 10.0);  // halves away from zero
  if (!(scaled > 0.0)) return 0;
  if (scaled >= 4294967295.0) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(scaled);
}

// The file's row: red, green, blue for colour; other types as they are.
// Four pixels at a time through 32-bit words where the row allows, since
// this pass over every byte of the picture is the writer's only real work.
void ExchangeRedBlue8(const uint8_t* __restrict from, uint8_t* __restrict to, int32_t width) {
  int32_t x = 0;
  for (; x + 4 <= width; x += 4, from += 12, to += 12) {
    uint32_t w0, w1, w2;  // b0 g0 r0 b1 | g1 r1 b2 g2 | r2 b3 g3 r3, low byte first
    std::memcpy(&w0, from, 4);
    std::memcpy(&w1, from + 4, 4);
    std::memcpy(&w2, from + 8, 4);
    // r0 g0 b0 r1 | g1 b1 r2 g2 | b2 r3 g3 b3
    const uint32_t o0 = ((w0 >> 16) & 0xFF) | (w0 & 0xFF00) | ((w0 & 0xFF) << 16) | ((w1 >> 8) & 0xFF) << 24;
    const uint32_t o1 = (w1 & 0xFF) | ((w0 >> 24) << 8) | ((w2 & 0xFF) << 16) | (w1 & 0xFF000000);
    const uint32_t o2 = ((w1 >> 16) & 0xFF) | ((w2 >> 24) << 8) | (w2 & 0xFF0000) | ((w2 >> 8) & 0xFF) << 24;
    std::memcpy(to, &o0, 4);
    std::memcpy(to + 4, &o1, 4);
    std::memcpy(to + 8, &o2, 4);
  }
  for (; x < width; ++x, from += 3, to += 3) {
    const uint8_t b = from[0], g = from[1], r = from[2];
    to[0] = r;
    to[1] = g;
    to[2] = b;
  }
}

void ExchangeRedBlue16(const uint8_t* __restrict from, uint8_t* __restrict to, int32_t width) {
  for (int32_t x = 0; x < width; ++x, from += 6, to += 6) {
    uint8_t pixel[6];
    std::memcpy(pixel, from, 6);
    std::memcpy(to, pixel + 4, 2);
    std::memcpy(to + 2, pixel + 2, 2);
    std::memcpy(to + 4, pixel, 2);
  }
}

// Writes the rows from the top of the picture down after the header, in
// bands of about a hundredth of the picture for the progress bar. Within a
// band the worker threads each exchange the channels of a share of the rows
// into a buffer of their own and write it at its place in the file, so the
// exchange on one core overlaps the system's copy into its file cache on
// another; the bytes are those of writing the rows in order.
int WriteRows(FileHandle& file, uint64_t start, const Image& image, size_t row) {
  const int32_t height = image.height;
  const int32_t rowsPerBand = std::max<int32_t>(1, height / 100);
  const size_t rowsPerBatch = std::max<size_t>(1, kBatchBytes / row);
  std::atomic<bool> failed{false};
  for (int32_t band = 0; band < height && !failed; band += rowsPerBand) {
    const int32_t bandEnd = std::min(height, band + rowsPerBand);
    ParallelFor(bandEnd - band, static_cast<int64_t>(row), [&](int64_t begin, int64_t end) {
      const size_t batchRows = std::min(rowsPerBatch, static_cast<size_t>(end - begin));
      std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[batchRows * row]);
      if (!buffer) {
        RecordFileError(ENOMEM);
        failed = true;
        return;
      }
      for (int64_t first = begin; first < end && !failed; first += static_cast<int64_t>(batchRows)) {
        const int64_t last = std::min(end, first + static_cast<int64_t>(batchRows));
        uint8_t* to = buffer.get();
        for (int64_t i = first; i < last; ++i, to += row) {
          const uint8_t* from = image.rows[height - 1 - (band + i)];
          if (image.type == Rgb8)
            ExchangeRedBlue8(from, to, image.width);
          else if (image.type == Rgb16)
            ExchangeRedBlue16(from, to, image.width);
          else
            std::memcpy(to, from, row);
        }
        const uint64_t offset = start + row * static_cast<uint64_t>(band + first);
        if (WriteBytesAt(file, offset, row * static_cast<size_t>(last - first), buffer.get()) != 0)
          failed = true;
      }
    });
    if (!failed) ReportProgress(bandEnd, height);
  }
  return failed ? 1 : 0;
}

}  // namespace

int WriteTiff(FileHandle& file, const Image& image) {
  const int32_t type = image.type;
  if (type < Bilevel || type > Rgb16 || image.width < 1 || image.height < 1 || image.rows == nullptr)
    return 1;
  const bool rgb = type == Rgb8 || type == Rgb16;
  const uint64_t rowLength = static_cast<uint64_t>(UnroundedRowBytes(type, image.width));
  const uint64_t stripBytes = rowLength * static_cast<uint64_t>(image.height);
  // The file must stay below 4 GiB - 1, the largest length TIFF offsets can name.
  if (stripBytes + 240 > 0xFFFFFFFEu) return 1;

  uint32_t bits = 1;
  if (type == Gray8 || type == Rgb8) bits = 8;
  if (type == Gray16 || type == Rgb16) bits = 16;
  const uint32_t resolution = ResolutionTimesTen(image.resolution);

  HeaderBuilder header;
  header.Long(kNewSubfileType, 0);
  header.Short(kSubfileType, 1);
  header.Long(kImageWidth, static_cast<uint32_t>(image.width));
  header.Long(kImageLength, static_cast<uint32_t>(image.height));
  if (rgb) {
    const uint16_t perChannel[3] = {static_cast<uint16_t>(bits), static_cast<uint16_t>(bits),
                                    static_cast<uint16_t>(bits)};
    header.Shorts(kBitsPerSample, perChannel, 3);
  } else {
    header.Short(kBitsPerSample, bits);
  }
  header.Short(kCompression, 1);
  header.Short(kPhotometricInterpretation, rgb ? 2 : 1);
  header.Short(kFillOrder, 1);
  const size_t stripOffsetsEntry = 8;
  header.Long(kStripOffsets, 0);  // patched once the out-of-line values are laid down
  header.Short(kOrientation, 1);
  header.Short(kSamplesPerPixel, rgb ? 3 : 1);
  header.Long(kRowsPerStrip, static_cast<uint32_t>(image.height));
  header.Long(kStripByteCounts, static_cast<uint32_t>(stripBytes));
  header.Rational(kXResolution, resolution, 10);
  header.Rational(kYResolution, resolution, 10);
  header.Short(kPlanarConfiguration, 1);
  header.Short(kResolutionUnit, 2);
  header.PatchLong(stripOffsetsEntry, header.Size());

  const off_t start = ::lseek(file.Descriptor(), 0, SEEK_CUR);
  if (start < 0) {
    RecordFileError(errno);
    return 1;
  }
  ReportProgress(0, image.height);
  const uint64_t headerAt = static_cast<uint64_t>(start);
  if (WriteBytesAt(file, headerAt, header.Size(), header.Data()) != 0 ||
      WriteRows(file, headerAt + header.Size(), image, static_cast<size_t>(rowLength)) != 0) {
    return 1;
  }
  // Leave the file positioned after the picture, as writing it in order would.
  const off_t end = static_cast<off_t>(headerAt + header.Size() + stripBytes);
  if (::lseek(file.Descriptor(), end, SEEK_SET) != end) {
    RecordFileError(errno);
    return 1;
  }
  return 0;
}

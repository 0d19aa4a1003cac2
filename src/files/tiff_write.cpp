// The TIFF writer: little-endian, one uncompressed strip and a fixed
// 17-entry directory, so the same picture always gives the same bytes.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include "files/tiff.h"

#include "core/hooks.h"
#include "core/parallel.h"

namespace {

constexpr uint32_t kEntryCount = 17;
constexpr uint32_t kDataStart = 8 + 2 + kEntryCount * 12 + 4;  // 218: out-of-line values follow the directory
// Pictures this large are written by the worker threads: through a mapping,
// or else with a writer thread beside the one filling batches.
constexpr size_t kLargeBytes = size_t{16} << 20;
constexpr size_t kBatchBytes = size_t{1} << 18;                // rows gathered per write, kept in cache

enum TiffType : uint16_t { kShort = 3, kLong = 4, kRational = 5 };

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
    if (type == kShort && count == 1) Put16(p + 8, value);
    else Put32(p + 8, value);
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

// Hands filled batches to the file. For a large picture a second thread
// writes one batch while the next is being filled, so the channel exchange
// and the system's copy into its file cache overlap; the bytes are the same.
class BatchWriter {
 public:
  BatchWriter(FileHandle file, size_t capacity, bool overlap) : file_(file), capacity_(capacity) {
    try {
      buffers_[0].resize(capacity);
      if (overlap) {
        buffers_[1].resize(capacity);
        writer_ = std::thread([this] { WriteLoop(); });
      }
    } catch (const std::exception&) {  // no memory or no thread: write in line
      buffers_[1].clear();
    }
  }
  ~BatchWriter() { Stop(); }

  bool Ready() const { return buffers_[0].size() == capacity_; }
  size_t Capacity() const { return capacity_; }
  uint8_t* Buffer() { return buffers_[current_].data(); }

  // Sends the current buffer's first `used` bytes; the next buffer to fill,
  // or nullptr once a write has failed.
  uint8_t* Submit(size_t used) {
    if (!writer_.joinable()) return WriteNow(buffers_[0], used) == 0 ? buffers_[0].data() : nullptr;
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return !pending_; });
    if (failed_) return nullptr;
    pendingBuffer_ = current_;
    pendingBytes_ = used;
    pending_ = true;
    work_.notify_one();
    current_ = 1 - current_;
    return buffers_[current_].data();
  }

  // Writes what is left and waits for every write. 0, or 1 after a failure.
  int Finish(size_t used) {
    if (!writer_.joinable()) return WriteNow(buffers_[0], used);
    if (Submit(used) == nullptr) {
      Stop();
      return 1;
    }
    Stop();
    return failed_ ? 1 : 0;
  }

 private:
  int WriteNow(const std::vector<uint8_t>& buffer, size_t used) {
    if (used == 0) return 0;
    uint32_t count = static_cast<uint32_t>(used);
    return WriteBytes(file_, &count, buffer.data());
  }

  void WriteLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      work_.wait(lock, [this] { return pending_ || stopping_; });
      if (!pending_) return;
      const int buffer = pendingBuffer_;
      const size_t bytes = pendingBytes_;
      lock.unlock();
      const int result = WriteNow(buffers_[buffer], bytes);
      lock.lock();
      if (result != 0) failed_ = true;
      pending_ = false;
      idle_.notify_one();
    }
  }

  void Stop() {
    if (!writer_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    work_.notify_one();
    writer_.join();
  }

  FileHandle file_;
  size_t capacity_;
  std::vector<uint8_t> buffers_[2];
  int current_ = 0;
  std::thread writer_;
  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable idle_;
  bool pending_ = false;
  bool stopping_ = false;
  bool failed_ = false;
  int pendingBuffer_ = 0;
  size_t pendingBytes_ = 0;
};

// Filesystems on local storage, where space reserved ahead is really there,
// so writing through a mapping cannot fail half-way. Elsewhere (network
// shares, removable FAT media) the picture goes through ordinary writes.
bool IsLocalFilesystem(int fd) {
  struct statfs info;
  if (::fstatfs(fd, &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x58465342:  // XFS
    case 0x9123683E:  // Btrfs
    case 0x01021994:  // tmpfs
    case 0x794C7630:  // overlay, over one of these in a container
      return true;
    default:
      return false;
  }
}

// Writes a large picture straight into the file's pages: the worker threads
// each exchange the channels of a share of the rows into place, so the
// system's work of taking on a gigabyte of new file pages is shared among
// the cores as well. Returns 0 when written, 1 when the file failed, and -1
// when this file cannot be written this way and nothing was changed.
int WriteMapped(FileHandle file, const Image& image, const HeaderBuilder& header, size_t row) {
  const int fd = file.fd;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != 0) return -1;
  if (::lseek(fd, 0, SEEK_CUR) != 0 || !IsLocalFilesystem(fd)) return -1;
  const size_t headerBytes = header.Size();
  const size_t total = headerBytes + row * static_cast<size_t>(image.height);
  // Reserving every block first means no page written below can lack space.
  if (::fallocate(fd, 0, 0, static_cast<off_t>(total)) != 0) {
    const int error = errno;
    if (::ftruncate(fd, 0) != 0) return 1;
    return error == ENOSPC || error == EDQUOT ? 1 : -1;
  }
  void* region = ::mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (region == MAP_FAILED) return ::ftruncate(fd, 0) == 0 ? -1 : 1;
  auto* bytes = static_cast<uint8_t*>(region);
  std::memcpy(bytes, header.Data(), headerBytes);
  const int32_t height = image.height;
  const int32_t rowsPerBand = std::max<int32_t>(1, height / 100);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  const size_t page = pageSize > 0 ? static_cast<size_t>(pageSize) : 4096;
  size_t released = 0;
  for (int32_t band = 0; band < height; band += rowsPerBand) {
    const int32_t bandEnd = std::min(height, band + rowsPerBand);
    ParallelFor(bandEnd - band, static_cast<int64_t>(row), [&](int64_t begin, int64_t end) {
      uint8_t* to = bytes + headerBytes + row * static_cast<size_t>(band + begin);
#ifdef MADV_POPULATE_WRITE
      // Taking the pages in one call costs less than a fault for each.
      const size_t first = static_cast<size_t>(to - bytes) / page * page;
      const size_t last = std::min(total, static_cast<size_t>(to - bytes) + row * static_cast<size_t>(end - begin));
      ::madvise(bytes + first, last - first, MADV_POPULATE_WRITE);
#endif
      for (int64_t i = begin; i < end; ++i, to += row) {
        const uint8_t* from = image.rows[height - 1 - (band + i)];
        if (image.type == Rgb8) ExchangeRedBlue8(from, to, image.width);
        else if (image.type == Rgb16) ExchangeRedBlue16(from, to, image.width);
        else std::memcpy(to, from, row);
      }
    });
    // Written pages are the file's now: letting go of them band by band
    // keeps them out of the program's own memory, as ordinary writes would.
    // (Their contents stay in the file's cache; unmapping each band instead
    // would cost as much again as the writing.)
    const size_t done = (headerBytes + row * static_cast<size_t>(bandEnd)) / page * page;
    if (done > released) {
      ::madvise(bytes + released, done - released, MADV_DONTNEED);
      released = done;
    }
    ReportProgress(bandEnd, height);
  }
  ::munmap(region, total);
  // Leave the file positioned after the picture, as writing it would.
  return ::lseek(fd, static_cast<off_t>(total), SEEK_SET) == static_cast<off_t>(total) ? 0 : 1;
}

}  // namespace

int WriteTiff(FileHandle file, const Image& image) {
  const int32_t type = image.type;
  if (type < Bilevel || type > Rgb16 || image.width < 1 || image.height < 1 || image.rows == nullptr) return 1;
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
  header.Long(254, 0);
  header.Short(255, 1);
  header.Long(256, static_cast<uint32_t>(image.width));
  header.Long(257, static_cast<uint32_t>(image.height));
  if (rgb) {
    const uint16_t perChannel[3] = {static_cast<uint16_t>(bits), static_cast<uint16_t>(bits),
                                    static_cast<uint16_t>(bits)};
    header.Shorts(258, perChannel, 3);
  } else {
    header.Short(258, bits);
  }
  header.Short(259, 1);
  header.Short(262, rgb ? 2 : 1);
  header.Short(266, 1);
  const size_t stripOffsetsEntry = 8;
  header.Long(273, 0);  // patched once the out-of-line values are laid down
  header.Short(274, 1);
  header.Short(277, rgb ? 3 : 1);
  header.Long(278, static_cast<uint32_t>(image.height));
  header.Long(279, static_cast<uint32_t>(stripBytes));
  header.Rational(282, resolution, 10);
  header.Rational(283, resolution, 10);
  header.Short(284, 1);
  header.Short(296, 2);
  header.PatchLong(stripOffsetsEntry, header.Size());

  const size_t row = static_cast<size_t>(rowLength);
  if (stripBytes >= kLargeBytes) {
    const int mapped = WriteMapped(file, image, header, row);
    if (mapped >= 0) return mapped;
  }

  uint32_t count = header.Size();
  if (WriteBytes(file, &count, header.Data()) != 0) return 1;

  // Rows from the top of the picture down, gathered into batches so that a
  // wide picture does not cost one system call per row.
  const size_t rowsPerBatch = std::max<size_t>(1, kBatchBytes / row);
  BatchWriter writer(file, rowsPerBatch * row, stripBytes >= kLargeBytes && WorkerThreads() > 1);
  if (!writer.Ready()) return 1;
  uint8_t* batch = writer.Buffer();
  size_t used = 0;
  // Progress in rows written, about a hundred reports for a large picture.
  const int64_t rowsPerReport = std::max<int64_t>(1, image.height / 100);
  for (int32_t r = image.height - 1; r >= 0; --r) {
    const int64_t done = static_cast<int64_t>(image.height) - 1 - r;
    if (done % rowsPerReport == 0) ReportProgress(done, image.height);
    uint8_t* to = batch + used;
    if (type == Rgb8) ExchangeRedBlue8(image.rows[r], to, image.width);
    else if (type == Rgb16) ExchangeRedBlue16(image.rows[r], to, image.width);
    else std::memcpy(to, image.rows[r], row);
    used += row;
    if (used + row > writer.Capacity()) {
      batch = writer.Submit(used);
      if (batch == nullptr) return 1;
      used = 0;
    }
  }
  const int finished = writer.Finish(used);
  if (finished == 0) ReportProgress(image.height, image.height);
  return finished;
}

// Shared pieces of the TIFF and colour tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "files/tiff.h"
#include "files/tiff_tags.h"

namespace tifftest {

class TempFolder {
 public:
  TempFolder() : path_(std::filesystem::temp_directory_path() /
                       ("passavue-files-" + std::to_string(::getpid()) + "-" +
                        ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A repeatable pseudo-random byte source.
struct Bytes {
  uint32_t state;
  explicit Bytes(uint32_t seed) : state(seed * 2654435761u + 1) {}
  uint8_t Next() { return static_cast<uint8_t>((state = state * 1664525u + 1013904223u) >> 24); }
  uint16_t Next16() { return static_cast<uint16_t>((Next() << 8) | Next()); }
};

inline void FillRandom(Image* image, uint32_t seed) {
  Bytes bytes(seed);
  for (int32_t r = 0; r < image->height; ++r)
    for (int32_t i = 0; i < image->rowBytes; ++i) image->rows[r][i] = bytes.Next();
}

// Sample `channel` (0 red, 1 green, 2 blue; 0 for gray) at column x, row y counted from the top.
inline uint32_t SampleAt(const Image& image, int32_t x, int32_t y, int channel) {
  const uint8_t* row = image.rows[image.height - 1 - y];
  uint16_t v16 = 0;
  switch (image.type) {
    case Bilevel: return GetBit(row, x);
    case Gray8: return row[x];
    case Rgb8: return row[3 * x + (2 - channel)];
    case Gray16: std::memcpy(&v16, row + 2 * x, 2); return v16;
    default: std::memcpy(&v16, row + 6 * x + 2 * (2 - channel), 2); return v16;
  }
}

// Same type, size and pixels (spare bytes and padding bits excluded).
inline bool SamePixels(const Image& a, const Image& b) {
  if (a.type != b.type || a.width != b.width || a.height != b.height) return false;
  const int channels = (a.type == Rgb8 || a.type == Rgb16) ? 3 : 1;
  for (int32_t y = 0; y < a.height; ++y)
    for (int32_t x = 0; x < a.width; ++x)
      for (int c = 0; c < channels; ++c)
        if (SampleAt(a, x, y, c) != SampleAt(b, x, y, c)) return false;
  return true;
}

inline int ReadPath(const std::string& path, Image* image, IccProfile* profile) {
  FileHandle file;
  if (OpenForRead(path, &file) != 0) return -1;
  const int result = ReadTiff(file, image, profile);
  CloseFile(file);
  return result;
}

// Reads TIFF bytes through an anonymous in-memory file.
inline int ReadMemory(const std::vector<uint8_t>& bytes, Image* image, IccProfile* profile = nullptr,
                      std::string* reason = nullptr) {
  IccProfile scratch;
  FileHandle file{memfd_create("tiff", MFD_CLOEXEC)};
  if (!file.IsOpen() || ::write(file.Descriptor(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) return -1;
  const int result = ReadTiff(file, image, profile ? profile : &scratch, reason);
  CloseFile(file);
  return result;
}

inline std::vector<uint8_t> Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A little-endian TIFF made by hand: header, one directory of `fields` in
// the order given, then `blobs`; a field marked inBlobs holds an offset
// into the blobs.
struct HandTiff {
  struct Field {
    uint16_t tag, type;
    uint32_t count, value;
    bool inBlobs = false;
  };
  std::vector<Field> fields;
  std::vector<uint8_t> blobs;

  void Add(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) { fields.push_back({tag, type, count, value}); }
  void AddData(uint16_t tag, uint16_t type, uint32_t count, const std::vector<uint8_t>& data) {
    fields.push_back({tag, type, count, static_cast<uint32_t>(blobs.size()), true});
    blobs.insert(blobs.end(), data.begin(), data.end());
  }
  std::vector<uint8_t> Build() const {
    std::vector<uint8_t> out(8 + 2 + 12 * fields.size() + 4, 0);
    auto put = [&](size_t at, uint32_t v, int n) {
      for (int i = 0; i < n; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(0, 0x4949, 2);
    put(2, 42, 2);
    put(4, 8, 4);
    put(8, static_cast<uint32_t>(fields.size()), 2);
    for (size_t i = 0; i < fields.size(); ++i) {
      const Field& f = fields[i];
      put(10 + 12 * i, f.tag, 2);
      put(12 + 12 * i, f.type, 2);
      put(14 + 12 * i, f.count, 4);
      put(18 + 12 * i, f.inBlobs ? static_cast<uint32_t>(out.size()) + f.value : f.value,
          f.type == kShort && f.count == 1 ? 2 : 4);
    }
    out.insert(out.end(), blobs.begin(), blobs.end());
    return out;
  }
};

inline std::vector<uint8_t> Shorts(std::initializer_list<uint16_t> values) {
  std::vector<uint8_t> out;
  for (uint16_t v : values) out.insert(out.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
  return out;
}

}  // namespace tifftest

// TIFF files made by hand, and reads of TIFF bytes, for tests of the reader
// and of what relies on it.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "core/fileio.h"
#include "files/tiff.h"
#include "files/tiff_tags.h"

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

  void Add(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    fields.push_back({tag, type, count, value});
  }
  void AddData(uint16_t tag, uint16_t type, uint32_t count, const std::vector<uint8_t>& data) {
    fields.push_back({tag, type, count, static_cast<uint32_t>(blobs.size()), true});
    blobs.insert(blobs.end(), data.begin(), data.end());
  }
  std::vector<uint8_t> Build() const {
    // "II", 42, the directory at 8; then the directory, ending in no next one.
    std::vector<uint8_t> out = {'I', 'I', 42, 0, 8, 0, 0, 0};
    out.resize(8 + 2 + 12 * fields.size() + 4);
    auto put = [&](size_t at, uint32_t v, int n) {
      for (int i = 0; i < n; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(8, static_cast<uint32_t>(fields.size()), 2);
    for (size_t i = 0, at = 10; i < fields.size(); ++i, at += 12) {
      const Field& f = fields[i];
      put(at, f.tag | uint32_t{f.type} << 16, 4);
      put(at + 4, f.count, 4);
      put(at + 8, f.inBlobs ? static_cast<uint32_t>(out.size()) + f.value : f.value,
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

// Reads TIFF bytes through an anonymous in-memory file.
inline int ReadMemory(const std::vector<uint8_t>& bytes, Image* image, IccProfile* profile = nullptr,
                      std::string* reason = nullptr) {
  IccProfile scratch;
  FileHandle file{memfd_create("tiff", MFD_CLOEXEC)};
  if (!file.IsOpen() ||
      ::write(file.Descriptor(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    return -1;
  return ReadTiff(file, image, profile ? profile : &scratch, reason);
}

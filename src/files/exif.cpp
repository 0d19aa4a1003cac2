#include "files/exif.h"

#include <cstring>

#include "files/tiff_tags.h"

namespace {

uint16_t Short(const uint8_t* p, bool bigEndian) {
  return bigEndian ? static_cast<uint16_t>((p[0] << 8) | p[1]) : static_cast<uint16_t>((p[1] << 8) | p[0]);
}

uint32_t Long(const uint8_t* p, bool bigEndian) {
  if (bigEndian) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
  }
  return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | uint32_t{p[0]};
}

}  // namespace

ExifFacts ReadExif(const uint8_t* data, size_t length) {
  ExifFacts facts;
  static const uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (data == nullptr || length < 6 + 8 || std::memcmp(data, kExifHeader, 6) != 0) return facts;
  const uint8_t* tiff = data + 6;
  const uint64_t size = length - 6;
  bool bigEndian;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    bigEndian = false;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    bigEndian = true;
  } else {
    return facts;
  }
  if (Short(tiff + 2, bigEndian) != 42) return facts;
  facts.exif = true;
  const uint64_t directory = Long(tiff + 4, bigEndian);
  if (directory + 2 > size) return facts;
  const uint32_t entries = Short(tiff + directory, bigEndian);
  double x = 0.0;
  uint32_t unit = 2;  // inches unless the block says otherwise
  for (uint32_t i = 0; i < entries; ++i) {
    const uint64_t entry = directory + 2 + uint64_t{12} * i;
    if (entry + 12 > size) break;  // a directory cut short keeps what came before
    const uint8_t* e = tiff + entry;
    const uint16_t tag = Short(e, bigEndian);
    const uint16_t type = Short(e + 2, bigEndian);
    const uint32_t count = Long(e + 4, bigEndian);
    // A short value sits at the start of the entry's four value bytes.
    if (tag == kOrientation && type == kShort && count == 1) {
      const uint16_t v = Short(e + 8, bigEndian);
      if (v >= 1 && v <= 8) facts.orientation = v;
    } else if (tag == kXResolution && type == kRational) {
      const uint64_t at = Long(e + 8, bigEndian);
      if (at + 8 > size) continue;
      const uint32_t numerator = Long(tiff + at, bigEndian);
      const uint32_t denominator = Long(tiff + at + 4, bigEndian);
      if (denominator != 0) x = static_cast<double>(numerator) / denominator;
    } else if (tag == kResolutionUnit && type == kShort) {
      unit = Short(e + 8, bigEndian);
    }
  }
  if (unit == 3) x *= 2.54;
  if (x > 0.0 && x < 1.0e6) facts.resolution = x;
  return facts;
}

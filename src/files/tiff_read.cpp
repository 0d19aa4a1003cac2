// The TIFF reader: the first directory of a baseline file, strips of
// uncompressed or LZW data, gray, RGB and palette pictures. Every offset and
// count from the file is checked against the file's length before it is
// used, and the picture's size against kMaxTiffPixels before anything is
// allocated, so a damaged file fails cleanly.
#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "display/colour.h"
#include "files/tiff.h"
#include "image/transform.h"

namespace {

constexpr uint32_t kPieceLimit = 256000;  // decoded bytes held at once
constexpr uint32_t kReadLimit = 8192;     // bytes per read of uncompressed data
constexpr double kCentimetresPerInch = 2.540005;

enum TiffType : uint16_t { kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5 };

struct Entry {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  uint8_t value[4];  // the value itself when it fits, else its offset
};

// The open file with its length and byte order.
struct Source {
  FileHandle file;
  uint32_t length = 0;
  bool bigEndian = false;

  uint16_t U16(const uint8_t* p) const {
    return bigEndian ? static_cast<uint16_t>((p[0] << 8) | p[1]) : static_cast<uint16_t>(p[0] | (p[1] << 8));
  }
  uint32_t U32(const uint8_t* p) const {
    return bigEndian ? (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]
                     : uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
  }
};

template <typename Vector>
bool Resize(Vector* v, size_t n) {
  try {
    v->resize(n);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
}

bool FitsFile(const Source& src, uint64_t offset, uint64_t count) { return offset + count <= src.length; }

// Reads exactly `count` bytes at the current position, at most `limit` per call.
int ReadExactly(const Source& src, uint8_t* buffer, uint64_t count, uint32_t limit) {
  while (count > 0) {
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(count, limit));
    if (ReadBytes(src.file, &n, buffer) != 0) return 1;
    buffer += n;
    count -= n;
  }
  return 0;
}

int ReadAt(const Source& src, uint64_t offset, uint64_t count, uint8_t* buffer) {
  if (!FitsFile(src, offset, count)) return 1;
  if (count == 0) return 0;
  if (SeekTo(src.file, static_cast<uint32_t>(offset)) != 0) return 1;
  return ReadExactly(src, buffer, count, 0xFFFFFFF0u);
}

uint32_t ElementSize(uint16_t type) {
  switch (type) {
    case kByte:
    case kAscii: return 1;
    case kShort: return 2;
    case kLong: return 4;
    case kRational: return 8;
    default: return 1;  // undefined and the rest: treated as bytes
  }
}

// The raw bytes of an entry's data: inside the entry when they fit in four
// bytes, else at the offset it holds.
int ReadEntryBytes(const Source& src, const Entry& e, std::vector<uint8_t>* bytes) {
  const uint64_t size = uint64_t{e.count} * ElementSize(e.type);
  if (size <= 4) {
    bytes->assign(e.value, e.value + size);
    return 0;
  }
  const uint32_t offset = src.U32(e.value);
  if (!FitsFile(src, offset, size)) return 1;  // before allocating anything
  if (!Resize(bytes, static_cast<size_t>(size))) return 1;
  return ReadAt(src, offset, size, bytes->data());
}

// An array of BYTE, SHORT or LONG elements, in the machine's order.
int ReadEntryIntegers(const Source& src, const Entry& e, std::vector<uint32_t>* values) {
  if (e.type != kByte && e.type != kShort && e.type != kLong) return 1;
  if (e.count == 0) return 1;
  std::vector<uint8_t> bytes;
  if (ReadEntryBytes(src, e, &bytes) != 0) return 1;
  if (!Resize(values, e.count)) return 1;
  const uint8_t* p = bytes.data();
  for (uint32_t i = 0; i < e.count; ++i) {
    switch (e.type) {
      case kByte: (*values)[i] = p[i]; break;
      case kShort: (*values)[i] = src.U16(p + 2 * size_t{i}); break;
      default: (*values)[i] = src.U32(p + 4 * size_t{i}); break;
    }
  }
  return 0;
}

// The single integer of an entry; false for types that carry none.
bool IntegerValue(const Source& src, const Entry& e, uint32_t* value) {
  switch (e.type) {
    case kByte: *value = e.value[0]; return true;
    case kShort: *value = src.U16(e.value); return true;
    case kLong: *value = src.U32(e.value); return true;
    default: return false;
  }
}

// Everything the directory says about the picture.
struct Layout {
  uint32_t width = 0, height = 0;
  bool hasWidth = false, hasHeight = false;
  uint32_t bitsPerSample = 0;  // 0: no BitsPerSample entry
  uint32_t bitsCount = 0;      // values in the BitsPerSample entry
  uint32_t samplesPerPixel = 1;
  bool lzw = false;
  uint32_t photometric = 1;
  std::vector<uint32_t> stripOffsets;
  std::vector<uint32_t> stripByteCounts;
  uint32_t rowsPerStrip = 0;
  bool hasRowsPerStrip = false;
  uint32_t orientation = 1;
  bool predictor = false;
  double xResolution = 300.0;
  bool centimetre = false;
  std::vector<uint8_t> colorMap;  // high bytes: n red, n green, n blue
};

int ReadRational(const Source& src, const Entry& e, double* value) {
  uint8_t pair[8];
  if (ReadAt(src, src.U32(e.value), 8, pair) != 0) return 1;
  const uint32_t numerator = src.U32(pair);
  const uint32_t denominator = src.U32(pair + 4);
  if (denominator == 0) return 0;  // no usable value: keep the default
  *value = static_cast<double>(numerator) / denominator;
  return 0;
}

// Applies one directory entry. 1 when the value is not one we can read.
int ApplyEntry(const Source& src, const Entry& e, Layout* layout, IccProfile* inputProfile) {
  if (e.tag == 34675) {
    IccProfile().swap(*inputProfile);
    if (e.count == 0) return 0;
    if (ReadEntryBytes(src, Entry{e.tag, kByte, e.count, {e.value[0], e.value[1], e.value[2], e.value[3]}},
                       inputProfile) != 0) {
      IccProfile().swap(*inputProfile);
      return 1;
    }
    return 0;
  }
  if (e.tag == 282) {
    if (e.type == kRational) return ReadRational(src, e, &layout->xResolution);
    return 0;
  }
  if (e.tag == 296) {
    uint32_t unit = 0;
    if (IntegerValue(src, e, &unit)) layout->centimetre = unit == 3;
    return 0;
  }
  if (e.tag == 273) return ReadEntryIntegers(src, e, &layout->stripOffsets);
  if (e.tag == 279) return ReadEntryIntegers(src, e, &layout->stripByteCounts);
  if (e.tag == 320) {
    if (e.type != kShort || e.count < 3) return 1;
    std::vector<uint8_t> bytes;
    if (ReadEntryBytes(src, e, &bytes) != 0) return 1;
    if (!Resize(&layout->colorMap, e.count)) return 1;
    for (uint32_t i = 0; i < e.count; ++i) layout->colorMap[i] = static_cast<uint8_t>(src.U16(&bytes[2 * size_t{i}]) >> 8);
    return 0;
  }
  if (e.tag == 258) {
    if (e.count == 1) {
      uint32_t bits = 0;
      if (!IntegerValue(src, e, &bits)) return 1;
      if (bits != 1 && bits != 4 && bits != 8 && bits != 16) return 1;
      layout->bitsPerSample = bits;
      layout->bitsCount = 1;
      return 0;
    }
    if ((e.count != 3 && e.count != 4) || e.type != kShort) return 1;
    std::vector<uint32_t> bits;
    if (ReadEntryIntegers(src, e, &bits) != 0) return 1;
    if (bits[0] != bits[1] || bits[0] != bits[2]) return 1;
    if (bits[0] != 8 && bits[0] != 16) return 1;
    layout->bitsPerSample = bits[0];
    layout->bitsCount = e.count;
    return 0;
  }

  // The remaining tags we handle each hold one integer.
  switch (e.tag) {
    case 254: case 255: case 256: case 257: case 259: case 262: case 266:
    case 274: case 277: case 278: case 284: case 317:
      break;
    default:
      return 0;  // not ours: ignored, tiles included
  }
  uint32_t v = 0;
  if (!IntegerValue(src, e, &v)) return 1;
  switch (e.tag) {
    case 254: return v <= 1 ? 0 : 1;
    case 255: return v == 1 ? 0 : 1;
    case 256: layout->width = v; layout->hasWidth = true; return 0;
    case 257: layout->height = v; layout->hasHeight = true; return 0;
    case 259:
      if (v != 1 && v != 5) return 1;
      layout->lzw = v == 5;
      return 0;
    case 262:
      if (v > 3) return 1;
      layout->photometric = v;
      return 0;
    case 266: return v == 1 ? 0 : 1;
    case 274:
      if (v < 1 || v > 8) return 1;
      layout->orientation = v;
      return 0;
    case 277:
      if (v != 1 && v != 3 && v != 4) return 1;
      layout->samplesPerPixel = v;
      return 0;
    case 278: layout->rowsPerStrip = v; layout->hasRowsPerStrip = true; return 0;
    case 284: return v == 1 ? 0 : 1;
    case 317:
      if (v != 1 && v != 2) return 1;
      layout->predictor = v == 2;
      return 0;
    default: return 0;
  }
}

// How the file's rows become Image rows, decided once for the whole read.
enum class RowKind { Bits, Gray4, Gray8, Gray16, Rgb8, Rgb16, Palette };

struct Plan {
  int32_t type = 0;              // the Image type
  RowKind kind = RowKind::Gray8;
  uint32_t bits = 0;             // bits per sample in the file
  uint32_t samples = 1;          // samples per pixel in the file
  uint64_t fileRowBytes = 0;
  bool invert = false;
  bool predictor = false;
  // Palette: n entries per channel, split out by channel.
  uint32_t paletteSize = 0;
  std::vector<uint8_t> red, green, blue;
};

// Decides the Image type and the row conversion. 1 for combinations we
// cannot read.
int MakePlan(const Layout& layout, Plan* plan) {
  if (!layout.hasWidth || !layout.hasHeight || layout.bitsCount == 0) return 1;
  const uint32_t bits = layout.bitsPerSample;
  const uint32_t spp = layout.samplesPerPixel;
  plan->bits = bits;
  plan->samples = spp;
  plan->invert = layout.photometric == 0;
  plan->predictor = layout.predictor;

  if (layout.photometric == 3) {
    if (layout.colorMap.empty()) return 1;
    // Palettes are single-sample with 1, 4 or 8 bits per index.
    if (spp != 1 || layout.bitsCount != 1 || bits == 16) return 1;
    const uint32_t n = static_cast<uint32_t>(layout.colorMap.size() / 3);
    plan->paletteSize = n;
    plan->red.assign(layout.colorMap.begin(), layout.colorMap.begin() + n);
    plan->green.assign(layout.colorMap.begin() + n, layout.colorMap.begin() + 2 * n);
    plan->blue.assign(layout.colorMap.begin() + 2 * n, layout.colorMap.begin() + 3 * n);
    plan->type = (plan->red == plan->green && plan->red == plan->blue) ? Gray8 : Rgb8;
    plan->kind = RowKind::Palette;
  } else if (spp >= 3 || layout.bitsCount >= 3) {
    // Colour needs as many samples as it names, and whole bytes per sample.
    if (spp < 3 || (bits != 8 && bits != 16)) return 1;
    plan->type = bits == 8 ? Rgb8 : Rgb16;
    plan->kind = bits == 8 ? RowKind::Rgb8 : RowKind::Rgb16;
  } else {
    switch (bits) {
      case 1: plan->type = Bilevel; plan->kind = RowKind::Bits; break;
      case 4: plan->type = Gray8; plan->kind = RowKind::Gray4; break;
      case 8: plan->type = Gray8; plan->kind = RowKind::Gray8; break;
      default: plan->type = Gray16; plan->kind = RowKind::Gray16; break;
    }
  }
  // Differencing works on whole samples: 8 or 16 bits.
  if (plan->predictor && bits < 8) return 1;
  plan->fileRowBytes = (uint64_t{layout.width} * bits * spp + 7) / 8;
  return 0;
}

// Undoes horizontal differencing on `count` interleaved samples of `channels` channels.
template <typename Sample>
void Accumulate(Sample* row, size_t count, size_t channels) {
  for (size_t i = channels; i < count; ++i) row[i] = static_cast<Sample>(row[i] + row[i - channels]);
}

inline uint16_t Load16(const uint8_t* p, bool bigEndian) {
  return bigEndian ? static_cast<uint16_t>((p[0] << 8) | p[1]) : static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Converts one file row into one Image row. 1 for a palette index beyond the map.
int ConvertRow(const Plan& plan, const Source& src, int32_t width, uint8_t* in, uint8_t* out) {
  const size_t w = static_cast<size_t>(width);
  uint8_t* const row = out;  // the RGB cases walk `out` along the row
  switch (plan.kind) {
    case RowKind::Bits:
      std::memcpy(out, in, static_cast<size_t>(plan.fileRowBytes));
      break;
    case RowKind::Gray4:
      for (size_t x = 0; x < w; ++x) {
        const uint8_t pair = in[x >> 1];
        out[x] = static_cast<uint8_t>(((x & 1) ? (pair & 0x0F) : (pair >> 4)) * 17);
      }
      break;
    case RowKind::Gray8:
      std::memcpy(out, in, w);
      if (plan.predictor) Accumulate(out, w, 1);
      break;
    case RowKind::Rgb8: {
      const size_t spp = plan.samples;
      if (plan.predictor) {
        // Sums in file order while exchanging red and blue.
        uint8_t r = 0, g = 0, b = 0;
        for (size_t x = 0; x < w; ++x, in += spp, out += 3) {
          r = static_cast<uint8_t>(r + in[0]);
          g = static_cast<uint8_t>(g + in[1]);
          b = static_cast<uint8_t>(b + in[2]);
          out[0] = b;
          out[1] = g;
          out[2] = r;
        }
      } else {
        for (size_t x = 0; x < w; ++x, in += spp, out += 3) {
          out[0] = in[2];
          out[1] = in[1];
          out[2] = in[0];
        }
      }
      break;
    }
    case RowKind::Gray16:
    case RowKind::Rgb16: {
      const bool rgb = plan.kind == RowKind::Rgb16;
      const size_t spp = plan.samples;
      const size_t channels = rgb ? 3 : 1;
      uint16_t* o = reinterpret_cast<uint16_t*>(out);  // rows are 4-byte aligned
      for (size_t x = 0; x < w; ++x, in += 2 * spp, o += channels) {
        if (rgb) {
          o[0] = Load16(in + 4, src.bigEndian);
          o[1] = Load16(in + 2, src.bigEndian);
          o[2] = Load16(in, src.bigEndian);
        } else {
          o[0] = Load16(in, src.bigEndian);
        }
      }
      if (plan.predictor) Accumulate(reinterpret_cast<uint16_t*>(out), w * channels, channels);
      break;
    }
    case RowKind::Palette: {
      const uint32_t n = plan.paletteSize;
      if (plan.predictor) Accumulate(in, w, 1);  // 8-bit indices only
      const bool gray = plan.type == Gray8;
      for (size_t x = 0; x < w; ++x) {
        uint32_t i;
        if (plan.bits == 1) i = (in[x >> 3] >> (7 - (x & 7))) & 1;
        else if (plan.bits == 4) i = (x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4);
        else i = in[x];
        if (i >= n) return 1;
        if (gray) {
          out[x] = plan.red[i];
        } else {
          out[3 * x] = plan.blue[i];
          out[3 * x + 1] = plan.green[i];
          out[3 * x + 2] = plan.red[i];
        }
      }
      break;
    }
  }
  if (plan.invert) {
    // WhiteIsZero: the complement of every sample, after the differencing is undone.
    const size_t bytes = static_cast<size_t>(UnroundedRowBytes(plan.type, width));
    for (size_t i = 0; i < bytes; ++i) row[i] = static_cast<uint8_t>(~row[i]);
  }
  return 0;
}

int Reorient(uint32_t orientation, Image* picture) {
  int (*transform)(const Image&, Image*) = nullptr;
  switch (orientation) {
    case 2: transform = MirrorHorizontal; break;
    case 3: transform = Rotate180; break;
    case 4: transform = FlipVertical; break;
    case 5: transform = Transpose; break;
    case 6: transform = Rotate90Clockwise; break;
    case 7: transform = Transverse; break;
    case 8: transform = Rotate90CounterClockwise; break;
    default: return 0;
  }
  Image upright;
  if (transform(*picture, &upright) != 0) return 1;
  *picture = std::move(upright);
  return 0;
}

// The strips as they will be read: offsets and byte counts checked against
// the file, one entry per strip the picture needs.
struct StripPlan {
  uint32_t rowsPerStrip = 0;
  uint32_t count = 0;  // strips needed to cover the height
  std::vector<uint32_t> offsets;
  std::vector<uint64_t> bytes;  // to read (uncompressed) or to decode (LZW)
};

int MakeStripPlan(const Source& src, const Layout& layout, const Plan& plan, StripPlan* strips) {
  if (layout.stripOffsets.empty()) return 1;
  const uint64_t available = layout.stripOffsets.size();
  if (!layout.stripByteCounts.empty() && layout.stripByteCounts.size() != available) return 1;
  const uint32_t height = layout.height;
  uint32_t rps = layout.rowsPerStrip;
  if (!layout.hasRowsPerStrip || available == 1 || rps > height) rps = height;
  if (rps == 0) return 1;
  const uint32_t needed = static_cast<uint32_t>((uint64_t{height} + rps - 1) / rps);
  // Too few strips would leave rows of the picture unread.
  if (available < needed) return 1;
  const uint64_t rowBytes = plan.fileRowBytes;

  strips->rowsPerStrip = rps;
  strips->count = needed;
  std::vector<uint64_t> expected;
  if (!Resize(&strips->offsets, needed) || !Resize(&strips->bytes, needed) || !Resize(&expected, needed)) return 1;
  for (uint32_t i = 0; i < needed; ++i) {
    strips->offsets[i] = layout.stripOffsets[i];
    expected[i] = rowBytes * std::min<uint64_t>(rps, height - uint64_t{i} * rps);
  }

  if (layout.stripByteCounts.empty()) {
    if (available > 1) return 1;  // several strips need their byte counts
    // One strip without its count: uncompressed it is the picture's bytes;
    // LZW data runs at most to the end of the file.
    strips->bytes[0] = expected[0];
    if (layout.lzw) strips->bytes[0] = src.length - std::min(src.length, strips->offsets[0]);
  } else if (!layout.lzw && available > 1) {
    // Uncompressed counts are known from the shape; a file that gets one
    // wrong is read with all of them computed.
    bool right = true;
    for (uint32_t i = 0; i < needed; ++i) right = right && layout.stripByteCounts[i] == expected[i];
    for (uint32_t i = 0; i < needed; ++i) strips->bytes[i] = right ? layout.stripByteCounts[i] : expected[i];
  } else {
    for (uint32_t i = 0; i < needed; ++i) strips->bytes[i] = layout.stripByteCounts[i];
  }

  for (uint32_t i = 0; i < needed; ++i) {
    // Uncompressed strips never read past what their rows need.
    if (!layout.lzw) strips->bytes[i] = std::min(strips->bytes[i], expected[i]);
    if (!FitsFile(src, strips->offsets[i], strips->bytes[i])) return 1;
  }
  return 0;
}

int ReadPixels(const Source& src, const Layout& layout, const Plan& plan, const StripPlan& strips,
               Image* picture) {
  const uint64_t rowBytes = plan.fileRowBytes;
  const uint32_t rps = strips.rowsPerStrip;
  uint64_t rowsPerPiece = rps;
  if (!layout.lzw && rowBytes * rps > kPieceLimit) {
    rowsPerPiece = kPieceLimit / rowBytes;
    if (rowsPerPiece == 0) return 1;
  }
  std::vector<uint8_t> piece;
  std::vector<uint8_t> compressed;
  if (!Resize(&piece, static_cast<size_t>(rowsPerPiece * rowBytes))) return 1;

  int64_t row = picture->height - 1;  // the file's first row is the picture's top
  auto convert = [&](uint8_t* data, uint64_t rows) {
    for (uint64_t r = 0; r < rows && row >= 0; ++r, --row) {
      if (ConvertRow(plan, src, picture->width, data + r * rowBytes, picture->rows[row]) != 0) return 1;
    }
    return 0;
  };

  for (uint32_t s = 0; s < strips.count; ++s) {
    const uint64_t stripRows = std::min<uint64_t>(rps, static_cast<uint64_t>(row + 1));
    if (layout.lzw) {
      const uint64_t capacity = stripRows * rowBytes;
      if (!Resize(&compressed, static_cast<size_t>(strips.bytes[s]))) return 1;
      if (ReadAt(src, strips.offsets[s], strips.bytes[s], compressed.data()) != 0) return 1;
      size_t produced = 0;
      if (DecodeTiffLzw(compressed.data(), compressed.size(), piece.data(), static_cast<size_t>(capacity),
                        &produced) != 0) {
        return 1;
      }
      // A strip that ends early leaves the rest of its rows black rather
      // than holding the previous strip's data.
      std::memset(piece.data() + produced, 0, static_cast<size_t>(capacity - produced));
      if (convert(piece.data(), stripRows) != 0) return 1;
      continue;
    }
    if (SeekTo(src.file, strips.offsets[s]) != 0) return 1;
    uint64_t left = strips.bytes[s];
    for (uint64_t done = 0; done < stripRows; done += rowsPerPiece) {
      const uint64_t rows = std::min(rowsPerPiece, stripRows - done);
      const uint64_t want = rows * rowBytes;
      const uint64_t take = std::min(want, left);
      if (ReadExactly(src, piece.data(), take, kReadLimit) != 0) return 1;
      left -= take;
      // A short strip count leaves its missing bytes at 0.
      std::memset(piece.data() + take, 0, static_cast<size_t>(want - take));
      if (convert(piece.data(), rows) != 0) return 1;
    }
  }
  return 0;
}

int ReadTiffInto(const Source& src, Image* destination, IccProfile* inputProfile, std::string* sizeNote) {
  uint8_t header[8];
  if (ReadAt(src, 0, 8, header) != 0) return 1;
  if (header[0] != header[1] || (header[0] != 0x49 && header[0] != 0x4D)) return 1;
  Source s = src;
  s.bigEndian = header[0] == 0x4D;
  if (s.U16(header + 2) != 42) return 1;
  const uint32_t directory = s.U32(header + 4);

  uint8_t countBytes[2];
  if (ReadAt(s, directory, 2, countBytes) != 0) return 1;
  const uint32_t entryCount = s.U16(countBytes);
  std::vector<uint8_t> entries;
  if (!FitsFile(s, uint64_t{directory} + 2, uint64_t{entryCount} * 12)) return 1;
  if (!Resize(&entries, size_t{entryCount} * 12)) return 1;
  if (ReadAt(s, uint64_t{directory} + 2, entries.size(), entries.data()) != 0) return 1;

  Layout layout;
  for (uint32_t i = 0; i < entryCount; ++i) {
    const uint8_t* p = &entries[12 * size_t{i}];
    Entry e{s.U16(p), s.U16(p + 2), s.U32(p + 4), {p[8], p[9], p[10], p[11]}};
    if (ApplyEntry(s, e, &layout, inputProfile) != 0) return 1;
  }

  if (layout.width == 0 || layout.height == 0) return 1;
  if (layout.width > INT32_MAX || layout.height > INT32_MAX ||
      uint64_t{layout.width} * layout.height > static_cast<uint64_t>(kMaxTiffPixels)) {
    if (sizeNote != nullptr) *sizeNote = PictureSizeNote(layout.width, layout.height);
    return 1;
  }
  Plan plan;
  if (MakePlan(layout, &plan) != 0) return 1;
  StripPlan strips;
  if (MakeStripPlan(s, layout, plan, &strips) != 0) return 1;

  double resolution = layout.xResolution;
  if (layout.centimetre) resolution *= kCentimetresPerInch;
  if (AllocImage(destination, plan.type, static_cast<int32_t>(layout.width), static_cast<int32_t>(layout.height),
                 resolution) != 0) {
    return 1;
  }
  if (ReadPixels(s, layout, plan, strips, destination) != 0) return 1;
  if (Reorient(layout.orientation, destination) != 0) return 1;
  return 0;
}

}  // namespace

std::string PictureSizeNote(uint64_t width, uint64_t height) {
  return "The picture has " + std::to_string(width) + " x " + std::to_string(height) + " pixels; at most " +
         std::to_string(kMaxTiffPixels) + " pixels can be read.";
}

int ReadTiff(FileHandle file, Image* destination, IccProfile* inputProfile, std::string* sizeNote) {
  IccProfile().swap(*inputProfile);
  Source src;
  src.file = file;
  if (GetFileLength(file, &src.length) != 0 || ReadTiffInto(src, destination, inputProfile, sizeNote) != 0) {
    FreeImage(destination);
    return 1;
  }
  ConvertToWorkingSpace(destination, *inputProfile);
  return 0;
}

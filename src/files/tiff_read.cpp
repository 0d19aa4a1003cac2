// The TIFF reader: the first directory of a file, strips or tiles of
// uncompressed, LZW, Deflate or PackBits data, chunky or planar samples,
// gray, RGB, palette and CMYK pictures. Every offset and count from the file
// is checked against the file's length before it is used, and the picture's
// size against kMaxTiffPixels before anything is allocated, so a damaged
// file fails cleanly.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "core/parallel.h"
#include "files/color.h"
#include "files/tiff.h"
#include "files/tiff_tags.h"
#include "image/transform.h"

namespace {

constexpr uint32_t kPieceLimit = 256000;  // decoded bytes held at once
constexpr uint32_t kReadLimit = 8192;     // bytes per read of uncompressed data
constexpr double kCentimetresPerInch = 2.540005;
// Coded strips and tiles read from the file at once, to be decoded side by side.
constexpr uint64_t kBatchLimit = uint64_t{8} << 20;
// The largest decoded tile, 64 MiB, and tile side: far beyond any real one.
constexpr uint64_t kTileLimit = uint64_t{64} << 20;
constexpr uint32_t kTileSide = 65536;

enum Compression : uint32_t {
  kUncompressed = 1,
  kLzw = 5,
  kJpegOld = 6,
  kJpeg = 7,
  kAdobeDeflate = 8,
  kPackBits = 32773,
  kDeflate = 32946
};

struct Entry {
  uint16_t tag;
  uint16_t type;
  uint32_t count;
  uint8_t value[4];  // the value itself when it fits, else its offset
};

// The open file with its length and byte order.
struct Source {
  FileHandle& file;
  uint32_t length = 0;
  bool bigEndian = false;

  uint16_t U16(const uint8_t* p) const {
    return bigEndian ? static_cast<uint16_t>((p[0] << 8) | p[1]) : static_cast<uint16_t>(p[0] | (p[1] << 8));
  }
  uint32_t U32(const uint8_t* p) const {
    return bigEndian
               ? (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3]
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
    case kAscii:
      return 1;
    case kShort:
      return 2;
    case kLong:
      return 4;
    case kRational:
      return 8;
    default:
      return 1;  // undefined and the rest: treated as bytes
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
      case kByte:
        (*values)[i] = p[i];
        break;
      case kShort:
        (*values)[i] = src.U16(p + 2 * size_t{i});
        break;
      default:
        (*values)[i] = src.U32(p + 4 * size_t{i});
        break;
    }
  }
  return 0;
}

// The single integer of an entry; false for types that carry none.
bool IntegerValue(const Source& src, const Entry& e, uint32_t* value) {
  switch (e.type) {
    case kByte:
      *value = e.value[0];
      return true;
    case kShort:
      *value = src.U16(e.value);
      return true;
    case kLong:
      *value = src.U32(e.value);
      return true;
    default:
      return false;
  }
}

// Everything the directory says about the picture.
struct Layout {
  uint32_t width = 0, height = 0;
  bool hasWidth = false, hasHeight = false;
  // Without a BitsPerSample entry a sample has one bit (common for bilevel
  // files, whose writers leave the entry out).
  uint32_t bitsPerSample = 1;
  uint32_t bitsCount = 1;  // values in the BitsPerSample entry
  uint32_t samplesPerPixel = 1;
  uint32_t compression = kUncompressed;
  uint32_t photometric = 1;
  std::vector<uint32_t> stripOffsets;
  std::vector<uint32_t> stripByteCounts;
  uint32_t rowsPerStrip = 0;
  bool hasRowsPerStrip = false;
  uint32_t tileWidth = 0, tileLength = 0;  // 0: no such entry
  std::vector<uint32_t> tileOffsets;
  std::vector<uint32_t> tileByteCounts;
  bool planar = false;  // PlanarConfiguration 2: one plane per sample
  uint32_t inkSet = 1;  // 1: CMYK
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
  if (e.tag == kIccProfile) {
    IccProfile().swap(*inputProfile);
    if (e.count == 0) return 0;
    if (ReadEntryBytes(src, Entry{e.tag, kByte, e.count, {e.value[0], e.value[1], e.value[2], e.value[3]}},
                       inputProfile) != 0) {
      IccProfile().swap(*inputProfile);
      return 1;
    }
    return 0;
  }
  if (e.tag == kXResolution) {
    if (e.type == kRational) return ReadRational(src, e, &layout->xResolution);
    return 0;
  }
  if (e.tag == kResolutionUnit) {
    uint32_t unit = 0;
    if (IntegerValue(src, e, &unit)) layout->centimetre = unit == 3;
    return 0;
  }
  if (e.tag == kStripOffsets) return ReadEntryIntegers(src, e, &layout->stripOffsets);
  if (e.tag == kStripByteCounts) return ReadEntryIntegers(src, e, &layout->stripByteCounts);
  if (e.tag == kTileOffsets) return ReadEntryIntegers(src, e, &layout->tileOffsets);
  if (e.tag == kTileByteCounts) return ReadEntryIntegers(src, e, &layout->tileByteCounts);
  if (e.tag == kSampleFormat) {
    // Signed integers read as they always have; floating point is refused.
    std::vector<uint32_t> formats;
    if (ReadEntryIntegers(src, e, &formats) != 0) return 1;
    return std::find(formats.begin(), formats.end(), 3u) == formats.end() ? 0 : 1;
  }
  if (e.tag == kColorMap) {
    if (e.type != kShort || e.count < 3) return 1;
    std::vector<uint8_t> bytes;
    if (ReadEntryBytes(src, e, &bytes) != 0) return 1;
    if (!Resize(&layout->colorMap, e.count)) return 1;
    for (uint32_t i = 0; i < e.count; ++i)
      layout->colorMap[i] = static_cast<uint8_t>(src.U16(&bytes[2 * size_t{i}]) >> 8);
    return 0;
  }
  if (e.tag == kBitsPerSample) {
    if (e.count == 1) {
      uint32_t bits = 0;
      if (!IntegerValue(src, e, &bits)) return 1;
      if (bits != 1 && bits != 4 && bits != 8 && bits != 16) return 1;
      layout->bitsPerSample = bits;
      layout->bitsCount = 1;
      return 0;
    }
    if (e.count < 3 || e.count > 5 || e.type != kShort) return 1;
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
    case kNewSubfileType:
    case kSubfileType:
    case kImageWidth:
    case kImageLength:
    case kCompression:
    case kPhotometricInterpretation:
    case kFillOrder:
    case kOrientation:
    case kSamplesPerPixel:
    case kRowsPerStrip:
    case kPlanarConfiguration:
    case kPredictor:
    case kTileWidth:
    case kTileLength:
    case kInkSet:
      break;
    default:
      return 0;  // not ours: ignored
  }
  uint32_t v = 0;
  if (!IntegerValue(src, e, &v)) return 1;
  switch (e.tag) {
    case kNewSubfileType:
      return v <= 1 ? 0 : 1;
    case kSubfileType:
      return v == 1 ? 0 : 1;
    case kImageWidth:
      layout->width = v;
      layout->hasWidth = true;
      return 0;
    case kImageLength:
      layout->height = v;
      layout->hasHeight = true;
      return 0;
    case kCompression:
      if (v != kUncompressed && v != kLzw && v != kAdobeDeflate && v != kPackBits && v != kDeflate) return 1;
      layout->compression = v;
      return 0;
    case kPhotometricInterpretation:
      if (v > 3 && v != 5) return 1;
      layout->photometric = v;
      return 0;
    case kFillOrder:
      return v == 1 ? 0 : 1;
    case kOrientation:
      if (v < 1 || v > 8) return 1;
      layout->orientation = v;
      return 0;
    case kSamplesPerPixel:
      if (v != 1 && v != 3 && v != 4 && v != 5) return 1;
      layout->samplesPerPixel = v;
      return 0;
    case kRowsPerStrip:
      layout->rowsPerStrip = v;
      layout->hasRowsPerStrip = true;
      return 0;
    case kPlanarConfiguration:
      if (v != 1 && v != 2) return 1;
      layout->planar = v == 2;
      return 0;
    case kPredictor:
      if (v != 1 && v != 2) return 1;
      layout->predictor = v == 2;
      return 0;
    case kTileWidth:
      layout->tileWidth = v;
      return 0;
    case kTileLength:
      layout->tileLength = v;
      return 0;
    case kInkSet:
      layout->inkSet = v;
      return 0;
    default:
      return 0;
  }
}

// How the file's rows become Image rows, decided once for the whole read.
enum class RowKind { Bits, Gray4, Gray8, Gray16, Rgb8, Rgb16, Palette, Plane8, Plane16, Cmyk8, Cmyk16 };

struct Plan {
  int32_t type = 0;  // the Image type
  RowKind kind = RowKind::Gray8;
  uint32_t bits = 0;          // bits per sample in the file
  uint32_t samples = 1;       // samples per pixel in the file
  uint32_t chunkSamples = 1;  // samples per pixel in one strip or tile: 1 when planar
  uint64_t fileRowBytes = 0;  // one row of the whole width in one strip
  bool invert = false;
  bool predictor = false;
  // Palette: n entries per channel, split out by channel.
  uint32_t paletteSize = 0;
  std::vector<uint8_t> red, green, blue;
  CmykToSrgb cmyk;
};

// Decides the Image type and the row conversion. 1 for combinations we
// cannot read.
int MakePlan(const Layout& layout, Plan* plan) {
  if (!layout.hasWidth || !layout.hasHeight) return 1;
  const uint32_t bits = layout.bitsPerSample;
  const uint32_t spp = layout.samplesPerPixel;
  plan->bits = bits;
  plan->samples = spp;
  plan->invert = layout.photometric == 0;
  plan->predictor = layout.predictor;

  const bool planar = layout.planar && spp > 1;
  if (layout.photometric == 5) {
    // CMYK, with at most one extra sample, interleaved.
    if (spp < 4 || planar || layout.inkSet != 1 || (bits != 8 && bits != 16)) return 1;
    plan->type = bits == 8 ? Rgb8 : Rgb16;
    plan->kind = bits == 8 ? RowKind::Cmyk8 : RowKind::Cmyk16;
  } else if (spp == 5 || layout.bitsCount == 5) {
    return 1;
  } else if (planar) {
    // Separate planes of RGB; a fourth plane is never read.
    if (layout.photometric != 2 || spp < 3 || (bits != 8 && bits != 16)) return 1;
    plan->type = bits == 8 ? Rgb8 : Rgb16;
    plan->kind = bits == 8 ? RowKind::Plane8 : RowKind::Plane16;
    plan->chunkSamples = 1;
  } else if (layout.photometric == 3) {
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
      case 1:
        plan->type = Bilevel;
        plan->kind = RowKind::Bits;
        break;
      case 4:
        plan->type = Gray8;
        plan->kind = RowKind::Gray4;
        break;
      case 8:
        plan->type = Gray8;
        plan->kind = RowKind::Gray8;
        break;
      default:
        plan->type = Gray16;
        plan->kind = RowKind::Gray16;
        break;
    }
  }
  // Differencing works on whole samples: 8 or 16 bits.
  if (plan->predictor && bits < 8) return 1;
  if (!planar) plan->chunkSamples = spp;
  plan->fileRowBytes = (uint64_t{layout.width} * bits * plan->chunkSamples + 7) / 8;
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

// Converts `width` pixels of one row of a strip or tile (of `plane`, when
// planar) into an Image row from its first pixel on; the row's samples may
// be changed on the way. 1 for a palette index beyond the map.
int ConvertRow(const Plan& plan, const Source& src, uint32_t width, uint32_t plane, uint8_t* in,
               uint8_t* out) {
  const size_t w = width;
  uint8_t* const row = out;  // the RGB cases walk `out` along the row
  switch (plan.kind) {
    case RowKind::Bits:
      std::memcpy(out, in, (w + 7) / 8);
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
        if (plan.bits == 1)
          i = (in[x >> 3] >> (7 - (x & 7))) & 1;
        else if (plan.bits == 4)
          i = (x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4);
        else
          i = in[x];
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
    case RowKind::Plane8: {
      uint8_t* o = out + (2 - plane);
      uint8_t sum = 0;
      if (plan.predictor) {
        for (size_t x = 0; x < w; ++x) o[3 * x] = sum = static_cast<uint8_t>(sum + in[x]);
      } else {
        for (size_t x = 0; x < w; ++x) o[3 * x] = in[x];
      }
      break;
    }
    case RowKind::Plane16: {
      uint16_t* o = reinterpret_cast<uint16_t*>(out) + (2 - plane);
      uint16_t sum = 0;
      for (size_t x = 0; x < w; ++x) {
        const uint16_t v = Load16(in + 2 * x, src.bigEndian);
        o[3 * x] = sum = plan.predictor ? static_cast<uint16_t>(sum + v) : v;
      }
      break;
    }
    case RowKind::Cmyk8:
      if (plan.predictor) Accumulate(in, w * plan.samples, plan.samples);
      ConvertCmykRow(plan.cmyk, in, out, static_cast<int32_t>(w));
      break;
    case RowKind::Cmyk16: {
      // Into native samples in place, for the differencing and the conversion.
      uint16_t* samples = reinterpret_cast<uint16_t*>(in);  // rows of 16-bit samples are 2-byte aligned
      const size_t count = w * plan.samples;
      if (src.bigEndian) {
        for (size_t i = 0; i < count; ++i) samples[i] = Load16(in + 2 * i, true);
      }
      if (plan.predictor) Accumulate(samples, count, plan.samples);
      ConvertCmykRow(plan.cmyk, in, out, static_cast<int32_t>(w));
      break;
    }
  }
  if (plan.invert) {
    // WhiteIsZero: the complement of every sample, after the differencing is undone.
    const size_t bytes = static_cast<size_t>(UnroundedRowBytes(plan.type, static_cast<int32_t>(width)));
    for (size_t i = 0; i < bytes; ++i) row[i] = static_cast<uint8_t>(~row[i]);
  }
  return 0;
}

// One strip or tile of one plane: where its bytes lie and which part of the
// picture (in the file's rows and columns) it holds.
struct Chunk {
  uint32_t offset = 0;
  uint64_t bytes = 0;  // to read (uncompressed) or to decode
  uint32_t x = 0, y = 0;
  uint32_t columns = 0, rows = 0;  // inside the picture
  uint32_t plane = 0;
};

// The strips or tiles as they will be read, checked against the file, only
// those of the planes the picture uses.
struct ChunkPlan {
  bool tiled = false;
  uint32_t rows = 0;      // rows per strip, or the tile length
  uint64_t rowBytes = 0;  // bytes of one decoded row of a strip or tile
  std::vector<Chunk> chunks;
};

int MakeStripPlan(const Source& src, const Layout& layout, const Plan& plan, ChunkPlan* strips) {
  if (layout.stripOffsets.empty()) return 1;
  const uint64_t available = layout.stripOffsets.size();
  if (!layout.stripByteCounts.empty() && layout.stripByteCounts.size() != available) return 1;
  // Separate planes each have their strips, one plane after the other.
  const uint32_t planes = plan.chunkSamples == plan.samples ? 1 : plan.samples;
  const uint32_t height = layout.height;
  uint32_t rps = layout.rowsPerStrip;
  if (!layout.hasRowsPerStrip || available == planes || rps > height) rps = height;
  if (rps == 0) return 1;
  const uint32_t perPlane = static_cast<uint32_t>((uint64_t{height} + rps - 1) / rps);
  const uint64_t needed = uint64_t{perPlane} * planes;
  // Too few strips would leave rows of the picture unread.
  if (available < needed) return 1;
  const uint64_t rowBytes = plan.fileRowBytes;
  const bool compressed = layout.compression != kUncompressed;

  std::vector<uint64_t> expected, bytes;
  if (!Resize(&expected, needed) || !Resize(&bytes, needed)) return 1;
  for (uint64_t i = 0; i < needed; ++i)
    expected[i] = rowBytes * std::min<uint64_t>(rps, height - i % perPlane * rps);

  if (layout.stripByteCounts.empty()) {
    if (available > 1) return 1;  // several strips need their byte counts
    // One strip without its count: uncompressed it is the picture's bytes;
    // coded data runs at most to the end of the file.
    bytes[0] = expected[0];
    if (compressed) bytes[0] = src.length - std::min(src.length, layout.stripOffsets[0]);
  } else if (!compressed && available > 1) {
    // Uncompressed counts are known from the shape; a file that gets one
    // wrong is read with all of them computed.
    bool right = true;
    for (uint64_t i = 0; i < needed; ++i) right = right && layout.stripByteCounts[i] == expected[i];
    for (uint64_t i = 0; i < needed; ++i) bytes[i] = right ? layout.stripByteCounts[i] : expected[i];
  } else {
    for (uint64_t i = 0; i < needed; ++i) bytes[i] = layout.stripByteCounts[i];
  }

  const uint32_t used = std::min(planes, 3u);  // a fourth plane is never shown
  strips->rows = rps;
  strips->rowBytes = rowBytes;
  if (!Resize(&strips->chunks, uint64_t{perPlane} * used)) return 1;
  for (uint64_t i = 0; i < uint64_t{perPlane} * used; ++i) {
    Chunk& c = strips->chunks[i];
    c.offset = layout.stripOffsets[i];
    // Uncompressed strips never read past what their rows need.
    c.bytes = compressed ? bytes[i] : std::min(bytes[i], expected[i]);
    if (!FitsFile(src, c.offset, c.bytes)) return 1;
    c.y = static_cast<uint32_t>(i % perPlane * rps);
    c.columns = layout.width;
    c.rows = std::min(rps, height - c.y);
    c.plane = static_cast<uint32_t>(i / perPlane);
  }
  return 0;
}

int MakeTilePlan(const Source& src, const Layout& layout, const Plan& plan, ChunkPlan* tiles) {
  const uint32_t tw = layout.tileWidth, tl = layout.tileLength;
  if (tw == 0 || tl == 0 || tw % 16 != 0 || tl % 16 != 0 || tw > kTileSide || tl > kTileSide) return 1;
  const uint64_t rowBytes = (uint64_t{tw} * plan.bits * plan.chunkSamples + 7) / 8;
  if (rowBytes * tl > kTileLimit) return 1;
  const uint32_t planes = plan.chunkSamples == plan.samples ? 1 : plan.samples;
  const uint64_t across = (uint64_t{layout.width} + tw - 1) / tw,
                 down = (uint64_t{layout.height} + tl - 1) / tl;
  const uint64_t perPlane = across * down;
  if (layout.tileOffsets.size() < perPlane * planes ||
      layout.tileByteCounts.size() != layout.tileOffsets.size()) {
    return 1;
  }
  const uint32_t used = std::min(planes, 3u);
  tiles->tiled = true;
  tiles->rows = tl;
  tiles->rowBytes = rowBytes;
  if (!Resize(&tiles->chunks, perPlane * used)) return 1;
  for (uint64_t i = 0; i < perPlane * used; ++i) {
    Chunk& c = tiles->chunks[i];
    c.offset = layout.tileOffsets[i];
    c.bytes = layout.tileByteCounts[i];
    if (layout.compression == kUncompressed) c.bytes = std::min<uint64_t>(c.bytes, rowBytes * tl);
    if (!FitsFile(src, c.offset, c.bytes)) return 1;
    const uint64_t t = i % perPlane;
    c.x = static_cast<uint32_t>(t % across * tw);
    c.y = static_cast<uint32_t>(t / across * tl);
    c.columns = std::min(tw, layout.width - c.x);  // tiles past the edges are clipped
    c.rows = std::min(tl, layout.height - c.y);
    c.plane = static_cast<uint32_t>(i / perPlane);
  }
  return 0;
}

// Converts `rows` decoded rows of a chunk, from its row `first` on, into place.
int ConvertRows(const Plan& plan, const Source& src, const Chunk& c, uint64_t rowBytes, uint8_t* data,
                uint64_t first, uint64_t rows, Image* picture) {
  const size_t at = static_cast<size_t>(UnroundedRowBytes(plan.type, static_cast<int32_t>(c.x)));
  for (uint64_t r = 0; r < rows; ++r) {
    uint8_t* out = picture->rows[picture->height - 1 - static_cast<int64_t>(c.y + first + r)] + at;
    if (ConvertRow(plan, src, c.columns, c.plane, data + r * rowBytes, out) != 0) return 1;
  }
  return 0;
}

// Uncompressed strips, read piece by piece with small working memory.
int ReadPlainStrips(const Source& src, const Plan& plan, const ChunkPlan& strips, Image* picture) {
  const uint64_t rowBytes = strips.rowBytes;
  uint64_t rowsPerPiece = strips.rows;
  if (rowBytes * rowsPerPiece > kPieceLimit) {
    rowsPerPiece = kPieceLimit / rowBytes;
    if (rowsPerPiece == 0) return 1;
  }
  std::vector<uint8_t> piece;
  if (!Resize(&piece, static_cast<size_t>(rowsPerPiece * rowBytes))) return 1;
  for (const Chunk& c : strips.chunks) {
    if (SeekTo(src.file, c.offset) != 0) return 1;
    uint64_t left = c.bytes;
    for (uint64_t done = 0; done < c.rows; done += rowsPerPiece) {
      const uint64_t rows = std::min<uint64_t>(rowsPerPiece, c.rows - done);
      const uint64_t want = rows * rowBytes;
      const uint64_t take = std::min(want, left);
      if (ReadExactly(src, piece.data(), take, kReadLimit) != 0) return 1;
      left -= take;
      // A short strip count leaves its missing bytes at 0.
      std::memset(piece.data() + take, 0, static_cast<size_t>(want - take));
      if (ConvertRows(plan, src, c, rowBytes, piece.data(), done, rows, picture) != 0) return 1;
    }
  }
  return 0;
}

int DecodeChunk(uint32_t compression, const uint8_t* in, size_t length, uint8_t* out, size_t capacity) {
  switch (compression) {
    case kUncompressed: {
      const size_t take = std::min(length, capacity);
      std::memcpy(out, in, take);
      std::memset(out + take, 0, capacity - take);
      return 0;
    }
    case kLzw: {
      size_t produced = 0;
      if (DecodeTiffLzw(in, length, out, capacity, &produced) != 0) return 1;
      // A strip that ends early leaves the rest of its rows black.
      std::memset(out + produced, 0, capacity - produced);
      return 0;
    }
    case kPackBits:
      return DecodeTiffPackBits(in, length, out, capacity);
    default:
      return DecodeTiffDeflate(in, length, out, capacity);
  }
}

// Coded strips and tiles: a batch of them is read from the file, then
// decoded and converted on the worker threads, each into its own part of
// the picture, so the result does not depend on the number of threads.
int ReadCodedChunks(const Source& src, const Layout& layout, const Plan& plan, const ChunkPlan& chunkPlan,
                    Image* picture) {
  const std::vector<Chunk>& chunks = chunkPlan.chunks;
  std::vector<uint8_t> coded;
  std::vector<uint64_t> starts;
  for (size_t first = 0; first < chunks.size();) {
    size_t end = first;
    uint64_t sum = 0, low = UINT64_MAX, high = 0;
    while (end < chunks.size() && (end == first || sum + chunks[end].bytes <= kBatchLimit)) {
      sum += chunks[end].bytes;
      low = std::min<uint64_t>(low, chunks[end].offset);
      high = std::max(high, chunks[end].offset + chunks[end].bytes);
      ++end;
    }
    if (!Resize(&starts, end - first)) return 1;
    // Strips and tiles usually follow each other: one read takes them all.
    if (high - low <= sum + sum / 8 + 65536) {
      if (!Resize(&coded, static_cast<size_t>(high - low)) || ReadAt(src, low, high - low, coded.data()) != 0)
        return 1;
      for (size_t i = first; i < end; ++i) starts[i - first] = chunks[i].offset - low;
    } else {
      if (!Resize(&coded, static_cast<size_t>(sum))) return 1;
      uint64_t at = 0;
      for (size_t i = first; i < end; ++i) {
        if (ReadAt(src, chunks[i].offset, chunks[i].bytes, coded.data() + at) != 0) return 1;
        starts[i - first] = at;
        at += chunks[i].bytes;
      }
    }
    std::atomic<bool> failed{false};
    const uint64_t decodedBytes = chunkPlan.rowBytes * chunkPlan.rows;
    ParallelFor(
        static_cast<int64_t>(end - first), static_cast<int64_t>(decodedBytes),
        [&](int64_t begin, int64_t stop) {
          std::vector<uint8_t> decoded;
          for (int64_t k = begin; k < stop && !failed.load(std::memory_order_relaxed); ++k) {
            const Chunk& c = chunks[first + static_cast<size_t>(k)];
            const uint64_t rows = chunkPlan.tiled ? chunkPlan.rows : c.rows;
            const size_t capacity = static_cast<size_t>(rows * chunkPlan.rowBytes);
            if (!Resize(&decoded, capacity) ||
                DecodeChunk(layout.compression, coded.data() + starts[static_cast<size_t>(k)],
                            static_cast<size_t>(c.bytes), decoded.data(), capacity) != 0 ||
                ConvertRows(plan, src, c, chunkPlan.rowBytes, decoded.data(), 0, c.rows, picture) != 0) {
              failed.store(true, std::memory_order_relaxed);
            }
          }
        });
    if (failed.load()) return 1;
    first = end;
  }
  return 0;
}

// What a refused directory holds that the reader never takes, named for
// the user; null when the refusal has another cause.
const char* UnsupportedFeature(const Source& src, const std::vector<uint8_t>& entries) {
  for (size_t at = 0; at + 12 <= entries.size(); at += 12) {
    const uint8_t* p = &entries[at];
    const Entry e{src.U16(p), src.U16(p + 2), src.U32(p + 4), {p[8], p[9], p[10], p[11]}};
    uint32_t v = 0;
    const bool single = e.count == 1 && IntegerValue(src, e, &v);
    if (e.tag == kCompression && single && (v == kJpeg || v == kJpegOld)) return "JPEG compression";
    if ((e.tag == kNewSubfileType && single && (v & 2) != 0) || (e.tag == kSubfileType && single && v == 3)) {
      return "more than one picture";
    }
    std::vector<uint32_t> formats;
    if (e.tag == kSampleFormat && ReadEntryIntegers(src, e, &formats) == 0 &&
        std::find(formats.begin(), formats.end(), 3u) != formats.end()) {
      return "floating-point samples";
    }
  }
  return nullptr;
}

int ReadTiffInto(const Source& src, Image* destination, IccProfile* inputProfile, bool* cmyk,
                 std::string* reason) {
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
    if (ApplyEntry(s, e, &layout, inputProfile) != 0) {
      if (const char* feature = UnsupportedFeature(s, entries))
        *reason = std::string("Not supported: ") + feature;
      return 1;
    }
  }

  if (layout.width == 0 || layout.height == 0) return 1;
  if (layout.width > INT32_MAX || layout.height > INT32_MAX ||
      uint64_t{layout.width} * layout.height > static_cast<uint64_t>(kMaxTiffPixels)) {
    *reason = PictureSizeNote(layout.width, layout.height);
    return 1;
  }
  Plan plan;
  if (MakePlan(layout, &plan) != 0) return 1;
  ChunkPlan chunks;
  const bool tiled = !layout.tileOffsets.empty();
  if ((tiled ? MakeTilePlan(s, layout, plan, &chunks) : MakeStripPlan(s, layout, plan, &chunks)) != 0)
    return 1;
  *cmyk = plan.kind == RowKind::Cmyk8 || plan.kind == RowKind::Cmyk16;
  if (*cmyk)
    MakeCmykToSrgb(*inputProfile, static_cast<int32_t>(plan.bits), static_cast<int32_t>(plan.samples),
                   &plan.cmyk);

  double resolution = layout.xResolution;
  if (layout.centimetre) resolution *= kCentimetresPerInch;
  if (AllocImage(destination, plan.type, static_cast<int32_t>(layout.width),
                 static_cast<int32_t>(layout.height), resolution) != 0) {
    return 1;
  }
  const bool plain = layout.compression == kUncompressed && !chunks.tiled;
  if ((plain ? ReadPlainStrips(s, plan, chunks, destination)
             : ReadCodedChunks(s, layout, plan, chunks, destination)) != 0) {
    return 1;
  }
  if (ApplyOrientation(static_cast<int32_t>(layout.orientation), destination) != 0) return 1;
  return 0;
}

}  // namespace

std::string PictureSizeNote(uint64_t width, uint64_t height) {
  return "The picture has " + std::to_string(width) + " x " + std::to_string(height) + " pixels; at most " +
         std::to_string(kMaxTiffPixels) + " pixels can be read.";
}

int ReadTiff(FileHandle& file, Image* destination, IccProfile* inputProfile, std::string* reason) {
  IccProfile().swap(*inputProfile);
  Source src{file};
  bool cmyk = false;
  std::string why;
  const bool failed =
      GetFileLength(file, &src.length) != 0 || ReadTiffInto(src, destination, inputProfile, &cmyk, &why) != 0;
  if (reason != nullptr) *reason = failed ? why : std::string();
  if (failed) {
    FreeImage(destination);
    return 1;
  }
  // CMYK pictures were brought into sRGB as their rows were read.
  if (!cmyk) ConvertToWorkingSpace(destination, *inputProfile);
  return 0;
}

#include "fuzz_entries.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

// After <cstdio>, which it needs.
#include <jpeglib.h>

#include "core/fileio.h"
#include "core/hooks.h"
#include "core/icc.h"
#include "display/display_copy.h"
#include "files/exif.h"
#include "files/import.h"
#include "files/jpeg.h"
#include "files/png.h"
#include "files/tiff.h"
#include "files/tiff_tags.h"
#include "image/image.h"
#include "image/transform.h"
#include "render/lighting.h"
#include "render/render_state.h"
#include "scene/settings.h"
#include "scene/settings_file.h"
#include "scene/text.h"
#include "scene/units.h"

namespace {

// The input as a file: the readers take a handle or a path, and a memory
// file gives both (/proc/self/fd/N opens it again by name) without a disk.
class MemoryFile {
 public:
  MemoryFile() : file_(::memfd_create("passavue-fuzz", MFD_CLOEXEC)) {}

  bool Fill(const uint8_t* data, size_t size) {
    if (!file_.IsOpen() || ::ftruncate(file_.Descriptor(), 0) != 0) return false;
    size_t done = 0;
    while (done < size) {
      const ssize_t n = ::pwrite(file_.Descriptor(), data + done, size - done, static_cast<off_t>(done));
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return Rewind();
  }
  bool Rewind() { return file_.IsOpen() && ::lseek(file_.Descriptor(), 0, SEEK_SET) == 0; }
  std::vector<uint8_t> Contents() const {
    std::vector<uint8_t> bytes;
    uint8_t block[4096];
    off_t at = 0;
    for (;;) {
      const ssize_t n = ::pread(file_.Descriptor(), block, sizeof block, at);
      if (n <= 0) break;
      bytes.insert(bytes.end(), block, block + n);
      at += n;
    }
    return bytes;
  }
  bool Ok() const { return file_.IsOpen(); }
  FileHandle& Handle() { return file_; }
  std::string Path() const { return "/proc/self/fd/" + std::to_string(file_.Descriptor()); }

 private:
  FileHandle file_;
};

// Collects the messages meant for the user while it lives.
class MessageCapture {
 public:
  MessageCapture() : previous_(SetErrorHook([this](const std::string& m) { messages.push_back(m); })) {}
  ~MessageCapture() { SetErrorHook(previous_); }
  std::vector<std::string> messages;

 private:
  ErrorHook previous_;
};

// Where values computed only to be touched go, so the compiler keeps the work.
volatile size_t g_sink;

bool IsEmpty(const Image& image) {
  return image.rows == nullptr && image.type == 0 && image.width == 0 && image.height == 0;
}

// Reads every byte the picture claims to hold, so that the address
// sanitizer sees a row table that points outside its storage.
uint32_t TouchRows(const Image& image) {
  const size_t bytes = static_cast<size_t>(UnroundedRowBytes(image.type, image.width));
  uint32_t sum = 0;
  for (int32_t r = 0; r < image.height; ++r) {
    const uint8_t* row = image.rows[r];
    for (size_t i = 0; i < bytes; ++i) sum = sum * 31u + row[i];
  }
  return sum;
}

// A well-formed picture of a known type, within the fuzzing limit, with a
// row pointer for every row.
std::string CheckPicture(const Image& image, const char* what) {
  if (image.type < Bilevel || image.type > Rgb16) return std::string(what) + ": unknown pixel type";
  if (image.width < 1 || image.height < 1 || image.rows == nullptr) return std::string(what) + ": no pixels";
  if (int64_t{image.width} * image.height > kFuzzMaxPixels)
    return std::string(what) + ": larger than claimed";
  if (image.rowBytes < UnroundedRowBytes(image.type, image.width) || image.rowBytes % 4 != 0) {
    return std::string(what) + ": row length too short";
  }
  if (!std::isfinite(image.resolution) || image.resolution < 0.0)
    return std::string(what) + ": bad resolution";
  g_sink = TouchRows(image);
  return std::string();
}

uint16_t Little16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// ---------------------------------------------------------------------------
// A plain LZW decoder for TIFF strips: a table of (prefix, length, first,
// last) and a walk along the prefixes for every string. The decoder under
// test keeps its strings in the output instead; the two must agree.

struct LzwString {
  int32_t prefix;
  uint32_t length;
  uint8_t first;
  uint8_t last;
};

int ReferenceLzw(const uint8_t* input, size_t length, size_t capacity, std::vector<uint8_t>* output) {
  output->clear();
  output->reserve(capacity);
  if (length >= 2 && input[0] == 0 && (input[1] & 1) != 0) return 1;  // least significant bit first
  std::vector<LzwString> table(4097);
  for (int32_t i = 0; i < 256; ++i)
    table[i] = LzwString{-1, 1, static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
  int32_t nextFree = 258;
  int width = 9;
  int32_t limit = 510;
  int32_t previous = -1;
  uint64_t bit = 0;
  const uint64_t totalBits = uint64_t{length} * 8;
  auto has = [&](int w) { return bit + static_cast<uint64_t>(w) <= totalBits; };
  auto read = [&](int w) {
    int32_t code = 0;
    for (int k = 0; k < w; ++k, ++bit) code = (code << 1) | ((input[bit >> 3] >> (7 - (bit & 7))) & 1);
    return code;
  };
  // The string from its end back along the prefixes; only its first bytes
  // are kept when the output has no room for all of it.
  auto emit = [&](int32_t code) {
    const size_t base = output->size();
    const size_t take = std::min<size_t>(table[code].length, capacity - base);
    output->resize(base + take);
    int32_t c = code;
    for (size_t i = table[code].length; i > 0; --i) {
      if (i <= take) (*output)[base + i - 1] = table[c].last;
      c = table[c].prefix;
    }
  };

  while (has(width) && output->size() < capacity) {
    int32_t code = read(width);
    if (code == 257) break;
    if (code == 256) {
      nextFree = 258;
      width = 9;
      limit = 510;
      // Clear codes may follow one another; after them comes a single byte.
      do {
        if (!has(9)) break;
        code = read(9);
      } while (code == 256);
      if (code == 256 || code == 257) break;
      if (code > 255) return 1;
      previous = code;
      emit(code);
      continue;
    }
    if (previous < 0) {
      // No clear code first: the table is fresh all the same.
      if (code > 255) return 1;
      previous = code;
      emit(code);
      continue;
    }
    if (nextFree >= 4097 || code > nextFree) return 1;
    const LzwString& before = table[previous];
    const uint8_t last = code < nextFree ? table[code].first : before.first;
    table[nextFree] = LzwString{previous, before.length + 1, before.first, last};
    ++nextFree;
    if (nextFree > limit) {
      ++width;
      limit = 2 * limit + 2;
    }
    previous = code;
    emit(code);
  }
  return 0;
}

// ---------------------------------------------------------------------------
// The settings record as two lists: integers and numbers, in file order.

void Numbers(const SceneSettings& s, std::vector<int32_t>* ints, std::vector<double>* reals) {
  auto color = [&](const RgbColor& c) { ints->insert(ints->end(), {c.red, c.green, c.blue}); };
  reals->push_back(s.background.ratio);
  color(s.background.color);
  ints->insert(ints->end(), {s.lighting.intensity, s.lighting.type, s.frame.style, s.frame.finish});
  color(s.frame.color);
  reals->insert(reals->end(),
                {s.frame.overallWidth, s.frame.overallHeight, s.frame.outerDepth, s.frame.innerDepth,
                 s.frame.leftWidth, s.frame.rightWidth, s.frame.topWidth, s.frame.bottomWidth});
  for (const MatSettings& m : s.mats) {
    ints->insert(ints->end(), {m.shown, m.opening, m.texture, m.bevel});
    color(m.color);
    color(m.bevelColor);
    reals->insert(reals->end(), {m.left, m.right, m.top, m.bottom, m.thickness});
  }
  reals->insert(reals->end(), {s.border.left, s.border.right, s.border.top, s.border.bottom});
  color(s.border.color);
}

// ---------------------------------------------------------------------------
// Independent readings of number texts, through the C library.

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether `text` is a whole integer; if so, its value wrapped to 32 bits
// when it has at most 18 digits (`known`).
bool IntegerText(const std::string& text, bool* known, int32_t* value) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) ++i;
  if (i == text.size()) return false;
  for (size_t k = i; k < text.size(); ++k) {
    if (!IsDigit(text[k])) return false;
  }
  *known = text.size() - i <= 18;
  if (*known) {
    uint64_t magnitude = 0;
    std::from_chars(text.data() + i, text.data() + text.size(), magnitude);
    const uint32_t wrapped = static_cast<uint32_t>(magnitude);
    *value = static_cast<int32_t>(negative ? 0u - wrapped : wrapped);
  }
  return true;
}

// Whether `text` is a number in the program's own grammar (sign, digits with
// at most one "." or "," and at most one "%" in any order, an exponent of one
// or two digits); if so its value by strtod when it has at most 15 digits.
bool NumberText(const std::string& text, bool* known, double* value) {
  size_t i = 0;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) ++i;
  std::string plain = text.substr(0, i);
  int digits = 0, separators = 0, percents = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      ++digits;
      plain += c;
    } else if (c == '.' || c == ',') {
      ++separators;
      plain += '.';
    } else if (c == '%') {
      ++percents;
    } else {
      break;
    }
  }
  if (separators > 1 || percents > 1 || digits + separators == 0) return false;
  const std::string rest = text.substr(i);
  if (!rest.empty()) {
    size_t k = 0;
    if (rest[k] != 'e' && rest[k] != 'E') return false;
    ++k;
    if (k < rest.size() && (rest[k] == '+' || rest[k] == '-')) ++k;
    if (k >= rest.size() || !IsDigit(rest[k])) return false;
    ++k;
    if (k < rest.size() && IsDigit(rest[k])) ++k;
    if (k != rest.size()) return false;
  }
  *known = digits <= 15;
  if (*known) {
    *value = digits == 0 ? 0.0 : std::strtod((plain + rest).c_str(), nullptr);
    if (percents) *value *= 0.01;
  }
  return true;
}

bool Near(double a, double b, double absolute, double relative) {
  return std::fabs(a - b) <= absolute + relative * std::max(std::fabs(a), std::fabs(b));
}

// The largest magnitude a design value may have for its text to read back
// to the written precision (a longer number no longer fits a line).
constexpr double kRoundTripMagnitude = 1e9;

}  // namespace

int64_t ClaimedTiffPixels(const uint8_t* data, size_t size) {
  if (size < 8 || data[0] != data[1] || (data[0] != 'I' && data[0] != 'M')) return 0;
  const bool big = data[0] == 'M';
  auto u16 = [&](size_t at) {
    return big ? static_cast<uint32_t>((data[at] << 8) | data[at + 1])
               : static_cast<uint32_t>(Little16(data + at));
  };
  auto u32 = [&](size_t at) { return big ? (u16(at) << 16) | u16(at + 2) : u16(at) | (u16(at + 2) << 16); };
  if (u16(2) != 42) return 0;
  const uint64_t directory = u32(4);
  if (directory + 2 > size) return 0;
  const uint32_t count = u16(static_cast<size_t>(directory));
  uint64_t width = 0, height = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t at = directory + 2 + uint64_t{12} * i;
    if (at + 12 > size) break;
    const size_t e = static_cast<size_t>(at);
    const uint32_t tag = u16(e);
    const uint32_t type = u16(e + 2);
    uint64_t value;
    if (type == kByte)
      value = data[e + 8];
    else if (type == kShort)
      value = u16(e + 8);
    else if (type == kLong)
      value = u32(e + 8);
    else
      continue;
    if (tag == kImageWidth) width = std::max(width, value);
    if (tag == kImageLength) height = std::max(height, value);
  }
  return static_cast<int64_t>(width * height);  // both below 2^32: no overflow
}

int64_t ClaimedJpegPixels(const uint8_t* data, size_t size) {
  int64_t most = 0;
  // Every frame-header marker anywhere in the file, since the library scans
  // past garbage to find its markers.
  for (size_t i = 0; i + 9 <= size; ++i) {
    if (data[i] != 0xFF) continue;
    const uint8_t m = data[i + 1];
    if (m < 0xC0 || m > 0xCF || m == 0xC4 || m == 0xC8 || m == 0xCC) continue;
    const int64_t height = (data[i + 5] << 8) | data[i + 6];
    const int64_t width = (data[i + 7] << 8) | data[i + 8];
    most = std::max(most, width * height);
  }
  return most;
}

FuzzOutcome FuzzTiff(const uint8_t* data, size_t size) {
  FuzzOutcome outcome;
  MemoryFile file;
  if (ClaimedTiffPixels(data, size) > kFuzzMaxPixels || !file.Fill(data, size)) {
    outcome.skipped = true;
    return outcome;
  }
  Image picture;
  IccProfile profile;
  outcome.result = ReadTiff(file.Handle(), &picture, &profile);
  if (outcome.result != 0) {
    if (outcome.result != 1)
      outcome.fault = "ReadTiff: result neither 0 nor 1";
    else if (!IsEmpty(picture))
      outcome.fault = "ReadTiff: a failed read left a picture behind";
    return outcome;
  }
  outcome.fault = CheckPicture(picture, "ReadTiff");
  if (!outcome.fault.empty()) return outcome;

  // What we write must read back as the same picture; the written file
  // carries no profile, so no colour conversion happens on the way back.
  MemoryFile copy;
  if (!copy.Ok() || WriteTiff(copy.Handle(), picture) != 0 || !copy.Rewind()) {
    outcome.fault = "WriteTiff failed on a picture ReadTiff produced";
    return outcome;
  }
  Image again;
  IccProfile none;
  if (ReadTiff(copy.Handle(), &again, &none) != 0) {
    outcome.fault = "ReadTiff refused a file WriteTiff wrote";
    return outcome;
  }
  if (again.type != picture.type || again.width != picture.width || again.height != picture.height ||
      !none.empty()) {
    outcome.fault = "WriteTiff/ReadTiff: shape changed";
    return outcome;
  }
  const size_t rowBytes = static_cast<size_t>(UnroundedRowBytes(picture.type, picture.width));
  for (int32_t r = 0; r < picture.height; ++r) {
    if (std::memcmp(picture.rows[r], again.rows[r], rowBytes) != 0) {
      outcome.fault = "WriteTiff/ReadTiff: row " + std::to_string(r) + " changed";
      return outcome;
    }
  }
  if (picture.resolution * 10.0 < 4.0e9 && !Near(again.resolution, picture.resolution, 0.05 + 1e-9, 1e-12)) {
    outcome.fault = "WriteTiff/ReadTiff: resolution changed beyond its one decimal";
    return outcome;
  }

  Image rgb;
  ConvertToRgb8(picture, &rgb);
  if (rgb.type != Rgb8 || rgb.width != picture.width || rgb.height != picture.height) {
    outcome.fault = "ConvertToRgb8: not an Rgb8 picture of the same size";
    return outcome;
  }
  outcome.fault = CheckPicture(rgb, "ConvertToRgb8");
  return outcome;
}

FuzzOutcome FuzzLzw(const uint8_t* data, size_t size) {
  FuzzOutcome outcome;
  if (size < 2) {
    outcome.skipped = true;
    return outcome;
  }
  const size_t capacity = Little16(data);
  // Exactly the capacity, so that one byte too many is out of bounds.
  std::vector<uint8_t> stream(data + 2, data + size);
  std::unique_ptr<uint8_t[]> output(new uint8_t[capacity == 0 ? 1 : capacity]);
  size_t produced = 12345;
  outcome.result = DecodeTiffLzw(stream.data(), stream.size(), capacity == 0 ? nullptr : output.get(),
                                 capacity, &produced);
  std::vector<uint8_t> expected;
  const int reference = ReferenceLzw(stream.data(), stream.size(), capacity, &expected);
  if (outcome.result != 0 && outcome.result != 1) {
    outcome.fault = "DecodeTiffLzw: result neither 0 nor 1";
  } else if (outcome.result != reference) {
    outcome.fault = outcome.result == 0 ? "DecodeTiffLzw accepted a stream the table decoder refuses"
                                        : "DecodeTiffLzw refused a stream the table decoder accepts";
  } else if (outcome.result == 0 && produced != expected.size()) {
    outcome.fault = "DecodeTiffLzw: " + std::to_string(produced) + " bytes decoded, expected " +
                    std::to_string(expected.size());
  } else if (outcome.result == 0 && produced > 0 &&
             std::memcmp(output.get(), expected.data(), produced) != 0) {
    outcome.fault = "DecodeTiffLzw: decoded bytes differ from the table decoder";
  }
  return outcome;
}

FuzzOutcome FuzzJpeg(const uint8_t* data, size_t size) {
  FuzzOutcome outcome;
  MemoryFile file;
  if (ClaimedJpegPixels(data, size) > kFuzzMaxPixels || !file.Fill(data, size)) {
    outcome.skipped = true;
    return outcome;
  }
  const std::string path = file.Path();

  // The profile assembler on its own: it runs on files the decoder refuses too.
  IccProfile profile{1, 2, 3};
  const int profileResult = ReadJpegIccProfile(path, &profile);
  const bool startsLikeJpeg = size >= 2 && data[0] == 0xFF && data[1] == 0xD8;
  if (profileResult != 0 && profileResult != 1) {
    outcome.fault = "ReadJpegIccProfile: result neither 0 nor 1";
  } else if (profileResult == 1 && !profile.empty()) {
    outcome.fault = "ReadJpegIccProfile: a failure left a profile";
  } else if (!startsLikeJpeg && profileResult != 1) {
    outcome.fault = "ReadJpegIccProfile: accepted a file without a start-of-image marker";
  } else if (profile.size() > size) {
    outcome.fault = "ReadJpegIccProfile: profile longer than the file";
  }
  if (!outcome.fault.empty()) return outcome;

  SceneSettings scene;
  InitScene(&scene);
  scene.picture.pathname = "earlier.jpg";
  IccProfile inputProfile;
  std::string folder = "earlier";
  MessageCapture messages;
  outcome.result = LoadPicture(path, kPictureJpeg, &scene, &inputProfile, &folder);
  if (outcome.result == 0) {
    if (!messages.messages.empty()) {
      outcome.fault = "LoadPicture succeeded with a message: " + messages.messages.front();
    } else if (PictureImage(scene.picture).type != Rgb8 || scene.picture.pathname != path ||
               folder != "/proc/self/fd") {
      outcome.fault = "LoadPicture succeeded without taking the picture over";
    } else if (profileResult != 0 || inputProfile != profile) {
      outcome.fault = "LoadPicture and ReadJpegIccProfile disagree on the profile";
    } else {
      outcome.fault = CheckPicture(PictureImage(scene.picture), "LoadPicture");
    }
    return outcome;
  }
  if (outcome.result != 1) {
    outcome.fault = "LoadPicture: result neither 0 nor 1";
  } else if (messages.messages.size() != 1 ||
             (messages.messages[0] != "Cannot read JPEG file: " + path &&
              messages.messages[0] != "Error reading profile from JPEG file: " + path)) {
    outcome.fault = "LoadPicture failed without exactly one of its messages";
  } else if (!IsEmpty(PictureImage(scene.picture)) || scene.picture.pathname != "earlier.jpg" ||
             folder != "earlier") {
    outcome.fault = "LoadPicture failed but changed the design";
  }
  return outcome;
}

namespace {

// A gray picture of one pixel from libjpeg, without JFIF or Exif segments.
const std::vector<uint8_t>& OnePixelJpeg() {
  static const std::vector<uint8_t> bytes = [] {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&cinfo, &buffer, &length);
    cinfo.image_width = cinfo.image_height = 1;
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    cinfo.write_JFIF_header = FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPLE sample = 128;
    JSAMPROW row = &sample;
    jpeg_write_scanlines(&cinfo, &row, 1);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> file(buffer, buffer + length);
    std::free(buffer);
    return file;
  }();
  return bytes;
}

}  // namespace

int64_t ClaimedPngPixels(const uint8_t* data, size_t size) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < 24 || std::memcmp(data, kSignature, 8) != 0) return 0;
  auto u32 = [&](size_t at) {
    return (uint64_t{data[at]} << 24) | (uint64_t{data[at + 1]} << 16) | (uint64_t{data[at + 2]} << 8) |
           data[at + 3];
  };
  return static_cast<int64_t>(u32(16) * u32(20));  // both below 2^32: no overflow
}

FuzzOutcome FuzzPng(const uint8_t* data, size_t size) {
  FuzzOutcome outcome;
  MemoryFile file;
  if (ClaimedPngPixels(data, size) > kFuzzMaxPixels || !file.Fill(data, size)) {
    outcome.skipped = true;
    return outcome;
  }
  Image picture;
  IccProfile profile{1, 2, 3};
  std::string reason = "earlier";
  outcome.result = ReadPng(file.Handle(), &picture, &profile, &reason);
  if (outcome.result != 0) {
    if (outcome.result != 1)
      outcome.fault = "ReadPng: result neither 0 nor 1";
    else if (!IsEmpty(picture) || !profile.empty())
      outcome.fault = "ReadPng: a failed read left a picture or profile";
    else if (reason == "earlier")
      outcome.fault = "ReadPng: the reason was left as it was";
    return outcome;
  }
  if (!reason.empty()) {
    outcome.fault = "ReadPng succeeded with a reason";
    return outcome;
  }
  if (picture.type == Bilevel || picture.resolution <= 0.0) {
    outcome.fault = "ReadPng: a bilevel picture or no resolution";
    return outcome;
  }
  outcome.fault = CheckPicture(picture, "ReadPng");
  if (!outcome.fault.empty()) return outcome;

  SceneSettings scene;
  InitScene(&scene);
  IccProfile inputProfile;
  std::string folder = "earlier";
  MessageCapture messages;
  if (LoadPicture(file.Path(), kPicturePng, &scene, &inputProfile, &folder) != 0 ||
      !messages.messages.empty()) {
    outcome.fault = "LoadPicture refused a PNG that ReadPng read";
  } else if (PictureImage(scene.picture).width != picture.width ||
             PictureImage(scene.picture).height != picture.height || inputProfile != profile) {
    outcome.fault = "LoadPicture and ReadPng disagree on the picture or its profile";
  } else {
    outcome.fault = CheckPicture(PictureImage(scene.picture), "LoadPicture");
  }
  return outcome;
}

FuzzOutcome FuzzExif(const uint8_t* data, size_t size) {
  FuzzOutcome outcome;
  // A JPEG segment holds at most 65533 bytes.
  if (size > 65533) {
    outcome.skipped = true;
    return outcome;
  }
  // Exactly the input's length, so that one byte too far is out of bounds.
  const std::unique_ptr<uint8_t[]> block(new uint8_t[size == 0 ? 1 : size]);
  if (size > 0) std::memcpy(block.get(), data, size);
  const ExifFacts facts = ReadExif(size == 0 ? nullptr : block.get(), size);
  outcome.result = 0;
  if (facts.orientation < 1 || facts.orientation > 8) {
    outcome.fault = "ReadExif: orientation " + std::to_string(facts.orientation);
  } else if (!facts.exif && (facts.orientation != 1 || facts.resolution != 0.0)) {
    outcome.fault = "ReadExif: facts from bytes that are not an Exif block";
  } else if (facts.resolution != 0.0 && !(facts.resolution > 0.0 && facts.resolution < 1.0e6)) {
    outcome.fault = "ReadExif: an unusable resolution";
  }
  if (!outcome.fault.empty()) return outcome;

  // The block as a photograph's only APP1 segment: the decoder must find it.
  const std::vector<uint8_t>& tiny = OnePixelJpeg();
  std::vector<uint8_t> jpeg(tiny.begin(), tiny.begin() + 2);
  jpeg.insert(jpeg.end(),
              {0xFF, 0xE1, static_cast<uint8_t>((size + 2) >> 8), static_cast<uint8_t>(size + 2)});
  jpeg.insert(jpeg.end(), data, data + size);
  jpeg.insert(jpeg.end(), tiny.begin() + 2, tiny.end());
  MemoryFile file;
  Image picture;
  int32_t orientation = 0;
  if (!file.Fill(jpeg.data(), jpeg.size()) ||
      DecodeWithImagingLibrary(file.Path(), &picture, nullptr, {}, &orientation) != 0) {
    outcome.fault = "a one-pixel JPEG around the block did not decode";
  } else if (orientation != (facts.exif ? facts.orientation : 1)) {
    outcome.fault = "the decoder and ReadExif disagree on the orientation";
  }
  return outcome;
}

FuzzOutcome FuzzSettings(const uint8_t* data, size_t size) {
  FuzzOutcome outcome;
  MemoryFile file;
  if (!file.Fill(data, size)) {
    outcome.skipped = true;
    return outcome;
  }
  SceneSettings scene;
  InitScene(&scene);
  outcome.result = ReadSettingsFile(file.Handle(), &scene);
  if (outcome.result != 0 && outcome.result != 1) {
    outcome.fault = "ReadSettingsFile: result neither 0 nor 1";
    return outcome;
  }

  // Whatever the file left in the design, saving it must give a file that
  // reads back: every integer exactly, every number to its four decimals.
  MemoryFile saved;
  if (!saved.Ok() || WriteSettingsFile(saved.Handle(), scene) != 0 || !saved.Rewind()) {
    outcome.fault = "WriteSettingsFile failed";
    return outcome;
  }
  SceneSettings back;  // all zero, so a value the reader skips shows
  if (ReadSettingsFile(saved.Handle(), &back) != 0) {
    outcome.fault = "ReadSettingsFile refused a file WriteSettingsFile wrote";
    return outcome;
  }
  std::vector<int32_t> ints, intsBack;
  std::vector<double> reals, realsBack;
  Numbers(scene, &ints, &reals);
  Numbers(back, &intsBack, &realsBack);
  // A number of hundreds of digits makes its line longer than a line the
  // reader takes, and the values after it are lost; only designs of
  // moderate numbers are compared.
  const bool moderate = std::all_of(reals.begin(), reals.end(), [](double v) {
    return !std::isfinite(v) || std::fabs(v) < kRoundTripMagnitude;
  });
  if (!moderate) return outcome;
  if (ints != intsBack) {
    outcome.fault = "settings round trip: an integer changed";
    return outcome;
  }
  for (size_t i = 0; i < reals.size(); ++i) {
    // NaN and infinities are written as zero.
    const double expected = std::isfinite(reals[i]) ? reals[i] : 0.0;
    if (!Near(realsBack[i], expected, 0.0000501, 1e-12)) {
      outcome.fault = "settings round trip: number " + std::to_string(i) + " changed beyond four decimals";
      return outcome;
    }
  }
  return outcome;
}

FuzzOutcome FuzzColorimetry(const uint8_t* data, size_t size) {
  FuzzOutcome outcome;
  // A copy of exactly the input's length, so reading past it is caught.
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size == 0 ? 1 : size]);
  if (size > 0) std::memcpy(bytes.get(), data, size);
  DisplayColorimetry colorimetry;
  outcome.result = ReadDisplayColorimetry(
      bytes.get(), static_cast<uint32_t>(std::min<size_t>(size, UINT32_MAX)), &colorimetry);
  if (outcome.result != 0 && outcome.result != 1) {
    outcome.fault = "ReadDisplayColorimetry: result neither 0 nor 1";
    return outcome;
  }
  if (size < 132) {
    const DisplayColorimetry defaults;
    if (outcome.result != 1 || std::memcmp(&colorimetry, &defaults, sizeof defaults) != 0) {
      outcome.fault = "ReadDisplayColorimetry: a profile too short to hold a tag table was taken";
    }
    return outcome;
  }

  // Whatever was read, the light colours and tables built from it stay in range.
  for (int32_t type = 0; type < kLightingTypeCount; ++type) {
    int32_t red = -1, green = -1, blue = -1;
    if (LightColor(type, colorimetry, &red, &green, &blue) != 0) continue;
    const bool inRange = red >= 0 && red <= 255 && green >= 0 && green <= 255 && blue >= 0 && blue <= 255;
    if (!inRange || std::max({red, green, blue}) != 255) {
      outcome.fault = "LightColor: channels outside 0..255 or no channel at 255";
      return outcome;
    }
  }
  ToneTables tones;
  if (BuildToneTables(colorimetry.gamma, &tones) == 0) {
    for (size_t i = 0; i < tones.encode.size(); ++i) {
      if (tones.encode[i] < 0 || tones.encode[i] > 4096 || (i > 0 && tones.encode[i] < tones.encode[i - 1])) {
        outcome.fault = "BuildToneTables: encode table out of range or not rising";
        return outcome;
      }
    }
    for (size_t j = 1; j < tones.decode.size(); ++j) {
      if (tones.decode[j] < tones.decode[j - 1]) {
        outcome.fault = "BuildToneTables: decode table not rising";
        return outcome;
      }
    }
    for (int32_t intensity = 0; intensity < 3; ++intensity) {
      for (int32_t light : {0, 1, 128, 254, 255}) {
        ChannelTable table;
        if (BuildChannelTable(tones, intensity, light, &table) != 0) {
          outcome.fault = "BuildChannelTable refused an intensity and light in range";
          return outcome;
        }
        if (!std::is_sorted(table.begin(), table.end())) {
          outcome.fault = "BuildChannelTable: a brighter byte came out darker";
          return outcome;
        }
      }
    }
  }

  Image composite;
  if (AllocImage(&composite, Rgb8, 7, 3, 72.0) != 0) return outcome;
  for (int32_t r = 0; r < composite.height; ++r) {
    for (int32_t i = 0; i < 21; ++i) composite.rows[r][i] = static_cast<uint8_t>(r * 80 + i * 12);
  }
  LightingSettings lighting;
  lighting.type = data[0] % 9;  // 8 is out of range: nothing may happen
  lighting.intensity = data[1] % 4;
  ApplyLighting(lighting, colorimetry, &composite);

  // The same bytes as the monitor profile of the display copy.
  Image display;
  const IccProfile monitor(data, data + size);
  DisplayTransform transform;
  const int copied = MakeDisplayCopy(composite, monitor, &transform, &display);
  if (copied != 0 && copied != 1) {
    outcome.fault = "MakeDisplayCopy: result neither 0 nor 1";
  } else if (display.rows != nullptr && (display.type != Rgb8 || display.width != composite.width ||
                                         display.height != composite.height)) {
    outcome.fault = "MakeDisplayCopy: copy of another shape";
  }
  return outcome;
}

FuzzOutcome FuzzText(const uint8_t* data, size_t size) {
  FuzzOutcome outcome;
  if (size < 1) {
    outcome.skipped = true;
    return outcome;
  }
  const int32_t units = data[0] & 3;  // 3 is not a unit
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  SetDecimalSeparator((data[0] & 4) ? ',' : '.');
  struct RestoreSeparator {
    ~RestoreSeparator() { SetDecimalSeparator('.'); }
  } restore;

  const std::vector<std::string> tokens = SplitTokens(text);
  if (tokens.size() > kMaxTokens) {
    outcome.fault = "SplitTokens: too many tokens";
    return outcome;
  }
  size_t cursor = 0;
  for (const std::string& token : tokens) {
    const size_t at = text.find(token, cursor);
    if (token.size() > kMaxTokenLength || at == std::string::npos) {
      outcome.fault = "SplitTokens: a token too long or not in the text in order";
      return outcome;
    }
    cursor = at + token.size();
  }

  int32_t integer = 0;
  const int integerResult = ReadInteger(text, &integer);
  bool known = false;
  int32_t expectedInteger = 0;
  const bool isInteger = IntegerText(text, &known, &expectedInteger);
  if (integerResult != (isInteger ? 0 : 1)) {
    outcome.fault = isInteger ? "ReadInteger refused an integer" : "ReadInteger accepted a non-integer";
    return outcome;
  }
  if (isInteger && known && integer != expectedInteger) {
    outcome.fault = "ReadInteger: value differs from the C library's";
    return outcome;
  }

  double number = 0.0;
  const int numberResult = ReadNumber(text, &number);
  double expectedNumber = 0.0;
  const bool isNumber = NumberText(text, &known, &expectedNumber);
  if (numberResult != (isNumber ? 0 : 1)) {
    outcome.fault = isNumber ? "ReadNumber refused a number" : "ReadNumber accepted a non-number";
    return outcome;
  }
  if (isNumber && known && !Near(number, expectedNumber, 1e-300, 1e-12)) {
    outcome.fault = "ReadNumber: value differs from strtod's";
    return outcome;
  }

  double inches = -1.0;
  outcome.result = ReadLength(text, units, &inches);
  if (outcome.result != 0 && outcome.result != 1) {
    outcome.fault = "ReadLength: result neither 0 nor 1";
    return outcome;
  }
  if (outcome.result == 0) {
    if (!std::isfinite(inches) || inches < 0.0) {
      outcome.fault = "ReadLength: a length that is not a finite non-negative number";
      return outcome;
    }
    // What the dialogs show must read back, to the shown precision.
    if (units < kUnitCount && inches < 1e6) {
      double back = -1.0;
      if (ReadLength(FormatLength(inches, units), units, &back) != 0 || !Near(back, inches, 0.0006, 1e-5)) {
        outcome.fault = "FormatLength/ReadLength: a shown length does not read back";
        return outcome;
      }
    }
  }

  if (size >= 9) {
    double value;
    std::memcpy(&value, data + 1, sizeof value);
    const int precision = data[0] >> 5;  // 0..7; 7 is taken as 6
    if (std::isfinite(value) && std::fabs(value) < 1e15) {
      const std::string written = NumberToText(value, precision, (data[0] & 8) != 0);
      double back = 0.0;
      const double unit = 0.5 * std::pow(10.0, -std::min(precision, 6));
      if (ReadNumber(written, &back) != 0 || !Near(back, value, unit * 1.000001, 1e-15)) {
        outcome.fault = "NumberToText/ReadNumber: \"" + written + "\" does not read back";
        return outcome;
      }
    }
  }

  // The formatted-text writer with the input as its format.
  g_sink = FormatText(text, {int32_t{-7}, 2.5, "name", int32_t{65}}).size();
  return outcome;
}

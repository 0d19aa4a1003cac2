// TIFF LZW: codes most significant bit first, with the early change of the
// code width (one code before the table fills the current width).
#include <array>
#include <cstdint>
#include <cstring>

#include "files/tiff.h"

namespace {

constexpr int32_t kClearCode = 256;
constexpr int32_t kEndCode = 257;
constexpr int32_t kFirstFree = 258;
constexpr int32_t kTableSize = 4097;
constexpr int32_t kFirstLimit = 510;

// Every string of the table is the previous string plus one byte, and the
// decoder writes each string right after the previous one, so each entry's
// string already lies whole in the output: an entry is where it starts
// there and how long it is. Writing a string is then a copy within the
// output instead of a walk along a chain of prefixes.
struct LzwEntry {
  size_t offset;
  uint32_t length;
};

// Pulls codes out of the input, most significant bit first.
class BitReader {
 public:
  BitReader(const uint8_t* input, size_t length) : input_(input), length_(length) {}

  // A whole code of `width` bits is left in the input. Padding bits at the
  // end of a strip that ends without an end-of-information code are not
  // taken for one more code.
  bool HasCode(int width) const { return position_ + static_cast<uint64_t>(width) <= uint64_t{length_} * 8; }

  uint32_t Read(int width) {
    if (count_ < width) Refill();
    const uint32_t code = static_cast<uint32_t>(bits_ >> (64 - width));
    bits_ <<= width;
    count_ -= width;
    position_ += static_cast<uint64_t>(width);
    return code;
  }

 private:
  // Tops the 64-bit window up to at least 56 valid bits; bytes past the
  // end of the input read as 0.
  void Refill() {
    while (count_ <= 56) {
      const uint64_t byte = next_ < length_ ? input_[next_] : 0;
      ++next_;
      bits_ |= byte << (56 - count_);
      count_ += 8;
    }
  }

  const uint8_t* input_;
  size_t length_;
  size_t next_ = 0;        // next byte to load into the window
  uint64_t bits_ = 0;      // unread bits, left-aligned
  int count_ = 0;          // valid bits in the window
  uint64_t position_ = 0;  // bits consumed
};

// Copies `length` bytes from earlier in the output to `to`. The source may
// overlap the destination (a string defined by the very code that uses it),
// in which case the bytes must be taken one by one as they appear.
inline void CopyWithin(uint8_t* to, const uint8_t* from, size_t length, size_t roomAfter) {
  if (length <= 16 && roomAfter >= 16 && static_cast<size_t>(to - from) >= 16) {
    std::memcpy(to, from, 16);  // bytes beyond `length` are rewritten by later codes
    return;
  }
  if (static_cast<size_t>(to - from) >= length) {
    std::memcpy(to, from, length);
    return;
  }
  for (size_t i = 0; i < length; ++i) to[i] = from[i];
}

}  // namespace

int DecodeTiffLzw(const uint8_t* input, size_t inputLength, uint8_t* output, size_t outputLength,
                  size_t* produced) {
  *produced = 0;
  // The old least-significant-bit-first variant starts with a clear code
  // that reads 0x00 0x01 in this bit order; it is not supported.
  if (inputLength >= 2 && input[0] == 0 && (input[1] & 1) != 0) return 1;

  std::array<LzwEntry, kTableSize> table;
  int32_t nextFree = kFirstFree;
  int width = 9;
  int32_t limit = kFirstLimit;
  bool havePrevious = false;  // no string yet
  size_t previousAt = 0;      // where the previous string was written
  size_t previousLength = 0;
  size_t out = 0;
  BitReader bits(input, inputLength);

  while (bits.HasCode(width) && out < outputLength) {
    int32_t code = static_cast<int32_t>(bits.Read(width));
    if (code == kEndCode) break;
    if (code == kClearCode) {
      // Consecutive clear codes are allowed.
      nextFree = kFirstFree;
      width = 9;
      limit = kFirstLimit;
      do {
        if (!bits.HasCode(9)) break;
        code = static_cast<int32_t>(bits.Read(9));
      } while (code == kClearCode);
      if (code == kEndCode || code == kClearCode) break;
      // Only single bytes exist right after a clear.
      if (code > 255) return 1;
      previousAt = out;
      previousLength = 1;
      havePrevious = true;
      output[out++] = static_cast<uint8_t>(code);
      continue;
    }
    if (!havePrevious) {
      // A stream that does not open with a clear code starts from the fresh
      // table all the same: its first code must be a single byte.
      if (code > 255) return 1;
      previousAt = out;
      previousLength = 1;
      havePrevious = true;
      output[out++] = static_cast<uint8_t>(code);
      continue;
    }
    if (nextFree >= kTableSize) return 1;
    if (code > nextFree) return 1;  // beyond the table: no string to write
    // The new entry is the previous string and the first byte of this one,
    // which is about to follow it in the output.
    table[nextFree] = LzwEntry{previousAt, static_cast<uint32_t>(previousLength + 1)};
    ++nextFree;
    if (nextFree > limit) {
      ++width;
      limit = 2 * limit + 2;
    }

    previousAt = out;
    if (code < 256) {
      previousLength = 1;
      output[out++] = static_cast<uint8_t>(code);
      continue;
    }
    const LzwEntry& entry = table[code];
    const size_t room = outputLength - out;
    // A string longer than the room left is cut to its first bytes.
    const size_t length = entry.length < room ? entry.length : room;
    CopyWithin(output + out, output + entry.offset, length, room);
    previousLength = length;
    out += length;
  }
  *produced = out;
  return 0;
}

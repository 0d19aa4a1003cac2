#include "image/transform.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace {

// Axis-exchanging moves walk the source in square blocks so that the 64
// source rows and 64 destination rows of one block stay in cache.
constexpr int32_t kBlock = 64;

// A pixel of N bytes moved as a whole; N is fixed per call, never per pixel.
template <int N>
inline void MovePixel(const uint8_t* from, uint8_t* to) {
  std::memcpy(to, from, N);
}

// Where a destination pixel (x, y) of an axis-exchanging transform comes
// from, in stored (bottom-up) coordinates: source x depends on y only and
// source y on x only, so source x = sx0 + sxPerY * y, source y = sy0 + syPerX * x.
struct Mapping {
  int32_t sx0, sxPerY;
  int32_t sy0, syPerX;
};

// Same-shape transforms go row by row: one destination row reads one source row.
template <int N>
void MoveRows(const Image& src, Image* dst, bool mirror, bool flip) {
  const int32_t w = src.width;
  const int32_t h = src.height;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* from = src.rows[flip ? h - 1 - y : y];
    uint8_t* to = dst->rows[y];
    if (!mirror) {
      std::memcpy(to, from, static_cast<size_t>(src.rowBytes));
      continue;
    }
    const uint8_t* f = from + static_cast<size_t>(w - 1) * N;
    for (int32_t x = 0; x < w; ++x, to += N, f -= N) MovePixel<N>(f, to);
  }
}

void MoveRowsBilevel(const Image& src, Image* dst, bool mirror, bool flip) {
  const int32_t w = src.width;
  const int32_t h = src.height;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* from = src.rows[flip ? h - 1 - y : y];
    uint8_t* to = dst->rows[y];
    if (!mirror) {
      std::memcpy(to, from, static_cast<size_t>(src.rowBytes));
      continue;
    }
    std::memset(to, 0, static_cast<size_t>(dst->rowBytes));
    for (int32_t x = 0; x < w; ++x) {
      if (GetBit(from, w - 1 - x)) SetBit(to, x);
    }
  }
}

// Axis-exchanging transforms: the destination is H x W. The loops walk
// blocks of the source (64 columns by 64 rows) and, inside each block, the
// destination row by row.
template <int N>
void MoveBlocks(const Image& src, Image* dst, const Mapping& m) {
  const int32_t dw = dst->width;   // = source height
  const int32_t dh = dst->height;  // = source width
  // Destination x runs over source rows and destination y over source
  // columns; blocking the destination is blocking the source.
  for (int32_t by = 0; by < dh; by += kBlock) {
    const int32_t yEnd = std::min(by + kBlock, dh);
    for (int32_t bx = 0; bx < dw; bx += kBlock) {
      const int32_t xEnd = std::min(bx + kBlock, dw);
      for (int32_t y = by; y < yEnd; ++y) {
        uint8_t* to = dst->rows[y] + static_cast<size_t>(bx) * N;
        const size_t sxBytes = static_cast<size_t>(m.sx0 + m.sxPerY * y) * N;
        int32_t sy = m.sy0 + m.syPerX * bx;
        for (int32_t x = bx; x < xEnd; ++x, to += N, sy += m.syPerX) {
          MovePixel<N>(src.rows[sy] + sxBytes, to);
        }
      }
    }
  }
}

void MoveBlocksBilevel(const Image& src, Image* dst, const Mapping& m) {
  const int32_t dw = dst->width;
  const int32_t dh = dst->height;
  for (int32_t y = 0; y < dh; ++y) std::memset(dst->rows[y], 0, static_cast<size_t>(dst->rowBytes));
  for (int32_t by = 0; by < dh; by += kBlock) {
    const int32_t yEnd = std::min(by + kBlock, dh);
    for (int32_t bx = 0; bx < dw; bx += kBlock) {
      const int32_t xEnd = std::min(bx + kBlock, dw);
      for (int32_t y = by; y < yEnd; ++y) {
        uint8_t* to = dst->rows[y];
        const int32_t sx = m.sx0 + m.sxPerY * y;
        int32_t sy = m.sy0 + m.syPerX * bx;
        for (int32_t x = bx; x < xEnd; ++x, sy += m.syPerX) {
          if (GetBit(src.rows[sy], sx)) SetBit(to, x);
        }
      }
    }
  }
}

int SameShape(const Image& src, Image* dst, bool mirror, bool flip) {
  if (&src == dst) return 1;  // would read pixels it has already overwritten
  if (AllocImage(dst, src.type, src.width, src.height, src.resolution) != 0) return 1;
  if (src.width < 1 || src.height < 1 || src.rows == nullptr || dst->rows == nullptr) return 0;
  switch (src.type) {
    case Bilevel:
      MoveRowsBilevel(src, dst, mirror, flip);
      break;
    case Gray8:
      MoveRows<1>(src, dst, mirror, flip);
      break;
    case Gray16:
      MoveRows<2>(src, dst, mirror, flip);
      break;
    case Rgb8:
      MoveRows<3>(src, dst, mirror, flip);
      break;
    case Rgb16:
      MoveRows<6>(src, dst, mirror, flip);
      break;
    default:
      break;
  }
  return 0;
}

int Exchanged(const Image& src, Image* dst, const Mapping& m) {
  if (&src == dst) return 1;
  if (AllocImage(dst, src.type, src.height, src.width, src.resolution) != 0) return 1;
  if (src.width < 1 || src.height < 1 || src.rows == nullptr || dst->rows == nullptr) return 0;
  switch (src.type) {
    case Bilevel:
      MoveBlocksBilevel(src, dst, m);
      break;
    case Gray8:
      MoveBlocks<1>(src, dst, m);
      break;
    case Gray16:
      MoveBlocks<2>(src, dst, m);
      break;
    case Rgb8:
      MoveBlocks<3>(src, dst, m);
      break;
    case Rgb16:
      MoveBlocks<6>(src, dst, m);
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace

int MirrorHorizontal(const Image& source, Image* destination) {
  return SameShape(source, destination, true, false);
}
int Rotate180(const Image& source, Image* destination) { return SameShape(source, destination, true, true); }
int FlipVertical(const Image& source, Image* destination) {
  return SameShape(source, destination, false, true);
}

// In the four below W and H are the source width and height, and the
// destination pixel (x, y) takes the source pixel named in the comment.
int Transpose(const Image& source, Image* destination) {
  // src(W - 1 - y, H - 1 - x)
  const int32_t w = source.width, h = source.height;
  return Exchanged(source, destination, Mapping{w - 1, -1, h - 1, -1});
}

int Rotate90Clockwise(const Image& source, Image* destination) {
  // src(W - 1 - y, x)
  const int32_t w = source.width;
  return Exchanged(source, destination, Mapping{w - 1, -1, 0, 1});
}

int Transverse(const Image& source, Image* destination) {
  // src(y, x)
  return Exchanged(source, destination, Mapping{0, 1, 0, 1});
}

int Rotate90CounterClockwise(const Image& source, Image* destination) {
  // src(y, H - 1 - x)
  const int32_t h = source.height;
  return Exchanged(source, destination, Mapping{0, 1, h - 1, -1});
}

int ApplyOrientation(int32_t orientation, Image* picture) {
  int (*transform)(const Image&, Image*) = nullptr;
  switch (orientation) {
    case 2:
      transform = MirrorHorizontal;
      break;
    case 3:
      transform = Rotate180;
      break;
    case 4:
      transform = FlipVertical;
      break;
    case 5:
      transform = Transpose;
      break;
    case 6:
      transform = Rotate90Clockwise;
      break;
    case 7:
      transform = Transverse;
      break;
    case 8:
      transform = Rotate90CounterClockwise;
      break;
    default:
      return 0;
  }
  Image upright;
  if (transform(*picture, &upright) != 0) return 1;
  *picture = std::move(upright);
  return 0;
}

// v / 257 to the nearest whole number, without a division per sample.
// Built by the compiler, so there is nothing to allocate or to fail.
constexpr std::array<uint8_t, 65536> MakeSixteenToEightTable() {
  std::array<uint8_t, 65536> table{};
  for (uint32_t v = 0; v < 65536; ++v) table[v] = static_cast<uint8_t>((255 * v + 32767) / 65535);
  return table;
}

void ConvertToRgb8(const Image& source, Image* destination) {
  static constexpr std::array<uint8_t, 65536> table = MakeSixteenToEightTable();
  if (&source == destination) return;
  if (source.type < Bilevel || source.type > Rgb16) {
    FreeImage(destination);  // nothing convertible
    return;
  }
  if (AllocImage(destination, Rgb8, source.width, source.height, source.resolution) != 0) return;
  if (source.rows == nullptr || destination->rows == nullptr) return;
  const int32_t w = source.width;
  for (int32_t y = 0; y < source.height; ++y) {
    const uint8_t* from = source.rows[y];
    uint8_t* to = destination->rows[y];
    switch (source.type) {
      case Bilevel:
        for (int32_t x = 0; x < w; ++x, to += 3) {
          const uint8_t v = GetBit(from, x) ? 255 : 0;
          to[0] = to[1] = to[2] = v;
        }
        break;
      case Gray8:
        for (int32_t x = 0; x < w; ++x, to += 3) to[0] = to[1] = to[2] = from[x];
        break;
      case Rgb8:
        std::memcpy(to, from, static_cast<size_t>(destination->rowBytes));
        break;
      case Gray16:
        for (int32_t x = 0; x < w; ++x, to += 3) {
          uint16_t v;
          std::memcpy(&v, from + 2 * static_cast<size_t>(x), 2);
          to[0] = to[1] = to[2] = table[v];
        }
        break;
      case Rgb16:
        for (int32_t x = 0; x < 3 * w; ++x) {
          uint16_t v;
          std::memcpy(&v, from + 2 * static_cast<size_t>(x), 2);
          to[x] = table[v];
        }
        break;
      default:
        break;
    }
  }
}

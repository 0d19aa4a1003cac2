#include "image/resample.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <exception>
#include <mutex>
#include <utility>
#include <vector>

#include "core/hooks.h"
#include "core/parallel.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define PASSAVUE_RESAMPLE_SSE 1
#else
#define PASSAVUE_RESAMPLE_SSE 0
#endif

// The scaling runs row by row: a vertical pass blends source rows into one
// intermediate row, a horizontal pass blends that row into the destination
// row. Everything that depends only on the geometry (which source rows and
// columns a destination row or column takes, their integer weights and the
// way the weighted sum is divided) is worked out once per call, so the pixel
// loops are nothing but integer multiply-accumulate over contiguous samples.

namespace {

std::atomic<bool> vectorPaths{true};

// Read as a call is planned: the switch never changes kernels within a call.
bool VectorPaths() { return vectorPaths.load(std::memory_order_relaxed); }

// ---------------------------------------------------------------------------
// Kernels and weights

double Kernel(int32_t filter, double a, double x) {
  double t = std::fabs(x);
  if (filter == FilterTriangle) return t <= 1.0 ? 1.0 - t : 0.0;
  if (t <= 1.0) return (a + 2.0) * t * t * t - (a + 3.0) * t * t + 1.0;
  if (t <= 2.0) return a * t * t * t - 5.0 * a * t * t + 8.0 * a * t - 4.0 * a;
  return 0.0;
}

// Weights are in units of 1/255, the fraction dropped toward zero. Only an
// absurd cubic parameter (|a| beyond about 100) gives kernel values over 128;
// saturating those keeps every weight within 16 bits and every sum within 64,
// and a parameter that is not a number weighs nothing.
constexpr double kWeightLimit = 32767.0;

int32_t WeightOf(double k) {
  double w = k * 255.0;
  if (std::isnan(w)) return 0;
  return static_cast<int32_t>(std::clamp(w, -kWeightLimit, kWeightLimit));
}

// ---------------------------------------------------------------------------
// Division of a weighted sum by its weight sum.
//
// The quotient is truncated toward zero and then clamped to the sample range.
// An integer division per sample would dominate the run time, so sums that
// fit 32 bits are multiplied by the reciprocal of the weight sum instead.
// With the sum offset by half a unit toward the sign of the divisor, the
// exact quotient (n + 1/2) / W lies at least 1/(2|W|) from every integer,
// while the rounding error of the double arithmetic stays below 1/(4|W|) for
// |n| < 2^50; truncating the product therefore gives exactly trunc(n / W).
// The same argument in single precision (relative error below 2^-23 for the
// reciprocal and the product together) holds for |n| < 2^21: that covers
// 8-bit sums over up to 8224 units of weight, which the vector kernels use.
// Sums that need 64 bits (16-bit samples over more than about 128 taps,
// 8-bit ones over some 33000) are divided as integers.

constexpr double kSingleReciprocalLimit = 2097152.0;  // 2^21

struct Divisor {
  double reciprocal = 1.0;
  double bias = 0.5;
  int64_t sum = 1;
};

Divisor MakeDivisor(int64_t weightSum) {
  Divisor d;
  d.sum = weightSum == 0 ? 1 : weightSum;
  d.reciprocal = 1.0 / static_cast<double>(d.sum);
  d.bias = d.sum > 0 ? 0.5 : -0.5;
  return d;
}

// How the sums of one pass are accumulated, chosen per call from the largest
// sum that pass can produce.
enum class SumMode { Narrow, Wide };

SumMode ModeForBound(double bound) { return bound < 2147483647.0 ? SumMode::Narrow : SumMode::Wide; }

template <typename Sample>
constexpr int64_t kMaxSample = sizeof(Sample) == 1 ? 255 : 65535;

template <typename Sample, typename Acc>
inline Sample DivideAndClamp(Acc n, const Divisor& d) {
  if constexpr (sizeof(Acc) == 8) {
    int64_t q = n / d.sum;
    return static_cast<Sample>(q < 0 ? 0 : (q > kMaxSample<Sample> ? kMaxSample<Sample> : q));
  } else {
    constexpr double kMax = static_cast<double>(kMaxSample<Sample>);
    double q = (static_cast<double>(n) + d.bias) * d.reciprocal;
    q = q < 0.0 ? 0.0 : (q > kMax ? kMax : q);
    return static_cast<Sample>(static_cast<int32_t>(q));
  }
}

// ---------------------------------------------------------------------------
// The plan: everything fixed for the whole call.

// Source rows a destination row blends: `count` rows from `first`, with
// `count` weights from `weightStart` in the plan's vertical weight list.
// One row with a non-zero weight is the source row itself, unblended.
struct RowTaps {
  int32_t first = 0;
  int32_t count = 0;
  int64_t weightStart = 0;
  Divisor divisor;
};

struct ResamplePlan {
  int32_t workType = 0;
  int32_t channels = 1;
  int32_t sourceWidth = 0;
  int32_t destWidth = 0;
  bool copyColumns = false;  // equal widths: the intermediate row is copied
  // Horizontal: every destination column applies `taps` consecutive weights
  // to the source columns from columnFirst[i]; runs shorter than `taps` are
  // padded with zero weights so every column has the same length.
  int32_t taps = 0;
  std::vector<int32_t> columnFirst;
  std::vector<int32_t> columnWeights;
  std::vector<Divisor> columnDivisors;
  // Source samples the horizontal pass reads: [sampleBegin, sampleEnd).
  int64_t sampleBegin = 0;
  int64_t sampleEnd = 0;
  std::vector<RowTaps> rowTaps;
  std::vector<int32_t> rowWeights;
  SumMode horizontalMode = SumMode::Narrow;
  SumMode verticalMode = SumMode::Narrow;
  int32_t maxRowTaps = 1;
  // 8-bit passes whose sums stay below 2^21 run in the vector kernels.
  bool vectorRows = false;
  bool vectorColumns = false;
  // Vector column weights: per column, `groups` blocks of four taps, each as
  // two lines of eight 16-bit weights (taps 0,1 then 2,3, paired per channel).
  int32_t groups = 0;
  std::vector<int16_t> columnPairs;
  std::vector<float> columnReciprocals;
  std::vector<float> columnBiases;
};

// Position of destination index i on the source axis.
struct Position {
  int32_t p;
  double f;
};

Position SourcePosition(int32_t i, double step) {
  double c = i * step;
  int32_t p = static_cast<int32_t>(c);
  return {p, c - p};
}

double AxisStep(int32_t sourceLength, int32_t destLength, bool vertical) {
  if (destLength == 1) return vertical ? 1.0 : 0.0;
  return static_cast<double>(sourceLength - 1) / static_cast<double>(destLength - 1);
}

// One destination position reducing: the weights of the source indices
// [first, first + weights.size()), trimmed to the outermost non-zero weights.
// Taps outside the source have no weight at all.
void ReductionTaps(int32_t s, double step, double scale, Position pos, int32_t filter, double a,
                   bool clampWeights, int32_t* first, std::vector<int32_t>* weights) {
  weights->clear();
  int64_t half = static_cast<int64_t>(step) + 1;
  int64_t kLow = std::max<int64_t>(-half, -static_cast<int64_t>(pos.p));
  int64_t kHigh = std::min<int64_t>(half, static_cast<int64_t>(s) - 1 - pos.p);
  *first = 0;
  bool started = false;
  size_t lastNonZero = 0;
  for (int64_t k = kLow; k <= kHigh; ++k) {
    int32_t w = WeightOf(Kernel(filter, a, (static_cast<double>(k) - pos.f) / scale));
    if (clampWeights) w = std::clamp(w, 0, 255);
    if (!started) {
      if (w == 0) continue;
      started = true;
      *first = static_cast<int32_t>(pos.p + k);
    }
    weights->push_back(w);
    if (w != 0) lastNonZero = weights->size();
  }
  weights->resize(lastNonZero);
}

// One destination position enlarging: four taps at p - 1 .. p + 2, the outer
// ones dropped at the ends of the source. Returns false when the position is
// at or beyond the last source pixel (the result is that pixel, unblended).
bool EnlargementTaps(int32_t s, Position pos, int32_t filter, double a, int32_t w[4]) {
  if (pos.p >= s - 1) return false;
  for (int j = 0; j < 4; ++j) w[j] = WeightOf(Kernel(filter, a, (j - 1) - pos.f));
  if (pos.p < 1) w[0] = 0;
  if (pos.p + 2 >= s) w[3] = 0;
  return true;
}

// The enlargement taps that carry weight: the source indices [first, first +
// run size), from the first to the last non-zero weight.
void EnlargementRun(int32_t s, Position pos, const int32_t w[4], int32_t* first, std::vector<int32_t>* run) {
  const int32_t base = pos.p - 1;  // the index of w[0]
  int32_t lo = base, hi = base + 3;
  while (lo < hi && (lo < 0 || w[lo - base] == 0)) ++lo;
  while (hi > lo && (hi >= s || w[hi - base] == 0)) --hi;
  *first = lo;
  run->clear();
  if (w[lo - base] != 0) run->assign(w + (lo - base), w + (hi - base) + 1);
}

double AbsSum(const int32_t* w, size_t n) {
  double sum = 0.0;
  for (size_t i = 0; i < n; ++i) sum += std::abs(w[i]);
  return sum;
}

void PlanColumns(const Image& source, int32_t newWidth, int32_t filter, double a, double maxSample,
                 ResamplePlan* plan) {
  const int32_t s = source.width;
  const int32_t d = newWidth;
  plan->sourceWidth = s;
  plan->destWidth = d;
  if (s == d) {
    plan->copyColumns = true;
    plan->sampleBegin = 0;
    plan->sampleEnd = static_cast<int64_t>(s) * plan->channels;
    return;
  }
  const double step = AxisStep(s, d, false);
  // Each column's taps before padding to a common length.
  std::vector<int32_t> firsts(d);
  std::vector<std::vector<int32_t>> runs(d);
  if (s > d) {
    const double scale = static_cast<double>(s) / d;
    for (int32_t i = 0; i < d; ++i) {
      ReductionTaps(s, step, scale, SourcePosition(i, step), filter, a, true, &firsts[i], &runs[i]);
    }
  } else {
    for (int32_t i = 0; i < d; ++i) {
      Position pos = SourcePosition(i, step);
      int32_t w[4];
      if (!EnlargementTaps(s, pos, filter, a, w)) {
        firsts[i] = s - 1;
        runs[i] = {1};
        continue;
      }
      EnlargementRun(s, pos, w, &firsts[i], &runs[i]);
    }
  }
  size_t taps = 1;
  for (const auto& run : runs) taps = std::max(taps, run.size());
  plan->taps = static_cast<int32_t>(taps);
  plan->columnFirst.assign(d, 0);
  plan->columnWeights.assign(static_cast<size_t>(d) * taps, 0);
  plan->columnDivisors.assign(d, Divisor{});
  int64_t begin = s, end = 0;
  double largest = 0.0;
  for (int32_t i = 0; i < d; ++i) {
    // Keep the padded run inside the row by sliding it left at the right end.
    int32_t first = std::min<int32_t>(firsts[i], s - static_cast<int32_t>(taps));
    int32_t shift = firsts[i] - first;
    int64_t sum = 0;
    for (size_t t = 0; t < runs[i].size(); ++t) {
      plan->columnWeights[static_cast<size_t>(i) * taps + shift + t] = runs[i][t];
      sum += runs[i][t];
    }
    plan->columnFirst[i] = first;
    plan->columnDivisors[i] = MakeDivisor(sum);
    largest = std::max(largest, AbsSum(runs[i].data(), runs[i].size()));
    begin = std::min<int64_t>(begin, first);
    end = std::max<int64_t>(end, first + static_cast<int64_t>(taps));
  }
  plan->sampleBegin = begin * plan->channels;
  plan->sampleEnd = end * plan->channels;
  plan->horizontalMode = ModeForBound(largest * maxSample);
#if PASSAVUE_RESAMPLE_SSE
  if (plan->workType == Rgb8 && largest * maxSample < kSingleReciprocalLimit && VectorPaths() &&
      __builtin_cpu_supports("ssse3")) {
    plan->vectorColumns = true;
    plan->groups = (plan->taps + 3) / 4;
    const size_t perColumn = static_cast<size_t>(plan->groups) * 16;
    plan->columnPairs.assign(static_cast<size_t>(d) * perColumn, 0);
    plan->columnReciprocals.assign(d, 1.0f);
    plan->columnBiases.assign(d, 0.5f);
    for (int32_t i = 0; i < d; ++i) {
      const int32_t* w = plan->columnWeights.data() + static_cast<size_t>(i) * taps;
      int16_t* pairs = plan->columnPairs.data() + static_cast<size_t>(i) * perColumn;
      for (size_t t = 0; t < taps; ++t) {
        // Tap t sits in group t / 4, line (t % 4) / 2, slot t % 2 of each pair.
        int16_t* line = pairs + (t / 4) * 16 + ((t % 4) / 2) * 8;
        for (int c = 0; c < 3; ++c) line[2 * c + (t % 2)] = static_cast<int16_t>(w[t]);
      }
      plan->columnReciprocals[i] = 1.0f / static_cast<float>(plan->columnDivisors[i].sum);
      plan->columnBiases[i] = plan->columnDivisors[i].sum > 0 ? 0.5f : -0.5f;
    }
  }
#endif
}

void PlanRows(const Image& source, int32_t newHeight, int32_t filter, double a, double maxSample,
              ResamplePlan* plan) {
  const int32_t s = source.height;
  const int32_t d = newHeight;
  plan->rowTaps.assign(d, RowTaps{});
  auto single = [plan](int32_t row) {
    RowTaps taps;
    taps.first = row;
    taps.count = 1;
    taps.weightStart = static_cast<int64_t>(plan->rowWeights.size());
    plan->rowWeights.push_back(1);
    return taps;
  };
  double largest = 1.0;
  if (s == d) {
    for (int32_t y = 0; y < d; ++y) plan->rowTaps[y] = single(y);
  } else {
    const double step = AxisStep(s, d, true);
    const double scale = static_cast<double>(s) / d;
    std::vector<int32_t> run;
    for (int32_t y = 0; y < d; ++y) {
      Position pos = SourcePosition(y, step);
      RowTaps taps;
      if (s > d) {
        ReductionTaps(s, step, scale, pos, filter, a, false, &taps.first, &run);
      } else {
        int32_t w[4];
        if (!EnlargementTaps(s, pos, filter, a, w)) {
          plan->rowTaps[y] = single(s - 1);
          continue;
        }
        if (WeightOf(pos.f) == 0) {
          plan->rowTaps[y] = single(pos.p);
          continue;
        }
        EnlargementRun(s, pos, w, &taps.first, &run);
      }
      taps.count = static_cast<int32_t>(run.size());
      taps.weightStart = static_cast<int64_t>(plan->rowWeights.size());
      int64_t sum = 0;
      for (int32_t w : run) sum += w;
      taps.divisor = MakeDivisor(sum);
      plan->rowWeights.insert(plan->rowWeights.end(), run.begin(), run.end());
      largest = std::max(largest, AbsSum(run.data(), run.size()));
      plan->maxRowTaps = std::max(plan->maxRowTaps, taps.count);
      plan->rowTaps[y] = taps;
    }
  }
  plan->verticalMode = ModeForBound(largest * maxSample);
  plan->vectorRows = PASSAVUE_RESAMPLE_SSE && maxSample == 255.0 &&
                     largest * maxSample < kSingleReciprocalLimit && VectorPaths();
}

// ---------------------------------------------------------------------------
// Reading source rows. Bilevel rows are widened to 0/255 bytes block by
// block as they are read, so no expanded copy of the source is ever needed.

template <typename Sample>
struct SampleRows {
  const Image& image;
  const Sample* Read(int32_t row, int64_t start, int64_t /*count*/, Sample* /*scratch*/) const {
    return reinterpret_cast<const Sample*>(image.rows[row]) + start;
  }
  static constexpr bool kDirect = true;
};

struct BitRows {
  const Image& image;
  const uint8_t* Read(int32_t row, int64_t start, int64_t count, uint8_t* scratch) const {
    const uint8_t* bits = image.rows[row];
    for (int64_t i = 0; i < count; ++i) {
      int64_t x = start + i;
      scratch[i] = static_cast<uint8_t>((bits[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0);
    }
    return scratch;
  }
  static constexpr bool kDirect = false;
};

constexpr int64_t kBlock = 1024;  // samples per vertical block; sums stay in L1

// Scratch of one row range: the intermediate row and the block buffers.
struct RowScratch {
  std::vector<uint16_t> line;       // intermediate row, source width, working type, padded
  std::vector<uint8_t> expanded;    // one block of widened bilevel samples
  std::vector<int32_t> narrowSums;  // one block of sums
  std::vector<int64_t> wideSums;
  std::vector<const uint8_t*> tapRows;  // the vector kernel's rows and weights
  std::vector<int16_t> tapWeights;
};

// Bytes after the intermediate row that the vector column kernel may read
// (with zero weights) past the last tap.
constexpr size_t kLinePadding = 64;

#if PASSAVUE_RESAMPLE_SSE
// Vertical pass over 8-bit samples, two rows per multiply-add: the bytes of
// both rows are interleaved into 16-bit pairs and multiplied by the pair of
// weights, four sums of 32 bits per instruction. `count` is even (a zero
// weight pads it). The quotient is truncated in single precision (see the
// reciprocal limit above) and the two saturating packs are the clamp.
void BlendByteRowsSse2(const uint8_t* const* rows, const int16_t* weights, int32_t count, int64_t begin,
                       int64_t end, float reciprocal, float bias, uint8_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128 r = _mm_set1_ps(reciprocal);
  const __m128 b = _mm_set1_ps(bias);
  auto divide = [&](__m128i sum) {
    return _mm_cvttps_epi32(_mm_mul_ps(_mm_add_ps(_mm_cvtepi32_ps(sum), b), r));
  };
  int64_t x = begin;
  for (;; x += 16) {
    if (x + 16 > end) {
      if (x == end || end - begin < 16) break;
      x = end - 16;  // the last block overlaps the one before; same results
    }
    __m128i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
    for (int32_t t = 0; t < count; t += 2) {
      const __m128i w = _mm_set1_epi32(
          static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>(weights[t + 1])) << 16) |
                               static_cast<uint16_t>(weights[t])));
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t] + x));
      const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t + 1] + x));
      const __m128i lo = _mm_unpacklo_epi8(a, c);
      const __m128i hi = _mm_unpackhi_epi8(a, c);
      s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), w));
      s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), w));
      s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), w));
      s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), w));
    }
    const __m128i low = _mm_packs_epi32(divide(s0), divide(s1));
    const __m128i high = _mm_packs_epi32(divide(s2), divide(s3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(low, high));
    if (x + 16 == end) return;
  }
  for (; x < end; ++x) {  // rows shorter than one block
    int32_t sum = 0;
    for (int32_t t = 0; t < count; ++t) sum += weights[t] * rows[t][x];
    float q = (static_cast<float>(sum) + bias) * reciprocal;
    out[x] = static_cast<uint8_t>(q < 0.0f ? 0 : (q > 255.0f ? 255 : static_cast<int32_t>(q)));
  }
}

// Horizontal pass over Rgb8, four taps per step: one byte shuffle gathers
// blue, green and red of taps 0 and 1 as 16-bit pairs, another those of
// taps 2 and 3, and two multiply-adds give the three channel sums. Returns
// the pixel's blue, green, red bytes in the low three bytes.
// kGroups is the group count when known at compile time (enlargements have
// one), else 0.
template <int kGroups>
__attribute__((target("ssse3"), always_inline)) inline int32_t Rgb8PixelSsse3(const ResamplePlan& plan,
                                                                              const uint8_t* line,
                                                                              int32_t i) {
  const __m128i firstPairs = _mm_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1);
  const __m128i secondPairs = _mm_setr_epi8(6, -1, 9, -1, 7, -1, 10, -1, 8, -1, 11, -1, -1, -1, -1, -1);
  const int32_t groups = kGroups > 0 ? kGroups : plan.groups;
  const uint8_t* src = line + 3 * static_cast<int64_t>(plan.columnFirst[i]);
  const int16_t* w = plan.columnPairs.data() + static_cast<int64_t>(i) * groups * 16;
  __m128i sum = _mm_setzero_si128();
  for (int32_t g = 0; g < groups; ++g, src += 12, w += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i w01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w));
    const __m128i w23 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 8));
    sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_shuffle_epi8(x, firstPairs), w01));
    sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_shuffle_epi8(x, secondPairs), w23));
  }
  const __m128 q = _mm_mul_ps(_mm_add_ps(_mm_cvtepi32_ps(sum), _mm_set1_ps(plan.columnBiases[i])),
                              _mm_set1_ps(plan.columnReciprocals[i]));
  __m128i v = _mm_cvttps_epi32(q);
  v = _mm_packus_epi16(_mm_packs_epi32(v, v), v);
  return _mm_cvtsi128_si32(v);
}

template <int kGroups>
__attribute__((target("ssse3"))) void BlendRgb8ColumnsSsse3(const ResamplePlan& plan, const uint8_t* line,
                                                            uint8_t* out) {
  // Four bytes at a time; the fourth is overwritten by the next pixel, and
  // the last pixel writes only its three.
  const int32_t last = plan.destWidth - 1;
  for (int32_t i = 0; i < last; ++i) {
    const int32_t bgr = Rgb8PixelSsse3<kGroups>(plan, line, i);
    std::memcpy(out + 3 * static_cast<int64_t>(i), &bgr, 4);
  }
  const int32_t bgr = Rgb8PixelSsse3<kGroups>(plan, line, last);
  std::memcpy(out + 3 * static_cast<int64_t>(last), &bgr, 3);
}
#endif

// ---------------------------------------------------------------------------
// Vertical pass: samples [begin, end) of the intermediate row.

template <typename Sample, typename Acc, typename Reader>
void BlendRows(const Reader& reader, const RowTaps& taps, const int32_t* weights, int64_t begin, int64_t end,
               Sample* line, RowScratch* scratch) {
  Acc* sums;
  if constexpr (sizeof(Acc) == 8) {
    sums = scratch->wideSums.data();
  } else {
    sums = scratch->narrowSums.data();
  }
  Sample* expanded = reinterpret_cast<Sample*>(scratch->expanded.data());
  for (int64_t x0 = begin; x0 < end; x0 += kBlock) {
    const int64_t n = std::min(kBlock, end - x0);
    if (taps.count == 0) {
      std::fill(sums, sums + n, Acc{0});
    } else {
      const Sample* src = reader.Read(taps.first, x0, n, expanded);
      const Acc w = weights[0];
      for (int64_t x = 0; x < n; ++x) sums[x] = w * static_cast<Acc>(src[x]);
    }
    for (int32_t t = 1; t < taps.count; ++t) {
      const Sample* src = reader.Read(taps.first + t, x0, n, expanded);
      const Acc w = weights[t];
      for (int64_t x = 0; x < n; ++x) sums[x] += w * static_cast<Acc>(src[x]);
    }
    Sample* out = line + x0;
    const Divisor d = taps.divisor;
    for (int64_t x = 0; x < n; ++x) out[x] = DivideAndClamp<Sample>(sums[x], d);
  }
}

// Returns the intermediate row for destination row y (indexable by absolute
// sample position; only [sampleBegin, sampleEnd) is valid).
template <typename Sample, typename Reader>
const Sample* VerticalPass(const ResamplePlan& plan, const Reader& reader, int32_t y, RowScratch* scratch) {
  const RowTaps& taps = plan.rowTaps[y];
  const int32_t* weights = plan.rowWeights.data() + taps.weightStart;
  Sample* line = reinterpret_cast<Sample*>(scratch->line.data());
  if (taps.count == 1 && weights[0] != 0) {
    // One row alone: w * v / w is v, so the row is taken as it stands.
    if constexpr (Reader::kDirect) {
      const Sample* row = reader.Read(taps.first, 0, 0, nullptr);
      if (!plan.vectorColumns) return row;
      // The vector column kernel reads a little past the row: use the padded copy.
      std::memcpy(line + plan.sampleBegin, row + plan.sampleBegin,
                  (plan.sampleEnd - plan.sampleBegin) * sizeof(Sample));
      return line;
    } else {
      for (int64_t x0 = plan.sampleBegin; x0 < plan.sampleEnd; x0 += kBlock) {
        const int64_t n = std::min(kBlock, plan.sampleEnd - x0);
        const Sample* src = reader.Read(taps.first, x0, n, line + x0);
        if (src != line + x0) std::memcpy(line + x0, src, n * sizeof(Sample));
      }
      return line;
    }
  }
#if PASSAVUE_RESAMPLE_SSE
  if constexpr (Reader::kDirect && sizeof(Sample) == 1) {
    if (plan.vectorRows && taps.count > 0) {
      const int32_t count = taps.count + (taps.count & 1);
      for (int32_t t = 0; t < count; ++t) {
        const bool pad = t == taps.count;
        scratch->tapRows[t] = reader.Read(taps.first + (pad ? 0 : t), 0, 0, nullptr);
        scratch->tapWeights[t] = static_cast<int16_t>(pad ? 0 : weights[t]);
      }
      BlendByteRowsSse2(scratch->tapRows.data(), scratch->tapWeights.data(), count, plan.sampleBegin,
                        plan.sampleEnd, 1.0f / static_cast<float>(taps.divisor.sum),
                        taps.divisor.sum > 0 ? 0.5f : -0.5f, line);
      return line;
    }
  }
#endif
  switch (plan.verticalMode) {
    case SumMode::Narrow:
      BlendRows<Sample, int32_t>(reader, taps, weights, plan.sampleBegin, plan.sampleEnd, line, scratch);
      break;
    case SumMode::Wide:
      BlendRows<Sample, int64_t>(reader, taps, weights, plan.sampleBegin, plan.sampleEnd, line, scratch);
      break;
  }
  return line;
}

// ---------------------------------------------------------------------------
// Horizontal pass: the intermediate row into one destination row.

template <typename Sample, int kChannels, typename Acc, int kTaps>
void BlendColumns(const ResamplePlan& plan, const Sample* line, Sample* out) {
  const int32_t taps = kTaps > 0 ? kTaps : plan.taps;
  const int32_t* weights = plan.columnWeights.data();
  const int32_t* firsts = plan.columnFirst.data();
  const Divisor* divisors = plan.columnDivisors.data();
  for (int32_t i = 0; i < plan.destWidth; ++i) {
    const Sample* src = line + static_cast<int64_t>(firsts[i]) * kChannels;
    const int32_t* w = weights + static_cast<int64_t>(i) * taps;
    Acc sums[kChannels] = {};
    for (int32_t t = 0; t < taps; ++t) {
      const Acc wt = w[t];
      for (int c = 0; c < kChannels; ++c) sums[c] += wt * static_cast<Acc>(src[t * kChannels + c]);
    }
    for (int c = 0; c < kChannels; ++c) out[c] = DivideAndClamp<Sample>(sums[c], divisors[i]);
    out += kChannels;
  }
}

template <typename Sample, int kChannels, typename Acc>
void BlendColumnsAnyLength(const ResamplePlan& plan, const Sample* line, Sample* out) {
  switch (plan.taps) {
    case 1:
      BlendColumns<Sample, kChannels, Acc, 1>(plan, line, out);
      break;
    case 2:
      BlendColumns<Sample, kChannels, Acc, 2>(plan, line, out);
      break;
    case 3:
      BlendColumns<Sample, kChannels, Acc, 3>(plan, line, out);
      break;
    case 4:
      BlendColumns<Sample, kChannels, Acc, 4>(plan, line, out);
      break;
    default:
      BlendColumns<Sample, kChannels, Acc, 0>(plan, line, out);
      break;
  }
}

template <typename Sample, int kChannels>
void HorizontalPass(const ResamplePlan& plan, const Sample* line, Sample* out) {
  if (plan.copyColumns) {
    std::memcpy(out, line, static_cast<size_t>(plan.destWidth) * kChannels * sizeof(Sample));
    return;
  }
#if PASSAVUE_RESAMPLE_SSE
  if constexpr (sizeof(Sample) == 1 && kChannels == 3) {
    if (plan.vectorColumns) {
      switch (plan.groups) {
        case 1:
          BlendRgb8ColumnsSsse3<1>(plan, line, out);
          break;
        case 2:
          BlendRgb8ColumnsSsse3<2>(plan, line, out);
          break;
        default:
          BlendRgb8ColumnsSsse3<0>(plan, line, out);
          break;
      }
      return;
    }
  }
#endif
  switch (plan.horizontalMode) {
    case SumMode::Narrow:
      BlendColumnsAnyLength<Sample, kChannels, int32_t>(plan, line, out);
      break;
    case SumMode::Wide:
      BlendColumnsAnyLength<Sample, kChannels, int64_t>(plan, line, out);
      break;
  }
}

// Destination rows [y0, y1). Rows depend only on the plan and the source, so
// ranges can be worked on separately with identical results.
template <typename Sample, int kChannels, typename Reader>
void ResampleRowsOf(const ResamplePlan& plan, const Reader& reader, const ImageView& destination, int32_t y0,
                    int32_t y1, RowScratch* scratch) {
  for (int32_t y = y0; y < y1; ++y) {
    const Sample* line = VerticalPass<Sample>(plan, reader, y, scratch);
    HorizontalPass<Sample, kChannels>(plan, line, reinterpret_cast<Sample*>(destination.Row(y)));
  }
}

void ResampleRows(const ResamplePlan& plan, const Image& source, const ImageView& destination, int32_t y0,
                  int32_t y1, RowScratch* scratch) {
  switch (source.type) {
    case Bilevel:
      ResampleRowsOf<uint8_t, 1>(plan, BitRows{source}, destination, y0, y1, scratch);
      break;
    case Gray8:
      ResampleRowsOf<uint8_t, 1>(plan, SampleRows<uint8_t>{source}, destination, y0, y1, scratch);
      break;
    case Rgb8:
      ResampleRowsOf<uint8_t, 3>(plan, SampleRows<uint8_t>{source}, destination, y0, y1, scratch);
      break;
    case Gray16:
      ResampleRowsOf<uint16_t, 1>(plan, SampleRows<uint16_t>{source}, destination, y0, y1, scratch);
      break;
    case Rgb16:
      ResampleRowsOf<uint16_t, 3>(plan, SampleRows<uint16_t>{source}, destination, y0, y1, scratch);
      break;
    default:
      break;
  }
}

// Builds the plan and one scratch. Throws std::bad_alloc (caught by the
// caller) when memory runs out.
void Prepare(const Image& source, int32_t newWidth, int32_t newHeight, int32_t filter, double a,
             ResamplePlan* plan, RowScratch* scratch) {
  plan->workType = source.type == Bilevel ? Gray8 : source.type;
  plan->channels = (plan->workType == Rgb8 || plan->workType == Rgb16) ? 3 : 1;
  const int32_t sampleBytes = (plan->workType == Gray16 || plan->workType == Rgb16) ? 2 : 1;
  const double maxSample = sampleBytes == 2 ? 65535.0 : 255.0;
  PlanColumns(source, newWidth, filter, a, maxSample, plan);
  PlanRows(source, newHeight, filter, a, maxSample, plan);
  scratch->line.assign(
      (static_cast<size_t>(source.width) * plan->channels * sampleBytes + kLinePadding + 1) / 2, 0);
  scratch->tapRows.assign(plan->maxRowTaps + 1, nullptr);
  scratch->tapWeights.assign(plan->maxRowTaps + 1, 0);
  scratch->expanded.assign(source.type == Bilevel ? kBlock : 0, 0);
  scratch->narrowSums.assign(plan->verticalMode == SumMode::Narrow ? kBlock : 0, 0);
  scratch->wideSums.assign(plan->verticalMode == SumMode::Wide ? kBlock : 0, 0);
}

// Destination rows over the worker threads: the plan is ready and one
// scratch made; more scratches are made here, and rows whose scratch cannot
// be made are done afterwards with the first one.
void ResampleRowsInto(const ResamplePlan& plan, const Image& source, const ImageView& destination,
                      int64_t rowBytes, RowScratch* scratch) {
  const BusyScope busy;
  // Large pictures are split among the worker threads by destination rows;
  // every slice has its own scratch, so the rows come out as from one thread.
  const int64_t rowCost = rowBytes * (plan.maxRowTaps + 1);
  std::mutex unfinishedLock;
  std::vector<std::pair<int32_t, int32_t>> unfinished;
  RowScratch pristine;
  try {
    pristine = *scratch;
  } catch (const std::exception&) {
  }
  ParallelFor(destination.height, rowCost, [&](int64_t begin, int64_t end) {
    const auto y0 = static_cast<int32_t>(begin);
    const auto y1 = static_cast<int32_t>(end);
    if (begin == 0) {
      ResampleRows(plan, source, destination, y0, y1, scratch);
      return;
    }
    try {
      RowScratch own = pristine;
      if (own.line.size() != scratch->line.size()) throw std::bad_alloc();
      ResampleRows(plan, source, destination, y0, y1, &own);
    } catch (const std::exception&) {  // no memory for this slice's scratch
      std::lock_guard<std::mutex> hold(unfinishedLock);
      unfinished.emplace_back(y0, y1);
    }
  });
  for (const auto& [y0, y1] : unfinished) ResampleRows(plan, source, destination, y0, y1, scratch);
}

bool HasUsablePixels(const Image& image) {
  return image.type >= Bilevel && image.type <= Rgb16 && image.width > 0 && image.height > 0 &&
         image.rows != nullptr;
}

}  // namespace

bool SetResampleVectorPaths(bool enabled) { return vectorPaths.exchange(enabled); }

int ResampleImage(const Image& source, Image* destination, int32_t newWidth, int32_t newHeight,
                  double resolution, int32_t filter, double a) {
  if (destination == nullptr) return 1;
  if (newWidth < 1 || newHeight < 1) {
    // A picture without pixels cannot be made: a failure like any other.
    if (destination != &source) FreeImage(destination);
    return 1;
  }
  if (newWidth == source.width && newHeight == source.height) {
    if (destination == &source) {
      destination->resolution = resolution;
      return 0;
    }
    int result = CopyImage(source, destination);
    if (result == 0) destination->resolution = resolution;
    return result;
  }
  if (!HasUsablePixels(source)) {
    if (destination != &source) FreeImage(destination);
    return 1;
  }
  if (destination == &source) {
    // Resampling in place: the source must outlive the work, so the result
    // is built aside and moved in at the end.
    Image result;
    int code = ResampleImage(source, &result, newWidth, newHeight, resolution, filter, a);
    if (code == 0) *destination = std::move(result);
    return code;
  }

  ResamplePlan plan;
  RowScratch scratch;
  try {
    Prepare(source, newWidth, newHeight, filter, a, &plan, &scratch);
  } catch (const std::exception&) {  // out of memory (bad_alloc, length_error)
    FreeImage(destination);
    return 1;
  }
  if (AllocImage(destination, plan.workType, newWidth, newHeight, resolution) != 0) return 1;
  ResampleRowsInto(plan, source, ViewOf(*destination), destination->rowBytes, &scratch);
  return 0;
}

int ResampleInto(const Image& source, const ImageView& destination, int32_t filter, double a) {
  const int32_t workType = source.type == Bilevel ? Gray8 : source.type;
  if (!HasUsablePixels(source) || destination.rows == nullptr || destination.type != workType ||
      destination.width < 1 || destination.height < 1)
    return 1;
  ResamplePlan plan;
  RowScratch scratch;
  try {
    Prepare(source, destination.width, destination.height, filter, a, &plan, &scratch);
  } catch (const std::exception&) {  // out of memory (bad_alloc, length_error)
    return 1;
  }
  ResampleRowsInto(plan, source, destination, int64_t{BytesPerPixel(workType)} * destination.width, &scratch);
  return 0;
}

#include "files/color.h"

#include <lcms2.h>
#include <lcms2_plugin.h>
#include <smmintrin.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "core/parallel.h"

namespace {

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct TransformDeleter {
  void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
struct ContextDeleter {
  void operator()(void* context) const { cmsDeleteContext(static_cast<cmsContext>(context)); }
};
// Each handle type gets its own owner; each releases only what was obtained.
using ProfileHandle = std::unique_ptr<std::remove_pointer_t<cmsHPROFILE>, ProfileCloser>;
using TransformHandle = std::unique_ptr<std::remove_pointer_t<cmsHTRANSFORM>, TransformDeleter>;
using ContextHandle = std::unique_ptr<std::remove_pointer_t<cmsContext>, ContextDeleter>;

// The library format for an Image type; 0 when the type is not converted.
cmsUInt32Number LibraryFormat(int32_t type) {
  switch (type) {
    case Rgb8:
      return TYPE_BGR_8;
    case Rgb16:
      return TYPE_BGR_16;
    default:
      return 0;
  }
}

// An empty profile is the library's built-in sRGB (the working space).
ProfileHandle OpenProfile(cmsContext context, const IccProfile& bytes) {
  if (bytes.empty()) return ProfileHandle(cmsCreate_sRGBProfileTHR(context));
  return ProfileHandle(
      cmsOpenProfileFromMemTHR(context, bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
}

constexpr int kOutputEntries = 16385;  // 1.14 fixed point, 0 to 1.0 inclusive

}  // namespace

// Between two matrix/TRC profiles with 8-bit rows, the library reduces the
// transform to input curves, a 3 x 3 matrix (with an offset when black
// points are compensated) and output curves, and evaluates them per pixel
// in 1.14 fixed point. Our kernel does the same arithmetic from the same
// tables, but without the library's per-pixel unpacking and on every core.
struct ColorTransformData {
  TransformHandle library;                          // null when our kernel does the work
  std::array<std::array<int32_t, 256>, 3> input{};  // red, green, blue: byte to 1.14
  std::array<int32_t, 9> matrix{};                  // rows red, green, blue; 1.14
  std::array<int32_t, 3> offset{};
  // The matrix's products with each input value: products[channel][byte]
  // holds the red, green and blue rows' terms (and a zero); bias holds each
  // row's offset plus the rounding half.
  alignas(16) std::array<std::array<std::array<int32_t, 4>, 256>, 3> products{};
  std::array<int32_t, 4> bias{};
  // Byte results by 1.14 value, red, green, blue; three spare bytes so that
  // four-byte loads may read at the last entry.
  std::array<std::array<uint8_t, kOutputEntries + 3>, 3> output{};
};

namespace {

// What the library would build its 8-bit matrix-shaper evaluator from,
// taken from the pipeline as it stands when optimisation starts. The hook
// declines, so the library goes on to build its own transform as always.
struct Capture {
  ColorTransformData* data = nullptr;
  bool taken = false;
};

int32_t ToFixed14(double value) { return static_cast<int32_t>(std::floor(value * 16384.0 + 0.5)); }

// Values a damaged profile may give that 1.14 fixed point cannot hold (or
// not a number at all): such transforms are left to the library.
bool FitsFixed14(double value) { return value > -65536.0 && value < 65536.0; }

uint16_t SaturateWord(double value) {
  value += 0.5;
  if (!(value > 0)) return 0;  // not a number as well
  if (value >= 65535.0) return 0xffff;
  return static_cast<uint16_t>(std::floor(value));
}

cmsBool CaptureMatrixShaper(cmsPipeline** lut, cmsUInt32Number, cmsUInt32Number* inputFormat,
                            cmsUInt32Number* outputFormat, cmsUInt32Number*) {
  auto* capture = static_cast<Capture*>(cmsGetContextUserData(cmsGetPipelineContextID(*lut)));
  if (capture == nullptr || T_CHANNELS(*inputFormat) != 3 || T_CHANNELS(*outputFormat) != 3 ||
      T_BYTES(*inputFormat) != 1 || T_BYTES(*outputFormat) != 1) {
    return FALSE;
  }
  cmsStage* curves1 = nullptr;
  cmsStage* matrix1 = nullptr;
  cmsStage* matrix2 = nullptr;
  cmsStage* curves2 = nullptr;
  cmsMAT3 product;
  const double* offset = nullptr;
  if (cmsPipelineCheckAndRetreiveStages(*lut, 4, cmsSigCurveSetElemType, cmsSigMatrixElemType,
                                        cmsSigMatrixElemType, cmsSigCurveSetElemType, &curves1, &matrix1,
                                        &matrix2, &curves2)) {
    const auto* first = static_cast<const _cmsStageMatrixData*>(cmsStageData(matrix1));
    const auto* second = static_cast<const _cmsStageMatrixData*>(cmsStageData(matrix2));
    if (first->Offset != nullptr) return FALSE;
    _cmsMAT3per(&product, reinterpret_cast<const cmsMAT3*>(second->Double),
                reinterpret_cast<const cmsMAT3*>(first->Double));
    offset = second->Offset;
  } else if (cmsPipelineCheckAndRetreiveStages(*lut, 3, cmsSigCurveSetElemType, cmsSigMatrixElemType,
                                               cmsSigCurveSetElemType, &curves1, &matrix1, &curves2)) {
    const auto* only = static_cast<const _cmsStageMatrixData*>(cmsStageData(matrix1));
    std::memcpy(&product, only->Double, sizeof(product));
    offset = only->Offset;
  } else {
    return FALSE;
  }
  // A plain identity is reduced to joined curves instead, with other rounding.
  if (_cmsMAT3isIdentity(&product) && offset == nullptr) return FALSE;
  const auto* in = static_cast<const _cmsStageToneCurvesData*>(cmsStageData(curves1));
  const auto* out = static_cast<const _cmsStageToneCurvesData*>(cmsStageData(curves2));
  if (in->nCurves != 3 || out->nCurves != 3) return FALSE;

  ColorTransformData& data = *capture->data;
  int64_t largestInput = 0;
  for (int c = 0; c < 3; ++c) {
    for (int i = 0; i < 256; ++i) {
      const cmsFloat32Number y =
          cmsEvalToneCurveFloat(in->TheCurves[c], static_cast<cmsFloat32Number>(i / 255.0));
      if (!FitsFixed14(y)) return FALSE;
      data.input[c][i] = ToFixed14(y);
      largestInput = std::max<int64_t>(largestInput, std::abs(int64_t{data.input[c][i]}));
    }
    for (int i = 0; i < kOutputEntries; ++i) {
      cmsFloat32Number y =
          cmsEvalToneCurveFloat(out->TheCurves[c], static_cast<cmsFloat32Number>(i / 16384.0));
      y = y < 0 ? 0 : (y > 1.0f ? 1.0f : y);
      const uint16_t word = SaturateWord(y * 65535.0);
      data.output[c][i] = static_cast<uint8_t>((word * 65281u + 8388608u) >> 24);
    }
  }
  for (int row = 0; row < 3; ++row) {
    int64_t reach = 0x2000;
    for (int column = 0; column < 3; ++column) {
      if (!FitsFixed14(product.v[row].n[column])) return FALSE;
      data.matrix[3 * row + column] = ToFixed14(product.v[row].n[column]);
      reach += std::abs(int64_t{data.matrix[3 * row + column]}) * largestInput;
    }
    if (offset != nullptr && !FitsFixed14(offset[row])) return FALSE;
    data.offset[row] = offset != nullptr ? ToFixed14(offset[row]) : 0;
    reach += std::abs(int64_t{data.offset[row]});
    // Sums that would overflow 32 bits (the library's own arithmetic) are
    // left to the library.
    if (reach > INT32_MAX) return FALSE;
    data.bias[static_cast<size_t>(row)] = data.offset[static_cast<size_t>(row)] + 0x2000;
  }
  for (size_t c = 0; c < 3; ++c) {
    for (size_t i = 0; i < 256; ++i) {
      for (size_t row = 0; row < 3; ++row)
        data.products[c][i][row] = data.matrix[3 * row + c] * data.input[c][i];
    }
  }
  capture->taken = true;
  return FALSE;
}

// True, with the tables filled, when the library would evaluate this pair
// of profiles as a matrix-shaper.
bool CaptureTables(const IccProfile& from, const IccProfile& to, ColorTransformData* data) {
  static cmsPluginOptimization plugin = {{cmsPluginMagicNumber, 2000, cmsPluginOptimizationSig, nullptr},
                                         CaptureMatrixShaper};
  Capture capture;
  capture.data = data;
  ContextHandle context(cmsCreateContext(&plugin, &capture));
  if (!context) return false;
  ProfileHandle input = OpenProfile(context.get(), from);
  ProfileHandle output = OpenProfile(context.get(), to);
  if (!input || !output) return false;
  TransformHandle probe(cmsCreateTransformTHR(context.get(), input.get(), TYPE_BGR_8, output.get(),
                                              TYPE_BGR_8, INTENT_PERCEPTUAL, 0));
  return probe != nullptr && capture.taken;
}

inline uint8_t Evaluate(const ColorTransformData& t, int c, int32_t r, int32_t g, int32_t b) {
  const int32_t* m = &t.matrix[static_cast<size_t>(3 * c)];
  const int32_t v = (m[0] * r + m[1] * g + m[2] * b + t.offset[static_cast<size_t>(c)] + 0x2000) >> 14;
  return t.output[static_cast<size_t>(c)][static_cast<size_t>(v < 0 ? 0 : (v > 16384 ? 16384 : v))];
}

// One row of blue-green-red pixels; source and destination may be the same.
void ConvertRowScalar(const ColorTransformData& t, const uint8_t* source, uint8_t* destination,
                      int32_t count) {
  for (int32_t x = 0; x < count; ++x, source += 3, destination += 3) {
    const int32_t r = t.input[0][source[2]];
    const int32_t g = t.input[1][source[1]];
    const int32_t b = t.input[2][source[0]];
    destination[0] = Evaluate(t, 2, r, g, b);
    destination[1] = Evaluate(t, 1, r, g, b);
    destination[2] = Evaluate(t, 0, r, g, b);
  }
}

// The matrix folded into the input tables: each input byte gives its
// channel's three products at once, so a pixel is three 16-byte loads, two
// additions, a shift and a clamp in one register, then three output bytes.
// Integer sums of the same products as the scalar row, so the same bytes.
__attribute__((target("sse4.1"))) void ConvertRowSse41(const ColorTransformData& t, const uint8_t* source,
                                                       uint8_t* destination, int32_t count) {
  const __m128i bias = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.bias.data()));
  const __m128i zero = _mm_setzero_si128();
  const __m128i top = _mm_set1_epi32(16384);
  const auto* red = reinterpret_cast<const __m128i*>(t.products[0].data());
  const auto* green = reinterpret_cast<const __m128i*>(t.products[1].data());
  const auto* blue = reinterpret_cast<const __m128i*>(t.products[2].data());
  for (int32_t x = 0; x < count; ++x, source += 3, destination += 3) {
    __m128i v = _mm_add_epi32(_mm_load_si128(red + source[2]), _mm_load_si128(green + source[1]));
    v = _mm_srai_epi32(_mm_add_epi32(_mm_add_epi32(v, _mm_load_si128(blue + source[0])), bias), 14);
    v = _mm_min_epi32(_mm_max_epi32(v, zero), top);
    const uint8_t b = t.output[2][static_cast<uint32_t>(_mm_extract_epi32(v, 2))];
    const uint8_t g = t.output[1][static_cast<uint32_t>(_mm_extract_epi32(v, 1))];
    const uint8_t r = t.output[0][static_cast<uint32_t>(_mm_cvtsi128_si32(v))];
    destination[0] = b;
    destination[1] = g;
    destination[2] = r;
  }
}

using RowKernel = void (*)(const ColorTransformData&, const uint8_t*, uint8_t*, int32_t);

std::atomic<bool> vectorPaths{true};

// Read as a call starts: the switch never changes kernels within a call.
RowKernel ChooseKernel() {
  return vectorPaths.load(std::memory_order_relaxed) && __builtin_cpu_supports("sse4.1") ? ConvertRowSse41
                                                                                         : ConvertRowScalar;
}

// Row buffers for in-place conversions through the library, one per slice
// running at a time, all had before any row is touched.
class RowBuffers {
 public:
  bool Allocate(int count, size_t bytes) {
    storage_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(count) * bytes]);
    if (!storage_) return false;
    for (int i = 0; i < count; ++i) free_.push_back(storage_.get() + static_cast<size_t>(i) * bytes);
    return true;
  }
  uint8_t* Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    uint8_t* buffer = free_.back();
    free_.pop_back();
    return buffer;
  }
  void Give(uint8_t* buffer) {
    std::lock_guard<std::mutex> lock(mutex_);
    free_.push_back(buffer);
  }

 private:
  std::unique_ptr<uint8_t[]> storage_;
  std::vector<uint8_t*> free_;
  std::mutex mutex_;
};

}  // namespace

bool SetColorVectorPaths(bool enabled) { return vectorPaths.exchange(enabled); }

ColorTransform MakeColorTransform(const IccProfile& from, const IccProfile& to, int32_t type) {
  const cmsUInt32Number format = LibraryFormat(type);
  if (format == 0) return {};
  auto data = std::make_shared<ColorTransformData>();
  if (type != Rgb8 || !CaptureTables(from, to, data.get())) {
    ProfileHandle input = OpenProfile(nullptr, from);
    ProfileHandle output = OpenProfile(nullptr, to);
    if (!input || !output) return {};
    data->library.reset(cmsCreateTransform(input.get(), format, output.get(), format, INTENT_PERCEPTUAL, 0));
    if (!data->library) return {};  // the library refuses the profiles
  }
  ColorTransform transform;
  transform.data = std::move(data);
  transform.type = type;
  return transform;
}

bool UsesOwnKernel(const ColorTransform& transform) { return transform.data && !transform.data->library; }

int ApplyColorTransform(const ColorTransform& transform, const Image& source, Image* destination) {
  if (transform.empty() || source.type != transform.type || destination->type != transform.type ||
      source.rows == nullptr || destination->rows == nullptr || source.width != destination->width ||
      source.height != destination->height) {
    return 0;
  }
  const ColorTransformData& t = *transform.data;
  const int32_t width = source.width;
  const int64_t rowBytes = UnroundedRowBytes(source.type, width);
  if (!t.library) {
    const RowKernel kernel = ChooseKernel();
    ParallelFor(source.height, rowBytes, [&](int64_t begin, int64_t end) {
      for (int64_t r = begin; r < end; ++r) kernel(t, source.rows[r], destination->rows[r], width);
    });
    return 0;
  }
  // The library reads a row from a buffer when it is converted in place.
  const bool inPlace = &source == destination;
  RowBuffers buffers;
  if (inPlace && !buffers.Allocate(WorkerThreads(), static_cast<size_t>(rowBytes))) return 1;
  ParallelFor(source.height, rowBytes, [&](int64_t begin, int64_t end) {
    uint8_t* buffer = inPlace ? buffers.Take() : nullptr;
    for (int64_t r = begin; r < end; ++r) {
      const uint8_t* from = source.rows[r];
      if (inPlace) {
        std::memcpy(buffer, from, static_cast<size_t>(rowBytes));
        from = buffer;
      }
      cmsDoTransform(t.library.get(), from, destination->rows[r], static_cast<cmsUInt32Number>(width));
    }
    if (inPlace) buffers.Give(buffer);
  });
  return 0;
}

void ConvertRowsInPlace(const ColorTransform& transform, Image* picture, int32_t first, int32_t count) {
  if (!UsesOwnKernel(transform) || picture->type != transform.type || picture->rows == nullptr || first < 0 ||
      count < 0 || first > picture->height - count) {
    return;
  }
  const RowKernel kernel = ChooseKernel();
  for (int32_t r = first; r < first + count; ++r)
    kernel(*transform.data, picture->rows[r], picture->rows[r], picture->width);
}

int ConvertToWorkingSpace(Image* picture, const IccProfile& inputProfile) {
  if (inputProfile.empty() || IsSrgbProfile(inputProfile)) return 0;
  if (picture->rows == nullptr || picture->width < 1) return 0;
  if (LibraryFormat(picture->type) == 0) return 0;  // gray and bilevel pictures stay as they are
  const ColorTransform transform = MakeColorTransform(inputProfile, IccProfile(), picture->type);
  // A profile the library refuses leaves the picture as it was.
  return ApplyColorTransform(transform, *picture, picture);
}

void CmykTransformDeleter::operator()(void* transform) const { cmsDeleteTransform(transform); }

void MakeCmykToSrgb(const IccProfile& profile, int32_t bits, int32_t samples, CmykToSrgb* conversion) {
  conversion->bits = bits;
  conversion->samples = samples;
  conversion->transform.reset();
  if (profile.empty()) return;
  ProfileHandle cmyk = OpenProfile(nullptr, profile);
  if (!cmyk || cmsGetColorSpace(cmyk.get()) != cmsSigCmykData) return;
  ProfileHandle srgb(cmsCreate_sRGBProfile());
  const cmsUInt32Number bytes = bits == 16 ? 2 : 1;
  const cmsUInt32Number input = COLORSPACE_SH(PT_CMYK) | CHANNELS_SH(4) | BYTES_SH(bytes) |
                                EXTRA_SH(static_cast<cmsUInt32Number>(samples - 4));
  conversion->transform.reset(cmsCreateTransform(
      cmyk.get(), input, srgb.get(), bits == 16 ? TYPE_BGR_16 : TYPE_BGR_8, INTENT_PERCEPTUAL, 0));
}

namespace {

template <typename Sample, uint32_t kMax>
void PlainCmykRow(const Sample* in, Sample* out, size_t pixels, size_t samples) {
  for (size_t x = 0; x < pixels; ++x, in += samples, out += 3) {
    const uint32_t white = kMax - in[3];
    out[0] = static_cast<Sample>(((kMax - in[2]) * white + kMax / 2) / kMax);
    out[1] = static_cast<Sample>(((kMax - in[1]) * white + kMax / 2) / kMax);
    out[2] = static_cast<Sample>(((kMax - in[0]) * white + kMax / 2) / kMax);
  }
}

}  // namespace

void ConvertCmykRow(const CmykToSrgb& conversion, const uint8_t* cmyk, uint8_t* bgr, int32_t pixels) {
  if (conversion.transform) {
    cmsDoTransform(conversion.transform.get(), cmyk, bgr, static_cast<cmsUInt32Number>(pixels));
    return;
  }
  const size_t n = static_cast<size_t>(pixels), samples = static_cast<size_t>(conversion.samples);
  if (conversion.bits == 16) {
    PlainCmykRow<uint16_t, 65535>(reinterpret_cast<const uint16_t*>(cmyk), reinterpret_cast<uint16_t*>(bgr),
                                  n, samples);
  } else {
    PlainCmykRow<uint8_t, 255>(cmyk, bgr, n, samples);
  }
}

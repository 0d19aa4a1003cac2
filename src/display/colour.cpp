#include "display/colour.h"

#include <lcms2.h>

#include <cstring>
#include <memory>
#include <new>

namespace {

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct TransformDeleter {
  void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
// Each handle type gets its own owner; both release only what was obtained.
using ProfileHandle = std::unique_ptr<std::remove_pointer_t<cmsHPROFILE>, ProfileCloser>;
using TransformHandle = std::unique_ptr<std::remove_pointer_t<cmsHTRANSFORM>, TransformDeleter>;

// The library format for an Image type; 0 when the type is not converted.
cmsUInt32Number LibraryFormat(int32_t type) {
  switch (type) {
    case Rgb8: return TYPE_BGR_8;
    case Rgb16: return TYPE_BGR_16;
    default: return 0;
  }
}

ProfileHandle OpenProfile(const IccProfile& bytes) {
  return ProfileHandle(cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
}

// A transform between two profiles with the same pixel format on both
// sides, perceptual intent and no flags; null when the library refuses.
TransformHandle MakeTransform(const ProfileHandle& from, const ProfileHandle& to, cmsUInt32Number format) {
  if (!from || !to || format == 0) return TransformHandle();
  return TransformHandle(cmsCreateTransform(from.get(), format, to.get(), format, INTENT_PERCEPTUAL, 0));
}

}  // namespace

int ConvertToWorkingSpace(Image* picture, const IccProfile& inputProfile) {
  if (inputProfile.empty() || IsSrgbProfile(inputProfile)) return 0;
  if (picture->rows == nullptr || picture->width < 1) return 0;
  const cmsUInt32Number format = LibraryFormat(picture->type);
  if (format == 0) return 0;  // gray and bilevel pictures stay as they are
  ProfileHandle input = OpenProfile(inputProfile);
  ProfileHandle srgb(cmsCreate_sRGBProfile());
  TransformHandle transform = MakeTransform(input, srgb, format);
  if (!transform) return 0;  // a profile the library refuses: the picture stays as it was

  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[static_cast<size_t>(picture->rowBytes)]);
  if (!buffer) return 1;
  for (int32_t r = 0; r < picture->height; ++r) {
    uint8_t* row = picture->rows[r];
    std::memcpy(buffer.get(), row, static_cast<size_t>(picture->rowBytes));
    cmsDoTransform(transform.get(), buffer.get(), row, static_cast<cmsUInt32Number>(picture->width));
  }
  return 0;
}

void CmykTransformDeleter::operator()(void* transform) const { cmsDeleteTransform(transform); }

void MakeCmykToSrgb(const IccProfile& profile, int32_t bits, int32_t samples, CmykToSrgb* conversion) {
  conversion->bits = bits;
  conversion->samples = samples;
  conversion->transform.reset();
  if (profile.empty()) return;
  ProfileHandle cmyk = OpenProfile(profile);
  if (!cmyk || cmsGetColorSpace(cmyk.get()) != cmsSigCmykData) return;
  ProfileHandle srgb(cmsCreate_sRGBProfile());
  const cmsUInt32Number bytes = bits == 16 ? 2 : 1;
  const cmsUInt32Number input =
      COLORSPACE_SH(PT_CMYK) | CHANNELS_SH(4) | BYTES_SH(bytes) | EXTRA_SH(static_cast<cmsUInt32Number>(samples - 4));
  conversion->transform.reset(cmsCreateTransform(cmyk.get(), input, srgb.get(), bits == 16 ? TYPE_BGR_16 : TYPE_BGR_8,
                                                 INTENT_PERCEPTUAL, 0));
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
    PlainCmykRow<uint16_t, 65535>(reinterpret_cast<const uint16_t*>(cmyk), reinterpret_cast<uint16_t*>(bgr), n, samples);
  } else {
    PlainCmykRow<uint8_t, 255>(cmyk, bgr, n, samples);
  }
}

int MakeDisplayCopy(const Image& composite, const IccProfile& monitorProfile, Image* displayCopy) {
  if (monitorProfile.empty() || IsSrgbProfile(monitorProfile)) return 0;
  const cmsUInt32Number format = LibraryFormat(composite.type);
  if (format == 0 || composite.rows == nullptr) return 0;
  ProfileHandle srgb(cmsCreate_sRGBProfile());
  ProfileHandle monitor = OpenProfile(monitorProfile);
  TransformHandle transform = MakeTransform(srgb, monitor, format);
  if (!transform) return 0;

  const int result = AllocImage(displayCopy, composite.type, composite.width, composite.height, composite.resolution);
  if (result != 0) return result;
  for (int32_t r = 0; r < composite.height; ++r) {
    cmsDoTransform(transform.get(), composite.rows[r], displayCopy->rows[r],
                   static_cast<cmsUInt32Number>(composite.width));
  }
  return 0;
}

#include "display/display_copy.h"

#include <utility>

int MakeDisplayCopy(const Image& composite, const IccProfile& monitorProfile, DisplayTransform* cache,
                    Image* displayCopy) {
  if (monitorProfile.empty() || IsSrgbProfile(monitorProfile)) return 0;
  // Only RGB composites have a transform.
  if ((composite.type != Rgb8 && composite.type != Rgb16) || composite.rows == nullptr) return 0;
  if (cache->builds == 0 || cache->profile != monitorProfile || cache->transform.type != composite.type) {
    cache->transform = MakeColorTransform(IccProfile(), monitorProfile, composite.type);
    cache->profile = monitorProfile;
    ++cache->builds;
  }
  if (cache->transform.empty()) return 0;
  if (!displayCopy->HasPixels() && cache->storage.HasPixels()) *displayCopy = std::move(cache->storage);
  const int result =
      AllocImage(displayCopy, composite.type, composite.width, composite.height, composite.resolution);
  if (result != 0) return result;
  return ApplyColorTransform(cache->transform, composite, displayCopy);
}

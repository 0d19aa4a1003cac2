#include "shell/hit_test.h"

namespace {

bool Contains(const PixelRect& rect, int c, int r) {
  return rect.x0 <= c && c < rect.x1 && rect.y0 <= r && r < rect.y1;
}

}  // namespace

int HitTest(const SceneSettings& scene, const LayoutRects& layout, int c, int r) {
  if (Contains(layout.borderOuter, c, r)) return kCommandImage;
  if (scene.mats[kInnerMat].shown != 0 && Contains(layout.matOuter[kInnerMat], c, r)) return kCommandInnerMat;
  if (scene.mats[kMiddleMat].shown != 0 && Contains(layout.matOuter[kMiddleMat], c, r))
    return kCommandMiddleMat;
  if (scene.mats[kOuterMat].shown != 0 && Contains(layout.matOuter[kOuterMat], c, r)) return kCommandOuterMat;
  if (Contains(layout.frameOuter, c, r)) return kCommandFrame;
  return kCommandBackground;
}

#include "core/app_state.h"

#include <utility>

#include "render/render.h"

namespace {

RenderAssets AssetsOf(const AppState& state) {
  return RenderAssets{state.textures, state.frameTiles, state.colorimetry};
}

}  // namespace

void RenderDesign(AppState* state) {
  // The rendering empties the display copy; its rows are kept for the next
  // copy, which would otherwise take fresh memory from the system each time.
  if (state->render.displayCopy.HasPixels()) state->displayTransform.storage = std::move(state->render.displayCopy);
  ComputeOverallSize(&state->scene);
  RenderComposite(state->scene, AssetsOf(*state), state->viewWidth, state->viewHeight, &state->render);
}

void RenderDesignInto(const AppState& state, int32_t width, int32_t height, RenderState* render) {
  // Exports and prints let events through while they render (a progress
  // window, a printer driver); a change applied meanwhile goes to the design,
  // not into half of this picture.
  SceneSettings design = state.scene;
  ComputeOverallSize(&design);
  RenderComposite(design, AssetsOf(state), width, height, render);
}

#include "shell/app_state.h"

#include <utility>

namespace {

RenderAssets AssetsOf(const AppState& state) {
  return RenderAssets{state.textures, state.frameTiles, state.colorimetry};
}

}  // namespace

void RenderDesign(AppState* state) {
  // The rendering empties the display copy; its rows are kept for the next
  // copy, which would otherwise take fresh memory from the system each time.
  if (state->render.displayCopy.HasPixels())
    state->displayTransform.storage = std::move(state->render.displayCopy);
  ComputeOverallSize(&state->scene);
  RenderComposite(state->scene, AssetsOf(*state), state->viewWidth, state->viewHeight, &state->render);
}

void RenderDesignInto(const AppState& state, int32_t width, int32_t height, RenderState* render) {
  RenderDesignCopy(state.scene, AssetsOf(state), width, height, render);
}

OutputSource OutputSourceOf(AppState* state) {
  return OutputSource{state->scene, AssetsOf(*state), state->persistent};
}

#include "shell/app_state.h"

#include <utility>

namespace {

RenderAssets AssetsOf(const AppState& state) {
  return RenderAssets{state.textures, state.frameTiles, state.colorimetry};
}

}  // namespace

void RenderDesign(AppState* state, const SceneSettings& design) {
  // The rendering empties the display copy; its rows are kept for the next
  // copy, which would otherwise take fresh memory from the system each time.
  if (state->render.displayCopy.HasPixels())
    state->displayTransform.storage = std::move(state->render.displayCopy);
  RenderComposite(design, AssetsOf(*state), state->viewWidth, state->viewHeight, &state->render);
}

void RenderDesignInto(const AppState& state, const SceneSettings& design, int32_t width, int32_t height,
                      RenderState* render) {
  RenderDesignCopy(design, AssetsOf(state), width, height, render);
}

OutputSource OutputSourceOf(AppState* state, const SceneSettings& design) {
  return OutputSource{design, AssetsOf(*state), state->persistent};
}

#include "core/app_state.h"

#include <utility>

#include "render/render.h"

void RenderDesign(AppState* state) {
  // The rendering empties the display copy; its rows are kept for the next
  // copy, which would otherwise take fresh memory from the system each time.
  if (state->render.displayCopy.HasPixels()) state->displayTransform.storage = std::move(state->render.displayCopy);
  RenderComposite(&state->scene, &state->render, state->textures, state->frameTiles, state->colorimetry);
}

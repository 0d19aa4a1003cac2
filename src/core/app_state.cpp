#include "core/app_state.h"

#include "render/render.h"

void RenderDesign(AppState* state) {
  RenderComposite(&state->scene, &state->render, state->textures, state->frameTiles, state->colorimetry);
}

// Layout of the design at a pixel size and painting of the composite.
#pragma once

#include "render/asset_sets.h"
#include "render/lighting.h"
#include "render/render_state.h"
#include "scene/settings.h"

// Writes frame.overallWidth and frame.overallHeight.
void ComputeOverallSize(SceneSettings* scene);

// Renders at render->requestedWidth x requestedHeight: the overall size, the
// canvas and scale, every layout rectangle, the wall, border, picture, mats,
// frame, shadows and light. Empties the display copy. A requested width or
// height of 0 changes only the overall size.
void RenderComposite(SceneSettings* scene, RenderState* render, const TextureSet& textures,
                     const FrameTileSet& frameTiles, const DisplayColorimetry& colorimetry);

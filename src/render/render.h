// Layout of the design at a pixel size and painting of the composite.
#pragma once

#include "render/asset_sets.h"
#include "render/lighting.h"
#include "render/render_state.h"
#include "scene/settings.h"

// What a rendering reads besides the design: the mat textures, the frame
// tiles and the light as the monitor shows it. The owner (the program's state,
// a test) keeps them; a rendering only reads them.
struct RenderAssets {
  const TextureSet& textures;
  const FrameTileSet& frameTiles;
  const DisplayColorimetry& colorimetry;
};

// Writes frame.overallWidth and frame.overallHeight; whoever changes the
// design calls it before the design is rendered or written.
void ComputeOverallSize(SceneSettings* scene);

// Renders the design at width x height into render: the canvas and scale,
// every layout rectangle, the wall, border, picture, mats, frame, shadows and
// light, from the overall size the design holds. Empties the display copy. A
// width or height of 0 or less changes nothing.
void RenderComposite(const SceneSettings& scene, const RenderAssets& assets, int32_t width, int32_t height,
                     RenderState* render);

// A copy of the design, its overall size computed, rendered at width x height
// into a render state of the caller's (an export, a print).
void RenderDesignCopy(const SceneSettings& scene, const RenderAssets& assets, int32_t width, int32_t height,
                      RenderState* render);

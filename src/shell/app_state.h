// Everything the program holds for a run besides the design, owned by the
// program and passed explicitly to whatever works on it. The design is the
// document's (the tool that renders from the command line keeps its own).
#pragma once

#include <string>

#include "core/icc.h"
#include "display/display_copy.h"
#include "output/output_source.h"
#include "render/asset_sets.h"
#include "render/lighting.h"
#include "render/render_state.h"
#include "scene/persistent.h"
#include "scene/settings.h"

struct AppState {
  RenderState render;  // the view's; exports and prints render into their own
  // The view's drawing area in device pixels, which the design is rendered
  // at for the screen.
  int32_t viewWidth = 0;
  int32_t viewHeight = 0;
  IccProfile inputProfile;            // the last picture's embedded profile
  IccProfile monitorProfile;          // empty: the screen shows sRGB as it is
  DisplayTransform displayTransform;  // onto the monitor profile, kept while it stays
  DisplayColorimetry colorimetry;
  TextureSet textures;
  FrameTileSet frameTiles;
  PersistentState persistent;
  std::string programFolder;       // where default.Passavue lives
  std::string assetFolder;         // holds Textures/ and Frames/
  KeyValueStore* store = nullptr;  // where the persistent state lives
};

// The view's rendering of `design`, whose overall size is up to date, at the view's size.
void RenderDesign(AppState* state, const SceneSettings& design);
// A copy of `design` rendered at width x height into a render state of the
// caller's (an export, a print), leaving the view's alone.
void RenderDesignInto(const AppState& state, const SceneSettings& design, int32_t width, int32_t height,
                      RenderState* render);
// What an export or a print of `design` reads and updates.
OutputSource OutputSourceOf(AppState* state, const SceneSettings& design);

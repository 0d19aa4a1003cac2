// Everything the program holds for a run, owned by the program and passed
// explicitly to whatever works on it.
#pragma once

#include <string>

#include "display/colour.h"
#include "files/icc.h"
#include "render/asset_sets.h"
#include "render/lighting.h"
#include "render/render_state.h"
#include "scene/persistent.h"
#include "scene/settings.h"

struct AppState {
  SceneSettings scene;
  RenderState render;
  IccProfile inputProfile;    // the last picture's embedded profile
  IccProfile monitorProfile;  // empty: the screen shows sRGB as it is
  DisplayTransform displayTransform;  // onto the monitor profile, kept while it stays
  DisplayColorimetry colorimetry;
  TextureSet textures;
  FrameTileSet frameTiles;
  PersistentState persistent;
  std::string programFolder;  // where default.Passavue lives
  std::string assetFolder;    // holds Textures/ and Frames/
  KeyValueStore* store = nullptr;  // where the persistent state lives
  // An export or print has the composite at its own size and may let events
  // through (its progress window): the view neither shows nor renders it then.
  bool renderingOffscreen = false;
};

// Renders the design at render.requestedWidth x requestedHeight.
void RenderDesign(AppState* state);

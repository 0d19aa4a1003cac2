// What an export or a print reads (the design and what it is rendered with)
// and the remembered values an export updates; the document and the
// program's state own them.
#pragma once

#include "render/render.h"
#include "scene/persistent.h"

struct OutputSource {
  const SceneSettings& scene;
  RenderAssets assets;
  PersistentState& persistent;
};

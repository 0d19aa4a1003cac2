// Which element of the design lies under a click.
#pragma once

#include "render/render_state.h"
#include "scene/settings.h"
#include "shell/control_ids.h"

// The dialog a click at composite column c and row r (rows counted from the
// bottom) opens: picture and border, then the shown mats from the inside
// out, then the frame, else the wall.
int HitTest(const SceneSettings& scene, const LayoutRects& layout, int c, int r);

// Which element of the design lies under a click.
#pragma once

#include "render/render_state.h"
#include "scene/settings.h"

// Command identifiers of the Settings menu, which also name the dialogs.
constexpr int kCommandImage = 1100;
constexpr int kCommandOuterMat = 1101;
constexpr int kCommandMiddleMat = 1102;
constexpr int kCommandInnerMat = 1103;
constexpr int kCommandFrame = 1104;
constexpr int kCommandBackground = 1105;

// The dialog a click at composite column c and row r (rows counted from the
// bottom) opens: picture and border, then the shown mats from the inside
// out, then the frame, else the wall.
int HitTest(const SceneSettings& scene, const LayoutRects& layout, int c, int r);

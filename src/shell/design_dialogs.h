// The property dialogs of the design: background and lighting, frame, the
// three mats and the picture with its border. Each opens modeless, edits
// the design in place and renders after every applied change.
#pragma once

#include <cstdint>

struct DialogContext;
class PropertyDialog;
class QWidget;

// "Background & Lighting Properties": wall colour, ratio, light.
PropertyDialog* MakeBackgroundDialog(const DialogContext& context, QWidget* owner);
// "Frame Properties": moulding style, gloss, colour, depths and widths.
PropertyDialog* MakeFrameDialog(const DialogContext& context, QWidget* owner);
// "Outer Mat Properties", "Middle Mat Properties" or "Inner Mat Properties".
PropertyDialog* MakeMatDialog(const DialogContext& context, int32_t matIndex, QWidget* owner);
// "Image Properties": the picture, its size and its border.
PropertyDialog* MakeImageDialog(const DialogContext& context, QWidget* owner);

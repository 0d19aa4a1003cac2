// File > Export: the design rendered at a chosen pixel size into a TIFF file.
#pragma once

#include <functional>

struct AppState;
class Interaction;
class OutputInteraction;

// The whole command: file dialog (with the name rule), size dialog, render
// at that size and write under a progress window, render back at the
// window's size (`repaint` shows it). AppState::renderingOffscreen is set
// from the render at the export size until the window's size is back.
void ExportTiff(AppState* state, Interaction* interaction, OutputInteraction* output,
                const std::function<void()>& repaint);

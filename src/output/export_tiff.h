// File > Export: the design rendered at a chosen pixel size into a TIFF,
// JPEG or PNG file.
#pragma once

#include <functional>

struct OutputSource;
class Interaction;
class OutputInteraction;

// The whole command: file dialog (with the name rule), size dialog, render
// at that size into a rendering of its own and write under a progress window,
// then `repaint` the view.
void ExportTiff(const OutputSource& source, Interaction* interaction, OutputInteraction* output,
                const std::function<void()>& repaint);

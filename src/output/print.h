// File > Print and File > Print Specifications on a Qt printer.
#pragma once

#include <functional>

#include "image/image.h"

struct OutputSource;
class OutputInteraction;
class QFont;
class QPaintDevice;
class QPainter;
class QPrinter;

// Draws the picture stretched into (x, y, w, h), one storage chunk per band.
void DrawImageRgb(QPainter* painter, const Image& image, int x, int y, int w, int h);
void DrawImageGray(QPainter* painter, const Image& image, int x, int y, int w, int h);

// The design on one page at 300 pixels per inch of the printable area, gray
// on a printer without colour; the window's rendering afterwards.
void PrintDesign(const OutputSource& source, OutputInteraction* output, const std::function<void()>& repaint);
// The same on a printer already set up (used by PrintDesign and tests).
void PrintDesignOn(const OutputSource& source, QPrinter* printer);

// The specifications page's font on `device`: its full height (ascent and
// descent) is the line height, so that lines never overlap.
QFont SpecificationsFont(int lineHeight, QPaintDevice* device);

// The specifications page with today's date in the user's long format.
void PrintSpecifications(const OutputSource& source, OutputInteraction* output);
void PrintSpecificationsOn(const OutputSource& source, QPrinter* printer);

// Putting the rendered design on the screen: the banded blit and the rulers.
#pragma once

#include <string>
#include <vector>

#include "image/image.h"

class QPainter;
class QFont;

// Draws an Rgb8 image with its top-left corner at (x, y), one storage chunk
// per band, so a large picture is never copied whole.
void BlitImage(QPainter* painter, const Image& image, int x, int y);

// Draws an Rgb8 image rendered in device pixels one to one, its top-left
// corner on the device pixel nearest the painter's point (x, y) (a half
// rounds up, as Qt places widgets), one storage chunk per band. Every band
// lands on whole device pixels at any scale of the screen, so the bands
// meet without a seam.
void BlitImageDevicePixels(QPainter* painter, const Image& image, int x, int y);

struct RulerTick {
  int position = 0;   // pixels from the ruler's start
  int length = 0;     // 6 for labelled ticks, 3 otherwise
  std::string label;  // empty for unlabelled ticks and the tick at 0
};

// Ticks along a ruler `clientLength` pixels long showing `lengthInches` of
// the wall, in the display units (0 in, 1 mm, 2 cm). Nothing for an empty
// or unscaled rendering.
std::vector<RulerTick> RulerTicks(int clientLength, double lengthInches, int units);

struct RulerGeometry {
  int clientWidth = 0;
  int clientHeight = 0;
  int compositeWidth = 0;
  int compositeHeight = 0;
  double pixelsPerInch = 0.0;
  int units = 0;
};

// Both rulers over the top and left edges of the client area.
void DrawRulers(QPainter* painter, const QFont& font, const RulerGeometry& geometry);

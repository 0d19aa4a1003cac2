// The text of the printed specifications page: every dimension a framer
// needs to cut the mats and build the frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/settings.h"

// The design's lines of the page in order (empty texts are blank lines),
// lengths in the display units, `date` as the second line.
std::vector<std::string> SpecificationLines(const SceneSettings& scene, int32_t units,
                                            const std::string& date);

// The sizes a framer cuts and orders, in inches, with no allowances added.
struct CutSize {
  double width = 0.0;
  double height = 0.0;
};
struct CutSides {
  double left = 0.0;
  double right = 0.0;
  double top = 0.0;
  double bottom = 0.0;
};
struct MatCut {
  int32_t mat = 0;      // kOuterMat, kMiddleMat or kInnerMat
  CutSize board;        // the frame's inside size: mats are stacked boards
  CutSize window;       // an oval's is its bounding box
  CutSides fromEdges;   // from the board's edges to the window's
  int32_t opening = 0;  // the design's codes, unchecked
  int32_t bevel = 0;
};
struct CutList {
  CutSize outside;  // the frame's overall size
  CutSize inside;   // its sight size, also the glazing's and backing's
  CutSides frameWidths;
  double mouldingLength = 0.0;  // the four outside edges: mitred pieces are ordered by their long edge
  double unitedInches = 0.0;    // inside width + inside height
  std::vector<MatCut> mats;     // shown mats, outside in
  CutSize picture;
  CutSize withBorder;
};

// From the design's overall size, frame widths, shown mats, picture and border.
CutList ComputeCutList(const SceneSettings& scene);

// The cut list block of the page: lengths in inches to the nearest
// sixteenth, in millimetres and centimetres as the page's other lengths.
std::vector<std::string> CutListLines(const CutList& cuts, int32_t units);

// The whole page: SpecificationLines, then the cut list.
std::vector<std::string> SpecificationPage(const SceneSettings& scene, int32_t units,
                                           const std::string& date);

#include "output/specifications.h"

#include "scene/text.h"
#include "scene/units.h"

namespace {

// The renderer draws an unknown style as the Rectangular moulding; the page
// names what is drawn.
std::string StyleName(int32_t style) {
  return kFrameStyleLabels[style >= 0 && style < kFrameStyleCount ? style : 0];
}

// The renderer paints any finish but Glossy as Flat; the page says the same.
std::string FinishName(int32_t finish) { return kFrameFinishLabels[finish == kGlossy ? kGlossy : kFlat]; }

std::string Widths(const char* format, double left, double right, double top, double bottom, int32_t units) {
  return FormatText(format, {FormatLength(left, units), FormatLength(right, units), FormatLength(top, units),
                             FormatLength(bottom, units)});
}

std::string Size(const char* format, const CutSize& size, int32_t units) {
  return FormatText(format, {FormatCutLength(size.width, units), FormatCutLength(size.height, units)});
}

// "  Mat 1 (Outer)", "  Mat 2", "  Mat 3 (Inner)": the k-th of n shown mats, counted from the outside.
std::string MatHeading(int k, int n) {
  return FormatText(k == 1 ? "  Mat %d (Outer)" : (k == n ? "  Mat %d (Inner)" : "  Mat %d"), {k});
}

}  // namespace

std::vector<std::string> SpecificationLines(const SceneSettings& scene, int32_t units,
                                            const std::string& date) {
  std::vector<std::string> lines;
  const FrameSettings& frame = scene.frame;
  lines.push_back("Frame Specifications");
  lines.push_back(date);
  lines.push_back("");
  lines.push_back("Frame:");
  lines.push_back(FormatText("    Type: %s - %s", {StyleName(frame.style), FinishName(frame.finish)}));
  lines.push_back(
      FormatText("    Outside frame size (width, height) = (%s, %s)",
                 {FormatLength(frame.overallWidth, units), FormatLength(frame.overallHeight, units)}));
  lines.push_back(Widths("    Frame widths (left, right, top, bottom) = (%s, %s, %s, %s)", frame.leftWidth,
                         frame.rightWidth, frame.topWidth, frame.bottomWidth, units));
  lines.push_back("");

  int shown = 0;
  for (const MatSettings& mat : scene.mats) shown += mat.shown != 0 ? 1 : 0;
  if (shown > 0) {
    lines.push_back(shown == 1 ? "Mat:" : "Mats:");
    int k = 0;
    for (const MatSettings& mat : scene.mats) {
      if (mat.shown == 0) continue;
      ++k;
      if (shown > 1) lines.push_back(MatHeading(k, shown));
      if (mat.opening == kRectangularOpening) lines.push_back("    Rectangular opening");
      if (mat.opening == kOvalOpening) lines.push_back("    Oval Opening");
      lines.push_back(Widths("    Mat widths (left, right, top, bottom) = (%s, %s, %s, %s)", mat.left,
                             mat.right, mat.top, mat.bottom, units));
      if (mat.bevel == kBevel45) lines.push_back("    Cut opening with 45 degree bevel");
      if (mat.bevel == kBevel60) lines.push_back("     Cut opening with 60 degree bevel");
      if (mat.bevel == kBevel90) lines.push_back("    Cut opening with no bevel");
    }
    lines.push_back("");
  }

  const ImageBorder& border = scene.border;
  lines.push_back("Image:");
  // The size the picture is framed at, in whichever size mode: a framer cuts
  // the mat from this line, so it must be the size the design shows.
  double pictureWidth = 0.0;
  double pictureHeight = 0.0;
  PictureSizeInches(scene, &pictureWidth, &pictureHeight);
  lines.push_back(FormatText("  Image size (width, height) = (%s, %s)",
                             {FormatLength(pictureWidth, units), FormatLength(pictureHeight, units)}));
  if (border.left == 0.0 && border.right == 0.0 && border.top == 0.0 && border.bottom == 0.0) {
    lines.push_back("    No border showing between edge of image and mat opening");
  } else {
    lines.push_back(Widths("    Image border widths (left, right, top, bottom) = (%s, %s, %s, %s)",
                           border.left, border.right, border.top, border.bottom, units));
  }
  lines.push_back("");
  return lines;
}

CutList ComputeCutList(const SceneSettings& scene) {
  CutList cuts;
  const FrameSettings& frame = scene.frame;
  cuts.outside = {frame.overallWidth, frame.overallHeight};
  cuts.frameWidths = {frame.leftWidth, frame.rightWidth, frame.topWidth, frame.bottomWidth};
  cuts.inside = {frame.overallWidth - frame.leftWidth - frame.rightWidth,
                 frame.overallHeight - frame.topWidth - frame.bottomWidth};
  cuts.mouldingLength = 2.0 * (frame.overallWidth + frame.overallHeight);
  cuts.unitedInches = cuts.inside.width + cuts.inside.height;

  // Each window is measured from the board's edges, so the margins of every
  // mat outside it add up: that is the under-mat cut.
  CutSides from;
  for (int32_t i = 0; i < kMatCount; ++i) {
    const MatSettings& mat = scene.mats[i];
    if (mat.shown == 0) continue;
    from = {from.left + mat.left, from.right + mat.right, from.top + mat.top, from.bottom + mat.bottom};
    MatCut cut;
    cut.mat = i;
    cut.board = cuts.inside;
    cut.fromEdges = from;
    cut.window = {cuts.inside.width - from.left - from.right, cuts.inside.height - from.top - from.bottom};
    cut.opening = mat.opening;
    cut.bevel = mat.bevel;
    cuts.mats.push_back(cut);
  }

  PictureSizeInches(scene, &cuts.picture.width, &cuts.picture.height);
  const ImageBorder& border = scene.border;
  cuts.withBorder = {cuts.picture.width + border.left + border.right,
                     cuts.picture.height + border.top + border.bottom};
  return cuts;
}

std::vector<std::string> CutListLines(const CutList& cuts, int32_t units) {
  std::vector<std::string> lines;
  lines.push_back("Cut list:");
  lines.push_back("  Frame");
  lines.push_back(Size("    Outside size (width, height) = (%s, %s)", cuts.outside, units));
  lines.push_back(Size("    Inside size (width, height) = (%s, %s)", cuts.inside, units));
  lines.push_back(FormatText("    Moulding length (the four outside edges) = %s",
                             {FormatCutLength(cuts.mouldingLength, units)}));
  lines.push_back(FormatText("    United inches (inside width + height) = %s",
                             {FormatCutLength(cuts.unitedInches, units)}));
  lines.push_back("  Glazing and backing");
  lines.push_back(Size("    Size (width, height) = (%s, %s)", cuts.inside, units));

  const int shown = static_cast<int>(cuts.mats.size());
  for (int k = 1; k <= shown; ++k) {
    const MatCut& mat = cuts.mats[k - 1];
    lines.push_back(shown == 1 ? "  Mat" : MatHeading(k, shown));
    lines.push_back(Size("    Board size (width, height) = (%s, %s)", mat.board, units));
    lines.push_back(FormatText(
        "    Window from edges (left, right, top, bottom) = (%s, %s, %s, %s)",
        {FormatCutLength(mat.fromEdges.left, units), FormatCutLength(mat.fromEdges.right, units),
         FormatCutLength(mat.fromEdges.top, units), FormatCutLength(mat.fromEdges.bottom, units)}));
    lines.push_back(Size("    Window size (width, height) = (%s, %s)", mat.window, units));
    // Unknown codes from a damaged file name no shape and no bevel.
    std::string cut = mat.opening == kRectangularOpening ? "    Rectangular window"
                      : mat.opening == kOvalOpening ? "    Oval window (its size is the oval's bounding box)"
                                                    : "    Window";
    if (mat.bevel == kBevel45) cut += ", 45 degree bevel";
    if (mat.bevel == kBevel60) cut += ", 60 degree bevel";
    if (mat.bevel == kBevel90) cut += ", 90 degree cut (no bevel)";
    lines.push_back(cut);
  }

  lines.push_back("  Picture");
  lines.push_back(Size("    Size (width, height) = (%s, %s)", cuts.picture, units));
  lines.push_back(Size("    Size with border (width, height) = (%s, %s)", cuts.withBorder, units));
  lines.push_back("Sizes as designed; add your own allowances.");
  lines.push_back("");
  return lines;
}

std::vector<std::string> SpecificationPage(const SceneSettings& scene, int32_t units,
                                           const std::string& date) {
  std::vector<std::string> lines = SpecificationLines(scene, units, date);
  const std::vector<std::string> cuts = CutListLines(ComputeCutList(scene), units);
  lines.insert(lines.end(), cuts.begin(), cuts.end());
  return lines;
}

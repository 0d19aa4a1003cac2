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

}  // namespace

std::vector<std::string> SpecificationLines(const SceneSettings& scene, int32_t units, const std::string& date) {
  std::vector<std::string> lines;
  const FrameSettings& frame = scene.frame;
  lines.push_back("Frame Specifications");
  lines.push_back(date);
  lines.push_back("");
  lines.push_back("Frame:");
  lines.push_back(FormatText("    Type: %s - %s", {StyleName(frame.style), FinishName(frame.finish)}));
  lines.push_back(FormatText("    Outside frame size (width, height) = (%s, %s)",
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
      if (shown > 1) {
        const char* format = k == 1 ? "  Mat %d (Outer)" : (k == shown ? "  Mat %d (Inner)" : "  Mat %d");
        lines.push_back(FormatText(format, {k}));
      }
      if (mat.opening == kRectangularOpening) lines.push_back("    Rectangular opening");
      if (mat.opening == kOvalOpening) lines.push_back("    Oval Opening");
      lines.push_back(Widths("    Mat widths (left, right, top, bottom) = (%s, %s, %s, %s)", mat.left, mat.right,
                             mat.top, mat.bottom, units));
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
    lines.push_back(Widths("    Image border widths (left, right, top, bottom) = (%s, %s, %s, %s)", border.left,
                           border.right, border.top, border.bottom, units));
  }
  lines.push_back("");
  return lines;
}

#include "scene/settings_file.h"

#include <vector>

#include "core/hooks.h"
#include "scene/text.h"

namespace {

using Tokens = std::vector<std::string>;

// A keyword line may carry fewer values than its keyword has; the fields past
// the last value keep what they held.
void StoreInteger(const Tokens& tokens, size_t index, int32_t* field) {
  if (index < tokens.size()) ReadInteger(tokens[index], field);
}

void StoreNumber(const Tokens& tokens, size_t index, double* field) {
  if (index < tokens.size()) ReadNumber(tokens[index], field);
}

void StoreColor(const Tokens& tokens, size_t first, RgbColor* color) {
  StoreInteger(tokens, first, &color->red);
  StoreInteger(tokens, first + 1, &color->green);
  StoreInteger(tokens, first + 2, &color->blue);
}

void StoreBackground(const Tokens& t, BackgroundSettings* background) {
  StoreNumber(t, 1, &background->ratio);
  StoreColor(t, 2, &background->color);
}

void StoreLighting(const Tokens& t, LightingSettings* lighting) {
  StoreInteger(t, 1, &lighting->intensity);
  StoreInteger(t, 2, &lighting->type);
}

void StoreFrame(const Tokens& t, FrameSettings* frame) {
  StoreInteger(t, 1, &frame->style);
  StoreInteger(t, 2, &frame->finish);
  StoreColor(t, 3, &frame->color);
  StoreNumber(t, 6, &frame->overallWidth);
  StoreNumber(t, 7, &frame->overallHeight);
  StoreNumber(t, 8, &frame->outerDepth);
  StoreNumber(t, 9, &frame->innerDepth);
  StoreNumber(t, 10, &frame->leftWidth);
  StoreNumber(t, 11, &frame->rightWidth);
  StoreNumber(t, 12, &frame->topWidth);
  StoreNumber(t, 13, &frame->bottomWidth);
}

void StoreMat(const Tokens& t, MatSettings* mat) {
  StoreInteger(t, 2, &mat->opening);
  StoreNumber(t, 3, &mat->left);
  StoreNumber(t, 4, &mat->right);
  StoreNumber(t, 5, &mat->top);
  StoreNumber(t, 6, &mat->bottom);
  StoreNumber(t, 7, &mat->thickness);
  StoreInteger(t, 8, &mat->texture);
  StoreColor(t, 9, &mat->color);
  StoreInteger(t, 12, &mat->bevel);
  StoreColor(t, 13, &mat->bevelColor);
  StoreInteger(t, 16, &mat->shown);
}

void StoreBorder(const Tokens& t, ImageBorder* border) {
  StoreNumber(t, 1, &border->left);
  StoreNumber(t, 2, &border->right);
  StoreNumber(t, 3, &border->top);
  StoreNumber(t, 4, &border->bottom);
  StoreColor(t, 5, &border->color);
}

}  // namespace

int WriteSettingsFile(FileHandle& file, const SceneSettings& scene) {
  const BackgroundSettings& background = scene.background;
  const FrameSettings& frame = scene.frame;
  const ImageBorder& border = scene.border;
  std::vector<std::string> lines;
  lines.push_back("Passavue 1.0");
  lines.push_back(FormatText("background %4f %d %d %d", {background.ratio, background.color.red,
                                                         background.color.green, background.color.blue}));
  lines.push_back(FormatText("lighting %d %d", {scene.lighting.intensity, scene.lighting.type}));
  lines.push_back(FormatText("frame %d %d %d %d %d %4f %4f %4f %4f %4f %4f %4f %4f",
                             {frame.style, frame.finish, frame.color.red, frame.color.green, frame.color.blue,
                              frame.overallWidth, frame.overallHeight, frame.outerDepth, frame.innerDepth,
                              frame.leftWidth, frame.rightWidth, frame.topWidth, frame.bottomWidth}));
  for (int32_t index = 0; index < kMatCount; ++index) {
    const MatSettings& mat = scene.mats[index];
    lines.push_back(FormatText("mat %d %d %4f %4f %4f %4f %4f %d %d %d %d %d %d %d %d %d",
                               {index, mat.opening, mat.left, mat.right, mat.top, mat.bottom, mat.thickness,
                                mat.texture, mat.color.red, mat.color.green, mat.color.blue, mat.bevel,
                                mat.bevelColor.red, mat.bevelColor.green, mat.bevelColor.blue, mat.shown}));
  }
  lines.push_back(FormatText("border %4f %4f %4f %4f %d %d %d",
                             {border.left, border.right, border.top, border.bottom, border.color.red,
                              border.color.green, border.color.blue}));
  lines.push_back("end");
  int result = 0;
  for (const std::string& line : lines) {
    if (WriteTextLine(file, line) != 0) result = 1;
  }
  return result;
}

int ReadSettingsFile(FileHandle& file, SceneSettings* scene) {
  std::string line;
  if (ReadTextLine(file, &line, kSettingsLineLength) != 0) return 1;
  // Editors on some systems start a UTF-8 file with a byte-order mark.
  if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
  Tokens tokens = SplitTokens(line);
  if (tokens.size() != 2 || !TextEqualsIgnoringCase(tokens[0], "Passavue") ||
      !TextEqualsIgnoringCase(tokens[1], "1.0")) {
    return 1;
  }
  for (;;) {
    if (ReadTextLine(file, &line, kSettingsLineLength) != 0) return 1;  // no "end" line
    tokens = SplitTokens(line);
    if (tokens.empty()) continue;
    const std::string& keyword = tokens[0];
    if (TextEqualsIgnoringCase(keyword, "end")) return 0;
    if (TextEqualsIgnoringCase(keyword, "background")) {
      StoreBackground(tokens, &scene->background);
    } else if (TextEqualsIgnoringCase(keyword, "lighting")) {
      StoreLighting(tokens, &scene->lighting);
    } else if (TextEqualsIgnoringCase(keyword, "frame")) {
      StoreFrame(tokens, &scene->frame);
    } else if (TextEqualsIgnoringCase(keyword, "mat")) {
      // Without an index there is no telling which mat the values are for.
      if (tokens.size() < 2) return 1;
      int32_t index = 0;
      ReadInteger(tokens[1], &index);
      if (index < 0 || index >= kMatCount) return 1;
      StoreMat(tokens, &scene->mats[index]);
    } else if (TextEqualsIgnoringCase(keyword, "border")) {
      StoreBorder(tokens, &scene->border);
    }
  }
}

int LoadSettingsFile(const std::string& path, SceneSettings* scene, std::string* lastSettingsFolder) {
  FileHandle file;
  if (OpenForRead(path, &file) != 0) {
    ShowError(FormatText(kCannotOpenFileMessage, {path}));
    return 1;
  }
  if (ReadSettingsFile(file, scene) != 0) {
    ShowError(FormatText(kErrorReadingFileMessage, {path}));
    return 1;
  }
  *lastSettingsFolder = FolderOfPath(path);
  return 0;
}

int CheckSettingsFileName(std::string* path) {
  *path = AddDefaultExtension(*path, kSettingsExtension);
  if (HasExtension(*path, ".PASSAVUE") != 0) {
    ShowError(kSettingsExtensionMessage);
    return 1;
  }
  return 0;
}

int SaveSettingsFileAs(const std::string& path, SceneSettings* scene, std::string* lastSettingsFolder) {
  std::string target = path;
  if (CheckSettingsFileName(&target) != 0) return 1;

  WriteFailure failure;
  if (WriteFileSafely(
          target, [scene](FileHandle& file) { return WriteSettingsFile(file, *scene); }, &failure) != 0) {
    const char* format = failure.created ? kCannotWriteFileMessage : kCannotCreateFileMessage;
    ShowError(WithFileError(FormatText(format, {target}), failure.error));
    return 1;
  }
  scene->modified = 0;
  *lastSettingsFolder = FolderOfPath(target);
  return 0;
}

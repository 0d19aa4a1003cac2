#include "output/export_tiff.h"

#include <algorithm>
#include <utility>

#include "core/app_state.h"
#include "core/hooks.h"
#include "files/tiff.h"
#include "output/output_interaction.h"
#include "scene/text.h"
#include "shell/interaction.h"

namespace {

// Puts the previous progress hook back however the export ends.
class ProgressHookScope {
 public:
  explicit ProgressHookScope(ProgressHook hook) : previous_(SetProgressHook(std::move(hook))) {}
  ~ProgressHookScope() { SetProgressHook(std::move(previous_)); }
  ProgressHookScope(const ProgressHookScope&) = delete;
  ProgressHookScope& operator=(const ProgressHookScope&) = delete;

 private:
  ProgressHook previous_;
};

// The render and the write at the export size, shown as one bar: the render
// has the first 60 percent, the write the rest. 0 when the file is written.
int RenderAndWrite(const AppState* state, OutputInteraction* output, FileHandle file, int width, int height) {
  int phaseStart = 0;
  int phaseSpan = 60;
  int shown = -1;
  output->BeginProgress("Exporting TIFF file...");
  const ProgressHookScope scope([&](int64_t done, int64_t total) {
    if (total <= 0) return;
    const int percent = phaseStart + static_cast<int>(std::clamp<int64_t>(done, 0, total) * phaseSpan / total);
    // The bar only moves forward, and a repeated value costs the window a repaint for nothing.
    if (percent <= shown) return;
    shown = percent;
    output->ShowProgress(percent);
  });
  RenderState render;
  RenderDesignInto(*state, width, height, &render);
  // A composite that could not be allocated at this size is no picture to write.
  const bool rendered =
      render.composite.rows != nullptr && render.composite.width == width && render.composite.height == height;
  phaseStart = 60;
  phaseSpan = 40;
  const int written = rendered ? WriteTiff(file, render.composite) : 1;
  output->EndProgress();
  return written;
}

}  // namespace

int CheckExportSize(const std::string& widthText, const std::string& heightText, int* width, int* height,
                    std::string* message) {
  int32_t w = 0;
  if (ReadInteger(widthText, &w) != 0 || w < 2 || w > 20000) {
    *message = "Illegal image width value";
    return 1;
  }
  int32_t h = 0;
  if (ReadInteger(heightText, &h) != 0 || h < 2 || h > 20000) {
    *message = "Illegal image height value";
    return 1;
  }
  *width = w;
  *height = h;
  return 0;
}

void ExportTiff(AppState* state, Interaction* interaction, OutputInteraction* output,
                const std::function<void()>& repaint) {
  FileDialogRequest request;
  request.title = "Export TIFF file";
  request.filterName = "TIFF Files";
  request.pattern = "*.tif";
  request.initialName = "*.tif";
  request.folder = state->persistent.lastSaveFolder;
  request.confirmOverwrite = true;

  std::string path;
  int width = 0;
  int height = 0;
  for (;;) {
    path = interaction->AskSaveFile(request);
    if (path.empty()) return;
    path = AddDefaultExtension(path, ".tif");
    if (HasExtension(path, ".TIF") != 0 && HasExtension(path, ".TIFF") != 0) {
      interaction->ShowErrorBox("TIFF files must have an extension of .tif or .tiff");
      continue;
    }
    width = state->persistent.lastExportWidth;
    height = state->persistent.lastExportHeight;
    if (output->AskExportSize(&width, &height)) break;
  }
  // The next export starts from the size used last.
  state->persistent.lastExportWidth = width;
  state->persistent.lastExportHeight = height;

  FileHandle file;
  if (CreateForWrite(path, &file) != 0) {
    interaction->ShowErrorBox(FormatText("Cannot create file: %s", {path}));
    return;
  }
  int written = 1;
  {
    const BusyScope busy;
    written = RenderAndWrite(state, output, file, width, height);
    CloseFile(file);
  }
  if (repaint) repaint();

  if (written == 0) {
    state->persistent.lastSaveFolder = FolderOfPath(path);
  } else {
    interaction->ShowErrorBox(FormatText("Error saving TIFF file: %s", {path}));
  }
}

#include "output/export_tiff.h"

#include "core/app_state.h"
#include "core/hooks.h"
#include "files/tiff.h"
#include "output/output_interaction.h"
#include "scene/text.h"
#include "shell/interaction.h"

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
  SetBusy(true);
  const int savedWidth = state->render.requestedWidth;
  const int savedHeight = state->render.requestedHeight;
  state->render.requestedWidth = width;
  state->render.requestedHeight = height;
  RenderDesign(state);
  // A composite that could not be allocated at this size is no picture to write.
  const bool rendered = state->render.composite.rows != nullptr && state->render.composite.width == width &&
                        state->render.composite.height == height;
  const int written = rendered ? WriteTiff(file, state->render.composite) : 1;
  CloseFile(file);
  state->render.requestedWidth = savedWidth;
  state->render.requestedHeight = savedHeight;
  RenderDesign(state);
  SetBusy(false);
  if (repaint) repaint();

  if (written == 0) {
    state->persistent.lastSaveFolder = FolderOfPath(path);
  } else {
    interaction->ShowErrorBox(FormatText("Error saving TIFF file: %s", {path}));
  }
}

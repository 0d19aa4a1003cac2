#include "output/export_tiff.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "core/hooks.h"
#include "core/interaction.h"
#include "output/export_format.h"
#include "output/output_interaction.h"
#include "output/output_source.h"
#include "scene/text.h"

namespace {

constexpr const char* kExportMemoryMessage = "Not enough memory to export the design";

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
// has the first 60 percent, the write the rest. The file is only touched
// once the picture exists. Empty when the file is written, else the message.
std::string RenderAndWrite(const OutputSource& source, OutputInteraction* output, const std::string& path,
                           ExportFormat format, int width, int height) {
  const ExportFormatTexts& texts = TextsOf(format);
  int phaseStart = 0;
  int phaseSpan = 60;
  int shown = -1;
  output->BeginProgress(texts.progress);
  const ProgressHookScope scope([&](int64_t done, int64_t total) {
    if (total <= 0) return;
    const int percent =
        phaseStart + static_cast<int>(std::clamp<int64_t>(done, 0, total) * phaseSpan / total);
    // The bar only moves forward, and a repeated value costs the window a repaint for nothing.
    if (percent <= shown) return;
    shown = percent;
    output->ShowProgress(percent);
  });
  RenderState render;
  RenderDesignCopy(source.scene, source.assets, width, height, &render);
  // A composite that could not be allocated at this size is no picture to write.
  const bool rendered = render.composite.rows != nullptr && render.composite.width == width &&
                        render.composite.height == height;
  phaseStart = 60;
  phaseSpan = 40;
  std::string message;
  WriteFailure failure;
  if (!rendered) {
    message = kExportMemoryMessage;
  } else if (WriteFileSafely(
                 path,
                 [&render, format](FileHandle& file) { return WriteExport(format, file, render.composite); },
                 &failure) != 0) {
    if (failure.error == ENOMEM)
      message = kExportMemoryMessage;
    else if (!failure.created)
      message = WithFileError(FormatText("Cannot create file: %s", {path}), failure.error);
    else
      message = WithFileError(FormatText(texts.saveError, {path}), failure.error);
  }
  output->EndProgress();
  return message;
}

}  // namespace

void ExportTiff(const OutputSource& source, Interaction* interaction, OutputInteraction* output,
                const std::function<void()>& repaint) {
  FileDialogRequest request;
  request.title = "Export TIFF file";
  for (int i = 0; i < kExportFormatCount; ++i) {
    const ExportFormatTexts& texts = TextsOf(ExportFormatOfFilter(i));
    request.filters.push_back({texts.filterName, texts.pattern});
  }
  request.initialName = "*.tif";
  request.folder = source.persistent.lastSaveFolder;

  std::string path;
  ExportFormat format = ExportFormat::Tiff;
  int width = 0;
  int height = 0;
  for (;;) {
    int filter = 0;
    path = interaction->AskSaveFileWithFilter(request, &filter);
    if (path.empty()) return;
    // The ending decides the kind of file; the filter only when there is none.
    const ExportFormatTexts& chosen = TextsOf(ExportFormatOfFilter(filter));
    path = AddDefaultExtension(path, chosen.pattern + 1);
    if (!ExportFormatOfPath(path, &format)) {
      interaction->ShowErrorBox(chosen.wrongExtension);
      continue;
    }
    if (!ConfirmReplace(interaction, request.title, path)) {
      request.initialName = path;
      continue;
    }
    width = source.persistent.lastExportWidth;
    height = source.persistent.lastExportHeight;
    if (output->AskExportSize(&width, &height)) break;
  }
  // The next export starts from the size used last.
  source.persistent.lastExportWidth = width;
  source.persistent.lastExportHeight = height;

  // A target that can never be written is refused before the long render.
  WriteFailure failure;
  if (CheckReplaceable(path, &failure) != 0) {
    interaction->ShowErrorBox(WithFileError(FormatText("Cannot create file: %s", {path}), failure.error));
    return;
  }
  std::string failed;
  {
    const BusyScope busy;
    failed = RenderAndWrite(source, output, path, format, width, height);
  }
  if (repaint) repaint();

  if (failed.empty()) {
    source.persistent.lastSaveFolder = FolderOfPath(path);
  } else {
    interaction->ShowErrorBox(failed);
  }
}

#include "dialogs_test_util.h"

#include "core/fileio.h"
#include "core/hooks.h"
#include "files/tiff.h"

std::string ScriptedInteraction::AskOpenFile(const FileDialogRequest& request) {
  int filter = 0;
  return AskOpenFileWithFilter(request, &filter);
}

std::string ScriptedInteraction::AskOpenFileWithFilter(const FileDialogRequest& request, int* chosenFilter) {
  openRequests.push_back(request);
  *chosenFilter = 0;
  if (openAnswers.empty()) return {};
  OpenAnswer answer = openAnswers.front();
  openAnswers.pop_front();
  *chosenFilter = answer.filter;
  return answer.path;
}

Harness::Harness() {
  InitScene(&state->scene);
  state->viewWidth = 160;
  state->viewHeight = 120;
  SetErrorHook([this](const std::string& message) { interaction.ShowErrorBox(message); });
  context.state = state.get();
  context.document = &document;
  context.interaction = &interaction;
  context.pickerPlacements = &placements;
  QObject::connect(&document, &Document::changed, [this]() {
    ++renders;
    RenderDesign(state.get());
  });
  RenderDesign(state.get());
}

Harness::~Harness() {
  for (const QPointer<PropertyDialog>& dialog : opened) delete dialog.data();
  SetErrorHook(nullptr);
}

PropertyDialog* Harness::Open(int command) {
  auto* dialog = static_cast<PropertyDialog*>(MakePropertyDialog(command, nullptr, context));
  if (dialog == nullptr) return nullptr;
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
  opened.emplace_back(dialog);
  return dialog;
}

bool WriteTiffPicture(const std::string& path, int width, int height, double resolution) {
  Image picture;
  if (AllocImage(&picture, Rgb8, width, height, resolution) != 0) return false;
  for (int r = 0; r < height; ++r) {
    for (int b = 0; b < picture.rowBytes; ++b) picture.rows[r][b] = static_cast<uint8_t>(r * 3 + b);
  }
  FileHandle file;
  if (CreateForWrite(path, &file) != 0) return false;
  const bool written = WriteTiff(file, picture) == 0;
  CloseFile(file);
  return written;
}

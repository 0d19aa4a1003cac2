#include "dialogs_test_util.h"

#include "core/hooks.h"

Harness::Harness() {
  state->viewWidth = 160;
  state->viewHeight = 120;
  SetErrorHook([this](const std::string& message) { interaction.ShowErrorBox(message); });
  context.state = state.get();
  context.document = &document;
  context.interaction = &interaction;
  context.pickerPlacements = &placements;
  QObject::connect(&document, &Document::changed, [this]() {
    ++renders;
    RenderDesign(state.get(), document.design());
  });
  RenderDesign(state.get(), document.design());
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

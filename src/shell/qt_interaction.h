// The desktop's answers: Qt's own file dialogs and message boxes.
#pragma once

#include "core/interaction.h"

class QWidget;

class QtInteraction : public Interaction {
 public:
  // Boxes are owned by `owner` once it is set (none during start-up).
  void SetOwner(QWidget* owner) { owner_ = owner; }
  std::string AskOpenFile(const FileDialogRequest& request) override;
  std::string AskOpenFileWithFilter(const FileDialogRequest& request, int* chosenFilter) override;
  std::string AskSaveFile(const FileDialogRequest& request) override;
  std::string AskSaveFileWithFilter(const FileDialogRequest& request, int* chosenFilter) override;
  Answer AskYesNoCancel(const std::string& title, const std::string& text) override;
  Answer AskYesNo(const std::string& title, const std::string& text) override;
  void ShowErrorBox(const std::string& text) override;

 private:
  QWidget* owner_ = nullptr;
};

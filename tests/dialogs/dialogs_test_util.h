// A design, its render counter and scripted answers for driving the dialogs
// without a person.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QRect>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/interaction.h"
#include "shell/app_state.h"
#include "shell/document.h"
#include "shell/property_dialog.h"

class ScriptedInteraction : public Interaction {
 public:
  struct OpenAnswer {
    std::string path;
    int filter = 0;
  };
  std::deque<OpenAnswer> openAnswers;
  std::vector<FileDialogRequest> openRequests;
  std::vector<std::string> errors;

  std::string AskOpenFile(const FileDialogRequest& request) override;
  std::string AskOpenFileWithFilter(const FileDialogRequest& request, int* chosenFilter) override;
  std::string AskSaveFile(const FileDialogRequest&) override { return {}; }
  Answer answer = Answer::Cancel;  // to every question
  Answer AskYesNoCancel(const std::string&, const std::string&) override { return answer; }
  void ShowErrorBox(const std::string& text) override { errors.push_back(text); }
};

// A design at its defaults, rendered small on every request.
struct Harness {
  Harness();
  ~Harness();
  // The dialog of a Settings command, shown as the main window shows it.
  PropertyDialog* Open(int command);

  std::unique_ptr<AppState> state = std::make_unique<AppState>();
  Document document{state.get()};
  ScriptedInteraction interaction;
  std::map<int, QRect> placements;
  int renders = 0;
  DialogContext context;
  // Dialogs a test left open go with the design they point into.
  std::vector<QPointer<PropertyDialog>> opened;
};

// An Rgb8 TIFF picture of width x height pixels at `resolution` pixels per inch.
bool WriteTiffPicture(const std::string& path, int width, int height, double resolution);

// Every question the program asks a person goes through this interface:
// the desktop implements it with Qt dialogs, tests with scripted answers.
#pragma once

#include <string>
#include <vector>

struct FileFilter {
  std::string name;     // e.g. "TIFF Files"
  std::string pattern;  // e.g. "*.tif;*.tiff"
};

struct FileDialogRequest {
  std::string title;
  std::string filterName;   // e.g. "Passavue Files"
  std::string pattern;      // e.g. "*.Passavue"
  std::string folder;       // starting folder
  std::string initialName;  // name shown in the name field
  // When not empty, these filters are offered instead of filterName/pattern.
  std::vector<FileFilter> filters;
};

enum class Answer { Yes, No, Cancel };

class Interaction {
 public:
  virtual ~Interaction() = default;
  // The chosen path, or an empty text when the user cancelled.
  virtual std::string AskOpenFile(const FileDialogRequest& request) = 0;
  // The same, also telling which of request.filters was active (0 the first).
  virtual std::string AskOpenFileWithFilter(const FileDialogRequest& request, int* chosenFilter) {
    *chosenFilter = 0;
    return AskOpenFile(request);
  }
  virtual std::string AskSaveFile(const FileDialogRequest& request) = 0;
  // The same for a save, telling which filter was active.
  virtual std::string AskSaveFileWithFilter(const FileDialogRequest& request, int* chosenFilter) {
    *chosenFilter = 0;
    return AskSaveFile(request);
  }
  virtual Answer AskYesNoCancel(const std::string& title, const std::string& text) = 0;
  // A question with Yes and No only; a box without those buttons counts Cancel as No.
  virtual Answer AskYesNo(const std::string& title, const std::string& text) {
    return AskYesNoCancel(title, text) == Answer::Yes ? Answer::Yes : Answer::No;
  }
  // A box titled "Error" with an OK button.
  virtual void ShowErrorBox(const std::string& text) = 0;
};

// Asks "<name> already exists. Do you want to replace it?" when `path`
// names anything at all. The file dialogs never ask this themselves: only
// the caller knows the name that will be written after the ending is added.
// True when the path may be written.
bool ConfirmReplace(Interaction* interaction, const std::string& title, const std::string& path);

#include "shell/design_commands.h"

#include <stdlib.h>

#include <memory>
#include <utility>

#include "files/import.h"
#include "scene/persistent.h"
#include "scene/settings_file.h"
#include "scene/text.h"
#include "shell/app_state.h"
#include "shell/document.h"

namespace {

FileDialogRequest DesignDialog(const AppState& state, const char* title, const std::string& name) {
  FileDialogRequest request;
  request.title = title;
  request.filterName = kSettingsFilterName;
  request.pattern = kSettingsFilterPattern;
  request.folder = state.persistent.lastParamsFolder;
  request.initialName = name;
  return request;
}

SaveOutcome SaveTo(AppState* state, Document* document, const std::string& path) {
  // The file is written from a copy: the design itself changes only by
  // being marked saved.
  SceneSettings written = document->design();
  if (SaveSettingsFileAs(path, &written, &state->persistent.lastParamsFolder) != 0)
    return SaveOutcome::Failed;
  document->MarkSaved();
  return SaveOutcome::Saved;
}

// One file reached by a link or by "..": one entry among the recent designs.
std::string CanonicalPath(const std::string& path) {
  const std::unique_ptr<char, decltype(&free)> resolved(realpath(path.c_str(), nullptr), &free);
  return resolved ? std::string(resolved.get()) : path;
}

// Written at once: New reads the stored preferences again, and a second
// window started meanwhile should offer the same designs.
void UpdateRecentDesigns(AppState* state, const std::string& path, bool keep) {
  const std::string canonical = CanonicalPath(path);
  if (keep) {
    NoteRecentDesign(canonical, &state->persistent);
  } else {
    ForgetRecentDesign(canonical, &state->persistent);
    ForgetRecentDesign(path, &state->persistent);
  }
  if (state->store != nullptr) SaveRecentDesigns(state->persistent, state->store);
}

}  // namespace

SaveOutcome SaveDesignWithDialog(AppState* state, Document* document, Interaction* interaction) {
  std::string name = kSettingsFilterPattern;
  for (;;) {
    FileDialogRequest request = DesignDialog(*state, kSaveSettingsTitle, name);
    std::string path = interaction->AskSaveFile(request);
    if (path.empty()) return SaveOutcome::Cancelled;
    // A refused name (the message was shown) or a No to replacing: ask again from this name.
    if (CheckSettingsFileName(&path) != 0 || !ConfirmReplace(interaction, kSaveSettingsTitle, path)) {
      name = path;
      continue;
    }
    const SaveOutcome outcome = SaveTo(state, document, path);
    if (outcome == SaveOutcome::Saved) UpdateRecentDesigns(state, path, true);
    return outcome;
  }
}

SaveOutcome SaveDesignAsDefault(AppState* state, Document* document) {
  return SaveTo(state, document, JoinPath(state->programFolder, kDefaultSettingsName));
}

bool OpenDesignWithDialog(AppState* state, Document* document, Interaction* interaction) {
  if (!ConfirmDiscardChanges(state, document, interaction)) return false;
  std::string path =
      interaction->AskOpenFile(DesignDialog(*state, kLoadSettingsTitle, kSettingsFilterPattern));
  if (path.empty()) return false;
  return ReadDesign(state, document, path);
}

bool OpenDesignFile(AppState* state, Document* document, Interaction* interaction, const std::string& path) {
  return ConfirmDiscardChanges(state, document, interaction) && ReadDesign(state, document, path);
}

bool ReadDesign(AppState* state, Document* document, const std::string& path) {
  const bool read = document->Load([state, &path](SceneSettings* design) {
    if (LoadSettingsFile(path, design, &state->persistent.lastParamsFolder) != 0) return false;
    design->modified = 0;
    return true;
  });
  UpdateRecentDesigns(state, path, read);
  return read;
}

int FramePicture(AppState* state, SceneSettings* design, const std::string& path, int32_t type) {
  if (LoadPicture(path, type, design, &state->inputProfile, &state->persistent.lastInputFolder) != 0)
    return 1;
  // A custom size starts from the new picture's own, measured as the layout measures it.
  PictureSettings& picture = design->picture;
  const int32_t mode = std::exchange(picture.sizeMode, kSizeFromFile);
  PictureSizeInches(*design, &picture.customWidth, &picture.customHeight);
  picture.sizeMode = mode;
  return 0;
}

bool LoadDefaultDesign(AppState* state, SceneSettings* design) {
  const std::string path = JoinPath(state->programFolder, kDefaultSettingsName);
  if (FileExists(path) == 0) return false;
  return LoadSettingsFile(path, design, &state->persistent.lastParamsFolder) == 0;
}

bool NewDesign(AppState* state, Document* document, Interaction* interaction) {
  switch (interaction->AskYesNoCancel("File New", "Save current settings first?")) {
    case Answer::Cancel:
      return false;
    case Answer::Yes:
      // A save that was cancelled or failed keeps the design as it is.
      if (SaveDesignWithDialog(state, document, interaction) != SaveOutcome::Saved) return false;
      break;
    case Answer::No:
      break;
  }
  return document->Load([state](SceneSettings* design) {
    ResetScene(design);
    // New brings the stored preferences back too, then the default design.
    if (state->store != nullptr) LoadPersistentState(state->store, state->programFolder, &state->persistent);
    LoadDefaultDesign(state, design);
    design->modified = 0;
    return true;
  });
}

bool ConfirmDiscardChanges(AppState* state, Document* document, Interaction* interaction) {
  if (document->design().modified != 1) return true;
  switch (interaction->AskYesNoCancel("Warning", "Save modified settings?")) {
    case Answer::Cancel:
      return false;
    case Answer::No:
      return true;
    case Answer::Yes:
      return SaveDesignWithDialog(state, document, interaction) == SaveOutcome::Saved;
  }
  return false;
}

#include "shell/design_commands.h"

#include <stdlib.h>

#include <memory>
#include <utility>

#include "files/import.h"
#include "scene/persistent.h"
#include "scene/settings_file.h"
#include "scene/text.h"
#include "shell/app_state.h"

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

SaveOutcome SaveTo(AppState* state, const std::string& path) {
  return SaveSettingsFileAs(path, &state->scene, &state->persistent.lastParamsFolder) == 0
             ? SaveOutcome::Saved
             : SaveOutcome::Failed;
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

SaveOutcome SaveDesignWithDialog(AppState* state, Interaction* interaction) {
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
    const SaveOutcome outcome = SaveTo(state, path);
    if (outcome == SaveOutcome::Saved) UpdateRecentDesigns(state, path, true);
    return outcome;
  }
}

SaveOutcome SaveDesignAsDefault(AppState* state) {
  return SaveTo(state, JoinPath(state->programFolder, kDefaultSettingsName));
}

bool OpenDesignWithDialog(AppState* state, Interaction* interaction) {
  if (!ConfirmDiscardChanges(state, interaction)) return false;
  std::string path =
      interaction->AskOpenFile(DesignDialog(*state, kLoadSettingsTitle, kSettingsFilterPattern));
  if (path.empty()) return false;
  return ReadDesign(state, path);
}

bool OpenDesignFile(AppState* state, Interaction* interaction, const std::string& path) {
  return ConfirmDiscardChanges(state, interaction) && ReadDesign(state, path);
}

bool ReadDesign(AppState* state, const std::string& path) {
  const bool read = LoadSettingsFile(path, &state->scene, &state->persistent.lastParamsFolder) == 0;
  if (read) state->scene.modified = 0;
  UpdateRecentDesigns(state, path, read);
  return read;
}

int FramePicture(AppState* state, const std::string& path, int32_t type) {
  SceneSettings& scene = state->scene;
  if (LoadPicture(path, type, &scene, &state->inputProfile, &state->persistent.lastInputFolder) != 0)
    return 1;
  // A custom size starts from the new picture's own, measured as the layout measures it.
  PictureSettings& picture = scene.picture;
  const int32_t mode = std::exchange(picture.sizeMode, kSizeFromFile);
  PictureSizeInches(scene, &picture.customWidth, &picture.customHeight);
  picture.sizeMode = mode;
  return 0;
}

bool LoadDefaultDesign(AppState* state) {
  const std::string path = JoinPath(state->programFolder, kDefaultSettingsName);
  if (FileExists(path) == 0) return false;
  return LoadSettingsFile(path, &state->scene, &state->persistent.lastParamsFolder) == 0;
}

bool NewDesign(AppState* state, Interaction* interaction) {
  switch (interaction->AskYesNoCancel("File New", "Save current settings first?")) {
    case Answer::Cancel:
      return false;
    case Answer::Yes:
      // A save that was cancelled or failed keeps the design as it is.
      if (SaveDesignWithDialog(state, interaction) != SaveOutcome::Saved) return false;
      break;
    case Answer::No:
      break;
  }
  ResetScene(&state->scene);
  // New brings the stored preferences back too, then the default design.
  if (state->store != nullptr) LoadPersistentState(state->store, state->programFolder, &state->persistent);
  LoadDefaultDesign(state);
  state->scene.modified = 0;
  return true;
}

bool ConfirmDiscardChanges(AppState* state, Interaction* interaction) {
  if (state->scene.modified != 1) return true;
  switch (interaction->AskYesNoCancel("Warning", "Save modified settings?")) {
    case Answer::Cancel:
      return false;
    case Answer::No:
      return true;
    case Answer::Yes:
      return SaveDesignWithDialog(state, interaction) == SaveOutcome::Saved;
  }
  return false;
}

// Design files: the text form of a design's wall, light, frame, mats and
// border (not the picture, its size or any preference).
#pragma once

#include <string>

#include "core/fileio.h"
#include "scene/settings.h"

constexpr const char* kSettingsExtension = ".Passavue";
constexpr const char* kDefaultSettingsName = "default.Passavue";
// For the Open and Save dialogs of the desktop shell.
constexpr const char* kSettingsFilterName = "Passavue Files";
constexpr const char* kSettingsFilterPattern = "*.Passavue";
constexpr const char* kLoadSettingsTitle = "Load Passavue Settings";
constexpr const char* kSaveSettingsTitle = "Save Passavue Settings";

constexpr const char* kCannotOpenFileMessage = "Cannot open file: %s";
constexpr const char* kErrorReadingFileMessage = "Error reading file: %s";
constexpr const char* kCannotCreateFileMessage = "Cannot create file: %s";
constexpr const char* kCannotWriteFileMessage = "Cannot write file: %s";
constexpr const char* kSettingsExtensionMessage =
    "Passavue settings files must have an extension of .Passavue";

// Lines longer than this are read in pieces.
constexpr size_t kSettingsLineLength = 255;

// Writes the nine lines of a design. 1 on a write error.
int WriteSettingsFile(FileHandle& file, const SceneSettings& scene);
// Reads a design into `scene`, storing each line's values as it is read, so
// a file that fails part-way leaves the lines before the failure applied.
// 1 for a wrong header, a missing "end" line or a mat index outside 0..2.
int ReadSettingsFile(FileHandle& file, SceneSettings* scene);

// Opens, reads and closes `path`; shows "Cannot open file: %s" or "Error
// reading file: %s" on failure. On success the path's folder becomes
// *lastSettingsFolder. 0 success, 1 failure.
int LoadSettingsFile(const std::string& path, SceneSettings* scene, std::string* lastSettingsFolder);

// The name rule of the Save dialog: adds ".Passavue" to a name without an
// extension; a name with another extension is refused with the extension
// message (the dialog is then shown again with the name). 0 accepted, 1 refused.
int CheckSettingsFileName(std::string* path);

// Saves to `path` (after CheckSettingsFileName): writes a temporary file
// beside it and renames it over `path` only when every line was written,
// so a failed save never damages an earlier file. On success clears
// `modified` and remembers the folder; on failure shows "Cannot create
// file: %s" or "Cannot write file: %s" and leaves `modified` alone.
// 0 saved, 1 failed or refused.
int SaveSettingsFileAs(const std::string& path, SceneSettings* scene, std::string* lastSettingsFolder);

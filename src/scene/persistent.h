// Per-user values that outlive a run: last folders, the export size and the
// display preferences, read once at start-up and written once at shutdown;
// and the recent designs, written whenever they change.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Where the desktop shell keeps the values (a per-user settings store).
constexpr const char* kStateOrganization = "Kestrow";
constexpr const char* kStateApplication = "Passavue";
constexpr const char* kStateGroup = "State";

constexpr std::array<int32_t, 5> kUpdateDelayMilliseconds = {1000, 1500, 2000, 2500, 3000};
constexpr std::array<const char*, 5> kUpdateDelayLabels = {"1 sec.", "1.5 sec.", "2 sec.", "2.5 sec.",
                                                           "3 sec."};

struct PersistentState {
  std::string lastInputFolder;   // folder of the last imported picture
  std::string lastSaveFolder;    // folder of the last exported TIFF file
  std::string lastParamsFolder;  // folder of the last loaded or saved design
  int32_t lastExportWidth = 1024;
  int32_t lastExportHeight = 1024;
  int32_t showRuler = 0;    // 0 or 1
  int32_t units = 0;        // display units, 0..2
  int32_t updateDelay = 1;  // index into kUpdateDelayMilliseconds
  // The designs last opened or saved, newest first, by canonical path, at
  // most kMaxRecentDesigns.
  std::vector<std::string> recentDesigns;
};

constexpr size_t kMaxRecentDesigns = 8;
// Longer paths are not kept in the recent designs (the system's own limit).
constexpr size_t kMaxRecentDesignPath = 4095;

// The values by name, in the order they are read and written (the recent
// designs by SaveRecentDesigns alone).
enum class PersistentValue {
  LastInputFolder,
  LastSaveFolder,
  LastParamsFolder,
  LastExportWidth,
  LastExportHeight,
  ShowRuler,
  Units,
  UpdateDelay,
  RecentDesigns,
};
constexpr std::array<const char*, 9> kPersistentValueNames = {
    "lastinputfolder", "lastsavefolder", "lastparamsfolder", "lastexportnx", "lastexportny",
    "showruler",       "units",          "update_delay",     "recentdesigns"};

// Text values by name. The shell backs it with its settings store; tests with a map.
class KeyValueStore {
 public:
  virtual ~KeyValueStore() = default;
  // 0 and the text when the value exists, 1 when it does not (or cannot be read).
  virtual int ReadText(const std::string& name, std::string* text) = 0;
  // 0 written, 1 failed.
  virtual int WriteText(const std::string& name, const std::string& text) = 0;
};

// Defaults first (the settings folder starts as `programFolder`), then
// every value the store holds. A number is the value its text starts with
// (0 without digits); one outside its range (rulers 0/1, units 0..2, delay
// 0..4) keeps its default. A folder longer than 259 characters is ignored,
// and so is a damaged or over-long list of recent designs.
void LoadPersistentState(KeyValueStore* store, const std::string& programFolder, PersistentState* state);
// Writes every value; numbers as their decimal digits. Store errors are
// silent apart from the result: 0 all written, 1 something was not. The
// recent designs are not among them: SaveRecentDesigns writes them as they change.
int SavePersistentState(const PersistentState& state, KeyValueStore* store);

// Puts `path` first among the recent designs, dropping an equal entry and
// any past the last kept. Only absolute paths up to kMaxRecentDesignPath are kept.
void NoteRecentDesign(const std::string& path, PersistentState* state);
void ForgetRecentDesign(const std::string& path, PersistentState* state);
// Writes the recent designs alone: each path on a line of its own, with "%",
// control characters and bytes above 127 written as "%XX", so that any
// file name survives a store that keeps text. 0 written, 1 failed.
int SaveRecentDesigns(const PersistentState& state, KeyValueStore* store);

// Per-user values that outlive a run: last folders, the export size and the
// display preferences. Read once at start-up, written once at shutdown.
#pragma once

#include <array>
#include <cstdint>
#include <string>

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
};

// The values by name, in the order they are read and written.
enum class PersistentValue {
  LastInputFolder,
  LastSaveFolder,
  LastParamsFolder,
  LastExportWidth,
  LastExportHeight,
  ShowRuler,
  Units,
  UpdateDelay,
};
constexpr std::array<const char*, 8> kPersistentValueNames = {
    "lastinputfolder", "lastsavefolder", "lastparamsfolder", "lastexportnx", "lastexportny",
    "showruler",       "units",          "update_delay"};

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
// 0..4) keeps its default. A folder longer than 259 characters is ignored.
void LoadPersistentState(KeyValueStore* store, const std::string& programFolder, PersistentState* state);
// Writes every value; numbers as their decimal digits. Store errors are
// silent apart from the result: 0 all written, 1 something was not.
int SavePersistentState(const PersistentState& state, KeyValueStore* store);

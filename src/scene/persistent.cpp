#include "scene/persistent.h"

#include "scene/settings.h"
#include "scene/text.h"

namespace {

// Room the stored texts had in the original value buffers; longer texts
// were unreadable and so are ignored here too rather than cut short.
constexpr size_t kMaxNumberText = 1999;

const char* NameOf(PersistentValue value) { return kPersistentValueNames[static_cast<size_t>(value)]; }

// The text up to a terminating zero byte, which some stores keep.
int ReadStoredText(KeyValueStore* store, PersistentValue value, size_t maxLength, std::string* text) {
  std::string stored;
  if (store->ReadText(NameOf(value), &stored) != 0) return 1;
  const size_t zero = stored.find('\0');
  if (zero != std::string::npos) stored.resize(zero);
  if (stored.size() > maxLength) return 1;
  *text = std::move(stored);
  return 0;
}

void LoadFolder(KeyValueStore* store, PersistentValue value, std::string* field) {
  std::string text;
  if (ReadStoredText(store, value, kMaxPathLength, &text) == 0) *field = std::move(text);
}

// The first token's leading digits; the field keeps its default when the
// value is missing, has no token, or lies outside [low, high].
void LoadNumber(KeyValueStore* store, PersistentValue value, int32_t low, int32_t high, int32_t* field) {
  std::string text;
  if (ReadStoredText(store, value, kMaxNumberText, &text) != 0) return;
  const std::vector<std::string> tokens = SplitTokens(text);
  if (tokens.empty()) return;
  int32_t number = 0;
  ReadInteger(tokens[0], &number);
  if (number >= low && number <= high) *field = number;
}

}  // namespace

void LoadPersistentState(KeyValueStore* store, const std::string& programFolder, PersistentState* state) {
  *state = PersistentState{};
  state->lastParamsFolder = programFolder;
  LoadFolder(store, PersistentValue::LastInputFolder, &state->lastInputFolder);
  LoadFolder(store, PersistentValue::LastSaveFolder, &state->lastSaveFolder);
  LoadFolder(store, PersistentValue::LastParamsFolder, &state->lastParamsFolder);
  constexpr int32_t kAny = 0x7FFFFFFF;
  LoadNumber(store, PersistentValue::LastExportWidth, -kAny - 1, kAny, &state->lastExportWidth);
  LoadNumber(store, PersistentValue::LastExportHeight, -kAny - 1, kAny, &state->lastExportHeight);
  LoadNumber(store, PersistentValue::ShowRuler, 0, 1, &state->showRuler);
  LoadNumber(store, PersistentValue::Units, 0, 2, &state->units);
  LoadNumber(store, PersistentValue::UpdateDelay, 0,
             static_cast<int32_t>(kUpdateDelayMilliseconds.size()) - 1, &state->updateDelay);
}

int SavePersistentState(const PersistentState& state, KeyValueStore* store) {
  int result = 0;
  auto write = [&](PersistentValue value, const std::string& text) {
    if (store->WriteText(NameOf(value), text) != 0) result = 1;
  };
  write(PersistentValue::LastInputFolder, state.lastInputFolder);
  write(PersistentValue::LastSaveFolder, state.lastSaveFolder);
  write(PersistentValue::LastParamsFolder, state.lastParamsFolder);
  write(PersistentValue::LastExportWidth, IntegerToText(state.lastExportWidth));
  write(PersistentValue::LastExportHeight, IntegerToText(state.lastExportHeight));
  write(PersistentValue::ShowRuler, IntegerToText(state.showRuler));
  write(PersistentValue::Units, IntegerToText(state.units));
  write(PersistentValue::UpdateDelay, IntegerToText(state.updateDelay));
  return result;
}

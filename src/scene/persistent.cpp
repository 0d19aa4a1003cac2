#include "scene/persistent.h"

#include <algorithm>

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

constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string EncodeRecentPath(const std::string& path) {
  std::string text;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '%' || byte < 0x20 || byte >= 0x7F) {
      text += '%';
      text += kHexDigits[byte >> 4];
      text += kHexDigits[byte & 15];
    } else {
      text += c;
    }
  }
  return text;
}

// One stored line back to its path; false for a bad escape, a stray
// character that encoding never writes, or a path too long to have been kept.
bool DecodeRecentPath(const std::string& line, std::string* path) {
  path->clear();
  for (size_t i = 0; i < line.size(); ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    if (byte < 0x20 || byte >= 0x7F) return false;
    if (byte != '%') {
      *path += line[i];
    } else {
      const int high = i + 2 < line.size() ? HexValue(line[i + 1]) : -1;
      const int low = high >= 0 ? HexValue(line[i + 2]) : -1;
      if (low < 0) return false;
      *path += static_cast<char>(high * 16 + low);
      i += 2;
    }
    if (path->size() > kMaxRecentDesignPath) return false;
  }
  return !path->empty() && (*path)[0] == '/';
}

// All or nothing: a list with one damaged line, or more lines than are
// kept, was not written by us and is ignored whole.
void LoadRecentDesigns(KeyValueStore* store, std::vector<std::string>* recent) {
  constexpr size_t kMaxText = kMaxRecentDesigns * (3 * kMaxRecentDesignPath + 1);
  std::string text;
  if (ReadStoredText(store, PersistentValue::RecentDesigns, kMaxText, &text) != 0 || text.empty()) return;
  std::vector<std::string> paths;
  size_t start = 0;
  for (;;) {
    const size_t end = std::min(text.find('\n', start), text.size());
    std::string path;
    if (paths.size() == kMaxRecentDesigns || !DecodeRecentPath(text.substr(start, end - start), &path))
      return;
    if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(std::move(path));
    if (end == text.size()) break;
    start = end + 1;
  }
  *recent = std::move(paths);
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
  LoadRecentDesigns(store, &state->recentDesigns);
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

void NoteRecentDesign(const std::string& path, PersistentState* state) {
  // Only what loading takes back: a relative path would spoil the whole list.
  if (path.empty() || path[0] != '/' || path.size() > kMaxRecentDesignPath) return;
  ForgetRecentDesign(path, state);
  std::vector<std::string>& recent = state->recentDesigns;
  recent.insert(recent.begin(), path);
  if (recent.size() > kMaxRecentDesigns) recent.resize(kMaxRecentDesigns);
}

void ForgetRecentDesign(const std::string& path, PersistentState* state) {
  std::vector<std::string>& recent = state->recentDesigns;
  recent.erase(std::remove(recent.begin(), recent.end(), path), recent.end());
}

int SaveRecentDesigns(const PersistentState& state, KeyValueStore* store) {
  std::string text;
  for (const std::string& path : state.recentDesigns) {
    if (!text.empty()) text += '\n';
    text += EncodeRecentPath(path);
  }
  return store->WriteText(NameOf(PersistentValue::RecentDesigns), text);
}

#include "scene/persistent.h"

#include <gtest/gtest.h>

#include "support/scripted.h"

namespace {

TEST(PersistentState, FirstRunDefaultsAndRoundTrip) {
  MapStore store;
  PersistentState state;
  state.units = 2;
  state.lastInputFolder = "/stale";
  LoadPersistentState(&store, "/opt/passavue", &state);  // no values: the first run
  EXPECT_EQ(std::vector<int32_t>({state.units, state.updateDelay, state.showRuler, state.lastExportWidth,
                                  state.lastExportHeight}),
            std::vector<int32_t>({0, 1, 0, 1024, 1024}));
  EXPECT_EQ(state.lastParamsFolder + "|" + state.lastInputFolder, "/opt/passavue|");

  state =
      PersistentState{"/home/ann/photos", "/home/ann/exports", "/home/ann/designs", 3000, -5, 1, 2, 4, {}};
  ASSERT_EQ(SavePersistentState(state, &store), 0);
  const std::map<std::string, std::string> saved = {{"lastinputfolder", "/home/ann/photos"},
                                                    {"lastsavefolder", "/home/ann/exports"},
                                                    {"lastparamsfolder", "/home/ann/designs"},
                                                    {"lastexportnx", "3000"},
                                                    {"lastexportny", "-5"},
                                                    {"showruler", "1"},
                                                    {"units", "2"},
                                                    {"update_delay", "4"}};
  EXPECT_EQ(store.values, saved);
  PersistentState loaded;
  LoadPersistentState(&store, "/opt/passavue", &loaded);
  store.values.clear();
  ASSERT_EQ(SavePersistentState(loaded, &store), 0);
  EXPECT_EQ(store.values, saved);
  store.failWrites = true;
  EXPECT_EQ(SavePersistentState(state, &store), 1);
}

TEST(PersistentState, DamagedAndOutOfRangeValues) {
  using P = PersistentState;
  // clang-format off
  const std::tuple<const char*, std::string, int32_t P::*, int32_t> cases[] = {
      {"units", "2x", &P::units, 2}, {"units", "mm", &P::units, 0}, {"units", "3", &P::units, 0},
      {"units", "-1", &P::units, 0}, {"update_delay", "5", &P::updateDelay, 1},
      {"showruler", std::string("1\0junk", 6), &P::showRuler, 1},
      {"lastexportnx", "800 x 600", &P::lastExportWidth, 800},
      {"lastexportny", std::string(2500, '7'), &P::lastExportHeight, 1024}};
  // clang-format on
  for (const auto& [name, text, field, expected] : cases) {
    MapStore store;
    store.values[name] = text;
    PersistentState state;
    LoadPersistentState(&store, "/p", &state);
    EXPECT_EQ(state.*field, expected) << name << " = \"" << text.substr(0, 20) << '"';
  }
  MapStore store;  // too long for a folder: ignored, not cut short
  store.values = {{"lastinputfolder", "/" + std::string(259, 'a')},
                  {"lastsavefolder", std::string("/tmp\0", 5)}};
  PersistentState state;
  LoadPersistentState(&store, "/p", &state);
  EXPECT_EQ(state.lastInputFolder + "|" + state.lastSaveFolder, "|/tmp");
}

TEST(PersistentState, RecentDesigns) {
  // Eight kept, newest first, once each; relative and over-long paths are not kept.
  PersistentState state;
  const std::string odd = "/d/50% \n caf\xE9\x7F.Passavue";
  for (const char* path :
       {"/d/1", "/d/2", "relative", "/d/3", "/d/2", "/d/4", "/d/5", "/d/6", "/d/7", "/d/8", "/d/9"})
    NoteRecentDesign(path, &state);
  NoteRecentDesign(odd, &state);
  NoteRecentDesign("/" + std::string(kMaxRecentDesignPath, 'x'), &state);
  const std::vector<std::string> expected = {odd, "/d/9", "/d/8", "/d/7", "/d/6", "/d/5", "/d/4", "/d/2"};
  EXPECT_EQ(state.recentDesigns, expected);
  MapStore store;
  ASSERT_EQ(SaveRecentDesigns(state, &store), 0);
  EXPECT_EQ(store.values["recentdesigns"],
            "/d/50%25 %0A caf%E9%7F.Passavue\n/d/9\n/d/8\n/d/7\n/d/6\n/d/5\n/d/4\n/d/2");
  PersistentState loaded;
  LoadPersistentState(&store, "/p", &loaded);
  EXPECT_EQ(loaded.recentDesigns, expected);
  ForgetRecentDesign("/d/9", &loaded);
  EXPECT_EQ(loaded.recentDesigns.size(), 7u);

  // A damaged or over-long list is ignored whole.
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"/a\n/a\n/b", {"/a", "/b"}},
      {"/a%2f%2F", {"/a//"}},
      {"/a\nrelative", {}},
      {"/a%2", {}},
      {"/caf\xE9", {}},
      {"/a\n/b\n/c\n/d\n/e\n/f\n/g\n/h\n/i", {}},
      {std::string(kMaxRecentDesigns * (3 * kMaxRecentDesignPath + 1) + 1, '/'), {}}};
  for (const auto& [text, paths] : cases) {
    store.values["recentdesigns"] = text;
    LoadPersistentState(&store, "/p", &loaded);
    EXPECT_EQ(loaded.recentDesigns, paths) << text.substr(0, 20);
  }
}

}  // namespace

#include "scene/persistent.h"

#include <gtest/gtest.h>

#include "support/scripted.h"

namespace {

using Values = std::map<std::string, std::string>;

// A state as the store holds it, once its saving is checked.
Values Saved(const PersistentState& state) {
  MapStore store;
  EXPECT_EQ(SavePersistentState(state, &store) + SaveRecentDesigns(state, &store), 0);
  return store.values;
}
PersistentState Loaded(const Values& values) {
  MapStore store;
  store.values = values;
  PersistentState state;
  state.lastInputFolder = "/stale";
  LoadPersistentState(&store, "/opt/passavue", &state);
  return state;
}

TEST(PersistentState, DefaultsRoundTripAndDamagedValues) {
  const PersistentState state{
      "/home/ann/photos", "/home/ann/exports", "/home/ann/designs", 3000, -5, 1, 2, 4, {}};
  const Values saved = {{"lastinputfolder", "/home/ann/photos"},
                        {"lastsavefolder", "/home/ann/exports"},
                        {"lastparamsfolder", "/home/ann/designs"},
                        {"lastexportnx", "3000"},
                        {"lastexportny", "-5"},
                        {"showruler", "1"},
                        {"units", "2"},
                        {"update_delay", "4"},
                        {"recentdesigns", ""}};
  EXPECT_EQ(Saved(state), saved);
  EXPECT_EQ(Saved(Loaded(saved)), saved);
  MapStore failing;
  failing.failWrites = true;
  EXPECT_EQ(SavePersistentState(state, &failing), 1);

  // The first run, and values out of range, damaged or too long for a
  // folder, which are ignored and not cut short.
  const PersistentState defaults{"", "", "/opt/passavue", 1024, 1024, 0, 0, 1, {}};
  EXPECT_EQ(Saved(Loaded({})), Saved(defaults));
  PersistentState expected = defaults;
  expected.units = 2;
  expected.lastExportWidth = 800;
  expected.showRuler = 1;
  expected.lastSaveFolder = "/tmp";
  EXPECT_EQ(Saved(Loaded({{"units", "2x"},
                          {"update_delay", "5"},
                          {"lastexportnx", "800 x 600"},
                          {"lastexportny", std::string(2500, '7')},
                          {"showruler", std::string("1\0junk", 6)},
                          {"lastinputfolder", "/" + std::string(259, 'a')},
                          {"lastsavefolder", std::string("/tmp\0", 5)}})),
            Saved(expected));
  for (const char* units : {"mm", "3", "-1"}) EXPECT_EQ(Loaded({{"units", units}}).units, 0) << units;
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
  const Values saved = Saved(state);
  EXPECT_EQ(saved.at("recentdesigns"),
            "/d/50%25 %0A caf%E9%7F.Passavue\n/d/9\n/d/8\n/d/7\n/d/6\n/d/5\n/d/4\n/d/2");
  PersistentState loaded = Loaded(saved);
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
  for (const auto& [text, paths] : cases)
    EXPECT_EQ(Loaded({{"recentdesigns", text}}).recentDesigns, paths) << text.substr(0, 20);
}

}  // namespace

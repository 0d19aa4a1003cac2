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
  const PersistentState state{"/home/ann/photos", "/e", "/home/ann/designs", 3000, -5, 1, 2, 4, {}};
  // clang-format off
  const Values saved = {{"lastinputfolder", "/home/ann/photos"}, {"lastsavefolder", "/e"},
                        {"lastparamsfolder", "/home/ann/designs"}, {"lastexportnx", "3000"}, {"lastexportny", "-5"},
                        {"showruler", "1"}, {"units", "2"}, {"update_delay", "4"}, {"recentdesigns", ""}};
  // clang-format on
  EXPECT_EQ(Saved(state), saved);
  EXPECT_EQ(Saved(Loaded(saved)), saved);
  MapStore failing;
  failing.failWrites = true;
  EXPECT_EQ(SavePersistentState(state, &failing), 1);

  // The first run, and values out of range, damaged or too long for a
  // folder, which are ignored and not cut short; numbers are read up to
  // their first other character.
  EXPECT_EQ(Saved(Loaded({})), Saved(PersistentState{"", "", "/opt/passavue", 1024, 1024, 0, 0, 1, {}}));
  // clang-format off
  const Values damaged = {{"units", "2x"}, {"update_delay", "5"}, {"lastexportnx", "800 x 600"},
                          {"lastexportny", std::string(2500, '7')}, {"showruler", "2"},
                          {"lastinputfolder", "/" + std::string(259, 'a')}, {"lastsavefolder", std::string("/tmp\0", 5)}};
  // clang-format on
  EXPECT_EQ(Saved(Loaded(damaged)),
            Saved(PersistentState{"", "/tmp", "/opt/passavue", 800, 1024, 0, 2, 1, {}}));
  for (const char* units : {"mm", "3", "-1"}) EXPECT_EQ(Loaded({{"units", units}}).units, 0) << units;
}

TEST(PersistentState, RecentDesigns) {
  // Eight kept, newest first, once each; relative and over-long paths are not kept.
  PersistentState state;
  const std::string odd = "/d/50% \n caf\xE9\x7F.Passavue";
  for (const std::string& path :
       std::vector<std::string>{"/d/1", "/d/2", "relative", "/d/3", "/d/2", "/d/4", "/d/5", "/d/6", "/d/7",
                                "/d/8", odd, "/" + std::string(kMaxRecentDesignPath, 'x')})
    NoteRecentDesign(path, &state);
  const std::vector<std::string> expected = {odd, "/d/8", "/d/7", "/d/6", "/d/5", "/d/4", "/d/2", "/d/3"};
  EXPECT_EQ(state.recentDesigns, expected);
  const Values saved = Saved(state);
  EXPECT_EQ(saved.at("recentdesigns"),
            "/d/50%25 %0A caf%E9%7F.Passavue\n/d/8\n/d/7\n/d/6\n/d/5\n/d/4\n/d/2\n/d/3");
  PersistentState loaded = Loaded(saved);
  EXPECT_EQ(loaded.recentDesigns, expected);
  ForgetRecentDesign("/d/8", &loaded);
  EXPECT_EQ(loaded.recentDesigns.size(), 7u);

  // A damaged or over-long list is ignored whole.
  // clang-format off
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"/a\n/a\n/b", {"/a", "/b"}}, {"/a%2f%2F", {"/a//"}}, {"/a\nrelative", {}}, {"/a%2", {}}, {"/caf\xE9", {}},
      {"/a\n/b\n/c\n/d\n/e\n/f\n/g\n/h\n/i", {}},
      {std::string(kMaxRecentDesigns * (3 * kMaxRecentDesignPath + 1) + 1, '/'), {}}};
  // clang-format on
  for (const auto& [text, paths] : cases)
    EXPECT_EQ(Loaded({{"recentdesigns", text}}).recentDesigns, paths) << text.substr(0, 20);
}

}  // namespace

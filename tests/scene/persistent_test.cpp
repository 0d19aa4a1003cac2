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
  EXPECT_EQ(kUpdateDelayMilliseconds[state.updateDelay], 1500);
  EXPECT_EQ(state.lastParamsFolder + "|" + state.lastInputFolder + "|" + state.lastSaveFolder,
            "/opt/passavue||");

  state = PersistentState{"/home/ann/photos", "/home/ann/exports", "/home/ann/designs", 3000, -5, 1, 2, 4};
  ASSERT_EQ(SavePersistentState(state, &store), 0);
  EXPECT_EQ(store.values, (std::map<std::string, std::string>{
                              {"lastinputfolder", "/home/ann/photos"}, {"lastsavefolder", "/home/ann/exports"},
                              {"lastparamsfolder", "/home/ann/designs"}, {"lastexportnx", "3000"},
                              {"lastexportny", "-5"}, {"showruler", "1"}, {"units", "2"}, {"update_delay", "4"}}));
  PersistentState loaded;
  LoadPersistentState(&store, "/opt/passavue", &loaded);
  EXPECT_EQ(std::tie(loaded.lastInputFolder, loaded.lastSaveFolder, loaded.lastParamsFolder),
            std::tie(state.lastInputFolder, state.lastSaveFolder, state.lastParamsFolder));
  EXPECT_EQ(std::vector<int32_t>({loaded.lastExportWidth, loaded.lastExportHeight, loaded.showRuler,
                                  loaded.units, loaded.updateDelay}),
            std::vector<int32_t>({3000, -5, 1, 2, 4}));
  store.failWrites = true;
  EXPECT_EQ(SavePersistentState(state, &store), 1);
}

TEST(PersistentState, DamagedAndOutOfRangeValues) {
  using P = PersistentState;
  // clang-format off
  const std::tuple<const char*, std::string, int32_t P::*, int32_t> cases[] = {
      {"units", "2", &P::units, 2}, {"units", "2x", &P::units, 2}, {"units", "mm", &P::units, 0},
      {"units", "  1 cm", &P::units, 1}, {"units", "3", &P::units, 0}, {"units", "-1", &P::units, 0},
      {"update_delay", "5", &P::updateDelay, 1}, {"update_delay", "", &P::updateDelay, 1},
      {"update_delay", "4294967296", &P::updateDelay, 0},  // wraps as the reader does
      {"showruler", "2", &P::showRuler, 0}, {"showruler", std::string("1\0junk", 6), &P::showRuler, 1},
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
  MapStore store;
  store.values = {{"lastinputfolder", "/" + std::string(259, 'a')},
                  {"lastsavefolder", std::string("/tmp\0", 5)}};
  PersistentState state;
  LoadPersistentState(&store, "/p", &state);
  // Too long for a folder: ignored, not cut short.
  EXPECT_EQ(state.lastInputFolder + "|" + state.lastSaveFolder, "|/tmp");
}

}  // namespace

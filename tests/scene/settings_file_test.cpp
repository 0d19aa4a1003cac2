#include "scene/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/hooks.h"
#include "scene/text.h"
#include "support/files.h"

namespace {

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    InitScene(&scene_);
    scene_.frame.overallWidth = 16.0;  // as the layout derives them for the default design
    scene_.frame.overallHeight = 14.0;
  }
  void TearDown() override { SetDecimalSeparator('.'); }
  std::string Path(const std::string& name) const { return folder_.Path(name); }
  std::string Save() {
    EXPECT_EQ(SaveSettingsFileAs(Path("written"), &scene_, &lastFolder_), 0);
    return ReadText(Path("written.Passavue"));
  }
  // Loading remembers the folder only when it succeeds.
  int Load(const std::string& text) {
    std::ofstream(Path("read.Passavue"), std::ios::binary) << text;
    std::string folder = "unchanged";
    const int result = LoadSettingsFile(Path("read.Passavue"), &scene_, &folder);
    EXPECT_EQ(folder, result == 0 ? folder_.Root().string() : "unchanged") << text;
    return result;
  }

  TempFolder folder_;
  ErrorCapture errors_;
  SceneSettings scene_;
  std::string lastFolder_ = "unchanged";
};

TEST_F(SettingsFile, DefaultDesignMatchesGoldenFileAndFailuresAreReported) {
  const char* source = std::getenv("PASSAVUE_SOURCE_DIR");
  const std::string golden = ReadText(std::string(source ? source : ".") + "/tests/scene/default.Passavue");
  ASSERT_FALSE(golden.empty());
  // A missing file, an unsupported version and another extension change nothing.
  EXPECT_EQ(LoadSettingsFile(Path("missing.Passavue"), &scene_, &lastFolder_), 1);
  EXPECT_EQ(Load("Passavue 2.0\nend\n"), 1);
  scene_.modified = 1;
  EXPECT_EQ(SaveSettingsFileAs(Path("design.txt"), &scene_, &lastFolder_), 1);
  EXPECT_EQ(std::tuple(lastFolder_, scene_.modified, std::filesystem::exists(Path("design.txt"))),
            std::tuple(std::string("unchanged"), 1, false));
  // A name without an extension gets one; saving clears the modified mark.
  EXPECT_EQ(Save(), golden);
  EXPECT_EQ(std::tuple(scene_.modified, lastFolder_), std::tuple(0, folder_.Root().string()));
  SetDecimalSeparator(',');
  std::string commas = golden;
  std::replace(commas.begin() + golden.find('\n'), commas.end(), '.', ',');  // the header keeps "1.0"
  EXPECT_EQ(Save(), commas);
  // Read back under "." over a changed record: every stored field returns.
  SetDecimalSeparator('.');
  scene_.frame = FrameSettings{};
  scene_.mats[kInnerMat].shown = 0;
  scene_.border.color = {};
  ASSERT_EQ(Load(commas), 0);
  EXPECT_EQ(Save(), golden);

  // The disk fills up mid-save: the earlier file stays, the design stays modified.
  scene_.modified = 1;
  scene_.border.left = 2.0;
  const FileFaultHook previous =
      SetFileFaultHook([](FileStep step) { return step == FileStep::Write ? ENOSPC : 0; });
  EXPECT_EQ(SaveSettingsFileAs(Path("written"), &scene_, &lastFolder_), 1);
  SetFileFaultHook(previous);
  EXPECT_EQ(std::tuple(ReadText(Path("written.Passavue")), scene_.modified), std::tuple(golden, 1));
  const std::string gone = Path("gone/x.Passavue");  // the folder has gone: nothing can be created
  EXPECT_EQ(SaveSettingsFileAs(gone, &scene_, &lastFolder_), 1);
  EXPECT_EQ(errors_.messages,
            (std::vector<std::string>{
                "Cannot open file: " + Path("missing.Passavue"),
                "Error reading file: " + Path("read.Passavue"), kSettingsExtensionMessage,
                "Cannot write file: " + Path("written.Passavue") + "\nNo space left on device",
                "Cannot create file: " + gone + "\nNo such file or directory"}));
}

TEST_F(SettingsFile, ReaderRulesAndDamagedFiles) {
  // Any line ending and empty lines; a byte-order mark from an editor is skipped.
  // clang-format off
  for (auto [text, result] : {std::pair{"PASSAVUE 1.0\nend\n", 0}, {"\r\n\r\npassavue 1.0\n\rEND", 0},
                              {"\xEF\xBB\xBFPassavue 1.0\r\nend\r\n", 0}, {"Passavue 1.00\nend\n", 1},
                              {"Passavue 1.0 x\nend\n", 1}, {"Passavue\nend\n", 1}, {"", 1}})
    // clang-format on
    EXPECT_EQ(Load(text), result) << text;
  // Unknown keywords and fields past a line's end are skipped; a short line
  // leaves the fields it lacks.
  ASSERT_EQ(Load("Passavue 1.0\nBORDER 1 2 3 4 9 8 7\nnote ignored 5 5 5\nLighting 2 7 8\nlighting 1\n"
                 "mat 2 1 1,25 12.5% 1.5e1 abc 0.1 4 1 2 3 2 5 6 7 0\nend\nbackground 9 9 9 9\n"),
            0);
  EXPECT_EQ(std::tuple(scene_.lighting.intensity, scene_.lighting.type, scene_.background.ratio),
            std::tuple(1, 7, 1.2));  // the background line came after "end"
  EXPECT_TRUE(scene_.mats[kInnerMat] ==
              (MatSettings{0, 1, 1.25, 0.125, 15, 0, 0.1, 4, {1, 2, 3}, 2, {5, 6, 7}}));
  EXPECT_EQ(std::tuple(scene_.mats[kMiddleMat].left, scene_.border.top, scene_.border.color),
            std::tuple(0.5, 3.0, RgbColor{9, 8, 7}));

  // Failures keep the lines before them: no "end", a mat number out of range.
  EXPECT_EQ(Load("Passavue 1.0\nlighting 2 3\nborder 1 1 1 1 0 0 0\n"), 1);
  EXPECT_EQ(std::tuple(scene_.lighting.type, scene_.border.left), std::tuple(3, 1.0));
  EXPECT_EQ(Load("Passavue 1.0\nmat 1 0 9 9 9 9\nmat 3 0 7 7 7 7\nend\n"), 1);
  EXPECT_EQ(Load("Passavue 1.0\nmat -1 0 7\nend\n") + Load("Passavue 1.0\nmat\nend\n"), 2);
  EXPECT_EQ(scene_.mats[kMiddleMat].left, 9.0);
  for (const MatSettings& mat : scene_.mats) EXPECT_NE(mat.left, 7.0);
  // A 258-character line arrives as 255 characters and then "end".
  EXPECT_EQ(Load("Passavue 1.0\nnote" + std::string(251, ' ') + "end\n"), 0);
  EXPECT_EQ(Load("Passavue 1.0\nnote" + std::string(250, ' ') + "end\n"), 1);
}

}  // namespace

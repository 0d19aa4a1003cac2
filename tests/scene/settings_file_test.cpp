#include "scene/settings_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/hooks.h"
#include "scene/text.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    InitScene(&scene_);
    scene_.frame.overallWidth = 16.0;  // as the layout derives them for the default design
    scene_.frame.overallHeight = 14.0;
  }
  void TearDown() override { SetDecimalSeparator('.'); }
  std::string Path(const std::string& name) const { return folder_.Path(name); }
  static std::string Golden() {
    const char* source = std::getenv("PASSAVUE_SOURCE_DIR");
    return ReadText(source ? std::string(source) + "/tests/scene/default.Passavue"
                           : (fs::path(__FILE__).parent_path() / "default.Passavue").string());
  }
  std::string WriteToText() {
    FileHandle file;
    EXPECT_EQ(CreateForWrite(Path("written"), &file), 0);
    EXPECT_EQ(WriteSettingsFile(file, scene_), 0);
    CloseFile(file);
    return ReadText(Path("written"));
  }
  int ReadFromText(const std::string& text) {
    std::ofstream(Path("read"), std::ios::binary) << text;
    FileHandle file;
    EXPECT_EQ(OpenForRead(Path("read"), &file), 0);
    const int result = ReadSettingsFile(file, &scene_);
    CloseFile(file);
    return result;
  }

  TempFolder folder_;
  ErrorCapture errors_;
  SceneSettings scene_;
};

TEST_F(SettingsFile, DefaultDesignMatchesGoldenFileUnderBothSeparators) {
  const std::string golden = Golden();
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(WriteToText(), golden);
  SetDecimalSeparator(',');
  std::string commas = golden;
  std::replace(commas.begin() + golden.find('\n'), commas.end(), '.', ',');  // the header keeps "1.0"
  EXPECT_EQ(WriteToText(), commas);
  // Read back under "." over a changed record: every stored field returns.
  SetDecimalSeparator('.');
  scene_.frame = FrameSettings{};
  scene_.mats[kInnerMat].shown = 0;
  scene_.border.color = {};
  ASSERT_EQ(ReadFromText(commas), 0);
  EXPECT_EQ(WriteToText(), golden);
}

TEST_F(SettingsFile, ReaderRulesAndDamagedFiles) {
  // A byte-order mark from an editor is skipped.
  for (const char* valid :
       {"PASSAVUE 1.0\nend\n", "\n\npassavue 1.0\r\nEND", "\xEF\xBB\xBFPassavue 1.0\r\nend\r\n"})
    EXPECT_EQ(ReadFromText(valid), 0);
  for (const char* invalid : {"Passavue 1.00\nend\n", "Passavue 1.0 x\nend\n", "Passavue\nend\n", ""})
    EXPECT_EQ(ReadFromText(invalid), 1) << invalid;
  // Unknown keywords and fields past a line's end are skipped; a short line
  // leaves the fields it lacks.
  ASSERT_EQ(
      ReadFromText("Passavue 1.0\nBORDER 1 2 3 4 9 8 7\nnote ignored 5 5 5\nLighting 2 7 8\nlighting 1\n"
                   "mat 2 1 1,25 12.5% 1.5e1 abc 0.1 4 1 2 3 2 5 6 7 0\nend\nbackground 9 9 9 9\n"),
      0);
  EXPECT_EQ(std::tuple(scene_.lighting.intensity, scene_.lighting.type, scene_.background.ratio),
            std::tuple(1, 7, 1.2));  // the background line came after "end"
  EXPECT_TRUE(scene_.mats[kInnerMat] ==
              (MatSettings{0, 1, 1.25, 0.125, 15, 0, 0.1, 4, {1, 2, 3}, 2, {5, 6, 7}}));
  EXPECT_EQ(std::tuple(scene_.mats[kMiddleMat].left, scene_.border.top, scene_.border.color),
            std::tuple(0.5, 3.0, RgbColor{9, 8, 7}));

  // Failures keep the lines before them: no "end", a mat number out of range.
  EXPECT_EQ(ReadFromText("Passavue 1.0\nlighting 2 3\nborder 1 1 1 1 0 0 0\n"), 1);
  EXPECT_EQ(std::tuple(scene_.lighting.type, scene_.border.left), std::tuple(3, 1.0));
  EXPECT_EQ(ReadFromText("Passavue 1.0\nmat 1 0 9 9 9 9\nmat 3 0 7 7 7 7\nend\n"), 1);
  EXPECT_EQ(ReadFromText("Passavue 1.0\nmat -1 0 7\nend\n") + ReadFromText("Passavue 1.0\nmat\nend\n"), 2);
  EXPECT_EQ(scene_.mats[kMiddleMat].left, 9.0);
  for (const MatSettings& mat : scene_.mats) EXPECT_NE(mat.left, 7.0);
  // A 258-character line arrives as 255 characters and then "end".
  EXPECT_EQ(ReadFromText("Passavue 1.0\nnote" + std::string(251, ' ') + "end\n"), 0);
  EXPECT_EQ(ReadFromText("Passavue 1.0\nnote" + std::string(250, ' ') + "end\n"), 1);
}

TEST_F(SettingsFile, LoadAndSaveReportAndRememberTheFolder) {
  std::string lastFolder = "unchanged";
  std::ofstream(Path("bad.Passavue"), std::ios::binary) << "Passavue 2.0\nend\n";
  EXPECT_EQ(LoadSettingsFile(Path("missing.Passavue"), &scene_, &lastFolder), 1);
  EXPECT_EQ(LoadSettingsFile(Path("bad.Passavue"), &scene_, &lastFolder), 1);
  scene_.modified = 1;
  EXPECT_EQ(SaveSettingsFileAs(Path("design.txt"), &scene_, &lastFolder), 1);
  EXPECT_EQ(errors_.messages, (std::vector<std::string>{"Cannot open file: " + Path("missing.Passavue"),
                                                        "Error reading file: " + Path("bad.Passavue"),
                                                        kSettingsExtensionMessage}));
  EXPECT_EQ(std::tuple(lastFolder, scene_.modified, fs::exists(Path("design.txt"))),
            std::tuple(std::string("unchanged"), 1, false));

  EXPECT_EQ(SaveSettingsFileAs(Path("design"), &scene_, &lastFolder), 0);  // the extension is added
  EXPECT_EQ(ReadText(Path("design.Passavue")), Golden());
  EXPECT_EQ(std::tuple(scene_.modified, lastFolder), std::tuple(0, folder_.Root().string()));
  scene_.lighting.type = 5;
  EXPECT_EQ(SaveSettingsFileAs(Path("design.Passavue"), &scene_, &lastFolder), 0);
  scene_.lighting.type = 0;
  lastFolder.clear();
  EXPECT_EQ(LoadSettingsFile(Path("design.Passavue"), &scene_, &lastFolder), 0);
  EXPECT_EQ(std::tuple(scene_.lighting.type, lastFolder, errors_.messages.size()),
            std::tuple(5, folder_.Root().string(), size_t{3}));
}

TEST_F(SettingsFile, FailedSaveLeavesTheEarlierFileIntact) {
  std::string lastFolder;
  const std::string path = Path("keep.Passavue");
  ASSERT_EQ(SaveSettingsFileAs(path, &scene_, &lastFolder), 0);
  const std::string before = ReadText(path);
  scene_.modified = 1;
  scene_.border.left = 2.0;
  // The disk fills up mid-save: a file-size limit makes the write fail.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousSignal = ::signal(SIGXFSZ, SIG_IGN);
  rlimit tiny = saved;
  tiny.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
  const int result = SaveSettingsFileAs(path, &scene_, &lastFolder);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, previousSignal);
  EXPECT_EQ(std::tuple(result, ReadText(path), scene_.modified), std::tuple(1, before, 1));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_.Root()), fs::directory_iterator()),
            1);                                      // no leftovers
  const std::string gone = Path("gone/x.Passavue");  // the folder has gone: nothing can be created
  EXPECT_EQ(SaveSettingsFileAs(gone, &scene_, &lastFolder), 1);
  EXPECT_EQ(errors_.messages,
            (std::vector<std::string>{"Cannot write file: " + path + "\nFile too large",
                                      "Cannot create file: " + gone + "\nNo such file or directory"}));
}

}  // namespace

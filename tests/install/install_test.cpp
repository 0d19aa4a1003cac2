// Installs the build into a temporary prefix, as a user would with
// `cmake --install`, and checks that the installed programs find their data
// there and that the desktop integration files are where desktops look.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <tuple>

namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a shell command line in `folder`; returns the exit status (-1 when it
// did not end normally) and what it wrote on standard error.
int RunIn(const fs::path& folder, const std::string& command, std::string* errors) {
  const fs::path errorFile = folder / "stderr.txt";
  const int status = std::system(
      ("cd " + Quote(folder.string()) + " && " + command + " >/dev/null 2>" + Quote(errorFile.string()))
          .c_str());
  *errors = ReadAll(errorFile);
  fs::remove(errorFile);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every file below `root`, by path relative to it.
std::set<std::string> FilesBelow(const fs::path& root) {
  std::set<std::string> files;
  if (!fs::is_directory(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), root).string());
  return files;
}

class Installed : public ::testing::Test {
 protected:
  // One install for the whole suite: it copies some 90 files.
  static void SetUpTestSuite() {
    build_ = std::getenv("PASSAVUE_BUILD_DIR");
    char pattern[] = "/tmp/passavue-install-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    // A prefix whose name needs quoting, as a user's home folder may.
    prefix_ = root_ / "my prefix";
    std::string errors;
    installed_ = RunIn(root_,
                       Quote(PASSAVUE_CMAKE_COMMAND) + " --install " + Quote(build_.string()) + " --prefix " +
                           Quote(prefix_.string()),
                       &errors) == 0;
    ASSERT_TRUE(installed_) << "cmake --install failed:\n" << errors;
  }
  static void TearDownTestSuite() { fs::remove_all(root_); }
  void SetUp() override { ASSERT_TRUE(installed_); }

  static inline fs::path build_, root_, prefix_;
  static inline bool installed_ = false;
  const fs::path share_ = prefix_ / "share";
};

TEST_F(Installed, ProgramsInBinAndDataUnderSharePassavue) {
  // Nothing but the programs lands in bin/: data there would be found first.
  std::set<std::string> programs;
  for (const auto& entry : fs::directory_iterator(prefix_ / "bin")) programs.insert(entry.path().filename());
  EXPECT_EQ(programs, (PASSAVUE_WITH_SHELL ? std::set<std::string>{"passavue", "passavue-render"}
                                           : std::set<std::string>{"passavue-render"}));
  // The generated assets and the manual arrive complete and unchanged.
  const fs::path source = std::getenv("PASSAVUE_SOURCE_DIR");
  const std::map<std::string, std::tuple<fs::path, size_t>> origins = {
      {"Textures", {build_ / "Textures", 5}},
      {"Frames", {build_ / "Frames", 88}},  // 2 finishes x 11 styles x 4 sides
      {"help", {source / "data/help", 0}}};
  for (const auto& [folder, origin] : origins) {
    const auto& [from, count] = origin;
    const std::set<std::string> expected = FilesBelow(from);
    EXPECT_EQ(FilesBelow(share_ / "passavue" / folder), expected) << folder;
    EXPECT_TRUE(count == 0 ? !expected.empty() : expected.size() == count) << folder;
    for (const std::string& file : expected)
      EXPECT_TRUE(ReadAll(share_ / "passavue" / folder / file) == ReadAll(from / file))
          << folder << "/" << file;
  }
  // Every page and picture the installed manual refers to is installed too.
  const fs::path help = share_ / "passavue/help";
  const std::regex reference("(?:href|src)=\"([^\"#:]+)(#[^\"]*)?\"");
  int checked = 0;
  for (const std::string& file : FilesBelow(help)) {
    if (fs::path(file).extension() != ".html") continue;
    const std::string page = ReadAll(help / file);
    for (auto it = std::sregex_iterator(page.begin(), page.end(), reference); it != std::sregex_iterator();
         ++it, ++checked)
      EXPECT_TRUE(fs::is_regular_file((help / file).parent_path() / (*it)[1].str()))
          << file << ": " << (*it)[1];
  }
  EXPECT_GT(checked, 0);
}

TEST_F(Installed, RendererFindsTheInstalledAssets) {
  // Started from an unrelated folder, so that only its own location guides it.
  const fs::path work = root_ / "work";
  fs::create_directories(work);
  std::string errors;
  ASSERT_EQ(
      RunIn(work, Quote((prefix_ / "bin/passavue-render").string()) + " --size 320x240 -o out.tif", &errors),
      0)
      << errors;
  EXPECT_EQ(errors, "");  // no asset went missing
  EXPECT_EQ(fs::file_size(work / "out.tif"), 240u + 320u * 240u * 3u);
}

TEST_F(Installed, DesktopEntryIconsAndDesignType) {
  const std::string entry = ReadAll(share_ / "applications/passavue.desktop");
  // The entry starts a program that is installed, with an icon that is.
  std::smatch match;
  ASSERT_TRUE(std::regex_search(entry, match, std::regex("\nExec=([^ \n]+) %F\n")));
  EXPECT_TRUE(!PASSAVUE_WITH_SHELL || fs::is_regular_file(prefix_ / "bin" / match[1].str()));
  ASSERT_TRUE(std::regex_search(entry, match, std::regex("\nIcon=([^\n]+)\n")));
  for (uint32_t size : {16u, 32u, 48u, 64u, 128u, 256u}) {
    // A PNG's width and height are the big-endian words at 16 and 20.
    const std::string folder = std::to_string(size) + "x" + std::to_string(size);
    const std::string png = ReadAll(share_ / "icons/hicolor" / folder / "apps" / (match[1].str() + ".png"));
    auto big = [&png](size_t at) {
      return png.size() < 24 ? 0u
                             : uint32_t(uint8_t(png[at])) << 24 | uint8_t(png[at + 1]) << 16 |
                                   uint8_t(png[at + 2]) << 8 | uint8_t(png[at + 3]);
    };
    EXPECT_EQ(std::tuple(png.substr(0, 8), big(16), big(20)),
              std::tuple(std::string("\x89PNG\r\n\x1a\n"), size, size))
        << folder;
  }
  EXPECT_NE(ReadAll(share_ / "icons/hicolor/scalable/apps" / (match[1].str() + ".svg")).find("<svg"),
            std::string::npos);
  EXPECT_NE(entry.find("\nMimeType=application/x-passavue;image/tiff;image/jpeg;image/png;\n"),
            std::string::npos);
  EXPECT_NE(entry.find("\nCategories=Graphics;"), std::string::npos);

  // The design file type, compiled by the freedesktop tool the install ran:
  // a file named *.Passavue (in any case) is a Passavue design.
  EXPECT_TRUE(fs::is_regular_file(share_ / "mime/packages/passavue.xml"));
  if (!fs::exists(share_ / "mime/globs2")) GTEST_SKIP() << "update-mime-database is not installed";
  EXPECT_NE(ReadAll(share_ / "mime/globs2").find(":application/x-passavue:*.passavue"), std::string::npos);
  EXPECT_NE(ReadAll(share_ / "mime/magic").find("Passavue 1.0"), std::string::npos);
  if (fs::exists(share_ / "applications/mimeinfo.cache")) {
    EXPECT_NE(
        ReadAll(share_ / "applications/mimeinfo.cache").find("application/x-passavue=passavue.desktop;"),
        std::string::npos);
  }
}

}  // namespace

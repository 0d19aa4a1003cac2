// Installs the build into a temporary prefix, as a user would with
// `cmake --install`, and checks that the installed programs find their data
// there and that the desktop integration files are where desktops look.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "support/files.h"

namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs a shell command line in `folder`; returns the exit status (-1 when it
// did not end normally) and what it wrote on standard error.
int RunIn(const fs::path& folder, const std::string& command, std::string* errors) {
  const fs::path errorFile = folder / "stderr.txt";
  const int status = std::system(
      ("cd " + Quote(folder.string()) + " && " + command + " >/dev/null 2>" + Quote(errorFile.string()))
          .c_str());
  *errors = ReadText(errorFile);
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

// One install, of some 90 files, for every check of what it put where.
TEST(Installed, ProgramsDataDesktopIntegrationAndTheInstalledRenderer) {
  const fs::path build = std::getenv("PASSAVUE_BUILD_DIR");
  const fs::path data = fs::path(std::getenv("PASSAVUE_SOURCE_DIR")) / "data";
  const TempFolder root;
  // A prefix whose name needs quoting, as a user's home folder may.
  const fs::path prefix = root.Root() / "my prefix", share = prefix / "share";
  std::string errors;
  const std::string install = Quote(PASSAVUE_CMAKE_COMMAND) + " --install " + Quote(build.string()) +
                              " --prefix " + Quote(prefix.string());
  ASSERT_EQ(RunIn(root.Root(), install, &errors), 0) << "cmake --install failed:\n" << errors;

  // Nothing but the programs lands in bin/: data there would be found first.
  std::set<std::string> programs;
  for (const auto& entry : fs::directory_iterator(prefix / "bin")) programs.insert(entry.path().filename());
  EXPECT_EQ(programs, (PASSAVUE_WITH_SHELL ? std::set<std::string>{"passavue", "passavue-render"}
                                           : std::set<std::string>{"passavue-render"}));
  // The generated assets and the manual arrive complete and unchanged.
  for (const auto& [folder, from, count] :
       {std::tuple{"Textures", build / "Textures", size_t{5}},
        {"Frames", build / "Frames", 88},  // 2 finishes x 11 styles x 4 sides
        {"help", data / "help", 0}}) {
    const std::set<std::string> expected = FilesBelow(from);
    EXPECT_EQ(FilesBelow(share / "passavue" / folder), expected) << folder;
    EXPECT_TRUE(count == 0 ? !expected.empty() : expected.size() == count) << folder;
    for (const std::string& file : expected)
      EXPECT_TRUE(ReadAll(share / "passavue" / folder / file) == ReadAll(from / file))
          << folder << "/" << file;
  }
  // Every page and picture the installed manual refers to is installed too.
  const fs::path help = share / "passavue/help";
  const std::regex reference("(?:href|src)=\"([^\"#:]+)(#[^\"]*)?\"");
  int checked = 0;
  for (const std::string& file : FilesBelow(help)) {
    if (fs::path(file).extension() != ".html") continue;
    const std::string page = ReadText(help / file);
    for (auto it = std::sregex_iterator(page.begin(), page.end(), reference); it != std::sregex_iterator();
         ++it, ++checked)
      EXPECT_TRUE(fs::is_regular_file((help / file).parent_path() / (*it)[1].str()))
          << file << ": " << (*it)[1];
  }
  EXPECT_GT(checked, 0);

  // The desktop files are installed unchanged under the names desktops look
  // for; each PNG is as large as its folder says (the big-endian width and
  // height after "IHDR").
  std::vector<std::pair<std::string, fs::path>> files = {
      {"applications/passavue.desktop", data / "passavue.desktop"},
      {"mime/packages/passavue.xml", data / "passavue-mime.xml"},
      {"icons/hicolor/scalable/apps/passavue.svg", data / "icons/passavue.svg"}};
  for (int size : {16, 32, 48, 64, 128, 256}) {
    const std::string n = std::to_string(size), side = {'\0', '\0', char(size >> 8), char(size & 0xFF)};
    files.push_back(
        {"icons/hicolor/" + n + "x" + n + "/apps/passavue.png", data / ("icons/passavue-" + n + ".png")});
    EXPECT_EQ(ReadText(files.back().second).substr(12, 12), "IHDR" + side + side) << n;
  }
  for (const auto& [installed, source] : files) {
    const std::string bytes = ReadText(share / installed);
    EXPECT_TRUE(!bytes.empty() && bytes == ReadText(source)) << installed;
  }
  // The entry starts the program installed in bin/ with its icon, for designs and pictures.
  const std::string entry = ReadText(share / "applications/passavue.desktop");
  for (const char* line : {"\nExec=passavue %F\n", "\nIcon=passavue\n", "\nCategories=Graphics;",
                           "\nMimeType=application/x-passavue;image/tiff;image/jpeg;image/png;\n"})
    EXPECT_NE(entry.find(line), std::string::npos) << line;
  // The databases the install refreshed, where the freedesktop tools are: a
  // file named *.Passavue (in any case) or starting "Passavue 1.0" is a design.
  for (const auto& [tool, file, text] :
       {std::tuple{"mime", "mime/globs2", ":application/x-passavue:*.passavue"},
        {"mime", "mime/magic", "Passavue 1.0"},
        {"desktop", "applications/mimeinfo.cache", "application/x-passavue=passavue.desktop;"}}) {
    if (std::system(("command -v update-" + std::string(tool) + "-database >/dev/null").c_str()) == 0) {
      EXPECT_NE(ReadText(share / file).find(text), std::string::npos) << file;
    }
  }

  // The installed renderer, started from a folder neither its own nor the
  // prefix, so that only its own location guides it, misses no asset.
  const int status = RunIn(
      root.Root(), Quote((prefix / "bin/passavue-render").string()) + " --size 320x240 -o out.tif", &errors);
  EXPECT_EQ(std::pair(status, errors), std::pair(0, std::string()));
  EXPECT_EQ(fs::file_size(root.Root() / "out.tif"), 240u + 320u * 240u * 3u);
}

}  // namespace

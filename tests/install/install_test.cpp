// Installs the build into a temporary prefix, as a user would with
// `cmake --install`, and checks that the installed programs find their data
// there and that the desktop integration files are where desktops look.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <tiffio.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

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

// Runs a shell command line in `folder` with standard error kept in a file;
// returns the exit status (-1 when it did not end normally).
int RunIn(const fs::path& folder, const std::string& command, std::string* errors) {
  const fs::path errorFile = folder / "stderr.txt";
  const std::string line =
      "cd " + Quote(folder.string()) + " && " + command + " >/dev/null 2>" + Quote(errorFile.string());
  const int status = std::system(line.c_str());
  if (errors != nullptr) *errors = ReadAll(errorFile);
  fs::remove(errorFile);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct TiffFacts {
  uint32_t width = 0, height = 0;
  uint16_t samples = 0, bits = 0;
  std::vector<uint8_t> pixels;
};

// Read with libtiff, independently of the program's own reader.
bool ReadWithLibtiff(const fs::path& path, TiffFacts* facts) {
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  if (tiff == nullptr) return false;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &facts->width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &facts->height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &facts->samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &facts->bits);
  const tmsize_t rowBytes = TIFFScanlineSize(tiff);
  facts->pixels.resize(static_cast<size_t>(rowBytes) * facts->height);
  bool ok = rowBytes > 0;
  for (uint32_t row = 0; ok && row < facts->height; ++row) {
    ok = TIFFReadScanline(tiff, facts->pixels.data() + static_cast<size_t>(rowBytes) * row, row) == 1;
  }
  TIFFClose(tiff);
  return ok;
}

// Width and height from a PNG's IHDR chunk; {0, 0} for anything else.
std::pair<uint32_t, uint32_t> PngSize(const fs::path& path) {
  const std::string bytes = ReadAll(path);
  static const std::string kSignature = "\x89PNG\r\n\x1a\n";
  if (bytes.size() < 24 || bytes.compare(0, 8, kSignature) != 0 || bytes.compare(12, 4, "IHDR") != 0)
    return {0, 0};
  auto big = [&bytes](size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
    return value;
  };
  return {big(16), big(20)};
}

// Every file below `root`, by path relative to it.
std::set<std::string> FilesBelow(const fs::path& root) {
  std::set<std::string> files;
  if (!fs::is_directory(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), root).string());
  }
  return files;
}

class Installed : public ::testing::Test {
 protected:
  // One install for the whole suite: it copies some 90 files.
  static void SetUpTestSuite() {
    const char* build = std::getenv("PASSAVUE_BUILD_DIR");
    ASSERT_NE(build, nullptr) << "PASSAVUE_BUILD_DIR is not set";
    build_ = build;
    char pattern[] = "/tmp/passavue-install-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    // A prefix whose name needs quoting, as a user's home folder may.
    prefix_ = root_ / "my prefix";
    std::string errors;
    const int status = RunIn(root_,
                             Quote(PASSAVUE_CMAKE_COMMAND) + " --install " + Quote(build_.string()) +
                                 " --prefix " + Quote(prefix_.string()),
                             &errors);
    installed_ = status == 0;
    ASSERT_TRUE(installed_) << "cmake --install failed:\n" << errors;
  }
  static void TearDownTestSuite() {
    if (!root_.empty()) fs::remove_all(root_);
  }
  void SetUp() override { ASSERT_TRUE(installed_); }

  static fs::path Share() { return prefix_ / "share"; }

  static fs::path build_;
  static fs::path root_;
  static fs::path prefix_;
  static bool installed_;
};

fs::path Installed::build_;
fs::path Installed::root_;
fs::path Installed::prefix_;
bool Installed::installed_ = false;

TEST_F(Installed, ProgramsInBinAndDataUnderSharePassavue) {
  EXPECT_TRUE(fs::is_regular_file(prefix_ / "bin/passavue-render"));
  EXPECT_TRUE(!PASSAVUE_WITH_SHELL || fs::is_regular_file(prefix_ / "bin/passavue"));
  // Nothing but the programs lands in bin/: data there would be found first.
  for (const auto& entry : fs::directory_iterator(prefix_ / "bin")) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "passavue" || name == "passavue-render") << name;
  }
  // The generated assets and the manual arrive complete and unchanged.
  const fs::path source =
      std::getenv("PASSAVUE_SOURCE_DIR") != nullptr ? std::getenv("PASSAVUE_SOURCE_DIR") : "";
  const std::map<std::string, fs::path> origins = {
      {"Textures", build_ / "Textures"}, {"Frames", build_ / "Frames"}, {"help", source / "data/help"}};
  for (const auto& [folder, origin] : origins) {
    const std::set<std::string> expected = FilesBelow(origin);
    EXPECT_FALSE(expected.empty()) << origin;
    EXPECT_EQ(FilesBelow(Share() / "passavue" / folder), expected) << folder;
    for (const std::string& file : expected) {
      EXPECT_TRUE(ReadAll(Share() / "passavue" / folder / file) == ReadAll(origin / file))
          << folder << "/" << file;
    }
  }
  EXPECT_EQ(FilesBelow(Share() / "passavue/Textures").size(), 5u);
  EXPECT_EQ(FilesBelow(Share() / "passavue/Frames").size(), 88u);  // 2 finishes x 11 styles x 4 sides
}

TEST_F(Installed, RendererFindsTheInstalledAssets) {
  // Started from an unrelated folder, so that only its own location guides it.
  const fs::path work = root_ / "work";
  fs::create_directories(work);
  std::string errors;
  ASSERT_EQ(
      RunIn(work, Quote((prefix_ / "bin/passavue-render").string()) + " --size 320x240 -o installed.tif",
            &errors),
      0)
      << errors;
  EXPECT_EQ(errors, "");  // no asset went missing
  TiffFacts installed;
  ASSERT_TRUE(ReadWithLibtiff(work / "installed.tif", &installed));
  EXPECT_EQ(std::tuple(installed.width, installed.height, installed.samples, installed.bits),
            std::tuple(320u, 240u, 3, 8));

  // The same design rendered beside the build's assets gives the same pixels,
  // so the frame tiles really were read from share/passavue.
  ASSERT_EQ(
      RunIn(work, Quote((build_ / "passavue-render").string()) + " --size 320x240 -o built.tif", &errors), 0)
      << errors;
  TiffFacts built;
  ASSERT_TRUE(ReadWithLibtiff(work / "built.tif", &built));
  EXPECT_TRUE(installed.pixels == built.pixels);
}

TEST_F(Installed, RendererAwayFromItsDataSaysWhatIsMissing) {
  // The counterpart of the test above: a lone copy of the program with no
  // share/passavue near it names each missing file, still renders, and ends
  // with status 1 because something was reported.
  const fs::path lone = root_ / "lone/bin";
  fs::create_directories(lone);
  fs::copy_file(prefix_ / "bin/passavue-render", lone / "passavue-render");
  std::string errors;
  ASSERT_EQ(RunIn(lone, "./passavue-render --size 64x48 -o lone.tif", &errors), 1) << errors;
  EXPECT_NE(errors.find("Cannot locate texture file: "), std::string::npos) << errors;
  EXPECT_NE(errors.find("Laid.tif"), std::string::npos) << errors;
  TiffFacts facts;
  EXPECT_TRUE(ReadWithLibtiff(lone / "lone.tif", &facts));
  EXPECT_EQ(facts.width, 64u);
}

TEST_F(Installed, DesktopEntryIconsAndDesignType) {
  const std::string entry = ReadAll(Share() / "applications/passavue.desktop");
  ASSERT_FALSE(entry.empty());
  // The entry starts a program that is installed, with an icon that is.
  std::smatch match;
  ASSERT_TRUE(std::regex_search(entry, match, std::regex("\nExec=([^ \n]+) %F\n")));
  EXPECT_TRUE(!PASSAVUE_WITH_SHELL || fs::is_regular_file(prefix_ / "bin" / match[1].str()));
  ASSERT_TRUE(std::regex_search(entry, match, std::regex("\nIcon=([^\n]+)\n")));
  const std::string icon = match[1].str() + ".png";
  for (uint32_t size : {16u, 32u, 48u, 64u, 128u, 256u}) {
    const std::string folder = std::to_string(size) + "x" + std::to_string(size);
    EXPECT_EQ(PngSize(Share() / "icons/hicolor" / folder / "apps" / icon), std::make_pair(size, size))
        << folder;
  }
  EXPECT_NE(ReadAll(Share() / "icons/hicolor/scalable/apps" / (match[1].str() + ".svg")).find("<svg"),
            std::string::npos);
  EXPECT_NE(entry.find("\nMimeType=application/x-passavue;image/tiff;image/jpeg;image/png;\n"),
            std::string::npos);
  EXPECT_NE(entry.find("\nCategories=Graphics;"), std::string::npos);

  // The design file type, compiled by the freedesktop tool the install ran:
  // a file named *.Passavue (in any case) is a Passavue design.
  EXPECT_TRUE(fs::is_regular_file(Share() / "mime/packages/passavue.xml"));
  if (!fs::exists(Share() / "mime/globs2")) GTEST_SKIP() << "update-mime-database is not installed";
  EXPECT_NE(ReadAll(Share() / "mime/globs2").find(":application/x-passavue:*.passavue"), std::string::npos);
  EXPECT_NE(ReadAll(Share() / "mime/magic").find("Passavue 1.0"), std::string::npos);
  if (fs::exists(Share() / "applications/mimeinfo.cache")) {
    const std::string cache = ReadAll(Share() / "applications/mimeinfo.cache");
    EXPECT_NE(cache.find("application/x-passavue=passavue.desktop;"), std::string::npos) << cache;
  }
}

TEST_F(Installed, ManualLinksAndPicturesResolve) {
  // Every page and picture the installed manual refers to is installed too.
  const fs::path help = Share() / "passavue/help";
  ASSERT_TRUE(fs::is_regular_file(help / "index.html"));
  const std::regex reference("(?:href|src)=\"([^\"#:]+)(#[^\"]*)?\"");
  int checked = 0;
  for (const std::string& file : FilesBelow(help)) {
    if (fs::path(file).extension() != ".html") continue;
    const std::string page = ReadAll(help / file);
    for (auto it = std::sregex_iterator(page.begin(), page.end(), reference); it != std::sregex_iterator();
         ++it) {
      const fs::path target = (help / file).parent_path() / (*it)[1].str();
      EXPECT_TRUE(fs::is_regular_file(target)) << file << " refers to " << (*it)[1].str();
      ++checked;
    }
  }
  EXPECT_GT(checked, 0);
}

}  // namespace

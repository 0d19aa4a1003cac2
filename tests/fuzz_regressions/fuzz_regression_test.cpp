// Every input that once broke a reader, and every seed the fuzzers start
// from, run through the checks the fuzz targets make; and the memory limits
// of picture import, each met by a claim that only that limit refuses.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/import.h"
#include "fuzz_entries.h"
#include "render/render_state.h"
#include "support/files.h"
#include "support/jpeg.h"
#include "support/pictures.h"
#include "support/png_file.h"
#include "support/tiff.h"

namespace fs = std::filesystem;

// A file whose name holds "refused" must fail cleanly, any other must read;
// text inputs are any text, so their result is not checked.
TEST(FuzzInputs, SeedsAndFindingsPassEveryCheck) {
  const char* dir = std::getenv("PASSAVUE_SOURCE_DIR");
  const fs::path source = dir != nullptr ? fs::path(dir) : fs::path(PASSAVUE_SOURCE_FALLBACK);
  const std::pair<const char*, FuzzOutcome (*)(const uint8_t*, size_t)> targets[] = {
      {"tiff", FuzzTiff},
      {"lzw", FuzzLzw},
      {"jpeg", FuzzJpeg},
      {"png", FuzzPng},
      {"exif", FuzzExif},
      {"settings", FuzzSettings},
      {"colorimetry", FuzzColorimetry},
      {"text", FuzzText}};
  for (const auto& [name, entry] : targets) {
    size_t seeds = 0;
    for (const fs::path& folder :
         {source / "fuzz" / "corpus" / name, source / "tests" / "fuzz_regressions" / "inputs" / name}) {
      if (!fs::is_directory(folder)) continue;  // a target without findings has no folder
      for (const auto& item : fs::directory_iterator(folder)) {
        SCOPED_TRACE(item.path().string());
        const FileBytes bytes = ReadAll(item.path().string());
        const FuzzOutcome outcome = entry(bytes.data(), bytes.size());
        const bool refused = item.path().filename().string().find("refused") != std::string::npos;
        EXPECT_EQ(std::tuple(outcome.fault, outcome.skipped), std::tuple("", false));
        EXPECT_TRUE(std::string(name) == "text" || outcome.result == (refused ? 1 : 0)) << outcome.result;
        seeds += folder.string().find("corpus") != std::string::npos;
      }
    }
    EXPECT_GE(seeds, 3u) << "the seed corpus of " << name << " is missing";
  }
}

// Claims just over each limit, with every earlier check passed: the TIFF
// one as a bilevel LZW strip of a clear and an end code (a few bytes that
// could decode into any number of pixels), the JPEG ones as a 16 x 16
// picture from libjpeg with a frame header that claims more. A claim
// exactly at the TIFF limit reads, as a black bilevel picture of 64 MB.
TEST(MemoryLimits, ClaimsJustOverEachLimitAreRefusedWithTheirMessage) {
  TempFolder folder;
  auto tiff = [&](uint32_t width, uint32_t height) {
    const HandTiff t{{{kImageWidth, kLong, 1, width},
                      {kImageLength, kLong, 1, height},
                      {kCompression, kShort, 1, 5},
                      {kPhotometricInterpretation, kShort, 1, 1},
                      {kStripOffsets, kLong, 1, 0, true},
                      {kRowsPerStrip, kLong, 1, height},
                      {kStripByteCounts, kLong, 1, 3}},
                     {0x80, 0x40, 0x40}};  // codes 256 and 257 in nine bits each
    const std::string path = folder.Path(std::to_string(width) + "x" + std::to_string(height) + ".tif");
    WriteAll(path, t.Build());
    return path;
  };
  auto jpeg = [&](uint16_t width, uint16_t height, bool progressive) {
    const std::string path = folder.Path(std::to_string(width) + "x" + std::to_string(height) + ".jpg");
    WriteJpeg(path, {.progressive = progressive});
    PatchFrameSize(path, width, height);
    return path;
  };
  const std::string png = folder.Path("claim.png");  // 16-bit RGBA, the sides the reader still takes
  WriteAll(png, MakePng({.depth = 16, .colorType = 6, .claimedSide = 1000000}));
  const std::string tiffNote = " pixels; at most 536870912 pixels can be read.";
  const std::tuple<std::string, int32_t, std::string> claims[] = {
      {tiff(16384, 32769), kPictureTiff, "Cannot read TIFF file: \nThe picture has 16384 x 32769" + tiffNote},
      // 3 bytes a pixel: 2^29 pixels and 1170 more.
      {jpeg(23171, 23170, false), kPictureJpeg,
       "Cannot read JPEG file: \nThe picture has 23171 x 23170 pixels and needs 1537 MB to read; at most "
       "1536 MB can be used."},
      // A progressive decoder also holds every coefficient, 128 bytes a block:
      // 2^28 pixels and 16384 more.
      {jpeg(16384, 16385, true), kPictureJpeg,
       "Cannot read JPEG file: \nThe picture has 16384 x 16385 pixels and needs 1537 MB to read; at most "
       "1536 MB can be used."},
      {png, kPicturePng,
       "Cannot read PNG file: \nThe picture has 1000000 x 1000000 pixels and needs 8583069 MB to read; at "
       "most 3072 MB can be used."},
  };
  for (const auto& [path, type, note] : claims) {
    SCOPED_TRACE(note);
    SceneSettings scene;
    InitScene(&scene);
    scene.picture.raster = BlankPicture(2, 2, 72.0);
    scene.picture.pathname = "before.tif";
    IccProfile profile;
    std::string lastFolder = "before";
    ErrorCapture errors;
    // While loading, the process may hold at most what it holds now and 1 GB
    // more, so that a reader that allocates a claimed picture fails at once
    // instead of taking gigabytes. The sanitizers reserve terabytes of address
    // space of their own, so under them nothing is limited.
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &before), 0);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    unsigned long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlimit limited{std::min<rlim_t>(before.rlim_cur, pages * ::sysconf(_SC_PAGESIZE) + (1 << 30)),
                         before.rlim_max};
    if (pages != 0) setrlimit(RLIMIT_AS, &limited);
#endif
    const int result = LoadPicture(path, type, &scene, &profile, &lastFolder);
    setrlimit(RLIMIT_AS, &before);
    std::string message = note;  // the path goes before the note
    message.insert(message.find('\n'), path);
    EXPECT_EQ(std::tuple(result, errors.messages), std::tuple(1, std::vector{message}));
    EXPECT_EQ(std::tuple(PictureImage(scene.picture).width, scene.picture.pathname, lastFolder),
              std::tuple(2, std::string("before.tif"), std::string("before")));
  }
  Image picture;
  ASSERT_EQ(ReadMemory(ReadAll(tiff(16384, 32768)), &picture), 0);
  EXPECT_EQ(std::tuple(picture.type, picture.height, SampleAt(picture, 16383, 32767, 0)),
            std::tuple(Bilevel, 32768, 0u));
}

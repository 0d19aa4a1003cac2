#include "render_command.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "core/fileio.h"
#include "core/icc.h"
#include "support/files.h"
#include "support/pictures.h"

namespace {

// Pillow's account of a proof against the TIFF export of the same design:
// the kind (JPEG: the chroma subsampling, 0 for none, and the DC and largest
// luminance steps, quality 92 scaling the standard 16 and 121 to 3 and 19;
// PNG: pixels per metre), the size, the pixel mode, whether the profile is
// sRGB's, and whether the pixels are as close as the kind allows.
constexpr const char* kReadProof = R"(
import sys
from PIL import Image, JpegImagePlugin
proof, tiff = Image.open(sys.argv[1]), Image.open(sys.argv[2]).convert('RGB')
diffs = [abs(a - b) for p, q in zip(proof.getdata(), tiff.getdata()) for a, b in zip(p, q)]
mean, worst = sum(diffs) / len(diffs), max(diffs)
if proof.format == 'JPEG':
    q = proof.quantization[0]
    kind = 'JPEG %d %d..%d %s' % (JpegImagePlugin.get_sampling(proof), q[0], max(q), proof.info['dpi'])
    close = mean <= 1.2 and worst <= 32
else:
    kind, close = 'PNG %d' % round(proof.info['dpi'][0] / 0.0254), worst == 0
print(kind, proof.size, proof.mode, proof.info.get("icc_profile") == open(sys.argv[3], 'rb').read(), close)
print("%s: mean difference %.2f, largest %d" % (sys.argv[1], mean, worst), file=sys.stderr)
)";

class RenderCommand : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> arguments) {
    out_.str("");
    err_.str("");
    return RunRenderCommand(arguments, build_, out_, err_);
  }
  std::string Path(const std::string& name) const { return folder_.Path(name); }
  TempFolder folder_;
  const std::string build_ = std::getenv("PASSAVUE_BUILD_DIR");
  std::ostringstream out_, err_;
};

// The default design's layout, then a design made around a picture, written out and read again.
TEST_F(RenderCommand, LayoutOfTheDefaultDesignThenAPictureRoundTrip) {
  ASSERT_EQ(Run({"--size", "1000x875", "--layout"}), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "{\"overallWidth\": 16, \"overallHeight\": 14, \"pixelsPerInch\": 52.083333333333336, "
            "\"frameOuter\": [83, 73, 917, 802], \"frameInner\": [122, 112, 878, 763], "
            "\"matOuter\": [[122, 112, 878, 763], [201, 190, 799, 685], [227, 216, 773, 659]], "
            "\"matOpening\": [[201, 190, 799, 685], [227, 216, 773, 659], [240, 229, 760, 646]], "
            "\"borderOuter\": [240, 229, 760, 646], \"pictureRect\": [240, 229, 760, 646]}\n");
  EXPECT_EQ(err_.str(), "");  // every asset was found beside the program
  // The program itself: Python's JSON reader takes both lines and finds the
  // innermost window the size of the picture with its border.
  const std::string program = build_ + "/passavue-render";
  const std::string check =
      program +
      " --custom-width 7.3 --size 50x40 --layout --cut-list | python3 -c "
      "'import json,sys; l,c=[json.loads(t) for t in sys.stdin]; "
      "sys.exit(l[\"overallWidth\"]!=c[\"frame\"][\"outside\"][0] or "
      "max(abs(a-b) for a,b in zip(c[\"mats\"][-1][\"window\"],c[\"picture\"][\"withBorder\"]))>1e-9)'";
  EXPECT_EQ(WEXITSTATUS(std::system(check.c_str())), 0);
  EXPECT_EQ(WEXITSTATUS(std::system((program + " > /dev/null 2>&1").c_str())), 2);

  // A 300 x 200 picture at 100 pixels per inch: 3 x 2 inches, shown 6 inches wide.
  ASSERT_TRUE(WriteTiffPicture(Path("photo.tif"), 300, 200, 100.0));
  ASSERT_EQ(0, Run({"--picture", Path("photo.tif"), "--custom-width", "6", "--write-design", Path("saved"),
                    "--size", "640x480", "-o", Path("out.TIFF"), "--cut-list", "--units", "mm", "--layout"}))
      << err_.str();
  EXPECT_EQ(out_.str().find("{\"overallWidth\": 12, \"overallHeight\": 10"), 0u) << out_.str();
  // The cut list follows the layout, in inches whatever the units: inside the
  // 3/4 inch frame 10 1/2 x 8 1/2, windows 1 1/2, 2 and 2 1/4 from the edges.
  EXPECT_EQ(
      out_.str().substr(out_.str().find('\n') + 1),
      "{\"frame\": {\"outside\": [12, 10], \"inside\": [10.5, 8.5], \"widths\": [0.75, 0.75, 0.75, 0.75], "
      "\"mouldingLength\": 44, \"unitedInches\": 19}, \"glazing\": [10.5, 8.5], \"mats\": ["
      "{\"mat\": \"outer\", \"board\": [10.5, 8.5], \"window\": [7.5, 5.5], \"fromEdges\": [1.5, 1.5, 1.5, "
      "1.5], \"opening\": \"rectangular\", \"bevel\": 45}, "
      "{\"mat\": \"middle\", \"board\": [10.5, 8.5], \"window\": [6.5, 4.5], \"fromEdges\": [2, 2, 2, 2], "
      "\"opening\": \"rectangular\", \"bevel\": 45}, "
      "{\"mat\": \"inner\", \"board\": [10.5, 8.5], \"window\": [6, 4], \"fromEdges\": [2.25, 2.25, 2.25, "
      "2.25], \"opening\": \"rectangular\", \"bevel\": 45}], "
      "\"picture\": {\"size\": [6, 4], \"withBorder\": [6, 4]}}\n");
  EXPECT_EQ(std::filesystem::file_size(Path("out.TIFF")), 240u + 640u * 480u * 3u);  // header, then pixels

  // The design file holds the overall size as computed for the picture, but
  // without the picture the size is derived again from the 10 x 8 inch default.
  const std::string text = ReadText(Path("saved.Passavue"));
  EXPECT_NE(text.find("frame 0 1 0 0 0 12.0000 10.0000 0.7500"), std::string::npos) << text;
  ASSERT_EQ(Run({"--design", Path("saved.Passavue"), "--specs", "--units", "mm"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("\n    Outside frame size (width, height) = (406.40 mm, 355.60 mm)\n"),
            std::string::npos)
      << out_.str();
}

TEST_F(RenderCommand, WrongUsageAndBadFiles) {
  EXPECT_EQ(Run({}), 2);
  EXPECT_NE(err_.str().find("usage: passavue-render"), std::string::npos);
  for (const char* help : {"--help", "-h"}) {  // asked for: on standard output, and success
    EXPECT_EQ(Run({"--size", "50x40", help, "--bogus"}), 0);
    EXPECT_EQ(out_.str().rfind("usage: passavue-render [--design FILE]", 0) + err_.str().size(), 0u)
        << err_.str();
  }
  const std::vector<std::vector<std::string>> usage = {{"--size", "1x100", "--layout"},
                                                       {"--size", "20001x100", "--layout"},
                                                       {"--size", "12a", "--layout"},
                                                       {"--units", "ft", "--layout"},
                                                       {"-o", Path("out.bmp")},
                                                       {"--bogus"},
                                                       {"--design"}};
  for (const auto& arguments : usage) EXPECT_EQ(Run(arguments), 2) << arguments[0];

  std::ofstream(Path("broken.Passavue")) << "Passavue 1.0\r\nbackground 2.5 1 2 3\r\n";
  std::ofstream(Path("fake.jpg")) << "not a picture";
  // A FIFO is refused at once; opening it would wait for a writer or reader.
  ASSERT_EQ(::mkfifo(Path("pipe.tif").c_str(), 0600), 0);
  const std::pair<std::vector<std::string>, std::string> failures[] = {
      {{"--design", Path("missing.Passavue"), "--layout"}, "Cannot open file: " + Path("missing.Passavue")},
      {{"--design", Path("broken.Passavue"), "--layout"}, "Error reading file: " + Path("broken.Passavue")},
      {{"--picture", Path("photo.bmp"), "--layout"}, "Unsupported picture file type: " + Path("photo.bmp")},
      {{"--picture", Path("fake.jpg"), "--layout"}, "Cannot read JPEG file: " + Path("fake.jpg")},
      {{"--picture", Path("pipe.tif"), "--layout"}, "Cannot open image file: " + Path("pipe.tif")},
      {{"-o", Path("pipe.tif")}, "Cannot create file: " + Path("pipe.tif")},
      {{"-o", Path("no/such/folder/out.tif")},
       "Cannot create file: " + Path("no/such/folder/out.tif") + "\nNo such file or directory"}};
  for (const auto& [arguments, message] : failures) {
    EXPECT_EQ(Run(arguments), 1) << message;
    EXPECT_EQ(err_.str(), message + "\n");
  }
  EXPECT_EQ(Run({"--assets", Path("nowhere"), "--layout"}), 1);  // rendered, but every asset was missing
  EXPECT_NE(err_.str().find("Cannot locate texture file: " + Path("nowhere") + "/Textures/Laid.tif"),
            std::string::npos);
}

// Proofs as Pillow reads them, then what becomes of the file when a write fails or another one overlaps it.
TEST_F(RenderCommand, ProofsAsPillowReadsThemAndWritesThatFailOrOverlap) {
  ASSERT_EQ(Run({"--size", "300x200", "--layout", "-o", Path("design.tif")}), 0) << err_.str();
  const double ppi = std::stod(out_.str().substr(out_.str().find("\"pixelsPerInch\": ") + 17));
  WriteAll(Path("srgb.icc"), FileBytes(SrgbProfileBytes(), SrgbProfileBytes() + kSrgbProfileLength));
  std::ofstream(Path("read.py")) << kReadProof;
  const std::string jpeg =
      "JPEG 0 3..19 (" + std::to_string(std::lround(ppi)) + ", " + std::to_string(std::lround(ppi)) + ")";
  for (const auto& [name, kind] : {std::pair<std::string, std::string>{"proof.jpg", jpeg},
                                   {"proof.JPEG", jpeg},
                                   {"proof.png", "PNG " + std::to_string(std::lround(ppi / 0.0254))}}) {
    ASSERT_EQ(Run({"--size", "300x200", "-o", Path(name)}), 0) << err_.str();
    const std::string read =
        "cd " + Path("") + " && /usr/bin/python3 read.py " + name + " design.tif srgb.icc >read.txt";
    ASSERT_EQ(std::system(read.c_str()), 0) << name;
    EXPECT_EQ(ReadText(Path("read.txt")), kind + " (300, 200) RGB True True\n") << name;
  }
  // A write that fails once the file exists names it and keeps the earlier one.
  const FileBytes earlier = ReadAll(Path("proof.png"));
  const FileFaultHook previous =
      SetFileFaultHook([](FileStep step) { return step == FileStep::Write ? ENOSPC : 0; });
  EXPECT_EQ(Run({"--size", "300x200", "-o", Path("proof.png")}), 1);
  SetFileFaultHook(previous);
  EXPECT_EQ(err_.str(), "Error saving PNG file: " + Path("proof.png") + "\nNo space left on device\n");
  EXPECT_TRUE(ReadAll(Path("proof.png")) == earlier);

  // A second export to the same name starts while the first is writing its file.
  std::atomic<bool> started{false};
  int second = -1;
  SetFileFaultHook([&](FileStep step) {
    if (step == FileStep::Write && !started.exchange(true))
      second = Run({"--size", "32x32", "-o", Path("same.tif")});
    return 0;
  });
  const int first = Run({"--size", "64x64", "-o", Path("same.tif")});
  SetFileFaultHook(previous);
  EXPECT_EQ(std::tuple(first, second), std::tuple(0, 0)) << err_.str();
  EXPECT_EQ(std::filesystem::file_size(Path("same.tif")), 240u + 64u * 64u * 3u);  // the later rename
}

}  // namespace

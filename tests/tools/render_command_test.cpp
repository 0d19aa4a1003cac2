#include "render_command.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <tuple>

#include "core/fileio.h"
#include "core/icc.h"
#include "files/tiff.h"
#include "scene/settings_file.h"
#include "support/files.h"
#include "support/pictures.h"

namespace {

// What libjpeg-turbo or libpng, not our own readers, find in a written proof.
struct Proof {
  int width = 0, height = 0;
  unsigned density = 0;  // JFIF dots per inch, or pHYs pixels per metre
  std::vector<int>
      format;  // JPEG: each component's sampling factors, two luminance steps; PNG: bit depth, colour type
  std::vector<uint8_t> profile;
  std::vector<uint8_t> rgb;  // top row first
};

Proof ReadJpegProof(const std::string& path) {
  Proof proof;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return proof;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);  // a damaged file ends the test program
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
  jpeg_read_header(&cinfo, TRUE);
  JOCTET* icc = nullptr;
  unsigned length = 0;
  if (jpeg_read_icc_profile(&cinfo, &icc, &length)) proof.profile.assign(icc, icc + length);
  std::free(icc);
  proof.density = cinfo.density_unit == 1 && cinfo.X_density == cinfo.Y_density ? cinfo.X_density : 0;
  for (int c = 0; c < cinfo.num_components; ++c)
    proof.format.insert(proof.format.end(),
                        {cinfo.comp_info[c].h_samp_factor, cinfo.comp_info[c].v_samp_factor});
  // Quality 92 scales the standard luminance steps to 16 %: 16 (DC) to 3, the largest, 121, to 19.
  const UINT16* steps = cinfo.quant_tbl_ptrs[0]->quantval;
  proof.format.insert(proof.format.end(), {steps[0], *std::max_element(steps, steps + 64)});
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  proof.width = static_cast<int>(cinfo.output_width);
  proof.height = static_cast<int>(cinfo.output_height);
  proof.rgb.resize(size_t{3} * proof.width * proof.height);
  for (JSAMPROW row = proof.rgb.data(); cinfo.output_scanline < cinfo.output_height; row += 3 * proof.width)
    jpeg_read_scanlines(&cinfo, &row, 1);
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(file);
  return proof;
}

// The frame that calls setjmp holds nothing with a destructor.
void ReadPngInto(std::FILE* file, png_structp png, png_infop info, Proof* proof) {
  if (setjmp(png_jmpbuf(png)) != 0) return;
  png_init_io(png, file);
  png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  proof->width = static_cast<int>(png_get_image_width(png, info));
  proof->height = static_cast<int>(png_get_image_height(png, info));
  proof->format = {png_get_bit_depth(png, info), png_get_color_type(png, info)};
  png_uint_32 x = 0, y = 0, length = 0;
  int unit = 0, compression = 0;
  if (png_get_pHYs(png, info, &x, &y, &unit) != 0 && unit == PNG_RESOLUTION_METER && x == y)
    proof->density = x;
  png_charp name = nullptr;
  png_bytep icc = nullptr;
  if (png_get_iCCP(png, info, &name, &compression, &icc, &length) != 0)
    proof->profile.assign(icc, icc + length);
  png_bytepp rows = png_get_rows(png, info);
  if (proof->format != std::vector<int>{8, PNG_COLOR_TYPE_RGB}) return;
  for (int r = 0; r < proof->height; ++r)
    proof->rgb.insert(proof->rgb.end(), rows[r], rows[r] + 3 * proof->width);
}

Proof ReadPngProof(const std::string& path) {
  Proof proof;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return proof;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  // libpng counts this widespread profile as "known incorrect" and would say so.
  png_set_option(png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
  ReadPngInto(file, png, info, &proof);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  return proof;
}

class RenderCommand : public ::testing::Test {
 protected:
  void SetUp() override { build_ = std::getenv("PASSAVUE_BUILD_DIR"); }

  int Run(std::vector<std::string> arguments) {
    out_.str("");
    err_.str("");
    return RunRenderCommand(arguments, build_, out_, err_);
  }
  std::string Path(const std::string& name) const { return folder_.Path(name); }
  std::string Text(const std::string& name) const { return ReadText(Path(name)); }
  TempFolder folder_;
  std::string build_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(RenderCommand, LayoutOfTheDefaultDesign) {
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
  EXPECT_EQ(
      WEXITSTATUS(std::system(
          (program +
           " --custom-width 7.3 --size 50x40 --layout --cut-list | python3 -c "
           "'import json,sys; l,c=[json.loads(t) for t in sys.stdin]; "
           "sys.exit(l[\"overallWidth\"]!=c[\"frame\"][\"outside\"][0] or "
           "max(abs(a-b) for a,b in zip(c[\"mats\"][-1][\"window\"],c[\"picture\"][\"withBorder\"]))>1e-9)'")
              .c_str())),
      0);
  EXPECT_EQ(WEXITSTATUS(std::system((program + " > /dev/null 2>&1").c_str())), 2);
}

TEST_F(RenderCommand, DesignPictureAndOutputRoundTrip) {
  // A 300 x 200 picture at 100 pixels per inch: 3 x 2 inches, shown 6 inches wide.
  ASSERT_TRUE(WriteTiffPicture(Path("photo.tif"), 300, 200, 100.0));
  ASSERT_EQ(Run({"--picture", Path("photo.tif"), "--custom-width", "6", "--write-design", Path("saved"),
                 "--size", "640x480", "-o", Path("out.TIFF"), "--cut-list", "--units", "mm", "--layout"}),
            0)
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
  uint32_t length = 0;
  ASSERT_EQ(GetPathFileLength(Path("out.TIFF"), &length), 0);
  EXPECT_EQ(length, 240u + 640u * 480u * 3u);  // header and directory, then the pixels

  // The design file holds the overall size as computed for the picture, but
  // without the picture the size is derived again from the 10 x 8 inch default.
  const std::string text = Text("saved.Passavue");
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
  ASSERT_EQ(::mkfifo(Path("pipe.Passavue").c_str(), 0600), 0);
  const std::pair<std::vector<std::string>, std::string> failures[] = {
      {{"--design", Path("missing.Passavue"), "--layout"}, "Cannot open file: " + Path("missing.Passavue")},
      {{"--design", Path("broken.Passavue"), "--layout"}, "Error reading file: " + Path("broken.Passavue")},
      {{"--picture", Path("photo.bmp"), "--layout"}, "Unsupported picture file type: " + Path("photo.bmp")},
      {{"--picture", Path("fake.jpg"), "--layout"}, "Cannot read JPEG file: " + Path("fake.jpg")},
      {{"--picture", Path("pipe.tif"), "--layout"}, "Cannot open image file: " + Path("pipe.tif")},
      {{"--design", Path("pipe.Passavue"), "--layout"}, "Cannot open file: " + Path("pipe.Passavue")},
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

TEST_F(RenderCommand, JpegAndPngProofsReadBackWithTheirOwnLibraries) {
  // The TIFF export of the same design is the reference.
  ASSERT_EQ(Run({"--size", "300x200", "--layout", "-o", Path("design.tif")}), 0) << err_.str();
  const size_t at = out_.str().find("\"pixelsPerInch\": ");
  ASSERT_NE(at, std::string::npos);
  const double ppi = std::stod(out_.str().substr(at + 17));
  FileHandle file;
  ASSERT_EQ(OpenForRead(Path("design.tif"), &file), 0);
  Image tiff;
  IccProfile ignored;
  ASSERT_EQ(ReadTiff(file, &tiff, &ignored), 0);
  CloseFile(file);
  std::vector<uint8_t> expected;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x)
      for (int c = 0; c < 3; ++c) expected.push_back(static_cast<uint8_t>(SampleAt(tiff, x, y, c)));
  const std::vector<uint8_t> srgb(SrgbProfileBytes(), SrgbProfileBytes() + kSrgbProfileLength);

  for (const char* name : {"proof.jpg", "proof.JPEG", "proof.png"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(Run({"--size", "300x200", "-o", Path(name)}), 0) << err_.str();
    const bool jpeg = std::string(name).find(".png") == std::string::npos;
    const Proof proof = jpeg ? ReadJpegProof(Path(name)) : ReadPngProof(Path(name));
    EXPECT_EQ(std::tuple(proof.width, proof.height, proof.profile == srgb), std::tuple(300, 200, true));
    ASSERT_EQ(proof.rgb.size(), expected.size());
    if (!jpeg) {
      EXPECT_EQ(std::tuple(proof.density, proof.format),
                std::tuple(std::lround(ppi / 0.0254), std::vector<int>{8, 2}));
      EXPECT_TRUE(proof.rgb == expected);
      continue;
    }
    EXPECT_EQ(std::tuple(proof.density, proof.format),
              std::tuple(std::lround(ppi), std::vector<int>{1, 1, 1, 1, 1, 1, 3, 19}));
    // Quality 92 moves a sample by a level or two on average; the most at the
    // sharp edges of frame and mats, where the blocks cut fine detail.
    double sum = 0;
    int largest = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
      sum += std::abs(proof.rgb[i] - expected[i]);
      largest = std::max(largest, std::abs(proof.rgb[i] - expected[i]));
    }
    EXPECT_LE(sum / expected.size(), 1.2);  // 0.73 and 20 when written
    EXPECT_LE(largest, 32);
  }
  // A write that fails once the file exists names it and keeps the earlier one.
  const std::string earlier = Text("proof.png");
  const FileFaultHook previous =
      SetFileFaultHook([](FileStep step) { return step == FileStep::Write ? ENOSPC : 0; });
  EXPECT_EQ(Run({"--size", "300x200", "-o", Path("proof.png")}), 1);
  SetFileFaultHook(previous);
  EXPECT_EQ(err_.str(), "Error saving PNG file: " + Path("proof.png") + "\nNo space left on device\n");
  EXPECT_TRUE(Text("proof.png") == earlier);
}

TEST_F(RenderCommand, ExportsToOneNameAtOnceBothFinish) {
  // A second export to the same name starts while the first is writing its file.
  std::atomic<bool> started{false};
  int second = -1;
  const FileFaultHook previous = SetFileFaultHook([&](FileStep step) {
    if (step == FileStep::Write && !started.exchange(true))
      second = Run({"--size", "32x32", "-o", Path("same.tif")});
    return 0;
  });
  const int first = Run({"--size", "64x64", "-o", Path("same.tif")});
  SetFileFaultHook(previous);
  EXPECT_EQ(std::tuple(first, second), std::tuple(0, 0)) << err_.str();
  uint32_t length = 0;
  ASSERT_EQ(GetPathFileLength(Path("same.tif"), &length), 0);
  EXPECT_EQ(length, 240u + 64u * 64u * 3u);  // the later rename
}

}  // namespace

#include "render_command.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <tuple>

#include "core/fileio.h"
#include "core/icc.h"
#include "files/tiff.h"
#include "scene/settings_file.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;

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
  if (cinfo.density_unit == 1 && cinfo.X_density == cinfo.Y_density) proof.density = cinfo.X_density;
  for (int c = 0; c < cinfo.num_components; ++c)
    proof.format.insert(proof.format.end(),
                        {cinfo.comp_info[c].h_samp_factor, cinfo.comp_info[c].v_samp_factor});
  // Quality 92 scales the standard luminance steps to 16 %: 16 (DC) to 3, the largest, 121, to 19.
  const JQUANT_TBL* luminance = cinfo.quant_tbl_ptrs[0];
  proof.format.push_back(luminance != nullptr ? luminance->quantval[0] : 0);
  proof.format.push_back(
      luminance != nullptr ? *std::max_element(luminance->quantval, luminance->quantval + 64) : 0);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  proof.width = static_cast<int>(cinfo.output_width);
  proof.height = static_cast<int>(cinfo.output_height);
  proof.rgb.resize(size_t{3} * proof.width * proof.height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &proof.rgb[size_t{3} * proof.width * cinfo.output_scanline];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
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
  png_uint_32 x = 0, y = 0;
  int unit = 0;
  if (png_get_pHYs(png, info, &x, &y, &unit) != 0 && unit == PNG_RESOLUTION_METER && x == y)
    proof->density = x;
  png_charp name = nullptr;
  int compression = 0;
  png_bytep icc = nullptr;
  png_uint_32 length = 0;
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
  // passavue-render in a process of its own, writing a size x size export.
  pid_t Start(int size, const std::string& output) const {
    const std::string program = build_ + "/passavue-render";
    const std::string sizeText = std::to_string(size) + "x" + std::to_string(size);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execl(program.c_str(), program.c_str(), "--size", sizeText.c_str(), "-o", output.c_str(), "--threads",
              "2", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return pid;
  }
  static int WaitFor(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

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
}

TEST_F(RenderCommand, DesignPictureAndOutputRoundTrip) {
  // A 300 x 200 picture at 100 pixels per inch: 3 x 2 inches.
  Image picture;
  ASSERT_EQ(AllocImage(&picture, Rgb8, 300, 200, 100.0), 0);
  for (int r = 0; r < 200; ++r) {
    for (int b = 0; b < picture.rowBytes; ++b) picture.rows[r][b] = static_cast<uint8_t>(b);
  }
  FileHandle file;
  ASSERT_EQ(CreateForWrite(Path("photo.tif"), &file), 0);
  ASSERT_EQ(WriteTiff(file, picture), 0);
  CloseFile(file);

  ASSERT_EQ(Run({"--picture", Path("photo.tif"), "--custom-width", "6", "--write-design", Path("saved"),
                 "--size", "640x480", "-o", Path("out.TIFF"), "--cut-list", "--units", "mm", "--layout"}),
            0)
      << err_.str();
  // Custom width 6 with the picture's proportions: 6 x 4 inches plus mats and frame.
  EXPECT_EQ(out_.str().find("{\"overallWidth\": 12, \"overallHeight\": 10"), 0u) << out_.str();
  // The cut list follows the layout, in inches whatever the units: inside the
  // 3/4 inch frame 10 1/2 x 8 1/2, windows 1 1/2, 2 and 2 1/4 from the edges.
  EXPECT_EQ(
      out_.str().substr(out_.str().find('\n') + 1),
      "{\"frame\": {\"outside\": [12, 10], \"inside\": [10.5, 8.5], \"widths\": [0.75, 0.75, 0.75, 0.75], "
      "\"mouldingLength\": 44, \"unitedInches\": 19}, \"glazing\": [10.5, 8.5], \"mats\": ["
      "{\"mat\": \"outer\", \"board\": [10.5, 8.5], \"window\": [7.5, 5.5], \"fromEdges\": [1.5, 1.5, 1.5, "
      "1.5], "
      "\"opening\": \"rectangular\", \"bevel\": 45}, "
      "{\"mat\": \"middle\", \"board\": [10.5, 8.5], \"window\": [6.5, 4.5], \"fromEdges\": [2, 2, 2, 2], "
      "\"opening\": \"rectangular\", \"bevel\": 45}, "
      "{\"mat\": \"inner\", \"board\": [10.5, 8.5], \"window\": [6, 4], \"fromEdges\": [2.25, 2.25, 2.25, "
      "2.25], "
      "\"opening\": \"rectangular\", \"bevel\": 45}], "
      "\"picture\": {\"size\": [6, 4], \"withBorder\": [6, 4]}}\n");
  ASSERT_TRUE(fs::exists(Path("saved.Passavue")));
  ASSERT_EQ(OpenForRead(Path("out.TIFF"), &file), 0);
  Image rendered;
  IccProfile profile;
  EXPECT_EQ(ReadTiff(file, &rendered, &profile), 0);
  CloseFile(file);
  EXPECT_EQ(std::tuple(rendered.width, rendered.height), std::tuple(640, 480));

  // The design file holds the overall size as computed for the picture...
  std::ifstream saved(Path("saved.Passavue"), std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("frame 0 1 0 0 0 12.0000 10.0000 0.7500"), std::string::npos) << text;
  // ...and without the picture the size is derived again from the 10 x 8 inch default.
  ASSERT_EQ(Run({"--design", Path("saved.Passavue"), "--specs", "--units", "mm"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("    Outside frame size (width, height) = (406.40 mm, 355.60 mm)"),
            std::string::npos)
      << out_.str();
  EXPECT_EQ(out_.str().rfind("Frame Specifications\n", 0), 0u);
  EXPECT_NE(
      out_.str().find("\nCut list:\n  Frame\n    Outside size (width, height) = (406.40 mm, 355.60 mm)\n"),
      std::string::npos);
  // Alone, the cut list needs no rendering. With the middle mat hidden it is
  // left out, the frame is 15 x 13 and the inner window 1 3/4 from the edges.
  std::string hidden = text;
  const size_t middle = hidden.find("128 120 115 0 240 240 240 1");
  ASSERT_NE(middle, std::string::npos);
  hidden.replace(middle, 27, "128 120 115 0 240 240 240 0");
  std::ofstream(Path("hidden.Passavue"), std::ios::binary) << hidden;
  ASSERT_EQ(Run({"--design", Path("hidden.Passavue"), "--cut-list"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("\"window\": [10.5, 8.5], \"fromEdges\": [1.5, 1.5, 1.5, 1.5], \"opening\": "
                            "\"rectangular\", \"bevel\": 45}, {\"mat\": \"inner\", \"board\": [13.5, 11.5], "
                            "\"window\": [10, 8], \"fromEdges\": [1.75, 1.75, 1.75, 1.75]"),
            std::string::npos)
      << out_.str();
  EXPECT_EQ(out_.str().find('\n'), out_.str().size() - 1);
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

TEST_F(RenderCommand, ProgramExitStatus) {
  const std::string program = build_ + "/passavue-render";
  EXPECT_EQ(WEXITSTATUS(std::system((program + " > /dev/null 2>&1").c_str())), 2);
  EXPECT_EQ(WEXITSTATUS(
                std::system((program + " --design /nonexistent.Passavue --layout > /dev/null 2>&1").c_str())),
            1);
  EXPECT_EQ(WEXITSTATUS(std::system((program + " --size 50x40 -o " + Path("tiny.tif") + " 2>&1").c_str())),
            0);
  // Python's JSON reader takes both lines and finds the innermost window the
  // size of the picture with its border.
  EXPECT_EQ(
      WEXITSTATUS(std::system(
          (program +
           " --custom-width 7.3 --size 50x40 --layout --cut-list | python3 -c "
           "'import json,sys; l,c=[json.loads(t) for t in sys.stdin]; "
           "sys.exit(l[\"overallWidth\"]!=c[\"frame\"][\"outside\"][0] or "
           "max(abs(a-b) for a,b in zip(c[\"mats\"][-1][\"window\"],c[\"picture\"][\"withBorder\"]))>1e-9)'")
              .c_str())),
      0);
  uint32_t length = 0;
  ASSERT_EQ(GetPathFileLength(Path("tiny.tif"), &length), 0);
  EXPECT_EQ(length, 240u + 50u * 40u * 3u);  // header and directory, then the pixels
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
  for (int r = 199; r >= 0; --r)
    for (int x = 0; x < 300; ++x)
      expected.insert(expected.end(),
                      {tiff.rows[r][3 * x + 2], tiff.rows[r][3 * x + 1], tiff.rows[r][3 * x]});
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
      const int difference = std::abs(proof.rgb[i] - expected[i]);
      sum += difference;
      largest = std::max(largest, difference);
    }
    EXPECT_LE(sum / expected.size(), 1.2);  // 0.73 and 20 when written
    EXPECT_LE(largest, 32);
  }
  // Pillow finds the same size, resolution and profile.
  const std::string check =
      "/usr/bin/python3 -c 'import sys; from PIL import Image; ppi, srgb = float(sys.argv[1]), "
      "open(sys.argv[2], \"rb\").read()\n"
      "for f in sys.argv[3:]:\n im = Image.open(f)\n"
      " sys.exit(im.size != (300, 200) or im.mode != \"RGB\" or im.info[\"icc_profile\"] != srgb or"
      " abs(im.info[\"dpi\"][0] - ppi) > 0.5)' " +
      std::to_string(ppi) + " " + std::getenv("PASSAVUE_SOURCE_DIR") + "/data/sRGB-IEC61966-2.1.icc " +
      Path("proof.jpg") + " " + Path("proof.png");
  EXPECT_EQ(WEXITSTATUS(std::system(check.c_str())), 0);

  // A write that fails once the file exists names it and keeps the earlier one.
  const std::string earlier = Text("proof.png");
  const FileFaultHook previous =
      SetFileFaultHook([](FileStep step) { return step == FileStep::Write ? ENOSPC : 0; });
  EXPECT_EQ(Run({"--size", "300x200", "-o", Path("proof.png")}), 1);
  SetFileFaultHook(previous);
  EXPECT_EQ(err_.str(), "Error saving PNG file: " + Path("proof.png") + "\nNo space left on device\n");
  EXPECT_TRUE(Text("proof.png") == earlier);
}

TEST_F(RenderCommand, AFullDiskLeavesTheEarlierExportByteForByte) {
  fs::create_directory(folder_.Root() / "small");
  if (::mount("tmpfs", Path("small").c_str(), "tmpfs", 0, "size=2m") != 0)
    GTEST_SKIP() << "no tmpfs to mount";
  const std::unique_ptr<const fs::path, void (*)(const fs::path*)> mounted(
      new fs::path(folder_.Root() / "small"), [](const fs::path* path) {
        ::umount(path->c_str());
        delete path;
      });
  ASSERT_EQ(Run({"--size", "300x300", "-o", Path("small/out.tif")}), 0) << err_.str();
  const std::string earlier = Text("small/out.tif");
  // 3 MB of pixels into what is left of 2 MB.
  EXPECT_EQ(Run({"--size", "1000x1000", "-o", Path("small/out.tif")}), 1);
  EXPECT_EQ(err_.str(), "Error saving TIFF file: " + Path("small/out.tif") + "\nNo space left on device\n");
  EXPECT_TRUE(Text("small/out.tif") == earlier) << "the earlier export was changed";
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_.Root() / "small"), {}),
            1);  // no temporary file left behind
}

TEST_F(RenderCommand, OtherProcessesCannotSpoilAnExport) {
  // Killed in the middle of writing: the earlier file is as it was.
  ASSERT_EQ(Run({"--size", "64x64", "-o", Path("out.tif")}), 0) << err_.str();
  const std::string earlier = Text("out.tif");
  const pid_t killed = Start(6000, Path("out.tif"));
  const auto writing = [&] {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_.Root(), error)) {
      const auto size = fs::file_size(entry.path(), error);
      if (!error && (entry.path().filename() != "out.tif" ? size > 0 : size != earlier.size())) return true;
    }
    return false;
  };
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!writing() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ::kill(killed, SIGKILL);
  // (An export that was done before the kill arrived has replaced it whole.)
  if (WaitFor(killed) != 0) {
    EXPECT_TRUE(Text("out.tif") == earlier) << "the earlier export was changed";
  }

  // Two exports to one name while a third process keeps emptying it: both
  // finish, and the file is one whole export.
  const pid_t first = Start(3000, Path("same.tif"));
  const pid_t second = Start(3000, Path("same.tif"));
  int status = 0;
  while (::waitpid(first, &status, WNOHANG) == 0)
    ::close(::open(Path("same.tif").c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the first export ended with " << status;
  EXPECT_EQ(WaitFor(second), 0);
  uint32_t length = 0;
  ASSERT_EQ(GetPathFileLength(Path("same.tif"), &length), 0);
  EXPECT_TRUE(length == 0 || length == 240u + 3000u * 3000u * 3u) << length;
}

}  // namespace

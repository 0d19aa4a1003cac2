// LoadPicture and PictureFileTypeOf: every message, what a load changes and
// what a failed one leaves alone, and the conversion through the picture's
// embedded profile.
#include "files/import.h"

#include <gtest/gtest.h>

#include "core/parallel.h"
#include "files/color.h"
#include "files/jpeg.h"
#include "files/tiff_tags.h"
#include "support/files.h"
#include "support/jpeg.h"
#include "support/pictures.h"
#include "support/png_file.h"
#include "support/profiles.h"

TEST(PictureFileTypeOf, ExtensionOfTheFileNameInAnyCase) {
  const char* names[] = {"/My Pictures/a b.TiFf", "a.tif", "a.JPG", "a.jpeg", "a.Jpe", "a.tif.png", "a.pn",
                         "/photos.tif/picture",   ""};
  const int32_t types[] = {kPictureTiff, kPictureTiff,    kPictureJpeg,    kPictureJpeg,   kPictureJpeg,
                           kPicturePng,  kPictureUnknown, kPictureUnknown, kPictureUnknown};
  for (size_t i = 0; i < std::size(names); ++i) EXPECT_EQ(PictureFileTypeOf(names[i]), types[i]) << names[i];
}

namespace {

struct LoadTest : ::testing::Test {
  LoadTest() { InitScene(&scene); }
  std::string Jpeg(const std::string& name, const JpegRecipe& recipe = {}) {
    WriteJpeg(folder.Path(name), recipe);
    return folder.Path(name);
  }
  int Load(const std::string& path, int32_t type) {
    return LoadPicture(path, type, &scene, &profile, &lastFolder);
  }
  TempFolder folder;
  SceneSettings scene;
  IccProfile profile;
  std::string lastFolder = "/earlier";
};

}  // namespace

TEST_F(LoadTest, EmbeddedProfileConvertsUnlessItIsTheStandardSrgb) {
  const IccProfile wide = WideGamutProfile();
  // Many batches of decoded rows, converted as they come.
  JpegRecipe recipe{.width = 301, .height = 203, .app2 = {IccChunk(1, 1, wide)}};
  const std::string path = Jpeg("wide.jpg", recipe);
  // Our conversion, checked against Little CMS elsewhere, applied afterwards.
  Image decoded, expected;
  ASSERT_EQ(DecodeWithImagingLibrary(path, &decoded), 0);
  ASSERT_EQ(CopyImage(decoded, &expected), 0);
  ASSERT_EQ(ConvertToWorkingSpace(&expected, wide), 0);
  ASSERT_FALSE(SamePixels(expected, decoded));  // the wider gamut really moves the colours

  // After decoding on one thread, alongside it on several.
  for (int threads : {1, 3}) {
    SetWorkerThreads(threads);
    ASSERT_EQ(Load(path, kPictureJpeg), 0);
    EXPECT_EQ(profile, wide);
    EXPECT_TRUE(SamePixels(PictureImage(scene.picture), expected)) << threads << " threads";
  }
  SetWorkerThreads(0);

  recipe.app2 = {IccChunk(1, 1, IccProfile(SrgbProfileBytes(), SrgbProfileBytes() + kSrgbProfileLength))};
  ASSERT_EQ(Load(Jpeg("srgb.jpg", recipe), kPictureJpeg), 0);
  EXPECT_TRUE(IsSrgbProfile(profile));
  EXPECT_TRUE(SamePixels(PictureImage(scene.picture), decoded));
}

TEST_F(LoadTest, JpegBecomesThePictureAndEveryFailureSaysWhyAndChangesNothing) {
  const std::string path = Jpeg(
      "photo.jpg", {.width = 192, .height = 96, .space = JCS_GRAYSCALE, .densityUnit = 1, .density = 48});
  scene.border = ImageBorder{1, 2, 3, 4, RgbColor{10, 20, 30}};
  const uint64_t version = scene.picture.rasterVersion;
  ErrorCapture errors;
  ASSERT_EQ(Load(path, kPictureJpeg), 0);
  EXPECT_TRUE(errors.messages.empty());
  // A gray picture arrives as gray Rgb8.
  const FileBytes gray = DecodeWithLibjpeg(path);
  const Image& raster = PictureImage(scene.picture);
  ASSERT_EQ(std::tuple(raster.type, raster.width, raster.height, raster.resolution),
            std::tuple(Rgb8, 192, 96, 48.0));
  for (int y = 0; y < 96; y += 5)
    for (int x = 0; x < 192; x += 7)
      for (int c = 0; c < 3; ++c) ASSERT_EQ(raster.rows[95 - y][3 * x + c], gray[y * 192 + x]);
  EXPECT_EQ(std::tuple(scene.picture.rasterVersion, scene.picture.pathname, lastFolder, profile.empty()),
            std::tuple(version + 1, path, folder.Root().string(), true));
  EXPECT_EQ(scene.border, (ImageBorder{0, 0, 0, 0, RgbColor{10, 20, 30}}));
  // The overall size follows the 4 x 2 inch picture: mats 2 x 2.25, frame 2 x 0.75.
  EXPECT_EQ(std::tuple(scene.frame.overallWidth, scene.frame.overallHeight),
            std::tuple(4.0 + 4.5 + 1.5, 2.0 + 4.5 + 1.5));

  scene.border.left = 0.5;
  lastFolder = "/earlier";
  Image before;
  ASSERT_EQ(CopyImage(PictureImage(scene.picture), &before), 0);

  const std::string jpeg = Jpeg("real.jpg");
  // A parameterless TEM marker: libjpeg steps over it, the profile scan
  // takes the next bytes for a length and runs off the end of the file.
  const std::string tem = Jpeg("tem.jpg");
  FileBytes bytes = ReadAll(tem);
  bytes.insert(bytes.begin() + 2, {0xFF, 0x01});
  WriteAll(tem, bytes);
  // Stored turned, it needs room for the upright copy too.
  const std::string tall = Jpeg("tall.jpg", {.app1 = {ExifBlock(false, {{kOrientation, kShort, 1, 6}})}});
  PatchFrameSize(tall, 17000, 17000);
  const std::string png = folder.Path("a.png"), missing = folder.Path("no.tif");
  const std::string pngCut = folder.Path("cut.png"), pngCrc = folder.Path("crc.png");
  WriteAll(png, {0x89, 'P', 'N', 'G'});
  FileBytes goodPng = MakePng({.width = 40, .height = 30});
  WriteAll(pngCut, FileBytes(goodPng.begin(), goodPng.begin() + goodPng.size() / 2));
  goodPng[45] ^= 1;  // inside the picture data, whose checksum no longer fits
  WriteAll(pngCrc, goodPng);
  // A directory of one entry: Compression 7, JPEG.
  const std::string jpegTiff = folder.Path("jpeg-inside.tif");
  WriteAll(jpegTiff, {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 3, 1, 3, 0, 1, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0});
  const struct {
    std::string path;
    int32_t type;
    std::string message;
  } cases[] = {
      {missing, kPictureTiff, "Cannot open image file: " + missing},
      {jpeg, kPictureTiff, "Cannot read TIFF file: " + jpeg},
      {jpegTiff, kPictureTiff, "Cannot read TIFF file: " + jpegTiff + "\nNot supported: JPEG compression"},
      {png, kPictureJpeg, "Cannot read JPEG file: " + png},
      {tem, kPictureJpeg, "Error reading profile from JPEG file: " + tem},
      {tall, kPictureJpeg,
       "Cannot read JPEG file: " + tall +
           "\nThe picture has 17000 x 17000 pixels and needs 1654 MB to read; at most 1536 MB can be used."},
      {png, PictureFileTypeOf(png), "Cannot read PNG file: " + png},
      {pngCut, kPicturePng, "Cannot read PNG file: " + pngCut},
      {pngCrc, kPicturePng, "Cannot read PNG file: " + pngCrc},
      {png, kPictureUnknown, "Unsupported picture file type: " + png},
  };
  for (const auto& c : cases) {
    ErrorCapture errors;
    EXPECT_EQ(Load(c.path, c.type), 1);
    EXPECT_EQ(errors.messages, std::vector<std::string>{c.message});
    EXPECT_TRUE(SamePixels(PictureImage(scene.picture), before)) << c.path;
    EXPECT_EQ(std::tuple(scene.picture.rasterVersion, scene.picture.pathname, scene.border.left, lastFolder),
              std::tuple(version + 1, path, 0.5, std::string("/earlier")));
  }
}
